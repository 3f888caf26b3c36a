// The components against the real native items of NativeQuickWidgets: the properties they
// bind and the actions they hand to the native menu.
#include "qmlfixture.h"

#include <QQmlListReference>
#include <QQmlPropertyMap>
#include <QQuickItem>
#include <QSignalSpy>
#include <QTest>

class TestNativeItems : public QObject
{
    Q_OBJECT

private slots:
    void checkBoxDrivesTheNativeIndicator();
    void rowMenuHandsItsActionsToTheNativeMenu();
};

void TestNativeItems::checkBoxDrivesTheNativeIndicator()
{
    QmlFixture fx;
    QQuickItem *box = fx.show("components/CheckBox.qml", {{"label", "记住密码"}});
    QVERIFY(box);
    QQuickItem *indicator = box->childItems().value(0);
    QVERIFY(indicator);
    QCOMPARE(QByteArray(indicator->metaObject()->className()), QByteArray("DeclarativeCheckBox"));
    QSignalSpy toggled(box, SIGNAL(toggled(bool)));

    QmlFixture::click(box);
    QVERIFY(box->property("checked").toBool());
    QVERIFY(indicator->property("checked").toBool());
    QCOMPARE(toggled.count(), 1);
    QVERIFY(toggled.at(0).at(0).toBool());

    box->setEnabled(false);
    QVERIFY(!indicator->property("widgetEnabled").toBool());
    QmlFixture::click(box);
    QVERIFY(box->property("checked").toBool());
    QCOMPARE(toggled.count(), 1);
}

void TestNativeItems::rowMenuHandsItsActionsToTheNativeMenu()
{
    QmlFixture fx;
    QQmlPropertyMap row;
    const QVariantMap values{{"strId", "1"},
                             {"strZpid", "10001"},
                             {"strName", "张三"},
                             {"strPhone", "138"},
                             {"iType", 3}};
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        row.insert(it.key(), it.value());
    QObject *item = fx.create("delegate/ContactDelegate.qml",
                              {{"modelData", QVariant::fromValue<QObject *>(&row)}, {"index", 0}});
    QVERIFY(item);
    QObject *menu = nullptr;
    for (QObject *object : item->findChildren<QObject *>())
        if (QByteArray(object->metaObject()->className()) == "DeclarativeMenu")
            menu = object;
    QVERIFY(menu);
    QQmlListReference actions(menu, "actions");
    QCOMPARE(actions.count(), 4);
    QCOMPARE(actions.at(0)->property("text").toString(), QStringLiteral("名片"));
    QVERIFY(actions.at(1)->property("separator").toBool());
    // A number not known to belong to a user offers no call or message.
    QVERIFY(!actions.at(2)->property("enabled").toBool());
    QVERIFY(!actions.at(3)->property("enabled").toBool());
    QSignalSpy card(item, SIGNAL(menu1Clicked()));
    QMetaObject::invokeMethod(actions.at(0), "triggered");
    QCOMPARE(card.count(), 1);
}

QTEST_MAIN(TestNativeItems)
#include "tst_nativeitems.moc"
