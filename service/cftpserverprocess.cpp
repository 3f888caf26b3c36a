#include "cftpserverprocess.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>

namespace {

constexpr char kPortLine[] = "ftp port ";

} // namespace

CFtpServerProcess::CFtpServerProcess(QObject *parent) : QObject(parent)
{
    // Its warnings belong in the service's own error output.
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    connect(&m_process, &QProcess::finished, this, &CFtpServerProcess::onFinished);
}

CFtpServerProcess::~CFtpServerProcess()
{
    m_bStopping = true;
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(3000)) {
        m_process.kill();
        m_process.waitForFinished(3000);
    }
}

QString CFtpServerProcess::scriptBesideExecutable()
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(QLatin1String(SCRIPT_NAME));
}

bool CFtpServerProcess::start(const QString &strScript, const QString &strDataDir,
                              const QHostAddress &address, quint16 iPort)
{
    if (!QFileInfo(strScript).isFile()) {
        m_strError = QStringLiteral("%1 is missing").arg(strScript);
        return false;
    }
    if (!QDir().mkpath(strDataDir)) {
        m_strError = QStringLiteral("cannot create %1").arg(strDataDir);
        return false;
    }
    m_process.start(QLatin1String(PYTHON),
                    {strScript, QStringLiteral("--data-dir"), strDataDir,
                     QStringLiteral("--listen"), address.toString(), QStringLiteral("--port"),
                     QString::number(iPort), QStringLiteral("--parent-pid"),
                     QString::number(QCoreApplication::applicationPid())});
    if (!m_process.waitForStarted(START_TIMEOUT_MS)) {
        m_strError = QStringLiteral("%1: %2").arg(QLatin1String(PYTHON), m_process.errorString());
        return false;
    }
    const QDeadlineTimer deadline(START_TIMEOUT_MS);
    QByteArray arOutput;
    while (!arOutput.contains('\n') && !deadline.hasExpired() &&
           m_process.state() == QProcess::Running) {
        m_process.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
        arOutput += m_process.readAllStandardOutput();
    }
    const QByteArray arLine = arOutput.left(arOutput.indexOf('\n')).trimmed();
    bool bOk = false;
    const uint iReported =
        arLine.startsWith(kPortLine) ? arLine.mid(int(sizeof(kPortLine)) - 1).toUInt(&bOk) : 0;
    if (!bOk || iReported == 0 || iReported > 65535) {
        m_strError = m_process.state() == QProcess::Running
                         ? QStringLiteral("it did not report a port")
                         : QStringLiteral("it ended (exit code %1)").arg(m_process.exitCode());
        m_bStopping = true;
        m_process.kill();
        m_process.waitForFinished(3000);
        return false;
    }
    m_iPort = quint16(iReported);
    // Nothing more is expected on its output; read it so that the pipe never fills.
    connect(&m_process, &QProcess::readyReadStandardOutput, this,
            [this] { m_process.readAllStandardOutput(); });
    return true;
}

void CFtpServerProcess::onFinished(int iExitCode, QProcess::ExitStatus status)
{
    if (m_bStopping)
        return;
    emit sig_ended(status == QProcess::CrashExit
                       ? QStringLiteral("it was killed")
                       : QStringLiteral("it exited with code %1").arg(iExitCode));
}
