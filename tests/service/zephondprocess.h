// The real zephond as a child process of a test: demo accounts on a free loopback port, the
// sub-server, the update host and the file store's FTP server beside it on free ports, and on
// request a packet log the test reads back.
#pragma once

#include <QByteArray>
#include <QList>
#include <QProcess>
#include <QString>

// One line of the service's packet log: which way, on which channel, and the plain packet.
struct LoggedPacket
{
    bool bOut = false;
    QString strChannel;
    QByteArray arPacket;
};

class ZephondProcess
{
public:
    ~ZephondProcess();

    // Starts the service with its store in strDataDir and, when strPacketLog is given, its
    // packets written there; false, with errorText(), when it does not report itself ready.
    bool start(const QString &strDataDir, const QString &strPacketLog = QString());
    // Before start(): options added to the command line, and a descriptor limit (soft and
    // hard) the service runs under.
    void setExtraArguments(const QStringList &arguments) { m_extraArguments = arguments; }
    void setDescriptorLimit(int iLimit) { m_iDescriptorLimit = iLimit; }
    // Before start(): the main and sub-server ports to take instead of free ones, so that a
    // service started again is found where its clients knew it.
    void setPorts(quint16 iMainPort, quint16 iSubPort)
    {
        m_iFixedPort = iMainPort;
        m_iFixedSubPort = iSubPort;
    }
    qint64 processId() const { return m_process.processId(); }
    bool isRunning() const { return m_process.state() != QProcess::NotRunning; }
    quint16 port() const { return m_iPort; }
    // The sub-server's port (TCP and UDP), once started.
    quint16 subPort() const;
    // The update host's HTTP port, once started.
    quint16 updatePort() const;
    // The file store's FTP port, once started; 0 when the service runs without it.
    quint16 ftpPort() const;
    // "127.0.0.1:port", the form a client takes in ZEPHON_SERVER.
    QString serverText() const;
    QString errorText() const { return QString::fromLocal8Bit(m_arOutput); }

    // Runs one administration command of zephond (seed, add-account...) on the store in
    // strDataDir, while no service runs on it; its exit code, with what it printed in
    // *pOutput when given, or -1 when it did not end in time.
    static int runAdmin(const QString &strDataDir, const QStringList &command,
                        QByteArray *pOutput = nullptr);

    // Asks the service to end and returns its exit code; -1 when it was not running or did
    // not end in time.
    int stop();

    // Ends the service at once with SIGKILL, as a crash would, and waits until it is gone.
    void kill();

    // Sends the service a Unix signal.
    void sendSignal(int iSignal);
    // Waits until the service's output holds arText iTimes times; false when it did not in time
    // or the service ended first.
    bool waitForOutput(const QByteArray &arText, int iTimes = 1, int iTimeoutMs = 10000);
    // Waits for the service to end by itself; its exit code, or -1 when it crashed or did not
    // end in time. The output it printed on the way out is in output().
    int waitForExit(int iTimeoutMs = 10000);
    // Everything the service printed so far.
    QByteArray output() const { return m_arOutput; }

    // Every packet the log holds so far; empty without a log.
    QList<LoggedPacket> packetLog() const;

private:
    QProcess m_process;
    quint16 m_iPort = 0;
    quint16 m_iFixedPort = 0;
    quint16 m_iFixedSubPort = 0;
    QString m_strPacketLog;
    QStringList m_extraArguments;
    int m_iDescriptorLimit = 0;
    QByteArray m_arOutput;
};
