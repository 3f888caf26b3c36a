#include "ccirclecommands.h"

#include <QDateTime>
#include <QMap>
#include <QtEndian>

#include "caes.h"
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

bool fits(const QString &strText, int iMaxBytes)
{
    return !strText.trimmed().isEmpty() && strText.toUtf8().size() <= iMaxBytes;
}

// What a circle record of the list (93) and of a search hit (95) both begin with.
CFieldWriter &writeCircleHead(CFieldWriter &w, const CCircleTable::Circle &circle)
{
    return w.u8(0)
        .u32(circle.iCircleId)
        .u32(circle.iVersion)
        .enc8(circle.strName)
        .u8(quint8(circle.iType))
        .u8(quint8(circle.iProperty))
        .u32(circle.iCreator)
        .f64(circle.dCreated);
}

} // namespace

void CCircleCommands::install(CDispatcher &dispatcher)
{
    auto add = [&](Command iCode, void (CCircleCommands::*pHandler)(CRequest &)) {
        dispatcher.add(iCode, CDispatcher::OnTcp, CDispatcher::SenderField,
                       [this, pHandler](CRequest &request) { (this->*pHandler)(request); });
    };
    add(CmdCircle, &CCircleCommands::onCircleList);
    add(CmdCircleMember, &CCircleCommands::onCircleMembers);
    add(CmdNewCircle, &CCircleCommands::onNewCircle);
    add(CmdModifyCircleInfo, &CCircleCommands::onModifyInfo);
    add(CmdModifyCircleMember, &CCircleCommands::onModifyMembers);
    add(CmdExitCircle, &CCircleCommands::onExit);
    add(CmdDismissCircle, &CCircleCommands::onDismiss);
    add(CmdSearchCircle, &CCircleCommands::onSearch);
}

void CCircleCommands::onCircleList(CRequest &request)
{
    const quint32 iZpid = request.session()->iZpid;
    const QList<CCircleTable::Circle> circles = m_service.store().circles().ofMember(iZpid);
    CFieldWriter w(CmdCircle);
    w.zpid(iZpid).u8(0).u8(0).u32(0).u32(quint32(circles.size()));
    for (const CCircleTable::Circle &circle : circles) {
        writeCircleHead(w, circle)
            .u8(quint8(circle.iOwnRole))
            .u32(quint32(circle.iMemberCount))
            .str8(circle.strProfile);
    }
    if (!w.ok()) {
        m_service.counters().drop(CServiceCounters::DropBadField);
        return;
    }
    m_service.reply(request, w.packet());
}

void CCircleCommands::onCircleMembers(CRequest &request)
{
    CFieldReader &r = request.fields();
    r.u8();
    const quint32 iCircle = r.u32();
    const quint32 iZpid = request.session()->iZpid;
    CCircleTable &circles = m_service.store().circles();
    CFieldWriter w(CmdCircleMember);
    w.zpid(iZpid).u8(0).u32(iCircle);
    if (circles.roleOf(iCircle, iZpid) == CCircleTable::RoleNone) {
        m_service.reply(request, w.u8(Refused).u32(0).packet());
        return;
    }
    const QList<CCircleTable::Member> members = circles.members(iCircle);
    w.u8(0).u32(0).u32(quint32(members.size()));
    for (const CCircleTable::Member &member : members) {
        const auto account = m_service.store().accounts().byZpid(member.iZpid);
        const QString strCard = account ? account->strCard : QString();
        w.tail(QByteArray(5, '\0'))
            .u32(member.iZpid)
            .u8(quint8(member.iRole))
            .blob32(encryptText(strCard));
    }
    m_service.reply(request, w.packet());
}

void CCircleCommands::onNewCircle(CRequest &request)
{
    CFieldReader &r = request.fields();
    r.u8();
    r.u32(); // the count of the rest
    const QString strName = r.enc8Text();
    const quint8 iType = r.u8();
    const quint32 iZpid = request.session()->iZpid;
    quint32 iCircle = 0;
    if (r.ok() && fits(strName, MAX_NAME_BYTES)) {
        CServiceStore &store = m_service.store();
        if (store.transaction()) {
            iCircle =
                store.circles().create(strName.trimmed(), iType, iZpid,
                                       CMessageCommands::oleDate(QDateTime::currentDateTime()));
            if (!(iCircle != 0 ? store.commit() : (store.rollback(), false)))
                iCircle = 0;
        }
    }
    m_service.reply(request, CFieldWriter(CmdNewCircle)
                                 .zpid(iZpid)
                                 .u8(Done)
                                 .u8(iCircle != 0 ? Done : Refused)
                                 .u32(iCircle)
                                 .u32(0)
                                 .packet());
}

void CCircleCommands::onModifyInfo(CRequest &request)
{
    CFieldReader &r = request.fields();
    const quint32 iCircle = r.u32();
    r.u32();
    r.u8();
    const quint8 iKind = r.u8();
    const QString strText = r.enc8Text();
    const quint32 iZpid = request.session()->iZpid;
    CCircleTable &circles = m_service.store().circles();
    bool bDone = false;
    if (r.ok() && circles.roleOf(iCircle, iZpid) == CCircleTable::RoleCreator) {
        const bool bFits = iKind == 1 ? fits(strText, MAX_NAME_BYTES)
                                      : strText.toUtf8().size() <= MAX_PROFILE_BYTES;
        bDone = bFits && circles.setInfo(iCircle, iKind, iKind == 1 ? strText.trimmed() : strText);
    } else {
        m_service.counters().event(CServiceCounters::CircleRefused);
    }
    m_service.reply(request, CFieldWriter(CmdModifyCircleInfo)
                                 .zpid(iZpid)
                                 .u32(iCircle)
                                 .u32(0)
                                 .u8(bDone ? Done : Refused)
                                 .packet());
}

void CCircleCommands::onModifyMembers(CRequest &request)
{
    // A member is added by zpid, or by the mobile number in the card when the zpid is 0, or
    // removed; an edit changes only the card the client keeps.
    CFieldReader &r = request.fields();
    const quint8 iKind = r.u8();
    const quint32 iCircle = r.u32();
    const quint32 iCount = r.u32();
    r.u32(); // the count of the rest
    struct Entry
    {
        quint32 iZpid;
        QString strCard;
    };
    QList<Entry> entries;
    for (quint32 i = 0; i < iCount && r.ok(); ++i) {
        r.u8();
        const quint32 iZpid = r.u32();
        r.u8();
        entries.append({iZpid, decryptText(r.blob32())});
    }
    const quint32 iZpid = request.session()->iZpid;
    CServiceStore &store = m_service.store();
    CCircleTable &circles = store.circles();
    const bool bCreator = circles.roleOf(iCircle, iZpid) == CCircleTable::RoleCreator;
    bool bDone = r.ok() && bCreator && iKind <= MemberEditPhone;
    if (!bCreator)
        m_service.counters().event(CServiceCounters::CircleRefused);
    QList<quint32> changed;
    if (bDone && (iKind == MemberAdd || iKind == MemberRemove) && store.transaction()) {
        for (const Entry &entry : std::as_const(entries)) {
            quint32 iMember = entry.iZpid;
            if (iMember == 0 && iKind == MemberAdd) {
                const auto account =
                    store.accounts().byMobile(entry.strCard.section(QLatin1Char(':'), 5, 5));
                iMember = account ? account->iZpid : 0;
            }
            // Unknown users cannot join, and the creator cannot be removed.
            const int iRole = circles.roleOf(iCircle, iMember);
            const bool bOk =
                iKind == MemberAdd
                    ? iMember != 0 && store.accounts().byZpid(iMember) &&
                          (iRole != CCircleTable::RoleNone || circles.addMember(iCircle, iMember))
                    : iRole != CCircleTable::RoleNone && iRole != CCircleTable::RoleCreator &&
                          circles.removeMember(iCircle, iMember);
            bDone = bDone && bOk;
            if (bOk)
                changed.append(iMember);
        }
        if (!(bDone ? store.commit() : (store.rollback(), false))) {
            bDone = false;
            changed.clear();
        }
    }
    m_service.reply(request, CFieldWriter(CmdModifyCircleMember)
                                 .zpid(iZpid)
                                 .u8(iKind)
                                 .u32(iCircle)
                                 .u8(bDone ? Done : Refused)
                                 .packet());
    // Those added learn of their new circle as the list 93 would show it: a notice naming it.
    if (iKind == MemberAdd) {
        const QByteArray arNotice = CFieldWriter(CmdApplyCircle)
                                        .zpid(iZpid)
                                        .u8(ApplyNotice)
                                        .u32(iCircle)
                                        .str8(QStringLiteral("已加入"))
                                        .u8(0)
                                        .packet();
        for (quint32 iMember : std::as_const(changed))
            sendTo(iMember, arNotice);
    }
}

void CCircleCommands::onExit(CRequest &request)
{
    CFieldReader &r = request.fields();
    r.u8();
    const quint32 iCircle = r.u32();
    const quint32 iZpid = request.session()->iZpid;
    CCircleTable &circles = m_service.store().circles();
    // The creator dissolves a circle rather than leave it.
    const int iRole = circles.roleOf(iCircle, iZpid);
    const bool bLeft = iRole != CCircleTable::RoleNone && iRole != CCircleTable::RoleCreator &&
                       circles.removeMember(iCircle, iZpid);
    m_service.reply(request, CFieldWriter(CmdExitCircle)
                                 .zpid(iZpid)
                                 .u8(0)
                                 .u32(iCircle)
                                 .u8(bLeft ? Done : Refused)
                                 .packet());
    if (bLeft)
        tellMembers(iCircle, iZpid,
                    CFieldWriter(CmdExitCircle).zpid(iZpid).u8(1).u32(iCircle).packet());
}

void CCircleCommands::onDismiss(CRequest &request)
{
    CFieldReader &r = request.fields();
    r.u8();
    const quint32 iCircle = r.u32();
    const quint32 iZpid = request.session()->iZpid;
    CCircleTable &circles = m_service.store().circles();
    const auto circle = circles.circle(iCircle);
    const bool bCreator = circle && circles.roleOf(iCircle, iZpid) == CCircleTable::RoleCreator;
    if (!bCreator)
        m_service.counters().event(CServiceCounters::CircleRefused);
    const bool bDone = bCreator && circles.remove(iCircle);
    m_service.reply(request, CFieldWriter(CmdDismissCircle)
                                 .zpid(iZpid)
                                 .u8(0)
                                 .u32(iCircle)
                                 .u8(bDone ? Done : Refused)
                                 .packet());
    if (!bDone)
        return;
    for (const CCircleTable::Member &member : circle->members) {
        if (member.iZpid == iZpid)
            continue;
        sendTo(member.iZpid, CFieldWriter(CmdDismissCircle)
                                 .zpid(member.iZpid)
                                 .u8(1)
                                 .u32(iCircle)
                                 .u32(iZpid)
                                 .str8(circle->strName)
                                 .packet());
    }
}

void CCircleCommands::onSearch(CRequest &request)
{
    CFieldReader &r = request.fields();
    const quint8 iType = r.u8();
    const quint8 iConditions = r.u8();
    QMap<quint8, QString> conditions;
    for (int i = 0; i < iConditions && r.ok(); ++i) {
        const quint8 iKey = r.u8();
        conditions.insert(iKey, r.str8Text());
    }
    const quint32 iZpid = request.session()->iZpid;
    CFieldWriter w(CmdSearchCircle);
    w.zpid(iZpid).u8(iType);
    if (!r.ok() || (iType != SearchCircles && iType != SearchUsers) ||
        !m_service.allowLookup(request)) {
        m_service.reply(request, w.u8(Refused).u32(0).packet());
        return;
    }
    CServiceStore &store = m_service.store();
    CFieldWriter entries;
    quint32 iCount = 0;
    if (iType == SearchCircles) {
        for (const CCircleTable::Circle &circle :
             store.circles().search(conditions.value(SearchKeyCircleName), MAX_SEARCH_HITS)) {
            writeCircleHead(entries, circle).u32(quint32(circle.iMemberCount));
            ++iCount;
        }
    } else {
        // Users are found by an exact Zpid or mobile number only: a search is no directory.
        std::optional<CAccountTable::Row> account;
        if (conditions.contains(SearchKeyZpid))
            account = store.accounts().byZpid(conditions.value(SearchKeyZpid).toUInt());
        else if (conditions.contains(SearchKeyMobile) &&
                 !conditions.value(SearchKeyMobile).isEmpty())
            account = store.accounts().byMobile(conditions.value(SearchKeyMobile));
        if (account && account->iZpid != iZpid) {
            // The number travels as a little-endian integer of eight bytes, enough for any
            // mobile number; one that is not a number is left out.
            bool bNumber = false;
            const quint64 iMobile = account->strMobile.toULongLong(&bNumber);
            QByteArray arNumber;
            if (bNumber) {
                arNumber.resize(8);
                qToLittleEndian(iMobile, arNumber.data());
            }
            const QString strName = account->strCard.section(QLatin1Char(':'), 0, 0);
            const bool bFemale = account->strCard.section(QLatin1Char(':'), 1, 1) == "1";
            entries.u8(0)
                .u32(account->iZpid)
                .enc8(strName.isEmpty() ? account->strName : strName)
                .str8Bytes(arNumber)
                .u8(bFemale ? 1 : 0);
            ++iCount;
        }
    }
    w.u8(Done).u32(iCount).tail(entries.packet());
    if (!w.ok() || !entries.ok()) {
        m_service.counters().drop(CServiceCounters::DropBadField);
        return;
    }
    m_service.reply(request, w.packet());
}

void CCircleCommands::tellMembers(quint32 iCircleId, quint32 iExcept, const QByteArray &arPacket)
{
    for (const CCircleTable::Member &member : m_service.store().circles().members(iCircleId)) {
        if (member.iZpid == iExcept)
            continue;
        sendTo(member.iZpid, arPacket);
    }
}

void CCircleCommands::sendTo(quint32 iZpid, const QByteArray &arPacket)
{
    if (CSessionTable::Session *pSession = m_service.sessions().newest(iZpid))
        m_service.send(pSession->connection, arPacket);
}
