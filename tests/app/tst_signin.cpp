// The real root screen with the real Core against the fake service on loopback, built the way
// the entry builds it: signing in from the keyboard, the checks and answers the sign-in
// screen shows, the saved accounts a later start offers, and the main screen's tabs.
#include <QQmlContext>
#include <QQmlEngine>
#include <QQuickItem>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include "cimageprovider.h"
#include "codes.h"
#include "core.h"
#include "csessionstate.h"
#include "csetting.h"
#include "ctranslator.h"
#include "demoaccount.h"
#include "fakeservice.h"
#include "nativequickwidgets.h"
#include "qmlapplicationviewer.h"
#include "qmlcodes.h"
#include "zephonversion.h"

using DemoAccount::kId;
using DemoAccount::kPassword;
using DemoAccount::kPhone;

namespace {

// One start of the client: the view, the context properties and Core, in the entry's order.
struct Client
{
    std::unique_ptr<QmlApplicationViewer> view;
    std::unique_ptr<Core> core;

    ~Client()
    {
        view.reset();
        core.reset();
    }

    QObject *root() const { return view->rootObject(); }
    QObject *loader() const { return root()->property("screen").value<QObject *>(); }
    QQuickItem *screen() const { return loader()->property("item").value<QQuickItem *>(); }
    QString screenName() const { return loader()->property("source").toUrl().fileName(); }
    QQuickItem *loginItem(const char *pName) const
    {
        return screen() ? screen()->property(pName).value<QQuickItem *>() : nullptr;
    }
    QString status() const { return screen()->property("status").toString(); }
};

std::unique_ptr<Client> startClient()
{
    auto client = std::make_unique<Client>();
    client->view = std::make_unique<QmlApplicationViewer>();
    client->core = std::make_unique<Core>();
    QQmlContext *pContext = client->view->rootContext();
    pContext->setContextProperty(QStringLiteral("ctranslator"), CTranslator::instance());
    pContext->setContextProperty(QStringLiteral("core"), client->core.get());
    pContext->setContextProperty(QStringLiteral("version"), QStringLiteral(ZEPHON_VERSION_TEXT));
    client->view->engine()->addImageProvider(QStringLiteral("userpic"), new CImageProvider);
    client->view->setSource(QUrl(QStringLiteral("qrc:/qml/Zephon/main.qml")));
    if (!client->root()) {
        qWarning() << client->view->errors();
        return nullptr;
    }
    client->view->show();
    client->view->requestActivate();
    if (!QTest::qWaitForWindowExposed(client->view.get()))
        return nullptr;
    client->core->setMainWindow(client->view.get());
    client->core->setRootObject(client->root());
    client->core->setRootContext(pContext);
    client->core->initialize();
    return client;
}

void pressKey(Client &client, Qt::Key key)
{
    QTest::keyClick(client.view.get(), key);
}

void typeText(Client &client, const QString &strText)
{
    for (const QChar c : strText)
        QTest::keyClick(client.view.get(), c.toLatin1());
}

void clickItem(QQuickItem *pItem)
{
    const QPointF centre = pItem->mapToScene(QPointF(pItem->width() / 2, pItem->height() / 2));
    QTest::mouseClick(pItem->window(), Qt::LeftButton, Qt::NoModifier, centre.toPoint());
}

} // namespace

class TestSignIn : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void keyboardSignInLoadsMainScreen();
    void typedAccountIsChecked_data();
    void typedAccountIsChecked();
    void refusedSignIn_data();
    void refusedSignIn();
    void networkNotices_data();
    void networkNotices();
    void automaticReloginLeavesScreensAlone();
    void rememberPasswordDecidesWhatIsSaved_data();
    void rememberPasswordDecidesWhatIsSaved();
    void signOutOffersSavedAccounts();
    void tabsRefreshTheirLists_data();
    void tabsRefreshTheirLists();
    void skinChangeResizesTheWindow();

private:
    void fill(Client &client, const QString &strId, const QString &strPassword);
    bool signIn(Client &client);

    FakeService m_fake;
    std::unique_ptr<QTemporaryDir> m_pDir;
    std::unique_ptr<Client> m_pClient;
};

void TestSignIn::initTestCase()
{
    registerNativeQuickWidgets();
    registerQmlCodes();
    QVERIFY(DemoAccount::serve(m_fake));
}

void TestSignIn::init()
{
    // Every case starts in a folder of its own: no saved accounts, no settings.
    m_pDir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_pDir->isValid());
    QVERIFY(QDir::setCurrent(m_pDir->path()));
    qputenv("XDG_CONFIG_HOME", m_pDir->filePath(QStringLiteral("xdg")).toUtf8());
    sessionState().reset();
    m_fake.clearReceived();
    m_pClient = startClient();
    QVERIFY(m_pClient);
    QTRY_VERIFY(m_pClient->root()->property("bInit").toBool());
    QCOMPARE(m_pClient->screenName(), QStringLiteral("LoginInterface.qml"));
}

void TestSignIn::cleanup()
{
    m_pClient.reset();
    sessionState().reset();
    QDir::setCurrent(QDir::tempPath());
    m_pDir.reset();
}

// Fills both fields from the keyboard: the account field has the focus when the screen
// opens and Tab moves to the password.
void TestSignIn::fill(Client &client, const QString &strId, const QString &strPassword)
{
    QQuickItem *pAccount = client.loginItem("accountInput");
    QVERIFY(pAccount);
    QTRY_VERIFY(pAccount->hasActiveFocus());
    pAccount->setProperty("text", QString());
    typeText(client, strId);
    pressKey(client, Qt::Key_Tab);
    QQuickItem *pPassword = client.loginItem("passwordBox");
    QVERIFY(pPassword);
    QVERIFY(pPassword->property("input").value<QQuickItem *>()->hasActiveFocus());
    pPassword->setProperty("text", QString());
    typeText(client, strPassword);
}

bool TestSignIn::signIn(Client &client)
{
    fill(client, QString::fromLatin1(kId), QString::fromLatin1(kPassword));
    pressKey(client, Qt::Key_Return);
    return QTest::qWaitFor([&client] { return client.screenName() == "MainInterface.qml"; }, 10000);
}

void TestSignIn::keyboardSignInLoadsMainScreen()
{
    Client &client = *m_pClient;
    QVERIFY(signIn(client));
    QTRY_VERIFY(client.screen());
    QCOMPARE(client.root()->property("currentSource").toInt(), 2);
    QCOMPARE(client.root()->property("strSelfZpid").toString(), QString::fromLatin1(kId));
    QCOMPARE(client.root()->property("strSelfPhone").toString(), QString::fromLatin1(kPhone));
    QCOMPARE(client.root()->property("strLoginPassword").toString(),
             QString::fromLatin1(kPassword));
    QCOMPARE(m_fake.packets(Codes::CmdLogin, FakeService::Sub).size(), 1);
    // The five tabs with their titles, the call tab first.
    QObject *pTabs = client.screen()->property("tabs").value<QObject *>();
    QVERIFY(pTabs);
    QStringList titles;
    for (const QVariant &page : pTabs->property("pageList").toList())
        titles << page.value<QObject *>()->property("title").toString();
    QCOMPARE(titles, (QStringList{"通话", "通讯录", "社交圈", "消息", "更多"}));
    QCOMPARE(pTabs->property("current").toInt(), 0);
}

void TestSignIn::typedAccountIsChecked_data()
{
    QTest::addColumn<QString>("strId");
    QTest::addColumn<QString>("strPassword");
    QTest::addColumn<QString>("strNotice");
    QTest::newRow("empty account") << "" << kPassword << "帐号不能为空";
    QTest::newRow("blank account") << "   " << kPassword << "帐号不能为空";
    QTest::newRow("empty password") << kId << ""
                                    << "密码不能为空";
    QTest::newRow("six digits") << "123456" << kPassword << "帐号格式不正确";
    QTest::newRow("not a number") << "abcdefg" << kPassword << "帐号格式不正确";
    QTest::newRow("zero-led id") << "0000000" << kPassword << "帐号格式不正确";
}

void TestSignIn::typedAccountIsChecked()
{
    QFETCH(QString, strId);
    QFETCH(QString, strPassword);
    QFETCH(QString, strNotice);
    Client &client = *m_pClient;
    fill(client, strId, strPassword);
    pressKey(client, Qt::Key_Return);
    QCOMPARE(client.status(), strNotice);
    QVERIFY(!client.screen()->property("busy").toBool());
    QVERIFY(client.loginItem("loginButton")->isEnabled());
    // Nothing was asked of the service.
    QTest::qWait(100);
    QVERIFY(m_fake.packets(Codes::CmdSubServer, FakeService::Main).isEmpty());
    QVERIFY(m_fake.packets(Codes::CmdLogin, FakeService::Sub).isEmpty());
}

void TestSignIn::refusedSignIn_data()
{
    QTest::addColumn<QString>("strId");
    QTest::addColumn<QString>("strPassword");
    QTest::addColumn<QString>("strNotice");
    QTest::newRow("unknown account") << "1777777" << kPassword << "帐号不存在";
    QTest::newRow("wrong password") << kId << "guess"
                                    << "密码不对";
}

void TestSignIn::refusedSignIn()
{
    QFETCH(QString, strId);
    QFETCH(QString, strPassword);
    QFETCH(QString, strNotice);
    Client &client = *m_pClient;
    fill(client, strId, strPassword);
    // The button, not only the keyboard, signs in; it is disabled while the request runs.
    clickItem(client.loginItem("loginButton"));
    QVERIFY2(client.screen()->property("busy").toBool(), qPrintable(client.status()));
    QVERIFY(!client.loginItem("loginButton")->isEnabled());
    QTRY_COMPARE(client.status(), strNotice);
    QVERIFY(!client.screen()->property("busy").toBool());
    QVERIFY(client.loginItem("loginButton")->isEnabled());
    QCOMPARE(client.screenName(), QStringLiteral("LoginInterface.qml"));
    QVERIFY(client.core->getAccount().toStringList().isEmpty());
}

void TestSignIn::networkNotices_data()
{
    QTest::addColumn<int>("iState");
    QTest::addColumn<QString>("strNotice");
    QTest::newRow("network error") << -1 << "网络错误，请检查网络";
    QTest::newRow("server timeout") << 1 << "服务器响应超时，请重试";
}

void TestSignIn::networkNotices()
{
    QFETCH(int, iState);
    QFETCH(QString, strNotice);
    Client &client = *m_pClient;

    // On the sign-in screen the notice goes to its status line and ends a running request.
    client.screen()->setProperty("busy", true);
    client.core->slot_onNetState(iState);
    QCOMPARE(client.status(), strNotice);
    QVERIFY(!client.screen()->property("busy").toBool());
    QObject *pAlert = client.root()->property("alert").value<QObject *>();
    QVERIFY(!pAlert->property("visible").toBool());

    // On the main screen the root shows it.
    QVERIFY(signIn(client));
    client.core->slot_onNetState(iState);
    QVERIFY(pAlert->property("visible").toBool());
    QCOMPARE(pAlert->property("text").toString(), strNotice);
}

void TestSignIn::automaticReloginLeavesScreensAlone()
{
    Client &client = *m_pClient;
    client.core->slot_onLoginState(0, QString(), QString(), QString(), QString());
    QCOMPARE(client.screenName(), QStringLiteral("LoginInterface.qml"));
    QCOMPARE(client.root()->property("currentSource").toInt(), 1);

    QVERIFY(signIn(client));
    client.core->slot_onLoginState(0, QString(), QString(), QString(), QString());
    QTest::qWait(50);
    QCOMPARE(client.screenName(), QStringLiteral("MainInterface.qml"));
    QCOMPARE(client.root()->property("strSelfZpid").toString(), QString::fromLatin1(kId));
    QCOMPARE(client.root()->property("strLoginPassword").toString(),
             QString::fromLatin1(kPassword));
}

void TestSignIn::rememberPasswordDecidesWhatIsSaved_data()
{
    QTest::addColumn<bool>("bRemember");
    QTest::newRow("remembered") << true;
    QTest::newRow("not remembered") << false;
}

void TestSignIn::rememberPasswordDecidesWhatIsSaved()
{
    QFETCH(bool, bRemember);
    {
        Client &client = *m_pClient;
        QQuickItem *pRemember = client.loginItem("rememberBox");
        QVERIFY(!pRemember->property("checked").toBool());
        if (bRemember)
            clickItem(pRemember);
        QCOMPARE(pRemember->property("checked").toBool(), bRemember);
        QVERIFY(signIn(client));
        QCOMPARE(client.core->getPassword(QString::fromLatin1(kId)),
                 bRemember ? QString::fromLatin1(kPassword) : QString());
    }

    // The next start offers the account, with its password when it was remembered.
    m_pClient.reset();
    sessionState().reset();
    m_pClient = startClient();
    QVERIFY(m_pClient);
    Client &next = *m_pClient;
    QTRY_VERIFY(next.root()->property("bInit").toBool());
    QObject *pAccount = next.loginItem("accountBox");
    QCOMPARE(pAccount->property("items").toStringList(), QStringList{kId});
    QCOMPARE(pAccount->property("selectedItem").toString(), QString::fromLatin1(kId));
    QCOMPARE(next.loginItem("passwordBox")->property("text").toString(),
             bRemember ? QString::fromLatin1(kPassword) : QString());
    QCOMPARE(next.loginItem("rememberBox")->property("checked").toBool(), bRemember);
    QVERIFY(next.loginItem("accountInput")->hasActiveFocus());
    if (bRemember) {
        // Nothing to type: Return alone signs in.
        pressKey(next, Qt::Key_Return);
        QTRY_COMPARE_WITH_TIMEOUT(next.screenName(), QStringLiteral("MainInterface.qml"), 10000);
    }
}

void TestSignIn::signOutOffersSavedAccounts()
{
    Client &client = *m_pClient;
    clickItem(client.loginItem("rememberBox"));
    QVERIFY(signIn(client));
    QTRY_VERIFY(client.screen());
    QVERIFY(QMetaObject::invokeMethod(client.screen(), "signOut"));
    QTRY_COMPARE(client.screenName(), QStringLiteral("LoginInterface.qml"));
    QTRY_VERIFY(client.screen());
    QCOMPARE(client.root()->property("strSelfZpid").toString(), QString());
    QCOMPARE(client.root()->property("strLoginPassword").toString(), QString());
    QVERIFY(!sessionState().bHasLoggedIn);
    QTRY_COMPARE(m_fake.packets(Codes::CmdLogout, FakeService::Udp).size(), 3);
    QCOMPARE(client.loginItem("accountBox")->property("selectedItem").toString(),
             QString::fromLatin1(kId));
    QCOMPARE(client.loginItem("passwordBox")->property("text").toString(),
             QString::fromLatin1(kPassword));
    QTRY_VERIFY(client.loginItem("accountInput")->hasActiveFocus());

    // Signing in again loads a fresh main screen.
    pressKey(client, Qt::Key_Return);
    QTRY_COMPARE_WITH_TIMEOUT(client.screenName(), QStringLiteral("MainInterface.qml"), 10000);
    QCOMPARE(client.root()->property("currentSource").toInt(), 2);
}

void TestSignIn::tabsRefreshTheirLists_data()
{
    QTest::addColumn<int>("iTab");
    QTest::addColumn<QByteArray>("signal");
    QTest::addColumn<QByteArray>("counter");
    QTest::newRow("contacts") << 1 << QByteArray(SIGNAL(getContact(bool, QString))) << QByteArray();
    QTest::newRow("circles") << 2 << QByteArray(SIGNAL(getCircle())) << QByteArray();
    QTest::newRow("messages") << 3 << QByteArray() << QByteArray("iUnRead");
    QTest::newRow("calls") << 0 << QByteArray() << QByteArray("iMissed");
}

void TestSignIn::tabsRefreshTheirLists()
{
    QFETCH(int, iTab);
    QFETCH(QByteArray, signal);
    QFETCH(QByteArray, counter);
    Client &client = *m_pClient;
    QVERIFY(signIn(client));
    QTRY_VERIFY(client.screen());
    QQuickItem *pMain = client.screen();
    QObject *pTabs = pMain->property("tabs").value<QObject *>();
    // Start from another tab so that choosing iTab is a change.
    pTabs->setProperty("current", iTab == 4 ? 0 : 4);
    if (!counter.isEmpty())
        pMain->setProperty(counter.constData(), 3);
    std::unique_ptr<QSignalSpy> pSpy;
    if (!signal.isEmpty())
        pSpy = std::make_unique<QSignalSpy>(client.root(), signal.constData());

    // Choose the tab through its header button, as the user does.
    QQuickItem *pHeader = pTabs->property("headerRow").value<QQuickItem *>();
    QQuickItem *pButton = nullptr;
    for (QQuickItem *pChild : pHeader->childItems())
        if (pChild->property("index").isValid() && pChild->property("index").toInt() == iTab)
            pButton = pChild;
    QVERIFY(pButton);
    clickItem(pButton);
    QCOMPARE(pTabs->property("current").toInt(), iTab);
    if (pSpy) {
        QCOMPARE(pSpy->size(), 1);
        if (iTab == 1)
            QCOMPARE(pSpy->first(), (QList<QVariant>{true, QString()}));
    }
    if (!counter.isEmpty())
        QCOMPARE(pMain->property(counter.constData()).toInt(), 0);
}

void TestSignIn::skinChangeResizesTheWindow()
{
    Client &client = *m_pClient;
    QVERIFY(signIn(client));
    QTRY_VERIFY(client.screen());
    QObject *pRoot = client.root();
    QVERIFY(QMetaObject::invokeMethod(pRoot, "changeSkin"));
    QCOMPARE(pRoot->property("skin").toInt(), 0);
    QCOMPARE(pRoot->property("flag").toBool(), false);
    QTRY_COMPARE(client.view->size(), QSize(280, 510));
    QVERIFY(!(client.view->flags() & Qt::FramelessWindowHint));

    QVERIFY(QMetaObject::invokeMethod(pRoot, "changeSkin"));
    QCOMPARE(pRoot->property("skin").toInt(), 1);
    QTRY_COMPARE(client.view->size(), QSize(302, 660));
    QVERIFY(client.view->flags() & Qt::FramelessWindowHint);
    // The screen in the inner window is untouched by the change.
    QCOMPARE(client.screenName(), QStringLiteral("MainInterface.qml"));
}

QTEST_MAIN(TestSignIn)
#include "tst_signin.moc"
