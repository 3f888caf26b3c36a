// CFtp: moves the files attached to messages between the disk and the service's file store,
// one transfer at a time, in the order asked. Remote files are named by the lower-case MD5 of
// their content. A transfer that moves no byte for the watchdog's time is abandoned and the
// next one starts. A download is written beside its destination under a temporary name and
// takes the destination's name only when its content has the announced MD5.
#pragma once

#include <QObject>
#include <QString>

#include <functional>

// Where and as whom to connect; asked for at the start of every transfer.
struct CFtpAccount
{
    QString strHost;
    quint16 iPort = 21;
    QString strUser;
    QString strPassword;
};

class CFtp : public QObject
{
    Q_OBJECT

public:
    using AccountSource = std::function<CFtpAccount()>;

    explicit CFtp(QObject *parent = nullptr);
    // Stops a running transfer and waits for it; no signal follows.
    ~CFtp() override;

    void setAccountSource(AccountSource source);
    // Milliseconds without a byte moved before a transfer is abandoned (5000 by default).
    void setWatchdogMs(int iMs);
    // True when nothing runs and nothing waits.
    bool isIdle() const;

    // True for 32 lower-case hexadecimal digits, the only form a remote name takes.
    static bool isRemoteName(const QString &strMd5);

public slots:
    // Queues a transfer. A running transfer is never dropped for it.
    void slot_onAppend(QString strMd5, QString strPath, QString strZpid, bool download, int iMsgId,
                       int iType);
    // Ends the current transfer, if any, and starts the next queued one.
    void startNextDownload();
    // Drops the transfer of this message, queued or running; nothing is reported for it after.
    void slot_onCancel(QString strZpid, bool download, int iMsgId);

signals:
    // strProgress: the percentage done with one decimal, e.g. "42.5".
    void sig_progress(QString strProgress, bool download, int iMsgId, int iType);
    // filename: "file:///" followed by the local path.
    void sig_success(QString filename, QString strZpid, bool download, int iMsgId, int iType);
    // The transfer did not complete (no connection, refused login, missing or unreadable
    // file, stalled, or downloaded content whose MD5 differs); nothing is left at the
    // destination of a failed download.
    void sig_failed(QString strZpid, bool download, int iMsgId, int iType);

private:
    struct Private;
    Private *d;
};
