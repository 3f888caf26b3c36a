// Files and pictures between two users through the real zephond and the FTP server it runs
// beside itself, each client in a process of its own with its own store, driven as the screens
// drive Core. 1000001 sends 1000002 a 5 MB file and a picture: the picture arrives by itself,
// the file when the receiver asks for it, with progress on the way, and both are on the
// receiver's disk byte for byte as they left. A cancelled download leaves nothing and a peer's
// second try works; a file the sender cannot read never reaches anyone.
#include <QCryptographicHash>
#include <QGuiApplication>
#include <QImage>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include "codes.h"
#include "corepeer.h"
#include "zephondprocess.h"

namespace {

constexpr char kPassword[] = "demo1234";
const QString kA = QStringLiteral("1000001");
const QString kB = QStringLiteral("1000002");

QByteArray readAll(const QString &strPath)
{
    QFile file(strPath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeAll(const QString &strPath, const QByteArray &arData)
{
    QFile file(strPath);
    return file.open(QIODevice::WriteOnly) && file.write(arData) == arData.size();
}

} // namespace

class TestFilesTwoClients : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();

    void pictureArrivesByItself();
    void fileArrivesWhenAskedFor();
    void unreadableFileReachesNobody();

private:
    // The newest row of B's conversation with A of that sub-type; empty when there is none yet.
    QJsonObject newestFromA(int iSubType);

    QTemporaryDir m_dir;
    ZephondProcess m_service;
    std::unique_ptr<CorePeer> m_pA;
    std::unique_ptr<CorePeer> m_pB;
};

void TestFilesTwoClients::initTestCase()
{
    QVERIFY(m_dir.isValid());
    const QString strData = m_dir.filePath(QStringLiteral("service"));
    QVERIFY(QDir().mkpath(strData));
    QVERIFY2(m_service.start(strData), qPrintable(m_service.errorText()));
    QVERIFY2(m_service.ftpPort() > 0, m_service.output().constData());
    // The peers inherit the port of the service's file store.
    qputenv("ZEPHON_FTP_PORT", QByteArray::number(m_service.ftpPort()));
    m_pA = CorePeer::signedIn(m_dir.filePath(kA), m_service.serverText(), kA,
                              QString::fromLatin1(kPassword));
    m_pB = CorePeer::signedIn(m_dir.filePath(kB), m_service.serverText(), kB,
                              QString::fromLatin1(kPassword));
    QVERIFY(m_pA && m_pB);
}

void TestFilesTwoClients::cleanupTestCase()
{
    m_pA.reset();
    m_pB.reset();
    if (m_service.isRunning())
        QCOMPARE(m_service.stop(), 0);
}

QJsonObject TestFilesTwoClients::newestFromA(int iSubType)
{
    m_pB->invoke(QStringLiteral("getMessage"), {QStringLiteral("2"), kA});
    const QJsonArray rows = m_pB->list(QStringLiteral("messageModel"));
    for (auto it = rows.end(); it != rows.begin();) {
        const QJsonObject row = (--it)->toObject();
        if (!row.value("bSend").toBool() && row.value("iSubType").toInt() == iSubType)
            return row;
    }
    return QJsonObject();
}

void TestFilesTwoClients::pictureArrivesByItself()
{
    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(QColor(200, 40, 90));
    const QString strSource = m_dir.filePath(QStringLiteral("holiday.png"));
    QVERIFY(image.save(strSource));
    const QByteArray arSent = readAll(strSource);

    m_pA->invoke(QStringLiteral("uploadFile"),
                 {"file://" + strSource, kB, QString::number(Codes::ContentPicture)});
    const QStringList sent = m_pA->wait(QStringLiteral("sig_success"), {"2=false"}, 20000);
    QCOMPARE(sent.value(0), "file://" + strSource);

    // No click on B's side: the picture is fetched as it is announced.
    const QStringList received =
        m_pB->wait(QStringLiteral("sig_success"),
                   {"2=true", "4=" + QString::number(Codes::ContentPicture)}, 20000);
    QVERIFY2(!received.isEmpty(), m_pB->trace().right(3000).constData());
    const QString strLocal = QUrl(received.value(0)).toLocalFile();
    QCOMPARE(QFileInfo(strLocal).dir().dirName(), QStringLiteral("temp"));
    QCOMPARE(readAll(strLocal), arSent);
    const QJsonObject row = newestFromA(Codes::ContentPicture);
    QCOMPARE(row.value("iMsgState").toInt(), int(Codes::TransferDone));
    QCOMPARE(row.value("strCaption").toString(), received.value(0));
    QVERIFY(row.value("strContent")
                .toString()
                .startsWith(QCryptographicHash::hash(arSent, QCryptographicHash::Md5).toHex() +
                            ":holiday.png:"));
}

void TestFilesTwoClients::fileArrivesWhenAskedFor()
{
    QByteArray arData(5 * 1024 * 1024, Qt::Uninitialized);
    QRandomGenerator generator(24);
    generator.fillRange(reinterpret_cast<quint32 *>(arData.data()), arData.size() / 4);
    const QString strSource = m_dir.filePath(QStringLiteral("report.bin"));
    QVERIFY(writeAll(strSource, arData));

    m_pA->invoke(QStringLiteral("uploadFile"),
                 {"file://" + strSource, kB, QString::number(Codes::ContentFile)});
    QVERIFY(!m_pA->wait(QStringLiteral("sig_success"), {"2=false"}, 30000).isEmpty());
    QJsonObject row;
    QTRY_VERIFY_WITH_TIMEOUT(!(row = newestFromA(Codes::ContentFile)).isEmpty(), 10000);
    QCOMPARE(row.value("iMsgState").toInt(), int(Codes::TransferQueued));
    const QStringList fields = row.value("strContent").toString().split(':');
    QCOMPARE(fields.size(), 5);
    QCOMPARE(fields.at(1), QStringLiteral("report.bin"));
    const QString strMsgId = QString::number(row.value("iMsgId").toInt());

    // The first try is cancelled at once: nothing is left where it was going.
    const QString strTarget = m_dir.filePath(QStringLiteral("inbox/report.bin"));
    QVERIFY(QDir().mkpath(QFileInfo(strTarget).path()));
    QVERIFY(m_pB->answerDialog(strTarget));
    QCOMPARE(m_pB->invoke(QStringLiteral("chooseDir"), {fields.at(1), fields.at(4)}), strTarget);
    m_pB->invoke(QStringLiteral("downloadFile"),
                 {fields.at(0), strTarget, kA, strMsgId, QString::number(Codes::ContentFile)});
    m_pB->invoke(QStringLiteral("cancelRecvFile"), {strTarget, kA, "true", strMsgId});
    QVERIFY(m_pB->wait(QStringLiteral("sig_success"), {"2=true", "3=" + strMsgId}, 3000).isEmpty());
    QCOMPARE(QDir(QFileInfo(strTarget).path()).entryList(QDir::Files), QStringList());
    QCOMPARE(newestFromA(Codes::ContentFile).value("iMsgState").toInt(),
             int(Codes::TransferCancelled));

    // Asked for again, it arrives with progress on the way.
    m_pB->invoke(QStringLiteral("downloadFile"),
                 {fields.at(0), strTarget, kA, strMsgId, QString::number(Codes::ContentFile)});
    const QStringList done =
        m_pB->wait(QStringLiteral("sig_success"), {"2=true", "3=" + strMsgId}, 30000);
    QVERIFY2(!done.isEmpty(), m_pB->trace().right(3000).constData());
    QCOMPARE(done.value(0), "file://" + strTarget);
    QVERIFY(
        !m_pB->wait(QStringLiteral("sig_progress"), {"1=true", "2=" + strMsgId}, 1000).isEmpty());
    QCOMPARE(readAll(strTarget), arData);
    QCOMPARE(newestFromA(Codes::ContentFile).value("iMsgState").toInt(), int(Codes::TransferDone));
}

void TestFilesTwoClients::unreadableFileReachesNobody()
{
    const QString strMissing = m_dir.filePath(QStringLiteral("gone.txt"));
    m_pA->invoke(QStringLiteral("uploadFile"),
                 {"file://" + strMissing, kB, QString::number(Codes::ContentFile)});
    QVERIFY(!m_pA->wait(QStringLiteral("sig_failed"), {"1=false"}, 2000).isEmpty());
    m_pA->invoke(QStringLiteral("getMessage"), {QStringLiteral("2"), kB});
    for (const QJsonValue &value : m_pA->list(QStringLiteral("messageModel")))
        QVERIFY(!value.toObject().value("strContent").toString().contains("gone.txt"));
}

QTEST_MAIN(TestFilesTwoClients)
#include "tst_filestwoclients.moc"
