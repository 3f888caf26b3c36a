#include "cudpsocket.h"

#include <QTextStream>

#include "clistener.h"

CUdpSocket::CUdpSocket(CListener *pListener) : m_pListener(pListener)
{
    connect(&m_socket, &QUdpSocket::readyRead, this, &CUdpSocket::slot_onReceive);
    connect(&m_socket, &QUdpSocket::errorOccurred, this, &CUdpSocket::slot_onError);
}

CUdpSocket::~CUdpSocket()
{
    disconnect(&m_socket, nullptr, this, nullptr);
}

void CUdpSocket::connectToHost(const QString &strHost, quint16 iPort)
{
    if (!m_socket.bind(0)) {
        m_trace.traceError("UDP bind failed: " + m_socket.errorString());
        return;
    }
    m_strHost = strHost;
    m_iPort = iPort;
    if (m_pListener)
        m_pListener->onConnect();
}

bool CUdpSocket::isConnected()
{
    return m_socket.state() == QAbstractSocket::ConnectedState;
}

bool CUdpSocket::flush()
{
    return m_socket.flush();
}

void CUdpSocket::write(const char *pData, int iLength, QString &strHost, quint16 iPort)
{
    const QByteArray ar(pData, iLength);
    if (!strHost.isEmpty())
        m_socket.writeDatagram(ar, QHostAddress(strHost), iPort);
    else
        m_socket.writeDatagram(ar, QHostAddress(m_strHost), m_iPort);
}

void CUdpSocket::write(const QString &strText)
{
    m_socket.writeDatagram(strText.toUtf8(), QHostAddress(m_strHost), m_iPort);
}

bool CUdpSocket::read(QByteArray &arPacket)
{
    arPacket = m_arBuffer;
    m_arBuffer.clear();
    return true;
}

QString CUdpSocket::readAllText()
{
    QTextStream stream(&m_arBuffer);
    return stream.readAll();
}

QHostAddress CUdpSocket::localAddress()
{
    return m_socket.localAddress();
}

quint16 CUdpSocket::localPort()
{
    return m_socket.localPort();
}

QString CUdpSocket::peerName()
{
    return m_socket.peerName();
}

void CUdpSocket::close()
{
    m_socket.close();
}

void CUdpSocket::slot_onConnected()
{
    if (m_pListener)
        m_pListener->onConnect();
}

void CUdpSocket::slot_onDisconnected() {}

void CUdpSocket::slot_onReceive()
{
    while (m_socket.hasPendingDatagrams()) {
        QByteArray arDatagram(qMax<qint64>(m_socket.pendingDatagramSize(), 0), '\0');
        QHostAddress sender;
        quint16 iSenderPort = 0;
        const qint64 iRead =
            m_socket.readDatagram(arDatagram.data(), arDatagram.size(), &sender, &iSenderPort);
        if (iRead < 0)
            break;
        arDatagram.truncate(int(iRead));
        if (m_pListener)
            m_pListener->onReceive(arDatagram, sender.toString(), iSenderPort);
    }
}

void CUdpSocket::slot_onError(QAbstractSocket::SocketError error)
{
    m_trace.traceText("socket error", m_socket.errorString());
    if (m_pListener)
        m_pListener->onError(int(error));
}
