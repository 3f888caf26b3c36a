// The directory worker against a real store file: a department or employee list replaces the
// table in one batch; a list cut at any length, one with bytes beyond its count, and one that
// ends after its account signed out store nothing and leave the previous list in place.
#include "cdatabase.h"
#include "cparsedirectorythread.h"
#include "fakepacket.h"
#include "storefixture.h"

#include <QTest>

namespace {

constexpr quint32 kMe = 1000001;
constexpr quint32 kOrg = 77001;

QByteArray dept(const QByteArray &arParent, const QByteArray &arNo, const QByteArray &arName,
                const QByteArray &arSortKey)
{
    return FakePacket(0).str8(arParent).str8(arNo).str8(arName).blob32(arSortKey).bytes().mid(1);
}

QByteArray emp(quint32 iZpid, const QByteArray &arDept, const QByteArray &arUserId,
               const QByteArray &arName, const QByteArray &arPost, quint8 iRole,
               const QByteArray &arSortKey = "1")
{
    return FakePacket(0)
        .u32(iZpid)
        .str8(arDept)
        .str8(arUserId)
        .str8(arName)
        .str8(arUserId)
        .str8("010-1")
        .str8(arPost)
        .u8(iRole)
        .blob32(arSortKey)
        .bytes()
        .mid(1);
}

const QByteArray kTwoDepts =
    dept("0", "10", "研发部", "2") + dept("0", "20", QByteArray("市场部\0xyz", 13), "1");
const QByteArray kTwoEmps = emp(2000002, "10", "13800000002", "白", "工程师", 0, "2") +
                            emp(2000003, "20", "13800000003", "陈", "", 1, "1");

bool runToEnd(QThread &worker)
{
    worker.start();
    return worker.wait(60000);
}

// The list before each run: department 99 with one employee.
void seed(CDatabase &db)
{
    db.addDept(QStringLiteral("旧部门"), QStringLiteral("0"), QStringLiteral("99"), int(kOrg),
               QStringLiteral("1"));
    db.addEmp(2000009, QStringLiteral("旧"), QStringLiteral("13800000009"), QString(),
              QStringLiteral("经理"), 1, QStringLiteral("13800000009"), QStringLiteral("99"),
              int(kOrg), QStringLiteral("1"));
}

QStringList departments(CDatabase &db)
{
    OwnedList rows(db.getDept());
    QStringList texts;
    for (QObject *pRow : rows.items)
        texts << pRow->property("strNo").toString() + u':' + pRow->property("strName").toString();
    return texts;
}

QStringList employees(CDatabase &db)
{
    OwnedList rows(db.getEmp(QString()));
    QStringList texts;
    for (QObject *pRow : rows.items)
        texts << QStringList{pRow->property("strZpid").toString(),
                             pRow->property("strPNo").toString(),
                             pRow->property("strName").toString(),
                             pRow->property("strPost").toString(),
                             pRow->property("strSNo").toString()}
                     .join(u':');
    return texts;
}

} // namespace

class TestDirectoryWorker : public QObject
{
    Q_OBJECT

private slots:
    void wholeList_data();
    void wholeList();
    void cutAtEveryLengthStoresNothing_data();
    void cutAtEveryLengthStoresNothing();
    void listOfASignedOutAccountStoresNothing();
};

void TestDirectoryWorker::wholeList_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QByteArray>("entries");
    QTest::addColumn<int>("count");
    QTest::addColumn<QStringList>("depts");
    QTest::addColumn<QStringList>("emps");
    QTest::addColumn<bool>("stored");

    const QStringList oldDepts{"99:旧部门"};
    const QStringList oldEmps{"2000009:99:旧:经理:1"};
    const int d = CParseDirectoryThread::Departments;
    const int e = CParseDirectoryThread::Employees;
    // Sort-key order; a name is taken up to its first zero byte.
    QTest::newRow("departments") << d << kTwoDepts << 2 << QStringList{"20:市场部", "10:研发部"}
                                 << oldEmps << true;
    // An empty post is shown as the default one.
    QTest::newRow("employees") << e << kTwoEmps << 2 << oldDepts
                               << QStringList{"2000002:10:白:工程师:2", "2000003:20:陈:员工:1"}
                               << true;
    QTest::newRow("no departments") << d << QByteArray() << 0 << QStringList() << oldEmps << true;
    QTest::newRow("no employees") << e << QByteArray() << 0 << oldDepts << QStringList() << true;
    QTest::newRow("bytes beyond the count") << e << kTwoEmps << 1 << oldDepts << oldEmps << false;
    QTest::newRow("count beyond the bytes") << d << kTwoDepts << 3 << oldDepts << oldEmps << false;
    QTest::newRow("negative count") << d << kTwoDepts << -1 << oldDepts << oldEmps << false;
    // A sort key longer than a column takes is a malformed entry: the others are stored.
    QTest::newRow("oversized sort key skipped")
        << d << dept("0", "30", "法务部", QByteArray(300, '7')) + kTwoDepts << 3
        << QStringList{"20:市场部", "10:研发部"} << oldEmps << true;
}

void TestDirectoryWorker::wholeList()
{
    QFETCH(int, kind);
    QFETCH(QByteArray, entries);
    QFETCH(int, count);

    StoreFixture store;
    store.db().setLoginZpid(kMe);
    seed(store.db());
    CParseDirectoryThread worker(CParseDirectoryThread::Kind(kind), kOrg, entries, count,
                                 store.sharedPointer());
    QVERIFY(runToEnd(worker));
    QTEST(worker.isStored(), "stored");
    QTEST(departments(store.db()), "depts");
    QTEST(employees(store.db()), "emps");
}

void TestDirectoryWorker::cutAtEveryLengthStoresNothing_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QByteArray>("entries");
    for (const int kind :
         {int(CParseDirectoryThread::Departments), int(CParseDirectoryThread::Employees)}) {
        const QByteArray arWhole =
            kind == CParseDirectoryThread::Departments ? kTwoDepts : kTwoEmps;
        for (int n = 0; n < arWhole.size(); ++n)
            QTest::addRow("%s cut to %d",
                          kind == CParseDirectoryThread::Departments ? "depts" : "emps", n)
                << kind << arWhole.left(n);
    }
}

void TestDirectoryWorker::cutAtEveryLengthStoresNothing()
{
    QFETCH(int, kind);
    QFETCH(QByteArray, entries);

    StoreFixture store;
    store.db().setLoginZpid(kMe);
    seed(store.db());
    CParseDirectoryThread worker(CParseDirectoryThread::Kind(kind), kOrg, entries, 2,
                                 store.sharedPointer());
    QVERIFY(runToEnd(worker));
    QVERIFY(!worker.isStored());
    QCOMPARE(worker.storedCount(), 0);
    QCOMPARE(departments(store.db()), QStringList{"99:旧部门"});
    QCOMPARE(employees(store.db()), QStringList{"2000009:99:旧:经理:1"});
}

void TestDirectoryWorker::listOfASignedOutAccountStoresNothing()
{
    StoreFixture store;
    store.db().setLoginZpid(kMe);
    CParseDirectoryThread worker(CParseDirectoryThread::Employees, kOrg, kTwoEmps, 2,
                                 store.sharedPointer());
    // Another account signs in before the worker runs.
    store.db().setLoginZpid(kMe + 1);
    QVERIFY(runToEnd(worker));
    QVERIFY(!worker.isStored());
    QCOMPARE(employees(store.db()), QStringList());
}

QTEST_GUILESS_MAIN(TestDirectoryWorker)
#include "tst_directoryworker.moc"
