// Core's call area as the running client wires it, against the fake service on loopback: every
// way a call ends (refused, busy, hung up by either side, unreachable, given up, silent voice,
// refused or left ringing here, logout) writes exactly one call record of the right kind and
// tells the screens once; voice is stopped and the hang-up goes out before the session closes.
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>

#include "callrecordmodel.h"
#include "ccallsession.h"
#include "cdatabase.h"
#include "codes.h"
#include "core.h"
#include "corefixture.h"
#include "csessionstate.h"
#include "csetting.h"
#include "fakecipher.h"
#include "fakepacket.h"
#include "fakeservice.h"

namespace {

constexpr quint32 kOwn = 1234567;
constexpr quint32 kPeer = 7654321;
const QString kPeerText = QString::number(kPeer);

// What the test does once the call is set up, before it waits for the end.
enum class Then
{
    Nothing,     // the service or the peer ends it
    PeerHangsUp, // after the answer, the peer hangs up
    UserHangsUp, // the screen's hang-up
    UserRefuses, // the screen's refuse of an incoming call
    UserAnswersThenHangsUp,
    VoiceGoesSilent, // one voice datagram, then nothing: the watchdog ends the call
};

struct Record
{
    int iCount = 0;
    int iType = -1;
    int iUnRead = -1;
};

} // namespace

Q_DECLARE_METATYPE(FakeService::CallParty)
Q_DECLARE_METATYPE(Then)

class TestCoreCalls : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void outgoingEndWritesOneRecord_data();
    void outgoingEndWritesOneRecord();
    void incomingEndWritesOneRecord_data();
    void incomingEndWritesOneRecord();
    void ringFollowsTheCallPrompt_data();
    void ringFollowsTheCallPrompt();
    void messageSoundLeavesTheRingAlone();
    void pushToNobodyLeavesNoRecord_data();
    void pushToNobodyLeavesNoRecord();
    void logoutDuringACallHangsUpFirst();
    void deleteThisRecordTakesThePersonNotAnId();

private:
    void signIn();
    void emitRoot(const char *pSignal, const QString &strZpid);
    Record recordOf(const QString &strZpid);
    void offerIncoming();

    QTemporaryDir m_dir;
    FakeService m_fake;
    CoreFixture m_fx;
};

void TestCoreCalls::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY(CoreFixture::enterFolder(m_dir.path()));

    FakeService::Account account;
    account.iZpid = kOwn;
    account.strLoginId = QString::number(kOwn);
    account.strPassword = QStringLiteral("secret");
    account.strPhone = QStringLiteral("13800000000");
    QVERIFY(CoreFixture::serve(m_fake, account));
}

void TestCoreCalls::init()
{
    m_fake.clearReceived();
    m_fake.account().bAnswerHeart = true;
    m_fx.start();
    m_fx.core()->setVoiceTimings(5000, 400, 100);
    signIn();
    m_fx.core()->delCallRecord(QString());
}

void TestCoreCalls::cleanup()
{
    m_fx.stop();
}

void TestCoreCalls::signIn()
{
    m_fx.signIn(QString::number(kOwn), QStringLiteral("secret"));
    // The fake learns the client's UDP endpoint from its heartbeat.
    QTRY_VERIFY(!m_fake.packets(Codes::CmdHeartbeat, FakeService::Udp).isEmpty());
}

void TestCoreCalls::emitRoot(const char *pSignal, const QString &strZpid)
{
    QVERIFY(QMetaObject::invokeMethod(m_fx.root(), pSignal, Q_ARG(QString, strZpid)));
}

Record TestCoreCalls::recordOf(const QString &strZpid)
{
    Record record;
    const QList<QObject *> rows = m_fx.core()->database()->getCallRecord(strZpid);
    record.iCount = int(rows.size());
    if (!rows.isEmpty()) {
        record.iType = rows.first()->property("iType").toInt();
        record.iUnRead = m_fx.core()->database()->getUnReadCallRecord(strZpid);
    }
    qDeleteAll(rows);
    return record;
}

void TestCoreCalls::offerIncoming()
{
    m_fake.pushUdp(FakeService::callPacket(kPeer, kOwn, Codes::CallSubCall));
    QTRY_COMPARE(callSession().phase(), int(Codes::PhaseRinging));
}

void TestCoreCalls::outgoingEndWritesOneRecord_data()
{
    QTest::addColumn<FakeService::CallParty>("party");
    QTest::addColumn<Then>("then");
    QTest::addColumn<int>("iReported");

    FakeService::CallParty refuses;
    refuses.afterRing = {Codes::CallSubRefuse};
    FakeService::CallParty busy;
    busy.bRing = false;
    busy.afterRing = {Codes::CallSubBusy};
    FakeService::CallParty answers;
    answers.afterRing = {Codes::CallSubAnswer};
    FakeService::CallParty offline;
    offline.iPushType = 2;
    FakeService::CallParty notDelivered;
    notDelivered.iPushType = 0;
    notDelivered.iPushReport = 0;
    FakeService::CallParty noPushReply;
    noPushReply.iPushType = -1;
    FakeService::CallParty rings;

    QTest::newRow("refused") << refuses << Then::Nothing << int(Codes::CallRefused);
    QTest::newRow("busy") << busy << Then::Nothing << int(Codes::CallBusy);
    QTest::newRow("peer hangs up") << answers << Then::PeerHangsUp << int(Codes::CallHungUp);
    QTest::newRow("user hangs up talking")
        << answers << Then::UserHangsUp << int(Codes::CallHungUp);
    QTest::newRow("user hangs up dialling") << rings << Then::UserHangsUp << int(Codes::CallHungUp);
    QTest::newRow("offline") << offline << Then::Nothing << int(Codes::CallUnreachable);
    QTest::newRow("push not delivered")
        << notDelivered << Then::Nothing << int(Codes::CallUnreachable);
    QTest::newRow("push given up") << noPushReply << Then::Nothing << int(Codes::CallUnreachable);
    QTest::newRow("voice goes silent")
        << answers << Then::VoiceGoesSilent << int(Codes::CallHungUp);
}

void TestCoreCalls::outgoingEndWritesOneRecord()
{
    QFETCH(FakeService::CallParty, party);
    QFETCH(Then, then);
    QFETCH(int, iReported);
    m_fake.serveCalls({{kPeer, party}});
    QSignalSpy updates(m_fx.core(), &Core::sig_updateCall);

    m_fx.core()->sendPush(kPeerText);
    QTRY_VERIFY(m_fake.packets(Codes::CmdCard, FakeService::Sub)
                    .contains(FakePacket(Codes::CmdCard).u32(kPeer).u8(1).u32(0).bytes()));
    if (party.afterRing.contains(Codes::CallSubAnswer)) {
        QTRY_COMPARE(callSession().phase(), int(Codes::PhaseTalking));
        QVERIFY(m_fx.core()->hasAudio());
    } else if (then == Then::UserHangsUp) {
        QTRY_VERIFY(m_fx.core()->isRinging());
    }
    switch (then) {
    case Then::PeerHangsUp:
        m_fake.pushUdp(FakeService::callPacket(kPeer, kOwn, Codes::CallSubHangup));
        break;
    case Then::UserHangsUp:
        emitRoot("hangup", kPeerText);
        QVERIFY(!m_fake.packets(Codes::CmdCallSignal, FakeService::Udp).isEmpty());
        break;
    case Then::VoiceGoesSilent:
        m_fake.pushUdp(FakeService::callPacket(kPeer, kOwn, Codes::CallSubVoice,
                                               QByteArray::fromHex("010100")));
        break;
    default:
        break;
    }

    QTRY_VERIFY_WITH_TIMEOUT(!updates.isEmpty() && updates.last().at(0).toInt() == iReported,
                             15000);
    QCOMPARE(updates.last().at(1).toString(), kPeerText);
    QCOMPARE(callSession().peer(), 0u);
    QVERIFY(!m_fx.core()->hasAudio());
    QVERIFY(!m_fx.core()->isRinging());
    // Late packets (acknowledgements, re-sent copies) write nothing more.
    QTest::qWait(300);
    const Record record = recordOf(kPeerText);
    QCOMPARE(record.iCount, 1);
    QCOMPARE(record.iType, 0);
    QCOMPARE(record.iUnRead, 0);
    int iEnds = 0;
    for (const QList<QVariant> &update : std::as_const(updates))
        iEnds += QList<int>{3, 4, 5, 12}.contains(update.at(0).toInt()) ? 1 : 0;
    QCOMPARE(iEnds, 1);
    if (then == Then::VoiceGoesSilent) {
        // The watchdog's end is a hang-up on the wire.
        bool bHangup = false;
        for (const QByteArray &ar : m_fake.packets(Codes::CmdCallSignal, FakeService::Udp))
            bHangup = bHangup || (ar.size() == 10 && quint8(ar.at(9)) == Codes::CallSubHangup);
        QVERIFY(bHangup);
    }
}

void TestCoreCalls::incomingEndWritesOneRecord_data()
{
    QTest::addColumn<Then>("then");
    QTest::addColumn<int>("iKind");
    QTest::addColumn<int>("iUnRead");
    QTest::addColumn<int>("iSentSub");
    QTest::newRow("missed") << Then::PeerHangsUp << 2 << 1 << 0;
    QTest::newRow("refused here") << Then::UserRefuses << 2 << 0 << int(Codes::CallSubRefuse);
    QTest::newRow("answered") << Then::UserAnswersThenHangsUp << 1 << 0
                              << int(Codes::CallSubHangup);
}

void TestCoreCalls::incomingEndWritesOneRecord()
{
    QFETCH(Then, then);
    QFETCH(int, iKind);
    QFETCH(int, iUnRead);
    QFETCH(int, iSentSub);
    m_fake.serveCalls({});
    QSignalSpy updates(m_fx.core(), &Core::sig_updateCall);
    offerIncoming();
    QCOMPARE(updates.size(), 1);
    QCOMPARE(updates.first(), (QList<QVariant>{int(Codes::CallOffered), kPeerText}));
    // The caller's picture is asked for, for the call screen.
    QTRY_VERIFY(m_fake.packets(Codes::CmdCard, FakeService::Sub)
                    .contains(FakePacket(Codes::CmdCard).u32(kPeer).u8(1).u32(0).bytes()));

    switch (then) {
    case Then::PeerHangsUp:
        m_fake.pushUdp(FakeService::callPacket(kPeer, kOwn, Codes::CallSubHangup));
        break;
    case Then::UserRefuses:
        m_fx.core()->stopRing();
        emitRoot("refuse", kPeerText);
        break;
    case Then::UserAnswersThenHangsUp:
        m_fx.core()->stopRing();
        m_fx.core()->startAudio();
        emitRoot("agree", kPeerText);
        QCOMPARE(callSession().phase(), int(Codes::PhaseTalking));
        QVERIFY(m_fx.core()->hasAudio());
        emitRoot("hangup", kPeerText);
        break;
    default:
        break;
    }
    QTRY_COMPARE(updates.size(), 2);
    QCOMPARE(updates.last(), (QList<QVariant>{int(Codes::CallHungUp), kPeerText}));
    QVERIFY(!m_fx.core()->hasAudio());
    QTest::qWait(300);
    const Record record = recordOf(kPeerText);
    QCOMPARE(record.iCount, 1);
    QCOMPARE(record.iType, iKind);
    QCOMPARE(record.iUnRead, iUnRead);
    QCOMPARE(m_fx.core()->getUnReadCallRecord(), iUnRead);
    if (iSentSub != 0) {
        const QList<QByteArray> sent = m_fake.packets(Codes::CmdCallSignal, FakeService::Udp);
        QVERIFY(!sent.isEmpty());
        QCOMPARE(int(quint8(sent.last().at(9))), iSentSub);
    }
    QCOMPARE(updates.size(), 2);
}

void TestCoreCalls::ringFollowsTheCallPrompt_data()
{
    QTest::addColumn<bool>("bPrompt");
    QTest::newRow("prompt on") << true;
    QTest::newRow("prompt off") << false;
}

void TestCoreCalls::ringFollowsTheCallPrompt()
{
    QFETCH(bool, bPrompt);
    CSetting *pSetting = CSetting::instance();
    const bool bWas = pSetting->callPrompt();
    pSetting->setCallPrompt(bPrompt);
    m_fake.serveCalls({});
    QSignalSpy updates(m_fx.core(), &Core::sig_updateCall);
    offerIncoming();
    pSetting->setCallPrompt(bWas);
    // The call screen is told either way; only the ring depends on the setting.
    QCOMPARE(updates.size(), 1);
    QCOMPARE(m_fx.core()->isRinging(), bPrompt);
    // Answering stops the ring and starts the voice path.
    m_fx.core()->stopRing();
    m_fx.core()->startAudio();
    QVERIFY(!m_fx.core()->isRinging());
    QVERIFY(m_fx.core()->hasAudio());
}

// A message arriving while the phone rings has a sound of its own; the ring goes on.
void TestCoreCalls::messageSoundLeavesTheRingAlone()
{
    CSetting *pSetting = CSetting::instance();
    const bool bCallWas = pSetting->callPrompt();
    const bool bMsgWas = pSetting->msgPrompt();
    pSetting->setCallPrompt(true);
    pSetting->setMsgPrompt(true);
    m_fake.serveCalls({});
    offerIncoming();
    QTRY_VERIFY(m_fx.core()->isRinging());
    QSignalSpy added(m_fx.core(), &Core::sig_addMsgRecord);
    constexpr quint32 kWriter = 2345678;
    m_fake.pushUdp(FakePacket(Codes::CmdMessage)
                       .u32(kWriter)
                       .u32(kOwn)
                       .u32(5)
                       .blob32(fakeEncrypt(QByteArrayLiteral("are you there")))
                       .u8(0)
                       .bytes());
    QTRY_COMPARE(added.size(), 1);
    pSetting->setCallPrompt(bCallWas);
    pSetting->setMsgPrompt(bMsgWas);
    QVERIFY(m_fx.core()->isRinging());
    m_fx.core()->stopRing();
    QVERIFY(!m_fx.core()->isRinging());
}

void TestCoreCalls::pushToNobodyLeavesNoRecord_data()
{
    QTest::addColumn<QString>("strZpid");
    QTest::newRow("own zpid") << QString::number(kOwn);
    QTest::newRow("not a number") << QStringLiteral("12ab");
    QTest::newRow("zero") << QStringLiteral("0");
}

void TestCoreCalls::pushToNobodyLeavesNoRecord()
{
    QFETCH(QString, strZpid);
    QSignalSpy updates(m_fx.core(), &Core::sig_updateCall);
    m_fx.core()->sendPush(strZpid);
    // The screen that started it learns at once that there is nobody to call.
    QCOMPARE(updates.size(), 1);
    QCOMPARE(updates.first().at(0).toInt(), int(Codes::CallUnreachable));
    QVERIFY(m_fake.packets(Codes::CmdPush, FakeService::Udp).isEmpty());
    QCOMPARE(recordOf(QString()).iCount, 0);
    // The next real call is tracked as usual.
    FakeService::CallParty refuses;
    refuses.afterRing = {Codes::CallSubRefuse};
    m_fake.serveCalls({{kPeer, refuses}});
    m_fx.core()->sendPush(kPeerText);
    QTRY_COMPARE(updates.size(), 3);
    QCOMPARE(updates.last().at(0).toInt(), int(Codes::CallRefused));
    QCOMPARE(recordOf(kPeerText).iCount, 1);
}

void TestCoreCalls::logoutDuringACallHangsUpFirst()
{
    m_fake.serveCalls({});
    QSignalSpy updates(m_fx.core(), &Core::sig_updateCall);
    offerIncoming();
    m_fx.core()->startAudio();
    emitRoot("agree", kPeerText);
    QVERIFY(m_fx.core()->hasAudio());

    m_fx.core()->logout();
    QVERIFY(!m_fx.core()->hasAudio());
    QCOMPARE(callSession().peer(), 0u);
    QCOMPARE(updates.last(), (QList<QVariant>{int(Codes::CallHungUp), kPeerText}));
    QTRY_VERIFY(!m_fake.packets(Codes::CmdLogout, FakeService::Udp).isEmpty());
    // The hang-up reached the service before the logout did.
    int iHangupAt = -1;
    int iLogoutAt = -1;
    const QList<FakeService::Received> received = m_fake.received();
    for (int i = 0; i < received.size(); ++i) {
        const QByteArray &ar = received.at(i).packet;
        if (iHangupAt < 0 && ar.size() == 10 && quint8(ar.at(0)) == Codes::CmdCallSignal &&
            quint8(ar.at(9)) == Codes::CallSubHangup)
            iHangupAt = i;
        if (iLogoutAt < 0 && quint8(ar.at(0)) == Codes::CmdLogout)
            iLogoutAt = i;
    }
    QVERIFY(iHangupAt >= 0);
    QVERIFY(iHangupAt < iLogoutAt);
    // The record was written for the account that held the call.
    m_fx.core()->database()->setLoginZpid(kOwn);
    const Record record = recordOf(kPeerText);
    QCOMPARE(record.iCount, 1);
    QCOMPARE(record.iType, 1);
}

void TestCoreCalls::deleteThisRecordTakesThePersonNotAnId()
{
    m_fx.core()->addCallRecord(kPeerText, QString(), QString(), true, 3, 0);
    // A short Zpid that equals the Id of somebody else's row.
    const QList<QObject *> rows = m_fx.core()->database()->getCallRecord(kPeerText);
    QCOMPARE(rows.size(), 1);
    const QString strShort = rows.first()->property("strId").toString();
    qDeleteAll(rows);
    QVERIFY(!strShort.isEmpty() && strShort.size() <= 6);
    m_fx.core()->addCallRecord(strShort, QString(), QString(), true, 4, 1);
    m_fx.core()->addCallRecord(strShort, QString(), QString(), false, 0, 2);
    m_fx.core()->delCallRecord(strShort);
    QCOMPARE(recordOf(strShort).iCount, 0);
    QCOMPARE(recordOf(kPeerText).iCount, 1);
    m_fx.core()->delCallRecord(QString());
    QCOMPARE(recordOf(kPeerText).iCount, 0);
}

QTEST_MAIN(TestCoreCalls)
#include "tst_corecalls.moc"
