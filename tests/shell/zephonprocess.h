// Test fixtures that run the real client executable: a process in its own working folder
// whose Core trace is watched, and a private Xvfb display for tests that need real windows.
#pragma once

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

class ZephonProcess
{
public:
    // Starts the client in strWorkDir; strDisplay empty means the offscreen platform.
    void start(const QString &strWorkDir, const QString &strDisplay = QString())
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("zephon.Core.debug=true"));
        if (strDisplay.isEmpty()) {
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        } else {
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
            env.insert(QStringLiteral("DISPLAY"), strDisplay);
        }
        // A key of this test run's own, so a client the user has open does not interfere.
        env.insert(QStringLiteral("ZEPHON_INSTANCE_SUFFIX"),
                   QStringLiteral("-test-%1").arg(QCoreApplication::applicationPid()));
        // Tests never write the desktop session's autostart folder.
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), strWorkDir + QStringLiteral("/xdg"));
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
    QByteArray output() const { return m_stderr; }

    ~ZephonProcess()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }

private:
    QProcess m_process;
    QByteArray m_stderr;
};

class XvfbDisplay
{
public:
    // Returns false (and the reason in errorText) when no display could be started.
    bool start()
    {
        const QString strXvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        if (strXvfb.isEmpty()) {
            m_strError = QStringLiteral("Xvfb is not installed");
            return false;
        }
        for (int iDisplay = 91; iDisplay < 120; ++iDisplay) {
            if (QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(iDisplay)) ||
                QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(iDisplay)))
                continue;
            m_strDisplay = QStringLiteral(":%1").arg(iDisplay);
            m_process.start(strXvfb, {m_strDisplay, QStringLiteral("-screen"), QStringLiteral("0"),
                                      QStringLiteral("1280x1024x24"), QStringLiteral("-nolisten"),
                                      QStringLiteral("tcp")});
            if (!m_process.waitForStarted(5000))
                continue;
            for (int i = 0; i < 100; ++i) {
                if (QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(iDisplay)))
                    return true;
                if (m_process.state() == QProcess::NotRunning)
                    break;
                QTest::qWait(50);
            }
            m_process.kill();
            m_process.waitForFinished(2000);
        }
        m_strError = QStringLiteral("no Xvfb display could be started");
        return false;
    }

    QString display() const { return m_strDisplay; }
    QString errorText() const { return m_strError; }

    // Runs xdotool on this display; returns its standard output, trimmed.
    QString xdotool(const QStringList &arguments, int *pExitCode = nullptr) const
    {
        QProcess tool;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), m_strDisplay);
        tool.setProcessEnvironment(env);
        tool.start(QStringLiteral("xdotool"), arguments);
        tool.waitForFinished(10000);
        if (pExitCode)
            *pExitCode = tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1;
        return QString::fromUtf8(tool.readAllStandardOutput()).trimmed();
    }

    ~XvfbDisplay()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.terminate();
            if (!m_process.waitForFinished(3000))
                m_process.kill();
            m_process.waitForFinished(2000);
        }
    }

private:
    QProcess m_process;
    QString m_strDisplay;
    QString m_strError;
};
