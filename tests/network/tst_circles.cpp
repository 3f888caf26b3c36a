// The circle commands: the request bytes of every circle slot (with the ids and texts that
// must not leave), every reply and notice layout with its addressee rule, and replies cut
// short at every length.
#include <QSignalSpy>
#include <QTest>
#include <QtEndian>

#include <functional>

#include "cnetwork.h"
#include "codes.h"
#include "csessionstate.h"
#include "fakecipher.h"
#include "fakepacket.h"
#include "ownsession.h"
#include "protocol.h"

using Request = std::function<void(CNetwork &)>;
Q_DECLARE_METATYPE(Request)

using namespace Codes;

namespace {

constexpr quint32 OWN = 1000001;
constexpr quint32 OTHER = 1000002;
constexpr quint32 CIRCLE = 77;

QByteArray enc8(const QString &strText)
{
    return FakePacket(0).str8(fakeEncrypt(strText.toUtf8())).bytes().mid(1);
}

QString hex(const QByteArray &ar)
{
    return QString::fromLatin1(ar.toHex());
}

QString save(quint32 iCircle, quint32 iZpid, const QByteArray &arCaption,
             const QByteArray &arContent, int iState, int iType, int iSub, bool bSend)
{
    return QString("save|%1|%2|%3|%4|%5|%6|%7|%8")
        .arg(iCircle)
        .arg(iZpid)
        .arg(hex(arCaption), hex(arContent))
        .arg(iState)
        .arg(iType)
        .arg(iSub)
        .arg(int(bSend));
}

// Every signal of the family and every packet sent, one line each, in order.
class Recorder
{
public:
    Recorder(Protocol &proto, CNetwork &net)
    {
        auto onSave = [this](quint32 iCircle, quint32 iZpid, const QByteArray &arCaption,
                             const QByteArray &arContent, int iMsgId, int iState, int iType,
                             int iSub, bool bSend) {
            QVERIFY(iMsgId == -1);
            events << save(iCircle, iZpid, arCaption, arContent, iState, iType, iSub, bSend);
        };
        QObject::connect(&proto, &Protocol::sig_saveMsgRecord, &m_context, onSave);
        QObject::connect(&net, &CNetwork::sig_saveMsgRecord, &m_context, onSave);
        QObject::connect(
            &proto, &Protocol::sig_updateMsgRecord, &m_context,
            [this](quint32 iCircle, const QByteArray &arPeer, int iMsgId, int iState, int iType) {
                events << QString("update|%1|%2|%3|%4|%5")
                              .arg(iCircle)
                              .arg(hex(arPeer))
                              .arg(iMsgId)
                              .arg(iState)
                              .arg(iType);
            });
        QObject::connect(&proto, &Protocol::sig_newCircle, &m_context,
                         [this](int iRet) { events << QString("new|%1").arg(iRet); });
        QObject::connect(&proto, &Protocol::sig_modifyCircleMember, &m_context,
                         [this](int iType, int iRet) {
                             events << QString("member|%1|%2").arg(iType).arg(iRet);
                         });
        QObject::connect(&proto, &Protocol::sig_modifyCircleInfo, &m_context,
                         [this](int iRet, quint32 iCircle) {
                             events << QString("info|%1|%2").arg(iRet).arg(iCircle);
                         });
        QObject::connect(&proto, &Protocol::sig_dismissCircle, &m_context,
                         [this](bool bOk, quint32 iCircle) {
                             events << QString("dismiss|%1|%2").arg(int(bOk)).arg(iCircle);
                         });
        QObject::connect(
            &proto, &Protocol::sig_circleDissolved, &m_context,
            [this](quint32 iCircle) { events << QString("dissolved|%1").arg(iCircle); });
        QObject::connect(&proto, &Protocol::sig_exitCircle, &m_context,
                         [this](bool bOk, quint32 iCircle) {
                             events << QString("exit|%1|%2").arg(int(bOk)).arg(iCircle);
                         });
        QObject::connect(
            &proto, &Protocol::sig_applyCircle, &m_context,
            [this](int iRet, int iType) { events << QString("apply|%1|%2").arg(iRet).arg(iType); });
        QObject::connect(&proto, &Protocol::sig_parseCirlce, &m_context,
                         [this](const QByteArray &ar) { events << "circles|" + hex(ar); });
        QObject::connect(&proto, &Protocol::sig_parseCirlceMember, &m_context,
                         [this](const QByteArray &ar, quint32 iCircle) {
                             events << QString("members|%1|%2").arg(iCircle).arg(hex(ar));
                         });
        QObject::connect(&proto, &Protocol::sig_parseSearchResult, &m_context,
                         [this](int iType, const QByteArray &ar, int iCount) {
                             events
                                 << QString("search|%1|%2|%3").arg(iType).arg(hex(ar)).arg(iCount);
                         });
        QObject::connect(&proto, &Protocol::sig_sendProtocol, &m_context,
                         [this](const QByteArray &ar) { events << "send|" + hex(ar); });
    }
    QStringList events;

private:
    QObject m_context;
};

QString sent(const QByteArray &arPacket)
{
    return "send|" + hex(arPacket);
}

// The counted rest of 91: the name, the type and the fixed 1.
QByteArray newCircle91(const QString &strName, quint8 iType)
{
    const QByteArray arRest = FakePacket(0).raw(enc8(strName)).u8(iType).u8(1).bytes().mid(1);
    return FakePacket(CmdNewCircle).u32(OWN).u8(0).blob32(arRest);
}

QByteArray memberEntry(quint8 iIndex, quint32 iZpid, quint8 iUserType, const QString &strKey)
{
    return FakePacket(0)
        .u8(iIndex)
        .u32(iZpid)
        .u8(iUserType)
        .blob32(fakeEncrypt(strKey.toUtf8()))
        .bytes()
        .mid(1);
}

} // namespace

class TestCircles : public QObject
{
    Q_OBJECT
private slots:
    void init();

    void requestBytes_data();
    void requestBytes();
    void memberChangeBeyondOneRequest();
    void infoChangeCarriesItsKind();
    void replies_data();
    void replies();
    void cutReplies_data();
    void cutReplies();
    void createAndMemberRepliesSetTheLastCircle();

private:
    void wire(CNetwork &net, Protocol &proto);
};

void TestCircles::init()
{
    signInAs(OWN);
}

void TestCircles::wire(CNetwork &net, Protocol &proto)
{
    QObject::connect(&net, &CNetwork::sig_createProtocol, &proto, &Protocol::slot_onCreateProtocol);
}

void TestCircles::requestBytes_data()
{
    QTest::addColumn<Request>("request");
    QTest::addColumn<QStringList>("events");

    QTest::newRow("91 create") << Request([](CNetwork &n) { n.slot_onNewCircle("读书会", 1); })
                               << QStringList{sent(newCircle91("读书会", 1))};
    QTest::newRow("91 name too long")
        << Request([](CNetwork &n) { n.slot_onNewCircle(QString(200, QChar(0x8bfb)), 1); })
        << QStringList{};

    QTest::newRow("92 add in key order")
        << Request([](CNetwork &n) {
               sessionState().mapPendingMembers = {{"乙:::公司::139", 0}, {"甲:::公司::138", 0}};
               n.slot_onModifyCircleMember("77", 0, 0);
           })
        << QStringList{sent(FakePacket(CmdModifyCircleMember)
                                .u32(OWN)
                                .u8(0)
                                .u32(CIRCLE)
                                .u32(2)
                                .blob32(memberEntry(0, 0, 0, "乙:::公司::139") +
                                        memberEntry(1, 0, 0, "甲:::公司::138")))};
    QTest::newRow("92 empty selection")
        << Request([](CNetwork &n) { n.slot_onModifyCircleMember("77", 2, 3); })
        << QStringList{
               sent(FakePacket(CmdModifyCircleMember).u32(OWN).u8(2).u32(CIRCLE).u32(0).u32(0))};
    QTest::newRow("92 no circle") << Request([](CNetwork &n) {
        sessionState().mapPendingMembers = {{"甲", 5}};
        n.slot_onModifyCircleMember("x", 0, 0);
    }) << QStringList{};

    QTest::newRow("93 list") << Request([](CNetwork &n) { n.slot_onGetCircle(); })
                             << QStringList{sent(FakePacket(CmdCircle).u32(OWN).u8(0).u32(0))};
    QTest::newRow("94 members") << Request([](CNetwork &n) {
        n.slot_onGetCircleMember(CIRCLE);
    }) << QStringList{sent(FakePacket(CmdCircleMember).u32(OWN).u8(0).u32(CIRCLE).u32(0))};
    QTest::newRow("94 circle 0") << Request([](CNetwork &n) { n.slot_onGetCircleMember(0); })
                                 << QStringList{};

    QTest::newRow("95 conditions in key order") << Request([](CNetwork &n) {
        n.slot_onSearchCircle(1, {{2, "b"}, {1, "书"}});
    })
                                                << QStringList{sent(FakePacket(CmdSearchCircle)
                                                                        .u32(OWN)
                                                                        .u8(1)
                                                                        .u8(2)
                                                                        .u8(1)
                                                                        .str8(QByteArray("书"))
                                                                        .u8(2)
                                                                        .str8("b"))};

    QTest::newRow("96 leave") << Request([](CNetwork &n) {
        n.slot_onExitCircle("77");
    }) << QStringList{sent(FakePacket(CmdExitCircle).u32(OWN).u8(0).u32(CIRCLE))};
    QTest::newRow("98 apply") << Request([](CNetwork &n) {
        n.slot_onApplyCircle("77", "读书会", 1, "我想加入", 0);
    })
                              << QStringList{sent(FakePacket(CmdApplyCircle)
                                                      .u32(OWN)
                                                      .u8(ApplyJoin)
                                                      .u32(CIRCLE)
                                                      .raw(enc8("我想加入"))),
                                             save(CIRCLE, 0, QByteArray("读书会"), {},
                                                  CircleOwnApplication, MsgCircleRequest, 1, true)};
    QTest::newRow("98 recommend") << Request([](CNetwork &n) {
        n.slot_onApplyCircle("77", "读书会", 0, "1000003:丙:138:公司", ApplyInvite);
    })
                                  << QStringList{sent(FakePacket(CmdApplyCircle)
                                                          .u32(OWN)
                                                          .u8(ApplyInvite)
                                                          .u32(CIRCLE)
                                                          .raw(enc8("1000003:丙:138:公司"))),
                                                 save(CIRCLE, 0, QByteArray("读书会"), {},
                                                      CircleOwnApplication, MsgCircleRequest, 0,
                                                      true)};
    QTest::newRow("98 answer without text")
        << Request([](CNetwork &n) { n.slot_onApplyCircleReply("77", "1000002", 1); })
        << QStringList{sent(
               FakePacket(CmdApplyCircle).u32(OWN).u8(ApplyAnswer).u32(CIRCLE).u32(OTHER).u8(1))};
    QTest::newRow("98 answer with text")
        << Request([](CNetwork &n) { n.slot_onApplyCircleReply("77", "1000002", 0, "欢迎"); })
        << QStringList{sent(FakePacket(CmdApplyCircle)
                                .u32(OWN)
                                .u8(ApplyAnswerText)
                                .u32(CIRCLE)
                                .u32(OTHER)
                                .u8(0)
                                .raw(enc8("欢迎")))};
    QTest::newRow("98 answer to nobody")
        << Request([](CNetwork &n) { n.slot_onApplyCircleReply("77", "0", 0); }) << QStringList{};
    QTest::newRow("112 dissolve") << Request([](CNetwork &n) {
        n.slot_onDismissCircle("77");
    }) << QStringList{sent(FakePacket(CmdDismissCircle).u32(OWN).u8(0).u32(CIRCLE).u8(0))};
    for (const char *id : {"", "0", "abc", "-77", "4294967296"})
        QTest::addRow("112 refused id '%s'", id)
            << Request([id](CNetwork &n) { n.slot_onDismissCircle(id); }) << QStringList{};
}

void TestCircles::requestBytes()
{
    QFETCH(Request, request);
    QFETCH(QStringList, events);
    CNetwork net;
    Protocol proto;
    wire(net, proto);
    Recorder recorder(proto, net);
    request(net);
    QCOMPARE(recorder.events, events);
    QVERIFY(sessionState().mapPendingMembers.isEmpty());
}

void TestCircles::memberChangeBeyondOneRequest()
{
    CNetwork net;
    Protocol proto;
    wire(net, proto);
    QSignalSpy spy(&proto, &Protocol::sig_sendProtocol);
    QMap<QString, quint32> members;
    for (int i = 0; i < 300; ++i)
        members.insert(QString("m%1").arg(i, 3, 10, QLatin1Char('0')), quint32(2000000 + i));
    sessionState().mapPendingMembers = members;
    net.slot_onModifyCircleMember("77", 0, 3);

    QCOMPARE(spy.size(), 2);
    int iSeen = 0;
    for (const QList<QVariant> &args : std::as_const(spy)) {
        const QByteArray ar = args.at(0).toByteArray();
        const int iCount = int(qFromLittleEndian<quint32>(ar.constData() + 10));
        QCOMPARE(iCount, iSeen == 0 ? 256 : 44);
        // The entries restart their index in each request and follow on in key order.
        const QByteArray arFirst = ar.mid(18, 6);
        QCOMPARE(quint8(arFirst.at(0)), quint8(0));
        QCOMPARE(qFromLittleEndian<quint32>(arFirst.constData() + 1), quint32(2000000 + iSeen));
        iSeen += iCount;
    }
    QCOMPARE(iSeen, 300);
}

void TestCircles::infoChangeCarriesItsKind()
{
    CNetwork net;
    Protocol proto;
    wire(net, proto);
    QSignalSpy spy(&proto, &Protocol::sig_sendProtocol);
    net.slot_onModifyCircleInfo(2, "77", "新简介");
    QCOMPARE(spy.size(), 1);
    const QByteArray ar = spy.at(0).at(0).toByteArray();
    // Everything but the four bytes that only make two equal changes differ.
    QCOMPARE(ar.left(9), FakePacket(CmdModifyCircleInfo).u32(OWN).u32(CIRCLE).bytes());
    QCOMPARE(ar.mid(13), FakePacket(0).u8(1).u8(2).raw(enc8("新简介")).bytes().mid(1));
    QCOMPARE(sessionState().iLastCircleInfoKind, 2);

    net.slot_onModifyCircleInfo(1, "77", QString(200, QChar(0x540d)));
    QCOMPARE(spy.size(), 1);
}

void TestCircles::replies_data()
{
    QTest::addColumn<QByteArray>("packet");
    QTest::addColumn<QStringList>("events");

    QTest::newRow("91 created")
        << FakePacket(CmdNewCircle).u32(OWN).u8(0).u8(0).u32(55).u32(0).bytes()
        << QStringList{"new|0"};
    QTest::newRow("91 refused status")
        << FakePacket(CmdNewCircle).u32(OWN).u8(0).u8(2).u32(55).u32(0).bytes()
        << QStringList{"new|2"};
    QTest::newRow("91 failed")
        << FakePacket(CmdNewCircle).u32(OWN).u8(1).u8(0).u32(55).u32(0).bytes() << QStringList{};
    QTest::newRow("91 for another")
        << FakePacket(CmdNewCircle).u32(OTHER).u8(0).u8(0).u32(55).u32(0).bytes() << QStringList{};
    QTest::newRow("92")
        << FakePacket(CmdModifyCircleMember).u32(OWN).u8(1).u32(CIRCLE).u8(0).bytes()
        << QStringList{"member|1|0"};
    QTest::newRow("93 list")
        << FakePacket(CmdCircle).u32(OWN).u8(0).u8(0).u32(0).raw("\x01\x02").bytes()
        << QStringList{"circles|0102"};
    QTest::newRow("93 failed")
        << FakePacket(CmdCircle).u32(OWN).u8(0).u8(1).u32(0).raw("\x01").bytes() << QStringList{};
    QTest::newRow("94 members")
        << FakePacket(CmdCircleMember).u32(OWN).u8(0).u32(CIRCLE).u8(0).u32(0).raw("\x03").bytes()
        << QStringList{"members|77|03"};
    QTest::newRow("94 failed")
        << FakePacket(CmdCircleMember).u32(OWN).u8(0).u32(CIRCLE).u8(4).u32(0).raw("\x03").bytes()
        << QStringList{};
    QTest::newRow("95 hits")
        << FakePacket(CmdSearchCircle).u32(OWN).u8(1).u8(0).u32(3).raw("\x09").bytes()
        << QStringList{"search|1|09|3"};
    QTest::newRow("95 huge count")
        << FakePacket(CmdSearchCircle).u32(OWN).u8(0).u8(0).u32(0xFFFFFFFF).bytes()
        << QStringList{"search|0||2147483647"};
    QTest::newRow("95 failed") << FakePacket(CmdSearchCircle).u32(OWN).u8(1).u8(1).u32(3).bytes()
                               << QStringList{};
    QTest::newRow("96 left") << FakePacket(CmdExitCircle).u32(OWN).u8(0).u32(CIRCLE).u8(0).bytes()
                             << QStringList{"exit|1|77"};
    QTest::newRow("96 not left")
        << FakePacket(CmdExitCircle).u32(OWN).u8(0).u32(CIRCLE).u8(1).bytes()
        << QStringList{"exit|0|77"};
    QTest::newRow("96 other result")
        << FakePacket(CmdExitCircle).u32(OWN).u8(0).u32(CIRCLE).u8(9).bytes()
        << QStringList{"exit|0|77"};
    QTest::newRow("96 member left")
        << FakePacket(CmdExitCircle).u32(OTHER).u8(1).u32(CIRCLE).bytes()
        << QStringList{save(CIRCLE, OTHER, {}, {}, 0, MsgCircle, 1, false)};
    QTest::newRow("99") << FakePacket(CmdModifyCircleInfo).u32(OWN).u32(CIRCLE).u32(9).u8(0).bytes()
                        << QStringList{"info|0|77"};
    QTest::newRow("112 dissolved")
        << FakePacket(CmdDismissCircle).u32(OWN).u8(0).u32(CIRCLE).u8(0).bytes()
        << QStringList{"dismiss|1|77"};
    QTest::newRow("112 refused")
        << FakePacket(CmdDismissCircle).u32(OWN).u8(0).u32(CIRCLE).u8(1).bytes()
        << QStringList{"dismiss|0|77"};
    QTest::newRow("112 notice")
        << FakePacket(CmdDismissCircle).u32(OWN).u8(1).u32(CIRCLE).u32(0).str8("读书会").bytes()
        << QStringList{"dissolved|77"};
    QTest::newRow("112 notice for another user")
        << FakePacket(CmdDismissCircle).u32(OTHER).u8(1).u32(CIRCLE).u32(0).str8("读书会").bytes()
        << QStringList{};

    auto apply = [](quint32 iFirst, quint8 iKind) {
        return FakePacket(CmdApplyCircle).u32(iFirst).u8(iKind).u32(CIRCLE);
    };
    QTest::newRow("98/0 result") << apply(OWN, ApplyJoin).u8(0).bytes() << QStringList{"apply|0|0"};
    QTest::newRow("98/0 for another") << apply(OTHER, ApplyJoin).u8(0).bytes() << QStringList{};
    QTest::newRow("98/1 application")
        << apply(OWN, ApplyIncoming)
               .u32(OTHER)
               .raw(enc8("让我进"))
               .str8("乙")
               .str8("138")
               .str8("公司")
               .bytes()
        << QStringList{save(CIRCLE, OTHER, {}, QByteArray("138:乙:公司:让我进"), CircleApplication,
                            MsgCircleRequest, 0, false)};
    QTest::newRow("98/2 answer")
        << FakePacket(CmdApplyCircle).u32(OTHER).u8(ApplyAnswer).u32(CIRCLE).u32(OWN).u8(0).bytes()
        << QStringList{save(CIRCLE, OTHER, {}, {}, CircleOwnAccepted, MsgCircleRequest, 0, false)};
    QTest::newRow("98/2 refusal")
        << FakePacket(CmdApplyCircle).u32(OTHER).u8(ApplyAnswer).u32(CIRCLE).u32(OWN).u8(1).bytes()
        << QStringList{save(CIRCLE, OTHER, {}, {}, CircleOwnRefused, MsgCircleRequest, 0, false)};
    QTest::newRow("98/2 for another")
        << FakePacket(CmdApplyCircle).u32(OWN).u8(ApplyAnswer).u32(CIRCLE).u32(OTHER).u8(0).bytes()
        << QStringList{};
    QTest::newRow("98/3 result")
        << apply(OWN, ApplyAnswerResult).u32(OTHER).u8(0).bytes()
        << QStringList{
               QString("update|77|%1|3|0|6").arg(hex(FakePacket(0).u32(OTHER).bytes().mid(1)))};
    QTest::newRow("98/8 result")
        << apply(OWN, ApplyAnswerTextResult).u32(OTHER).u8(1).bytes()
        << QStringList{
               QString("update|77|%1|8|1|6").arg(hex(FakePacket(0).u32(OTHER).bytes().mid(1)))};
    QTest::newRow("98/4 recommended")
        << apply(OTHER, ApplyInvite).raw(enc8("来吧")).bytes()
        << QStringList{save(CIRCLE, OTHER, {}, QByteArray("来吧"), CircleRecommended,
                            MsgCircleRequest, 0, false)};
    QTest::newRow("98/5 result") << apply(OWN, ApplyInviteResult).u8(0).raw(enc8("x")).bytes()
                                 << QStringList{"apply|0|4"};
    QTest::newRow("98/6 nothing") << apply(OWN, 6).u8(0).bytes() << QStringList{};
    QTest::newRow("98/7 notice") << apply(OTHER, ApplyNotice).str8("已加入").u8(1).bytes()
                                 << QStringList{save(CIRCLE, OTHER, {}, QByteArray("已加入"),
                                                     CircleAdded, MsgCircleRequest, 1, false)};
    QTest::newRow("98/9 accepted")
        << apply(OWN, ApplyInviteAnswer).u8(0).raw(enc8("1000003:丙")).bytes()
        << QStringList{"apply|0|4", save(CIRCLE, 1000003, {}, QByteArray("1000003:丙"),
                                         CircleRecommendationAccepted, MsgCircleRequest, 0, false)};
    QTest::newRow("98/9 refused")
        << apply(OWN, ApplyInviteAnswer).u8(1).raw(enc8("1000003:丙")).bytes()
        << QStringList{"apply|1|4", save(CIRCLE, 1000003, {}, QByteArray("1000003:丙"),
                                         CircleRecommendationRefused, MsgCircleRequest, 0, false)};
    QTest::newRow("98/unknown") << apply(OWN, 200).u8(0).bytes() << QStringList{};
}

void TestCircles::replies()
{
    QFETCH(QByteArray, packet);
    QFETCH(QStringList, events);
    CNetwork net;
    Protocol proto;
    Recorder recorder(proto, net);
    proto.slot_onParseProtocol(packet, QString(), 0);
    QCOMPARE(recorder.events, events);
}

void TestCircles::cutReplies_data()
{
    replies_data();
}

void TestCircles::cutReplies()
{
    // Every head cut short emits nothing; only the lists, whose data is the rest of the packet,
    // may still be handed on once their head is whole.
    QFETCH(QByteArray, packet);
    QFETCH(QStringList, events);
    for (int iLength = 1; iLength < packet.size(); ++iLength) {
        CNetwork net;
        Protocol proto;
        Recorder recorder(proto, net);
        proto.slot_onParseProtocol(packet.left(iLength), QString(), 0);
        for (const QString &strEvent : std::as_const(recorder.events)) {
            QVERIFY2(strEvent.startsWith("circles|") || strEvent.startsWith("members|") ||
                         strEvent.startsWith("search|"),
                     qPrintable(QString("%1 at length %2").arg(strEvent).arg(iLength)));
        }
    }
}

void TestCircles::createAndMemberRepliesSetTheLastCircle()
{
    Protocol proto;
    sessionState().iLastCircleId = 5;
    proto.slot_onParseProtocol(FakePacket(CmdNewCircle).u32(OWN).u8(0).u8(2).u32(55).u32(0), {}, 0);
    QCOMPARE(sessionState().iLastCircleId, quint32(5));
    proto.slot_onParseProtocol(FakePacket(CmdNewCircle).u32(OWN).u8(0).u8(0).u32(55).u32(0), {}, 0);
    QCOMPARE(sessionState().iLastCircleId, quint32(55));
    proto.slot_onParseProtocol(FakePacket(CmdModifyCircleMember).u32(OWN).u8(0).u32(66).u8(0), {},
                               0);
    QCOMPARE(sessionState().iLastCircleId, quint32(66));
}

QTEST_GUILESS_MAIN(TestCircles)
#include "tst_circles.moc"
