#include "cdispatcher.h"

#include "crequestlayout.h"

CDispatcher::CDispatcher(CSessionTable &sessions, CServiceCounters &counters, Clock clock)
    : m_sessions(sessions), m_counters(counters), m_clock(std::move(clock))
{}

void CDispatcher::add(Codes::Command code, int iChannels, SenderRule rule, Handler handler)
{
    m_entries.insert(quint8(code), Entry{iChannels, rule, std::move(handler)});
}

void CDispatcher::dispatch(CRequest &request)
{
    if (request.packet().isEmpty()) {
        m_counters.drop(CServiceCounters::DropEmpty);
        return;
    }
    if (request.code() == Codes::CmdIgnored) {
        m_counters.drop(CServiceCounters::DropReserved);
        return;
    }
    const auto it = m_entries.constFind(request.code());
    if (it == m_entries.constEnd()) {
        m_counters.drop(CRequestLayout::isKnown(request.code()) ? CServiceCounters::DropUnhandled
                                                                : CServiceCounters::DropUnknown);
        return;
    }
    if (admit(request, it.value()))
        it->handler(request);
}

bool CDispatcher::admit(CRequest &request, const Entry &entry)
{
    const int iMask = request.channel() == CRequest::Main  ? OnMain
                      : request.channel() == CRequest::Tcp ? OnTcp
                                                           : OnUdp;
    if (!(entry.iChannels & iMask)) {
        m_counters.drop(CServiceCounters::DropWrongChannel);
        return false;
    }
    // A TCP request was cut from the stream by its layout; a datagram is checked here.
    int iLength = 0;
    if (CRequestLayout::measure(request.packet(), iLength) != CRequestLayout::Complete) {
        m_counters.drop(CServiceCounters::DropTruncated);
        return false;
    }
    if (entry.rule == NoSession)
        return true;

    const bool bHasSender = entry.rule != SessionNoField;
    const quint32 iSender = bHasSender ? request.fields().zpid() : 0;
    CSessionTable::Session *pSession = sessionOf(request, entry, iSender);
    if (!pSession) {
        m_counters.drop(CServiceCounters::DropNoSession);
        return false;
    }
    if (bHasSender && iSender != pSession->iZpid) {
        m_counters.drop(CServiceCounters::DropForeignSender);
        return false;
    }
    // An endpoint on trial may only go on claiming its session; what else it sends waits
    // for the trial's end, a few datagrams at most, and is lost if the session is raced.
    if (request.channel() == CRequest::Udp && !pSession->bEndpointConfirmed &&
        entry.rule != ClaimsEndpoint) {
        if (pSession->heldDatagrams.size() < MAX_HELD_DATAGRAMS) {
            pSession->heldDatagrams.append(request.packet());
            m_counters.event(CServiceCounters::HeldOnTrial);
        } else {
            m_counters.drop(CServiceCounters::DropUnconfirmed);
        }
        return false;
    }
    pSession->iLastHeardMs = m_clock();
    request.setSession(pSession);
    return true;
}

CSessionTable::Session *CDispatcher::sessionOf(CRequest &request, const Entry &entry,
                                               quint32 iSender)
{
    if (request.channel() != CRequest::Udp) {
        const CClientConnection *pConnection = request.connection();
        return pConnection ? m_sessions.byId(pConnection->sessionId()) : nullptr;
    }
    CSessionTable::Session *pSession = m_sessions.byEndpoint(request.host(), request.port());
    if (!pSession && entry.rule == ClaimsEndpoint && m_claimer)
        pSession = m_claimer(iSender, request.host(), request.port());
    return pSession;
}
