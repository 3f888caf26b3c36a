// CCallSession: the state of the one call the client can hold (phase, peer, push outcome, the
// packets already acted on) and the rules that decide, for every local request and every
// received call packet, what is sent back and what is reported. It sends and emits nothing
// itself: Protocol and CNetwork carry out the Reaction it returns. There is one per process,
// reached through callSession(); only the main thread uses it.
//
// Every end of a call (refused, busy, hung up, unreachable, a request given up) puts the
// session back to idle before the end is reported, drops the pending call request and push,
// and starts the stop-call quiet period in which new call requests are ignored; so an end is
// reported once, and a re-sent request still in flight does not ring again.
//
// Glare (both parties call each other at once): the party with the lower zpid stays the
// caller and ignores the other's request; the party with the higher zpid gives up its own
// request and takes the other's as an incoming call.
#pragma once

#include <QByteArray>
#include <QList>

class CCallSession
{
public:
    // Call packets remembered for the duplicate filter; the oldest is forgotten first.
    static constexpr int MAX_PROCESSED = 64;

    struct Reaction
    {
        int iState = 0;     // Codes::CallState to report, 0 for none
        quint32 iPeer = 0;  // the party the report names
        QByteArray arData;  // the whole voice datagram with Codes::CallVoice
        quint8 iAnswer = 0; // Codes::CallSub to send to the packet's sender, 0 for none
        quint32 iAnswerTo = 0;
    };

    enum class Start
    {
        Started,
        Refused, // not a user, or the user's own zpid
        Busy,    // another call is under way
    };

    // The payload of a call request towards iPeer: peer zpid, Codes::CallSub.
    static QByteArray payload(quint32 iPeer, quint8 iSub);
    static QByteArray callKey();
    static QByteArray hangupKey();
    static QByteArray pushKey();

    // Local requests; each answers whether its packet is to be sent.
    Start beginPush(quint32 iPeer);
    bool beginCall(quint32 iPeer);
    bool agree(quint32 iPeer);
    bool refuse(quint32 iPeer);
    bool hangup(quint32 iPeer);

    // A call packet 5 addressed to the user (the addressee is checked by the caller).
    Reaction received(const QByteArray &arPacket);
    // The push reply 19.
    Reaction pushReply(const QByteArray &arPacket);
    // A delivery report 15 of kind 1 (the call push) naming iCallee; state 0 says the push
    // did not reach the callee's client.
    Reaction deliveryReport(quint32 iCallee, quint8 iState);
    // A re-sent request was given up: the call request or the push ends the attempt.
    Reaction givenUp(const QByteArray &arKey);

    int phase() const { return m_iPhase; }
    quint32 peer() const { return m_iPeer; }
    void setPeer(quint32 iPeer) { m_iPeer = iPeer; }
    bool pushDelivered() const { return m_bPushDelivered; }
    // The party whose acknowledgement 8 is awaited after a refuse or hang-up, 0 for none.
    quint32 awaitedAck() const { return m_iAwaitAck; }
    int processedCount() const { return int(m_processed.size()); }

    // Back to a fresh process: no call, nothing awaited, nothing remembered.
    void reset();

private:
    Reaction offered(quint32 iSender);
    void begin(quint32 iPeer, int iPhase, bool bOutgoing);
    void clear();
    Reaction end(int iState);
    void endLocally();
    bool fresh(const QByteArray &arPacket);
    Reaction report(int iState, const QByteArray &arData = QByteArray()) const;
    bool dialling() const;

    int m_iPhase = -1;
    quint32 m_iPeer = 0;
    bool m_bOutgoing = false;
    bool m_bPushPending = false;
    bool m_bPushDelivered = false;
    quint32 m_iAwaitAck = 0;
    QList<QByteArray> m_processed;
};

CCallSession &callSession();
