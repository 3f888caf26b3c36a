// The backup and import jobs on real files: backups of each kind from a real store, read back
// by openpyxl (header, text format of the number columns, values, order), a backup that cannot
// be saved, and imports of hostile and malformed rows with what each sends and skips.
#include "cbackupthread.h"
#include "cimportrules.h"
#include "cimportthread.h"
#include "excelfixture.h"
#include "excelwriter.h"
#include "orginfomodel.h"
#include "storefixture.h"

#include <QJsonArray>
#include <QTemporaryDir>
#include <QTest>

namespace {

using Rows = QList<QStringList>;

// The first sheet as openpyxl reads it: rows of "value|format" texts, empty cells as "".
Rows sheetAsRows(const QString &strFile, QString *pTypes)
{
    const QJsonObject book = readBack(strFile);
    const QJsonArray cells =
        book.value("sheets").toArray().at(0).toObject().value("cells").toArray();
    Rows rows;
    for (const QJsonValue &value : cells) {
        const QJsonObject cell = value.toObject();
        const int iRow = cell.value("row").toInt();
        const int iColumn = cell.value("column").toInt();
        while (rows.size() < iRow)
            rows.append(QStringList());
        QStringList &row = rows[iRow - 1];
        while (row.size() < iColumn)
            row.append(QString());
        row[iColumn - 1] =
            cell.value("value").toString() + QLatin1Char('|') + cell.value("format").toString();
        *pTypes += cell.value("type").toString();
    }
    return rows;
}

// A one-sheet workbook with the rows from (iRow, iColumn) on, every cell a text cell.
void writeSheet(const QString &strFile, const Rows &rows, int iRow = 1, int iColumn = 1)
{
    ExcelWriter writer(strFile);
    for (int r = 0; r < rows.size(); ++r)
        for (int c = 0; c < rows.at(r).size(); ++c)
            writer.setTextCell(iRow + r, iColumn + c, rows.at(r).at(c));
    QVERIFY(writer.saveAndClose());
}

struct ImportResult
{
    QStringList texts;
    QList<QObject *> elements;
    int iSkipped = 0;
    QString strError;
};

ImportResult runImport(const QString &strFile, int iKind)
{
    StoreFixture store;
    CImportThread job(strFile, store.sharedPointer(), iKind);
    job.start();
    job.wait();
    return {job.rowTexts(), job.takeOrgElements(QThread::currentThread()), job.skippedCount(),
            job.errorString()};
}

} // namespace

class TestExcelJobs : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void backupRows_data();
    void backupRows();
    void backupEmptyStore();
    void backupNotSaved();

    void importNetContact();
    void importNetContactFromB2();
    void importCircleMembers();
    void importEmployees();
    void importRefusesSheets_data();
    void importRefusesSheets();
    void importTemplates_data();
    void importTemplates();

private:
    QString file(const QString &strName) const { return m_dir.filePath(strName); }

    QTemporaryDir m_dir;
};

void TestExcelJobs::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY(QFile::copy(QStringLiteral(ZEPHON_COMMON_DB), file(QStringLiteral("common.db"))) ||
            QFile::exists(file(QStringLiteral("common.db"))));
    runScript(QStringLiteral("makebooks.py"), {m_dir.path(), QStringLiteral("1")});
    QVERIFY(QFile::exists(file(QStringLiteral("netcontact_b2.xlsx"))));
}

void TestExcelJobs::backupRows_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<Rows>("expected");
    const QString g = QStringLiteral("|General");
    const QString t = QStringLiteral("|@");
    QTest::newRow("cloud address book")
        << 0
        << Rows{{"姓名" + g, "手机" + g, "分组" + g},
                {"艾伦" + g, "13800000002^#02087654321" + t, "朋友" + g},
                {"张三" + g, "07310000001" + t, "同事" + g},
                {"赵;六" + g, "13800000003" + t}};
    QTest::newRow("personal address book") << 1
                                           << Rows{{"姓名" + g, "手机" + g, "公司" + g},
                                                   {"我" + g, "13900000000" + t, "本公司" + g},
                                                   {"艾伦" + g, "0013800000002" + t, "甲公司" + g},
                                                   {"张三" + g, "13800000001" + t}};
    QTest::newRow("employees") << 2
                               << Rows{{"姓名" + g, "手机" + g, "电话" + g, "部门" + g,
                                        "部门编码" + g, "部门排序" + g, "职位" + g, "员工编码" + g,
                                        "员工排序" + g},
                                       {"王五" + g, "13800000005" + t, "010-88886666" + t,
                                        "研发部" + g, "001" + t, "01" + t, "工程师" + g, "0007" + t,
                                        "002" + t},
                                       {"钱七" + g, "13800000007" + t, "", "市场部" + g, "002" + t,
                                        "02" + t, "经理" + g, "0008" + t, "001" + t}};
}

void TestExcelJobs::backupRows()
{
    QFETCH(int, kind);
    QFETCH(Rows, expected);
    StoreFixture store;
    CDatabase &db = store.db();
    db.setLoginZpid(1000001);
    db.addNetContact(QStringLiteral("张三"), QStringLiteral("07310000001"), QStringLiteral("同事"),
                     QStringLiteral("zhangsan"));
    db.addNetContact(QStringLiteral("艾伦"), QStringLiteral("13800000002^#02087654321"),
                     QStringLiteral("朋友"), QStringLiteral("ailun"));
    db.addNetContact(QStringLiteral("赵;六"), QStringLiteral("13800000003"), QString(),
                     QStringLiteral("zhaoliu"));
    const auto contact = [&db](const char *pName, const char *pPhone, const char *pCompany,
                               const char *pPinyin, int iType) {
        db.replaceContact(0, QString::fromUtf8(pName), {}, {}, QString::fromUtf8(pCompany), {},
                          QString::fromUtf8(pPhone), {}, {}, {}, {}, {}, {}, {}, {},
                          QString::fromUtf8(pPinyin), iType);
    };
    contact("张三", "13800000001", "", "zhangsan", 2);
    contact("艾伦", "0013800000002", "甲公司", "ailun", 3);
    contact("我", "13900000000", "本公司", "wo", 0);
    contact("助手", "800", "", "zhushou", 1);
    db.addDept(QStringLiteral("研发部"), QString(), QStringLiteral("001"), 7, QStringLiteral("01"));
    db.addDept(QStringLiteral("市场部"), QString(), QStringLiteral("002"), 7, QStringLiteral("02"));
    db.addEmp(2000001, QStringLiteral("王五"), QStringLiteral("13800000005"),
              QStringLiteral("010-88886666"), QStringLiteral("工程师"), 1, QStringLiteral("0007"),
              QStringLiteral("001"), 7, QStringLiteral("002"));
    db.addEmp(2000002, QStringLiteral("钱七"), QStringLiteral("13800000007"), QString(),
              QStringLiteral("经理"), 1, QStringLiteral("0008"), QStringLiteral("002"), 7,
              QStringLiteral("001"));

    const QString strFile = store.path(QStringLiteral("backup.xlsx"));
    CBackupThread job(strFile, store.sharedPointer(), kind);
    job.start();
    QVERIFY(job.wait(20000));
    QVERIFY2(job.succeeded(), qPrintable(job.errorString()));
    QCOMPARE(job.jobType(), kind);
    QCOMPARE(job.fileName(), strFile);
    QCOMPARE(job.recordCount(), int(expected.size()) - 1);
    QString strTypes;
    QCOMPARE(sheetAsRows(strFile, &strTypes), expected);
    // Every cell is a string cell, numbers included.
    QCOMPARE(strTypes, QString(strTypes.size(), QLatin1Char('s')));
}

void TestExcelJobs::backupEmptyStore()
{
    StoreFixture store;
    const QString strFile = store.path(QStringLiteral("empty.xlsx"));
    CBackupThread job(strFile, store.sharedPointer(), 0);
    job.start();
    QVERIFY(job.wait(20000));
    QVERIFY(job.succeeded());
    QCOMPARE(job.recordCount(), 0);
    QString strTypes;
    QCOMPARE(sheetAsRows(strFile, &strTypes),
             (Rows{{"姓名|General", "手机|General", "分组|General"}}));
}

void TestExcelJobs::backupNotSaved()
{
    StoreFixture store;
    store.db().addNetContact(QStringLiteral("张三"), QStringLiteral("13800000001"), QString(),
                             QStringLiteral("zhangsan"));
    const QString strFile = store.path(QStringLiteral("gone/backup.xlsx"));
    CBackupThread job(strFile, store.sharedPointer(), 0);
    job.start();
    QVERIFY(job.wait(20000));
    QVERIFY(!job.succeeded());
    QVERIFY(!job.errorString().isEmpty());
    QCOMPARE(job.recordCount(), 1);
    QVERIFY(!QFile::exists(strFile));
}

void TestExcelJobs::importNetContact()
{
    const QString strLongName(43, QChar(0x540D)); // 129 bytes of UTF-8
    const QString strLongestName(42, QChar(0x540D));
    const Rows rows{
        {"姓名", "手机", "分组"},
        {"张三", "138 0000 0001", "同事"},
        {"李四", "139-0000-0002", ""},
        {"王五", "", "同事"},                      // no mobile
        {"", "13800000004", "同事"},               // no name
        {"赵;六", "13800000005", ""},              // separator in the name
        {"钱七", "13800000006", "a:b"},            // separator in the group
        {"孙八", "1380000000x", ""},               // not digits
        {"周九", "13800000009^#020-1234", "家人"}, // two numbers
        {"吴十", "13800000010^#", ""},             // an empty second number
        {"郑一", "+8613800000011", ""},            // not digits
        {"张三二", "13800000001", "重复"},         // the mobile of the first row again
        {"", "", ""},                              // blank: neither sent nor counted
        {strLongName, "13800000012", ""},          // name too long for its field
        {strLongestName, "13800000013", ""},
        {"长组", "13800000014", QString(65, QLatin1Char('g'))},
        {"长号", QString(65, QLatin1Char('1')), ""},
        {" 空格 ", " 13800000015 ", " 组 "},
    };
    const QString strFile = file(QStringLiteral("netcontact.xlsx"));
    writeSheet(strFile, rows);
    const ImportResult result = runImport(strFile, 0);
    QCOMPARE(result.strError, QString());
    QCOMPARE(
        result.texts,
        (QStringList{"13800000001;张三;同事", "13900000002;李四;", "13800000009^#0201234;周九;家人",
                     "13800000013;" + strLongestName + ";", "13800000015;空格;组"}));
    QCOMPARE(result.iSkipped, 11);
}

void TestExcelJobs::importNetContactFromB2()
{
    // Made by openpyxl: the table starts at B2 and a mobile is stored as a number.
    const ImportResult result = runImport(file(QStringLiteral("netcontact_b2.xlsx")), 0);
    QCOMPARE(result.texts, (QStringList{"13800000001;张三;同事", "13900000002;李四;"}));
    QCOMPARE(result.iSkipped, 0);
}

void TestExcelJobs::importCircleMembers()
{
    const Rows rows{
        {"姓名", "性别", "公司", "职位", "手机", "电话", "邮箱"},
        {"张三", "女", "甲公司", "经理", "13800000001", "010-1", "a@b.cn"},
        {"李四", "男", "乙公司", "", "13800000002", "", ""},
        {"王五", "F", "", "", "13800000003", "", ""},
        {"赵六", "", "", "", "138-0000-0004", "", ""},
        {"钱七", "女 ", "", "", "", "", ""},                        // no mobile
        {"", "女", "", "", "13800000006", "", ""},                  // no name
        {"孙八", "女", "", "", "13800000007", "", "mailto:x"},      // separator
        {"周九", "女", "", "", "13800000008^#13800000009", "", ""}, // one number only
        {"吴十", "女", "", "", "13800000001", "", ""},              // repeated mobile
        {"郑一", "女", QString(4100, QLatin1Char('c')), "", "13800000010", "", ""}, // too long
    };
    const QString strFile = file(QStringLiteral("members.xlsx"));
    writeSheet(strFile, rows);
    const ImportResult result = runImport(strFile, 1);
    QCOMPARE(result.texts, (QStringList{"张三:1:经理:甲公司::13800000001:010-1:a@b.cn",
                                        "李四:0::乙公司::13800000002::", "王五:0::::13800000003::",
                                        "赵六:0::::13800000004::"}));
    QCOMPARE(result.iSkipped, 6);
}

void TestExcelJobs::importEmployees()
{
    const QString strLong(86, QChar(0x540D)); // 258 bytes of UTF-8
    const Rows rows{
        {"姓名", "手机", "电话", "部门", "部门编码", "部门排序", "职位", "员工编码", "员工排序"},
        {"王五", "13800000005", "010-8888", "研发部", "001", "01", "工程师", "0007", "002"},
        {"钱七", "13800000007", "", "市场部", "002", "02", "经理", "0007", ""},    // other dept
        {"孙八", "13800000008", "", "研发部", "001", "01", "", "0009", ""},        // no post
        {"周九", "13800000009", "", "", "001", "01", "工程师", "0010", ""},        // no dept name
        {"吴十", "13800000010", "", "研发部", "001", "01", "工程师", "", ""},      // no number
        {"郑一", "13800000011", "", "研发部", "", "01", "工程师", "0011", ""},     // no dept number
        {"冯二", "13800000012", "", "研发部", "001", "01", "工程师", "0007", ""},  // repeated
        {strLong, "13800000013", "", "研发部", "001", "01", "工程师", "0013", ""}, // too long
        {"陈三", "1380000001a", "", "研发部", "001", "01", "工程师", "0014", ""},  // not digits
        {"褚四", "13800000015", "", "研:发", "001", "01", "工程师", "0015", ""},   // separator
    };
    const QString strFile = file(QStringLiteral("emp.xlsx"));
    writeSheet(strFile, rows);
    const ImportResult result = runImport(strFile, 2);
    OwnedList elements(result.elements);
    QCOMPARE(result.iSkipped, 8);
    QCOMPARE(elements.size(), 2);
    for (QObject *pElement : elements.items)
        QCOMPARE(pElement->thread(), QThread::currentThread());
    const OrgInfoModel *pFirst = elements.at<OrgInfoModel>(0);
    QVERIFY(pFirst);
    QCOMPARE(pFirst->property("strNo").toString(), QStringLiteral("0007"));
    QCOMPARE(pFirst->property("strPNo").toString(), QStringLiteral("001"));
    QCOMPARE(pFirst->property("strPName").toString(), QStringLiteral("研发部"));
    QCOMPARE(pFirst->property("strZpid").toString(), QString());
    QCOMPARE(pFirst->property("strName").toString(), QStringLiteral("王五"));
    QCOMPARE(pFirst->property("strPhone").toString(), QStringLiteral("13800000005"));
    QCOMPARE(pFirst->property("strTel").toString(), QStringLiteral("010-8888"));
    QCOMPARE(pFirst->property("strPost").toString(), QStringLiteral("工程师"));
    QCOMPARE(pFirst->property("iUserType").toInt(), 1);
    QCOMPARE(pFirst->property("strSNo").toString(), QStringLiteral("002"));
    QCOMPARE(pFirst->property("strPSNo").toString(), QStringLiteral("01"));
    QCOMPARE(pFirst->property("iUserCount").toInt(), 0);
    QCOMPARE(pFirst->property("bExpand").toBool(), false);
    QCOMPARE(elements.column("strName"), (QStringList{"王五", "钱七"}));
}

void TestExcelJobs::importRefusesSheets_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("skipped");
    QTest::newRow("employees in 8 columns") << QStringLiteral("emp8.xlsx") << 2 << 1;
    QTest::newRow("members in 3 columns") << QStringLiteral("netcontact_b2.xlsx") << 1 << 2;
    QTest::newRow("not a workbook") << QStringLiteral("common.db") << 0 << 0;
    QTest::newRow("broken worksheet") << QStringLiteral("malformed.xlsx") << 0 << 0;
    QTest::newRow("missing file") << QStringLiteral("none.xlsx") << 1 << 0;
}

void TestExcelJobs::importRefusesSheets()
{
    QFETCH(QString, file);
    QFETCH(int, kind);
    QFETCH(int, skipped);
    const ImportResult result = runImport(this->file(file), kind);
    QVERIFY(result.texts.isEmpty());
    QVERIFY(result.elements.isEmpty());
    QCOMPARE(result.iSkipped, skipped);
    QVERIFY(!result.strError.isEmpty());
}

void TestExcelJobs::importTemplates_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<int>("elements");
    QTest::addColumn<QList<int>>("textColumns");
    QTest::newRow("cloud address book")
        << QStringLiteral("Zephon云通讯录导入模板.xlsx") << 0
        << QStringList{"13800000000;张三;同事"} << 0 << QList<int>{2};
    QTest::newRow("circle members")
        << QStringLiteral("Zephon圈子成员导入模板.xlsx") << 1
        << QStringList{"张三:0:经理:示例公司::13800000000:01012345678:zhangsan@example.com"} << 0
        << QList<int>{5, 6};
    QTest::newRow("employees") << QStringLiteral("企业组织信息导入模板.xlsx") << 2 << QStringList()
                               << 1 << QList<int>{2, 3, 5, 6, 8, 9};
}

void TestExcelJobs::importTemplates()
{
    QFETCH(QString, file);
    QFETCH(int, kind);
    QFETCH(QStringList, texts);
    QFETCH(int, elements);
    QFETCH(QList<int>, textColumns);
    const QString strFile = QStringLiteral(ZEPHON_DATA_DIR "/") + file;
    const ImportResult result = runImport(strFile, kind);
    OwnedList owned(result.elements);
    QCOMPARE(result.strError, QString());
    QCOMPARE(result.texts, texts);
    QCOMPARE(owned.size(), elements);
    QCOMPARE(result.iSkipped, 0);
    // The number columns are text cells.
    QString strTypes;
    const Rows rows = sheetAsRows(strFile, &strTypes);
    QCOMPARE(rows.size(), 2);
    for (int c = 0; c < rows.at(1).size(); ++c)
        QCOMPARE(rows.at(1).at(c).endsWith(QLatin1String("|@")), textColumns.contains(c + 1));
}

QTEST_GUILESS_MAIN(TestExcelJobs)
#include "tst_exceljobs.moc"
