// Signing in through Core as the running client wires it: the root item's login signal,
// the session manager and the packet layer against the fake service on loopback.
#include <QQmlComponent>
#include <QQmlContext>
#include <QQmlEngine>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include "cdatabase.h"
#include "core.h"
#include "csessionstate.h"
#include "fakecipher.h"
#include "fakepacket.h"
#include "fakeservice.h"
#include "zephonversion.h"

namespace {

const char *const kRootQml =
    "import QtQuick\n"
    "Item {\n"
    "  signal login(string strLoginId, string strLoginPassword, int iLoginType)\n"
    "  signal getUserState(string strPhone)\n"
    "  signal getUserPhone(string strZpid)\n"
    "  signal changePassword(int iType, int iSubType, var strPassword)\n"
    "  property int updates: 0\n"
    "  function onUpdateContact() { updates++ }\n"
    "}\n";

} // namespace

class TestCoreLogin : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void loginSucceeds();
    void loginRefused_data();
    void loginRefused();
    void reloginAfterHeartbeatLoss();
    void presenceAndPhoneReplies();
    void logoutTellsServiceAndForgetsSession();

private:
    void signIn(const QString &strId, const QString &strPassword);

    QTemporaryDir m_dir;
    FakeService m_fake;
    std::unique_ptr<QQmlEngine> m_pEngine;
    std::unique_ptr<QObject> m_pRoot;
    std::unique_ptr<Core> m_pCore;
};

void TestCoreLogin::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY(QDir::setCurrent(m_dir.path()));
    qputenv("XDG_CONFIG_HOME", m_dir.filePath(QStringLiteral("xdg")).toUtf8());
    QVERIFY(m_fake.start());
    qputenv("ZEPHON_SERVER", m_fake.serverText().toUtf8());

    FakeService::Account account;
    account.iZpid = 1234567;
    account.strLoginId = QStringLiteral("1234567");
    account.strPassword = QStringLiteral("secret");
    account.strPhone = QStringLiteral("13800000000");
    account.strOnline = QStringLiteral("A");
    account.strOffline = QStringLiteral("B");
    account.phones.insert(7654321, QStringLiteral("13900000001"));
    m_fake.serveAccount(account);
}

void TestCoreLogin::init()
{
    sessionState().reset();
    m_fake.clearReceived();
    m_fake.account().bAnswerHeart = true;

    m_pEngine = std::make_unique<QQmlEngine>();
    QQmlComponent component(m_pEngine.get());
    component.setData(kRootQml, QUrl());
    m_pRoot.reset(component.create());
    QVERIFY2(m_pRoot, qPrintable(component.errorString()));

    m_pCore = std::make_unique<Core>();
    m_pCore->setRootObject(m_pRoot.get());
    m_pCore->setRootContext(m_pEngine->rootContext());
    m_pCore->initialize();
}

void TestCoreLogin::cleanup()
{
    m_pCore.reset();
    m_pRoot.reset();
    m_pEngine.reset();
    sessionState().reset();
}

void TestCoreLogin::signIn(const QString &strId, const QString &strPassword)
{
    QVERIFY(QMetaObject::invokeMethod(m_pRoot.get(), "login", Q_ARG(QString, strId),
                                      Q_ARG(QString, strPassword), Q_ARG(int, 0)));
}

void TestCoreLogin::loginSucceeds()
{
    QList<QString> events;
    connect(m_pCore.get(), &Core::sig_changeState, this, [&events](bool start, bool online) {
        events << QStringLiteral("changeState %1 %2").arg(start).arg(online);
    });
    QSignalSpy login(m_pCore.get(), &Core::sig_loginState);

    signIn(QStringLiteral("1234567"), QStringLiteral("secret"));
    QTRY_COMPARE(login.size(), 1);
    QCOMPARE(login.first(), (QList<QVariant>{0, "1234567", "secret", "1234567", "13800000000"}));
    QCOMPARE(events, (QList<QString>{"changeState 1 0", "changeState 0 1"}));

    // The login request on the wire: code, version, type, zpid, then the enciphered password,
    // which the service reads with its own cipher.
    const QByteArray ar39 = m_fake.packets(39, FakeService::Sub).value(0);
    const QByteArray arVersion(ZEPHON_VERSION_TEXT);
    const QByteArray arHead = QByteArray::fromHex("2704") + char(arVersion.size()) + arVersion +
                              QByteArray(1, '\0') + QByteArray::fromHex("87d61200");
    QCOMPARE(ar39.left(arHead.size()).toHex(' '), arHead.toHex(' '));
    const int nPassword = quint8(ar39.at(arHead.size()));
    QCOMPARE(fakeDecryptText(ar39.mid(arHead.size() + 1, nPassword)), QStringLiteral("secret"));

    QTRY_COMPARE(m_fake.packets(3, FakeService::Udp).size(), 3);
}

void TestCoreLogin::loginRefused_data()
{
    QTest::addColumn<QString>("strId");
    QTest::addColumn<QString>("strPassword");
    QTest::addColumn<int>("iResult");
    QTest::newRow("unknown account") << "7777777"
                                     << "secret" << 1;
    QTest::newRow("wrong password") << "1234567"
                                    << "guess" << 2;
}

void TestCoreLogin::loginRefused()
{
    QFETCH(QString, strId);
    QFETCH(QString, strPassword);
    QFETCH(int, iResult);

    QSignalSpy login(m_pCore.get(), &Core::sig_loginState);
    QSignalSpy state(m_pCore.get(), &Core::sig_changeState);
    signIn(strId, strPassword);
    QTRY_COMPARE(login.size(), 1);
    QCOMPARE(login.first(), (QList<QVariant>{iResult, strId, strPassword, "", ""}));
    QCOMPARE(state.size(), 2);
    QCOMPARE(state.last(), (QList<QVariant>{false, false}));
    QVERIFY(!sessionState().bHasLoggedIn);
    QTest::qWait(100);
    QCOMPARE(login.size(), 1);
    QVERIFY(m_fake.packets(3, FakeService::Udp).isEmpty());
}

void TestCoreLogin::reloginAfterHeartbeatLoss()
{
    CSessionState &session = sessionState();
    session.iHeartMs = 400;
    session.iResendMs = 20;
    session.iReLoginMs = 40;
    QSignalSpy login(m_pCore.get(), &Core::sig_loginState);
    signIn(QStringLiteral("1234567"), QStringLiteral("secret"));
    QTRY_COMPARE(login.size(), 1);
    QTRY_COMPARE(m_fake.packets(81, FakeService::Sub).size(), 2);
    QTRY_COMPARE(m_fake.packets(93, FakeService::Sub).size(), 1);

    // The service stops answering heartbeats: the session is given up and comes back by
    // itself with a second log-in that carries no credentials to the screens.
    m_fake.account().bAnswerHeart = false;
    QTRY_VERIFY_WITH_TIMEOUT(m_fake.packets(39, FakeService::Sub).size() >= 2, 15000);
    m_fake.account().bAnswerHeart = true;
    QTRY_VERIFY_WITH_TIMEOUT(login.size() >= 2, 15000);
    QCOMPARE(login.at(1), (QList<QVariant>{0, "", "", "", ""}));
    QVERIFY(session.bHasLoggedIn);
    QTest::qWait(200);
    QCOMPARE(m_fake.packets(81, FakeService::Sub).size(), 2);
    QCOMPARE(m_fake.packets(93, FakeService::Sub).size(), 1);
}

void TestCoreLogin::presenceAndPhoneReplies()
{
    QSignalSpy login(m_pCore.get(), &Core::sig_loginState);
    signIn(QStringLiteral("1234567"), QStringLiteral("secret"));
    QTRY_COMPARE(login.size(), 1);

    Q_EMIT m_pCore->sig_getAllUserState();
    QTRY_COMPARE(m_fake.packets(11, FakeService::Sub).size(), 1);
    QVERIFY(QMetaObject::invokeMethod(m_pRoot.get(), "getUserPhone",
                                      Q_ARG(QString, QStringLiteral("7654321"))));
    QTRY_COMPARE(m_fake.packets(13, FakeService::Udp).size(), 1);
    QVERIFY(QMetaObject::invokeMethod(m_pRoot.get(), "getUserState",
                                      Q_ARG(QString, QStringLiteral("13900000001"))));
    QTRY_COMPARE(m_fake.packets(12, FakeService::Udp).size(), 1);
}

void TestCoreLogin::logoutTellsServiceAndForgetsSession()
{
    QSignalSpy login(m_pCore.get(), &Core::sig_loginState);
    signIn(QStringLiteral("1234567"), QStringLiteral("secret"));
    QTRY_COMPARE(login.size(), 1);
    QTRY_COMPARE(m_fake.packets(3, FakeService::Udp).size(), 3);

    QCOMPARE(m_pCore->database()->loginZpid(), quint32(1234567));

    QSignalSpy state(m_pCore.get(), &Core::sig_changeState);
    m_pCore->logout();
    // The store no longer writes for the account that left.
    QCOMPARE(m_pCore->database()->loginZpid(), quint32(0));
    QCOMPARE(m_pCore->database()->loginPhone(), QString());
    QTRY_COMPARE(m_fake.packets(35, FakeService::Udp).size(), 3);
    QCOMPARE(state.size(), 1);
    QCOMPARE(state.first(), (QList<QVariant>{false, false}));
    QVERIFY(!sessionState().bHasLoggedIn);
    QVERIFY(QFile::exists(QStringLiteral("config")));

    // A second logout only saves the settings.
    m_pCore->logout();
    QTest::qWait(50);
    QCOMPARE(m_fake.packets(35, FakeService::Udp).size(), 3);
    QCOMPARE(state.size(), 1);
}

QTEST_MAIN(TestCoreLogin)
#include "tst_corelogin.moc"
