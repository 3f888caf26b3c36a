// Time, duration and size texts, and the file digest.
#include "utility.h"

#include <QCryptographicHash>
#include <QTemporaryDir>
#include <QTest>

#include <ctime>

class TestUtility : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void displayTimeForms_data();
    void displayTimeForms();
    void dayCount_data();
    void dayCount();
    void duration_data();
    void duration();
    void size_data();
    void size();
    void md5_data();
    void md5();
    void md5OfMissingFile();
};

// Day counts are local times; a zone with daylight saving or an old local mean time would
// shift the expected texts, so the test runs in UTC.
void TestUtility::initTestCase()
{
    qputenv("TZ", "UTC");
    tzset();
}

void TestUtility::displayTimeForms_data()
{
    QTest::addColumn<QString>("stamp");
    QTest::addColumn<int>("form");
    QTest::addColumn<QString>("shown");

    // "Today" is fixed at 2024-03-01, so yesterday crosses a leap-year month end.
    QTest::newRow("today short") << "2024-03-01 09:05:07" << 0 << "09:05";
    QTest::newRow("today medium") << "2024-03-01 09:05:07" << 1 << "09:05";
    QTest::newRow("today long") << "2024-03-01 09:05:07" << 2 << "今天 09:05:07";
    QTest::newRow("yesterday short") << "2024-02-29 23:59:59" << 0 << "昨天";
    QTest::newRow("yesterday medium") << "2024-02-29 23:59:59" << 1 << "昨天 23:59";
    QTest::newRow("yesterday long") << "2024-02-29 23:59:59" << 2 << "昨天 23:59:59";
    QTest::newRow("last year short") << "2023-12-31 08:00:00" << 0 << "12-31";
    QTest::newRow("last year medium") << "2023-12-31 08:00:00" << 1 << "2023-12-31 08:00";
    QTest::newRow("last year long") << "2023-12-31 08:00:00" << 2 << "2023-12-31 08:00:00";
    QTest::newRow("tomorrow is just another day") << "2024-03-02 10:00:00" << 0 << "03-02";
    QTest::newRow("empty text") << "" << 1 << "";
}

void TestUtility::displayTimeForms()
{
    QFETCH(QString, stamp);
    QFETCH(int, form);
    QFETCH(QString, shown);
    QCOMPARE(displayTime(stamp, form, QDate(2024, 3, 1)), shown);
}

void TestUtility::dayCount_data()
{
    QTest::addColumn<double>("days");
    QTest::addColumn<QString>("text");
    QTest::newRow("noon of day zero") << 0.5 << "1899-12-30 12:00:00";
    QTest::newRow("day zero") << 0.0 << "1899-12-30 00:00:00";
    QTest::newRow("a modern date") << 45352.75 << "2024-03-01 18:00:00";
    QTest::newRow("fraction truncated to the second below")
        << 45352.0 + 59.9999 / 86400.0 << "2024-03-01 00:00:59";
    QTest::newRow("not a number") << qQNaN() << "";
    // The wall-clock time of the count, whatever the zone's offsets in 1899 and on that day
    // (the suite also runs under zones with local mean time then and daylight saving now).
    QTest::newRow("summer time") << 45474.5 << "2024-07-01 12:00:00";
    QTest::newRow("inside a daylight-saving gap") << 45382.09375 << "2024-03-31 02:15:00";
    QTest::newRow("before day zero") << -1.25 << "1899-12-28 18:00:00";
    QTest::newRow("past the year 9999") << 2958466.0 << "";
}

void TestUtility::dayCount()
{
    QFETCH(double, days);
    QFETCH(QString, text);
    QCOMPARE(dayCountToText(days), text);
}

void TestUtility::duration_data()
{
    QTest::addColumn<qint64>("secs");
    QTest::addColumn<QString>("text");
    QTest::newRow("zero") << qint64(0) << "00:00:00";
    QTest::newRow("65 s") << qint64(65) << "00:01:05";
    QTest::newRow("one hour") << qint64(3600) << "01:00:00";
    QTest::newRow("ten hours") << qint64(36000) << "10:00:00";
    QTest::newRow("just under a day") << qint64(86399) << "23:59:59";
    QTest::newRow("hours above 99") << qint64(360000 + 61) << "100:01:01";
}

void TestUtility::duration()
{
    QFETCH(qint64, secs);
    QFETCH(QString, text);
    QCOMPARE(formatTime(secs), text);
}

void TestUtility::size_data()
{
    QTest::addColumn<qint64>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("negative") << qint64(-5) << "-5B";
    QTest::newRow("zero") << qint64(0) << "0B";
    QTest::newRow("1023") << qint64(1023) << "1023B";
    QTest::newRow("1024") << qint64(1024) << "1KB";
    QTest::newRow("1048575") << qint64(1048575) << "1023KB";
    QTest::newRow("1 MiB") << qint64(1048576) << "1M";
    QTest::newRow("just under 1 GiB") << qint64(1073741823) << "1023M";
    QTest::newRow("1 GiB") << qint64(1073741824) << "1G";
    QTest::newRow("beyond 32 bits") << qint64(5) * 1073741824 + 7 << "5G";
}

void TestUtility::size()
{
    QFETCH(qint64, bytes);
    QFETCH(QString, text);
    QCOMPARE(formatSize(bytes), text);
}

void TestUtility::md5_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("empty file") << QByteArray();
    QTest::newRow("one byte") << QByteArray("x");
    QTest::newRow("exactly one block") << QByteArray(4096, 'a');
    // A block and a bit, with varied bytes so that a repeated or skipped block shows.
    QByteArray arLong;
    for (int i = 0; i < 4096 * 3 + 17; ++i)
        arLong.append(char(i * 31 + i / 4096));
    QTest::newRow("several blocks and a remainder") << arLong;
}

void TestUtility::md5()
{
    QFETCH(QByteArray, content);
    QTemporaryDir dir;
    const QString strPath = dir.filePath(QStringLiteral("file.bin"));
    QFile file(strPath);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();

    const QString expected =
        QString::fromLatin1(QCryptographicHash::hash(content, QCryptographicHash::Md5).toHex());
    QCOMPARE(getFileMd5(strPath), expected);
    if (content.isEmpty())
        QCOMPARE(getFileMd5(strPath), QStringLiteral("d41d8cd98f00b204e9800998ecf8427e"));
}

void TestUtility::md5OfMissingFile()
{
    QTemporaryDir dir;
    QTest::ignoreMessage(QtDebugMsg, "getFileMd5: file open error");
    QCOMPARE(getFileMd5(dir.filePath(QStringLiteral("missing"))), QString());
}

QTEST_GUILESS_MAIN(TestUtility)
#include "tst_utility.moc"
