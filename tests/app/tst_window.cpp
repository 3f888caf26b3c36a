// The real client in a real X window (a private Xvfb display) against the fake service:
// signing in from the keyboard alone, and the skin's own window controls, which go through
// Core's window operations. Skips when Xvfb or xdotool is missing.
#include <QTemporaryDir>
#include <QtTest>

#include "codes.h"
#include "demoaccount.h"
#include "fakeservice.h"
#include "xvfbclient.h"

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
    void xdotool(const QStringList &arguments) const;

    XvfbDisplay m_display;
    FakeService m_fake;
    std::unique_ptr<QTemporaryDir> m_pDir;
    std::unique_ptr<XvfbClient> m_pClient;
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
    m_pClient = std::make_unique<XvfbClient>(m_display);
    QVERIFY2(m_pClient->start(m_pDir->path()), qPrintable(m_pClient->errorText()));
}

void TestWindow::cleanup()
{
    m_pClient.reset();
    m_pDir.reset();
}

void TestWindow::xdotool(const QStringList &arguments) const
{
    QVERIFY2(m_display.xdotoolSucceeds(arguments), qPrintable(arguments.join(QLatin1Char(' '))));
}

void TestWindow::keyboardAloneSignsIn()
{
    QVERIFY(m_pClient->signIn(QString::fromLatin1(kId), QString::fromLatin1(kPassword)));

    // The service checks the id and the password it receives and answers success only for
    // the typed pair; the session then keeps itself alive over UDP.
    QTRY_COMPARE_WITH_TIMEOUT(m_fake.packets(Codes::CmdLogin, FakeService::Sub).size(), 1, 10000);
    QTRY_VERIFY_WITH_TIMEOUT(!m_fake.packets(Codes::CmdHeartbeat, FakeService::Udp).isEmpty(),
                             10000);
}

void TestWindow::draggingTheSkinMovesTheWindow()
{
    const QPoint before = m_pClient->position();
    const QPoint press = before + XvfbClient::area(XvfbClient::Place::TitleStrip).center();
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
    QTRY_COMPARE_WITH_TIMEOUT(m_pClient->position(), before + (release - press), 5000);
}

void TestWindow::minimiseHidesTheWindow()
{
    QVERIFY(m_pClient->click(XvfbClient::Place::MinimizeButton));
    QTRY_VERIFY_WITH_TIMEOUT(XvfbClient::windows(m_display).isEmpty(), 5000);
    QTest::qWait(200);
    QCOMPARE(m_pClient->process().state(), QProcess::Running);
}

void TestWindow::closeQuitsAfterLoggingOut()
{
    QVERIFY(m_pClient->click(XvfbClient::Place::CloseButton));
    QVERIFY(m_pClient->process().waitForFinished(10000));
    QCOMPARE(m_pClient->process().exitStatus(), QProcess::NormalExit);
    QCOMPARE(m_pClient->process().exitCode(), 0);
    // Quitting runs the logout, which writes the settings file.
    QVERIFY(QFile::exists(m_pDir->filePath(QStringLiteral("config"))));
}

QTEST_MAIN(TestWindow)
#include "tst_window.moc"
