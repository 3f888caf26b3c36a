// The more tab's settings, skin, feedback and password change with the real screens and the
// real Core, signed in to the real zephond on loopback: the switches act on the window and
// the desktop session at once and reach the settings file when the user signs out, the skin
// switch changes the window, feedback reaches the assistant and its answer shows in the
// conversation, and after a password change the next sign-in needs the new password, which
// the remembered account now holds.
#include <QFile>
#include <QQmlContext>
#include <QQuickItem>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>

#include "codes.h"
#include "core.h"
#include "csessionstate.h"
#include "csetting.h"
#include "nativequickwidgets.h"
#include "qmlapplicationviewer.h"
#include "qmlcodes.h"
#include "qmlfixture.h"
#include "realscreens.h"
#include "screenfixture.h"
#include "zephondprocess.h"

namespace {

const QString kAccount = QStringLiteral("1000001");
const QString kPassword = QStringLiteral("demo1234");
const QString kNewPassword = QStringLiteral("n3w \"pass\" 密码");

QString screenName(QObject *pScreen)
{
    return pScreen ? QString::fromLatin1(pScreen->metaObject()->className()) : QString();
}

} // namespace

class TestSettingsService : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void cleanup();
    void switchesTakeEffect();
    void skinSwitchChangesTheWindow();
    void feedbackIsAnsweredByTheAssistant();
    void passwordChangeNeedsTheNewPasswordNext();

private:
    QObject *root() const { return m_screens.view()->rootObject(); }
    // The screen the root shows (sign-in or main).
    QQuickItem *shown() const;
    // Opens entry `index` of the more tab and returns the screen it loaded.
    QQuickItem *openMore(int index);
    // Signs in and waits for the result; the login state reported.
    int signIn(const QString &strPassword);

    QTemporaryDir m_dir;
    ZephondProcess m_service;
    RealScreens m_screens;
};

void TestSettingsService::initTestCase()
{
    registerNativeQuickWidgets();
    registerQmlCodes();
    QVERIFY(m_dir.isValid());
    // A short trial of a session's new datagram address: messages sent while it lasts are
    // re-sent, and the assistant would answer each copy.
    m_service.setExtraArguments({QStringLiteral("--udp-trial"), QStringLiteral("100")});
    QVERIFY2(m_service.start(m_dir.filePath(QStringLiteral("service")),
                             m_dir.filePath(QStringLiteral("packets.log"))),
             qPrintable(m_service.errorText()));
    QVERIFY(RealScreens::enterClientFolder(m_dir.filePath(QStringLiteral("client")),
                                           m_dir.filePath(QStringLiteral("xdg")),
                                           m_service.serverText()));
    CSetting *pSetting = CSetting::instance();
    pSetting->setCallPrompt(true);
    pSetting->setMsgPrompt(true);
    // The service learns the session's datagram address from its first heartbeat.
    sessionState().iHeartMs = 1000;

    m_screens.start();
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(signIn(kPassword), int(Codes::LoginOk));
    QTRY_COMPARE_WITH_TIMEOUT(screenName(shown()).section(u'_', 0, 0),
                              QStringLiteral("MainInterface"), 10000);
    const auto heartbeats = [this] {
        const QList<LoggedPacket> packets = m_service.packetLog();
        return std::count_if(packets.cbegin(), packets.cend(), [](const LoggedPacket &packet) {
            return !packet.bOut && packet.arPacket.startsWith(char(Codes::CmdHeartbeat));
        });
    };
    QTRY_VERIFY_WITH_TIMEOUT(heartbeats() > 1, 15000);
    // The password is remembered, as the sign-in screen does it with its box ticked.
    m_screens.core()->addAccount(kAccount, kPassword);
}

void TestSettingsService::cleanupTestCase()
{
    m_screens.stop();
    sessionState().reset();
    QDir::setCurrent(QDir::tempPath());
    if (m_service.isRunning())
        QCOMPARE(m_service.stop(), 0);
}

void TestSettingsService::cleanup()
{
    // Back to the more tab itself.
    if (QQuickItem *pMain = shown()) {
        if (QObject *pPage = child(pMain, QStringLiteral("morePage")))
            pPage->property("loader").value<QObject *>()->setProperty("source", QUrl());
        if (QObject *pChat = child(pMain, QStringLiteral("chatLoader")))
            pChat->setProperty("source", QUrl());
    }
}

QQuickItem *TestSettingsService::shown() const
{
    QObject *pLoader = root()->property("screen").value<QObject *>();
    return pLoader ? pLoader->property("item").value<QQuickItem *>() : nullptr;
}

QQuickItem *TestSettingsService::openMore(int index)
{
    QQuickItem *pMain = shown();
    if (!pMain)
        return nullptr;
    pMain->findChild<QObject *>(QStringLiteral("tabs"))->setProperty("current", 4);
    QmlFixture::click(child<QQuickItem>(child(pMain, QStringLiteral("moreList")),
                                        QStringLiteral("entry_%1").arg(index)));
    QObject *pPage = child(pMain, QStringLiteral("morePage"));
    return pPage ? ScreenFixture::loaded(pPage->property("loader").value<QObject *>()) : nullptr;
}

int TestSettingsService::signIn(const QString &strPassword)
{
    QSignalSpy state(m_screens.core(), &Core::sig_loginState);
    m_screens.signIn(kAccount, strPassword);
    if (!state.wait(20000))
        return -100;
    return state.at(0).at(0).toInt();
}

void TestSettingsService::switchesTakeEffect()
{
    QQuickItem *pSettings = openMore(2);
    QVERIFY2(screenName(pSettings).startsWith("SystemSettingInterface"),
             qPrintable(screenName(pSettings)));
    QObject *pSwitches = child(pSettings, QStringLiteral("switches"));
    const auto check = [pSwitches](int index) {
        return child<QQuickItem>(child(pSwitches, QStringLiteral("entry_%1").arg(index)),
                                 QStringLiteral("check"));
    };
    QWindow *pWindow = m_screens.view();

    QmlFixture::click(check(1));
    QVERIFY(CSetting::instance()->staysOnTop());
    QVERIFY(pWindow->flags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(pWindow->isVisible());
    QmlFixture::click(check(1));
    QVERIFY(!CSetting::instance()->staysOnTop());
    QVERIFY(!pWindow->flags().testFlag(Qt::WindowStaysOnTopHint));

    const QString strEntry = Core::autoStartupEntryPath();
    QVERIFY(strEntry.startsWith(m_dir.path()));
    QVERIFY(!QFile::exists(strEntry));
    QmlFixture::click(check(0));
    QVERIFY(CSetting::instance()->autoStartup());
    QFile entry(strEntry);
    QVERIFY(entry.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(entry.readAll()),
             Core::autoStartupEntry(QCoreApplication::applicationFilePath(), QDir::currentPath()));
    entry.close();
    QmlFixture::click(check(0));
    QVERIFY(!CSetting::instance()->autoStartup());
    QVERIFY(!QFile::exists(strEntry));

    // The message sound goes off; the settings file says so once the user signs out (the
    // password change below).
    QmlFixture::click(check(3));
    QVERIFY(!CSetting::instance()->msgPrompt());
}

void TestSettingsService::skinSwitchChangesTheWindow()
{
    QWindow *pWindow = m_screens.view();
    QCOMPARE(root()->property("skin").toInt(), 1);
    openMore(3);
    QCOMPARE(root()->property("skin").toInt(), 0);
    QVERIFY(!pWindow->flags().testFlag(Qt::FramelessWindowHint));
    QVERIFY(pWindow->flags().testFlag(Qt::WindowTitleHint));
    QTRY_COMPARE(pWindow->size(), QSize(280, 510));
    openMore(3);
    QCOMPARE(root()->property("skin").toInt(), 1);
    QVERIFY(pWindow->flags().testFlag(Qt::FramelessWindowHint));
    QTRY_COMPARE(pWindow->size(), QSize(302, 660));
}

void TestSettingsService::feedbackIsAnsweredByTheAssistant()
{
    QQuickItem *pFeedback = openMore(4);
    QVERIFY2(screenName(pFeedback).startsWith("FeedbackInterface"),
             qPrintable(screenName(pFeedback)));
    child(pFeedback, QStringLiteral("feedbackInput"))
        ->setProperty("text", QStringLiteral("设置页很好用"));
    QmlFixture::click(child<QQuickItem>(pFeedback, QStringLiteral("btnRight")));

    QQuickItem *pChat = ScreenFixture::loaded(child(shown(), QStringLiteral("chatLoader")));
    QVERIFY2(screenName(pChat).startsWith("MessageInterface"), qPrintable(screenName(pChat)));
    const auto rows = [this] {
        QStringList list;
        const auto objects = m_screens.view()
                                 ->rootContext()
                                 ->contextProperty(QStringLiteral("messageModel"))
                                 .value<QList<QObject *>>();
        for (QObject *pRow : objects) {
            if (!pRow->property("bSeparator").toBool())
                list << (pRow->property("bSend").toBool() ? "> " : "< ") +
                            pRow->property("strContent").toString();
        }
        return list;
    };
    const QStringList expected{QStringLiteral("> 设置页很好用"),
                               QStringLiteral("< 你好，我是助手。消息已收到。")};
    QTRY_VERIFY2_WITH_TIMEOUT(rows() == expected, qPrintable(rows().join(" | ")), 15000);
    QObject *pList = child(pChat, QStringLiteral("messageList"));
    QVERIFY(pList);
    QTRY_VERIFY(pList->property("count").toInt() >= 2);
}

void TestSettingsService::passwordChangeNeedsTheNewPasswordNext()
{
    QQuickItem *pSettings = openMore(2);
    QVERIFY(pSettings);
    QmlFixture::click(
        child<QQuickItem>(child(pSettings, QStringLiteral("passwordEntry")), "entry_0"));
    QQuickItem *pScreen = ScreenFixture::loaded(pSettings->property("stack").value<QObject *>());
    QVERIFY2(screenName(pScreen).startsWith("ChangePasswordInterface"),
             qPrintable(screenName(pScreen)));
    QSignalSpy answered(m_screens.core(), &Core::sig_changePassword);
    child(pScreen, QStringLiteral("oldInput"))->setProperty("text", kPassword);
    child(pScreen, QStringLiteral("newInput"))->setProperty("text", kNewPassword);
    child(pScreen, QStringLiteral("confirmInput"))->setProperty("text", kNewPassword);
    QmlFixture::click(child<QQuickItem>(pScreen, QStringLiteral("btnSubmit")));
    QTRY_COMPARE_WITH_TIMEOUT(answered.size(), 1, 20000);
    QCOMPARE(answered.at(0).at(0).toInt(), 0);
    QCOMPARE(answered.at(0).at(2).toInt(), int(Codes::ReplyOk));

    // Signed out, back at the sign-in screen; the settings reached the file.
    QTRY_VERIFY(screenName(shown()).startsWith("LoginInterface"));
    QCOMPARE(m_screens.core()->getPassword(kAccount), kNewPassword);
    QFile config(QStringLiteral("config"));
    QVERIFY(config.open(QIODevice::ReadOnly));
    QCOMPARE(config.readAll(), QByteArray("0\n0\n1\n0\n0\n"));

    QCOMPARE(signIn(kPassword), int(Codes::LoginWrongPassword));
    QCOMPARE(signIn(kNewPassword), int(Codes::LoginOk));
}

QTEST_MAIN(TestSettingsService)
#include "tst_settingsservice.moc"
