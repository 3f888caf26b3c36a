// CPacketLog: an optional record of every packet the service receives and sends, one line
// each: milliseconds since start, "in" or "out", the channel ("main", "tcp", "udp") and the
// packet in hex. For debugging a client and for tests that check what a client was sent.
#pragma once

#include <QFile>
#include <QString>

class CPacketLog
{
public:
    bool open(const QString &strPath);
    bool isOpen() const { return m_file.isOpen(); }
    void write(qint64 iMs, bool bIncoming, const char *pChannel, const QByteArray &arPacket);

private:
    QFile m_file;
};
