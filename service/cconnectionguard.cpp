#include "cconnectionguard.h"

#include <QDir>
#include <QTimer>

#include <sys/resource.h>

#include "cclientconnection.h"

namespace {

// Deadlines and rates are checked this many times within the shorter of the two periods.
constexpr int CHECKS_PER_PERIOD = 4;

} // namespace

CConnectionGuard::CConnectionGuard(const Limits &limits, CServiceCounters &counters,
                                   QObject *parent)
    : QObject(parent), m_limits(limits), m_counters(counters), m_pTimer(new QTimer(this))
{
    m_clock.start();
    connect(m_pTimer, &QTimer::timeout, this, &CConnectionGuard::sweep);
}

int CConnectionGuard::descriptorBudget()
{
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return 0;
    // An unlimited hard limit is not taken literally: a million descriptors is plenty.
    constexpr rlim_t CEILING = 1 << 20;
    const rlim_t iWanted = qMin(limit.rlim_max, CEILING);
    if (limit.rlim_cur < iWanted) {
        rlimit raised = limit;
        raised.rlim_cur = iWanted;
        if (setrlimit(RLIMIT_NOFILE, &raised) == 0)
            limit = raised;
    }
    const qint64 iOpen = QDir(QStringLiteral("/proc/self/fd")).count();
    return int(qMax<qint64>(1, qint64(qMin(limit.rlim_cur, CEILING)) - iOpen - SPARE_DESCRIPTORS));
}

void CConnectionGuard::start()
{
    const int iPeriod = qMin(m_limits.iSignInDeadlineMs, m_limits.iRequestGraceMs);
    m_pTimer->start(qBound(50, iPeriod / CHECKS_PER_PERIOD, 1000));
}

void CConnectionGuard::admit(CClientConnection *pConnection)
{
    const QHostAddress address = pConnection->peerAddress();
    const QList<CClientConnection *> fromAddress = m_unsignedByAddress.value(address);
    bool bRoom = fromAddress.size() < m_limits.iMaxUnsignedPerAddress || evictOldest(address);
    if (bRoom && count() >= m_limits.iMaxConnections)
        bRoom = evictOldest(QHostAddress());
    if (!bRoom) {
        m_counters.event(CServiceCounters::ConnectionRefused);
        pConnection->abort();
        return;
    }
    Entry entry;
    entry.address = address;
    entry.iAcceptedMs = m_clock.elapsed();
    entry.unsignedPosition = m_unsigned.insert(m_unsigned.end(), pConnection);
    m_unsignedByAddress[address].append(pConnection);
    m_entries.insert(pConnection, entry);
}

bool CConnectionGuard::evictOldest(const QHostAddress &address)
{
    CClientConnection *pOldest = nullptr;
    if (address.isNull()) {
        if (!m_unsigned.empty())
            pOldest = m_unsigned.front();
    } else {
        pOldest = m_unsignedByAddress.value(address).value(0);
    }
    if (!pOldest)
        return false;
    m_counters.event(CServiceCounters::ConnectionEvicted);
    // Closing reports back through forget(), which takes it out of the lists.
    forget(pOldest);
    pOldest->abort();
    return true;
}

void CConnectionGuard::leaveUnsigned(CClientConnection *pConnection, Entry &entry)
{
    if (entry.bSignedIn)
        return;
    entry.bSignedIn = true;
    m_unsigned.erase(entry.unsignedPosition);
    auto it = m_unsignedByAddress.find(entry.address);
    if (it == m_unsignedByAddress.end())
        return;
    it->removeOne(pConnection);
    if (it->isEmpty())
        m_unsignedByAddress.erase(it);
}

void CConnectionGuard::signedIn(CClientConnection *pConnection)
{
    const auto it = m_entries.find(pConnection);
    if (it != m_entries.end())
        leaveUnsigned(pConnection, *it);
}

void CConnectionGuard::forget(CClientConnection *pConnection)
{
    const auto it = m_entries.find(pConnection);
    if (it == m_entries.end())
        return;
    leaveUnsigned(pConnection, *it);
    m_entries.erase(it);
}

void CConnectionGuard::sweep()
{
    const qint64 iNow = m_clock.elapsed();
    QList<CClientConnection *> late;
    // The unsigned list is in order of arrival: the first one within its deadline ends it.
    for (CClientConnection *pConnection : m_unsigned) {
        if (iNow - m_entries.value(pConnection).iAcceptedMs < m_limits.iSignInDeadlineMs)
            break;
        late << pConnection;
    }
    QList<CClientConnection *> slow;
    for (auto it = m_entries.cbegin(); it != m_entries.cend(); ++it) {
        const qint64 iWaiting = it.key()->incompleteForMs();
        if (iWaiting < 0)
            continue;
        const qint64 iAllowed = m_limits.iRequestGraceMs + qint64(it.key()->pendingBytes()) * 1000 /
                                                               qMax(1, m_limits.iMinRequestRate);
        if (iWaiting > iAllowed)
            slow << it.key();
    }
    for (CClientConnection *pConnection : late) {
        if (!m_entries.contains(pConnection))
            continue;
        m_counters.event(CServiceCounters::SignInDeadline);
        forget(pConnection);
        pConnection->abort();
    }
    for (CClientConnection *pConnection : slow) {
        if (!m_entries.contains(pConnection))
            continue;
        m_counters.event(CServiceCounters::SlowRequest);
        forget(pConnection);
        pConnection->abort();
    }
}
