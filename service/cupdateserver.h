// CUpdateServer: the update host the client asks once per start for the newest version: a
// small HTTP/1.1 responder on its own port that answers GET of the version document, of
// the download page and of the plain map script that the client's location pages load when
// no map provider is configured, and nothing else. Every answer closes its connection; a request
// that is too long, too slow or malformed is answered 400 or dropped, so the port cannot be used to
// hold the service's memory or descriptors.
#pragma once

#include <QHostAddress>
#include <QObject>
#include <QString>
#include <QTcpServer>

class QTcpSocket;

class CUpdateServer : public QObject
{
public:
    static constexpr const char *VERSION_PATH = "/ZPQTupdate/version.xml";
    static constexpr const char *DOWNLOAD_PATH = "/ZPQTupdate/download.html";
    static constexpr const char *MAP_PATH = "/api";
    static constexpr int MAX_REQUEST_BYTES = 8192;
    static constexpr int REQUEST_TIMEOUT_MS = 5000;
    static constexpr int MAX_CONNECTIONS = 64;

    explicit CUpdateServer(QObject *parent = nullptr);

    // The version announced and the text shown with it.
    void announce(const QString &strVersion, const QString &strDescription);
    bool listen(const QHostAddress &address, quint16 iPort);
    quint16 port() const { return m_server.serverPort(); }
    QString errorString() const { return m_server.errorString(); }

    // The version document as served: the announced version and description, escaped.
    QByteArray versionDocument() const;
    QByteArray downloadPage() const;
    // Draws the place a location page names: a plain grid with the marker and its coordinates,
    // under the names the page's script calls.
    static QByteArray mapScript();

private:
    void onConnection();
    void onReadable(QTcpSocket *pSocket);
    void answer(QTcpSocket *pSocket, int iStatus, const QByteArray &arType,
                const QByteArray &arBody);

    QTcpServer m_server;
    QString m_strVersion;
    QString m_strDescription;
    int m_iOpen = 0;
};
