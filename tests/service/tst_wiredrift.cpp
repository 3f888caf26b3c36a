// Drift between the two ends of the wire. Every request form the client's own code builds
// (its CNetwork request slots and Protocol's fixed forms) is measured by the service's
// CRequestLayout: it must be complete at exactly its length and incomplete one byte short, and
// its kind byte must be the shared name the service reads it by. Every reply form the service
// builds for those requests goes through the client's Protocol and must give the typed signal
// the controller waits for. A sub-code changed on one side only fails here.
#include <QSignalSpy>
#include <QtTest>

#include <functional>

#include "ccallsession.h"
#include "cfieldreader.h"
#include "clientside.h"
#include "cnetwork.h"
#include "codes.h"
#include "crequestlayout.h"
#include "csessionstate.h"
#include "protocol.h"
#include "serviceclient.h"
#include "servicefixture.h"

using namespace Codes;

namespace {

constexpr char kPassword[] = "demo1234";
constexpr quint32 kZhang = 1000001;
constexpr quint32 kLi = 1000002;
constexpr quint32 kWang = 1000003;
constexpr quint32 kDemoCircle = 2000001;
const QString kLiText = QString::number(kLi);

// The byte a request carries its kind in, read the way the service reads it; -1 for none.
using KindOf = std::function<int(const QByteArray &)>;

KindOf byteAt(int iOffset)
{
    return [iOffset](const QByteArray &ar) {
        return iOffset < ar.size() ? int(quint8(ar.at(iOffset))) : -2;
    };
}

// The sub-type of a one-to-one message: after code, sender, addressee, id and the text.
int messageSub(const QByteArray &ar)
{
    CFieldReader r(ar, 13);
    r.blob32();
    const quint8 iSub = r.u8();
    return r.ok() ? iSub : -2;
}

using Send = std::function<void(CNetwork &, Protocol &)>;

struct RequestForm
{
    const char *name;
    Send send;
    quint8 iCode;
    KindOf kind;
    int iKind; // the shared name the kind byte must equal; -1 when the form has no kind
};

void fixed(Protocol &proto, quint8 iCode)
{
    proto.slot_onCreateProtocol(iCode, QByteArray());
}

// The call packets the call session answers with go out as its payload, like Protocol's
// carryOut sends them.
void callAnswer(Protocol &proto, quint8 iSub)
{
    proto.slot_onCreateProtocol(CmdCallSignal, CCallSession::payload(kLi, iSub));
}

QList<RequestForm> requestForms()
{
    const KindOf none;
    return {
        {"102 sub-server", [](CNetwork &, Protocol &p) { fixed(p, CmdSubServer); }, CmdSubServer,
         none, -1},
        {"39 login", [](CNetwork &, Protocol &p) { fixed(p, CmdLogin); }, CmdLogin, none, -1},
        {"3 heartbeat", [](CNetwork &, Protocol &p) { fixed(p, CmdHeartbeat); }, CmdHeartbeat, none,
         -1},
        {"28 reserved", [](CNetwork &, Protocol &p) { fixed(p, CmdReserved); }, CmdReserved, none,
         -1},
        {"35 logout", [](CNetwork &, Protocol &p) { fixed(p, CmdLogout); }, CmdLogout, none, -1},
        {"93 circles", [](CNetwork &, Protocol &p) { fixed(p, CmdCircle); }, CmdCircle, none, -1},
        {"11 all user state", [](CNetwork &n, Protocol &) { n.slot_onGetAllUserState(); },
         CmdAllUserState, none, -1},
        {"12 user state", [](CNetwork &n, Protocol &) { n.slot_onGetUserState("13800138001"); },
         CmdUserState, none, -1},
        {"13 user phone", [](CNetwork &n, Protocol &) { n.slot_onGetUserPhone(kLiText); },
         CmdUserPhone, none, -1},
        {"14 text", [](CNetwork &n, Protocol &) { n.slot_onSendMsg("你好", kLiText); }, CmdMessage,
         messageSub, MsgSubText},
        {"14 file",
         [](CNetwork &n, Protocol &) {
             n.slot_onSendRichMsg(kLiText, {"看", "a.txt", "12", "md5", "path"}, MsgSubFile);
         },
         CmdMessage, messageSub, MsgSubFile},
        {"14 pair",
         [](CNetwork &n, Protocol &) {
             n.slot_onSendRichMsg(kLiText, {"看", "a", "b"}, MsgSubPair);
         },
         CmdMessage, messageSub, MsgSubPair},
        {"32 may know", [](CNetwork &n, Protocol &) { n.slot_onGetMayKnow(); }, CmdMayKnow, none,
         -1},
        {"36 contacts", [](CNetwork &n, Protocol &) { n.slot_onGetContact(); }, CmdContact, none,
         -1},
        {"60 upload", [](CNetwork &n, Protocol &) { n.slot_onUploadNetContact({"1;a;b"}); },
         CmdUploadNetContact, none, -1},
        {"61 download", [](CNetwork &n, Protocol &) { n.slot_onGetNetContact(); }, CmdNetContact,
         none, -1},
        {"63 add",
         [](CNetwork &n, Protocol &) {
             n.slot_onModifyNetContact(NetContactAdd, "", "甲", "139", "组");
         },
         CmdModifyNetContact, byteAt(5), NetContactAdd},
        {"63 delete",
         [](CNetwork &n, Protocol &) {
             n.slot_onModifyNetContact(NetContactDelete, "139", "", "", "");
         },
         CmdModifyNetContact, byteAt(5), NetContactDelete},
        {"63 edit",
         [](CNetwork &n, Protocol &) {
             n.slot_onModifyNetContact(NetContactEdit, "139", "乙", "138", "");
         },
         CmdModifyNetContact, byteAt(5), NetContactEdit},
        {"81 card text", [](CNetwork &n, Protocol &) { n.slot_onGetCard(kLiText, CardItemText); },
         CmdCard, byteAt(5), CardItemText},
        {"81 card picture",
         [](CNetwork &n, Protocol &) { n.slot_onGetCard(kLiText, CardItemPicture); }, CmdCard,
         byteAt(5), CardItemPicture},
        {"82 save card", [](CNetwork &n, Protocol &) { n.slot_onSavePersonalCard("张伟:1"); },
         CmdSaveCard, byteAt(5), CardItemText},
        {"82 save picture", [](CNetwork &n, Protocol &) { n.slot_onSaveCardPic("\x89PNG"); },
         CmdSaveCard, byteAt(5), CardItemPicture},
        {"83 card sent",
         [](CNetwork &n, Protocol &) { n.slot_onSendCard("名片", "张伟:1", kLiText, CardMsgSent); },
         CmdCardMessage, byteAt(9), CardMsgSent},
        {"83 card request",
         [](CNetwork &n, Protocol &) { n.slot_onSendCard("请求", "", kLiText, CardMsgRequest); },
         CmdCardMessage, byteAt(9), CardMsgRequest},
        {"83 card answer",
         [](CNetwork &n, Protocol &) { n.slot_onSendCard("1", "", kLiText, CardMsgAnswer); },
         CmdCardMessage, byteAt(9), CardMsgAnswer},
        {"83 card exchanged",
         [](CNetwork &n, Protocol &) {
             n.slot_onSendCard("名片", "张伟:1", kLiText, CardMsgExchanged);
         },
         CmdCardMessage, byteAt(9), CardMsgExchanged},
        {"97 circle message",
         [](CNetwork &n, Protocol &) { n.slot_onSendCircleMsg("大家好", "5"); }, CmdCircleMessage,
         none, -1},
        {"91 new circle", [](CNetwork &n, Protocol &) { n.slot_onNewCircle("读书会", 1); },
         CmdNewCircle, none, -1},
        {"92 circle members",
         [](CNetwork &n, Protocol &) {
             sessionState().mapPendingMembers = {{"李娜:::公司::13800138001", kLi}};
             n.slot_onModifyCircleMember("5", 0, 3);
         },
         CmdModifyCircleMember, none, -1},
        {"94 circle member list", [](CNetwork &n, Protocol &) { n.slot_onGetCircleMember(5); },
         CmdCircleMember, none, -1},
        {"95 circle search",
         [](CNetwork &n, Protocol &) {
             n.slot_onSearchCircle(1, {{3, "13800138001"}});
         },
         CmdSearchCircle, none, -1},
        {"96 leave circle", [](CNetwork &n, Protocol &) { n.slot_onExitCircle("5"); },
         CmdExitCircle, none, -1},
        {"98 apply",
         [](CNetwork &n, Protocol &) {
             n.slot_onApplyCircle("5", "读书会", 1, "让我进", ApplyJoin);
         },
         CmdApplyCircle, byteAt(5), ApplyJoin},
        {"98 recommend",
         [](CNetwork &n, Protocol &) {
             n.slot_onApplyCircle("5", "读书会", 1, "1000003:王强", ApplyInvite);
         },
         CmdApplyCircle, byteAt(5), ApplyInvite},
        {"98 answer", [](CNetwork &n, Protocol &) { n.slot_onApplyCircleReply("5", kLiText, 0); },
         CmdApplyCircle, byteAt(5), ApplyAnswer},
        {"98 answer with text",
         [](CNetwork &n, Protocol &) { n.slot_onApplyCircleReply("5", kLiText, 0, "欢迎"); },
         CmdApplyCircle, byteAt(5), ApplyAnswerText},
        {"99 circle info",
         [](CNetwork &n, Protocol &) { n.slot_onModifyCircleInfo(1, "5", "新名字"); },
         CmdModifyCircleInfo, none, -1},
        {"112 dissolve circle", [](CNetwork &n, Protocol &) { n.slot_onDismissCircle("5"); },
         CmdDismissCircle, none, -1},
        {"100 strange card", [](CNetwork &n, Protocol &) { n.slot_onGetStrangeCard(kLiText); },
         CmdStrangeCard, none, -1},
        {"19 push", [](CNetwork &n, Protocol &) { n.slot_onSendPush(kLiText); }, CmdPush, none, -1},
        {"5 call",
         [](CNetwork &n, Protocol &) {
             n.slot_onSendPush(kLiText);
             n.slot_onCall(kLiText);
         },
         CmdCallSignal, byteAt(9), CallSubCall},
        {"5 hang-up",
         [](CNetwork &n, Protocol &) {
             n.slot_onSendPush(kLiText);
             n.slot_onHangup(kLiText);
         },
         CmdCallSignal, byteAt(9), CallSubHangup},
        {"5 answer", [](CNetwork &, Protocol &p) { callAnswer(p, CallSubAnswer); }, CmdCallSignal,
         byteAt(9), CallSubAnswer},
        {"5 refuse", [](CNetwork &, Protocol &p) { callAnswer(p, CallSubRefuse); }, CmdCallSignal,
         byteAt(9), CallSubRefuse},
        {"5 busy", [](CNetwork &, Protocol &p) { callAnswer(p, CallSubBusy); }, CmdCallSignal,
         byteAt(9), CallSubBusy},
        {"5 ringing", [](CNetwork &, Protocol &p) { callAnswer(p, CallSubRinging); }, CmdCallSignal,
         byteAt(9), CallSubRinging},
        {"5 ack", [](CNetwork &, Protocol &p) { callAnswer(p, CallSubAck); }, CmdCallSignal,
         byteAt(9), CallSubAck},
        {"87 organisation change",
         [](CNetwork &n, Protocol &) {
             n.slot_onModifyOrgInfo(
                 QVariantList{"77001", "示例公司", "示例", "a", "b", "c", "d", "e"}, 1);
         },
         CmdEnterprise, byteAt(5), EntModifyOrg},
        {"87 organisation sign-in",
         [](CNetwork &n, Protocol &) { n.slot_onLoginOrg("77001", kPassword); }, CmdEnterprise,
         byteAt(5), EntLoginOrg},
        {"87 enterprise sign-in",
         [](CNetwork &n, Protocol &) {
             sessionState().strPhone = "13800138001";
             n.slot_onLoginSubServer("77001", kPassword);
         },
         CmdEnterprise, byteAt(5), EntLoginSubServer},
        {"87 department change",
         [](CNetwork &n, Protocol &) {
             n.slot_onModifyDeptInfo(77001, "0", "D1", "研发部", EntAdd, "001");
         },
         CmdEnterprise, byteAt(5), EntModifyDept},
        {"87 employee change",
         [](CNetwork &n, Protocol &) {
             n.slot_onModifyEmpInfo(kLi, 77001, "D1", "13800138002", "李娜", "13800138002",
                                    "010-1234", "工程师", RoleEmployee, EntEdit, "002");
         },
         CmdEnterprise, byteAt(5), EntModifyEmp},
        {"87 departments", [](CNetwork &n, Protocol &) { n.slot_onGetDeptInfo(77001); },
         CmdEnterprise, byteAt(5), EntDeptList},
        {"87 employees", [](CNetwork &n, Protocol &) { n.slot_onGetEmpInfo(77001, "D1"); },
         CmdEnterprise, byteAt(5), EntEmpList},
        {"87 organisations", [](CNetwork &n, Protocol &) { n.slot_onGetOrgInfo("示例"); },
         CmdEnterprise, byteAt(5), EntOrgList},
        {"87 enterprise password",
         [](CNetwork &n, Protocol &) {
             n.slot_onChangePassword(2, 0, QVariantList{"77001", "13800138001", "n3w-pass"});
         },
         CmdEnterprise, byteAt(5), EntChangePassword},
        {"87 employee list",
         [](CNetwork &n, Protocol &) {
             QObject row;
             for (const char *pName :
                  {"strPNo", "strNo", "strName", "strPhone", "strTel", "strPost", "strSNo"})
                 row.setProperty(pName, QStringLiteral("值"));
             n.slot_onModifyEmpInfo(kZhang, 77001, QObjectList{&row, &row});
         },
         CmdEnterprise, byteAt(5), EntModifyEmpList},
        {"87 department list",
         [](CNetwork &n, Protocol &) {
             QObject row;
             for (const char *pName : {"strPNo", "strPName", "strPSNo"})
                 row.setProperty(pName, QStringLiteral("部"));
             n.slot_onModifyDeptInfo(77001, QObjectList{&row});
         },
         CmdEnterprise, byteAt(5), EntModifyDeptList},
    };
}

// A reply form: the request the client's code sends, the reply code and channel the service
// answers on, and what the client's parser must make of it.
struct ReplyForm
{
    const char *name;
    Send send;
    quint8 iCode;
    bool bUdp;
    // Runs the parse and says what went wrong, empty when the typed signal came as expected.
    std::function<QString(ClientSide &)> check;
};

template <typename Signal>
QString expectSignal(ClientSide &client, quint8 iCode, bool bUdp, Signal signal,
                     const std::function<QString(const QList<QVariant> &)> &args)
{
    QSignalSpy spy(&client.proto, signal);
    if (!client.parse(iCode, bUdp))
        return QStringLiteral("no reply %1").arg(iCode);
    if (spy.isEmpty())
        return QStringLiteral("no signal for reply %1").arg(iCode);
    return args(spy.first());
}

QString same(const QVariant &value, const QVariant &expected, const char *what)
{
    return value == expected ? QString()
                             : QStringLiteral("%1: %2, expected %3")
                                   .arg(QLatin1String(what), value.toString(), expected.toString());
}

constexpr quint32 kOrg = 3000001;
const QString kOrgText = QString::number(kOrg);

// Signs the client in to the demo organisation, of which it is the administrator; only those
// signed in to an organisation reach its directory.
void signInToOrg(CNetwork &n, Protocol &)
{
    n.slot_onLoginSubServer(kOrgText, QString::fromLatin1(kPassword));
}

// Takes the sign-in's answer, then sends the request and expects its signal.
template <typename Signal>
QString afterSignIn(ClientSide &c, const std::function<void(CNetwork &)> &request, Signal signal,
                    const std::function<QString(const QList<QVariant> &)> &args)
{
    QSignalSpy signedIn(&c.proto, &Protocol::sig_loginenterprise);
    if (!c.parse(CmdEnterprise, false) || signedIn.isEmpty() || !signedIn.first().at(3).toBool())
        return QStringLiteral("not signed in to the organisation");
    request(c.net);
    return expectSignal(c, CmdEnterprise, false, signal, args);
}

QString allOf(const QStringList &errors)
{
    for (const QString &strError : errors) {
        if (!strError.isEmpty())
            return strError;
    }
    return QString();
}

QList<ReplyForm> replyForms()
{
    return {
        {"81 card text", [](CNetwork &n, Protocol &) { n.slot_onGetCard(kLiText, CardItemText); },
         CmdCard, false,
         [](ClientSide &c) {
             return expectSignal(c, CmdCard, false, &Protocol::sig_parseCard,
                                 [](const QList<QVariant> &a) {
                                     return same(a.at(0), int(CardOfOwn), "card owner");
                                 });
         }},
        {"81 card picture",
         [](CNetwork &n, Protocol &) { n.slot_onGetCard(kLiText, CardItemPicture); }, CmdCard,
         false,
         [](ClientSide &c) {
             return expectSignal(
                 c, CmdCard, false, &Protocol::sig_parseCardPic,
                 [](const QList<QVariant> &a) { return same(a.at(0), kLi, "picture owner"); });
         }},
        {"82 save card", [](CNetwork &n, Protocol &) { n.slot_onSavePersonalCard("张伟:1"); },
         CmdSaveCard, false,
         [](ClientSide &c) {
             return expectSignal(
                 c, CmdSaveCard, false, &Protocol::sig_saveCard,
                 [](const QList<QVariant> &a) { return same(a.at(0), 0, "result"); });
         }},
        {"100 strange card", [](CNetwork &n, Protocol &) { n.slot_onGetStrangeCard(kLiText); },
         CmdStrangeCard, false,
         [](ClientSide &c) {
             return expectSignal(c, CmdStrangeCard, false, &Protocol::sig_parseCard,
                                 [](const QList<QVariant> &a) {
                                     return same(a.at(0), int(CardOfStranger), "card owner");
                                 });
         }},
        {"63 modify",
         [](CNetwork &n, Protocol &) {
             n.slot_onModifyNetContact(NetContactAdd, "", "甲", "13900000001", "");
         },
         CmdModifyNetContact, false,
         [](ClientSide &c) {
             return expectSignal(
                 c, CmdModifyNetContact, false, &Protocol::sig_modifyNetContact,
                 [](const QList<QVariant> &a) { return same(a.at(0), 0, "result"); });
         }},
        {"19 push reached", [](CNetwork &n, Protocol &) { n.slot_onSendPush(kLiText); }, CmdPush,
         true,
         [](ClientSide &c) {
             return expectSignal(c, CmdPush, true, &Protocol::sig_parseCallState,
                                 [](const QList<QVariant> &a) {
                                     return same(a.at(0), int(CallPushReached), "call state");
                                 });
         }},
        {"19 push unreachable",
         [](CNetwork &n, Protocol &) { n.slot_onSendPush(QString::number(kWang)); }, CmdPush, true,
         [](ClientSide &c) {
             return expectSignal(c, CmdPush, true, &Protocol::sig_parseCallState,
                                 [](const QList<QVariant> &a) {
                                     return same(a.at(0), int(CallUnreachable), "call state");
                                 });
         }},
        {"16 receipt of a text", [](CNetwork &n, Protocol &) { n.slot_onSendMsg("你好", kLiText); },
         CmdMessageReceipt, true,
         [](ClientSide &c) {
             return expectSignal(c, CmdMessageReceipt, true, &Protocol::sig_updateMsgRecord,
                                 [](const QList<QVariant> &a) {
                                     return same(a.at(3), int(MsgAccepted), "message state");
                                 });
         }},
        {"15 card message accepted",
         [](CNetwork &n, Protocol &) { n.slot_onSendCard("名片", "张伟:1", kLiText, CardMsgSent); },
         CmdDeliveryReport, false,
         [](ClientSide &c) {
             return expectSignal(c, CmdDeliveryReport, false, &Protocol::sig_updateMsgRecord,
                                 [](const QList<QVariant> &a) {
                                     return same(a.at(3), int(MsgAccepted), "message state");
                                 });
         }},
        {"93 circles", [](CNetwork &n, Protocol &) { n.slot_onGetCircle(); }, CmdCircle, false,
         [](ClientSide &c) {
             return expectSignal(c, CmdCircle, false, &Protocol::sig_parseCirlce,
                                 [](const QList<QVariant> &a) {
                                     return same(a.at(0).toByteArray().left(4).toHex(),
                                                 QByteArray("01000000"), "circle count");
                                 });
         }},
        {"94 members", [](CNetwork &n, Protocol &) { n.slot_onGetCircleMember(kDemoCircle); },
         CmdCircleMember, false,
         [](ClientSide &c) {
             return expectSignal(
                 c, CmdCircleMember, false, &Protocol::sig_parseCirlceMember,
                 [](const QList<QVariant> &a) { return same(a.at(1), kDemoCircle, "circle"); });
         }},
        {"95 circles found",
         [](CNetwork &n, Protocol &) {
             n.slot_onSearchCircle(0, {{0, QStringLiteral("演示")}});
         },
         CmdSearchCircle, false,
         [](ClientSide &c) {
             return expectSignal(c, CmdSearchCircle, false, &Protocol::sig_parseSearchResult,
                                 [](const QList<QVariant> &a) {
                                     QString strError = same(a.at(0), 0, "search kind");
                                     return strError.isEmpty() ? same(a.at(2), 1, "hits")
                                                               : strError;
                                 });
         }},
        {"95 user found",
         [](CNetwork &n, Protocol &) {
             n.slot_onSearchCircle(1, {{4, kLiText}});
         },
         CmdSearchCircle, false,
         [](ClientSide &c) {
             return expectSignal(c, CmdSearchCircle, false, &Protocol::sig_parseSearchResult,
                                 [](const QList<QVariant> &a) {
                                     QString strError = same(a.at(0), 1, "search kind");
                                     return strError.isEmpty() ? same(a.at(2), 1, "hits")
                                                               : strError;
                                 });
         }},
        {"98 application result",
         [](CNetwork &n, Protocol &) {
             n.slot_onApplyCircle(QString::number(kDemoCircle), "演示圈", 0, "想加入", ApplyJoin);
         },
         CmdApplyCircle, false,
         [](ClientSide &c) {
             // The creator is a member already: refused, and said so.
             return expectSignal(c, CmdApplyCircle, false, &Protocol::sig_applyCircle,
                                 [](const QList<QVariant> &a) {
                                     QString strError = same(a.at(1), int(ApplyJoin), "kind");
                                     return strError.isEmpty() ? same(a.at(0), 1, "result")
                                                               : strError;
                                 });
         }},
        {"98 recommendation result",
         [](CNetwork &n, Protocol &) {
             n.slot_onApplyCircle(QString::number(kDemoCircle), "演示圈", 0,
                                  "0:某人:13900000000:", ApplyInvite);
         },
         CmdApplyCircle, false,
         [](ClientSide &c) {
             return expectSignal(c, CmdApplyCircle, false, &Protocol::sig_applyCircle,
                                 [](const QList<QVariant> &a) {
                                     QString strError = same(a.at(1), int(ApplyInvite), "kind");
                                     return strError.isEmpty() ? same(a.at(0), 1, "result")
                                                               : strError;
                                 });
         }},
        {"98 answer result",
         [](CNetwork &n, Protocol &) {
             n.slot_onApplyCircleReply(QString::number(kDemoCircle), kLiText, 0);
         },
         CmdApplyCircle, false,
         [](ClientSide &c) {
             return expectSignal(
                 c, CmdApplyCircle, false, &Protocol::sig_updateMsgRecord,
                 [](const QList<QVariant> &a) {
                     QString strError = same(a.at(2), int(ApplyAnswerResult), "kind");
                     return strError.isEmpty() ? same(a.at(3), 1, "result") : strError;
                 });
         }},
        {"87 organisations", [](CNetwork &n, Protocol &) { n.slot_onGetOrgInfo(QString()); },
         CmdEnterprise, false,
         [](ClientSide &c) {
             return expectSignal(
                 c, CmdEnterprise, false, &Protocol::sig_parseOrgInfo,
                 [](const QList<QVariant> &a) { return same(a.at(1), 1, "organisations"); });
         }},
        {"87 enterprise sign-in", signInToOrg, CmdEnterprise, false,
         [](ClientSide &c) {
             return expectSignal(c, CmdEnterprise, false, &Protocol::sig_loginenterprise,
                                 [](const QList<QVariant> &a) {
                                     return allOf(
                                         {same(a.at(0), kOrg, "organisation"),
                                          same(a.at(1), QStringLiteral("Zephon示例公司"), "name"),
                                          same(a.at(3), true, "signed in"),
                                          same(a.at(4), int(RoleAdmin), "role")});
                                 });
         }},
        {"87 enterprise sign-in refused",
         [](CNetwork &n, Protocol &) { n.slot_onLoginSubServer(kOrgText, "wrong-pass"); },
         CmdEnterprise, false,
         [](ClientSide &c) {
             return expectSignal(c, CmdEnterprise, false, &Protocol::sig_loginenterprise,
                                 [](const QList<QVariant> &a) {
                                     return allOf({same(a.at(0), 0u, "organisation"),
                                                   same(a.at(3), false, "signed in")});
                                 });
         }},
        {"87 departments", signInToOrg, CmdEnterprise, false,
         [](ClientSide &c) {
             return afterSignIn(
                 c, [](CNetwork &n) { n.slot_onGetDeptInfo(kOrg); }, &Protocol::sig_parseDeptInfo,
                 [](const QList<QVariant> &a) {
                     return allOf({same(a.at(0), kOrg, "organisation"),
                                   same(a.at(2), 2, "departments"), same(a.at(3), 2, "total")});
                 });
         }},
        {"87 employees", signInToOrg, CmdEnterprise, false,
         [](ClientSide &c) {
             return afterSignIn(
                 c, [](CNetwork &n) { n.slot_onGetEmpInfo(kOrg, "0"); },
                 &Protocol::sig_parseEmpInfo,
                 [](const QList<QVariant> &a) {
                     return allOf({same(a.at(0), kOrg, "organisation"),
                                   same(a.at(2), 4, "employees"), same(a.at(3), 4, "total")});
                 });
         }},
        {"87 organisation renamed", signInToOrg, CmdEnterprise, false,
         [](ClientSide &c) {
             return afterSignIn(
                 c,
                 [](CNetwork &n) {
                     n.slot_onModifyOrgInfo(
                         QVariantList{kOrgText, "新名字", "新", "", "", "", "", ""}, EntEdit);
                 },
                 &Protocol::sig_modifyOrgInfo,
                 [](const QList<QVariant> &a) {
                     return allOf(
                         {same(a.at(0), kOrg, "organisation"), same(a.at(1), true, "changed")});
                 });
         }},
        {"87 department added", signInToOrg, CmdEnterprise, false,
         [](ClientSide &c) {
             return afterSignIn(
                 c,
                 [](CNetwork &n) { n.slot_onModifyDeptInfo(kOrg, "", "05", "五部", EntAdd, "5"); },
                 &Protocol::sig_modifyDeptInfo,
                 [](const QList<QVariant> &a) { return same(a.at(1), true, "changed"); });
         }},
        {"87 department list", signInToOrg, CmdEnterprise, false,
         [](ClientSide &c) {
             return afterSignIn(
                 c,
                 [](CNetwork &n) {
                     QObject row;
                     row.setProperty("strPNo", "06");
                     row.setProperty("strPName", "六部");
                     row.setProperty("strPSNo", "6");
                     n.slot_onModifyDeptInfo(kOrg, QObjectList{&row});
                 },
                 &Protocol::sig_modifyDeptInfo,
                 [](const QList<QVariant> &a) { return same(a.at(1), true, "changed"); });
         }},
        {"87 employee edited", signInToOrg, CmdEnterprise, false,
         [](ClientSide &c) {
             return afterSignIn(
                 c,
                 [](CNetwork &n) {
                     n.slot_onModifyEmpInfo(kLi, kOrg, "01", "13800138001", "李娜", "13800138001",
                                            "010-1", "设计师", RoleEmployee, EntEdit, "2");
                 },
                 &Protocol::sig_modifyEmpInfo,
                 [](const QList<QVariant> &a) { return same(a.at(1), true, "changed"); });
         }},
        {"87 employee list", signInToOrg, CmdEnterprise, false,
         [](ClientSide &c) {
             return afterSignIn(
                 c,
                 [](CNetwork &n) {
                     QObject row;
                     for (const auto &value : {std::pair{"strPNo", "02"},
                                               {"strNo", "13900000009"},
                                               {"strName", "新人"},
                                               {"strPhone", "13900000009"},
                                               {"strTel", ""},
                                               {"strPost", "工程师"},
                                               {"strSNo", "9"}})
                         row.setProperty(value.first, QString::fromUtf8(value.second));
                     n.slot_onModifyEmpInfo(kZhang, kOrg, QObjectList{&row});
                 },
                 &Protocol::sig_modifyEmpInfo,
                 [](const QList<QVariant> &a) { return same(a.at(1), true, "changed"); });
         }},
        {"87 enterprise password", signInToOrg, CmdEnterprise, false,
         [](ClientSide &c) {
             return afterSignIn(
                 c,
                 [](CNetwork &n) {
                     n.slot_onChangePassword(2, 0,
                                             QVariantList{kOrgText, "13800138000", "n3w-pass"});
                 },
                 &Protocol::sig_changepassword,
                 [](const QList<QVariant> &a) {
                     return allOf({same(a.at(0), 2, "password type"), same(a.at(1), 0, "sub-type"),
                                   same(a.at(2), 0, "result")});
                 });
         }},
        {"14 and 15 the assistant",
         [](CNetwork &n, Protocol &) { n.slot_onSendMsg("在吗", QString::number(ASSISTANT_ZPID)); },
         CmdMessage, false,
         [](ClientSide &c) {
             QSignalSpy delivered(&c.proto, &Protocol::sig_updateMsgRecord);
             // The receipt, then the delivery report, then the assistant's answer.
             if (!c.parse(CmdMessageReceipt, true) || !c.parse(CmdDeliveryReport, true))
                 return QStringLiteral("no receipt or report");
             if (delivered.size() != 2 || delivered.last().at(3) != int(MsgDelivered))
                 return QStringLiteral("not reported delivered");
             return expectSignal(
                 c, CmdMessage, false, &Protocol::sig_saveMsgRecord, [](const QList<QVariant> &a) {
                     QString strError = same(a.at(1), ASSISTANT_ZPID, "answer's sender");
                     if (strError.isEmpty())
                         strError = same(a.at(7), int(MsgSubText), "sub-type");
                     return strError;
                 });
         }},
    };
}

} // namespace

class TestWireDrift : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void requestFormsAreMeasured_data();
    void requestFormsAreMeasured();
    void replyFormsAreParsed_data();
    void replyFormsAreParsed();
};

void TestWireDrift::init()
{
    sessionState().reset();
    callSession().reset();
    CSessionState &s = sessionState();
    s.iZpid = kZhang;
    s.strZpid = QString::number(kZhang);
    s.strLoginId = s.strZpid;
    s.strLoginPassword = QString::fromLatin1(kPassword);
}

void TestWireDrift::cleanup()
{
    callSession().reset();
    sessionState().reset();
}

void TestWireDrift::requestFormsAreMeasured_data()
{
    QTest::addColumn<int>("row");
    const QList<RequestForm> forms = requestForms();
    for (int i = 0; i < forms.size(); ++i)
        QTest::newRow(forms.at(i).name) << i;
}

void TestWireDrift::requestFormsAreMeasured()
{
    QFETCH(int, row);
    const RequestForm form = requestForms().at(row);

    CNetwork net;
    Protocol proto;
    QObject::connect(&net, &CNetwork::sig_createProtocol, &proto, &Protocol::slot_onCreateProtocol);
    QSignalSpy sent(&proto, &Protocol::sig_sendProtocol);
    form.send(net, proto);

    // The last packet of the code is the form; a push sent first to reach a call is not.
    QByteArray arPacket;
    for (const QList<QVariant> &args : sent) {
        const QByteArray ar = args.first().toByteArray();
        if (!ar.isEmpty() && quint8(ar.at(0)) == form.iCode)
            arPacket = ar;
    }
    QVERIFY2(!arPacket.isEmpty(), "the client's code sent no packet of the code");
    if (form.kind)
        QCOMPARE(form.kind(arPacket), form.iKind);

    int iLength = -1;
    const QByteArray arNext = QByteArray(1, char(CmdHeartbeat)) + QByteArray(4, '\1');
    QCOMPARE(CRequestLayout::measure(arPacket + arNext, iLength), CRequestLayout::Complete);
    QCOMPARE(iLength, int(arPacket.size()));
    QCOMPARE(CRequestLayout::measure(arPacket.left(arPacket.size() - 1), iLength),
             CRequestLayout::Incomplete);
}

void TestWireDrift::replyFormsAreParsed_data()
{
    QTest::addColumn<int>("row");
    const QList<ReplyForm> forms = replyForms();
    for (int i = 0; i < forms.size(); ++i)
        QTest::newRow(forms.at(i).name) << i;
}

void TestWireDrift::replyFormsAreParsed()
{
    QFETCH(int, row);
    const ReplyForm form = replyForms().at(row);

    ServiceFixture fixture;
    QVERIFY2(fixture.start(), qPrintable(fixture.error()));
    // A picture to answer the picture request with; the demo accounts have none.
    QVERIFY(fixture.service().store().accounts().setPicture(kLi, QByteArray("\x89PNG-li")));
    ServiceClient li(fixture.mainPort());
    QVERIFY(li.connectSub());
    QCOMPARE(li.login(kLiText, kPassword), 0);
    QVERIFY(li.heartbeat());
    ServiceClient zhang(fixture.mainPort());
    QVERIFY(zhang.connectSub());
    QCOMPARE(zhang.login(QString::number(kZhang), kPassword), 0);
    QVERIFY(zhang.heartbeat());

    ClientSide client(zhang, kZhang, QString::fromLatin1(kPassword));
    client.use();
    form.send(client.net, client.proto);
    const QString strError = form.check(client);
    QVERIFY2(strError.isEmpty(), qPrintable(strError));
}

QTEST_GUILESS_MAIN(TestWireDrift)
#include "tst_wiredrift.moc"
