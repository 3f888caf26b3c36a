#include "cftp.h"

#include <QList>
#include <QPointer>
#include <QRegularExpression>
#include <QTimer>

#include <curl/curl.h>

#include <memory>
#include <mutex>

#include "cftpprogress.h"
#include "cftptransfer.h"
#include "ctrace.h"

namespace {

struct FtpTask
{
    QString strMd5;
    QString strPath;
    QString strZpid;
    bool download = false;
    int iMsgId = 0;
    int iType = 0;

    bool is(const QString &strOtherZpid, bool bDownload, int iOtherMsgId) const
    {
        return strZpid == strOtherZpid && download == bDownload && iMsgId == iOtherMsgId;
    }
};

} // namespace

struct CFtp::Private
{
    explicit Private(CFtp *pOwner) : q(pOwner) {}

    void scheduleStart();
    void startNext();
    void onMoved(quint64 iRun, qint64 iDone, qint64 iTotal);
    void onFinished(quint64 iRun);

    CFtp *q;
    CTrace trace{"CFtp"};
    AccountSource source;
    int iWatchdogMs = 5000;
    QList<FtpTask> queue;
    // The running transfer and its task. A cancelled one still runs until its thread has
    // ended; nothing is reported for it.
    std::unique_ptr<CFtpTransfer> transfer;
    FtpTask current;
    bool bCurrentCancelled = false;
    bool bCurrentAbandoned = false;
    quint64 iRun = 0;
    bool bStartScheduled = false;
};

void CFtp::Private::scheduleStart()
{
    if (bStartScheduled)
        return;
    bStartScheduled = true;
    QTimer::singleShot(0, q, [this] {
        bStartScheduled = false;
        startNext();
    });
}

void CFtp::Private::startNext()
{
    trace.trace(QStringLiteral("startNextDownload"));
    if (transfer || queue.isEmpty())
        return;
    current = queue.takeFirst();
    bCurrentCancelled = false;
    bCurrentAbandoned = false;
    const char *pVerb = current.download ? "Get" : "Put";
    if (!isRemoteName(current.strMd5)) {
        trace.traceError(QStringLiteral("%1 Error: not a remote name: %2")
                             .arg(QLatin1String(pVerb), current.strMd5.left(64)));
        // The next task waits for the next turn, so that failures come one per turn and in
        // order even when a receiver appends from its slot.
        const FtpTask failed = current;
        scheduleStart();
        emit q->sig_failed(failed.strZpid, failed.download, failed.iMsgId, failed.iType);
        return;
    }
    CFtpTransfer::Job job;
    if (source)
        job.account = source();
    job.strMd5 = current.strMd5;
    job.strPath = current.strPath;
    job.bDownload = current.download;
    job.iWatchdogMs = iWatchdogMs;
    ++iRun;
    trace.trace(QStringLiteral("%1 start %2 %3 %4:%5 as %6")
                    .arg(QLatin1String(pVerb), current.strMd5, current.strPath, job.account.strHost)
                    .arg(job.account.iPort)
                    .arg(job.account.strUser));
    transfer = std::make_unique<CFtpTransfer>(job, iRun);
    QObject::connect(
        transfer.get(), &CFtpTransfer::sig_moved, q,
        [this](quint64 iOfRun, qint64 iDone, qint64 iTotal) { onMoved(iOfRun, iDone, iTotal); });
    QObject::connect(transfer.get(), &QThread::finished, q,
                     [this, iOfRun = iRun] { onFinished(iOfRun); });
    transfer->start();
}

void CFtp::Private::onMoved(quint64 iOfRun, qint64 iDone, qint64 iTotal)
{
    if (!transfer || iOfRun != iRun || bCurrentCancelled || bCurrentAbandoned)
        return;
    const QString strProgress = CFtpProgress::text(iDone, iTotal);
    if (strProgress.isEmpty())
        return;
    trace.traceText(QStringLiteral("slot_onProgress"), strProgress);
    emit q->sig_progress(strProgress, current.download, current.iMsgId, current.iType);
}

void CFtp::Private::onFinished(quint64 iOfRun)
{
    if (!transfer || iOfRun != iRun)
        return;
    // The thread has ended or is about to: wait() returns at once.
    transfer->wait();
    const CFtpTransfer::Result result = transfer->result();
    transfer.reset();
    const FtpTask task = current;
    const char *pVerb = task.download ? "Get" : "Put";
    if (bCurrentCancelled) {
        trace.trace(QStringLiteral("%1 cancelled %2").arg(QLatin1String(pVerb), task.strMd5));
        startNext();
        return;
    }
    QPointer<CFtp> self(q);
    if (result.bOk && !bCurrentAbandoned) {
        trace.trace(QStringLiteral("%1 Finished %2").arg(QLatin1String(pVerb), task.strMd5));
        emit q->sig_success(QStringLiteral("file:///") + task.strPath, task.strZpid, task.download,
                            task.iMsgId, task.iType);
    } else {
        trace.traceError(
            QStringLiteral("%1 Error: %2 %3")
                .arg(QLatin1String(pVerb), task.strMd5,
                     bCurrentAbandoned ? QStringLiteral("abandoned") : result.strError));
        emit q->sig_failed(task.strZpid, task.download, task.iMsgId, task.iType);
    }
    if (self)
        startNext();
}

CFtp::CFtp(QObject *parent) : QObject(parent), d(new Private(this))
{
    // libcurl's global set-up is not safe to run on two threads at once.
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    d->trace.trace(QStringLiteral("Constructive"));
}

CFtp::~CFtp()
{
    if (d->transfer) {
        d->transfer->disconnect(this);
        d->transfer.reset();
    }
    delete d;
}

void CFtp::setAccountSource(AccountSource source)
{
    d->source = std::move(source);
}

void CFtp::setWatchdogMs(int iMs)
{
    d->iWatchdogMs = qMax(1, iMs);
}

bool CFtp::isIdle() const
{
    return !d->transfer && d->queue.isEmpty();
}

bool CFtp::isRemoteName(const QString &strMd5)
{
    static const QRegularExpression name(QStringLiteral("\\A[0-9a-f]{32}\\z"));
    return name.match(strMd5).hasMatch();
}

void CFtp::slot_onAppend(QString strMd5, QString strPath, QString strZpid, bool download,
                         int iMsgId, int iType)
{
    d->queue.append(FtpTask{strMd5, strPath, strZpid, download, iMsgId, iType});
    if (!d->transfer)
        d->scheduleStart();
}

void CFtp::startNextDownload()
{
    if (d->transfer) {
        // Reported as failed once its thread has ended; the next task starts then.
        d->bCurrentAbandoned = true;
        d->transfer->abort();
        return;
    }
    d->startNext();
}

void CFtp::slot_onCancel(QString strZpid, bool download, int iMsgId)
{
    d->queue.removeIf([&](const FtpTask &task) { return task.is(strZpid, download, iMsgId); });
    if (d->transfer && d->current.is(strZpid, download, iMsgId)) {
        d->bCurrentCancelled = true;
        d->transfer->abort();
    }
}
