#include "cmessagecommands.h"

#include <QtEndian>

#include <cstring>

#include "caes.h"
#include "ccircletable.h"
#include "cfieldwriter.h"
#include "cserviceconfig.h"
#include "cservicecontext.h"
#include "cservicecounters.h"
#include "cservicestore.h"

using namespace Codes;

namespace {

bool carriesAttachment(quint8 iSubType)
{
    return iSubType == MsgSubFile || iSubType == MsgSubOtherFile || iSubType == MsgSubPair;
}

// An OLE Automation date as it travels: an IEEE-754 double, least significant byte first.
QByteArray dateBytes(double dDays)
{
    quint64 iBits = 0;
    std::memcpy(&iBits, &dDays, sizeof iBits);
    QByteArray ar(8, '\0');
    qToLittleEndian(iBits, ar.data());
    return ar;
}

} // namespace

CMessageCommands::CMessageCommands(CServiceContext &service)
    : m_service(service),
      m_quota(service.store().storedMessages(),
              {service.config().iMaxHeldPerAddressee, service.config().iMaxHeldBytesPerAddressee,
               service.config().iMaxHeldPerSender, service.config().iMaxHeldBytesPerSender})
{}

void CMessageCommands::install(CDispatcher &dispatcher)
{
    using D = CDispatcher;
    dispatcher.add(CmdMessage, D::OnUdp | D::OnTcp, D::SenderField,
                   [this](CRequest &request) { onMessage(request); });
    dispatcher.add(CmdMessageReceipt, D::OnUdp | D::OnTcp, D::SenderField,
                   [this](CRequest &request) { onReceipt(request); });
    dispatcher.add(CmdCardMessage, D::OnTcp, D::SenderField,
                   [this](CRequest &request) { onCardMessage(request); });
    dispatcher.add(CmdCircleMessage, D::OnTcp, D::SenderField,
                   [this](CRequest &request) { onCircleMessage(request); });
}

QString CMessageCommands::assistantReply()
{
    return QStringLiteral("你好，我是助手。消息已收到。");
}

double CMessageCommands::oleDate(const QDateTime &time)
{
    const QDateTime base(QDate(1899, 12, 30), QTime(0, 0));
    return double(base.msecsTo(time)) / 86400000.0;
}

bool CMessageCommands::addresseeKnown(quint32 iZpid) const
{
    return iZpid != 0 && m_service.store().accounts().byZpid(iZpid).has_value();
}

void CMessageCommands::onMessage(CRequest &request)
{
    CFieldReader &r = request.fields();
    CStoredMessageTable::Row row;
    row.iSender = request.session()->iZpid;
    row.iCode = CmdMessage;
    row.iAddressee = r.u32();
    row.iMsgId = r.u32();
    row.arBody = r.blob32();
    row.iKind = r.u8();
    row.arExtra = carriesAttachment(row.iKind) ? r.blob32() : QByteArray();
    row.dSentAt = oleDate(QDateTime::currentDateTime());

    const bool bAssistant = row.iAddressee == ASSISTANT_ZPID;
    const bool bFieldsOk = row.arBody.size() <= MAX_TEXT_CIPHER_BYTES &&
                           row.arExtra.size() <= MAX_ATTACHMENT_CIPHER_BYTES &&
                           (bAssistant || addresseeKnown(row.iAddressee));
    if (!bFieldsOk)
        m_service.counters().drop(CServiceCounters::DropBadField);
    if (!bFieldsOk || (!bAssistant && !hold(row))) {
        // A refused datagram stays unanswered by a receipt of result 0, so the client gives
        // the message up and marks it not delivered.
        m_service.reply(request, receiptPacket(row.iAddressee, row.iSender, 1, row.iMsgId));
        return;
    }
    // A datagram is acknowledged by the receipt; a message over TCP, which the client does
    // not re-send, by the acceptance report.
    if (request.channel() == CRequest::Udp)
        m_service.reply(request, receiptPacket(row.iAddressee, row.iSender, 0, row.iMsgId));
    else
        m_service.reply(request,
                        reportPacket(row.iAddressee, ReportMessage, ReportAccepted, row.iMsgId));
    if (bAssistant) {
        m_service.reply(request,
                        reportPacket(row.iAddressee, ReportMessage, ReportDelivered, row.iMsgId));
        answerAssistant(row.iSender);
        return;
    }
    relay(row, true);
}

bool CMessageCommands::hold(const CStoredMessageTable::Row &row)
{
    CStoredMessageTable &table = m_service.store().storedMessages();
    const CInboxQuota::Verdict verdict = m_quota.check(row);
    if (verdict == CInboxQuota::Unknown)
        return false;
    if (verdict != CInboxQuota::Fits) {
        // A re-send of a message held already takes no more room.
        if (table.contains(row))
            return true;
        m_service.counters().drop(verdict == CInboxQuota::SenderShareFull
                                      ? CServiceCounters::DropSenderShare
                                      : CServiceCounters::DropInboxFull);
        return false;
    }
    bool bInserted = false;
    if (!table.store(row, &bInserted))
        return false;
    if (bInserted)
        m_quota.add(row);
    return true;
}

bool CMessageCommands::relay(const CStoredMessageTable::Row &row, bool bLive)
{
    if (row.iCode == CmdCardMessage)
        return push(row.iAddressee, cardPacket(row));
    if (row.iCode == CmdCircleMessage)
        return push(row.iAddressee, circlePacket(row));
    // A circle notice was written whole by the circle family when it was held, and so was a
    // delivery report that waited for its sender.
    if (row.iCode == CmdApplyCircle || row.iCode == CmdDeliveryReport)
        return push(row.iAddressee, row.arBody);
    // A message that waited for its addressee goes as an offline message with its send time,
    // unless it has an attachment, which only the live form carries.
    const bool bOffline = !bLive && row.iKind == MsgSubText;
    if (!push(row.iAddressee, bOffline ? offlinePacket(row) : messagePacket(row)))
        return false;
    watchHandover(row);
    return true;
}

void CMessageCommands::watchHandover(const CStoredMessageTable::Row &row)
{
    const HandoverKey key{row.iAddressee, row.iSender, row.iMsgId};
    auto it = m_handovers.find(key);
    if (it == m_handovers.end()) {
        if (m_handovers.size() >= MAX_WATCHED)
            return;
        it = m_handovers.insert(key, Handover{row, 0, 0});
    }
    it->iLastMs = m_service.nowMs();
    ++it->iCount;
}

void CMessageCommands::resendUnconfirmed()
{
    const qint64 iNow = m_service.nowMs();
    CStoredMessageTable &table = m_service.store().storedMessages();
    for (auto it = m_handovers.begin(); it != m_handovers.end();) {
        Handover &handover = it.value();
        if (iNow - handover.iLastMs < UNCONFIRMED_MS) {
            ++it;
            continue;
        }
        // Confirmed meanwhile, handed over often enough (it waits for the next sign-in), or
        // its addressee is gone: no longer watched.
        if (handover.iCount >= MAX_HANDOVERS || !table.contains(handover.row) ||
            !push(handover.row.iAddressee, messagePacket(handover.row))) {
            it = m_handovers.erase(it);
            continue;
        }
        m_service.counters().event(CServiceCounters::MessageHandedOverAgain);
        handover.iLastMs = iNow;
        ++handover.iCount;
        ++it;
    }
}

bool CMessageCommands::push(quint32 iZpid, const QByteArray &arPacket)
{
    // Messages travel on the addressee's TCP connection: it keeps their order and loses none
    // while the session lasts.
    const CSessionTable::Session *pSession = m_service.sessions().newest(iZpid);
    if (!pSession || !pSession->bReady || !pSession->connection)
        return false;
    return m_service.send(pSession->connection.data(), arPacket);
}

void CMessageCommands::deliverHeld(const CSessionTable::Session &session)
{
    if (m_service.sessions().newest(session.iZpid) != &session)
        return;
    CStoredMessageTable &table = m_service.store().storedMessages();
    for (const CStoredMessageTable::Row &row : table.pending(session.iZpid)) {
        // Card and circle messages, circle notices and delivery reports have no receipt:
        // handed over is delivered.
        if (!relay(row, false) || (row.iCode != CmdCardMessage && row.iCode != CmdCircleMessage &&
                                   row.iCode != CmdApplyCircle && row.iCode != CmdDeliveryReport))
            continue;
        if (table.removeId(row.iId))
            m_quota.forget(row.iAddressee);
        if (row.iCode == CmdCardMessage)
            reportDelivered(row.iSender, row.iAddressee, ReportCard, row.iMsgId);
    }
}

void CMessageCommands::onReceipt(CRequest &request)
{
    CFieldReader &r = request.fields();
    const quint32 iSender = r.u32();
    r.u8(); // result: the client always sends 0
    const quint32 iMsgId = r.u32();
    const quint32 iAddressee = request.session()->iZpid;
    m_handovers.remove(HandoverKey{iAddressee, iSender, iMsgId});
    if (!m_service.store().storedMessages().remove(iAddressee, CmdMessage, iSender, iMsgId))
        return;
    m_quota.forget(iAddressee);
    reportDelivered(iSender, iAddressee, ReportMessage, iMsgId);
}

void CMessageCommands::reportDelivered(quint32 iSender, quint32 iAddressee, quint8 iKind,
                                       quint32 iMsgId)
{
    const QByteArray arReport = reportPacket(iAddressee, iKind, ReportDelivered, iMsgId);
    if (push(iSender, arReport))
        return;
    // The sender is away: the report waits for its next sign-in like a message, so that its
    // message does not stay "sent" for good.
    CStoredMessageTable::Row row;
    row.iAddressee = iSender;
    row.iSender = iAddressee;
    row.iCode = CmdDeliveryReport;
    row.iMsgId = iMsgId;
    row.iKind = iKind;
    row.dSentAt = oleDate(QDateTime::currentDateTime());
    row.arBody = arReport;
    hold(row);
}

void CMessageCommands::onCardMessage(CRequest &request)
{
    CFieldReader &r = request.fields();
    CStoredMessageTable::Row row;
    row.iSender = request.session()->iZpid;
    row.iCode = CmdCardMessage;
    row.iAddressee = r.u32();
    row.iKind = r.u8();
    row.iMsgId = r.u32();
    row.dSentAt = oleDate(QDateTime::currentDateTime());
    // The kind's fields are written anew from what was read, never passed on as received.
    CFieldWriter fields;
    bool bFieldsOk = row.iKind <= CardMsgExchanged;
    if (row.iKind == CardMsgAnswer) {
        fields.u8(r.u8());
    } else if (bFieldsOk) {
        fields.str8Bytes(r.enc8());
        if (row.iKind == CardMsgSent || row.iKind == CardMsgExchanged) {
            const QByteArray arContent = r.blob32();
            bFieldsOk = arContent.size() <= MAX_CARD_CIPHER_BYTES;
            fields.blob32(arContent);
        }
    }
    row.arBody = fields.packet();

    const bool bAssistant = row.iAddressee == ASSISTANT_ZPID;
    bFieldsOk =
        bFieldsOk && fields.ok() && r.ok() && (bAssistant || addresseeKnown(row.iAddressee));
    if (!bFieldsOk)
        m_service.counters().drop(CServiceCounters::DropBadField);
    if (!bFieldsOk || (!bAssistant && !hold(row))) {
        m_service.reply(request,
                        reportPacket(row.iAddressee, ReportCard, ReportRefused, row.iMsgId));
        return;
    }
    m_service.reply(request, reportPacket(row.iAddressee, ReportCard, ReportAccepted, row.iMsgId));
    if (bAssistant || relay(row, true)) {
        if (!bAssistant && m_service.store().storedMessages().remove(row.iAddressee, CmdCardMessage,
                                                                     row.iSender, row.iMsgId))
            m_quota.forget(row.iAddressee);
        m_service.reply(request,
                        reportPacket(row.iAddressee, ReportCard, ReportDelivered, row.iMsgId));
    }
}

quint32 CMessageCommands::nextAssistantMsgId()
{
    // Seconds since the epoch only grow, so ids stay new across restarts of the service and
    // the client never takes a new answer for a copy of an old one.
    const auto iNow = quint32(QDateTime::currentSecsSinceEpoch() & 0x7FFFFFFF);
    m_iAssistantMsgId = qMax(m_iAssistantMsgId + 1, iNow);
    return m_iAssistantMsgId;
}

void CMessageCommands::answerAssistant(quint32 iUser)
{
    CStoredMessageTable::Row row;
    row.iSender = ASSISTANT_ZPID;
    row.iAddressee = iUser;
    row.iCode = CmdMessage;
    row.iMsgId = nextAssistantMsgId();
    row.iKind = MsgSubText;
    row.arBody = encryptText(assistantReply());
    row.dSentAt = oleDate(QDateTime::currentDateTime());
    if (hold(row))
        relay(row, true);
}

QByteArray CMessageCommands::messagePacket(const CStoredMessageTable::Row &row)
{
    CFieldWriter w(CmdMessage);
    w.zpid(row.iSender).zpid(row.iAddressee).u32(row.iMsgId).blob32(row.arBody).u8(row.iKind);
    if (carriesAttachment(row.iKind))
        w.tail(dateBytes(row.dSentAt)).blob32(row.arExtra);
    return w.packet();
}

QByteArray CMessageCommands::offlinePacket(const CStoredMessageTable::Row &row)
{
    return CFieldWriter(CmdOfflineMessage)
        .zpid(row.iSender)
        .zpid(row.iAddressee)
        .tail(dateBytes(row.dSentAt))
        .u32(row.iMsgId)
        .blob32(row.arBody)
        .packet();
}

void CMessageCommands::onCircleMessage(CRequest &request)
{
    CFieldReader &r = request.fields();
    const quint32 iCircle = r.u32();
    r.u8(); // the kind: members send only messages
    const quint32 iMsgId = r.u32();
    const QByteArray arBody = r.blob32();
    const quint32 iSender = request.session()->iZpid;
    CCircleTable &circles = m_service.store().circles();
    const bool bMember = circles.roleOf(iCircle, iSender) != CCircleTable::RoleNone;
    const bool bAccepted = r.ok() && bMember && arBody.size() <= MAX_TEXT_CIPHER_BYTES;
    m_service.reply(request, CFieldWriter(CmdCircleMessage)
                                 .zpid(iSender)
                                 .u32(iCircle)
                                 .u8(CircleMsgOwnResult)
                                 .u32(iMsgId)
                                 .u8(bAccepted ? 0 : 1)
                                 .packet());
    if (!bAccepted) {
        m_service.counters().drop(CServiceCounters::DropBadField);
        return;
    }
    // Each other member gets it now or at its next sign-in; a member whose inbox is full
    // misses it, as with any message.
    for (const CCircleTable::Member &member : circles.members(iCircle)) {
        if (member.iZpid == iSender)
            continue;
        CStoredMessageTable::Row row;
        row.iAddressee = member.iZpid;
        row.iSender = iSender;
        row.iCode = CmdCircleMessage;
        row.iMsgId = iMsgId;
        row.dSentAt = oleDate(QDateTime::currentDateTime());
        row.arBody = arBody;
        row.arExtra = CFieldWriter().u32(iCircle).packet();
        if (!hold(row) || !relay(row, true))
            continue;
        if (m_service.store().storedMessages().remove(row.iAddressee, CmdCircleMessage, iSender,
                                                      iMsgId))
            m_quota.forget(row.iAddressee);
    }
}

QByteArray CMessageCommands::circlePacket(const CStoredMessageTable::Row &row)
{
    CFieldReader r(row.arExtra);
    const quint32 iCircle = r.u32();
    return CFieldWriter(CmdCircleMessage)
        .zpid(row.iAddressee)
        .u32(iCircle)
        .u8(CircleMsgMember)
        .u32(row.iMsgId)
        .zpid(row.iSender)
        .blob32(row.arBody)
        .packet();
}

QByteArray CMessageCommands::cardPacket(const CStoredMessageTable::Row &row)
{
    return CFieldWriter(CmdCardMessage)
        .zpid(row.iSender)
        .zpid(row.iAddressee)
        .u8(row.iKind)
        .u32(row.iMsgId)
        .tail(row.arBody)
        .packet();
}

QByteArray CMessageCommands::reportPacket(quint32 iPeer, quint8 iKind, quint8 iState,
                                          quint32 iMsgId)
{
    return CFieldWriter(CmdDeliveryReport).zpid(iPeer).u8(iKind).u8(iState).u32(iMsgId).packet();
}

QByteArray CMessageCommands::receiptPacket(quint32 iPeer, quint32 iAddressee, quint8 iResult,
                                           quint32 iMsgId)
{
    return CFieldWriter(CmdMessageReceipt)
        .zpid(iPeer)
        .zpid(iAddressee)
        .u8(iResult)
        .u32(iMsgId)
        .packet();
}
