#include "ccallcommands.h"

#include "cfieldwriter.h"
#include "cservicecontext.h"

using namespace Codes;

CCallCommands::CCallCommands(CServiceContext &service) : m_service(service)
{
    connect(&service, &CServiceContext::sessionEnded, this, &CCallCommands::onSessionEnded);
}

void CCallCommands::install(CDispatcher &dispatcher)
{
    using D = CDispatcher;
    dispatcher.add(CmdCallSignal, D::OnUdp, D::SenderField,
                   [this](CRequest &request) { onCall(request); });
    dispatcher.add(CmdPush, D::OnUdp, D::SenderField,
                   [this](CRequest &request) { onPush(request); });
}

CSessionTable::Session *CCallCommands::reachable(quint32 iZpid) const
{
    CSessionTable::Session *pSession = m_service.sessions().newest(iZpid);
    return pSession && pSession->iUdpPort != 0 ? pSession : nullptr;
}

bool CCallCommands::inCall(quint32 iA, quint32 iB) const
{
    return m_legs.value(iA).iPeer == iB || m_legs.value(iB).iPeer == iA;
}

void CCallCommands::dropCall(quint32 iA, quint32 iB)
{
    if (m_legs.value(iA).iPeer == iB)
        m_legs.remove(iA);
    if (m_legs.value(iB).iPeer == iA)
        m_legs.remove(iB);
}

void CCallCommands::onCall(CRequest &request)
{
    const CSessionTable::Session *pSender = request.session();
    CFieldReader &fields = request.fields();
    const quint32 iReceiver = fields.zpid();
    const quint8 iSub = fields.u8();
    if (!fields.ok() || iReceiver == 0 || iReceiver == pSender->iZpid)
        return;
    const quint32 iSender = pSender->iZpid;
    CSessionTable::Session *pReceiver = reachable(iReceiver);

    switch (iSub) {
    case CallSubCall:
        // A new request replaces whatever call the caller had before.
        if (m_legs.value(iSender).iPeer != iReceiver) {
            if (const quint32 iOld = m_legs.value(iSender).iPeer)
                dropCall(iSender, iOld);
            m_legs.insert(iSender, {iReceiver, pSender->iId});
        }
        if (pReceiver && !m_legs.contains(iReceiver))
            m_legs.insert(iReceiver, {iSender, pReceiver->iId});
        break;
    case CallSubAnswer:
    case CallSubRinging:
        // Only the party that was asked takes part; a stray answer opens nothing.
        if (m_legs.value(iReceiver).iPeer != iSender)
            return;
        m_legs.insert(iSender, {iReceiver, pSender->iId});
        break;
    case CallSubVoice:
        if (!inCall(iSender, iReceiver))
            return;
        break;
    case CallSubRefuse:
    case CallSubBusy:
    case CallSubHangup:
        // A busy answer ends only the request it answers, not the busy party's own call.
        if (iSub == CallSubBusy) {
            if (m_legs.value(iReceiver).iPeer == iSender)
                m_legs.remove(iReceiver);
        } else {
            dropCall(iSender, iReceiver);
        }
        break;
    default:
        break;
    }
    if (pReceiver)
        m_service.sendDatagram(pReceiver->udpHost, pReceiver->iUdpPort, request.packet());
}

void CCallCommands::onPush(CRequest &request)
{
    CFieldReader &fields = request.fields();
    const quint32 iCallee = fields.zpid();
    if (!fields.ok())
        return;
    const bool bOnline = iCallee != request.session()->iZpid && reachable(iCallee) != nullptr;
    m_service.reply(request, CFieldWriter(CmdPush)
                                 .zpid(iCallee)
                                 .u8(0)
                                 .u8(bOnline ? PushDelivered : PushUnreachable)
                                 .packet());
}

void CCallCommands::onSessionEnded(quint64 iSessionId, quint32 iZpid)
{
    const auto it = m_legs.constFind(iZpid);
    if (it == m_legs.constEnd() || it->iSession != iSessionId)
        return;
    const quint32 iPeer = it->iPeer;
    dropCall(iZpid, iPeer);
    // The survivor hears a hang-up from the party that is gone, as if it had hung up.
    if (CSessionTable::Session *pPeer = reachable(iPeer))
        m_service.sendDatagram(
            pPeer->udpHost, pPeer->iUdpPort,
            CFieldWriter(CmdCallSignal).zpid(iZpid).zpid(iPeer).u8(CallSubHangup).packet());
}
