// One-to-one and card messages through the service over loopback, between scripted clients
// that speak with the fake service's own encoder and cipher: the live relay with its receipt
// and delivery report, messages held for an addressee who is away and handed over once, in
// order, at a later sign-in (again after a lost receipt), card messages, the newest session
// taking delivery, and the assistant's answer.
#include <QtTest>

#include <cstring>

#include "cmessagecommands.h"
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
// Long enough that its ciphertext leaves the datagram size the client keeps to.
const QString kLongText(300, QLatin1Char('l'));

QByteArray textMessage(quint32 iFrom, quint32 iTo, quint32 iMsgId, const QString &strText)
{
    return FakePacket(Codes::CmdMessage)
        .u32(iFrom)
        .u32(iTo)
        .u32(iMsgId)
        .blob32(fakeEncrypt(strText.toUtf8()))
        .u8(0)
        .blob32(QByteArray());
}

QByteArray receipt(quint32 iSelf, quint32 iSender, quint32 iMsgId)
{
    return FakePacket(Codes::CmdMessageReceipt).u32(iSelf).u32(iSender).u8(0).u32(iMsgId);
}

QByteArray report(quint32 iPeer, quint8 iKind, quint8 iState, quint32 iMsgId)
{
    return FakePacket(Codes::CmdDeliveryReport).u32(iPeer).u8(iKind).u8(iState).u32(iMsgId);
}

// The text of a relayed message (offset 13) or of an offline message (offset 21).
QString textAt(const QByteArray &arPacket, int iCountOffset)
{
    const qint64 n = FakePacket::u32At(arPacket, iCountOffset);
    return n < 0 ? QString() : fakeDecryptText(arPacket.mid(iCountOffset + 4, int(n)));
}

double dateAt(const QByteArray &arPacket, int iOffset)
{
    quint64 iBits = 0;
    for (int i = 0; i < 8; ++i)
        iBits |= quint64(quint8(arPacket.at(iOffset + i))) << (8 * i);
    double d = 0;
    std::memcpy(&d, &iBits, sizeof d);
    return d;
}

} // namespace

class TestServiceMessages : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void liveMessageIsRelayedAndReported_data();
    void liveMessageIsRelayedAndReported();
    void heldMessagesComeOnceInOrderAtSignIn();
    void deliveryReportWaitsForTheSender();
    void attachmentIsHeldInItsLiveForm();
    void cardMessagesAreRelayedAndHeld();
    void newestSessionTakesDelivery();
    void assistantAnswers();

private:
    std::unique_ptr<ServiceClient> signedIn(quint32 iZpid);
    // Closes the client's connection and waits until the service has ended its session.
    void signOff(std::unique_ptr<ServiceClient> &client, quint32 iZpid);

    std::unique_ptr<ServiceFixture> m_pFixture;
};

void TestServiceMessages::init()
{
    m_pFixture = std::make_unique<ServiceFixture>();
    QVERIFY2(m_pFixture->start(), qPrintable(m_pFixture->error()));
}

void TestServiceMessages::cleanup()
{
    m_pFixture.reset();
}

std::unique_ptr<ServiceClient> TestServiceMessages::signedIn(quint32 iZpid)
{
    auto client = std::make_unique<ServiceClient>(m_pFixture->mainPort());
    if (!client->connectSub() || client->login(QString::number(iZpid), kPassword) != 0 ||
        !client->heartbeat())
        return nullptr;
    return client;
}

void TestServiceMessages::signOff(std::unique_ptr<ServiceClient> &client, quint32 iZpid)
{
    client.reset();
    QTRY_VERIFY(!m_pFixture->service().sessions().isOnline(iZpid));
}

void TestServiceMessages::liveMessageIsRelayedAndReported_data()
{
    QTest::addColumn<bool>("overTcp");
    QTest::addColumn<QString>("text");
    QTest::newRow("datagram") << false << QStringLiteral("你好：明天见;好吗");
    QTest::newRow("tcp") << true << kLongText;
}

void TestServiceMessages::liveMessageIsRelayedAndReported()
{
    QFETCH(bool, overTcp);
    QFETCH(QString, text);
    auto zhang = signedIn(kZhang);
    auto li = signedIn(kLi);
    QVERIFY(zhang && li);

    const QByteArray arMessage = textMessage(kZhang, kLi, 41, text);
    if (overTcp) {
        zhang->sendTcp(arMessage);
        QCOMPARE(zhang->takeTcp(Codes::CmdDeliveryReport, 5000), report(kLi, 0, 1, 41));
    } else {
        zhang->sendUdp(arMessage);
        QCOMPARE(zhang->takeUdp(Codes::CmdMessageReceipt, 5000),
                 FakePacket(Codes::CmdMessageReceipt).u32(kLi).u32(kZhang).u8(0).u32(41).bytes());
    }

    const QByteArray arRelayed = li->takeTcp(Codes::CmdMessage, 5000);
    QCOMPARE(arRelayed.left(13),
             FakePacket(Codes::CmdMessage).u32(kZhang).u32(kLi).u32(41).bytes());
    QCOMPARE(textAt(arRelayed, 13), text);
    QCOMPARE(quint8(arRelayed.at(arRelayed.size() - 1)), quint8(0));
    // Not delivered before the addressee says so.
    QTest::qWait(200);
    QVERIFY(zhang->takeTcp(Codes::CmdDeliveryReport, 0).isEmpty());

    li->sendUdp(receipt(kLi, kZhang, 41));
    QCOMPARE(zhang->takeTcp(Codes::CmdDeliveryReport, 5000), report(kLi, 0, 0, 41));
    // A repeated receipt reports nothing more.
    li->sendUdp(receipt(kLi, kZhang, 41));
    QTest::qWait(200);
    QVERIFY(zhang->takeTcp(Codes::CmdDeliveryReport, 0).isEmpty());
    QCOMPARE(m_pFixture->service().store().storedMessages().count(kLi), 0);
}

void TestServiceMessages::heldMessagesComeOnceInOrderAtSignIn()
{
    auto zhang = signedIn(kZhang);
    QVERIFY(zhang);
    const QStringList texts{QStringLiteral("第一"), QStringLiteral("second: with ; marks"),
                            QStringLiteral("third")};
    const double dBefore = CMessageCommands::oleDate(QDateTime::currentDateTime());
    for (int i = 0; i < texts.size(); ++i) {
        zhang->sendUdp(textMessage(kZhang, kLi, quint32(100 + i), texts.at(i)));
        QCOMPARE(quint8(zhang->takeUdp(Codes::CmdMessageReceipt, 5000).at(9)), quint8(0));
    }
    // The client re-sends when our receipt is lost: the copy is not held twice.
    zhang->sendUdp(textMessage(kZhang, kLi, 101, texts.at(1)));
    QVERIFY(!zhang->takeUdp(Codes::CmdMessageReceipt, 5000).isEmpty());

    auto takeHeld = [&](ServiceClient &li) {
        QList<QByteArray> held;
        for (int i = 0; i < texts.size(); ++i)
            held << li.takeTcp(Codes::CmdOfflineMessage, 5000);
        QTest::qWait(200);
        QVERIFY(li.takeTcp(Codes::CmdOfflineMessage, 0).isEmpty());
        for (int i = 0; i < texts.size(); ++i) {
            QCOMPARE(held.at(i).left(9),
                     FakePacket(Codes::CmdOfflineMessage).u32(kZhang).u32(kLi).bytes());
            QCOMPARE(FakePacket::u32At(held.at(i), 17), 100 + i);
            QCOMPARE(textAt(held.at(i), 21), texts.at(i));
            const double dSent = dateAt(held.at(i), 9);
            QVERIFY(dSent >= dBefore - 1.0 / 86400 && dSent <= dBefore + 60.0 / 86400);
        }
    };

    // First sign-in: the receipts are lost, so everything stays held...
    auto li = signedIn(kLi);
    QVERIFY(li);
    takeHeld(*li);
    signOff(li, kLi);
    // ...and comes again, with the same ids, at the next sign-in.
    li = signedIn(kLi);
    QVERIFY(li);
    takeHeld(*li);
    for (int i = 0; i < texts.size(); ++i) {
        li->sendUdp(receipt(kLi, kZhang, quint32(100 + i)));
        QCOMPARE(zhang->takeTcp(Codes::CmdDeliveryReport, 5000),
                 report(kLi, 0, 0, quint32(100 + i)));
    }
    signOff(li, kLi);
    li = signedIn(kLi);
    QVERIFY(li);
    QTest::qWait(300);
    QVERIFY(li->takeTcp(Codes::CmdOfflineMessage, 0).isEmpty());
    QVERIFY(li->takeTcp(Codes::CmdMessage, 0).isEmpty());
}

// The sender signed out before the addressee confirmed: the delivery report waits for the
// sender's next sign-in and comes once, and the stored copy of the message is gone.
void TestServiceMessages::deliveryReportWaitsForTheSender()
{
    auto zhang = signedIn(kZhang);
    QVERIFY(zhang);
    zhang->sendUdp(textMessage(kZhang, kLi, 77, QStringLiteral("稍后见")));
    QCOMPARE(quint8(zhang->takeUdp(Codes::CmdMessageReceipt, 5000).at(9)), quint8(0));
    signOff(zhang, kZhang);

    auto li = signedIn(kLi);
    QVERIFY(li);
    QVERIFY(!li->takeTcp(Codes::CmdOfflineMessage, 5000).isEmpty());
    li->sendUdp(receipt(kLi, kZhang, 77));
    QTRY_COMPARE(m_pFixture->service().store().storedMessages().count(kZhang), 1);
    QCOMPARE(m_pFixture->service().store().storedMessages().count(kLi), 0);

    zhang = signedIn(kZhang);
    QVERIFY(zhang);
    QCOMPARE(zhang->takeTcp(Codes::CmdDeliveryReport, 5000), report(kLi, 0, 0, 77));
    QTRY_COMPARE(m_pFixture->service().store().storedMessages().count(kZhang), 0);
    signOff(zhang, kZhang);
    zhang = signedIn(kZhang);
    QVERIFY(zhang);
    QTest::qWait(300);
    QVERIFY(zhang->takeTcp(Codes::CmdDeliveryReport, 0).isEmpty());
}

void TestServiceMessages::attachmentIsHeldInItsLiveForm()
{
    auto zhang = signedIn(kZhang);
    QVERIFY(zhang);
    const QByteArray arAttachment = fakeEncrypt(FakePacket(0).blob32("report.doc").bytes().mid(1));
    zhang->sendTcp(FakePacket(Codes::CmdMessage)
                       .u32(kZhang)
                       .u32(kWang)
                       .u32(7)
                       .blob32(fakeEncrypt("see file"))
                       .u8(2)
                       .blob32(arAttachment));
    QCOMPARE(zhang->takeTcp(Codes::CmdDeliveryReport, 5000), report(kWang, 0, 1, 7));

    auto wang = signedIn(kWang);
    QVERIFY(wang);
    const QByteArray arHeld = wang->takeTcp(Codes::CmdMessage, 5000);
    QCOMPARE(arHeld.left(13), FakePacket(Codes::CmdMessage).u32(kZhang).u32(kWang).u32(7).bytes());
    QCOMPARE(textAt(arHeld, 13), QStringLiteral("see file"));
    const int iSubType = 17 + int(FakePacket::u32At(arHeld, 13));
    QCOMPARE(quint8(arHeld.at(iSubType)), quint8(2));
    QVERIFY(dateAt(arHeld, iSubType + 1) > 40000);
    QCOMPARE(arHeld.mid(iSubType + 9), FakePacket(0).blob32(arAttachment).bytes().mid(1));
    QVERIFY(wang->takeTcp(Codes::CmdOfflineMessage, 0).isEmpty());
}

void TestServiceMessages::cardMessagesAreRelayedAndHeld()
{
    auto zhang = signedIn(kZhang);
    auto li = signedIn(kLi);
    QVERIFY(zhang && li);
    const QByteArray arFields = FakePacket(0)
                                    .str8(fakeEncrypt("张伟的名片"))
                                    .blob32(fakeEncrypt("张伟:0:产品经理"))
                                    .bytes()
                                    .mid(1);

    // Live: relayed to the addressee's connection, accepted and delivered.
    zhang->sendTcp(
        FakePacket(Codes::CmdCardMessage).u32(kZhang).u32(kLi).u8(0).u32(5).raw(arFields));
    QCOMPARE(zhang->takeTcp(Codes::CmdDeliveryReport, 5000), report(kLi, 3, 1, 5));
    QCOMPARE(zhang->takeTcp(Codes::CmdDeliveryReport, 5000), report(kLi, 3, 0, 5));
    QCOMPARE(
        li->takeTcp(Codes::CmdCardMessage, 5000),
        FakePacket(Codes::CmdCardMessage).u32(kZhang).u32(kLi).u8(0).u32(5).raw(arFields).bytes());

    // Away: a card request is held, handed over at the next sign-in and not again.
    const QByteArray arRequest = FakePacket(0).str8(fakeEncrypt("李娜:1")).bytes().mid(1);
    signOff(li, kLi);
    zhang->sendTcp(
        FakePacket(Codes::CmdCardMessage).u32(kZhang).u32(kLi).u8(1).u32(6).raw(arRequest));
    QCOMPARE(zhang->takeTcp(Codes::CmdDeliveryReport, 5000), report(kLi, 3, 1, 6));
    QTest::qWait(200);
    QVERIFY(zhang->takeTcp(Codes::CmdDeliveryReport, 0).isEmpty());
    li = signedIn(kLi);
    QVERIFY(li);
    QCOMPARE(
        li->takeTcp(Codes::CmdCardMessage, 5000),
        FakePacket(Codes::CmdCardMessage).u32(kZhang).u32(kLi).u8(1).u32(6).raw(arRequest).bytes());
    QCOMPARE(zhang->takeTcp(Codes::CmdDeliveryReport, 5000), report(kLi, 3, 0, 6));

    // The answer goes back the same way.
    li->sendTcp(FakePacket(Codes::CmdCardMessage).u32(kLi).u32(kZhang).u8(2).u32(9).u8(0));
    QCOMPARE(zhang->takeTcp(Codes::CmdCardMessage, 5000),
             FakePacket(Codes::CmdCardMessage).u32(kLi).u32(kZhang).u8(2).u32(9).u8(0).bytes());

    signOff(li, kLi);
    li = signedIn(kLi);
    QVERIFY(li);
    QTest::qWait(300);
    QVERIFY(li->takeTcp(Codes::CmdCardMessage, 0).isEmpty());
}

void TestServiceMessages::newestSessionTakesDelivery()
{
    auto zhang = signedIn(kZhang);
    auto older = signedIn(kLi);
    auto newer = signedIn(kLi);
    QVERIFY(zhang && older && newer);
    zhang->sendUdp(textMessage(kZhang, kLi, 3, QStringLiteral("which one?")));
    QCOMPARE(textAt(newer->takeTcp(Codes::CmdMessage, 5000), 13), QStringLiteral("which one?"));
    QTest::qWait(200);
    QVERIFY(older->takeTcp(Codes::CmdMessage, 0).isEmpty());

    // The newer one leaves without its receipt: the older one takes over delivery at once.
    newer->sendUdp(FakePacket(Codes::CmdLogout).u32(kLi));
    QCOMPARE(textAt(older->takeTcp(Codes::CmdOfflineMessage, 5000), 21),
             QStringLiteral("which one?"));
    older->sendUdp(receipt(kLi, kZhang, 3));
    QCOMPARE(zhang->takeTcp(Codes::CmdDeliveryReport, 5000), report(kLi, 0, 0, 3));
}

void TestServiceMessages::assistantAnswers()
{
    auto wang = signedIn(kWang);
    QVERIFY(wang);
    wang->sendUdp(textMessage(kWang, Codes::ASSISTANT_ZPID, 1, QStringLiteral("在吗")));
    QCOMPARE(quint8(wang->takeUdp(Codes::CmdMessageReceipt, 5000).at(9)), quint8(0));
    QCOMPARE(wang->takeUdp(Codes::CmdDeliveryReport, 5000), report(Codes::ASSISTANT_ZPID, 0, 0, 1));

    const QByteArray arAnswer = wang->takeTcp(Codes::CmdMessage, 5000);
    QCOMPARE(FakePacket::u32At(arAnswer, 1), Codes::ASSISTANT_ZPID);
    QCOMPARE(FakePacket::u32At(arAnswer, 5), kWang);
    QCOMPARE(textAt(arAnswer, 13), CMessageCommands::assistantReply());

    // A second message gets an answer of its own, not a copy of the first.
    wang->sendUdp(textMessage(kWang, Codes::ASSISTANT_ZPID, 2, QStringLiteral("再见")));
    const QByteArray arSecond = wang->takeTcp(Codes::CmdMessage, 5000);
    QVERIFY(!arSecond.isEmpty());
    QVERIFY(FakePacket::u32At(arSecond, 9) != FakePacket::u32At(arAnswer, 9));

    // Answers are held like any message until their receipt.
    wang->sendUdp(receipt(kWang, Codes::ASSISTANT_ZPID, quint32(FakePacket::u32At(arAnswer, 9))));
    QTRY_COMPARE(m_pFixture->service().store().storedMessages().count(kWang), 1);
}

QTEST_MAIN(TestServiceMessages)
#include "tst_servicemessages.moc"
