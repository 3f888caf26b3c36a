// CLoginThrottle: five wrong passwords for one account within a minute lock that account's
// sign-in for a minute, whatever password comes next. Times are monotonic milliseconds given
// by the caller, so tests can move the clock.
#pragma once

#include <QHash>
#include <QList>
#include <QtGlobal>

class CLoginThrottle
{
public:
    static constexpr int MAX_FAILURES = 5;
    static constexpr qint64 WINDOW_MS = 60000;
    static constexpr qint64 LOCK_MS = 60000;

    bool isLocked(quint32 iZpid, qint64 iNowMs) const;
    void recordFailure(quint32 iZpid, qint64 iNowMs);
    void recordSuccess(quint32 iZpid);
    // Accounts with state kept; old entries are pruned as they are touched.
    int trackedAccounts() const { return int(m_accounts.size()); }

private:
    struct State
    {
        QList<qint64> failures; // times of recent wrong passwords, oldest first
        qint64 iLockedUntilMs = 0;
    };
    QHash<quint32, State> m_accounts;
};
