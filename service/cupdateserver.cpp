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

QByteArray CUpdateServer::mapScript()
{
    return R"(var BMap = (function () {
  function Point(lng, lat) { this.lng = Number(lng); this.lat = Number(lat); }
  function Map(id) {
    var box = document.getElementById(id);
    var canvas = document.createElement("canvas");
    var label = document.createElement("div");
    label.style.cssText = "position:absolute;left:12px;top:12px;font:14px sans-serif;" +
      "background:rgba(255,255,255,.85);padding:6px 10px;border-radius:4px";
    box.appendChild(canvas);
    box.appendChild(label);
    var centre = null;
    function draw() {
      canvas.width = box.clientWidth;
      canvas.height = box.clientHeight;
      var g = canvas.getContext("2d");
      g.fillStyle = "#eef2f5";
      g.fillRect(0, 0, canvas.width, canvas.height);
      g.strokeStyle = "#d5dde3";
      for (var x = 0; x < canvas.width; x += 40) { g.beginPath(); g.moveTo(x, 0); g.lineTo(x, canvas.height); g.stroke(); }
      for (var y = 0; y < canvas.height; y += 40) { g.beginPath(); g.moveTo(0, y); g.lineTo(canvas.width, y); g.stroke(); }
      if (!centre)
        return;
      var cx = canvas.width / 2, cy = canvas.height / 2;
      g.fillStyle = "#e84a3d";
      g.beginPath(); g.arc(cx, cy - 14, 10, Math.PI, 0); g.lineTo(cx, cy); g.closePath(); g.fill();
      label.textContent = document.title + "  " + centre.lat.toFixed(5) + ", " + centre.lng.toFixed(5);
    }
    this.centerAndZoom = function (point) { centre = point; draw(); };
    this.addOverlay = function () {};
    this.addControl = function () {};
    this.enableScrollWheelZoom = function () {};
    window.addEventListener("resize", draw);
  }
  function Control() {}
  return { Map: Map, Point: Point, Marker: Control, NavigationControl: Control,
           ScaleControl: Control, OverviewMapControl: Control, MapTypeControl: Control };
})();
)";
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
    else if (line.at(1).split('?').first() == MAP_PATH)
        answer(pSocket, 200, "text/javascript; charset=utf-8", mapScript());
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
