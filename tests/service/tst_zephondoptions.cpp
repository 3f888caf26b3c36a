// zephond's command line for the limits that keep one user from crowding out the others: a
// value out of range is refused before anything is served, and a value given reaches the
// service.
#include <QtTest>

#include <QTemporaryDir>

#include "codes.h"
#include "fakepacket.h"
#include "serviceclient.h"
#include "zephondprocess.h"

class TestZephondOptions : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void badLimitsAreRefused_data();
    void badLimitsAreRefused();
    void lookupLimitsReachTheService();
};

void TestZephondOptions::badLimitsAreRefused_data()
{
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("value");
    QTest::newRow("no burst") << "lookup-burst"
                              << "0";
    QTest::newRow("not a number") << "max-held-per-sender"
                                  << "many";
    QTest::newRow("too many threads") << "hash-threads"
                                      << "257";
    QTest::newRow("negative bytes") << "max-held-kib-per-addressee"
                                    << "-1";
    QTest::newRow("no presence numbers") << "max-presence-numbers"
                                         << "0";
}

void TestZephondOptions::badLimitsAreRefused()
{
    QFETCH(QString, option);
    QFETCH(QString, value);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    ZephondProcess service;
    service.setExtraArguments({QStringLiteral("--") + option, value});
    QVERIFY(!service.start(dir.path()));
    QCOMPARE(service.waitForExit(), 2);
    QVERIFY2(service.output().contains(QByteArray("--") + option.toUtf8()),
             service.output().constData());
}

void TestZephondOptions::lookupLimitsReachTheService()
{
    constexpr quint32 kLi = 1000002;
    constexpr quint32 kZhang = 1000001;
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    ZephondProcess service;
    service.setExtraArguments({QStringLiteral("--lookup-burst"), QStringLiteral("2"),
                               QStringLiteral("--lookups-per-minute"), QStringLiteral("1")});
    QVERIFY2(service.start(dir.path()), qPrintable(service.errorText()));
    ServiceClient li(service.port());
    QVERIFY(li.connectSub());
    QCOMPARE(li.login(QString::number(kLi), QStringLiteral("demo1234")), 0);
    QVERIFY(li.heartbeat());
    const QByteArray arLookup = FakePacket(Codes::CmdUserPhone).u32(kLi).u32(kZhang).bytes();
    li.sendTcp(arLookup + arLookup + arLookup + arLookup);
    for (int i = 0; i < 2; ++i)
        QVERIFY(!li.takeTcp(Codes::CmdUserPhone, 3000).isEmpty());
    QVERIFY(li.takeTcp(Codes::CmdUserPhone, 500).isEmpty());
}

QTEST_GUILESS_MAIN(TestZephondOptions)
#include "tst_zephondoptions.moc"
