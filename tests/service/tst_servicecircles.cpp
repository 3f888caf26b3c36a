// The circle family of the service over loopback, as a scripted client sees it: a member's
// circle list and member list in the layouts the client's workers read, creating a circle,
// changing its information, leaving and dissolving with the members online told, and the
// creator's rights refused to everyone else.
#include <QtTest>

#include "caes.h"
#include "ccircletable.h"
#include "cfieldreader.h"
#include "codes.h"
#include "fakecipher.h"
#include "fakepacket.h"
#include "serviceclient.h"
#include "servicefixture.h"

using namespace Codes;
using namespace Qt::StringLiterals;

namespace {

constexpr char kPassword[] = "demo1234";
constexpr quint32 kZhang = 1000001; // creator of the demo circle
constexpr quint32 kLi = 1000002;
constexpr quint32 kWang = 1000003;
constexpr quint32 kDemoCircle = 2000001;

struct Listed
{
    quint32 iId = 0;
    quint32 iVersion = 0;
    QString strName;
    quint32 iCreator = 0;
    int iRole = 0;
    quint32 iMembers = 0;
    QString strProfile;
};

// The user's circles as the list 93 gives them; empty on a reply that is not whole.
QList<Listed> circlesOf(ServiceClient &client)
{
    const QByteArray arReply =
        client.requestTcp(FakePacket(CmdCircle).u32(client.zpid()).u8(0).u32(0));
    CFieldReader r(arReply, 5);
    if (r.u8() != 0 || r.u8() != 0)
        return {};
    r.skip(4);
    const quint32 n = r.u32();
    QList<Listed> list;
    for (quint32 i = 0; i < n && r.ok(); ++i) {
        Listed c;
        r.u8();
        c.iId = r.u32();
        c.iVersion = r.u32();
        c.strName = fakeDecryptText(r.str8());
        r.u8();
        r.u8();
        c.iCreator = r.u32();
        r.f64();
        c.iRole = r.u8();
        c.iMembers = r.u32();
        c.strProfile = r.str8Text();
        list.append(c);
    }
    return r.ok() && r.atEnd() ? list : QList<Listed>{};
}

QByteArray info99(quint32 iZpid, quint32 iCircle, quint8 iKind, const QString &strText)
{
    return FakePacket(CmdModifyCircleInfo)
        .u32(iZpid)
        .u32(iCircle)
        .u32(7)
        .u8(1)
        .u8(iKind)
        .str8(fakeEncrypt(strText.toUtf8()));
}

QByteArray create91(quint32 iZpid, const QString &strName)
{
    const QByteArray arRest =
        FakePacket(0).str8(fakeEncrypt(strName.toUtf8())).u8(0).u8(1).bytes().mid(1);
    return FakePacket(CmdNewCircle).u32(iZpid).u8(0).blob32(arRest);
}

QByteArray members92(quint32 iZpid, quint8 iKind, quint32 iCircle,
                     const QList<QPair<quint32, QString>> &entries)
{
    FakePacket rest(0);
    quint8 iIndex = 0;
    for (const auto &entry : entries)
        rest.u8(iIndex++).u32(entry.first).u8(3).blob32(fakeEncrypt(entry.second.toUtf8()));
    return FakePacket(CmdModifyCircleMember)
        .u32(iZpid)
        .u8(iKind)
        .u32(iCircle)
        .u32(quint32(entries.size()))
        .blob32(rest.bytes().mid(1));
}

QByteArray message97(quint32 iZpid, quint32 iCircle, quint32 iMsgId, const QString &strText)
{
    return FakePacket(CmdCircleMessage)
        .u32(iZpid)
        .u32(iCircle)
        .u8(0)
        .u32(iMsgId)
        .blob32(fakeEncrypt(strText.toUtf8()));
}

QByteArray relayed97(quint32 iTo, quint32 iCircle, quint32 iMsgId, quint32 iFrom,
                     const QString &strText)
{
    return FakePacket(CmdCircleMessage)
        .u32(iTo)
        .u32(iCircle)
        .u8(CircleMsgMember)
        .u32(iMsgId)
        .u32(iFrom)
        .blob32(fakeEncrypt(strText.toUtf8()));
}

QByteArray search95(quint32 iZpid, quint8 iType, quint8 iKey, const QByteArray &arValue)
{
    return FakePacket(CmdSearchCircle).u32(iZpid).u8(iType).u8(1).u8(iKey).str8(arValue);
}

QByteArray apply98(quint32 iZpid, quint8 iKind, quint32 iCircle, const QString &strText)
{
    return FakePacket(CmdApplyCircle)
        .u32(iZpid)
        .u8(iKind)
        .u32(iCircle)
        .str8(fakeEncrypt(strText.toUtf8()));
}

QByteArray answer98(quint32 iCreator, quint32 iCircle, quint32 iAnswered, quint8 iReply)
{
    return FakePacket(CmdApplyCircle)
        .u32(iCreator)
        .u8(ApplyAnswer)
        .u32(iCircle)
        .u32(iAnswered)
        .u8(iReply);
}

} // namespace

class TestServiceCircles : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void memberSeesCircleAndMembers();
    void createdCircleIsListedAndGuarded();
    void creatorsRightsRefusedToOthers_data();
    void creatorsRightsRefusedToOthers();
    void leaveAndDissolveTellTheMembers();
    void creatorAddsAndRemovesMembers();
    void circleMessagesReachEveryMemberOnce();
    void searchFindsCirclesAndUsers_data();
    void searchFindsCirclesAndUsers();
    void creatorAnswersApplications();
    void membersRecommendTheCreatorDecides();
    void noticesWaitForTheCreatorsSignIn();

private:
    std::unique_ptr<ServiceClient> signedIn(quint32 iZpid);
    std::unique_ptr<ServiceFixture> m_pFixture;
};

void TestServiceCircles::init()
{
    m_pFixture = std::make_unique<ServiceFixture>();
    QVERIFY2(m_pFixture->start(), qPrintable(m_pFixture->error()));
}

void TestServiceCircles::cleanup()
{
    m_pFixture.reset();
}

std::unique_ptr<ServiceClient> TestServiceCircles::signedIn(quint32 iZpid)
{
    auto client = std::make_unique<ServiceClient>(m_pFixture->mainPort());
    if (!client->connectSub() || client->login(QString::number(iZpid), kPassword) != 0 ||
        !client->heartbeat())
        return nullptr;
    return client;
}

void TestServiceCircles::memberSeesCircleAndMembers()
{
    auto li = signedIn(kLi);
    QVERIFY(li);
    const QList<Listed> circles = circlesOf(*li);
    QCOMPARE(circles.size(), 1);
    QCOMPARE(circles.at(0).iId, kDemoCircle);
    QCOMPARE(circles.at(0).strName, QStringLiteral("演示圈"));
    QCOMPARE(circles.at(0).iCreator, kZhang);
    QCOMPARE(circles.at(0).iRole, int(CCircleTable::RoleMember));
    QCOMPARE(circles.at(0).iMembers, 4u);
    QCOMPARE(circles.at(0).strProfile, QStringLiteral("四位演示用户"));

    const QByteArray arReply =
        li->requestTcp(FakePacket(CmdCircleMember).u32(kLi).u8(0).u32(kDemoCircle).u32(0));
    CFieldReader r(arReply, 5);
    QCOMPARE(r.u8(), quint8(0));
    QCOMPARE(r.u32(), kDemoCircle);
    QCOMPARE(r.u8(), quint8(0));
    r.skip(4);
    QCOMPARE(r.u32(), 4u);
    QMap<quint32, int> roles;
    QString strCreatorCard;
    for (int i = 0; i < 4; ++i) {
        r.skip(5);
        const quint32 iZpid = r.u32();
        roles.insert(iZpid, r.u8());
        const QString strCard = fakeDecryptText(r.blob32());
        if (iZpid == kZhang)
            strCreatorCard = strCard;
    }
    QVERIFY(r.ok() && r.atEnd());
    QCOMPARE(roles.value(kZhang), int(CCircleTable::RoleCreator));
    QCOMPARE(roles.value(kLi), int(CCircleTable::RoleMember));
    QCOMPARE(strCreatorCard.section(QLatin1Char(':'), 0, 0), QStringLiteral("张伟"));
}

void TestServiceCircles::createdCircleIsListedAndGuarded()
{
    auto wang = signedIn(kWang);
    auto li = signedIn(kLi);
    QVERIFY(wang && li);
    const QByteArray arCreated = wang->requestTcp(create91(kWang, QStringLiteral(" 读书会 ")));
    QCOMPARE(quint8(arCreated.at(5)), quint8(0));
    QCOMPARE(quint8(arCreated.at(6)), quint8(0));
    const quint32 iCircle = quint32(FakePacket::u32At(arCreated, 7));
    QVERIFY(iCircle > kDemoCircle);

    const QList<Listed> circles = circlesOf(*wang);
    QCOMPARE(circles.size(), 2);
    QCOMPARE(circles.at(1).iId, iCircle);
    QCOMPARE(circles.at(1).strName, QStringLiteral("读书会"));
    QCOMPARE(circles.at(1).iRole, int(CCircleTable::RoleCreator));
    QCOMPARE(circles.at(1).iMembers, 1u);

    // A non-member gets no member list.
    const QByteArray arMembers =
        li->requestTcp(FakePacket(CmdCircleMember).u32(kLi).u8(0).u32(iCircle).u32(0));
    QCOMPARE(quint8(arMembers.at(10)), quint8(1));
    QCOMPARE(arMembers.size(), 15);

    // Names that are empty or too long make no circle.
    for (const QString &strName : {QStringLiteral("  "), QString(61, QLatin1Char('x'))}) {
        const QByteArray arRefused = wang->requestTcp(create91(kWang, strName));
        QCOMPARE(quint8(arRefused.at(6)), quint8(1));
        QCOMPARE(FakePacket::u32At(arRefused, 7), 0);
    }
    QCOMPARE(circlesOf(*wang).size(), 2);
}

void TestServiceCircles::creatorsRightsRefusedToOthers_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<quint8>("iReplyCode");
    QTest::addColumn<int>("iResultAt");
    QTest::newRow("change the name")
        << QByteArray(info99(kLi, kDemoCircle, 1, "李的圈")) << quint8(CmdModifyCircleInfo) << 13;
    QTest::newRow("change the profile")
        << QByteArray(info99(kLi, kDemoCircle, 2, "改了")) << quint8(CmdModifyCircleInfo) << 13;
    QTest::newRow("dissolve")
        << QByteArray(FakePacket(CmdDismissCircle).u32(kLi).u8(0).u32(kDemoCircle).u8(0))
        << quint8(CmdDismissCircle) << 10;
}

void TestServiceCircles::creatorsRightsRefusedToOthers()
{
    QFETCH(QByteArray, request);
    QFETCH(quint8, iReplyCode);
    QFETCH(int, iResultAt);
    auto li = signedIn(kLi);
    QVERIFY(li);
    li->sendTcp(request);
    const QByteArray arReply = li->takeTcp(iReplyCode, 5000);
    QVERIFY(arReply.size() > iResultAt);
    QCOMPARE(quint8(arReply.at(iResultAt)), quint8(1));
    QCOMPARE(m_pFixture->service().counters().events(CServiceCounters::CircleRefused), 1u);

    const QList<Listed> circles = circlesOf(*li);
    QCOMPARE(circles.size(), 1);
    QCOMPARE(circles.at(0).strName, QStringLiteral("演示圈"));
    QCOMPARE(circles.at(0).strProfile, QStringLiteral("四位演示用户"));
    QCOMPARE(circles.at(0).iVersion, 1u);

    // The creator may, and the version moves on so members fetch it again.
    auto zhang = signedIn(kZhang);
    QVERIFY(zhang);
    const QByteArray arDone = zhang->requestTcp(info99(kZhang, kDemoCircle, 1, "新圈名"));
    QCOMPARE(quint8(arDone.at(13)), quint8(0));
    QCOMPARE(circlesOf(*li).at(0).strName, QStringLiteral("新圈名"));
    QCOMPARE(circlesOf(*li).at(0).iVersion, 2u);
}

void TestServiceCircles::leaveAndDissolveTellTheMembers()
{
    auto zhang = signedIn(kZhang);
    auto li = signedIn(kLi);
    auto wang = signedIn(kWang);
    QVERIFY(zhang && li && wang);

    const QByteArray arLeft =
        li->requestTcp(FakePacket(CmdExitCircle).u32(kLi).u8(0).u32(kDemoCircle));
    QCOMPARE(quint8(arLeft.at(10)), quint8(0));
    QCOMPARE(zhang->takeTcp(CmdExitCircle, 5000),
             FakePacket(CmdExitCircle).u32(kLi).u8(1).u32(kDemoCircle).bytes());
    QVERIFY(circlesOf(*li).isEmpty());
    QCOMPARE(circlesOf(*wang).at(0).iMembers, 3u);

    // The creator dissolves rather than leaves.
    const QByteArray arNotLeft =
        zhang->requestTcp(FakePacket(CmdExitCircle).u32(kZhang).u8(0).u32(kDemoCircle));
    QCOMPARE(quint8(arNotLeft.at(10)), quint8(1));

    wang->clearReceived();
    const QByteArray arDissolved =
        zhang->requestTcp(FakePacket(CmdDismissCircle).u32(kZhang).u8(0).u32(kDemoCircle).u8(0));
    QCOMPARE(quint8(arDissolved.at(10)), quint8(0));
    const QByteArray arNotice = wang->takeTcp(CmdDismissCircle, 5000);
    QCOMPARE(arNotice.left(14),
             FakePacket(CmdDismissCircle).u32(kWang).u8(1).u32(kDemoCircle).u32(kZhang).bytes());
    QVERIFY(circlesOf(*wang).isEmpty());
    QVERIFY(circlesOf(*zhang).isEmpty());
    // Li, who left before, is not told.
    QVERIFY(li->takeTcp(CmdDismissCircle, 300).isEmpty());
}

void TestServiceCircles::creatorAddsAndRemovesMembers()
{
    auto zhang = signedIn(kZhang);
    auto li = signedIn(kLi);
    QVERIFY(zhang && li);
    const quint32 iCircle =
        quint32(FakePacket::u32At(zhang->requestTcp(create91(kZhang, "项目组")), 7));
    QVERIFY(iCircle != 0);

    // Li by zpid, 王芳 by the mobile number of the card typed for her.
    const QByteArray arAdded = zhang->requestTcp(members92(
        kZhang, 0, iCircle, {{kLi, "李娜"}, {0, QStringLiteral("王芳:::公司::13800138002")}}));
    QCOMPARE(quint8(arAdded.at(10)), quint8(0));
    const QByteArray arNotice = li->takeTcp(CmdApplyCircle, 5000);
    QCOMPARE(arNotice.left(10),
             FakePacket(CmdApplyCircle).u32(kZhang).u8(ApplyNotice).u32(iCircle).bytes());
    QCOMPARE(circlesOf(*zhang).at(1).iMembers, 3u);
    QCOMPARE(circlesOf(*li).size(), 2);

    // A number without an account adds nobody, not even the others of the same request.
    const QByteArray arUnknown =
        zhang->requestTcp(members92(kZhang, 0, iCircle,
                                    {{0, QStringLiteral("刘洋:::公司::13800138003")},
                                     {0, QStringLiteral("谁:::::13900000000")}}));
    QCOMPARE(quint8(arUnknown.at(10)), quint8(1));
    QCOMPARE(circlesOf(*zhang).at(1).iMembers, 3u);

    // Nobody but the creator removes, and the creator cannot be removed.
    const QByteArray arByLi = li->requestTcp(members92(kLi, 2, iCircle, {{kWang, "王芳"}}));
    QCOMPARE(quint8(arByLi.at(10)), quint8(1));
    const QByteArray arCreator =
        zhang->requestTcp(members92(kZhang, 2, iCircle, {{kZhang, "张伟"}}));
    QCOMPARE(quint8(arCreator.at(10)), quint8(1));
    QCOMPARE(circlesOf(*zhang).at(1).iMembers, 3u);

    const QByteArray arRemoved = zhang->requestTcp(members92(kZhang, 2, iCircle, {{kLi, "李娜"}}));
    QCOMPARE(quint8(arRemoved.at(10)), quint8(0));
    QCOMPARE(circlesOf(*li).size(), 1);
    QCOMPARE(circlesOf(*zhang).at(1).iMembers, 2u);
}

void TestServiceCircles::circleMessagesReachEveryMemberOnce()
{
    auto zhang = signedIn(kZhang);
    auto li = signedIn(kLi);
    QVERIFY(zhang && li);
    const QByteArray arResult =
        zhang->requestTcp(message97(kZhang, kDemoCircle, 31, QStringLiteral("大家好")));
    QCOMPARE(arResult, FakePacket(CmdCircleMessage)
                           .u32(kZhang)
                           .u32(kDemoCircle)
                           .u8(CircleMsgOwnResult)
                           .u32(31)
                           .u8(0)
                           .bytes());
    QCOMPARE(li->takeTcp(CmdCircleMessage, 5000),
             relayed97(kLi, kDemoCircle, 31, kZhang, QStringLiteral("大家好")));
    // The sender does not get its own message back.
    QVERIFY(zhang->takeTcp(CmdCircleMessage, 300).isEmpty());

    // 王芳 was away: the message waits for her sign-in, and comes once.
    auto wang = signedIn(kWang);
    QVERIFY(wang);
    QCOMPARE(wang->takeTcp(CmdCircleMessage, 5000),
             relayed97(kWang, kDemoCircle, 31, kZhang, QStringLiteral("大家好")));
    wang.reset();
    auto wangAgain = signedIn(kWang);
    QVERIFY(wangAgain);
    QVERIFY(wangAgain->takeTcp(CmdCircleMessage, 500).isEmpty());

    // Someone outside a circle cannot write to it.
    const quint32 iOwn =
        quint32(FakePacket::u32At(li->requestTcp(create91(kLi, QStringLiteral("李的圈"))), 7));
    QVERIFY(iOwn != 0);
    const QByteArray arRefused =
        zhang->requestTcp(message97(kZhang, iOwn, 32, QStringLiteral("让我进")));
    QCOMPARE(quint8(arRefused.at(14)), quint8(1));
    QVERIFY(li->takeTcp(CmdCircleMessage, 300).isEmpty());
}

void TestServiceCircles::searchFindsCirclesAndUsers_data()
{
    QTest::addColumn<quint8>("iType");
    QTest::addColumn<quint8>("iKey");
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<quint32>("iHit"); // the circle or user found, 0 for none
    QTest::newRow("circle by part of its name")
        << quint8(0) << quint8(0) << "演示"_ba << kDemoCircle;
    QTest::newRow("circle by id") << quint8(0) << quint8(0) << "2000001"_ba << kDemoCircle;
    QTest::newRow("a wildcard is a character") << quint8(0) << quint8(0) << "%"_ba << 0u;
    QTest::newRow("empty name finds nothing") << quint8(0) << quint8(0) << ""_ba << 0u;
    QTest::newRow("user by zpid") << quint8(1) << quint8(4) << "1000002"_ba << kLi;
    QTest::newRow("user by mobile") << quint8(1) << quint8(3) << "13800138001"_ba << kLi;
    QTest::newRow("user by part of a mobile") << quint8(1) << quint8(3) << "1380013800"_ba << 0u;
    QTest::newRow("the searcher itself") << quint8(1) << quint8(4) << "1000003"_ba << 0u;
    QTest::newRow("unknown user") << quint8(1) << quint8(4) << "1999999"_ba << 0u;
}

void TestServiceCircles::searchFindsCirclesAndUsers()
{
    QFETCH(quint8, iType);
    QFETCH(quint8, iKey);
    QFETCH(QByteArray, value);
    QFETCH(quint32, iHit);
    auto wang = signedIn(kWang);
    QVERIFY(wang);
    const QByteArray arReply = wang->requestTcp(search95(kWang, iType, iKey, value));
    CFieldReader r(arReply, 1);
    QCOMPARE(r.u32(), kWang);
    QCOMPARE(r.u8(), iType);
    QCOMPARE(r.u8(), quint8(0));
    QCOMPARE(r.u32(), iHit != 0 ? 1u : 0u);
    if (iHit == 0) {
        QVERIFY(r.ok() && r.atEnd());
        return;
    }
    r.u8();
    QCOMPARE(r.u32(), iHit);
    if (iType == 0) {
        r.u32();
        QCOMPARE(fakeDecryptText(r.str8()), QStringLiteral("演示圈"));
        r.u8();
        r.u8();
        QCOMPARE(r.u32(), kZhang);
        r.f64();
        QCOMPARE(r.u32(), 4u);
    } else {
        QCOMPARE(fakeDecryptText(r.str8()), QStringLiteral("李娜"));
        // The whole mobile number, which four bytes could not hold.
        const QByteArray arNumber = r.str8();
        QCOMPARE(arNumber.size(), 8);
        QCOMPARE(qFromLittleEndian<quint64>(arNumber.constData()), 13800138001ull);
        QCOMPARE(r.u8(), quint8(1));
    }
    QVERIFY(r.ok() && r.atEnd());
}

void TestServiceCircles::creatorAnswersApplications()
{
    auto li = signedIn(kLi);
    auto wang = signedIn(kWang);
    auto liu = signedIn(1000004);
    QVERIFY(li && wang && liu);
    const quint32 iCircle =
        quint32(FakePacket::u32At(li->requestTcp(create91(kLi, QStringLiteral("李的圈"))), 7));
    QVERIFY(iCircle != 0);

    QCOMPARE(wang->requestTcp(apply98(kWang, ApplyJoin, iCircle, QStringLiteral("想加入"))),
             FakePacket(CmdApplyCircle).u32(kWang).u8(ApplyJoin).u32(iCircle).u8(0).bytes());
    // The creator is asked, with who asks and what they wrote.
    const QByteArray arAsked = li->takeTcp(CmdApplyCircle, 5000);
    CFieldReader r(arAsked, 1);
    QCOMPARE(r.u32(), kLi);
    QCOMPARE(r.u8(), quint8(ApplyIncoming));
    QCOMPARE(r.u32(), iCircle);
    QCOMPARE(r.u32(), kWang);
    QCOMPARE(fakeDecryptText(r.str8()), QStringLiteral("想加入"));
    QCOMPARE(r.str8Text(), QStringLiteral("1"));
    QCOMPARE(r.str8Text(), QStringLiteral("王芳"));
    QCOMPARE(r.str8Text(), QStringLiteral("泽丰示范公司"));
    QVERIFY(r.ok() && r.atEnd());

    // Only the creator answers: 刘洋 cannot let 王芳 in.
    const QByteArray arNotHis = liu->requestTcp(answer98(1000004, iCircle, kWang, 0));
    QCOMPARE(quint8(arNotHis.at(14)), quint8(1));
    QCOMPARE(m_pFixture->service().counters().events(CServiceCounters::CircleRefused), 1u);
    QCOMPARE(circlesOf(*wang).size(), 1);

    QCOMPARE(li->requestTcp(answer98(kLi, iCircle, kWang, 0)), FakePacket(CmdApplyCircle)
                                                                   .u32(kLi)
                                                                   .u8(ApplyAnswerResult)
                                                                   .u32(iCircle)
                                                                   .u32(kWang)
                                                                   .u8(0)
                                                                   .bytes());
    QCOMPARE(
        wang->takeTcp(CmdApplyCircle, 5000),
        FakePacket(CmdApplyCircle).u32(kLi).u8(ApplyAnswer).u32(iCircle).u32(kWang).u8(0).bytes());
    QCOMPARE(wang->takeTcp(CmdApplyCircle, 5000).left(10),
             FakePacket(CmdApplyCircle).u32(kLi).u8(ApplyNotice).u32(iCircle).bytes());
    QCOMPARE(circlesOf(*wang).size(), 2);
    // The application is answered: a second answer finds nothing open.
    QCOMPARE(quint8(li->requestTcp(answer98(kLi, iCircle, kWang, 0)).at(14)), quint8(1));
    // A member does not apply; a circle that does not exist takes no application.
    for (const QByteArray &arApply :
         {apply98(kWang, ApplyJoin, iCircle, "再来"), apply98(kWang, ApplyJoin, 2999999, "无此圈")})
        QCOMPARE(quint8(wang->requestTcp(arApply).at(10)), quint8(1));

    // A refusal tells the applicant and adds nobody.
    QCOMPARE(quint8(liu->requestTcp(apply98(1000004, ApplyJoin, iCircle, "我也想")).at(10)),
             quint8(0));
    QVERIFY(!li->takeTcp(CmdApplyCircle, 5000).isEmpty());
    QCOMPARE(quint8(li->requestTcp(answer98(kLi, iCircle, 1000004, 1)).at(14)), quint8(0));
    const QByteArray arRefused = liu->takeTcp(CmdApplyCircle, 5000);
    QCOMPARE(quint8(arRefused.at(5)), quint8(ApplyAnswer));
    QCOMPARE(quint8(arRefused.at(14)), quint8(1));
    QCOMPARE(circlesOf(*liu).size(), 1);
    QVERIFY(liu->takeTcp(CmdApplyCircle, 300).isEmpty());
}

void TestServiceCircles::membersRecommendTheCreatorDecides()
{
    auto li = signedIn(kLi);
    auto wang = signedIn(kWang);
    auto liu = signedIn(1000004);
    QVERIFY(li && wang && liu);
    const quint32 iCircle =
        quint32(FakePacket::u32At(li->requestTcp(create91(kLi, QStringLiteral("李的圈"))), 7));
    QCOMPARE(quint8(li->requestTcp(members92(kLi, 0, iCircle, {{kWang, "王芳"}})).at(10)),
             quint8(0));
    wang->clearReceived();

    // 王芳 proposes 刘洋 by the number in her book; the creator sees his Zpid first.
    const auto recommend = [&](const QString &strText) {
        return wang->requestTcp(apply98(kWang, ApplyInvite, iCircle, strText));
    };
    const QByteArray arSent = recommend(QStringLiteral("0:刘洋:13800138003:泽丰"));
    QCOMPARE(
        arSent.left(11),
        FakePacket(CmdApplyCircle).u32(kWang).u8(ApplyInviteResult).u32(iCircle).u8(0).bytes());
    const QByteArray arProposed = li->takeTcp(CmdApplyCircle, 5000);
    QCOMPARE(arProposed.left(10),
             FakePacket(CmdApplyCircle).u32(kWang).u8(ApplyInvite).u32(iCircle).bytes());
    const QString strNotice = fakeDecryptText(arProposed.mid(11));
    QCOMPARE(strNotice.section(QLatin1Char(':'), 0, 0), QStringLiteral("1000004"));
    QCOMPARE(strNotice.split(QLatin1Char(':')).size(), 4);

    // Nobody unknown to the service, nobody already in, and nothing from outside the circle.
    QCOMPARE(quint8(recommend(QStringLiteral("0:谁:13900000000:")).at(10)), quint8(1));
    QCOMPARE(quint8(recommend(QStringLiteral("1000002:李娜::")).at(10)), quint8(1));
    QCOMPARE(
        quint8(liu->requestTcp(apply98(1000004, ApplyInvite, iCircle, "1000001:张伟::")).at(10)),
        quint8(1));

    // The creator answers the recommending member's request.
    QCOMPARE(quint8(li->requestTcp(answer98(kLi, iCircle, kWang, 0)).at(14)), quint8(0));
    const QByteArray arAnswer = wang->takeTcp(CmdApplyCircle, 5000);
    QCOMPARE(
        arAnswer.left(11),
        FakePacket(CmdApplyCircle).u32(kWang).u8(ApplyInviteAnswer).u32(iCircle).u8(0).bytes());
    QCOMPARE(fakeDecryptText(arAnswer.mid(12)), strNotice);
    QCOMPARE(liu->takeTcp(CmdApplyCircle, 5000).left(10),
             FakePacket(CmdApplyCircle).u32(kLi).u8(ApplyNotice).u32(iCircle).bytes());
    QCOMPARE(circlesOf(*liu).size(), 2);
}

void TestServiceCircles::noticesWaitForTheCreatorsSignIn()
{
    quint32 iCircle = 0;
    {
        auto li = signedIn(kLi);
        QVERIFY(li);
        iCircle =
            quint32(FakePacket::u32At(li->requestTcp(create91(kLi, QStringLiteral("李的圈"))), 7));
    }
    auto wang = signedIn(kWang);
    QVERIFY(wang);
    QTRY_VERIFY(!m_pFixture->service().sessions().newest(kLi));
    QCOMPARE(quint8(wang->requestTcp(apply98(kWang, ApplyJoin, iCircle, "在吗")).at(10)),
             quint8(0));

    auto li = signedIn(kLi);
    QVERIFY(li);
    const QByteArray arAsked = li->takeTcp(CmdApplyCircle, 5000);
    QCOMPARE(arAsked.left(14),
             FakePacket(CmdApplyCircle).u32(kLi).u8(ApplyIncoming).u32(iCircle).u32(kWang).bytes());
    li.reset();
    auto liAgain = signedIn(kLi);
    QVERIFY(liAgain);
    QVERIFY(liAgain->takeTcp(CmdApplyCircle, 500).isEmpty());

    // The answer waits for the applicant the same way.
    wang.reset();
    QTRY_VERIFY(!m_pFixture->service().sessions().newest(kWang));
    QCOMPARE(quint8(liAgain->requestTcp(answer98(kLi, iCircle, kWang, 0)).at(14)), quint8(0));
    auto wangAgain = signedIn(kWang);
    QVERIFY(wangAgain);
    QCOMPARE(quint8(wangAgain->takeTcp(CmdApplyCircle, 5000).at(5)), quint8(ApplyAnswer));
    QCOMPARE(circlesOf(*wangAgain).size(), 2);
}

QTEST_GUILESS_MAIN(TestServiceCircles)
#include "tst_servicecircles.moc"
