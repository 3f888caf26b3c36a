// The contact, cloud address book, card and may-know commands: the request bytes of every
// slot, every reply layout with its cut and hostile forms, the upload and download state
// across packets, and the family end to end against the fake service.
#include <QSignalSpy>
#include <QTest>

#include <functional>

#include "cnetcontactsync.h"
#include "cnetwork.h"
#include "codes.h"
#include "csessionstate.h"
#include "fakecipher.h"
#include "fakepacket.h"
#include "fakeservice.h"
#include "ownsession.h"
#include "protocol.h"

using Request = std::function<void(CNetwork &)>;
Q_DECLARE_METATYPE(Request)

namespace {

constexpr quint32 OWN = 0x0A0B0C0D;
constexpr quint32 OTHER = 4321;
constexpr quint32 RANDOM = 0x5EED0001;

void wire(CNetwork &net, Protocol &proto)
{
    QObject::connect(&net, &CNetwork::sig_createProtocol, &proto, &Protocol::slot_onCreateProtocol);
    QObject::connect(&proto, &Protocol::sig_sendProtocol, &net, &CNetwork::slot_onSendProtocol);
    QObject::connect(&net, &CNetwork::sig_parseProtocol, &proto, &Protocol::slot_onParseProtocol);
    QObject::connect(&proto, &Protocol::sig_connectServer, &net, &CNetwork::slot_onConnectServer);
}

// Every signal of this family, and every packet sent, as one line each in order.
class Recorder
{
public:
    Recorder(Protocol &proto, CNetwork &net)
    {
        auto add = [this](const QString &str) { events << str; };
        QObject::connect(&proto, &Protocol::sig_parseContact, &m_context,
                         [add](const QString &s) { add("contact|" + s); });
        QObject::connect(
            &proto, &Protocol::sig_parseNetContact, &m_context,
            [add](int iRet, const QString &s) { add(QString("net|%1|%2").arg(iRet).arg(s)); });
        QObject::connect(&proto, &Protocol::sig_uploadNetContact, &m_context,
                         [add](int iRet) { add(QString("upload|%1").arg(iRet)); });
        QObject::connect(&net, &CNetwork::sig_uploadNetContact, &m_context,
                         [add](int iRet) { add(QString("upload|%1").arg(iRet)); });
        QObject::connect(&proto, &Protocol::sig_modifyNetContact, &m_context,
                         [add](int iRet) { add(QString("modify|%1").arg(iRet)); });
        QObject::connect(&proto, &Protocol::sig_parseCard, &m_context,
                         [add](int iType, quint32 iZpid, const QString &s) {
                             add(QString("card|%1|%2|%3").arg(iType).arg(iZpid).arg(s));
                         });
        QObject::connect(&proto, &Protocol::sig_parseCardPic, &m_context,
                         [add](quint32 iZpid, const QByteArray &ar) {
                             add(QString("pic|%1|%2").arg(iZpid).arg(QString(ar.toHex())));
                         });
        QObject::connect(&proto, &Protocol::sig_saveCard, &m_context,
                         [add](int iRet) { add(QString("save|%1").arg(iRet)); });
        QObject::connect(&proto, &Protocol::sig_saveCardPic, &m_context,
                         [add](int iRet) { add(QString("savepic|%1").arg(iRet)); });
        QObject::connect(&proto, &Protocol::sig_parseUser, &m_context,
                         [add](const QByteArray &ar, int n) {
                             add(QString("user|%1|%2").arg(n).arg(QString(ar.toHex())));
                         });
        QObject::connect(&proto, &Protocol::sig_presence, &m_context,
                         [add](quint32 iZpid, bool bOnline) {
                             add(QString("presence|%1|%2").arg(iZpid).arg(bOnline));
                         });
        QObject::connect(&proto, &Protocol::sig_sendProtocol, &m_context,
                         [add](const QByteArray &ar, SOCKETTYPE type) {
                             add(QString("send|%1|%2").arg(int(type)).arg(QString(ar.toHex())));
                         });
    }
    QStringList events;

private:
    // Ends every connection with the recorder.
    QObject m_context;
};

QString sent(const QByteArray &arPacket)
{
    return QString("send|%1|%2").arg(int(SOCKET_TCP)).arg(QString(arPacket.toHex()));
}

// The service's notice that iZpid signed in or out, addressed to iTo.
QByteArray presence(quint32 iTo, quint32 iZpid, quint8 iState)
{
    return FakePacket(Codes::CmdPresence).u32(iTo).u32(iZpid).u8(iState);
}

// Cloud records "phone;name;group" numbered from iFirst.
QStringList records(int iFirst, int n)
{
    QStringList list;
    for (int i = iFirst; i < iFirst + n; ++i)
        list << QString("1380000%1;Name %1;Group").arg(i, 4, 10, QLatin1Char('0'));
    return list;
}

QByteArray netChunk(quint32 iTotal, quint32 iEntries, const QString &strText, quint32 iTo = OWN)
{
    return FakePacket(Codes::CmdNetContact)
        .u32(iTo)
        .u8(0)
        .u32(iTotal)
        .u32(iEntries)
        .blob32(fakeEncrypt(strText.toUtf8()));
}

QByteArray uploadReply(quint8 iIndex, quint8 iResult, quint32 iRandom = RANDOM, quint32 iTo = OWN)
{
    return FakePacket(Codes::CmdUploadNetContact).u32(iTo).u32(iRandom).u8(iIndex).u8(iResult);
}

QByteArray cardReply(quint32 iOwner, quint8 iResult, quint8 iKind, const QByteArray &arData)
{
    return FakePacket(Codes::CmdCard).u32(iOwner).u8(iResult).u8(iKind).u32(0).blob32(arData);
}

QByteArray strangeReply(quint32 iZpid, quint8 iResult, const QString &strCard, quint32 iTo = OWN)
{
    return FakePacket(Codes::CmdStrangeCard)
        .u32(iTo)
        .u32(iZpid)
        .u8(iResult)
        .u8(0)
        .blob32(fakeEncrypt(strCard.toUtf8()));
}

// A may-know entry: u32 L, the text, u32 M, M bytes the client skips.
QByteArray person(const QString &strText, const QByteArray &arExtra = QByteArray())
{
    return FakePacket(0).blob32(strText.toUtf8()).blob32(arExtra).bytes().mid(1);
}

QByteArray mayKnowReply(quint8 iResult, quint32 iCount, const QByteArray &arData, quint32 iTo = OWN)
{
    return FakePacket(Codes::CmdMayKnow)
        .u32(iTo)
        .u32(0)
        .u8(iResult)
        .u32(0)
        .u32(iCount)
        .u32(0)
        .raw(arData);
}

QByteArray contactReply(quint8 iResult, const QByteArray &arCipher, quint32 iTo = OWN)
{
    return FakePacket(Codes::CmdContact).u32(iTo).u8(iResult).u32(0).blob32(arCipher);
}

} // namespace

class TestContacts : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();

    void requestBytes_data();
    void requestBytes();
    void uploadChunks_data();
    void uploadChunks();
    void uploadRecordsKeepTheirFields_data();
    void uploadRecordsKeepTheirFields();

    void replies_data();
    void replies();
    void truncatedReplies_data();
    void truncatedReplies();

    void addressBookAgainstService();
    void cardsAgainstService();

private:
    FakeService m_fake;
};

void TestContacts::initTestCase()
{
    QVERIFY(m_fake.start());
    qputenv("ZEPHON_SERVER", m_fake.serverText().toUtf8());
}

void TestContacts::init()
{
    signInAs(OWN);
    sessionState().strLoginPassword = "pw";
    netContactSync().reset();
    m_fake.clearReceived();
}

void TestContacts::requestBytes_data()
{
    QTest::addColumn<Request>("request");
    QTest::addColumn<QByteArrayList>("packets");

    QTest::newRow("36 contact list")
        << Request([](CNetwork &n) { n.slot_onGetContact(); })
        << QByteArrayList{FakePacket(Codes::CmdContact).u32(OWN).str8(fakeEncrypt("pw")).u32(0)};
    QTest::newRow("61 cloud book")
        << Request([](CNetwork &n) { n.slot_onGetNetContact(); })
        << QByteArrayList{FakePacket(Codes::CmdNetContact).u32(OWN).u32(0)};
    QTest::newRow("32 may know") << Request([](CNetwork &n) {
        n.slot_onGetMayKnow();
    }) << QByteArrayList{FakePacket(Codes::CmdMayKnow).u32(OWN).u32(2).u32(0)};
    QTest::newRow("81 card text") << Request([](CNetwork &n) {
        n.slot_onGetCard("4321", 0);
    }) << QByteArrayList{FakePacket(Codes::CmdCard).u32(OTHER).u8(0).u32(0)};

    QTest::newRow("63 add: old phone plain, new values encrypted")
        << Request([](CNetwork &n) { n.slot_onModifyNetContact(0, "", "Ann", "138^#139", "Kin"); })
        << QByteArrayList{FakePacket(Codes::CmdModifyNetContact)
                              .u32(OWN)
                              .u8(0)
                              .blob32("")
                              .blob32(fakeEncrypt("138^#139;Ann;Kin"))};
    QTest::newRow("63 delete") << Request([](CNetwork &n) {
        n.slot_onModifyNetContact(1, "13800000001", "", "", "");
    })
                               << QByteArrayList{FakePacket(Codes::CmdModifyNetContact)
                                                     .u32(OWN)
                                                     .u8(1)
                                                     .blob32("13800000001")
                                                     .blob32(fakeEncrypt(";;"))};
    QTest::newRow("63 separators in the values are replaced")
        << Request(
               [](CNetwork &n) { n.slot_onModifyNetContact(2, "1:38", "A:n;n", "13;8", "G;r:p"); })
        << QByteArrayList{
               FakePacket(Codes::CmdModifyNetContact)
                   .u32(OWN)
                   .u8(2)
                   .blob32("1:38")
                   .blob32(fakeEncrypt(QString::fromUtf8("13；8;A：n；n;G；r：p").toUtf8()))};

    const QString strCard = QString::fromUtf8("安:0:Boss:Acme");
    QTest::newRow("82 own card")
        << Request([strCard](CNetwork &n) { n.slot_onSavePersonalCard(strCard); })
        << QByteArrayList{
               FakePacket(Codes::CmdSaveCard).u32(OWN).u8(0).blob32(fakeEncrypt(strCard.toUtf8()))};
    const QByteArray arPic = QByteArray::fromHex("89504e470d0a1a0a0000");
    QTest::newRow("82 picture as it is")
        << Request([arPic](CNetwork &n) { n.slot_onSaveCardPic(arPic); })
        << QByteArrayList{FakePacket(Codes::CmdSaveCard).u32(OWN).u8(1).blob32(arPic)};
    QTest::newRow("82 empty picture")
        << Request([](CNetwork &n) { n.slot_onSaveCardPic(QByteArray()); })
        << QByteArrayList{FakePacket(Codes::CmdSaveCard).u32(OWN).u8(1).u32(0)};

    QTest::newRow("100 stranger card")
        << Request([](CNetwork &n) { n.slot_onGetStrangeCard("4321"); })
        << QByteArrayList{FakePacket(Codes::CmdStrangeCard).u32(OWN).u32(OTHER).u8(0)};
    QTest::newRow("100 largest zpid")
        << Request([](CNetwork &n) { n.slot_onGetStrangeCard("4294967295"); })
        << QByteArrayList{FakePacket(Codes::CmdStrangeCard).u32(OWN).u32(0xFFFFFFFF).u8(0)};
    for (const char *pKey : {"13800000000", "abc", ""})
        QTest::addRow("100 not sent for \"%s\"", pKey)
            << Request([pKey](CNetwork &n) { n.slot_onGetStrangeCard(QString::fromLatin1(pKey)); })
            << QByteArrayList{};
}

void TestContacts::requestBytes()
{
    QFETCH(Request, request);
    QFETCH(QByteArrayList, packets);
    CNetwork net;
    Protocol proto;
    wire(net, proto);
    Recorder recorder(proto, net);
    request(net);
    QStringList expected;
    for (const QByteArray &ar : packets)
        expected << sent(ar);
    QCOMPARE(recorder.events, expected);
}

void TestContacts::uploadChunks_data()
{
    QTest::addColumn<int>("entries");
    QTest::addColumn<QList<int>>("chunkSizes");
    QTest::addColumn<QStringList>("outcome");

    QTest::newRow("empty: confirmed at once") << 0 << QList<int>{} << QStringList{"upload|0"};
    QTest::newRow("one") << 1 << QList<int>{1} << QStringList{};
    QTest::newRow("exactly 100") << 100 << QList<int>{100} << QStringList{};
    QTest::newRow("101") << 101 << QList<int>{100, 1} << QStringList{};
    QTest::newRow("250") << 250 << QList<int>{100, 100, 50} << QStringList{};
    QTest::newRow("256 chunks") << 25600 << QList<int>(256, 100) << QStringList{};
    QTest::newRow("257 chunks: refused") << 25601 << QList<int>{} << QStringList{"upload|1"};
}

void TestContacts::uploadChunks()
{
    QFETCH(int, entries);
    QFETCH(QList<int>, chunkSizes);
    QFETCH(QStringList, outcome);
    CNetwork net;
    Protocol proto;
    wire(net, proto);
    Recorder recorder(proto, net);
    QSignalSpy send(&proto, &Protocol::sig_sendProtocol);
    const QStringList list = records(0, entries);
    net.slot_onUploadNetContact(list);

    QCOMPARE(send.size(), chunkSizes.size());
    QCOMPARE(netContactSync().uploadRunning(), !chunkSizes.isEmpty());
    int iFirst = 0;
    for (int k = 0; k < chunkSizes.size(); ++k) {
        const QByteArray ar = send.at(k).at(0).toByteArray();
        QCOMPARE(send.at(k).at(1).value<SOCKETTYPE>(), SOCKET_TCP);
        QCOMPARE(ar.left(5), FakePacket(Codes::CmdUploadNetContact).u32(OWN).bytes());
        QCOMPARE(FakePacket::u32At(ar, 5), qint64(netContactSync().uploadRandom()));
        QCOMPARE(int(quint8(ar.at(9))), k);
        QCOMPARE(FakePacket::u32At(ar, 10), qint64(chunkSizes.at(k)));
        QCOMPARE(FakePacket::u32At(ar, 14), qint64(ar.size() - 18));
        QCOMPARE(fakeDecryptText(ar.mid(18)),
                 list.mid(iFirst, chunkSizes.at(k)).join(QLatin1Char(':')));
        iFirst += chunkSizes.at(k);
    }
    QCOMPARE(iFirst, chunkSizes.isEmpty() ? 0 : entries);
    QCOMPARE(recorder.events.filter("upload|"), outcome);
}

void TestContacts::uploadRecordsKeepTheirFields_data()
{
    QTest::addColumn<QString>("record");
    QTest::addColumn<QString>("onTheWire");
    const auto u = [](const char *p) { return QString::fromUtf8(p); };
    QTest::newRow("plain") << "138;Ann;Kin"
                           << "138;Ann;Kin";
    QTest::newRow("several phones") << "138^#139;Ann;"
                                    << "138^#139;Ann;";
    QTest::newRow("colon in the name") << "138;A:nn;Kin" << u("138;A：nn;Kin");
    QTest::newRow("semicolon in the name") << "138;A;n;n;Kin" << u("138;A；n；n;Kin");
    QTest::newRow("colons everywhere") << ":1:;:;:" << u("：1：;：;：");
    QTest::newRow("two fields stay two") << "138;Ann"
                                         << "138;Ann";
}

void TestContacts::uploadRecordsKeepTheirFields()
{
    QFETCH(QString, record);
    QFETCH(QString, onTheWire);
    CNetwork net;
    Protocol proto;
    wire(net, proto);
    QSignalSpy send(&proto, &Protocol::sig_sendProtocol);
    net.slot_onUploadNetContact(QStringList{record, "139;Bo;Kin"});
    QCOMPARE(send.size(), 1);
    const QByteArray ar = send.first().at(0).toByteArray();
    QCOMPARE(FakePacket::u32At(ar, 10), 2);
    QCOMPARE(fakeDecryptText(ar.mid(18)), onTheWire + ":139;Bo;Kin");
}

void TestContacts::replies_data()
{
    QTest::addColumn<int>("setup"); // 0 nothing, 1 an upload of 3 chunks, 2 the same then logout
    QTest::addColumn<QByteArrayList>("packets");
    QTest::addColumn<QStringList>("events");

    const QString strText = QString::fromUtf8("13800000001;安;Kin:13800000002;Bo;");
    QTest::newRow("36 list") << 0 << QByteArrayList{contactReply(0, fakeEncrypt(strText.toUtf8()))}
                             << QStringList{"contact|" + strText};
    QTest::newRow("36 text cut at its zero byte")
        << 0 << QByteArrayList{contactReply(0, fakeEncrypt(QByteArray("a;A\0junk", 8)))}
        << QStringList{"contact|a;A"};
    QTest::newRow("36 empty list")
        << 0 << QByteArrayList{contactReply(0, QByteArray())} << QStringList{"contact|"};
    QTest::newRow("36 refused, nothing after the result")
        << 0 << QByteArrayList{FakePacket(Codes::CmdContact).u32(OWN).u8(1)}
        << QStringList{"contact|"};
    QTest::newRow("36 for another user")
        << 0 << QByteArrayList{contactReply(0, fakeEncrypt("x"), OWN + 1)} << QStringList{};

    const QStringList first = records(0, 100);
    const QStringList second = records(100, 50);
    const QString strBoth = (first + second).join(':');
    const QByteArray c1 = netChunk(150, 100, first.join(':'));
    const QByteArray c2 = netChunk(150, 50, second.join(':'));
    QTest::newRow("61 one chunk") << 0 << QByteArrayList{netChunk(2, 2, "a;A;g:b;B;g")}
                                  << QStringList{"net|0|a;A;g:b;B;g"};
    QTest::newRow("61 two chunks, one report")
        << 0 << QByteArrayList{c1, c2} << QStringList{"net|0|" + strBoth};
    QTest::newRow("61 repeated chunk adds no rows")
        << 0 << QByteArrayList{c1, c1, c2} << QStringList{"net|0|" + strBoth};
    QTest::newRow("61 repeat after completion starts nothing")
        << 0 << QByteArrayList{c1, c2, c2, c1} << QStringList{"net|0|" + strBoth};
    QTest::newRow("61 count beyond the records of its text")
        << 0 << QByteArrayList{netChunk(150, 150, first.join(':'))} << QStringList{};
    QTest::newRow("61 inflated count still needs the rest")
        << 0 << QByteArrayList{netChunk(150, 150, first.join(':')), c2}
        << QStringList{"net|0|" + strBoth};
    QTest::newRow("61 huge total never completes")
        << 0 << QByteArrayList{netChunk(0xFFFFFFFF, 0xFFFFFFFF, "a;A;g")} << QStringList{};
    QTest::newRow("61 empty book")
        << 0 << QByteArrayList{netChunk(0, 0, "")} << QStringList{"net|0|"};
    QTest::newRow("61 two downloads in a row")
        << 0 << QByteArrayList{netChunk(1, 1, "x;X;g"), netChunk(1, 1, "y;Y;g")}
        << QStringList{"net|0|x;X;g", "net|0|y;Y;g"};
    QTest::newRow("61 no book") << 0
                                << QByteArrayList{FakePacket(Codes::CmdNetContact).u32(OWN).u8(1)}
                                << QStringList{"net|1|"};
    QTest::newRow("61 for another user")
        << 0 << QByteArrayList{netChunk(1, 1, "x;X;g", OWN + 1)} << QStringList{};
    QByteArrayList big;
    for (char c = 'a'; c < 'a' + 9; ++c)
        big << netChunk(1000, 1, QString(1 << 20, QLatin1Char(c)));
    QTest::newRow("61 beyond the size limit: reported once") << 0 << big << QStringList{"net|-1|"};
    QByteArrayList many;
    for (int i = 0; i <= CNetContactSync::MAX_DOWNLOAD_CHUNKS; ++i)
        many << netChunk(100000, 1, QString("%1;N;g").arg(i));
    QTest::newRow("61 beyond the chunk limit: reported once")
        << 0 << many << QStringList{"net|-1|"};

    QTest::newRow("60 all confirmed")
        << 1 << QByteArrayList{uploadReply(0, 0), uploadReply(1, 0), uploadReply(2, 0)}
        << QStringList{"upload|0"};
    QTest::newRow("60 out of order, repeated")
        << 1
        << QByteArrayList{uploadReply(2, 0), uploadReply(2, 0), uploadReply(0, 0),
                          uploadReply(1, 0), uploadReply(1, 0)}
        << QStringList{"upload|0"};
    QTest::newRow("60 one unconfirmed")
        << 1 << QByteArrayList{uploadReply(0, 0), uploadReply(2, 0)} << QStringList{};
    QTest::newRow("60 index past the chunks")
        << 1 << QByteArrayList{uploadReply(0, 0), uploadReply(1, 0), uploadReply(3, 0)}
        << QStringList{};
    QTest::newRow("60 refusal reported once")
        << 1
        << QByteArrayList{uploadReply(0, 0), uploadReply(1, 4), uploadReply(2, 4),
                          uploadReply(2, 0)}
        << QStringList{"upload|1"};
    QTest::newRow("60 another upload's number")
        << 1
        << QByteArrayList{uploadReply(0, 0, RANDOM + 1), uploadReply(1, 0, RANDOM + 1),
                          uploadReply(2, 1, RANDOM + 1)}
        << QStringList{};
    QTest::newRow("60 for another user")
        << 1
        << QByteArrayList{uploadReply(0, 0, RANDOM, OWN + 1), uploadReply(1, 0, RANDOM, OWN + 1),
                          uploadReply(2, 0, RANDOM, OWN + 1)}
        << QStringList{};
    QTest::newRow("60 nothing after completion")
        << 1
        << QByteArrayList{uploadReply(0, 0), uploadReply(1, 0), uploadReply(2, 0),
                          uploadReply(2, 0), uploadReply(1, 1)}
        << QStringList{"upload|0"};
    QTest::newRow("60 no upload running")
        << 0 << QByteArrayList{uploadReply(0, 0), uploadReply(0, 1)} << QStringList{};
    QTest::newRow("60 upload ended by logout")
        << 2 << QByteArrayList{uploadReply(0, 0), uploadReply(1, 0), uploadReply(2, 0)}
        << QStringList{};

    QTest::newRow("63 done")
        << 0 << QByteArrayList{FakePacket(Codes::CmdModifyNetContact).u32(OWN).u8(0)}
        << QStringList{"modify|0"};
    QTest::newRow("63 refused")
        << 0 << QByteArrayList{FakePacket(Codes::CmdModifyNetContact).u32(OWN).u8(3)}
        << QStringList{"modify|3"};
    QTest::newRow("63 for another user")
        << 0 << QByteArrayList{FakePacket(Codes::CmdModifyNetContact).u32(OTHER).u8(0)}
        << QStringList{};

    const QString strCard = QString::fromUtf8("安:0:Boss:Acme");
    const QByteArray arCard = fakeEncrypt(strCard.toUtf8());
    QTest::newRow("81 own card") << 0 << QByteArrayList{cardReply(OWN, 0, 0, arCard)}
                                 << QStringList{QString("card|0|%1|%2").arg(OWN).arg(strCard)};
    QTest::newRow("81 card text of another user keeps its owner")
        << 0 << QByteArrayList{cardReply(OTHER, 0, 0, arCard)}
        << QStringList{QString("card|0|%1|%2").arg(OTHER).arg(strCard)};
    QTest::newRow("81 picture") << 0
                                << QByteArrayList{cardReply(OTHER, 0, 1, QByteArray("\x89P\0N", 4))}
                                << QStringList{QString("pic|%1|8950004e").arg(OTHER)};
    QTest::newRow("81 not found") << 0 << QByteArrayList{cardReply(OWN, 1, 0, arCard)}
                                  << QStringList{};
    QTest::newRow("81 unknown kind")
        << 0 << QByteArrayList{cardReply(OWN, 0, 2, arCard)} << QStringList{};

    QTest::newRow("100 stranger") << 0 << QByteArrayList{strangeReply(OTHER, 0, strCard)}
                                  << QStringList{QString("card|1|%1|%2").arg(OTHER).arg(strCard)};
    QTest::newRow("100 unknown user")
        << 0 << QByteArrayList{strangeReply(OTHER, 1, strCard)} << QStringList{};
    QTest::newRow("100 for another user")
        << 0 << QByteArrayList{strangeReply(OTHER, 0, strCard, OWN + 1)} << QStringList{};

    const QByteArray again0 = FakePacket(Codes::CmdCard).u32(OWN).u8(0).u32(0);
    const QByteArray again1 = FakePacket(Codes::CmdCard).u32(OWN).u8(1).u32(0);
    QTest::newRow("82 card saved")
        << 0 << QByteArrayList{FakePacket(Codes::CmdSaveCard).u32(OWN).u8(0).u8(0)}
        << QStringList{sent(again0), "save|0"};
    QTest::newRow("82 picture refused")
        << 0 << QByteArrayList{FakePacket(Codes::CmdSaveCard).u32(OWN).u8(1).u8(2)}
        << QStringList{sent(again1), "savepic|2"};
    QTest::newRow("82 other kind counts as picture")
        << 0 << QByteArrayList{FakePacket(Codes::CmdSaveCard).u32(OWN).u8(5).u8(0)}
        << QStringList{sent(FakePacket(Codes::CmdCard).u32(OWN).u8(5).u32(0)), "savepic|0"};
    QTest::newRow("82 for another user")
        << 0 << QByteArrayList{FakePacket(Codes::CmdSaveCard).u32(OTHER).u8(0).u8(0)}
        << QStringList{};

    const QByteArray p1 = person(";4321;13800000001;Ann;x;Town", "\x01\x02\x03");
    const QByteArray p2 = person(QString::fromUtf8(";4322;13800000002;安;x;"));
    QTest::newRow("32 two people") << 0 << QByteArrayList{mayKnowReply(0, 2, p1 + p2)}
                                   << QStringList{"user|2|" + QString((p1 + p2).toHex())};
    QTest::newRow("32 huge count: only what is there")
        << 0 << QByteArrayList{mayKnowReply(0, 0xFFFFFFFF, p1 + p2)}
        << QStringList{"user|2|" + QString((p1 + p2).toHex())};
    QTest::newRow("32 count below the entries present")
        << 0 << QByteArrayList{mayKnowReply(0, 1, p1 + p2)}
        << QStringList{"user|1|" + QString(p1.toHex())};
    QTest::newRow("32 text length past the end")
        << 0 << QByteArrayList{mayKnowReply(0, 2, p1 + FakePacket(0).u32(0x7FFFFFFF).raw("ab"))}
        << QStringList{"user|1|" + QString(p1.toHex())};
    QTest::newRow("32 skipped length past the end")
        << 0
        << QByteArrayList{mayKnowReply(0, 2, p1 + FakePacket(0).u32(1).raw("a").u32(0xFFFFFFFF))}
        << QStringList{"user|1|" + QString(p1.toHex())};
    QTest::newRow("32 nobody") << 0 << QByteArrayList{mayKnowReply(0, 0, QByteArray())}
                               << QStringList{"user|0|"};
    QTest::newRow("32 refused") << 0 << QByteArrayList{mayKnowReply(1, 2, p1 + p2)}
                                << QStringList{};
    QTest::newRow("32 for another user")
        << 0 << QByteArrayList{mayKnowReply(0, 2, p1 + p2, OTHER)} << QStringList{};

    QTest::newRow("120 signed in, then out")
        << 0
        << QByteArrayList{presence(OWN, OTHER, Codes::PresenceOnline),
                          presence(OWN, OTHER, Codes::PresenceOffline)}
        << QStringList{QString("presence|%1|1").arg(OTHER), QString("presence|%1|0").arg(OTHER)};
    QTest::newRow("120 for another user")
        << 0 << QByteArrayList{presence(OTHER, OWN + 7, Codes::PresenceOnline)} << QStringList{};
    QTest::newRow("120 unknown state")
        << 0 << QByteArrayList{presence(OWN, OTHER, 2)} << QStringList{};
    QTest::newRow("120 nobody") << 0 << QByteArrayList{presence(OWN, 0, Codes::PresenceOnline)}
                                << QStringList{};
}

void TestContacts::replies()
{
    QFETCH(int, setup);
    QFETCH(QByteArrayList, packets);
    QFETCH(QStringList, events);
    CNetwork net;
    Protocol proto;
    wire(net, proto);
    if (setup != 0) {
        netContactSync().beginUpload(RANDOM, 3);
        netContactSync().markAllSent();
    }
    if (setup == 2)
        net.logout();
    Recorder recorder(proto, net);
    for (const QByteArray &ar : packets)
        proto.slot_onParseProtocol(ar, "127.0.0.1", 1);
    QCOMPARE(recorder.events, events);
}

void TestContacts::truncatedReplies_data()
{
    QTest::addColumn<QByteArray>("packet");
    QTest::addColumn<QList<int>>("wholeEntries"); // 32 only: where each entry ends

    QTest::newRow("36") << contactReply(0, fakeEncrypt("a;A:b;B")) << QList<int>{};
    QTest::newRow("61") << netChunk(2, 2, "a;A;g:b;B;g") << QList<int>{};
    QTest::newRow("60") << uploadReply(0, 0) << QList<int>{};
    QTest::newRow("63") << QByteArray(FakePacket(Codes::CmdModifyNetContact).u32(OWN).u8(0))
                        << QList<int>{};
    QTest::newRow("81 text") << cardReply(OWN, 0, 0, fakeEncrypt("Ann:0")) << QList<int>{};
    QTest::newRow("81 picture") << cardReply(OTHER, 0, 1, "PICTURE") << QList<int>{};
    QTest::newRow("82") << QByteArray(FakePacket(Codes::CmdSaveCard).u32(OWN).u8(0).u8(0))
                        << QList<int>{};
    QTest::newRow("100") << strangeReply(OTHER, 0, "Bo:1") << QList<int>{};
    QTest::newRow("120") << presence(OWN, OTHER, Codes::PresenceOnline) << QList<int>{};
    const QByteArray p1 = person(";4321;138;Ann;x;Town", "xyz");
    const QByteArray p2 = person(";4322;139;Bo;x;");
    QTest::newRow("32") << mayKnowReply(0, 2, p1 + p2)
                        << QList<int>{22 + int(p1.size()), 22 + int(p1.size() + p2.size())};
}

void TestContacts::truncatedReplies()
{
    QFETCH(QByteArray, packet);
    QFETCH(QList<int>, wholeEntries);
    CNetwork net;
    Protocol proto;
    wire(net, proto);
    for (int iLength = 0; iLength <= packet.size(); ++iLength) {
        netContactSync().reset();
        netContactSync().beginUpload(RANDOM, 1);
        netContactSync().markAllSent();
        Recorder recorder(proto, net);
        proto.slot_onParseProtocol(packet.left(iLength), "127.0.0.1", 1);
        const bool bWhole = iLength == packet.size();
        if (!wholeEntries.isEmpty() && iLength >= 22) {
            // The may-know list goes on with the entries that arrived whole.
            int iEnd = 22;
            int n = 0;
            for (int iEntryEnd : wholeEntries) {
                if (iEntryEnd <= iLength) {
                    iEnd = iEntryEnd;
                    ++n;
                }
            }
            QCOMPARE(
                recorder.events,
                QStringList{
                    QString("user|%1|%2").arg(n).arg(QString(packet.mid(22, iEnd - 22).toHex()))});
        } else if (bWhole) {
            QVERIFY2(!recorder.events.isEmpty(), "the whole packet must have an effect");
        } else {
            QVERIFY2(
                recorder.events.isEmpty(),
                qPrintable(QString("length %1: %2").arg(iLength).arg(recorder.events.join(", "))));
        }
    }
}

void TestContacts::addressBookAgainstService()
{
    sessionState().iZpid = 0;
    FakeService::Account account;
    account.iZpid = 1234567;
    account.strLoginId = "1234567";
    account.strPassword = "secret";
    m_fake.serveAccount(account);
    FakeService::AddressBook book;
    book.strContact = "13800000001;Ann:13800000002;Bo";
    m_fake.serveAddressBook(book);

    CNetwork net;
    Protocol proto;
    wire(net, proto);
    Recorder recorder(proto, net);
    // The session start asks for the contact list with the password.
    net.slot_onLogin("1234567", "secret", 0);
    QTRY_VERIFY(recorder.events.contains("contact|13800000001;Ann:13800000002;Bo"));

    const QStringList list = records(0, 250);
    net.slot_onUploadNetContact(list);
    QTRY_VERIFY(recorder.events.contains("upload|0"));
    QCOMPARE(m_fake.packets(Codes::CmdUploadNetContact, FakeService::Sub).size(), 3);
    QCOMPARE(m_fake.addressBook().netContacts, list);

    m_fake.addressBook().iNetChunk = 100;
    net.slot_onGetNetContact();
    QTRY_COMPARE(recorder.events.filter("net|").size(), 1);
    QCOMPARE(recorder.events.filter("net|").first(), "net|0|" + list.join(':'));

    // Add, edit and delete, each answered; the edit's separators cannot split the record.
    recorder.events.clear();
    net.slot_onModifyNetContact(0, "", "Cy", "13900000009", "Kin");
    net.slot_onModifyNetContact(2, "13800000000", "A:l;ex", "13800000000", "Work");
    net.slot_onModifyNetContact(1, "13800000001", "", "", "");
    QTRY_COMPARE(recorder.events.filter("modify|"),
                 (QStringList{"modify|0", "modify|0", "modify|0"}));
    const QStringList &stored = m_fake.addressBook().netContacts;
    QCOMPARE(stored.size(), 250);
    QCOMPARE(stored.first(), QString::fromUtf8("13800000000;A：l；ex;Work"));
    QCOMPARE(stored.last(), QString("13900000009;Cy;Kin"));
    QVERIFY(!stored.join(':').contains("13800000001"));

    // A refused chunk is reported once, however many chunks follow.
    m_fake.addressBook().iRefuseChunk = 0;
    recorder.events.clear();
    net.slot_onUploadNetContact(records(0, 201));
    QTRY_COMPARE(m_fake.packets(Codes::CmdUploadNetContact, FakeService::Sub).size(), 6);
    QTRY_VERIFY(recorder.events.contains("upload|1"));
    QTest::qWait(50);
    QCOMPARE(recorder.events.filter("upload|"), QStringList{"upload|1"});

    m_fake.addressBook().netContacts.clear();
    net.slot_onGetNetContact();
    QTRY_VERIFY(recorder.events.contains("net|1|"));
    net.logout();
}

void TestContacts::cardsAgainstService()
{
    sessionState().iZpid = 0;
    FakeService::Account account;
    account.iZpid = 1234567;
    account.strLoginId = "1234567";
    account.strPassword = "secret";
    m_fake.serveAccount(account);
    FakeService::AddressBook book;
    const QString strOwn = QString::fromUtf8("我:1:Dev:Acme");
    book.cards.insert(1234567, strOwn);
    book.pictures.insert(1234567, QByteArray("\x89PNG\0", 5));
    book.strangers.insert(OTHER, "Bo::0:Shop:x:13900000000");
    book.mayKnow = QStringList{";4321;13900000000;Bo;;Town", ";4322;13900000001;Cy;;"};
    m_fake.serveAddressBook(book);

    CNetwork net;
    Protocol proto;
    wire(net, proto);
    Recorder recorder(proto, net);
    net.slot_onLogin("1234567", "secret", 0);
    // The session start asks for the own card and picture.
    QTRY_VERIFY(recorder.events.contains("card|0|1234567|" + strOwn));
    QTRY_VERIFY(recorder.events.contains("pic|1234567|89504e4700"));

    recorder.events.clear();
    const QString strNew = QString::fromUtf8("我:1:Lead:Acme");
    net.slot_onSavePersonalCard(strNew);
    QTRY_VERIFY(recorder.events.contains("save|0"));
    QTRY_VERIFY(recorder.events.contains("card|0|1234567|" + strNew));
    net.slot_onSaveCardPic(QByteArray("GIF89a"));
    QTRY_VERIFY(recorder.events.contains("savepic|0"));
    QTRY_VERIFY(recorder.events.contains("pic|1234567|" + QString(QByteArray("GIF89a").toHex())));

    // Another user's card text keeps its owner.
    m_fake.addressBook().cards.insert(OTHER, "Bo:0");
    net.slot_onGetCard(QString::number(OTHER), 0);
    QTRY_VERIFY(recorder.events.contains(QString("card|0|%1|Bo:0").arg(OTHER)));

    net.slot_onGetStrangeCard(QString::number(OTHER));
    QTRY_VERIFY(recorder.events.contains(QString("card|1|%1|Bo::0:Shop:x:13900000000").arg(OTHER)));

    net.slot_onGetMayKnow();
    QTRY_COMPARE(recorder.events.filter("user|").size(), 1);
    QVERIFY(recorder.events.filter("user|").first().startsWith("user|2|"));
    net.logout();
}

QTEST_GUILESS_MAIN(TestContacts)
#include "tst_contacts.moc"
