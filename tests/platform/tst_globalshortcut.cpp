// The system-wide hot key. Without X11 it registers nothing; on an X server (an Xvfb the test
// starts itself) a key sent with xdotool reaches activated() in another process, whichever
// window has the focus.
//
// The X11 cases run a copy of this executable as the application: started with
// "--hotkey-child" it reads "set <key sequence>" lines on stdin and answers "registered 1" or
// "registered 0", and prints "activated" for each hot-key press.
#include <QApplication>
#include <QtTest>

#include <QProcess>
#include <QSocketNotifier>

#include <cstdio>
#include <memory>
#include <unistd.h>

#include "globalshortcut.h"
#include "xvfbdisplay.h"

namespace {

int runChild(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    GlobalShortcut shortcut;
    auto say = [](const char *line) {
        std::fputs(line, stdout);
        std::fputc('\n', stdout);
        std::fflush(stdout);
    };
    QObject::connect(&shortcut, &GlobalShortcut::activated, [&] { say("activated"); });

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QByteArray pending;
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char buffer[256];
        const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (got <= 0) {
            app.quit();
            return;
        }
        pending.append(buffer, got);
        int end;
        while ((end = pending.indexOf('\n')) >= 0) {
            const QByteArray line = pending.left(end).trimmed();
            pending.remove(0, end + 1);
            if (line.startsWith("set")) {
                const QString sequence = QString::fromUtf8(line.mid(3).trimmed());
                const bool ok = shortcut.setShortcut(QKeySequence(sequence));
                say(ok && shortcut.isRegistered() ? "registered 1" : "registered 0");
            }
        }
    });
    say("ready");
    return app.exec();
}

// One hot-key application on the test's X display.
class HotKeyApp
{
public:
    bool start(const XvfbDisplay &display)
    {
        m_process.setProcessEnvironment(display.environment());
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(QCoreApplication::applicationFilePath(), {"--hotkey-child"});
        return m_process.waitForStarted(5000) && nextLine() == "ready";
    }

    ~HotKeyApp()
    {
        m_process.closeWriteChannel();
        if (!m_process.waitForFinished(3000)) {
            m_process.kill();
            m_process.waitForFinished(3000);
        }
    }

    QByteArray set(const QString &sequence)
    {
        m_process.write("set " + sequence.toUtf8() + "\n");
        return nextLine();
    }

    // The next line the application printed, empty after `ms` without one.
    QByteArray nextLine(int ms = 10000)
    {
        QDeadlineTimer deadline(ms);
        while (!m_process.canReadLine()) {
            if (deadline.hasExpired() || m_process.state() != QProcess::Running)
                return {};
            m_process.waitForReadyRead(50);
        }
        return m_process.readLine().trimmed();
    }

    // Lines printed within `ms`, without waiting for any in particular.
    QList<QByteArray> linesWithin(int ms)
    {
        QList<QByteArray> lines;
        QDeadlineTimer deadline(ms);
        while (!deadline.hasExpired()) {
            m_process.waitForReadyRead(20);
            while (m_process.canReadLine())
                lines << m_process.readLine().trimmed();
        }
        return lines;
    }

private:
    QProcess m_process;
};

int g_iTraceLines = 0;
QtMessageHandler g_previousHandler = nullptr;

void countNoDisplayTrace(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (text.contains("no X11 display"))
        ++g_iTraceLines;
    if (g_previousHandler)
        g_previousHandler(type, context, text);
}

} // namespace

class TestGlobalShortcut : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void withoutX11NothingIsRegistered();
    void keysyms_data();
    void keysyms();

    void hotKeyFires_data();
    void hotKeyFires();
    void otherCombinationsDoNotFire();
    void changingTheKeyReleasesTheOldOne();
    void keyHeldByAnotherProgramIsRefused();

private:
    bool sendKeys(const QStringList &keys);
    void requireX11();

    XvfbDisplay m_display;
    bool m_bX11 = false;
};

void TestGlobalShortcut::initTestCase()
{
    m_bX11 = m_display.start();
}

void TestGlobalShortcut::requireX11()
{
    if (!m_bX11)
        QSKIP(qPrintable(m_display.errorText()));
}

bool TestGlobalShortcut::sendKeys(const QStringList &keys)
{
    return m_display.xdotoolSucceeds(QStringList{"key"} + keys);
}

void TestGlobalShortcut::withoutX11NothingIsRegistered()
{
    QCOMPARE(QGuiApplication::platformName(), QStringLiteral("offscreen"));
    QLoggingCategory::setFilterRules("zephon.*=true");
    g_previousHandler = qInstallMessageHandler(countNoDisplayTrace);

    GlobalShortcut first(QKeySequence("Ctrl+Shift+D"));
    GlobalShortcut second;
    QSignalSpy spy(&second, &GlobalShortcut::activated);
    QVERIFY(!first.isRegistered());
    QCOMPARE(first.shortcut(), QKeySequence("Ctrl+Shift+D"));
    QVERIFY(!second.setShortcut(QKeySequence("Ctrl+Alt+F2")));
    QVERIFY(!second.isRegistered());
    QVERIFY(!second.setShortcut(QKeySequence()));

    qInstallMessageHandler(g_previousHandler);
    QLoggingCategory::setFilterRules(QString());
    QCOMPARE(g_iTraceLines, 1);
    QCOMPARE(spy.count(), 0);
}

void TestGlobalShortcut::keysyms_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<uint>("keysym");
    QTest::newRow("letter D is lower-case d") << int(Qt::Key_D) << 0x64u;
    QTest::newRow("letter A") << int(Qt::Key_A) << 0x61u;
    QTest::newRow("letter Z") << int(Qt::Key_Z) << 0x7au;
    QTest::newRow("digit") << int(Qt::Key_1) << 0x31u;
    QTest::newRow("punctuation") << int(Qt::Key_Comma) << 0x2cu;
    QTest::newRow("space") << int(Qt::Key_Space) << 0x20u;
    QTest::newRow("F1") << int(Qt::Key_F1) << 0xffbeu;
    QTest::newRow("F12") << int(Qt::Key_F12) << 0xffc9u;
    QTest::newRow("Print") << int(Qt::Key_Print) << 0xff61u;
    QTest::newRow("Escape") << int(Qt::Key_Escape) << 0xff1bu;
    QTest::newRow("no X11 key") << int(Qt::Key_LaunchMail) << 0u;
}

void TestGlobalShortcut::keysyms()
{
    QFETCH(int, key);
    QFETCH(uint, keysym);
    QCOMPARE(GlobalShortcut::keysymForKey(Qt::Key(key)), keysym);
    // Shift 1, Control 4, Mod1 (Alt) 8, Mod4 (Meta) 64.
    QCOMPARE(GlobalShortcut::x11Modifiers(Qt::ControlModifier | Qt::ShiftModifier), quint16(5));
    QCOMPARE(GlobalShortcut::x11Modifiers(Qt::AltModifier | Qt::MetaModifier), quint16(72));
    QCOMPARE(GlobalShortcut::x11Modifiers(Qt::KeypadModifier), quint16(0));
}

void TestGlobalShortcut::hotKeyFires_data()
{
    QTest::addColumn<QString>("sequence");
    QTest::addColumn<QStringList>("keys");
    QTest::newRow("Ctrl+Shift+D") << "Ctrl+Shift+D" << QStringList{"ctrl+shift+d"};
    // Lock keys add state bits to the press; the hot key must still fire.
    QTest::newRow("with Caps Lock on")
        << "Ctrl+Shift+D" << QStringList{"Caps_Lock", "ctrl+shift+d", "Caps_Lock"};
    QTest::newRow("with Num Lock on")
        << "Ctrl+Shift+D" << QStringList{"Num_Lock", "ctrl+shift+d", "Num_Lock"};
    QTest::newRow("function key") << "Alt+F5" << QStringList{"alt+F5"};
}

void TestGlobalShortcut::hotKeyFires()
{
    requireX11();
    QFETCH(QString, sequence);
    QFETCH(QStringList, keys);

    HotKeyApp app;
    QVERIFY(app.start(m_display));
    QCOMPARE(app.set(sequence), QByteArray("registered 1"));
    QVERIFY(sendKeys(keys));
    QCOMPARE(app.nextLine(), QByteArray("activated"));
    QCOMPARE(app.linesWithin(200), QList<QByteArray>());
}

void TestGlobalShortcut::otherCombinationsDoNotFire()
{
    requireX11();
    HotKeyApp app;
    QVERIFY(app.start(m_display));
    QCOMPARE(app.set("Ctrl+Shift+D"), QByteArray("registered 1"));
    // X delivers in order: a wrong combination that fired would print before the right one.
    QVERIFY(sendKeys({"ctrl+d", "shift+d", "d", "ctrl+alt+shift+d", "ctrl+shift+e"}));
    QVERIFY(sendKeys({"ctrl+shift+d"}));
    QCOMPARE(app.nextLine(), QByteArray("activated"));
    QCOMPARE(app.linesWithin(200), QList<QByteArray>());
}

void TestGlobalShortcut::changingTheKeyReleasesTheOldOne()
{
    requireX11();
    HotKeyApp first;
    HotKeyApp second;
    QVERIFY(first.start(m_display));
    QVERIFY(second.start(m_display));
    QCOMPARE(first.set("Ctrl+Shift+D"), QByteArray("registered 1"));
    QCOMPARE(first.set("Ctrl+Shift+E"), QByteArray("registered 1"));
    // The old combination is free again for another program.
    QCOMPARE(second.set("Ctrl+Shift+D"), QByteArray("registered 1"));

    QVERIFY(sendKeys({"ctrl+shift+d"}));
    QCOMPARE(second.nextLine(), QByteArray("activated"));
    QVERIFY(sendKeys({"ctrl+shift+e"}));
    QCOMPARE(first.nextLine(), QByteArray("activated"));
    QCOMPARE(first.linesWithin(200), QList<QByteArray>());
    QCOMPARE(second.linesWithin(0), QList<QByteArray>());

    // An empty sequence releases the key as well.
    QCOMPARE(second.set(""), QByteArray("registered 0"));
    QCOMPARE(first.set("Ctrl+Shift+D"), QByteArray("registered 1"));
}

void TestGlobalShortcut::keyHeldByAnotherProgramIsRefused()
{
    requireX11();
    HotKeyApp holder;
    QVERIFY(holder.start(m_display));
    QCOMPARE(holder.set("Ctrl+Shift+D"), QByteArray("registered 1"));
    {
        HotKeyApp latecomer;
        QVERIFY(latecomer.start(m_display));
        QCOMPARE(latecomer.set("Ctrl+Shift+D"), QByteArray("registered 0"));
        // The holder keeps the key, in every lock-key variant, and the refused one gets nothing.
        QVERIFY(sendKeys({"Caps_Lock", "ctrl+shift+d", "Caps_Lock"}));
        QCOMPARE(holder.nextLine(), QByteArray("activated"));
        QCOMPARE(latecomer.linesWithin(200), QList<QByteArray>());
    }
    QVERIFY(sendKeys({"ctrl+shift+d"}));
    QCOMPARE(holder.nextLine(), QByteArray("activated"));
}

int main(int argc, char **argv)
{
    if (argc > 1 && qstrcmp(argv[1], "--hotkey-child") == 0)
        return runChild(argc, argv);
    QApplication app(argc, argv);
    TestGlobalShortcut test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_globalshortcut.moc"
