// A circle's life with three clients through the real zephond, each client in a process of
// its own with its own store, driven as the screens drive Core: A creates a circle with B; C
// finds it, applies and is let in by A; the three talk (C signed out for one message, which
// reaches it at its next sign-in); A renames it, B leaves and A dissolves it, after which the
// circle and its conversation are gone from every remaining member's client.
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include "codes.h"
#include "corepeer.h"
#include "zephondprocess.h"

using namespace Codes;

namespace {

constexpr char kPassword[] = "demo1234";
const QString kA = QStringLiteral("1000001");
const QString kB = QStringLiteral("1000003");
const QString kC = QStringLiteral("1000004");
const QString kCircleName = QStringLiteral("读书会");

} // namespace

class TestCirclesThreeClients : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void circleFromCreationToDissolution();

private:
    std::unique_ptr<CorePeer> startPeer(const QString &strZpid);
    // The circles the peer's circle tab shows from its store.
    QJsonArray circlesOf(CorePeer &peer);
    // The texts of the peer's conversation in the circle.
    QStringList conversationOf(CorePeer &peer, const QString &strCircleId);

    QTemporaryDir m_dir;
    ZephondProcess m_service;
};

void TestCirclesThreeClients::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY2(m_service.start(m_dir.filePath(QStringLiteral("service"))),
             qPrintable(m_service.errorText()));
}

void TestCirclesThreeClients::cleanupTestCase()
{
    if (m_service.isRunning())
        QCOMPARE(m_service.stop(), 0);
}

std::unique_ptr<CorePeer> TestCirclesThreeClients::startPeer(const QString &strZpid)
{
    return CorePeer::signedIn(m_dir.filePath(strZpid), m_service.serverText(), strZpid,
                              QString::fromLatin1(kPassword));
}

QJsonArray TestCirclesThreeClients::circlesOf(CorePeer &peer)
{
    peer.invoke(QStringLiteral("getCircle"));
    return peer.list(QStringLiteral("circleModel"));
}

QStringList TestCirclesThreeClients::conversationOf(CorePeer &peer, const QString &strCircleId)
{
    peer.invoke(QStringLiteral("getMessage"), {QString::number(MsgCircle), strCircleId});
    return CorePeer::column(peer.list(QStringLiteral("messageModel")),
                            QStringLiteral("strContent"));
}

void TestCirclesThreeClients::circleFromCreationToDissolution()
{
    auto a = startPeer(kA);
    auto b = startPeer(kB);
    auto c = startPeer(kC);
    QVERIFY(a && b && c);

    // A creates the circle and adds B by name and mobile number.
    a->invoke(QStringLiteral("newCircle"), {kCircleName, QStringLiteral("0")});
    const QStringList created = a->wait(QStringLiteral("sig_newCircle"));
    QCOMPARE(created.value(0), QStringLiteral("0"));
    const QString strCircle = created.value(1);
    QVERIFY(strCircle.toUInt() != 0);
    a->invoke(QStringLiteral("modifyCircleMember"),
              {QStringLiteral("0"), strCircle, QString(), QStringLiteral("王芳"),
               QStringLiteral("13800138002"), QStringLiteral("泽丰")});
    QCOMPARE(a->wait(QStringLiteral("sig_modifyCircleMember")).value(1), QStringLiteral("0"));
    QTRY_VERIFY_WITH_TIMEOUT(!CorePeer::rowWith(circlesOf(*b), "strId", strCircle).isEmpty(),
                             10000);

    // C finds it by name and applies; A lets C in.
    c->invoke(QStringLiteral("searchCircle"), {kCircleName});
    QTRY_VERIFY_WITH_TIMEOUT(
        !CorePeer::rowWith(c->list(QStringLiteral("searchcircleModel")), "strId", strCircle)
             .isEmpty(),
        10000);
    const QJsonObject found =
        CorePeer::rowWith(c->list(QStringLiteral("searchcircleModel")), "strId", strCircle);
    QCOMPARE(found.value("strName").toString(), kCircleName);
    QCOMPARE(found.value("strZpid").toVariant().toString(), kA);
    QVERIFY(c->emitRoot(QStringLiteral("applyCircle"),
                        {strCircle, kCircleName, QStringLiteral("0"), QStringLiteral("想加入"),
                         QString::number(ApplyJoin)}));
    QCOMPARE(c->wait(QStringLiteral("sig_applyCircle")),
             (QStringList{QStringLiteral("0"), QStringLiteral("0")}));
    a->wait(QStringLiteral("sig_addMsgRecord"));
    a->invoke(QStringLiteral("getMessage"), {QString::number(MsgCircleRequest)});
    const QJsonObject application =
        CorePeer::rowWith(a->list(QStringLiteral("circlesysmsgModel")), "iMsgState",
                          QString::number(CircleApplication));
    QCOMPARE(application.value("strZpid").toVariant().toString(), kC);
    QVERIFY(a->emitRoot(QStringLiteral("applyCircleReply"),
                        {strCircle, kC, QStringLiteral("0"), QString()}));
    QVERIFY(!a->wait(QStringLiteral("sig_handleApply")).isEmpty());
    QTRY_VERIFY_WITH_TIMEOUT(!CorePeer::rowWith(circlesOf(*c), "strId", strCircle).isEmpty(),
                             10000);
    c->invoke(QStringLiteral("getCircleMember"), {strCircle});
    QTRY_COMPARE_WITH_TIMEOUT(
        CorePeer::column(c->list(QStringLiteral("circlememberModel")), "strZpid").size(), 3, 10000);

    // The three talk; C misses one message while signed out and gets it at its sign-in.
    QVERIFY(a->emitRoot(QStringLiteral("sendCircleMsg"), {QStringLiteral("大家好"), strCircle}));
    QTRY_VERIFY_WITH_TIMEOUT(conversationOf(*b, strCircle).contains(QStringLiteral("大家好")),
                             10000);
    QTRY_VERIFY_WITH_TIMEOUT(conversationOf(*c, strCircle).contains(QStringLiteral("大家好")),
                             10000);
    QVERIFY(c->emitRoot(QStringLiteral("sendCircleMsg"), {QStringLiteral("我是刘洋"), strCircle}));
    QTRY_VERIFY_WITH_TIMEOUT(conversationOf(*a, strCircle).contains(QStringLiteral("我是刘洋")),
                             10000);
    c.reset();
    QVERIFY(b->emitRoot(QStringLiteral("sendCircleMsg"), {QStringLiteral("刘洋呢"), strCircle}));
    QTRY_VERIFY_WITH_TIMEOUT(conversationOf(*a, strCircle).contains(QStringLiteral("刘洋呢")),
                             10000);
    c = startPeer(kC);
    QVERIFY(c);
    QTRY_VERIFY_WITH_TIMEOUT(conversationOf(*c, strCircle).contains(QStringLiteral("刘洋呢")),
                             10000);
    QCOMPARE(conversationOf(*c, strCircle).count(QStringLiteral("刘洋呢")), 1);

    // A renames it; the members see the new name when their circle tab asks again.
    QVERIFY(a->emitRoot(QStringLiteral("modifyCircleInfo"),
                        {QStringLiteral("1"), strCircle, QStringLiteral("新书会")}));
    QCOMPARE(a->wait(QStringLiteral("sig_modifyCircleInfo")).value(1), QStringLiteral("0"));
    QVERIFY(b->emitRoot(QStringLiteral("getCircle")));
    QTRY_COMPARE_WITH_TIMEOUT(
        CorePeer::rowWith(circlesOf(*b), "strId", strCircle).value("strName").toString(),
        QStringLiteral("新书会"), 10000);

    // B leaves; A's circle has two members left.
    QVERIFY(b->emitRoot(QStringLiteral("exitCircle"), {strCircle}));
    QCOMPARE(b->wait(QStringLiteral("sig_exitCircle")).value(0), QStringLiteral("true"));
    QTRY_VERIFY_WITH_TIMEOUT(CorePeer::rowWith(circlesOf(*b), "strId", strCircle).isEmpty(), 10000);
    QTRY_COMPARE_WITH_TIMEOUT(
        CorePeer::rowWith(circlesOf(*a), "strId", strCircle).value("iUserCount").toInt(), 2, 10000);

    // A dissolves it: gone from A and C, with its conversation.
    QVERIFY(a->emitRoot(QStringLiteral("dismissCircle"), {strCircle}));
    QCOMPARE(a->wait(QStringLiteral("sig_dismissCircle")).value(0), QStringLiteral("true"));
    for (CorePeer *pPeer : {a.get(), c.get()}) {
        QTRY_VERIFY_WITH_TIMEOUT(CorePeer::rowWith(circlesOf(*pPeer), "strId", strCircle).isEmpty(),
                                 10000);
        QVERIFY(conversationOf(*pPeer, strCircle).isEmpty());
    }
}

QTEST_GUILESS_MAIN(TestCirclesThreeClients)
#include "tst_circlesthreeclients.moc"
