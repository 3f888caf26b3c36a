// The service against the client's own packet layer: requests built by the client's CNetwork
// and Protocol go to a real service on loopback, and the service's answers are parsed by the
// client's Protocol, so any difference in layout between the two shows here. The cloud book
// upload must be confirmed and the download complete by the client's own counting; a message
// must be accepted, reach the addressee, and be reported delivered by the client's receipt.
#include <QtTest>

#include "clientside.h"
#include "cnetwork.h"
#include "csessionstate.h"
#include "protocol.h"
#include "serviceclient.h"
#include "servicefixture.h"

namespace {

constexpr char kPassword[] = "demo1234";
constexpr quint32 kZhang = 1000001;
constexpr quint32 kLi = 1000002;
constexpr quint32 kWang = 1000003;

} // namespace

class TestServiceClientWire : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void cloudBookThroughTheClientsCode();
    void messageThroughTheClientsCode();

private:
    std::unique_ptr<ServiceClient> signedIn(quint32 iZpid);

    std::unique_ptr<ServiceFixture> m_pFixture;
};

void TestServiceClientWire::init()
{
    sessionState().reset();
    m_pFixture = std::make_unique<ServiceFixture>();
    QVERIFY2(m_pFixture->start(), qPrintable(m_pFixture->error()));
}

void TestServiceClientWire::cleanup()
{
    m_pFixture.reset();
    sessionState().reset();
}

std::unique_ptr<ServiceClient> TestServiceClientWire::signedIn(quint32 iZpid)
{
    auto client = std::make_unique<ServiceClient>(m_pFixture->mainPort());
    if (!client->connectSub() || client->login(QString::number(iZpid), kPassword) != 0 ||
        !client->heartbeat())
        return nullptr;
    return client;
}

void TestServiceClientWire::cloudBookThroughTheClientsCode()
{
    auto connection = signedIn(kWang);
    QVERIFY(connection);
    ClientSide wang(*connection, kWang, QString::fromLatin1(kPassword));
    QSignalSpy uploaded(&wang.proto, &Protocol::sig_uploadNetContact);
    QSignalSpy downloaded(&wang.proto, &Protocol::sig_parseNetContact);

    QStringList book;
    for (int i = 0; i < 250; ++i)
        book << QStringLiteral("1390000%1;名字%2;%3")
                    .arg(i, 4, 10, QLatin1Char('0'))
                    .arg(i)
                    .arg(i % 3 ? QStringLiteral("朋友") : QString());
    // A name with the separators in it travels in its full-width form.
    book[7] = QStringLiteral("13900000007;甲:乙;丙;组");
    wang.use();
    wang.net.slot_onUploadNetContact(book);
    QCOMPARE(wang.parse(Codes::CmdUploadNetContact, false, 3), 3);
    QCOMPARE(uploaded.count(), 1);
    QCOMPARE(uploaded.at(0).at(0).toInt(), 0);

    wang.use();
    wang.net.slot_onGetNetContact();
    QCOMPARE(wang.parse(Codes::CmdNetContact, false, 3), 3);
    QCOMPARE(downloaded.count(), 1);
    QCOMPARE(downloaded.at(0).at(0).toInt(), 0);
    QStringList expected = book;
    expected[7] = QStringLiteral("13900000007;甲：乙；丙;组");
    QCOMPARE(downloaded.at(0).at(1).toString().split(QLatin1Char(':')), expected);

    // A change of one entry, with the old phone as the client holds it.
    QSignalSpy changed(&wang.proto, &Protocol::sig_modifyNetContact);
    wang.use();
    wang.net.slot_onModifyNetContact(2, QStringLiteral("13900000007"), QStringLiteral("丁"),
                                     QStringLiteral("13900000007"), QStringLiteral("组"));
    QCOMPARE(wang.parse(Codes::CmdModifyNetContact, false, 1), 1);
    QCOMPARE(changed.at(0).at(0).toInt(), 0);
    QCOMPARE(m_pFixture->service().store().cloudBooks().entries(kWang).at(7).strName,
             QStringLiteral("丁"));
}

void TestServiceClientWire::messageThroughTheClientsCode()
{
    auto zhangConnection = signedIn(kZhang);
    auto liConnection = signedIn(kLi);
    QVERIFY(zhangConnection && liConnection);
    ClientSide zhang(*zhangConnection, kZhang, QString::fromLatin1(kPassword));
    ClientSide li(*liConnection, kLi, QString::fromLatin1(kPassword));
    QSignalSpy zhangUpdates(&zhang.proto, &Protocol::sig_updateMsgRecord);
    QSignalSpy liSaves(&li.proto, &Protocol::sig_saveMsgRecord);

    zhang.use();
    setMsgIdCounter(500);
    zhang.net.slot_onSendMsg(QStringLiteral("你好，李娜"), QString::number(kLi));
    // Accepted: the receipt clears the re-send and marks the message state 1.
    QCOMPARE(zhang.parse(Codes::CmdMessageReceipt, true, 1), 1);
    QCOMPARE(zhangUpdates.count(), 1);
    QCOMPARE(zhangUpdates.at(0).at(2).toInt(), 501);
    QCOMPARE(zhangUpdates.at(0).at(3).toInt(), int(Codes::MsgAccepted));

    // Li's client stores it and answers with its receipt, which the service turns into the
    // delivery report Zhang's client marks as state 2.
    QCOMPARE(li.parse(Codes::CmdMessage, false, 1), 1);
    QCOMPARE(liSaves.count(), 1);
    QCOMPARE(liSaves.at(0).at(1).toUInt(), kZhang);
    QCOMPARE(liSaves.at(0).at(4).toInt(), 501);
    QCOMPARE(zhang.parse(Codes::CmdDeliveryReport, false, 1), 1);
    QCOMPARE(zhangUpdates.count(), 2);
    QCOMPARE(zhangUpdates.at(1).at(3).toInt(), int(Codes::MsgDelivered));
    QCOMPARE(m_pFixture->service().store().storedMessages().count(kLi), 0);

    // Held for an addressee who is away, it comes as an offline message with its text.
    auto wangConnection = std::make_unique<ServiceClient>(m_pFixture->mainPort());
    zhang.use();
    zhang.net.slot_onSendMsg(QStringLiteral("王芳，回来请回电"), QString::number(kWang));
    QCOMPARE(zhang.parse(Codes::CmdMessageReceipt, true, 1), 1);
    QVERIFY(wangConnection->connectSub());
    QCOMPARE(wangConnection->login(QString::number(kWang), kPassword), 0);
    QVERIFY(wangConnection->heartbeat());
    ClientSide wang(*wangConnection, kWang, QString::fromLatin1(kPassword));
    QSignalSpy offline(&wang.proto, &Protocol::sig_saveOfflineMsg);
    QCOMPARE(wang.parse(Codes::CmdOfflineMessage, false, 1), 1);
    QCOMPARE(offline.count(), 1);
    QCOMPARE(offline.at(0).at(0).toUInt(), kZhang);
    QCOMPARE(offline.at(0).at(1).toString(), QStringLiteral("王芳，回来请回电"));
    QCOMPARE(offline.at(0).at(3).toInt(), 502);
}

QTEST_MAIN(TestServiceClientWire)
#include "tst_serviceclientwire.moc"
