// Contact and NetContact: pickers by kind, cards, lookups by number, cloud contacts.
#include "cdatabase.h"
#include "contactmodel.h"
#include "pinyin.h"
#include "storefixture.h"

#include <QTest>

namespace {

struct ContactRow
{
    quint32 iZpid;
    const char *name;
    const char *phone;
    const char *pinyin;
    int iType;
};

// One row of each kind, pinyin keys chosen so that the order is visible.
const ContactRow kBook[] = {
    {1000001, "我", "13800000000", "wo", 0},      {800, "ZP小秘书", "800", "zpxiaomishu", 1},
    {2000002, "白", "13800000002", "bai", 2},     {0, "陈", "13800000003", "chen", 3},
    {2000004, "安", "13800000004", "an", 2},      {0, "隐", "13800000005", "yin", 4},
    {2000006, "丁", "+8613800000006", "ding", 3},
};

void fillBook(CDatabase &db)
{
    for (const ContactRow &row : kBook)
        db.replaceContact(
            row.iZpid, QString::fromUtf8(row.name), QStringLiteral("1"), QStringLiteral("post"),
            QStringLiteral("company"), QStringLiteral("address"), QString::fromUtf8(row.phone),
            QStringLiteral("010-1"), QStringLiteral("a@b.c"), QStringLiteral("notes"),
            QStringLiteral("2"), QStringLiteral("home"), QStringLiteral("fax"),
            QStringLiteral("30"), QStringLiteral("nick"), QString::fromUtf8(row.pinyin), row.iType);
}

} // namespace

class TestContactStore : public QObject
{
    Q_OBJECT

private slots:
    void pickers_data();
    void pickers();
    void circlePickerNeedsZpidAndPhone();
    void searchSourceLeavesOutKindFour();
    void cards_data();
    void cards();
    void cardFields_data();
    void cardFields();
    void ownCardAfterPhoneChange();
    void lookupsByNumber_data();
    void lookupsByNumber();
    void setZpidMakesAUser();
    void cloudContacts();
};

void TestContactStore::pickers_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QStringList>("excluded");
    QTest::addColumn<QStringList>("names");
    QTest::newRow("0 all, own card first")
        << 0 << QStringList() << QStringList{"我", "安", "白", "陈", "丁"};
    QTest::newRow("1 circle candidates")
        << 1 << QStringList() << QStringList{"安", "白", "陈", "丁"};
    QTest::newRow("2 registered users") << 2 << QStringList() << QStringList{"安", "白"};
    QTest::newRow("3 without chosen recipients")
        << 3 << QStringList{"2000004"} << QStringList{"白"};
    QTest::newRow("4 without own card")
        << 4 << QStringList() << QStringList{"安", "白", "陈", "丁"};
    QTest::newRow("5 directory candidates")
        << 5 << QStringList() << QStringList{"安", "白", "陈", "丁"};
    QTest::newRow("unknown kind") << 6 << QStringList() << QStringList();
    QTest::newRow("negative kind") << -1 << QStringList() << QStringList();
}

void TestContactStore::pickers()
{
    QFETCH(int, kind);
    QFETCH(QStringList, excluded);
    QFETCH(QStringList, names);
    StoreFixture store;
    fillBook(store.db());
    OwnedList list(store.db().getContact(kind, QString(), excluded));
    QCOMPARE(list.column("strName"), names);
    for (QObject *item : list.items) {
        QCOMPARE(item->property("bChecked").toBool(), false);
        QCOMPARE(item->property("strLocation").toString(), QString());
    }
}

void TestContactStore::circlePickerNeedsZpidAndPhone()
{
    StoreFixture store;
    CDatabase &db = store.db();
    db.setLoginZpid(1000001);
    fillBook(db);
    // 白 is a member by Zpid and phone; 安 only by Zpid (another phone); 陈 has no Zpid and
    // joined by number; a member of another circle hides nobody here.
    db.addCircleMember(55, 2000002, "白", {}, {}, {}, {}, "13800000002", {}, {}, {}, {}, {}, {}, {},
                       {}, "bai", 0);
    db.addCircleMember(55, 2000004, "安", {}, {}, {}, {}, "13999999999", {}, {}, {}, {}, {}, {}, {},
                       {}, "an", 0);
    db.addCircleMember(55, 0, "陈", {}, {}, {}, {}, "13800000003", {}, {}, {}, {}, {}, {}, {}, {},
                       "chen", 0);
    db.addCircleMember(56, 2000006, "丁", {}, {}, {}, {}, "+8613800000006", {}, {}, {}, {}, {}, {},
                       {}, {}, "d", 0);
    OwnedList list(db.getContact(1, QStringLiteral("55")));
    QCOMPARE(list.column("strName"), (QStringList{"安", "丁"}));
}

void TestContactStore::searchSourceLeavesOutKindFour()
{
    StoreFixture store;
    fillBook(store.db());
    OwnedList list(store.db().getSearchContact());
    QCOMPARE(list.column("strName"), (QStringList{"安", "白", "陈", "丁", "我", "ZP小秘书"}));
    QCOMPARE(list.column("iType"), (QStringList{"2", "2", "3", "3", "0", "1"}));
    QCOMPARE(list.column("strZpid").at(2), QStringLiteral("0"));
}

void TestContactStore::cards_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("card");
    const QString full = QStringLiteral(
        "白:1:post:company:address:13800000002:010-1:a@b.c:notes:2:home:fax:30:nick");
    const QString shortCard = QStringLiteral("白:1:address:company");
    QTest::newRow("by Id, full") << "3" << 0 << full;
    QTest::newRow("by Id, short") << "3" << 1 << shortCard;
    QTest::newRow("by Zpid") << "2000002" << 0 << full;
    QTest::newRow("by phone") << "13800000002" << 2 << shortCard;
    QTest::newRow("kind four is hidden") << "6" << 0 << "";
    QTest::newRow("unknown id") << "99" << 0 << "";
    QTest::newRow("six-digit Zpid taken for an Id") << "200000" << 0 << "";
    QTest::newRow("non-numeric key") << "abc" << 0 << "";
    QTest::newRow("phone suffix is not enough") << "3800000002" << 0 << "";
    // Unregistered entries hold Zpid 0: a key naming it must not pick one of them.
    QTest::newRow("Zpid zero") << "0000000" << 0 << "";
    QTest::newRow("Zpid zero, signed") << "-000000" << 0 << "";
}

void TestContactStore::cards()
{
    QFETCH(QString, key);
    QFETCH(int, kind);
    QFETCH(QString, card);
    StoreFixture store;
    fillBook(store.db());
    QCOMPARE(store.db().getContactCard(key, kind), card);
}

void TestContactStore::cardFields_data()
{
    QTest::addColumn<QString>("card");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("field");
    QTest::newRow("name of short card") << "张三:1:北京:公司" << 0 << "张三";
    QTest::newRow("field 13 of a short card") << "张三:1:北京:公司" << 13 << "";
    QTest::newRow("empty parts kept") << "a::c" << 1 << "";
    QTest::newRow("after an empty part") << "a::c" << 2 << "c";
    QTest::newRow("negative index") << "a:b" << -1 << "";
    QTest::newRow("empty card") << "" << 0 << "";
}

void TestContactStore::cardFields()
{
    QFETCH(QString, card);
    QFETCH(int, index);
    QFETCH(QString, field);
    QCOMPARE(CDatabase::cardField(card, index), field);
}

void TestContactStore::ownCardAfterPhoneChange()
{
    StoreFixture store;
    setPinyinMap({{u'张', QStringLiteral("zhang")}, {u'三', QStringLiteral("san")}});
    CDatabase &db = store.db();
    db.saveCard(1000001, QStringLiteral("张三:1:经理:公司:地址:13800000001"), 0);
    db.saveCard(1000001, QStringLiteral("张三:1:总监:公司:地址:13800000001"), 0);
    QCOMPARE(OwnedList(db.getContact(0, QString())).column("strPost"), QStringList{"总监"});

    db.saveCard(1000001, QStringLiteral("张三:1:总监:公司:地址:13900000009"), 0);
    OwnedList own(db.getContact(0, QString()));
    QCOMPARE(own.column("strPhone"), (QStringList{"13800000001", "13900000009"}));
    QCOMPARE(own.column("iType"), (QStringList{"0", "0"}));
    QCOMPARE(OwnedList(db.getSearchContact()).column("strName"), (QStringList{"张三", "张三"}));
    QCOMPARE(db.getContactCard(QStringLiteral("13900000009"), 0),
             QStringLiteral("张三:1:总监:公司:地址:13900000009::::::::"));
    setPinyinMap({});
}

void TestContactStore::lookupsByNumber_data()
{
    QTest::addColumn<QString>("phone");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("zpid");
    QTest::newRow("exact") << "13800000002"
                           << "白"
                           << "2000002";
    QTest::newRow("national digits of a prefixed number") << "13800000006"
                                                          << "丁"
                                                          << "2000006";
    QTest::newRow("800 matches the assistant") << "800"
                                               << "ZP小秘书"
                                               << "800";
    QTest::newRow("wildcard is literal") << "%"
                                         << ""
                                         << "";
    QTest::newRow("underscore is literal") << "1380000000_"
                                           << ""
                                           << "";
    QTest::newRow("empty matches nothing") << ""
                                           << ""
                                           << "";
    QTest::newRow("unknown") << "12345"
                             << ""
                             << "";
}

void TestContactStore::lookupsByNumber()
{
    QFETCH(QString, phone);
    QFETCH(QString, name);
    QFETCH(QString, zpid);
    StoreFixture store;
    fillBook(store.db());
    QCOMPARE(store.db().getContactNameByPhone(phone), name);
    QCOMPARE(store.db().getContactZpidByPhone(phone), zpid);
}

void TestContactStore::setZpidMakesAUser()
{
    StoreFixture store;
    CDatabase &db = store.db();
    db.addContact(QStringLiteral("陈"), QStringLiteral("13800000003"), QStringLiteral("chen"));
    QCOMPARE(db.getContactNameByZpid(2000003), QString());
    db.setContactZpid(QStringLiteral("2000003"), QStringLiteral("13800000003"));
    QCOMPARE(db.getContactNameByZpid(2000003), QStringLiteral("陈"));
    QCOMPARE(db.getContactPhoneByZpid(2000003), QStringLiteral("13800000003"));
    QCOMPARE(OwnedList(db.getContact(2, QString())).column("strZpid"), QStringList{"2000003"});
    db.clearContact();
    QCOMPARE(OwnedList(db.getSearchContact()).size(), 0);
}

void TestContactStore::cloudContacts()
{
    StoreFixture store;
    CDatabase &db = store.db();
    db.addNetContact(QStringLiteral("乙"), QStringLiteral("13800000001^#010-88888888"),
                     QStringLiteral("家人"), QStringLiteral("yi"));
    db.addNetContact(QStringLiteral("甲"), QStringLiteral("13800000002"), QStringLiteral("同事"),
                     QStringLiteral("jia"));

    OwnedList shown(db.getNetContact(true));
    QCOMPARE(shown.column("strName"), (QStringList{"甲", "乙"}));
    QCOMPARE(shown.column("strPhone"), (QStringList{"13800000002", "13800000001 010-88888888"}));
    QCOMPARE(shown.column("strGroup"), (QStringList{"同事", "家人"}));

    OwnedList exported(db.getNetContact(false));
    QCOMPARE(exported.column("strPhone").at(1), QStringLiteral("13800000001^#010-88888888"));
    QCOMPARE(db.getNetContactPhone(exported.column("strId").at(1)),
             QStringLiteral("13800000001^#010-88888888"));
    QCOMPARE(db.getNetContactPhone(QStringLiteral("x")), QString());

    db.clearNetContact();
    QCOMPARE(OwnedList(db.getNetContact(true)).size(), 0);
}

QTEST_GUILESS_MAIN(TestContactStore)
#include "tst_contactstore.moc"
