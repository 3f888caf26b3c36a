// CCallRegistry: the calls the service relays signalling and voice for. Each call knows its
// caller and callee, the session each of them takes part with, and its phase; an account is a
// party to at most one call. The registry decides which call packet may pass: an answer or a
// ringing notice only from the callee, a refusal or busy only from the callee while it rings,
// a hang-up or acknowledgement only from a party, voice only between the parties of an
// answered call. A call that was refused or hung up stays a short while as ending, so that
// the re-sent hang-ups and their acknowledgements still pass between the two.
#pragma once

#include <QHash>
#include <QtGlobal>

#include <map>
#include <optional>

class CCallRegistry
{
public:
    // How long an ended call keeps passing re-sent hang-ups and acknowledgements; the client
    // re-sends a hang-up for up to ten seconds.
    static constexpr qint64 ENDING_MS = 15000;

    enum Phase
    {
        Ringing,
        Answered,
        Ending
    };

    struct Party
    {
        quint32 iZpid = 0;
        quint64 iSession = 0;
    };

    enum Verdict
    {
        Pass,      // relay the packet to target
        Refuse,    // the sender may not send it now; nothing is relayed
        AnswerBusy // the callee is in another call: the sender hears busy from it, no call
    };

    struct Decision
    {
        Verdict verdict = Refuse;
        Party target;
        // A party whose live call the sender left by calling somebody else; it hears a hang-up.
        std::optional<Party> abandoned;
    };

    // What happens to sub-command iSub sent from sender to iReceiver; iReceiverSession is the
    // session a new call would ring (0 when the receiver cannot be reached).
    Decision signal(const Party &sender, quint32 iReceiver, quint64 iReceiverSession, quint8 iSub,
                    qint64 iNowMs);
    // The session ended: its call is gone; returns the other party when it was still in the
    // call and should hear a hang-up.
    std::optional<Party> sessionEnded(quint32 iZpid, quint64 iSession);

private:
    struct Call
    {
        Party caller;
        Party callee;
        Phase phase = Ringing;
        qint64 iEndedAtMs = 0;

        bool isCaller(quint32 iZpid) const { return caller.iZpid == iZpid; }
        const Party &self(quint32 iZpid) const { return isCaller(iZpid) ? caller : callee; }
        const Party &other(quint32 iZpid) const { return isCaller(iZpid) ? callee : caller; }
    };

    // The call iZpid takes part in; an ending call past its time is removed first.
    Call *find(quint32 iZpid, qint64 iNowMs);
    void remove(quint64 iCallId);
    void end(Call &call, qint64 iNowMs);

    std::map<quint64, Call> m_calls;
    QHash<quint32, quint64> m_byParty;
    quint64 m_iNextId = 1;
};
