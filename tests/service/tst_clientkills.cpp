// A client killed with SIGKILL again and again while its workers write the address book the
// service pushes at sign-in and messages arrive from another client: after every kill each of
// its SQLite files passes the integrity check and holds either the whole pushed book or none of
// it, the next start opens the store and signs in, and no message is shown twice.
//
// ZEPHON_SOAK_KILLS sets how many times the client is killed (50 by default; the long form in
// scripts/soak kills it 200 times), ZEPHON_SOAK_SEED the schedule of the kills.
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include "codes.h"
#include "corepeer.h"
#include "scenariosize.h"
#include "sqlfile.h"
#include "zephondprocess.h"

using namespace Codes;

namespace {

constexpr char kPassword[] = "demo1234";
const QString kZhang = QStringLiteral("1000001");
const QString kLi = QStringLiteral("1000002");
// Large enough that the batch writing it takes a while, so that kills land inside it; the
// service takes books of up to 60 KiB.
constexpr int kBookSize = 1800;

// The SQLite files under strFolder, found by their header.
QStringList sqliteFiles(const QString &strFolder)
{
    QStringList files;
    QDirIterator it(strFolder, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString strPath = it.next();
        QFile file(strPath);
        if (file.open(QIODevice::ReadOnly) && file.read(16) == QByteArray("SQLite format 3\0", 16))
            files << strPath;
    }
    return files;
}

} // namespace

class TestClientKills : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void storeSurvivesKillsDuringPushesAndMessages();

private:
    QTemporaryDir m_dir;
    ZephondProcess m_service;
};

void TestClientKills::initTestCase()
{
    QVERIFY(m_dir.isValid());
    const QString strData = m_dir.filePath(QStringLiteral("service"));
    // Li's address book, pushed to its client at every sign-in.
    QFile book(m_dir.filePath(QStringLiteral("book.txt")));
    QVERIFY(book.open(QIODevice::WriteOnly));
    for (int i = 0; i < kBookSize; ++i)
        book.write(
            QStringLiteral("1370000%1 联系人%2\n").arg(i, 4, 10, QLatin1Char('0')).arg(i).toUtf8());
    book.close();
    QByteArray arOutput;
    QCOMPARE(ZephondProcess::runAdmin(strData, {QStringLiteral("demo")}, &arOutput), 0);
    QVERIFY2(ZephondProcess::runAdmin(strData, {QStringLiteral("set-book"), kLi, book.fileName()},
                                      &arOutput) == 0,
             arOutput.constData());
    m_service.setExtraArguments({QStringLiteral("--hash-cost"), QStringLiteral("minimal")});
    QVERIFY2(m_service.start(strData), qPrintable(m_service.errorText()));
}

void TestClientKills::cleanupTestCase()
{
    if (m_service.isRunning())
        QCOMPARE(m_service.stop(), 0);
}

void TestClientKills::storeSurvivesKillsDuringPushesAndMessages()
{
    const int iKills = scenarioSize("ZEPHON_SOAK_KILLS", 50);
    QRandomGenerator random(quint32(scenarioSize("ZEPHON_SOAK_SEED", 28)));
    QElapsedTimer clock;
    clock.start();
    auto zhang = CorePeer::signedIn(m_dir.filePath(kZhang), m_service.serverText(), kZhang,
                                    QString::fromLatin1(kPassword));
    QVERIFY(zhang);
    const QString strLiFolder = m_dir.filePath(kLi);
    const QString strBookCount =
        QStringLiteral("Select count(*) from Contact where Phone like '1370000%'");

    int iWholeBooks = 0;
    int iEmptyBooks = 0;
    int iMessages = 0;
    for (int k = 0; k < iKills; ++k) {
        CorePeer li;
        QVERIFY2(
            li.start(strLiFolder, m_service.serverText()),
            qPrintable(
                QStringLiteral("round %1: the store did not open: %2").arg(k).arg(li.errorText())));
        QVERIFY2(
            li.signIn(kLi, QString::fromLatin1(kPassword)),
            qPrintable(QStringLiteral("round %1: no sign-in: %2\n%3")
                           .arg(k)
                           .arg(li.errorText(), QString::fromLocal8Bit(li.trace().right(2000)))));
        // Messages on their way while the book is written.
        for (int i = 0; i < 3; ++i, ++iMessages)
            QVERIFY(zhang->emitRoot(QStringLiteral("sendMsg"),
                                    {QStringLiteral("第%1条").arg(iMessages), kLi}));
        QTest::qWait(int(random.bounded(250)));
        li.kill();

        const QStringList files = sqliteFiles(strLiFolder);
        QVERIFY(!files.isEmpty());
        for (const QString &strFile : files)
            QCOMPARE(SqlFile::value(strFile, QStringLiteral("PRAGMA integrity_check")).toString(),
                     QStringLiteral("ok"));
        // The book is written in one batch: all of it or none.
        int iBook = -1;
        for (const QString &strFile : files) {
            const QVariant count = SqlFile::value(strFile, strBookCount);
            if (count.isValid())
                iBook = qMax(iBook, count.toInt());
        }
        QVERIFY2(
            iBook == 0 || iBook == kBookSize,
            qPrintable(
                QStringLiteral("round %1: %2 of %3 entries").arg(k).arg(iBook).arg(kBookSize)));
        ++(iBook == 0 ? iEmptyBooks : iWholeBooks);
    }

    // A last, undisturbed start has everything: the whole book and each message once.
    auto li = CorePeer::signedIn(strLiFolder, m_service.serverText(), kLi,
                                 QString::fromLatin1(kPassword));
    QVERIFY(li);
    // What the service took from Zhang (its row accepted or delivered) Li shows, once; the rest
    // Zhang gave up without an answer from the service.
    QStringList taken;
    int iRefused = 0;
    const auto zhangSettled = [&] {
        taken.clear();
        iRefused = 0;
        zhang->invoke(QStringLiteral("getMessage"), {QString::number(ZpidRegistered), kLi});
        for (const QJsonValue &value : zhang->list(QStringLiteral("messageModel"))) {
            const QJsonObject row = value.toObject();
            if (row.value("bSeparator").toBool() || !row.value("bSend").toBool())
                continue;
            const int iState = row.value("iMsgState").toInt();
            if (iState == MsgNew)
                return false;
            if (iState == MsgFailed)
                ++iRefused;
            else
                taken << row.value("strContent").toString();
        }
        return true;
    };
    QTRY_VERIFY_WITH_TIMEOUT(zhangSettled(), 10000);
    QStringList received;
    const auto allArrived = [&] {
        received.clear();
        li->invoke(QStringLiteral("getMessage"), {QString::number(ZpidRegistered), kZhang});
        for (const QJsonValue &value : li->list(QStringLiteral("messageModel"))) {
            const QJsonObject row = value.toObject();
            if (!row.value("bSeparator").toBool() && !row.value("bSend").toBool())
                received << row.value("strContent").toString();
        }
        for (const QString &strText : std::as_const(taken))
            if (!received.contains(strText))
                return false;
        return true;
    };
    QTRY_VERIFY2_WITH_TIMEOUT(
        allArrived(),
        qPrintable(QStringLiteral("%1 taken, %2 received").arg(taken.size()).arg(received.size())),
        20000);
    for (int i = 0; i < iMessages; ++i)
        QVERIFY2(received.count(QStringLiteral("第%1条").arg(i)) <= 1,
                 qPrintable(QStringLiteral("第%1条 shown twice").arg(i)));
    for (const QString &strFile : sqliteFiles(strLiFolder)) {
        const QVariant count = SqlFile::value(strFile, strBookCount);
        if (count.isValid())
            QCOMPARE(count.toInt(), kBookSize);
    }
    qInfo().noquote()
        << QStringLiteral(
               "client kills: %1 kills, the book whole after %2 and not "
               "yet written after %3, %4 messages sent, %5 taken by the service and each shown "
               "once, %6 refused, %7 s")
               .arg(iKills)
               .arg(iWholeBooks)
               .arg(iEmptyBooks)
               .arg(iMessages)
               .arg(taken.size())
               .arg(iRefused)
               .arg(clock.elapsed() / 1000.0, 0, 'f', 1);
}

QTEST_GUILESS_MAIN(TestClientKills)
#include "tst_clientkills.moc"
