// The service against the client's own packet layer: requests built by the client's CNetwork
// and Protocol go to a real service on loopback, and the service's answers are parsed by the
// client's Protocol, so any difference in layout between the two shows here. The cloud book
// upload must be confirmed and the download complete by the client's own counting; a message
// must be accepted, reach the addressee, and be reported delivered by the client's receipt.
#include <QtTest>

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

// The client's own objects, as one signed-in user has them; the packets they send go out on
// a scripted connection that signed in as the same user.
class ClientSide
{
public:
    ClientSide(ServiceClient &connection, quint32 iZpid) : m_connection(connection), m_iZpid(iZpid)
    {
        QObject::connect(&net, &CNetwork::sig_createProtocol, &proto,
                         &Protocol::slot_onCreateProtocol);
        QObject::connect(&proto, &Protocol::sig_sendProtocol, &proto,
                         [this](const QByteArray &arPacket, SOCKETTYPE type) {
                             if (type == SOCKET_UDP)
                                 m_connection.sendUdp(arPacket);
                             else
                                 m_connection.sendTcp(arPacket);
                         });
    }

    // The process holds one session state: the user whose packets are built or parsed.
    void use()
    {
        CSessionState &s = sessionState();
        s.iZpid = m_iZpid;
        s.strZpid = QString::number(m_iZpid);
    }

    // Hands what the connection received with the code to the client's packet layer.
    int parse(quint8 iCode, bool bUdp, int iCount, int iTimeoutMs = 3000)
    {
        int iParsed = 0;
        for (; iParsed < iCount; ++iParsed) {
            const QByteArray ar = bUdp ? m_connection.takeUdp(iCode, iTimeoutMs)
                                       : m_connection.takeTcp(iCode, iTimeoutMs);
            if (ar.isEmpty())
                break;
            use();
            proto.slot_onParseProtocol(ar, QString(), 0);
        }
        return iParsed;
    }

    CNetwork net;
    Protocol proto;

private:
    ServiceClient &m_connection;
    quint32 m_iZpid;
};

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
    ClientSide wang(*connection, kWang);
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
    QCOMPARE(wang.parse(60, false, 3), 3);
    QCOMPARE(uploaded.count(), 1);
    QCOMPARE(uploaded.at(0).at(0).toInt(), 0);

    wang.use();
    wang.net.slot_onGetNetContact();
    QCOMPARE(wang.parse(61, false, 3), 3);
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
    QCOMPARE(wang.parse(63, false, 1), 1);
    QCOMPARE(changed.at(0).at(0).toInt(), 0);
    QCOMPARE(m_pFixture->service().store().cloudBooks().entries(kWang).at(7).strName,
             QStringLiteral("丁"));
}

void TestServiceClientWire::messageThroughTheClientsCode()
{
    auto zhangConnection = signedIn(kZhang);
    auto liConnection = signedIn(kLi);
    QVERIFY(zhangConnection && liConnection);
    ClientSide zhang(*zhangConnection, kZhang);
    ClientSide li(*liConnection, kLi);
    QSignalSpy zhangUpdates(&zhang.proto, &Protocol::sig_updateMsgRecord);
    QSignalSpy liSaves(&li.proto, &Protocol::sig_saveMsgRecord);

    zhang.use();
    setMsgIdCounter(500);
    zhang.net.slot_onSendMsg(QStringLiteral("你好，李娜"), QString::number(kLi));
    // Accepted: the receipt clears the re-send and marks the message state 1.
    QCOMPARE(zhang.parse(16, true, 1), 1);
    QCOMPARE(zhangUpdates.count(), 1);
    QCOMPARE(zhangUpdates.at(0).at(2).toInt(), 501);
    QCOMPARE(zhangUpdates.at(0).at(3).toInt(), int(Codes::MsgAccepted));

    // Li's client stores it and answers with its receipt, which the service turns into the
    // delivery report Zhang's client marks as state 2.
    QCOMPARE(li.parse(14, false, 1), 1);
    QCOMPARE(liSaves.count(), 1);
    QCOMPARE(liSaves.at(0).at(1).toUInt(), kZhang);
    QCOMPARE(liSaves.at(0).at(4).toInt(), 501);
    QCOMPARE(zhang.parse(15, false, 1), 1);
    QCOMPARE(zhangUpdates.count(), 2);
    QCOMPARE(zhangUpdates.at(1).at(3).toInt(), int(Codes::MsgDelivered));
    QCOMPARE(m_pFixture->service().store().storedMessages().count(kLi), 0);

    // Held for an addressee who is away, it comes as an offline message with its text.
    auto wangConnection = std::make_unique<ServiceClient>(m_pFixture->mainPort());
    zhang.use();
    zhang.net.slot_onSendMsg(QStringLiteral("王芳，回来请回电"), QString::number(kWang));
    QCOMPARE(zhang.parse(16, true, 1), 1);
    QVERIFY(wangConnection->connectSub());
    QCOMPARE(wangConnection->login(QString::number(kWang), kPassword), 0);
    QVERIFY(wangConnection->heartbeat());
    ClientSide wang(*wangConnection, kWang);
    QSignalSpy offline(&wang.proto, &Protocol::sig_saveOfflineMsg);
    QCOMPARE(wang.parse(34, false, 1), 1);
    QCOMPARE(offline.count(), 1);
    QCOMPARE(offline.at(0).at(0).toUInt(), kZhang);
    QCOMPARE(offline.at(0).at(1).toString(), QStringLiteral("王芳，回来请回电"));
    QCOMPARE(offline.at(0).at(3).toInt(), 502);
}

QTEST_MAIN(TestServiceClientWire)
#include "tst_serviceclientwire.moc"
