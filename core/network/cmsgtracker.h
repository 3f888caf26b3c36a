// CMsgTracker: what the message commands remember between packets. Each memory is bounded to
// CAPACITY entries and forgets its oldest entry first, so a hostile or forgetful server cannot
// make it grow.
// - Messages sent over TCP (one-to-one and card messages) that the server has not yet reported
//   as accepted: a delivery report of state 1 counts only for one of these.
// - Card exchange requests of ours by peer: only their answer may make the client send its
//   own card.
// - Live messages received lately, by sender and message id: the sender re-sends a message
//   until our receipt reaches it, and each copy must be answered but stored once.
#pragma once

#include <QList>
#include <QtGlobal>

class CMsgTracker
{
public:
    static constexpr int CAPACITY = 256;

    void sentOverTcp(quint32 iPeer, quint32 iMsgId);
    // True once for a message that sentOverTcp noted; forgets it.
    bool takeSentOverTcp(quint32 iPeer, quint32 iMsgId);

    void cardRequested(quint32 iPeer);
    // True when a card request of ours to this peer awaits its answer; forgets it.
    bool takeCardRequest(quint32 iPeer);

    // True the first time a sender's message id is seen among the recent ones; remembers it.
    bool firstReceived(quint32 iSender, quint32 iMsgId);

    void reset();

private:
    QList<quint64> m_sentOverTcp;
    QList<quint64> m_cardRequests;
    QList<quint64> m_received;
};

// The one tracker of the process; main thread only.
CMsgTracker &msgTracker();
