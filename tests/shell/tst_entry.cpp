// The real client process: one copy per desktop, a clean start after a crash, and the quit
// path that SIGTERM takes.
#include <QtTest>

#include <QTemporaryDir>

#include <csignal>

#include "zephonprocess.h"

class TestEntry : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sigtermSavesSettings();
    void secondCopyShowsNoticeAndExits();
};

void TestEntry::sigtermSavesSettings()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    ZephonProcess client;
    client.start(dir.path());
    QVERIFY2(client.waitStarted(), client.output().constData());

    ::kill(pid_t(client.process().processId()), SIGTERM);
    QVERIFY(client.process().waitForFinished(15000));
    QCOMPARE(client.process().exitStatus(), QProcess::NormalExit);
    QCOMPARE(client.process().exitCode(), 0);

    QFile config(dir.filePath(QStringLiteral("config")));
    QVERIFY(config.open(QIODevice::ReadOnly));
    QCOMPARE(config.readAll(), QByteArray("0\n0\n1\n1\n1\n"));
}

void TestEntry::secondCopyShowsNoticeAndExits()
{
    XvfbDisplay display;
    if (!display.start())
        QSKIP(qPrintable(display.errorText()));

    QTemporaryDir firstDir, secondDir, thirdDir;
    ZephonProcess first;
    first.start(firstDir.path(), &display);
    QVERIFY2(first.waitStarted(), first.output().constData());

    ZephonProcess second;
    second.start(secondDir.path(), &display);
    // The notice is a message box titled "提示"; Return presses its default button.
    QString strWindow;
    for (int i = 0; i < 200 && strWindow.isEmpty(); ++i) {
        QTest::qWait(100);
        strWindow = display.findWindow(QStringLiteral("^提示$"));
    }
    QVERIFY2(!strWindow.isEmpty(), "the running-copy notice did not appear");
    QVERIFY(second.process().state() == QProcess::Running);
    QVERIFY(!second.output().contains("initialize finished"));
    display.xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), strWindow});
    display.xdotool(
        {QStringLiteral("key"), QStringLiteral("--clearmodifiers"), QStringLiteral("Return")});
    QVERIFY(second.process().waitForFinished(15000));
    QCOMPARE(second.process().exitCode(), 0);
    QVERIFY(!second.output().contains("initialize finished"));
    QCOMPARE(first.process().state(), QProcess::Running);

    // A copy that died without cleaning up must not lock the user out.
    first.process().kill();
    QVERIFY(first.process().waitForFinished(5000));
    ZephonProcess third;
    third.start(thirdDir.path(), &display);
    QVERIFY2(third.waitStarted(), third.output().constData());
    third.process().terminate();
    QVERIFY(third.process().waitForFinished(15000));
    QCOMPARE(third.process().exitCode(), 0);
}

QTEST_GUILESS_MAIN(TestEntry)
#include "tst_entry.moc"
