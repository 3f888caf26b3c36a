// CFtp against the service's real file store (zephon-ftpd.py over a private data folder with
// its own account table) and a faulty peer, and the store's refusals spoken to it directly.
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include <unistd.h>

#include "cftp.h"
#include "cftpprogress.h"
#include "ftppeer.h"

namespace {

constexpr int WATCHDOG_MS = 1000;
const QString kUser = QStringLiteral("1001");
const QString kMobile = QStringLiteral("13800000001");

QString md5Hex(const QByteArray &arData)
{
    return QString::fromLatin1(QCryptographicHash::hash(arData, QCryptographicHash::Md5).toHex());
}

QByteArray randomBytes(qsizetype iSize)
{
    QByteArray ar(iSize + 4, Qt::Uninitialized);
    QRandomGenerator::global()->fillRange(reinterpret_cast<quint32 *>(ar.data()), ar.size() / 4);
    ar.truncate(iSize);
    return ar;
}

bool writeFile(const QString &strPath, const QByteArray &arData)
{
    QFile file(strPath);
    return file.open(QIODevice::WriteOnly) && file.write(arData) == arData.size();
}

QByteArray readFile(const QString &strPath)
{
    QFile file(strPath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// What a CFtp reported, in order: "progress <id> <text>", "success <id>", "failed <id>".
struct Recorder
{
    explicit Recorder(CFtp &ftp)
    {
        QObject::connect(
            &ftp, &CFtp::sig_progress, &ftp, [this](QString strProgress, bool, int iMsgId, int) {
                events << QStringLiteral("progress %1 %2").arg(iMsgId).arg(strProgress);
            });
        QObject::connect(&ftp, &CFtp::sig_success, &ftp,
                         [this](QString strFile, QString strZpid, bool, int iMsgId, int iType) {
                             events << QStringLiteral("success %1").arg(iMsgId);
                             files << strFile;
                             lastZpid = strZpid;
                             iLastType = iType;
                             ends << clock.elapsed();
                         });
        QObject::connect(&ftp, &CFtp::sig_failed, &ftp, [this](QString, bool, int iMsgId, int) {
            events << QStringLiteral("failed %1").arg(iMsgId);
            ends << clock.elapsed();
        });
        clock.start();
    }
    // The outcomes only, progress left out.
    QStringList outcomes() const
    {
        QStringList list;
        for (const QString &str : events)
            if (!str.startsWith(QLatin1String("progress")))
                list << str;
        return list;
    }
    QStringList progressOf(int iMsgId) const
    {
        QStringList list;
        const QString strPrefix = QStringLiteral("progress %1 ").arg(iMsgId);
        for (const QString &str : events)
            if (str.startsWith(strPrefix))
                list << str.mid(strPrefix.size());
        return list;
    }

    QStringList events;
    QStringList files;
    QString lastZpid;
    int iLastType = 0;
    QList<qint64> ends;
    QElapsedTimer clock;
};

// A minimal FTP control connection: sends a line and returns the reply's code.
class RawFtp
{
public:
    bool connectTo(quint16 iPort)
    {
        m_socket.connectToHost(QHostAddress::LocalHost, iPort);
        return m_socket.waitForConnected(5000) && reply() == 220;
    }
    int send(const QByteArray &arLine)
    {
        m_socket.write(arLine + "\r\n");
        return reply();
    }
    int reply()
    {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < 10000) {
            while (m_socket.canReadLine()) {
                const QByteArray arLine = m_socket.readLine();
                if (arLine.size() >= 4 && arLine.at(3) == ' ')
                    return arLine.left(3).toInt();
            }
            if (!m_socket.waitForReadyRead(200) && m_socket.state() != QTcpSocket::ConnectedState)
                return -1;
        }
        return -1;
    }

private:
    QTcpSocket m_socket;
};

} // namespace

class tst_Ftp : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void progressText_data();
    void progressText();
    void progressReportsAreSpaced();

    void roundTripIsByteIdentical();
    void sameTurnRunsOneAfterTheOther();
    void appendingWhileOneRunsKeepsIt();
    void failureLetsTheNextRun_data();
    void failureLetsTheNextRun();
    void badNamesNeverConnect_data();
    void badNamesNeverConnect();
    void stallIsAbandoned_data();
    void stallIsAbandoned();
    void wrongContentIsNotKept();
    void cancelRunningAndQueued();
    void startNextDownloadAbandonsTheCurrent();
    void destructionStopsTheTransfer();

    void storeRefuses_data();
    void storeRefuses();
    void storeRefusesWrongLogins_data();
    void storeRefusesWrongLogins();
    void storeKeepsOnlyMatchingContent();
    void storeRefusesOversizedUpload();

private:
    std::unique_ptr<CFtp> makeFtp(quint16 iPort, const QString &strPassword = kMobile,
                                  const QString &strUser = kUser);
    QString local(const QString &strName) const { return m_dir.filePath(strName); }
    QString stored(const QString &strName) const
    {
        return m_dir.filePath(QStringLiteral("service/files/") + strName);
    }
    // Files in a folder whose name marks them as a temporary of a transfer.
    static QStringList leftovers(const QString &strFolder);

    QTemporaryDir m_dir;
    FtpPeer m_store;
    FtpPeer m_stallPeer;
    QString m_strStallDir;
};

std::unique_ptr<CFtp> tst_Ftp::makeFtp(quint16 iPort, const QString &strPassword,
                                       const QString &strUser)
{
    auto ftp = std::make_unique<CFtp>();
    ftp->setWatchdogMs(WATCHDOG_MS);
    ftp->setAccountSource([iPort, strPassword, strUser] {
        return CFtpAccount{QStringLiteral("127.0.0.1"), iPort, strUser, strPassword};
    });
    return ftp;
}

QStringList tst_Ftp::leftovers(const QString &strFolder)
{
    // The tests' own files end in ".bin", the store's are named by 32 hex digits.
    static const QRegularExpression ours(QStringLiteral("\\A([0-9a-f]{32}|.*\\.bin)\\z"));
    QStringList list;
    const QStringList names = QDir(strFolder).entryList(QDir::Files | QDir::Hidden);
    for (const QString &strName : names)
        if (!ours.match(strName).hasMatch())
            list << strName;
    return list;
}

void tst_Ftp::initTestCase()
{
    QVERIFY(m_dir.isValid());
    const QString strServiceDir = m_dir.filePath(QStringLiteral("service"));
    QVERIFY(QDir().mkpath(strServiceDir));
    {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("accounts"));
        db.setDatabaseName(strServiceDir + QStringLiteral("/service.db"));
        QVERIFY(db.open());
        QSqlQuery query(db);
        QVERIFY(query.exec(QStringLiteral(
            "CREATE TABLE account (zpid INTEGER PRIMARY KEY, mobile TEXT NOT NULL UNIQUE)")));
        QVERIFY(query.exec(QStringLiteral(
            "INSERT INTO account VALUES (1001, '13800000001'), (1002, '13800000002')")));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("accounts"));
    QVERIFY2(m_store.start(QStringLiteral(ZEPHON_FTPD_SCRIPT),
                           {QStringLiteral("--data-dir"), strServiceDir, QStringLiteral("--port"),
                            QStringLiteral("0"), QStringLiteral("--verbose")}),
             m_store.log().constData());

    m_strStallDir = m_dir.filePath(QStringLiteral("stall"));
    QVERIFY(QDir().mkpath(m_strStallDir));
    QVERIFY2(m_stallPeer.start(QStringLiteral(ZEPHON_STALLFTPD_SCRIPT),
                               {QStringLiteral("--dir"), m_strStallDir, QStringLiteral("--user"),
                                kUser, QStringLiteral("--password"), kMobile,
                                QStringLiteral("--stall-after"), QStringLiteral("65536")}),
             m_stallPeer.log().constData());
}

void tst_Ftp::cleanup()
{
    // No transfer leaves a temporary file beside its destination.
    QCOMPARE(leftovers(m_dir.path()), QStringList());
    QCOMPARE(leftovers(m_dir.filePath(QStringLiteral("service/files"))), QStringList());
}

void tst_Ftp::progressText_data()
{
    QTest::addColumn<qint64>("done");
    QTest::addColumn<qint64>("total");
    QTest::addColumn<QString>("text");
    QTest::newRow("one of three") << qint64(1) << qint64(3) << QStringLiteral("33.3");
    QTest::newRow("two of three rounds down") << qint64(2) << qint64(3) << QStringLiteral("66.6");
    QTest::newRow("nothing yet") << qint64(0) << qint64(100) << QStringLiteral("0.0");
    QTest::newRow("almost all is not complete")
        << qint64(99999) << qint64(100000) << QStringLiteral("99.9");
    QTest::newRow("complete") << qint64(3) << qint64(3) << QStringLiteral("100.0");
    QTest::newRow("beyond 32 bits")
        << (qint64(5) << 40) << (qint64(8) << 40) << QStringLiteral("62.5");
    QTest::newRow("total unknown") << qint64(0) << qint64(0) << QString();
    QTest::newRow("total negative") << qint64(5) << qint64(-1) << QString();
}

void tst_Ftp::progressText()
{
    QFETCH(qint64, done);
    QFETCH(qint64, total);
    QFETCH(QString, text);
    QCOMPARE(CFtpProgress::text(done, total), text);
}

void tst_Ftp::progressReportsAreSpaced()
{
    CFtpProgress progress;
    QVERIFY(!progress.due(0, 0, 0));
    QVERIFY(progress.due(1, 1000, 0));
    // The same text is never reported twice; a new one only after the interval.
    QVERIFY(!progress.due(1, 1000, 500));
    QVERIFY(!progress.due(500, 1000, 50));
    QVERIFY(progress.due(500, 1000, CFtpProgress::REPORT_INTERVAL_MS));
    QVERIFY(!progress.due(600, 1000, CFtpProgress::REPORT_INTERVAL_MS + 1));
    // The end always, once.
    QVERIFY(progress.due(1000, 1000, CFtpProgress::REPORT_INTERVAL_MS + 2));
    QVERIFY(!progress.due(1000, 1000, 10 * CFtpProgress::REPORT_INTERVAL_MS));
}

void tst_Ftp::roundTripIsByteIdentical()
{
    const QByteArray arData = randomBytes(3 * 1024 * 1024 + 17);
    const QString strMd5 = md5Hex(arData);
    QVERIFY(writeFile(local(QStringLiteral("big.bin")), arData));
    // A download replaces what lies at its destination.
    QVERIFY(writeFile(local(QStringLiteral("big-back.bin")), "old content"));
    const qsizetype iFrom = m_store.log().size();

    auto ftp = makeFtp(m_store.port());
    Recorder recorder(*ftp);
    ftp->slot_onAppend(strMd5, local(QStringLiteral("big.bin")), QStringLiteral("2002"), false, 7,
                       3);
    QVERIFY(!ftp->isIdle());
    QTRY_COMPARE_WITH_TIMEOUT(recorder.outcomes(), QStringList{QStringLiteral("success 7")}, 30000);
    QCOMPARE(recorder.files.last(), QStringLiteral("file:///") + local(QStringLiteral("big.bin")));
    QCOMPARE(recorder.lastZpid, QStringLiteral("2002"));
    QCOMPARE(recorder.iLastType, 3);
    QCOMPARE(readFile(stored(strMd5)), arData);

    ftp->slot_onAppend(strMd5, local(QStringLiteral("big-back.bin")), QStringLiteral("2002"), true,
                       8, 3);
    QTRY_COMPARE_WITH_TIMEOUT(
        recorder.outcomes(),
        (QStringList{QStringLiteral("success 7"), QStringLiteral("success 8")}), 30000);
    QCOMPARE(recorder.files.last(),
             QStringLiteral("file:///") + local(QStringLiteral("big-back.bin")));
    QVERIFY(readFile(local(QStringLiteral("big-back.bin"))) == arData);
    QVERIFY(ftp->isIdle());

    // Progress in both directions: one decimal, rising, ending at 100.0.
    for (int iMsgId : {7, 8}) {
        const QStringList progress = recorder.progressOf(iMsgId);
        QVERIFY2(!progress.isEmpty(), qPrintable(QString::number(iMsgId)));
        QCOMPARE(progress.last(), QStringLiteral("100.0"));
        double dLast = -1;
        for (const QString &str : progress) {
            QVERIFY2(
                QRegularExpression(QStringLiteral("\\A\\d{1,3}\\.\\d\\z")).match(str).hasMatch(),
                qPrintable(str));
            QVERIFY(str.toDouble() > dLast);
            dLast = str.toDouble();
        }
    }
    // Each transfer had its own connection and ended it with QUIT.
    QTRY_COMPARE(m_store.count("FTP session closed", iFrom), 2);
    QCOMPARE(m_store.count("FTP session opened", iFrom), 2);
    QCOMPARE(m_store.count("<- QUIT", iFrom), 2);
    QCOMPARE(m_store.count("<- PASS ******", iFrom), 2);
    QVERIFY(!m_store.log().contains(kMobile.toLatin1()));
}

void tst_Ftp::sameTurnRunsOneAfterTheOther()
{
    QList<QString> names;
    for (int i = 0; i < 3; ++i) {
        const QByteArray arData = randomBytes(512 * 1024 + i);
        names << md5Hex(arData);
        QVERIFY(writeFile(local(QStringLiteral("turn%1.bin").arg(i)), arData));
    }
    const qsizetype iFrom = m_store.log().size();
    auto ftp = makeFtp(m_store.port());
    Recorder recorder(*ftp);
    for (int i = 0; i < 3; ++i)
        ftp->slot_onAppend(names.at(i), local(QStringLiteral("turn%1.bin").arg(i)),
                           QStringLiteral("1002"), false, 10 + i, 0);
    // Nothing starts within the turn that appended.
    QCOMPARE(recorder.events, QStringList());
    QTRY_COMPARE_WITH_TIMEOUT(
        recorder.outcomes(),
        (QStringList{QStringLiteral("success 10"), QStringLiteral("success 11"),
                     QStringLiteral("success 12")}),
        30000);
    // Progress of a task never comes after the outcome of the task before it... or after its
    // own.
    int iCurrent = 10;
    for (const QString &str : recorder.events) {
        const int iId = str.section(QLatin1Char(' '), 1, 1).toInt();
        QVERIFY2(iId == iCurrent, qPrintable(recorder.events.join(QLatin1Char('|'))));
        if (!str.startsWith(QLatin1String("progress")))
            ++iCurrent;
    }
    // On the server, each session ended with QUIT before the next one opened.
    QTRY_COMPARE(m_store.count("FTP session closed", iFrom), 3);
    const QList<QByteArray> lines = m_store.log().mid(iFrom).split('\n');
    QByteArrayList sequence;
    for (const QByteArray &arLine : lines) {
        if (arLine.contains("FTP session opened"))
            sequence << "open";
        else if (arLine.contains("<- QUIT"))
            sequence << "quit";
        else if (arLine.contains("FTP session closed"))
            sequence << "closed";
    }
    QCOMPARE(sequence, (QByteArrayList{"open", "quit", "closed", "open", "quit", "closed", "open",
                                       "quit", "closed"}));
}

void tst_Ftp::appendingWhileOneRunsKeepsIt()
{
    const QByteArray arBig = randomBytes(24 * 1024 * 1024);
    const QByteArray arSmall = randomBytes(1000);
    QVERIFY(writeFile(local(QStringLiteral("running.bin")), arBig));
    QVERIFY(writeFile(local(QStringLiteral("later.bin")), arSmall));
    auto ftp = makeFtp(m_store.port());
    Recorder recorder(*ftp);
    ftp->slot_onAppend(md5Hex(arBig), local(QStringLiteral("running.bin")), QString(), false, 1, 0);
    QTRY_VERIFY_WITH_TIMEOUT(!recorder.progressOf(1).isEmpty(), 20000);
    QVERIFY(recorder.progressOf(1).constLast() != QLatin1String("100.0"));
    ftp->slot_onAppend(md5Hex(arSmall), local(QStringLiteral("later.bin")), QString(), false, 2, 0);
    QTRY_COMPARE_WITH_TIMEOUT(
        recorder.outcomes(),
        (QStringList{QStringLiteral("success 1"), QStringLiteral("success 2")}), 30000);
    QCOMPARE(QFileInfo(stored(md5Hex(arBig))).size(), arBig.size());
    QCOMPARE(readFile(stored(md5Hex(arSmall))), arSmall);
}

void tst_Ftp::failureLetsTheNextRun_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("storedName");
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("download");
    QTest::addColumn<bool>("connects");

    QTest::newRow("wrong password") << kUser << QStringLiteral("13800000002") << true
                                    << QStringLiteral("in.bin") << true << true;
    QTest::newRow("unknown user") << QStringLiteral("4711") << kMobile << true
                                  << QStringLiteral("in.bin") << true << true;
    QTest::newRow("missing remote file")
        << kUser << kMobile << false << QStringLiteral("in.bin") << true << true;
    QTest::newRow("unreadable local file")
        << kUser << kMobile << true << QStringLiteral("no-such-file.bin") << false << false;
    QTest::newRow("local folder instead of a file")
        << kUser << kMobile << true << QStringLiteral("folder") << false << false;
    QTest::newRow("destination folder missing")
        << kUser << kMobile << true << QStringLiteral("nowhere/in.bin") << true << false;
    QTest::newRow("destination folder not writable")
        << kUser << kMobile << true << QStringLiteral("locked/in.bin") << true << false;
    QTest::newRow("content differs from its name")
        << kUser << kMobile << true << QStringLiteral("differs.bin") << false << true;
}

void tst_Ftp::failureLetsTheNextRun()
{
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(bool, storedName);
    QFETCH(QString, path);
    QFETCH(bool, download);
    QFETCH(bool, connects);

    // A file on the store the failing task names, and the next task's upload.
    const QByteArray arStored = randomBytes(4096);
    QVERIFY(writeFile(stored(md5Hex(arStored)), arStored));
    const QString strMd5 =
        storedName ? md5Hex(arStored) : QStringLiteral("0123456789abcdef0123456789abcdee");
    const QByteArray arNext = randomBytes(2048 + int(qHash(QTest::currentDataTag()) % 1024));
    QVERIFY(writeFile(local(QStringLiteral("next.bin")), arNext));
    QVERIFY(writeFile(local(QStringLiteral("differs.bin")), "not the content of that name"));
    QFile::remove(local(QStringLiteral("in.bin")));
    QVERIFY(QDir().mkpath(local(QStringLiteral("folder"))));
    QVERIFY(QDir().mkpath(local(QStringLiteral("locked"))));
    QVERIFY(QFile::setPermissions(local(QStringLiteral("locked")),
                                  QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    const auto unlock = qScopeGuard([this] {
        QFile::setPermissions(local(QStringLiteral("locked")), QFileDevice::ReadOwner |
                                                                   QFileDevice::WriteOwner |
                                                                   QFileDevice::ExeOwner);
    });
    // Root writes to any folder of its own; sysfs refuses new files even to root.
    if (path.startsWith(QLatin1String("locked")) &&
        ::access(qPrintable(local(QStringLiteral("locked"))), W_OK) == 0)
        path = QStringLiteral("/sys/zephon-in.bin");

    const qsizetype iFrom = m_store.log().size();
    // The failing task as one user, the next as the right one: the account is asked for at
    // the start of every transfer.
    auto ftp = std::make_unique<CFtp>();
    ftp->setWatchdogMs(5000);
    int iAsked = 0;
    const quint16 iPort = m_store.port();
    ftp->setAccountSource([&iAsked, iPort, user, password] {
        ++iAsked;
        return iAsked == 1 ? CFtpAccount{QStringLiteral("127.0.0.1"), iPort, user, password}
                           : CFtpAccount{QStringLiteral("127.0.0.1"), iPort, kUser, kMobile};
    });
    Recorder recorder(*ftp);
    ftp->slot_onAppend(strMd5, local(path), QStringLiteral("5"), download, 1, 2);
    ftp->slot_onAppend(md5Hex(arNext), local(QStringLiteral("next.bin")), QStringLiteral("5"),
                       false, 2, 2);
    QTRY_COMPARE_WITH_TIMEOUT(
        recorder.outcomes(), (QStringList{QStringLiteral("failed 1"), QStringLiteral("success 2")}),
        20000);
    // Well before the watchdog would have ended it.
    QVERIFY2(recorder.ends.constFirst() < 4000, qPrintable(QString::number(recorder.ends.first())));
    QCOMPARE(readFile(stored(md5Hex(arNext))), arNext);
    if (download)
        QVERIFY(!QFile::exists(local(path)));
    // The store kept nothing under a name its content does not have.
    QCOMPARE(readFile(stored(md5Hex(arStored))), arStored);
    QVERIFY(!QFile::exists(stored(QStringLiteral("0123456789abcdef0123456789abcdee"))));

    QTRY_COMPARE(m_store.count("FTP session closed", iFrom), connects ? 2 : 1);
    QCOMPARE(m_store.count("FTP session opened", iFrom), connects ? 2 : 1);
    QCOMPARE(leftovers(local(QStringLiteral("locked"))), QStringList());
}

void tst_Ftp::badNamesNeverConnect_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("empty") << QString();
    QTest::newRow("path") << QStringLiteral("../x");
    QTest::newRow("upper-case hex") << QStringLiteral("0123456789ABCDEF0123456789ABCDEF");
    QTest::newRow("31 digits") << QStringLiteral("0123456789abcdef0123456789abcde");
    QTest::newRow("33 digits") << QStringLiteral("0123456789abcdef0123456789abcdef0");
    QTest::newRow("trailing newline") << QStringLiteral("0123456789abcdef0123456789abcdef\n");
    QTest::newRow("not hex") << QStringLiteral("0123456789abcdef0123456789abcdeg");
}

void tst_Ftp::badNamesNeverConnect()
{
    QFETCH(QString, name);
    QVERIFY(!CFtp::isRemoteName(name));
    const QByteArray arGood = randomBytes(100);
    QVERIFY(writeFile(local(QStringLiteral("good.bin")), arGood));
    QVERIFY(writeFile(local(QStringLiteral("bad.bin")), arGood));
    const qsizetype iFrom = m_store.log().size();
    auto ftp = makeFtp(m_store.port());
    Recorder recorder(*ftp);
    ftp->slot_onAppend(name, local(QStringLiteral("bad.bin")), QString(), false, 1, 0);
    ftp->slot_onAppend(name, local(QStringLiteral("bad-down.bin")), QString(), true, 2, 0);
    ftp->slot_onAppend(md5Hex(arGood), local(QStringLiteral("good.bin")), QString(), false, 3, 0);
    // Reported later, not from inside the append.
    QCOMPARE(recorder.events, QStringList());
    QTRY_COMPARE_WITH_TIMEOUT(recorder.outcomes(),
                              (QStringList{QStringLiteral("failed 1"), QStringLiteral("failed 2"),
                                           QStringLiteral("success 3")}),
                              10000);
    QVERIFY(!QFile::exists(local(QStringLiteral("bad-down.bin"))));
    QTRY_COMPARE(m_store.count("FTP session closed", iFrom), 1);
    QCOMPARE(m_store.count("FTP session opened", iFrom), 1);
}

void tst_Ftp::stallIsAbandoned_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("download stops sending") << QStringLiteral("download");
    QTest::newRow("upload no longer read") << QStringLiteral("upload");
    QTest::newRow("server never greets") << QStringLiteral("silent");
}

void tst_Ftp::stallIsAbandoned()
{
    QFETCH(QString, kind);
    // Bigger than the peer sends or reads before it stalls, and than the socket buffers hold.
    const QByteArray arBig = randomBytes(16 * 1024 * 1024);
    const QByteArray arSmall = randomBytes(3000);
    const QString strBig = md5Hex(arBig);
    QVERIFY(writeFile(m_strStallDir + QLatin1Char('/') + strBig, arBig));
    QVERIFY(writeFile(m_strStallDir + QLatin1Char('/') + md5Hex(arSmall), arSmall));
    QVERIFY(writeFile(local(QStringLiteral("stall-up.bin")), arBig));
    // A destination that exists stays as it was.
    QVERIFY(writeFile(local(QStringLiteral("stall-down.bin")), "before"));
    QFile::remove(local(QStringLiteral("small.bin")));

    QTcpServer silent;
    QVERIFY(silent.listen(QHostAddress::LocalHost));
    const quint16 iFirstPort =
        kind == QLatin1String("silent") ? silent.serverPort() : m_stallPeer.port();
    auto ftp = std::make_unique<CFtp>();
    ftp->setWatchdogMs(WATCHDOG_MS);
    QList<quint16> ports{iFirstPort, m_stallPeer.port()};
    ftp->setAccountSource([&ports] {
        return CFtpAccount{QStringLiteral("127.0.0.1"),
                           ports.size() > 1 ? ports.takeFirst() : ports.first(), kUser, kMobile};
    });
    Recorder recorder(*ftp);
    const bool bUpload = kind == QLatin1String("upload");
    ftp->slot_onAppend(
        strBig, local(bUpload ? QStringLiteral("stall-up.bin") : QStringLiteral("stall-down.bin")),
        QString(), !bUpload, 1, 0);
    ftp->slot_onAppend(md5Hex(arSmall), local(QStringLiteral("small.bin")), QString(), true, 2, 0);
    QTRY_COMPARE_WITH_TIMEOUT(
        recorder.outcomes(), (QStringList{QStringLiteral("failed 1"), QStringLiteral("success 2")}),
        15000);
    // Given up after about the watchdog's time of silence, not at once and not much later.
    QVERIFY2(recorder.ends.constFirst() >= WATCHDOG_MS - 50,
             qPrintable(QString::number(recorder.ends.first())));
    QVERIFY2(recorder.ends.constFirst() < 3 * WATCHDOG_MS + 1000,
             qPrintable(QString::number(recorder.ends.first())));
    QCOMPARE(readFile(local(QStringLiteral("small.bin"))), arSmall);
    QCOMPARE(readFile(local(QStringLiteral("stall-down.bin"))), QByteArray("before"));
    if (kind == QLatin1String("download"))
        QVERIFY(!recorder.progressOf(1).isEmpty());
}

void tst_Ftp::wrongContentIsNotKept()
{
    // The peer serves under one content's name another content.
    const QByteArray arNamed = randomBytes(5000);
    const QByteArray arServed = randomBytes(5001);
    QVERIFY(writeFile(m_strStallDir + QLatin1Char('/') + md5Hex(arNamed), arServed));
    QFile::remove(local(QStringLiteral("fresh.bin")));
    QVERIFY(writeFile(local(QStringLiteral("kept.bin")), "mine"));
    auto ftp = makeFtp(m_stallPeer.port());
    Recorder recorder(*ftp);
    ftp->slot_onAppend(md5Hex(arNamed), local(QStringLiteral("fresh.bin")), QString(), true, 1, 0);
    ftp->slot_onAppend(md5Hex(arNamed), local(QStringLiteral("kept.bin")), QString(), true, 2, 0);
    QTRY_COMPARE_WITH_TIMEOUT(recorder.outcomes(),
                              (QStringList{QStringLiteral("failed 1"), QStringLiteral("failed 2")}),
                              10000);
    QVERIFY(!QFile::exists(local(QStringLiteral("fresh.bin"))));
    QCOMPARE(readFile(local(QStringLiteral("kept.bin"))), QByteArray("mine"));
}

void tst_Ftp::cancelRunningAndQueued()
{
    const QByteArray arBig = randomBytes(16 * 1024 * 1024);
    const QString strBig = md5Hex(arBig);
    QVERIFY(writeFile(m_strStallDir + QLatin1Char('/') + strBig, arBig));
    const QByteArray arSmall = randomBytes(777);
    QVERIFY(writeFile(m_strStallDir + QLatin1Char('/') + md5Hex(arSmall), arSmall));
    QFile::remove(local(QStringLiteral("c1.bin")));
    QFile::remove(local(QStringLiteral("c2.bin")));
    QFile::remove(local(QStringLiteral("c3.bin")));

    // The running one stalls after its first bytes, so it is surely running when cancelled.
    auto ftp = makeFtp(m_stallPeer.port());
    ftp->setWatchdogMs(20000);
    Recorder recorder(*ftp);
    ftp->slot_onAppend(strBig, local(QStringLiteral("c1.bin")), QStringLiteral("9"), true, 1, 0);
    ftp->slot_onAppend(md5Hex(arSmall), local(QStringLiteral("c2.bin")), QStringLiteral("9"), true,
                       2, 0);
    ftp->slot_onAppend(md5Hex(arSmall), local(QStringLiteral("c3.bin")), QStringLiteral("9"), true,
                       3, 0);
    QTRY_VERIFY_WITH_TIMEOUT(!recorder.progressOf(1).isEmpty(), 10000);
    // Another message's or direction's cancel touches nothing.
    ftp->slot_onCancel(QStringLiteral("9"), false, 1);
    ftp->slot_onCancel(QStringLiteral("8"), true, 1);
    ftp->slot_onCancel(QStringLiteral("9"), true, 2);
    ftp->slot_onCancel(QStringLiteral("9"), true, 1);
    const int iEventsAtCancel = int(recorder.events.size());
    QTRY_COMPARE_WITH_TIMEOUT(recorder.outcomes(), QStringList{QStringLiteral("success 3")}, 10000);
    // Nothing of the cancelled ones after the cancel.
    for (const QString &str : recorder.events.mid(iEventsAtCancel))
        QVERIFY2(str.section(QLatin1Char(' '), 1, 1) == QLatin1String("3"), qPrintable(str));
    // Well before the watchdog: cancelling does not wait for the stalled peer.
    QVERIFY(recorder.ends.constFirst() < 10000);
    QVERIFY(!QFile::exists(local(QStringLiteral("c1.bin"))));
    QVERIFY(!QFile::exists(local(QStringLiteral("c2.bin"))));
    QCOMPARE(readFile(local(QStringLiteral("c3.bin"))), arSmall);
    QTest::qWait(300);
    QCOMPARE(recorder.outcomes(), QStringList{QStringLiteral("success 3")});
    QVERIFY(ftp->isIdle());
}

void tst_Ftp::startNextDownloadAbandonsTheCurrent()
{
    const QByteArray arBig = randomBytes(16 * 1024 * 1024);
    QVERIFY(writeFile(m_strStallDir + QLatin1Char('/') + md5Hex(arBig), arBig));
    const QByteArray arSmall = randomBytes(1234);
    QVERIFY(writeFile(m_strStallDir + QLatin1Char('/') + md5Hex(arSmall), arSmall));
    QFile::remove(local(QStringLiteral("abandoned.bin")));
    QFile::remove(local(QStringLiteral("after.bin")));
    auto ftp = makeFtp(m_stallPeer.port());
    ftp->setWatchdogMs(20000);
    Recorder recorder(*ftp);
    ftp->slot_onAppend(md5Hex(arBig), local(QStringLiteral("abandoned.bin")), QString(), true, 1,
                       0);
    ftp->slot_onAppend(md5Hex(arSmall), local(QStringLiteral("after.bin")), QString(), true, 2, 0);
    QTRY_VERIFY_WITH_TIMEOUT(!recorder.progressOf(1).isEmpty(), 10000);
    ftp->startNextDownload();
    QTRY_COMPARE_WITH_TIMEOUT(
        recorder.outcomes(), (QStringList{QStringLiteral("failed 1"), QStringLiteral("success 2")}),
        10000);
    QVERIFY(!QFile::exists(local(QStringLiteral("abandoned.bin"))));
    QCOMPARE(readFile(local(QStringLiteral("after.bin"))), arSmall);
}

void tst_Ftp::destructionStopsTheTransfer()
{
    const QByteArray arBig = randomBytes(16 * 1024 * 1024);
    const QString strBig = md5Hex(arBig);
    QVERIFY(writeFile(m_strStallDir + QLatin1Char('/') + strBig, arBig));
    QFile::remove(local(QStringLiteral("gone.bin")));
    auto ftp = makeFtp(m_stallPeer.port());
    ftp->setWatchdogMs(20000);
    Recorder recorder(*ftp);
    ftp->slot_onAppend(strBig, local(QStringLiteral("gone.bin")), QString(), true, 1, 0);
    QTRY_VERIFY_WITH_TIMEOUT(!recorder.progressOf(1).isEmpty(), 10000);
    QElapsedTimer timer;
    timer.start();
    ftp.reset();
    QVERIFY2(timer.elapsed() < 2000, qPrintable(QString::number(timer.elapsed())));
    QVERIFY(!QFile::exists(local(QStringLiteral("gone.bin"))));
}

void tst_Ftp::storeRefuses_data()
{
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<int>("code");
    const QByteArray arName = "0123456789abcdef0123456789abcdef";
    QTest::newRow("LIST") << QByteArray("LIST") << 502;
    QTest::newRow("NLST") << QByteArray("NLST") << 502;
    QTest::newRow("MLSD") << QByteArray("MLSD") << 502;
    QTest::newRow("DELE") << "DELE " + arName << 502;
    QTest::newRow("RNFR") << "RNFR " + arName << 502;
    QTest::newRow("RNTO") << "RNTO " + arName << 502;
    QTest::newRow("MKD") << QByteArray("MKD x") << 502;
    QTest::newRow("RMD") << QByteArray("RMD x") << 502;
    QTest::newRow("CWD") << QByteArray("CWD ..") << 502;
    QTest::newRow("SITE") << "SITE CHMOD 777 " + arName << 502;
    QTest::newRow("APPE") << "APPE " + arName << 502;
    QTest::newRow("STOU") << QByteArray("STOU") << 502;
    QTest::newRow("active mode") << QByteArray("PORT 127,0,0,1,4,1") << 502;
    QTest::newRow("resuming") << QByteArray("REST 100") << 502;
    QTest::newRow("RETR of the account store") << QByteArray("RETR ../service.db") << 553;
    QTest::newRow("STOR of a path") << QByteArray("STOR ../x") << 553;
    QTest::newRow("SIZE in upper case") << "SIZE " + arName.toUpper() << 553;
    QTest::newRow("SIZE of a short name") << QByteArray("SIZE 0123") << 553;
}

void tst_Ftp::storeRefuses()
{
    QFETCH(QByteArray, command);
    QFETCH(int, code);
    // A stored file that the refused commands could otherwise touch.
    const QByteArray arData = randomBytes(64);
    QVERIFY(writeFile(stored(QStringLiteral("0123456789abcdef0123456789abcdef")), arData));
    RawFtp ftp;
    QVERIFY(ftp.connectTo(m_store.port()));
    // Nothing before signing in.
    QCOMPARE(ftp.send("SIZE 0123456789abcdef0123456789abcdef"), 530);
    QCOMPARE(ftp.send("USER " + kUser.toLatin1()), 331);
    QCOMPARE(ftp.send("PASS " + kMobile.toLatin1()), 230);
    QCOMPARE(ftp.send("TYPE I"), 200);
    QCOMPARE(ftp.send(command), code);
    QCOMPARE(ftp.send("SIZE 0123456789abcdef0123456789abcdef"), 213);
    QCOMPARE(ftp.send("QUIT"), 221);
    QCOMPARE(readFile(stored(QStringLiteral("0123456789abcdef0123456789abcdef"))), arData);
    QCOMPARE(QDir(m_dir.filePath(QStringLiteral("service/files")))
                 .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
                 .filter(QStringLiteral("x")),
             QStringList());
}

void tst_Ftp::storeRefusesWrongLogins_data()
{
    QTest::addColumn<QByteArray>("user");
    QTest::addColumn<QByteArray>("password");
    QTest::newRow("another account's mobile") << QByteArray("1001") << QByteArray("13800000002");
    QTest::newRow("empty password") << QByteArray("1001") << QByteArray("");
    QTest::newRow("unknown account") << QByteArray("1003") << QByteArray("13800000001");
    QTest::newRow("leading zero") << QByteArray("01001") << QByteArray("13800000001");
    QTest::newRow("SQL in the user") << QByteArray("1001 OR 1=1") << QByteArray("13800000001");
    QTest::newRow("anonymous") << QByteArray("anonymous") << QByteArray("x@y");
}

void tst_Ftp::storeRefusesWrongLogins()
{
    QFETCH(QByteArray, user);
    QFETCH(QByteArray, password);
    RawFtp ftp;
    QVERIFY(ftp.connectTo(m_store.port()));
    QCOMPARE(ftp.send("USER " + user), 331);
    QCOMPARE(ftp.send("PASS " + password), 530);
    QCOMPARE(ftp.send("SIZE 0123456789abcdef0123456789abcdef"), 530);
}

void tst_Ftp::storeKeepsOnlyMatchingContent()
{
    // Planting: content uploaded under the name of other content is refused and not kept.
    const QByteArray arVictim = randomBytes(9000);
    const QByteArray arPlanted = randomBytes(9001);
    const QString strVictim = md5Hex(arVictim);
    QFile::remove(stored(strVictim));
    QVERIFY(writeFile(local(QStringLiteral("planted.bin")), arPlanted));
    QVERIFY(writeFile(local(QStringLiteral("victim.bin")), arVictim));
    auto ftp = makeFtp(m_store.port());
    Recorder recorder(*ftp);
    ftp->slot_onAppend(strVictim, local(QStringLiteral("planted.bin")), QString(), false, 1, 0);
    QTRY_COMPARE_WITH_TIMEOUT(recorder.outcomes(), QStringList{QStringLiteral("failed 1")}, 10000);
    QVERIFY(!QFile::exists(stored(strVictim)));

    // The true content is kept; a second upload of the same content leaves it as it was.
    ftp->slot_onAppend(strVictim, local(QStringLiteral("victim.bin")), QString(), false, 2, 0);
    QTRY_COMPARE_WITH_TIMEOUT(recorder.outcomes().size(), 2, 10000);
    QCOMPARE(recorder.outcomes().last(), QStringLiteral("success 2"));
    const QDateTime stamp = QFileInfo(stored(strVictim)).lastModified();
    ftp->slot_onAppend(strVictim, local(QStringLiteral("victim.bin")), QString(), false, 3, 0);
    ftp->slot_onAppend(strVictim, local(QStringLiteral("planted.bin")), QString(), false, 4, 0);
    QTRY_COMPARE_WITH_TIMEOUT(recorder.outcomes().size(), 4, 10000);
    QCOMPARE(recorder.outcomes().mid(2),
             (QStringList{QStringLiteral("success 3"), QStringLiteral("failed 4")}));
    QCOMPARE(readFile(stored(strVictim)), arVictim);
    QCOMPARE(QFileInfo(stored(strVictim)).lastModified(), stamp);
}

void tst_Ftp::storeRefusesOversizedUpload()
{
    FtpPeer small;
    QVERIFY2(small.start(QStringLiteral(ZEPHON_FTPD_SCRIPT),
                         {QStringLiteral("--data-dir"), m_dir.filePath(QStringLiteral("service")),
                          QStringLiteral("--port"), QStringLiteral("0"),
                          QStringLiteral("--max-file-mb"), QStringLiteral("1")}),
             small.log().constData());
    const QByteArray arBig = randomBytes(1000 * 1000 + 1);
    const QByteArray arFits = randomBytes(1000 * 1000);
    QVERIFY(writeFile(local(QStringLiteral("oversized.bin")), arBig));
    QVERIFY(writeFile(local(QStringLiteral("fits.bin")), arFits));
    auto ftp = makeFtp(small.port());
    Recorder recorder(*ftp);
    ftp->slot_onAppend(md5Hex(arBig), local(QStringLiteral("oversized.bin")), QString(), false, 1,
                       0);
    ftp->slot_onAppend(md5Hex(arFits), local(QStringLiteral("fits.bin")), QString(), false, 2, 0);
    QTRY_COMPARE_WITH_TIMEOUT(
        recorder.outcomes(), (QStringList{QStringLiteral("failed 1"), QStringLiteral("success 2")}),
        10000);
    QVERIFY(!QFile::exists(stored(md5Hex(arBig))));
    QCOMPARE(readFile(stored(md5Hex(arFits))), arFits);
}

QTEST_GUILESS_MAIN(tst_Ftp)
#include "tst_ftp.moc"
