// The address-book, presence and cloud address-book workers against a real store file: the
// rows each payload leaves, malformed payloads, one transaction per payload as a GUI reader
// sees it, and payloads that arrive for an account that is no longer signed in.
#include "cdatabase.h"
#include "cparsecontactthread.h"
#include "cparsenetcontactthread.h"
#include "cparseuserstatethread.h"
#include "cstorebatch.h"
#include "pinyin.h"
#include "storefixture.h"

#include <QLoggingCategory>
#include <QMutex>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>
#include <memory>

namespace {

constexpr quint32 kMe = 1000001;
constexpr quint32 kOther = 1000002;
const QString kMyPhone = QStringLiteral("13900000000");

enum WorkerKind
{
    ContactWorker,
    UserStateWorker,
    NetContactWorker
};

// A worker of the given kind; the presence worker takes its two lists joined by '|'.
std::unique_ptr<CParseThread> makeWorker(int iKind, const QString &strPayload,
                                         const QSharedPointer<CDatabase> &pDb)
{
    switch (iKind) {
    case ContactWorker:
        return std::make_unique<CParseContactThread>(strPayload, pDb);
    case UserStateWorker:
        return std::make_unique<CParseUserStateThread>(strPayload.section(u'|', 0, 0),
                                                       strPayload.section(u'|', 1, 1), pDb);
    default:
        return std::make_unique<CParseNetContactThread>(strPayload, pDb);
    }
}

bool runToEnd(QThread &worker)
{
    worker.start();
    return worker.wait(60000);
}

// Every address-book row but Type 4, in sort-key order, as "Type Zpid Name Phone".
QStringList contactRows(CDatabase &db)
{
    OwnedList list(db.getSearchContact());
    QStringList rows;
    for (QObject *item : list.items)
        rows << QStringLiteral("%1 %2 %3 %4")
                    .arg(item->property("iType").toInt())
                    .arg(item->property("strZpid").toString(), item->property("strName").toString(),
                         item->property("strPhone").toString());
    return rows;
}

// The cloud address book in sort-key order, as "Name|Phone|Group".
QStringList netContactRows(CDatabase &db)
{
    OwnedList list(db.getNetContact(false));
    QStringList rows;
    for (QObject *item : list.items)
        rows << QStringList{item->property("strName").toString(),
                            item->property("strPhone").toString(),
                            item->property("strGroup").toString()}
                    .join(u'|');
    return rows;
}

// Rows a GUI reader counts for each worker kind: all contacts, registered users, cloud rows.
int readerCount(int iKind, CDatabase &db)
{
    switch (iKind) {
    case ContactWorker:
        return OwnedList(db.getSearchContact()).size();
    case UserStateWorker:
        return OwnedList(db.getContact(2, QString())).size();
    default:
        return OwnedList(db.getNetContact(false)).size();
    }
}

const QString kAssistantRow = QStringLiteral("1 800 ZP小秘书 800");

QMutex g_traceMutex;
QStringList g_traces;
QtMessageHandler g_previousHandler = nullptr;

void recordTraces(QtMsgType type, const QMessageLogContext &context, const QString &strMessage)
{
    if (context.category && QByteArray(context.category).startsWith("zephon.CParse")) {
        QMutexLocker locker(&g_traceMutex);
        g_traces << QString::fromLatin1(context.category) + u' ' + strMessage;
    }
    g_previousHandler(type, context, strMessage);
}

} // namespace

class TestWorkers : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void addressBook_data();
    void addressBook();
    void presence_data();
    void presence();
    void cloudAddressBook_data();
    void cloudAddressBook();
    void readerNeverSeesHalfAPayload_data();
    void readerNeverSeesHalfAPayload();
    void otherAccountGetsNothing_data();
    void otherAccountGetsNothing();
    void batchKeptOnlyForSameAccount_data();
    void batchKeptOnlyForSameAccount();
    void tracesRunAndStop_data();
    void tracesRunAndStop();
};

void TestWorkers::initTestCase()
{
    // Main readings of the characters used below; their order differs from code-point order.
    setPinyinMap({{u'张', QStringLiteral("zhang")},
                  {u'三', QStringLiteral("san")},
                  {u'李', QStringLiteral("li")},
                  {u'四', QStringLiteral("si")},
                  {u'王', QStringLiteral("wang")},
                  {u'五', QStringLiteral("wu")},
                  {u'小', QStringLiteral("xiao")},
                  {u'秘', QStringLiteral("mi")},
                  {u'书', QStringLiteral("shu")},
                  {u'我', QStringLiteral("wo")},
                  {u'隐', QStringLiteral("yin")}});
    g_previousHandler = qInstallMessageHandler(recordTraces);
}

void TestWorkers::cleanupTestCase()
{
    qInstallMessageHandler(g_previousHandler);
}

void TestWorkers::init()
{
    QMutexLocker locker(&g_traceMutex);
    g_traces.clear();
}

void TestWorkers::addressBook_data()
{
    QTest::addColumn<QString>("payload");
    QTest::addColumn<QStringList>("rows");

    const QString strLong(CParseThread::kMaxFieldLength + 1, u'张');
    QTest::newRow("records in sort-key order, extra fields ignored")
        << "13800000001;张三:13800000002;李四;x;y:13800000003;Bob"
        << QStringList{"3 0 Bob 13800000003", "3 0 李四 13800000002", "3 0 张三 13800000001",
                       kAssistantRow};
    QTest::newRow("own number, also with a country prefix, left out")
        << "+8613900000000;我:13900000000;我:13800000001;张三"
        << QStringList{"3 0 张三 13800000001", kAssistantRow};
    QTest::newRow("first record of a number wins")
        << "13800000001;张三:13800000001;李四"
        << QStringList{"3 0 张三 13800000001", kAssistantRow};
    QTest::newRow("punctuation removed, punctuation-only name skipped")
        << "13800000001;张-三 (x):13800000002;-- !。"
        << QStringList{"3 0 张三x 13800000001", kAssistantRow};
    QTest::newRow("stray separators and empty parts")
        << "::13800000001;张三;;:;李四:13800000002;:  ;王五:13800000003:"
        << QStringList{"3 0 张三 13800000001", kAssistantRow};
    // The separators decide: after ';' the name goes on as an ignored field, and after ':'
    // as a record without a name.
    QTest::newRow("separators inside names")
        << "13800000001;张;三:13800000002;李:四"
        << QStringList{"3 0 李 13800000002", "3 0 张 13800000001", kAssistantRow};
    QTest::newRow("oversized name or phone skipped")
        << "13800000001;" + strLong + ":" + QString(300, u'1') + ";王五:13800000002;李四"
        << QStringList{"3 0 李四 13800000002", kAssistantRow};
    QTest::newRow("empty text still writes the assistant") << "" << QStringList{kAssistantRow};
}

void TestWorkers::addressBook()
{
    QFETCH(QString, payload);
    QFETCH(QStringList, rows);
    StoreFixture store;
    store.db().setLoginZpid(kMe);
    store.db().setLoginPhone(kMyPhone);
    CParseContactThread worker(payload, store.sharedPointer());
    QVERIFY(runToEnd(worker));
    QCOMPARE(contactRows(store.db()), rows);
    QCOMPARE(store.db().getContactNameByZpid(800), QStringLiteral("ZP小秘书"));
}

void TestWorkers::presence_data()
{
    QTest::addColumn<QString>("online");
    QTest::addColumn<QString>("offline");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QStringList>("cards");

    // The book before the presence reply: own card (a previous number of the user), the
    // assistant, a hidden entry and three address-book entries.
    const QString strOwn = QStringLiteral("0 1000001 我 13900000009");
    const QString strZhang = QStringLiteral("3 0 张三 13800000001");
    const QString strLi = QStringLiteral("3 0 李四 13800000002");
    const QString strWang = QStringLiteral("3 0 王五 13800000003");
    QTest::newRow("both lists mark registered users")
        << "13800000001:2000001"
        << "13800000002:2000002"
        << QStringList{"2 2000002 李四 13800000002", strWang, strOwn, "2 2000001 张三 13800000001",
                       kAssistantRow}
        << QStringList{"2000001", "2000002"};
    QTest::newRow("own card, assistant and hidden entry keep their kind")
        << "13900000009:2999999"
        << "800:2999998:13800000009:2999997"
        << QStringList{strLi, strWang, strOwn, strZhang, kAssistantRow}
        << QStringList{"2999999", "2999998", "2999997"};
    QTest::newRow("own number asks nothing")
        << "13900000000:1000001"
        << "+8613900000000:1000001" << QStringList{strLi, strWang, strOwn, strZhang, kAssistantRow}
        << QStringList();
    QTest::newRow("odd item count ignores the last phone")
        << "13800000001:2000001:13800000002"
        << "" << QStringList{strLi, strWang, strOwn, "2 2000001 张三 13800000001", kAssistantRow}
        << QStringList{"2000001"};
    QTest::newRow("zero, signed, oversized and non-numeric Zpids skipped")
        << "13800000001:0:13800000002:abc:13800000003:-5:13800000001:4294967296"
        << "13800000002: 2000002 :13800000003:2000003x:13800000001:+7"
        << QStringList{"2 2000002 李四 13800000002", strWang, strOwn, strZhang, kAssistantRow}
        << QStringList{"2000002"};
    QTest::newRow("empty parts skipped")
        << "::2000001:13800000001:"
        << ":" << QStringList{strLi, strWang, strOwn, strZhang, kAssistantRow} << QStringList();
    QTest::newRow("user listed twice asked once, unknown number still asked")
        << "13800000001:2000001:13700000000:2000007"
        << "13800000001:2000001"
        << QStringList{strLi, strWang, strOwn, "2 2000001 张三 13800000001", kAssistantRow}
        << QStringList{"2000001", "2000007"};
    QTest::newRow("both empty") << ""
                                << ""
                                << QStringList{strLi, strWang, strOwn, strZhang, kAssistantRow}
                                << QStringList();
}

void TestWorkers::presence()
{
    QFETCH(QString, online);
    QFETCH(QString, offline);
    QFETCH(QStringList, rows);
    QFETCH(QStringList, cards);
    StoreFixture store;
    CDatabase &db = store.db();
    db.setLoginZpid(kMe);
    db.setLoginPhone(kMyPhone);
    db.saveCard(kMe, QStringLiteral("我:1::::13900000009"), 0);
    db.replaceContact(0, QStringLiteral("隐"), {}, {}, {}, {}, QStringLiteral("13800000009"), {},
                      {}, {}, {}, {}, {}, {}, {}, QStringLiteral("yin"), 4);
    CParseContactThread book(QStringLiteral("13800000001;张三:13800000002;李四:13800000003;王五"),
                             store.sharedPointer());
    QVERIFY(runToEnd(book));

    CParseUserStateThread worker(online, offline, store.sharedPointer());
    QSignalSpy spy(&worker, &CParseUserStateThread::getCard);
    QVERIFY(runToEnd(worker));
    QCOMPARE(contactRows(db), rows);
    QStringList asked;
    for (const QList<QVariant> &arguments : std::as_const(spy)) {
        QCOMPARE(arguments.at(1).toInt(), 1);
        asked << arguments.at(0).toString();
    }
    QCOMPARE(asked, cards);
}

void TestWorkers::cloudAddressBook_data()
{
    QTest::addColumn<QString>("payload");
    QTest::addColumn<QStringList>("rows");

    const QStringList oldCopy{"旧|13700000000|x"};
    QTest::newRow("replaces the stored copy, several numbers kept joined")
        << "13800000001;张三;同事:13800000002^#010-1;李四;家人"
        << QStringList{"李四|13800000002^#010-1|家人", "张三|13800000001|同事"};
    QTest::newRow("a repeated entry stored once")
        << "13800000001;张三;同事:13800000001;张三;同事:13800000001;李四;同事: 13800000001 "
           ";张三;同事"
        << QStringList{"李四|13800000001|同事", "张三|13800000001|同事"};
    QTest::newRow("short, phoneless and empty records skipped, empty name kept")
        << "13800000001;张三:13800000002;;同事:;王五;x: ;李四;y:::"
        << QStringList{"|13800000002|同事"};
    QTest::newRow("extra fields ignored")
        << "13800000001;张三;同事;more;fields" << QStringList{"张三|13800000001|同事"};
    // A ';' in a name pushes the rest of the name into the group; a ':' starts a record.
    QTest::newRow("separators inside a name")
        << "13800000001;张;三;同事:13800000002;李:四;家人" << QStringList{"张|13800000001|三"};
    QTest::newRow("oversized field skipped")
        << "13800000001;张三;" + QString(300, u'x') + ":13800000002;李四;家人"
        << QStringList{"李四|13800000002|家人"};
    QTest::newRow("empty text keeps the stored copy") << "" << oldCopy;
    QTest::newRow("text without a usable record keeps the stored copy")
        << "garbage:;;:13800000001;张三" << oldCopy;
}

void TestWorkers::cloudAddressBook()
{
    QFETCH(QString, payload);
    QFETCH(QStringList, rows);
    StoreFixture store;
    store.db().setLoginZpid(kMe);
    store.db().addNetContact(QStringLiteral("旧"), QStringLiteral("13700000000"),
                             QStringLiteral("x"), QStringLiteral("jiu"));
    CParseNetContactThread worker(payload, store.sharedPointer());
    QVERIFY(runToEnd(worker));
    QCOMPARE(netContactRows(store.db()), rows);
}

void TestWorkers::readerNeverSeesHalfAPayload_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("payload");
    QTest::addColumn<int>("before");
    QTest::addColumn<int>("after");

    QStringList book;
    QStringList pairs;
    for (int i = 0; i < 4000; ++i) {
        const QString strPhone = QStringLiteral("138%1").arg(i, 8, 10, QLatin1Char('0'));
        book << strPhone + QStringLiteral(";张三") + QString::number(i);
        pairs << strPhone << QString::number(2000000 + i);
    }
    QStringList cloud;
    for (int i = 0; i < 8000; ++i)
        cloud << QStringLiteral("139%1;李四%1;同事").arg(i, 8, 10, QLatin1Char('0'));
    QTest::newRow("address book") << int(ContactWorker) << book.join(u':') << 0 << 4001;
    QTest::newRow("presence") << int(UserStateWorker) << pairs.join(u':') + u'|' << 0 << 4000;
    QTest::newRow("cloud address book") << int(NetContactWorker) << cloud.join(u':') << 1 << 8000;
}

void TestWorkers::readerNeverSeesHalfAPayload()
{
    QFETCH(int, kind);
    QFETCH(QString, payload);
    QFETCH(int, before);
    QFETCH(int, after);
    StoreFixture store;
    CDatabase &db = store.db();
    db.setLoginZpid(kMe);
    if (kind == UserStateWorker) {
        // The numbers the presence reply names are in the book already.
        QStringList book;
        for (int i = 0; i < 4000; ++i)
            book << QStringLiteral("138%1;张三").arg(i, 8, 10, QLatin1Char('0'));
        CParseContactThread fill(book.join(u':'), store.sharedPointer());
        QVERIFY(runToEnd(fill));
    } else if (kind == NetContactWorker) {
        db.addNetContact(QStringLiteral("旧"), QStringLiteral("13700000000"), QString(), {});
    }
    QCOMPARE(readerCount(kind, db), before);

    std::unique_ptr<CParseThread> worker = makeWorker(kind, payload, store.sharedPointer());
    worker->start();
    QSet<int> seen;
    while (!worker->isFinished())
        seen.insert(readerCount(kind, db));
    QVERIFY(worker->wait(60000));
    seen.insert(readerCount(kind, db));
    QList<int> counts = seen.values();
    std::sort(counts.begin(), counts.end());
    QStringList texts;
    for (int iCount : std::as_const(counts))
        texts << QString::number(iCount);
    QVERIFY2(seen.contains(after) && (seen - QSet<int>{before, after}).isEmpty(),
             qPrintable(QStringLiteral("counts read: ") + texts.join(u',')));
}

void TestWorkers::otherAccountGetsNothing_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("payload");
    QTest::addColumn<QString>("when");

    const QString strBook = QStringLiteral("13800000001;张三:13800000002;李四");
    const QString strPresence = QStringLiteral("13800000005:2000005|");
    const QString strCloud = QStringLiteral("13800000001;张三;同事");
    const struct
    {
        int iKind;
        QString strName;
        QString strPayload;
    } kinds[] = {{ContactWorker, QStringLiteral("address book"), strBook},
                 {UserStateWorker, QStringLiteral("presence"), strPresence},
                 {NetContactWorker, QStringLiteral("cloud"), strCloud}};
    for (const auto &kind : kinds) {
        for (const char *when : {"signed out before start", "other account before start",
                                 "signed out while waiting for the store", "made before sign-in"})
            QTest::addRow("%s, %s", qPrintable(kind.strName), when)
                << kind.iKind << kind.strPayload << QString::fromLatin1(when);
    }
}

void TestWorkers::otherAccountGetsNothing()
{
    QFETCH(int, kind);
    QFETCH(QString, payload);
    QFETCH(QString, when);
    StoreFixture store;
    CDatabase &db = store.db();
    // What the previous account left: one book entry (the presence payload names it) and a
    // cloud copy.
    db.setLoginZpid(when == "made before sign-in" ? 0 : kMe);
    db.replaceContact(0, QStringLiteral("王五"), {}, {}, {}, {}, QStringLiteral("13800000005"), {},
                      {}, {}, {}, {}, {}, {}, {}, QStringLiteral("wangwu"), 3);
    db.addNetContact(QStringLiteral("旧"), QStringLiteral("13700000000"), QStringLiteral("x"), {});
    const QStringList contactsBefore = contactRows(db);
    const QStringList cloudBefore = netContactRows(db);

    std::unique_ptr<CParseThread> worker = makeWorker(kind, payload, store.sharedPointer());
    QSignalSpy spy(worker.get(), &QThread::finished);
    std::unique_ptr<QSignalSpy> cardSpy;
    if (auto *pPresence = qobject_cast<CParseUserStateThread *>(worker.get()))
        cardSpy = std::make_unique<QSignalSpy>(pPresence, &CParseUserStateThread::getCard);

    if (when == "signed out before start") {
        db.setLoginZpid(0);
        QVERIFY(runToEnd(*worker));
    } else if (when == "other account before start") {
        db.setLoginZpid(kOther);
        QVERIFY(runToEnd(*worker));
    } else if (when == "signed out while waiting for the store") {
        // Another batch holds the store; the worker either waits for it or has not reached
        // its batch yet when the account goes. Either way it must write nothing.
        db.beginTransaction(QStringLiteral("Zephon.db"));
        worker->start();
        QThread::msleep(50);
        db.setLoginZpid(0);
        db.commitTransaction(QStringLiteral("Zephon.db"));
        QVERIFY(worker->wait(60000));
    } else {
        db.setLoginZpid(kMe);
        QVERIFY(runToEnd(*worker));
    }
    QTRY_COMPARE(spy.size(), 1);
    QCOMPARE(contactRows(db), contactsBefore);
    QCOMPARE(netContactRows(db), cloudBefore);
    if (cardSpy)
        QCOMPARE(cardSpy->size(), 0);
}

void TestWorkers::batchKeptOnlyForSameAccount_data()
{
    QTest::addColumn<uint>("madeFor");
    QTest::addColumn<uint>("signedIn");
    QTest::addColumn<bool>("kept");
    QTest::newRow("same account") << uint(kMe) << uint(kMe) << true;
    QTest::newRow("another account") << uint(kMe) << uint(kOther) << false;
    QTest::newRow("signed out") << uint(kMe) << 0u << false;
    QTest::newRow("never signed in") << 0u << 0u << false;
}

void TestWorkers::batchKeptOnlyForSameAccount()
{
    QFETCH(uint, madeFor);
    QFETCH(uint, signedIn);
    QFETCH(bool, kept);
    StoreFixture store;
    std::shared_ptr<CDatabase> pDb = store.shared();
    pDb->setLoginZpid(madeFor);
    // The account changes in the middle of a batch on another thread.
    bool bKept = !kept;
    std::unique_ptr<QThread> thread(QThread::create([pDb, madeFor, signedIn, &bKept] {
        CStoreBatch batch(*pDb);
        pDb->addNetContact(QStringLiteral("张三"), QStringLiteral("13800000001"), {}, {});
        pDb->addContact(QStringLiteral("李四"), QStringLiteral("13800000002"), {});
        pDb->setLoginZpid(signedIn);
        bKept = batch.commitForAccount(madeFor);
    }));
    QVERIFY(runToEnd(*thread));
    QCOMPARE(bKept, kept);
    QCOMPARE(netContactRows(*pDb).size(), kept ? 1 : 0);
    QCOMPARE(contactRows(*pDb).size(), kept ? 1 : 0);
    // The store is free again for the next batch.
    {
        CStoreBatch next(*pDb);
        pDb->addNetContact(QStringLiteral("王五"), QStringLiteral("13800000003"), {}, {});
        QVERIFY(next.commit());
    }
    QCOMPARE(netContactRows(*pDb).size(), kept ? 2 : 1);
}

void TestWorkers::tracesRunAndStop_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("className");
    QTest::newRow("address book") << int(ContactWorker) << "CParseContactThread";
    QTest::newRow("presence") << int(UserStateWorker) << "CParseUserStateThread";
    QTest::newRow("cloud address book") << int(NetContactWorker) << "CParseNetContactThread";
}

void TestWorkers::tracesRunAndStop()
{
    QFETCH(int, kind);
    QFETCH(QString, className);
    QLoggingCategory::setFilterRules(QStringLiteral("zephon.CParse*.debug=true"));
    StoreFixture store;
    store.db().setLoginZpid(kMe);
    std::unique_ptr<CParseThread> worker =
        makeWorker(kind, QStringLiteral("13800000001;张三;同事|"), store.sharedPointer());
    QVERIFY(runToEnd(*worker));
    worker.reset();
    QLoggingCategory::setFilterRules(QString());
    QMutexLocker locker(&g_traceMutex);
    const QString strCategory = QStringLiteral("zephon.") + className + u' ';
    QCOMPARE(g_traces.first(), strCategory + className + QStringLiteral(" run"));
    QCOMPARE(g_traces.last(), strCategory + className + QStringLiteral(" stop"));
}

QTEST_GUILESS_MAIN(TestWorkers)
#include "tst_workers.moc"
