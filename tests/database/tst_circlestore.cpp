// Circle and CircleMember: circles of the account, members with roles, member lookups by key
// length, and removal of circles with or without their messages.
#include "cdatabase.h"
#include "pinyin.h"
#include "storefixture.h"

#include <QTest>

namespace {

constexpr quint32 kMe = 1000001;

struct Member
{
    quint32 iZpid;
    const char *card;
    int iRole;
};

// Circle 77: 丁 created it (role 1); 陈 joined by number only (Zpid 0).
const Member kMembers[] = {
    {2000002, "白:1:经理:甲公司:北京:13800000002:010-2:b@x:n:1:h:f:30:小白", 0},
    {2000004, "丁:0:总监:乙公司:上海:13800000004::::::::", 1},
    {0, "陈:1:::广州:13800000003", 0},
    {2000001, "安:0:::深圳:13800000001", 0},
};

void fillCircle(CDatabase &db)
{
    db.addCircle(77, QStringLiteral("读书会"), 2000004, 45352.123456789, 1, 0,
                 QStringLiteral("每周一本"), 2, 4, 5);
    db.addCircle(78, QStringLiteral("跑步"), kMe, 45000.5, 2, 1, QString(), 1, 1, 1);
    for (const Member &m : kMembers)
        db.saveCircleMemberCard(77, m.iZpid, QString::fromUtf8(m.card), m.iRole);
    db.saveCircleMemberCard(78, 2000002, QStringLiteral("白:1:::北京:13800000002"), 0);
}

} // namespace

class TestCircleStore : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void circles();
    void membersWithCreatorFirst();
    void memberLookups_data();
    void memberLookups();
    void userType_data();
    void userType();
    void removal();
};

void TestCircleStore::init()
{
    setPinyinMap({{u'白', QStringLiteral("bai")},
                  {u'丁', QStringLiteral("ding")},
                  {u'陈', QStringLiteral("chen")},
                  {u'安', QStringLiteral("an")}});
}

void TestCircleStore::circles()
{
    StoreFixture store;
    CDatabase &db = store.db();
    db.setLoginZpid(kMe);
    fillCircle(db);
    db.setCircleCreater(77, QString::fromUtf8(kMembers[1].card));
    OwnedList list(db.getCircle());
    QCOMPARE(list.column("strId"), (QStringList{"77", "78"}));
    QCOMPARE(list.column("strName"), (QStringList{"读书会", "跑步"}));
    QCOMPARE(list.column("strZpid"), (QStringList{"2000004", "1000001"}));
    QCOMPARE(list.column("iUserCount"), (QStringList{"4", "1"}));
    QCOMPARE(list.column("strCreater").at(0), QString::fromUtf8(kMembers[1].card));
    QCOMPARE(db.getCircleName(77), QStringLiteral("读书会"));
    QCOMPARE(db.getCircleProfile(77), QStringLiteral("每周一本"));
    QCOMPARE(db.getCircleCreateZpid(78), QStringLiteral("1000001"));
    QCOMPARE(db.getCircleType(78), 2);
    QCOMPARE(db.getCircleVersion(77), 5);
    QCOMPARE(db.getCircleVersion(99), 0);
    QCOMPARE(db.getCircleName(99), QString());
    QCOMPARE(db.getCircleMemberCount(77), 4);
}

void TestCircleStore::membersWithCreatorFirst()
{
    StoreFixture store;
    store.db().setLoginZpid(kMe);
    fillCircle(store.db());
    OwnedList members(store.db().getCircleMember(77));
    QCOMPARE(members.column("strName"), (QStringList{"丁", "安", "白", "陈"}));
    QCOMPARE(members.column("iType"), (QStringList{"1", "0", "0", "0"}));
    QCOMPARE(members.column("strZpid"), (QStringList{"2000004", "2000001", "2000002", ""}));
    QCOMPARE(members.column("strNickname").at(2), QStringLiteral("小白"));
}

void TestCircleStore::memberLookups_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("circle");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("phone");
    QTest::addColumn<QString>("card");
    QTest::newRow("row Id") << "1"
                            << ""
                            << "白"
                            << "13800000002" << QString::fromUtf8(kMembers[0].card);
    QTest::newRow("Zpid in its circle") << "2000002"
                                        << "78"
                                        << "白"
                                        << "13800000002"
                                        << "白:1:::北京:13800000002::::::::";
    QTest::newRow("Zpid in another circle") << "2000004"
                                            << "78"
                                            << ""
                                            << ""
                                            << "";
    QTest::newRow("phone in its circle") << "13800000003"
                                         << "77"
                                         << ""
                                         << ""
                                         << "陈:1:::广州:13800000003::::::::";
    QTest::newRow("eight-digit Zpid") << "20000040"
                                      << "77"
                                      << ""
                                      << ""
                                      << "";
    QTest::newRow("unknown Id") << "999"
                                << ""
                                << ""
                                << ""
                                << "";
}

void TestCircleStore::memberLookups()
{
    QFETCH(QString, key);
    QFETCH(QString, circle);
    QFETCH(QString, name);
    QFETCH(QString, phone);
    QFETCH(QString, card);
    StoreFixture store;
    store.db().setLoginZpid(kMe);
    fillCircle(store.db());
    QCOMPARE(store.db().getCircleMemberName(key, circle), name);
    QCOMPARE(store.db().getCircleMemberPhone(key, circle), phone);
    QCOMPARE(store.db().getCircleMemberCard(key, circle), card);
}

void TestCircleStore::userType_data()
{
    QTest::addColumn<QString>("circle");
    QTest::addColumn<QString>("zpid");
    QTest::addColumn<int>("userType");
    QTest::newRow("creator") << "77"
                             << "2000004" << 2;
    QTest::newRow("not the creator") << "77"
                                     << "2000002" << 3;
    QTest::newRow("unknown circle") << "79"
                                    << "2000004" << 3;
    QTest::newRow("non-numeric") << "x"
                                 << "y" << 3;
}

void TestCircleStore::userType()
{
    QFETCH(QString, circle);
    QFETCH(QString, zpid);
    QFETCH(int, userType);
    StoreFixture store;
    store.db().setLoginZpid(kMe);
    fillCircle(store.db());
    QCOMPARE(store.db().getCircleUserType(circle, zpid), userType);
}

// A version change removes the circle and keeps its messages; a circle the refresh did not
// see loses its messages too.
void TestCircleStore::removal()
{
    StoreFixture store;
    CDatabase &db = store.db();
    db.setLoginZpid(kMe);
    fillCircle(db);
    for (quint32 iCircle : {77u, 78u})
        db.addMsgRecord(kMe, iCircle, QStringLiteral("c"), 2000002, QStringLiteral("白"), {}, true,
                        false, {}, QStringLiteral("hi"), int(iCircle), 1, 7, 0, QString());

    QVERIFY(db.hasCircleMember(QStringLiteral("77"), QStringLiteral("2000002"),
                               QStringLiteral("13800000002")));
    QVERIFY(!db.hasCircleMember(QStringLiteral("77"), QStringLiteral("2000002"),
                                QStringLiteral("13800000009")));
    QCOMPARE(db.getCircleMemberZpid(QStringLiteral("1")), 2000002u);

    db.removeCircle(77);
    QCOMPARE(db.getCircleName(77), QString());
    QCOMPARE(db.getCircleMemberCount(77), 0);
    QCOMPARE(OwnedList(db.getMessage(7, QStringLiteral("77"))).size(), 2);

    // Refresh: every circle unmarked, the server still lists none of them.
    fillCircle(db);
    db.setCircleFlag(true, 0);
    db.setCircleFlag(true, 77);
    db.removeCircle(0);
    QCOMPARE(OwnedList(db.getCircle()).column("strId"), QStringList{"77"});
    QCOMPARE(db.getCircleMemberCount(78), 0);
    QCOMPARE(OwnedList(db.getMessage(7, QStringLiteral("78"))).size(), 0);
    QCOMPARE(OwnedList(db.getMessage(7, QStringLiteral("77"))).size(), 2);
}

QTEST_GUILESS_MAIN(TestCircleStore)
#include "tst_circlestore.moc"
