// The call family of the service over loopback, between scripted clients: the push answer for
// online and offline callees, call packets relayed byte for byte, voice passed only between
// the parties of a call, and the hang-up the survivor hears when the other's session ends.
#include <QtTest>

#include "ccallcommands.h"
#include "codes.h"
#include "fakepacket.h"
#include "serviceclient.h"
#include "servicefixture.h"

namespace {

constexpr char kPassword[] = "demo1234";
constexpr quint32 kZhang = 1000001;
constexpr quint32 kLi = 1000002;
constexpr quint32 kWang = 1000003;

QByteArray callPacket(quint32 iFrom, quint32 iTo, quint8 iSub, const QByteArray &arData = {})
{
    return FakePacket(Codes::CmdCallSignal).u32(iFrom).u32(iTo).u8(iSub).raw(arData);
}

// A voice datagram as the voice path builds it: header, slot mask, two 10-byte frames.
QByteArray voicePacket(quint32 iFrom, quint32 iTo)
{
    return callPacket(iFrom, iTo, 6, QByteArray::fromHex("010130") + QByteArray(20, '\x5a'));
}

} // namespace

class TestServiceCalls : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void pushSaysWhetherTheCalleeIsOnline_data();
    void pushSaysWhetherTheCalleeIsOnline();
    void callPacketsAreRelayedUnchanged();
    void voicePassesOnlyWithinACall();
    void forgedSenderIsNotRelayed();
    void endedSessionHangsUpTheSurvivor_data();
    void endedSessionHangsUpTheSurvivor();
    void hangupEndsTheCallForTheService();

private:
    std::unique_ptr<ServiceClient> signedIn(quint32 iZpid);
    // Zhang calls Li and Li answers, as the clients do it.
    void connectCall(ServiceClient &zhang, ServiceClient &li);

    std::unique_ptr<ServiceFixture> m_pFixture;
};

void TestServiceCalls::init()
{
    m_pFixture = std::make_unique<ServiceFixture>();
    QVERIFY2(m_pFixture->start(), qPrintable(m_pFixture->error()));
}

void TestServiceCalls::cleanup()
{
    m_pFixture.reset();
}

std::unique_ptr<ServiceClient> TestServiceCalls::signedIn(quint32 iZpid)
{
    auto client = std::make_unique<ServiceClient>(m_pFixture->mainPort());
    if (!client->connectSub() || client->login(QString::number(iZpid), kPassword) != 0 ||
        !client->heartbeat())
        return nullptr;
    return client;
}

void TestServiceCalls::connectCall(ServiceClient &zhang, ServiceClient &li)
{
    zhang.sendUdp(callPacket(kZhang, kLi, 1));
    QCOMPARE(li.takeUdp(Codes::CmdCallSignal, 3000), QByteArray(callPacket(kZhang, kLi, 1)));
    li.sendUdp(callPacket(kLi, kZhang, 7));
    QCOMPARE(zhang.takeUdp(Codes::CmdCallSignal, 3000), QByteArray(callPacket(kLi, kZhang, 7)));
    li.sendUdp(callPacket(kLi, kZhang, 2));
    QCOMPARE(zhang.takeUdp(Codes::CmdCallSignal, 3000), QByteArray(callPacket(kLi, kZhang, 2)));
}

void TestServiceCalls::pushSaysWhetherTheCalleeIsOnline_data()
{
    QTest::addColumn<quint32>("iCallee");
    QTest::addColumn<int>("iType");
    QTest::newRow("online callee") << kLi << int(Codes::PushDelivered);
    QTest::newRow("registered but offline") << kWang << int(Codes::PushUnreachable);
    QTest::newRow("nobody") << quint32(4242) << int(Codes::PushUnreachable);
    QTest::newRow("oneself") << kZhang << int(Codes::PushUnreachable);
}

void TestServiceCalls::pushSaysWhetherTheCalleeIsOnline()
{
    QFETCH(quint32, iCallee);
    QFETCH(int, iType);
    auto zhang = signedIn(kZhang);
    auto li = signedIn(kLi);
    QVERIFY(zhang && li);
    const QByteArray arReply =
        zhang->requestUdp(FakePacket(Codes::CmdPush).u32(kZhang).u32(iCallee).u8(0));
    QCOMPARE(arReply.size(), 7);
    QCOMPARE(FakePacket::u32At(arReply, 1), qint64(iCallee));
    QCOMPARE(int(quint8(arReply.at(6))), iType);
}

void TestServiceCalls::callPacketsAreRelayedUnchanged()
{
    auto zhang = signedIn(kZhang);
    auto li = signedIn(kLi);
    QVERIFY(zhang && li);
    connectCall(*zhang, *li);
    // Voice both ways, exactly as sent.
    zhang->sendUdp(voicePacket(kZhang, kLi));
    QCOMPARE(li->takeUdp(Codes::CmdCallSignal, 3000), voicePacket(kZhang, kLi));
    li->sendUdp(voicePacket(kLi, kZhang));
    QCOMPARE(zhang->takeUdp(Codes::CmdCallSignal, 3000), voicePacket(kLi, kZhang));
    // Hang-up and its acknowledgement.
    zhang->sendUdp(callPacket(kZhang, kLi, 5));
    QCOMPARE(li->takeUdp(Codes::CmdCallSignal, 3000), QByteArray(callPacket(kZhang, kLi, 5)));
    li->sendUdp(callPacket(kLi, kZhang, 8));
    QCOMPARE(zhang->takeUdp(Codes::CmdCallSignal, 3000), QByteArray(callPacket(kLi, kZhang, 8)));
}

void TestServiceCalls::voicePassesOnlyWithinACall()
{
    auto zhang = signedIn(kZhang);
    auto li = signedIn(kLi);
    auto wang = signedIn(kWang);
    QVERIFY(zhang && li && wang);
    // No call yet: voice goes nowhere.
    wang->sendUdp(voicePacket(kWang, kLi));
    zhang->sendUdp(voicePacket(kZhang, kLi));
    QVERIFY(li->takeUdp(Codes::CmdCallSignal, 500).isEmpty());
    connectCall(*zhang, *li);
    // A third party still cannot speak into the call.
    wang->sendUdp(voicePacket(kWang, kLi));
    QVERIFY(li->takeUdp(Codes::CmdCallSignal, 500).isEmpty());
    // An answer from somebody who was never asked is not passed on and opens nothing.
    wang->sendUdp(callPacket(kWang, kLi, 2));
    QVERIFY(li->takeUdp(Codes::CmdCallSignal, 500).isEmpty());
    wang->sendUdp(voicePacket(kWang, kLi));
    QVERIFY(li->takeUdp(Codes::CmdCallSignal, 500).isEmpty());
}

void TestServiceCalls::forgedSenderIsNotRelayed()
{
    auto zhang = signedIn(kZhang);
    auto li = signedIn(kLi);
    QVERIFY(zhang && li);
    // Zhang's endpoint claiming to be Wang.
    zhang->sendUdp(callPacket(kWang, kLi, 1));
    QVERIFY(li->takeUdp(Codes::CmdCallSignal, 500).isEmpty());
    QCOMPARE(m_pFixture->service().counters().drops(CServiceCounters::DropForeignSender), 1u);
}

void TestServiceCalls::endedSessionHangsUpTheSurvivor_data()
{
    QTest::addColumn<bool>("bCallerLeaves");
    QTest::addColumn<bool>("bAnswered");
    QTest::newRow("caller leaves a connected call") << true << true;
    QTest::newRow("callee leaves a connected call") << false << true;
    QTest::newRow("callee leaves while it rings") << false << false;
    QTest::newRow("caller leaves while it rings") << true << false;
}

void TestServiceCalls::endedSessionHangsUpTheSurvivor()
{
    QFETCH(bool, bCallerLeaves);
    QFETCH(bool, bAnswered);
    auto zhang = signedIn(kZhang);
    auto li = signedIn(kLi);
    QVERIFY(zhang && li);
    if (bAnswered) {
        connectCall(*zhang, *li);
    } else {
        zhang->sendUdp(callPacket(kZhang, kLi, 1));
        QVERIFY(!li->takeUdp(Codes::CmdCallSignal, 3000).isEmpty());
    }
    std::unique_ptr<ServiceClient> &leaver = bCallerLeaves ? zhang : li;
    ServiceClient &survivor = bCallerLeaves ? *li : *zhang;
    const quint32 iLeaver = bCallerLeaves ? kZhang : kLi;
    const quint32 iSurvivor = bCallerLeaves ? kLi : kZhang;
    // The connection drops without a logout.
    leaver->tcp().abort();
    leaver.reset();
    QCOMPARE(survivor.takeUdp(Codes::CmdCallSignal, 3000),
             QByteArray(callPacket(iLeaver, iSurvivor, 5)));
    QTRY_COMPARE(m_pFixture->service().sessions().count(), 1);
    // Only once.
    QVERIFY(survivor.takeUdp(Codes::CmdCallSignal, 500).isEmpty());
}

void TestServiceCalls::hangupEndsTheCallForTheService()
{
    auto zhang = signedIn(kZhang);
    auto li = signedIn(kLi);
    QVERIFY(zhang && li);
    connectCall(*zhang, *li);
    zhang->sendUdp(callPacket(kZhang, kLi, 5));
    QCOMPARE(li->takeUdp(Codes::CmdCallSignal, 3000), QByteArray(callPacket(kZhang, kLi, 5)));
    // The call is over: voice no longer passes and a later logout hangs up nobody.
    zhang->sendUdp(voicePacket(kZhang, kLi));
    QVERIFY(li->takeUdp(Codes::CmdCallSignal, 500).isEmpty());
    zhang->sendUdp(FakePacket(Codes::CmdLogout).u32(kZhang));
    QTRY_COMPARE(m_pFixture->service().sessions().count(), 1);
    QVERIFY(li->takeUdp(Codes::CmdCallSignal, 500).isEmpty());
}

QTEST_GUILESS_MAIN(TestServiceCalls)
#include "tst_servicecalls.moc"
