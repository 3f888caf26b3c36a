// Signing in through Core as the running client wires it: the root item's login signal,
// the session manager and the packet layer against the fake service on loopback.
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include "cdatabase.h"
#include "codes.h"
#include "core.h"
#include "corefixture.h"
#include "csessionstate.h"
#include "fakecipher.h"
#include "fakepacket.h"
#include "fakeservice.h"
#include "zephonversion.h"

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
    QTemporaryDir m_dir;
    FakeService m_fake;
    CoreFixture m_fx;
};

void TestCoreLogin::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY(CoreFixture::enterFolder(m_dir.path()));

    FakeService::Account account;
    account.iZpid = 1234567;
    account.strLoginId = QStringLiteral("1234567");
    account.strPassword = QStringLiteral("secret");
    account.strPhone = QStringLiteral("13800000000");
    account.strOnline = QStringLiteral("A");
    account.strOffline = QStringLiteral("B");
    account.phones.insert(7654321, QStringLiteral("13900000001"));
    QVERIFY(CoreFixture::serve(m_fake, account));
}

void TestCoreLogin::init()
{
    m_fake.clearReceived();
    m_fake.account().bAnswerHeart = true;
    m_fx.start();
}

void TestCoreLogin::cleanup()
{
    m_fx.stop();
}

void TestCoreLogin::loginSucceeds()
{
    QList<QString> events;
    connect(m_fx.core(), &Core::sig_changeState, this, [&events](bool start, bool online) {
        events << QStringLiteral("changeState %1 %2").arg(start).arg(online);
    });
    QSignalSpy login(m_fx.core(), &Core::sig_loginState);

    m_fx.login(QStringLiteral("1234567"), QStringLiteral("secret"));
    QTRY_COMPARE(login.size(), 1);
    QCOMPARE(login.first(), (QList<QVariant>{0, "1234567", "secret", "1234567", "13800000000"}));
    QCOMPARE(events, (QList<QString>{"changeState 1 0", "changeState 0 1"}));

    // The login request on the wire: code, version, type, zpid, then the enciphered password,
    // which the service reads with its own cipher.
    const QByteArray arLogin = m_fake.packets(Codes::CmdLogin, FakeService::Sub).value(0);
    const QByteArray arVersion(ZEPHON_VERSION_TEXT);
    const QByteArray arHead = QByteArray::fromHex("2704") + char(arVersion.size()) + arVersion +
                              QByteArray(1, '\0') + QByteArray::fromHex("87d61200");
    QCOMPARE(arLogin.left(arHead.size()).toHex(' '), arHead.toHex(' '));
    const int nPassword = quint8(arLogin.at(arHead.size()));
    QCOMPARE(fakeDecryptText(arLogin.mid(arHead.size() + 1, nPassword)), QStringLiteral("secret"));

    QTRY_COMPARE(m_fake.packets(Codes::CmdHeartbeat, FakeService::Udp).size(), 3);
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

    QSignalSpy login(m_fx.core(), &Core::sig_loginState);
    QSignalSpy state(m_fx.core(), &Core::sig_changeState);
    m_fx.login(strId, strPassword);
    QTRY_COMPARE(login.size(), 1);
    QCOMPARE(login.first(), (QList<QVariant>{iResult, strId, strPassword, "", ""}));
    QCOMPARE(state.size(), 2);
    QCOMPARE(state.last(), (QList<QVariant>{false, false}));
    QVERIFY(!sessionState().bHasLoggedIn);
    QTest::qWait(100);
    QCOMPARE(login.size(), 1);
    QVERIFY(m_fake.packets(Codes::CmdHeartbeat, FakeService::Udp).isEmpty());
}

void TestCoreLogin::reloginAfterHeartbeatLoss()
{
    CSessionState &session = sessionState();
    session.iHeartMs = 400;
    session.iResendMs = 20;
    session.iReLoginMs = 40;
    QSignalSpy login(m_fx.core(), &Core::sig_loginState);
    m_fx.login(QStringLiteral("1234567"), QStringLiteral("secret"));
    QTRY_COMPARE(login.size(), 1);
    QTRY_COMPARE(m_fake.packets(Codes::CmdCard, FakeService::Sub).size(), 2);
    QTRY_COMPARE(m_fake.packets(Codes::CmdCircle, FakeService::Sub).size(), 1);

    // The service stops answering heartbeats: the session is given up and comes back by
    // itself with a second log-in that carries no credentials to the screens.
    m_fake.account().bAnswerHeart = false;
    QTRY_VERIFY_WITH_TIMEOUT(m_fake.packets(Codes::CmdLogin, FakeService::Sub).size() >= 2, 15000);
    m_fake.account().bAnswerHeart = true;
    QTRY_VERIFY_WITH_TIMEOUT(login.size() >= 2, 15000);
    QCOMPARE(login.at(1), (QList<QVariant>{0, "", "", "", ""}));
    QVERIFY(session.bHasLoggedIn);
    QTest::qWait(200);
    QCOMPARE(m_fake.packets(Codes::CmdCard, FakeService::Sub).size(), 2);
    QCOMPARE(m_fake.packets(Codes::CmdCircle, FakeService::Sub).size(), 1);
}

void TestCoreLogin::presenceAndPhoneReplies()
{
    QSignalSpy login(m_fx.core(), &Core::sig_loginState);
    m_fx.login(QStringLiteral("1234567"), QStringLiteral("secret"));
    QTRY_COMPARE(login.size(), 1);

    Q_EMIT m_fx.core()->sig_getAllUserState();
    QTRY_COMPARE(m_fake.packets(Codes::CmdAllUserState, FakeService::Sub).size(), 1);
    QVERIFY(QMetaObject::invokeMethod(m_fx.root(), "getUserPhone",
                                      Q_ARG(QString, QStringLiteral("7654321"))));
    QTRY_COMPARE(m_fake.packets(Codes::CmdUserPhone, FakeService::Udp).size(), 1);
    QVERIFY(QMetaObject::invokeMethod(m_fx.root(), "getUserState",
                                      Q_ARG(QString, QStringLiteral("13900000001"))));
    QTRY_COMPARE(m_fake.packets(Codes::CmdUserState, FakeService::Udp).size(), 1);
}

void TestCoreLogin::logoutTellsServiceAndForgetsSession()
{
    QSignalSpy login(m_fx.core(), &Core::sig_loginState);
    m_fx.login(QStringLiteral("1234567"), QStringLiteral("secret"));
    QTRY_COMPARE(login.size(), 1);
    QTRY_COMPARE(m_fake.packets(Codes::CmdHeartbeat, FakeService::Udp).size(), 3);

    QCOMPARE(m_fx.core()->database()->loginZpid(), quint32(1234567));

    QSignalSpy state(m_fx.core(), &Core::sig_changeState);
    m_fx.core()->logout();
    // The store no longer writes for the account that left.
    QCOMPARE(m_fx.core()->database()->loginZpid(), quint32(0));
    QCOMPARE(m_fx.core()->database()->loginPhone(), QString());
    QTRY_COMPARE(m_fake.packets(Codes::CmdLogout, FakeService::Udp).size(), 3);
    QCOMPARE(state.size(), 1);
    QCOMPARE(state.first(), (QList<QVariant>{false, false}));
    QVERIFY(!sessionState().bHasLoggedIn);
    QVERIFY(QFile::exists(QStringLiteral("config")));

    // A second logout only saves the settings.
    m_fx.core()->logout();
    QTest::qWait(50);
    QCOMPARE(m_fake.packets(Codes::CmdLogout, FakeService::Udp).size(), 3);
    QCOMPARE(state.size(), 1);
}

QTEST_MAIN(TestCoreLogin)
#include "tst_corelogin.moc"
