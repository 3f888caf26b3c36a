// The real client in a real X window (a private Xvfb display) against the fake service:
// signing in from the keyboard alone, and the skin's own window controls, which go through
// Core's window operations. Skips when Xvfb or xdotool is missing.
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include "demoaccount.h"
#include "fakeservice.h"
#include "zephonprocess.h"

using DemoAccount::kId;
using DemoAccount::kPassword;

class TestWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void keyboardAloneSignsIn();
    void draggingTheSkinMovesTheWindow();
    void minimiseHidesTheWindow();
    void closeQuitsAfterLoggingOut();

private:
    // The shown client window, or an empty text.
    QString visibleWindow() const;
    QPoint windowPosition(const QString &strWindow) const;
    void xdotool(const QStringList &arguments) const;

    XvfbDisplay m_display;
    FakeService m_fake;
    std::unique_ptr<QTemporaryDir> m_pDir;
    std::unique_ptr<ZephonProcess> m_pClient;
    QString m_strWindow;
};

void TestWindow::initTestCase()
{
    if (!m_display.start())
        QSKIP(qPrintable(m_display.errorText()));
    QVERIFY(DemoAccount::serve(m_fake));
}

void TestWindow::init()
{
    m_pDir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_pDir->isValid());
    m_fake.clearReceived();
    m_pClient = std::make_unique<ZephonProcess>();
    m_pClient->start(m_pDir->path(), &m_display);
    QVERIFY2(m_pClient->waitStarted(), m_pClient->output().constData());
    QTRY_VERIFY_WITH_TIMEOUT(!(m_strWindow = visibleWindow()).isEmpty(), 10000);
}

void TestWindow::cleanup()
{
    m_pClient.reset();
    m_pDir.reset();
    m_strWindow.clear();
}

QString TestWindow::visibleWindow() const
{
    return m_display.findWindow(QStringLiteral("^Zephon$"), true);
}

QPoint TestWindow::windowPosition(const QString &strWindow) const
{
    const QString strShell = m_display.xdotool(
        {QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), strWindow});
    static const QRegularExpression x(QStringLiteral("^X=(-?\\d+)$"),
                                      QRegularExpression::MultilineOption);
    static const QRegularExpression y(QStringLiteral("^Y=(-?\\d+)$"),
                                      QRegularExpression::MultilineOption);
    return QPoint(x.match(strShell).captured(1).toInt(), y.match(strShell).captured(1).toInt());
}

void TestWindow::xdotool(const QStringList &arguments) const
{
    QVERIFY2(m_display.xdotoolSucceeds(arguments), qPrintable(arguments.join(QLatin1Char(' '))));
}

void TestWindow::keyboardAloneSignsIn()
{
    xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), m_strWindow});
    QTest::qWait(300);
    xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("20"),
             QString::fromLatin1(kId)});
    xdotool({QStringLiteral("key"), QStringLiteral("Tab")});
    xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("20"),
             QString::fromLatin1(kPassword)});
    xdotool({QStringLiteral("key"), QStringLiteral("Return")});

    // The service checks the id and the password it receives and answers success only for
    // the typed pair; the session then keeps itself alive over UDP.
    QTRY_COMPARE_WITH_TIMEOUT(m_fake.packets(39, FakeService::Sub).size(), 1, 10000);
    QTRY_VERIFY_WITH_TIMEOUT(!m_fake.packets(3, FakeService::Udp).isEmpty(), 10000);
}

void TestWindow::draggingTheSkinMovesTheWindow()
{
    const QPoint before = windowPosition(m_strWindow);
    // The skin's title strip, left of the window buttons.
    const QPoint press = before + QPoint(120, 30);
    const QPoint release = press + QPoint(-70, 45);
    xdotool({QStringLiteral("mousemove"), QString::number(press.x()), QString::number(press.y()),
             QStringLiteral("mousedown"), QStringLiteral("1")});
    QTest::qWait(100);
    xdotool({QStringLiteral("mousemove"), QString::number(press.x() - 30),
             QString::number(press.y() + 20)});
    QTest::qWait(100);
    xdotool(
        {QStringLiteral("mousemove"), QString::number(release.x()), QString::number(release.y())});
    QTest::qWait(100);
    xdotool({QStringLiteral("mouseup"), QStringLiteral("1")});
    QTRY_COMPARE_WITH_TIMEOUT(windowPosition(m_strWindow), before + (release - press), 5000);
}

// Minimise sits at (192, 8) in the skin and is 26 pixels square; close follows 12 pixels on.
void TestWindow::minimiseHidesTheWindow()
{
    const QPoint minimise = windowPosition(m_strWindow) + QPoint(192 + 13, 8 + 13);
    xdotool({QStringLiteral("mousemove"), QString::number(minimise.x()),
             QString::number(minimise.y()), QStringLiteral("click"), QStringLiteral("1")});
    QTRY_VERIFY_WITH_TIMEOUT(visibleWindow().isEmpty(), 5000);
    QTest::qWait(200);
    QCOMPARE(m_pClient->process().state(), QProcess::Running);
}

void TestWindow::closeQuitsAfterLoggingOut()
{
    const QPoint close = windowPosition(m_strWindow) + QPoint(192 + 26 + 12 + 13, 8 + 13);
    xdotool({QStringLiteral("mousemove"), QString::number(close.x()), QString::number(close.y()),
             QStringLiteral("click"), QStringLiteral("1")});
    QVERIFY(m_pClient->process().waitForFinished(10000));
    QCOMPARE(m_pClient->process().exitStatus(), QProcess::NormalExit);
    QCOMPARE(m_pClient->process().exitCode(), 0);
    // Quitting runs the logout, which writes the settings file.
    QVERIFY(QFile::exists(m_pDir->filePath(QStringLiteral("config"))));
}

QTEST_MAIN(TestWindow)
#include "tst_window.moc"
