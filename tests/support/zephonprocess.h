// ZephonProcess: the real client executable (ZEPHON_EXECUTABLE) run in a working folder of
// the test's, with Core's trace on stderr so a test can tell when it has started. Every test
// copy runs with single-instance keys of its own and its own XDG config folder, so it neither
// meets a client the user has open nor writes the desktop session's autostart folder.
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QObject>
#include <QProcess>
#include <QTest>

#include "xvfbdisplay.h"

class ZephonProcess
{
public:
    ZephonProcess() = default;
    ZephonProcess(const ZephonProcess &) = delete;
    ZephonProcess &operator=(const ZephonProcess &) = delete;

    ~ZephonProcess()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }

    // Variables set after the defaults, so a test can run two clients side by side (their own
    // ZEPHON_INSTANCE_SUFFIX) or widen the trace.
    void setEnvironment(const QString &strName, const QString &strValue)
    {
        m_extra.insert(strName, strValue);
    }

    // Starts the client in strWorkDir, on pDisplay or, without one, on the offscreen platform.
    void start(const QString &strWorkDir, const XvfbDisplay *pDisplay = nullptr)
    {
        QProcessEnvironment env =
            pDisplay ? pDisplay->environment() : QProcessEnvironment::systemEnvironment();
        if (!pDisplay)
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        // No update check unless a test asks for one.
        if (!env.contains(QStringLiteral("ZEPHON_UPDATE_URL")))
            env.insert(QStringLiteral("ZEPHON_UPDATE_URL"), QStringLiteral("off"));
        env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("zephon.Core.debug=true"));
        env.insert(QStringLiteral("ZEPHON_INSTANCE_SUFFIX"),
                   QStringLiteral("-test-%1").arg(QCoreApplication::applicationPid()));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), strWorkDir + QStringLiteral("/xdg"));
        const QStringList names = m_extra.keys();
        for (const QString &strName : names)
            env.insert(strName, m_extra.value(strName));
        m_process.setProcessEnvironment(env);
        m_process.setWorkingDirectory(strWorkDir);
        m_process.setProcessChannelMode(QProcess::SeparateChannels);
        QObject::connect(&m_process, &QProcess::readyReadStandardError,
                         [this]() { m_stderr += m_process.readAllStandardError(); });
        m_process.start(QStringLiteral(ZEPHON_EXECUTABLE), QStringList());
    }

    // True once the client has run its start routine.
    bool waitStarted(int iTimeoutMs = 30000)
    {
        QElapsedTimer timer;
        timer.start();
        while (!m_stderr.contains("initialize finished") && timer.elapsed() < iTimeoutMs &&
               m_process.state() != QProcess::NotRunning)
            QTest::qWait(50);
        return m_stderr.contains("initialize finished");
    }

    QProcess &process() { return m_process; }
    // Everything the client wrote to stderr so far.
    QByteArray output() const { return m_stderr; }

private:
    QProcess m_process;
    QByteArray m_stderr;
    QProcessEnvironment m_extra;
};
