// MsgRecord and CallRecord: storing, the conversation list, one conversation with its
// separators, unread counts, request states and the call log.
#include "cdatabase.h"
#include "storefixture.h"

#include <QTest>

namespace {

constexpr quint32 kMe = 1000001;

struct Msg
{
    quint32 iCircleId;
    quint32 iZpid;
    const char *name;
    bool bRead;
    bool bSend;
    const char *caption;
    const char *content;
    int iMsgId;
    int iState;
    int iType;
    int iSubType;
    const char *time;
};

void add(CDatabase &db, const Msg &m, quint32 iLogin = kMe)
{
    db.addMsgRecord(iLogin, m.iCircleId,
                    m.iCircleId ? QStringLiteral("圈%1").arg(m.iCircleId) : QString(), m.iZpid,
                    QString::fromUtf8(m.name), QStringLiteral("139%1").arg(m.iZpid), m.bRead,
                    m.bSend, QString::fromUtf8(m.caption), QString::fromUtf8(m.content), m.iMsgId,
                    m.iState, m.iType, m.iSubType, QString::fromUtf8(m.time));
}

// Oldest first: two people, the assistant, card requests, circle requests, a circle.
const Msg kHistory[] = {
    {0, 2000002, "白", false, false, "", "hello", 1, 1, 2, 0, "2024-01-01 10:00:00"},
    {0, 2000003, "陈", true, true, "", "old text", 2, 1, 2, 0, "2024-01-01 10:01:00"},
    {0, 800, "ZP小秘书", false, false, "", "welcome", 3, 1, 1, 0, "2024-01-01 10:02:00"},
    {0, 2000004, "安", false, false, "请求交换名片", "", 4, 0, 5, 0, "2024-01-01 10:03:00"},
    {0, 2000005, "丁", false, false, "请求交换名片", "", 5, 0, 5, 0, "2024-01-01 10:04:00"},
    {0, 2000006, "我发的", true, true, "请求交换名片", "", 6, 0, 5, 0, "2024-01-01 10:05:00"},
    {77, 2000007, "申请人", false, false, "申请加入", "", 7, 0, 6, 0, "2024-01-01 10:06:00"},
    {77, 2000002, "白", false, false, "", "circle hi", 8, 1, 7, 0, "2024-01-01 10:07:00"},
    {77, kMe, "我", true, true, "", "my circle text", 9, 1, 7, 0, "2024-01-01 10:07:30"},
    {0, 2000003, "陈", false, false, "", "unknown kind", 10, 1, 2, 4, "2024-01-01 10:08:00"},
    {0, 2000002, "白", false, false, "pic.png", "", 11, 1, 2, 2, "2024-01-01 10:09:00"},
};

} // namespace

class TestMessageStore : public QObject
{
    Q_OBJECT

private slots:
    void offlineDuplicatesAreStoredOnce();
    void offlineDuplicateKey_data();
    void offlineDuplicateKey();
    void sequenceFromSentRows();
    void sentStates_data();
    void sentStates();
    void conversationList();
    void summaries_data();
    void summaries();
    void unreadCounts_data();
    void unreadCounts();
    void listedUnreadMatchesCounts();
    void separatorsByMinute();
    void circleSenderKinds();
    void readMarksAndDeletion();
    void messageState();
    void requestStates_data();
    void requestStates();
    void cardRequests();
    void callLog();
    void callDeletion_data();
    void callDeletion();
};

void TestMessageStore::offlineDuplicatesAreStoredOnce()
{
    StoreFixture store;
    CDatabase &db = store.db();
    db.setLoginZpid(kMe);
    const Msg offline{0,         2000002, "白", false, false, "",
                      "offline", 42,      1,    2,     0,     "2024-01-01 09:00:00"};
    add(db, offline);
    add(db, offline);
    Msg live = offline;
    live.time = "";
    add(db, live);
    add(db, live);
    OwnedList list(db.getMessage(2, QStringLiteral("2000002")));
    QStringList stored;
    for (QObject *item : list.items) {
        if (!item->property("bSeparator").toBool())
            stored << item->property("strContent").toString();
    }
    // The live copies are the same message, from the same sender with the same id: one row.
    QCOMPARE(stored, QStringList{"offline"});
    QCOMPARE(db.getSentContent(42), QString());
}

void TestMessageStore::offlineDuplicateKey_data()
{
    QTest::addColumn<quint32>("login");
    QTest::addColumn<quint32>("sender");
    QTest::addColumn<bool>("sent");
    QTest::addColumn<int>("rows");
    // The first copy: account kMe, sender 2000002, received, id 42.
    QTest::newRow("the same copy again") << kMe << quint32(2000002) << false << 1;
    QTest::newRow("another sender's message with the same id")
        << kMe << quint32(2000003) << false << 2;
    QTest::newRow("our own sent message with the same id") << kMe << quint32(2000002) << true << 2;
    QTest::newRow("the same message for another account on this machine")
        << quint32(1000009) << quint32(2000002) << false << 2;
}

void TestMessageStore::offlineDuplicateKey()
{
    QFETCH(quint32, login);
    QFETCH(quint32, sender);
    QFETCH(bool, sent);
    QFETCH(int, rows);
    StoreFixture store;
    CDatabase &db = store.db();
    db.setLoginZpid(kMe);
    add(db, {0, 2000002, "白", false, false, "", "first", 42, 0, 2, 0, "2024-01-01 09:00:00"});
    add(db, {0, sender, "x", false, sent, "", "second", 42, 0, 2, 0, "2024-01-01 09:00:01"}, login);
    int iStored = 0;
    for (quint32 iLogin : {kMe, quint32(1000009)}) {
        db.setLoginZpid(iLogin);
        for (const char *pSender : {"2000002", "2000003"})
            iStored += db.getUnReadMsgRecord(2, QString::fromLatin1(pSender));
    }
    QCOMPARE(iStored, rows);
}

void TestMessageStore::sequenceFromSentRows()
{
    StoreFixture store;
    CDatabase &db = store.db();
    db.setLoginZpid(kMe);
    QCOMPARE(db.getMaxMsgId(), 0);
    add(db, {0, 2000002, "白", true, true, "", "mine", 7, 0, 2, 0, ""});
    // A peer's ids are its own counter: a large one must not move ours.
    add(db, {0, 2000003, "陈", false, false, "", "theirs", 90000, 0, 2, 0, ""});
    QCOMPARE(db.getMaxMsgId(), 7);
}

void TestMessageStore::sentStates_data()
{
    QTest::addColumn<QList<int>>("reports");
    QTest::addColumn<int>("state");
    QTest::newRow("accepted") << QList<int>{1} << 1;
    QTest::newRow("accepted then delivered") << QList<int>{1, 2} << 2;
    QTest::newRow("delivered before the late acceptance") << QList<int>{2, 1} << 2;
    QTest::newRow("given up") << QList<int>{3} << 3;
    QTest::newRow("given up, then accepted after all") << QList<int>{3, 1} << 1;
}

void TestMessageStore::sentStates()
{
    QFETCH(QList<int>, reports);
    QFETCH(int, state);
    StoreFixture store;
    CDatabase &db = store.db();
    db.setLoginZpid(kMe);
    add(db, {0, 2000002, "白", true, true, "report.doc", "file", 5, 0, 2, 3, ""});
    add(db, {0, 2000002, "白", false, false, "peer", "received", 5, 0, 2, 0, ""});
    for (int iReport : reports)
        db.setSentMsgState(5, iReport);
    OwnedList list(db.getMessage(2, QStringLiteral("2000002")));
    QStringList states;
    QStringList captions;
    for (QObject *item : list.items) {
        if (item->property("bSeparator").toBool())
            continue;
        states << item->property("iMsgState").toString();
        captions << item->property("strCaption").toString();
    }
    // Only the sent row changes, and it keeps its caption (a file name).
    QCOMPARE(states, (QStringList{QString::number(state), "0"}));
    QCOMPARE(captions, (QStringList{"report.doc", "peer"}));
}

void TestMessageStore::conversationList()
{
    StoreFixture store;
    CDatabase &db = store.db();
    db.setLoginZpid(kMe);
    for (const Msg &m : kHistory)
        add(db, m);
    OwnedList list(db.getMsgRecord());
    // 陈's newest row has a sub-kind without summary: the whole conversation stays out.
    QCOMPARE(list.column("strName"),
             (QStringList{"白", "圈77", "圈子请求消息", "名片请求消息", "ZP小秘书"}));
    QCOMPARE(list.column("strZpid"), (QStringList{"2000002", "77", "77", "2000005", "800"}));
    QCOMPARE(list.column("strMsg"),
             (QStringList{"[图片]", "my circle text", "申请加入", "丁请求交换名片", "welcome"}));
    QCOMPARE(list.column("iType"), (QStringList{"2", "7", "6", "5", "1"}));
    QCOMPARE(list.column("strTime"), (QStringList{"01-01", "01-01", "01-01", "01-01", "01-01"}));
}

void TestMessageStore::summaries_data()
{
    QTest::addColumn<int>("subType");
    QTest::addColumn<QString>("summary");
    QTest::newRow("text") << 0 << "body";
    QTest::newRow("card") << 1 << "caption";
    QTest::newRow("picture") << 2 << "[图片]";
    QTest::newRow("file") << 3 << "[文件]";
    QTest::newRow("location") << 5 << "[位置]";
}

void TestMessageStore::summaries()
{
    QFETCH(int, subType);
    QFETCH(QString, summary);
    StoreFixture store;
    store.db().setLoginZpid(kMe);
    add(store.db(), {0, 2000002, "白", true, false, "caption", "body", 1, 1, 2, subType, ""});
    QCOMPARE(OwnedList(store.db().getMsgRecord()).column("strMsg"), QStringList{summary});
}

void TestMessageStore::unreadCounts_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("count");
    QTest::newRow("person") << 2 << "2000002" << 2;
    QTest::newRow("person all read") << 2 << "2000003" << 1;
    QTest::newRow("assistant") << 1 << "800" << 1;
    QTest::newRow("card requests, received only") << 5 << "" << 2;
    QTest::newRow("circle requests") << 6 << "" << 1;
    QTest::newRow("circle") << 7 << "77" << 1;
    QTest::newRow("everything received") << 10 << "" << 8;
    QTest::newRow("non-numeric key") << 2 << "abc" << 0;
}

void TestMessageStore::unreadCounts()
{
    QFETCH(int, type);
    QFETCH(QString, key);
    QFETCH(int, count);
    StoreFixture store;
    store.db().setLoginZpid(kMe);
    for (const Msg &m : kHistory)
        add(store.db(), m);
    QCOMPARE(store.db().getUnReadMsgRecord(type, key), count);
}

// The unread figure of every row of the conversation list and of the call log is the count
// of that conversation alone, whatever other conversations and accounts hold.
void TestMessageStore::listedUnreadMatchesCounts()
{
    StoreFixture store;
    CDatabase &db = store.db();
    db.setLoginZpid(kMe);
    for (const Msg &m : kHistory) {
        add(db, m);
        add(db,
            {m.iCircleId, m.iZpid, m.name, false, false, "", "theirs", m.iMsgId + 100, 1, m.iType,
             0, m.time},
            kMe + 1);
    }
    add(db,
        {78, 2000002, "白", false, false, "", "second circle", 50, 1, 7, 0, "2024-01-01 09:00:00"});
    add(db,
        {78, 2000003, "陈", false, false, "", "second circle", 51, 1, 7, 0, "2024-01-01 09:01:00"});
    add(db, {0, 2000008, "新", false, false, "", "unread", 52, 1, 2, 0, "2024-01-01 09:02:00"});
    for (quint32 iLogin : {kMe, kMe + 1}) {
        for (const char *zpid : {"2000002", "2000002", "2000003", "2000004"})
            db.addCallRecord(iLogin, QString::fromLatin1(zpid), QStringLiteral("x"),
                             QStringLiteral("1"), QByteArray(zpid) == "2000003", 1, 2);
    }

    OwnedList list(db.getMsgRecord());
    QCOMPARE(list.size(), 7);
    QStringList unread;
    for (QObject *item : list.items) {
        const int iType = item->property("iType").toInt();
        const QString strKey =
            iType == 5 || iType == 6 ? QString() : item->property("strZpid").toString();
        QCOMPARE(item->property("iUnRead").toInt(), db.getUnReadMsgRecord(iType, strKey));
        unread << item->property("iUnRead").toString();
    }
    QCOMPARE(unread, (QStringList{"2", "1", "1", "2", "1", "1", "2"}));

    OwnedList calls(db.getCallRecord(QString()));
    QCOMPARE(calls.column("strZpid"), (QStringList{"2000004", "2000003", "2000002"}));
    QCOMPARE(calls.column("iUnRead"), (QStringList{"1", "0", "2"}));
    OwnedList person(db.getCallRecord(QStringLiteral("2000002")));
    QCOMPARE(person.column("iUnRead"), (QStringList{"2", "2"}));
}

void TestMessageStore::separatorsByMinute()
{
    StoreFixture store;
    CDatabase &db = store.db();
    db.setLoginZpid(kMe);
    const char *times[] = {"2023-05-01 08:00:01", "2023-05-01 08:00:59", "2023-05-01 08:01:00",
                           "2023-05-01 08:01:30"};
    int iMsgId = 1;
    for (const char *time : times)
        add(db, {0, 2000002, "白", true, false, "", time, iMsgId++, 1, 2, 0, time});
    OwnedList list(db.getMessage(2, QStringLiteral("2000002")));
    QCOMPARE(list.column("bSeparator"),
             (QStringList{"true", "false", "false", "true", "false", "false"}));
    QCOMPARE(list.column("strTime").at(0), QStringLiteral("2023-05-01 08:00"));
    QCOMPARE(list.column("strContent").at(3), QStringLiteral("2023-05-01 08:01:00"));
}

void TestMessageStore::circleSenderKinds()
{
    StoreFixture store;
    store.db().setLoginZpid(kMe);
    for (const Msg &m : kHistory)
        add(store.db(), m);
    OwnedList list(store.db().getMessage(7, QStringLiteral("77")));
    // Both messages fall in the same minute: one separator, then each with its sender's kind.
    QCOMPARE(list.column("strContent"), (QStringList{"circle hi", "circle hi", "my circle text"}));
    QCOMPARE(list.column("bSeparator"), (QStringList{"true", "false", "false"}));
    QCOMPARE(list.column("iType"), (QStringList{"2", "2", "0"}));
    // Request lists show only what was received.
    QCOMPARE(OwnedList(store.db().getMessage(5, QString())).column("strName"),
             (QStringList{"安", "安", "丁", "丁"}));
}

void TestMessageStore::readMarksAndDeletion()
{
    StoreFixture store;
    CDatabase &db = store.db();
    db.setLoginZpid(kMe);
    for (const Msg &m : kHistory)
        add(db, m);
    db.updateMessage(2, QStringLiteral("2000002"));
    QCOMPARE(db.getUnReadMsgRecord(2, QStringLiteral("2000002")), 0);
    QCOMPARE(db.getUnReadMsgRecord(2, QStringLiteral("2000003")), 1);
    db.updateMessage(5, QString());
    QCOMPARE(db.getUnReadMsgRecord(5, QString()), 0);

    db.delMsgRecord(7, QStringLiteral("77"));
    QCOMPARE(OwnedList(db.getMessage(7, QStringLiteral("77"))).size(), 0);
    QCOMPARE(OwnedList(db.getMessage(6, QString())).size(), 2);
    db.delMsgRecord(2, QStringLiteral("abc"));
    QCOMPARE(OwnedList(db.getMessage(2, QStringLiteral("2000002"))).size(), 4);
    db.delMsgRecord(-1, QString());
    QCOMPARE(OwnedList(db.getMsgRecord()).size(), 0);
    QCOMPARE(db.getMaxMsgId(), 0);
}

void TestMessageStore::messageState()
{
    StoreFixture store;
    CDatabase &db = store.db();
    db.setLoginZpid(kMe);
    add(db, {0, 2000002, "白", true, true, "", "sent", 5, 0, 2, 0, ""});
    add(db, {0, 2000002, "白", false, false, "", "received", 5, 0, 2, 0, ""});
    db.setMsgState(5, 3, true, QStringLiteral("file.txt"));
    OwnedList list(db.getMessage(2, QStringLiteral("2000002")));
    QCOMPARE(list.column("iMsgState"), (QStringList{"3", "3", "0"}));
    QCOMPARE(list.column("strCaption"), (QStringList{"file.txt", "file.txt", ""}));
    QCOMPARE(db.getSentContent(5), QStringLiteral("sent"));
}

void TestMessageStore::requestStates_data()
{
    QTest::addColumn<int>("state");
    QTest::addColumn<QStringList>("states");
    QTest::addColumn<QString>("ownCaption");
    // Rows: own application (-1), another's application (0), a recommendation (5, content "r1"),
    // another recommendation (5, content "r2"), in circle 77.
    QTest::newRow("agree to an application") << 1 << QStringList{"-1", "1", "5", "5"} << "我要加入";
    QTest::newRow("refuse an application") << 2 << QStringList{"-1", "2", "5", "5"} << "我要加入";
    QTest::newRow("own application accepted")
        << 3 << QStringList{"3", "0", "5", "5"} << "已同意您的加入请求";
    QTest::newRow("own application refused")
        << 4 << QStringList{"4", "0", "5", "5"} << "已拒绝您的加入请求";
    QTest::newRow("state 5 changes nothing") << 5 << QStringList{"-1", "0", "5", "5"} << "我要加入";
    QTest::newRow("agree to recommendation r1")
        << 6 << QStringList{"-1", "0", "6", "5"} << "我要加入";
    QTest::newRow("refuse recommendation r1")
        << 7 << QStringList{"-1", "0", "7", "5"} << "我要加入";
}

void TestMessageStore::requestStates()
{
    QFETCH(int, state);
    QFETCH(QStringList, states);
    QFETCH(QString, ownCaption);
    StoreFixture store;
    CDatabase &db = store.db();
    db.setLoginZpid(kMe);
    add(db, {77, kMe, "我", true, true, "我要加入", "", 1, -1, 6, 0, ""});
    add(db, {77, 2000002, "白", false, false, "申请", "", 2, 0, 6, 0, ""});
    add(db, {77, 2000003, "陈", false, false, "推荐", "r1", 3, 5, 6, 0, ""});
    add(db, {77, 2000004, "安", false, false, "推荐", "r2", 4, 5, 6, 0, ""});
    add(db, {78, 2000005, "丁", false, false, "申请", "", 5, 0, 6, 0, ""});
    db.setRequestState(6, 77, state, QStringLiteral("r1"));

    // getMessage lists received rows only; read the own application through the list of all.
    OwnedList received(db.getMessage(6, QString()));
    QStringList all;
    QStringList captions;
    for (QObject *item : received.items) {
        if (!item->property("bSeparator").toBool() &&
            item->property("strCircleId").toString() == "77") {
            all << item->property("iMsgState").toString();
            captions << item->property("strCaption").toString();
        }
    }
    if (state == 3 || state == 4) {
        // The answered application became a received notice.
        QCOMPARE(all, states);
        QCOMPARE(captions.at(0), ownCaption);
    } else {
        QCOMPARE(all, states.mid(1));
        QCOMPARE(db.getUnReadMsgRecord(6, QString()), 4);
    }
    QCOMPARE(OwnedList(db.getMessage(6, QString())).column("iMsgState").last(),
             QStringLiteral("0"));
}

void TestMessageStore::cardRequests()
{
    StoreFixture store;
    CDatabase &db = store.db();
    db.setLoginZpid(kMe);
    add(db,
        {0, 2000004, "安", false, false, "请求交换名片", "", 1, 0, 5, 0, "2024-01-01 10:00:00"});
    add(db,
        {0, 2000005, "丁", false, false, "请求交换名片", "", 2, 0, 5, 0, "2024-01-01 10:01:00"});

    db.updateCardRequest(5, 2000004, {}, {}, 1);
    OwnedList agreed(db.getMessage(5, QString()));
    QCOMPARE(agreed.column("iSubType"), (QStringList{"1", "1", "0", "0"}));

    db.updateCardRequest(5, 2000005, QStringLiteral("已交换名片"), QStringLiteral("丁一:1:::北京"),
                         3);
    OwnedList list(db.getMsgRecord());
    QCOMPARE(list.column("strMsg"), QStringList{"已交换名片"});
    OwnedList done(db.getMessage(5, QString()));
    QCOMPARE(done.column("strName").last(), QStringLiteral("丁一"));
    QCOMPARE(done.column("strContent").last(), QStringLiteral("丁一:1:::北京"));
    // A later agreement does not undo the completed exchange.
    db.updateCardRequest(5, 2000005, {}, {}, 1);
    QCOMPARE(OwnedList(db.getMessage(5, QString())).column("iSubType").last(), QStringLiteral("3"));
    db.updateCardRequest(5, 2000005, QStringLiteral("x"), QStringLiteral("y"), 2);
    QCOMPARE(OwnedList(db.getMsgRecord()).column("strMsg"), QStringList{"已交换名片"});
}

void TestMessageStore::callLog()
{
    StoreFixture store;
    CDatabase &db = store.db();
    db.setLoginZpid(kMe);
    db.addCallRecord(kMe, QStringLiteral("2000002"), QStringLiteral("白"),
                     QStringLiteral("13900000002"), false, 0, 2);
    db.addCallRecord(kMe, QStringLiteral("2000003"), QStringLiteral("陈"),
                     QStringLiteral("13900000003"), true, 65, 0);
    db.addCallRecord(kMe, QStringLiteral("2000002"), QStringLiteral("白"),
                     QStringLiteral("13900000002"), false, 0, 2);
    db.addCallRecord(kMe, QStringLiteral("2000002"), QStringLiteral("白"),
                     QStringLiteral("13900000002"), true, 12, 1);

    OwnedList log(db.getCallRecord(QString()));
    QCOMPARE(log.column("strName"), (QStringList{"白", "陈"}));
    QCOMPARE(log.column("iType"), (QStringList{"1", "0"}));
    QCOMPARE(log.column("iUnRead"), (QStringList{"2", "0"}));
    QCOMPARE(log.column("iCallTime"), (QStringList{"12", "65"}));
    QCOMPARE(db.getUnReadCallRecord(QString()), 2);

    OwnedList person(db.getCallRecord(QStringLiteral("2000002")));
    QCOMPARE(person.size(), 3);
    QVERIFY(person.column("strTime").at(0).startsWith(QStringLiteral("今天 ")));

    db.updateCallRecord(QStringLiteral("2000002"));
    QCOMPARE(db.getUnReadCallRecord(QStringLiteral("2000002")), 0);
}

void TestMessageStore::callDeletion_data()
{
    QTest::addColumn<bool>("byId");
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("left");
    QTest::newRow("six characters: one row by Id") << true << "" << 3;
    QTest::newRow("seven characters: all rows of a Zpid") << false << "2000002" << 1;
    QTest::newRow("empty: the whole log") << false << "" << 0;
    QTest::newRow("not a number") << false << "abcdefg" << 4;
}

void TestMessageStore::callDeletion()
{
    QFETCH(bool, byId);
    QFETCH(QString, key);
    QFETCH(int, left);
    StoreFixture store;
    CDatabase &db = store.db();
    db.setLoginZpid(kMe);
    for (const char *zpid : {"2000002", "2000002", "2000002", "2000003"})
        db.addCallRecord(kMe, QString::fromLatin1(zpid), QStringLiteral("x"), QStringLiteral("1"),
                         true, 1, 0);
    if (byId)
        key = QStringLiteral("%1").arg(
            OwnedList(db.getCallRecord(QStringLiteral("2000002"))).column("strId").at(0), 6,
            QLatin1Char('0'));
    db.delCallRecord(key);
    int iRows = 0;
    for (const char *zpid : {"2000002", "2000003"})
        iRows += OwnedList(db.getCallRecord(QString::fromLatin1(zpid))).size();
    QCOMPARE(iRows, left);
}

QTEST_GUILESS_MAIN(TestMessageStore)
#include "tst_messagestore.moc"
