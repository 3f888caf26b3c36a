// The real zephond and its Unix signals: SIGUSR1 prints the counters while it goes on serving,
// SIGTERM and SIGINT end it cleanly with a last report.
#include <QtTest>

#include <QTcpSocket>
#include <QTemporaryDir>

#include <csignal>

#include "zephondprocess.h"

namespace {

// One line of every counter report.
constexpr char kReportLine[] = "login.ok ";

} // namespace

class TestZephondSignals : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void usr1PrintsCountersAndServesOn();
    void terminationEndsCleanly_data();
    void terminationEndsCleanly();
};

void TestZephondSignals::usr1PrintsCountersAndServesOn()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    ZephondProcess service;
    QVERIFY2(service.start(dir.path()), qPrintable(service.errorText()));
    QCOMPARE(service.output().count(kReportLine), 0);

    service.sendSignal(SIGUSR1);
    QVERIFY2(service.waitForOutput(kReportLine), service.output().constData());
    service.sendSignal(SIGUSR1);
    QVERIFY2(service.waitForOutput(kReportLine, 2), service.output().constData());

    QVERIFY(service.isRunning());
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, service.port());
    QVERIFY(socket.waitForConnected(5000));
}

void TestZephondSignals::terminationEndsCleanly_data()
{
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGINT") << int(SIGINT);
}

void TestZephondSignals::terminationEndsCleanly()
{
    QFETCH(int, signal);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    ZephondProcess service;
    QVERIFY2(service.start(dir.path()), qPrintable(service.errorText()));

    service.sendSignal(signal);
    QCOMPARE(service.waitForExit(), 0);
    QCOMPARE(service.output().count(kReportLine), 1);
}

QTEST_GUILESS_MAIN(TestZephondSignals)
#include "tst_zephondsignals.moc"
