// Hostile clients against the service's guards, each through the real service on loopback: a
// program on the user's own host squatting on the UDP side of a session, connections that
// never sign in or send too slowly, clients that never read their answers, floods of password
// changes, held messages and look-ups, and the packet log that must not keep a password.
#include <QNetworkDatagram>
#include <QtTest>

#include "fakecipher.h"
#include "fakepacket.h"
#include "serviceclient.h"
#include "servicefixture.h"

namespace {

constexpr char kPassword[] = "demo1234";
constexpr quint32 kVictim = 1000001;
constexpr quint32 kLi = 1000002;

// Sends heartbeats for a Zpid from a UDP socket of its own, every few milliseconds.
class Squatter
{
public:
    Squatter(const QHostAddress &host, quint16 iPort, quint32 iZpid)
        : m_iPort(iPort), m_arHeartbeat(FakePacket(3).u32(iZpid))
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

} // namespace

class TestServiceAttacks : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup();

    void squatterNeverTakesTheUdpSide_data();
    void squatterNeverTakesTheUdpSide();
    void endpointOnTrialCannotSpeak();

private:
    bool start(const std::function<void(CServiceConfig &)> &adjust = [](CServiceConfig &) {});
    std::unique_ptr<ServiceClient> signedIn(quint32 iZpid);
    CService &service() { return m_pFixture->service(); }

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
    victim.sendUdp(FakePacket(3).u32(kVictim));
    if (start == DuringTrial) {
        squatter.send();
        squatter.start();
    }
    if (start == AfterConfirmation) {
        QVERIFY(!victim.takeUdp(3, 3000).isEmpty());
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
    const QByteArray arCall = FakePacket(5).u32(kLi).u32(kVictim).u8(1);
    li->sendUdp(arCall);
    QCOMPARE(victim.takeUdp(5, outcome == Raced ? 300 : 3000).isEmpty(), outcome == Raced);
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
    squatter.sendPacket(
        FakePacket(14).u32(kVictim).u32(kLi).u32(1).blob32(fakeEncrypt("as you")).u8(0).u32(0));
    squatter.sendPacket(FakePacket(5).u32(kVictim).u32(kLi).u8(1));
    squatter.sendPacket(FakePacket(35).u32(kVictim));
    QTRY_COMPARE(service().counters().drops(CServiceCounters::DropUnconfirmed), 3u);
    QVERIFY(service().sessions().isOnline(kVictim));
    QCOMPARE(li->receivedCount(), 0);
    QCOMPARE(squatter.received(), 0);
    QCOMPARE(service().store().storedMessages().count(kLi), 0);
}

QTEST_GUILESS_MAIN(TestServiceAttacks)
#include "tst_serviceattacks.moc"
