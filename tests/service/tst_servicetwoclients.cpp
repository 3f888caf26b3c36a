// Two real clients under a private Xvfb display against the real zephond process: both sign
// in from the keyboard, the service answers their address book, card and circle requests
// from its store (read back from its packet log with the test's own cipher), a third,
// scripted session sees both online and, after one quits, that one offline. Unknown account,
// wrong password and the lock after five wrong passwords reach a real client too.
#include <QTemporaryDir>
#include <QtTest>

#include "codes.h"
#include "fakecipher.h"
#include "fakepacket.h"
#include "serviceclient.h"
#include "xvfbclient.h"
#include "zephondprocess.h"

namespace {

constexpr char kPassword[] = "demo1234";

} // namespace

class TestServiceTwoClients : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();

    void twoClientsSignInAndSeeEachOther();
    void refusalsReachTheClient_data();
    void refusalsReachTheClient();

private:
    // Starts a client in a folder of its own; null when it did not start or show its window.
    std::unique_ptr<XvfbClient> startClient(const QString &strName);
    // The packets the service sent with the code whose u32 at iOffset is iZpid.
    QList<QByteArray> sent(quint8 iCode, int iOffset, quint32 iZpid) const;

    XvfbDisplay m_display;
    QTemporaryDir m_dir;
    ZephondProcess m_service;
};

void TestServiceTwoClients::initTestCase()
{
    if (!m_display.start())
        QSKIP(qPrintable(m_display.errorText()));
    QVERIFY(m_dir.isValid());
    QVERIFY2(m_service.start(m_dir.filePath(QStringLiteral("service")),
                             m_dir.filePath(QStringLiteral("packets.log"))),
             qPrintable(m_service.errorText()));
    qputenv("ZEPHON_SERVER", m_service.serverText().toUtf8());
}

void TestServiceTwoClients::cleanupTestCase()
{
    if (m_service.isRunning())
        QCOMPARE(m_service.stop(), 0);
}

std::unique_ptr<XvfbClient> TestServiceTwoClients::startClient(const QString &strName)
{
    auto client = std::make_unique<XvfbClient>(m_display);
    if (!client->start(m_dir.filePath(strName))) {
        qWarning() << client->errorText();
        return nullptr;
    }
    return client;
}

QList<QByteArray> TestServiceTwoClients::sent(quint8 iCode, int iOffset, quint32 iZpid) const
{
    QList<QByteArray> list;
    for (const LoggedPacket &p : m_service.packetLog()) {
        if (p.bOut && !p.arPacket.isEmpty() && quint8(p.arPacket.at(0)) == iCode &&
            FakePacket::u32At(p.arPacket, iOffset) == iZpid)
            list << p.arPacket;
    }
    return list;
}

void TestServiceTwoClients::twoClientsSignInAndSeeEachOther()
{
    auto clientA = startClient(QStringLiteral("a"));
    QVERIFY(clientA);
    auto clientB = startClient(QStringLiteral("b"));
    QVERIFY(clientB);
    QVERIFY(clientA->signIn(QStringLiteral("1000001"), kPassword));
    QVERIFY(clientB->signIn(QStringLiteral("13800138001"), kPassword));

    // Each client is told 0 and goes on to the session: heartbeats, then its address book,
    // own card and circles, all answered from the store.
    QTRY_VERIFY_WITH_TIMEOUT(clientA->output().contains("login result = 0"), 20000);
    QTRY_VERIFY_WITH_TIMEOUT(clientB->output().contains("login result = 0"), 20000);
    for (quint32 iZpid : {1000001u, 1000002u}) {
        QTRY_VERIFY_WITH_TIMEOUT(!sent(Codes::CmdContact, 1, iZpid).isEmpty(), 15000);
        QTRY_VERIFY_WITH_TIMEOUT(!sent(Codes::CmdCircle, 1, iZpid).isEmpty(), 15000);
        QTRY_VERIFY_WITH_TIMEOUT(!sent(Codes::CmdCard, 1, iZpid).isEmpty(), 15000);
        const QByteArray arLogin = sent(Codes::CmdLogin, 1, iZpid).value(0);
        QCOMPARE(quint8(arLogin.at(5)), quint8(0));
    }
    const QByteArray arBookA = sent(Codes::CmdContact, 1, 1000001).first();
    QCOMPARE(fakeDecryptText(arBookA.mid(14, int(FakePacket::u32At(arBookA, 10)))),
             QStringLiteral("13800138001;李娜:13800138002;王芳:13800138003;刘洋:"
                            "13900139000;陈静:13700137000;赵磊"));
    // The own card is the answer of kind 0; other people's cards may come as well.
    QByteArray arCardB;
    QTRY_VERIFY_WITH_TIMEOUT(
        [&] {
            for (const QByteArray &ar : sent(Codes::CmdCard, 1, 1000002)) {
                if (ar.size() > 5 && quint8(ar.at(5)) == 0) {
                    arCardB = ar;
                    return true;
                }
            }
            return false;
        }(),
        15000);
    QVERIFY(fakeDecryptText(arCardB.mid(15, int(FakePacket::u32At(arCardB, 11))))
                .startsWith(QStringLiteral("李娜:1:设计师:")));

    // A third, scripted session asks for the presence of its address book.
    ServiceClient probe(m_service.port());
    QVERIFY(probe.connectSub());
    QCOMPARE(probe.login(QStringLiteral("1000003"), kPassword), 0);
    QString strOnline;
    QString strOffline;
    QVERIFY(ServiceClient::presenceLists(
        probe.requestTcp(FakePacket(Codes::CmdAllUserState).u32(1000003).u8(2)), strOnline,
        strOffline));
    QCOMPARE(strOnline, QStringLiteral("13800138000:1000001:13800138001:1000002"));
    QCOMPARE(strOffline, QStringLiteral("13800138003:1000004"));

    // B quits through the window's close button, which logs out first.
    QVERIFY(clientB->click(XvfbClient::Place::CloseButton));
    QVERIFY(clientB->process().waitForFinished(15000));

    QTRY_VERIFY_WITH_TIMEOUT(
        ServiceClient::presenceLists(
            probe.requestTcp(FakePacket(Codes::CmdAllUserState).u32(1000003).u8(2)), strOnline,
            strOffline) &&
            strOnline == QStringLiteral("13800138000:1000001"),
        10000);
    QCOMPARE(strOffline, QStringLiteral("13800138001:1000002:13800138003:1000004"));
    QCOMPARE(clientA->process().state(), QProcess::Running);
}

void TestServiceTwoClients::refusalsReachTheClient_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("password");
    QTest::addColumn<int>("wrongBefore"); // wrong passwords sent by a scripted client first
    QTest::addColumn<int>("result");

    QTest::newRow("unknown account") << "1999999" << kPassword << 0 << 1;
    QTest::newRow("wrong password") << "1000004"
                                    << "wrong-1" << 0 << 2;
    QTest::newRow("sixth wrong password") << "1000004"
                                          << "wrong-6" << 4 << 3;
}

void TestServiceTwoClients::refusalsReachTheClient()
{
    QFETCH(QString, id);
    QFETCH(QString, password);
    QFETCH(int, wrongBefore);
    QFETCH(int, result);

    if (wrongBefore > 0) {
        ServiceClient guesser(m_service.port());
        QVERIFY(guesser.connectSub());
        for (int i = 0; i < wrongBefore; ++i)
            QCOMPARE(guesser.login(id, QStringLiteral("guess-%1").arg(i)), 2);
    }
    auto client = startClient(QStringLiteral("refused-%1").arg(result));
    QVERIFY(client);
    QVERIFY(client->signIn(id, password));
    const QByteArray arExpected = QStringLiteral("login result = %1").arg(result).toUtf8();
    QTRY_VERIFY_WITH_TIMEOUT(client->output().contains(arExpected), 20000);
    // No session follows a refusal.
    QTest::qWait(500);
    QVERIFY(!client->output().contains("login result = 0"));
}

QTEST_MAIN(TestServiceTwoClients)
#include "tst_servicetwoclients.moc"
