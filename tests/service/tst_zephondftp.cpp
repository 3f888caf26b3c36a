// The file store beside the real zephond: it signs in the service's own accounts, moves files
// for the client's transfer class, ends with the service however the service ends, and a
// service whose store cannot start serves on without it.
#include <QtTest>

#include <QCryptographicHash>
#include <QFile>
#include <QRandomGenerator>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <csignal>

#include "cftp.h"
#include "zephondprocess.h"

namespace {

// The pid of the service's Python child, found by its parent and its script.
qint64 ftpChildOf(qint64 iParent)
{
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString &strEntry : entries) {
        bool bPid = false;
        const qint64 iPid = strEntry.toLongLong(&bPid);
        if (!bPid)
            continue;
        QFile stat(QStringLiteral("/proc/%1/stat").arg(iPid));
        QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(iPid));
        if (!stat.open(QIODevice::ReadOnly) || !cmdline.open(QIODevice::ReadOnly))
            continue;
        const QByteArray arStat = stat.readAll();
        const QList<QByteArray> fields = arStat.mid(arStat.lastIndexOf(')') + 2).split(' ');
        if (fields.value(1).toLongLong() == iParent && cmdline.readAll().contains("zephon-ftpd.py"))
            return iPid;
    }
    return 0;
}

// Running, not a zombie left for a reaper.
bool alive(qint64 iPid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(iPid));
    if (!stat.open(QIODevice::ReadOnly))
        return false;
    const QByteArray arStat = stat.readAll();
    return arStat.mid(arStat.lastIndexOf(')') + 2, 1) != "Z";
}

} // namespace

class TestZephondFtp : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void storeServesAccountsAndEndsWithService_data();
    void storeServesAccountsAndEndsWithService();
    void serviceRunsWithoutStore_data();
    void serviceRunsWithoutStore();
};

void TestZephondFtp::storeServesAccountsAndEndsWithService_data()
{
    QTest::addColumn<int>("signal");
    QTest::newRow("killed") << int(SIGKILL);
    QTest::newRow("terminated") << int(SIGTERM);
}

void TestZephondFtp::storeServesAccountsAndEndsWithService()
{
    QFETCH(int, signal);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    ZephondProcess service;
    QVERIFY2(service.start(dir.filePath(QStringLiteral("service"))),
             qPrintable(service.errorText()));
    const quint16 iFtpPort = service.ftpPort();
    QVERIFY2(iFtpPort != 0, service.output().constData());
    QVERIFY(service.output().contains(
        QStringLiteral("ftp: listening on 127.0.0.1:%1\n").arg(iFtpPort).toLatin1()));

    // A demo account of the service signs in with its mobile number, uploads and downloads.
    QByteArray arData(200 * 1024, Qt::Uninitialized);
    QRandomGenerator::global()->fillRange(reinterpret_cast<quint32 *>(arData.data()),
                                          arData.size() / 4);
    const QString strMd5 =
        QString::fromLatin1(QCryptographicHash::hash(arData, QCryptographicHash::Md5).toHex());
    QFile source(dir.filePath(QStringLiteral("up.bin")));
    QVERIFY(source.open(QIODevice::WriteOnly));
    QCOMPARE(source.write(arData), arData.size());
    source.close();
    CFtp ftp;
    ftp.setAccountSource([iFtpPort] {
        return CFtpAccount{QStringLiteral("127.0.0.1"), iFtpPort, QStringLiteral("1000001"),
                           QStringLiteral("13800138000")};
    });
    QSignalSpy succeeded(&ftp, &CFtp::sig_success);
    QSignalSpy failed(&ftp, &CFtp::sig_failed);
    ftp.slot_onAppend(strMd5, source.fileName(), QString(), false, 1, 0);
    ftp.slot_onAppend(strMd5, dir.filePath(QStringLiteral("down.bin")), QString(), true, 2, 0);
    QTRY_COMPARE_WITH_TIMEOUT(succeeded.count() + failed.count(), 2, 20000);
    QCOMPARE(succeeded.count(), 2);
    QFile back(dir.filePath(QStringLiteral("down.bin")));
    QVERIFY(back.open(QIODevice::ReadOnly));
    QVERIFY(back.readAll() == arData);
    QVERIFY(QFile::exists(dir.filePath(QStringLiteral("service/files/")) + strMd5));

    const qint64 iChild = ftpChildOf(service.processId());
    QVERIFY(iChild > 0);
    QVERIFY(alive(iChild));
    service.sendSignal(signal);
    QTRY_VERIFY_WITH_TIMEOUT(!alive(iChild), 5000);
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, iFtpPort);
    QVERIFY(!socket.waitForConnected(1000));
}

void TestZephondFtp::serviceRunsWithoutStore_data()
{
    QTest::addColumn<bool>("portTaken");
    QTest::newRow("--no-ftp") << false;
    QTest::newRow("port taken") << true;
}

void TestZephondFtp::serviceRunsWithoutStore()
{
    QFETCH(bool, portTaken);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QTcpServer holder;
    QVERIFY(holder.listen(QHostAddress::LocalHost));
    ZephondProcess service;
    service.setExtraArguments(
        portTaken ? QStringList{QStringLiteral("--ftp-port"), QString::number(holder.serverPort())}
                  : QStringList{QStringLiteral("--no-ftp")});
    QVERIFY2(service.start(dir.path()), qPrintable(service.errorText()));
    QCOMPARE(service.ftpPort(), quint16(0));
    QCOMPARE(service.output().contains("the file store's FTP server did not start"), portTaken);
    QCOMPARE(ftpChildOf(service.processId()), qint64(0));
    // It serves on.
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, service.port());
    QVERIFY(socket.waitForConnected(5000));
}

QTEST_GUILESS_MAIN(TestZephondFtp)
#include "tst_zephondftp.moc"
