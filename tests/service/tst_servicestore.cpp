// The parts of the service that need no network: where each of the client's own requests
// ends (built by the client's packet layer), the seed file's checks and idempotence, and the
// administration commands.
#include <QBuffer>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include "cadmincommand.h"
#include "codes.h"
#include "crequestlayout.h"
#include "cseedfile.h"
#include "cservicestore.h"
#include "csessionstate.h"
#include "fakecipher.h"
#include "fakepacket.h"
#include "protocol.h"
#include "sqlfile.h"

class TestServiceStore : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void clientRequestsAreMeasured_data();
    void clientRequestsAreMeasured();
    void unknownCodeIsUnknown();

    void badSeedWritesNothing_data();
    void badSeedWritesNothing();
    void seedTwiceChangesNothing();
    void demoSeedHasTheFourAccounts();
    void cloudBookAndHeldMessagesSurviveAReopen();
    void unversionedFileIsUpgradedInPlace();
    void newerFileIsRefusedAndLeftAlone();

    void adminCommands_data();
    void adminCommands();

private:
    int admin(const QStringList &arguments, const QString &strInput = QString());

    std::unique_ptr<QTemporaryDir> m_pDir;
    std::unique_ptr<CServiceStore> m_pStore;
    QString m_strOut;
    QString m_strErr;
};

void TestServiceStore::init()
{
    QVERIFY(CPasswordHash::initialise());
    m_pDir = std::make_unique<QTemporaryDir>();
    m_pStore = std::make_unique<CServiceStore>();
    QVERIFY2(m_pStore->open(m_pDir->path()), qPrintable(m_pStore->errorText()));
}

void TestServiceStore::cleanup()
{
    m_pStore.reset();
    m_pDir.reset();
}

void TestServiceStore::clientRequestsAreMeasured_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<int>("loginType");

    const QByteArray arText = fakeEncrypt("hello");
    QTest::newRow("102") << 102 << QByteArray() << 0;
    QTest::newRow("39 by zpid") << 39 << QByteArray() << 0;
    QTest::newRow("39 by mobile") << 39 << QByteArray() << 1;
    QTest::newRow("3") << 3 << QByteArray() << 0;
    QTest::newRow("35") << 35 << QByteArray() << 0;
    QTest::newRow("11") << 11 << QByteArray() << 0;
    QTest::newRow("12") << 12 << FakePacket(2).blob32(arText).bytes() << 0;
    QTest::newRow("13") << 13 << FakePacket(0).u32(7).bytes().mid(1) << 0;
    QTest::newRow("14 long text")
        << 14
        << FakePacket(0).u32(7).u32(9).blob32(QByteArray(240, 'c')).u8(0).u32(0).bytes().mid(1)
        << 0;
    QTest::newRow("31") << 31 << FakePacket(1).raw(arText).bytes() << 0;
    QTest::newRow("32") << 32 << QByteArray() << 0;
    QTest::newRow("36") << 36 << QByteArray() << 0;
    QTest::newRow("60") << 60 << FakePacket(0).u32(5).u8(0).u32(2).raw(arText).bytes().mid(1) << 0;
    QTest::newRow("61") << 61 << QByteArray() << 0;
    QTest::newRow("63") << 63 << FakePacket(1).blob32("13800138000").blob32(arText).bytes() << 0;
    QTest::newRow("81") << 81 << FakePacket(0).u32(1000002).u8(1).bytes().mid(1) << 0;
    QTest::newRow("82") << 82 << FakePacket(0).raw(arText).bytes() << 0;
    QTest::newRow("83 card") << 83
                             << FakePacket(0).u32(9).u8(0).str8(arText).blob32(arText).bytes().mid(
                                    1)
                             << 0;
    QTest::newRow("83 answer") << 83 << FakePacket(0).u32(9).u8(2).u8(1).bytes().mid(1) << 0;
    QTest::newRow("87") << 87 << FakePacket(0).u32(1000001).u8(3).u32(8).bytes().mid(1) << 0;
    QTest::newRow("91") << 91 << FakePacket(0).str8(arText).u8(1).u8(1).bytes() << 0;
    QTest::newRow("92") << 92
                        << FakePacket(0).u32(5).u32(1).u8(0).u32(9).u8(3).blob32(arText).bytes()
                        << 0;
    QTest::newRow("93") << 93 << QByteArray() << 0;
    QTest::newRow("94") << 94 << FakePacket(0).u32(5).u32(0).bytes() << 0;
    QTest::newRow("95") << 95 << FakePacket(1).u8(2).u8(1).str8("ab").u8(2).str8("c").bytes() << 0;
    QTest::newRow("96") << 96 << FakePacket(0).u32(5).bytes() << 0;
    QTest::newRow("97") << 97 << FakePacket(0).u32(5).u8(0).blob32(arText).bytes().mid(1) << 0;
    QTest::newRow("98 apply") << 98 << FakePacket(0).u32(5).raw(arText).bytes() << 0;
    QTest::newRow("98 answer") << 98 << FakePacket(2).u32(5).u32(9).u8(1).bytes() << 0;
    QTest::newRow("98 answer text")
        << 98 << FakePacket(6).u32(5).u32(9).u8(1).raw(arText).bytes() << 0;
    QTest::newRow("99") << 99 << FakePacket(0).u32(5).u32(77).u8(1).u8(2).raw(arText).bytes().mid(1)
                        << 0;
    QTest::newRow("100") << 100 << FakePacket(0).u32(1000003).u8(0).bytes().mid(1) << 0;
    QTest::newRow("112") << 112 << FakePacket(0).u32(5).u8(0).bytes() << 0;
}

void TestServiceStore::clientRequestsAreMeasured()
{
    QFETCH(int, code);
    QFETCH(QByteArray, payload);
    QFETCH(int, loginType);

    CSessionState &session = sessionState();
    session.iZpid = 1000001;
    session.iLoginType = loginType;
    session.strLoginId = loginType == 0 ? QStringLiteral("1000001") : QStringLiteral("13800138000");
    session.strLoginPassword = QStringLiteral("demo1234");

    // The packet exactly as the client's own packet layer builds it.
    Protocol protocol;
    QSignalSpy sent(&protocol, &Protocol::sig_sendProtocol);
    protocol.slot_onCreateProtocol(quint8(code), payload);
    QCOMPARE(sent.size(), 1);
    const QByteArray arPacket = sent.first().first().toByteArray();

    int iLength = -1;
    QCOMPARE(CRequestLayout::measure(arPacket + FakePacket(3).u32(1).bytes(), iLength),
             CRequestLayout::Complete);
    QCOMPARE(iLength, int(arPacket.size()));
    QCOMPARE(CRequestLayout::measure(arPacket.left(arPacket.size() - 1), iLength),
             CRequestLayout::Incomplete);
}

void TestServiceStore::unknownCodeIsUnknown()
{
    int iLength = 0;
    QCOMPARE(CRequestLayout::measure(QByteArray("\xEE\x01", 2), iLength), CRequestLayout::Unknown);
    QCOMPARE(CRequestLayout::measure(QByteArray(), iLength), CRequestLayout::Incomplete);
}

void TestServiceStore::badSeedWritesNothing_data()
{
    QTest::addColumn<QByteArray>("json");

    const QByteArray arGood =
        R"({"zpid": 5, "mobile": "13900000005", "name": "Good", "password": "pw"})";
    auto withSecond = [&arGood](const QByteArray &arSecond) {
        return QByteArray(R"({"accounts": [)") + arGood + ", " + arSecond + "]}";
    };
    QTest::newRow("not json") << QByteArray("{accounts: ");
    QTest::newRow("not an object") << QByteArray("[1, 2]");
    QTest::newRow("zpid zero") << withSecond(
        R"({"zpid": 0, "mobile": "13900000006", "name": "N", "password": "p"})");
    QTest::newRow("zpid too large") << withSecond(
        R"({"zpid": 4294967296, "mobile": "13900000006", "name": "N", "password": "p"})");
    QTest::newRow("mobile not digits")
        << withSecond(R"({"zpid": 6, "mobile": "1390'; DROP", "name": "N", "password": "p"})");
    QTest::newRow("no password") << withSecond(
        R"({"zpid": 6, "mobile": "13900000006", "name": "N"})");
    QTest::newRow("same mobile twice")
        << withSecond(R"({"zpid": 6, "mobile": "13900000005", "name": "N", "password": "p"})");
    QTest::newRow("colon in a card field") << withSecond(
        R"({"zpid": 6, "mobile": "13900000006", "name": "N", "password": "p",
            "card": {"name": "a:b"}})");
    QTest::newRow("separator in the book") << withSecond(
        R"({"zpid": 6, "mobile": "13900000006", "name": "N", "password": "p",
            "addressBook": [{"phone": "1;2", "name": "x"}]})");
    QTest::newRow("circle of strangers") << QByteArray(R"({"accounts": [)") + arGood +
                                                R"(], "circles": [{"id": 9, "name": "c",
            "creator": 5, "members": [{"zpid": 77}]}]})";
    QTest::newRow("employee without name") << QByteArray(R"({"accounts": [)") + arGood +
                                                  R"(], "directory": [{"id": 3, "name": "Org",
            "employees": [{"userId": "e1"}]}]})";
}

void TestServiceStore::badSeedWritesNothing()
{
    QFETCH(QByteArray, json);
    const CSeedFile::Result result = CSeedFile::apply(json, *m_pStore, CPasswordHash::Minimal);
    QVERIFY(!result.bOk);
    QVERIFY(!result.strError.isEmpty());
    QCOMPARE(m_pStore->accounts().count(), 0);
    QCOMPARE(m_pStore->circles().count(), 0);
    QCOMPARE(m_pStore->directory().count(), 0);
}

void TestServiceStore::seedTwiceChangesNothing()
{
    const QByteArray arSeed = CSeedFile::demo();
    CSeedFile::Result result = CSeedFile::apply(arSeed, *m_pStore, CPasswordHash::Minimal);
    QVERIFY2(result.bOk, qPrintable(result.strError));
    QCOMPARE(result.iAccountsAdded, 4);
    const QByteArray arHash = m_pStore->accounts().byZpid(1000001)->arPasswordHash;

    result = CSeedFile::apply(arSeed, *m_pStore, CPasswordHash::Minimal);
    QVERIFY(result.bOk);
    QCOMPARE(result.iAccountsAdded, 0);
    QCOMPARE(result.iAccountsKept, 4);
    QCOMPARE(result.iCirclesAdded, 0);
    QCOMPARE(m_pStore->accounts().count(), 4);
    QCOMPARE(m_pStore->accounts().byZpid(1000001)->arPasswordHash, arHash);
}

void TestServiceStore::cloudBookAndHeldMessagesSurviveAReopen()
{
    QVERIFY(CSeedFile::apply(CSeedFile::demo(), *m_pStore, CPasswordHash::Minimal).bOk);
    const CCloudBookTable::Entry first{QStringLiteral("13900000001"), QStringLiteral("甲"), {}};
    const CCloudBookTable::Entry second{QStringLiteral("13900000002"), QStringLiteral("乙"),
                                        QStringLiteral("组")};
    QVERIFY(m_pStore->cloudBooks().merge(1000001, first));
    QVERIFY(m_pStore->cloudBooks().merge(1000001, second));
    // A book belongs to an account: none is kept for a Zpid nobody has.
    QVERIFY(!m_pStore->cloudBooks().merge(1999999, first));

    CStoredMessageTable::Row row;
    row.iAddressee = 1000002;
    row.iSender = 1000001;
    row.iCode = Codes::CmdMessage;
    row.dSentAt = 46000.5;
    for (quint32 iMsgId : {9u, 3u, 9u}) {
        row.iMsgId = iMsgId;
        row.arBody = fakeEncrypt(QByteArray::number(iMsgId));
        QVERIFY(m_pStore->storedMessages().store(row));
    }

    m_pStore = std::make_unique<CServiceStore>();
    QVERIFY2(m_pStore->open(m_pDir->path()), qPrintable(m_pStore->errorText()));
    const QList<CCloudBookTable::Entry> book = m_pStore->cloudBooks().entries(1000001);
    QCOMPARE(book.size(), 2);
    QCOMPARE(book.at(1).strGroup, second.strGroup);
    QCOMPARE(m_pStore->cloudBooks().count(1999999), 0);

    // Held once per sender and id, in the order they came.
    const QList<CStoredMessageTable::Row> held = m_pStore->storedMessages().pending(1000002);
    QCOMPARE(held.size(), 2);
    QCOMPARE(held.at(0).iMsgId, 9u);
    QCOMPARE(held.at(1).iMsgId, 3u);
    QCOMPARE(held.at(0).arBody, fakeEncrypt("9"));
    QCOMPARE(held.at(0).dSentAt, 46000.5);
    // Only the addressee's own receipt takes one away.
    QVERIFY(!m_pStore->storedMessages().remove(1000003, Codes::CmdMessage, 1000001, 9));
    QVERIFY(m_pStore->storedMessages().remove(1000002, Codes::CmdMessage, 1000001, 9));
    QCOMPARE(m_pStore->storedMessages().count(1000002), 1);
}

// A service folder from before schema versions were recorded keeps its accounts and held
// messages and is marked with the current version.
void TestServiceStore::unversionedFileIsUpgradedInPlace()
{
    m_pStore.reset();
    QTemporaryDir dir;
    const QString strPath = dir.filePath(QLatin1String(CServiceStore::FILE_NAME));
    QStringList statements =
        SqlFile::layoutStatements(QStringLiteral(ZEPHON_LAYOUT_DIR "/layout-unversioned.sql"));
    QVERIFY(!statements.isEmpty());
    statements << QStringLiteral("INSERT INTO account VALUES (1000009, '13900000009', '旧', "
                                 "'hash', '旧:0', NULL)")
               << QStringLiteral("INSERT INTO stored_message(addressee, sender, code, msg_id, "
                                 "kind, sent_at, body, extra) VALUES (1000009, 1000001, 14, 5, "
                                 "0, 46000.5, X'01', X'')");
    QVERIFY(SqlFile::run(strPath, statements));

    CServiceStore store;
    QVERIFY2(store.open(dir.path()), qPrintable(store.errorText()));
    QCOMPARE(store.accounts().byZpid(1000009).value().strName, QStringLiteral("旧"));
    QCOMPARE(store.storedMessages().pending(1000009).size(), 1);
    QCOMPARE(store.schemaSteps().latestVersion(), 5);
    QCOMPARE(SqlFile::value(strPath, QStringLiteral("PRAGMA user_version")).toInt(), 5);
    // The second step gave the circles their creation time, the third the open requests to
    // join them, the fourth the directory's password, roles and sort keys, the fifth an index
    // of the address books' numbers.
    QVERIFY(SqlFile::value(strPath, QStringLiteral("SELECT COUNT(created) FROM circle")).isValid());
    QCOMPARE(SqlFile::value(strPath, QStringLiteral("SELECT COUNT(*) FROM circle_request")).toInt(),
             0);
    QVERIFY(SqlFile::value(strPath, QStringLiteral("SELECT COUNT(role) FROM employee")).isValid());
    QCOMPARE(SqlFile::value(strPath, QStringLiteral("SELECT COUNT(*) FROM sqlite_master WHERE "
                                                    "name = 'address_book_phone'"))
                 .toInt(),
             1);
}

// A folder written by a later service is refused with a message that says so, unchanged.
void TestServiceStore::newerFileIsRefusedAndLeftAlone()
{
    m_pStore.reset();
    QTemporaryDir dir;
    const QString strPath = dir.filePath(QLatin1String(CServiceStore::FILE_NAME));
    QVERIFY(SqlFile::run(strPath, {QStringLiteral("CREATE TABLE later(x)"),
                                   QStringLiteral("PRAGMA user_version = 99")}));
    const QByteArray arBefore = SqlFile::digest(strPath);
    CServiceStore store;
    QVERIFY(!store.open(dir.path()));
    QVERIFY2(store.errorText().contains(QLatin1String("newer")), qPrintable(store.errorText()));
    QCOMPARE(SqlFile::digest(strPath), arBefore);
}

void TestServiceStore::demoSeedHasTheFourAccounts()
{
    QVERIFY(CSeedFile::apply(CSeedFile::demo(), *m_pStore, CPasswordHash::Minimal).bOk);
    const QList<CAccountTable::Row> rows = m_pStore->accounts().all();
    QCOMPARE(rows.size(), 4);
    const QStringList names{QStringLiteral("张伟"), QStringLiteral("李娜"), QStringLiteral("王芳"),
                            QStringLiteral("刘洋")};
    for (int i = 0; i < rows.size(); ++i) {
        const CAccountTable::Row &row = rows.at(i);
        QCOMPARE(row.iZpid, quint32(1000001 + i));
        QCOMPARE(row.strName, names.at(i));
        QCOMPARE(row.strMobile, QStringLiteral("1380013800%1").arg(i));
        // Only a hash is kept, and it is a slow salted one.
        QVERIFY(row.arPasswordHash.startsWith("$argon2id$"));
        QVERIFY(!row.arPasswordHash.contains("demo1234"));
        QVERIFY(CPasswordHash::verify(row.arPasswordHash, QStringLiteral("demo1234")));
        QCOMPARE(row.strCard.split(QLatin1Char(':')).size(), 14);
        const QList<CAddressBookTable::Entry> book = m_pStore->addressBooks().entries(row.iZpid);
        int iOthers = 0;
        for (const CAddressBookTable::Entry &entry : book)
            iOthers += m_pStore->accounts().zpidOfMobile(entry.strPhone) != 0 ? 1 : 0;
        QCOMPARE(iOthers, 3);
        QVERIFY(book.size() > 3);
    }
}

int TestServiceStore::admin(const QStringList &arguments, const QString &strInput)
{
    QString strIn = strInput;
    m_strOut.clear();
    m_strErr.clear();
    QTextStream in(&strIn);
    QTextStream out(&m_strOut);
    QTextStream err(&m_strErr);
    return CAdminCommand(*m_pStore, CPasswordHash::Minimal, in, out, err).run(arguments);
}

void TestServiceStore::adminCommands_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("input");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<int>("bookSize"); // of account 7 afterwards

    const QString strAdd = QStringLiteral("add-account");
    QTest::newRow("book from input")
        << QStringList{"set-book", "7", "-"} << "13800138000 张伟\n\n13900000001   Some One\n"
        << 0 << 2;
    QTest::newRow("book of nobody") << QStringList{"set-book", "8", "-"} << "1 a\n" << 1 << 0;
    QTest::newRow("book with separator") << QStringList{"set-book", "7", "-"} << "1:2 a\n"
                                         << 1 << 0;
    QTest::newRow("card") << QStringList{"set-card", "7", "N:0:::::::::::::"} << "" << 0 << 0;
    QTest::newRow("card too long")
        << QStringList{"set-card", "7", QString(5000, 'x')} << "" << 1 << 0;
    QTest::newRow("duplicate zpid")
        << QStringList{strAdd, "7", "13900000009", "X", "p"} << "" << 1 << 0;
    QTest::newRow("duplicate mobile")
        << QStringList{strAdd, "9", "13900000007", "X", "p"} << "" << 1 << 0;
    QTest::newRow("bad zpid") << QStringList{strAdd, "x", "13900000009", "X", "p"} << "" << 1 << 0;
    QTest::newRow("empty password") << QStringList{strAdd, "9", "13900000009", "X"} << "" << 1 << 0;
    QTest::newRow("unknown command") << QStringList{"drop-all"} << "" << 1 << 0;
}

void TestServiceStore::adminCommands()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, input);
    QFETCH(int, exitCode);
    QFETCH(int, bookSize);

    // Account 7 exists; its password comes from standard input.
    QCOMPARE(admin({QStringLiteral("add-account"), QStringLiteral("7"),
                    QStringLiteral("13900000007"), QStringLiteral("Seven")},
                   QStringLiteral("s3cret\n")),
             0);
    QVERIFY(CPasswordHash::verify(m_pStore->accounts().byZpid(7)->arPasswordHash,
                                  QStringLiteral("s3cret")));

    QCOMPARE(admin(arguments, input), exitCode);
    QCOMPARE(exitCode != 0, !m_strErr.isEmpty());
    QCOMPARE(m_pStore->addressBooks().entries(7).size(), bookSize);
    QCOMPARE(m_pStore->accounts().count(), 1);
    QCOMPARE(admin({QStringLiteral("list-accounts")}), 0);
    QVERIFY(m_strOut.contains(QStringLiteral("7\t13900000007\tSeven")));
}

QTEST_MAIN(TestServiceStore)
#include "tst_servicestore.moc"
