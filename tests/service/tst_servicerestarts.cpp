// Two clients, each in a process of its own, in a conversation while zephond is killed with
// SIGKILL and started again on the same ports and store, again and again: both clients sign in
// again by themselves, and no message the service took is lost or shown twice.
//
// ZEPHON_SOAK_RESTARTS sets how many times the service is killed (12 by default, which keeps
// the test well under a minute; the long form in scripts/soak kills it 100 times).
#include <QElapsedTimer>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include "codes.h"
#include "corepeer.h"
#include "scenariosize.h"
#include "zephondprocess.h"

using namespace Codes;

namespace {

constexpr char kPassword[] = "demo1234";
const QString kZhang = QStringLiteral("1000001");
const QString kLi = QStringLiteral("1000002");

} // namespace

class TestServiceRestarts : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void conversationSurvivesServiceKills();

private:
    // The texts strPeer's conversation shows as received, in order, and the states of the rows
    // sent, by text.
    static void read(CorePeer &peer, const QString &strPeer, QStringList *pReceived,
                     QMap<QString, int> *pSent);

    QTemporaryDir m_dir;
    ZephondProcess m_service;
};

void TestServiceRestarts::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_service.setExtraArguments({QStringLiteral("--hash-cost"), QStringLiteral("minimal")});
    QVERIFY2(m_service.start(m_dir.filePath(QStringLiteral("service"))),
             qPrintable(m_service.errorText()));
    // Every later start takes the ports the clients know.
    m_service.setPorts(m_service.port(), m_service.subPort());
    qputenv("ZEPHON_PEER_RELOGIN_MS", "300");
    qputenv("ZEPHON_PEER_RESEND_MS", "300");
    // After its sign-in the client takes no notice of its TCP connection closing; it learns
    // of a service gone from the heartbeats it re-sends in vain. A heartbeat replaces the
    // re-send record of the one before, so they must come further apart than the re-sends
    // take to give up (three, two ticks apart).
    qputenv("ZEPHON_PEER_HEART_MS", "2500");
}

void TestServiceRestarts::cleanupTestCase()
{
    if (m_service.isRunning())
        QCOMPARE(m_service.stop(), 0);
}

void TestServiceRestarts::read(CorePeer &peer, const QString &strPeer, QStringList *pReceived,
                               QMap<QString, int> *pSent)
{
    peer.invoke(QStringLiteral("getMessage"), {QString::number(ZpidRegistered), strPeer});
    for (const QJsonValue &value : peer.list(QStringLiteral("messageModel"))) {
        const QJsonObject row = value.toObject();
        if (row.value("bSeparator").toBool())
            continue;
        if (row.value("bSend").toBool())
            pSent->insert(row.value("strContent").toString(), row.value("iMsgState").toInt());
        else
            pReceived->append(row.value("strContent").toString());
    }
}

void TestServiceRestarts::conversationSurvivesServiceKills()
{
    const int iRestarts = scenarioSize("ZEPHON_SOAK_RESTARTS", 12);
    QElapsedTimer clock;
    clock.start();
    auto zhang = CorePeer::signedIn(m_dir.filePath(kZhang), m_service.serverText(), kZhang,
                                    QString::fromLatin1(kPassword));
    QVERIFY(zhang);
    auto li = CorePeer::signedIn(m_dir.filePath(kLi), m_service.serverText(), kLi,
                                 QString::fromLatin1(kPassword));
    QVERIFY(li);
    const QString strSignedIn = QStringLiteral("0=%1").arg(LoginOk);
    // The sign-ins so far are taken, so that each wait below sees a new one.
    QVERIFY(!zhang->wait(QStringLiteral("sig_loginState"), {strSignedIn}, 1).isEmpty());
    QVERIFY(!li->wait(QStringLiteral("sig_loginState"), {strSignedIn}, 1).isEmpty());

    QStringList sentByZhang;
    QStringList sentByLi;
    qint64 iDownMs = 0;
    for (int k = 0; k < iRestarts; ++k) {
        // Messages on their way when the service dies, and some it took just before.
        const QString strFromZhang = QStringLiteral("张 第%1轮").arg(k);
        const QString strFromLi = QStringLiteral("李 第%1轮").arg(k);
        QVERIFY(zhang->emitRoot(QStringLiteral("sendMsg"), {strFromZhang, kLi}));
        QVERIFY(li->emitRoot(QStringLiteral("sendMsg"), {strFromLi, kZhang}));
        sentByZhang << strFromZhang;
        sentByLi << strFromLi;
        // Every other round the service takes them before it dies; else they are in flight.
        if (k % 2 == 0) {
            const auto taken = [&](CorePeer &peer, const QString &strPeer, const QString &strText) {
                QStringList received;
                QMap<QString, int> sent;
                read(peer, strPeer, &received, &sent);
                return sent.value(strText, MsgNew) != MsgNew;
            };
            QTRY_VERIFY_WITH_TIMEOUT(taken(*zhang, kLi, strFromZhang), 10000);
            QTRY_VERIFY_WITH_TIMEOUT(taken(*li, kZhang, strFromLi), 10000);
        } else {
            QTest::qWait(k % 3 * 40);
        }

        m_service.kill();
        QElapsedTimer down;
        down.start();
        QVERIFY2(m_service.start(m_dir.filePath(QStringLiteral("service"))),
                 qPrintable(m_service.errorText()));
        QVERIFY2(!zhang->wait(QStringLiteral("sig_loginState"), {strSignedIn}, 15000).isEmpty(),
                 qPrintable(QStringLiteral("round %1: 张 did not sign in again").arg(k)));
        QVERIFY2(!li->wait(QStringLiteral("sig_loginState"), {strSignedIn}, 15000).isEmpty(),
                 qPrintable(QStringLiteral("round %1: 李 did not sign in again").arg(k)));
        iDownMs += down.elapsed();
    }

    // Once the last rows have settled, every message the service took is shown exactly once.
    const auto settled = [&](CorePeer &peer, const QString &strPeer, int iSent) {
        QStringList received;
        QMap<QString, int> sent;
        read(peer, strPeer, &received, &sent);
        if (sent.size() != iSent)
            return false;
        for (int iState : sent)
            if (iState == MsgNew)
                return false;
        return true;
    };
    QTRY_VERIFY_WITH_TIMEOUT(settled(*zhang, kLi, iRestarts) && settled(*li, kZhang, iRestarts),
                             20000);
    int iTaken = 0;
    int iNotTaken = 0;
    const struct
    {
        CorePeer &sender;
        CorePeer &addressee;
        QString strSender;
        QString strAddressee;
        const QStringList &sent;
    } sides[] = {{*zhang, *li, kZhang, kLi, sentByZhang}, {*li, *zhang, kLi, kZhang, sentByLi}};
    for (const auto &side : sides) {
        QStringList unused;
        QMap<QString, int> states;
        read(side.sender, side.strAddressee, &unused, &states);
        // The addressee has had time to take what the service holds for it.
        const auto allArrived = [&] {
            QStringList received;
            QMap<QString, int> sent;
            read(side.addressee, side.strSender, &received, &sent);
            for (const QString &strText : side.sent)
                if (states.value(strText) != MsgFailed && !received.contains(strText))
                    return false;
            return true;
        };
        QTRY_VERIFY_WITH_TIMEOUT(allArrived(), 20000);
        QStringList received;
        QMap<QString, int> sentBack;
        read(side.addressee, side.strSender, &received, &sentBack);
        for (const QString &strText : side.sent) {
            const int iState = states.value(strText, -1);
            QVERIFY2(received.count(strText) <= 1, qPrintable(strText + " shown twice"));
            if (iState == MsgAccepted || iState == MsgDelivered) {
                ++iTaken;
                QVERIFY2(received.count(strText) == 1, qPrintable(strText + " lost"));
            } else {
                QCOMPARE(iState, int(MsgFailed));
                ++iNotTaken;
            }
        }
        QCOMPARE(received.size(), QSet<QString>(received.begin(), received.end()).size());
    }
    qInfo().noquote() << QStringLiteral(
                             "service restarts: %1 kills, %2 messages taken and shown once, %3 "
                             "failed while the service was away, %4 ms on average until both "
                             "signed in again, %5 s in all")
                             .arg(iRestarts)
                             .arg(iTaken)
                             .arg(iNotTaken)
                             .arg(iDownMs / iRestarts)
                             .arg(clock.elapsed() / 1000.0, 0, 'f', 1);
}

QTEST_GUILESS_MAIN(TestServiceRestarts)
#include "tst_servicerestarts.moc"
