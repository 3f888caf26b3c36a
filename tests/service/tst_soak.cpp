// A soak of the whole client: two clients signed in to the real zephond talk for a while, a
// message each way every second and a call every half minute, and neither they nor the service
// grow: memory and open descriptors stay flat, every message is delivered once, and nothing is
// left waiting at the end. ZEPHON_SOAK_SECONDS sets how long (600 by default, as CI runs it;
// hours by hand through scripts/soak); the figures are printed.
#include <QDir>
#include <QFile>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include "codes.h"
#include "corepeer.h"
#include "scenariosize.h"
#include "zephondprocess.h"

namespace {

constexpr char kPassword[] = "demo1234";
const QString kA = QStringLiteral("1000001");
const QString kB = QStringLiteral("1000002");
constexpr int kCallEverySeconds = 30;
constexpr int kWarmUpSeconds = 10;

struct Usage
{
    qint64 iRssKiB = 0;
    int iDescriptors = 0;
};

Usage usageOf(qint64 iPid)
{
    Usage usage;
    QFile status(QStringLiteral("/proc/%1/status").arg(iPid));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : status.readAll().split('\n')) {
            if (line.startsWith("VmRSS:"))
                usage.iRssKiB = line.mid(6).trimmed().split(' ').value(0).toLongLong();
        }
    }
    usage.iDescriptors = int(QDir(QStringLiteral("/proc/%1/fd").arg(iPid))
                                 .entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System)
                                 .size());
    return usage;
}

} // namespace

class TestSoak : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void talkForAWhile();

private:
    // The sent rows of the sender's conversation with the peer, and how many are delivered.
    int sentRows(CorePeer &sender, const QString &strPeer, int *pDelivered);
    bool call(CorePeer &caller, const QString &strCaller, CorePeer &callee,
              const QString &strCallee);

    QTemporaryDir m_dir;
    ZephondProcess m_service;
    std::unique_ptr<CorePeer> m_pA;
    std::unique_ptr<CorePeer> m_pB;
};

void TestSoak::initTestCase()
{
    QVERIFY(m_dir.isValid());
    const QString strData = m_dir.filePath(QStringLiteral("service"));
    QVERIFY(QDir().mkpath(strData));
    QVERIFY2(m_service.start(strData), qPrintable(m_service.errorText()));
    m_pA = CorePeer::signedIn(m_dir.filePath(kA), m_service.serverText(), kA,
                              QString::fromLatin1(kPassword));
    m_pB = CorePeer::signedIn(m_dir.filePath(kB), m_service.serverText(), kB,
                              QString::fromLatin1(kPassword));
    QVERIFY(m_pA && m_pB);
}

void TestSoak::cleanupTestCase()
{
    m_pA.reset();
    m_pB.reset();
    if (m_service.isRunning())
        QCOMPARE(m_service.stop(), 0);
}

int TestSoak::sentRows(CorePeer &sender, const QString &strPeer, int *pDelivered)
{
    sender.invoke(QStringLiteral("getMessage"), {QStringLiteral("2"), strPeer});
    int iSent = 0;
    *pDelivered = 0;
    for (const QJsonValue &value : sender.list(QStringLiteral("messageModel"))) {
        const QJsonObject row = value.toObject();
        if (!row.value("bSend").toBool() || row.value("bSeparator").toBool())
            continue;
        ++iSent;
        if (row.value("iMsgState").toInt() == Codes::MsgDelivered)
            ++*pDelivered;
    }
    return iSent;
}

bool TestSoak::call(CorePeer &caller, const QString &strCaller, CorePeer &callee,
                    const QString &strCallee)
{
    caller.invoke(QStringLiteral("sendPush"), {strCallee});
    if (callee
            .wait(QStringLiteral("sig_updateCall"),
                  {"0=" + QString::number(Codes::CallOffered), "1=" + strCaller}, 10000)
            .isEmpty())
        return false;
    callee.emitRoot(QStringLiteral("agree"), {strCaller});
    if (caller
            .wait(QStringLiteral("sig_updateCall"), {"0=" + QString::number(Codes::CallAnswered)},
                  10000)
            .isEmpty())
        return false;
    QTest::qWait(2000);
    caller.emitRoot(QStringLiteral("hangup"), {strCallee});
    return !callee
                .wait(QStringLiteral("sig_updateCall"), {"0=" + QString::number(Codes::CallHungUp)},
                      10000)
                .isEmpty();
}

// How long the clients talk: ZEPHON_SOAK_SECONDS, ten minutes by default.
static int soakSeconds()
{
    return qMax(scenarioSize("ZEPHON_SOAK_SECONDS", 600), kWarmUpSeconds * 2);
}

void TestSoak::talkForAWhile()
{
    const int iSeconds = soakSeconds();
    struct Party
    {
        CorePeer *pPeer;
        QString strZpid;
        QString strOther;
    };
    const Party parties[] = {{m_pA.get(), kA, kB}, {m_pB.get(), kB, kA}};
    QElapsedTimer clock;
    clock.start();
    int iSecond = 0;
    int iCalls = 0;
    Usage start[3];
    while (clock.elapsed() < qint64(iSeconds) * 1000) {
        for (const Party &party : parties)
            QVERIFY(party.pPeer->emitRoot(
                QStringLiteral("sendMsg"),
                {QStringLiteral("%1 秒 %2").arg(iSecond).arg(party.strZpid), party.strOther}));
        if (iSecond == kWarmUpSeconds) {
            start[0] = usageOf(m_pA->processId());
            start[1] = usageOf(m_pB->processId());
            start[2] = usageOf(m_service.processId());
        }
        if (iSecond > 0 && iSecond % kCallEverySeconds == 0) {
            QVERIFY2(call(*m_pA, kA, *m_pB, kB),
                     qPrintable(QStringLiteral("call %1 failed").arg(iCalls + 1)));
            ++iCalls;
        }
        ++iSecond;
        const qint64 iNext = qint64(iSecond) * 1000 - clock.elapsed();
        if (iNext > 0)
            QTest::qWait(int(iNext));
    }

    // Every message delivered, once: nothing left waiting in either client or the service.
    for (const Party &party : parties) {
        int iDelivered = 0;
        int iSent = 0;
        QDeadlineTimer deadline(30000);
        do {
            iSent = sentRows(*party.pPeer, party.strOther, &iDelivered);
        } while (iDelivered < iSent && !deadline.hasExpired() && (QTest::qWait(500), true));
        QCOMPARE(iSent, iSecond);
        QCOMPARE(iDelivered, iSent);
    }

    const Usage end[3] = {usageOf(m_pA->processId()), usageOf(m_pB->processId()),
                          usageOf(m_service.processId())};
    const char *names[3] = {"client 1000001", "client 1000002", "zephond"};
    for (int i = 0; i < 3; ++i) {
        qInfo("%s: %d s, %d messages each way, %d calls; RSS %lld KiB -> %lld KiB, "
              "descriptors %d -> %d",
              names[i], iSeconds, iSecond, iCalls, start[i].iRssKiB, end[i].iRssKiB,
              start[i].iDescriptors, end[i].iDescriptors);
        // Flat: what a run of this length may add to caches, not a growth with its length.
        QVERIFY(start[i].iRssKiB > 0);
        QVERIFY2(end[i].iRssKiB <= start[i].iRssKiB + start[i].iRssKiB / 4 + 8 * 1024, names[i]);
        QVERIFY2(end[i].iDescriptors <= start[i].iDescriptors + 4, names[i]);
    }
}

int main(int argc, char *argv[])
{
    // The soak outlasts the test library's limit per test function (five minutes); the limit
    // is the soak's length and the time the final checks may take.
    qputenv("QTEST_FUNCTION_TIMEOUT", QByteArray::number((qint64(soakSeconds()) + 180) * 1000));
    QCoreApplication app(argc, argv);
    TestSoak test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_soak.moc"
