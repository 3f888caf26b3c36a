// FtpPeer: an FTP server in Python as the test's child process (the service's file store or
// the faulty peer), on a free loopback port it reports; what it logs is kept for the test.
#pragma once

#include <QByteArray>
#include <QProcess>
#include <QStringList>

class FtpPeer
{
public:
    ~FtpPeer();

    // Runs /usr/bin/python3 with the script and arguments; false, with log(), when the
    // server does not report its port.
    bool start(const QString &strScript, const QStringList &arguments);
    void stop();
    quint16 port() const { return m_iPort; }
    // Everything the server logged so far.
    QByteArray log();
    // How often arText occurs in the log from iFrom on.
    int count(const QByteArray &arText, qsizetype iFrom = 0);

private:
    QProcess m_process;
    QByteArray m_arLog;
    quint16 m_iPort = 0;
};
