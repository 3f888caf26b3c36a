// The settings file: what each kind of file content turns into, and what is written back.
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include "csetting.h"

class TestCSetting : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void load_data();
    void load();
    void missingFileKeepsDefaults();
    void saveWritesFiveLines();
    void saveFailureKeepsOldFile();
    void notifiesOnlyOnChange_data();
    void notifiesOnlyOnChange();

private:
    static QString writeConfig(const QTemporaryDir &dir, const QByteArray &content)
    {
        const QString strPath = dir.filePath(QStringLiteral("config"));
        QFile file(strPath);
        if (!file.open(QIODevice::WriteOnly))
            return QString();
        file.write(content);
        return strPath;
    }
};

void TestCSetting::load_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QList<bool>>("expected");

    QTest::newRow("all off") << QByteArray("0\n0\n0\n0\n0\n") << QList<bool>{0, 0, 0, 0, 0};
    QTest::newRow("all on") << QByteArray("1\n1\n1\n1\n1\n") << QList<bool>{1, 1, 1, 1, 1};
    QTest::newRow("2 and -1 count as on")
        << QByteArray("2\n-1\n0\n0\n0\n") << QList<bool>{1, 1, 0, 0, 0};
    QTest::newRow("text counts as off")
        << QByteArray("abc\n1\n1\n1\n1\n") << QList<bool>{0, 1, 1, 1, 1};
    QTest::newRow("two lines: the rest off") << QByteArray("1\n1\n") << QList<bool>{1, 1, 0, 0, 0};
    QTest::newRow("empty file: all off") << QByteArray() << QList<bool>{0, 0, 0, 0, 0};
    QTest::newRow("no final line feed")
        << QByteArray("1\n0\n1\n0\n1") << QList<bool>{1, 0, 1, 0, 1};
    QTest::newRow("windows line ends read the same")
        << QByteArray("1\r\n0\r\n1\r\n0\r\n1\r\n") << QList<bool>{1, 0, 1, 0, 1};
}

void TestCSetting::load()
{
    QFETCH(QByteArray, content);
    QFETCH(QList<bool>, expected);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString strPath = writeConfig(dir, content);
    QVERIFY(!strPath.isEmpty());

    CSetting setting(true, true, true, true, true);
    setting.load(strPath);
    const QList<bool> actual{setting.autoStartup(), setting.staysOnTop(), setting.callPrompt(),
                             setting.msgPrompt(), setting.autoUpdate()};
    QCOMPARE(actual, expected);
}

void TestCSetting::missingFileKeepsDefaults()
{
    QTemporaryDir dir;
    CSetting setting(false, false, true, true, true);
    QSignalSpy spy(&setting, &CSetting::callPromptChanged);
    setting.load(dir.filePath(QStringLiteral("config")));
    QCOMPARE(spy.count(), 0);
    QVERIFY(!setting.autoStartup());
    QVERIFY(!setting.staysOnTop());
    QVERIFY(setting.callPrompt());
    QVERIFY(setting.msgPrompt());
    QVERIFY(setting.autoUpdate());

    QVERIFY(setting.save(dir.filePath(QStringLiteral("config"))));
    QFile file(dir.filePath(QStringLiteral("config")));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("0\n0\n1\n1\n1\n"));
}

void TestCSetting::saveWritesFiveLines()
{
    QTemporaryDir dir;
    const QString strPath = writeConfig(dir, QByteArray("garbage that is longer than five lines\n"
                                                        "a\nb\nc\nd\ne\nf\n"));
    CSetting setting(true, false, true, false, true);
    QVERIFY(setting.save(strPath));
    QFile file(strPath);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("1\n0\n1\n0\n1\n"));

    CSetting reloaded(false, true, false, true, false);
    reloaded.load(strPath);
    QVERIFY(reloaded.autoStartup());
    QVERIFY(!reloaded.staysOnTop());
    QVERIFY(reloaded.callPrompt());
    QVERIFY(!reloaded.msgPrompt());
    QVERIFY(reloaded.autoUpdate());
}

void TestCSetting::saveFailureKeepsOldFile()
{
    // A "config" that is a folder cannot be replaced by a file: saving fails and the folder
    // with its content stays as it was.
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("config/keep")));
    CSetting setting(false, false, false, false, false);
    QVERIFY(!setting.save(dir.filePath(QStringLiteral("config"))));
    QVERIFY(QFileInfo(dir.filePath(QStringLiteral("config/keep"))).isDir());
    QVERIFY(!setting.save(dir.filePath(QStringLiteral("missing/config"))));
}

void TestCSetting::notifiesOnlyOnChange_data()
{
    QTest::addColumn<QByteArray>("property");
    QTest::addColumn<QByteArray>("notify");
    QTest::newRow("bAutoStartup") << QByteArray("bAutoStartup")
                                  << QByteArray("autoStartupChanged()");
    QTest::newRow("bStaysOnTop") << QByteArray("bStaysOnTop") << QByteArray("staysOnTopChanged()");
    QTest::newRow("bCallPrompt") << QByteArray("bCallPrompt") << QByteArray("callPromptChanged()");
    QTest::newRow("bMsgPrompt") << QByteArray("bMsgPrompt") << QByteArray("msgPromptChanged()");
    QTest::newRow("bAutoUpdate") << QByteArray("bAutoUpdate") << QByteArray("autoUpdateChanged()");
}

void TestCSetting::notifiesOnlyOnChange()
{
    QFETCH(QByteArray, property);
    QFETCH(QByteArray, notify);

    CSetting setting(false, false, true, true, true);
    const QMetaProperty meta =
        setting.metaObject()->property(setting.metaObject()->indexOfProperty(property));
    QVERIFY(meta.isValid());
    QCOMPARE(QByteArray(meta.notifySignal().methodSignature()), notify);

    QSignalSpy spy(&setting, meta.notifySignal());
    const bool bInitial = setting.property(property).toBool();
    QVERIFY(setting.setProperty(property, bInitial));
    QCOMPARE(spy.count(), 0);
    QVERIFY(setting.setProperty(property, !bInitial));
    QCOMPARE(spy.count(), 1);
    QCOMPARE(setting.property(property).toBool(), !bInitial);
    QVERIFY(setting.setProperty(property, !bInitial));
    QCOMPARE(spy.count(), 1);
}

QTEST_GUILESS_MAIN(TestCSetting)
#include "tst_csetting.moc"
