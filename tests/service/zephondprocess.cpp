#include "zephondprocess.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTcpServer>

#include <csignal>

#include <sys/resource.h>

namespace {

constexpr char kReady[] = "zephond: main server";

quint16 freePort()
{
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost, 0) ? probe.serverPort() : 0;
}

} // namespace

ZephondProcess::~ZephondProcess()
{
    stop();
}

int ZephondProcess::runAdmin(const QString &strDataDir, const QStringList &command,
                             QByteArray *pOutput)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QStringLiteral(ZEPHOND_EXECUTABLE),
                  QStringList{QStringLiteral("--data-dir"), strDataDir} + command);
    const bool bEnded = process.waitForFinished(60000);
    if (pOutput)
        *pOutput = process.readAll();
    if (!bEnded) {
        process.kill();
        process.waitForFinished();
        return -1;
    }
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

bool ZephondProcess::start(const QString &strDataDir, const QString &strPacketLog)
{
    // A start after an earlier run reads only what this run prints.
    m_arOutput.clear();
    m_iPort = m_iFixedPort ? m_iFixedPort : freePort();
    if (m_iPort == 0) {
        m_arOutput = "no free loopback port";
        return false;
    }
    m_strPacketLog = strPacketLog;
    QStringList arguments{QStringLiteral("--data-dir"),
                          strDataDir,
                          QStringLiteral("--demo"),
                          QStringLiteral("--port"),
                          QString::number(m_iPort),
                          QStringLiteral("--sub-port"),
                          QString::number(m_iFixedSubPort),
                          QStringLiteral("--update-port"),
                          QStringLiteral("0"),
                          QStringLiteral("--ftp-port"),
                          QStringLiteral("0")};
    if (!strPacketLog.isEmpty())
        arguments << QStringLiteral("--packet-log") << strPacketLog;
    arguments << m_extraArguments;
    if (m_iDescriptorLimit > 0) {
        m_process.setChildProcessModifier([iLimit = rlim_t(m_iDescriptorLimit)] {
            const rlimit limit{iLimit, iLimit};
            setrlimit(RLIMIT_NOFILE, &limit);
        });
    }
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.start(QStringLiteral(ZEPHOND_EXECUTABLE), arguments);
    QElapsedTimer timer;
    timer.start();
    // The ready line, whole: it names the ports.
    const auto ready = [this] {
        const int iAt = int(m_arOutput.indexOf(kReady));
        return iAt >= 0 && m_arOutput.indexOf('\n', iAt) > iAt;
    };
    while (!ready() && timer.elapsed() < 30000 && m_process.state() != QProcess::NotRunning) {
        m_process.waitForReadyRead(200);
        m_arOutput += m_process.readAll();
    }
    return ready();
}

quint16 ZephondProcess::updatePort() const
{
    const QByteArray arMark("updates at http://");
    const int iAt = int(m_arOutput.indexOf(arMark));
    if (iAt < 0)
        return 0;
    const QByteArray arRest = m_arOutput.mid(iAt + arMark.size());
    return quint16(arRest.mid(arRest.indexOf(':') + 1).split('/').value(0).toUInt());
}

quint16 ZephondProcess::subPort() const
{
    const QByteArray arMark(", sub-server ");
    const int iAt = int(m_arOutput.indexOf(arMark));
    if (iAt < 0)
        return 0;
    return quint16(m_arOutput.mid(iAt + arMark.size()).split(' ').value(0).toUInt());
}

quint16 ZephondProcess::ftpPort() const
{
    const QByteArray arMark("ftp: listening on ");
    const int iAt = int(m_arOutput.indexOf(arMark));
    if (iAt < 0)
        return 0;
    const QByteArray arRest = m_arOutput.mid(iAt + arMark.size());
    const QByteArray arLine = arRest.left(arRest.indexOf('\n'));
    return quint16(arLine.mid(arLine.lastIndexOf(':') + 1).trimmed().toUInt());
}

QString ZephondProcess::serverText() const
{
    return QStringLiteral("127.0.0.1:%1").arg(m_iPort);
}

int ZephondProcess::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return -1;
    m_process.terminate();
    if (!m_process.waitForFinished(10000)) {
        m_process.kill();
        m_process.waitForFinished(5000);
        return -1;
    }
    return m_process.exitCode();
}

QList<LoggedPacket> ZephondProcess::packetLog() const
{
    QList<LoggedPacket> packets;
    QFile file(m_strPacketLog);
    if (m_strPacketLog.isEmpty() || !file.open(QIODevice::ReadOnly))
        return packets;
    while (!file.atEnd()) {
        const QList<QByteArray> parts = file.readLine().trimmed().split(' ');
        if (parts.size() == 4 && !parts.at(3).isEmpty())
            packets << LoggedPacket{parts.at(1) == "out", QString::fromLatin1(parts.at(2)),
                                    QByteArray::fromHex(parts.at(3))};
    }
    return packets;
}

void ZephondProcess::kill()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.kill();
    m_process.waitForFinished(10000);
    m_arOutput += m_process.readAll();
}

void ZephondProcess::sendSignal(int iSignal)
{
    if (m_process.state() == QProcess::Running)
        ::kill(pid_t(m_process.processId()), iSignal);
}

bool ZephondProcess::waitForOutput(const QByteArray &arText, int iTimes, int iTimeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (m_arOutput.count(arText) < iTimes && timer.elapsed() < iTimeoutMs &&
           m_process.state() != QProcess::NotRunning) {
        m_process.waitForReadyRead(200);
        m_arOutput += m_process.readAll();
    }
    m_arOutput += m_process.readAll();
    return m_arOutput.count(arText) >= iTimes;
}

int ZephondProcess::waitForExit(int iTimeoutMs)
{
    const bool bEnded =
        m_process.state() == QProcess::NotRunning || m_process.waitForFinished(iTimeoutMs);
    m_arOutput += m_process.readAll();
    if (!bEnded || m_process.exitStatus() != QProcess::NormalExit)
        return -1;
    return m_process.exitCode();
}
