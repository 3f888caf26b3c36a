// CFtpServerProcess: the service's file store, an FTP server in Python (zephon-ftpd.py beside
// zephond) run as a child process on the service's data folder. The child signs users in
// against the service's account table and keeps files by the MD5 of their content. It ends
// with zephond: stopped when this object goes, and by itself when zephond dies.
#pragma once

#include <QHostAddress>
#include <QObject>
#include <QProcess>
#include <QString>

class CFtpServerProcess : public QObject
{
    Q_OBJECT

public:
    static constexpr quint16 DEFAULT_PORT = 4669;
    static constexpr const char *SCRIPT_NAME = "zephon-ftpd.py";
    static constexpr const char *PYTHON = "/usr/bin/python3";
    static constexpr int START_TIMEOUT_MS = 15000;

    explicit CFtpServerProcess(QObject *parent = nullptr);
    // Stops the child and waits for it.
    ~CFtpServerProcess() override;

    // The script beside the running executable.
    static QString scriptBesideExecutable();

    // Starts the server and waits until it reports the port it listens on; false, with
    // errorText(), when it does not.
    bool start(const QString &strScript, const QString &strDataDir, const QHostAddress &address,
               quint16 iPort);
    quint16 port() const { return m_iPort; }
    QString errorText() const { return m_strError; }

signals:
    // The child ended while the service runs; strReason says how.
    void sig_ended(QString strReason);

private:
    void onFinished(int iExitCode, QProcess::ExitStatus status);

    QProcess m_process;
    quint16 m_iPort = 0;
    QString m_strError;
    bool m_bStopping = false;
};
