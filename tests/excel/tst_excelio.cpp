// The workbook reader and writer on real files: what the writer makes as another program
// (openpyxl) reads it, the writer's all-or-nothing save, and the reader on workbooks made by
// openpyxl and by hand, down to broken and hostile files.
#include "excelfixture.h"
#include "excelreader.h"
#include "excelwriter.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

namespace {

// The cells openpyxl found in the first sheet, keyed "row,column".
QHash<QString, QJsonObject> cellsOf(const QJsonObject &book)
{
    QHash<QString, QJsonObject> cells;
    const QJsonArray sheet =
        book.value(QLatin1String("sheets")).toArray().at(0).toObject().value("cells").toArray();
    for (const QJsonValue &value : sheet) {
        const QJsonObject cell = value.toObject();
        cells.insert(QStringLiteral("%1,%2")
                         .arg(cell.value("row").toInt())
                         .arg(cell.value("column").toInt()),
                     cell);
    }
    return cells;
}

QStringList rowOf(ExcelReader &reader, int iRow, int iColumns)
{
    QStringList cells;
    for (int c = 1; c <= iColumns; ++c)
        cells << reader.cellText(iRow, c);
    return cells;
}

} // namespace

class TestExcelIo : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void writerReadByOpenpyxl();
    void writerRoundTrip();
    void writerFailedSave_data();
    void writerFailedSave();
    void writerKeepsOldFileOnFailure();

    void readerNumbers();
    void readerRanges();
    void readerStrings();
    void readerCellsWithoutReference();
    void readerSharedStringIndexOutOfRange();
    void readerRefuses_data();
    void readerRefuses();

private:
    QString book(const QString &strName) const { return m_books.filePath(strName); }

    QTemporaryDir m_books;
    QTemporaryDir m_out;
};

void TestExcelIo::initTestCase()
{
    QVERIFY(m_books.isValid() && m_out.isValid());
    runScript(QStringLiteral("makebooks.py"), {m_books.path()});
    QVERIFY(QFile::exists(book("bomb.xlsx")));

    // Not a zip: the start of an OLE compound file, as an .xls begins, and noise.
    QFile xls(book("old.xls"));
    QVERIFY(xls.open(QIODevice::WriteOnly));
    QByteArray ar = QByteArray::fromHex("d0cf11e0a1b11ae1");
    for (int i = 0; i < 4096; ++i)
        ar.append(char(QRandomGenerator::global()->bounded(256)));
    xls.write(ar);
    xls.close();

    QFile whole(book("numbers.xlsx"));
    QVERIFY(whole.open(QIODevice::ReadOnly));
    const QByteArray arWhole = whole.readAll();
    QFile cut(book("truncated.xlsx"));
    QVERIFY(cut.open(QIODevice::WriteOnly));
    cut.write(arWhole.left(arWhole.size() / 2));
    cut.close();

    QFile empty(book("empty.xlsx"));
    QVERIFY(empty.open(QIODevice::WriteOnly));
}

void TestExcelIo::writerReadByOpenpyxl()
{
    const QString strFile = m_out.filePath(QStringLiteral("written.xlsx"));
    {
        ExcelWriter writer(strFile);
        QVERIFY(writer.setCell(1, 1, QStringLiteral("姓名")));
        QVERIFY(writer.setCell(1, 2, QStringLiteral("手机")));
        QVERIFY(writer.setCell(1, 3, QStringLiteral("分组")));
        QVERIFY(writer.setCell(2, 1, QStringLiteral("张三")));
        QVERIFY(writer.setTextCell(2, 2, QStringLiteral("13800000001^#02087654321")));
        QVERIFY(writer.setCell(2, 3, QStringLiteral("同事")));
        QVERIFY(writer.setCell(3, 1, QStringLiteral("O'Brien")));
        QVERIFY(writer.setTextCell(3, 2, QStringLiteral("007")));
        QVERIFY(writer.setTextCell(3, 3, QString()));
        QVERIFY(writer.setCell(4, 1, QStringLiteral("_x0041_")));
        // The destructor saves.
    }
    const QJsonObject result = readBack(strFile);
    const QJsonArray sheets = result.value("sheets").toArray();
    QCOMPARE(sheets.size(), 1);
    const QHash<QString, QJsonObject> cells = cellsOf(result);
    QCOMPARE(cells.size(), 9);
    struct Expected
    {
        const char *pKey;
        QString strValue;
        const char *pFormat;
    };
    const QList<Expected> expected{
        {"1,1", QStringLiteral("姓名"), "General"},
        {"1,2", QStringLiteral("手机"), "General"},
        {"1,3", QStringLiteral("分组"), "General"},
        {"2,1", QStringLiteral("张三"), "General"},
        {"2,2", QStringLiteral("13800000001^#02087654321"), "@"},
        {"2,3", QStringLiteral("同事"), "General"},
        {"3,1", QStringLiteral("O'Brien"), "General"},
        {"3,2", QStringLiteral("007"), "@"},
        {"4,1", QStringLiteral("_x0041_"), "General"},
    };
    for (const Expected &e : expected) {
        const QJsonObject cell = cells.value(QLatin1String(e.pKey));
        QCOMPARE(cell.value("value").toString(), e.strValue);
        QCOMPARE(cell.value("type").toString(), QStringLiteral("s"));
        QCOMPARE(cell.value("format").toString(), QLatin1String(e.pFormat));
    }
}

void TestExcelIo::writerRoundTrip()
{
    const QString strFile = m_out.filePath(QStringLiteral("roundtrip.xlsx"));
    const QString strLong(5000, QChar(0x4E2D));
    ExcelWriter writer(strFile);
    writer.setCell(2, 2, QStringLiteral("左上"));
    writer.setTextCell(2, 3, QStringLiteral("0010"));
    writer.setCell(4, 4, strLong);
    writer.setCell(3, 3, QStringLiteral("a & <b> \"c\""));
    writer.setCell(5, 2, QStringLiteral("_x0041_ \x01\t"));
    QVERIFY(writer.saveAndClose());
    QVERIFY(writer.saveAndClose());
    QVERIFY(writer.errorString().isEmpty());

    ExcelReader reader(strFile);
    QVERIFY2(reader.errorString().isEmpty(), qPrintable(reader.errorString()));
    QCOMPARE(reader.sheetCount(), 1);
    QCOMPARE(reader.startRow(1), 2);
    QCOMPARE(reader.startColumn(1), 2);
    QCOMPARE(reader.rowCount(1), 4);
    QCOMPARE(reader.columnCount(1), 3);
    QVERIFY(reader.setCurrentSheet(1));
    QCOMPARE(reader.cellText(2, 2), QStringLiteral("左上"));
    QCOMPARE(reader.cellText(2, 3), QStringLiteral("0010"));
    QCOMPARE(reader.cellText(3, 3), QStringLiteral("a & <b> \"c\""));
    QCOMPARE(reader.cellText(4, 4), strLong);
    QCOMPARE(reader.cellText(3, 2), QString());
    QCOMPARE(reader.cellText(5, 2), QStringLiteral("_x0041_ \x01\t"));
}

void TestExcelIo::writerFailedSave_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<bool>("readOnly");
    QTest::addColumn<bool>("badCell");
    QTest::newRow("missing folder") << QStringLiteral("no/such/folder") << false << false;
    QTest::newRow("read-only folder") << QStringLiteral("locked") << true << false;
    QTest::newRow("cell out of the sheet") << QStringLiteral("plain") << false << true;
}

void TestExcelIo::writerFailedSave()
{
    QFETCH(QString, folder);
    QFETCH(bool, readOnly);
    QFETCH(bool, badCell);
    QTemporaryDir root;
    const QString strFolder = root.filePath(folder);
    if (readOnly || badCell)
        QVERIFY(QDir().mkpath(strFolder));
    if (readOnly) {
        QFile::setPermissions(strFolder, QFile::ReadOwner | QFile::ExeOwner);
        if (QFileInfo(strFolder).isWritable())
            QSKIP("the folder stays writable for this user (root)");
    }
    const QString strFile = strFolder + QStringLiteral("/backup.xlsx");
    ExcelWriter writer(strFile);
    writer.setCell(1, 1, QStringLiteral("姓名"));
    if (badCell)
        QVERIFY(!writer.setCell(0, 1, QStringLiteral("x")));
    QVERIFY(!writer.saveAndClose());
    QVERIFY(!writer.errorString().isEmpty());
    QVERIFY(!QFile::exists(strFile));
    if (QDir(strFolder).exists())
        QCOMPARE(QDir(strFolder).entryList(QDir::Files | QDir::Hidden), QStringList());
    QFile::setPermissions(strFolder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

void TestExcelIo::writerKeepsOldFileOnFailure()
{
    const QString strFile = m_out.filePath(QStringLiteral("kept.xlsx"));
    {
        ExcelWriter first(strFile);
        first.setCell(1, 1, QStringLiteral("old"));
        QVERIFY(first.saveAndClose());
    }
    ExcelWriter second(strFile);
    second.setCell(1, 1, QStringLiteral("new"));
    QVERIFY(!second.setCell(1, 20000, QStringLiteral("beyond the last column")));
    QVERIFY(!second.saveAndClose());
    ExcelReader reader(strFile);
    QVERIFY(reader.setCurrentSheet(1));
    QCOMPARE(reader.cellText(1, 1), QStringLiteral("old"));
}

void TestExcelIo::readerNumbers()
{
    ExcelReader reader(book("numbers.xlsx"));
    QVERIFY2(reader.errorString().isEmpty(), qPrintable(reader.errorString()));
    QVERIFY(reader.setCurrentSheet(1));
    const QStringList expected{"13000000000", "13000000000",      "0",     "0",  "3",    "1.5",
                               "0.1",         "9007199254740992", "1e+20", "-7", "true", "0731"};
    QCOMPARE(rowOf(reader, 2, int(expected.size())), expected);
    QCOMPARE(reader.cellText(1, 1), QStringLiteral("h1"));
}

void TestExcelIo::readerRanges()
{
    ExcelReader reader(book("offset.xlsx"));
    QCOMPARE(reader.sheetCount(), 2);
    QCOMPARE(reader.cellText(2, 2), QString()); // no sheet current yet
    QCOMPARE(reader.startRow(1), 2);
    QCOMPARE(reader.startColumn(1), 2);
    QCOMPARE(reader.rowCount(1), 9);
    QCOMPARE(reader.columnCount(1), 3);
    for (int iIndex : {0, 3, -1}) {
        QCOMPARE(reader.startRow(iIndex), -1);
        QCOMPARE(reader.startColumn(iIndex), -1);
        QCOMPARE(reader.rowCount(iIndex), -1);
        QCOMPARE(reader.columnCount(iIndex), -1);
        QVERIFY(!reader.setCurrentSheet(iIndex));
    }
    QCOMPARE(reader.startRow(2), 0);
    QCOMPARE(reader.columnCount(2), 0);

    QVERIFY(reader.setCurrentSheet(1));
    QCOMPARE(reader.cellText(2, 2), QStringLiteral("r2c2"));
    QCOMPARE(reader.cellText(10, 4), QStringLiteral("r10c4"));
    QCOMPARE(reader.cellText(5, 3), QString());
    QCOMPARE(reader.cellText(1, 2), QString());
    QCOMPARE(reader.cellText(11, 2), QString());
    QCOMPARE(reader.cellText(2, 5), QString());
    reader.close();
    QCOMPARE(reader.sheetCount(), 0);
    QCOMPARE(reader.cellText(2, 2), QString());
}

void TestExcelIo::readerStrings()
{
    ExcelReader reader(book("strings.xlsx"));
    QVERIFY2(reader.errorString().isEmpty(), qPrintable(reader.errorString()));
    QVERIFY(reader.setCurrentSheet(1));
    QCOMPARE(rowOf(reader, 1, 7),
             (QStringList{"内联", "甲乙", "共享", "富文本", "公式", "false", "Ab_x0041__x00zz_"}));
}

void TestExcelIo::readerCellsWithoutReference()
{
    ExcelReader reader(book("noref.xlsx"));
    QVERIFY2(reader.errorString().isEmpty(), qPrintable(reader.errorString()));
    QVERIFY(reader.setCurrentSheet(1));
    QCOMPARE(reader.rowCount(1), 5);
    QCOMPARE(reader.columnCount(1), 5);
    QCOMPARE(rowOf(reader, 1, 5), (QStringList{"a1", "b1", "", "", ""}));
    QCOMPARE(rowOf(reader, 2, 5), (QStringList{"a2", "", "", "d2", "e2"}));
    QCOMPARE(rowOf(reader, 5, 5), (QStringList{"a5", "", "", "", ""}));
}

void TestExcelIo::readerSharedStringIndexOutOfRange()
{
    ExcelReader reader(book("badindex.xlsx"));
    QVERIFY2(reader.errorString().isEmpty(), qPrintable(reader.errorString()));
    QVERIFY(reader.setCurrentSheet(1));
    QCOMPARE(reader.columnCount(1), 1);
    QCOMPARE(rowOf(reader, 1, 3), (QStringList{"only", "", ""}));
    QCOMPARE(rowOf(reader, 2, 2), (QStringList{"only", ""}));
}

void TestExcelIo::readerRefuses_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("reason");
    QTest::newRow("xls") << QStringLiteral("old.xls") << QStringLiteral("not a readable workbook");
    QTest::newRow("truncated") << QStringLiteral("truncated.xlsx")
                               << QStringLiteral("not a readable workbook");
    QTest::newRow("empty file") << QStringLiteral("empty.xlsx")
                                << QStringLiteral("not a readable workbook");
    QTest::newRow("missing file") << QStringLiteral("nothing.xlsx")
                                  << QStringLiteral("not a readable workbook");
    QTest::newRow("malformed xml")
        << QStringLiteral("malformed.xlsx") << QStringLiteral("not well-formed");
    QTest::newRow("bad reference")
        << QStringLiteral("badref.xlsx") << QStringLiteral("bad cell reference");
    QTest::newRow("zip bomb") << QStringLiteral("bomb.xlsx") << QStringLiteral("larger than");
    QTest::newRow("zip bomb with a false size")
        << QStringLiteral("liar.xlsx") << QStringLiteral("larger than");
}

void TestExcelIo::readerRefuses()
{
    QFETCH(QString, file);
    QFETCH(QString, reason);
    ExcelReader reader(book(file));
    QCOMPARE(reader.sheetCount(), 0);
    QVERIFY2(reader.errorString().contains(reason), qPrintable(reader.errorString()));
    QVERIFY(!reader.setCurrentSheet(1));
    QCOMPARE(reader.startRow(1), -1);
    QCOMPARE(reader.cellText(1, 1), QString());
}

QTEST_GUILESS_MAIN(TestExcelIo)
#include "tst_excelio.moc"
