// The screenshot tool as a user meets it, on a private X display: 1000001 is a client whose
// windows open there, 1000002 a second client elsewhere, both signed in through the real
// zephond and its file store. The hot key opens the tool over the whole screen, a drag with
// the real pointer selects, Escape leaves without a picture and a double click keeps one; the
// chat's screenshot button sends the selection, which 1000002 receives by itself, at the size
// that was selected. The hot key does nothing while the tool is open.
#include <QImage>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include "codes.h"
#include "corepeer.h"
#include "xvfbdisplay.h"
#include "zephondprocess.h"

namespace {

constexpr char kPassword[] = "demo1234";
const QString kA = QStringLiteral("1000001");
const QString kB = QStringLiteral("1000002");

} // namespace

class TestScreenshotTool : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();

    void hotKeyEscapeAndDoubleClick();
    void selectionIsSentAndReceived();

private:
    // Whether the tool's window shows on the display, waited for up to iMs.
    bool toolShows(bool bShown, int iMs = 10000);
    bool drag(int x0, int y0, int x1, int y1);
    QStringList screenshotFiles() const;

    XvfbDisplay m_display;
    QTemporaryDir m_dir;
    ZephondProcess m_service;
    std::unique_ptr<CorePeer> m_pA;
    std::unique_ptr<CorePeer> m_pB;
};

void TestScreenshotTool::initTestCase()
{
    if (!m_display.start())
        QSKIP(qPrintable(m_display.errorText()));
    QVERIFY(m_dir.isValid());
    const QString strData = m_dir.filePath(QStringLiteral("service"));
    QVERIFY(QDir().mkpath(strData));
    QVERIFY2(m_service.start(strData), qPrintable(m_service.errorText()));
    QVERIFY(m_service.ftpPort() > 0);
    qputenv("ZEPHON_FTP_PORT", QByteArray::number(m_service.ftpPort()));
    m_pB = CorePeer::signedIn(m_dir.filePath(kB), m_service.serverText(), kB,
                              QString::fromLatin1(kPassword));
    // A opens its windows on the display; the test's own process draws nowhere.
    qputenv("ZEPHON_PEER_DISPLAY", m_display.display().toLatin1());
    m_pA = CorePeer::signedIn(m_dir.filePath(kA), m_service.serverText(), kA,
                              QString::fromLatin1(kPassword));
    qunsetenv("ZEPHON_PEER_DISPLAY");
    QVERIFY(m_pA && m_pB);
}

void TestScreenshotTool::cleanupTestCase()
{
    m_pA.reset();
    m_pB.reset();
    if (m_service.isRunning())
        QCOMPARE(m_service.stop(), 0);
}

bool TestScreenshotTool::toolShows(bool bShown, int iMs)
{
    QDeadlineTimer deadline(iMs);
    do {
        const bool bVisible =
            !m_display.xdotool({"search", "--onlyvisible", "--class", "zephon_corepeer"}).isEmpty();
        if (bVisible == bShown)
            return true;
        QTest::qWait(100);
    } while (!deadline.hasExpired());
    return false;
}

bool TestScreenshotTool::drag(int x0, int y0, int x1, int y1)
{
    return m_display.xdotoolSucceeds({"mousemove", QString::number(x0), QString::number(y0),
                                      "mousedown", "1", "mousemove", QString::number((x0 + x1) / 2),
                                      QString::number((y0 + y1) / 2), "mousemove",
                                      QString::number(x1), QString::number(y1), "mouseup", "1"});
}

QStringList TestScreenshotTool::screenshotFiles() const
{
    const QDir folder(QFileInfo(QStringLiteral(ZEPHON_COREPEER_EXECUTABLE)).absolutePath() +
                      QStringLiteral("/screenshot"));
    QStringList files;
    for (const QString &strName : folder.entryList(QDir::Files))
        files << folder.filePath(strName);
    return files;
}

void TestScreenshotTool::hotKeyEscapeAndDoubleClick()
{
    const QStringList before = screenshotFiles();
    QVERIFY(toolShows(false, 0));
    QVERIFY(m_display.xdotoolSucceeds({"key", "ctrl+shift+d"}));
    QVERIFY2(toolShows(true), m_pA->trace().right(2000).constData());
    QVERIFY(drag(100, 100, 300, 250));
    QVERIFY(m_display.xdotoolSucceeds({"key", "Escape"}));
    QVERIFY(toolShows(false));
    QCOMPARE(screenshotFiles(), before);

    // Open again: a double click inside the selection keeps it, on disk only (the hot key names
    // nobody to send it to).
    QVERIFY(m_display.xdotoolSucceeds({"key", "ctrl+shift+d"}));
    QVERIFY(toolShows(true));
    QVERIFY(drag(400, 300, 519, 389));
    QVERIFY(m_display.xdotoolSucceeds(
        {"mousemove", "450", "350", "click", "--repeat", "2", "--delay", "80", "1"}));
    QVERIFY(toolShows(false));
    QStringList made = screenshotFiles();
    for (const QString &strFile : before)
        made.removeAll(strFile);
    QCOMPARE(made.size(), 1);
    QCOMPARE(QImage(made.first()).size(), QSize(120, 90));
    QVERIFY(m_pA->wait(QStringLiteral("sig_append"), {}, 500).isEmpty());
    QFile::remove(made.first());
}

void TestScreenshotTool::selectionIsSentAndReceived()
{
    // As the chat's screenshot button does.
    m_pA->invoke(QStringLiteral("screenshot"), {kB, QString::number(Codes::ContentPicture)});
    QVERIFY(toolShows(true));
    QVERIFY(drag(100, 100, 300, 250));
    // The hot key while the tool is open changes nothing: the selection still goes to B.
    QVERIFY(m_display.xdotoolSucceeds({"key", "ctrl+shift+d"}));
    QVERIFY(m_display.xdotoolSucceeds(
        {"mousemove", "200", "200", "click", "--repeat", "2", "--delay", "80", "1"}));
    QVERIFY(toolShows(false));
    const QStringList sent =
        m_pA->wait(QStringLiteral("sig_success"), {"1=" + kB, "2=false"}, 20000);
    QVERIFY2(!sent.isEmpty(), m_pA->trace().right(3000).constData());
    const QStringList received =
        m_pB->wait(QStringLiteral("sig_success"),
                   {"2=true", "4=" + QString::number(Codes::ContentPicture)}, 20000);
    QVERIFY2(!received.isEmpty(), m_pB->trace().right(3000).constData());
    const QImage picture(QUrl(received.value(0)).toLocalFile());
    QCOMPARE(picture.size(), QSize(201, 151));
    QFile::remove(QUrl(sent.value(0)).toLocalFile());
}

QTEST_MAIN(TestScreenshotTool)
#include "tst_screenshottool.moc"
