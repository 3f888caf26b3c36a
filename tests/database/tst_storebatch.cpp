// CStoreBatch: a worker batch as a scope. It commits only when told, rolls back on every other
// way out, and always gives the store mutex back: after a failed statement, an exception, on
// a file that never opened and when the transaction could not begin. Batches of several
// threads run one at a time.
#include "cdatabase.h"
#include "cstorebatch.h"
#include "netcontactmodel.h"
#include "storefixture.h"

#include <QSqlQuery>
#include <QTest>
#include <QThread>

#include <atomic>
#include <functional>
#include <stdexcept>

namespace {

int netContactCount(CDatabase &db)
{
    return OwnedList(db.getNetContact(false)).size();
}

void addNetContacts(CDatabase &db, const QString &strPrefix, int iCount)
{
    for (int i = 0; i < iCount; ++i)
        db.addNetContact(strPrefix + QString::number(i), QStringLiteral("1%1").arg(i),
                         QStringLiteral("g"), strPrefix);
}

// True when another thread can take the store mutex (and run a batch) within five seconds.
// A thread that stays blocked is left behind: the test has failed by then.
bool batchRunsElsewhere(CDatabase &db)
{
    std::unique_ptr<QThread> thread(QThread::create([&db] {
        CStoreBatch batch(db);
        batch.commit();
    }));
    thread->start();
    if (thread->wait(QDeadlineTimer(5000)))
        return true;
    (void)thread.release();
    return false;
}

} // namespace

class TestStoreBatch : public QObject
{
    Q_OBJECT

private slots:
    void endings_data();
    void endings();
    void exceptionRollsBack();
    void unopenedFile();
    void beginFailsBesideAForeignTransaction_data();
    void beginFailsBesideAForeignTransaction();
    void concurrentBatchesOneAtATime();
    void legacyPairStillWorks();
};

using Ending = std::function<bool(CStoreBatch &)>;
Q_DECLARE_METATYPE(Ending)

void TestStoreBatch::endings_data()
{
    QTest::addColumn<Ending>("end");
    QTest::addColumn<bool>("failStatement");
    QTest::addColumn<bool>("openAfterEnd");
    QTest::addColumn<bool>("committed");
    QTest::addColumn<int>("rows");
    const Ending commit = [](CStoreBatch &b) { return b.commit(); };
    const Ending rollback = [](CStoreBatch &b) {
        b.rollback();
        return false;
    };
    const Ending none = [](CStoreBatch &) { return false; };
    QTest::newRow("commit") << commit << false << false << true << 3;
    QTest::newRow("rollback") << rollback << false << false << false << 0;
    QTest::newRow("scope left without an end") << none << false << true << false << 0;
    QTest::newRow("commit after rollback") << Ending([](CStoreBatch &b) {
        b.rollback();
        return b.commit();
    }) << false << false << false << 0;
    // A statement of the batch fails and the worker gives up: the scope ends the batch.
    QTest::newRow("failed statement, no commit") << none << true << true << false << 0;
    // The store reports no failure, so a worker that commits anyway keeps the good rows.
    QTest::newRow("failed statement, commit") << commit << true << false << true << 3;
}

void TestStoreBatch::endings()
{
    QFETCH(Ending, end);
    QFETCH(bool, failStatement);
    QFETCH(bool, openAfterEnd);
    QFETCH(bool, committed);
    QFETCH(int, rows);
    StoreFixture store;
    CDatabase &db = store.db();
    bool bCommitted = false;
    {
        CStoreBatch batch(db);
        QVERIFY(batch.isActive());
        addNetContacts(db, QStringLiteral("b"), 3);
        if (failStatement) {
            // The second row breaks the unique phone number.
            db.addContact(QStringLiteral("x"), QStringLiteral("1"), QStringLiteral("x"));
            db.addContact(QStringLiteral("y"), QStringLiteral("1"), QStringLiteral("y"));
        }
        bCommitted = end(batch);
        QCOMPARE(batch.isActive(), openAfterEnd);
    }
    QCOMPARE(bCommitted, committed);
    QCOMPARE(netContactCount(db), rows);
    QCOMPARE(OwnedList(db.getContact(1, QString())).size(), failStatement && committed ? 1 : 0);
    QVERIFY2(batchRunsElsewhere(db), "the store mutex was not released");
    // The same thread opens its next batch at once.
    CStoreBatch next(db);
    QVERIFY(next.isActive());
    QVERIFY(next.commit());
}

void TestStoreBatch::exceptionRollsBack()
{
    StoreFixture store;
    CDatabase &db = store.db();
    bool bThrown = false;
    try {
        CStoreBatch batch(db);
        addNetContacts(db, QStringLiteral("e"), 2);
        throw std::runtime_error("parse failed");
    } catch (const std::runtime_error &) {
        bThrown = true;
    }
    QVERIFY(bThrown);
    QCOMPARE(netContactCount(db), 0);
    QVERIFY2(batchRunsElsewhere(db), "the store mutex was not released");
}

// A directory in place of the main file: nothing to begin, nothing to commit, and the mutex
// is free again when the scope ends.
void TestStoreBatch::unopenedFile()
{
    TempWorkingDir dir;
    QVERIFY(dir.blockMainFile());
    {
        CDatabase db(QStringLiteral("Zephon.db"), QStringLiteral("common.db"));
        QVERIFY(!db.isOpen());
        {
            CStoreBatch batch(db);
            QVERIFY(!batch.isActive());
            addNetContacts(db, QStringLiteral("c"), 1);
            QVERIFY(!batch.commit());
        }
        QVERIFY2(batchRunsElsewhere(db), "the store mutex was not released");
        {
            CStoreBatch batch(db);
            QVERIFY(!batch.isActive());
        }
        QVERIFY2(batchRunsElsewhere(db), "the store mutex was not released");
    }
}

void TestStoreBatch::beginFailsBesideAForeignTransaction_data()
{
    QTest::addColumn<bool>("guard");
    QTest::newRow("guard") << true;
    QTest::newRow("begin and commit") << false;
}

// The connection is already inside a transaction the batch did not open: the batch does not
// begin, and ending it neither commits nor rolls back the other one.
void TestStoreBatch::beginFailsBesideAForeignTransaction()
{
    QFETCH(bool, guard);
    StoreFixture store;
    CDatabase &db = store.db();
    QSqlQuery foreign(QSqlDatabase::database(QStringLiteral("Zephon.db")));
    QVERIFY(foreign.exec(QStringLiteral("BEGIN")));
    addNetContacts(db, QStringLiteral("f"), 2);
    if (guard) {
        CStoreBatch batch(db);
        QVERIFY(!batch.isActive());
        QVERIFY(!batch.commit());
    } else {
        db.beginTransaction(QStringLiteral("Zephon.db"));
        db.commitTransaction(QStringLiteral("Zephon.db"));
    }
    QCOMPARE(netContactCount(db), 2);
    QVERIFY(foreign.exec(QStringLiteral("ROLLBACK")));
    QCOMPARE(netContactCount(db), 0);
    QVERIFY2(batchRunsElsewhere(db), "the store mutex was not released");
}

// Four workers, two batches each, every second batch rolled back: never two open at once,
// exactly the committed rows remain, and each thread's connection ends with its thread.
void TestStoreBatch::concurrentBatchesOneAtATime()
{
    StoreFixture store;
    std::shared_ptr<CDatabase> pDb = store.shared();
    std::atomic<int> iOpen{0};
    std::atomic<int> iMaxOpen{0};
    std::atomic<int> iInactive{0};
    std::vector<std::unique_ptr<QThread>> workers;
    for (int iWorker = 0; iWorker < 4; ++iWorker) {
        workers.emplace_back(QThread::create([pDb, iWorker, &iOpen, &iMaxOpen, &iInactive] {
            for (int iBatch = 0; iBatch < 2; ++iBatch) {
                CStoreBatch batch(*pDb);
                if (!batch.isActive())
                    ++iInactive;
                const int iNow = ++iOpen;
                iMaxOpen = qMax(iMaxOpen.load(), iNow);
                addNetContacts(*pDb, QStringLiteral("w%1b%2-").arg(iWorker).arg(iBatch), 50);
                QThread::msleep(20);
                --iOpen;
                if (iBatch == 0)
                    batch.commit();
            }
        }));
        workers.back()->start();
    }
    for (const std::unique_ptr<QThread> &worker : workers)
        QVERIFY(worker->wait(QDeadlineTimer(30000)));
    QCOMPARE(iInactive.load(), 0);
    QCOMPARE(iMaxOpen.load(), 1);
    OwnedList all(pDb->getNetContact(false));
    QCOMPARE(all.size(), 4 * 50);
    for (const QString &strName : all.column("strName"))
        QVERIFY2(strName.contains(QLatin1String("b0-")), qPrintable(strName));
}

// The begin/commit pair of existing callers keeps its meaning beside the guard.
void TestStoreBatch::legacyPairStillWorks()
{
    StoreFixture store;
    CDatabase &db = store.db();
    db.beginTransaction(QStringLiteral("Zephon.db"));
    addNetContacts(db, QStringLiteral("l"), 2);
    db.commitTransaction(QStringLiteral("Zephon.db"));
    QCOMPARE(netContactCount(db), 2);
    QVERIFY2(batchRunsElsewhere(db), "the store mutex was not released");
}

QTEST_GUILESS_MAIN(TestStoreBatch)
#include "tst_storebatch.moc"
