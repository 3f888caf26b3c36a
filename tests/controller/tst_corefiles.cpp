// Files, pictures, screenshots and the map page through Core as the running client wires them:
// the fake service on loopback, a real SQLite store in a fresh working directory per test, and
// a desktop whose dialogs answer from a script. What a peer sends is hostile here on purpose:
// names that climb out of folders, digests that are no digests, place texts holding markup.
#include <QCryptographicHash>
#include <QImage>
#include <QPixmap>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include "cdatabase.h"
#include "cftp.h"
#include "codes.h"
#include "core.h"
#include "corefixture.h"
#include "fakecipher.h"
#include "fakepacket.h"
#include "fakeservice.h"
#include "scripteddesktop.h"

namespace {

constexpr quint32 kMe = 1234567;
constexpr quint32 kPeer = 7654321;
const QString kDigest = QStringLiteral("0123456789abcdef0123456789abcdef");

// A picture message as the service relays it: the digest as its text, then name, size, date
// and suffix.
QByteArray pictureMessage(quint32 iMsgId, const QString &strDigest, const QString &strName)
{
    FakePacket packet(Codes::CmdMessage);
    packet.u32(kPeer).u32(kMe).u32(iMsgId).blob32(fakeEncrypt(strDigest.toUtf8())).u8(2);
    FakePacket block(0);
    for (const QString &strItem :
         {strName, QStringLiteral("3K"), QStringLiteral("2024-03-01"), QStringLiteral("png")})
        block.blob32(strItem.toUtf8());
    packet.f64(45352.75).blob32(fakeEncrypt(block.bytes().mid(1)));
    return packet.bytes();
}

QString md5Of(const QByteArray &arData)
{
    return QString::fromLatin1(QCryptographicHash::hash(arData, QCryptographicHash::Md5).toHex());
}

} // namespace

class TestCoreFiles : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void safeNames_data();
    void safeNames();
    void picturePathsStayInTemp_data();
    void picturePathsStayInTemp();
    void hostilePicturesFromPeerLandInTemp();
    void mapPages_data();
    void mapPages();
    void openMapWritesThePageAndOpensItsFile();

    void choosingFiles();
    void uploadToEveryMassRecipient();
    void uploadToOnePersonKeepsTheMassRecipients();
    void unreadableFileIsNotSent();
    void finishedUploadAnnouncesTheFile();
    void failedTransfers();
    void cancelledDownload();
    void screenshotsSavedUnderNamesOfTheirOwn();
    void savedScreenshotFollowsTheChosenSuffix_data();
    void savedScreenshotFollowsTheChosenSuffix();

private:
    void signIn();
    // Rows of the conversation with strZpid, oldest first.
    QList<QObject *> conversation(const QString &strZpid);
    QString writeFile(const QString &strName, const QByteArray &arData);

    FakeService m_fake;
    QTemporaryDir m_home;
    std::unique_ptr<QTemporaryDir> m_pDir;
    CoreFixture m_fx;
    ScriptedDesktop *m_pDesktop = nullptr;
};

void TestCoreFiles::initTestCase()
{
    QVERIFY(m_home.isValid());
    QVERIFY(CoreFixture::enterFolder(m_home.path()));
    FakeService::Account account;
    account.iZpid = kMe;
    account.strLoginId = QString::number(kMe);
    account.strPassword = QStringLiteral("secret");
    account.strPhone = QStringLiteral("13800000000");
    QVERIFY(CoreFixture::serve(m_fake, account));
    QDir(QCoreApplication::applicationDirPath()).mkpath(QStringLiteral("temp"));
}

void TestCoreFiles::init()
{
    m_fake.clearReceived();
    m_pDir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_pDir->isValid());
    QVERIFY(QDir::setCurrent(m_pDir->path()));
    m_fx.start();
    auto pDesktop = std::make_unique<ScriptedDesktop>();
    m_pDesktop = pDesktop.get();
    m_fx.core()->setDesktop(std::move(pDesktop));
    // The transfers themselves are the file transfer's tests; here the test reports them.
    QObject::disconnect(m_fx.core(), &Core::sig_append, m_fx.core()->ftp(), nullptr);
}

void TestCoreFiles::cleanup()
{
    m_fx.stop();
    m_pDesktop = nullptr;
    QDir::setCurrent(m_home.path());
    m_pDir.reset();
}

void TestCoreFiles::signIn()
{
    m_fx.signIn(QString::number(kMe), QStringLiteral("secret"));
    QTRY_VERIFY(!m_fake.packets(Codes::CmdHeartbeat, FakeService::Udp).isEmpty());
}

QList<QObject *> TestCoreFiles::conversation(const QString &strZpid)
{
    m_fx.core()->getMessage(m_fx.core()->getZpidType(strZpid), strZpid);
    QList<QObject *> rows;
    for (QObject *pRow : m_fx.list("messageModel")) {
        if (!pRow->property("bSeparator").toBool())
            rows << pRow;
    }
    return rows;
}

QString TestCoreFiles::writeFile(const QString &strName, const QByteArray &arData)
{
    const QString strPath = QDir(m_pDir->path()).filePath(strName);
    QFile file(strPath);
    if (!file.open(QIODevice::WriteOnly) || file.write(arData) != arData.size())
        return QString();
    return strPath;
}

void TestCoreFiles::safeNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("safe");
    QTest::newRow("plain") << "photo.png"
                           << "photo.png";
    QTest::newRow("climbs") << "../../x"
                            << "x";
    QTest::newRow("absolute") << "/etc/x"
                              << "x";
    QTest::newRow("backslash") << "a\\b"
                               << "b";
    QTest::newRow("suffix climbs") << "x./../y"
                                   << "y";
    QTest::newRow("line breaks") << "a\r\nb.png"
                                 << "ab.png";
    QTest::newRow("drive colon") << "c:evil.png"
                                 << "cevil.png";
    QTest::newRow("dot dot") << ".."
                             << "";
    QTest::newRow("dot") << "."
                         << "";
    QTest::newRow("hidden") << "..bashrc"
                            << "bashrc";
    QTest::newRow("trailing slash") << "dir/"
                                    << "";
    QTest::newRow("nul") << QStringLiteral("a") + QChar(0) + QStringLiteral("b") << "ab";
    QTest::newRow("chinese") << "照片 1.jpg"
                             << "照片 1.jpg";
    QTest::newRow("long") << QString(300, QLatin1Char('n')) + QStringLiteral(".png")
                          << QString(116, QLatin1Char('n')) + QStringLiteral(".png");
}

void TestCoreFiles::safeNames()
{
    QFETCH(QString, name);
    QFETCH(QString, safe);
    QCOMPARE(Core::safeFileName(name), safe);
}

void TestCoreFiles::picturePathsStayInTemp_data()
{
    QTest::addColumn<QString>("digest");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("file");
    QTest::newRow("named") << kDigest << "a.png"
                           << "01234567-a.png";
    QTest::newRow("climbing") << kDigest << "../../.config/autostart/x.desktop"
                              << "01234567-x.desktop";
    QTest::newRow("nothing left") << kDigest << "../.." << kDigest;
    QTest::newRow("upper case digest") << kDigest.toUpper() << "a.png"
                                       << "";
    QTest::newRow("short digest") << kDigest.left(31) << "a.png"
                                  << "";
    QTest::newRow("digest climbs") << "../../../../../../../etc/passwd"
                                   << "a.png"
                                   << "";
    QTest::newRow("empty digest") << ""
                                  << "a.png"
                                  << "";
}

void TestCoreFiles::picturePathsStayInTemp()
{
    QFETCH(QString, digest);
    QFETCH(QString, name);
    QFETCH(QString, file);
    const QString strPath = Core::receivedPicturePath(digest, name);
    if (file.isEmpty()) {
        QVERIFY(strPath.isEmpty());
        return;
    }
    QCOMPARE(strPath, QDir(QCoreApplication::applicationDirPath()).filePath("temp/" + file));
}

void TestCoreFiles::hostilePicturesFromPeerLandInTemp()
{
    signIn();
    QSignalSpy appended(m_fx.core(), &Core::sig_append);
    const QStringList names{"../../x", "/etc/x", "a\\b", "x./../y", "a\r\nb", ".."};
    quint32 iMsgId = 40;
    for (const QString &strName : names)
        m_fake.pushUdp(pictureMessage(iMsgId++, kDigest, strName));
    // A digest that is no digest is stored, but names nothing to fetch.
    m_fake.pushUdp(pictureMessage(iMsgId++, QStringLiteral("../../etc/passwd"), "a.png"));
    QTRY_COMPARE(conversation(QString::number(kPeer)).size(), names.size() + 1);
    QCOMPARE(appended.size(), names.size());
    const QString strTemp = QDir(QCoreApplication::applicationDirPath()).filePath("temp");
    QStringList files;
    for (const QList<QVariant> &args : appended) {
        QCOMPARE(args.at(0).toString(), kDigest);
        const QFileInfo info(args.at(1).toString());
        QCOMPARE(info.absolutePath(), strTemp);
        QVERIFY(args.at(3).toBool());
        files << info.fileName();
    }
    // The names arrive with the announced suffix put in place of theirs ("../../x" becomes
    // "../..png"); whatever that leaves, only the last part, without leading dots, is used.
    QCOMPARE(files, (QStringList{"01234567-png", "01234567-x.png", "01234567-b.png", "01234567-png",
                                 "01234567-ab.png", "01234567-png"}));
}

void TestCoreFiles::mapPages_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("pointLine");
    QTest::addColumn<QString>("titleLine");
    QTest::newRow("place") << "五四广场:36.1:120.3"
                           << "var point = new BMap.Point(120.3,36.1);"
                           << "<title>五四广场</title>";
    QTest::newRow("south west") << "x:-33.85:-70.65"
                                << "var point = new BMap.Point(-70.65,-33.85);"
                                << "<title>x</title>";
    QTest::newRow("markup in place")
        << "</title><script>alert(1)</script>:36.1:120.3"
        << "var point = new BMap.Point(120.3,36.1);"
        << "<title>&lt;/title&gt;&lt;script&gt;alert(1)&lt;/script&gt;</title>";
    QTest::newRow("quotes in place") << "\"a\" & 'b':1:2"
                                     << "var point = new BMap.Point(2,1);"
                                     << "<title>&quot;a&quot; &amp; 'b'</title>";
    QTest::newRow("script in latitude") << "x:1);alert(1)//:2"
                                        << ""
                                        << "";
    QTest::newRow("script in longitude") << "x:1:2);alert(1)//"
                                         << ""
                                         << "";
    QTest::newRow("too few parts") << "x:36.1"
                                   << ""
                                   << "";
    QTest::newRow("nothing") << ""
                             << ""
                             << "";
    QTest::newRow("latitude past the pole") << "x:90.5:1"
                                            << ""
                                            << "";
    QTest::newRow("longitude out of range") << "x:1:180.5"
                                            << ""
                                            << "";
    QTest::newRow("not a number") << "x:nan:1"
                                  << ""
                                  << "";
    QTest::newRow("infinite") << "x:1:inf"
                              << ""
                              << "";
    QTest::newRow("hex") << "x:0x10:1"
                         << ""
                         << "";
}

void TestCoreFiles::mapPages()
{
    QFETCH(QString, address);
    QFETCH(QString, pointLine);
    QFETCH(QString, titleLine);
    const QString strLoader = QStringLiteral("http://127.0.0.1:9/api?v=1.5&ak=abc");
    const QString strPage = Core::mapPage(address, strLoader);
    if (pointLine.isEmpty()) {
        QVERIFY(strPage.isEmpty());
        return;
    }
    const QStringList lines = strPage.split(QLatin1Char('\n'));
    QCOMPARE(lines.first(), QStringLiteral("<!DOCTYPE html>"));
    QVERIFY(lines.contains(pointLine));
    QVERIFY(lines.contains(titleLine));
    QVERIFY(lines.contains("<script type=\"text/javascript\" "
                           "src=\"http://127.0.0.1:9/api?v=1.5&amp;ak=abc\"></script>"));
    // Only the page's own two script elements open.
    QCOMPARE(strPage.count(QStringLiteral("<script")), 2);
}

void TestCoreFiles::openMapWritesThePageAndOpensItsFile()
{
    const QString strPage = QDir::current().absoluteFilePath("map.html");
    qputenv("ZEPHON_MAP_API", "http://127.0.0.1:9/api");
    qputenv("ZEPHON_MAP_KEY", "Key123");
    m_fx.core()->openMap(QStringLiteral("五四广场:36.1:120.3"));
    QCOMPARE(m_pDesktop->opened, QList<QUrl>{QUrl::fromLocalFile(strPage)});
    QFile file(strPage);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString strText = QString::fromUtf8(file.readAll());
    QVERIFY(strText.contains("src=\"http://127.0.0.1:9/api?v=1.5&amp;ak=Key123\""));
    QVERIFY(strText.contains("<title>五四广场</title>"));
    file.close();

    // A key that is not letters and digits is not written into the page.
    qputenv("ZEPHON_MAP_KEY", "\"><script>x</script>");
    m_fx.core()->openMap(QStringLiteral("a:1:2"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(QString::fromUtf8(file.readAll()).contains("ak=\"></script>"));
    file.close();
    qunsetenv("ZEPHON_MAP_API");
    qunsetenv("ZEPHON_MAP_KEY");

    // No page for a caption that names no place, and none opened.
    m_pDesktop->opened.clear();
    QVERIFY(QFile::remove(strPage));
    m_fx.core()->openMap(QStringLiteral("x:1);alert(1)//:2"));
    QVERIFY(!QFile::exists(strPage));
    // A page that cannot be written is not opened either.
    QVERIFY(QDir::current().mkdir("map.html"));
    m_fx.core()->openMap(QStringLiteral("a:1:2"));
    QVERIFY(m_pDesktop->opened.isEmpty());
}

void TestCoreFiles::choosingFiles()
{
    Core &core = *m_fx.core();
    m_pDesktop->answers = {"/home/u/a.txt", "", "/home/u/p.png", "/home/u/Downloads/r.pdf", ""};
    QCOMPARE(core.chooseFile(), QStringLiteral("file:///home/u/a.txt"));
    QCOMPARE(core.chooseFile(), QStringLiteral("file:///"));
    QCOMPARE(core.chooseImage(), QStringLiteral("file:///home/u/p.png"));
    QCOMPARE(core.chooseDir("../../.bashrc", "pdf"), QStringLiteral("/home/u/Downloads/r.pdf"));
    QCOMPARE(core.chooseDir("x", "/../y"), QString());
    QCOMPARE(m_pDesktop->asked,
             (QStringList{"请选择一个文件|*.*", "请选择一个文件|*.*",
                          "请选择一张图片|Image Files(*.jpg *.jpeg *.bmp *.png)",
                          "保存文件|bashrc|pdf Files(*.pdf)", "保存文件|x|y Files(*.y)"}));
    // A cancelled choice sends nothing.
    QSignalSpy appended(&core, &Core::sig_append);
    core.uploadFile(QStringLiteral("file:///"), QString::number(kPeer), Codes::ContentFile);
    QCOMPARE(appended.size(), 0);
}

void TestCoreFiles::uploadToEveryMassRecipient()
{
    signIn();
    Core &core = *m_fx.core();
    const QStringList recipients{"7000001", "7000002", "7000003"};
    for (const QString &strZpid : recipients)
        QVERIFY(core.addMassContact(strZpid, QString()));
    const QByteArray arData("report body");
    const QString strPath = writeFile("q3:report.txt", arData);
    QSignalSpy appended(&core, &Core::sig_append);
    QSignalSpy added(&core, &Core::sig_addMsgRecord);
    core.uploadFile("file://" + strPath, QStringLiteral("list"), Codes::ContentFile);
    QCOMPARE(appended.size(), 3);
    QCOMPARE(added.size(), 3);
    QSet<int> ids;
    for (int i = 0; i < 3; ++i) {
        const QList<QVariant> &args = appended.at(i);
        QCOMPARE(args.at(0).toString(), md5Of(arData));
        QCOMPARE(args.at(1).toString(), strPath);
        QCOMPARE(args.at(2).toString(), recipients.at(i));
        QCOMPARE(args.at(3).toBool(), false);
        ids << args.at(4).toInt();
        const QList<QObject *> rows = conversation(recipients.at(i));
        QCOMPARE(rows.size(), 1);
        const QStringList fields = rows.at(0)->property("strContent").toString().split(':');
        QCOMPARE(fields.size(), 5);
        QCOMPARE(fields.at(0), md5Of(arData));
        // The name's own ":" would have split the fields.
        QCOMPARE(fields.at(1), QStringLiteral("q3_report.txt"));
        QCOMPARE(fields.at(4), QStringLiteral("txt"));
        QCOMPARE(rows.at(0)->property("iMsgState").toInt(), int(Codes::TransferQueued));
        QCOMPARE(rows.at(0)->property("strCaption").toString(), "file://" + strPath);
        QCOMPARE(rows.at(0)->property("iMsgId").toInt(), args.at(4).toInt());
    }
    QCOMPARE(ids.size(), 3);
}

void TestCoreFiles::uploadToOnePersonKeepsTheMassRecipients()
{
    signIn();
    Core &core = *m_fx.core();
    QVERIFY(core.addMassContact("7000001", QString()));
    QVERIFY(core.addMassContact("7000002", QString()));
    const QString strPath = writeFile("a.bin", "x");
    QSignalSpy appended(&core, &Core::sig_append);
    core.uploadFile("file://" + strPath, QString::number(kPeer), Codes::ContentFile);
    QCOMPARE(appended.size(), 1);
    QCOMPARE(appended.first().at(2).toString(), QString::number(kPeer));
    QCOMPARE(core.massContacts(), (QStringList{"7000001", "7000002"}));
}

void TestCoreFiles::unreadableFileIsNotSent()
{
    signIn();
    Core &core = *m_fx.core();
    QSignalSpy appended(&core, &Core::sig_append);
    QSignalSpy failed(&core, &Core::sig_failed);
    const QString strMissing = QDir(m_pDir->path()).filePath("missing.txt");
    const QString strFolder = QDir(m_pDir->path()).filePath("folder");
    QVERIFY(QDir().mkpath(strFolder));
    for (const QString &strPath : {strMissing, strFolder})
        core.uploadFile("file://" + strPath, QString::number(kPeer), Codes::ContentFile);
    QCOMPARE(appended.size(), 0);
    QCOMPARE(failed.size(), 2);
    QVERIFY(conversation(QString::number(kPeer)).isEmpty());
}

void TestCoreFiles::finishedUploadAnnouncesTheFile()
{
    signIn();
    Core &core = *m_fx.core();
    const QByteArray arData("picture bytes");
    const QString strPath = writeFile("p.png", arData);
    QSignalSpy appended(&core, &Core::sig_append);
    QSignalSpy success(&core, &Core::sig_success);
    core.uploadFile("file://" + strPath, QString::number(kPeer), Codes::ContentPicture);
    QCOMPARE(appended.size(), 1);
    const int iMsgId = appended.first().at(4).toInt();
    // Nothing reaches the peer before the file can be fetched.
    QTest::qWait(100);
    QVERIFY(m_fake.packets(Codes::CmdMessage, FakeService::Udp).isEmpty());

    core.slot_onSuccess("file://" + strPath, QString::number(kPeer), false, iMsgId,
                        Codes::ContentPicture);
    QCOMPARE(success.size(), 1);
    const QList<QObject *> rows = conversation(QString::number(kPeer));
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows.at(0)->property("iMsgState").toInt(), int(Codes::TransferDone));
    QTRY_COMPARE(m_fake.packets(Codes::CmdMessage, FakeService::Udp).size(), 1);
    const QByteArray packet = m_fake.packets(Codes::CmdMessage, FakeService::Udp).first();
    QCOMPARE(FakePacket::u32At(packet, 5), kPeer);
    // The text is the digest; the sub-type says picture.
    const quint32 iTextBytes = FakePacket::u32At(packet, 13);
    QCOMPARE(fakeDecrypt(packet.mid(17, int(iTextBytes))), md5Of(arData).toUtf8());
    QCOMPARE(quint8(packet.at(17 + int(iTextBytes))), quint8(Codes::ContentPicture));
}

void TestCoreFiles::failedTransfers()
{
    signIn();
    Core &core = *m_fx.core();
    const QString strPath = writeFile("f.bin", "data");
    QSignalSpy appended(&core, &Core::sig_append);
    core.uploadFile("file://" + strPath, QString::number(kPeer), Codes::ContentFile);
    const int iMsgId = appended.first().at(4).toInt();
    core.slot_onFailed(QString::number(kPeer), false, iMsgId, Codes::ContentFile);
    QList<QObject *> rows = conversation(QString::number(kPeer));
    QCOMPARE(rows.at(0)->property("iMsgState").toInt(), int(Codes::TransferFailed));
    QCOMPARE(rows.at(0)->property("strCaption").toString(), "file://" + strPath);
    // A failed upload announces nothing.
    QTest::qWait(100);
    QVERIFY(m_fake.packets(Codes::CmdMessage, FakeService::Udp).isEmpty());

    // A received file whose download failed can be asked for again.
    m_fake.pushUdp(pictureMessage(77, kDigest, "x.png"));
    QTRY_COMPARE(appended.size(), 2);
    core.slot_onFailed(QString::number(kPeer), true, 77, Codes::ContentPicture);
    rows = conversation(QString::number(kPeer));
    QCOMPARE(rows.first()->property("bSend").toBool(), false);
    QCOMPARE(rows.first()->property("iMsgState").toInt(), int(Codes::TransferQueued));
    core.downloadFile(kDigest, "../x.png", QString::number(kPeer), 77, Codes::ContentPicture);
    QCOMPARE(appended.size(), 3);
    QCOMPARE(appended.last().at(1).toString(), Core::receivedPicturePath(kDigest, "x.png"));
    // A digest that is none is never handed to the transfer.
    QSignalSpy failed(&core, &Core::sig_failed);
    core.downloadFile("../../etc/passwd", "/tmp/x", QString::number(kPeer), 78, Codes::ContentFile);
    QCOMPARE(appended.size(), 3);
    QCOMPARE(failed.size(), 1);
}

void TestCoreFiles::cancelledDownload()
{
    signIn();
    Core &core = *m_fx.core();
    QSignalSpy appended(&core, &Core::sig_append);
    m_fake.pushUdp(pictureMessage(90, kDigest, "x.png"));
    QTRY_COMPARE(appended.size(), 1);
    core.cancelRecvFile(QStringLiteral("/tmp/x.png"), QString::number(kPeer), true, 90);
    const QList<QObject *> rows = conversation(QString::number(kPeer));
    QCOMPARE(rows.last()->property("iMsgState").toInt(), int(Codes::TransferCancelled));
    QCOMPARE(rows.last()->property("strCaption").toString(), QStringLiteral("/tmp/x.png"));
}

void TestCoreFiles::screenshotsSavedUnderNamesOfTheirOwn()
{
    signIn();
    Core &core = *m_fx.core();
    const QDir folder(QCoreApplication::applicationDirPath() + "/screenshot");
    QVERIFY(folder.exists());
    const QStringList before = folder.entryList(QDir::Files);
    QSignalSpy appended(&core, &Core::sig_append);
    QPixmap pixmap(40, 30);
    pixmap.fill(Qt::red);
    // Saved only: no target.
    core.slot_onFinishScreenShot(pixmap);
    core.slot_onFinishScreenShot(pixmap);
    // An empty selection is neither saved nor sent.
    core.slot_onFinishScreenShot(QPixmap());
    QStringList made = folder.entryList(QDir::Files);
    for (const QString &strName : before)
        made.removeAll(strName);
    QCOMPARE(made.size(), 2);
    QCOMPARE(appended.size(), 0);
    for (const QString &strName : std::as_const(made)) {
        QImage image(folder.filePath(strName));
        QCOMPARE(image.size(), QSize(40, 30));
        QVERIFY(QFile::remove(folder.filePath(strName)));
    }
}

void TestCoreFiles::savedScreenshotFollowsTheChosenSuffix_data()
{
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("written");
    QTest::addColumn<QByteArray>("magic");
    QTest::newRow("png") << "shot.png"
                         << "shot.png" << QByteArray("\x89PNG");
    QTest::newRow("jpeg") << "shot.jpeg"
                          << "shot.jpeg" << QByteArray("\xff\xd8\xff");
    QTest::newRow("bmp") << "shot.BMP"
                         << "shot.BMP" << QByteArray("BM");
    QTest::newRow("no suffix") << "shot"
                               << "shot.jpg" << QByteArray("\xff\xd8\xff");
    QTest::newRow("cancelled") << ""
                               << "" << QByteArray();
}

void TestCoreFiles::savedScreenshotFollowsTheChosenSuffix()
{
    QFETCH(QString, chosen);
    QFETCH(QString, written);
    QFETCH(QByteArray, magic);
    m_pDesktop->answers = {chosen.isEmpty() ? QString() : QDir::current().filePath(chosen)};
    const QStringList before = QDir::current().entryList(QDir::Files);
    QPixmap pixmap(20, 10);
    pixmap.fill(Qt::blue);
    m_fx.core()->slot_onSaveScreenShot(pixmap);
    QCOMPARE(m_pDesktop->asked.size(), 1);
    QVERIFY(m_pDesktop->asked.first().startsWith(
        QStringLiteral("保存文件|") + QCoreApplication::applicationDirPath() + "/screenshot/"));
    if (written.isEmpty()) {
        QCOMPARE(QDir::current().entryList(QDir::Files), before);
        return;
    }
    QFile file(QDir::current().filePath(written));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().startsWith(magic));
}

QTEST_MAIN(TestCoreFiles)
#include "tst_corefiles.moc"
