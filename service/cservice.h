// CService: the service process's heart. It listens as the main server (TCP, answers 102 with
// the sub-server) and as the sub-server (TCP and UDP on one port number), owns the store, the
// sessions, the counters and the dispatcher, and ends sessions that fall silent. The command
// families register their handlers with the dispatcher and reach the service only through the
// context it implements for them.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>

#include <memory>

#include "cclientconnection.h"
#include "cconnectionguard.h"
#include "cdispatcher.h"
#include "cendpointclaims.h"
#include "chashqueue.h"
#include "cheaptrim.h"
#include "cloginthrottle.h"
#include "cpacketlog.h"
#include "cratelimiter.h"
#include "cserviceconfig.h"
#include "cservicecontext.h"
#include "cservicecounters.h"
#include "cservicestore.h"
#include "csessiontable.h"
#include "csocketpoller.h"

class CTcpListener;
class QTimer;
class QUdpSocket;
class CCallCommands;
class CCircleApplyCommands;
class CCircleCommands;
class CDirectoryCommands;
class CPresenceNotices;
class CCloudBookCommands;
class CContactCommands;
class CMessageCommands;
class CSessionCommands;

class CService : public CServiceContext
{
    Q_OBJECT
public:
    // How long after the last connection closed the heap is trimmed.
    static constexpr int HEAP_SETTLE_MS = 1000;

    explicit CService(const CServiceConfig &config, QObject *parent = nullptr);
    ~CService() override;

    // Opens the store and starts listening; on failure errorText() says why.
    bool start();
    QString errorText() const { return m_strError; }

    quint16 mainPort() const;
    quint16 subPort() const override;
    const CServiceConfig &config() const override { return m_config; }
    const CConnectionGuard &connections() const { return m_connections; }

    CServiceStore &store() override { return m_store; }
    CSessionTable &sessions() override { return m_sessions; }
    CServiceCounters &counters() override { return m_counters; }
    const CServiceCounters &counters() const { return m_counters; }
    CLoginThrottle &throttle() override { return m_throttle; }
    CHashQueue &hashes() override { return m_hashes; }
    qint64 nowMs() const override { return m_clock.elapsed(); }

    bool allowLookup(const CRequest &request, int iCost = 1) override;

    void reply(const CRequest &request, const QByteArray &arPacket) override;
    bool send(CClientConnection *pConnection, const QByteArray &arPacket) override;
    CSessionTable::Session *openSession(CClientConnection *pConnection, quint32 iZpid) override;
    void endSession(quint64 iSessionId) override;
    void sendDatagram(const QHostAddress &host, quint16 iPort, const QByteArray &arPacket) override;
    void sessionReady(CSessionTable::Session &session) override;

    // Takes over an accepted socket's descriptor as a client connection of the channel; a
    // negative descriptor gives a connection whose stream comes only through receive().
    CClientConnection *adopt(qintptr iDescriptor, CClientConnection::Channel channel);
    // One datagram as the sub-server's UDP socket received it.
    void dispatchDatagram(const QByteArray &arDatagram, const QHostAddress &host, quint16 iPort);
    // The timer's periodic sweep: silent sessions end, unconfirmed messages go again.
    void sweep();
    // Ends every session silent for longer than the session timeout.
    void endSilentSessions();

private:
    void onPacket(CClientConnection *pConnection, const QByteArray &arPacket);
    void onConnectionClosed(CClientConnection *pConnection);
    void onDatagrams();
    void onEndpointConfirmed(quint64 iSessionId);
    // Removes the session; its account's next newest session takes delivery.
    void closeSession(quint64 iSessionId);
    static const char *channelName(CRequest::Channel channel);

    CServiceConfig m_config;
    QString m_strError;
    QElapsedTimer m_clock;
    CServiceStore m_store;
    CSessionTable m_sessions;
    CServiceCounters m_counters;
    CLoginThrottle m_throttle;
    CRateLimiter m_lookups;
    CPacketLog m_packetLog;
    CDispatcher m_dispatcher;
    CEndpointClaims m_endpointClaims;
    CConnectionGuard m_connections;
    CSocketPoller m_poller;
    CTcpListener *m_pMain;
    CTcpListener *m_pSub;
    QUdpSocket *m_pUdp;
    QTimer *m_pSweep;
    CHeapTrim m_heapTrim;
    std::unique_ptr<CSessionCommands> m_pSessionCommands;
    std::unique_ptr<CContactCommands> m_pContactCommands;
    std::unique_ptr<CCircleCommands> m_pCircleCommands;
    std::unique_ptr<CCircleApplyCommands> m_pCircleApplyCommands;
    std::unique_ptr<CDirectoryCommands> m_pDirectoryCommands;
    std::unique_ptr<CPresenceNotices> m_pPresenceNotices;
    std::unique_ptr<CCallCommands> m_pCallCommands;
    std::unique_ptr<CCloudBookCommands> m_pCloudBookCommands;
    std::unique_ptr<CMessageCommands> m_pMessageCommands;
    // Last: it goes first, so no hash result comes back to a family already gone.
    CHashQueue m_hashes;
};
