// CFtpTransfer: one upload or download on a thread of its own, so that the GUI thread never
// waits for the network or the disk. It connects, signs in, moves the file in passive binary
// mode and closes the connection (QUIT), all through libcurl. It gives up when no byte moved
// for the watchdog's time (connecting included) or when abort() is called; a download takes
// its destination's name only when the received bytes have the expected MD5.
#pragma once

#include <QString>
#include <QThread>

#include <atomic>

#include "cftp.h"

class CFtpTransfer : public QThread
{
    Q_OBJECT

public:
    struct Job
    {
        CFtpAccount account;
        QString strMd5;
        QString strPath;
        bool bDownload = false;
        int iWatchdogMs = 5000;
    };

    // How the transfer ended, read once the thread has finished.
    struct Result
    {
        bool bOk = false;
        QString strError;
    };

    CFtpTransfer(const Job &job, quint64 iRun, QObject *parent = nullptr);
    // Aborts and waits for the thread.
    ~CFtpTransfer() override;

    // Thread-safe: makes the transfer give up at once; the thread then ends.
    void abort();
    // Valid after finished().
    const Result &result() const { return m_result; }

signals:
    // Bytes moved of the total (the file's size for an upload, the server's for a download).
    void sig_moved(quint64 iRun, qint64 iDone, qint64 iTotal);

protected:
    void run() override;

private:
    struct Curl;

    Result transfer();

    const Job m_job;
    const quint64 m_iRun;
    std::atomic<bool> m_bAbort{false};
    // libcurl's multi handle (CURLM), opaque here; it lets abort() wake the transfer's poll.
    void *m_pMulti;
    Result m_result;
};
