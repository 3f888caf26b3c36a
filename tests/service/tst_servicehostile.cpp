// Hostile packets against the service: every session command with another user's own-Zpid,
// truncated and oversized requests, garbage, requests on the wrong channel or without a
// session. Each is dropped with its reason counted, nothing is sent back, and the user it
// aimed at keeps the session, card and password it had.
#include <QtTest>

#include "ccloudbookcommands.h"
#include "cmessagecommands.h"
#include "codes.h"
#include "fakecipher.h"
#include "fakepacket.h"
#include "serviceclient.h"
#include "servicefixture.h"
#include "zephonversion.h"

namespace {

constexpr quint32 kVictim = 1000001;
constexpr quint32 kAttacker = 1000002;
constexpr char kPassword[] = "demo1234";

enum Route
{
    AttackerTcp, // the attacker's signed-in TCP connection
    AttackerUdp, // the attacker's registered UDP endpoint
    FreshTcp,    // a sub-server connection that never signed in; closed after sending
    FreshUdp,    // a UDP socket the service has never heard from
    MainServer   // a connection to the main server
};

} // namespace

Q_DECLARE_METATYPE(CServiceCounters::Drop)

class TestServiceHostile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void droppedAndCounted_data();
    void droppedAndCounted();
    void refusedWithAnAnswer_data();
    void refusedWithAnAnswer();
    void heldMessagesStayBoundedAndOwned();
    void streamAfterGarbageStillWorks();

private:
    void send(Route route, const QByteArray &arPacket);

    std::unique_ptr<ServiceFixture> m_pFixture;
    std::unique_ptr<ServiceClient> m_pVictim;
    std::unique_ptr<ServiceClient> m_pAttacker;
    QByteArray m_arVictimHash;
    QByteArray m_arVictimCard;
};

void TestServiceHostile::initTestCase()
{
    m_pFixture = std::make_unique<ServiceFixture>();
    QVERIFY2(m_pFixture->start(), qPrintable(m_pFixture->error()));
    m_pVictim = std::make_unique<ServiceClient>(m_pFixture->mainPort());
    m_pAttacker = std::make_unique<ServiceClient>(m_pFixture->mainPort());
    for (ServiceClient *pClient : {m_pVictim.get(), m_pAttacker.get()}) {
        QVERIFY(pClient->connectSub());
        const quint32 iZpid = pClient == m_pVictim.get() ? kVictim : kAttacker;
        QCOMPARE(pClient->login(QString::number(iZpid), kPassword), 0);
        QVERIFY(pClient->heartbeat());
    }
    const auto victim = m_pFixture->service().store().accounts().byZpid(kVictim);
    QVERIFY(victim);
    m_arVictimHash = victim->arPasswordHash;
    m_arVictimCard = victim->strCard.toUtf8();
}

void TestServiceHostile::cleanupTestCase()
{
    m_pAttacker.reset();
    m_pVictim.reset();
    m_pFixture.reset();
}

void TestServiceHostile::send(Route route, const QByteArray &arPacket)
{
    switch (route) {
    case AttackerTcp:
        m_pAttacker->sendTcp(arPacket);
        break;
    case AttackerUdp:
        m_pAttacker->sendUdp(arPacket);
        break;
    case FreshUdp: {
        QUdpSocket socket;
        socket.writeDatagram(arPacket, QHostAddress::LocalHost, m_pFixture->service().subPort());
        QTest::qWait(50);
        break;
    }
    case FreshTcp:
    case MainServer: {
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, route == MainServer
                                                          ? m_pFixture->mainPort()
                                                          : m_pFixture->service().subPort());
        QTRY_COMPARE_WITH_TIMEOUT(socket.state(), QAbstractSocket::ConnectedState, 3000);
        socket.write(arPacket);
        QTest::qWait(200);
        // Whatever the service sent back would be waiting here.
        QCOMPARE(socket.bytesAvailable(), 0);
        socket.disconnectFromHost();
        break;
    }
    }
}

void TestServiceHostile::droppedAndCounted_data()
{
    QTest::addColumn<int>("route");
    QTest::addColumn<QByteArray>("packet");
    QTest::addColumn<CServiceCounters::Drop>("reason");

    const QByteArray arPassword = fakeEncrypt(kPassword);
    const QByteArray arCard = fakeEncrypt("冒充:0:::::::::::::");
    using C = CServiceCounters;
    auto row = [](const char *pName, Route route, const QByteArray &ar, C::Drop reason) {
        QTest::newRow(pName) << int(route) << ar << reason;
    };

    // Another user's own-Zpid on the attacker's own session.
    row("foreign heartbeat", AttackerUdp, FakePacket(Codes::CmdHeartbeat).u32(kVictim),
        C::DropForeignSender);
    row("foreign logout udp", AttackerUdp, FakePacket(Codes::CmdLogout).u32(kVictim),
        C::DropForeignSender);
    row("foreign logout tcp", AttackerTcp, FakePacket(Codes::CmdLogout).u32(kVictim),
        C::DropForeignSender);
    row("foreign presence", AttackerTcp, FakePacket(Codes::CmdAllUserState).u32(kVictim).u8(2),
        C::DropForeignSender);
    row("foreign numbers", AttackerUdp,
        FakePacket(Codes::CmdUserState).u32(kVictim).u8(2).blob32(fakeEncrypt("13800138001")),
        C::DropForeignSender);
    row("foreign phone", AttackerUdp, FakePacket(Codes::CmdUserPhone).u32(kVictim).u32(1000003),
        C::DropForeignSender);
    row("foreign password", AttackerTcp,
        FakePacket(Codes::CmdChangePassword).u32(kVictim).u8(0).str8(fakeEncrypt("stolen")),
        C::DropForeignSender);
    row("foreign address book", AttackerTcp,
        FakePacket(Codes::CmdContact).u32(kVictim).str8(arPassword).u32(0), C::DropForeignSender);
    row("foreign card save", AttackerTcp,
        FakePacket(Codes::CmdSaveCard).u32(kVictim).u8(0).blob32(arCard), C::DropForeignSender);
    row("foreign circles", AttackerTcp, FakePacket(Codes::CmdCircle).u32(kVictim).u8(0).u32(0),
        C::DropForeignSender);
    row("foreign message", AttackerUdp,
        FakePacket(Codes::CmdMessage)
            .u32(kVictim)
            .u32(1000003)
            .u32(1)
            .blob32(fakeEncrypt("x"))
            .u8(0)
            .u32(0),
        C::DropForeignSender);
    row("foreign receipt", AttackerUdp,
        FakePacket(Codes::CmdMessageReceipt).u32(kVictim).u32(1000003).u8(0).u32(1),
        C::DropForeignSender);
    row("foreign card message", AttackerTcp,
        FakePacket(Codes::CmdCardMessage).u32(kVictim).u32(1000003).u8(2).u32(1).u8(0),
        C::DropForeignSender);
    row("foreign cloud upload", AttackerTcp,
        FakePacket(Codes::CmdUploadNetContact)
            .u32(kVictim)
            .u32(1)
            .u8(0)
            .u32(1)
            .blob32(fakeEncrypt("139;a;b")),
        C::DropForeignSender);
    row("foreign cloud book", AttackerTcp, FakePacket(Codes::CmdNetContact).u32(kVictim).u32(0),
        C::DropForeignSender);
    row("foreign cloud change", AttackerTcp,
        FakePacket(Codes::CmdModifyNetContact)
            .u32(kVictim)
            .u8(1)
            .blob32("13800138001")
            .blob32(QByteArray()),
        C::DropForeignSender);
    row("foreign stranger card", AttackerTcp,
        FakePacket(Codes::CmdStrangeCard).u32(kVictim).u32(1000003).u8(0), C::DropForeignSender);
    row("foreign may-know", AttackerTcp, FakePacket(Codes::CmdMayKnow).u32(kVictim).u32(2).u32(0),
        C::DropForeignSender);
    // The victim's Zpid from an endpoint the service does not know cannot claim a session.
    row("claim victim endpoint", FreshUdp, FakePacket(Codes::CmdHeartbeat).u32(kVictim),
        C::DropNoSession);

    // Fields cut short.
    row("short heartbeat", AttackerUdp, FakePacket(Codes::CmdHeartbeat).u8(2).u8(0x42),
        C::DropTruncated);
    row("short phone query", AttackerUdp, FakePacket(Codes::CmdUserPhone).u32(kAttacker).u8(1),
        C::DropTruncated);
    row("numbers count past end", AttackerUdp,
        FakePacket(Codes::CmdUserState).u32(kAttacker).u8(2).u32(100).raw("abc"), C::DropTruncated);
    row("login cut off", FreshTcp,
        FakePacket(Codes::CmdLogin).u8(4).str8(ZEPHON_VERSION_TEXT).u8(0).u32(kVictim),
        C::DropTruncated);
    row("message count past end", AttackerUdp,
        FakePacket(Codes::CmdMessage).u32(kAttacker).u32(kVictim).u32(1).u32(0x7FFFFFFF).raw("x"),
        C::DropTruncated);
    row("attachment count past end", AttackerUdp,
        FakePacket(Codes::CmdMessage)
            .u32(kAttacker)
            .u32(kVictim)
            .u32(1)
            .u32(0)
            .u8(2)
            .u32(0xFFFFFFFF),
        C::DropTruncated);
    row("card save cut off", FreshTcp,
        FakePacket(Codes::CmdSaveCard).u32(kAttacker).u8(0).u32(64).raw("xy"), C::DropTruncated);

    // More than any request may be.
    row("oversized stream", FreshTcp,
        FakePacket(Codes::CmdSaveCard)
            .u32(kAttacker)
            .u8(1)
            .u32(1u << 30)
            .raw(QByteArray(300 * 1024, 'z')),
        C::DropOversized);

    // Garbage.
    row("empty datagram", AttackerUdp, QByteArray(), C::DropEmpty);
    row("reserved code", AttackerUdp, FakePacket(Codes::CmdIgnored).u32(kAttacker),
        C::DropReserved);
    row("unknown code udp", AttackerUdp, FakePacket(0xEE).raw("garbage"), C::DropUnknown);
    row("unknown code tcp", AttackerTcp, FakePacket(0xEE).raw("garbage"), C::DropUnknown);
    row("unknown code main", MainServer, FakePacket(0).u32(0), C::DropUnknown);

    // A defined code where it does not belong or before sign-in.
    row("login over udp", AttackerUdp,
        FakePacket(Codes::CmdLogin).u8(4).str8("v").u8(0).u32(kVictim).str8(arPassword).u8(0),
        C::DropWrongChannel);
    row("presence on main server", MainServer,
        FakePacket(Codes::CmdAllUserState).u32(kVictim).u8(2), C::DropWrongChannel);
    row("address book over udp", AttackerUdp,
        FakePacket(Codes::CmdContact).u32(kAttacker).str8(arPassword).u32(0), C::DropWrongChannel);
    row("address book before login", FreshTcp,
        FakePacket(Codes::CmdContact).u32(kVictim).str8(arPassword).u32(0), C::DropNoSession);
    row("card message over udp", AttackerUdp,
        FakePacket(Codes::CmdCardMessage).u32(kAttacker).u32(kVictim).u8(2).u32(1).u8(0),
        C::DropWrongChannel);
    row("cloud book before login", FreshTcp, FakePacket(Codes::CmdNetContact).u32(kVictim).u32(0),
        C::DropNoSession);
    row("card before login", FreshTcp, FakePacket(Codes::CmdCard).u32(kVictim).u8(0).u32(0),
        C::DropNoSession);
    row("phone from unknown endpoint", FreshUdp,
        FakePacket(Codes::CmdUserPhone).u32(kVictim).u32(1000003), C::DropNoSession);
    row("directory sub-command never taken", AttackerTcp,
        FakePacket(Codes::CmdEnterprise).u32(kAttacker).u8(0).blob32("x"), C::DropBadField);
    // A notice the service sends is never taken from a client.
    row("circle notice from a client", AttackerTcp,
        FakePacket(Codes::CmdApplyCircle).u32(kAttacker).u8(Codes::ApplyNotice).u32(1),
        C::DropBadField);
}

void TestServiceHostile::droppedAndCounted()
{
    QFETCH(int, route);
    QFETCH(QByteArray, packet);
    QFETCH(CServiceCounters::Drop, reason);

    CService &service = m_pFixture->service();
    const quint64 iBefore = service.counters().drops(reason);
    const quint64 iTotalBefore = service.counters().totalDrops();
    m_pAttacker->clearReceived();

    send(Route(route), packet);
    QTRY_COMPARE_WITH_TIMEOUT(service.counters().drops(reason), iBefore + 1, 3000);
    QTest::qWait(100);
    QCOMPARE(service.counters().totalDrops(), iTotalBefore + 1);
    QCOMPARE(m_pAttacker->receivedCount(), 0);

    // The victim is untouched: still signed in and answered, same card, same password.
    QVERIFY(service.sessions().isOnline(kVictim));
    QVERIFY(m_pVictim->heartbeat());
    const auto victim = service.store().accounts().byZpid(kVictim);
    QVERIFY(victim);
    QCOMPARE(victim->arPasswordHash, m_arVictimHash);
    QCOMPARE(victim->strCard.toUtf8(), m_arVictimCard);
    // And the attacker's own session still works.
    QVERIFY(service.sessions().isOnline(kAttacker));
    QVERIFY(m_pAttacker->heartbeat());
}

void TestServiceHostile::refusedWithAnAnswer_data()
{
    QTest::addColumn<int>("route");
    QTest::addColumn<QByteArray>("packet");
    QTest::addColumn<QByteArray>("answer");

    const QByteArray arTooLong(CMessageCommands::MAX_TEXT_CIPHER_BYTES + 16, 'x');
    const QByteArray arCardTooLong(CMessageCommands::MAX_CARD_CIPHER_BYTES + 16, 'c');
    auto receipt = [](quint32 iPeer, quint32 iMsgId) {
        return FakePacket(Codes::CmdMessageReceipt)
            .u32(iPeer)
            .u32(kAttacker)
            .u8(1)
            .u32(iMsgId)
            .bytes();
    };
    auto cardReport = [](quint32 iMsgId) {
        return FakePacket(Codes::CmdDeliveryReport).u32(kVictim).u8(3).u8(3).u32(iMsgId).bytes();
    };

    QTest::newRow("message to nobody") << int(AttackerUdp)
                                       << FakePacket(Codes::CmdMessage)
                                              .u32(kAttacker)
                                              .u32(1999999)
                                              .u32(1)
                                              .blob32(fakeEncrypt("x"))
                                              .u8(0)
                                              .u32(0)
                                              .bytes()
                                       << receipt(1999999, 1);
    QTest::newRow("message to zpid 0") << int(AttackerUdp)
                                       << FakePacket(Codes::CmdMessage)
                                              .u32(kAttacker)
                                              .u32(0)
                                              .u32(2)
                                              .blob32(fakeEncrypt("x"))
                                              .u8(0)
                                              .u32(0)
                                              .bytes()
                                       << receipt(0, 2);
    QTest::newRow("text too long") << int(AttackerTcp)
                                   << FakePacket(Codes::CmdMessage)
                                          .u32(kAttacker)
                                          .u32(kVictim)
                                          .u32(3)
                                          .blob32(arTooLong)
                                          .u8(0)
                                          .u32(0)
                                          .bytes()
                                   << receipt(kVictim, 3);
    QTest::newRow("attachment too long") << int(AttackerTcp)
                                         << FakePacket(Codes::CmdMessage)
                                                .u32(kAttacker)
                                                .u32(kVictim)
                                                .u32(4)
                                                .blob32(fakeEncrypt("x"))
                                                .u8(2)
                                                .blob32(arTooLong)
                                                .bytes()
                                         << receipt(kVictim, 4);
    QTest::newRow("card of unknown kind") << int(AttackerTcp)
                                          << FakePacket(Codes::CmdCardMessage)
                                                 .u32(kAttacker)
                                                 .u32(kVictim)
                                                 .u8(9)
                                                 .u32(5)
                                                 .str8("x")
                                                 .bytes()
                                          << cardReport(5);
    QTest::newRow("card too long") << int(AttackerTcp)
                                   << FakePacket(Codes::CmdCardMessage)
                                          .u32(kAttacker)
                                          .u32(kVictim)
                                          .u8(0)
                                          .u32(6)
                                          .str8(fakeEncrypt("c"))
                                          .blob32(arCardTooLong)
                                          .bytes()
                                   << cardReport(6);
    QTest::newRow("chunk count huge")
        << int(AttackerTcp)
        << FakePacket(Codes::CmdUploadNetContact)
               .u32(kAttacker)
               .u32(9)
               .u8(0)
               .u32(0xFFFFFFFF)
               .blob32(fakeEncrypt("1;a;b"))
               .bytes()
        << FakePacket(Codes::CmdUploadNetContact).u32(kAttacker).u32(9).u8(0).u8(1).bytes();
    QTest::newRow("cloud change of unknown kind")
        << int(AttackerTcp)
        << FakePacket(Codes::CmdModifyNetContact)
               .u32(kAttacker)
               .u8(250)
               .blob32("1")
               .blob32(fakeEncrypt("1;a;b"))
               .bytes()
        << FakePacket(Codes::CmdModifyNetContact).u32(kAttacker).u8(1).bytes();
}

void TestServiceHostile::refusedWithAnAnswer()
{
    QFETCH(int, route);
    QFETCH(QByteArray, packet);
    QFETCH(QByteArray, answer);

    CService &service = m_pFixture->service();
    const quint64 iBefore = service.counters().drops(CServiceCounters::DropBadField);
    m_pAttacker->clearReceived();
    m_pVictim->clearReceived();

    send(Route(route), packet);
    const quint8 iCode = quint8(answer.at(0));
    QCOMPARE(route == AttackerUdp ? m_pAttacker->takeUdp(iCode, 3000)
                                  : m_pAttacker->takeTcp(iCode, 3000),
             answer);
    QCOMPARE(service.counters().drops(CServiceCounters::DropBadField), iBefore + 1);
    // Nothing reached or waits for the victim, and the attacker's book stayed empty.
    QTest::qWait(100);
    QCOMPARE(m_pVictim->receivedCount(), 0);
    QCOMPARE(service.store().storedMessages().count(kVictim), 0);
    QCOMPARE(service.store().cloudBooks().count(kAttacker), 0);
    QVERIFY(m_pAttacker->heartbeat());
}

void TestServiceHostile::heldMessagesStayBoundedAndOwned()
{
    constexpr quint32 kAway = 1000004;
    CStoredMessageTable &held = m_pFixture->service().store().storedMessages();
    CStoredMessageTable::Row row;
    row.iAddressee = kAway;
    row.iSender = kVictim;
    row.iCode = Codes::CmdMessage;
    row.arBody = fakeEncrypt("held");
    for (int i = 0; i < CServiceConfig::DEFAULT_MAX_HELD_PER_ADDRESSEE; ++i) {
        row.iMsgId = quint32(i);
        QVERIFY(held.store(row));
    }
    m_pAttacker->clearReceived();
    m_pVictim->clearReceived();

    // A receipt names only messages held for its own sender.
    m_pAttacker->sendUdp(
        FakePacket(Codes::CmdMessageReceipt).u32(kAttacker).u32(kVictim).u8(0).u32(7));
    // The addressee's store is full: one more is refused.
    m_pAttacker->sendUdp(FakePacket(Codes::CmdMessage)
                             .u32(kAttacker)
                             .u32(kAway)
                             .u32(1)
                             .blob32(fakeEncrypt("x"))
                             .u8(0)
                             .u32(0));
    QCOMPARE(m_pAttacker->takeUdp(Codes::CmdMessageReceipt, 3000),
             FakePacket(Codes::CmdMessageReceipt).u32(kAway).u32(kAttacker).u8(1).u32(1).bytes());
    QCOMPARE(held.count(kAway), CServiceConfig::DEFAULT_MAX_HELD_PER_ADDRESSEE);
    QTest::qWait(100);
    QCOMPARE(m_pVictim->receivedCount(), 0);
}

void TestServiceHostile::streamAfterGarbageStillWorks()
{
    // Garbage on a signed-in connection loses what was pending, not the connection.
    m_pAttacker->sendTcp(FakePacket(0xEE).raw("junk"));
    QTest::qWait(100);
    const QByteArray arReply =
        m_pAttacker->requestTcp(FakePacket(Codes::CmdCircle).u32(kAttacker).u8(0).u32(0));
    QCOMPARE(FakePacket::u32At(arReply, 1), kAttacker);
}

QTEST_MAIN(TestServiceHostile)
#include "tst_servicehostile.moc"
