#include "cclientconnection.h"

#include <QTcpSocket>

#include "crequestlayout.h"
#include "packint.h"

CClientConnection::CClientConnection(QTcpSocket *pSocket, Channel channel,
                                     CServiceCounters &counters, QObject *parent)
    : QObject(parent), m_pSocket(pSocket), m_channel(channel), m_counters(counters)
{
    m_pSocket->setParent(this);
    connect(m_pSocket, &QTcpSocket::readyRead, this, &CClientConnection::onReadyRead);
    connect(m_pSocket, &QTcpSocket::disconnected, this, &CClientConnection::onDisconnected);
}

QHostAddress CClientConnection::peerAddress() const
{
    return m_pSocket->peerAddress();
}

QHostAddress CClientConnection::localAddress() const
{
    return m_pSocket->localAddress();
}

bool CClientConnection::send(const QByteArray &arPacket)
{
    if (arPacket.size() > MAX_FRAME || m_bClosed)
        return false;
    QByteArray arFrame = packUInt32(quint32(arPacket.size())).left(2);
    arFrame.append(arPacket);
    return m_pSocket->write(arFrame) == arFrame.size();
}

void CClientConnection::close()
{
    if (m_bClosed)
        return;
    m_pSocket->disconnectFromHost();
    // An unconnected socket emits no disconnected(); the connection still has to go.
    if (m_pSocket->state() == QAbstractSocket::UnconnectedState)
        onDisconnected();
}

void CClientConnection::onReadyRead()
{
    receive(m_pSocket->readAll());
}

void CClientConnection::receive(const QByteArray &arBytes)
{
    m_arPending.append(arBytes);
    while (!m_arPending.isEmpty() && !m_bClosed) {
        int iLength = 0;
        switch (CRequestLayout::measure(m_arPending, iLength)) {
        case CRequestLayout::Complete: {
            const QByteArray arPacket = m_arPending.left(iLength);
            m_arPending.remove(0, iLength);
            emit packetReceived(this, arPacket);
            break;
        }
        case CRequestLayout::Unknown:
            // Without a known layout the rest of the stream cannot be split again.
            m_counters.drop(CServiceCounters::DropUnknown);
            m_arPending.clear();
            return;
        case CRequestLayout::Incomplete:
            if (m_arPending.size() > MAX_PENDING) {
                m_counters.drop(CServiceCounters::DropOversized);
                m_arPending.clear();
                close();
            }
            return;
        }
    }
}

void CClientConnection::onDisconnected()
{
    if (m_bClosed)
        return;
    m_bClosed = true;
    m_arPending.append(m_pSocket->readAll());
    if (!m_arPending.isEmpty())
        m_counters.drop(CServiceCounters::DropTruncated);
    m_arPending.clear();
    emit closed(this);
}
