// The process-wide translator: catalogues come from the resources, and the screens are told
// to re-read their texts after every load attempt, failed or not.
#include <QtTest>

#include "ctranslator.h"

class TestCTranslator : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void oneInstanceWithoutParent();
    void load_data();
    void load();

private:
    static QString hello() { return QCoreApplication::translate("TestCTranslator", "Hello"); }
};

void TestCTranslator::initTestCase()
{
    // Installed while still empty, as at start-up; Qt answers false for an empty translator
    // but keeps it, so the catalogue loaded later takes effect.
    QCoreApplication::installTranslator(CTranslator::instance());
    QCOMPARE(hello(), QStringLiteral("Hello"));
}

void TestCTranslator::oneInstanceWithoutParent()
{
    CTranslator *pFirst = CTranslator::instance();
    QVERIFY(pFirst);
    QCOMPARE(pFirst, CTranslator::instance());
    QCOMPARE(pFirst->parent(), nullptr);
}

void TestCTranslator::load_data()
{
    QTest::addColumn<QString>("filename");
    QTest::addColumn<bool>("loaded");
    QTest::addColumn<QString>("text");

    const QString chinese = QString::fromUtf8("你好");
    // Rows run in order on the one translator: a failed load after a good one must drop the
    // old catalogue rather than leave it half in place.
    QTest::newRow("catalogue in the resources") << "tst_ctranslator_zh.qm" << true << chinese;
    QTest::newRow("missing catalogue") << "Zephon_xx.qm" << false << "Hello";
    QTest::newRow("reload") << "tst_ctranslator_zh.qm" << true << chinese;
    QTest::newRow("empty name") << "" << false << "Hello";
    // Only resources are searched, never a directory on disk.
    QTest::newRow("file outside the resources")
        << QFINDTESTDATA("tst_ctranslator_zh.ts") << false << "Hello";
}

void TestCTranslator::load()
{
    QFETCH(QString, filename);
    QFETCH(bool, loaded);
    QFETCH(QString, text);

    CTranslator *pTranslator = CTranslator::instance();
    QSignalSpy spy(pTranslator, &CTranslator::languageChanged);
    QCOMPARE(pTranslator->load(filename), loaded);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(hello(), text);
    QCOMPARE(pTranslator->isEmpty(), !loaded);
}

QTEST_GUILESS_MAIN(TestCTranslator)
#include "tst_ctranslator.moc"
