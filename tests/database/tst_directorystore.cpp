// Dept, Emp, Account and EnAccount: the enterprise directory and the remembered log-ins.
#include "cdatabase.h"
#include "storefixture.h"

#include <QTest>

class TestDirectoryStore : public QObject
{
    Q_OBJECT

private slots:
    void directory();
    void departmentsSharingANumber();
    void numbersKeepTheirDigits();
    void employeeCard();
    void accounts();
    void enterpriseAccounts();
};

void TestDirectoryStore::directory()
{
    StoreFixture store;
    CDatabase &db = store.db();
    db.setLoginZpid(1000001);
    db.setOrgUserType(2);
    db.addDept(QStringLiteral("研发部"), QStringLiteral("0"), QStringLiteral("10"), 5,
               QStringLiteral("10"));
    db.addDept(QStringLiteral("总部"), QStringLiteral("0"), QStringLiteral("1"), 5,
               QStringLiteral("9"));
    db.addEmp(2000002, QStringLiteral("白"), QStringLiteral("13800000002"), QStringLiteral("010-2"),
              QStringLiteral("工程师"), 0, QStringLiteral("7"), QStringLiteral("10"), 5,
              QStringLiteral("12"));
    db.addEmp(2000003, QStringLiteral("陈"), QStringLiteral("013800000003"), QString(),
              QStringLiteral("经理"), 1, QStringLiteral("3"), QStringLiteral("10"), 5,
              QStringLiteral("2"));
    db.addEmp(2000004, QStringLiteral("丁"), QStringLiteral("13800000004"), QString(),
              QStringLiteral("主任"), 0, QStringLiteral("1"), QStringLiteral("1"), 5,
              QStringLiteral("1"));

    // Ex is compared as a number: 9 before 10.
    OwnedList depts(db.getDept());
    QCOMPARE(depts.column("strName"), (QStringList{"总部", "研发部"}));
    QCOMPARE(depts.column("strNo"), (QStringList{"1", "10"}));
    QCOMPARE(depts.column("iUserCount"), (QStringList{"1", "2"}));
    QCOMPARE(depts.column("iUserType"), (QStringList{"2", "2"}));
    QCOMPARE(depts.column("strSNo"), (QStringList{"9", "10"}));

    OwnedList rnd(db.getEmp(QStringLiteral("10")));
    QCOMPARE(rnd.column("strName"), (QStringList{"陈", "白"}));
    QCOMPARE(rnd.column("strPName"), (QStringList{"研发部", "研发部"}));
    QCOMPARE(rnd.column("strPSNo"), (QStringList{"10", "10"}));
    QCOMPARE(rnd.column("strNo"), (QStringList{"3", "7"}));
    OwnedList everyone(db.getEmp(QString()));
    QCOMPARE(everyone.column("strName"), (QStringList{"白", "陈", "丁"}));

    // An administrator (role 0) and nobody (also 0) are told apart by the found flag.
    bool bFound = false;
    QCOMPARE(db.getEmpUserType(QStringLiteral("10"), QStringLiteral("3"), &bFound), 1);
    QVERIFY(bFound);
    QCOMPARE(db.getEmpUserType(QStringLiteral("10"), QStringLiteral("7"), &bFound), 0);
    QVERIFY(bFound);
    QCOMPARE(db.getEmpUserType(QStringLiteral("10"), QStringLiteral("99"), &bFound), 0);
    QVERIFY(!bFound);
    QCOMPARE(db.getEmpUserType(QStringLiteral("1"), QStringLiteral("7"), &bFound), 0);
    QVERIFY(!bFound);
    // A number with a leading zero is found as typed.
    QCOMPARE(db.getEmpByPhone(QStringLiteral("013800000003")),
             (QStringList{"陈", "经理", "10", "2", ""}));
    QCOMPARE(db.getEmpByPhone(QStringLiteral("13800000003")), QStringList());
    QCOMPARE(db.getDeptName(QStringLiteral("1")), QStringLiteral("总部"));
    QCOMPARE(db.getDeptEx(QStringLiteral("x")), QString());

    db.clearEmp();
    db.clearDept();
    QCOMPARE(OwnedList(db.getDept()).size(), 0);
    QCOMPARE(OwnedList(db.getEmp(QString())).size(), 0);
}

// Two department rows with one number: every department row counts the account's employees
// of that number, and each employee is listed once, under the first row's name and Ex. A
// number that is not a number names no department.
void TestDirectoryStore::departmentsSharingANumber()
{
    StoreFixture store;
    CDatabase &db = store.db();
    db.setLoginZpid(1000002);
    db.addEmp(2000009, QStringLiteral("别人"), {}, {}, {}, 0, QStringLiteral("9"),
              QStringLiteral("10"), 5, QStringLiteral("1"));
    db.setLoginZpid(1000001);
    db.addDept(QStringLiteral("研发部"), QStringLiteral("0"), QStringLiteral("10"), 5,
               QStringLiteral("3"));
    db.addDept(QStringLiteral("研发二部"), QStringLiteral("0"), QStringLiteral("10"), 5,
               QStringLiteral("4"));
    db.addDept(QStringLiteral("无号"), QStringLiteral("0"), QStringLiteral("x"), 5,
               QStringLiteral("5"));
    db.addEmp(2000002, QStringLiteral("白"), {}, {}, {}, 0, QStringLiteral("7"),
              QStringLiteral("10"), 5, QStringLiteral("2"));
    db.addEmp(2000003, QStringLiteral("陈"), {}, {}, {}, 0, QStringLiteral("8"),
              QStringLiteral("x"), 5, QStringLiteral("1"));

    OwnedList depts(db.getDept());
    QCOMPARE(depts.column("strName"), (QStringList{"研发部", "研发二部", "无号"}));
    QCOMPARE(depts.column("iUserCount"), (QStringList{"1", "1", "1"}));

    OwnedList rnd(db.getEmp(QStringLiteral("10")));
    QCOMPARE(rnd.column("strName"), (QStringList{"别人", "白"}));
    QCOMPARE(rnd.column("strPName"), (QStringList{"研发部", "研发部"}));
    QCOMPARE(rnd.column("strPSNo"), (QStringList{"3", "3"}));
    OwnedList everyone(db.getEmp(QString()));
    QCOMPARE(everyone.column("strName"), (QStringList{"别人", "白", "陈"}));
    QCOMPARE(everyone.column("strPName"), (QStringList{"研发部", "研发部", "无号"}));
    QCOMPARE(everyone.column("strPSNo"), (QStringList{"3", "3", "5"}));
}

// Department numbers and employee ids are texts: "01" is not "1", and keeps its zero.
void TestDirectoryStore::numbersKeepTheirDigits()
{
    StoreFixture store;
    CDatabase &db = store.db();
    db.setLoginZpid(1000001);
    db.addDept(QStringLiteral("产品部"), QString(), QStringLiteral("01"), 5, QStringLiteral("1"));
    db.addDept(QStringLiteral("一部"), QString(), QStringLiteral("1"), 5, QStringLiteral("2"));
    db.addEmp(2000002, QStringLiteral("白"), {}, {}, {}, 1, QStringLiteral("0123"),
              QStringLiteral("01"), 5, QStringLiteral("1"));
    OwnedList depts(db.getDept());
    QCOMPARE(depts.column("strNo"), (QStringList{"01", "1"}));
    QCOMPARE(depts.column("iUserCount"), (QStringList{"1", "0"}));
    OwnedList product(db.getEmp(QStringLiteral("01")));
    QCOMPARE(product.column("strNo"), QStringList{"0123"});
    QCOMPARE(product.column("strPNo"), QStringList{"01"});
    QCOMPARE(product.column("strPName"), QStringList{"产品部"});
    QVERIFY(OwnedList(db.getEmp(QStringLiteral("1"))).column("strName").isEmpty());
    QCOMPARE(db.getDeptName(QStringLiteral("01")), QStringLiteral("产品部"));
    QCOMPARE(db.getEmpCard(QStringLiteral("0123"), QStringLiteral("01")).section(':', 0, 0),
             QStringLiteral("白"));
    QVERIFY(db.getEmpCard(QStringLiteral("123"), QStringLiteral("1")).isEmpty());
}

void TestDirectoryStore::employeeCard()
{
    StoreFixture store;
    CDatabase &db = store.db();
    db.addEmp(2000002, QStringLiteral("白"), QStringLiteral("13800000002"), QStringLiteral("010-2"),
              QStringLiteral("工程师"), 0, QStringLiteral("7"), QStringLiteral("10"), 5,
              QStringLiteral("12"));
    const QString card = db.getEmpCard(QStringLiteral("7"), QStringLiteral("10"));
    QCOMPARE(card, QStringLiteral("白::工程师:::13800000002:010-2:::::::"));
    QCOMPARE(card.split(u':').size(), 14);
    QCOMPARE(db.getEmpCard(QStringLiteral("7"), QStringLiteral("11")), QString());
}

void TestDirectoryStore::accounts()
{
    StoreFixture store;
    CDatabase &db = store.db();
    db.addAccount(QStringLiteral("13800000001"), QStringLiteral("secret'pw"));
    db.addAccount(QStringLiteral("1000002"), QString());
    QCOMPARE(db.getPassword(QStringLiteral("13800000001")), QStringLiteral("secret'pw"));
    db.addAccount(QStringLiteral("13800000001"), QString());
    QCOMPARE(db.getAccount(), (QStringList{"13800000001", "1000002"}));
    QCOMPARE(db.getPassword(QStringLiteral("13800000001")), QString());
    db.addAccount(QStringLiteral("13800000001"), QStringLiteral("new"));
    QCOMPARE(db.getPassword(QStringLiteral("13800000001")), QStringLiteral("new"));
    QCOMPARE(db.getAccount().size(), 2);
    QCOMPARE(db.getPassword(QStringLiteral("nobody")), QString());
}

void TestDirectoryStore::enterpriseAccounts()
{
    StoreFixture store;
    CDatabase &db = store.db();
    db.setLoginZpid(1000001);
    db.addEnAccount(QStringLiteral("8001"), QStringLiteral("a"));
    db.addEnAccount(QStringLiteral("8001"), QStringLiteral("b"));
    QCOMPARE(db.getEnPassword(QStringLiteral("8001")), QStringLiteral("b"));
    db.setLoginZpid(1000002);
    QCOMPARE(db.getEnPassword(QStringLiteral("8001")), QString());
    db.addEnAccount(QStringLiteral("8001"), QStringLiteral("c"));
    db.setLoginZpid(1000001);
    QCOMPARE(db.getEnPassword(QStringLiteral("8001")), QStringLiteral("b"));
}

QTEST_GUILESS_MAIN(TestDirectoryStore)
#include "tst_directorystore.moc"
