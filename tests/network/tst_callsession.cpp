// The call session alone: what every call packet, push reply, delivery report and give-up does
// in every phase, which local requests it lets through, the glare rule and the bounded
// duplicate filter. The packets come from the fake service's encoder.
#include <QTest>

#include "callphases.h"
#include "codes.h"
#include "fakepacket.h"

namespace {

// A delivery report 15 of kind 1, the only kind the 15 parser hands to the call session.
QByteArray report15(quint32 iPeer, quint8 iState)
{
    return FakePacket(Codes::CmdDeliveryReport).u32(iPeer).u8(1).u8(iState).u32(77);
}

// One line per answer and per report, answer first as Protocol sends it.
QStringList lines(const CCallSession::Reaction &r)
{
    QStringList list;
    if (r.iAnswer != 0)
        list << QString("answer|%1|%2").arg(r.iAnswer).arg(r.iAnswerTo);
    if (r.iState != 0)
        list << QString("state|%1|%2").arg(r.iState).arg(r.iPeer) +
                    (r.arData.isEmpty() ? QString() : "|" + QString(r.arData.toHex()));
    return list;
}

QStringList receive(const QByteArrayList &packets)
{
    QStringList list;
    for (const QByteArray &ar : packets) {
        const quint8 iCode = quint8(ar.at(0));
        if (iCode == Codes::CmdCallSignal)
            list << lines(callSession().received(ar));
        else if (iCode == Codes::CmdPush)
            list << lines(callSession().pushReply(ar));
        else
            list << lines(
                callSession().deliveryReport(quint32(FakePacket::u32At(ar, 1)), quint8(ar.at(6))));
    }
    return list;
}

QString state(int iState, quint32 iPeer)
{
    return QString("state|%1|%2").arg(iState).arg(iPeer);
}

QString answer(int iSub, quint32 iTo)
{
    return QString("answer|%1|%2").arg(iSub).arg(iTo);
}

} // namespace

class TestCallSession : public QObject
{
    Q_OBJECT
private slots:
    void init();

    void callPackets_data();
    void callPackets();
    void pushReplies_data();
    void pushReplies();
    void deliveryReports_data();
    void deliveryReports();
    void localRequests_data();
    void localRequests();
    void givingUp_data();
    void givingUp();

    void endsDropPendingRequests_data();
    void endsDropPendingRequests();
    void newCallDropsHangupToSamePeer();
    void duplicateFilterIsBounded();
};

void TestCallSession::init()
{
    sessionState().reset();
    sessionState().iZpid = OWN;
    callSession().reset();
}

void TestCallSession::callPackets_data()
{
    QTest::addColumn<Setup>("setup");
    QTest::addColumn<QByteArrayList>("packets");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<int>("phase");
    QTest::addColumn<quint32>("peer");

    const Setup idle([] {});
    const int IDLE = Codes::PhaseIdle;
    const int CALLING = Codes::PhaseCalling;
    const int TALKING = Codes::PhaseTalking;
    const int RINGING = Codes::PhaseRinging;
    const QStringList none;

    QTest::newRow("request while idle rings")
        << idle << QByteArrayList{call(PEER, 1)} << QStringList{answer(7, PEER), state(1, PEER)}
        << RINGING << PEER;
    QTest::newRow("repeated request while ringing")
        << Setup([] { ringing(PEER); }) << QByteArrayList{call(PEER, 1)}
        << QStringList{answer(7, PEER)} << RINGING << PEER;
    QTest::newRow("request from oneself gets busy")
        << idle << QByteArrayList{call(OWN, 1)} << QStringList{answer(4, OWN)} << IDLE << 0u;
    QTest::newRow("request from zpid 0 ignored")
        << idle << QByteArrayList{call(0, 1)} << none << IDLE << 0u;
    QTest::newRow("request in the quiet period after a refuse ignored") << Setup([] {
        ringing(PEER);
        QVERIFY(callSession().refuse(PEER));
    }) << QByteArrayList{call(THIRD, 1), call(PEER, 1)} << none << IDLE << 0u;

    QTest::newRow("second caller while pushing")
        << Setup([] { pushing(PEER); }) << QByteArrayList{call(THIRD, 1)}
        << QStringList{answer(4, THIRD)} << IDLE << PEER;
    QTest::newRow("second caller while calling")
        << Setup([] { calling(PEER); }) << QByteArrayList{call(THIRD, 1)}
        << QStringList{answer(4, THIRD)} << CALLING << PEER;
    QTest::newRow("second caller while ringing")
        << Setup([] { ringing(PEER); }) << QByteArrayList{call(THIRD, 1)}
        << QStringList{answer(4, THIRD)} << RINGING << PEER;
    QTest::newRow("second caller while talking")
        << Setup([] { talkingIn(PEER); }) << QByteArrayList{call(THIRD, 1)}
        << QStringList{answer(4, THIRD)} << TALKING << PEER;

    QTest::newRow("glare: the lower zpid stays the caller")
        << Setup([] { calling(PEER); }) << QByteArrayList{call(PEER, 1)} << none << CALLING << PEER;
    QTest::newRow("glare: the higher zpid takes the call")
        << Setup([] { calling(LOWER); }) << QByteArrayList{call(LOWER, 1)}
        << QStringList{answer(7, LOWER), state(1, LOWER)} << RINGING << LOWER;
    QTest::newRow("glare while pushing: the higher zpid takes the call")
        << Setup([] { pushing(LOWER); }) << QByteArrayList{call(LOWER, 1)}
        << QStringList{answer(7, LOWER), state(1, LOWER)} << RINGING << LOWER;
    QTest::newRow("glare while pushing: the lower zpid waits")
        << Setup([] { pushing(PEER); }) << QByteArrayList{call(PEER, 1)} << none << IDLE << PEER;

    QTest::newRow("repeated request while talking gets the answer again")
        << Setup([] { talkingIn(PEER); }) << QByteArrayList{call(PEER, 1)}
        << QStringList{answer(2, PEER)} << TALKING << PEER;
    QTest::newRow("request from the callee while talking ignored")
        << Setup([] { talkingOut(PEER); }) << QByteArrayList{call(PEER, 1)} << none << TALKING
        << PEER;

    QTest::newRow("answer while calling")
        << Setup([] { calling(PEER); }) << QByteArrayList{call(PEER, 2)}
        << QStringList{state(2, PEER)} << TALKING << PEER;
    QTest::newRow("duplicate answer reported once")
        << Setup([] { calling(PEER); }) << QByteArrayList{call(PEER, 2), call(PEER, 2)}
        << QStringList{state(2, PEER)} << TALKING << PEER;
    QTest::newRow("answer while ringing does not open the microphone")
        << Setup([] { ringing(PEER); }) << QByteArrayList{call(PEER, 2)} << none << RINGING << PEER;
    QTest::newRow("answer while pushing ignored")
        << Setup([] { pushing(PEER); }) << QByteArrayList{call(PEER, 2)} << none << IDLE << PEER;
    QTest::newRow("answer from a third party ignored")
        << Setup([] { calling(PEER); }) << QByteArrayList{call(THIRD, 2)} << none << CALLING
        << PEER;

    QTest::newRow("refuse while calling ends the call")
        << Setup([] { calling(PEER); }) << QByteArrayList{call(PEER, 3), call(PEER, 3)}
        << QStringList{answer(8, PEER), state(3, PEER), answer(8, PEER)} << IDLE << 0u;
    QTest::newRow("refuse while talking only acknowledged")
        << Setup([] { talkingOut(PEER); }) << QByteArrayList{call(PEER, 3)}
        << QStringList{answer(8, PEER)} << TALKING << PEER;
    QTest::newRow("refuse from a third party only acknowledged")
        << Setup([] { calling(PEER); }) << QByteArrayList{call(THIRD, 3)}
        << QStringList{answer(8, THIRD)} << CALLING << PEER;

    QTest::newRow("busy while calling ends the call")
        << Setup([] { calling(PEER); }) << QByteArrayList{call(PEER, 4)}
        << QStringList{state(4, PEER)} << IDLE << 0u;
    QTest::newRow("busy from a third party ignored")
        << Setup([] { calling(PEER); }) << QByteArrayList{call(THIRD, 4)} << none << CALLING
        << PEER;
    QTest::newRow("busy while talking ignored")
        << Setup([] { talkingOut(PEER); }) << QByteArrayList{call(PEER, 4)} << none << TALKING
        << PEER;

    QTest::newRow("hang-up while talking")
        << Setup([] { talkingIn(PEER); }) << QByteArrayList{call(PEER, 5), call(PEER, 5)}
        << QStringList{answer(8, PEER), state(5, PEER), answer(8, PEER)} << IDLE << 0u;
    QTest::newRow("hang-up while ringing")
        << Setup([] { ringing(PEER); }) << QByteArrayList{call(PEER, 5)}
        << QStringList{answer(8, PEER), state(5, PEER)} << IDLE << 0u;
    QTest::newRow("hang-up while calling is a refuse")
        << Setup([] { calling(PEER); }) << QByteArrayList{call(PEER, 5)}
        << QStringList{answer(8, PEER), state(3, PEER)} << IDLE << 0u;
    QTest::newRow("hang-up while pushing only acknowledged")
        << Setup([] { pushing(PEER); }) << QByteArrayList{call(PEER, 5)}
        << QStringList{answer(8, PEER)} << IDLE << PEER;
    QTest::newRow("hang-up from a third party only acknowledged")
        << Setup([] { talkingIn(PEER); }) << QByteArrayList{call(THIRD, 5)}
        << QStringList{answer(8, THIRD)} << TALKING << PEER;

    QTest::newRow("voice while talking")
        << Setup([] { talkingIn(PEER); }) << QByteArrayList{call(PEER, 6, "\x01\x01\x00")}
        << QStringList{state(6, PEER) + "|" + QString(call(PEER, 6, "\x01\x01\x00").toHex())}
        << TALKING << PEER;
    QTest::newRow("voice while ringing dropped")
        << Setup([] { ringing(PEER); }) << QByteArrayList{call(PEER, 6, "\x01\x01\x00")} << none
        << RINGING << PEER;
    QTest::newRow("voice from a third party dropped")
        << Setup([] { talkingIn(PEER); }) << QByteArrayList{call(THIRD, 6, "\x01\x01\x00")} << none
        << TALKING << PEER;

    QTest::newRow("ringing while calling reported once")
        << Setup([] { calling(PEER); }) << QByteArrayList{call(PEER, 7), call(PEER, 7)}
        << QStringList{state(7, PEER)} << CALLING << PEER;
    QTest::newRow("ringing after the answer makes no ring")
        << Setup([] { talkingOut(PEER); }) << QByteArrayList{call(PEER, 7)} << none << TALKING
        << PEER;
    QTest::newRow("ringing while pushing ignored")
        << Setup([] { pushing(PEER); }) << QByteArrayList{call(PEER, 7)} << none << IDLE << PEER;

    QTest::newRow("acknowledgement after the user hung up, once")
        << Setup([] { hungUp(PEER); }) << QByteArrayList{call(PEER, 8), call(PEER, 8)}
        << QStringList{state(8, PEER)} << IDLE << 0u;
    QTest::newRow("acknowledgement without a hang-up ignored")
        << Setup([] { talkingIn(PEER); }) << QByteArrayList{call(PEER, 8)} << none << TALKING
        << PEER;
    QTest::newRow("spoofed acknowledgement from a third party ignored")
        << Setup([] { hungUp(PEER); }) << QByteArrayList{call(THIRD, 8)} << none << IDLE << 0u;
    QTest::newRow("late acknowledgement during the next call ignored") << Setup([] {
        hungUp(PEER);
        talkingIn(THIRD);
    }) << QByteArrayList{call(PEER, 8)} << none << TALKING << THIRD;

    QTest::newRow("unknown sub-commands ignored")
        << Setup([] { talkingIn(PEER); }) << QByteArrayList{call(PEER, 0), call(PEER, 9)} << none
        << TALKING << PEER;
}

void TestCallSession::callPackets()
{
    QFETCH(Setup, setup);
    QFETCH(QByteArrayList, packets);
    QFETCH(QStringList, expected);
    QFETCH(int, phase);
    QFETCH(quint32, peer);
    setup();
    QCOMPARE(receive(packets), expected);
    QCOMPARE(callSession().phase(), phase);
    QCOMPARE(callSession().peer(), peer);
}

void TestCallSession::pushReplies_data()
{
    QTest::addColumn<Setup>("setup");
    QTest::addColumn<QByteArrayList>("packets");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<quint32>("peer");
    QTest::addColumn<bool>("delivered");

    const Setup push([] { pushing(PEER); });
    QTest::newRow("type 1 reached and delivered")
        << push << QByteArrayList{FakeService::pushReply(PEER, 1)} << QStringList{state(11, PEER)}
        << PEER << true;
    QTest::newRow("type 0 reached, not known delivered")
        << push << QByteArrayList{FakeService::pushReply(PEER, 0)} << QStringList{state(11, PEER)}
        << PEER << false;
    QTest::newRow("type 2 unreachable ends the attempt")
        << push << QByteArrayList{FakeService::pushReply(PEER, 2)} << QStringList{state(12, PEER)}
        << 0u << false;
    QTest::newRow("reply for another callee ignored")
        << push << QByteArrayList{FakeService::pushReply(THIRD, 2)} << QStringList() << PEER
        << false;
    QTest::newRow("duplicate reply ignored")
        << push << QByteArrayList{FakeService::pushReply(PEER, 1), FakeService::pushReply(PEER, 2)}
        << QStringList{state(11, PEER)} << PEER << true;
    QTest::newRow("late unreachable reply leaves the dialled call")
        << Setup([] { calling(PEER); }) << QByteArrayList{FakeService::pushReply(PEER, 2)}
        << QStringList() << PEER << true;
    QTest::newRow("late reply leaves a connected call")
        << Setup([] { talkingIn(PEER); }) << QByteArrayList{FakeService::pushReply(PEER, 2)}
        << QStringList() << PEER << false;
    QTest::newRow("reply without a push ignored")
        << Setup([] {}) << QByteArrayList{FakeService::pushReply(PEER, 1)} << QStringList() << 0u
        << false;
}

void TestCallSession::pushReplies()
{
    QFETCH(Setup, setup);
    QFETCH(QByteArrayList, packets);
    QFETCH(QStringList, expected);
    QFETCH(quint32, peer);
    QFETCH(bool, delivered);
    setup();
    QCOMPARE(receive(packets), expected);
    QCOMPARE(callSession().peer(), peer);
    QCOMPARE(callSession().pushDelivered(), delivered);
}

void TestCallSession::deliveryReports_data()
{
    QTest::addColumn<Setup>("setup");
    QTest::addColumn<QByteArray>("packet");
    QTest::addColumn<QStringList>("expected");

    const QStringList unreachable{state(12, PEER)};
    QTest::newRow("not delivered while pushing")
        << Setup([] { pushing(PEER); }) << report15(PEER, 0) << unreachable;
    QTest::newRow("not delivered while calling after push type 0")
        << Setup([] { calling(PEER, 0); }) << report15(PEER, 0) << unreachable;
    QTest::newRow("ignored once the push was delivered")
        << Setup([] { calling(PEER, 1); }) << report15(PEER, 0) << QStringList();
    QTest::newRow("the delivered flag is per call") << Setup([] {
        calling(PEER, 1);
        QVERIFY(callSession().hangup(PEER));
        calling(PEER, 0);
    }) << report15(PEER, 0) << unreachable;
    QTest::newRow("for another user ignored")
        << Setup([] { pushing(PEER); }) << report15(THIRD, 0) << QStringList();
    QTest::newRow("state 1 ignored")
        << Setup([] { pushing(PEER); }) << report15(PEER, 1) << QStringList();
    QTest::newRow("an incoming call is not the user's push")
        << Setup([] { ringing(PEER); }) << report15(PEER, 0) << QStringList();
    QTest::newRow("a connected call is past its push")
        << Setup([] { talkingOut(PEER); }) << report15(PEER, 0) << QStringList();
}

void TestCallSession::deliveryReports()
{
    QFETCH(Setup, setup);
    QFETCH(QByteArray, packet);
    QFETCH(QStringList, expected);
    setup();
    const int iPhase = callSession().phase();
    QCOMPARE(receive({packet}), expected);
    if (expected.isEmpty())
        QCOMPARE(callSession().phase(), iPhase);
    else
        QCOMPARE(callSession().peer(), 0u);
}

void TestCallSession::localRequests_data()
{
    QTest::addColumn<Setup>("setup");
    QTest::addColumn<QString>("request");
    QTest::addColumn<quint32>("zpid");
    QTest::addColumn<bool>("sent");
    QTest::addColumn<int>("phase");
    QTest::addColumn<quint32>("peer");

    const Setup idle([] {});
    const Setup push([] { pushing(PEER); });
    const Setup dial([] { calling(PEER); });
    const Setup ring([] { ringing(PEER); });
    const Setup talk([] { talkingIn(PEER); });
    const int IDLE = Codes::PhaseIdle;

    QTest::newRow("call after the push")
        << push << "call" << PEER << true << int(Codes::PhaseCalling) << PEER;
    QTest::newRow("call without a push") << idle << "call" << PEER << false << IDLE << 0u;
    QTest::newRow("call for another user") << push << "call" << THIRD << false << IDLE << PEER;
    QTest::newRow("call twice") << dial << "call" << PEER << false << int(Codes::PhaseCalling)
                                << PEER;
    QTest::newRow("call while ringing")
        << ring << "call" << PEER << false << int(Codes::PhaseRinging) << PEER;

    QTest::newRow("agree while ringing")
        << ring << "agree" << PEER << true << int(Codes::PhaseTalking) << PEER;
    QTest::newRow("agree to another user")
        << ring << "agree" << THIRD << false << int(Codes::PhaseRinging) << PEER;
    QTest::newRow("agree while calling")
        << dial << "agree" << PEER << false << int(Codes::PhaseCalling) << PEER;

    QTest::newRow("refuse while ringing") << ring << "refuse" << PEER << true << IDLE << 0u;
    QTest::newRow("refuse while talking")
        << talk << "refuse" << PEER << false << int(Codes::PhaseTalking) << PEER;

    QTest::newRow("hang up while pushing") << push << "hangup" << PEER << true << IDLE << 0u;
    QTest::newRow("hang up while calling") << dial << "hangup" << PEER << true << IDLE << 0u;
    QTest::newRow("hang up while ringing") << ring << "hangup" << PEER << true << IDLE << 0u;
    QTest::newRow("hang up while talking") << talk << "hangup" << PEER << true << IDLE << 0u;
    QTest::newRow("hang up on another user")
        << talk << "hangup" << THIRD << false << int(Codes::PhaseTalking) << PEER;
    QTest::newRow("hang up without a call") << idle << "hangup" << 0u << false << IDLE << 0u;
}

void TestCallSession::localRequests()
{
    QFETCH(Setup, setup);
    QFETCH(QString, request);
    QFETCH(quint32, zpid);
    QFETCH(bool, sent);
    QFETCH(int, phase);
    QFETCH(quint32, peer);
    setup();
    const quint32 iBefore = callSession().peer();
    CCallSession &c = callSession();
    const bool bSent = request == "call"     ? c.beginCall(zpid)
                       : request == "agree"  ? c.agree(zpid)
                       : request == "refuse" ? c.refuse(zpid)
                                             : c.hangup(zpid);
    QCOMPARE(bSent, sent);
    QCOMPARE(c.phase(), phase);
    QCOMPARE(c.peer(), peer);
    // Ending a call locally waits for that party's acknowledgement.
    const bool bEnded = sent && (request == "refuse" || request == "hangup");
    QCOMPARE(c.awaitedAck(), bEnded ? iBefore : 0u);
    QCOMPARE(sessionState().pTimerStopCall->isActive(), bEnded);
}

void TestCallSession::givingUp_data()
{
    QTest::addColumn<Setup>("setup");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<int>("state");

    QTest::newRow("call request while calling")
        << Setup([] { calling(PEER); }) << CCallSession::callKey() << int(Codes::CallUnreachable);
    QTest::newRow("push while pushing")
        << Setup([] { pushing(PEER); }) << CCallSession::pushKey() << int(Codes::CallUnreachable);
    QTest::newRow("call request after the answer")
        << Setup([] { talkingOut(PEER); }) << CCallSession::callKey() << 0;
    QTest::newRow("push after its reply")
        << Setup([] { calling(PEER); }) << CCallSession::pushKey() << 0;
    QTest::newRow("call request of an incoming call")
        << Setup([] { ringing(PEER); }) << CCallSession::callKey() << 0;
    QTest::newRow("hang-up") << Setup([] { hungUp(PEER); }) << CCallSession::hangupKey() << 0;
}

void TestCallSession::givingUp()
{
    QFETCH(Setup, setup);
    QFETCH(QByteArray, key);
    QFETCH(int, state);
    setup();
    const quint32 iPeer = callSession().peer();
    const int iPhase = callSession().phase();
    const CCallSession::Reaction r = callSession().givenUp(key);
    QCOMPARE(r.iState, state);
    QCOMPARE(r.iAnswer, quint8(0));
    if (state != 0) {
        QCOMPARE(r.iPeer, iPeer);
        QCOMPARE(callSession().phase(), int(Codes::PhaseIdle));
        QCOMPARE(callSession().peer(), 0u);
    } else {
        QCOMPARE(callSession().phase(), iPhase);
        QCOMPARE(callSession().peer(), iPeer);
    }
    // A hang-up given up leaves no acknowledgement to wait for.
    QCOMPARE(callSession().awaitedAck(), 0u);
}

void TestCallSession::endsDropPendingRequests_data()
{
    QTest::addColumn<QByteArray>("packet");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("refused") << call(PEER, 3)
                             << QStringList{answer(8, PEER), state(Codes::CallRefused, PEER)};
    QTest::newRow("busy") << call(PEER, 4) << QStringList{state(Codes::CallBusy, PEER)};
    QTest::newRow("hung up") << call(PEER, 5)
                             << QStringList{answer(8, PEER), state(Codes::CallRefused, PEER)};
    QTest::newRow("not delivered")
        << report15(PEER, 0) << QStringList{state(Codes::CallUnreachable, PEER)};
}

void TestCallSession::endsDropPendingRequests()
{
    QFETCH(QByteArray, packet);
    QFETCH(QStringList, expected);
    calling(PEER, 0);
    setResend(CCallSession::callKey(), "call");
    setResend(CCallSession::pushKey(), "push");
    setResend(QByteArray(1, char(3)), "heart");
    QCOMPARE(receive({packet}), expected);
    QCOMPARE(sessionState().mapResend.keys(), QList<QByteArray>{QByteArray(1, char(3))});
    QVERIFY(sessionState().pTimerStopCall->isActive());
    // Nothing stays busy: once the quiet period is over the next caller rings.
    sessionState().pTimerStopCall->stop();
    QCOMPARE(receive({call(THIRD, 1)}), (QStringList{answer(7, THIRD), state(1, THIRD)}));
}

void TestCallSession::newCallDropsHangupToSamePeer()
{
    hungUp(PEER);
    setResend(CCallSession::hangupKey(), "hang-up to PEER");
    pushing(THIRD);
    QVERIFY(sessionState().mapResend.contains(CCallSession::hangupKey()));
    QVERIFY(callSession().hangup(THIRD));
    sessionState().pTimerStopCall->stop();
    setResend(CCallSession::hangupKey(), "hang-up to THIRD");
    // Still re-sent, the old hang-up would end the new call at the callee.
    pushing(THIRD);
    QVERIFY(!sessionState().mapResend.contains(CCallSession::hangupKey()));
}

void TestCallSession::duplicateFilterIsBounded()
{
    calling(PEER);
    for (int i = 0; i < 100; ++i)
        QCOMPARE(callSession().received(call(PEER, 7, QByteArray::number(i))).iState,
                 int(Codes::CallRinging));
    QCOMPARE(callSession().processedCount(), CCallSession::MAX_PROCESSED);
    // The newest are still known; the oldest were forgotten.
    QCOMPARE(callSession().received(call(PEER, 7, "99")).iState, 0);
    QCOMPARE(callSession().received(call(PEER, 7, "36")).iState, 0);
    QCOMPARE(callSession().received(call(PEER, 7, "0")).iState, int(Codes::CallRinging));
    QCOMPARE(callSession().processedCount(), CCallSession::MAX_PROCESSED);
}

QTEST_GUILESS_MAIN(TestCallSession)
#include "tst_callsession.moc"
