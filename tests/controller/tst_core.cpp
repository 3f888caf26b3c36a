// Core's lifecycle without the network: list publication, login and network state reports,
// logout, and the window and tray operations on a real (offscreen) window.
#include <QApplication>
#include <QProcess>
#include <QQmlComponent>
#include <QQmlContext>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSignalSpy>
#include <QStandardPaths>
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
    void autoStartupEntryFollowsSetting_data();
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

// Folder names with what the desktop entry format and the quoting of its Exec value reserve.
// The desktop session's own reader (GLib, through gio) launches the entry: the program in the
// folder must run, in the folder. GLib does not find a program whose Exec value holds a
// doubled percent sign, though the format asks for it; such a folder is only the working
// folder of a program elsewhere, and the percent sign's escape is checked as text.
void TestCore::autoStartupEntryFollowsSetting_data()
{
    QTest::addColumn<QString>("folder");
    QTest::newRow("plain") << "zephon";
    QTest::newRow("space") << "my apps";
    QTest::newRow("leading space") << " lead";
    QTest::newRow("double quote") << "say \"hi\"";
    QTest::newRow("single quote") << "it's";
    QTest::newRow("backslash") << "back\\slash\\";
    QTest::newRow("dollar") << "$HOME and ${PATH}";
    QTest::newRow("backquote") << "`id`";
    QTest::newRow("percent") << "100% %f %%u";
    QTest::newRow("all at once") << "a b\"c'd\\e$f`g%h;i&j|k*";
}

void TestCore::autoStartupEntryFollowsSetting()
{
    QFETCH(QString, folder);
    const QString strGio = QStandardPaths::findExecutable(QStringLiteral("gio"));
    QVERIFY2(!strGio.isEmpty(), "gio (libglib2.0-bin) is needed to read the entry back");
    QTemporaryDir base;
    QVERIFY(base.isValid());
    const QString strFolder = base.filePath(folder);
    QVERIFY(QDir().mkpath(strFolder));
    const bool bPercent = folder.contains(u'%');
    const QString strProgramFolder = bPercent ? base.filePath(QStringLiteral("bin")) : strFolder;
    QVERIFY(QDir().mkpath(strProgramFolder));
    const QString strOut = base.filePath(QStringLiteral("ran.txt"));
    const QString strProgram = strProgramFolder + QStringLiteral("/start");
    {
        QFile program(strProgram);
        QVERIFY(program.open(QIODevice::WriteOnly));
        program.write("#!/bin/sh\npwd > \"$ZEPHON_AUTOSTART_OUT\"\n");
        program.close();
        QVERIFY(program.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    }

    const QString strEntry = Core::autoStartupEntry(strProgram, strFolder);
    const QString strEntryFile = base.filePath(QStringLiteral("start.desktop"));
    {
        QFile file(strEntryFile);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(strEntry.toUtf8());
    }
    QProcess gio;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("ZEPHON_AUTOSTART_OUT"), strOut);
    gio.setProcessEnvironment(env);
    gio.start(strGio, {QStringLiteral("launch"), strEntryFile});
    QVERIFY(gio.waitForFinished(10000));
    QVERIFY2(gio.exitCode() == 0, gio.readAllStandardError().constData());
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(strOut).size() > 0, 10000);
    QFile out(strOut);
    QVERIFY(out.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(out.readAll()).chopped(1), strFolder);
    if (bPercent) {
        const QString strExec =
            Core::autoStartupEntry(strFolder + QStringLiteral("/start"), {}).section(u'\n', 3, 3);
        // Every percent sign doubled, none left alone to start a field code.
        QVERIFY2(!QString(strExec).remove(QStringLiteral("%%")).contains(u'%') &&
                     strExec.count(u'%') == 2 * folder.count(u'%'),
                 qPrintable(strExec));
    }

    // The entry Core writes is this one, for the program and the working folder; switching
    // auto-start off removes it.
    const QString strWritten = Core::autoStartupEntryPath();
    QVERIFY(strWritten.startsWith(m_dir.path()));
    const QString strBefore = QDir::currentPath();
    QVERIFY(QDir::setCurrent(strFolder));
    Core core;
    core.setAutoStartup(true);
    QVERIFY(QDir::setCurrent(strBefore));
    QFile file(strWritten);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(file.readAll()),
             Core::autoStartupEntry(QCoreApplication::applicationFilePath(), strFolder));
    file.close();
    core.setAutoStartup(false);
    QVERIFY(!QFile::exists(strWritten));
    core.setAutoStartup(false);
    QVERIFY(!QFile::exists(strWritten));
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
