// The signal watcher the client and the service share: which signals it takes, that a burst of
// signals cannot wedge the process, that one watcher holds the handlers at a time, and that the
// handlers it replaced come back when it goes.
#include <QtTest>

#include <csignal>
#include <memory>

#include "unixsignalwatcher.h"

namespace {

volatile sig_atomic_t g_iOwnHandlerRuns = 0;

void ownHandler(int)
{
    g_iOwnHandlerRuns = g_iOwnHandlerRuns + 1;
}

void (*currentHandler(int iSignal))(int)
{
    struct sigaction action = {};
    ::sigaction(iSignal, nullptr, &action);
    return action.sa_handler;
}

} // namespace

class TestUnixSignalWatcher : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void terminationSignals_data();
    void terminationSignals();
    void usr1OnlyWhereAReportIsWanted();
    void burstNeitherBlocksNorWedges();
    void oneWatcherAtATime();
    void previousHandlersComeBack();
};

void TestUnixSignalWatcher::terminationSignals_data()
{
    QTest::addColumn<int>("signal");
    QTest::addColumn<bool>("report");
    QTest::newRow("SIGTERM") << int(SIGTERM) << false;
    QTest::newRow("SIGINT") << int(SIGINT) << false;
    QTest::newRow("SIGTERM, with reports") << int(SIGTERM) << true;
    QTest::newRow("SIGINT, with reports") << int(SIGINT) << true;
}

void TestUnixSignalWatcher::terminationSignals()
{
    QFETCH(int, signal);
    QFETCH(bool, report);
    UnixSignalWatcher watcher(report ? UnixSignalWatcher::ReportSignal::Usr1
                                     : UnixSignalWatcher::ReportSignal::None);
    QVERIFY(watcher.isWatching());
    QSignalSpy termination(&watcher, &UnixSignalWatcher::terminationRequested);
    QSignalSpy reports(&watcher, &UnixSignalWatcher::reportRequested);

    ::raise(signal);
    // Nothing happens in the handler itself; the request arrives through the event loop.
    QCOMPARE(termination.count(), 0);
    QVERIFY(termination.wait(5000));
    QCOMPARE(termination.count(), 1);
    QCOMPARE(termination.at(0).at(0).toInt(), signal);
    QCOMPARE(reports.count(), 0);
}

void TestUnixSignalWatcher::usr1OnlyWhereAReportIsWanted()
{
    {
        // Raising SIGUSR1 here would end the test: its default action must stay in place.
        UnixSignalWatcher watcher;
        QVERIFY(watcher.isWatching());
        QVERIFY(currentHandler(SIGTERM) != SIG_DFL);
        QVERIFY(currentHandler(SIGUSR1) == SIG_DFL);
    }
    UnixSignalWatcher watcher(UnixSignalWatcher::ReportSignal::Usr1);
    QSignalSpy termination(&watcher, &UnixSignalWatcher::terminationRequested);
    QSignalSpy reports(&watcher, &UnixSignalWatcher::reportRequested);
    ::raise(SIGUSR1);
    QVERIFY(reports.wait(5000));
    ::raise(SIGUSR1);
    QTRY_COMPARE(reports.count(), 2);
    QCOMPARE(termination.count(), 0);
}

void TestUnixSignalWatcher::burstNeitherBlocksNorWedges()
{
    UnixSignalWatcher watcher(UnixSignalWatcher::ReportSignal::Usr1);
    QSignalSpy termination(&watcher, &UnixSignalWatcher::terminationRequested);
    QSignalSpy reports(&watcher, &UnixSignalWatcher::reportRequested);

    // Far more than the socket buffer holds, with no event loop running to empty it: a handler
    // that waited for room would never return.
    for (int i = 0; i < 50000; ++i)
        ::raise(SIGUSR1);
    QVERIFY(reports.wait(5000));

    // Once the queue is drained, the next request still comes through, and alone.
    QTest::qWait(200);
    reports.clear();
    ::raise(SIGTERM);
    QVERIFY(termination.wait(5000));
    QCOMPARE(termination.count(), 1);
    QCOMPARE(termination.at(0).at(0).toInt(), int(SIGTERM));
    QCOMPARE(reports.count(), 0);
}

void TestUnixSignalWatcher::oneWatcherAtATime()
{
    auto first = std::make_unique<UnixSignalWatcher>();
    UnixSignalWatcher second;
    QVERIFY(first->isWatching());
    QVERIFY(!second.isWatching());
    QSignalSpy toFirst(first.get(), &UnixSignalWatcher::terminationRequested);
    QSignalSpy toSecond(&second, &UnixSignalWatcher::terminationRequested);

    ::raise(SIGINT);
    QVERIFY(toFirst.wait(5000));
    QTest::qWait(100);
    QCOMPARE(toSecond.count(), 0);

    // A watcher that never held the signals gives nothing back when it goes...
    {
        UnixSignalWatcher third;
        QVERIFY(!third.isWatching());
    }
    ::raise(SIGINT);
    QVERIFY(toFirst.wait(5000));

    // ...and once the holder is gone, a new one can take the signals.
    first.reset();
    UnixSignalWatcher next;
    QVERIFY(next.isWatching());
}

void TestUnixSignalWatcher::previousHandlersComeBack()
{
    struct sigaction own = {};
    own.sa_handler = ownHandler;
    sigemptyset(&own.sa_mask);
    struct sigaction savedTerm = {}, savedInt = {};
    ::sigaction(SIGTERM, &own, &savedTerm);
    ::sigaction(SIGINT, &own, &savedInt);
    g_iOwnHandlerRuns = 0;

    {
        UnixSignalWatcher watcher(UnixSignalWatcher::ReportSignal::Usr1);
        QSignalSpy termination(&watcher, &UnixSignalWatcher::terminationRequested);
        ::raise(SIGTERM);
        QVERIFY(termination.wait(5000));
        QCOMPARE(int(g_iOwnHandlerRuns), 0);
    }
    QVERIFY(currentHandler(SIGTERM) == &ownHandler);
    QVERIFY(currentHandler(SIGINT) == &ownHandler);
    QVERIFY(currentHandler(SIGUSR1) == SIG_DFL);
    ::raise(SIGTERM);
    ::raise(SIGINT);
    QCOMPARE(int(g_iOwnHandlerRuns), 2);

    ::sigaction(SIGTERM, &savedTerm, nullptr);
    ::sigaction(SIGINT, &savedInt, nullptr);
}

QTEST_GUILESS_MAIN(TestUnixSignalWatcher)
#include "tst_unixsignalwatcher.moc"
