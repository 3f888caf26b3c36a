// CConnectionGuard: keeps the service's TCP connections within bounds. Connections that have
// not signed in are capped per source address, and all connections together stay below what
// the descriptor limit allows; at either cap the oldest connection that has not signed in
// makes room, so a burst of idle connections never locks signed-in users or new sign-ins out
// for long (signed-in sessions are never pushed out). A connection that has not signed in by
// the deadline is closed, and so is one whose unfinished request arrives slower than the
// minimum rate.
#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QObject>

#include <list>

#include "cservicecounters.h"

class CClientConnection;
class QTimer;

class CConnectionGuard : public QObject
{
    Q_OBJECT
public:
    // Descriptors kept back for the store, the listeners, the packet log and the like.
    static constexpr int SPARE_DESCRIPTORS = 16;

    struct Limits
    {
        int iMaxConnections = 1000;
        int iMaxUnsignedPerAddress = 32;
        int iSignInDeadlineMs = 10000;
        int iMinRequestRate = 512; // bytes per second an unfinished request must keep up
        int iRequestGraceMs = 5000;
    };

    CConnectionGuard(const Limits &limits, CServiceCounters &counters, QObject *parent = nullptr);

    // Raises the soft descriptor limit as far as the hard one allows and returns how many
    // connections fit beside the descriptors already open.
    static int descriptorBudget();
    void setMaxConnections(int iMax) { m_limits.iMaxConnections = iMax; }
    int maxConnections() const { return m_limits.iMaxConnections; }
    // Starts the checks of deadlines and request rates.
    void start();

    // Makes room for a new connection, or closes it when nothing can make way.
    void admit(CClientConnection *pConnection);
    void signedIn(CClientConnection *pConnection);
    void forget(CClientConnection *pConnection);
    // Closes the connections past their sign-in deadline or too slow with their request.
    void sweep();
    int count() const { return int(m_entries.size()); }

private:
    struct Entry
    {
        QHostAddress address;
        qint64 iAcceptedMs = 0;
        bool bSignedIn = false;
        std::list<CClientConnection *>::iterator unsignedPosition;
    };

    // Closes the oldest connection that has not signed in, from address or, when null, from
    // anywhere; false when there is none.
    bool evictOldest(const QHostAddress &address);
    void leaveUnsigned(CClientConnection *pConnection, Entry &entry);

    Limits m_limits;
    CServiceCounters &m_counters;
    QElapsedTimer m_clock;
    QTimer *m_pTimer;
    QHash<CClientConnection *, Entry> m_entries;
    // Connections that have not signed in, oldest first, in all and per source address.
    std::list<CClientConnection *> m_unsigned;
    QHash<QHostAddress, QList<CClientConnection *>> m_unsignedByAddress;
};
