// XvfbDisplay: a private X display for tests that need real windows or a real X server, and
// xdotool to drive it. The display lives as long as the object; a test that cannot get one
// skips with the reason from errorText().
#pragma once

#include <QDeadlineTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

class XvfbDisplay
{
public:
    XvfbDisplay() = default;
    XvfbDisplay(const XvfbDisplay &) = delete;
    XvfbDisplay &operator=(const XvfbDisplay &) = delete;

    ~XvfbDisplay()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.terminate();
            if (!m_process.waitForFinished(5000))
                m_process.kill();
            m_process.waitForFinished(5000);
        }
    }

    // Returns false, with the reason in errorText(), when Xvfb or xdotool is missing or the
    // server does not come up.
    bool start()
    {
        const QString strXvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        if (strXvfb.isEmpty() ||
            QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty()) {
            m_strError = QStringLiteral("Xvfb and xdotool are needed for the X11 cases "
                                        "(packages xvfb, xdotool)");
            return false;
        }
        // -displayfd 1: the server picks a free display itself and writes its number on
        // stdout once it accepts connections, so parallel runs never race for a number.
        m_process.start(strXvfb, {QStringLiteral("-displayfd"), QStringLiteral("1"),
                                  QStringLiteral("-screen"), QStringLiteral("0"),
                                  QStringLiteral("1280x1024x24"), QStringLiteral("-nolisten"),
                                  QStringLiteral("tcp")});
        QByteArray number;
        QDeadlineTimer deadline(15000);
        while (!number.endsWith('\n') && !deadline.hasExpired() &&
               m_process.state() != QProcess::NotRunning) {
            m_process.waitForReadyRead(100);
            number += m_process.readAllStandardOutput();
        }
        if (!number.endsWith('\n')) {
            m_strError = QStringLiteral("Xvfb did not start: ") +
                         QString::fromLocal8Bit(m_process.readAllStandardError());
            return false;
        }
        m_strDisplay = QStringLiteral(":") + QString::fromLatin1(number.trimmed());
        return true;
    }

    // ":<n>" once started, empty before.
    QString display() const { return m_strDisplay; }
    QString errorText() const { return m_strError; }

    // The environment for a Qt program that is to open its windows on this display.
    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("DISPLAY"), m_strDisplay);
        return env;
    }

    // Runs xdotool on this display and returns its standard output, trimmed. The exit code is
    // -1 when the tool crashed or did not finish.
    QString xdotool(const QStringList &arguments, int *pExitCode = nullptr) const
    {
        QProcess tool;
        tool.setProcessEnvironment(environment());
        tool.start(QStringLiteral("xdotool"), arguments);
        const bool bFinished = tool.waitForFinished(10000);
        if (pExitCode)
            *pExitCode =
                bFinished && tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1;
        return QString::fromUtf8(tool.readAllStandardOutput()).trimmed();
    }

    // True when xdotool ran and exited with 0.
    bool xdotoolSucceeds(const QStringList &arguments) const
    {
        int iExitCode = -1;
        xdotool(arguments, &iExitCode);
        return iExitCode == 0;
    }

    // The first window whose name matches the regular expression, or an empty text.
    QString findWindow(const QString &strNamePattern, bool bOnlyVisible = false) const
    {
        QStringList arguments{QStringLiteral("search")};
        if (bOnlyVisible)
            arguments << QStringLiteral("--onlyvisible");
        arguments << QStringLiteral("--name") << strNamePattern;
        return xdotool(arguments).section(QLatin1Char('\n'), 0, 0);
    }

private:
    QProcess m_process;
    QString m_strDisplay;
    QString m_strError;
};
