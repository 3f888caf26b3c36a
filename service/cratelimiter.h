// CRateLimiter: a token bucket per key (a session): up to iBurst requests at once, then one
// more each time the refill interval has passed. Times are monotonic milliseconds given by the
// caller, so tests can move the clock; a key is forgotten when its session ends.
#pragma once

#include <QHash>
#include <QtGlobal>

class CRateLimiter
{
public:
    CRateLimiter(int iBurst, int iPerMinute);

    // True when the key may make a request of iCost now; the request is counted.
    bool allow(quint64 iKey, qint64 iNowMs, int iCost = 1);
    void forget(quint64 iKey) { m_buckets.remove(iKey); }
    int trackedKeys() const { return int(m_buckets.size()); }

private:
    struct Bucket
    {
        double dTokens = 0;
        qint64 iAtMs = 0;
    };

    double m_dBurst;
    double m_dPerMs;
    QHash<quint64, Bucket> m_buckets;
};
