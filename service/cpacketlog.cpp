#include "cpacketlog.h"

bool CPacketLog::open(const QString &strPath)
{
    m_file.setFileName(strPath);
    return m_file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text);
}

void CPacketLog::write(qint64 iMs, bool bIncoming, const char *pChannel, const QByteArray &arPacket)
{
    if (!m_file.isOpen())
        return;
    QByteArray arLine = QByteArray::number(iMs);
    arLine.append(bIncoming ? " in " : " out ").append(pChannel).append(' ');
    arLine.append(arPacket.toHex()).append('\n');
    m_file.write(arLine);
    m_file.flush();
}
