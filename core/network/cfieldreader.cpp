#include "cfieldreader.h"

#include <QtEndian>

#include <cstring>

#include "caes.h"
#include "packint.h"

CFieldReader::CFieldReader(const QByteArray &arPacket, int iOffset)
    : m_arPacket(arPacket), m_iPos(qBound(0, iOffset, int(arPacket.size())))
{
    if (iOffset < 0 || iOffset > arPacket.size())
        m_bOk = false;
}

QByteArray CFieldReader::bytes(int n)
{
    if (n < 0) {
        m_bOk = false;
        return QByteArray();
    }
    const int iAvail = remaining();
    if (n > iAvail) {
        m_bOk = false;
        n = iAvail;
    }
    QByteArray ar = m_arPacket.mid(m_iPos, n);
    m_iPos += n;
    return ar;
}

quint8 CFieldReader::u8()
{
    return quint8(unpackUInt(bytes(1)));
}

quint32 CFieldReader::u32()
{
    return unpackUInt(bytes(4));
}

double CFieldReader::f64()
{
    const QByteArray ar = bytes(8);
    if (ar.size() != 8)
        return 0.0;
    const quint64 iBits = qFromLittleEndian<quint64>(ar.constData());
    double d = 0.0;
    std::memcpy(&d, &iBits, sizeof d);
    return d;
}

QByteArray CFieldReader::str8()
{
    const bool bHadCount = remaining() >= 1;
    const int n = u8();
    return bHadCount ? bytes(n) : QByteArray();
}

QString CFieldReader::str8Text()
{
    QByteArray ar = str8();
    const int iZero = int(ar.indexOf('\0'));
    if (iZero >= 0)
        ar.truncate(iZero);
    return QString::fromUtf8(ar);
}

QByteArray CFieldReader::enc8()
{
    return str8();
}

QString CFieldReader::enc8Text()
{
    return decryptText(enc8());
}

QByteArray CFieldReader::blob32()
{
    const bool bHadCount = remaining() >= 4;
    const quint32 n = u32();
    if (!bHadCount)
        return QByteArray();
    // A count beyond the packet is a short field, not a reason to allocate it.
    if (n > quint32(remaining())) {
        m_bOk = false;
        return bytes(remaining());
    }
    return bytes(int(n));
}

QByteArray CFieldReader::tail()
{
    return bytes(remaining());
}

void CFieldReader::skip(int n)
{
    bytes(n);
}
