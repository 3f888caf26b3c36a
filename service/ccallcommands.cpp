#include "ccallcommands.h"

#include "cfieldwriter.h"
#include "cservicecontext.h"

using namespace Codes;

namespace {

// A voice packet: the call header, two constant bytes, the frame mask and ten bytes for each
// frame the mask names; the top two mask bits are never set.
constexpr int VOICE_HEADER_BYTES = 13;
constexpr int VOICE_FRAME_BYTES = 10;
constexpr int CALL_PACKET_BYTES = 10;

bool hasOwnLength(const QByteArray &arPacket, quint8 iSub)
{
    if (iSub != CallSubVoice)
        return arPacket.size() == CALL_PACKET_BYTES;
    if (arPacket.size() < VOICE_HEADER_BYTES)
        return false;
    const quint8 iMask = quint8(arPacket.at(VOICE_HEADER_BYTES - 1));
    return (iMask & 0xC0) == 0 &&
           arPacket.size() == VOICE_HEADER_BYTES + VOICE_FRAME_BYTES * qPopulationCount(iMask);
}

} // namespace

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
    return pSession && pSession->hasEndpoint() ? pSession : nullptr;
}

void CCallCommands::sendTo(const CCallRegistry::Party &party, const QByteArray &arPacket)
{
    const CSessionTable::Session *pSession = m_service.sessions().byId(party.iSession);
    if (pSession && pSession->hasEndpoint())
        m_service.sendDatagram(pSession->udpHost, pSession->iUdpPort, arPacket);
}

void CCallCommands::onCall(CRequest &request)
{
    const CSessionTable::Session *pSender = request.session();
    CFieldReader &fields = request.fields();
    const quint32 iReceiver = fields.zpid();
    const quint8 iSub = fields.u8();
    if (!fields.ok() || iReceiver == 0 || iReceiver == pSender->iZpid ||
        !hasOwnLength(request.packet(), iSub)) {
        m_service.counters().drop(CServiceCounters::DropBadField);
        return;
    }
    const CSessionTable::Session *pReceiver = iSub == CallSubCall ? reachable(iReceiver) : nullptr;
    const CCallRegistry::Decision decision =
        m_calls.signal({pSender->iZpid, pSender->iId}, iReceiver, pReceiver ? pReceiver->iId : 0,
                       iSub, m_service.nowMs());
    if (decision.abandoned)
        sendTo(*decision.abandoned, CFieldWriter(CmdCallSignal)
                                        .zpid(pSender->iZpid)
                                        .zpid(decision.abandoned->iZpid)
                                        .u8(CallSubHangup)
                                        .packet());
    switch (decision.verdict) {
    case CCallRegistry::Pass:
        sendTo(decision.target, request.packet());
        break;
    case CCallRegistry::AnswerBusy:
        // What the callee's own client would answer, without ringing it.
        m_service.reply(request, CFieldWriter(CmdCallSignal)
                                     .zpid(iReceiver)
                                     .zpid(pSender->iZpid)
                                     .u8(CallSubBusy)
                                     .packet());
        break;
    case CCallRegistry::Refuse:
        m_service.counters().drop(CServiceCounters::DropNotInCall);
        break;
    }
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
    // The survivor hears a hang-up from the party that is gone, as if it had hung up.
    if (const auto survivor = m_calls.sessionEnded(iZpid, iSessionId))
        sendTo(*survivor, CFieldWriter(CmdCallSignal)
                              .zpid(iZpid)
                              .zpid(survivor->iZpid)
                              .u8(CallSubHangup)
                              .packet());
}
