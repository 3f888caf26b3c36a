// CClientConnection: one client's TCP connection to the main server or the sub-server. It
// splits the unframed request stream into packets, frames what it sends (16-bit little-endian
// length, then the packet) and caps the bytes it keeps waiting for a request to complete.
// Answers the client does not read pile up only to a cap: there the connection stops reading
// requests until half of them have gone out, and one whose queue still grows far beyond the
// cap (other users' messages keep coming for it) is closed.
// It works on the accepted descriptor directly: a thousand idle sessions then cost no socket
// objects, notifiers or read and write buffers, only what each one has waiting.
#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QObject>

#include "cservicecounters.h"
#include "csocketpoller.h"

class CClientConnection : public QObject, private CSocketPoller::Client
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
    static constexpr int DEFAULT_MAX_QUEUED = 256 * 1024;
    // A queue this many times the cap closes the connection; one request's answers (a whole
    // cloud address book) stay well below it.
    static constexpr int OVERFLOW_FACTOR = 8;
    // The kernel's part of the queue, fixed: left to tune itself it takes megabytes for a
    // client that reads nothing, beyond any cap of the service's own.
    static constexpr int SEND_BUFFER_BYTES = 64 * 1024;

    // Takes over iDescriptor, a connected TCP socket; a negative one makes a connection with
    // no socket, whose stream comes only through receive().
    CClientConnection(qintptr iDescriptor, Channel channel, CServiceCounters &counters,
                      CSocketPoller &poller, QObject *parent);
    ~CClientConnection() override;

    Channel channel() const { return m_channel; }
    QHostAddress peerAddress() const { return m_peer; }
    QHostAddress localAddress() const { return m_local; }
    quint64 sessionId() const { return m_iSessionId; }
    void setSessionId(quint64 iId) { m_iSessionId = iId; }
    void setMaxQueued(int iBytes) { m_iMaxQueued = iBytes; }
    int queuedBytes() const { return int(m_arOutgoing.size()); }
    // Takes bytes of the request stream as they arrive and hands on each complete request.
    void receive(const QByteArray &arBytes);
    // False when the packet does not fit a frame or the connection is gone; nothing is sent
    // then. What the socket does not take at once is sent as it drains.
    bool send(const QByteArray &arPacket);
    // Closes once everything sent has gone out.
    void close();
    // Closes now, dropping what was not sent.
    void abort();
    // Bytes of an unfinished request waiting for the rest, and for how long the request has
    // been coming (-1 when none is unfinished).
    int pendingBytes() const { return int(m_arPending.size()); }
    qint64 incompleteForMs() const { return m_incomplete.isValid() ? m_incomplete.elapsed() : -1; }

signals:
    void packetReceived(CClientConnection *pConnection, const QByteArray &arPacket);
    void closed(CClientConnection *pConnection);

private:
    void onReadable() override;
    void onWritable() override;
    // Writes what waits; false when the socket failed.
    bool flush();
    void finish();
    // Splits off and hands on the complete requests waiting, while reading is not paused.
    void processPending();
    // Stops reading at the queue's cap; tells the poller what the connection waits for.
    void pauseIfFull();
    void updateInterest();

    int m_iDescriptor;
    Channel m_channel;
    CServiceCounters &m_counters;
    CSocketPoller &m_poller;
    QHostAddress m_peer;
    QHostAddress m_local;
    QByteArray m_arPending;
    QByteArray m_arOutgoing;
    QElapsedTimer m_incomplete;
    quint64 m_iSessionId = 0;
    int m_iMaxQueued = DEFAULT_MAX_QUEUED;
    bool m_bReadPaused = false;
    bool m_bClosing = false;
    bool m_bClosed = false;
};
