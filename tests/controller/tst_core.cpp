// Core's lifecycle without the network: list publication, login and network state reports,
// logout, and the window and tray operations on a real (offscreen) window.
#include <QApplication>
#include <QQmlComponent>
#include <QQmlContext>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>

#include "core.h"
#include "corefixture.h"
#include "csessionstate.h"
#include "csetting.h"
#include "facemodel.h"

class TestCore : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void publishesEveryListEmpty();
    void publishedListRebindsView();
    void loginState_data();
    void loginState();
    void netStateReportsAndGoesOffline();
    void lossStartsReloginOnce_data();
    void lossStartsReloginOnce();
    void logoutSavesSettings();
    void windowOperationsWithoutWindow();
    void centerWindowPutsLeftEdgeInTheMiddle();
    void minimizeAndRestoreFollowTray();
    void skinnedFlagsReplaceStaysOnTop();
    void autoStartupEntryFollowsSetting();
    void updateCheckFollowsSetting();

private:
    QTemporaryDir m_dir;
    CoreFixture m_fx;
};

void TestCore::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY(CoreFixture::enterFolder(m_dir.path()));
    CSetting::instance()->setAutoStartup(false);
}

void TestCore::init()
{
    CoreFixture::resetGlobals();
}

void TestCore::cleanup()
{
    m_fx.stop();
}

void TestCore::publishesEveryListEmpty()
{
    m_fx.start();

    const char *arNames[] = {"contactModel",      "searchcontactModel", "msgrecordModel",
                             "messageModel",      "cardsysmsgModel",    "circlesysmsgModel",
                             "callrecordModel",   "callModel",          "circleModel",
                             "circlememberModel", "searchuserModel",    "searchcircleModel",
                             "selectModel",       "netcontactModel",    "mayknowModel",
                             "masscontactModel",  "orginfoModel",       "empinfoModel"};
    for (const char *pName : arNames) {
        const QVariant value = m_fx.context()->contextProperty(QLatin1String(pName));
        QVERIFY2(value.isValid(), pName);
        QVERIFY2(value.canConvert<QList<QObject *>>(), pName);
        QVERIFY2(value.value<QList<QObject *>>().isEmpty(), pName);
    }
    // The emoticon table is there from the start, for the picker.
    QCOMPARE(m_fx.context()
                 ->contextProperty(QStringLiteral("faceModel"))
                 .value<QList<QObject *>>()
                 .size(),
             78);
    QCOMPARE(m_fx.context()->contextProperty(QStringLiteral("setting")).value<QObject *>(),
             CSetting::instance());
}

void TestCore::publishedListRebindsView()
{
    m_fx.start();

    QQmlComponent component(m_fx.engine());
    component.setData("import QtQuick\n"
                      "ListView { width: 100; height: 400; model: selectModel;\n"
                      "  delegate: Text { height: 10; text: modelData.strName } }",
                      QUrl());
    std::unique_ptr<QObject> pView(component.create());
    QVERIFY2(pView, qPrintable(component.errorString()));
    QCOMPARE(pView->property("count").toInt(), 0);

    // Publishing a list under the same name is how a list is refreshed.
    FaceModel first(QStringLiteral("1"), QStringLiteral("smile"), QStringLiteral("^wx^"));
    FaceModel second(QStringLiteral("2"), QStringLiteral("wink"), QStringLiteral("^zy^"));
    m_fx.context()->setContextProperty(QStringLiteral("selectModel"),
                                       QVariant::fromValue(QList<QObject *>{&first, &second}));
    QTRY_COMPARE(pView->property("count").toInt(), 2);
    m_fx.context()->setContextProperty(QStringLiteral("selectModel"),
                                       QVariant::fromValue(QList<QObject *>()));
    QTRY_COMPARE(pView->property("count").toInt(), 0);
}

void TestCore::loginState_data()
{
    QTest::addColumn<int>("iState");
    QTest::addColumn<bool>("bStart");
    QTest::addColumn<bool>("bOnline");
    QTest::addColumn<bool>("bReported");
    QTest::newRow("0 signed in") << 0 << false << true << true;
    QTest::newRow("1 unknown account") << 1 << false << false << true;
    QTest::newRow("2 wrong password") << 2 << false << false << true;
    QTest::newRow("5 attempt started") << 5 << true << false << false;
}

void TestCore::loginState()
{
    QFETCH(int, iState);
    QFETCH(bool, bStart);
    QFETCH(bool, bOnline);
    QFETCH(bool, bReported);

    Core core;
    QList<QString> events;
    connect(&core, &Core::sig_changeState, this, [&events](bool start, bool online) {
        events << QStringLiteral("changeState %1 %2").arg(start).arg(online);
    });
    connect(&core, &Core::sig_loginState, this,
            [&events](int i, QString a, QString b, QString c, QString d) {
                events << QStringLiteral("loginState %1 %2 %3 %4 %5").arg(i).arg(a, b, c, d);
            });
    core.slot_onLoginState(iState, QStringLiteral("13800000000"), QStringLiteral("pw"),
                           QStringLiteral("1234567"), QStringLiteral("13800000000"));

    QList<QString> expected{QStringLiteral("changeState %1 %2").arg(bStart).arg(bOnline)};
    if (bReported)
        expected << QStringLiteral("loginState %1 13800000000 pw 1234567 13800000000").arg(iState);
    QCOMPARE(events, expected);
}

void TestCore::netStateReportsAndGoesOffline()
{
    Core core;
    QSignalSpy netSpy(&core, &Core::sig_netState);
    QSignalSpy stateSpy(&core, &Core::sig_changeState);
    core.slot_onNetState(-1);
    QCOMPARE(netSpy.count(), 1);
    QCOMPARE(netSpy.at(0).at(0).value<QVariant>().toInt(), -1);
    QCOMPARE(stateSpy.count(), 1);
    QCOMPARE(stateSpy.at(0).at(0).toBool(), false);
    QCOMPARE(stateSpy.at(0).at(1).toBool(), false);
}

void TestCore::lossStartsReloginOnce_data()
{
    QTest::addColumn<int>("iState");
    QTest::addColumn<bool>("bLoggedIn");
    QTest::addColumn<bool>("bRelogin");
    QTest::newRow("network error while signed in") << -1 << true << true;
    QTest::newRow("heartbeats lost while signed in") << 2 << true << true;
    QTest::newRow("server timeout") << 1 << true << false;
    QTest::newRow("network error before signing in") << -1 << false << false;
}

void TestCore::lossStartsReloginOnce()
{
    QFETCH(int, iState);
    QFETCH(bool, bLoggedIn);
    QFETCH(bool, bRelogin);

    CSessionState &session = sessionState();
    session.reset();
    session.bHasLoggedIn = bLoggedIn;
    session.bSuppressDisconnect = true;
    session.pTimerLogin->start(20000);
    session.pTimerHeart->start(10000);
    Core core;
    core.slot_onNetState(iState);
    QCOMPARE(session.pTimerReLogin->isActive(), bRelogin);
    if (iState == 1) {
        QVERIFY(session.pTimerLogin->isActive());
        session.reset();
        return;
    }
    QVERIFY(!session.bSuppressDisconnect);
    QVERIFY(!session.pTimerLogin->isActive());
    QVERIFY(!session.pTimerHeart->isActive());
    if (bRelogin) {
        QCOMPARE(session.pTimerReLogin->interval(), 20000);
        // A second report while the timer runs leaves it running from the first one.
        QTest::qWait(30);
        const int iRemaining = session.pTimerReLogin->remainingTime();
        core.slot_onNetState(-1);
        QVERIFY(session.pTimerReLogin->remainingTime() <= iRemaining);
    }
    session.reset();
}

void TestCore::logoutSavesSettings()
{
    QFile::remove(QStringLiteral("config"));
    Core core;
    QSignalSpy stateSpy(&core, &Core::sig_changeState);
    core.logout();
    QFile config(QStringLiteral("config"));
    QVERIFY(config.open(QIODevice::ReadOnly));
    QCOMPARE(config.readAll(), QByteArray("0\n0\n1\n1\n1\n"));
    // Not signed in: nothing but the settings.
    QCOMPARE(stateSpy.count(), 0);
}

void TestCore::windowOperationsWithoutWindow()
{
    QLoggingCategory::setFilterRules(QStringLiteral("zephon.Core.warning=true"));
    Core core;
    for (int i = 0; i < 4; ++i)
        QTest::ignoreMessage(QtWarningMsg, "m_pMainWindow is NULL");
    core.centerWindow(0, 0);
    core.minimize();
    core.setStaysOnTop(true);
    core.moveWindow(1, 1);
    QLoggingCategory::setFilterRules(QString());
}

void TestCore::centerWindowPutsLeftEdgeInTheMiddle()
{
    QWindow window;
    window.resize(302, 660);
    Core core;
    core.setMainWindow(&window);
    core.centerWindow(0, 0);
    const QSize desktop = window.screen()->size();
    QCOMPARE(window.position(), QPoint(desktop.width() / 2, int((desktop.height() - 660) * 0.5)));
    core.centerWindow(15, 0);
    QCOMPARE(window.position(), QPoint(15, 0));
}

void TestCore::minimizeAndRestoreFollowTray()
{
    QQuickWindow window;
    window.resize(100, 100);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    m_fx.start();
    Core &core = *m_fx.core();
    core.setMainWindow(&window);

    core.minimize();
    QVERIFY(!window.isVisible());
    core.slot_onActivated(QSystemTrayIcon::Context);
    QVERIFY(!window.isVisible());
    core.slot_onActivated(QSystemTrayIcon::Trigger);
    QVERIFY(window.isVisible());
    core.slot_onMinimize();
    core.slot_onActivated(QSystemTrayIcon::DoubleClick);
    QVERIFY(window.isVisible());
}

void TestCore::skinnedFlagsReplaceStaysOnTop()
{
    QWindow window;
    Core core;
    core.setMainWindow(&window);
    core.setMainWindowSize(302.7, 660.2);
    core.setStaysOnTop(true);
    QVERIFY(window.flags().testFlag(Qt::WindowStaysOnTopHint));
    core.setMainWindowFlag(true);
    QVERIFY(!window.flags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(window.flags().testFlag(Qt::FramelessWindowHint));
    QCOMPARE(window.size(), QSize(302, 660));
    QCOMPARE(window.maximumWidth(), 302);

    core.setMainWindowFlag(false);
    QVERIFY(!window.flags().testFlag(Qt::FramelessWindowHint));
    QVERIFY(window.flags().testFlag(Qt::WindowTitleHint));
    QCOMPARE(window.minimumSize(), QSize(302, 660));
}

void TestCore::autoStartupEntryFollowsSetting()
{
    const QString strEntry = Core::autoStartupEntryPath();
    QVERIFY(strEntry.startsWith(m_dir.path()));
    Core core;
    core.setAutoStartup(true);
    QFile file(strEntry);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray content = file.readAll();
    QVERIFY(content.startsWith("[Desktop Entry]\n"));
    QVERIFY(content.contains(QCoreApplication::applicationFilePath().toUtf8()));
    file.close();
    core.setAutoStartup(false);
    QVERIFY(!QFile::exists(strEntry));
    core.setAutoStartup(false);
    QVERIFY(!QFile::exists(strEntry));
}

// With automatic updates on, a start asks the update host once; with them off, not at all.
void TestCore::updateCheckFollowsSetting()
{
    QTcpServer host;
    QVERIFY(host.listen(QHostAddress::LocalHost));
    int iRequests = 0;
    connect(&host, &QTcpServer::newConnection, &host, [&] {
        while (host.nextPendingConnection())
            ++iRequests;
    });
    const QByteArray arBefore = qgetenv("ZEPHON_UPDATE_URL");
    qputenv("ZEPHON_UPDATE_URL",
            QStringLiteral("http://127.0.0.1:%1").arg(host.serverPort()).toUtf8());
    CSetting *pSetting = CSetting::instance();
    const bool bWas = pSetting->autoUpdate();

    pSetting->setAutoUpdate(false);
    m_fx.start();
    QTest::qWait(500);
    QCOMPARE(iRequests, 0);
    m_fx.stop();

    pSetting->setAutoUpdate(true);
    m_fx.start();
    QTRY_COMPARE(iRequests, 1);
    QTest::qWait(300);
    QCOMPARE(iRequests, 1);
    m_fx.stop();

    pSetting->setAutoUpdate(bWas);
    qputenv("ZEPHON_UPDATE_URL", arBefore);
}

QTEST_MAIN(TestCore)
#include "tst_core.moc"
