#include "ccallsession.h"

#include "cfieldreader.h"
#include "cfieldwriter.h"
#include "codes.h"
#include "csessionstate.h"

QByteArray CCallSession::payload(quint32 iPeer, quint8 iSub)
{
    CFieldWriter writer;
    writer.zpid(iPeer).u8(iSub);
    return writer.packet();
}

QByteArray CCallSession::callKey()
{
    // Not QByteArray{a, b}: that is the (count, fill) constructor.
    const char key[] = {char(Codes::CmdCallSignal), char(Codes::CallSubCall)};
    return QByteArray(key, sizeof key);
}

QByteArray CCallSession::hangupKey()
{
    const char key[] = {char(Codes::CmdCallSignal), char(Codes::CallSubHangup)};
    return QByteArray(key, sizeof key);
}

QByteArray CCallSession::pushKey()
{
    return QByteArray(1, char(Codes::CmdPush));
}

CCallSession::Start CCallSession::beginPush(quint32 iPeer)
{
    if (iPeer == 0 || iPeer == sessionState().iZpid)
        return Start::Refused;
    if (m_iPeer != 0 || m_iPhase != Codes::PhaseIdle)
        return Start::Busy;
    begin(iPeer, Codes::PhaseIdle, true);
    m_bPushPending = true;
    return Start::Started;
}

bool CCallSession::beginCall(quint32 iPeer)
{
    if (iPeer == 0 || iPeer != m_iPeer || m_iPhase != Codes::PhaseIdle || !m_bOutgoing)
        return false;
    m_processed.clear();
    m_iPhase = Codes::PhaseCalling;
    return true;
}

bool CCallSession::agree(quint32 iPeer)
{
    if (iPeer == 0 || iPeer != m_iPeer || m_iPhase != Codes::PhaseRinging)
        return false;
    m_iPhase = Codes::PhaseTalking;
    return true;
}

bool CCallSession::refuse(quint32 iPeer)
{
    if (iPeer == 0 || iPeer != m_iPeer || m_iPhase != Codes::PhaseRinging)
        return false;
    endLocally();
    return true;
}

bool CCallSession::hangup(quint32 iPeer)
{
    if (iPeer == 0 || iPeer != m_iPeer)
        return false;
    endLocally();
    return true;
}

CCallSession::Reaction CCallSession::received(const QByteArray &arPacket)
{
    CFieldReader reader(arPacket, 1);
    const quint32 iSender = reader.zpid();
    reader.skip(4);
    const quint8 iSub = reader.u8();
    if (!reader.ok())
        return Reaction();
    const bool bFromPeer = iSender != 0 && iSender == m_iPeer;

    Reaction reaction;
    switch (iSub) {
    case Codes::CallSubCall:
        return offered(iSender);
    case Codes::CallSubAnswer:
        // Only the caller's own request can be answered: an answer in any other phase would
        // let the other party open this user's microphone.
        if (bFromPeer && m_iPhase == Codes::PhaseCalling && fresh(arPacket)) {
            removeResend(callKey());
            m_iPhase = Codes::PhaseTalking;
            reaction = report(Codes::CallAnswered);
        }
        break;
    case Codes::CallSubRefuse:
        if (bFromPeer && m_iPhase == Codes::PhaseCalling && fresh(arPacket))
            reaction = end(Codes::CallRefused);
        reaction.iAnswer = Codes::CallSubAck;
        break;
    case Codes::CallSubBusy:
        if (bFromPeer && m_iPhase == Codes::PhaseCalling && fresh(arPacket))
            reaction = end(Codes::CallBusy);
        break;
    case Codes::CallSubHangup:
        if (bFromPeer && m_iPhase != Codes::PhaseIdle && fresh(arPacket))
            reaction =
                end(m_iPhase == Codes::PhaseCalling ? Codes::CallRefused : Codes::CallHungUp);
        reaction.iAnswer = Codes::CallSubAck;
        break;
    case Codes::CallSubVoice:
        if (bFromPeer && m_iPhase == Codes::PhaseTalking)
            reaction = report(Codes::CallVoice, arPacket);
        break;
    case Codes::CallSubRinging:
        if (bFromPeer && m_iPhase == Codes::PhaseCalling && fresh(arPacket)) {
            removeResend(callKey());
            reaction = report(Codes::CallRinging);
        }
        break;
    case Codes::CallSubAck:
        // Only the party just refused or hung up on confirms; anybody else's 8, or one
        // arriving after a new call began, must not stop that call's ring or audio.
        if (iSender != 0 && iSender == m_iAwaitAck) {
            m_iAwaitAck = 0;
            removeResend(hangupKey());
            reaction.iState = Codes::CallConfirmed;
            reaction.iPeer = iSender;
        }
        break;
    default:
        break;
    }
    reaction.iAnswerTo = iSender;
    return reaction;
}

CCallSession::Reaction CCallSession::offered(quint32 iSender)
{
    Reaction reaction;
    reaction.iAnswerTo = iSender;
    if (iSender == 0)
        return reaction;
    if (iSender == sessionState().iZpid) {
        reaction.iAnswer = Codes::CallSubBusy;
        return reaction;
    }
    if (m_iPeer == 0 && m_iPhase == Codes::PhaseIdle) {
        if (sessionState().pTimerStopCall->isActive())
            return reaction;
        begin(iSender, Codes::PhaseRinging, false);
        reaction = report(Codes::CallOffered);
        reaction.iAnswer = Codes::CallSubRinging;
        reaction.iAnswerTo = iSender;
        return reaction;
    }
    if (iSender != m_iPeer) {
        reaction.iAnswer = Codes::CallSubBusy;
        return reaction;
    }
    switch (m_iPhase) {
    case Codes::PhaseRinging:
        reaction.iAnswer = Codes::CallSubRinging;
        break;
    case Codes::PhaseTalking:
        // The caller still asks, so it missed the answer, which is never re-sent.
        if (!m_bOutgoing)
            reaction.iAnswer = Codes::CallSubAnswer;
        break;
    default:
        if (dialling() && sessionState().iZpid > iSender) {
            begin(iSender, Codes::PhaseRinging, false);
            reaction = report(Codes::CallOffered);
            reaction.iAnswer = Codes::CallSubRinging;
            reaction.iAnswerTo = iSender;
        }
        break;
    }
    return reaction;
}

CCallSession::Reaction CCallSession::pushReply(const QByteArray &arPacket)
{
    CFieldReader reader(arPacket, 1);
    const quint32 iCallee = reader.zpid();
    reader.skip(1);
    const quint8 iType = reader.u8();
    // A reply to an earlier push, or a repeated one, must not touch the call now under way.
    if (!reader.ok() || !m_bPushPending || iCallee != m_iPeer)
        return Reaction();
    removeResend(pushKey());
    m_bPushPending = false;
    if (iType == Codes::PushUnreachable)
        return end(Codes::CallUnreachable);
    m_bPushDelivered = iType == Codes::PushDelivered;
    return report(Codes::CallPushReached);
}

CCallSession::Reaction CCallSession::deliveryReport(quint32 iCallee, quint8 iState)
{
    // A push reply that said delivered outweighs a later report of the same call.
    if (iState != 0 || iCallee == 0 || iCallee != m_iPeer || !dialling() || m_bPushDelivered)
        return Reaction();
    return end(Codes::CallUnreachable);
}

CCallSession::Reaction CCallSession::givenUp(const QByteArray &arKey)
{
    if (arKey == callKey() && m_iPhase == Codes::PhaseCalling)
        return end(Codes::CallUnreachable);
    if (arKey == pushKey() && m_bPushPending)
        return end(Codes::CallUnreachable);
    if (arKey == hangupKey())
        m_iAwaitAck = 0;
    return Reaction();
}

void CCallSession::reset()
{
    clear();
    m_iAwaitAck = 0;
    m_processed.clear();
}

void CCallSession::begin(quint32 iPeer, int iPhase, bool bOutgoing)
{
    // A hang-up still being re-sent to this party would end the new call at its end.
    if (m_iAwaitAck == iPeer)
        removeResend(hangupKey());
    m_iAwaitAck = 0;
    removeResend(callKey());
    removeResend(pushKey());
    m_processed.clear();
    m_iPeer = iPeer;
    m_iPhase = iPhase;
    m_bOutgoing = bOutgoing;
    m_bPushPending = false;
    m_bPushDelivered = false;
}

void CCallSession::clear()
{
    m_iPhase = Codes::PhaseIdle;
    m_iPeer = 0;
    m_bOutgoing = false;
    m_bPushPending = false;
    m_bPushDelivered = false;
}

CCallSession::Reaction CCallSession::end(int iState)
{
    const Reaction reaction = report(iState);
    clear();
    removeResend(callKey());
    removeResend(pushKey());
    CSessionState &s = sessionState();
    s.pTimerStopCall->start(s.iStopCallMs);
    return reaction;
}

void CCallSession::endLocally()
{
    const quint32 iPeer = m_iPeer;
    end(0);
    m_iAwaitAck = iPeer;
}

bool CCallSession::fresh(const QByteArray &arPacket)
{
    if (m_processed.contains(arPacket))
        return false;
    m_processed.append(arPacket);
    if (m_processed.size() > MAX_PROCESSED)
        m_processed.removeFirst();
    return true;
}

CCallSession::Reaction CCallSession::report(int iState, const QByteArray &arData) const
{
    Reaction reaction;
    reaction.iState = iState;
    reaction.iPeer = m_iPeer;
    reaction.arData = arData;
    return reaction;
}

bool CCallSession::dialling() const
{
    return m_bOutgoing && (m_iPhase == Codes::PhaseIdle || m_iPhase == Codes::PhaseCalling);
}

CCallSession &callSession()
{
    static CCallSession session;
    return session;
}
