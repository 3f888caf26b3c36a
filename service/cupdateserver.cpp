#include "cupdateserver.h"

#include <QTcpSocket>
#include <QTimer>
#include <QXmlStreamWriter>

CUpdateServer::CUpdateServer(QObject *parent) : QObject(parent)
{
    connect(&m_server, &QTcpServer::newConnection, this, &CUpdateServer::onConnection);
}

void CUpdateServer::announce(const QString &strVersion, const QString &strDescription)
{
    m_strVersion = strVersion;
    m_strDescription = strDescription;
}

bool CUpdateServer::listen(const QHostAddress &address, quint16 iPort)
{
    return m_server.listen(address, iPort);
}

QByteArray CUpdateServer::versionDocument() const
{
    QByteArray arDocument;
    QXmlStreamWriter writer(&arDocument);
    writer.writeStartDocument();
    writer.writeStartElement(QStringLiteral("RootNode"));
    writer.writeTextElement(QStringLiteral("MainVersion"), m_strVersion);
    writer.writeTextElement(QStringLiteral("description"), m_strDescription);
    writer.writeEndElement();
    writer.writeEndDocument();
    return arDocument;
}

QByteArray CUpdateServer::downloadPage() const
{
    return QStringLiteral("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Zephon "
                          "%1</title></head><body><h1>Zephon %1</h1><p>%2</p></body></html>\n")
        .arg(m_strVersion.toHtmlEscaped(), m_strDescription.toHtmlEscaped())
        .toUtf8();
}

void CUpdateServer::onConnection()
{
    while (QTcpSocket *pSocket = m_server.nextPendingConnection()) {
        if (m_iOpen >= MAX_CONNECTIONS) {
            pSocket->abort();
            pSocket->deleteLater();
            continue;
        }
        ++m_iOpen;
        connect(pSocket, &QTcpSocket::readyRead, this, [this, pSocket] { onReadable(pSocket); });
        connect(pSocket, &QTcpSocket::disconnected, pSocket, &QObject::deleteLater);
        connect(pSocket, &QObject::destroyed, this, [this] { --m_iOpen; });
        // A client that never finishes its request is cut off.
        QTimer::singleShot(REQUEST_TIMEOUT_MS, pSocket, [pSocket] { pSocket->abort(); });
    }
}

void CUpdateServer::onReadable(QTcpSocket *pSocket)
{
    if (pSocket->property("answered").toBool()) {
        pSocket->readAll();
        return;
    }
    QByteArray arRequest = pSocket->property("request").toByteArray() + pSocket->readAll();
    const int iEnd = int(arRequest.indexOf("\r\n\r\n"));
    if (iEnd < 0) {
        if (arRequest.size() > MAX_REQUEST_BYTES)
            answer(pSocket, 400, "text/plain", "request too long\n");
        else
            pSocket->setProperty("request", arRequest);
        return;
    }
    const QList<QByteArray> line = arRequest.left(arRequest.indexOf("\r\n")).split(' ');
    if (line.size() != 3 || !line.at(2).startsWith("HTTP/1.")) {
        answer(pSocket, 400, "text/plain", "bad request\n");
        return;
    }
    if (line.at(0) != "GET") {
        answer(pSocket, 405, "text/plain", "only GET\n");
        return;
    }
    if (line.at(1) == VERSION_PATH)
        answer(pSocket, 200, "application/xml; charset=utf-8", versionDocument());
    else if (line.at(1) == DOWNLOAD_PATH)
        answer(pSocket, 200, "text/html; charset=utf-8", downloadPage());
    else
        answer(pSocket, 404, "text/plain", "not found\n");
}

void CUpdateServer::answer(QTcpSocket *pSocket, int iStatus, const QByteArray &arType,
                           const QByteArray &arBody)
{
    static const QHash<int, QByteArray> reasons{
        {200, "OK"}, {400, "Bad Request"}, {404, "Not Found"}, {405, "Method Not Allowed"}};
    pSocket->setProperty("answered", true);
    pSocket->write("HTTP/1.1 " + QByteArray::number(iStatus) + ' ' + reasons.value(iStatus) +
                   "\r\nContent-Type: " + arType + "\r\nContent-Length: " +
                   QByteArray::number(arBody.size()) + "\r\nConnection: close\r\n\r\n" + arBody);
    pSocket->disconnectFromHost();
}
