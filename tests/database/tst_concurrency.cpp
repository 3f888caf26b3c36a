// Worker batches on their own threads while the GUI thread keeps reading and writing: one
// batch at a time, readers see only committed batches, nothing fails, nothing is lost, and
// no connection is used on a thread it does not belong to.
#include "cdatabase.h"
#include "netcontactmodel.h"
#include "storefixture.h"

#include <QLoggingCategory>
#include <QMutex>
#include <QTest>
#include <QThread>

#include <atomic>

namespace {

QMutex g_messageMutex;
QStringList g_badMessages;
QtMessageHandler g_previousHandler = nullptr;

void recordBadMessages(QtMsgType type, const QMessageLogContext &context, const QString &strMessage)
{
    const bool bStoreError = type >= QtWarningMsg && context.category &&
                             QByteArray(context.category).startsWith("zephon.");
    if (bStoreError ||
        strMessage.contains(QLatin1String("does not belong to the calling thread")) ||
        strMessage.contains(QLatin1String("QSqlDatabasePrivate"))) {
        QMutexLocker locker(&g_messageMutex);
        g_badMessages << strMessage;
    }
    g_previousHandler(type, context, strMessage);
}

constexpr int kRowsPerWorker = 5000;
constexpr int kBatch = 500;

} // namespace

class TestConcurrency : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void batchesBesideGuiReads();
};

void TestConcurrency::initTestCase()
{
    QLoggingCategory::setFilterRules(QStringLiteral("zephon.*.warning=true"));
    g_previousHandler = qInstallMessageHandler(recordBadMessages);
}

void TestConcurrency::cleanupTestCase()
{
    qInstallMessageHandler(g_previousHandler);
}

void TestConcurrency::batchesBesideGuiReads()
{
    StoreFixture store;
    std::shared_ptr<CDatabase> pDb = store.shared();
    std::atomic<int> iOpenBatches{0};
    std::atomic<int> iMaxOpenBatches{0};

    auto worker = [pDb, &iOpenBatches, &iMaxOpenBatches](int iWorker) {
        return QThread::create([pDb, iWorker, &iOpenBatches, &iMaxOpenBatches] {
            for (int iStart = 0; iStart < kRowsPerWorker; iStart += kBatch) {
                pDb->beginTransaction(QStringLiteral("Zephon.db"));
                const int iOpen = ++iOpenBatches;
                iMaxOpenBatches = qMax(iMaxOpenBatches.load(), iOpen);
                for (int i = iStart; i < iStart + kBatch; ++i)
                    pDb->addNetContact(QStringLiteral("w%1-%2").arg(iWorker).arg(i),
                                       QStringLiteral("1%1").arg(iWorker * 100000 + i),
                                       QStringLiteral("g"), QStringLiteral("p%1").arg(i));
                // Keep the batch open a moment so that GUI reads certainly meet it.
                QThread::msleep(50);
                --iOpenBatches;
                pDb->commitTransaction(QStringLiteral("Zephon.db"));
            }
        });
    };
    std::unique_ptr<QThread> first(worker(1));
    std::unique_ptr<QThread> second(worker(2));
    first->start();
    second->start();
    // Reads start once a batch is open. Reads of the still empty table are so quick that the
    // hundredth one, a GUI write, could come before any batch and then wait out all of them
    // (the workers hand the write lock straight to each other), leaving no read to meet one.
    while (iOpenBatches.load() == 0 && !(first->isFinished() && second->isFinished()))
        QThread::yieldCurrentThread();

    int iReads = 0;
    int iReadsDuringBatch = 0;
    int iLastCount = 0;
    int iGuiWrites = 0;
    QStringList failures;
    while (!first->isFinished() || !second->isFinished()) {
        const bool bBatchOpen = iOpenBatches.load() > 0;
        const int iCount = OwnedList(pDb->getNetContact(false)).size();
        ++iReads;
        iReadsDuringBatch += bBatchOpen && iOpenBatches.load() > 0;
        if (iCount % kBatch != 0 || iCount < iLastCount)
            failures << QStringLiteral("read %1 rows after %2").arg(iCount).arg(iLastCount);
        iLastCount = iCount;
        // A GUI write meeting an open batch waits for it instead of failing.
        if (iReads % 100 == 0)
            pDb->addAccount(QStringLiteral("gui%1").arg(iGuiWrites++), QString());
    }
    first->wait();
    second->wait();

    QVERIFY2(failures.isEmpty(), qPrintable(failures.join(u'\n')));
    QCOMPARE(iMaxOpenBatches.load(), 1);
    QVERIFY2(iReadsDuringBatch > 0, "no read happened while a batch was open");
    qInfo("%d GUI reads, %d while a batch was open", iReads, iReadsDuringBatch);

    OwnedList all(pDb->getNetContact(false));
    QCOMPARE(all.size(), 2 * kRowsPerWorker);
    QSet<QString> names;
    for (const QString &name : all.column("strName"))
        names.insert(name);
    QCOMPARE(names.size(), 2 * kRowsPerWorker);
    QVERIFY(names.contains(QStringLiteral("w1-0")) && names.contains(QStringLiteral("w2-4999")));
    QCOMPARE(pDb->getAccount().size(), iGuiWrites);

    QMutexLocker locker(&g_messageMutex);
    QVERIFY2(g_badMessages.isEmpty(), qPrintable(g_badMessages.join(u'\n')));
}

QTEST_GUILESS_MAIN(TestConcurrency)
#include "tst_concurrency.moc"
