// The session commands of the service over loopback, as a scripted client with an encoder of
// its own sees them: the sub-server reply, login results and the lock after wrong passwords,
// heartbeats, presence, telephone look-up, password change, address book, cards, the circle
// list, logout, silent sessions and a second sign-in of the same account.
#include <QtTest>

#include "caddressbooktable.h"
#include "ccontactcommands.h"
#include "clientside.h"
#include "cloginthrottle.h"
#include "codes.h"
#include "cservicestore.h"
#include "fakecipher.h"
#include "fakepacket.h"
#include "serviceclient.h"
#include "servicefixture.h"

namespace {

constexpr char kPassword[] = "demo1234";

QByteArray presenceNotice(quint32 iTo, quint32 iZpid, Codes::PresenceState state)
{
    return FakePacket(Codes::CmdPresence).u32(iTo).u32(iZpid).u8(state);
}

QByteArray cardOf(ServiceClient &client, quint32 iOwner, quint8 iKind)
{
    return client.requestTcp(FakePacket(Codes::CmdCard).u32(iOwner).u8(iKind).u32(0));
}

// The n bytes at offset 15 of a card reply.
QByteArray cardData(const QByteArray &arReply)
{
    const qint64 n = FakePacket::u32At(arReply, 11);
    return n < 0 ? QByteArray() : arReply.mid(15, int(n));
}

} // namespace

class TestServiceSession : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void subServerReplyNamesTheSubServer();
    void loginResults_data();
    void loginResults();
    void fiveWrongPasswordsLockTheAccount();
    void lockEndsAfterAMinute();
    void heartbeatNeedsASession();
    void presenceFollowsSessions();
    void presenceOfGivenNumbers_data();
    void presenceOfGivenNumbers();
    void telephoneLookUp_data();
    void telephoneLookUp();
    void passwordChangeTakesEffect();
    void addressBookComesFromTheStore();
    void cardsAreServedAndSaved();
    void oversizedCardIsRefused();
    void circleListOfNoCircleIsEmpty();
    void silentSessionEnds();
    void secondSignInTakesOverWithoutKnockingOut();
    void contactsAreToldWhoComesAndGoes();
    void lastSessionEndingIsTheDeparture();

private:
    // A client signed in as iZpid with its UDP endpoint registered.
    std::unique_ptr<ServiceClient> signedIn(quint32 iZpid);

    std::unique_ptr<ServiceFixture> m_pFixture;
};

void TestServiceSession::init()
{
    m_pFixture = std::make_unique<ServiceFixture>();
    QVERIFY2(m_pFixture->start(), qPrintable(m_pFixture->error()));
}

void TestServiceSession::cleanup()
{
    m_pFixture.reset();
}

std::unique_ptr<ServiceClient> TestServiceSession::signedIn(quint32 iZpid)
{
    auto client = std::make_unique<ServiceClient>(m_pFixture->mainPort());
    if (!client->connectSub() || client->login(QString::number(iZpid), kPassword) != 0 ||
        !client->heartbeat())
        return nullptr;
    return client;
}

void TestServiceSession::subServerReplyNamesTheSubServer()
{
    ServiceClient client(m_pFixture->mainPort());
    QVERIFY(client.connectSub());
    QCOMPARE(client.subPort(), m_pFixture->service().subPort());
    QCOMPARE(client.tcp().state(), QAbstractSocket::ConnectedState);
}

void TestServiceSession::loginResults_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("password");
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("phone");

    QTest::newRow("zpid") << "1000002" << kPassword << 0 << "13800138001";
    QTest::newRow("mobile") << "13800138003" << kPassword << 0 << "13800138003";
    QTest::newRow("unknown zpid") << "1999999" << kPassword << 1 << "";
    QTest::newRow("unknown mobile") << "13999999999" << kPassword << 1 << "";
    QTest::newRow("wrong password") << "1000002"
                                    << "demo12345" << 2 << "";
    QTest::newRow("empty password") << "13800138001"
                                    << "" << 2 << "";
}

void TestServiceSession::loginResults()
{
    QFETCH(QString, id);
    QFETCH(QString, password);
    QFETCH(int, result);
    QFETCH(QString, phone);

    ServiceClient client(m_pFixture->mainPort());
    QVERIFY(client.connectSub());
    QCOMPARE(client.login(id, password), result);
    QCOMPARE(client.phone(), phone);
    QCOMPARE(m_pFixture->service().sessions().count(), result == 0 ? 1 : 0);
}

void TestServiceSession::fiveWrongPasswordsLockTheAccount()
{
    ServiceClient client(m_pFixture->mainPort());
    QVERIFY(client.connectSub());
    for (int i = 0; i < CLoginThrottle::MAX_FAILURES; ++i)
        QCOMPARE(client.login(QStringLiteral("1000001"), QStringLiteral("guess%1").arg(i)), 2);
    // The sixth wrong password is refused, and so is the right one while the lock lasts.
    QCOMPARE(client.login(QStringLiteral("1000001"), QStringLiteral("guess5")), 3);
    QCOMPARE(client.login(QStringLiteral("13800138000"), kPassword), 3);
    QCOMPARE(m_pFixture->service().counters().events(CServiceCounters::LoginRefused), 2u);
    // Another account is not affected.
    QCOMPARE(client.login(QStringLiteral("1000002"), kPassword), 0);
}

void TestServiceSession::lockEndsAfterAMinute()
{
    CLoginThrottle throttle;
    // Failures older than the window no longer count.
    for (int i = 0; i < CLoginThrottle::MAX_FAILURES - 1; ++i)
        throttle.recordFailure(7, i);
    QVERIFY(!throttle.isLocked(7, 10));
    throttle.recordFailure(7, CLoginThrottle::WINDOW_MS + 10);
    QVERIFY(!throttle.isLocked(7, CLoginThrottle::WINDOW_MS + 10));

    for (int i = 0; i < CLoginThrottle::MAX_FAILURES; ++i)
        throttle.recordFailure(8, 100 + i);
    const qint64 iLockedAt = 100 + CLoginThrottle::MAX_FAILURES - 1;
    QVERIFY(throttle.isLocked(8, iLockedAt));
    QVERIFY(throttle.isLocked(8, iLockedAt + CLoginThrottle::LOCK_MS - 1));
    QVERIFY(!throttle.isLocked(8, iLockedAt + CLoginThrottle::LOCK_MS));
    QVERIFY(!throttle.isLocked(9, iLockedAt));
    // A success forgets the failures.
    throttle.recordSuccess(8);
    QCOMPARE(throttle.trackedAccounts(), 1);
}

void TestServiceSession::heartbeatNeedsASession()
{
    ServiceClient client(m_pFixture->mainPort());
    QVERIFY(client.connectSub());
    QVERIFY(client.requestUdp(FakePacket(Codes::CmdHeartbeat).u32(1000001), 300).isEmpty());
    QCOMPARE(m_pFixture->service().counters().drops(CServiceCounters::DropNoSession), 1u);
    QCOMPARE(client.login(QStringLiteral("1000001"), kPassword), 0);
    QCOMPARE(client.requestUdp(FakePacket(Codes::CmdHeartbeat).u32(1000001)),
             QByteArray(1, char(3)));
}

void TestServiceSession::presenceFollowsSessions()
{
    auto zhang = signedIn(1000001);
    auto li = signedIn(1000002);
    QVERIFY(zhang && li);

    QString strOnline;
    QString strOffline;
    QByteArray arReply = zhang->requestTcp(FakePacket(Codes::CmdAllUserState).u32(1000001).u8(2));
    QVERIFY(ServiceClient::presenceLists(arReply, strOnline, strOffline));
    QCOMPARE(quint8(arReply.at(1)), quint8(0));
    QCOMPARE(FakePacket::u32At(arReply, 2), 3);
    QCOMPARE(strOnline, QStringLiteral("13800138001:1000002"));
    QCOMPARE(strOffline, QStringLiteral("13800138002:1000003:13800138003:1000004"));

    li->sendUdp(FakePacket(Codes::CmdLogout).u32(1000002));
    QTRY_VERIFY(!m_pFixture->service().sessions().isOnline(1000002));
    arReply = zhang->requestTcp(FakePacket(Codes::CmdAllUserState).u32(1000001).u8(2));
    QVERIFY(ServiceClient::presenceLists(arReply, strOnline, strOffline));
    QCOMPARE(strOnline, QString());
    QCOMPARE(strOffline,
             QStringLiteral("13800138001:1000002:13800138002:1000003:13800138003:1000004"));
}

void TestServiceSession::presenceOfGivenNumbers_data()
{
    QTest::addColumn<QString>("numbers");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("joined"); // the two lists as the client joins them

    QTest::newRow("online") << "13800138001" << 1 << "13800138001:1000002";
    QTest::newRow("offline") << "13800138003" << 1 << "13800138003:1000004";
    QTest::newRow("no account") << "13900139000" << 0 << "";
    QTest::newRow("own number") << "13800138000" << 0 << "";
    QTest::newRow("both kinds") << "13800138003:13800138001" << 2
                                << "13800138001:1000002:13800138003:1000004";
}

void TestServiceSession::presenceOfGivenNumbers()
{
    QFETCH(QString, numbers);
    QFETCH(int, count);
    QFETCH(QString, joined);

    auto zhang = signedIn(1000001);
    auto li = signedIn(1000002);
    QVERIFY(zhang && li);
    const QByteArray arReply = zhang->requestUdp(
        FakePacket(Codes::CmdUserState).u32(1000001).u8(2).blob32(fakeEncrypt(numbers.toUtf8())));
    QString strOnline;
    QString strOffline;
    QVERIFY(ServiceClient::presenceLists(arReply, strOnline, strOffline));
    QCOMPARE(FakePacket::u32At(arReply, 2), count);
    QCOMPARE(strOnline + strOffline, joined);
}

void TestServiceSession::telephoneLookUp_data()
{
    QTest::addColumn<quint32>("zpid");
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("phone");

    QTest::newRow("account") << 1000003u << 0 << "13800138002";
    QTest::newRow("no account") << 1234567u << 1 << "";
}

void TestServiceSession::telephoneLookUp()
{
    QFETCH(quint32, zpid);
    QFETCH(int, result);
    QFETCH(QString, phone);

    auto zhang = signedIn(1000001);
    QVERIFY(zhang);
    const QByteArray arReply =
        zhang->requestUdp(FakePacket(Codes::CmdUserPhone).u32(1000001).u32(zpid));
    QVERIFY(arReply.size() >= 7);
    QCOMPARE(int(quint8(arReply.at(1))), result);
    QCOMPARE(FakePacket::u32At(arReply, 2), zpid);
    QCOMPARE(fakeDecryptText(arReply.mid(7, quint8(arReply.at(6)))), phone);
}

void TestServiceSession::passwordChangeTakesEffect()
{
    auto zhang = signedIn(1000001);
    QVERIFY(zhang);
    const QByteArray arReply = zhang->requestTcp(
        FakePacket(Codes::CmdChangePassword).u32(1000001).u8(0).str8(fakeEncrypt("n3w-secret")));
    QCOMPARE(arReply, FakePacket(Codes::CmdChangePassword).u32(1000001).u8(0).bytes());

    ServiceClient again(m_pFixture->mainPort());
    QVERIFY(again.connectSub());
    QCOMPARE(again.login(QStringLiteral("1000001"), kPassword), 2);
    QCOMPARE(again.login(QStringLiteral("1000001"), QStringLiteral("n3w-secret")), 0);

    // An empty password is refused and changes nothing.
    QCOMPARE(zhang->requestTcp(
                 FakePacket(Codes::CmdChangePassword).u32(1000001).u8(0).str8(QByteArray())),
             FakePacket(Codes::CmdChangePassword).u32(1000001).u8(1).bytes());
    QCOMPARE(again.login(QStringLiteral("1000001"), QStringLiteral("n3w-secret")), 0);
}

void TestServiceSession::addressBookComesFromTheStore()
{
    auto li = signedIn(1000002);
    QVERIFY(li);
    const QByteArray arReply = li->requestTcp(
        FakePacket(Codes::CmdContact).u32(1000002).str8(fakeEncrypt(kPassword)).u32(0));
    QCOMPARE(FakePacket::u32At(arReply, 1), 1000002);
    QCOMPARE(quint8(arReply.at(5)), quint8(0));
    const QString strBook = fakeDecryptText(arReply.mid(14, int(FakePacket::u32At(arReply, 10))));
    QCOMPARE(strBook, QStringLiteral("13800138000;张伟:13800138002;王芳:13800138003;刘洋:"
                                     "13700137000;赵磊:13600136000;孙丽"));
}

void TestServiceSession::cardsAreServedAndSaved()
{
    auto zhang = signedIn(1000001);
    QVERIFY(zhang);
    QByteArray arReply = cardOf(*zhang, 1000002, 0);
    QCOMPARE(FakePacket::u32At(arReply, 1), 1000002);
    QCOMPARE(quint8(arReply.at(5)), quint8(0));
    const QStringList fields = fakeDecryptText(cardData(arReply)).split(QLatin1Char(':'));
    QCOMPARE(fields.size(), 14);
    QCOMPARE(fields.at(0), QStringLiteral("李娜"));
    QCOMPARE(fields.at(5), QStringLiteral("13800138001"));
    // No picture yet.
    QCOMPARE(quint8(cardOf(*zhang, 1000001, 1).at(5)), quint8(1));

    const QString strCard = QStringLiteral("张伟:0:总监:新公司::13800138000::::::::");
    QCOMPARE(zhang->requestTcp(FakePacket(Codes::CmdSaveCard)
                                   .u32(1000001)
                                   .u8(0)
                                   .blob32(fakeEncrypt(strCard.toUtf8()))),
             FakePacket(Codes::CmdSaveCard).u32(1000001).u8(0).u8(0).bytes());
    QCOMPARE(fakeDecryptText(cardData(cardOf(*zhang, 1000001, 0))), strCard);

    const QByteArray arPicture("\x89PNG\r\n\x1a\n-picture-bytes", 23);
    QCOMPARE(zhang->requestTcp(FakePacket(Codes::CmdSaveCard).u32(1000001).u8(1).blob32(arPicture)),
             FakePacket(Codes::CmdSaveCard).u32(1000001).u8(1).u8(0).bytes());
    arReply = cardOf(*zhang, 1000001, 1);
    QCOMPARE(quint8(arReply.at(5)), quint8(0));
    QCOMPARE(quint8(arReply.at(6)), quint8(1));
    QCOMPARE(cardData(arReply), arPicture);
}

void TestServiceSession::oversizedCardIsRefused()
{
    auto zhang = signedIn(1000001);
    QVERIFY(zhang);
    const QByteArray arBefore = cardData(cardOf(*zhang, 1000001, 0));
    const QByteArray arLong(CContactCommands::MAX_CARD_BYTES + 1, 'x');
    QCOMPARE(zhang->requestTcp(
                 FakePacket(Codes::CmdSaveCard).u32(1000001).u8(0).blob32(fakeEncrypt(arLong))),
             FakePacket(Codes::CmdSaveCard).u32(1000001).u8(0).u8(1).bytes());
    const QByteArray arTooBig(CContactCommands::MAX_PICTURE_BYTES + 1, 'p');
    QCOMPARE(zhang->requestTcp(FakePacket(Codes::CmdSaveCard).u32(1000001).u8(1).blob32(arTooBig)),
             FakePacket(Codes::CmdSaveCard).u32(1000001).u8(1).u8(1).bytes());
    QCOMPARE(cardData(cardOf(*zhang, 1000001, 0)), arBefore);
    QCOMPARE(quint8(cardOf(*zhang, 1000001, 1).at(5)), quint8(1));
}

void TestServiceSession::circleListOfNoCircleIsEmpty()
{
    auto wang = signedIn(1000003);
    QVERIFY(wang);
    // Out of the one demo circle, the list settles the sign-in with a count of none.
    const QByteArray arLeft =
        wang->requestTcp(FakePacket(Codes::CmdExitCircle).u32(1000003).u8(0).u32(2000001));
    QCOMPARE(quint8(arLeft.at(10)), quint8(0));
    QCOMPARE(wang->requestTcp(FakePacket(Codes::CmdCircle).u32(1000003).u8(0).u32(0)),
             FakePacket(Codes::CmdCircle).u32(1000003).u8(0).u8(0).u32(0).u32(0).bytes());
}

void TestServiceSession::silentSessionEnds()
{
    m_pFixture = std::make_unique<ServiceFixture>(600);
    QVERIFY2(m_pFixture->start(), qPrintable(m_pFixture->error()));
    auto zhang = signedIn(1000001);
    QVERIFY(zhang);
    QCOMPARE(m_pFixture->service().sessions().count(), 1);
    // Heartbeats keep it alive past the timeout...
    for (int i = 0; i < 4; ++i) {
        QTest::qWait(250);
        QVERIFY(zhang->heartbeat());
    }
    QCOMPARE(m_pFixture->service().sessions().count(), 1);
    // ...silence ends it and closes the connection.
    QTRY_COMPARE_WITH_TIMEOUT(m_pFixture->service().sessions().count(), 0, 3000);
    QTRY_COMPARE_WITH_TIMEOUT(zhang->tcp().state(), QAbstractSocket::UnconnectedState, 3000);
    QCOMPARE(m_pFixture->service().counters().events(CServiceCounters::SessionTimedOut), 1u);
    QVERIFY(!zhang->heartbeat(300));
}

void TestServiceSession::secondSignInTakesOverWithoutKnockingOut()
{
    auto first = signedIn(1000001);
    auto second = signedIn(1000001);
    QVERIFY(first && second);
    CService &service = m_pFixture->service();
    QCOMPARE(service.sessions().sessionsOf(1000001), 2);
    QCOMPARE(service.counters().events(CServiceCounters::SessionTakenOver), 1u);
    // Both stay answered, so neither client has a reason to sign in again.
    for (int i = 0; i < 3; ++i) {
        QVERIFY(first->heartbeat());
        QVERIFY(second->heartbeat());
    }
    QCOMPARE(first->tcp().state(), QAbstractSocket::ConnectedState);
    QCOMPARE(service.counters().events(CServiceCounters::LoginOk), 2u);

    first->sendUdp(FakePacket(Codes::CmdLogout).u32(1000001));
    QTRY_COMPARE(service.sessions().sessionsOf(1000001), 1);
    QVERIFY(service.sessions().isOnline(1000001));
    QVERIFY(second->heartbeat());
}

// Those whose address book holds a user's number and who are signed in are told when the user
// comes and goes, by logout or by silence; nobody else is, and the client reads the notice.
void TestServiceSession::contactsAreToldWhoComesAndGoes()
{
    m_pFixture = std::make_unique<ServiceFixture>(800);
    QVERIFY2(m_pFixture->start(), qPrintable(m_pFixture->error()));
    // Wang's book names nobody.
    QVERIFY(m_pFixture->service().store().addressBooks().replace(1000003, {}));
    auto zhang = signedIn(1000001);
    auto wang = signedIn(1000003);
    QVERIFY(zhang && wang);
    zhang->clearReceived();

    auto li = signedIn(1000002);
    QVERIFY(li);
    QCOMPARE(zhang->takeTcp(Codes::CmdPresence, 3000),
             presenceNotice(1000001, 1000002, Codes::PresenceOnline));
    QVERIFY(wang->takeTcp(Codes::CmdPresence, 300).isEmpty());

    li->sendUdp(FakePacket(Codes::CmdLogout).u32(1000002));
    QCOMPARE(zhang->takeTcp(Codes::CmdPresence, 3000),
             presenceNotice(1000001, 1000002, Codes::PresenceOffline));

    // Li comes back and falls silent; the session's timeout is its departure. The others keep
    // their sessions alive meanwhile.
    li = signedIn(1000002);
    QVERIFY(li);
    const QByteArray arBack = zhang->takeTcp(Codes::CmdPresence, 3000);
    QCOMPARE(arBack, presenceNotice(1000001, 1000002, Codes::PresenceOnline));
    QByteArray arGone;
    for (int i = 0; i < 20 && arGone.isEmpty(); ++i) {
        QVERIFY(zhang->heartbeat() && wang->heartbeat());
        arGone = zhang->takeTcp(Codes::CmdPresence, 200);
    }
    QCOMPARE(arGone, presenceNotice(1000001, 1000002, Codes::PresenceOffline));

    // The client's parser makes of the two notices what they say.
    ClientSide client(*zhang, 1000001, QString::fromLatin1(kPassword));
    client.use();
    QSignalSpy presence(&client.proto, &Protocol::sig_presence);
    client.proto.slot_onParseProtocol(arBack, QStringLiteral("127.0.0.1"), 1);
    client.proto.slot_onParseProtocol(arGone, QStringLiteral("127.0.0.1"), 1);
    QCOMPARE(presence.size(), 2);
    QCOMPARE(presence.at(0), (QList<QVariant>{1000002u, true}));
    QCOMPARE(presence.at(1), (QList<QVariant>{1000002u, false}));
}

// A user signed in twice is still there when one of its sessions ends.
void TestServiceSession::lastSessionEndingIsTheDeparture()
{
    auto zhang = signedIn(1000001);
    auto first = signedIn(1000002);
    auto second = signedIn(1000002);
    QVERIFY(zhang && first && second);
    zhang->clearReceived();
    first->sendUdp(FakePacket(Codes::CmdLogout).u32(1000002));
    QTRY_COMPARE_WITH_TIMEOUT(m_pFixture->service().sessions().sessionsOf(1000002), 1, 3000);
    QVERIFY(zhang->takeTcp(Codes::CmdPresence, 500).isEmpty());
    second->tcp().abort();
    QCOMPARE(zhang->takeTcp(Codes::CmdPresence, 3000),
             presenceNotice(1000001, 1000002, Codes::PresenceOffline));
}

QTEST_MAIN(TestServiceSession)
#include "tst_servicesession.moc"
