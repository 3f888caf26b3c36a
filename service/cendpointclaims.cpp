#include "cendpointclaims.h"

#include <QLoggingCategory>
#include <QTimer>

namespace {

Q_LOGGING_CATEGORY(lcEndpoint, "zephond.udp")

QString endpointText(const QHostAddress &host, quint16 iPort)
{
    return QStringLiteral("%1:%2").arg(host.toString()).arg(iPort);
}

// A claimant that keeps trying is logged at its first refusal and then at each power of ten.
bool worthLogging(quint32 iCount)
{
    while (iCount % 10 == 0)
        iCount /= 10;
    return iCount == 1;
}

} // namespace

CEndpointClaims::CEndpointClaims(CSessionTable &sessions, CServiceCounters &counters, int iTrialMs,
                                 QObject *parent)
    : QObject(parent), m_sessions(sessions), m_counters(counters), m_iTrialMs(iTrialMs)
{}

CSessionTable::Session *CEndpointClaims::claim(quint32 iZpid, const QHostAddress &host,
                                               quint16 iPort)
{
    const QList<CSessionTable::Session *> sessions = m_sessions.sessionsFrom(iZpid, host);
    // A session signed in from this host that has no endpoint yet takes this one on trial.
    for (CSessionTable::Session *pSession : sessions) {
        if (pSession->iUdpPort != 0 || pSession->bEndpointBarred)
            continue;
        m_sessions.bindEndpoint(*pSession, host, iPort);
        if (m_iTrialMs <= 0) {
            pSession->bEndpointConfirmed = true;
        } else {
            QTimer::singleShot(m_iTrialMs, this, [this, iId = pSession->iId, host, iPort] {
                confirm(iId, host, iPort);
            });
        }
        return pSession;
    }
    // A second endpoint while the first is on trial: either may be the client's.
    for (CSessionTable::Session *pSession : sessions) {
        if (pSession->iUdpPort == 0 || pSession->bEndpointConfirmed)
            continue;
        m_counters.event(CServiceCounters::EndpointRaced);
        qCWarning(lcEndpoint).noquote()
            << QStringLiteral("two UDP endpoints claimed the new session of %1, from %2 and "
                              "%3: it gets neither and is ended")
                   .arg(iZpid)
                   .arg(endpointText(pSession->udpHost, pSession->iUdpPort),
                        endpointText(host, iPort));
        m_sessions.unbindEndpoint(*pSession);
        pSession->bEndpointBarred = true;
        emit raced(pSession->iId);
        return nullptr;
    }
    if (!sessions.isEmpty())
        refuse(*sessions.first(), host, iPort);
    return nullptr;
}

void CEndpointClaims::refuse(CSessionTable::Session &session, const QHostAddress &host,
                             quint16 iPort)
{
    m_counters.event(CServiceCounters::EndpointRefused);
    ++session.iRefusedClaims;
    if (worthLogging(session.iRefusedClaims))
        qCWarning(lcEndpoint).noquote()
            << QStringLiteral("UDP endpoint %1 refused for %2, whose session speaks from %3 "
                              "(%4 refused so far)")
                   .arg(endpointText(host, iPort))
                   .arg(session.iZpid)
                   .arg(endpointText(session.udpHost, session.iUdpPort))
                   .arg(session.iRefusedClaims);
}

void CEndpointClaims::confirm(quint64 iSessionId, const QHostAddress &host, quint16 iPort)
{
    CSessionTable::Session *pSession = m_sessions.byId(iSessionId);
    if (!pSession || pSession->bEndpointConfirmed || pSession->iUdpPort != iPort ||
        pSession->udpHost != host)
        return;
    pSession->bEndpointConfirmed = true;
    emit confirmed(iSessionId);
}
