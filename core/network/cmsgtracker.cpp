#include "cmsgtracker.h"

namespace {

quint64 pair(quint32 iPeer, quint32 iMsgId)
{
    return (quint64(iPeer) << 32) | iMsgId;
}

void remember(QList<quint64> &list, quint64 iKey)
{
    if (list.contains(iKey))
        return;
    if (list.size() >= CMsgTracker::CAPACITY)
        list.removeFirst();
    list.append(iKey);
}

} // namespace

void CMsgTracker::sentOverTcp(quint32 iPeer, quint32 iMsgId)
{
    remember(m_sentOverTcp, pair(iPeer, iMsgId));
}

bool CMsgTracker::takeSentOverTcp(quint32 iPeer, quint32 iMsgId)
{
    return m_sentOverTcp.removeOne(pair(iPeer, iMsgId));
}

void CMsgTracker::cardRequested(quint32 iPeer)
{
    remember(m_cardRequests, iPeer);
}

bool CMsgTracker::takeCardRequest(quint32 iPeer)
{
    return m_cardRequests.removeOne(iPeer);
}

bool CMsgTracker::firstReceived(quint32 iSender, quint32 iMsgId)
{
    const quint64 iKey = pair(iSender, iMsgId);
    if (m_received.contains(iKey))
        return false;
    remember(m_received, iKey);
    return true;
}

void CMsgTracker::reset()
{
    m_sentOverTcp.clear();
    m_cardRequests.clear();
    m_received.clear();
}

CMsgTracker &msgTracker()
{
    static CMsgTracker tracker;
    return tracker;
}
