// The "userpic" image provider: the size it reports and the pixmap it hands out.
#include <QtTest>

#include "cimageprovider.h"

class TestImageProvider : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sizes_data();
    void sizes();
};

void TestImageProvider::sizes_data()
{
    QTest::addColumn<QSize>("requested");
    QTest::addColumn<QSize>("expected");
    QTest::newRow("no size asked") << QSize(-1, -1) << QSize(173, 173);
    QTest::newRow("zero") << QSize(0, 0) << QSize(173, 173);
    QTest::newRow("width only") << QSize(40, 0) << QSize(40, 173);
    QTest::newRow("both") << QSize(48, 32) << QSize(48, 32);
    QTest::newRow("beyond any screen") << QSize(100000, 30) << QSize(1024, 30);
}

void TestImageProvider::sizes()
{
    QFETCH(QSize, requested);
    QFETCH(QSize, expected);
    CImageProvider provider;
    QCOMPARE(provider.imageType(), QQmlImageProviderBase::Pixmap);
    QSize reported;
    const QPixmap pixmap = provider.requestPixmap(QStringLiteral("1234567"), &reported, requested);
    QCOMPARE(reported, QSize(173, 173));
    QCOMPARE(pixmap.size(), expected);
}

QTEST_MAIN(TestImageProvider)
#include "tst_imageprovider.moc"
