// The call screens against the stand-in core: what the call screen shows in each phase and
// what its buttons ask of core and the root item (answer, refuse, hang-up, silence), the
// answer report that starts the running time, peer texts shown as plain text, and the call
// detail screen's reading, marking and deleting of one person's calls.
#include "codes.h"
#include "qmlfixture.h"

#include <QPointer>
#include <QQmlComponent>
#include <QSignalSpy>
#include <QTest>

namespace {

// The main screen's call properties, as the call screens read and write them.
const QByteArray kMainStandIn = R"(
import QtQuick
QtObject {
    property string call_strZpid: "1000002"
    property string call_strPhone: "13800138001"
    property string call_strName: "<b>Li</b>"
    property int iCallState: 0
    property int iCallTime: 0
    property string strMainZpid: "1000002"
    property string strMainName: "<i>Li</i>"
    property string strMainPhone: "13800138001"
    property int iMainType: 2
    property var dialled: []
    function placeCall(strZpid, strPhone, strName) { dialled.push(strZpid); }
    function openChat(strZpid, strPhone, strName, iType) {}
}
)";

} // namespace

class TestCallScreens : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void phaseText_data();
    void phaseText();
    void answerAsksCoreAndAgrees();
    void hangUpSendsWhatFitsThePhase_data();
    void hangUpSendsWhatFitsThePhase();
    void answerReportStartsTalkingForThisPeerOnly();
    void silenceMutesTheMicrophone();
    void peerTextIsPlain();
    void detailReadsMarksAndDeletes_data();
    void detailReadsMarksAndDeletes();
    void mainScreenFollowsCallStates_data();
    void mainScreenFollowsCallStates();

private:
    QQuickItem *showScreen(const QString &strFile, int iPhase);
    QQuickItem *showMain();
    QQuickItem *item(const char *pName) { return child<QQuickItem>(m_pScreen, pName); }

    std::unique_ptr<QmlFixture> m_pFx;
    QObject *m_pMain = nullptr;
    QObject *m_pResource = nullptr;
    QQuickItem *m_pScreen = nullptr;
    QList<QPointer<QQuickItem>> m_screens;
};

void TestCallScreens::init()
{
    m_pFx = std::make_unique<QmlFixture>();
    QQmlComponent component(m_pFx->engine());
    component.setData(kMainStandIn, QUrl(QStringLiteral("qrc:/test/MainStandIn.qml")));
    m_pMain = component.create();
    QVERIFY2(m_pMain, qPrintable(component.errorString()));
    m_pMain->setParent(this);
    m_pResource = m_pFx->create(QStringLiteral("Resource.qml"));
    QVERIFY(m_pResource);
    m_pResource->setProperty("textCalling", QStringLiteral("calling"));
    m_pResource->setProperty("textIncomingCall", QStringLiteral("incoming"));
}

void TestCallScreens::cleanup()
{
    // The screens go before the texts and the main screen they read.
    for (const QPointer<QQuickItem> &screen : std::as_const(m_screens))
        delete screen.data();
    m_screens.clear();
    m_pScreen = nullptr;
    delete m_pMain;
    m_pMain = nullptr;
    m_pFx.reset();
}

QQuickItem *TestCallScreens::showScreen(const QString &strFile, int iPhase)
{
    m_pMain->setProperty("iCallState", iPhase);
    m_pScreen = m_pFx->show(
        strFile, {{QStringLiteral("background"), QVariant::fromValue<QObject *>(&m_pFx->root)},
                  {QStringLiteral("resource"), QVariant::fromValue(m_pResource)},
                  {QStringLiteral("mainInterface"), QVariant::fromValue(m_pMain)}});
    m_screens << m_pScreen;
    return m_pScreen;
}

void TestCallScreens::phaseText_data()
{
    QTest::addColumn<int>("iPhase");
    QTest::addColumn<QString>("strState");
    QTest::addColumn<bool>("bAnswer");
    QTest::addColumn<bool>("bSilence");
    QTest::newRow("dialling") << int(Codes::PhaseCalling) << "calling" << false << false;
    QTest::newRow("ringing") << int(Codes::PhaseRinging) << "incoming" << true << false;
    QTest::newRow("talking") << int(Codes::PhaseTalking) << "00:00:00" << false << true;
}

void TestCallScreens::phaseText()
{
    QFETCH(int, iPhase);
    QFETCH(QString, strState);
    QFETCH(bool, bAnswer);
    QFETCH(bool, bSilence);
    QVERIFY(showScreen(QStringLiteral("CallInterface.qml"), iPhase));
    QCOMPARE(item("callState")->property("text").toString(), strState);
    QCOMPARE(item("answer")->isVisible(), bAnswer);
    QCOMPARE(item("silence")->isVisible(), bSilence);
    QVERIFY(item("hangup")->isVisible());
    QCOMPARE(child<QObject>(m_pScreen, "clock")->property("running").toBool(),
             iPhase == Codes::PhaseTalking);
}

void TestCallScreens::answerAsksCoreAndAgrees()
{
    QVERIFY(showScreen(QStringLiteral("CallInterface.qml"), Codes::PhaseRinging));
    QSignalSpy agree(&m_pFx->root, &StandInRoot::agree);
    QSignalSpy refuse(&m_pFx->root, &StandInRoot::refuse);
    QmlFixture::click(item("answer"));
    QCOMPARE(m_pFx->core.calls, QStringList({"stopRing()", "startAudio()"}));
    QCOMPARE(agree.size(), 1);
    QCOMPARE(agree.at(0).at(0).toString(), QStringLiteral("1000002"));
    QCOMPARE(refuse.size(), 0);
    QCOMPARE(m_pMain->property("iCallState").toInt(), int(Codes::PhaseTalking));
    QVERIFY(child<QObject>(m_pScreen, "clock")->property("running").toBool());
}

void TestCallScreens::hangUpSendsWhatFitsThePhase_data()
{
    QTest::addColumn<int>("iPhase");
    QTest::addColumn<bool>("bRefuse");
    QTest::newRow("ringing: refuse") << int(Codes::PhaseRinging) << true;
    QTest::newRow("talking: hang up") << int(Codes::PhaseTalking) << false;
    QTest::newRow("dialling: hang up") << int(Codes::PhaseCalling) << false;
}

void TestCallScreens::hangUpSendsWhatFitsThePhase()
{
    QFETCH(int, iPhase);
    QFETCH(bool, bRefuse);
    QVERIFY(showScreen(QStringLiteral("CallInterface.qml"), iPhase));
    QSignalSpy hangup(&m_pFx->root, &StandInRoot::hangup);
    QSignalSpy refuse(&m_pFx->root, &StandInRoot::refuse);
    QmlFixture::click(item("hangup"));
    QCOMPARE(refuse.size(), bRefuse ? 1 : 0);
    QCOMPARE(hangup.size(), bRefuse ? 0 : 1);
    QSignalSpy &sent = bRefuse ? refuse : hangup;
    QCOMPARE(sent.at(0).at(0).toString(), QStringLiteral("1000002"));
    // Ending the call and its record are core's; the screen asks for nothing else.
    QVERIFY(m_pFx->core.calls.isEmpty());
}

void TestCallScreens::answerReportStartsTalkingForThisPeerOnly()
{
    QVERIFY(showScreen(QStringLiteral("CallInterface.qml"), Codes::PhaseCalling));
    emit m_pFx->core.sig_updateCall(Codes::CallAnswered, QStringLiteral("1000003"));
    QCOMPARE(m_pMain->property("iCallState").toInt(), int(Codes::PhaseCalling));
    emit m_pFx->core.sig_updateCall(Codes::CallAnswered, QStringLiteral("1000002"));
    QCOMPARE(m_pMain->property("iCallState").toInt(), int(Codes::PhaseTalking));
    QVERIFY(child<QObject>(m_pScreen, "clock")->property("running").toBool());
    m_pMain->setProperty("iCallTime", 65);
    QCOMPARE(item("callState")->property("text").toString(), QStringLiteral("00:01:05"));
}

void TestCallScreens::silenceMutesTheMicrophone()
{
    QVERIFY(showScreen(QStringLiteral("CallInterface.qml"), Codes::PhaseTalking));
    QmlFixture::click(item("silence"));
    QmlFixture::click(item("silence"));
    QCOMPARE(m_pFx->core.calls, QStringList({"setMute(true)", "setMute(false)"}));
}

void TestCallScreens::peerTextIsPlain()
{
    QVERIFY(showScreen(QStringLiteral("CallInterface.qml"), Codes::PhaseRinging));
    for (const char *pName : {"peerName", "peerPhone", "callState"})
        QCOMPARE(item(pName)->property("textFormat").toInt(), 0 /* Text.PlainText */);
    QCOMPARE(item("peerName")->property("text").toString(), QStringLiteral("<b>Li</b>"));
    QVERIFY(showScreen(QStringLiteral("CallDetailInterface.qml"), Codes::PhaseIdle));
    QCOMPARE(item("name")->property("textFormat").toInt(), 0);
    QCOMPARE(item("name")->property("text").toString(), QStringLiteral("<i>Li</i>"));
}

void TestCallScreens::detailReadsMarksAndDeletes_data()
{
    QTest::addColumn<QString>("strMenu");
    QTest::addColumn<QString>("strDeleted");
    QTest::newRow("this person") << "menu1Clicked"
                                 << "1000002";
    QTest::newRow("everything") << "menu2Clicked"
                                << "";
}

void TestCallScreens::detailReadsMarksAndDeletes()
{
    QFETCH(QString, strMenu);
    QFETCH(QString, strDeleted);
    QVERIFY(showScreen(QStringLiteral("CallDetailInterface.qml"), Codes::PhaseIdle));
    // Opening marks the person's calls seen and reads them, and the log beside them.
    QCOMPARE(m_pFx->core.calls, QStringList({"updateCallRecord(1000002)", "getCallRecord(1000002)",
                                             "getCallRecord()"}));
    m_pFx->core.calls.clear();
    QQuickItem *list = item("calls");
    QVERIFY(list);
    // One row of the person's calls, as core publishes them.
    QQmlComponent row(m_pFx->engine());
    row.setData("import QtQuick\nQtObject { property string strId: \"7\"; property string strZpid: "
                "\"1000002\"; property string strTime: \"10:00\"; property int iCallTime: 5; "
                "property int iType: 0 }",
                QUrl(QStringLiteral("qrc:/test/Row.qml")));
    QObject *pRow = row.create();
    QVERIFY(pRow);
    pRow->setParent(m_pScreen);
    list->setProperty("model", QVariant::fromValue(QList<QObject *>{pRow}));
    QTRY_VERIFY(child<QQuickItem>(list, "duration"));
    QObject *delegate = child<QQuickItem>(list, "duration")->parentItem();
    QSignalSpy closed(m_pScreen, SIGNAL(closed()));
    QVERIFY(QMetaObject::invokeMethod(delegate, strMenu.toLatin1().constData()));
    QCOMPARE(m_pFx->core.calls.value(0), QStringLiteral("delCallRecord(%1)").arg(strDeleted));
    QCOMPARE(closed.size(), 1);

    // Its call button goes through the main screen, which starts the call.
    QVERIFY(showScreen(QStringLiteral("CallDetailInterface.qml"), Codes::PhaseIdle));
    QmlFixture::click(item("dial"));
    QCOMPARE(m_pMain->property("dialled").toList().value(0).toString(), QStringLiteral("1000002"));
}

QQuickItem *TestCallScreens::showMain()
{
    m_pScreen =
        m_pFx->show(QStringLiteral("MainInterface.qml"),
                    {{QStringLiteral("background"), QVariant::fromValue<QObject *>(&m_pFx->root)},
                     {QStringLiteral("resource"), QVariant::fromValue(m_pResource)}});
    m_screens << m_pScreen;
    return m_pScreen;
}

void TestCallScreens::mainScreenFollowsCallStates_data()
{
    QTest::addColumn<int>("iStart"); // state that opens the call screen
    QTest::addColumn<int>("iEnd");   // state that ends the call
    QTest::addColumn<QString>("strAlert");
    QTest::newRow("refused while dialling")
        << int(Codes::CallPushReached) << int(Codes::CallRefused) << "refused";
    QTest::newRow("busy") << int(Codes::CallPushReached) << int(Codes::CallBusy) << "busy";
    QTest::newRow("unreachable after the push")
        << int(Codes::CallPushReached) << int(Codes::CallUnreachable) << "offline";
    QTest::newRow("incoming hung up")
        << int(Codes::CallOffered) << int(Codes::CallHungUp) << "ended";
}

void TestCallScreens::mainScreenFollowsCallStates()
{
    QFETCH(int, iStart);
    QFETCH(int, iEnd);
    QFETCH(QString, strAlert);
    const QHash<const char *, const char *> texts{{"textPeerRefused", "refused"},
                                                  {"textPeerBusy", "busy"},
                                                  {"textPeerOffline", "offline"},
                                                  {"textCallEnded", "ended"},
                                                  {"textUnknownContact", "unknown"}};
    for (auto it = texts.cbegin(); it != texts.cend(); ++it)
        m_pResource->setProperty(it.key(), QString::fromLatin1(it.value()));
    m_pFx->core.callPeers.insert(QStringLiteral("1000002"),
                                 QStringLiteral("<b>Li</b>:13800138001"));
    m_pFx->core.iUnReadCalls = 4;
    QQuickItem *main = showMain();
    QVERIFY(main);
    QObject *loader = child<QObject>(main, "callLoader");
    QVERIFY(loader);
    // The number dialled (or typed while a call rings) is gone once the call ends.
    QObject *dialpad = child<QObject>(main, "dialpad");
    QVERIFY(dialpad);
    dialpad->setProperty("phoneNum", QStringLiteral("1000002"));

    emit m_pFx->core.sig_updateCall(iStart, QStringLiteral("1000002"));
    QCOMPARE(loader->property("source").toUrl().fileName(), QStringLiteral("CallInterface.qml"));
    const bool bIncoming = iStart == Codes::CallOffered;
    QCOMPARE(main->property("bComingCall").toBool(), bIncoming);
    QCOMPARE(main->property("iCallState").toInt(),
             int(bIncoming ? Codes::PhaseRinging : Codes::PhaseCalling));
    if (bIncoming) {
        QCOMPARE(main->property("call_strName").toString(), QStringLiteral("<b>Li</b>"));
        QCOMPARE(main->property("call_strPhone").toString(), QStringLiteral("13800138001"));
    }

    // Away from the call tab the missed count is core's count of unseen calls.
    QObject *tabs = child<QObject>(main, "tabs");
    QVERIFY(tabs);
    tabs->setProperty("current", 3);
    m_pFx->core.calls.clear();
    emit m_pFx->core.sig_updateCall(iEnd, QStringLiteral("1000002"));
    QCOMPARE(m_pFx->root.alerts.value(m_pFx->root.alerts.size() - 1), strAlert);
    QTRY_VERIFY(loader->property("source").toUrl().isEmpty());
    QCOMPARE(dialpad->property("phoneNum").toString(), QString());
    QCOMPARE(main->property("iMissed").toInt(), 4);
    // The record itself is core's: the screen writes none.
    for (const QString &strCall : std::as_const(m_pFx->core.calls))
        QVERIFY2(!strCall.startsWith(QLatin1String("addCallRecord")), qPrintable(strCall));
}

QTEST_MAIN(TestCallScreens)
#include "tst_callscreens.moc"
