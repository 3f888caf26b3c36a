#include "cpacketlog.h"

#include "cfieldreader.h"
#include "codes.h"

using namespace Codes;

namespace {

// Where an incoming packet's password field (a count byte and its bytes) starts: -1 when the
// packet holds none, -2 when it should hold one that cannot be walked to. iEnclosing is set to
// the offset of the u32 count of a section that holds the field, or -1.
int passwordField(const QByteArray &arPacket, int &iEnclosing)
{
    iEnclosing = -1;
    if (arPacket.isEmpty())
        return -1;
    CFieldReader r(arPacket, 1);
    switch (quint8(arPacket.at(0))) {
    case CmdLogin: {
        r.u8();   // client kind
        r.str8(); // version
        const quint8 iType = r.u8();
        if (iType == 0)
            r.u32();
        else
            r.enc8();
        break;
    }
    case CmdChangePassword:
        r.zpid();
        r.u8(); // sub-type
        break;
    case CmdEnterprise: {
        r.zpid();
        const quint8 iSub = r.u8();
        if (iSub != EntLoginOrg && iSub != EntLoginSubServer && iSub != EntChangePassword)
            return -1;
        iEnclosing = r.pos();
        r.u32(); // count of the rest
        r.u32(); // organisation
        if (iSub == EntLoginSubServer) {
            r.str8(); // own telephone number
        } else if (iSub == EntChangePassword) {
            r.str8(); // user id
            r.u8();   // sub-type
            r.u8();
        }
        break;
    }
    default:
        return -1;
    }
    const int iOffset = r.pos();
    r.str8();
    return r.ok() ? iOffset : -2;
}

} // namespace

bool CPacketLog::open(const QString &strPath)
{
    m_file.setFileName(strPath);
    return m_file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text);
}

QByteArray CPacketLog::redacted(const QByteArray &arPacket)
{
    int iEnclosing = -1;
    const int iOffset = passwordField(arPacket, iEnclosing);
    if (iOffset == -1)
        return arPacket;
    if (iOffset < 0)
        return arPacket.left(1);
    constexpr int iMarker = int(sizeof REDACTED) - 1;
    const int iOld = quint8(arPacket.at(iOffset));
    QByteArray arOut = arPacket.left(iOffset);
    arOut.append(char(iMarker)).append(REDACTED, iMarker);
    arOut.append(arPacket.mid(iOffset + 1 + iOld));
    if (iEnclosing >= 0) {
        // The section's count follows the field's new length.
        CFieldReader count(arPacket, iEnclosing);
        const quint32 iCount = count.u32() + quint32(iMarker - iOld);
        for (int i = 0; i < 4; ++i)
            arOut[iEnclosing + i] = char((iCount >> (8 * i)) & 0xFF);
    }
    return arOut;
}

void CPacketLog::write(qint64 iMs, bool bIncoming, const char *pChannel, const QByteArray &arPacket)
{
    if (!m_file.isOpen())
        return;
    QByteArray arLine = QByteArray::number(iMs);
    arLine.append(bIncoming ? " in " : " out ").append(pChannel).append(' ');
    arLine.append((bIncoming ? redacted(arPacket) : arPacket).toHex()).append('\n');
    m_file.write(arLine);
    m_file.flush();
}
