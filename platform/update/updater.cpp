#include "updater.h"

#include <QDesktopServices>
#include <QMessageBox>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTimer>
#include <QXmlStreamReader>

#include <algorithm>

namespace {

constexpr char kDefaultBase[] = "http://127.0.0.1:4668";

QString fromEnvironment(const char *pName)
{
    return QString::fromLocal8Bit(qgetenv(pName)).trimmed();
}

bool showPrompt(const QString &strText)
{
    QMessageBox box(QMessageBox::Information, QString(), strText,
                    QMessageBox::Yes | QMessageBox::No);
    // The description comes from the network: it is shown as it reads, never as markup.
    box.setTextFormat(Qt::PlainText);
    return box.exec() == QMessageBox::Yes;
}

} // namespace

QString Updater::localServiceHost()
{
    return QString::fromLatin1(kDefaultBase);
}

Updater::Updater(const QString &strClientVersion, QObject *parent, const QString &strBaseUrl,
                 const QString &strDownloadUrl)
    : QObject(parent), m_strClientVersion(strClientVersion),
      m_pManager(new QNetworkAccessManager(this)), m_pTimeout(new QTimer(this)),
      m_prompt(showPrompt)
{
    QString strBase = strBaseUrl.isEmpty() ? fromEnvironment("ZEPHON_UPDATE_URL") : strBaseUrl;
    if (strBase.isEmpty())
        strBase = localServiceHost();
    while (strBase.endsWith(QLatin1Char('/')))
        strBase.chop(1);
    m_versionUrl = QUrl(strBase + QLatin1String(VERSION_PATH));
    QString strDownload =
        strDownloadUrl.isEmpty() ? fromEnvironment("ZEPHON_DOWNLOAD_URL") : strDownloadUrl;
    m_downloadUrl =
        QUrl(strDownload.isEmpty() ? strBase + QLatin1String(DOWNLOAD_PATH) : strDownload);
    m_pTimeout->setSingleShot(true);
    connect(m_pTimeout, &QTimer::timeout, this, [this] {
        if (m_pReply)
            m_pReply->abort();
    });
}

Updater::~Updater()
{
    if (m_pReply) {
        disconnect(m_pReply, nullptr, this, nullptr);
        m_pReply->abort();
    }
}

void Updater::check()
{
    if (m_bStarted)
        return;
    m_bStarted = true;
    if (!m_versionUrl.isValid() || m_versionUrl.scheme() != QLatin1String("http")) {
        QTimer::singleShot(0, this, [this] { emit sig_checked(false); });
        return;
    }
    QNetworkRequest request(m_versionUrl);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    m_pReply = m_pManager->get(request);
    // A body past the cap is not a version document: stop reading it.
    connect(m_pReply, &QNetworkReply::downloadProgress, this, [this](qint64 iReceived, qint64) {
        if (iReceived > MAX_BODY_BYTES && m_pReply)
            m_pReply->abort();
    });
    connect(m_pReply, &QNetworkReply::finished, this, &Updater::slot_onGetVersionInfo);
    m_pTimeout->start(m_iTimeoutMs);
}

void Updater::slot_onGetVersionInfo()
{
    m_pTimeout->stop();
    QNetworkReply *pReply = m_pReply;
    m_pReply = nullptr;
    if (!pReply)
        return;
    pReply->deleteLater();
    const bool bComplete =
        pReply->error() == QNetworkReply::NoError &&
        pReply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() == 200;
    const QByteArray arBody = bComplete ? pReply->read(MAX_BODY_BYTES + 1) : QByteArray();
    const bool bNewer = bComplete && arBody.size() <= MAX_BODY_BYTES && parse(arBody) &&
                        compareVersions(m_strServerVersion, m_strClientVersion) > 0;
    emit sig_checked(bNewer);
    if (!bNewer)
        return;
    const QString strText =
        tr("发现新版本，是否更新？") + QStringLiteral("\r\n") + m_strDescription;
    if (m_prompt && m_prompt(strText)) {
        QDesktopServices::openUrl(m_downloadUrl);
        emit sig_quitRequested();
    }
}

bool Updater::parse(const QByteArray &arBody)
{
    // The reader decodes the whole body at once, so a chunk boundary inside a character does
    // not matter.
    QXmlStreamReader reader(arBody);
    if (!reader.readNextStartElement() || reader.name() != QLatin1String("RootNode"))
        return false;
    if (!reader.readNextStartElement() || reader.name() != QLatin1String("MainVersion"))
        return false;
    const QString strVersion = reader.readElementText().trimmed();
    QString strDescription;
    if (reader.readNextStartElement() && reader.name() == QLatin1String("description"))
        strDescription = reader.readElementText();
    if (reader.hasError() && reader.error() != QXmlStreamReader::PrematureEndOfDocumentError)
        return false;
    m_strServerVersion = strVersion;
    m_strDescription = strDescription;
    return true;
}

int Updater::compareVersions(const QString &strA, const QString &strB)
{
    // Each part as a number; empty when the text is not dotted digits.
    const auto parts = [](const QString &strVersion) {
        QList<qulonglong> numbers;
        const QStringList texts = strVersion.split(QLatin1Char('.'));
        for (const QString &strPart : texts) {
            bool bOk = false;
            const qulonglong i = strPart.toULongLong(&bOk);
            if (!bOk || strPart.isEmpty() || strPart.size() > 9 ||
                !std::all_of(strPart.begin(), strPart.end(), [](QChar c) {
                    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
                }))
                return QList<qulonglong>();
            numbers.append(i);
        }
        return numbers;
    };
    const QList<qulonglong> a = parts(strA);
    const QList<qulonglong> b = parts(strB);
    if (a.isEmpty() || b.isEmpty())
        return a.isEmpty() == b.isEmpty() ? 0 : (a.isEmpty() ? -1 : 1);
    for (qsizetype i = 0; i < qMax(a.size(), b.size()); ++i) {
        const qulonglong x = a.value(i, 0);
        const qulonglong y = b.value(i, 0);
        if (x != y)
            return x < y ? -1 : 1;
    }
    return 0;
}
