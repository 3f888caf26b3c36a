#include "ccircleapplycommands.h"

#include <QDateTime>

#include "caes.h"
#include "ccirclerequesttable.h"
#include "ccircletable.h"
#include "cfieldwriter.h"
#include "cmessagecommands.h"
#include "cservicecontext.h"
#include "cservicecounters.h"
#include "cservicestore.h"

using namespace Codes;

namespace {

enum Result : quint8
{
    Done = 0,
    Refused = 1,
};

// Fields of a recommendation's text: the person proposed, then what the member knows of them.
enum RecommendField
{
    RecZpid = 0,
    RecName = 1,
    RecPhone = 2,
    RecCompany = 3,
};

QString cardField(const QString &strCard, int iIndex)
{
    return strCard.section(QLatin1Char(':'), iIndex, iIndex);
}

// A text field of the notices' own making: the separators a client splits at are replaced.
QString plainField(const QString &strText)
{
    QString strOut = strText;
    return strOut.replace(QLatin1Char(':'), QChar(0xFF1A)).replace(QLatin1Char(';'), QChar(0xFF1B));
}

} // namespace

void CCircleApplyCommands::install(CDispatcher &dispatcher)
{
    dispatcher.add(CmdApplyCircle, CDispatcher::OnTcp, CDispatcher::SenderField,
                   [this](CRequest &request) { onRequest(request); });
}

void CCircleApplyCommands::onRequest(CRequest &request)
{
    CFieldReader &r = request.fields();
    const quint8 iKind = r.u8();
    const quint32 iCircle = r.u32();
    switch (iKind) {
    case ApplyJoin:
        apply(request, iCircle);
        break;
    case ApplyInvite:
        recommend(request, iCircle);
        break;
    case ApplyAnswer:
    case ApplyAnswerText:
        answer(request, iKind, iCircle);
        break;
    default:
        // Every other kind is one the service sends, never one it takes.
        m_service.counters().drop(CServiceCounters::DropBadField);
        break;
    }
}

void CCircleApplyCommands::apply(CRequest &request, quint32 iCircleId)
{
    const QString strText = request.fields().enc8Text();
    const quint32 iZpid = request.session()->iZpid;
    CServiceStore &store = m_service.store();
    const auto circle = store.circles().circle(iCircleId);
    const auto applicant = store.accounts().byZpid(iZpid);
    const bool bOk = request.fields().ok() && circle && applicant &&
                     strText.toUtf8().size() <= MAX_TEXT_BYTES &&
                     store.circles().roleOf(iCircleId, iZpid) == CCircleTable::RoleNone &&
                     m_service.allowLookup(request) &&
                     store.circleRequests().add(
                         {0, iCircleId, CCircleRequestTable::Application, iZpid, iZpid, strText});
    m_service.reply(request, CFieldWriter(CmdApplyCircle)
                                 .zpid(iZpid)
                                 .u8(ApplyJoin)
                                 .u32(iCircleId)
                                 .u8(bOk ? Done : Refused)
                                 .packet());
    if (!bOk)
        return;
    // The creator's notice names the applicant: sex, name and company from its card, then the
    // application's own text.
    const QString &strCard = applicant->strCard;
    const QString strName = cardField(strCard, 0);
    notify(circle->iCreator, ApplyIncoming, iZpid,
           CFieldWriter(CmdApplyCircle)
               .zpid(circle->iCreator)
               .u8(ApplyIncoming)
               .u32(iCircleId)
               .u32(iZpid)
               .enc8(strText)
               .str8(plainField(cardField(strCard, 1)))
               .str8(plainField(strName.isEmpty() ? applicant->strName : strName))
               .str8(plainField(cardField(strCard, 3)))
               .packet());
}

void CCircleApplyCommands::recommend(CRequest &request, quint32 iCircleId)
{
    const QString strText = request.fields().enc8Text();
    const quint32 iZpid = request.session()->iZpid;
    CServiceStore &store = m_service.store();
    CCircleTable &circles = store.circles();
    const auto circle = circles.circle(iCircleId);
    // The person proposed is named by Zpid, or by the mobile number when the member's book
    // knows no Zpid for them.
    std::optional<CAccountTable::Row> subject;
    const quint32 iNamed = cardField(strText, RecZpid).toUInt();
    if (iNamed != 0)
        subject = store.accounts().byZpid(iNamed);
    else if (!cardField(strText, RecPhone).isEmpty())
        subject = store.accounts().byMobile(cardField(strText, RecPhone));
    // What the creator is shown is written anew: the subject's Zpid, then the member's words.
    const QString strNotice = QStringList{subject ? QString::number(subject->iZpid) : QString(),
                                          plainField(cardField(strText, RecName)),
                                          plainField(cardField(strText, RecPhone)),
                                          plainField(cardField(strText, RecCompany))}
                                  .join(QLatin1Char(':'));
    const bool bOk = request.fields().ok() && circle && subject &&
                     strText.toUtf8().size() <= MAX_TEXT_BYTES &&
                     circles.roleOf(iCircleId, iZpid) != CCircleTable::RoleNone &&
                     circles.roleOf(iCircleId, subject->iZpid) == CCircleTable::RoleNone &&
                     m_service.allowLookup(request) &&
                     store.circleRequests().add({0, iCircleId, CCircleRequestTable::Recommendation,
                                                 iZpid, subject->iZpid, strNotice});
    m_service.reply(request, CFieldWriter(CmdApplyCircle)
                                 .zpid(iZpid)
                                 .u8(ApplyInviteResult)
                                 .u32(iCircleId)
                                 .u8(bOk ? Done : Refused)
                                 .enc8(QString())
                                 .packet());
    if (!bOk)
        return;
    notify(circle->iCreator, ApplyInvite, subject->iZpid,
           CFieldWriter(CmdApplyCircle)
               .zpid(iZpid)
               .u8(ApplyInvite)
               .u32(iCircleId)
               .enc8(strNotice)
               .packet());
}

void CCircleApplyCommands::answer(CRequest &request, quint8 iKind, quint32 iCircleId)
{
    CFieldReader &r = request.fields();
    const quint32 iAnswered = r.u32();
    const quint8 iReply = r.u8();
    if (iKind == ApplyAnswerText)
        r.enc8Text(); // the creator's words go to nobody: the notices carry no text
    const quint32 iZpid = request.session()->iZpid;
    CServiceStore &store = m_service.store();
    CCircleTable &circles = store.circles();
    const bool bCreator = circles.roleOf(iCircleId, iZpid) == CCircleTable::RoleCreator;
    if (!bCreator)
        m_service.counters().event(CServiceCounters::CircleRefused);
    const auto open =
        r.ok() && bCreator ? store.circleRequests().oldestFrom(iCircleId, iAnswered) : std::nullopt;
    const bool bAgreed = iReply == 0;
    bool bDone = false;
    if (open && store.transaction()) {
        bDone = (!bAgreed || circles.addMember(iCircleId, open->iSubject)) &&
                store.circleRequests().remove(open->iId);
        if (!(bDone ? store.commit() : (store.rollback(), false)))
            bDone = false;
    }
    const quint8 iResultKind = iKind == ApplyAnswerText ? ApplyAnswerTextResult : ApplyAnswerResult;
    m_service.reply(request, CFieldWriter(CmdApplyCircle)
                                 .zpid(iZpid)
                                 .u8(iResultKind)
                                 .u32(iCircleId)
                                 .u32(iAnswered)
                                 .u8(bDone ? Done : Refused)
                                 .packet());
    if (!bDone)
        return;
    if (open->iKind == CCircleRequestTable::Application)
        notify(open->iSender, ApplyAnswer, iCircleId,
               CFieldWriter(CmdApplyCircle)
                   .zpid(iZpid)
                   .u8(ApplyAnswer)
                   .u32(iCircleId)
                   .u32(open->iSender)
                   .u8(bAgreed ? 0 : 1)
                   .packet());
    else
        notify(open->iSender, ApplyInviteAnswer, open->iSubject,
               CFieldWriter(CmdApplyCircle)
                   .zpid(open->iSender)
                   .u8(ApplyInviteAnswer)
                   .u32(iCircleId)
                   .u8(bAgreed ? 0 : 1)
                   .enc8(open->strText)
                   .packet());
    // The new member learns of the circle as one added by the creator does.
    if (bAgreed)
        notify(open->iSubject, ApplyNotice, iCircleId,
               CFieldWriter(CmdApplyCircle)
                   .zpid(iZpid)
                   .u8(ApplyNotice)
                   .u32(iCircleId)
                   .str8(QStringLiteral("已加入"))
                   .u8(0)
                   .packet());
}

void CCircleApplyCommands::notify(quint32 iZpid, quint8 iKind, quint32 iKey,
                                  const QByteArray &arPacket)
{
    const CSessionTable::Session *pSession = m_service.sessions().newest(iZpid);
    if (pSession && pSession->bReady && pSession->connection &&
        m_service.send(pSession->connection.data(), arPacket))
        return;
    CStoredMessageTable::Row row;
    row.iAddressee = iZpid;
    row.iSender = iKey;
    row.iCode = CmdApplyCircle;
    // Two notices of one kind and key are told apart by when they were held.
    row.iMsgId = (quint32(iKind) << 24) | quint32(m_service.nowMs() & 0xffffff);
    row.iKind = iKind;
    row.dSentAt = CMessageCommands::oleDate(QDateTime::currentDateTime());
    row.arBody = arPacket;
    if (!m_service.store().storedMessages().store(row))
        m_service.counters().drop(CServiceCounters::DropInboxFull);
}
