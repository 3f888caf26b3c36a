// Two accounts signed in one after the other on one Zephon.db: every table with a LoginZpid
// column shows each account only its own rows.
#include "cdatabase.h"
#include "storefixture.h"

#include <QTest>

#include <functional>

namespace {

constexpr quint32 kFirst = 1000001;
constexpr quint32 kSecond = 1000002;

// Writes one row of a table family as the signed-in account.
using Writer = std::function<void(CDatabase &)>;
// Reads what the signed-in account sees of that family, as a count.
using Reader = std::function<int(CDatabase &)>;

int count(QList<QObject *> list)
{
    return OwnedList(std::move(list)).size();
}

} // namespace

Q_DECLARE_METATYPE(Writer)
Q_DECLARE_METATYPE(Reader)

class TestAccountIsolation : public QObject
{
    Q_OBJECT

private slots:
    void ownRowsOnly_data();
    void ownRowsOnly();
};

void TestAccountIsolation::ownRowsOnly_data()
{
    QTest::addColumn<Writer>("write");
    QTest::addColumn<Reader>("read");

    QTest::newRow("messages") << Writer([](CDatabase &db) {
        db.addMsgRecord(db.loginZpid(), 0, {}, 2000002, "白", "1", false, false, {}, "hi", 1, 1, 2,
                        0, {});
    }) << Reader([](CDatabase &db) {
        return count(db.getMsgRecord()) + count(db.getMessage(2, "2000002")) +
               db.getUnReadMsgRecord(10, {});
    });
    QTest::newRow("message state") << Writer([](CDatabase &db) {
        db.addMsgRecord(db.loginZpid(), 0, {}, 2000002, "白", "1", true, true, {}, "hi", 9, 0, 2, 0,
                        {});
        db.setMsgState(9, 1, true, {});
    }) << Reader([](CDatabase &db) {
        int iDelivered = 0;
        OwnedList list(db.getMessage(2, "2000002"));
        for (QObject *item : list.items)
            iDelivered +=
                item->property("iMsgState").toInt() == 1 && !item->property("bSeparator").toBool();
        return iDelivered;
    });
    QTest::newRow("calls") << Writer([](CDatabase &db) {
        db.addCallRecord(db.loginZpid(), "2000002", "白", "1", false, 0, 2);
    }) << Reader([](CDatabase &db) {
        return count(db.getCallRecord({})) + db.getUnReadCallRecord({});
    });
    QTest::newRow("circles") << Writer([](CDatabase &db) {
        db.addCircle(77, "c", 2000002, 1.0, 0, 0, {}, 1, 1, 1);
    }) << Reader([](CDatabase &db) {
        return count(db.getCircle()) + (db.getCircleName(77).isEmpty() ? 0 : 1);
    });
    QTest::newRow("circle members") << Writer([](CDatabase &db) {
        db.saveCircleMemberCard(77, 2000002, "白:1:::北京:13800000002", 0);
    }) << Reader([](CDatabase &db) {
        return count(db.getCircleMember(77)) + db.getCircleMemberCount(77) +
               (db.getCircleMemberName("2000002", "77").isEmpty() ? 0 : 1);
    });
    QTest::newRow("enterprise log-ins")
        << Writer([](CDatabase &db) { db.addEnAccount("8001", "pw"); })
        << Reader([](CDatabase &db) { return db.getEnPassword("8001").size(); });
    QTest::newRow("employee counts") << Writer([](CDatabase &db) {
        db.addEmp(2000002, "白", "13800000002", {}, {}, 1, "7", "10", 5, "1");
    }) << Reader([](CDatabase &db) {
        return db.getEmpCount("10") + db.getEmpUserType("10", "7") +
               db.getEmpByPhone("13800000002").size();
    });
}

void TestAccountIsolation::ownRowsOnly()
{
    QFETCH(Writer, write);
    QFETCH(Reader, read);
    StoreFixture store;
    CDatabase &db = store.db();

    db.setLoginZpid(kFirst);
    write(db);
    const int iFirstSees = read(db);
    QVERIFY2(iFirstSees > 0, "the writing account must see its own row");

    db.setLoginZpid(kSecond);
    QCOMPARE(read(db), 0);
    write(db);
    QCOMPARE(read(db), iFirstSees);

    // The second account's deletions leave the first account's rows alone.
    db.delMsgRecord(-1, {});
    db.delCallRecord({});
    db.removeCircle(77);
    store.reopen();
    store.db().setLoginZpid(kFirst);
    QCOMPARE(read(store.db()), iFirstSees);
}

QTEST_GUILESS_MAIN(TestAccountIsolation)
#include "tst_accountisolation.moc"
