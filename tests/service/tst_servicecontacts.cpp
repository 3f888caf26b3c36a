// The cloud address book, cards and suggestions of the service over loopback, as a scripted
// client with the fake service's encoder and cipher sees them: an upload in chunks and the
// download of the same book, changes of single entries, refused chunks, any user's card and
// picture after the owner changed them, a stranger's card, and the people one may know.
#include <QtTest>

#include "ccloudbookcommands.h"
#include "ccontactcommands.h"
#include "codes.h"
#include "fakecipher.h"
#include "fakepacket.h"
#include "serviceclient.h"
#include "servicefixture.h"

namespace {

constexpr char kPassword[] = "demo1234";
constexpr quint32 kZhang = 1000001;
constexpr quint32 kLi = 1000002;
constexpr quint32 kWang = 1000003;

QByteArray uploadChunk(quint32 iZpid, quint32 iRandom, quint8 iIndex, const QStringList &records)
{
    return FakePacket(Codes::CmdUploadNetContact)
        .u32(iZpid)
        .u32(iRandom)
        .u8(iIndex)
        .u32(quint32(records.size()))
        .blob32(fakeEncrypt(records.join(QLatin1Char(':')).toUtf8()));
}

QByteArray modify(quint32 iZpid, quint8 iType, const QString &strOld, const QString &strRecord)
{
    return FakePacket(Codes::CmdModifyNetContact)
        .u32(iZpid)
        .u8(iType)
        .blob32(strOld.toUtf8())
        .blob32(fakeEncrypt(strRecord.toUtf8()));
}

QByteArray modified(quint32 iZpid, quint8 iResult)
{
    return FakePacket(Codes::CmdModifyNetContact).u32(iZpid).u8(iResult);
}

QStringList bookRecords(quint32 iFrom, int iCount)
{
    QStringList records;
    for (int i = 0; i < iCount; ++i)
        records << QStringLiteral("139%1;联系人%2;%3")
                       .arg(iFrom + quint32(i), 8, 10, QLatin1Char('0'))
                       .arg(i)
                       .arg(i % 2 ? QStringLiteral("同事") : QString());
    return records;
}

// The cloud book as a download gives it: the records of every chunk in order; the chunk
// sizes in *pSizes. Empty when the service says there is no book.
QStringList download(ServiceClient &client, quint32 iZpid, QList<int> *pSizes = nullptr)
{
    client.sendTcp(FakePacket(Codes::CmdNetContact).u32(iZpid).u32(0));
    QStringList records;
    for (;;) {
        const QByteArray arReply = client.takeTcp(Codes::CmdNetContact, 5000);
        if (arReply.size() < 6 || quint8(arReply.at(5)) != 0)
            return records;
        const qint64 iTotal = FakePacket::u32At(arReply, 6);
        const qint64 iCount = FakePacket::u32At(arReply, 10);
        const qint64 n = FakePacket::u32At(arReply, 14);
        const QStringList chunk = fakeDecryptText(arReply.mid(18, int(n))).split(QLatin1Char(':'));
        if (chunk.size() != iCount)
            return QStringList{QStringLiteral("chunk count does not match its records")};
        records << chunk;
        if (pSizes)
            *pSizes << int(iCount);
        if (records.size() >= iTotal)
            return records;
    }
}

} // namespace

class TestServiceContacts : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void cloudBookUploadComesBackUnchanged();
    void cloudBookEntriesChange();
    void separatorsStayInsideTheirField();
    void badChunksAreRefused_data();
    void badChunksAreRefused();
    void anyUsersCardAfterAnEdit();
    void strangerCard();
    void mayKnowListsWhoHasMyNumber();

private:
    std::unique_ptr<ServiceClient> signedIn(quint32 iZpid);

    std::unique_ptr<ServiceFixture> m_pFixture;
};

void TestServiceContacts::init()
{
    m_pFixture = std::make_unique<ServiceFixture>();
    QVERIFY2(m_pFixture->start(), qPrintable(m_pFixture->error()));
}

void TestServiceContacts::cleanup()
{
    m_pFixture.reset();
}

std::unique_ptr<ServiceClient> TestServiceContacts::signedIn(quint32 iZpid)
{
    auto client = std::make_unique<ServiceClient>(m_pFixture->mainPort());
    if (!client->connectSub() || client->login(QString::number(iZpid), kPassword) != 0 ||
        !client->heartbeat())
        return nullptr;
    return client;
}

void TestServiceContacts::cloudBookUploadComesBackUnchanged()
{
    auto wang = signedIn(kWang);
    QVERIFY(wang);
    QCOMPARE(wang->requestTcp(FakePacket(Codes::CmdNetContact).u32(kWang).u32(0)),
             FakePacket(Codes::CmdNetContact).u32(kWang).u8(1).bytes());

    const QStringList book = bookRecords(10000000, 250);
    const quint32 iRandom = 0xC0FFEE;
    for (quint8 k = 0; k < 3; ++k)
        QCOMPARE(
            wang->requestTcp(uploadChunk(kWang, iRandom, k, book.mid(k * 100, 100))),
            FakePacket(Codes::CmdUploadNetContact).u32(kWang).u32(iRandom).u8(k).u8(0).bytes());

    QList<int> sizes;
    QCOMPARE(download(*wang, kWang, &sizes), book);
    QCOMPARE(sizes, (QList<int>{100, 100, 50}));

    // A repeated chunk, or the same book uploaded again, adds nothing.
    QCOMPARE(quint8(wang->requestTcp(uploadChunk(kWang, iRandom, 1, book.mid(100, 100))).at(10)),
             quint8(0));
    QCOMPARE(quint8(wang->requestTcp(uploadChunk(kWang, 7, 0, book.mid(0, 100))).at(10)),
             quint8(0));
    QCOMPARE(download(*wang, kWang), book);
    // Other accounts keep their own books.
    auto li = signedIn(kLi);
    QVERIFY(li);
    QCOMPARE(li->requestTcp(FakePacket(Codes::CmdNetContact).u32(kLi).u32(0)),
             FakePacket(Codes::CmdNetContact).u32(kLi).u8(1).bytes());
}

void TestServiceContacts::cloudBookEntriesChange()
{
    auto wang = signedIn(kWang);
    QVERIFY(wang);
    const QStringList book = bookRecords(20000000, 3);
    QCOMPARE(quint8(wang->requestTcp(uploadChunk(kWang, 1, 0, book)).at(10)), quint8(0));
    const QString strFirst = book.at(0).section(QLatin1Char(';'), 0, 0);
    const QString strSecond = book.at(1).section(QLatin1Char(';'), 0, 0);

    QCOMPARE(wang->requestTcp(modify(kWang, 0, QString(), "13712345678;新朋友;朋友")),
             modified(kWang, 0));
    // One entry per number: adding it again is refused.
    QCOMPARE(wang->requestTcp(modify(kWang, 0, QString(), "13712345678;又一个;")),
             modified(kWang, 1));
    QCOMPARE(wang->requestTcp(modify(kWang, 2, strFirst, "13700000001^#22;改名;家人")),
             modified(kWang, 0));
    // An edit onto a number another entry has is refused and changes nothing.
    QCOMPARE(wang->requestTcp(modify(kWang, 2, strSecond, "13712345678;x;y")), modified(kWang, 1));
    QCOMPARE(wang->requestTcp(modify(kWang, 1, strSecond, QString())), modified(kWang, 0));
    QCOMPARE(wang->requestTcp(modify(kWang, 1, strSecond, QString())), modified(kWang, 1));
    QCOMPARE(wang->requestTcp(modify(kWang, 9, book.at(2), book.at(2))), modified(kWang, 1));

    QCOMPARE(download(*wang, kWang),
             (QStringList{QStringLiteral("13700000001^#22;改名;家人"), book.at(2),
                          QStringLiteral("13712345678;新朋友;朋友")}));
}

void TestServiceContacts::separatorsStayInsideTheirField()
{
    auto wang = signedIn(kWang);
    QVERIFY(wang);
    // A record with more fields than three: the first is the phone, the last the group, the
    // rest the name, as the client reads what it wrote. Fewer fields leave the rest empty.
    const QStringList records{"13911112222;甲;乙;组", "13911113333;只有名字", "13911114444"};
    QCOMPARE(quint8(wang->requestTcp(uploadChunk(kWang, 2, 0, records)).at(10)), quint8(0));
    QCOMPARE(wang->requestTcp(modify(kWang, 2, "13911112222", "13911112222;名;字:多;组")),
             modified(kWang, 0));
    QCOMPARE(wang->requestTcp(modify(kWang, 2, "13911113333", "13911113333")), modified(kWang, 0));
    QCOMPARE(download(*wang, kWang),
             (QStringList{QStringLiteral("13911112222;名；字：多;组"),
                          QStringLiteral("13911113333;;"), QStringLiteral("13911114444;;")}));
}

void TestServiceContacts::badChunksAreRefused_data()
{
    QTest::addColumn<quint32>("count");
    QTest::addColumn<QStringList>("records");

    QTest::newRow("count above records") << 3u << QStringList{"13900000001;a;", "13900000002;b;"};
    QTest::newRow("count below records") << 1u << QStringList{"13900000001;a;", "13900000002;b;"};
    QTest::newRow("no entries") << 0u << QStringList{};
    QTest::newRow("above a chunk") << 101u << bookRecords(30000000, 101);
    QTest::newRow("empty phone") << 2u << QStringList{"13900000001;a;", ";nobody;"};
    QTest::newRow("name too long")
        << 1u
        << QStringList{"13900000001;" + QString(CCloudBookCommands::MAX_NAME_BYTES + 1, 'n') + ";"};
}

void TestServiceContacts::badChunksAreRefused()
{
    QFETCH(quint32, count);
    QFETCH(QStringList, records);
    auto wang = signedIn(kWang);
    QVERIFY(wang);
    const QStringList book = bookRecords(40000000, 2);
    QCOMPARE(quint8(wang->requestTcp(uploadChunk(kWang, 3, 0, book)).at(10)), quint8(0));

    const QByteArray arChunk = FakePacket(Codes::CmdUploadNetContact)
                                   .u32(kWang)
                                   .u32(4)
                                   .u8(0)
                                   .u32(count)
                                   .blob32(fakeEncrypt(records.join(':').toUtf8()));
    QCOMPARE(wang->requestTcp(arChunk),
             FakePacket(Codes::CmdUploadNetContact).u32(kWang).u32(4).u8(0).u8(1).bytes());
    QCOMPARE(download(*wang, kWang), book);
}

void TestServiceContacts::anyUsersCardAfterAnEdit()
{
    auto zhang = signedIn(kZhang);
    auto li = signedIn(kLi);
    QVERIFY(zhang && li);
    const QString strCard = QStringLiteral("李娜:1:总监:泽丰示范公司:上海:13800138001::::::::");
    const QByteArray arPicture("\x89PNG\r\n\x1a\nli", 10);
    QCOMPARE(
        li->requestTcp(
            FakePacket(Codes::CmdSaveCard).u32(kLi).u8(0).blob32(fakeEncrypt(strCard.toUtf8()))),
        FakePacket(Codes::CmdSaveCard).u32(kLi).u8(0).u8(0).bytes());
    QCOMPARE(li->requestTcp(FakePacket(Codes::CmdSaveCard).u32(kLi).u8(1).blob32(arPicture)),
             FakePacket(Codes::CmdSaveCard).u32(kLi).u8(1).u8(0).bytes());

    const QByteArray arCard = zhang->requestTcp(FakePacket(Codes::CmdCard).u32(kLi).u8(0).u32(0));
    QCOMPARE(arCard.left(11), FakePacket(Codes::CmdCard).u32(kLi).u8(0).u8(0).u32(0).bytes());
    QCOMPARE(fakeDecryptText(arCard.mid(15, int(FakePacket::u32At(arCard, 11)))), strCard);
    QCOMPARE(zhang->requestTcp(FakePacket(Codes::CmdCard).u32(kLi).u8(1).u32(0)),
             FakePacket(Codes::CmdCard).u32(kLi).u8(0).u8(1).u32(0).blob32(arPicture).bytes());
    // Zhang cannot save Li's card: the own-Zpid field must be his own.
    zhang->sendTcp(FakePacket(Codes::CmdSaveCard).u32(kLi).u8(0).blob32(fakeEncrypt("冒充")));
    QTest::qWait(200);
    QCOMPARE(m_pFixture->service().store().accounts().byZpid(kLi)->strCard, strCard);
}

void TestServiceContacts::strangerCard()
{
    auto zhang = signedIn(kZhang);
    QVERIFY(zhang);
    const QString strCard = m_pFixture->service().store().accounts().byZpid(kWang)->strCard;
    QVERIFY(!strCard.isEmpty());
    const QByteArray arReply =
        zhang->requestTcp(FakePacket(Codes::CmdStrangeCard).u32(kZhang).u32(kWang).u8(0));
    QCOMPARE(arReply.left(11),
             FakePacket(Codes::CmdStrangeCard).u32(kZhang).u32(kWang).u8(0).u8(0).bytes());
    QCOMPARE(fakeDecryptText(arReply.mid(15, int(FakePacket::u32At(arReply, 11)))), strCard);
    QCOMPARE(zhang->requestTcp(FakePacket(Codes::CmdStrangeCard).u32(kZhang).u32(1999999).u8(0)),
             FakePacket(Codes::CmdStrangeCard).u32(kZhang).u32(1999999).u8(1).u8(0).u32(0).bytes());
}

void TestServiceContacts::mayKnowListsWhoHasMyNumber()
{
    CServiceStore &store = m_pFixture->service().store();
    // Zhang keeps only Wang; Li and Liu have Zhang's number, Wang is known already.
    QVERIFY(store.addressBooks().replace(kZhang, {{QStringLiteral("13800138002"), "王芳"}}));
    QVERIFY(store.addressBooks().replace(1000004, {{QStringLiteral("13800138000"), "张"}}));
    auto zhang = signedIn(kZhang);
    QVERIFY(zhang);
    const QByteArray arExpected =
        FakePacket(Codes::CmdMayKnow)
            .u32(kZhang)
            .u32(0)
            .u8(0)
            .u32(0)
            .u32(2)
            .u32(0)
            .blob32(";1000002;13800138001;李娜;;上海")
            .blob32(QByteArray())
            .blob32(
                ";1000004;13800138003;刘洋;;" +
                store.accounts().byZpid(1000004)->strCard.section(QLatin1Char(':'), 4, 4).toUtf8())
            .blob32(QByteArray());
    QCOMPARE(zhang->requestTcp(FakePacket(Codes::CmdMayKnow).u32(kZhang).u32(2).u32(0)),
             arExpected);

    // Nobody has Wang's... everybody who has Wang's number is in Wang's book already.
    auto wang = signedIn(kWang);
    QVERIFY(wang);
    QCOMPARE(wang->requestTcp(FakePacket(Codes::CmdMayKnow).u32(kWang).u32(2).u32(0)),
             FakePacket(Codes::CmdMayKnow).u32(kWang).u32(0).u8(0).u32(0).u32(0).u32(0).bytes());
}

QTEST_MAIN(TestServiceContacts)
#include "tst_servicecontacts.moc"
