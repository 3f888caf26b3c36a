#include "cloginthrottle.h"

bool CLoginThrottle::isLocked(quint32 iZpid, qint64 iNowMs) const
{
    const auto it = m_accounts.constFind(iZpid);
    return it != m_accounts.constEnd() && iNowMs < it->iLockedUntilMs;
}

void CLoginThrottle::recordFailure(quint32 iZpid, qint64 iNowMs)
{
    State &state = m_accounts[iZpid];
    while (!state.failures.isEmpty() && iNowMs - state.failures.first() >= WINDOW_MS)
        state.failures.removeFirst();
    state.failures.append(iNowMs);
    if (state.failures.size() >= MAX_FAILURES) {
        state.iLockedUntilMs = iNowMs + LOCK_MS;
        // The lock starts a fresh count: after it ends, five more failures are needed.
        state.failures.clear();
    }
}

void CLoginThrottle::recordSuccess(quint32 iZpid)
{
    m_accounts.remove(iZpid);
}
