// Circles through Core as the running client wires them: the circle list and member replies
// from the fake service on loopback through the workers and a real SQLite store to the
// published lists, the member changes, recommendations and searches as the bytes the service
// receives, the search hits as rows, and the circle parts of messaging.
#include <QLoggingCategory>
#include <QMutex>
#include <QQmlContext>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include "cdatabase.h"
#include "cnetwork.h"
#include "codes.h"
#include "core.h"
#include "corefixture.h"
#include "csessionstate.h"
#include "fakecipher.h"
#include "fakepacket.h"
#include "fakeservice.h"

namespace {

constexpr quint32 kMe = 1234567;
constexpr quint32 kCreator = 2000004;
constexpr quint32 kStranger = 2000009;

struct CircleRecord
{
    quint32 iCircleId;
    quint32 iVersion;
    QString strName;
};

QByteArray circleList(const QList<CircleRecord> &records)
{
    FakePacket list(0);
    list.u32(quint32(records.size()));
    for (const CircleRecord &c : records)
        list.u8(0x5A)
            .u32(c.iCircleId)
            .u32(c.iVersion)
            .str8(fakeEncrypt(c.strName.toUtf8()))
            .u8(1)
            .u8(0)
            .u32(kCreator)
            .f64(45352.5)
            .u8(2)
            .u32(2)
            .str8("");
    return list.bytes().mid(1);
}

// A 93 reply carrying the list.
QByteArray circleReply(const QList<CircleRecord> &records)
{
    return FakePacket(Codes::CmdCircle).u32(kMe).u8(0).u8(0).u32(0).raw(circleList(records));
}

// A 94 reply: the member names (cards with only a name), the first one the creator.
QByteArray memberReply(quint32 iCircleId, const QStringList &names, quint8 iStatus = 0)
{
    FakePacket members(0);
    members.u32(quint32(names.size()));
    for (int i = 0; i < names.size(); ++i)
        members.raw(QByteArray(5, '\0'))
            .u32(i == 0 ? kCreator : 3000000 + quint32(i))
            .u8(i == 0 ? 1 : 0)
            .blob32(fakeEncrypt((names.at(i) + QStringLiteral(":1:::::::::::")).toUtf8()));
    return FakePacket(Codes::CmdCircleMember)
        .u32(kMe)
        .u8(0)
        .u32(iCircleId)
        .u8(iStatus)
        .u32(0)
        .raw(members.bytes().mid(1));
}

// The circle ids of the member requests (94) the service received.
QList<quint32> memberRequests(const FakeService &fake)
{
    QList<quint32> ids;
    for (const QByteArray &ar : fake.packets(Codes::CmdCircleMember, FakeService::Sub))
        ids << quint32(FakePacket::u32At(ar, 6));
    return ids;
}

// A member change (92) as "type|circle|user type|zpid=card|...".
QString memberChange(const QByteArray &ar)
{
    QStringList parts{QString::number(quint8(ar.at(5))), QString::number(FakePacket::u32At(ar, 6))};
    const qint64 iCount = FakePacket::u32At(ar, 10);
    int iPos = 18;
    QString strUserType;
    for (qint64 i = 0; i < iCount && iPos + 10 <= ar.size(); ++i) {
        const qint64 iZpid = FakePacket::u32At(ar, iPos + 1);
        strUserType = QString::number(quint8(ar.at(iPos + 5)));
        const qint64 iLength = FakePacket::u32At(ar, iPos + 6);
        parts << QStringLiteral("%1=%2").arg(iZpid).arg(
            fakeDecryptText(ar.mid(iPos + 10, int(iLength))));
        iPos += 10 + int(iLength);
    }
    parts.insert(2, strUserType);
    return parts.join(u'|');
}

// A search request (95) as "type|key=value|...".
QString searchRequest(const QByteArray &ar)
{
    QStringList parts{QString::number(quint8(ar.at(5)))};
    int iPos = 7;
    for (int i = 0; i < quint8(ar.at(6)) && iPos + 2 <= ar.size(); ++i) {
        const int iLength = quint8(ar.at(iPos + 1));
        parts << QStringLiteral("%1=%2")
                     .arg(quint8(ar.at(iPos)))
                     .arg(QString::fromUtf8(ar.mid(iPos + 2, iLength)));
        iPos += 2 + iLength;
    }
    return parts.join(u'|');
}

QMutex g_traceMutex;
QStringList g_traces;
QtMessageHandler g_previousHandler = nullptr;

void recordTraces(QtMsgType type, const QMessageLogContext &context, const QString &strMessage)
{
    if (context.category && QByteArray(context.category).startsWith("zephon.CParseCircle")) {
        QMutexLocker locker(&g_traceMutex);
        g_traces << QString::fromLatin1(context.category) + u' ' + strMessage;
    }
    g_previousHandler(type, context, strMessage);
}

int tracesOf(const QString &strTrace)
{
    QMutexLocker locker(&g_traceMutex);
    return int(g_traces.count(strTrace));
}

} // namespace

class TestCoreCircles : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void memberWorkerStartsOnceAfterTheLastReply();
    void refusedMemberReplyEndsTheWait();
    void listDuringARunningWorkerRunsNext();
    void memberChanges_data();
    void memberChanges();
    void memberChangeOfUnknownMemberSendsNothing_data();
    void memberChangeOfUnknownMemberSendsNothing();
    void checkedContactsAddedAndRecommended();
    void userSearchKey_data();
    void userSearchKey();
    void circleSearchHits();
    void userSearchHits();
    void rootSignalsReachTheService_data();
    void rootSignalsReachTheService();
    void circleListAskedAgainAfterNotices_data();
    void circleListAskedAgainAfterNotices();
    void answeredApplication_data();
    void answeredApplication();
    void circleNamesBringNoLinksIntoCaptions();

private:
    void signIn();
    // A property of every row of a list, day separators left out.
    QStringList column(const char *pName, const char *pProperty) const;
    // Circle 77 with the creator (role 1) and member Bai, as the workers store them.
    void storeCircle77();
    QString memberRowId(const QString &strName) const;
    int circleRequests() const
    {
        return int(m_fake.packets(Codes::CmdCircle, FakeService::Sub).size());
    }

    QTemporaryDir m_home;
    std::unique_ptr<QTemporaryDir> m_pDir;
    FakeService m_fake;
    FakeService::AddressBook m_book;
    CoreFixture m_fx;
};

void TestCoreCircles::initTestCase()
{
    QVERIFY(m_home.isValid());
    QVERIFY(CoreFixture::enterFolder(m_home.path()));
    FakeService::Account account;
    account.iZpid = kMe;
    account.strLoginId = QString::number(kMe);
    account.strPassword = QStringLiteral("secret");
    account.strPhone = QStringLiteral("13800000000");
    QVERIFY(CoreFixture::serve(m_fake, account));
    m_book.strangers.insert(kStranger, QStringLiteral("Zhou:1:::x:13900000009"));
    QLoggingCategory::setFilterRules(QStringLiteral("zephon.CParseCircle*.debug=true"));
    g_previousHandler = qInstallMessageHandler(recordTraces);
}

void TestCoreCircles::cleanupTestCase()
{
    qInstallMessageHandler(g_previousHandler);
}

void TestCoreCircles::init()
{
    m_fake.clearReceived();
    m_fake.serveAddressBook(m_book);
    m_fake.serveMessages({});
    {
        QMutexLocker locker(&g_traceMutex);
        g_traces.clear();
    }
    m_pDir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_pDir->isValid());
    QVERIFY(QDir::setCurrent(m_pDir->path()));
    m_fx.start();
}

void TestCoreCircles::cleanup()
{
    m_fx.stop();
    QDir::setCurrent(m_home.path());
    m_pDir.reset();
}

void TestCoreCircles::signIn()
{
    m_fx.signIn(QString::number(kMe), QStringLiteral("secret"));
    // The session asks for the circle list once it is up.
    QTRY_COMPARE(circleRequests(), 1);
}

QStringList TestCoreCircles::column(const char *pName, const char *pProperty) const
{
    QStringList values;
    for (QObject *pRow : m_fx.list(pName)) {
        // The day separators of a message list are not messages.
        if (!pRow->property("bSeparator").toBool())
            values << pRow->property(pProperty).toString();
    }
    return values;
}

void TestCoreCircles::storeCircle77()
{
    CDatabase &db = *m_fx.core()->database();
    db.addCircle(77, QStringLiteral("Books"), kCreator, 45000, 1, 0, QString(), 2, 2, 5);
    db.saveCircleMemberCard(77, kCreator, QStringLiteral("Ding:0:Boss:Acme:x:13800000004"), 1);
    db.saveCircleMemberCard(
        77, 2000002, QStringLiteral("Bai:1:Mgr:Old Co:Beijing:13800000002:010-2:b@x::::::"), 0);
}

QString TestCoreCircles::memberRowId(const QString &strName) const
{
    for (QObject *pRow : m_fx.core()->database()->getCircleMember(77)) {
        const bool bMatch = pRow->property("strName").toString() == strName;
        const QString strId = pRow->property("strId").toString();
        delete pRow;
        if (bMatch)
            return strId;
    }
    return QString();
}

void TestCoreCircles::memberWorkerStartsOnceAfterTheLastReply()
{
    signIn();
    // The screens show circle 78; the last member change named another one.
    m_fx.core()->getCircleMember(QStringLiteral("78"));
    sessionState().iLastCircleId = 77;
    m_fake.pushSub(circleReply({{77, 1, QStringLiteral("Books")}, {78, 1, QStringLiteral("Run")}}));
    QTRY_COMPARE(memberRequests(m_fake), (QList<quint32>{77, 78}));
    QCOMPARE(column("circleModel", "strName"), (QStringList{"Books", "Run"}));

    m_fake.pushSub(memberReply(77, {"Ding", "Bai", "Chen"}));
    // The payload waits for the other circle's reply.
    QTest::qWait(200);
    QCOMPARE(tracesOf("zephon.CParseCircleMemberThread CParseCircleMemberThread run"), 0);
    QCOMPARE(m_fx.core()->getCircleMemberCount(QStringLiteral("77")), 0);

    m_fake.pushSub(memberReply(78, {"Ding", "An"}));
    QTRY_COMPARE(column("circlememberModel", "strName"), (QStringList{"Ding", "An"}));
    QCOMPARE(m_fx.core()->getCircleMemberCount(QStringLiteral("77")), 3);
    QCOMPARE(tracesOf("zephon.CParseCircleMemberThread CParseCircleMemberThread run"), 1);
    QVERIFY(column("circleModel", "strCreater").at(0).startsWith(QStringLiteral("Ding:")));
}

void TestCoreCircles::refusedMemberReplyEndsTheWait()
{
    signIn();
    m_fx.core()->getCircleMember(QStringLiteral("78"));
    m_fake.pushSub(circleReply({{77, 1, QStringLiteral("Books")}, {78, 1, QStringLiteral("Run")}}));
    QTRY_COMPARE(memberRequests(m_fake).size(), 2);
    m_fake.pushSub(memberReply(78, {"Ding", "An"}));
    m_fake.pushSub(memberReply(77, {}, 4));
    QTRY_COMPARE(column("circlememberModel", "strName"), (QStringList{"Ding", "An"}));
    QCOMPARE(m_fx.core()->getCircleMemberCount(QStringLiteral("77")), 0);
}

void TestCoreCircles::listDuringARunningWorkerRunsNext()
{
    signIn();
    // Two lists before the event loop runs again: the second is kept while the first runs.
    // The first cleared circle 77 (new); to the second it looks unchanged, yet its members
    // must be asked for.
    m_fx.core()->slot_onParseCircle(circleList({{77, 1, QStringLiteral("Books")}}));
    m_fx.core()->slot_onParseCircle(
        circleList({{77, 1, QStringLiteral("Books")}, {78, 1, QStringLiteral("Run")}}));
    QTRY_COMPARE(column("circleModel", "strName"), (QStringList{"Books", "Run"}));
    QTRY_COMPARE(memberRequests(m_fake), (QList<quint32>{77, 78}));
    QCOMPARE(tracesOf("zephon.CParseCircleThread CParseCircleThread run"), 2);
}

void TestCoreCircles::memberChanges_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("member");
    QTest::addColumn<QStringList>("typed"); // name, phone, company
    QTest::addColumn<QString>("sent");

    QTest::newRow("add by name") << 0 << QString() << QStringList{"Li", "138", "Acme"}
                                 << "0|77|0|0=Li:::Acme::138";
    QTest::newRow("add with separators") << 0 << QString() << QStringList{"Li:Wu", "138;9", "A:B"}
                                         << QStringLiteral("0|77|0|0=Li：Wu:::A：B::138；9");
    QTest::newRow("edit") << 1 << "Bai" << QStringList{"Bai Lin", "", "New:Co"}
                          << QStringLiteral("1|77|3|2000002=Bai Lin:1:Mgr:New：Co:Beijing:"
                                            "13800000002:010-2:b@x::::::");
    QTest::newRow("edit with phone")
        << 3 << "Bai" << QStringList{"Bai", "13900000001", "Old Co"}
        << "3|77|3|2000002=Bai:1:Mgr:Old Co:Beijing:13900000001:010-2:b@x:::::::13800000002";
    QTest::newRow("edit the creator") << 1 << "Ding" << QStringList{"Ding", "", "Acme"}
                                      << "1|77|2|2000004=Ding:0:Boss:Acme:x:13800000004::::::::";
    QTest::newRow("remove")
        << 2 << "Bai" << QStringList{}
        << "2|77|0|2000002=Bai:1:Mgr:Old Co:Beijing:13800000002:010-2:b@x::::::";
}

void TestCoreCircles::memberChanges()
{
    QFETCH(int, kind);
    QFETCH(QString, member);
    QFETCH(QStringList, typed);
    QFETCH(QString, sent);
    typed.resize(3);

    signIn();
    storeCircle77();
    const QString strId = member.isEmpty() ? QString() : memberRowId(member);
    QVERIFY(member.isEmpty() || !strId.isEmpty());
    m_fx.core()->modifyCircleMember(kind, QStringLiteral("77"), strId, typed.at(0), typed.at(1),
                                    typed.at(2));
    QTRY_COMPARE(m_fake.packets(Codes::CmdModifyCircleMember, FakeService::Sub).size(), 1);
    QCOMPARE(memberChange(m_fake.packets(Codes::CmdModifyCircleMember, FakeService::Sub).first()),
             sent);
    QVERIFY(sessionState().mapPendingMembers.isEmpty());
}

void TestCoreCircles::memberChangeOfUnknownMemberSendsNothing_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("id");
    for (int iKind : {1, 2, 3}) {
        QTest::addRow("kind %d, no such row", iKind) << iKind << QStringLiteral("999");
        QTest::addRow("kind %d, no row id", iKind) << iKind << QString();
    }
}

void TestCoreCircles::memberChangeOfUnknownMemberSendsNothing()
{
    QFETCH(int, kind);
    QFETCH(QString, id);
    signIn();
    storeCircle77();
    QSignalSpy answered(m_fx.core(), &Core::sig_modifyCircleMember);
    m_fx.core()->modifyCircleMember(kind, QStringLiteral("77"), id, QStringLiteral("X"),
                                    QStringLiteral("1"), QStringLiteral("Y"));
    QCOMPARE(answered.size(), 1);
    QCOMPARE(answered.first().at(0).toInt(), kind);
    QVERIFY(answered.first().at(1).toInt() != 0);
    QCOMPARE(answered.first().at(2).toString(), QStringLiteral("77"));
    // A request would have left at once; give the socket a moment all the same.
    QTest::qWait(100);
    QVERIFY(m_fake.packets(Codes::CmdModifyCircleMember, FakeService::Sub).isEmpty());
}

void TestCoreCircles::checkedContactsAddedAndRecommended()
{
    signIn();
    storeCircle77();
    CDatabase &db = *m_fx.core()->database();
    // A registered contact whose name holds the card separator, and one left unchecked.
    db.addContact(QStringLiteral("Wang:Wu"), QStringLiteral("13800000005"), QStringLiteral("wang"));
    db.setContactZpid(QStringLiteral("2000005"), QStringLiteral("13800000005"));
    db.addContact(QStringLiteral("Zhao"), QStringLiteral("13800000006"), QStringLiteral("zhao"));
    m_fx.core()->getSelect(1, QStringLiteral("77"));
    QCOMPARE(column("selectModel", "strName"), (QStringList{"Wang:Wu", "Zhao"}));
    m_fx.list("selectModel").first()->setProperty("bChecked", true);

    m_fx.core()->modifyCircleMember(4, QStringLiteral("77"));
    QTRY_COMPARE(m_fake.packets(Codes::CmdModifyCircleMember, FakeService::Sub).size(), 1);
    const QString strSent =
        memberChange(m_fake.packets(Codes::CmdModifyCircleMember, FakeService::Sub).first());
    QVERIFY2(strSent.startsWith(QStringLiteral("0|77|0|2000005=Wang：Wu:")), qPrintable(strSent));
    QVERIFY2(strSent.contains(QStringLiteral(":13800000005:")), qPrintable(strSent));
    QCOMPARE(strSent.count(u'='), 1);

    m_fx.core()->recommendFromContact(QStringLiteral("77"), QStringLiteral("Books"), 1);
    QTRY_COMPARE(m_fake.packets(Codes::CmdApplyCircle, FakeService::Sub).size(), 1);
    const QByteArray arApply = m_fake.packets(Codes::CmdApplyCircle, FakeService::Sub).first();
    QCOMPARE(quint8(arApply.at(5)), quint8(Codes::ApplyInvite));
    QCOMPARE(FakePacket::u32At(arApply, 6), qint64(77));
    QCOMPARE(fakeDecryptText(arApply.mid(11, quint8(arApply.at(10)))),
             QStringLiteral("2000005:Wang：Wu:13800000005:"));
}

void TestCoreCircles::userSearchKey_data()
{
    QTest::addColumn<bool>("users");
    QTest::addColumn<QString>("condition");
    QTest::addColumn<QString>("sent");
    QTest::newRow("zpid") << true << "1234567"
                          << "1|4=1234567";
    QTest::newRow("mobile") << true << "13812345678"
                            << "1|3=13812345678";
    QTest::newRow("circle name") << false << "书"
                                 << "0|0=书";
}

void TestCoreCircles::userSearchKey()
{
    QFETCH(bool, users);
    QFETCH(QString, condition);
    QFETCH(QString, sent);
    signIn();
    if (users)
        m_fx.core()->searchCircleUser(condition);
    else
        m_fx.core()->searchCircle(condition);
    QTRY_COMPARE(m_fake.packets(Codes::CmdSearchCircle, FakeService::Sub).size(), 1);
    QCOMPARE(searchRequest(m_fake.packets(Codes::CmdSearchCircle, FakeService::Sub).first()), sent);
}

void TestCoreCircles::circleSearchHits()
{
    signIn();
    storeCircle77();
    auto hit = [](FakePacket &p, quint32 iCircle, const QString &strName, quint32 iCreator) {
        p.u8(0)
            .u32(iCircle)
            .u32(0)
            .str8(fakeEncrypt(strName.toUtf8()))
            .u8(2)
            .u8(0)
            .u32(iCreator)
            .raw(QByteArray(8, '\0'))
            .u32(12);
    };
    FakePacket reply(Codes::CmdSearchCircle);
    // Three announced, two whole: the known circle, one by a stranger, and a cut third.
    reply.u32(kMe).u8(0).u8(0).u32(3);
    hit(reply, 77, QStringLiteral("Books"), kCreator);
    hit(reply, 90, QStringLiteral("Far"), kStranger);
    reply.u8(0).u32(91);
    // The stranger's card is held back until the test sends it.
    m_fake.addressBook().strangers.clear();
    m_fake.pushSub(reply);

    QTRY_COMPARE(column("searchcircleModel", "strName"), (QStringList{"Books", "Far"}));
    QCOMPARE(column("searchcircleModel", "iUserType"), (QStringList{"2", "3"}));
    QCOMPARE(column("searchcircleModel", "iUserCount"), (QStringList{"12", "12"}));
    QCOMPARE(column("searchcircleModel", "strCreater").at(0),
             QStringLiteral("Ding:0:Boss:Acme:x:13800000004::::::::"));
    // The stranger's card is asked for; the row shows no creator until it comes.
    QTRY_COMPARE(m_fake.packets(Codes::CmdStrangeCard, FakeService::Sub).size(), 1);
    QCOMPARE(FakePacket::u32At(m_fake.packets(Codes::CmdStrangeCard, FakeService::Sub).first(), 5),
             qint64(kStranger));
    QTest::qWait(100);
    QCOMPARE(column("searchcircleModel", "strCreater").at(1), QString());
    const QString strCard = QStringLiteral("Zhou:1:::x:13900000009");
    m_fake.pushSub(FakePacket(Codes::CmdStrangeCard)
                       .u32(kMe)
                       .u32(kStranger)
                       .u8(0)
                       .u8(0)
                       .blob32(fakeEncrypt(strCard.toUtf8())));
    QTRY_COMPARE(column("searchcircleModel", "strCreater").at(1), strCard);
}

void TestCoreCircles::userSearchHits()
{
    signIn();
    FakePacket reply(Codes::CmdSearchCircle);
    reply.u32(kMe).u8(1).u8(0).u32(0x7fffffff);
    // An 11-digit phone needs more than four bytes.
    reply.u8(0)
        .u32(2000007)
        .str8(fakeEncrypt("Qian"))
        .str8(FakePacket(0)
                  .u32(quint32(13812345678ULL))
                  .u32(quint32(13812345678ULL >> 32))
                  .bytes()
                  .mid(1));
    reply.u8(1);
    reply.u8(0).u32(2000008).str8(fakeEncrypt("Sun")).str8(QByteArray("\x07", 1)).u8(0);
    reply.u8(0).u32(2000009);
    m_fake.pushSub(reply);

    QTRY_COMPARE(column("searchuserModel", "strName"), (QStringList{"Qian", "Sun"}));
    QCOMPARE(column("searchuserModel", "strPhone"), (QStringList{"13812345678", "7"}));
    QCOMPARE(column("searchuserModel", "strSex"), (QStringList{"1", "0"}));
    QCOMPARE(column("searchuserModel", "strId"), (QStringList{"-1", "-1"}));
    QCOMPARE(column("searchuserModel", "iType"), (QStringList{"4", "4"}));
}

void TestCoreCircles::rootSignalsReachTheService_data()
{
    QTest::addColumn<QByteArray>("signal");
    QTest::addColumn<QVariantList>("args");
    QTest::addColumn<int>("code");
    QTest::newRow("getCircle") << QByteArray("getCircle") << QVariantList{}
                               << int(Codes::CmdCircle);
    QTest::newRow("modifyCircleInfo")
        << QByteArray("modifyCircleInfo") << QVariantList{1, "77", "New name"}
        << int(Codes::CmdModifyCircleInfo);
    QTest::newRow("dismissCircle")
        << QByteArray("dismissCircle") << QVariantList{"77"} << int(Codes::CmdDismissCircle);
    QTest::newRow("exitCircle") << QByteArray("exitCircle") << QVariantList{"77"}
                                << int(Codes::CmdExitCircle);
    QTest::newRow("applyCircle") << QByteArray("applyCircle")
                                 << QVariantList{"77", "Books", 1, "let me in", 0}
                                 << int(Codes::CmdApplyCircle);
    QTest::newRow("applyCircleReply")
        << QByteArray("applyCircleReply") << QVariantList{"77", "2000002", 0, ""}
        << int(Codes::CmdApplyCircle);
    QTest::newRow("sendCircleMsg") << QByteArray("sendCircleMsg") << QVariantList{"hi all", "77"}
                                   << int(Codes::CmdCircleMessage);
}

void TestCoreCircles::rootSignalsReachTheService()
{
    QFETCH(QByteArray, signal);
    QFETCH(QVariantList, args);
    QFETCH(int, code);
    signIn();
    const int iBefore = int(m_fake.packets(quint8(code), FakeService::Sub).size());
    QList<QGenericArgument> generic;
    QList<QString> texts;
    QList<int> numbers;
    texts.reserve(args.size());
    numbers.reserve(args.size());
    for (const QVariant &arg : args) {
        if (arg.typeId() == QMetaType::Int) {
            numbers << arg.toInt();
            generic << Q_ARG(int, numbers.last());
        } else {
            texts << arg.toString();
            generic << Q_ARG(QString, texts.last());
        }
    }
    generic.resize(5);
    QVERIFY(QMetaObject::invokeMethod(m_fx.root(), signal.constData(), generic[0], generic[1],
                                      generic[2], generic[3], generic[4]));
    QTRY_COMPARE(m_fake.packets(quint8(code), FakeService::Sub).size(), iBefore + 1);
}

void TestCoreCircles::circleListAskedAgainAfterNotices_data()
{
    QTest::addColumn<QByteArray>("notice");
    QTest::addColumn<int>("asked");
    // Another member left (96 kind 1): a circle message of sub-kind 1.
    QTest::newRow("member left")
        << FakePacket(Codes::CmdExitCircle).u32(2000002).u8(1).u32(77).bytes() << 1;
    // The user was added (98 kind 7).
    QTest::newRow("added to a circle")
        << FakePacket(Codes::CmdApplyCircle).u32(kCreator).u8(7).u32(77).str8("Books").u8(0).bytes()
        << 1;
    // The creator dissolved a circle of the user's (112 kind 1).
    QTest::newRow("circle dissolved")
        << FakePacket(Codes::CmdDismissCircle).u32(kMe).u8(1).u32(77).u32(0).str8("Books").bytes()
        << 1;
    QTest::newRow("an application") << FakePacket(Codes::CmdApplyCircle)
                                           .u32(kMe)
                                           .u8(1)
                                           .u32(77)
                                           .u32(2000002)
                                           .str8(fakeEncrypt("hi"))
                                           .str8("Bai")
                                           .str8("138")
                                           .str8("Co")
                                           .bytes()
                                    << 0;
}

void TestCoreCircles::circleListAskedAgainAfterNotices()
{
    QFETCH(QByteArray, notice);
    QFETCH(int, asked);
    signIn();
    storeCircle77();
    QSignalSpy added(m_fx.core(), &Core::sig_addMsgRecord);
    m_fake.pushSub(notice);
    if (asked) {
        QTRY_COMPARE(circleRequests(), 2);
    } else {
        QTRY_COMPARE(added.size(), 1);
        QTest::qWait(100);
        QCOMPARE(circleRequests(), 1);
    }
}

void TestCoreCircles::answeredApplication_data()
{
    QTest::addColumn<int>("reply");      // the user's answer: 0 agreed
    QTest::addColumn<int>("kind");       // 3 application, 8 recommendation
    QTest::addColumn<int>("result");     // the service's result
    QTest::addColumn<int>("state");      // the request row's state after it
    QTest::addColumn<bool>("listAgain"); // the circle list asked for again
    QTest::newRow("application agreed") << 0 << 3 << 0 << 1 << true;
    QTest::newRow("application refused") << 1 << 3 << 0 << 2 << false;
    QTest::newRow("recommendation agreed") << 0 << 8 << 0 << 6 << true;
    QTest::newRow("recommendation refused") << 1 << 8 << 0 << 7 << false;
    QTest::newRow("service failed") << 0 << 3 << 1 << 0 << false;
}

void TestCoreCircles::answeredApplication()
{
    QFETCH(int, reply);
    QFETCH(int, kind);
    QFETCH(int, result);
    QFETCH(int, state);
    QFETCH(bool, listAgain);
    signIn();
    storeCircle77();
    CDatabase &db = *m_fx.core()->database();
    const QString strText = QStringLiteral("welcome");
    // The pending request the user answers: an application (state 0) or a recommendation (5).
    QVERIFY(db.addMsgRecord(kMe, 77, QStringLiteral("Books"), 2000002, QStringLiteral("Bai"), {},
                            false, false, QStringLiteral("c"), strText, -1, kind == 3 ? 0 : 5, 6, 1,
                            {}));
    CSessionState &session = sessionState();
    session.iLastApplyReply = reply;
    session.strLastApplyText = kind == 3 ? QString() : strText;

    QSignalSpy handled(m_fx.core(), &Core::sig_handleApply);
    QSignalSpy updated(m_fx.core(), &Core::sig_updateMsgRecord);
    m_fake.pushSub(FakePacket(Codes::CmdApplyCircle)
                       .u32(kMe)
                       .u8(quint8(kind))
                       .u32(77)
                       .u32(2000002)
                       .u8(quint8(result)));
    QTRY_COMPARE(handled.size(), 1);
    QCOMPARE(handled.first().at(0).toInt(), result);
    QCOMPARE(updated.size(), result == 0 ? 1 : 0);
    if (result == 0)
        QCOMPARE(updated.first(),
                 (QVariantList{6, QStringLiteral("2000002"), QStringLiteral("77")}));
    m_fx.core()->getMessage(6, QStringLiteral("77"));
    QCOMPARE(column("circlesysmsgModel", "iMsgState"),
             QStringList{QString::number(state == 0 ? (kind == 3 ? 0 : 5) : state)});
    QTest::qWait(100);
    QCOMPARE(circleRequests(), listAgain ? 2 : 1);
}

void TestCoreCircles::circleNamesBringNoLinksIntoCaptions()
{
    signIn();
    CDatabase &db = *m_fx.core()->database();
    db.addCircle(77, QStringLiteral("x</a><a href=userpic>y"), kCreator, 45000, 1, 0, QString(), 1,
                 1, 5);
    QSignalSpy added(m_fx.core(), &Core::sig_addMsgRecord);
    m_fake.pushSub(FakePacket(Codes::CmdApplyCircle)
                       .u32(kMe)
                       .u8(1)
                       .u32(77)
                       .u32(2000002)
                       .str8(fakeEncrypt("hi"))
                       .str8("Bai<a href=name>")
                       .str8("138")
                       .str8("Co"));
    QTRY_COMPARE(added.size(), 1);
    m_fx.core()->getMessage(6, QStringLiteral("77"));
    const QStringList captions = column("circlesysmsgModel", "strCaption");
    QCOMPARE(captions.size(), 1);
    // Only the client's own link around the name is left.
    QCOMPARE(captions.first().count(QStringLiteral("<a href=")), 1);
    QCOMPARE(captions.first().count(QStringLiteral("</a>")), 1);
    QVERIFY(captions.first().contains(QStringLiteral("x＜/a＞＜a href=userpic＞y")));
}

QTEST_MAIN(TestCoreCircles)
#include "tst_corecircles.moc"
