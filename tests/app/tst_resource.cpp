// The text resource: geometry of the window and one text per property, set from the Chinese
// source texts and set again when the translator announces a new catalogue.
#include "qmlfixture.h"

#include <QCoreApplication>
#include <QMetaProperty>
#include <QTest>
#include <QTranslator>

namespace {

// Translates every text of the screens by marking it, so a refresh is visible.
class MarkingTranslator : public QTranslator
{
public:
    bool isEmpty() const override { return false; }
    QString translate(const char *, const char *sourceText, const char *, int) const override
    {
        return QStringLiteral("[") + QString::fromUtf8(sourceText) + QStringLiteral("]");
    }
};

QStringList textProperties(QObject *object)
{
    QStringList names;
    const QMetaObject *meta = object->metaObject();
    for (int i = meta->propertyOffset(); i < meta->propertyCount(); ++i) {
        const QString name = QString::fromLatin1(meta->property(i).name());
        if (name.startsWith(QLatin1String("text")))
            names << name;
    }
    return names;
}

} // namespace

class TestResource : public QObject
{
    Q_OBJECT

private slots:
    void geometry();
    void everyTextIsSetFromItsSource();
    void textsFollowTheLoadedCatalogue();
};

void TestResource::geometry()
{
    QmlFixture fx;
    QObject *resource = fx.create("Resource.qml");
    QVERIFY(resource);
    const QList<QPair<const char *, int>> expected{
        {"frameWidth", 302},   {"frameHeight", 660}, {"windowWidth", 280},
        {"windowHeight", 510}, {"windowX", 11},      {"windowY", 58},
        {"minimizeX", 192},    {"minimizeY", 8},     {"logoY", 592}};
    for (const auto &[name, value] : expected)
        QCOMPARE(resource->property(name).toInt(), value);
    QCOMPARE(resource->property("fontFamily").toString(), QStringLiteral("微软雅黑"));
}

void TestResource::everyTextIsSetFromItsSource()
{
    QmlFixture fx;
    QObject *resource = fx.create("Resource.qml");
    QVERIFY(resource);
    const QStringList names = textProperties(resource);
    QVERIFY(names.size() > 100);
    for (const QString &name : names)
        QVERIFY2(!resource->property(qPrintable(name)).toString().isEmpty(), qPrintable(name));
    QCOMPARE(resource->property("textNetError").toString(), QStringLiteral("网络错误，请检查网络"));
    QCOMPARE(resource->property("textConfirmLogoutEnterprise").toString(),
             QStringLiteral("确定要退出企业帐号？"));
}

void TestResource::textsFollowTheLoadedCatalogue()
{
    QmlFixture fx;
    QObject *resource = fx.create("Resource.qml");
    QVERIFY(resource);
    QCOMPARE(resource->property("textTabCall").toString(), QStringLiteral("通话"));

    MarkingTranslator marking;
    QCoreApplication::installTranslator(&marking);
    // Installing alone changes nothing until the translator object says so.
    QCOMPARE(resource->property("textTabCall").toString(), QStringLiteral("通话"));
    emit fx.translator.languageChanged();
    QCOMPARE(resource->property("textTabCall").toString(), QStringLiteral("[通话]"));
    QCOMPARE(resource->property("textNotUser").toString(), QStringLiteral("[对方不是Zephon用户]"));
    // The product name is not a text to translate.
    QCOMPARE(resource->property("textAppName").toString(), QStringLiteral("Zephon"));

    QCoreApplication::removeTranslator(&marking);
    emit fx.translator.languageChanged();
    QCOMPARE(resource->property("textTabCall").toString(), QStringLiteral("通话"));
}

QTEST_MAIN(TestResource)
#include "tst_resource.moc"
