#include "cfieldwriter.h"

#include <QtEndian>

#include <cstring>

#include "caes.h"
#include "packint.h"

CFieldWriter &CFieldWriter::u8(quint8 iValue)
{
    m_arPacket.append(char(iValue));
    return *this;
}

CFieldWriter &CFieldWriter::u32(quint32 iValue)
{
    m_arPacket.append(packUInt32(iValue));
    return *this;
}

CFieldWriter &CFieldWriter::f64(double dValue)
{
    quint64 iBits = 0;
    std::memcpy(&iBits, &dValue, sizeof iBits);
    char bytes[8];
    qToLittleEndian(iBits, bytes);
    m_arPacket.append(bytes, 8);
    return *this;
}

CFieldWriter &CFieldWriter::count8(const QByteArray &arBytes, const char *pField)
{
    if (arBytes.size() > 255) {
        // A one-byte count cannot describe this field; cutting it would corrupt the text
        // or the ciphertext, so the packet is marked unusable instead.
        m_bOk = false;
        m_trace.traceError(QString("%1 field of %2 bytes does not fit a one-byte count")
                               .arg(QLatin1String(pField))
                               .arg(arBytes.size()));
        return *this;
    }
    m_arPacket.append(char(arBytes.size()));
    m_arPacket.append(arBytes);
    return *this;
}

CFieldWriter &CFieldWriter::str8(const QString &strText)
{
    return count8(strText.toUtf8(), "str8");
}

CFieldWriter &CFieldWriter::str8Bytes(const QByteArray &arBytes)
{
    return count8(arBytes, "str8");
}

CFieldWriter &CFieldWriter::enc8(const QString &strText)
{
    return count8(encryptText(strText), "enc8");
}

CFieldWriter &CFieldWriter::enc8Bytes(const QByteArray &arPlain)
{
    return count8(encryptBytes(arPlain), "enc8");
}

CFieldWriter &CFieldWriter::blob32(const QByteArray &arBytes)
{
    u32(quint32(arBytes.size()));
    m_arPacket.append(arBytes);
    return *this;
}

CFieldWriter &CFieldWriter::tail(const QByteArray &arBytes)
{
    m_arPacket.append(arBytes);
    return *this;
}
