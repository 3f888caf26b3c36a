// At most one worker of a kind: a test worker stands in for the parse workers and jobs that
// Core runs; it doubles its payload, optionally held back until the test releases it.
#include <QAtomicInt>
#include <QPointer>
#include <QSemaphore>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

#include "core.h"
#include "csessionstate.h"
#include "singleworker.h"

namespace {

QAtomicInt g_iRunning;     // workers inside run() right now
QAtomicInt g_iMostRunning; // the most ever at once
QAtomicInt g_iMade;        // workers made

class TestWorker : public QThread
{
    Q_OBJECT
public:
    TestWorker(int iPayload, QSemaphore *pGate) : m_iPayload(iPayload), m_pGate(pGate)
    {
        g_iMade.ref();
    }

    int payload() const { return m_iPayload; }
    int result() const { return m_iResult; }

protected:
    void run() override
    {
        const int iNow = g_iRunning.fetchAndAddOrdered(1) + 1;
        int iMost = g_iMostRunning.loadAcquire();
        while (iNow > iMost && !g_iMostRunning.testAndSetOrdered(iMost, iNow))
            iMost = g_iMostRunning.loadAcquire();
        if (m_pGate)
            m_pGate->acquire();
        m_iResult = m_iPayload * 2;
        g_iRunning.deref();
    }

private:
    int m_iPayload;
    QSemaphore *m_pGate;
    int m_iResult = 0;
};

} // namespace

class TestSingleWorker : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();

    void runsAndCompletes();
    void latestQueuedPayloadWins();
    void neverMoreThanOneAtATime();
    void waitDropsQueuedAndSkipsCompletion();
    void destructorWaitsForTheRunningWorker();
    void completionMayStartTheNextWorker();
    void coreWaitsForItsWorkersAtLogout();

private:
    // Makes a worker for the payload and remembers it.
    SingleWorker::Maker maker(int iPayload, QSemaphore *pGate = nullptr)
    {
        return [this, iPayload, pGate]() -> QThread * {
            auto *pWorker = new TestWorker(iPayload, pGate);
            m_made << pWorker;
            return pWorker;
        };
    }

    QList<QPointer<QThread>> m_made;
    QList<int> m_completed; // payload and result of each completion step, in pairs
};

void TestSingleWorker::init()
{
    m_made.clear();
    m_completed.clear();
    g_iRunning.storeRelease(0);
    g_iMostRunning.storeRelease(0);
    g_iMade.storeRelease(0);
}

void TestSingleWorker::runsAndCompletes()
{
    SingleWorker worker([this](QThread *pThread) {
        auto *pWorker = static_cast<TestWorker *>(pThread);
        QVERIFY(pWorker->isFinished());
        m_completed << pWorker->payload() << pWorker->result();
    });
    QSignalSpy completed(&worker, &SingleWorker::completed);
    QVERIFY(!worker.isRunning());

    worker.start(maker(21));
    QVERIFY(worker.isRunning());
    QCOMPARE(worker.worker(), m_made.first().data());
    QTRY_COMPARE(completed.size(), 1);
    QCOMPARE(m_completed, (QList<int>{21, 42}));
    QVERIFY(!worker.isRunning());
    // Deleted right after its completion step.
    QVERIFY(!m_made.first());
}

void TestSingleWorker::latestQueuedPayloadWins()
{
    QSemaphore gate;
    SingleWorker worker([this](QThread *pThread) {
        auto *pWorker = static_cast<TestWorker *>(pThread);
        m_completed << pWorker->payload() << pWorker->result();
    });
    QList<int> superseded;
    worker.setSuperseded([&superseded](QThread *pThread) {
        auto *pWorker = static_cast<TestWorker *>(pThread);
        QVERIFY(pWorker->isFinished());
        superseded << pWorker->payload() << pWorker->result();
    });
    QSignalSpy completed(&worker, &SingleWorker::completed);

    worker.start(maker(1, &gate));
    worker.start(maker(2));
    QVERIFY(worker.hasPending());
    worker.start(maker(3));
    // Payload 2 was replaced before a worker was made for it.
    QCOMPARE(g_iMade.loadAcquire(), 1);

    gate.release();
    QTRY_COMPARE(completed.size(), 1);
    // The first run was out of date once 3 was queued: no completion step for it.
    QCOMPARE(m_completed, (QList<int>{3, 6}));
    // ... but what it left is shown to the superseded step, once.
    QCOMPARE(superseded, (QList<int>{1, 2}));
    QCOMPARE(g_iMade.loadAcquire(), 2);
    QVERIFY(!m_made.at(0));
    QVERIFY(!m_made.at(1));
    QVERIFY(!worker.hasPending());
    QVERIFY(!worker.isRunning());
}

void TestSingleWorker::neverMoreThanOneAtATime()
{
    SingleWorker worker(
        [this](QThread *pThread) { m_completed << static_cast<TestWorker *>(pThread)->payload(); });
    QSignalSpy completed(&worker, &SingleWorker::completed);
    for (int i = 0; i < 50; ++i) {
        worker.start(maker(i));
        if (i % 7 == 0)
            QCoreApplication::processEvents();
    }
    QTRY_VERIFY(!worker.isRunning());
    QCOMPARE(g_iMostRunning.loadAcquire(), 1);
    // Whatever ran in between, the last payload's completion is the last one.
    QVERIFY(!m_completed.isEmpty());
    QCOMPARE(m_completed.last(), 49);
    for (const QPointer<QThread> &pMade : std::as_const(m_made))
        QVERIFY(!pMade);
}

void TestSingleWorker::waitDropsQueuedAndSkipsCompletion()
{
    QSemaphore gate;
    SingleWorker worker(
        [this](QThread *pThread) { m_completed << static_cast<TestWorker *>(pThread)->payload(); });
    QSignalSpy completed(&worker, &SingleWorker::completed);
    worker.start(maker(1, &gate));
    worker.start(maker(2));

    // Released from another thread a little later, while wait() blocks.
    std::unique_ptr<QThread> pReleaser(QThread::create([&gate] {
        QThread::msleep(50);
        gate.release();
    }));
    pReleaser->start();
    worker.wait();
    pReleaser->wait();

    QVERIFY(!worker.isRunning());
    QVERIFY(!worker.hasPending());
    QVERIFY(!m_made.first());
    // The finished() report still on its way changes nothing.
    QTest::qWait(20);
    QCOMPARE(completed.size(), 0);
    QVERIFY(m_completed.isEmpty());
    QCOMPARE(g_iMade.loadAcquire(), 1);

    // The kind can be used again afterwards.
    worker.start(maker(5));
    QTRY_COMPARE(completed.size(), 1);
    QCOMPARE(m_completed, QList<int>{5});
}

void TestSingleWorker::destructorWaitsForTheRunningWorker()
{
    QSemaphore gate;
    bool bCompleted = false;
    auto pWorker = std::make_unique<SingleWorker>([&bCompleted](QThread *) { bCompleted = true; });
    pWorker->start(maker(1, &gate));
    QPointer<QThread> pThread = m_made.first();
    std::unique_ptr<QThread> pReleaser(QThread::create([&gate] {
        QThread::msleep(50);
        gate.release();
    }));
    pReleaser->start();
    // Destroying a QThread that still runs would abort the process.
    pWorker.reset();
    pReleaser->wait();
    QVERIFY(!pThread);
    QTest::qWait(20);
    QVERIFY(!bCompleted);
}

void TestSingleWorker::completionMayStartTheNextWorker()
{
    std::unique_ptr<SingleWorker> pWorker;
    pWorker = std::make_unique<SingleWorker>([this, &pWorker](QThread *pThread) {
        const int iPayload = static_cast<TestWorker *>(pThread)->payload();
        m_completed << iPayload;
        if (iPayload < 3)
            pWorker->start(maker(iPayload + 1));
    });
    QSignalSpy completed(pWorker.get(), &SingleWorker::completed);
    pWorker->start(maker(1));
    QTRY_COMPARE(completed.size(), 3);
    QCOMPARE(m_completed, (QList<int>{1, 2, 3}));
    QCOMPARE(g_iMostRunning.loadAcquire(), 1);
}

void TestSingleWorker::coreWaitsForItsWorkersAtLogout()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(QDir::setCurrent(dir.path()));

    QSemaphore gate;
    Core core;
    bool bCompleted = false;
    auto *pWorker = new SingleWorker([&bCompleted](QThread *) { bCompleted = true; }, &core);
    pWorker->start(maker(1, &gate));
    pWorker->start(maker(2));

    CSessionState &session = sessionState();
    session.reset();
    session.bHasLoggedIn = true;
    std::unique_ptr<QThread> pReleaser(QThread::create([&gate] {
        QThread::msleep(50);
        gate.release();
    }));
    pReleaser->start();
    core.logout();
    pReleaser->wait();
    QVERIFY(!pWorker->isRunning());
    QVERIFY(!pWorker->hasPending());
    QVERIFY(!m_made.first());
    QCOMPARE(g_iMade.loadAcquire(), 1);
    QVERIFY(!bCompleted);
    session.reset();

    // The destructor waits for a worker of its own as well.
    pWorker->start(maker(3, &gate));
    QPointer<QThread> pThread = m_made.last();
    QVERIFY(pThread);
    gate.release();
}

QTEST_MAIN(TestSingleWorker)
#include "tst_singleworker.moc"
