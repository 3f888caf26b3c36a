// Messages through Core as the running client wires them: the root item's sendMsg, the session
// manager and the packet layer against the fake service on loopback, and a real SQLite store in
// a fresh working directory per test.
#include <QQmlComponent>
#include <QQmlContext>
#include <QQuickItem>
#include <QQuickView>
#include <QSignalSpy>
#include <QSoundEffect>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include "cdatabase.h"
#include "cnetwork.h"
#include "codes.h"
#include "core.h"
#include "corefixture.h"
#include "csessionstate.h"
#include "csetting.h"
#include "fakecipher.h"
#include "fakepacket.h"
#include "fakeservice.h"
#include "protocol.h"
#include "qmlcodes.h"

namespace {

constexpr quint32 kMe = 1234567;
constexpr quint32 kPeer = 7654321;

// A one-to-one message as the service relays it: text only, or with its attachment items.
QByteArray messagePacket(quint32 iSender, quint32 iMsgId, const QString &strText,
                         quint8 iSubType = 0, const QList<QByteArray> &items = {})
{
    FakePacket packet(Codes::CmdMessage);
    packet.u32(iSender).u32(kMe).u32(iMsgId).blob32(fakeEncrypt(strText.toUtf8())).u8(iSubType);
    if (iSubType == 2 || iSubType == 3 || iSubType == 5) {
        FakePacket block(0);
        for (const QByteArray &item : items)
            block.blob32(item);
        // 2024-03-01 18:00:00
        packet.f64(45352.75).blob32(fakeEncrypt(block.bytes().mid(1)));
    }
    return packet.bytes();
}

struct Row
{
    QString strContent;
    QString strCaption;
    QString strTime;
    int iMsgState;
    bool bSend;
};

} // namespace

class TestCoreMessages : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void emoticonCodes_data();
    void emoticonCodes();
    void inputBoxText_data();
    void inputBoxText();
    void signOfId_data();
    void signOfId();

    void sentMessageGoesThroughItsStates();
    void refusedReceiptsGiveUpAsNotDelivered();
    void receivedMessageStoredOnceAndAnswered();
    void receivedMessageKeepsOurPendingResend();
    void malformedOrEmptyMessages_data();
    void malformedOrEmptyMessages();
    void attachmentsFromPeer();
    void offlineBurstStoredOnceInOrder();
    void massMessageToThreeRecipients();
    void selectionFeedsRecipientsAndNames();
    void cardExchange();
    void unsolicitedCardAnswerSendsNothing();
    void peerMarkupLoadsNothing();
    void messageSoundFollowsTheSetting();

private:
    void signIn();
    void send(const QString &strText, const QString &strZpid);
    // Message rows of a conversation, oldest first, without separators.
    QList<Row> conversation(int iType, const QString &strKey);
    int packetCount(quint8 iCode, FakeService::Channel channel) const;

    FakeService m_fake;
    QTemporaryDir m_home;
    std::unique_ptr<QTemporaryDir> m_pDir;
    CoreFixture m_fx;
};

void TestCoreMessages::initTestCase()
{
    QVERIFY(m_home.isValid());
    QVERIFY(CoreFixture::enterFolder(m_home.path()));
    // The screens' scripts compare kinds by their names, as in the client.
    registerQmlCodes();
    FakeService::Account account;
    account.iZpid = kMe;
    account.strLoginId = QString::number(kMe);
    account.strPassword = QStringLiteral("secret");
    account.strPhone = QStringLiteral("13800000000");
    account.strOnline = QStringLiteral("A");
    account.strOffline = QStringLiteral("B");
    QVERIFY(CoreFixture::serve(m_fake, account));
}

void TestCoreMessages::init()
{
    m_fake.clearReceived();
    m_fake.serveMessages({});
    m_pDir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_pDir->isValid());
    QVERIFY(QDir::setCurrent(m_pDir->path()));
    m_fx.start();
}

void TestCoreMessages::cleanup()
{
    m_fx.stop();
    QDir::setCurrent(m_home.path());
    m_pDir.reset();
}

void TestCoreMessages::signIn()
{
    m_fx.signIn(QString::number(kMe), QStringLiteral("secret"));
    // The service learns the client's datagram address from its first heartbeat.
    QTRY_VERIFY(packetCount(Codes::CmdHeartbeat, FakeService::Udp) > 0);
}

void TestCoreMessages::send(const QString &strText, const QString &strZpid)
{
    QVERIFY(QMetaObject::invokeMethod(m_fx.root(), "sendMsg", Q_ARG(QString, strText),
                                      Q_ARG(QString, strZpid)));
}

QList<Row> TestCoreMessages::conversation(int iType, const QString &strKey)
{
    m_fx.core()->getMessage(iType, strKey);
    const auto rows =
        m_fx.context()->contextProperty(QStringLiteral("messageModel")).value<QList<QObject *>>();
    QList<Row> list;
    for (QObject *pRow : rows) {
        if (pRow->property("bSeparator").toBool())
            continue;
        list.append({pRow->property("strContent").toString(),
                     pRow->property("strCaption").toString(), pRow->property("strTime").toString(),
                     pRow->property("iMsgState").toInt(), pRow->property("bSend").toBool()});
    }
    return list;
}

int TestCoreMessages::packetCount(quint8 iCode, FakeService::Channel channel) const
{
    return int(m_fake.packets(iCode, channel).size());
}

void TestCoreMessages::emoticonCodes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("rendered");
    const QString face1 = QStringLiteral(
        "<img width=\"20\" height = \"20\" source = \"../components/images/face/face_1.png\">");
    const QString face78 = QStringLiteral(
        "<img width=\"20\" height = \"20\" source = \"../components/images/face/face_78.png\">");
    QTest::newRow("code after text") << "hello ^wx^"
                                     << "hello " + face1;
    QTest::newRow("unmatched candidate gives back its caret") << "a^b^wx^"
                                                              << "a^b" + face1;
    QTest::newRow("single caret") << "5^3"
                                  << "5^3";
    QTest::newRow("last code, twice") << "^hd^^hd^" << face78 + face78;
    QTest::newRow("carets only") << "^^^^"
                                 << "^^^^";
    QTest::newRow("codes are case-sensitive") << "^WX^"
                                              << "^WX^";
    QTest::newRow("markup kept for the screens to escape") << "<b>^x^"
                                                           << "<b>^x^";
    QTest::newRow("empty") << ""
                           << "";
}

void TestCoreMessages::emoticonCodes()
{
    QFETCH(QString, text);
    QFETCH(QString, rendered);
    QCOMPARE(Core::renderText(text), rendered);
}

void TestCoreMessages::inputBoxText_data()
{
    QTest::addColumn<QString>("html");
    QTest::addColumn<QString>("text");
    const QString face = QStringLiteral(
        "<img width=\"20\" height=\"20\" src=\"../components/images/face/face_%1.png\">");
    QTest::newRow("pictures between words")
        << "hi " + face.arg(1) + " there" + face.arg(78) << "hi ^wx^ there^hd^";
    QTest::newRow("the same picture twice") << face.arg(1) + face.arg(1) << "^wx^^wx^";
    QTest::newRow("markup is text") << "<p>a &lt;b&gt; &amp; <b>bold</b></p>"
                                    << "a <b> & bold";
    QTest::newRow("a picture from elsewhere is dropped")
        << "x<img src=\"http://127.0.0.1:9/face_1.png\">y<img src=\"images/face/face_99.png\">"
        << "xy";
    QTest::newRow("a typed code stays") << "^wx^"
                                        << "^wx^";
    QTest::newRow("lines") << "<p>one</p><p>two</p>"
                           << "one\ntwo";
    QTest::newRow("empty") << ""
                           << "";
}

// What the input box shows is sent as the text the user meant: pictures as their codes.
void TestCoreMessages::inputBoxText()
{
    QFETCH(QString, html);
    QFETCH(QString, text);
    QCOMPARE(m_fx.core()->inputText(html), text);
}

void TestCoreMessages::signOfId_data()
{
    QTest::addColumn<QVariant>("id");
    QTest::addColumn<QString>("sign");
    QTest::newRow("first") << QVariant(1) << "^wx^";
    QTest::newRow("last") << QVariant(78) << "^hd^";
    QTest::newRow("past the last") << QVariant(79) << "";
    QTest::newRow("zero") << QVariant(0) << "";
    QTest::newRow("id as text") << QVariant(QStringLiteral("21")) << "^o^";
    QTest::newRow("not an id") << QVariant(QStringLiteral("x")) << "";
}

void TestCoreMessages::signOfId()
{
    QFETCH(QVariant, id);
    QFETCH(QString, sign);
    QCOMPARE(m_fx.core()->getSign(id).toString(), sign);
    // The picker shows the same table.
    const auto faces =
        m_fx.context()->contextProperty(QStringLiteral("faceModel")).value<QList<QObject *>>();
    QCOMPARE(faces.size(), 78);
    if (!sign.isEmpty())
        QCOMPARE(faces.at(id.toInt() - 1)->property("strSign").toString(), sign);
}

void TestCoreMessages::sentMessageGoesThroughItsStates()
{
    signIn();
    QList<int> states;
    connect(m_fx.core(), &Core::sig_updateMsgRecord, this,
            [this, &states](int iType, const QString &strZpid) {
                QCOMPARE(iType, 2);
                const QList<Row> rows = conversation(2, strZpid);
                states << (rows.isEmpty() ? -1 : rows.last().iMsgState);
            });
    send(QStringLiteral("hi ^wx^ <b>"), QString::number(kPeer));
    QTRY_COMPARE(states, (QList<int>{0, 1, 2}));
    const QList<Row> rows = conversation(2, QString::number(kPeer));
    QCOMPARE(rows.size(), 1);
    QVERIFY(rows.at(0).bSend);
    QCOMPARE(rows.at(0).strContent, Core::renderText(QStringLiteral("hi ^wx^ <b>")));
    // The peer gets the text as typed, codes and all.
    QCOMPARE(m_fake.packets(Codes::CmdMessage, FakeService::Udp).size(), 1);
    QTest::qWait(50);
    QCOMPARE(states.size(), 3);
}

void TestCoreMessages::refusedReceiptsGiveUpAsNotDelivered()
{
    FakeService::Messaging messaging;
    messaging.bReceipt = false;
    m_fake.serveMessages(messaging);
    sessionState().iResendMs = 20;
    signIn();
    send(QStringLiteral("anyone?"), QString::number(kPeer));
    QTRY_COMPARE(conversation(2, QString::number(kPeer)).value(0).iMsgState, 3);
    QVERIFY(packetCount(Codes::CmdMessage, FakeService::Udp) > 1);
    // A receipt that arrives after giving up is believed: the server has the message.
    const QByteArray arId = m_fake.packets(Codes::CmdMessage, FakeService::Udp).first().mid(9, 4);
    m_fake.pushUdp(
        FakePacket(Codes::CmdMessageReceipt).u32(kPeer).u32(kMe).u8(0).raw(arId).bytes());
    QTRY_COMPARE(conversation(2, QString::number(kPeer)).value(0).iMsgState, 1);
    // A late acceptance never takes back a delivery.
    m_fake.pushUdp(FakePacket(Codes::CmdDeliveryReport).u32(kPeer).u8(0).u8(0).raw(arId).bytes());
    QTRY_COMPARE(conversation(2, QString::number(kPeer)).value(0).iMsgState, 2);
    m_fake.pushUdp(
        FakePacket(Codes::CmdMessageReceipt).u32(kPeer).u32(kMe).u8(0).raw(arId).bytes());
    QTest::qWait(100);
    QCOMPARE(conversation(2, QString::number(kPeer)).value(0).iMsgState, 2);
}

void TestCoreMessages::receivedMessageStoredOnceAndAnswered()
{
    signIn();
    QSignalSpy added(m_fx.core(), &Core::sig_addMsgRecord);
    const QByteArray packet = messagePacket(kPeer, 77, QStringLiteral("hello ^wx^"));
    // The sender re-sends until a receipt reaches it: every copy is answered, one is kept.
    for (int i = 0; i < 3; ++i)
        m_fake.pushUdp(packet);
    QTRY_COMPARE(packetCount(Codes::CmdMessageReceipt, FakeService::Udp), 3);
    for (const QByteArray &receipt : m_fake.packets(Codes::CmdMessageReceipt, FakeService::Udp)) {
        QCOMPARE(FakePacket::u32At(receipt, 5), qint64(kPeer));
        QCOMPARE(FakePacket::u32At(receipt, 10), qint64(77));
    }
    QCOMPARE(added.size(), 1);
    const QList<Row> rows = conversation(2, QString::number(kPeer));
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows.at(0).strContent, Core::renderText(QStringLiteral("hello ^wx^")));
    QVERIFY(!rows.at(0).bSend);
    QCOMPARE(m_fx.core()->getUnReadMsgRecord(), 1);
    m_fx.core()->updateMessage(2, QString::number(kPeer));
    QCOMPARE(m_fx.core()->getUnReadMsgRecord(), 0);

    // The conversation list shows it with the peer's Zpid as its name (not in the address book).
    m_fx.core()->getMsgRecord();
    const auto records =
        m_fx.context()->contextProperty(QStringLiteral("msgrecordModel")).value<QList<QObject *>>();
    QCOMPARE(records.size(), 1);
    QCOMPARE(records.at(0)->property("strName").toString(), QString::number(kPeer));
    QCOMPARE(records.at(0)->property("iType").toInt(), 2);

    m_fx.core()->delMsgRecord(2, QString::number(kPeer));
    QVERIFY(conversation(2, QString::number(kPeer)).isEmpty());
}

void TestCoreMessages::receivedMessageKeepsOurPendingResend()
{
    FakeService::Messaging messaging;
    messaging.bReceipt = false;
    m_fake.serveMessages(messaging);
    sessionState().iResendMs = 60000;
    signIn();
    send(QStringLiteral("mine"), QString::number(kPeer));
    QTRY_COMPARE(packetCount(Codes::CmdMessage, FakeService::Udp), 1);
    const QByteArray arOwn = m_fake.packets(Codes::CmdMessage, FakeService::Udp).first();
    const auto iOwnId = quint32(FakePacket::u32At(arOwn, 9));
    const QByteArray arKey = QByteArray(1, char(14)) + arOwn.mid(9, 4) + arOwn.mid(5, 4);
    QVERIFY(sessionState().mapResend.contains(arKey));
    // The peer's own counter happens to give the same id.
    m_fake.pushUdp(messagePacket(kPeer, iOwnId, QStringLiteral("theirs")));
    QTRY_COMPARE(packetCount(Codes::CmdMessageReceipt, FakeService::Udp), 1);
    QVERIFY(sessionState().mapResend.contains(arKey));
    const QList<Row> rows = conversation(2, QString::number(kPeer));
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows.at(0).iMsgState, 0);
}

void TestCoreMessages::malformedOrEmptyMessages_data()
{
    QTest::addColumn<QByteArray>("packet");
    QTest::addColumn<int>("receipts");
    const QByteArray good = messagePacket(kPeer, 9, QStringLiteral("text"));
    QTest::newRow("text count past the end") << (FakePacket(Codes::CmdMessage)
                                                     .u32(kPeer)
                                                     .u32(kMe)
                                                     .u32(9)
                                                     .u32(0xFFFFFFF0u)
                                                     .raw("abc")
                                                     .bytes())
                                             << 0;
    QTest::newRow("cut before the sub-type") << good.left(good.size() - 1) << 0;
    QTest::newRow("attachment cut short") << (FakePacket(Codes::CmdMessage)
                                                  .u32(kPeer)
                                                  .u32(kMe)
                                                  .u32(9)
                                                  .blob32(fakeEncrypt("x"))
                                                  .u8(2)
                                                  .f64(45352.75)
                                                  .u32(1000)
                                                  .bytes())
                                          << 0;
    QTest::newRow("no text")
        << (FakePacket(Codes::CmdMessage).u32(kPeer).u32(kMe).u32(9).u32(0).u8(0).bytes()) << 1;
    QTest::newRow("unknown sub-type") << messagePacket(kPeer, 9, QStringLiteral("t"), 9) << 1;
}

void TestCoreMessages::malformedOrEmptyMessages()
{
    QFETCH(QByteArray, packet);
    QFETCH(int, receipts);
    signIn();
    QSignalSpy added(m_fx.core(), &Core::sig_addMsgRecord);
    m_fake.pushUdp(packet);
    // A well-formed message afterwards shows that the first one was handled.
    m_fake.pushUdp(messagePacket(kPeer + 1, 10, QStringLiteral("after")));
    QTRY_COMPARE(added.size(), 1);
    QTRY_COMPARE(packetCount(Codes::CmdMessageReceipt, FakeService::Udp), receipts + 1);
    QVERIFY(conversation(2, QString::number(kPeer)).isEmpty());
}

void TestCoreMessages::attachmentsFromPeer()
{
    signIn();
    QSignalSpy appended(m_fx.core(), &Core::sig_append);
    m_fake.pushUdp(
        messagePacket(kPeer, 20, QStringLiteral("五四广场"), 5, {"36.06,120.38", "青岛"}));
    m_fake.pushUdp(messagePacket(kPeer, 21, QStringLiteral("0123456789abcdef0123456789abcdef"), 2,
                                 {"../../.config/autostart/x.desktop", "3", "2024-03-01", "png"}));
    QTRY_COMPARE(conversation(2, QString::number(kPeer)).size(), 2);
    const QList<Row> rows = conversation(2, QString::number(kPeer));
    QCOMPARE(rows.at(0).strContent, QStringLiteral("<a href=map>五四广场</a>"));
    QCOMPARE(rows.at(0).strCaption, QStringLiteral("五四广场:36.06,120.38:青岛"));
    QCOMPARE(rows.at(0).strTime, QStringLiteral("2024-03-01 18:00"));
    // The picture is fetched at once, into the temp folder whatever name the peer gave it.
    QCOMPARE(appended.size(), 1);
    const QString strPath = appended.first().at(1).toString();
    QCOMPARE(QFileInfo(strPath).absolutePath(),
             QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("temp")));
    QCOMPARE(QFileInfo(strPath).fileName(), QStringLiteral("01234567-x.png"));
    QCOMPARE(appended.first().at(2).toString(), QString::number(kPeer));
}

void TestCoreMessages::offlineBurstStoredOnceInOrder()
{
    FakeService::Messaging messaging;
    // Oldest first on the wire is not assumed: the store orders by the sent time.
    messaging.offline = {
        {kPeer, 45352.50, 5, QStringLiteral("second")},
        {kPeer, 45352.25, 4, QStringLiteral("first ^wx^")},
        {kPeer, 45352.50, 5, QStringLiteral("second")},
        // Another sender's counter may reach the same id.
        {kPeer + 1, 45352.75, 5, QStringLiteral("other sender")},
        {kPeer, 45352.75, 6, QStringLiteral("third")},
    };
    m_fake.serveMessages(messaging);
    QSignalSpy added(m_fx.core(), &Core::sig_addMsgRecord);
    signIn();
    // The screens hear of new messages only: the copy is not announced.
    QTRY_COMPARE(added.size(), 4);
    QTest::qWait(100);
    QCOMPARE(added.size(), 4);
    QList<QString> texts;
    for (const Row &row : conversation(2, QString::number(kPeer)))
        texts << row.strContent;
    QCOMPARE(texts, (QList<QString>{Core::renderText(QStringLiteral("first ^wx^")),
                                    QStringLiteral("second"), QStringLiteral("third")}));
    QCOMPARE(conversation(2, QString::number(kPeer + 1)).size(), 1);
    QCOMPARE(conversation(2, QString::number(kPeer)).first().strTime,
             QStringLiteral("2024-03-01 06:00"));
    QCOMPARE(m_fx.core()->getUnReadMsgRecord(), 4);
    // The same burst again after a re-login adds nothing.
    m_fx.core()->slot_onSaveOfflineMsg(kPeer, QStringLiteral("third"), 45352.75, 6);
    QCOMPARE(m_fx.core()->getUnReadMsgRecord(), 4);
    QCOMPARE(added.size(), 4);
}

void TestCoreMessages::massMessageToThreeRecipients()
{
    signIn();
    const QStringList recipients{"7000001", "7000002", "7000003"};
    for (const QString &strZpid : recipients)
        QVERIFY(m_fx.core()->addMassContact(strZpid, QString()));
    QVERIFY(!m_fx.core()->addMassContact(recipients.at(1), QStringLiteral("again")));
    QCOMPARE(m_fx.core()->massContacts(), recipients);
    auto massRows = [this] {
        return m_fx.context()
            ->contextProperty(QStringLiteral("masscontactModel"))
            .value<QList<QObject *>>();
    };
    QCOMPARE(massRows().size(), 3);
    QCOMPARE(massRows().at(0)->property("strName").toString(), recipients.at(0));

    m_fx.core()->sendMassMsg(QStringLiteral("to all"));
    QTRY_COMPARE(packetCount(Codes::CmdMessage, FakeService::Udp), 3);
    QStringList wireReceivers;
    for (const QByteArray &packet : m_fake.packets(Codes::CmdMessage, FakeService::Udp))
        wireReceivers << QString::number(FakePacket::u32At(packet, 5));
    QCOMPARE(wireReceivers, recipients);
    for (const QString &strZpid : recipients) {
        const QList<Row> rows = conversation(2, strZpid);
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows.at(0).strContent, QStringLiteral("to all"));
    }

    m_fx.core()->delMassContact(recipients.at(0));
    QCOMPARE(massRows().size(), 2);
    m_fx.core()->delMassContact();
    QVERIFY(massRows().isEmpty());
    QVERIFY(m_fx.core()->massContacts().isEmpty());
}

void TestCoreMessages::selectionFeedsRecipientsAndNames()
{
    CDatabase &db = *m_fx.core()->database();
    const struct
    {
        const char *pName;
        const char *pPhone;
        const char *pZpid;
        const char *pPinyin;
    } contacts[] = {{"甲", "13900000001", "7000001", "jia"},
                    {"乙", "13900000002", "7000002", "yi"},
                    {"", "13900000003", "7000003", "zz"}};
    for (const auto &contact : contacts) {
        db.addContact(QString::fromUtf8(contact.pName), QLatin1String(contact.pPhone),
                      QLatin1String(contact.pPinyin));
        db.setContactZpid(QLatin1String(contact.pZpid), QLatin1String(contact.pPhone));
    }
    auto zpidsOf = [this](const char *pList) {
        QStringList zpids;
        for (QObject *pRow :
             m_fx.context()->contextProperty(QLatin1String(pList)).value<QList<QObject *>>())
            zpids << pRow->property("strZpid").toString();
        return zpids;
    };

    QVERIFY(m_fx.core()->addMassContact(QStringLiteral("7000002"), QStringLiteral("乙")));
    // Adding recipients offers only those not chosen yet.
    m_fx.core()->getSelect(3);
    QCOMPARE(zpidsOf("selectModel"), (QStringList{"7000001", "7000003"}));
    m_fx.core()->allSelect(true);
    m_fx.core()->addMassContact();
    QCOMPARE(m_fx.core()->massContacts(), (QStringList{"7000002", "7000001", "7000003"}));
    QCOMPARE(zpidsOf("masscontactModel"), m_fx.core()->massContacts());

    // A peer's name is the address book's, else its phone, else its Zpid.
    signIn();
    m_fake.pushUdp(messagePacket(7000001, 1, QStringLiteral("a")));
    m_fake.pushUdp(messagePacket(7000003, 1, QStringLiteral("b")));
    m_fake.pushUdp(messagePacket(7000009, 1, QStringLiteral("c")));
    QTRY_COMPARE(m_fx.core()->getUnReadMsgRecord(), 3);
    QHash<QString, QString> names;
    m_fx.core()->getMsgRecord();
    for (QObject *pRow : m_fx.context()
                             ->contextProperty(QStringLiteral("msgrecordModel"))
                             .value<QList<QObject *>>())
        names.insert(pRow->property("strZpid").toString(), pRow->property("strName").toString());
    QCOMPARE(names.value(QStringLiteral("7000001")), QStringLiteral("甲"));
    QCOMPARE(names.value(QStringLiteral("7000003")), QStringLiteral("13900000003"));
    QCOMPARE(names.value(QStringLiteral("7000009")), QStringLiteral("7000009"));
}

void TestCoreMessages::cardExchange()
{
    FakeService::Messaging messaging;
    messaging.cardAnswers.insert(kPeer, 0);
    m_fake.serveMessages(messaging);
    signIn();
    // What asking for an exchange sends: our short card as the caption.
    m_fx.core()->network()->slot_onSendCard(QStringLiteral("我:13800000000:公司:经理"), QString(),
                                            QString::number(kPeer), 1);
    // The peer agrees (a card message of kind 2, answer 0): our card follows as the exchange itself
    // (kind 3).
    QTRY_COMPARE(packetCount(Codes::CmdCardMessage, FakeService::Sub), 2);
    const QByteArray exchange = m_fake.packets(Codes::CmdCardMessage, FakeService::Sub).at(1);
    QCOMPARE(quint8(exchange.at(9)), quint8(3));
    QCOMPARE(FakePacket::u32At(exchange, 5), qint64(kPeer));

    m_fx.core()->getMessage(5, QString());
    // Our own request is a sent row: the card-request list shows received ones only.
    QVERIFY(m_fx.context()
                ->contextProperty(QStringLiteral("cardsysmsgModel"))
                .value<QList<QObject *>>()
                .isEmpty());

    // The peer's card arrives (a card message of kind 3): the request becomes the exchanged card.
    const QByteArray arCard = "王五:男:职位:公司:地址:13912345678";
    m_fake.pushSub(FakePacket(Codes::CmdCardMessage)
                       .u32(kPeer)
                       .u32(kMe)
                       .u8(3)
                       .u32(501)
                       .str8(fakeEncrypt("王五的名片"))
                       .blob32(fakeEncrypt(arCard))
                       .bytes());
    QTRY_VERIFY([this] {
        m_fx.core()->getMessage(5, QString());
        const auto rows = m_fx.context()
                              ->contextProperty(QStringLiteral("cardsysmsgModel"))
                              .value<QList<QObject *>>();
        return !rows.isEmpty() && rows.last()->property("iSubType").toInt() == 3 &&
               rows.last()->property("strName").toString() == QStringLiteral("王五") &&
               rows.last()->property("strCaption").toString() == QStringLiteral("王五的名片");
    }());
}

void TestCoreMessages::unsolicitedCardAnswerSendsNothing()
{
    FakeService::Messaging messaging;
    messaging.cardAnswers.insert(kPeer, 1);
    m_fake.serveMessages(messaging);
    signIn();
    QSignalSpy added(m_fx.core(), &Core::sig_addMsgRecord);
    // An agreement nobody asked for.
    m_fake.pushSub(
        FakePacket(Codes::CmdCardMessage).u32(kPeer + 5).u32(kMe).u8(2).u32(600).u8(0).bytes());
    // A refusal of our request.
    m_fx.core()->network()->slot_onSendCard(QStringLiteral("我:13800000000:公司:经理"), QString(),
                                            QString::number(kPeer), 1);
    QTRY_COMPARE(packetCount(Codes::CmdCardMessage, FakeService::Sub), 1);
    // A second answer from the same peer after the refusal.
    m_fake.pushSub(
        FakePacket(Codes::CmdCardMessage).u32(kPeer).u32(kMe).u8(2).u32(601).u8(0).bytes());
    QTest::qWait(300);
    QCOMPARE(packetCount(Codes::CmdCardMessage, FakeService::Sub), 1);
    QCOMPARE(added.size(), 0);
}

void TestCoreMessages::peerMarkupLoadsNothing()
{
    QTcpServer web;
    QVERIFY(web.listen(QHostAddress::LocalHost));
    // Both ways a peer may write the address; the quoted one is what styled text would load.
    const QString strMarkup =
        QStringLiteral("<img src=http://127.0.0.1:%1/x> <img src=\"http://127.0.0.1:%1/y\"> look")
            .arg(web.serverPort());
    signIn();
    m_fake.pushUdp(messagePacket(kPeer, 30, strMarkup));
    QTRY_COMPARE(conversation(2, QString::number(kPeer)).size(), 1);
    const QString strStored = conversation(2, QString::number(kPeer)).at(0).strContent;
    QCOMPARE(strStored, strMarkup);

    // The row shown as the chat shows a message body: through the screens' one escaping point.
    QQuickView view;
    view.rootContext()->setContextProperty(QStringLiteral("content"), strStored);
    QQmlComponent component(view.engine());
    component.setData("import QtQuick\n"
                      "import \"qrc:/qml/Zephon/delegate/RichText.js\" as RichText\n"
                      "Item {\n"
                      "  width: 300; height: 200\n"
                      "  Text { objectName: \"escaped\"; textFormat: Text.StyledText\n"
                      "         text: RichText.message(content, 0) }\n"
                      "  Text { objectName: \"raw\"; y: 100; textFormat: Text.StyledText\n"
                      "         text: rawContent }\n"
                      "}\n",
                      QUrl(QStringLiteral("qrc:/test/peermarkup.qml")));
    view.rootContext()->setContextProperty(QStringLiteral("rawContent"), QString());
    std::unique_ptr<QObject> pRoot(component.create(view.rootContext()));
    QVERIFY2(pRoot, qPrintable(component.errorString()));
    auto *pItem = qobject_cast<QQuickItem *>(pRoot.get());
    pItem->setParentItem(view.contentItem());
    view.resize(300, 200);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QTest::qWait(500);
    QVERIFY(!web.hasPendingConnections());
    auto *pEscaped = pRoot->findChild<QObject *>(QStringLiteral("escaped"));
    QVERIFY(pEscaped);
    QVERIFY(pEscaped->property("text").toString().startsWith(QStringLiteral("&lt;img src=")));

    // The same text taken as markup does reach the server: the check above can fail.
    view.rootContext()->setContextProperty(QStringLiteral("rawContent"), strStored);
    QTRY_VERIFY_WITH_TIMEOUT(web.hasPendingConnections(), 5000);
}

void TestCoreMessages::messageSoundFollowsTheSetting()
{
    CSetting *pSetting = CSetting::instance();
    const bool bPrompt = pSetting->msgPrompt();
    signIn();
    auto sounds = [this] { return m_fx.core()->findChildren<QSoundEffect *>(); };

    pSetting->setMsgPrompt(false);
    m_fake.pushUdp(messagePacket(kPeer, 40, QStringLiteral("quiet")));
    QTRY_COMPARE(m_fx.core()->getUnReadMsgRecord(), 1);
    QVERIFY(sounds().isEmpty());

    // One object of its own, made once, playing the working directory's message sound.
    pSetting->setMsgPrompt(true);
    m_fake.pushUdp(messagePacket(kPeer, 41, QStringLiteral("ding")));
    m_fake.pushUdp(messagePacket(kPeer, 42, QStringLiteral("ding")));
    QTRY_COMPARE(m_fx.core()->getUnReadMsgRecord(), 3);
    QCOMPARE(sounds().size(), 1);
    QCOMPARE(sounds().first()->source(),
             QUrl::fromLocalFile(QDir::current().absoluteFilePath(QStringLiteral("message.wav"))));
    pSetting->setMsgPrompt(bPrompt);
}

QTEST_MAIN(TestCoreMessages)
#include "tst_coremessages.moc"
