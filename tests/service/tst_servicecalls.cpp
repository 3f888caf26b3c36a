// The call family of the service over loopback, between scripted clients: the push answer for
// online and offline callees, call packets relayed byte for byte, a table of call packets a
// party may not send in the call's phase (or a stranger may not send at all) that never reach
// the other side, busy callees that are not rung, voice passed only between the parties of an
// answered call, and the hang-up the survivor hears when the other's session ends.
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

enum Phase
{
    Ringing,
    Answered,
    HungUp
};

enum Who
{
    Zhang, // the caller
    Li,    // the callee
    Wang   // a stranger to the call, signed in
};

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
    void onlyWhatThePhaseAllowsPasses_data();
    void onlyWhatThePhaseAllowsPasses();
    void callerCannotAnswerForTheCallee();
    void busyCalleeIsNotRung();
    void endedCallStillPassesHangupsAndAcknowledgements();
    void forgedSenderIsNotRelayed();
    void endedSessionHangsUpTheSurvivor_data();
    void endedSessionHangsUpTheSurvivor();
    void hangupEndsTheCallForTheService();

private:
    std::unique_ptr<ServiceClient> signedIn(quint32 iZpid);
    // Zhang calls Li and Li answers, as the clients do it.
    void connectCall(ServiceClient &zhang, ServiceClient &li);
    // Zhang calls Li and Li's client rings.
    void ringCall(ServiceClient &zhang, ServiceClient &li);

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

void TestServiceCalls::ringCall(ServiceClient &zhang, ServiceClient &li)
{
    zhang.sendUdp(callPacket(kZhang, kLi, 1));
    QCOMPARE(li.takeUdp(Codes::CmdCallSignal, 3000), QByteArray(callPacket(kZhang, kLi, 1)));
    li.sendUdp(callPacket(kLi, kZhang, 7));
    QCOMPARE(zhang.takeUdp(Codes::CmdCallSignal, 3000), QByteArray(callPacket(kLi, kZhang, 7)));
}

void TestServiceCalls::connectCall(ServiceClient &zhang, ServiceClient &li)
{
    ringCall(zhang, li);
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

void TestServiceCalls::onlyWhatThePhaseAllowsPasses_data()
{
    QTest::addColumn<int>("phase");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<QByteArray>("packet");
    QTest::addColumn<bool>("bPasses");

    const quint32 ids[] = {kZhang, kLi, kWang};
    auto row = [&ids](const char *pName, Phase phase, Who from, Who to, quint8 iSub, bool bPasses,
                      const QByteArray &arData = {}) {
        QTest::newRow(pName) << int(phase) << int(from) << int(to)
                             << callPacket(ids[from], ids[to], iSub, arData) << bPasses;
    };
    auto voiceRow = [&ids](const char *pName, Phase phase, Who from, Who to,
                           const QByteArray &arData, bool bPasses) {
        QTest::newRow(pName) << int(phase) << int(from) << int(to)
                             << callPacket(ids[from], ids[to], 6, arData) << bPasses;
    };
    const QByteArray arTwoFrames = QByteArray::fromHex("010130") + QByteArray(20, '\x5a');

    // What the clients send in each phase passes.
    row("callee rings", Ringing, Li, Zhang, 7, true);
    row("callee answers", Ringing, Li, Zhang, 2, true);
    row("callee refuses", Ringing, Li, Zhang, 3, true);
    row("callee is busy", Ringing, Li, Zhang, 4, true);
    row("caller gives up", Ringing, Zhang, Li, 5, true);
    row("caller repeats its request", Ringing, Zhang, Li, 1, true);
    voiceRow("voice of the caller", Answered, Zhang, Li, arTwoFrames, true);
    voiceRow("voice of the callee", Answered, Li, Zhang, arTwoFrames, true);
    voiceRow("keep-alive without frames", Answered, Li, Zhang, QByteArray::fromHex("010100"), true);
    row("callee hangs up", Answered, Li, Zhang, 5, true);
    row("acknowledgement of a hang-up", HungUp, Li, Zhang, 8, true);

    // The caller speaking for the callee.
    row("caller answers its own call", Ringing, Zhang, Li, 2, false);
    row("caller refuses its own call", Ringing, Zhang, Li, 3, false);
    row("caller says the callee is busy", Ringing, Zhang, Li, 4, false);
    row("caller says the callee rings", Ringing, Zhang, Li, 7, false);
    row("callee calls back", Ringing, Li, Zhang, 1, false);
    // Signalling out of its phase.
    row("refusal after the answer", Answered, Li, Zhang, 3, false);
    row("busy after the answer", Answered, Li, Zhang, 4, false);
    voiceRow("voice while ringing", Ringing, Zhang, Li, arTwoFrames, false);
    voiceRow("callee's voice while ringing", Ringing, Li, Zhang, arTwoFrames, false);
    voiceRow("voice after the hang-up", HungUp, Li, Zhang, arTwoFrames, false);
    row("answer after the hang-up", HungUp, Li, Zhang, 2, false);
    // A stranger to the call.
    row("stranger hangs up the callee", Answered, Wang, Li, 5, false);
    row("stranger hangs up the caller", Ringing, Wang, Zhang, 5, false);
    row("stranger acknowledges", Answered, Wang, Zhang, 8, false);
    row("stranger refuses", Ringing, Wang, Zhang, 3, false);
    row("stranger is busy", Ringing, Wang, Zhang, 4, false);
    row("stranger rings", Ringing, Wang, Zhang, 7, false);
    voiceRow("stranger's voice", Answered, Wang, Li, arTwoFrames, false);
    // Unknown sub-commands and packets longer or shorter than their layout.
    row("unknown sub-command", Answered, Zhang, Li, 9, false);
    row("sub-command 0", Answered, Zhang, Li, 0, false);
    row("hang-up with trailing bytes", Answered, Zhang, Li, 5, false, QByteArray(100, 'x'));
    row("hang-up with 60,000 trailing bytes", Answered, Zhang, Li, 5, false,
        QByteArray(60000, 'x'));
    row("answer with a trailing byte", Ringing, Li, Zhang, 2, false, QByteArray(1, '\0'));
    voiceRow("voice shorter than its mask", Answered, Zhang, Li,
             QByteArray::fromHex("010130") + QByteArray(10, '\x5a'), false);
    voiceRow("voice longer than its mask", Answered, Zhang, Li,
             QByteArray::fromHex("010130") + QByteArray(30, '\x5a'), false);
    voiceRow("voice with a mask beyond six frames", Answered, Zhang, Li,
             QByteArray::fromHex("0101C0") + QByteArray(20, '\x5a'), false);
    voiceRow("voice without a mask", Answered, Zhang, Li, QByteArray::fromHex("0101"), false);
}

void TestServiceCalls::onlyWhatThePhaseAllowsPasses()
{
    QFETCH(int, phase);
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(QByteArray, packet);
    QFETCH(bool, bPasses);

    auto zhang = signedIn(kZhang);
    auto li = signedIn(kLi);
    auto wang = signedIn(kWang);
    QVERIFY(zhang && li && wang);
    ServiceClient *clients[] = {zhang.get(), li.get(), wang.get()};
    if (phase == Ringing) {
        ringCall(*zhang, *li);
    } else {
        connectCall(*zhang, *li);
    }
    if (phase == HungUp) {
        zhang->sendUdp(callPacket(kZhang, kLi, 5));
        QCOMPARE(li->takeUdp(Codes::CmdCallSignal, 3000), QByteArray(callPacket(kZhang, kLi, 5)));
    }
    for (ServiceClient *pClient : clients)
        pClient->clearReceived();

    clients[from]->sendUdp(packet);
    if (bPasses) {
        QCOMPARE(clients[to]->takeUdp(Codes::CmdCallSignal, 3000), packet);
    } else {
        QVERIFY(clients[to]->takeUdp(Codes::CmdCallSignal, 300).isEmpty());
        QVERIFY(m_pFixture->service().counters().drops(CServiceCounters::DropNotInCall) +
                    m_pFixture->service().counters().drops(CServiceCounters::DropBadField) >
                0);
    }
    // Nobody else heard anything.
    for (int i = 0; i < 3; ++i) {
        if (i != to)
            QCOMPARE(clients[i]->receivedCount(), 0);
    }
}

void TestServiceCalls::callerCannotAnswerForTheCallee()
{
    auto zhang = signedIn(kZhang);
    auto li = signedIn(kLi);
    QVERIFY(zhang && li);
    ringCall(*zhang, *li);
    // Zhang sends Li's answer itself: the call stays ringing, so what Li's microphone sends
    // before Li accepts never reaches Zhang.
    zhang->sendUdp(callPacket(kLi, kZhang, 2));
    zhang->sendUdp(callPacket(kZhang, kLi, 2));
    li->sendUdp(voicePacket(kLi, kZhang));
    QVERIFY(zhang->takeUdp(Codes::CmdCallSignal, 500).isEmpty());
    QVERIFY(li->takeUdp(Codes::CmdCallSignal, 100).isEmpty());
    // Li's own answer opens the line.
    li->sendUdp(callPacket(kLi, kZhang, 2));
    QCOMPARE(zhang->takeUdp(Codes::CmdCallSignal, 3000), QByteArray(callPacket(kLi, kZhang, 2)));
    li->sendUdp(voicePacket(kLi, kZhang));
    QCOMPARE(zhang->takeUdp(Codes::CmdCallSignal, 3000), voicePacket(kLi, kZhang));
}

void TestServiceCalls::busyCalleeIsNotRung()
{
    auto zhang = signedIn(kZhang);
    auto li = signedIn(kLi);
    auto wang = signedIn(kWang);
    QVERIFY(zhang && li && wang);
    connectCall(*zhang, *li);
    // Wang calls Li, who talks to Zhang: Wang hears busy from Li, Li hears nothing.
    wang->sendUdp(callPacket(kWang, kLi, 1));
    QCOMPARE(wang->takeUdp(Codes::CmdCallSignal, 3000), QByteArray(callPacket(kLi, kWang, 4)));
    QVERIFY(li->takeUdp(Codes::CmdCallSignal, 300).isEmpty());
    // Wang is in no call: its voice, answer and hang-up go nowhere.
    wang->sendUdp(voicePacket(kWang, kLi));
    wang->sendUdp(callPacket(kWang, kLi, 2));
    wang->sendUdp(callPacket(kWang, kLi, 5));
    QVERIFY(li->takeUdp(Codes::CmdCallSignal, 300).isEmpty());
    // The call that was there goes on.
    zhang->sendUdp(voicePacket(kZhang, kLi));
    QCOMPARE(li->takeUdp(Codes::CmdCallSignal, 3000), voicePacket(kZhang, kLi));
}

void TestServiceCalls::endedCallStillPassesHangupsAndAcknowledgements()
{
    auto zhang = signedIn(kZhang);
    auto li = signedIn(kLi);
    QVERIFY(zhang && li);
    connectCall(*zhang, *li);
    // The client re-sends its hang-up until the acknowledgement comes.
    for (int i = 0; i < 2; ++i) {
        zhang->sendUdp(callPacket(kZhang, kLi, 5));
        QCOMPARE(li->takeUdp(Codes::CmdCallSignal, 3000), QByteArray(callPacket(kZhang, kLi, 5)));
    }
    li->sendUdp(callPacket(kLi, kZhang, 8));
    QCOMPARE(zhang->takeUdp(Codes::CmdCallSignal, 3000), QByteArray(callPacket(kLi, kZhang, 8)));
    // A refused call likewise lets the caller's acknowledgement through, and a new call
    // between the two starts afresh.
    ringCall(*zhang, *li);
    li->sendUdp(callPacket(kLi, kZhang, 3));
    QCOMPARE(zhang->takeUdp(Codes::CmdCallSignal, 3000), QByteArray(callPacket(kLi, kZhang, 3)));
    zhang->sendUdp(callPacket(kZhang, kLi, 8));
    QCOMPARE(li->takeUdp(Codes::CmdCallSignal, 3000), QByteArray(callPacket(kZhang, kLi, 8)));
    connectCall(*zhang, *li);
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
