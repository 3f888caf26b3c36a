#include "cratelimiter.h"

CRateLimiter::CRateLimiter(int iBurst, int iPerMinute)
    : m_dBurst(qMax(1, iBurst)), m_dPerMs(qMax(1, iPerMinute) / 60000.0)
{}

bool CRateLimiter::allow(quint64 iKey, qint64 iNowMs, int iCost)
{
    auto it = m_buckets.find(iKey);
    if (it == m_buckets.end())
        it = m_buckets.insert(iKey, Bucket{m_dBurst, iNowMs});
    it->dTokens = qMin(m_dBurst, it->dTokens + double(iNowMs - it->iAtMs) * m_dPerMs);
    it->iAtMs = iNowMs;
    if (it->dTokens < iCost)
        return false;
    it->dTokens -= iCost;
    return true;
}
