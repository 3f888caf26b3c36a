#include "csessiontable.h"

#include "cclientconnection.h"

CSessionTable::Session *CSessionTable::open(quint32 iZpid, CClientConnection *pConnection,
                                            const QHostAddress &host, qint64 iNowMs)
{
    auto session = std::make_unique<Session>();
    session->iId = m_iNextId++;
    session->iZpid = iZpid;
    session->connection = pConnection;
    session->host = host;
    session->iLastHeardMs = iNowMs;
    Session *pSession = session.get();
    m_sessions.emplace(pSession->iId, std::move(session));
    m_byZpid[iZpid].append(pSession->iId);
    return pSession;
}

void CSessionTable::close(quint64 iId)
{
    const auto it = m_sessions.find(iId);
    if (it == m_sessions.end())
        return;
    Session *pSession = it->second.get();
    if (pSession->iUdpPort != 0)
        m_byEndpoint.remove(Endpoint(pSession->udpHost, pSession->iUdpPort));
    QList<quint64> &ids = m_byZpid[pSession->iZpid];
    ids.removeOne(iId);
    if (ids.isEmpty())
        m_byZpid.remove(pSession->iZpid);
    m_sessions.erase(it);
}

CSessionTable::Session *CSessionTable::byId(quint64 iId) const
{
    const auto it = m_sessions.find(iId);
    return it == m_sessions.end() ? nullptr : it->second.get();
}

CSessionTable::Session *CSessionTable::newest(quint32 iZpid) const
{
    const auto it = m_byZpid.constFind(iZpid);
    return it == m_byZpid.constEnd() || it->isEmpty() ? nullptr : byId(it->last());
}

CSessionTable::Session *CSessionTable::byEndpoint(const QHostAddress &host, quint16 iPort) const
{
    const auto it = m_byEndpoint.constFind(Endpoint(host, iPort));
    return it == m_byEndpoint.constEnd() ? nullptr : byId(it.value());
}

QList<CSessionTable::Session *> CSessionTable::sessionsFrom(quint32 iZpid,
                                                            const QHostAddress &host) const
{
    QList<Session *> list;
    const QList<quint64> ids = m_byZpid.value(iZpid);
    for (auto it = ids.crbegin(); it != ids.crend(); ++it) {
        Session *pSession = byId(*it);
        if (pSession->host.isEqual(host, QHostAddress::ConvertV4MappedToIPv4))
            list << pSession;
    }
    return list;
}

void CSessionTable::bindEndpoint(Session &session, const QHostAddress &host, quint16 iPort)
{
    unbindEndpoint(session);
    session.udpHost = host;
    session.iUdpPort = iPort;
    session.bEndpointConfirmed = false;
    m_byEndpoint.insert(Endpoint(host, iPort), session.iId);
}

void CSessionTable::unbindEndpoint(Session &session)
{
    if (session.iUdpPort != 0)
        m_byEndpoint.remove(Endpoint(session.udpHost, session.iUdpPort));
    session.udpHost = QHostAddress();
    session.iUdpPort = 0;
    session.bEndpointConfirmed = false;
}

QList<quint64> CSessionTable::silentSince(qint64 iCutoffMs) const
{
    QList<quint64> ids;
    for (const auto &[iId, session] : m_sessions) {
        if (session->iLastHeardMs < iCutoffMs)
            ids << iId;
    }
    return ids;
}
