// Updater: asks the update host once per start for the newest client version and, when it is
// newer than this one, asks the user whether to update; on agreement it opens the download
// page and asks the application to quit through its normal path. The answer is read once it is
// complete (HTTP 200, at most MAX_BODY_BYTES, within the timeout); anything else is no answer,
// and no answer never prompts.
#pragma once

#include <QObject>
#include <QString>
#include <QUrl>

#include <functional>

class QNetworkAccessManager;
class QNetworkReply;
class QTimer;

class Updater : public QObject
{
    Q_OBJECT
public:
    static constexpr const char *VERSION_PATH = "/ZPQTupdate/version.xml";
    static constexpr const char *DOWNLOAD_PATH = "/ZPQTupdate/download.html";
    static constexpr qint64 MAX_BODY_BYTES = 64 * 1024;
    static constexpr int DEFAULT_TIMEOUT_MS = 15000;

    // Asks the user with the prompt's text; true to update. The default shows a message box.
    using Prompt = std::function<bool(const QString &strText)>;

    // The local service's web host, the default update host; it also serves the plain map.
    static QString localServiceHost();

    // strBaseUrl: the update host ("http://host:port"), strDownloadUrl: the download page;
    // empty takes ZEPHON_UPDATE_URL and ZEPHON_DOWNLOAD_URL, then the local service's.
    explicit Updater(const QString &strClientVersion, QObject *parent = nullptr,
                     const QString &strBaseUrl = QString(),
                     const QString &strDownloadUrl = QString());
    ~Updater() override;

    // Starts the one check of this run; later calls do nothing.
    void check();
    void setPrompt(Prompt prompt) { m_prompt = std::move(prompt); }
    void setTimeout(int iMs) { m_iTimeoutMs = iMs; }

    QUrl versionUrl() const { return m_versionUrl; }
    QUrl downloadUrl() const { return m_downloadUrl; }
    // The newest version and its description from the last complete answer.
    QString serverVersion() const { return m_strServerVersion; }
    QString description() const { return m_strDescription; }

    // Compares dotted versions part by part as numbers: <0, 0 or >0 as a is older, the same
    // or newer than b. A version that is not dotted digits sorts below every valid one.
    static int compareVersions(const QString &strA, const QString &strB);

Q_SIGNALS:
    // The check ended; bNewer when a newer version was announced.
    void sig_checked(bool bNewer);
    // The user chose to update: the download page is open, the application should quit.
    void sig_quitRequested();

private Q_SLOTS:
    void slot_onGetVersionInfo();

private:
    // Reads MainVersion and description from the document; false when it is not one.
    bool parse(const QByteArray &arBody);

    QString m_strClientVersion;
    QUrl m_versionUrl;
    QUrl m_downloadUrl;
    QNetworkAccessManager *m_pManager;
    QNetworkReply *m_pReply = nullptr;
    QTimer *m_pTimeout;
    Prompt m_prompt;
    int m_iTimeoutMs = DEFAULT_TIMEOUT_MS;
    bool m_bStarted = false;
    QString m_strServerVersion;
    QString m_strDescription;
};
