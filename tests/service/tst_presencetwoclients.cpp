// Presence between clients through the real zephond, each client in a process of its own: a
// client learns who of its contacts is signed in when it signs in, and is told within seconds
// when one of them signs in, signs out or is cut off.
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include "corepeer.h"
#include "zephondprocess.h"

namespace {

constexpr char kPassword[] = "demo1234";
const QString kZhang = QStringLiteral("1000001");
const QString kLi = QStringLiteral("1000002");
const QString kWang = QStringLiteral("1000003");
// How soon a contact's coming or going must show.
constexpr int kNoticeMs = 5000;

} // namespace

class TestPresenceTwoClients : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void contactsSeeWhoIsSignedIn();

private:
    std::unique_ptr<CorePeer> startPeer(const QString &strZpid);

    QTemporaryDir m_dir;
    ZephondProcess m_service;
};

void TestPresenceTwoClients::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY2(m_service.start(m_dir.filePath(QStringLiteral("service"))),
             qPrintable(m_service.errorText()));
}

void TestPresenceTwoClients::cleanupTestCase()
{
    if (m_service.isRunning())
        QCOMPARE(m_service.stop(), 0);
}

std::unique_ptr<CorePeer> TestPresenceTwoClients::startPeer(const QString &strZpid)
{
    return CorePeer::signedIn(m_dir.filePath(strZpid), m_service.serverText(), strZpid,
                              QString::fromLatin1(kPassword), false);
}

void TestPresenceTwoClients::contactsSeeWhoIsSignedIn()
{
    auto zhang = startPeer(kZhang);
    QVERIFY(zhang);
    QVERIFY(!zhang->wait(QStringLiteral("sig_updateContact"), {}, 15000).isEmpty() || zhang->ok());
    QCOMPARE(zhang->invoke(QStringLiteral("isOnline"), {kLi}), QStringLiteral("false"));

    // Li signs in: Zhang is told.
    auto li = startPeer(kLi);
    QVERIFY(li);
    QCOMPARE(zhang->wait(QStringLiteral("sig_updatePresence"), {"0=" + kLi}, kNoticeMs),
             (QStringList{kLi, QStringLiteral("true")}));
    QCOMPARE(zhang->invoke(QStringLiteral("isOnline"), {kLi}), QStringLiteral("true"));

    // Wang signs in after both: it learns from the presence answer who is there already.
    auto wang = startPeer(kWang);
    QVERIFY(wang);
    QTRY_COMPARE_WITH_TIMEOUT(wang->invoke(QStringLiteral("isOnline"), {kLi}),
                              QStringLiteral("true"), kNoticeMs);
    QCOMPARE(wang->invoke(QStringLiteral("isOnline"), {kZhang}), QStringLiteral("true"));

    // Li signs out: both are told.
    li->stop();
    QCOMPARE(zhang->wait(QStringLiteral("sig_updatePresence"), {"0=" + kLi, "1=false"}, kNoticeMs),
             (QStringList{kLi, QStringLiteral("false")}));
    QCOMPARE(wang->wait(QStringLiteral("sig_updatePresence"), {"0=" + kLi, "1=false"}, kNoticeMs),
             (QStringList{kLi, QStringLiteral("false")}));

    // Wang's client dies without signing out; its cut connection ends its session.
    wang->kill();
    QCOMPARE(
        zhang->wait(QStringLiteral("sig_updatePresence"), {"0=" + kWang, "1=false"}, kNoticeMs),
        (QStringList{kWang, QStringLiteral("false")}));
    QCOMPARE(zhang->invoke(QStringLiteral("isOnline"), {kWang}), QStringLiteral("false"));

    // At sign-out the client forgets who was there.
    zhang->stop();
}

QTEST_GUILESS_MAIN(TestPresenceTwoClients)
#include "tst_presencetwoclients.moc"
