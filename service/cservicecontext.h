// CServiceContext: what a command family may use of the service, and nothing more: answering
// and sending, the store, the sessions and their ends, the counters, the sign-in throttle, the
// password hash pool, the clock and the hook that hands a session what was held for it. CService
// implements it; the families depend on this interface alone, so none of them includes the service
// itself.
#pragma once

#include <QHostAddress>
#include <QObject>

#include "csessiontable.h"

class CClientConnection;
class CHashQueue;
class CLoginThrottle;
class CRequest;
class CServiceCounters;
class CServiceStore;
struct CServiceConfig;

class CServiceContext : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    virtual const CServiceConfig &config() const = 0;
    // The sub-server's port, which the main server names in its answer to 102.
    virtual quint16 subPort() const = 0;
    virtual CServiceStore &store() = 0;
    virtual CSessionTable &sessions() = 0;
    virtual CServiceCounters &counters() = 0;
    virtual CLoginThrottle &throttle() = 0;
    // The pool that checks and makes password hashes, shared by every family that has one.
    virtual CHashQueue &hashes() = 0;
    // Monotonic milliseconds since the service started.
    virtual qint64 nowMs() const = 0;

    // Whether the request's session may look up iCost more of other accounts now; a refusal
    // is counted.
    virtual bool allowLookup(const CRequest &request, int iCost = 1) = 0;

    // Sends the packet back on the channel the request came in on.
    virtual void reply(const CRequest &request, const QByteArray &arPacket) = 0;
    // Sends a packet on a TCP connection, for answers that complete after their request;
    // false when the connection is gone or refused it.
    virtual bool send(CClientConnection *pConnection, const QByteArray &arPacket) = 0;
    // Sends one datagram from the sub-server's UDP socket.
    virtual void sendDatagram(const QHostAddress &host, quint16 iPort,
                              const QByteArray &arPacket) = 0;
    // Binds a fresh session of iZpid to the connection.
    virtual CSessionTable::Session *openSession(CClientConnection *pConnection, quint32 iZpid) = 0;
    // Ends the session and closes its TCP connection.
    virtual void endSession(quint64 iSessionId) = 0;
    // The session heard its first heartbeat: it is ready to take what was held for it.
    virtual void sessionReady(CSessionTable::Session &session) = 0;

Q_SIGNALS:
    // A session is gone (logout, closed connection or silence); it is no longer in the table.
    void sessionEnded(quint64 iSessionId, quint32 iZpid);
    // A session of iZpid was opened by a sign-in.
    void sessionStarted(quint64 iSessionId, quint32 iZpid);
};
