#include "ccallregistry.h"

#include "codes.h"

using namespace Codes;

CCallRegistry::Call *CCallRegistry::find(quint32 iZpid, qint64 iNowMs)
{
    const auto it = m_byParty.constFind(iZpid);
    if (it == m_byParty.constEnd())
        return nullptr;
    const quint64 iId = it.value();
    Call &call = m_calls.at(iId);
    if (call.phase == Ending && iNowMs - call.iEndedAtMs >= ENDING_MS) {
        remove(iId);
        return nullptr;
    }
    return &call;
}

void CCallRegistry::remove(quint64 iCallId)
{
    const auto it = m_calls.find(iCallId);
    if (it == m_calls.end())
        return;
    for (const Party &party : {it->second.caller, it->second.callee}) {
        if (m_byParty.value(party.iZpid) == iCallId)
            m_byParty.remove(party.iZpid);
    }
    m_calls.erase(it);
}

void CCallRegistry::end(Call &call, qint64 iNowMs)
{
    if (call.phase == Ending)
        return;
    call.phase = Ending;
    call.iEndedAtMs = iNowMs;
}

CCallRegistry::Decision CCallRegistry::signal(const Party &sender, quint32 iReceiver,
                                              quint64 iReceiverSession, quint8 iSub, qint64 iNowMs)
{
    Decision decision;
    Call *pCall = find(sender.iZpid, iNowMs);
    // Packets about a call pass only between its two parties, each on the session it takes
    // part with.
    const bool bParty = pCall && pCall->other(sender.iZpid).iZpid == iReceiver &&
                        pCall->self(sender.iZpid).iSession == sender.iSession;
    const bool bCallee = bParty && !pCall->isCaller(sender.iZpid);
    if (bParty)
        decision.target = pCall->other(sender.iZpid);

    switch (iSub) {
    case CallSubCall: {
        if (bParty && pCall->phase != Ending) {
            // The caller re-sends its request until the callee rings; the callee asking back
            // is no new call.
            decision.verdict = bCallee ? Refuse : Pass;
            return decision;
        }
        // A live call the account takes part in on another session stays as it is.
        if (iReceiverSession == 0 || (pCall && pCall->phase != Ending &&
                                      pCall->self(sender.iZpid).iSession != sender.iSession))
            return decision;
        const Call *pReceiverCall = find(iReceiver, iNowMs);
        if (pReceiverCall && pReceiverCall->phase != Ending) {
            decision.verdict = AnswerBusy;
            return decision;
        }
        if (pCall && pCall->phase != Ending)
            decision.abandoned = pCall->other(sender.iZpid);
        // Ended calls of either party give way to the new one.
        remove(m_byParty.value(sender.iZpid));
        remove(m_byParty.value(iReceiver));
        const quint64 iId = m_iNextId++;
        Call call;
        call.caller = sender;
        call.callee = Party{iReceiver, iReceiverSession};
        m_calls.emplace(iId, call);
        m_byParty.insert(sender.iZpid, iId);
        m_byParty.insert(iReceiver, iId);
        decision.verdict = Pass;
        decision.target = call.callee;
        return decision;
    }
    case CallSubAnswer:
    case CallSubRinging:
        if (!bCallee || pCall->phase == Ending)
            return decision;
        if (iSub == CallSubAnswer)
            pCall->phase = Answered;
        break;
    case CallSubRefuse:
    case CallSubBusy:
        if (!bCallee || pCall->phase != Ringing)
            return decision;
        end(*pCall, iNowMs);
        break;
    case CallSubHangup:
        if (!bParty)
            return decision;
        end(*pCall, iNowMs);
        break;
    case CallSubAck:
        if (!bParty)
            return decision;
        break;
    case CallSubVoice:
        if (!bParty || pCall->phase != Answered)
            return decision;
        break;
    default:
        return decision;
    }
    decision.verdict = Pass;
    return decision;
}

std::optional<CCallRegistry::Party> CCallRegistry::sessionEnded(quint32 iZpid, quint64 iSession)
{
    const auto it = m_byParty.constFind(iZpid);
    if (it == m_byParty.constEnd())
        return std::nullopt;
    const quint64 iId = it.value();
    const Call call = m_calls.at(iId);
    if (call.self(iZpid).iSession != iSession)
        return std::nullopt;
    remove(iId);
    if (call.phase == Ending)
        return std::nullopt;
    return call.other(iZpid);
}
