// What holds the screens together beyond each component: every screen a loader names is in
// the resources, the named codes reach QML with the values of the C++ enums (and the tools'
// description of them agrees), a screen that fails to load is reported and unloaded, and the
// components hand screens the parts they need.
#include "codes.h"
#include "qmlfixture.h"

#include <QDirIterator>
#include <QFile>
#include <QMetaEnum>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Screens that loaders and open functions already name but that are not written yet; a
// screen leaves this list when its file is added.
const QStringList kNotYetWritten{};

const QString kScreens = QStringLiteral(":/qml/Zephon/");

// Every "<Name>.qml" string in the shipped QML documents.
QSet<QString> namedScreens()
{
    static const QRegularExpression literal(QStringLiteral("\"([A-Za-z]\\w*\\.qml)\""));
    QSet<QString> names;
    QDirIterator it(kScreens, {QStringLiteral("*.qml")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QString text = QString::fromUtf8(file.readAll());
        for (const QRegularExpressionMatch &match : literal.globalMatch(text))
            names.insert(match.captured(1));
    }
    return names;
}

// Enum name -> (value name -> value) as the tools' type description states them.
QMap<QString, QMap<QString, int>> describedEnums()
{
    QFile file(QStringLiteral(ZEPHON_QMLLINT_DIR "/Zephon/Codes/plugins.qmltypes"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QString text = QString::fromUtf8(file.readAll());
    static const QRegularExpression block(
        QStringLiteral("Enum\\s*\\{\\s*name:\\s*\"(\\w+)\"\\s*values:\\s*\\{([^}]*)\\}"));
    static const QRegularExpression value(QStringLiteral("\"(\\w+)\"\\s*:\\s*(-?\\d+)"));
    QMap<QString, QMap<QString, int>> enums;
    for (const QRegularExpressionMatch &match : block.globalMatch(text)) {
        QMap<QString, int> &values = enums[match.captured(1)];
        for (const QRegularExpressionMatch &entry : value.globalMatch(match.captured(2)))
            values.insert(entry.captured(1), entry.captured(2).toInt());
    }
    return enums;
}

} // namespace

class TestQmlContract : public QObject
{
    Q_OBJECT

private slots:
    void loadedScreensExist();
    void codesDescriptionMatchesTheEnums();
    void codesReachQml_data();
    void codesReachQml();
    void failedScreenIsReportedAndUnloaded_data();
    void failedScreenIsReportedAndUnloaded();
    void tabGroupHandsOutItsHeaders();
    void comboBoxHandsOutItsInput();
};

void TestQmlContract::loadedScreensExist()
{
    const QSet<QString> names = namedScreens();
    // The scan itself must see the navigation, or the checks below prove nothing.
    for (const char *known : {"LoginInterface.qml", "MainInterface.qml", "MessageInterface.qml"})
        QVERIFY2(names.contains(QString::fromLatin1(known)), known);
    for (const QString &name : names) {
        const bool exists = QFile::exists(kScreens + name);
        if (kNotYetWritten.contains(name))
            QVERIFY2(!exists, qPrintable(name + " is written: take it off the list"));
        else
            QVERIFY2(exists, qPrintable(name + " is named by a screen but not in the resources"));
    }
    for (const QString &name : kNotYetWritten)
        QVERIFY2(names.contains(name),
                 qPrintable(name + " is no longer named: take it off the list"));
}

void TestQmlContract::codesDescriptionMatchesTheEnums()
{
    const QMap<QString, QMap<QString, int>> described = describedEnums();
    const QMetaObject &meta = Codes::staticMetaObject;
    QCOMPARE(described.size(), meta.enumeratorCount());
    for (int i = 0; i < meta.enumeratorCount(); ++i) {
        const QMetaEnum metaEnum = meta.enumerator(i);
        const QString name = QString::fromLatin1(metaEnum.name());
        QVERIFY2(described.contains(name), qPrintable(name));
        QMap<QString, int> actual;
        for (int k = 0; k < metaEnum.keyCount(); ++k)
            actual.insert(QString::fromLatin1(metaEnum.key(k)), metaEnum.value(k));
        QCOMPARE(described.value(name), actual);
    }
}

void TestQmlContract::codesReachQml_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("expected");
    QTest::newRow("lost") << "NetLost" << int(Codes::NetLost);
    QTest::newRow("timeout") << "NetLoginTimeout" << int(Codes::NetLoginTimeout);
    QTest::newRow("wrong password") << "LoginWrongPassword" << int(Codes::LoginWrongPassword);
    QTest::newRow("failed message") << "MsgFailed" << int(Codes::MsgFailed);
    QTest::newRow("no zpid") << "ZpidNone" << int(Codes::ZpidNone);
    QTest::newRow("command") << "CmdSubServer" << int(Codes::CmdSubServer);
    QTest::newRow("unreachable callee") << "CallUnreachable" << int(Codes::CallUnreachable);
    QTest::newRow("no call") << "PhaseIdle" << int(Codes::PhaseIdle);
}

void TestQmlContract::codesReachQml()
{
    QFETCH(QString, name);
    QFETCH(int, expected);
    QmlFixture fx;
    QQuickItem *item =
        fx.showInline("import QtQuick\nimport Zephon.Codes\nItem { property int value: Codes." +
                          name.toLatin1() + " }",
                      "codes.qml", {10, 10});
    QVERIFY(item);
    QCOMPARE(item->property("value").toInt(), expected);
}

void TestQmlContract::failedScreenIsReportedAndUnloaded_data()
{
    QTest::addColumn<QByteArray>("content"); // empty: no file at all
    QTest::addColumn<QString>("reason");
    QTest::newRow("missing") << QByteArray() << "No such file";
    QTest::newRow("broken") << QByteArray("import QtQuick\nItem { width: }\n") << "Expected token";
    QTest::newRow("unknown type") << QByteArray("import QtQuick\nNoSuchItem {}\n")
                                  << "NoSuchItem is not a type";
}

void TestQmlContract::failedScreenIsReportedAndUnloaded()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("Screen.qml"));
    if (!content.isEmpty()) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    QmlFixture fx;
    QQuickItem *loader = fx.showInline(R"(
        import QtQuick
        import "qrc:/qml/Zephon/components"
        ScreenLoader { width: 100; height: 100 })",
                                       "loader.qml", {100, 100});
    QVERIFY(loader);
    QSignalSpy failed(loader, SIGNAL(failed(QUrl, QString)));
    const QUrl url = QUrl::fromLocalFile(path);
    // The engine names the file in its own complaint; the loader's line adds the reason.
    QTest::ignoreMessage(QtWarningMsg,
                         QRegularExpression("^(?!Screen ).*" + QRegularExpression::escape(path)));
    QTest::ignoreMessage(
        QtWarningMsg, QRegularExpression("^Screen " + QRegularExpression::escape(url.toString()) +
                                         " failed to load: .*" + reason));
    loader->setProperty("source", url);
    QCOMPARE(failed.count(), 1);
    QCOMPARE(failed.at(0).at(0).toUrl(), url);
    QVERIFY2(failed.at(0).at(1).toString().contains(reason),
             qPrintable(failed.at(0).at(1).toString()));
    QCOMPARE(loader->property("source").toUrl(), QUrl());
    QCOMPARE(loader->property("item").value<QObject *>(), nullptr);
}

void TestQmlContract::tabGroupHandsOutItsHeaders()
{
    QmlFixture fx;
    QQuickItem *tabs = fx.showInline(R"(
        import QtQuick
        import "qrc:/qml/Zephon/components"
        import "qrc:/qml/Zephon/delegate"
        TabGroup {
            width: 280; height: 300
            delegate: TabGroupDelegate {}
            property bool folded: headerAt(0) ? !headerAt(0).expand : false
            Item { property string title: "a" }
            Item { property string title: "b" }
            Item { property string title: "c" }
        })",
                                     "tabs.qml", {280, 300});
    QVERIFY(tabs);
    for (int i = 0; i < 3; ++i) {
        QVariant header;
        QVERIFY(QMetaObject::invokeMethod(tabs, "headerAt", Q_RETURN_ARG(QVariant, header),
                                          Q_ARG(QVariant, i)));
        auto *item = header.value<QQuickItem *>();
        QVERIFY(item);
        QCOMPARE(item->property("index").toInt(), i);
    }
    QVariant none;
    QVERIFY(QMetaObject::invokeMethod(tabs, "headerAt", Q_RETURN_ARG(QVariant, none),
                                      Q_ARG(QVariant, 3)));
    QVERIFY(none.isNull());
    // A binding through headerAt follows the header's own state: pressing the current call
    // tab folds the dial pad.
    QVERIFY(!tabs->property("folded").toBool());
    QVariant first;
    QMetaObject::invokeMethod(tabs, "headerAt", Q_RETURN_ARG(QVariant, first), Q_ARG(QVariant, 0));
    QmlFixture::click(first.value<QQuickItem *>());
    QVERIFY(tabs->property("folded").toBool());
}

void TestQmlContract::comboBoxHandsOutItsInput()
{
    QmlFixture fx;
    QQuickItem *combo = fx.show("components/ComboBox.qml", {{"editable", true}}, {220, 32});
    QVERIFY(combo);
    auto *input = combo->property("input").value<QQuickItem *>();
    QVERIFY(input);
    input->forceActiveFocus();
    QVERIFY(input->hasActiveFocus());
    QmlFixture::type(fx.view(), QStringLiteral("10001"));
    QCOMPARE(combo->property("selectedItem").toString(), QStringLiteral("10001"));
}

QTEST_MAIN(TestQmlContract)
#include "tst_qmlcontract.moc"
