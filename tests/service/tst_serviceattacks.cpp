// Hostile clients against the service's guards, each through the real service on loopback: a
// program on the user's own host squatting on the UDP side of a session, connections that
// never sign in or send too slowly, clients that never read their answers, floods of password
// changes, held messages and look-ups, and the packet log that must not keep a password.
#include <QNetworkDatagram>
#include <QtTest>

#include "codes.h"
#include "cpacketlog.h"
#include "ctcplistener.h"
#include "fakecipher.h"
#include "fakepacket.h"
#include "serviceclient.h"
#include "servicefixture.h"
#include "zephondprocess.h"
#include "zephonversion.h"

namespace {

constexpr char kPassword[] = "demo1234";
constexpr quint32 kVictim = 1000001;
constexpr quint32 kLi = 1000002;

// Sends heartbeats for a Zpid from a UDP socket of its own, every few milliseconds.
class Squatter
{
public:
    Squatter(const QHostAddress &host, quint16 iPort, quint32 iZpid)
        : m_iPort(iPort), m_arHeartbeat(FakePacket(Codes::CmdHeartbeat).u32(iZpid))
    {
        m_socket.bind(host, 0);
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] { send(); });
        QObject::connect(&m_socket, &QUdpSocket::readyRead, &m_timer, [this] {
            while (m_socket.hasPendingDatagrams()) {
                m_socket.receiveDatagram();
                ++m_iReceived;
            }
        });
    }
    void start() { m_timer.start(5); }
    void stop() { m_timer.stop(); }
    void send() { m_socket.writeDatagram(m_arHeartbeat, QHostAddress::LocalHost, m_iPort); }
    void sendPacket(const QByteArray &ar)
    {
        m_socket.writeDatagram(ar, QHostAddress::LocalHost, m_iPort);
    }
    int received() const { return m_iReceived; }

private:
    QUdpSocket m_socket;
    QTimer m_timer;
    quint16 m_iPort;
    QByteArray m_arHeartbeat;
    int m_iReceived = 0;
};

enum SquatterStart
{
    BeforeSignIn,     // heart-beating for the victim before it signs in
    DuringTrial,      // right after the victim's own first heartbeat
    AfterConfirmation // once the victim's endpoint is confirmed
};

enum ClaimOutcome
{
    Raced,    // the session gets neither endpoint and is ended
    Refused,  // the victim keeps its endpoint; the squatter is refused
    NoSession // the squatter's host signed nobody in
};

enum Lingerer
{
    IdleOnSub,        // connects to the sub-server and sends nothing
    IdleOnMain,       // connects to the main server and sends nothing
    SlowLogin,        // trickles a login request, a byte at a time
    SignedInTrickler, // signed in, then trickles a request
};

// A connection from a loopback address of its own, as from another host.
std::unique_ptr<QTcpSocket> connectFrom(const QString &strSource, quint16 iPort)
{
    auto socket = std::make_unique<QTcpSocket>();
    if (!strSource.isEmpty())
        socket->bind(QHostAddress(strSource), 0);
    socket->connectToHost(QHostAddress::LocalHost, iPort);
    return socket;
}

enum PasswordPacket
{
    SignInByZpid,
    SignInByMobile,
    PasswordChange,
    OrganisationSignIn,
    EnterpriseSignIn,
    EnterprisePasswordChange,
    SignInCutShort // a sign-in datagram that ends inside its password
};

// A packet of the kind holding arField as its password field's bytes.
QByteArray passwordPacket(PasswordPacket kind, const QByteArray &arField)
{
    auto enterprise = [](quint8 iSub, const QByteArray &arRest) {
        return FakePacket(Codes::CmdEnterprise).u32(kLi).u8(iSub).blob32(arRest).bytes();
    };
    auto rest = [] { return FakePacket(0).u32(77001); };
    switch (kind) {
    case SignInByZpid:
    case SignInCutShort:
        return FakePacket(Codes::CmdLogin)
            .u8(4)
            .str8(ZEPHON_VERSION_TEXT)
            .u8(0)
            .u32(kLi)
            .str8(arField)
            .str8(QByteArray());
    case SignInByMobile:
        return FakePacket(Codes::CmdLogin)
            .u8(4)
            .str8(ZEPHON_VERSION_TEXT)
            .u8(1)
            .str8(fakeEncrypt("13800138002"))
            .str8(arField)
            .str8(QByteArray());
    case PasswordChange:
        return FakePacket(Codes::CmdChangePassword).u32(kLi).u8(0).str8(arField);
    case OrganisationSignIn:
        return enterprise(Codes::EntLoginOrg, rest().str8(arField).u32(0).bytes().mid(1));
    case EnterpriseSignIn:
        return enterprise(Codes::EntLoginSubServer,
                          rest().str8("13800138002").str8(arField).u32(0).bytes().mid(1));
    case EnterprisePasswordChange:
        return enterprise(Codes::EntChangePassword,
                          rest().str8("li").u8(1).u8(0).str8(arField).bytes().mid(1));
    }
    return {};
}

// A message (14) or card message (83) from iFrom to iTo with a body of iBytes.
QByteArray heldPacket(quint8 iCode, quint32 iFrom, quint32 iTo, quint32 iMsgId, int iBytes)
{
    const QByteArray arBody(iBytes, 'm');
    if (iCode == Codes::CmdMessage)
        return FakePacket(iCode).u32(iFrom).u32(iTo).u32(iMsgId).blob32(arBody).u8(0).u32(0);
    return FakePacket(iCode)
        .u32(iFrom)
        .u32(iTo)
        .u8(Codes::CardMsgSent)
        .u32(iMsgId)
        .str8(fakeEncrypt("card"))
        .blob32(arBody);
}

// Sends a message over TCP and tells from the answer whether the service took it: 1 taken,
// 0 refused, -1 no answer.
int sendHeld(ServiceClient &client, quint8 iCode, quint32 iTo, quint32 iMsgId, int iBytes)
{
    client.sendTcp(heldPacket(iCode, client.zpid(), iTo, iMsgId, iBytes));
    int iResult = -1;
    const bool bAnswered = QTest::qWaitFor(
        [&] {
            for (QByteArray ar = client.takeTcp(Codes::CmdDeliveryReport, 0); !ar.isEmpty();
                 ar = client.takeTcp(Codes::CmdDeliveryReport, 0)) {
                if (ar.size() != 11 || FakePacket::u32At(ar, 7) != iMsgId)
                    continue;
                if (quint8(ar.at(6)) == Codes::ReportAccepted)
                    iResult = 1;
                else if (quint8(ar.at(6)) == Codes::ReportRefused)
                    iResult = 0;
            }
            const QByteArray arReceipt = client.takeTcp(Codes::CmdMessageReceipt, 0);
            if (arReceipt.size() == 14 && FakePacket::u32At(arReceipt, 10) == iMsgId &&
                arReceipt.at(9) == 1)
                iResult = 0;
            return iResult >= 0;
        },
        3000);
    return bAnswered ? iResult : -1;
}

QByteArray loginPacket(quint32 iZpid)
{
    return FakePacket(Codes::CmdLogin)
        .u8(4)
        .str8(ZEPHON_VERSION_TEXT)
        .u8(0)
        .u32(iZpid)
        .str8(fakeEncrypt(kPassword))
        .str8(QByteArray());
}

} // namespace

Q_DECLARE_METATYPE(CServiceCounters::Event)
Q_DECLARE_METATYPE(CServiceCounters::Drop)

class TestServiceAttacks : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup();

    void squatterNeverTakesTheUdpSide_data();
    void squatterNeverTakesTheUdpSide();
    void endpointOnTrialCannotSpeak();
    void datagramsSentOnTrialAreHandledOnceConfirmed();
    void lingeringConnectionsAreClosed_data();
    void lingeringConnectionsAreClosed();
    void signedInSessionOutlivesTheDeadline();
    void oldestIdleConnectionMakesRoom_data();
    void oldestIdleConnectionMakesRoom();
    void sessionsAloneAtTheCapRefuseNewcomers();
    void burstOfConnectsIsAcceptedAtOnce();
    void idleConnectionsPastADescriptorLimitOf1024();
    void unreadAnswersPauseReadingAndLoseNothing_data();
    void unreadAnswersPauseReadingAndLoseNothing();
    void pushesToAClientThatNeverReadsCloseIt();
    void passwordsNeverReachThePacketLog_data();
    void oneSenderFillsOnlyItsShareOfAnInbox_data();
    void oneSenderFillsOnlyItsShareOfAnInbox();
    void passwordChangesAreFewPerSession_data();
    void passwordChangesAreFewPerSession();
    void passwordChangesWaitInABoundedQueue();
    void signInIsCheckedBeforeWaitingPasswordChanges();
    void lookupsOfOthersAreRateLimited_data();
    void lookupsOfOthersAreRateLimited();
    void presenceQueryIsBoundedAndOneStatement_data();
    void presenceQueryIsBoundedAndOneStatement();
    void passwordsNeverReachThePacketLog();

private:
    bool start(const std::function<void(CServiceConfig &)> &adjust = [](CServiceConfig &) {});
    std::unique_ptr<ServiceClient> signedIn(quint32 iZpid);
    CService &service() { return m_pFixture->service(); }
    // The largest queue of answers any connection holds now.
    int largestQueue();

    std::unique_ptr<ServiceFixture> m_pFixture;
};

bool TestServiceAttacks::start(const std::function<void(CServiceConfig &)> &adjust)
{
    m_pFixture = std::make_unique<ServiceFixture>(adjust);
    return m_pFixture->start();
}

void TestServiceAttacks::cleanup()
{
    m_pFixture.reset();
}

std::unique_ptr<ServiceClient> TestServiceAttacks::signedIn(quint32 iZpid)
{
    auto client = std::make_unique<ServiceClient>(m_pFixture->mainPort());
    if (!client->connectSub() || client->login(QString::number(iZpid), kPassword) != 0 ||
        !client->heartbeat())
        return nullptr;
    return client;
}

void TestServiceAttacks::squatterNeverTakesTheUdpSide_data()
{
    QTest::addColumn<int>("start");
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("outcome");
    QTest::newRow("same host, before the sign-in")
        << int(BeforeSignIn) << "127.0.0.1" << int(Raced);
    QTest::newRow("same host, during the trial") << int(DuringTrial) << "127.0.0.1" << int(Raced);
    QTest::newRow("same host, after confirmation")
        << int(AfterConfirmation) << "127.0.0.1" << int(Refused);
    QTest::newRow("other host, before the sign-in")
        << int(BeforeSignIn) << "127.0.0.2" << int(NoSession);
    QTest::newRow("other host, during the trial")
        << int(DuringTrial) << "127.0.0.2" << int(NoSession);
}

void TestServiceAttacks::squatterNeverTakesTheUdpSide()
{
    QFETCH(int, start);
    QFETCH(QString, host);
    QFETCH(int, outcome);
    QVERIFY(this->start());
    const CServiceCounters &counters = service().counters();
    auto li = signedIn(kLi);
    QVERIFY(li);
    Squatter squatter(QHostAddress(host), service().subPort(), kVictim);
    if (start == BeforeSignIn)
        squatter.start();

    ServiceClient victim(m_pFixture->mainPort());
    QVERIFY(victim.connectSub());
    QCOMPARE(victim.login(QString::number(kVictim), kPassword), 0);
    if (start == BeforeSignIn)
        QTest::qWait(20);
    victim.sendUdp(FakePacket(Codes::CmdHeartbeat).u32(kVictim));
    if (start == DuringTrial) {
        squatter.send();
        squatter.start();
    }
    if (start == AfterConfirmation) {
        QVERIFY(!victim.takeUdp(Codes::CmdHeartbeat, 3000).isEmpty());
        squatter.start();
    }
    QTest::qWait(ServiceFixture::UDP_TRIAL_MS * 3);

    switch (outcome) {
    case Raced:
        // The client's connection is closed and its heartbeats go unanswered: it signs in
        // again, as after lost heartbeats.
        QCOMPARE(counters.events(CServiceCounters::EndpointRaced), 1u);
        QTRY_COMPARE(victim.tcp().state(), QAbstractSocket::UnconnectedState);
        QVERIFY(!service().sessions().isOnline(kVictim));
        QVERIFY(!victim.heartbeat(300));
        break;
    case Refused:
        QVERIFY(counters.events(CServiceCounters::EndpointRefused) > 0);
        QVERIFY(victim.heartbeat());
        break;
    case NoSession:
        QVERIFY(counters.drops(CServiceCounters::DropNoSession) > 0);
        QCOMPARE(counters.events(CServiceCounters::EndpointRaced), 0u);
        QVERIFY(victim.heartbeat());
        break;
    }
    // The squatter heard nothing, not even a heartbeat answer, and a call to the victim
    // reaches the victim or nobody.
    const QByteArray arCall = FakePacket(Codes::CmdCallSignal).u32(kLi).u32(kVictim).u8(1);
    li->sendUdp(arCall);
    QCOMPARE(victim.takeUdp(Codes::CmdCallSignal, outcome == Raced ? 300 : 3000).isEmpty(),
             outcome == Raced);
    QCOMPARE(squatter.received(), 0);

    if (outcome == Raced) {
        // Once the squatter stops, signing in again works.
        squatter.stop();
        QTest::qWait(50);
        QVERIFY(signedIn(kVictim));
    }
}

void TestServiceAttacks::endpointOnTrialCannotSpeak()
{
    QVERIFY(start([](CServiceConfig &config) { config.iUdpTrialMs = 1000; }));
    auto li = signedIn(kLi);
    QVERIFY(li);
    ServiceClient victim(m_pFixture->mainPort());
    QVERIFY(victim.connectSub());
    QCOMPARE(victim.login(QString::number(kVictim), kPassword), 0);
    // The squatter's heartbeat comes first; while it is on trial it speaks for nobody.
    Squatter squatter(QHostAddress::LocalHost, service().subPort(), kVictim);
    squatter.send();
    QTest::qWait(50);
    li->clearReceived();
    squatter.sendPacket(FakePacket(Codes::CmdMessage)
                            .u32(kVictim)
                            .u32(kLi)
                            .u32(1)
                            .blob32(fakeEncrypt("as you"))
                            .u8(0)
                            .u32(0));
    squatter.sendPacket(FakePacket(Codes::CmdCallSignal).u32(kVictim).u32(kLi).u8(1));
    squatter.sendPacket(FakePacket(Codes::CmdLogout).u32(kVictim));
    QTRY_COMPARE(service().counters().events(CServiceCounters::HeldOnTrial), 3u);
    QVERIFY(service().sessions().isOnline(kVictim));
    QCOMPARE(li->receivedCount(), 0);
    QCOMPARE(squatter.received(), 0);
    QCOMPARE(service().store().storedMessages().count(kLi), 0);
    // Past a few, what it sends on trial is dropped.
    for (int i = 0; i < CDispatcher::MAX_HELD_DATAGRAMS; ++i)
        squatter.sendPacket(FakePacket(Codes::CmdLogout).u32(kVictim));
    QTRY_COMPARE(service().counters().drops(CServiceCounters::DropUnconfirmed), 3u);
    QVERIFY(service().sessions().isOnline(kVictim));
}

void TestServiceAttacks::datagramsSentOnTrialAreHandledOnceConfirmed()
{
    QVERIFY(start([](CServiceConfig &config) { config.iUdpTrialMs = 500; }));
    auto li = signedIn(kLi);
    QVERIFY(li);
    ServiceClient victim(m_pFixture->mainPort());
    QVERIFY(victim.connectSub());
    QCOMPARE(victim.login(QString::number(kVictim), kPassword), 0);
    // A client writes as soon as it has signed in, while its endpoint is still on trial.
    victim.sendUdp(FakePacket(Codes::CmdHeartbeat).u32(kVictim));
    victim.sendUdp(heldPacket(Codes::CmdMessage, kVictim, kLi, 7, 16));
    QTest::qWait(100);
    QVERIFY(li->takeTcp(Codes::CmdMessage, 0).isEmpty());
    // Once the trial is over, the message is taken and relayed, once.
    const QByteArray arReceipt = victim.takeUdp(Codes::CmdMessageReceipt, 3000);
    QCOMPARE(arReceipt,
             FakePacket(Codes::CmdMessageReceipt).u32(kLi).u32(kVictim).u8(0).u32(7).bytes());
    QCOMPARE(FakePacket::u32At(li->takeTcp(Codes::CmdMessage, 3000), 9), 7);
    QVERIFY(li->takeTcp(Codes::CmdMessage, 300).isEmpty());
    QCOMPARE(service().counters().events(CServiceCounters::HeldOnTrial), 1u);
}

void TestServiceAttacks::lingeringConnectionsAreClosed_data()
{
    QTest::addColumn<int>("lingerer");
    QTest::addColumn<CServiceCounters::Event>("counter");
    QTest::newRow("idle on the sub-server") << int(IdleOnSub) << CServiceCounters::SignInDeadline;
    QTest::newRow("idle on the main server") << int(IdleOnMain) << CServiceCounters::SignInDeadline;
    QTest::newRow("login at a byte a tenth of a second")
        << int(SlowLogin) << CServiceCounters::SlowRequest;
    QTest::newRow("signed in, then a request at a byte a tenth of a second")
        << int(SignedInTrickler) << CServiceCounters::SlowRequest;
}

void TestServiceAttacks::lingeringConnectionsAreClosed()
{
    QFETCH(int, lingerer);
    QFETCH(CServiceCounters::Event, counter);
    QVERIFY(start([](CServiceConfig &config) {
        config.iSignInDeadlineMs = 1500;
        config.iRequestGraceMs = 400;
        config.iMinRequestRate = 100;
    }));
    std::unique_ptr<ServiceClient> client;
    QTcpSocket *pSocket = nullptr;
    std::unique_ptr<QTcpSocket> socket;
    if (lingerer == SignedInTrickler) {
        client = signedIn(kLi);
        QVERIFY(client);
        pSocket = &client->tcp();
    } else {
        socket = connectFrom(QString(),
                             lingerer == IdleOnMain ? m_pFixture->mainPort() : service().subPort());
        pSocket = socket.get();
    }
    QTRY_COMPARE(pSocket->state(), QAbstractSocket::ConnectedState);
    QElapsedTimer timer;
    timer.start();
    const QByteArray arTrickle =
        lingerer == SlowLogin
            ? loginPacket(kLi)
            : FakePacket(Codes::CmdSaveCard).u32(kLi).u8(0).blob32(QByteArray(64, 'c'));
    int iSent = 0;
    while (pSocket->state() == QAbstractSocket::ConnectedState && timer.elapsed() < 5000) {
        if (lingerer == SlowLogin || lingerer == SignedInTrickler) {
            pSocket->write(arTrickle.mid(iSent++ % arTrickle.size(), 1));
            pSocket->flush();
        }
        QTest::qWait(100);
    }
    QCOMPARE(pSocket->state(), QAbstractSocket::UnconnectedState);
    QCOMPARE(service().counters().events(counter), 1u);
    // The trickler's session went with its connection.
    QTRY_COMPARE(service().sessions().count(), 0);
}

void TestServiceAttacks::signedInSessionOutlivesTheDeadline()
{
    QVERIFY(start([](CServiceConfig &config) { config.iSignInDeadlineMs = 300; }));
    auto li = signedIn(kLi);
    QVERIFY(li);
    QTest::qWait(800);
    QVERIFY(li->heartbeat());
    QVERIFY(!li->requestTcp(FakePacket(Codes::CmdCircle).u32(kLi).u8(0).u32(0)).isEmpty());
    QCOMPARE(service().counters().events(CServiceCounters::SignInDeadline), 0u);
}

void TestServiceAttacks::oldestIdleConnectionMakesRoom_data()
{
    QTest::addColumn<int>("iMaxPerAddress");
    QTest::addColumn<int>("iMaxConnections");
    QTest::addColumn<QStringList>("sources");
    QTest::newRow("one address past its cap")
        << 4 << 0 << QStringList(6, QStringLiteral("127.0.0.1"));
    QStringList many;
    for (int i = 2; i < 12; ++i)
        many << QStringLiteral("127.0.0.%1").arg(i);
    QTest::newRow("many addresses past the total") << 32 << 6 << many;
}

void TestServiceAttacks::oldestIdleConnectionMakesRoom()
{
    QFETCH(int, iMaxPerAddress);
    QFETCH(int, iMaxConnections);
    QFETCH(QStringList, sources);
    QVERIFY(start([=](CServiceConfig &config) {
        config.iMaxPerAddress = iMaxPerAddress;
        config.iMaxConnections = iMaxConnections;
    }));
    auto wang = signedIn(1000003);
    QVERIFY(wang);
    std::vector<std::unique_ptr<QTcpSocket>> idle;
    for (const QString &strSource : sources) {
        idle.push_back(connectFrom(strSource, service().subPort()));
        QTRY_COMPARE(idle.back()->state(), QAbstractSocket::ConnectedState);
    }
    const int iCap = iMaxConnections > 0 ? iMaxConnections : 1 + iMaxPerAddress;
    QTRY_VERIFY(service().connections().count() <= iCap);
    const quint64 iEvicted = service().counters().events(CServiceCounters::ConnectionEvicted);
    QCOMPARE(iEvicted, quint64(sources.size() + 1 - iCap));
    // The oldest went first, and whoever signs in now still gets in.
    QTRY_COMPARE(idle.front()->state(), QAbstractSocket::UnconnectedState);
    QCOMPARE(idle.back()->state(), QAbstractSocket::ConnectedState);
    QVERIFY(signedIn(kLi));
    // The signed-in session was never pushed out.
    QVERIFY(wang->heartbeat());
    QVERIFY(!wang->requestTcp(FakePacket(Codes::CmdCircle).u32(1000003).u8(0).u32(0)).isEmpty());
    QCOMPARE(service().counters().events(CServiceCounters::ConnectionRefused), 0u);
}

void TestServiceAttacks::sessionsAloneAtTheCapRefuseNewcomers()
{
    QVERIFY(start([](CServiceConfig &config) { config.iMaxConnections = 2; }));
    auto li = signedIn(kLi);
    auto wang = signedIn(1000003);
    QVERIFY(li && wang);
    auto socket = connectFrom(QString(), service().subPort());
    QTRY_COMPARE(service().counters().events(CServiceCounters::ConnectionRefused), 1u);
    QTRY_COMPARE(socket->state(), QAbstractSocket::UnconnectedState);
    QVERIFY(li->heartbeat());
    QVERIFY(wang->heartbeat());
}

void TestServiceAttacks::burstOfConnectsIsAcceptedAtOnce()
{
    // The service runs in this thread: while the connects go out it accepts nothing, so all
    // of them wait in the listen queue, and one that does not fit there waits a second for
    // its retry.
    QVERIFY(start([](CServiceConfig &config) { config.iMaxPerAddress = 500; }));
    QVERIFY(CTcpListener::systemBacklog() >= 200);
    std::vector<std::unique_ptr<QTcpSocket>> burst;
    for (int i = 0; i < 200; ++i)
        burst.push_back(connectFrom(QString(), service().subPort()));
    QTest::qWait(500);
    const auto iConnected = std::count_if(burst.begin(), burst.end(), [](const auto &socket) {
        return socket->state() == QAbstractSocket::ConnectedState;
    });
    QCOMPARE(iConnected, 200);
    QTRY_COMPARE(service().connections().count(), 200);
}

void TestServiceAttacks::idleConnectionsPastADescriptorLimitOf1024()
{
    // The real service under the common default limit, which it cannot raise here: more idle
    // connections than it has descriptors, from forty-four addresses, do not keep a user from
    // signing in.
    QTemporaryDir dir;
    ZephondProcess zephond;
    zephond.setDescriptorLimit(1024);
    QVERIFY2(zephond.start(dir.filePath(QStringLiteral("service"))),
             qPrintable(zephond.errorText()));
    QVERIFY2(zephond.errorText().contains(QLatin1String("up to 9")),
             qPrintable(zephond.errorText()));
    ServiceClient probe(zephond.port());
    QVERIFY(probe.connectSub());
    std::vector<std::unique_ptr<QTcpSocket>> idle;
    for (int i = 0; i < 1100; ++i)
        idle.push_back(connectFrom(QStringLiteral("127.0.1.%1").arg(1 + i % 44), probe.subPort()));
    // Whatever the service does with them, they are all made before the user comes.
    QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired() && std::any_of(idle.begin(), idle.end(), [](const auto &socket) {
        return socket->state() == QAbstractSocket::ConnectingState;
    }))
        QTest::qWait(50);
    ServiceClient user(zephond.port());
    QVERIFY(user.connectSub());
    QCOMPARE(user.login(QString::number(kLi), kPassword), 0);
    QVERIFY(user.heartbeat());
}

int TestServiceAttacks::largestQueue()
{
    int iLargest = 0;
    for (const CClientConnection *pConnection :
         service().findChildren<CClientConnection *>(Qt::FindDirectChildrenOnly))
        iLargest = qMax(iLargest, pConnection->queuedBytes());
    return iLargest;
}

void TestServiceAttacks::unreadAnswersPauseReadingAndLoseNothing_data()
{
    QTest::addColumn<bool>("bMainServer");
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<int>("iCount");
    QTest::newRow("sub-server queries on the main server")
        << true << FakePacket(Codes::CmdSubServer).u32(0).bytes() << 100000;
    // The own picture, which no look-up limit holds back.
    QTest::newRow("picture look-ups after signing in")
        << false << FakePacket(Codes::CmdCard).u32(kLi).u8(1).u32(0).bytes() << 200;
}

void TestServiceAttacks::unreadAnswersPauseReadingAndLoseNothing()
{
    QFETCH(bool, bMainServer);
    QFETCH(QByteArray, request);
    QFETCH(int, iCount);
    constexpr int kCap = 64 * 1024;
    QVERIFY(start([](CServiceConfig &config) { config.iMaxQueuedBytes = kCap; }));
    QVERIFY(service().store().accounts().setPicture(kLi, QByteArray(60 * 1024, 'p')));

    QTcpSocket socket;
    socket.setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, 4096);
    socket.connectToHost(QHostAddress::LocalHost,
                         bMainServer ? m_pFixture->mainPort() : service().subPort());
    QTRY_COMPARE(socket.state(), QAbstractSocket::ConnectedState);
    if (!bMainServer) {
        socket.write(loginPacket(kLi));
        QTRY_VERIFY(socket.bytesAvailable() > 0);
        socket.readAll();
    }
    // Everything is sent at once and nothing read until the service has stopped reading.
    socket.setReadBufferSize(1);
    QByteArray arAll;
    for (int i = 0; i < iCount; ++i)
        arAll += request;
    socket.write(arAll);
    const int iBound = kCap + CClientConnection::MAX_FRAME + 2;
    QTRY_VERIFY(service().counters().events(CServiceCounters::ReadingPaused) > 0 ||
                largestQueue() > iBound);
    QTest::qWait(300);
    QVERIFY2(largestQueue() <= iBound, qPrintable(QString::number(largestQueue())));
    QVERIFY(service().counters().events(CServiceCounters::ReadingPaused) > 0);

    // Once the client reads, every request is answered and the connection stays.
    socket.setReadBufferSize(0);
    QByteArray arStream;
    int iAnswers = 0;
    QElapsedTimer timer;
    timer.start();
    while (iAnswers < iCount && timer.elapsed() < 30000) {
        QTest::qWait(5);
        arStream += socket.readAll();
        qsizetype iPos = 0;
        while (arStream.size() - iPos >= 2) {
            const int n = quint8(arStream.at(iPos)) | (quint8(arStream.at(iPos + 1)) << 8);
            if (arStream.size() - iPos < n + 2)
                break;
            iAnswers += quint8(arStream.at(iPos + 2)) == quint8(request.at(0)) ? 1 : 0;
            iPos += n + 2;
        }
        arStream.remove(0, iPos);
    }
    QCOMPARE(iAnswers, iCount);
    QCOMPARE(socket.state(), QAbstractSocket::ConnectedState);
    QCOMPARE(service().counters().events(CServiceCounters::OutputOverflow), 0u);
}

void TestServiceAttacks::pushesToAClientThatNeverReadsCloseIt()
{
    constexpr int kCap = 64 * 1024;
    QVERIFY(start([](CServiceConfig &config) { config.iMaxQueuedBytes = kCap; }));
    ServiceClient victim(m_pFixture->mainPort());
    victim.setTcpReceiveBuffer(4096);
    QVERIFY(victim.connectSub());
    QCOMPARE(victim.login(QString::number(kVictim), kPassword), 0);
    QVERIFY(victim.heartbeat());
    victim.holdTcp(true);
    auto li = signedIn(kLi);
    QVERIFY(li);
    // Cards from Li keep coming for a client that reads none of them.
    const QByteArray arCard(4096, 'c');
    QByteArray arCards;
    for (int i = 0; i < 250; ++i)
        arCards += FakePacket(Codes::CmdCardMessage)
                       .u32(kLi)
                       .u32(kVictim)
                       .u8(0)
                       .u32(quint32(i + 1))
                       .str8(fakeEncrypt("card"))
                       .blob32(arCard)
                       .bytes();
    li->sendTcp(arCards);
    QTRY_COMPARE(service().counters().events(CServiceCounters::OutputOverflow), 1u);
    QTRY_VERIFY(!service().sessions().isOnline(kVictim));
    QVERIFY(largestQueue() <= kCap * CClientConnection::OVERFLOW_FACTOR);
    QVERIFY(li->heartbeat());
}

void TestServiceAttacks::passwordsNeverReachThePacketLog_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("bEncrypted");
    QTest::newRow("sign-in by Zpid") << int(SignInByZpid) << true;
    QTest::newRow("sign-in by mobile number") << int(SignInByMobile) << true;
    QTest::newRow("password change") << int(PasswordChange) << true;
    QTest::newRow("organisation sign-in") << int(OrganisationSignIn) << false;
    QTest::newRow("enterprise sign-in") << int(EnterpriseSignIn) << false;
    QTest::newRow("enterprise password change") << int(EnterprisePasswordChange) << false;
    QTest::newRow("sign-in cut inside its password") << int(SignInCutShort) << true;
}

void TestServiceAttacks::passwordsNeverReachThePacketLog()
{
    QFETCH(int, kind);
    QFETCH(bool, bEncrypted);
    QTemporaryDir dir;
    const QString strLog = dir.filePath(QStringLiteral("packets.log"));
    QVERIFY(start([&](CServiceConfig &config) { config.strPacketLog = strLog; }));
    auto li = signedIn(kLi);
    QVERIFY(li);

    const QByteArray arSecret = "s3cret-pass!";
    const QByteArray arField = bEncrypted ? fakeEncrypt(arSecret) : arSecret;
    const PasswordPacket packet = PasswordPacket(kind);
    QByteArray arExpected;
    if (packet == SignInCutShort) {
        const QByteArray arWhole = passwordPacket(packet, arField);
        li->sendUdp(arWhole.left(arWhole.size() - 4));
        arExpected = arWhole.left(1);
    } else {
        li->sendTcp(passwordPacket(packet, arField));
        arExpected = passwordPacket(packet, CPacketLog::REDACTED);
    }
    QByteArray arLog;
    auto incoming = [&] {
        QFile file(strLog);
        arLog = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        QByteArrayList packets;
        for (const QByteArray &arLine : arLog.split('\n')) {
            const QByteArrayList fields = arLine.split(' ');
            if (fields.size() == 4 && fields.at(1) == "in")
                packets << QByteArray::fromHex(fields.at(3));
        }
        return packets;
    };
    // What is logged keeps the packet's layout with the password as the marker.
    QTRY_VERIFY(incoming().contains(arExpected));
    QVERIFY(!arLog.contains(arField.toHex()));
    QVERIFY(!arLog.contains(arSecret.toHex()));
    QVERIFY(!arLog.contains(fakeEncrypt(kPassword).toHex()));
}

struct HeldLimits
{
    int iPerSender = CServiceConfig::DEFAULT_MAX_HELD_PER_SENDER;
    qint64 iBytesPerSender = CServiceConfig::DEFAULT_MAX_HELD_BYTES_PER_SENDER;
    int iPerAddressee = CServiceConfig::DEFAULT_MAX_HELD_PER_ADDRESSEE;
    qint64 iBytesPerAddressee = CServiceConfig::DEFAULT_MAX_HELD_BYTES_PER_ADDRESSEE;
};
Q_DECLARE_METATYPE(HeldLimits)

void TestServiceAttacks::oneSenderFillsOnlyItsShareOfAnInbox_data()
{
    QTest::addColumn<HeldLimits>("limits");
    QTest::addColumn<int>("iCode");
    QTest::addColumn<int>("iBytes");
    QTest::addColumn<int>("iTaken");
    QTest::addColumn<CServiceCounters::Drop>("refusal");
    QTest::addColumn<bool>("bOtherTaken");
    using C = CServiceCounters;
    HeldLimits limits;
    limits.iPerSender = 5;
    QTest::newRow("texts, by count")
        << limits << int(Codes::CmdMessage) << 100 << 5 << C::DropSenderShare << true;
    QTest::newRow("cards, by count")
        << limits << int(Codes::CmdCardMessage) << 100 << 5 << C::DropSenderShare << true;
    limits = HeldLimits();
    limits.iBytesPerSender = 20000;
    QTest::newRow("texts, by bytes")
        << limits << int(Codes::CmdMessage) << 8000 << 2 << C::DropSenderShare << true;
    // The addressee's own cap still holds when the senders' shares add up to more.
    limits = HeldLimits();
    limits.iPerAddressee = 4;
    QTest::newRow("inbox full by count")
        << limits << int(Codes::CmdMessage) << 100 << 4 << C::DropInboxFull << false;
    limits = HeldLimits();
    limits.iBytesPerAddressee = 20000;
    QTest::newRow("inbox full by bytes")
        << limits << int(Codes::CmdMessage) << 8000 << 2 << C::DropInboxFull << false;
}

void TestServiceAttacks::oneSenderFillsOnlyItsShareOfAnInbox()
{
    QFETCH(HeldLimits, limits);
    QFETCH(int, iCode);
    QFETCH(int, iBytes);
    QFETCH(int, iTaken);
    QFETCH(CServiceCounters::Drop, refusal);
    QFETCH(bool, bOtherTaken);
    QVERIFY(start([&](CServiceConfig &config) {
        config.iMaxHeldPerSender = limits.iPerSender;
        config.iMaxHeldBytesPerSender = limits.iBytesPerSender;
        config.iMaxHeldPerAddressee = limits.iPerAddressee;
        config.iMaxHeldBytesPerAddressee = limits.iBytesPerAddressee;
    }));
    constexpr quint32 kWang = 1000003;
    auto li = signedIn(kLi);
    auto wang = signedIn(kWang);
    QVERIFY(li && wang);

    // Li floods the victim, who is away: what fits Li's share is taken, the rest refused, and
    // Li is told so for each message.
    constexpr int kFlood = 8;
    for (int i = 1; i <= kFlood; ++i)
        QCOMPARE(sendHeld(*li, quint8(iCode), kVictim, quint32(i), iBytes), i <= iTaken ? 1 : 0);
    QCOMPARE(service().counters().drops(refusal), quint64(kFlood - iTaken));
    QCOMPARE(service().store().storedMessages().count(kVictim), iTaken);
    // A re-send of a message held already is taken again without more room.
    QCOMPARE(sendHeld(*li, quint8(iCode), kVictim, 1, iBytes), 1);
    QCOMPARE(service().store().storedMessages().count(kVictim), iTaken);

    // Another sender still reaches the victim unless the victim's own inbox is full.
    QCOMPARE(sendHeld(*wang, quint8(iCode), kVictim, 1, iBytes), bOtherTaken ? 1 : 0);
    QCOMPARE(service().store().storedMessages().count(kVictim), iTaken + (bOtherTaken ? 1 : 0));

    // What the victim collects makes room again: cards go once handed over, a text with its
    // receipt.
    auto victim = signedIn(kVictim);
    QVERIFY(victim);
    victim->sendTcp(FakePacket(Codes::CmdMessageReceipt).u32(kVictim).u32(kLi).u8(0).u32(1));
    QTRY_VERIFY(service().store().storedMessages().count(kVictim) < iTaken + (bOtherTaken ? 1 : 0));
    QCOMPARE(sendHeld(*li, quint8(iCode), kVictim, 100, iBytes), 1);
}

QByteArray passwordChange(quint32 iZpid, const QByteArray &arPassword)
{
    return FakePacket(Codes::CmdChangePassword).u32(iZpid).u8(0).str8(fakeEncrypt(arPassword));
}

void TestServiceAttacks::passwordChangesAreFewPerSession_data()
{
    QTest::addColumn<bool>("bAllAtOnce");
    QTest::addColumn<QList<int>>("results");
    QTest::addColumn<int>("iBusy");
    QTest::addColumn<int>("iRateLimited");
    // One after the other: the session's three, then refusals.
    QTest::newRow("one after the other") << false << QList<int>{0, 0, 0, 1, 1} << 0 << 2;
    // All in one go: one change per account at a time, and the session's rate on top.
    QTest::newRow("all at once") << true << QList<int>{1, 1, 1, 1, 0} << 2 << 2;
}

void TestServiceAttacks::passwordChangesAreFewPerSession()
{
    QFETCH(bool, bAllAtOnce);
    QFETCH(QList<int>, results);
    QFETCH(int, iBusy);
    QFETCH(int, iRateLimited);
    QVERIFY(start());
    auto li = signedIn(kLi);
    QVERIFY(li);
    QList<int> answers;
    if (bAllAtOnce) {
        QByteArray arAll;
        for (int i = 0; i < results.size(); ++i)
            arAll += passwordChange(kLi, kPassword);
        li->sendTcp(arAll);
        for (int i = 0; i < results.size(); ++i) {
            const QByteArray arReply = li->takeTcp(Codes::CmdChangePassword, 5000);
            QCOMPARE(arReply.size(), 6);
            answers << arReply.at(5);
        }
    } else {
        for (int i = 0; i < results.size(); ++i) {
            const QByteArray arReply = li->requestTcp(passwordChange(kLi, kPassword));
            QCOMPARE(arReply.size(), 6);
            answers << arReply.at(5);
        }
    }
    QCOMPARE(answers, results);
    QCOMPARE(service().counters().drops(CServiceCounters::DropHashBusy), quint64(iBusy));
    QCOMPARE(service().counters().drops(CServiceCounters::DropRateLimited), quint64(iRateLimited));
    // Another session of the account has a rate of its own.
    auto other = signedIn(kLi);
    QVERIFY(other);
    QCOMPARE(other->requestTcp(passwordChange(kLi, kPassword)),
             FakePacket(Codes::CmdChangePassword).u32(kLi).u8(0).bytes());
}

void TestServiceAttacks::passwordChangesWaitInABoundedQueue()
{
    // Real hashes, so that the first change still runs while the others arrive.
    QVERIFY(start([](CServiceConfig &config) {
        config.hashCost = CPasswordHash::Interactive;
        config.iMaxWaitingPasswordChanges = 1;
    }));
    std::vector<std::unique_ptr<ServiceClient>> clients;
    for (const quint32 iZpid : {kLi, 1000003u, 1000004u}) {
        clients.push_back(signedIn(iZpid));
        QVERIFY(clients.back());
    }
    for (const auto &client : clients)
        client->sendTcp(passwordChange(client->zpid(), "n3w-secret"));
    // One runs, one waits, the third finds the queue full.
    QList<int> answers;
    for (const auto &client : clients) {
        const QByteArray arReply = client->takeTcp(Codes::CmdChangePassword, 10000);
        QCOMPARE(arReply.size(), 6);
        answers << arReply.at(5);
    }
    QCOMPARE(answers, (QList<int>{0, 0, 1}));
    QCOMPARE(service().counters().drops(CServiceCounters::DropHashBusy), 1u);
}

void TestServiceAttacks::signInIsCheckedBeforeWaitingPasswordChanges()
{
    QVERIFY(start([](CServiceConfig &config) {
        config.hashCost = CPasswordHash::Interactive;
        config.iHashThreads = 2;
    }));
    std::vector<std::unique_ptr<ServiceClient>> clients;
    for (const quint32 iZpid : {kLi, 1000003u, 1000004u}) {
        clients.push_back(signedIn(iZpid));
        QVERIFY(clients.back());
    }
    ServiceClient victim(m_pFixture->mainPort());
    QVERIFY(victim.connectSub());
    for (const auto &client : clients)
        client->sendTcp(passwordChange(client->zpid(), "n3w-secret"));
    QTest::qWait(20);
    victim.sendTcp(loginPacket(kVictim));
    // Only the change that was running already may be answered before the sign-in.
    QVERIFY(!victim.takeTcp(Codes::CmdLogin, 10000).isEmpty());
    QList<ServiceClient *> waiting;
    for (const auto &client : clients) {
        if (client->takeTcp(Codes::CmdChangePassword, 0).isEmpty())
            waiting << client.get();
    }
    QVERIFY2(waiting.size() >= 2, qPrintable(QString::number(waiting.size())));
    // The changes that waited are made all the same.
    for (ServiceClient *pClient : waiting)
        QCOMPARE(pClient->takeTcp(Codes::CmdChangePassword, 10000),
                 FakePacket(Codes::CmdChangePassword).u32(pClient->zpid()).u8(0).bytes());
}

void TestServiceAttacks::lookupsOfOthersAreRateLimited_data()
{
    QTest::addColumn<QByteArray>("lookup");
    QTest::addColumn<QByteArray>("own");
    QTest::newRow("telephone numbers")
        << FakePacket(Codes::CmdUserPhone).u32(kLi).u32(kVictim).bytes()
        << FakePacket(Codes::CmdUserPhone).u32(kLi).u32(kLi).bytes();
    QTest::newRow("cards") << FakePacket(Codes::CmdCard).u32(kVictim).u8(1).u32(0).bytes()
                           << FakePacket(Codes::CmdCard).u32(kLi).u8(1).u32(0).bytes();
    QTest::newRow("presence")
        << FakePacket(Codes::CmdUserState).u32(kLi).u8(2).blob32(fakeEncrypt("13800138000")).bytes()
        << QByteArray();
}

void TestServiceAttacks::lookupsOfOthersAreRateLimited()
{
    QFETCH(QByteArray, lookup);
    QFETCH(QByteArray, own);
    constexpr int kBurst = 5;
    constexpr int kSent = 8;
    QVERIFY(start([](CServiceConfig &config) {
        config.iLookupBurst = kBurst;
        config.iLookupsPerMinute = 1;
    }));
    auto li = signedIn(kLi);
    QVERIFY(li);
    const quint8 iCode = quint8(lookup.at(0));
    QByteArray arAll;
    for (int i = 0; i < kSent; ++i)
        arAll += lookup;
    li->sendTcp(arAll);
    for (int i = 0; i < kBurst; ++i)
        QVERIFY(!li->takeTcp(iCode, 3000).isEmpty());
    QTRY_COMPARE(service().counters().drops(CServiceCounters::DropRateLimited),
                 quint64(kSent - kBurst));
    QVERIFY(li->takeTcp(iCode, 200).isEmpty());
    // Looking up oneself is never held back, and another session has a budget of its own.
    if (!own.isEmpty())
        QVERIFY(!li->requestTcp(own).isEmpty());
    auto second = signedIn(kLi);
    QVERIFY(second);
    QVERIFY(!second->requestTcp(lookup).isEmpty());
}

void TestServiceAttacks::presenceQueryIsBoundedAndOneStatement_data()
{
    QTest::addColumn<int>("iFillers");
    QTest::addColumn<bool>("bLastSeen");
    QTest::newRow("within the cap") << 40 << true;
    QTest::newRow("past the cap") << 3000 << false;
}

void TestServiceAttacks::presenceQueryIsBoundedAndOneStatement()
{
    QFETCH(int, iFillers);
    QFETCH(bool, bLastSeen);
    QVERIFY(start([](CServiceConfig &config) { config.iMaxPresenceNumbers = 1000; }));
    auto li = signedIn(kLi);
    QVERIFY(li);
    // The victim's number first, numbers nobody has, then Wang's number last.
    QStringList numbers{QStringLiteral("13800138000")};
    for (int i = 0; i < iFillers; ++i)
        numbers << QStringLiteral("139%1").arg(i, 8, 10, QLatin1Char('0'));
    numbers << QStringLiteral("13800138002");
    const quint64 iBefore = service().store().accounts().statements();
    const QByteArray arReply =
        li->requestTcp(FakePacket(Codes::CmdUserState)
                           .u32(kLi)
                           .u8(2)
                           .blob32(fakeEncrypt(numbers.join(QLatin1Char(':')).toUtf8())));
    QCOMPARE(service().store().accounts().statements() - iBefore, 1u);
    QString strOnline;
    QString strOffline;
    QVERIFY(ServiceClient::presenceLists(arReply, strOnline, strOffline));
    QVERIFY(strOffline.contains(QStringLiteral("13800138000:1000001")));
    QCOMPARE(strOffline.contains(QStringLiteral("13800138002:1000003")), bLastSeen);
    QCOMPARE(service().counters().drops(CServiceCounters::DropListTooLong), bLastSeen ? 0u : 1u);
}

QTEST_GUILESS_MAIN(TestServiceAttacks)
#include "tst_serviceattacks.moc"
