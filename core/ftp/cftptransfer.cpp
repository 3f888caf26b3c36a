#include "cftptransfer.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QUrl>

#include <curl/curl.h>

#include "cftpprogress.h"

namespace {

constexpr int POLL_MS = 100;
constexpr long BUFFER_BYTES = 512 * 1024;

} // namespace

// What libcurl's callbacks reach on the transfer thread.
struct CFtpTransfer::Curl
{
    CFtpTransfer *pTransfer = nullptr;
    QFile *pSource = nullptr;
    QSaveFile *pDestination = nullptr;
    QCryptographicHash md5{QCryptographicHash::Md5};
    bool bWriteFailed = false;
    QElapsedTimer clock;
    qint64 iLastMoveMs = 0;
    qint64 iMoved = -1;
    CFtpProgress progress;

    static size_t write(char *pData, size_t iSize, size_t iCount, void *pUser)
    {
        auto *p = static_cast<Curl *>(pUser);
        const qint64 iBytes = qint64(iSize * iCount);
        if (p->pDestination->write(pData, iBytes) != iBytes) {
            p->bWriteFailed = true;
            return 0;
        }
        p->md5.addData(QByteArrayView(pData, iBytes));
        return size_t(iBytes);
    }

    static size_t read(char *pData, size_t iSize, size_t iCount, void *pUser)
    {
        auto *p = static_cast<Curl *>(pUser);
        const qint64 iRead = p->pSource->read(pData, qint64(iSize * iCount));
        return iRead < 0 ? CURL_READFUNC_ABORT : size_t(iRead);
    }

    static int progressOf(void *pUser, curl_off_t iDownTotal, curl_off_t iDownNow,
                          curl_off_t iUpTotal, curl_off_t iUpNow)
    {
        auto *p = static_cast<Curl *>(pUser);
        const bool bDownload = p->pTransfer->m_job.bDownload;
        const qint64 iNow = bDownload ? iDownNow : iUpNow;
        const qint64 iTotal = bDownload ? iDownTotal : iUpTotal;
        const qint64 iMs = p->clock.elapsed();
        if (iNow != p->iMoved) {
            p->iMoved = iNow;
            p->iLastMoveMs = iMs;
        }
        if (p->progress.due(iNow, iTotal, iMs))
            emit p->pTransfer->sig_moved(p->pTransfer->m_iRun, iNow, iTotal);
        return 0;
    }
};

CFtpTransfer::CFtpTransfer(const Job &job, quint64 iRun, QObject *parent)
    : QThread(parent), m_job(job), m_iRun(iRun), m_pMulti(curl_multi_init())
{}

CFtpTransfer::~CFtpTransfer()
{
    abort();
    wait();
    curl_multi_cleanup(m_pMulti);
}

void CFtpTransfer::abort()
{
    m_bAbort = true;
    if (m_pMulti)
        curl_multi_wakeup(m_pMulti);
}

void CFtpTransfer::run()
{
    m_result = transfer();
}

CFtpTransfer::Result CFtpTransfer::transfer()
{
    if (!m_pMulti)
        return {false, QStringLiteral("no transfer handle")};
    if (m_bAbort)
        return {false, QStringLiteral("cancelled")};

    Curl state;
    state.pTransfer = this;
    // The local side first: nothing goes over the network for a file that cannot be read or a
    // destination that cannot be written.
    QFile source(m_job.strPath);
    QSaveFile destination(m_job.strPath);
    qint64 iSize = 0;
    if (m_job.strPath.isEmpty() || QFileInfo(m_job.strPath).isDir())
        return {false, QStringLiteral("not a file: %1").arg(m_job.strPath)};
    if (m_job.bDownload) {
        if (!destination.open(QIODevice::WriteOnly))
            return {false, QStringLiteral("cannot write %1: %2")
                               .arg(m_job.strPath, destination.errorString())};
        state.pDestination = &destination;
    } else {
        if (!source.open(QIODevice::ReadOnly))
            return {false,
                    QStringLiteral("cannot read %1: %2").arg(m_job.strPath, source.errorString())};
        iSize = source.size();
        state.pSource = &source;
    }

    QUrl url;
    url.setScheme(QStringLiteral("ftp"));
    url.setHost(m_job.account.strHost);
    url.setPort(m_job.account.iPort);
    url.setPath(QLatin1Char('/') + m_job.strMd5);
    if (!url.isValid() || m_job.account.strHost.isEmpty())
        return {false, QStringLiteral("no valid server address")};
    const QByteArray arUrl = url.toEncoded();
    const QByteArray arUser = m_job.account.strUser.toUtf8();
    const QByteArray arPassword = m_job.account.strPassword.toUtf8();

    CURL *pEasy = curl_easy_init();
    if (!pEasy)
        return {false, QStringLiteral("no transfer handle")};
    char szError[CURL_ERROR_SIZE] = {};
    // Waiting for a reply longer than the watchdog would only hold the thread after it gave up.
    const long iResponseSeconds = qMax(1L, long((m_job.iWatchdogMs + 999) / 1000));
    curl_easy_setopt(pEasy, CURLOPT_ERRORBUFFER, szError);
    curl_easy_setopt(pEasy, CURLOPT_URL, arUrl.constData());
    curl_easy_setopt(pEasy, CURLOPT_PROTOCOLS_STR, "ftp");
    curl_easy_setopt(pEasy, CURLOPT_USERNAME, arUser.constData());
    curl_easy_setopt(pEasy, CURLOPT_PASSWORD, arPassword.constData());
    curl_easy_setopt(pEasy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(pEasy, CURLOPT_FTPPORT, nullptr);
    curl_easy_setopt(pEasy, CURLOPT_TRANSFERTEXT, 0L);
    curl_easy_setopt(pEasy, CURLOPT_FTP_FILEMETHOD, long(CURLFTPMETHOD_NOCWD));
    // One connection per transfer, closed with QUIT when it ends.
    curl_easy_setopt(pEasy, CURLOPT_FRESH_CONNECT, 1L);
    curl_easy_setopt(pEasy, CURLOPT_FORBID_REUSE, 1L);
    curl_easy_setopt(pEasy, CURLOPT_CONNECTTIMEOUT_MS, long(m_job.iWatchdogMs));
    curl_easy_setopt(pEasy, CURLOPT_SERVER_RESPONSE_TIMEOUT, iResponseSeconds);
    curl_easy_setopt(pEasy, CURLOPT_BUFFERSIZE, BUFFER_BYTES);
    curl_easy_setopt(pEasy, CURLOPT_UPLOAD_BUFFERSIZE, BUFFER_BYTES);
    curl_easy_setopt(pEasy, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(pEasy, CURLOPT_XFERINFOFUNCTION, &Curl::progressOf);
    curl_easy_setopt(pEasy, CURLOPT_XFERINFODATA, &state);
    if (m_job.bDownload) {
        curl_easy_setopt(pEasy, CURLOPT_WRITEFUNCTION, &Curl::write);
        curl_easy_setopt(pEasy, CURLOPT_WRITEDATA, &state);
    } else {
        curl_easy_setopt(pEasy, CURLOPT_UPLOAD, 1L);
        curl_easy_setopt(pEasy, CURLOPT_READFUNCTION, &Curl::read);
        curl_easy_setopt(pEasy, CURLOPT_READDATA, &state);
        curl_easy_setopt(pEasy, CURLOPT_INFILESIZE_LARGE, curl_off_t(iSize));
    }

    state.clock.start();
    Result result;
    bool bDone = false;
    CURLcode code = CURLE_OK;
    curl_multi_add_handle(m_pMulti, pEasy);
    for (;;) {
        int iRunning = 0;
        const CURLMcode multiCode = curl_multi_perform(m_pMulti, &iRunning);
        if (multiCode != CURLM_OK) {
            result.strError = QString::fromUtf8(curl_multi_strerror(multiCode));
            break;
        }
        int iQueued = 0;
        while (CURLMsg *pMessage = curl_multi_info_read(m_pMulti, &iQueued)) {
            if (pMessage->msg == CURLMSG_DONE && pMessage->easy_handle == pEasy) {
                bDone = true;
                code = pMessage->data.result;
            }
        }
        if (bDone)
            break;
        if (m_bAbort) {
            result.strError = QStringLiteral("cancelled");
            break;
        }
        const qint64 iSilentMs = state.clock.elapsed() - state.iLastMoveMs;
        if (iSilentMs >= m_job.iWatchdogMs) {
            result.strError = QStringLiteral("no data for %1 ms").arg(iSilentMs);
            break;
        }
        curl_multi_poll(m_pMulti, nullptr, 0,
                        int(qMin<qint64>(POLL_MS, m_job.iWatchdogMs - iSilentMs)), nullptr);
    }
    // Removing an unfinished transfer drops its connection at once, without waiting for the
    // server; a finished one has already said QUIT.
    curl_multi_remove_handle(m_pMulti, pEasy);
    curl_easy_cleanup(pEasy);

    if (!bDone)
        return result;
    if (code != CURLE_OK) {
        const QString strDetail = QString::fromUtf8(szError).trimmed();
        result.strError = QString::fromUtf8(curl_easy_strerror(code));
        if (!strDetail.isEmpty())
            result.strError += QStringLiteral(": ") + strDetail;
        if (state.bWriteFailed)
            result.strError += QStringLiteral(" (%1)").arg(destination.errorString());
        return result;
    }
    if (m_job.bDownload) {
        const QString strGot = QString::fromLatin1(state.md5.result().toHex());
        if (strGot != m_job.strMd5)
            return {false, QStringLiteral("received content has MD5 %1").arg(strGot)};
        if (!destination.commit())
            return {false, QStringLiteral("cannot write %1: %2")
                               .arg(m_job.strPath, destination.errorString())};
    }
    return {true, QString()};
}
