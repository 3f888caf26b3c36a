// The message commands: the request bytes and records of every send slot, every reply layout
// with its cut and hostile forms, the memories kept between packets (duplicates, TCP messages,
// card requests), datagram sources, and re-send, give-up and delivery against the fake service.
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QUdpSocket>

#include <functional>
#include <limits>

#include "ccallsession.h"
#include "cmsgtracker.h"
#include "cnetwork.h"
#include "codes.h"
#include "csessionstate.h"
#include "fakecipher.h"
#include "fakepacket.h"
#include "fakeservice.h"
#include "ownsession.h"
#include "packint.h"
#include "protocol.h"

using Request = std::function<void(CNetwork &)>;
Q_DECLARE_METATYPE(Request)

namespace {

constexpr quint32 OWN = 0x0A0B0C0D;
constexpr quint32 PEER = 4321;
constexpr quint32 CIRCLE = 77;

QString hex(const QByteArray &ar)
{
    return QString(ar.toHex());
}

QByteArray le(quint32 v)
{
    return packUInt32(v);
}

// u32 count and ciphertext, as message content travels.
QByteArray content(const QString &strText)
{
    return FakePacket(0).blob32(fakeEncrypt(strText.toUtf8())).bytes().mid(1);
}

QByteArray caption(const QString &strText)
{
    return FakePacket(0).str8(fakeEncrypt(strText.toUtf8())).bytes().mid(1);
}

QString save(quint32 iCircle, quint32 iZpid, const QByteArray &arCaption,
             const QByteArray &arContent, int iMsgId, int iState, int iType, int iSub, bool bSend,
             const QStringList &list = QStringList())
{
    return QString("save|%1|%2|%3|%4|%5|%6|%7|%8|%9|%10")
        .arg(iCircle)
        .arg(iZpid)
        .arg(hex(arCaption), hex(arContent))
        .arg(iMsgId)
        .arg(iState)
        .arg(iType)
        .arg(iSub)
        .arg(int(bSend))
        .arg(list.join(QLatin1Char(',')));
}

QString update(quint32 iCircle, const QByteArray &arPeer, int iMsgId, int iState, int iType)
{
    return QString("update|%1|%2|%3|%4|%5")
        .arg(iCircle)
        .arg(hex(arPeer))
        .arg(iMsgId)
        .arg(iState)
        .arg(iType);
}

QString sent(SOCKETTYPE type, const QByteArray &arPacket)
{
    return QString("send|%1|%2").arg(int(type)).arg(hex(arPacket));
}

QString receipt(quint32 iSender, quint32 iMsgId)
{
    return sent(SOCKET_UDP,
                FakePacket(Codes::CmdMessageReceipt).u32(OWN).u32(iSender).u8(0).u32(iMsgId));
}

// Every signal of this family and every packet the packet layer sends, one line each in order.
class Recorder
{
public:
    Recorder(Protocol &proto, CNetwork *pNet = nullptr)
    {
        auto onSave = [this](quint32 iCircle, quint32 iZpid, const QByteArray &arCaption,
                             const QByteArray &arContent, int iMsgId, int iState, int iType,
                             int iSub, bool bSend, const QStringList &list) {
            events << save(iCircle, iZpid, arCaption, arContent, iMsgId, iState, iType, iSub, bSend,
                           list);
        };
        auto onUpdate = [this](quint32 iCircle, const QByteArray &arPeer, int iMsgId, int iState,
                               int iType) {
            events << update(iCircle, arPeer, iMsgId, iState, iType);
        };
        QObject::connect(&proto, &Protocol::sig_saveMsgRecord, &m_context, onSave);
        QObject::connect(&proto, &Protocol::sig_updateMsgRecord, &m_context, onUpdate);
        QObject::connect(&proto, &Protocol::sig_saveOfflineMsg, &m_context,
                         [this](quint32 iZpid, const QString &s, double d, int iMsgId) {
                             events << QString("offline|%1|%2|%3|%4")
                                           .arg(iZpid)
                                           .arg(s)
                                           .arg(d, 0, 'f', 3)
                                           .arg(iMsgId);
                         });
        QObject::connect(&proto, &Protocol::sig_parseCallState, &m_context,
                         [this](int iState, const QString &strZpid) {
                             events << QString("call|%1|%2").arg(iState).arg(strZpid);
                         });
        QObject::connect(
            &proto, &Protocol::sig_sendProtocol, &m_context,
            [this](const QByteArray &ar, SOCKETTYPE type) { events << sent(type, ar); });
        if (pNet) {
            QObject::connect(pNet, &CNetwork::sig_saveMsgRecord, &m_context, onSave);
            QObject::connect(pNet, &CNetwork::sig_updateMsgRecord, &m_context, onUpdate);
        }
    }
    QStringList events;

private:
    QObject m_context;
};

QByteArray text14(quint32 iSender, quint32 iMsgId, const QString &strText, quint8 iSub = 0,
                  quint32 iTo = OWN)
{
    return FakePacket(Codes::CmdMessage)
        .u32(iSender)
        .u32(iTo)
        .u32(iMsgId)
        .raw(content(strText))
        .u8(iSub);
}

QByteArray items(const QStringList &list)
{
    FakePacket block(0);
    for (const QString &s : list)
        block.blob32(s.toUtf8());
    return block.bytes().mid(1);
}

QByteArray attach14(quint8 iSub, double dTime, const QByteArray &arBlock)
{
    return FakePacket(Codes::CmdMessage)
        .u32(PEER)
        .u32(OWN)
        .u32(8)
        .raw(content("see"))
        .u8(iSub)
        .f64(dTime)
        .blob32(fakeEncrypt(arBlock));
}

QByteArray offline34(quint32 iTo = OWN, quint32 iCount = 0)
{
    const QByteArray arCipher = fakeEncrypt("while away");
    return FakePacket(Codes::CmdOfflineMessage)
        .u32(PEER)
        .u32(iTo)
        .f64(45000.25)
        .u32(31)
        .u32(iCount ? iCount : quint32(arCipher.size()))
        .raw(arCipher);
}

QByteArray card83(quint8 iKind, quint32 iTo = OWN)
{
    FakePacket p(Codes::CmdCardMessage);
    p.u32(PEER).u32(iTo).u8(iKind).u32(12);
    if (iKind == 2)
        return p.u8(0);
    p.raw(caption("Bo的名片"));
    if (iKind != 1)
        p.raw(content("Bo:0:Shop"));
    return p;
}

QByteArray circle97(quint8 iKind, quint32 iSender, quint8 iResult = 0, quint32 iTo = OWN)
{
    FakePacket p(Codes::CmdCircleMessage);
    p.u32(iTo).u32(CIRCLE).u8(iKind).u32(13);
    if (iKind == 2)
        return p.u8(iResult);
    return p.u32(iSender).raw(content("hi circle"));
}

QByteArray report15(quint32 iPeer, quint8 iKind, quint8 iState, quint32 iMsgId)
{
    return FakePacket(Codes::CmdDeliveryReport).u32(iPeer).u8(iKind).u8(iState).u32(iMsgId);
}

QByteArray receipt16(quint32 iPeer, quint8 iResult, quint32 iMsgId, quint32 iTo = OWN)
{
    return FakePacket(Codes::CmdMessageReceipt).u32(iPeer).u32(iTo).u8(iResult).u32(iMsgId);
}

// Joins the two objects the way the controller does.
void wire(CNetwork &net, Protocol &proto)
{
    QObject::connect(&net, &CNetwork::sig_createProtocol, &proto, &Protocol::slot_onCreateProtocol);
    QObject::connect(&proto, &Protocol::sig_sendProtocol, &net, &CNetwork::slot_onSendProtocol);
    QObject::connect(&net, &CNetwork::sig_parseProtocol, &proto, &Protocol::slot_onParseProtocol);
}

QByteArray key14(quint32 iMsgId, quint32 iPeer)
{
    return QByteArray(1, '\x0e') + le(iMsgId) + le(iPeer);
}

} // namespace

class TestMessages : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();

    void requestBytes_data();
    void requestBytes();
    void replies_data();
    void replies();
    void truncatedReplies_data();
    void truncatedReplies();
    void deliveryReportsDuringPush_data();
    void deliveryReportsDuringPush();

    void receiptRemovesOnlyItsMessage();
    void receivedMessageLeavesOwnResendAlone();
    void repeatedMessageStoredOnce();
    void messageLiveAndOfflineStoredOnce();
    void repeatMemoryIsBounded();
    void tcpAcceptancePerMessage();
    void cardAnswerNeedsOurRequest_data();
    void cardAnswerNeedsOurRequest();
    void tcpMessageFailsWhileTcpIsDown_data();
    void tcpMessageFailsWhileTcpIsDown();
    void datagramsOnlyFromSubServer();

    void deliveryAgainstService();
    void giveUpAgainstService_data();
    void giveUpAgainstService();

private:
    void serve(const FakeService::Messaging &messaging);
    void openSession(CNetwork &net);
    FakeService m_fake;
};

void TestMessages::initTestCase()
{
    QVERIFY(m_fake.start());
    qputenv("ZEPHON_SERVER", m_fake.serverText().toUtf8());
}

void TestMessages::init()
{
    signInAs(OWN);
    msgTracker().reset();
    callSession().reset();
    setMsgIdCounter(41);
    m_fake.clearReceived();
}

void TestMessages::requestBytes_data()
{
    QTest::addColumn<Request>("request");
    QTest::addColumn<QStringList>("events");

    const QByteArray hello = content("hello");
    QTest::newRow("14 text over UDP")
        << Request([](CNetwork &n) { n.slot_onSendMsg("hello", "4321"); })
        << QStringList{save(0, PEER, {}, hello, 42, 0, 0, 0, true),
                       sent(SOCKET_UDP, FakePacket(Codes::CmdMessage)
                                            .u32(OWN)
                                            .u32(PEER)
                                            .u32(42)
                                            .raw(hello)
                                            .u8(0)
                                            .u32(0))};
    for (const char *receiver : {"", "0", "abc", "-4", "4294967296", " 12x"})
        QTest::addRow("14 refused receiver '%s'", receiver)
            << Request([receiver](CNetwork &n) { n.slot_onSendMsg("hello", receiver); })
            << QStringList{save(0, 0, {}, hello, 42, 3, 0, 0, true)};

    const QByteArray see = content("see file");
    QTest::newRow("14 rich with items")
        << Request([](CNetwork &n) {
               n.slot_onSendRichMsg("4321", {"see file", "a.txt", "k", "文"}, 2);
           })
        << QStringList{sent(SOCKET_UDP, FakePacket(Codes::CmdMessage)
                                            .u32(OWN)
                                            .u32(PEER)
                                            .u32(42)
                                            .raw(see)
                                            .u8(2)
                                            .blob32(fakeEncrypt(items({"a.txt", "k", "文"}))))};
    QTest::newRow("14 rich without items")
        << Request([](CNetwork &n) { n.slot_onSendRichMsg("4321", {"see file"}, 5); })
        << QStringList{sent(
               SOCKET_UDP,
               FakePacket(Codes::CmdMessage).u32(OWN).u32(PEER).u32(42).raw(see).u8(5).u32(0))};
    QTest::newRow("14 rich refused")
        << Request([](CNetwork &n) { n.slot_onSendRichMsg("0", {"see file"}, 5); })
        << QStringList{};
    // The controller stores a rich message first, under an id it took; the packet must carry
    // that id, or the receipt and the delivery report find no row.
    QTest::newRow("14 rich under the stored row's id")
        << Request([](CNetwork &n) { n.slot_onSendRichMsg("4321", {"see file"}, 5, 7); })
        << QStringList{
               sent(SOCKET_UDP,
                    FakePacket(Codes::CmdMessage).u32(OWN).u32(PEER).u32(7).raw(see).u8(5).u32(0))};
    QTest::newRow("14 rich under the stored row's id, refused")
        << Request([](CNetwork &n) { n.slot_onSendRichMsg("x", {"see file"}, 5, 7); })
        << QStringList{update(0, QByteArray(4, '\0'), 7, 3, 0)};

    const QByteArray all = content("hi all");
    QTest::newRow("97 circle") << Request(
                                      [](CNetwork &n) { n.slot_onSendCircleMsg("hi all", "77"); })
                               << QStringList{save(CIRCLE, OWN, {}, all, 42, 0, 7, 0, true),
                                              sent(SOCKET_TCP, FakePacket(Codes::CmdCircleMessage)
                                                                   .u32(OWN)
                                                                   .u32(CIRCLE)
                                                                   .u8(0)
                                                                   .u32(42)
                                                                   .raw(all))};
    QTest::newRow("97 refused circle")
        << Request([](CNetwork &n) { n.slot_onSendCircleMsg("hi all", "x"); })
        << QStringList{save(0, OWN, {}, all, 42, 3, 7, 0, true)};

    const QByteArray cap = caption("Ann的名片");
    const QByteArray card = content("Ann:0:Boss");
    auto card83 = [](quint8 iKind, const QByteArray &arFields) {
        return FakePacket(Codes::CmdCardMessage)
            .u32(OWN)
            .u32(PEER)
            .u8(iKind)
            .u32(42)
            .raw(arFields)
            .bytes();
    };
    QTest::newRow("83 card") << Request([](CNetwork &n) {
        n.slot_onSendCard("Ann的名片", "Ann:0:Boss", "4321", 0);
    })
                             << QStringList{save(0, PEER, cap, card, 42, 0, 0, 1, true),
                                            sent(SOCKET_TCP, card83(0, cap + card))};
    QTest::newRow("83 card request")
        << Request([](CNetwork &n) { n.slot_onSendCard("Ann的名片", "ignored", "4321", 1); })
        << QStringList{save(0, PEER, cap, {}, 42, 0, 5, 0, true), sent(SOCKET_TCP, card83(1, cap))};
    QTest::newRow("83 answer")
        << Request([](CNetwork &n) { n.slot_onSendCard("0", "", "4321", 2); })
        << QStringList{save(0, PEER, QByteArray(1, '\0'), {}, 42, 0, 5, 1, true),
                       sent(SOCKET_TCP, card83(2, QByteArray(1, '\0')))};
    QTest::newRow("83 exchanged card")
        << Request([](CNetwork &n) { n.slot_onSendCard("Ann的名片", "Ann:0:Boss", "4321", 3); })
        << QStringList{sent(SOCKET_TCP, card83(3, cap + card))};
    QTest::newRow("83 unknown kind")
        << Request([](CNetwork &n) { n.slot_onSendCard("c", "c", "4321", 4); }) << QStringList{};
    QTest::newRow("83 refused receiver")
        << Request([](CNetwork &n) { n.slot_onSendCard("Ann的名片", "", "", 1); })
        << QStringList{save(0, 0, cap, {}, 42, 3, 5, 0, true)};
    QTest::newRow("83 caption beyond a one-byte count")
        << Request([](CNetwork &n) { n.slot_onSendCard(QString(300, 'c'), "Ann", "4321", 0); })
        << QStringList{save(0, PEER, {}, content("Ann"), 42, 3, 0, 1, true)};
}

void TestMessages::requestBytes()
{
    QFETCH(Request, request);
    QFETCH(QStringList, events);
    CNetwork net;
    Protocol proto;
    QObject::connect(&net, &CNetwork::sig_createProtocol, &proto, &Protocol::slot_onCreateProtocol);
    Recorder rec(proto, &net);
    request(net);
    QCOMPARE(rec.events, events);
}

void TestMessages::replies_data()
{
    QTest::addColumn<QByteArray>("packet");
    QTest::addColumn<QStringList>("events");

    const QByteArray hello = content("hello");
    QTest::newRow("14 text") << text14(PEER, 7, "hello")
                             << QStringList{receipt(PEER, 7),
                                            save(0, PEER, {}, hello, 7, 0, 0, 0, false)};
    QTest::newRow("14 empty text: receipt only")
        << FakePacket(Codes::CmdMessage).u32(PEER).u32(OWN).u32(7).u32(0).u8(0).bytes()
        << QStringList{receipt(PEER, 7)};
    QTest::newRow("14 unknown sub-type: receipt only")
        << text14(PEER, 7, "hello", 9) << QStringList{receipt(PEER, 7)};
    QTest::newRow("14 for another user") << text14(PEER, 7, "hello", 0, OWN + 1) << QStringList{};
    QTest::newRow("14 count beyond the packet") << FakePacket(Codes::CmdMessage)
                                                       .u32(PEER)
                                                       .u32(OWN)
                                                       .u32(7)
                                                       .u32(0xFFFFFFFF)
                                                       .raw("abc")
                                                       .u8(0)
                                                       .bytes()
                                                << QStringList{};

    const QByteArray see = content("see");
    const QString day = "2023-03-15 12:00:00";
    QTest::newRow("14 file without extension")
        << attach14(2, 45000.5, items({"report", "md5", "1024", "doc"}))
        << QStringList{receipt(PEER, 8), save(0, PEER, {}, see, 8, 0, 0, 2, false,
                                              {day, "report.doc", "md5", "1024", "doc"})};
    QTest::newRow("14 file with dots")
        << attach14(3, 45000.5, items({"a.b.txt", "m", "n", "pdf"}))
        << QStringList{receipt(PEER, 8), save(0, PEER, {}, see, 8, 0, 0, 3, false,
                                              {day, "a.b.pdf", "m", "n", "pdf"})};
    QTest::newRow("14 two items") << attach14(5, 45000.5, items({"地图", "116.3,39.9"}))
                                  << QStringList{receipt(PEER, 8),
                                                 save(0, PEER, {}, see, 8, 0, 0, 5, false,
                                                      {day, "地图", "116.3,39.9"})};
    QTest::newRow("14 time that is no date")
        << attach14(5, std::numeric_limits<double>::quiet_NaN(), items({"x", "y"}))
        << QStringList{receipt(PEER, 8), save(0, PEER, {}, see, 8, 0, 0, 5, false, {"", "x", "y"})};
    QTest::newRow("14 time beyond the year 9999")
        << attach14(5, 1e300, items({"x", "y"}))
        << QStringList{receipt(PEER, 8), save(0, PEER, {}, see, 8, 0, 0, 5, false, {"", "x", "y"})};
    QTest::newRow("14 attachment with too few items")
        << attach14(2, 45000.5, items({"report", "md5", "1024"})) << QStringList{};
    QTest::newRow("14 attachment item count beyond the block")
        << attach14(5, 45000.5, FakePacket(0).u32(0x7FFFFFFF).raw("x").bytes().mid(1))
        << QStringList{};

    QTest::newRow("16 accepted") << receipt16(PEER, 0, 42)
                                 << QStringList{update(0, le(PEER), 42, 1, 0)};
    QTest::newRow("16 refused") << receipt16(PEER, 1, 42) << QStringList{};
    QTest::newRow("16 for another user") << receipt16(PEER, 0, 42, 5) << QStringList{};

    QTest::newRow("15 message delivered")
        << report15(PEER, 0, 0, 42) << QStringList{update(0, le(PEER), 42, 2, 0)};
    QTest::newRow("15 card delivered")
        << report15(PEER, 3, 0, 42) << QStringList{update(0, le(PEER), 42, 2, 0)};
    QTest::newRow("15 accepted, nothing sent over TCP")
        << report15(PEER, 0, 1, 42) << QStringList{};
    QTest::newRow("15 other state") << report15(PEER, 0, 7, 42) << QStringList{};
    QTest::newRow("15 call not delivered, no call placed")
        << report15(PEER, 1, 0, 0) << QStringList{};
    QTest::newRow("15 call, other state") << report15(PEER, 1, 1, 0) << QStringList{};
    QTest::newRow("15 kind 2") << report15(PEER, 2, 0, 42) << QStringList{};

    QTest::newRow("34 offline") << offline34()
                                << QStringList{
                                       QString("offline|%1|while away|45000.250|31").arg(PEER),
                                       receipt(PEER, 31)};
    QTest::newRow("34 for another user") << offline34(OWN + 1) << QStringList{};
    QTest::newRow("34 count beyond the packet") << offline34(OWN, 0xFFFFFFF0) << QStringList{};

    QTest::newRow("97 member message")
        << circle97(0, PEER)
        << QStringList{save(CIRCLE, PEER, {}, content("hi circle"), 13, 0, 7, 0, false)};
    QTest::newRow("97 own message echoed") << circle97(0, OWN) << QStringList{};
    QTest::newRow("97 own message accepted")
        << circle97(2, 0, 0) << QStringList{update(CIRCLE, {}, 13, 1, 7)};
    QTest::newRow("97 own message refused")
        << circle97(2, 0, 4) << QStringList{update(CIRCLE, {}, 13, 3, 7)};
    QTest::newRow("97 for another user") << circle97(0, PEER, 0, OWN + 1) << QStringList{};
    QTest::newRow("97 unknown kind") << circle97(5, PEER) << QStringList{};

    const QByteArray cap = caption("Bo的名片");
    const QByteArray card = content("Bo:0:Shop");
    QTest::newRow("83 card") << card83(0)
                             << QStringList{save(0, PEER, cap, card, 12, 0, 0, 1, false)};
    QTest::newRow("83 card request")
        << card83(1) << QStringList{save(0, PEER, cap, {}, 12, 0, 5, 0, false)};
    QTest::newRow("83 exchanged card")
        << card83(3) << QStringList{save(0, PEER, cap, card, 12, 0, 5, 3, false)};
    QTest::newRow("83 answer nobody asked for") << card83(2) << QStringList{};
    QTest::newRow("83 for another user") << card83(0, OWN + 1) << QStringList{};
    QTest::newRow("83 unknown kind")
        << FakePacket(Codes::CmdCardMessage).u32(PEER).u32(OWN).u8(4).u32(12).raw(cap).bytes()
        << QStringList{};
}

void TestMessages::replies()
{
    QFETCH(QByteArray, packet);
    QFETCH(QStringList, events);
    Protocol proto;
    Recorder rec(proto);
    proto.slot_onParseProtocol(packet, QString(), 0);
    QCOMPARE(rec.events, events);
}

void TestMessages::deliveryReportsDuringPush_data()
{
    QTest::addColumn<int>("pushType");
    QTest::addColumn<QByteArray>("packet");
    QTest::addColumn<QStringList>("events");

    const QString unreachable = QString("call|12|%1").arg(PEER);
    QTest::newRow("call not delivered, no push reply yet")
        << -1 << report15(PEER, 1, 0, 0) << QStringList{unreachable};
    QTest::newRow("call not delivered after a push that only reached")
        << 0 << report15(PEER, 1, 0, 0) << QStringList{unreachable};
    QTest::newRow("call not delivered after a push that was delivered")
        << 1 << report15(PEER, 1, 0, 0) << QStringList{};
    QTest::newRow("call not delivered to somebody else")
        << -1 << report15(PEER + 1, 1, 0, 0) << QStringList{};
    QTest::newRow("message delivered")
        << -1 << report15(PEER, 0, 0, 42) << QStringList{update(0, le(PEER), 42, 2, 0)};
    QTest::newRow("card delivered")
        << -1 << report15(PEER, 3, 0, 42) << QStringList{update(0, le(PEER), 42, 2, 0)};
}

// The delivery report parser owns every kind: messages and cards stay with this family, the
// call push goes to the call being placed and nowhere else.
void TestMessages::deliveryReportsDuringPush()
{
    QFETCH(int, pushType);
    QFETCH(QByteArray, packet);
    QFETCH(QStringList, events);
    CNetwork net;
    Protocol proto;
    wire(net, proto);
    Recorder rec(proto, &net);
    net.slot_onSendPush(QString::number(PEER));
    if (pushType >= 0)
        proto.slot_onParseProtocol(FakeService::pushReply(PEER, quint8(pushType)), QString(), 0);
    rec.events.clear();
    proto.slot_onParseProtocol(packet, QString(), 0);
    QCOMPARE(rec.events, events);
    QCOMPARE(callSession().peer(), events.contains(QString("call|12|%1").arg(PEER)) ? 0u : PEER);
}

void TestMessages::truncatedReplies_data()
{
    QTest::addColumn<QByteArray>("packet");
    QTest::newRow("14 text") << text14(PEER, 7, "hello");
    QTest::newRow("14 file") << attach14(2, 45000.5, items({"report", "md5", "1024", "doc"}));
    QTest::newRow("14 two items") << attach14(5, 45000.5, items({"x", "y"}));
    QTest::newRow("15") << report15(PEER, 0, 0, 42);
    QTest::newRow("16") << receipt16(PEER, 0, 42);
    QTest::newRow("34") << offline34();
    QTest::newRow("97 member message") << circle97(0, PEER);
    QTest::newRow("97 result") << circle97(2, 0);
    for (quint8 iKind : {0, 1, 3})
        QTest::addRow("83 kind %d", iKind) << card83(iKind);
}

void TestMessages::truncatedReplies()
{
    QFETCH(QByteArray, packet);
    Protocol proto;
    Recorder rec(proto);
    proto.slot_onParseProtocol(packet, QString(), 0);
    QVERIFY(!rec.events.isEmpty());
    for (int n = 0; n < packet.size(); ++n) {
        rec.events.clear();
        msgTracker().reset();
        proto.slot_onParseProtocol(packet.left(n), QString(), 0);
        QVERIFY2(rec.events.isEmpty(),
                 qPrintable(QString("cut at %1: %2").arg(n).arg(rec.events.join(' '))));
    }
}

void TestMessages::receiptRemovesOnlyItsMessage()
{
    Protocol proto;
    setResend(key14(42, PEER), "abc");
    setResend(key14(43, PEER), "abc");
    setResend(key14(42, PEER + 1), "abc");
    proto.slot_onParseProtocol(receipt16(PEER, 0, 42), QString(), 0);
    QCOMPARE(sessionState().mapResend.keys(),
             (QList<QByteArray>{key14(42, PEER + 1), key14(43, PEER)}));
    proto.slot_onParseProtocol(report15(PEER + 1, 0, 0, 42), QString(), 0);
    QCOMPARE(sessionState().mapResend.keys(), QList<QByteArray>{key14(43, PEER)});
    // A card's delivery report leaves the message table alone.
    proto.slot_onParseProtocol(report15(PEER, 3, 0, 43), QString(), 0);
    QCOMPARE(sessionState().mapResend.keys(), QList<QByteArray>{key14(43, PEER)});
}

void TestMessages::receivedMessageLeavesOwnResendAlone()
{
    // Our message 7 to PEER and PEER's message 7 to us share id and zpid.
    Protocol proto;
    setResend(key14(7, PEER), "abc");
    proto.slot_onParseProtocol(text14(PEER, 7, "hello"), QString(), 0);
    QVERIFY(sessionState().mapResend.contains(key14(7, PEER)));
}

void TestMessages::repeatedMessageStoredOnce()
{
    Protocol proto;
    Recorder rec(proto);
    const QByteArray hello = content("hello");
    for (int i = 0; i < 3; ++i)
        proto.slot_onParseProtocol(text14(PEER, 7, "hello"), QString(), 0);
    proto.slot_onParseProtocol(text14(PEER + 1, 7, "hello"), QString(), 0);
    proto.slot_onParseProtocol(text14(PEER, 8, "hello"), QString(), 0);
    QCOMPARE(rec.events,
             (QStringList{receipt(PEER, 7), save(0, PEER, {}, hello, 7, 0, 0, 0, false),
                          receipt(PEER, 7), receipt(PEER, 7), receipt(PEER + 1, 7),
                          save(0, PEER + 1, {}, hello, 7, 0, 0, 0, false), receipt(PEER, 8),
                          save(0, PEER, {}, hello, 8, 0, 0, 0, false)}));
}

void TestMessages::messageLiveAndOfflineStoredOnce()
{
    // The same message (sender and id) handed over live and as held, in either order, and held
    // twice: each copy is answered, one is stored.
    const QString strOffline = QStringLiteral("offline|%1|while away|45000.250|31").arg(PEER);
    const QByteArray live = content("while away");
    const struct
    {
        QList<QByteArray> packets;
        QStringList expected;
    } cases[] = {
        {{text14(PEER, 31, "while away"), offline34()},
         {receipt(PEER, 31), save(0, PEER, {}, live, 31, 0, 0, 0, false), receipt(PEER, 31)}},
        {{offline34(), text14(PEER, 31, "while away")},
         {strOffline, receipt(PEER, 31), receipt(PEER, 31)}},
        {{offline34(), offline34()}, {strOffline, receipt(PEER, 31), receipt(PEER, 31)}},
    };
    for (const auto &c : cases) {
        msgTracker().reset();
        Protocol proto;
        Recorder rec(proto);
        for (const QByteArray &packet : c.packets)
            proto.slot_onParseProtocol(packet, QString(), 0);
        QCOMPARE(rec.events, c.expected);
    }
}

void TestMessages::repeatMemoryIsBounded()
{
    Protocol proto;
    QSignalSpy saved(&proto, &Protocol::sig_saveMsgRecord);
    for (quint32 i = 0; i <= quint32(CMsgTracker::CAPACITY); ++i)
        proto.slot_onParseProtocol(text14(PEER, i, "x"), QString(), 0);
    QCOMPARE(saved.size(), CMsgTracker::CAPACITY + 1);
    // The newest are remembered, the oldest forgotten.
    proto.slot_onParseProtocol(text14(PEER, 1, "x"), QString(), 0);
    QCOMPARE(saved.size(), CMsgTracker::CAPACITY + 1);
    proto.slot_onParseProtocol(text14(PEER, 0, "x"), QString(), 0);
    QCOMPARE(saved.size(), CMsgTracker::CAPACITY + 2);
}

void TestMessages::tcpAcceptancePerMessage()
{
    Protocol proto;
    Recorder rec(proto);
    const QByteArray arLong = content(QString(300, 'l'));
    for (quint32 iPeer : {PEER, PEER + 1})
        proto.slot_onCreateProtocol(
            Codes::CmdMessage,
            FakePacket(0).u32(iPeer).u32(50).raw(arLong).u8(0).u32(0).bytes().mid(1));
    proto.slot_onCreateProtocol(
        Codes::CmdMessage,
        FakePacket(0).u32(PEER).u32(51).raw(content("short")).u8(0).u32(0).bytes().mid(1));
    rec.events.clear();
    for (const QByteArray &ar :
         {report15(PEER + 1, 0, 1, 50), report15(PEER + 1, 0, 1, 50), report15(PEER, 0, 1, 51),
          report15(PEER, 0, 1, 49), report15(PEER, 0, 1, 50)})
        proto.slot_onParseProtocol(ar, QString(), 0);
    QCOMPARE(rec.events,
             (QStringList{update(0, le(PEER + 1), 50, 1, 0), update(0, le(PEER), 50, 1, 0)}));

    // A card is accepted once too; its delivery forgets it.
    proto.slot_onCreateProtocol(Codes::CmdCardMessage,
                                FakePacket(0).u32(PEER).u8(3).raw(caption("c")).bytes().mid(1));
    rec.events.clear();
    proto.slot_onParseProtocol(report15(PEER, 3, 0, 42), QString(), 0);
    proto.slot_onParseProtocol(report15(PEER, 3, 1, 42), QString(), 0);
    QCOMPARE(rec.events, QStringList{update(0, le(PEER), 42, 2, 0)});
}

void TestMessages::cardAnswerNeedsOurRequest_data()
{
    QTest::addColumn<int>("requestKind");
    QTest::addColumn<quint32>("requestTo");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("stored");
    QTest::newRow("agreed after our request") << 1 << PEER << 0 << true;
    QTest::newRow("refused after our request") << 1 << PEER << 1 << false;
    QTest::newRow("request went to someone else") << 1 << PEER + 1 << 0 << false;
    QTest::newRow("we only sent a card") << 0 << PEER << 0 << false;
}

void TestMessages::cardAnswerNeedsOurRequest()
{
    QFETCH(int, requestKind);
    QFETCH(quint32, requestTo);
    QFETCH(int, answer);
    QFETCH(bool, stored);
    CNetwork net;
    Protocol proto;
    QObject::connect(&net, &CNetwork::sig_createProtocol, &proto, &Protocol::slot_onCreateProtocol);
    net.slot_onSendCard("me", "me:0", QString::number(requestTo), qint8(requestKind));
    QSignalSpy saved(&proto, &Protocol::sig_saveMsgRecord);
    const QByteArray arAnswer =
        FakePacket(Codes::CmdCardMessage).u32(PEER).u32(OWN).u8(2).u32(12).u8(quint8(answer));
    proto.slot_onParseProtocol(arAnswer, QString(), 0);
    QCOMPARE(saved.size(), stored ? 1 : 0);
    if (stored)
        QCOMPARE(saved.first(), (QList<QVariant>{0u, PEER, QByteArray(), QByteArray(), 12, 0, 5, 1,
                                                 false, QStringList()}));
    // The request is answered once: a repeated or forged second answer does nothing.
    proto.slot_onParseProtocol(arAnswer, QString(), 0);
    QCOMPARE(saved.size(), stored ? 1 : 0);
}

void TestMessages::tcpMessageFailsWhileTcpIsDown_data()
{
    QTest::addColumn<Request>("request");
    QTest::addColumn<QString>("failure");
    QTest::newRow("14 over TCP") << Request([](CNetwork &n) {
        n.slot_onSendMsg(QString(300, 'l'), "4321");
    }) << update(0, le(PEER), 42, 3, 0);
    QTest::newRow("83 card") << Request([](CNetwork &n) { n.slot_onSendCard("c", "d", "4321", 0); })
                             << update(0, le(PEER), 42, 3, 0);
    QTest::newRow("83 card request")
        << Request([](CNetwork &n) { n.slot_onSendCard("c", "", "4321", 1); })
        << update(0, le(PEER), 42, 3, 5);
    QTest::newRow("97 circle") << Request([](CNetwork &n) { n.slot_onSendCircleMsg("m", "77"); })
                               << update(CIRCLE, {}, 42, 3, 7);
}

void TestMessages::tcpMessageFailsWhileTcpIsDown()
{
    QFETCH(Request, request);
    QFETCH(QString, failure);
    CNetwork net;
    Protocol proto;
    wire(net, proto);
    Recorder rec(proto, &net);
    auto updatesOf = [&rec] { return rec.events.filter(QRegularExpression("^update")); };

    // No TCP socket yet, then one that is not connected: the record is made, then fails.
    request(net);
    QCOMPARE(rec.events.first().left(5), QString("save|"));
    QCOMPARE(updatesOf(), QStringList{failure});
    net.slot_onConnectServer("127.0.0.1", 1, CONNECT_RESUME, SOCKET_TCP);
    rec.events.clear();
    setMsgIdCounter(41);
    request(net);
    QCOMPARE(updatesOf(), QStringList{failure});
    // Nothing is left waiting for an acceptance that cannot come.
    QVERIFY(!msgTracker().takeSentOverTcp(PEER, 42));
    QVERIFY(!msgTracker().takeCardRequest(PEER));

    net.slot_onConnectServer("127.0.0.1", m_fake.subPort(), CONNECT_RESUME, SOCKET_TCP);
    QTRY_VERIFY(net.socket(SOCKET_TCP)->isConnected());
    rec.events.clear();
    setMsgIdCounter(41);
    request(net);
    QVERIFY(updatesOf().isEmpty());
    QTRY_COMPARE(m_fake.received().size(), 1);
    QCOMPARE(m_fake.received().first().channel, FakeService::Sub);
}

void TestMessages::datagramsOnlyFromSubServer()
{
    CNetwork net;
    QSignalSpy parsed(&net, &CNetwork::sig_parseProtocol);
    net.slot_onConnectServer("127.0.0.1", m_fake.udpPort(), CONNECT_MAIN, SOCKET_UDP);
    CSocket *pUdp = net.socket(SOCKET_UDP);
    QString strHost;
    pUdp->write("\x2a", 1, strHost, 0);
    QTRY_COMPARE(m_fake.received().size(), 1);

    // No sub-server known yet: nobody may speak for it.
    m_fake.pushUdp(FakePacket(Codes::CmdHeartbeat));
    QTest::qWait(50);
    QVERIFY(parsed.isEmpty());

    sessionState().g_strSubServerIp = "127.0.0.1";
    sessionState().g_iSubServerPort = m_fake.udpPort();
    QUdpSocket stranger;
    QVERIFY(stranger.bind(QHostAddress::LocalHost, 0));
    stranger.writeDatagram(FakePacket(Codes::CmdHeartbeat), QHostAddress::LocalHost,
                           pUdp->localPort());
    m_fake.pushUdp(FakePacket(Codes::CmdHeartbeat).u8(1));
    QTRY_COMPARE(parsed.size(), 1);
    QTest::qWait(50);
    QCOMPARE(parsed.size(), 1);
    QCOMPARE(parsed.first().at(0).toByteArray(), QByteArray::fromHex("0301"));
}

void TestMessages::serve(const FakeService::Messaging &messaging)
{
    FakeService::Account account;
    account.iZpid = OWN;
    m_fake.serveAccount(account);
    m_fake.serveMessages(messaging);
}

void TestMessages::openSession(CNetwork &net)
{
    CSessionState &s = sessionState();
    s.g_strSubServerIp = "127.0.0.1";
    s.g_iSubServerPort = m_fake.udpPort();
    net.slot_onConnectServer("127.0.0.1", m_fake.subPort(), CONNECT_RESUME, SOCKET_TCP);
    QTRY_VERIFY(net.socket(SOCKET_TCP)->isConnected());
    net.slot_onConnectServer("127.0.0.1", m_fake.udpPort(), CONNECT_RESUME, SOCKET_UDP);
}

void TestMessages::deliveryAgainstService()
{
    FakeService::Messaging messaging;
    messaging.cardAnswers.insert(PEER, 0);
    messaging.offline << FakeService::Offline{PEER, 45000.75, 30, "while away"};
    serve(messaging);

    CNetwork net;
    Protocol proto;
    wire(net, proto);
    Recorder rec(proto, &net);
    QSignalSpy offline(&proto, &Protocol::sig_saveOfflineMsg);
    openSession(net);
    QTRY_COMPARE(offline.size(), 1);
    QCOMPARE(offline.first(), (QList<QVariant>{PEER, "while away", 45000.75, 30}));

    auto statesOf = [&rec](int iMsgId) {
        QStringList list;
        for (const QString &s : std::as_const(rec.events)) {
            const QStringList f = s.split('|');
            if (f.at(0) == "update" && f.at(3).toInt() == iMsgId)
                list << f.at(4);
        }
        return list;
    };
    net.slot_onSendMsg("hello", "4321");
    net.slot_onSendMsg(QString(300, 'l'), "4321");
    QTRY_COMPARE(statesOf(42), (QStringList{"1", "2"}));
    QTRY_COMPARE(statesOf(43), (QStringList{"1", "2"}));
    QVERIFY(sessionState().mapResend.isEmpty());
    QCOMPARE(m_fake.messaging().texts, (QStringList{"hello", QString(300, 'l')}));
    QCOMPARE(m_fake.packets(Codes::CmdMessage, FakeService::Udp).size(), 1);
    QCOMPARE(m_fake.packets(Codes::CmdMessage, FakeService::Sub).size(), 1);

    // The peer answers our card request; the answer is stored once.
    net.slot_onSendCard("me", "", "4321", 1);
    QTRY_VERIFY(rec.events.contains(save(0, PEER, {}, {}, 1044, 0, 5, 1, false)));
    QTRY_COMPARE(statesOf(44), QStringList{"1"});

    net.slot_onSendCircleMsg("hi all", "77");
    QTRY_VERIFY(rec.events.contains(update(CIRCLE, {}, 45, 1, 7)));
    net.logout();
}

void TestMessages::giveUpAgainstService_data()
{
    QTest::addColumn<bool>("receipt");
    QTest::addColumn<int>("result");
    QTest::newRow("no receipt") << false << 0;
    QTest::newRow("refused by the server") << true << 2;
}

void TestMessages::giveUpAgainstService()
{
    QFETCH(bool, receipt);
    QFETCH(int, result);
    FakeService::Messaging messaging;
    messaging.bReceipt = receipt;
    messaging.iReceiptResult = quint8(result);
    serve(messaging);
    sessionState().iResendMs = 20;

    CNetwork net;
    Protocol proto;
    wire(net, proto);
    QSignalSpy updates(&net, &CNetwork::sig_updateMsgRecord);
    QSignalSpy accepted(&proto, &Protocol::sig_updateMsgRecord);
    openSession(net);
    net.slot_onSendMsg("hello", "4321");
    QTRY_COMPARE(updates.size(), 1);
    QCOMPARE(updates.first(), (QList<QVariant>{0u, le(PEER), 42, 3, 0}));
    QVERIFY(accepted.isEmpty());
    // The first send and four or five re-sends, then nothing more.
    const int iSent = int(m_fake.packets(Codes::CmdMessage, FakeService::Udp).size());
    QVERIFY2(iSent == 5 || iSent == 6, qPrintable(QString::number(iSent)));
    QVERIFY(!sessionState().mapResend.contains(key14(42, PEER)));
    net.logout();
}

QTEST_GUILESS_MAIN(TestMessages)
#include "tst_messages.moc"
