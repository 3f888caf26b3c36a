// CPacketLog: an optional record of every packet the service receives and sends, one line
// each: milliseconds since start, "in" or "out", the channel ("main", "tcp", "udp") and the
// packet in hex. For debugging a client and for tests that check what a client was sent.
// Passwords never reach the file: in a sign-in, a password change and the enterprise log-ins
// and password change, the password field is written as a fixed marker of its own kind, so the
// line keeps the packet's layout and tells neither the password nor its length. Such a packet
// whose password field cannot be found is written as its command byte alone.
#pragma once

#include <QFile>
#include <QString>

class CPacketLog
{
public:
    // What a password field holds in the log, after its count byte.
    static constexpr char REDACTED[] = "********";

    bool open(const QString &strPath);
    bool isOpen() const { return m_file.isOpen(); }
    void write(qint64 iMs, bool bIncoming, const char *pChannel, const QByteArray &arPacket);

    // The incoming packet as it may be logged.
    static QByteArray redacted(const QByteArray &arPacket);

private:
    QFile m_file;
};
