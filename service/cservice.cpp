#include "cservice.h"

#include <QTimer>
#include <QUdpSocket>

#include "ccallcommands.h"
#include "ccircleapplycommands.h"
#include "ccirclecommands.h"
#include "cclientconnection.h"
#include "ccloudbookcommands.h"
#include "ccontactcommands.h"
#include "cdirectorycommands.h"
#include "cfieldwriter.h"
#include "cmessagecommands.h"
#include "cpresencenotices.h"
#include "csessioncommands.h"
#include "ctcplistener.h"

namespace {

// Silent sessions are looked for several times per timeout so none outlives it by much.
constexpr int SWEEPS_PER_TIMEOUT = 6;

} // namespace

CService::CService(const CServiceConfig &config, QObject *parent)
    : CServiceContext(parent), m_config(config),
      m_lookups(config.iLookupBurst, config.iLookupsPerMinute),
      m_dispatcher(m_sessions, m_counters, [this] { return nowMs(); }),
      m_endpointClaims(m_sessions, m_counters, config.iUdpTrialMs),
      m_connections({config.iMaxConnections, config.iMaxPerAddress, config.iSignInDeadlineMs,
                     config.iMinRequestRate, config.iRequestGraceMs},
                    m_counters),
      m_pMain(new CTcpListener(this)), m_pSub(new CTcpListener(this)), m_pUdp(new QUdpSocket(this)),
      m_pSweep(new QTimer(this)), m_heapTrim(HEAP_SETTLE_MS, [this] { m_store.releaseMemory(); }),
      m_hashes(config.iHashThreads, config.iMaxWaitingPasswordChanges)
{
    m_clock.start();
    connect(m_pMain, &CTcpListener::accepted, this,
            [this](qintptr iDescriptor) { adopt(iDescriptor, CClientConnection::Main); });
    connect(m_pSub, &CTcpListener::accepted, this,
            [this](qintptr iDescriptor) { adopt(iDescriptor, CClientConnection::Sub); });
    connect(m_pUdp, &QUdpSocket::readyRead, this, &CService::onDatagrams);
    connect(m_pSweep, &QTimer::timeout, this, &CService::sweep);
    m_dispatcher.setClaimer([this](quint32 iZpid, const QHostAddress &host, quint16 iPort) {
        return m_endpointClaims.claim(iZpid, host, iPort);
    });
    connect(&m_endpointClaims, &CEndpointClaims::confirmed, this, &CService::onEndpointConfirmed);
    connect(&m_endpointClaims, &CEndpointClaims::raced, this, &CService::endSession);

    m_pSessionCommands = std::make_unique<CSessionCommands>(*this);
    m_pContactCommands = std::make_unique<CContactCommands>(*this);
    m_pCircleCommands = std::make_unique<CCircleCommands>(*this);
    m_pCircleApplyCommands = std::make_unique<CCircleApplyCommands>(*this);
    m_pDirectoryCommands = std::make_unique<CDirectoryCommands>(*this);
    m_pPresenceNotices = std::make_unique<CPresenceNotices>(*this);
    m_pCloudBookCommands = std::make_unique<CCloudBookCommands>(*this);
    m_pMessageCommands = std::make_unique<CMessageCommands>(*this);
    m_pSessionCommands->install(m_dispatcher);
    m_pContactCommands->install(m_dispatcher);
    m_pCircleCommands->install(m_dispatcher);
    m_pCircleApplyCommands->install(m_dispatcher);
    m_pDirectoryCommands->install(m_dispatcher);
    m_pCloudBookCommands->install(m_dispatcher);
    m_pMessageCommands->install(m_dispatcher);
    m_pCallCommands = std::make_unique<CCallCommands>(*this);
    m_pCallCommands->install(m_dispatcher);
}

CService::~CService()
{
    // Connections leave the poller as they go, and the poller, a member, would go first.
    qDeleteAll(findChildren<CClientConnection *>(Qt::FindDirectChildrenOnly));
}

bool CService::start()
{
    if (!m_poller.isOpen()) {
        m_strError = QStringLiteral("cannot make the epoll set that watches client connections");
        return false;
    }
    if (!CPasswordHash::initialise()) {
        m_strError = QStringLiteral("the password hashing library cannot be initialised");
        return false;
    }
    if (!m_store.open(m_config.strDataDir)) {
        m_strError = m_store.errorText();
        return false;
    }
    if (!m_config.strPacketLog.isEmpty() && !m_packetLog.open(m_config.strPacketLog)) {
        m_strError = QStringLiteral("cannot write the packet log ") + m_config.strPacketLog;
        return false;
    }
    if (!m_pMain->listen(m_config.address, m_config.iMainPort)) {
        m_strError = QStringLiteral("main server on %1:%2: %3")
                         .arg(m_config.address.toString())
                         .arg(m_config.iMainPort)
                         .arg(m_pMain->errorString());
        return false;
    }
    // The client sends its datagrams to the sub-server's TCP port number, so both are bound
    // to one number; a free number is tried a few times when none was chosen.
    const int iTries = m_config.iSubPort == 0 ? 20 : 1;
    for (int i = 0; i < iTries; ++i) {
        if (!m_pSub->listen(m_config.address, m_config.iSubPort)) {
            m_strError = QStringLiteral("sub-server on %1:%2: %3")
                             .arg(m_config.address.toString())
                             .arg(m_config.iSubPort)
                             .arg(m_pSub->errorString());
            return false;
        }
        if (m_pUdp->bind(m_config.address, m_pSub->serverPort()))
            break;
        m_strError = QStringLiteral("sub-server UDP on %1:%2: %3")
                         .arg(m_config.address.toString())
                         .arg(m_pSub->serverPort())
                         .arg(m_pUdp->errorString());
        m_pSub->close();
    }
    if (!m_pSub->isListening())
        return false;
    m_strError.clear();
    // Counted once the store and the listeners hold their descriptors.
    const int iBudget = CConnectionGuard::descriptorBudget();
    m_connections.setMaxConnections(
        m_config.iMaxConnections > 0 ? qMin(m_config.iMaxConnections, iBudget) : iBudget);
    m_connections.start();
    m_pSweep->start(qMax(100, m_config.iSessionTimeoutMs / SWEEPS_PER_TIMEOUT));
    return true;
}

quint16 CService::mainPort() const
{
    return m_pMain->serverPort();
}

quint16 CService::subPort() const
{
    return m_pSub->serverPort();
}

const char *CService::channelName(CRequest::Channel channel)
{
    switch (channel) {
    case CRequest::Main:
        return "main";
    case CRequest::Tcp:
        return "tcp";
    case CRequest::Udp:
        break;
    }
    return "udp";
}

void CService::reply(const CRequest &request, const QByteArray &arPacket)
{
    if (request.channel() != CRequest::Udp) {
        send(request.connection(), arPacket);
        return;
    }
    m_packetLog.write(nowMs(), false, "udp", arPacket);
    m_pUdp->writeDatagram(arPacket, request.host(), request.port());
}

void CService::sendDatagram(const QHostAddress &host, quint16 iPort, const QByteArray &arPacket)
{
    m_packetLog.write(nowMs(), false, "udp", arPacket);
    m_pUdp->writeDatagram(arPacket, host, iPort);
}

bool CService::send(CClientConnection *pConnection, const QByteArray &arPacket)
{
    if (!pConnection)
        return false;
    m_packetLog.write(nowMs(), false,
                      pConnection->channel() == CClientConnection::Main ? "main" : "tcp", arPacket);
    return pConnection->send(arPacket);
}

CSessionTable::Session *CService::openSession(CClientConnection *pConnection, quint32 iZpid)
{
    // A connection signs in once; a second login on it replaces its session.
    if (const quint64 iOld = pConnection->sessionId(); iOld != 0) {
        const CSessionTable::Session *pOld = m_sessions.byId(iOld);
        const quint32 iOldZpid = pOld ? pOld->iZpid : 0;
        m_sessions.close(iOld);
        if (iOldZpid != 0)
            emit sessionEnded(iOld, iOldZpid);
    }
    if (m_sessions.isOnline(iZpid))
        m_counters.event(CServiceCounters::SessionTakenOver);
    CSessionTable::Session *pSession =
        m_sessions.open(iZpid, pConnection, pConnection->peerAddress(), nowMs());
    pConnection->setSessionId(pSession->iId);
    m_connections.signedIn(pConnection);
    emit sessionStarted(pSession->iId, iZpid);
    return pSession;
}

void CService::endSession(quint64 iSessionId)
{
    CSessionTable::Session *pSession = m_sessions.byId(iSessionId);
    if (!pSession)
        return;
    CClientConnection *pConnection = pSession->connection.data();
    closeSession(iSessionId);
    if (pConnection) {
        pConnection->setSessionId(0);
        pConnection->close();
    }
}

void CService::closeSession(quint64 iSessionId)
{
    const CSessionTable::Session *pSession = m_sessions.byId(iSessionId);
    if (!pSession)
        return;
    const quint32 iZpid = pSession->iZpid;
    const bool bWasNewest = m_sessions.newest(iZpid) == pSession;
    m_sessions.close(iSessionId);
    m_lookups.forget(iSessionId);
    // Delivery passes to the account's session that is now the newest; it is handed what
    // the closed one had not confirmed.
    CSessionTable::Session *pNext = bWasNewest ? m_sessions.newest(iZpid) : nullptr;
    if (pNext && pNext->bReady)
        m_pMessageCommands->deliverHeld(*pNext);
    emit sessionEnded(iSessionId, iZpid);
}

bool CService::allowLookup(const CRequest &request, int iCost)
{
    if (!request.session() || m_lookups.allow(request.session()->iId, nowMs(), iCost))
        return true;
    m_counters.drop(CServiceCounters::DropRateLimited);
    return false;
}

void CService::sessionReady(CSessionTable::Session &session)
{
    if (session.bReady)
        return;
    session.bReady = true;
    m_pMessageCommands->deliverHeld(session);
}

void CService::onEndpointConfirmed(quint64 iSessionId)
{
    CSessionTable::Session *pSession = m_sessions.byId(iSessionId);
    if (!pSession)
        return;
    // The heartbeats heard during the trial are answered once, now.
    sendDatagram(pSession->udpHost, pSession->iUdpPort, CFieldWriter(Codes::CmdHeartbeat).packet());
    sessionReady(*pSession);
    // What the endpoint sent meanwhile is handled now, in order; a handler may end the session.
    const QList<QByteArray> held = std::exchange(pSession->heldDatagrams, {});
    const QHostAddress host = pSession->udpHost;
    const quint16 iPort = pSession->iUdpPort;
    for (const QByteArray &arDatagram : held) {
        // Logged already, when it came.
        CRequest request(arDatagram, host, iPort);
        m_dispatcher.dispatch(request);
    }
}

void CService::sweep()
{
    endSilentSessions();
    m_pMessageCommands->resendUnconfirmed();
}

void CService::endSilentSessions()
{
    const QList<quint64> ids = m_sessions.silentSince(nowMs() - m_config.iSessionTimeoutMs);
    for (quint64 iId : ids) {
        m_counters.event(CServiceCounters::SessionTimedOut);
        endSession(iId);
    }
}

CClientConnection *CService::adopt(qintptr iDescriptor, CClientConnection::Channel channel)
{
    auto *pConnection = new CClientConnection(iDescriptor, channel, m_counters, m_poller, this);
    pConnection->setMaxQueued(m_config.iMaxQueuedBytes);
    connect(pConnection, &CClientConnection::packetReceived, this, &CService::onPacket);
    connect(pConnection, &CClientConnection::closed, this, &CService::onConnectionClosed);
    m_connections.admit(pConnection);
    return pConnection;
}

void CService::onPacket(CClientConnection *pConnection, const QByteArray &arPacket)
{
    CRequest request(arPacket, pConnection);
    m_packetLog.write(nowMs(), true, channelName(request.channel()), arPacket);
    m_dispatcher.dispatch(request);
}

void CService::onConnectionClosed(CClientConnection *pConnection)
{
    m_connections.forget(pConnection);
    m_heapTrim.released();
    const quint64 iSession = pConnection->sessionId();
    if (iSession != 0) {
        pConnection->setSessionId(0);
        closeSession(iSession);
    }
    pConnection->deleteLater();
}

void CService::onDatagrams()
{
    // Read into one buffer with the sender only: a datagram object and the destination and
    // hop-limit headers it asks for would cost every heartbeat more than its answer does.
    static char buffer[65536];
    QHostAddress host;
    quint16 iPort = 0;
    while (m_pUdp->hasPendingDatagrams()) {
        const qint64 n = m_pUdp->readDatagram(buffer, sizeof buffer, &host, &iPort);
        if (n < 0)
            break;
        dispatchDatagram(QByteArray(buffer, qsizetype(n)), host, iPort);
    }
}

void CService::dispatchDatagram(const QByteArray &arDatagram, const QHostAddress &host,
                                quint16 iPort)
{
    CRequest request(arDatagram, host, iPort);
    m_packetLog.write(nowMs(), true, "udp", arDatagram);
    m_dispatcher.dispatch(request);
}
