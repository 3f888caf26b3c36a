#include "ftppeer.h"

#include <QDeadlineTimer>

FtpPeer::~FtpPeer()
{
    stop();
}

bool FtpPeer::start(const QString &strScript, const QStringList &arguments)
{
    m_process.start(QStringLiteral("/usr/bin/python3"), QStringList{strScript} + arguments);
    const QDeadlineTimer deadline(20000);
    QByteArray arOut;
    while (!arOut.contains('\n') && !deadline.hasExpired() &&
           m_process.state() != QProcess::NotRunning) {
        m_process.waitForReadyRead(100);
        arOut += m_process.readAllStandardOutput();
    }
    m_arLog += m_process.readAllStandardError();
    const QByteArray arLine = arOut.left(arOut.indexOf('\n')).trimmed();
    if (!arLine.startsWith("ftp port ")) {
        m_arLog += arOut;
        return false;
    }
    m_iPort = quint16(arLine.mid(9).toUInt());
    return m_iPort != 0;
}

void FtpPeer::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(5000)) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

QByteArray FtpPeer::log()
{
    m_arLog += m_process.readAllStandardError();
    return m_arLog;
}

int FtpPeer::count(const QByteArray &arText, qsizetype iFrom)
{
    return int(log().mid(iFrom).count(arText));
}
