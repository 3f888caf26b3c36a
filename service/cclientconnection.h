// CClientConnection: one client's TCP connection to the main server or the sub-server. It
// splits the unframed request stream into packets, frames what it sends (16-bit little-endian
// length, then the packet) and caps the bytes it keeps waiting for a request to complete.
#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QObject>

#include "cservicecounters.h"

class QTcpSocket;

class CClientConnection : public QObject
{
    Q_OBJECT
public:
    enum Channel
    {
        Main,
        Sub
    };

    // No valid request is larger than this; a stream that waits on more is cut off.
    static constexpr int MAX_PENDING = 256 * 1024;
    static constexpr int MAX_FRAME = 0xFFFF;

    CClientConnection(QTcpSocket *pSocket, Channel channel, CServiceCounters &counters,
                      QObject *parent);

    Channel channel() const { return m_channel; }
    QHostAddress peerAddress() const;
    QHostAddress localAddress() const;
    quint64 sessionId() const { return m_iSessionId; }
    void setSessionId(quint64 iId) { m_iSessionId = iId; }
    // Takes bytes of the request stream as they arrive and hands on each complete request.
    void receive(const QByteArray &arBytes);
    // False when the packet does not fit a frame; nothing is sent then.
    bool send(const QByteArray &arPacket);
    void close();

signals:
    void packetReceived(CClientConnection *pConnection, const QByteArray &arPacket);
    void closed(CClientConnection *pConnection);

private:
    void onReadyRead();
    void onDisconnected();

    QTcpSocket *m_pSocket;
    Channel m_channel;
    CServiceCounters &m_counters;
    QByteArray m_arPending;
    quint64 m_iSessionId = 0;
    bool m_bClosed = false;
};
