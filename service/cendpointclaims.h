// CEndpointClaims: which heartbeat gives a session its UDP endpoint. A datagram carries no
// proof of who sent it, so an endpoint is taken only for a session that signed in over TCP
// from the same host, and only on trial: if a second endpoint claims the same new session
// within the trial, nobody can tell which is the client, so the session gets none and is
// ended (its client signs in again). An endpoint that outlasts the trial is confirmed; later
// claims by other endpoints are refused, counted and logged, and never displace it.
#pragma once

#include <QHostAddress>
#include <QObject>

#include "cservicecounters.h"
#include "csessiontable.h"

class CEndpointClaims : public QObject
{
    Q_OBJECT
public:
    CEndpointClaims(CSessionTable &sessions, CServiceCounters &counters, int iTrialMs,
                    QObject *parent = nullptr);

    // The session host:port now speaks for (on trial or, with no trial, confirmed); null when
    // the claim is refused or ended a race.
    CSessionTable::Session *claim(quint32 iZpid, const QHostAddress &host, quint16 iPort);

Q_SIGNALS:
    // The endpoint outlasted its trial; its heartbeats are answered from now on.
    void confirmed(quint64 iSessionId);
    // Two endpoints claimed the session; it has none and is to be ended.
    void raced(quint64 iSessionId);

private:
    void refuse(CSessionTable::Session &session, const QHostAddress &host, quint16 iPort);
    void confirm(quint64 iSessionId, const QHostAddress &host, quint16 iPort);

    CSessionTable &m_sessions;
    CServiceCounters &m_counters;
    int m_iTrialMs;
};
