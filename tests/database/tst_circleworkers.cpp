// The circle list and circle member workers against a real store file: which circles, members
// and circle messages each list leaves, the refresh list it hands back, and lists whose counts
// promise more than their bytes hold. The payloads are built with the fake service's own
// encoder and cipher, so a fault in the client's reader or cipher cannot cancel out.
#include "cdatabase.h"
#include "cparsecirclememberthread.h"
#include "cparsecirclethread.h"
#include "fakecipher.h"
#include "fakepacket.h"
#include "pinyin.h"
#include "storefixture.h"

#include <QTest>

namespace {

constexpr quint32 kMe = 1000001;
constexpr quint32 kCreator = 2000004;

struct CircleRecord
{
    quint32 iCircleId;
    quint32 iVersion;
    QString strName;
};

// One circle record of a list (the layout the service sends), from its unread first byte.
QByteArray circleRecord(const CircleRecord &c)
{
    return FakePacket(0x5A)
        .u32(c.iCircleId)
        .u32(c.iVersion)
        .str8(fakeEncrypt(c.strName.toUtf8()))
        .u8(1)
        .u8(0)
        .u32(kCreator)
        .f64(45352.5)
        .u8(2)
        .u32(3)
        .str8(QStringLiteral("简介 %1").arg(c.iCircleId).toUtf8())
        .bytes();
}

QByteArray listPayload(quint32 iCount, const QList<CircleRecord> &records, int iCutTail = 0)
{
    QByteArray ar = FakePacket(0).u32(iCount).bytes().mid(1);
    for (const CircleRecord &c : records)
        ar += circleRecord(c);
    ar.chop(iCutTail);
    return ar;
}

struct MemberRecord
{
    quint32 iZpid;
    int iRole;
    QString strCard;
};

QByteArray memberRecord(const MemberRecord &m)
{
    return FakePacket(0)
        .raw(QByteArray(4, '\x01'))
        .u32(m.iZpid)
        .u8(quint8(m.iRole))
        .blob32(fakeEncrypt(m.strCard.toUtf8()))
        .bytes();
}

QByteArray membersPayload(quint32 iCount, const QList<MemberRecord> &records, int iCutTail = 0)
{
    QByteArray ar = FakePacket(0).u32(iCount).bytes().mid(1);
    for (const MemberRecord &m : records)
        ar += memberRecord(m);
    ar.chop(iCutTail);
    return ar;
}

const QString kCreatorCard = QStringLiteral("丁:0:总监:乙公司:上海:13800000004::::::::");
const QList<MemberRecord> kThreeMembers{
    {2000002, 0, QStringLiteral("白:1:经理:甲公司:北京:13800000002::::::::")},
    {kCreator, 1, kCreatorCard},
    {0, 0, QStringLiteral("陈:1:::广州:13800000003::::::::")},
};

bool runToEnd(QThread &worker)
{
    worker.start();
    return worker.wait(60000);
}

// The store before each list: circle 77 (version 5, two members) and 78 (version 1, one
// member), each with one unread circle message.
void seed(CDatabase &db)
{
    db.addCircle(77, QStringLiteral("读书会"), kCreator, 45000, 1, 0, QString(), 2, 2, 5);
    db.addCircle(78, QStringLiteral("跑步"), kCreator, 45000, 1, 0, QString(), 2, 1, 1);
    db.saveCircleMemberCard(77, 2000002, QStringLiteral("白:1:::x:13800000002"), 0);
    db.saveCircleMemberCard(77, kCreator, kCreatorCard, 1);
    db.saveCircleMemberCard(78, 2000002, QStringLiteral("白:1:::x:13800000002"), 0);
    for (quint32 iCircle : {77u, 78u})
        QVERIFY(db.addMsgRecord(kMe, iCircle, QStringLiteral("c"), 2000002, QStringLiteral("白"),
                                {}, false, false, {}, QStringLiteral("hello"), int(iCircle), 0, 7,
                                1, {}));
}

// Every circle as "id:name:members:unread messages", in id order.
QStringList circleState(CDatabase &db)
{
    OwnedList circles(db.getCircle());
    QStringList rows;
    for (QObject *pCircle : circles.items) {
        const QString strId = pCircle->property("strId").toString();
        rows << QStringLiteral("%1:%2:%3:%4")
                    .arg(strId, pCircle->property("strName").toString())
                    .arg(db.getCircleMemberCount(strId.toUInt()))
                    .arg(db.getUnReadMsgRecord(7, strId));
    }
    rows.sort();
    return rows;
}

} // namespace

class TestCircleWorkers : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void circleList_data();
    void circleList();
    void vanishedCircleTakesItsMembersAndMessagesOnly();
    void memberList_data();
    void memberList();
    void repeatedMemberReplyReplacesMembers();
};

void TestCircleWorkers::init()
{
    setPinyinMap({{u'白', QStringLiteral("bai")},
                  {u'丁', QStringLiteral("ding")},
                  {u'陈', QStringLiteral("chen")}});
}

void TestCircleWorkers::circleList_data()
{
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QStringList>("circles");
    QTest::addColumn<QList<quint32>>("refresh");
    QTest::addColumn<bool>("complete");

    const CircleRecord same77{77, 5, QStringLiteral("读书会")};
    const CircleRecord same78{78, 1, QStringLiteral("跑步")};
    const CircleRecord changed77{77, 6, QStringLiteral("读书会二")};
    const CircleRecord new79{79, 0, QStringLiteral("新圈")};

    QTest::newRow("versions unchanged")
        << listPayload(2, {same77, same78}) << QStringList{"77:读书会:2:1", "78:跑步:1:1"}
        << QList<quint32>{} << true;
    QTest::newRow("version changed")
        << listPayload(2, {changed77, same78}) << QStringList{"77:读书会二:0:1", "78:跑步:1:1"}
        << QList<quint32>{77} << true;
    QTest::newRow("circle no longer listed")
        << listPayload(1, {same77}) << QStringList{"77:读书会:2:1"} << QList<quint32>{} << true;
    QTest::newRow("empty list") << listPayload(0, {}) << QStringList{} << QList<quint32>{} << true;
    QTest::newRow("circle id 0 skipped")
        << listPayload(3, {{0, 3, QStringLiteral("零")}, same77, same78})
        << QStringList{"77:读书会:2:1", "78:跑步:1:1"} << QList<quint32>{} << true;
    QTest::newRow("repeated id taken once")
        << listPayload(3, {changed77, same78, {77, 9, QStringLiteral("再来")}})
        << QStringList{"77:读书会二:0:1", "78:跑步:1:1"} << QList<quint32>{77} << true;
    QTest::newRow("new circle with version 0")
        << listPayload(3, {same77, same78, new79})
        << QStringList{"77:读书会:2:1", "78:跑步:1:1", "79:新圈:0:0"} << QList<quint32>{79} << true;
    // Cut short: the records that fit are taken, nothing is removed for being missing.
    QTest::newRow("count 0x7fffffff")
        << listPayload(0x7fffffff, {changed77}) << QStringList{"77:读书会二:0:1", "78:跑步:1:1"}
        << QList<quint32>{77} << false;
    QTest::newRow("truncated tail")
        << listPayload(2, {changed77, new79}, 5) << QStringList{"77:读书会二:0:1", "78:跑步:1:1"}
        << QList<quint32>{77} << false;
    QTest::newRow("negative count")
        << listPayload(0xfffffffe, {changed77}) << QStringList{"77:读书会:2:1", "78:跑步:1:1"}
        << QList<quint32>{} << false;
    QTest::newRow("no count") << QByteArray("\x01\x00", 2)
                              << QStringList{"77:读书会:2:1", "78:跑步:1:1"} << QList<quint32>{}
                              << false;
}

void TestCircleWorkers::circleList()
{
    QFETCH(QByteArray, payload);
    QFETCH(QStringList, circles);
    QFETCH(QList<quint32>, refresh);
    QFETCH(bool, complete);

    StoreFixture store;
    store.db().setLoginZpid(kMe);
    seed(store.db());

    CParseCircleThread worker(payload, store.sharedPointer());
    QVERIFY(runToEnd(worker));
    QCOMPARE(circleState(store.db()), circles);
    QCOMPARE(worker.refreshList(), refresh);
    QCOMPARE(worker.isComplete(), complete);
    // A record is stored whole or not at all.
    if (circles.contains(QStringLiteral("79:新圈:0:0"))) {
        QCOMPARE(store.db().getCircleProfile(79), QStringLiteral("简介 79"));
        QCOMPARE(store.db().getCircleCreateZpid(79), QString::number(kCreator));
        QCOMPARE(store.db().getCircleVersion(79), 0);
    }
}

void TestCircleWorkers::vanishedCircleTakesItsMembersAndMessagesOnly()
{
    StoreFixture store;
    CDatabase &db = store.db();
    db.setLoginZpid(kMe);
    seed(db);
    // Another account's circle of the same number stays.
    db.setLoginZpid(kMe + 1);
    db.addCircle(78, QStringLiteral("别人的"), kCreator, 45000, 1, 0, QString(), 2, 1, 1);
    db.saveCircleMemberCard(78, 2000002, QStringLiteral("白:1:::x:13800000002"), 0);
    db.setLoginZpid(kMe);

    CParseCircleThread worker(listPayload(1, {{77, 6, QStringLiteral("读书会")}}),
                              store.sharedPointer());
    QVERIFY(runToEnd(worker));
    QVERIFY(!db.hasCircle(78));
    QCOMPARE(db.getCircleMemberCount(78), 0);
    QCOMPARE(db.getUnReadMsgRecord(7, QStringLiteral("78")), 0);
    // The changed circle lost its members but keeps its conversation.
    QCOMPARE(db.getUnReadMsgRecord(7, QStringLiteral("77")), 1);
    db.setLoginZpid(kMe + 1);
    QVERIFY(db.hasCircle(78));
    QCOMPARE(db.getCircleMemberCount(78), 1);
}

void TestCircleWorkers::memberList_data()
{
    QTest::addColumn<quint32>("circle");
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QString>("creater");

    QTest::newRow("three members")
        << 77u << membersPayload(3, kThreeMembers) << QStringList{"丁", "白", "陈"} << kCreatorCard;
    QTest::newRow("no creator among them")
        << 77u << membersPayload(1, {kThreeMembers.at(0)}) << QStringList{"白"} << QString();
    QTest::newRow("count 0x7fffffff") << 77u << membersPayload(0x7fffffff, kThreeMembers.mid(0, 2))
                                      << QStringList{"丁", "白"} << kCreatorCard;
    QTest::newRow("truncated tail")
        << 77u << membersPayload(3, kThreeMembers, 3) << QStringList{"丁", "白"} << kCreatorCard;
    QTest::newRow("card length beyond the payload")
        << 77u
        << membersPayload(1, {}) +
               FakePacket(0).raw(QByteArray(4, 0)).u32(2000002).u8(0).u32(0x7fffffff).bytes()
        << QStringList{} << QString();
    QTest::newRow("short cards") << 77u
                                 << membersPayload(2, {{2000005, 3, QStringLiteral("戊:1:::北京")},
                                                       {2000006, 3, QStringLiteral("己")}})
                                 << QStringList{"己", "戊"} << QString();
    QTest::newRow("unknown circle")
        << 99u << membersPayload(3, kThreeMembers) << QStringList{} << QString();
    QTest::newRow("circle id 0") << 0u << membersPayload(3, kThreeMembers) << QStringList{}
                                 << QString();
}

void TestCircleWorkers::memberList()
{
    QFETCH(quint32, circle);
    QFETCH(QByteArray, payload);
    QFETCH(QStringList, names);
    QFETCH(QString, creater);

    StoreFixture store;
    CDatabase &db = store.db();
    db.setLoginZpid(kMe);
    db.addCircle(77, QStringLiteral("读书会"), kCreator, 45000, 1, 0, QString(), 2, 3, 5);

    CParseCircleMemberThread worker({{circle, payload}}, store.sharedPointer());
    QVERIFY(runToEnd(worker));
    OwnedList members(db.getCircleMember(77));
    QCOMPARE(members.column("strName"), names);
    OwnedList circles(db.getCircle());
    QCOMPARE(circles.column("strCreater"), QStringList{creater});
    QCOMPARE(db.getCircleMemberCount(0), 0);
    QCOMPARE(db.getCircleMemberCount(99), 0);
}

void TestCircleWorkers::repeatedMemberReplyReplacesMembers()
{
    StoreFixture store;
    CDatabase &db = store.db();
    db.setLoginZpid(kMe);
    db.addCircle(77, QStringLiteral("读书会"), kCreator, 45000, 1, 0, QString(), 2, 3, 5);
    db.addCircle(78, QStringLiteral("跑步"), kCreator, 45000, 1, 0, QString(), 2, 1, 1);
    const QByteArray arMembers = membersPayload(3, kThreeMembers);
    for (int i = 0; i < 2; ++i) {
        CParseCircleMemberThread worker(
            {{77, arMembers}, {78, membersPayload(1, {kThreeMembers[0]})}}, store.sharedPointer());
        QVERIFY(runToEnd(worker));
    }
    QCOMPARE(db.getCircleMemberCount(77), 3);
    QCOMPARE(db.getCircleMemberCount(78), 1);
    // A later, shorter list replaces the earlier one.
    CParseCircleMemberThread worker({{77, membersPayload(1, {kThreeMembers[1]})}},
                                    store.sharedPointer());
    QVERIFY(runToEnd(worker));
    OwnedList members(db.getCircleMember(77));
    QCOMPARE(members.column("strName"), QStringList{"丁"});
    QCOMPARE(db.getCircleMemberCount(78), 1);
}

QTEST_GUILESS_MAIN(TestCircleWorkers)
#include "tst_circleworkers.moc"
