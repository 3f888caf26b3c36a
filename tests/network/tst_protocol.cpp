// The packet layer: request framing for every code of the catalogue, transport and re-send
// registration, dispatch of received packets, and the session commands end to end against
// the fake service.
#include <QSignalSpy>
#include <QTest>
#include <QTimeZone>

#include <limits>

#include "cmsgtracker.h"
#include "cnetwork.h"
#include "codes.h"
#include "csessionstate.h"
#include "fakecipher.h"
#include "fakepacket.h"
#include "fakeservice.h"
#include "ownsession.h"
#include "packint.h"
#include "protocol.h"
#include "zephonversion.h"

namespace {

constexpr quint32 OWN = 0x0A0B0C0D;
const QByteArray OWN_BYTES = QByteArray::fromHex("0d0c0b0a");

QByteArray hdr(quint8 a, quint8 l, quint8 p)
{
    QByteArray ar;
    ar.append(char(a)).append(char(l)).append(char(p));
    return ar;
}

// Joins the two objects the way the controller does.
void wire(CNetwork &net, Protocol &proto)
{
    QObject::connect(&net, &CNetwork::sig_createProtocol, &proto, &Protocol::slot_onCreateProtocol);
    QObject::connect(&proto, &Protocol::sig_sendProtocol, &net, &CNetwork::slot_onSendProtocol);
    QObject::connect(&net, &CNetwork::sig_parseProtocol, &proto, &Protocol::slot_onParseProtocol);
    QObject::connect(&proto, &Protocol::sig_connectServer, &net, &CNetwork::slot_onConnectServer);
}

} // namespace

class TestProtocol : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();

    void framing_data();
    void framing();
    void requestsThatAreNotSent_data();
    void requestsThatAreNotSent();
    void messageTransportBySize_data();
    void messageTransportBySize();
    void nextMsgIdWraps_data();
    void nextMsgIdWraps();
    void msgIdSeed_data();
    void msgIdSeed();
    void callPeer();

    void ignoredPackets_data();
    void ignoredPackets();
    void heartbeatReply();
    void subServerReply();
    void loginReplies();
    void presenceReplies_data();
    void presenceReplies();
    void phoneReply_data();
    void phoneReply();
    void addresseeCheck();
    void parserPlugsIn();

    void loginPacketOnTheWire_data();
    void loginPacketOnTheWire();
    void fullSessionAgainstService();

private:
    FakeService m_fake;
};

void TestProtocol::initTestCase()
{
    QVERIFY(m_fake.start());
    qputenv("ZEPHON_SERVER", m_fake.serverText().toUtf8());
}

void TestProtocol::init()
{
    signInAs(OWN);
    msgTracker().reset();
    m_fake.clearReceived();
}

void TestProtocol::framing_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QByteArray>("packet");
    QTest::addColumn<int>("transport");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("header");

    sessionState().strLoginPassword = "pw";
    const QByteArray P = QByteArray::fromHex("01020304050607080910111213");
    const QByteArray none;
    auto plain = [&](quint8 c) { return FakePacket(c).u32(OWN).raw(P).bytes(); };
    auto count32 = [&](quint8 c, int k) {
        return FakePacket(c).u32(OWN).raw(P.left(k)).blob32(P.mid(k)).bytes();
    };
    auto count8 = [&](quint8 c, int k) {
        return FakePacket(c).u32(OWN).raw(P.left(k)).str8(P.mid(k)).bytes();
    };

    for (quint8 c : {Codes::CmdMessageReceipt, Codes::CmdModifyNetContact, Codes::CmdCircleMember,
                     Codes::CmdSearchCircle, Codes::CmdExitCircle, Codes::CmdStrangeCard,
                     Codes::CmdDismissCircle})
        QTest::addRow("plain %d", c)
            << int(c) << P << plain(c)
            << int(c == Codes::CmdMessageReceipt ? SOCKET_UDP : SOCKET_TCP) << none << none;
    for (quint8 c : {Codes::CmdUserState, Codes::CmdUserPhone, Codes::CmdPush})
        QTest::addRow("plain re-sent %d", c)
            << int(c) << P << plain(c) << int(SOCKET_UDP) << QByteArray(1, char(c)) << hdr(0, 3, 2);

    const QByteArray call = OWN_BYTES;
    QTest::newRow("5 call start")
        << int(Codes::CmdCallSignal) << call + '\x01'
        << FakePacket(Codes::CmdCallSignal).u32(OWN).raw(call + '\x01').bytes() << int(SOCKET_UDP)
        << QByteArray::fromHex("0501") << hdr(60, 0, 1);
    QTest::newRow("5 hang-up")
        << int(Codes::CmdCallSignal) << call + '\x05'
        << FakePacket(Codes::CmdCallSignal).u32(OWN).raw(call + '\x05').bytes() << int(SOCKET_UDP)
        << QByteArray::fromHex("0505") << hdr(0, 10, 1);
    QTest::newRow("5 answer")
        << int(Codes::CmdCallSignal) << call + '\x02'
        << FakePacket(Codes::CmdCallSignal).u32(OWN).raw(call + '\x02').bytes() << int(SOCKET_UDP)
        << none << none;

    const QByteArray msg =
        FakePacket(0).u32(77).u32(9).blob32(QByteArray(16, 'c')).u8(0).u32(0).bytes().mid(1);
    QTest::newRow("14 short text")
        << int(Codes::CmdMessage) << msg << FakePacket(Codes::CmdMessage).u32(OWN).raw(msg).bytes()
        << int(SOCKET_UDP) << QByteArray(1, '\x0e') + packUInt32(9) + packUInt32(77)
        << hdr(0, 3, 2);

    QTest::newRow("60 count after 9")
        << int(Codes::CmdUploadNetContact) << P << count32(Codes::CmdUploadNetContact, 9)
        << int(SOCKET_TCP) << none << none;
    QTest::newRow("92 count after 9")
        << int(Codes::CmdModifyCircleMember) << P << count32(Codes::CmdModifyCircleMember, 9)
        << int(SOCKET_TCP) << none << none;
    QTest::newRow("82 count after 1")
        << int(Codes::CmdSaveCard) << P << count32(Codes::CmdSaveCard, 1) << int(SOCKET_TCP) << none
        << none;
    QTest::newRow("91 count after 1")
        << int(Codes::CmdNewCircle) << P << count32(Codes::CmdNewCircle, 1) << int(SOCKET_TCP)
        << none << none;
    QTest::newRow("31 u8 count after 1")
        << int(Codes::CmdChangePassword) << P << count8(Codes::CmdChangePassword, 1)
        << int(SOCKET_TCP) << none << none;
    QTest::newRow("99 u8 count after 10")
        << int(Codes::CmdModifyCircleInfo) << P << count8(Codes::CmdModifyCircleInfo, 10)
        << int(SOCKET_TCP) << none << none;
    QByteArray p98 = P;
    for (char kind : {'\x00', '\x04'}) {
        p98[0] = kind;
        QTest::addRow("98 kind %d", int(kind))
            << int(Codes::CmdApplyCircle) << p98
            << count8(Codes::CmdApplyCircle, 5).replace(5, 1, QByteArray(1, kind))
            << int(SOCKET_TCP) << none << none;
    }
    p98[0] = '\x06';
    QTest::newRow("98 kind 6")
        << int(Codes::CmdApplyCircle) << p98
        << FakePacket(Codes::CmdApplyCircle).u32(OWN).raw(p98.left(10)).str8(p98.mid(10)).bytes()
        << int(SOCKET_TCP) << none << none;
    p98[0] = '\x02';
    QTest::newRow("98 kind 2") << int(Codes::CmdApplyCircle) << p98
                               << FakePacket(Codes::CmdApplyCircle).u32(OWN).raw(p98).bytes()
                               << int(SOCKET_TCP) << none << none;
    QTest::newRow("87 enterprise")
        << int(Codes::CmdEnterprise) << P
        << FakePacket(Codes::CmdEnterprise).raw(P.left(5)).blob32(P.mid(5)).bytes()
        << int(SOCKET_TCP) << none << none;
    QTest::newRow("81 card request")
        << int(Codes::CmdCard) << P << FakePacket(Codes::CmdCard).raw(P).u32(0).bytes()
        << int(SOCKET_TCP) << none << none;
    // The message id counter is seeded to 41 in the test, so the next id is 42.
    for (quint8 c : {Codes::CmdCardMessage, Codes::CmdCircleMessage})
        QTest::addRow("%d message id inserted", c)
            << int(c) << P << FakePacket(c).u32(OWN).raw(P.left(5)).u32(42).raw(P.mid(5)).bytes()
            << int(SOCKET_TCP) << none << none;

    QTest::newRow("3 heartbeat") << int(Codes::CmdHeartbeat) << P
                                 << FakePacket(Codes::CmdHeartbeat).u32(OWN).bytes()
                                 << int(SOCKET_UDP) << QByteArray(1, '\x03') << hdr(0, 3, 2);
    QTest::newRow("11") << int(Codes::CmdAllUserState) << P
                        << FakePacket(Codes::CmdAllUserState).u32(OWN).u8(2).bytes()
                        << int(SOCKET_TCP) << none << none;
    QTest::newRow("28") << int(Codes::CmdReserved) << P
                        << FakePacket(Codes::CmdReserved).u32(OWN).bytes() << int(SOCKET_TCP)
                        << none << none;
    QTest::newRow("32") << int(Codes::CmdMayKnow) << P
                        << FakePacket(Codes::CmdMayKnow).u32(OWN).u32(2).u32(0).bytes()
                        << int(SOCKET_TCP) << none << none;
    QTest::newRow("35") << int(Codes::CmdLogout) << P
                        << FakePacket(Codes::CmdLogout).u32(OWN).bytes() << int(SOCKET_UDP) << none
                        << none;
    QTest::newRow("36")
        << int(Codes::CmdContact) << P
        << FakePacket(Codes::CmdContact).u32(OWN).str8(fakeEncrypt("pw")).u32(0).bytes()
        << int(SOCKET_TCP) << none << none;
    QTest::newRow("61") << int(Codes::CmdNetContact) << P
                        << FakePacket(Codes::CmdNetContact).u32(OWN).u32(0).bytes()
                        << int(SOCKET_TCP) << none << none;
    QTest::newRow("93") << int(Codes::CmdCircle) << P
                        << FakePacket(Codes::CmdCircle).u32(OWN).u8(0).u32(0).bytes()
                        << int(SOCKET_TCP) << none << none;
    QTest::newRow("102") << int(Codes::CmdSubServer) << P << QByteArray::fromHex("6600000000")
                         << int(SOCKET_TCP) << none << none;
}

void TestProtocol::framing()
{
    QFETCH(int, code);
    QFETCH(QByteArray, payload);
    QFETCH(QByteArray, packet);
    QFETCH(int, transport);
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, header);
    sessionState().strLoginPassword = "pw";
    setMsgIdCounter(41);
    Protocol proto;
    QSignalSpy send(&proto, &Protocol::sig_sendProtocol);
    proto.slot_onCreateProtocol(quint8(code), payload);
    QCOMPARE(send.size(), 1);
    QCOMPARE(send.first().at(0).toByteArray().toHex(' '), packet.toHex(' '));
    QCOMPARE(int(send.first().at(1).value<SOCKETTYPE>()), transport);
    if (key.isEmpty()) {
        QVERIFY(sessionState().mapResend.isEmpty());
    } else {
        QCOMPARE(sessionState().mapResend.keys(), QList<QByteArray>{key});
        QCOMPARE(sessionState().mapResend.value(key), header + packet);
        QVERIFY(sessionState().pTimerResend->isActive());
    }
}

void TestProtocol::requestsThatAreNotSent_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QByteArray>("payload");
    QTest::newRow("unknown code") << 200 << QByteArray("x");
    QTest::newRow("reserved 201") << int(Codes::CmdIgnored) << QByteArray();
    QTest::newRow("code 0") << 0 << QByteArray();
    QTest::newRow("u8 count over 255")
        << int(Codes::CmdChangePassword) << QByteArray(1, '\0') + QByteArray(256, 'c');
    QTest::newRow("98 kind 6 text over 255")
        << int(Codes::CmdApplyCircle) << QByteArray(1, '\x06') + QByteArray(265, 'c');
}

void TestProtocol::requestsThatAreNotSent()
{
    QFETCH(int, code);
    QFETCH(QByteArray, payload);
    Protocol proto;
    QSignalSpy send(&proto, &Protocol::sig_sendProtocol);
    proto.slot_onCreateProtocol(quint8(code), payload);
    QVERIFY(send.isEmpty());
    QVERIFY(sessionState().mapResend.isEmpty());
}

void TestProtocol::messageTransportBySize_data()
{
    QTest::addColumn<int>("textLength");
    QTest::addColumn<bool>("udp");
    // Ciphertexts are whole blocks: 191 bytes of text make 192, 192 make 208.
    QTest::newRow("192-byte ciphertext") << 191 << true;
    QTest::newRow("208-byte ciphertext") << 192 << false;
}

void TestProtocol::messageTransportBySize()
{
    QFETCH(int, textLength);
    QFETCH(bool, udp);
    const QByteArray arCipher = fakeEncrypt(QByteArray(textLength, 't'));
    const QByteArray arPayload =
        FakePacket(0).u32(5555).u32(7).blob32(arCipher).u8(0).u32(0).bytes().mid(1);
    Protocol proto;
    QSignalSpy send(&proto, &Protocol::sig_sendProtocol);
    proto.slot_onCreateProtocol(Codes::CmdMessage, arPayload);
    QCOMPARE(send.size(), 1);
    QCOMPARE(send.first().at(1).value<SOCKETTYPE>(), udp ? SOCKET_UDP : SOCKET_TCP);
    QCOMPARE(sessionState().mapResend.size(), udp ? 1 : 0);
    // Only a message that went over TCP awaits the server's acceptance report.
    QCOMPARE(msgTracker().takeSentOverTcp(5555, 7), !udp);
    if (udp)
        QVERIFY(sessionState().mapResend.contains(QByteArray(1, '\x0e') + packUInt32(7) +
                                                  packUInt32(5555)));
}

void TestProtocol::nextMsgIdWraps_data()
{
    QTest::addColumn<qint32>("seed");
    QTest::addColumn<qint32>("next");
    QTest::newRow("ordinary") << 5 << 6;
    QTest::newRow("largest") << std::numeric_limits<qint32>::max() << 0;
    QTest::newRow("negative seed") << -7 << 0;
    QTest::newRow("zero") << 0 << 1;
}

void TestProtocol::nextMsgIdWraps()
{
    QFETCH(qint32, seed);
    QFETCH(qint32, next);
    setMsgIdCounter(seed);
    QCOMPARE(nextMsgId(), next);
    QCOMPARE(nextMsgId(), next + 1);
}

void TestProtocol::msgIdSeed_data()
{
    QTest::addColumn<qint32>("maxSent");
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<qint32>("seed");
    const QDateTime base(QDate(2020, 1, 1), QTime(0, 0), QTimeZone::utc());
    QTest::newRow("new store") << 0 << base.addSecs(86400) << 86400;
    QTest::newRow("store ahead of the clock") << 90000 << base.addSecs(86400) << 90000;
    QTest::newRow("empty store a year on") << 5 << base.addDays(366) << 366 * 86400;
    // A clock before the base or far past it never gives a negative or wrapping seed.
    QTest::newRow("clock before the base") << 7 << base.addSecs(-100) << 7;
    QTest::newRow("clock far ahead")
        << 3 << base.addYears(200) << std::numeric_limits<qint32>::max() / 2;
}

void TestProtocol::msgIdSeed()
{
    QFETCH(qint32, maxSent);
    QFETCH(QDateTime, now);
    QFETCH(qint32, seed);
    QCOMPARE(::msgIdSeed(maxSent, now), seed);
    // The same moment in another zone is the same seed.
    QCOMPARE(::msgIdSeed(maxSent, now.toOffsetFromUtc(8 * 3600)), seed);
}

void TestProtocol::callPeer()
{
    setCurrentCallPeer(99);
    QCOMPARE(currentCallPeer(), 99u);
    setCurrentCallPeer(0);
    QCOMPARE(currentCallPeer(), 0u);
}

void TestProtocol::ignoredPackets_data()
{
    QTest::addColumn<QByteArray>("packet");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("201 with a login reply behind it")
        << QByteArray::fromHex("c9") + FakePacket(Codes::CmdLogin).u32(5).u8(0).bytes();
    QTest::newRow("unknown code") << QByteArray::fromHex("c8000000");
    QTest::newRow("code 0") << QByteArray::fromHex("00270000");
}

void TestProtocol::ignoredPackets()
{
    QFETCH(QByteArray, packet);
    Protocol proto;
    QSignalSpy login(&proto, &Protocol::sig_loginState);
    QSignalSpy connectServer(&proto, &Protocol::sig_connectServer);
    QSignalSpy send(&proto, &Protocol::sig_sendProtocol);
    proto.slot_onParseProtocol(packet, "127.0.0.1", 1);
    QVERIFY(login.isEmpty() && connectServer.isEmpty() && send.isEmpty());
    QCOMPARE(sessionState().iZpid, OWN);
}

void TestProtocol::heartbeatReply()
{
    Protocol proto;
    setResend(QByteArray(1, '\x03'), hdr(0, 3, 2) + "hb");
    sessionState().iHeartLoss = 2;
    proto.slot_onParseProtocol(QByteArray(1, '\x03'), QString(), 0);
    QCOMPARE(sessionState().iHeartLoss, 0);
    QVERIFY(sessionState().mapResend.isEmpty());
    QVERIFY(!sessionState().pTimerResend->isActive());
}

void TestProtocol::subServerReply()
{
    Protocol proto;
    QSignalSpy connectServer(&proto, &Protocol::sig_connectServer);
    proto.slot_onParseProtocol(
        FakePacket(Codes::CmdSubServer).blob32(QByteArray("10.0.0.5\0\0\0\0", 12)).u32(0x12345),
        QString(), 0);
    QCOMPARE(connectServer.size(), 1);
    const QList<QVariant> args = connectServer.first();
    QCOMPARE(args.at(0).toString(), QString("10.0.0.5"));
    QCOMPARE(args.at(1).value<quint16>(), quint16(0x2345));
    QCOMPARE(args.at(2).value<CONNECT_STATE>(), CONNECT_LOGIN);
    QCOMPARE(args.at(3).value<SOCKETTYPE>(), SOCKET_TCP);
    QCOMPARE(sessionState().g_strSubServerIp, QString("10.0.0.5"));
}

void TestProtocol::loginReplies()
{
    CSessionState &s = sessionState();
    s.iZpid = 0;
    s.strLoginId = "13800000000";
    s.strLoginPassword = "pw";
    s.g_strSubServerIp = "127.0.0.1";
    s.g_iSubServerPort = 7000;
    s.bSuppressDisconnect = false;
    Protocol proto;
    QSignalSpy login(&proto, &Protocol::sig_loginState);
    QSignalSpy connectServer(&proto, &Protocol::sig_connectServer);

    // Refused: the result travels on with the credentials; nothing else happens.
    s.pTimerLogin->start(20000);
    s.pTimerReLogin->start(20000);
    proto.slot_onParseProtocol(FakePacket(Codes::CmdLogin).u32(0).u8(2).u8(0), QString(), 0);
    QCOMPARE(login.size(), 1);
    QCOMPARE(login.first(), (QList<QVariant>{2, "13800000000", "pw", "", ""}));
    QVERIFY(connectServer.isEmpty());
    QVERIFY(!s.pTimerLogin->isActive() && !s.pTimerReLogin->isActive());
    QVERIFY(!s.bHasLoggedIn);

    // First success: own zpid and telephone, then the UDP session.
    proto.slot_onParseProtocol(
        FakePacket(Codes::CmdLogin).u32(1234567).u8(0).str8(fakeEncrypt("13800000000")), QString(),
        0);
    QCOMPARE(login.last(), (QList<QVariant>{0, "13800000000", "pw", "1234567", "13800000000"}));
    QCOMPARE(s.iZpid, 1234567u);
    QVERIFY(s.bHasLoggedIn);
    QCOMPARE(connectServer.last().at(0).toString(), QString("127.0.0.1"));
    QCOMPARE(connectServer.last().at(1).value<quint16>(), quint16(7000));
    QCOMPARE(connectServer.last().at(2).value<CONNECT_STATE>(), CONNECT_SESSION);
    QCOMPARE(connectServer.last().at(3).value<SOCKETTYPE>(), SOCKET_UDP);

    // A re-login resumes with all strings empty and protects against the old TCP close.
    proto.slot_onParseProtocol(FakePacket(Codes::CmdLogin).u32(1234567).u8(0).u8(0), QString(), 0);
    QCOMPARE(login.last(), (QList<QVariant>{0, "", "", "", ""}));
    QCOMPARE(connectServer.last().at(2).value<CONNECT_STATE>(), CONNECT_RESUME);
    QVERIFY(s.bSuppressDisconnect);
    QCOMPARE(s.strPhone, QString("13800000000"));
}

void TestProtocol::presenceReplies_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("result");
    QTest::addColumn<int>("count");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("11") << int(Codes::CmdAllUserState) << 0 << 2 << QStringList{"A", "B"};
    QTest::newRow("11 failed") << int(Codes::CmdAllUserState) << 1 << 2 << QStringList{"", ""};
    QTest::newRow("11 none") << int(Codes::CmdAllUserState) << 0 << 0 << QStringList{"", ""};
    QTest::newRow("12 joins") << int(Codes::CmdUserState) << 0 << 2 << QStringList{"AB"};
    QTest::newRow("12 failed") << int(Codes::CmdUserState) << 3 << 2 << QStringList{""};
}

void TestProtocol::presenceReplies()
{
    QFETCH(int, code);
    QFETCH(int, result);
    QFETCH(int, count);
    QFETCH(QStringList, expected);
    Protocol proto;
    QSignalSpy two(&proto, qOverload<QString, QString>(&Protocol::sig_parseUserState));
    QSignalSpy one(&proto, qOverload<QString>(&Protocol::sig_parseUserState));
    setResend(QByteArray(1, '\x0c'), hdr(0, 3, 2) + "q");
    proto.slot_onParseProtocol(FakePacket(quint8(code))
                                   .u8(quint8(result))
                                   .u32(quint32(count))
                                   .u8(0)
                                   .blob32(fakeEncrypt("A"))
                                   .u8(0)
                                   .blob32(fakeEncrypt("B")),
                               QString(), 0);
    QSignalSpy &spy = code == Codes::CmdAllUserState ? two : one;
    QCOMPARE((code == Codes::CmdAllUserState ? one : two).size(), 0);
    QCOMPARE(spy.size(), 1);
    QStringList got;
    for (const QVariant &v : spy.first())
        got << v.toString();
    QCOMPARE(got, expected);
    QCOMPARE(sessionState().mapResend.isEmpty(), code == Codes::CmdUserState);
}

void TestProtocol::phoneReply_data()
{
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("phone");
    QTest::newRow("found") << 0 << "13912345678";
    QTest::newRow("not found") << 1 << "";
}

void TestProtocol::phoneReply()
{
    QFETCH(int, result);
    QFETCH(QString, phone);
    Protocol proto;
    QSignalSpy spy(&proto, &Protocol::sig_parseUserPhone);
    setResend(QByteArray(1, '\x0d'), hdr(0, 3, 2) + "q");
    proto.slot_onParseProtocol(FakePacket(Codes::CmdUserPhone)
                                   .u8(quint8(result))
                                   .u32(4321)
                                   .str8(fakeEncrypt("13912345678")),
                               QString(), 0);
    QCOMPARE(spy.size(), 1);
    QCOMPARE(spy.first().at(0).toUInt(), 4321u);
    QCOMPARE(spy.first().at(1).toString(), phone);
    QVERIFY(sessionState().mapResend.isEmpty());
}

void TestProtocol::addresseeCheck()
{
    sessionState().iPasswordSubType = 4;
    Protocol proto;
    QSignalSpy spy(&proto, &Protocol::sig_changepassword);
    proto.slot_onParseProtocol(FakePacket(Codes::CmdChangePassword).u32(OWN + 1).u8(0), QString(),
                               0);
    proto.slot_onParseProtocol(FakePacket(Codes::CmdChangePassword).u8(0), QString(), 0);
    QVERIFY(spy.isEmpty());
    proto.slot_onParseProtocol(FakePacket(Codes::CmdChangePassword).u32(OWN).u8(1), QString(), 0);
    QCOMPARE(spy.size(), 1);
    QCOMPARE(spy.first(), (QList<QVariant>{0, 4, 1}));
}

void TestProtocol::parserPlugsIn()
{
    Protocol proto;
    QList<QByteArray> seen;
    // 36 is checked at offset 1 whoever parses it.
    proto.setParser(Codes::CmdContact, [&](const QByteArray &ar) { seen << ar; });
    const QByteArray mine = FakePacket(Codes::CmdContact).u32(OWN).u8(7);
    proto.slot_onParseProtocol(FakePacket(Codes::CmdContact).u32(1).u8(7), QString(), 0);
    proto.slot_onParseProtocol(mine, QString(), 0);
    QCOMPARE(seen, QList<QByteArray>{mine});
    QCOMPARE(Protocol::addresseeOffset(Codes::CmdMessage), 5);
    QCOMPARE(Protocol::addresseeOffset(Codes::CmdOfflineMessage), 5);
    QCOMPARE(Protocol::addresseeOffset(Codes::CmdSubServer), -1);
}

void TestProtocol::loginPacketOnTheWire_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("loginId");
    QTest::addColumn<QString>("localId");
    QTest::addColumn<QByteArray>("idField");
    QTest::addColumn<int>("length");
    QTest::newRow("zpid") << 0 << "1234567"
                          << "ab-cd" << QByteArray::fromHex("87d61200") << 39;
    QTest::newRow("zpid, empty local id") << 0 << "1234567"
                                          << "" << QByteArray::fromHex("87d61200") << 34;
    const QByteArray arPhone = fakeEncrypt("13800000000");
    QTest::newRow("telephone") << 1 << "13800000000"
                               << "ab-cd" << QByteArray(1, char(arPhone.size())) + arPhone << 52;
    QTest::newRow("type 2 like 1")
        << 2 << "13800000000"
        << "ab-cd" << QByteArray(1, char(arPhone.size())) + arPhone << 52;
    QTest::newRow("other type has no id") << 5 << "1234567"
                                          << "ab-cd" << QByteArray() << 35;
}

void TestProtocol::loginPacketOnTheWire()
{
    QFETCH(int, type);
    QFETCH(QString, loginId);
    QFETCH(QString, localId);
    QFETCH(QByteArray, idField);
    QFETCH(int, length);
    sessionState().iZpid = 0;
    sessionState().g_strLocalId = localId;
    FakeService::Account account;
    account.iZpid = 1234567;
    account.strLoginId = loginId;
    account.strPassword = "secret";
    m_fake.serveAccount(account);

    CNetwork net;
    Protocol proto;
    wire(net, proto);
    QSignalSpy login(&proto, &Protocol::sig_loginState);
    net.slot_onLogin(loginId, "secret", type);
    QTRY_COMPARE(m_fake.packets(Codes::CmdLogin, FakeService::Sub).size(), 1);
    const QByteArray ar = m_fake.packets(Codes::CmdLogin, FakeService::Sub).first();
    QCOMPARE(ar.size(), length);
    const QByteArray arVersion(ZEPHON_VERSION_TEXT);
    const QByteArray arHead =
        QByteArray::fromHex("2704") + char(arVersion.size()) + arVersion + char(type);
    QCOMPARE(ar.left(arHead.size()).toHex(' '), arHead.toHex(' '));
    QCOMPARE(ar.mid(arHead.size(), idField.size()).toHex(), idField.toHex());
    const int iPw = int(arHead.size() + idField.size());
    const int nPw = quint8(ar.at(iPw));
    QCOMPARE(fakeDecryptText(ar.mid(iPw + 1, nPw)), QString("secret"));
    QCOMPARE(ar.mid(iPw + 1 + nPw), QByteArray(1, char(localId.size())) + localId.toUtf8());
    if (type <= 2) {
        QTRY_COMPARE(login.size(), 1);
        QCOMPARE(login.first().at(0).toInt(), 0);
    }
    net.logout();
}

void TestProtocol::fullSessionAgainstService()
{
    sessionState().iZpid = 0;
    FakeService::Account account;
    account.iZpid = 1234567;
    account.strLoginId = "1234567";
    account.strPassword = "secret";
    account.strPhone = "13800000000";
    account.strOnline = "on;";
    account.strOffline = "off;";
    account.phones.insert(42, "13900000042");
    m_fake.serveAccount(account);

    CNetwork net;
    Protocol proto;
    wire(net, proto);
    QSignalSpy login(&proto, &Protocol::sig_loginState);
    QSignalSpy state(&net, &CNetwork::sig_netState);
    QSignalSpy all(&proto, qOverload<QString, QString>(&Protocol::sig_parseUserState));
    QSignalSpy some(&proto, qOverload<QString>(&Protocol::sig_parseUserState));
    QSignalSpy phone(&proto, &Protocol::sig_parseUserPhone);
    QSignalSpy password(&proto, &Protocol::sig_changepassword);

    net.slot_onLogin("1234567", "secret", 0);
    QTRY_COMPARE(login.size(), 1);
    QCOMPARE(login.first(), (QList<QVariant>{0, "1234567", "secret", "1234567", "13800000000"}));
    // The UDP session starts with three heartbeats; their replies empty the re-send table.
    QTRY_COMPARE(m_fake.packets(Codes::CmdHeartbeat, FakeService::Udp).size(), 3);
    QCOMPARE(m_fake.packets(Codes::CmdHeartbeat, FakeService::Udp).first(),
             FakePacket(Codes::CmdHeartbeat).u32(1234567).bytes());
    QTRY_VERIFY(sessionState().mapResend.isEmpty());
    QTRY_COMPARE(m_fake.packets(Codes::CmdCard, FakeService::Sub).size(), 2);
    QTRY_COMPARE(m_fake.packets(Codes::CmdCircle, FakeService::Sub).size(), 1);
    QCOMPARE(m_fake.packets(Codes::CmdContact, FakeService::Sub).size(), 1);

    net.slot_onGetAllUserState();
    QTRY_COMPARE(all.size(), 1);
    QCOMPARE(all.first(), (QList<QVariant>{"on;", "off;"}));

    net.slot_onGetUserState("13900000042");
    QTRY_COMPARE(some.size(), 1);
    QCOMPARE(some.first().at(0).toString(), QString("on;off;"));
    const QByteArray arState = m_fake.packets(Codes::CmdUserState, FakeService::Udp).first();
    QCOMPARE(arState.left(6), FakePacket(Codes::CmdUserState).u32(1234567).u8(2).bytes());
    QCOMPARE(fakeDecryptText(arState.mid(10)), QString("13900000042"));
    QCOMPARE(FakePacket::u32At(arState, 6), arState.size() - 10);

    net.slot_onGetUserPhone("42");
    net.slot_onGetUserPhone("43");
    QTRY_COMPARE(phone.size(), 2);
    QCOMPARE(phone.at(0), (QList<QVariant>{42u, "13900000042"}));
    QCOMPARE(phone.at(1), (QList<QVariant>{43u, ""}));
    QTRY_VERIFY(sessionState().mapResend.isEmpty());

    net.slot_onChangePassword(0, 3, QVariant("n3w-pass"));
    net.slot_onChangePassword(7, 3, QVariant("ignored"));
    QTRY_COMPARE(password.size(), 1);
    QCOMPARE(password.first(), (QList<QVariant>{0, 3, 0}));
    const QByteArray arPassword =
        m_fake.packets(Codes::CmdChangePassword, FakeService::Sub).first();
    QCOMPARE(arPassword.left(6), FakePacket(Codes::CmdChangePassword).u32(1234567).u8(3).bytes());
    QCOMPARE(fakeDecryptText(arPassword.mid(7)), QString("n3w-pass"));
    QCOMPARE(int(quint8(arPassword.at(6))), arPassword.size() - 7);
    QCOMPARE(m_fake.packets(Codes::CmdChangePassword, FakeService::Sub).size(), 1);

    // Logging out tells the service three times over UDP.
    net.logout();
    QTRY_COMPARE(m_fake.packets(Codes::CmdLogout, FakeService::Udp).size(), 3);
    QVERIFY(state.isEmpty());
}

QTEST_GUILESS_MAIN(TestProtocol)
#include "tst_protocol.moc"
