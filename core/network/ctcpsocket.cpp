#include "ctcpsocket.h"

#include "clistener.h"

CTcpSocket::CTcpSocket(CListener *pListener) : m_pListener(pListener)
{
    connect(&m_socket, &QTcpSocket::connected, this, &CTcpSocket::slot_onConnected);
    connect(&m_socket, &QTcpSocket::disconnected, this, &CTcpSocket::slot_onDisconnected);
    connect(&m_socket, &QTcpSocket::readyRead, this, &CTcpSocket::slot_onReceive);
    connect(&m_socket, &QTcpSocket::errorOccurred, this, &CTcpSocket::slot_onError);
}

CTcpSocket::~CTcpSocket()
{
    // The member socket may still signal while it is torn down; the listener must not hear it.
    disconnect(&m_socket, nullptr, this, nullptr);
}

void CTcpSocket::connectToHost(const QString &strHost, quint16 iPort)
{
    // Every connection starts with a new frame, so a partial frame left by the previous one
    // can only be garbage; dropping it also keeps the buffer bounded across reconnects.
    m_buffer.clear();
    m_socket.connectToHost(strHost, iPort, QIODevice::ReadWrite);
}

bool CTcpSocket::isConnected()
{
    return m_socket.state() == QAbstractSocket::ConnectedState;
}

bool CTcpSocket::flush()
{
    return m_socket.flush();
}

void CTcpSocket::write(const char *pData, int iLength, QString &strHost, quint16 iPort)
{
    Q_UNUSED(iPort);
    int iOffset = 0;
    while (iOffset < iLength) {
        const qint64 iWritten = m_socket.write(pData + iOffset, iLength - iOffset);
        if (iWritten < 0) {
            m_trace.traceError("TCP write failed: " + m_socket.errorString());
            if (m_pListener)
                m_pListener->onDisconnected();
            return;
        }
        iOffset += int(iWritten);
    }
    strHost.clear();
}

void CTcpSocket::write(const QString &strText)
{
    const QByteArray ar = strText.toUtf8();
    QString strHost;
    write(ar.constData(), int(ar.size()), strHost, 0);
}

bool CTcpSocket::read(QByteArray &arPacket)
{
    m_buffer.append(m_socket.readAll());
    return m_buffer.takePacket(arPacket);
}

QString CTcpSocket::readAllText()
{
    return QString::fromUtf8(m_socket.readAll());
}

QHostAddress CTcpSocket::localAddress()
{
    return m_socket.localAddress();
}

quint16 CTcpSocket::localPort()
{
    return m_socket.localPort();
}

QString CTcpSocket::peerName()
{
    return m_socket.peerName();
}

void CTcpSocket::close()
{
    // A socket still looking up or connecting only defers a close, and the next connectToHost
    // would then be refused; a re-login may well start while the previous attempt connects.
    if (m_socket.state() == QAbstractSocket::HostLookupState ||
        m_socket.state() == QAbstractSocket::ConnectingState)
        m_socket.abort();
    else
        m_socket.close();
}

void CTcpSocket::slot_onConnected()
{
    if (m_pListener)
        m_pListener->onConnect();
}

void CTcpSocket::slot_onDisconnected()
{
    if (m_pListener)
        m_pListener->onDisconnected();
}

void CTcpSocket::slot_onReceive()
{
    if (!m_pListener)
        return;
    m_buffer.append(m_socket.readAll());
    QByteArray arPacket;
    while (m_buffer.takePacket(arPacket))
        m_pListener->onReceive(arPacket, QString(), 0);
}

void CTcpSocket::slot_onError(QAbstractSocket::SocketError error)
{
    m_trace.traceText("socket error", m_socket.errorString());
    if (m_pListener)
        m_pListener->onError(int(error));
}
