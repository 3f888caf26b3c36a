// The two database files: creation at a first start, the exact columns of every table,
// survival of rows across starts, an unopenable file, and the sort-key map loaded from the
// common database.
#include "cdatabase.h"
#include "contactmodel.h"
#include "cschema.h"
#include "cschemasteps.h"
#include "pinyin.h"
#include "sqlfile.h"
#include "storefixture.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTest>

namespace {

// Reads a file's schema through a connection of the test's own, independent of the store.
class Inspector
{
public:
    explicit Inspector(const QString &strPath)
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_strName);
        db.setDatabaseName(strPath);
        db.open();
    }
    ~Inspector() { QSqlDatabase::removeDatabase(m_strName); }

    QStringList rows(const QString &strSql) const
    {
        QSqlDatabase db = QSqlDatabase::database(m_strName);
        QSqlQuery query(db);
        QStringList result;
        if (!query.exec(strSql))
            return {QStringLiteral("error")};
        while (query.next()) {
            QStringList fields;
            for (int i = 0; i < query.record().count(); ++i)
                fields << query.value(i).toString();
            result << fields.join(QLatin1Char('|'));
        }
        return result;
    }

    // Columns as "name TYPE[ NOTNULL][ PK][ DEFAULT x]". SQLite reports standard type names in
    // its own spelling, so types are compared in upper case.
    QStringList columns(const QString &strTable) const
    {
        QSqlDatabase db = QSqlDatabase::database(m_strName);
        QSqlQuery query(db);
        query.exec(QStringLiteral("PRAGMA table_info(\"%1\")").arg(strTable));
        QStringList result;
        while (query.next()) {
            QString text =
                query.value(1).toString() + QLatin1Char(' ') + query.value(2).toString().toUpper();
            if (query.value(3).toInt())
                text += QStringLiteral(" NOTNULL");
            if (query.value(5).toInt())
                text += QStringLiteral(" PK");
            if (!query.value(4).isNull())
                text += QStringLiteral(" DEFAULT ") + query.value(4).toString();
            result << text;
        }
        return result;
    }

private:
    static int nextSerial()
    {
        static int iSerial = 0;
        return ++iSerial;
    }
    QString m_strName = QStringLiteral("inspector%1").arg(nextSerial());
};

} // namespace

class TestSchema : public QObject
{
    Q_OBJECT

private slots:
    void firstStartCreatesEveryTable();
    void columns_data();
    void columns();
    void onlyPhoneIsUnique();
    void secondStartKeepsRows();
    void duplicatePhoneIsRefusedAndReplaced();
    void unopenableMainFile();
    void deliveredCommonDatabase();
    void laterPinyinRowWins();
    void quotedNamesRoundTrip();
    void unversionedFileIsUpgradedInPlace_data();
    void unversionedFileIsUpgradedInPlace();
    void newerFileIsRefusedAndLeftAlone();
    void failedStepLeavesTheFileAsItWas();
};

void TestSchema::firstStartCreatesEveryTable()
{
    StoreFixture store;
    QVERIFY(store.db().isOpen());
    QVERIFY(store.db().isCommonOpen());
    QVERIFY(QFile::exists(store.path(QStringLiteral("Zephon.db"))));
    QVERIFY(QFile::exists(store.path(QStringLiteral("common.db"))));

    Inspector main(store.path(QStringLiteral("Zephon.db")));
    QCOMPARE(main.rows(QStringLiteral(
                 "Select name from sqlite_master where type = 'table' Order by name")),
             QStringList({"Account", "CallRecord", "Circle", "CircleMember", "Contact", "Dept",
                          "Emp", "EnAccount", "MsgRecord", "NetContact"}));
    for (const QString &table :
         main.rows(QStringLiteral("Select name from sqlite_master where type = 'table'")))
        QCOMPARE(main.rows(QStringLiteral("Select count(*) from \"%1\"").arg(table)),
                 QStringList{"0"});
    // Worker batches and GUI reads run side by side only in WAL mode.
    QCOMPARE(main.rows(QStringLiteral("PRAGMA journal_mode")), QStringList{"wal"});

    Inspector common(store.path(QStringLiteral("common.db")));
    QCOMPARE(common.rows(QStringLiteral("Select name from sqlite_master where type = 'table'")),
             QStringList{"Pinyin"});
}

// Written out column by column as the tables are documented; not derived from CSchema.
void TestSchema::columns_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("table");
    QTest::addColumn<QStringList>("expected");

    const QString id = QStringLiteral("Id INTEGER NOTNULL PK");
    const QStringList card{"Sex VARCHAR(4)", "Post TEXT", "Company TEXT", "Address TEXT"};
    const QStringList cardTail{"Tel VARCHAR(30)",       "Email TEXT",    "Notes TEXT",
                               "Profession VARCHAR(4)", "Homepage TEXT", "Fax VARCHAR(30)",
                               "Age VARCHAR(10)",       "Nickname TEXT", "Location TEXT",
                               "Pinyin TEXT",           "Type INTEGER"};

    QTest::newRow("Contact") << "Zephon.db"
                             << "Contact"
                             << (QStringList{id, "Zpid INTEGER DEFAULT 0", "Name VARCHAR(255)"} +
                                 card + QStringList{"Phone VARCHAR(30) NOTNULL"} + cardTail);
    QTest::newRow("MsgRecord") << "Zephon.db"
                               << "MsgRecord"
                               << QStringList{id,
                                              "LoginZpid INTEGER",
                                              "CircleId INTEGER",
                                              "CircleName VARCHAR(255)",
                                              "Zpid INTEGER",
                                              "Name VARCHAR(255)",
                                              "Phone VARCHAR(30)",
                                              "Read BOOL",
                                              "Send BOOL",
                                              "Caption TEXT",
                                              "Content TEXT",
                                              "Time DATETIME",
                                              "MsgId INTEGER",
                                              "MsgState INTEGER",
                                              "Type INTEGER",
                                              "SubType INTEGER"};
    QTest::newRow("CallRecord") << "Zephon.db"
                                << "CallRecord" << QStringList{id,
                                                               "LoginZpid INTEGER",
                                                               "Zpid INTEGER",
                                                               "Name VARCHAR(255)",
                                                               "Phone VARCHAR(30)",
                                                               "Read BOOL",
                                                               "Time DATETIME",
                                                               "callTime INTEGER",
                                                               "Type INTEGER"};
    QTest::newRow("Circle") << "Zephon.db"
                            << "Circle"
                            << QStringList{id,
                                           "LoginZpid INTEGER",
                                           "CircleId INTEGER",
                                           "CircleName VARCHAR(255)",
                                           "CreateZpid INTEGER",
                                           "Creater VARCHAR(255)",
                                           "CreateTime DOUBLE",
                                           "Type INTEGER",
                                           "Property INTEGER",
                                           "Profile TEXT",
                                           "UserType INTEGER",
                                           "UserCount INTEGER",
                                           "Version INTEGER",
                                           "Flag bool DEFAULT 1"};
    QTest::newRow("CircleMember") << "Zephon.db"
                                  << "CircleMember"
                                  << (QStringList{id, "LoginZpid INTEGER", "CircleId INTEGER",
                                                  "Zpid INTEGER", "Name VARCHAR(255)"} +
                                      card + QStringList{"Phone VARCHAR(30) NOTNULL"} + cardTail);
    QTest::newRow("NetContact") << "Zephon.db"
                                << "NetContact"
                                << QStringList{id,
                                               "Zpid INTEGER DEFAULT 0",
                                               "Name VARCHAR(255)",
                                               "Phone VARCHAR(30) NOTNULL",
                                               "ContactGroup VARCHAR(30)",
                                               "Pinyin TEXT"};
    QTest::newRow("Dept") << "Zephon.db"
                          << "Dept" << QStringList{id,
                                                   "LoginZpid INTEGER",
                                                   "Name VARCHAR(255)",
                                                   "ParentNo TEXT",
                                                   "DeptNo TEXT",
                                                   "OrgId INTEGER",
                                                   "Ex TEXT"};
    QTest::newRow("Emp") << "Zephon.db"
                         << "Emp"
                         << QStringList{id,
                                        "LoginZpid INTEGER",
                                        "Zpid INTEGER",
                                        "Name VARCHAR(255)",
                                        "Phone VARCHAR(30)",
                                        "Tel VARCHAR(30)",
                                        "Post VARCHAR(30)",
                                        "UserType INTEGER",
                                        "UserId TEXT",
                                        "DeptNo TEXT",
                                        "OrgId INTEGER",
                                        "Ex TEXT"};
    QTest::newRow("EnAccount") << "Zephon.db"
                               << "EnAccount"
                               << QStringList{id, "LoginZpid INTEGER", "UserId Text",
                                              "Password Text"};
    QTest::newRow("Account") << "Zephon.db"
                             << "Account" << QStringList{id, "UserId Text", "Password Text"};
    QTest::newRow("Pinyin") << "common.db"
                            << "Pinyin"
                            << QStringList{id,
                                           "Hanzi VARCHAR(10)",
                                           "DuYin VARCHAR(10)",
                                           "DuYin1 VARCHAR(10)",
                                           "DuYin2 VARCHAR(10)",
                                           "DuYin3 VARCHAR(10)",
                                           "DuYin4 VARCHAR(10)",
                                           "DuYin5 VARCHAR(10)",
                                           "DuYin6 VARCHAR(10)"};
}

void TestSchema::columns()
{
    QFETCH(QString, file);
    QFETCH(QString, table);
    QFETCH(QStringList, expected);
    for (QString &column : expected) {
        QStringList words = column.split(QLatin1Char(' '));
        words[1] = words[1].toUpper();
        column = words.join(QLatin1Char(' '));
    }
    StoreFixture store;
    Inspector inspector(store.path(file));
    QCOMPARE(inspector.columns(table), expected);
}

void TestSchema::onlyPhoneIsUnique()
{
    StoreFixture store;
    Inspector inspector(store.path(QStringLiteral("Zephon.db")));
    // The indexes that constraints create; the lookup indexes are not unique.
    const QString strConstraint =
        QStringLiteral("Select name from sqlite_master where type = 'index' and sql is null");
    const QStringList indexes = inspector.rows(
        QStringLiteral("Select tbl_name from sqlite_master where type = 'index' and sql is null"));
    QCOMPARE(indexes, QStringList{"Contact"});
    QCOMPARE(inspector.rows(QStringLiteral("Select name from pragma_index_info((") + strConstraint +
                            QStringLiteral("))")),
             QStringList{"Phone"});
    QCOMPARE(inspector.rows(QStringLiteral("Select count(*) from sqlite_master where type = "
                                           "'index' and sql like 'CREATE UNIQUE%'")),
             QStringList{"0"});
}

void TestSchema::secondStartKeepsRows()
{
    StoreFixture store;
    store.db().setLoginZpid(1234567);
    store.db().addContact(QStringLiteral("张三"), QStringLiteral("13800000001"),
                          QStringLiteral("zhangsan"));
    store.db().addAccount(QStringLiteral("13800000001"), QStringLiteral("pw"));
    store.db().addCallRecord(1234567, QStringLiteral("7654321"), QStringLiteral("李四"),
                             QStringLiteral("13900000002"), true, 30, 0);

    store.reopen();
    QVERIFY(store.db().isOpen());
    QCOMPARE(store.db().getContactNameByPhone(QStringLiteral("13800000001")),
             QStringLiteral("张三"));
    QCOMPARE(store.db().getAccount(), QStringList{"13800000001"});
    OwnedList calls(store.db().getCallRecord(QString()));
    QCOMPARE(calls.column("strName"), QStringList{"李四"});
}

void TestSchema::duplicatePhoneIsRefusedAndReplaced()
{
    StoreFixture store;
    CDatabase &db = store.db();
    db.addContact(QStringLiteral("first"), QStringLiteral("13800000001"), QStringLiteral("first"));
    db.addContact(QStringLiteral("second"), QStringLiteral("13800000001"),
                  QStringLiteral("second"));
    OwnedList before(db.getContact(1, QString()));
    QCOMPARE(before.column("strName"), QStringList{"first"});
    const QString strOldId = before.column("strId").value(0);

    db.replaceContact(0, QStringLiteral("third"), {}, {}, {}, {}, QStringLiteral("13800000001"), {},
                      {}, {}, {}, {}, {}, {}, {}, QStringLiteral("third"), 3);
    OwnedList after(db.getContact(1, QString()));
    QCOMPARE(after.column("strName"), QStringList{"third"});
    QVERIFY(after.column("strId").value(0) != strOldId);
}

// A directory in place of the main file: nothing opens, the common file is not touched, and
// the operations answer empty without failing.
void TestSchema::unopenableMainFile()
{
    TempWorkingDir dir;
    QVERIFY(dir.blockMainFile());
    {
        CDatabase db(QStringLiteral("Zephon.db"), QStringLiteral("common.db"));
        QVERIFY(!db.isOpen());
        QVERIFY(!db.isCommonOpen());
        db.addContact(QStringLiteral("x"), QStringLiteral("1"), QStringLiteral("x"));
        QCOMPARE(OwnedList(db.getContact(0, QString())).size(), 0);
        QCOMPARE(db.getMaxMsgId(), 0);
        QCOMPARE(db.getCircleUserType(QStringLiteral("1"), QStringLiteral("2")), 3);
        db.beginTransaction(QStringLiteral("Zephon.db"));
        db.commitTransaction(QStringLiteral("Zephon.db"));
        db.loadPinyin();
        QCOMPARE(pinyinMapSize(), 0);
    }
    QVERIFY(!QFile::exists(dir.path(QStringLiteral("common.db"))));
}

void TestSchema::deliveredCommonDatabase()
{
    TempWorkingDir dir;
    QVERIFY(QFile::copy(QStringLiteral(ZEPHON_COMMON_DB), dir.path(QStringLiteral("common.db"))));
    {
        CDatabase db(QStringLiteral("Zephon.db"), QStringLiteral("common.db"));
        db.loadPinyin();
        QVERIFY2(pinyinMapSize() > 20000, qPrintable(QString::number(pinyinMapSize())));
        QCOMPARE(toPinyin(QStringLiteral("张三")), QStringLiteral("zhangsan"));
        QCOMPARE(toPinyin(QStringLiteral("吕行")), QStringLiteral("lvxing"));
        QCOMPARE(toPinyin(QStringLiteral("长乐一丁")), QStringLiteral("zhangleyiding"));
        QCOMPARE(toPinyin(QStringLiteral("Ａ-Ｂ")), QStringLiteral("ａｂ"));
    }
}

void TestSchema::laterPinyinRowWins()
{
    StoreFixture store;
    {
        QSqlDatabase common = QSqlDatabase::database(QStringLiteral("common.db"));
        QSqlQuery query(common);
        QVERIFY(query.exec(QStringLiteral("Insert into Pinyin(Hanzi,DuYin)Values('乐','le')")));
        QVERIFY(query.exec(
            QStringLiteral("Insert into Pinyin(Hanzi,DuYin,DuYin1)Values('乐','yue','le')")));
        QVERIFY(query.exec(QStringLiteral("Insert into Pinyin(Hanzi,DuYin)Values('😀','smile')")));
    }
    store.db().loadPinyin();
    QCOMPARE(pinyinMapSize(), 1);
    QCOMPARE(toPinyin(QStringLiteral("乐乐")), QStringLiteral("yueyue"));
}

// Values travel as bound parameters: quotes, wildcards and placeholders are stored and found
// exactly as given.
void TestSchema::quotedNamesRoundTrip()
{
    StoreFixture store;
    setPinyinMap({});
    const QStringList names{"O'Brien",
                            "say \"hi\"",
                            "back\\slash",
                            "100% sure",
                            "%1 and %2",
                            "😀 emoji 张",
                            QString(300, QChar(u'长')),
                            "'); Delete from Contact; --"};
    int i = 0;
    for (const QString &name : names)
        store.db().addContact(name, QStringLiteral("1380000%1").arg(i++, 4, 10, QLatin1Char('0')),
                              toPinyin(name));
    for (int k = 0; k < names.size(); ++k)
        QCOMPARE(store.db().getContactNameByPhone(
                     QStringLiteral("1380000%1").arg(k, 4, 10, QLatin1Char('0'))),
                 names.at(k));
    OwnedList all(store.db().getContact(1, QString()));
    QCOMPARE(all.size(), names.size());
}

// A file from before versions were recorded, with and without the later look-up index,
// opens with its rows and ends at the newest version with the index in place.
void TestSchema::unversionedFileIsUpgradedInPlace_data()
{
    QTest::addColumn<bool>("bWithIndex");
    QTest::newRow("first layout") << false;
    QTest::newRow("layout with the message index") << true;
}

void TestSchema::unversionedFileIsUpgradedInPlace()
{
    QFETCH(bool, bWithIndex);
    TempWorkingDir dir;
    const QString strMain = dir.path(QStringLiteral("Zephon.db"));
    QStringList statements =
        SqlFile::layoutStatements(QStringLiteral(ZEPHON_LAYOUT_DIR "/layout-unversioned.sql"));
    QVERIFY(statements.size() >= 10);
    if (bWithIndex)
        statements << QStringLiteral(
            "CREATE INDEX MsgRecordPeerMsgId ON MsgRecord(LoginZpid,Zpid,MsgId)");
    statements << QStringLiteral("INSERT INTO Contact(Zpid, Name, Phone, Pinyin, Type) "
                                 "VALUES (7654321, '李四', '13900000002', 'lisi', 2)")
               << QStringLiteral("INSERT INTO Account(UserId, Password) VALUES ('1234567', '')")
               << QStringLiteral(
                      "INSERT INTO MsgRecord(LoginZpid, Zpid, Name, Read, Send, "
                      "Content, Time, MsgId, MsgState, Type, SubType) VALUES (1234567, "
                      "7654321, '李四', 0, 0, 'hello', '2026-01-02 03:04:05', 9, 0, 0, 0)");
    QVERIFY(SqlFile::run(strMain, statements));
    QCOMPARE(SqlFile::value(strMain, QStringLiteral("PRAGMA user_version")).toInt(), 0);

    {
        CDatabase db(QStringLiteral("Zephon.db"), QStringLiteral("common.db"));
        QVERIFY(db.isOpen());
        db.setLoginZpid(1234567);
        QCOMPARE(db.getContactNameByPhone(QStringLiteral("13900000002")), QStringLiteral("李四"));
        QCOMPARE(db.getAccount(), QStringList{"1234567"});
        QCOMPARE(db.getUnReadMsgRecord(0, QStringLiteral("7654321")), 1);
    }
    QCOMPARE(SqlFile::value(strMain, QStringLiteral("PRAGMA user_version")).toInt(),
             CSchema::mainSteps().latestVersion());
    for (const char *pIndex : {"MsgRecordPeerMsgId", "CircleMemberCircle"})
        QCOMPARE(SqlFile::value(strMain, QStringLiteral("SELECT count(*) FROM sqlite_master WHERE "
                                                        "type = 'index' AND name = '%1'")
                                             .arg(QLatin1String(pIndex)))
                     .toInt(),
                 1);
    QCOMPARE(SqlFile::value(strMain, QStringLiteral("SELECT Content FROM MsgRecord")).toString(),
             QStringLiteral("hello"));
}

// A file written by a later program is not opened, and not a byte of it changes (the journal
// mode would rewrite its header).
void TestSchema::newerFileIsRefusedAndLeftAlone()
{
    TempWorkingDir dir;
    const QString strMain = dir.path(QStringLiteral("Zephon.db"));
    QVERIFY(SqlFile::run(strMain, {QStringLiteral("CREATE TABLE Later(x)"),
                                   QStringLiteral("INSERT INTO Later VALUES (1)"),
                                   QStringLiteral("PRAGMA user_version = %1")
                                       .arg(CSchema::mainSteps().latestVersion() + 1)}));
    const QByteArray arBefore = SqlFile::digest(strMain);
    QVERIFY(!arBefore.isEmpty());
    {
        CDatabase db(QStringLiteral("Zephon.db"), QStringLiteral("common.db"));
        QVERIFY(!db.isOpen());
        db.addContact(QStringLiteral("x"), QStringLiteral("1"), QStringLiteral("x"));
    }
    QCOMPARE(SqlFile::digest(strMain), arBefore);
    QVERIFY(!QFile::exists(strMain + QStringLiteral("-wal")));
}

// Every step runs in one transaction: when a later one fails, the earlier ones are undone too
// and the version stays where it was.
void TestSchema::failedStepLeavesTheFileAsItWas()
{
    TempWorkingDir dir;
    const QString strPath = dir.path(QStringLiteral("steps.db"));
    QVERIFY(SqlFile::run(strPath, {QStringLiteral("CREATE TABLE Kept(x)"),
                                   QStringLiteral("INSERT INTO Kept VALUES (1)")}));
    {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("steps"));
        db.setDatabaseName(strPath);
        QVERIFY(db.open());
        const CSchemaSteps steps(
            {CSchemaSteps::statements(
                 {QStringLiteral("CREATE TABLE Added(y)"), QStringLiteral("DELETE FROM Kept")}),
             CSchemaSteps::statements({QStringLiteral("CREATE TABLE Kept(z)")})});
        QString strError;
        QCOMPARE(steps.upgrade(db, &strError), CSchemaSteps::Failed);
        QVERIFY2(strError.contains(QLatin1String("step 2")), qPrintable(strError));
        QCOMPARE(CSchemaSteps::version(db), 0);
        // Nothing is left half done for the next try either.
        const CSchemaSteps good(
            {CSchemaSteps::statements({QStringLiteral("CREATE TABLE Added(y)")})});
        QCOMPARE(good.upgrade(db, &strError), CSchemaSteps::Upgraded);
        QCOMPARE(good.upgrade(db, &strError), CSchemaSteps::Current);
    }
    QSqlDatabase::removeDatabase(QStringLiteral("steps"));
    QCOMPARE(SqlFile::value(strPath, QStringLiteral("SELECT count(*) FROM Kept")).toInt(), 1);
    QCOMPARE(SqlFile::value(strPath, QStringLiteral("PRAGMA user_version")).toInt(), 1);
}

QTEST_GUILESS_MAIN(TestSchema)
#include "tst_schema.moc"
