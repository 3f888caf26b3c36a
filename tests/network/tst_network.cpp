// The session manager: connection sequence against the fake service, the timers' effects and
// the pending-resend table driven tick by tick.
#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>

#include "cnetwork.h"
#include "codes.h"
#include "csessionstate.h"
#include "fakepacket.h"
#include "fakeservice.h"
#include "packint.h"

Q_DECLARE_METATYPE(CNetwork::InterfaceInfo)

namespace {

// Just enough of a packet layer for the connection sequence: builds 102 and follows its
// reply, with the fake service's encoder rather than the client's.
void wireSubServerStep(CNetwork &net)
{
    QObject::connect(
        &net, &CNetwork::sig_createProtocol, &net, [&net](quint8 iCmd, const QByteArray &) {
            if (iCmd == 102)
                net.slot_onSendProtocol(FakePacket(Codes::CmdSubServer).u32(0), SOCKET_TCP);
        });
    QObject::connect(&net, &CNetwork::sig_parseProtocol, &net,
                     [&net](const QByteArray &ar, const QString &, quint16) {
                         if (ar.isEmpty() || quint8(ar.at(0)) != Codes::CmdSubServer)
                             return;
                         const int n = int(FakePacket::u32At(ar, 1));
                         const QString strAddr = QString::fromUtf8(ar.mid(5, n));
                         const auto iPort = quint16(FakePacket::u32At(ar, 5 + n));
                         net.slot_onConnectServer(strAddr, iPort, CONNECT_LOGIN, SOCKET_TCP);
                     });
}

QByteArray key14(quint32 iMsgId, quint32 iZpid)
{
    return QByteArray(1, char(14)) + packUInt32(iMsgId) + packUInt32(iZpid);
}

QByteArray record(quint8 a, quint8 l, quint8 p, const QByteArray &arPacket)
{
    QByteArray ar;
    ar.append(char(a)).append(char(l)).append(char(p));
    return ar + arPacket;
}

QList<quint8> codes(const QSignalSpy &spy)
{
    QList<quint8> list;
    for (const QList<QVariant> &args : spy)
        list << args.at(0).value<quint8>();
    return list;
}

} // namespace

class TestNetwork : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();

    void parseServer_data();
    void parseServer();
    void chooseLocalId_data();
    void chooseLocalId();

    void loginFollowsMainServerToSubServer();
    void refusedConnectionReportsLoss();
    void closingMainConnectionIsSilent();
    void loginTimeoutReportsState1();
    void logoutBeforeAnyConnection();
    void connectServerReusesSocket();
    void sessionAndResumeStart_data();
    void sessionAndResumeStart();
    void enumsTravelInQueuedSignals();

    void messageGiveUp_data();
    void messageGiveUp();
    void countDownRecord();
    void heartbeatLossRelogsIn();
    void sameKeyResetsRecord();
    void resendTimerFollowsTable();
    void zeroPeriodStillGivesUp();

private:
    void openUdp(CNetwork &net);
    FakeService m_fake;
};

void TestNetwork::initTestCase()
{
    QVERIFY(m_fake.start());
    qputenv("ZEPHON_SERVER", m_fake.serverText().toUtf8());
}

void TestNetwork::init()
{
    sessionState().reset();
    m_fake.clearReceived();
    m_fake.setAnswerSubServer(true);
}

void TestNetwork::openUdp(CNetwork &net)
{
    net.slot_onConnectServer("127.0.0.1", m_fake.udpPort(), CONNECT_MAIN, SOCKET_UDP);
    QVERIFY(net.socket(SOCKET_UDP));
    // The CONNECT_MAIN reaction belongs to TCP; here it only asked for a 102 nobody builds.
    m_fake.clearReceived();
}

void TestNetwork::parseServer_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("port");
    QTest::newRow("host only") << "main.local"
                               << "main.local" << 4666;
    QTest::newRow("host and port") << "10.1.2.3:5000"
                                   << "10.1.2.3" << 5000;
    QTest::newRow("bad port keeps default") << "10.1.2.3:http"
                                            << "10.1.2.3" << 4666;
    QTest::newRow("port out of range") << "h:70000"
                                       << "h" << 4666;
    QTest::newRow("bracketed v6") << "[::1]:4777"
                                  << "::1" << 4777;
    QTest::newRow("bare v6") << "::1"
                             << "::1" << 4666;
    QTest::newRow("empty gives default") << ""
                                         << "127.0.0.1" << 4666;
    QTest::newRow("port only") << ":4777"
                               << "127.0.0.1" << 4777;
}

void TestNetwork::parseServer()
{
    QFETCH(QString, text);
    QFETCH(QString, host);
    QFETCH(int, port);
    const CNetwork::Endpoint endpoint = CNetwork::parseServer(text);
    QCOMPARE(endpoint.strHost, host);
    QCOMPARE(int(endpoint.iPort), port);
}

void TestNetwork::chooseLocalId_data()
{
    using Info = CNetwork::InterfaceInfo;
    QTest::addColumn<QList<Info>>("interfaces");
    QTest::addColumn<QString>("id");
    const QString strLocal = QString::fromUtf8("本地连接");
    const Info lo{"lo", "00:00:00:00:00:00", true, true};
    const Info down{"eth9", "AA:AA:AA:AA:AA:AA", false, false};
    const Info eth0{"eth0", "00:1A:2B:3C:4D:5E", true, false};
    const Info eth1{"eth1", "11:22:33:44:55:66", true, false};
    const Info tun{"tun0", "", true, false};
    QTest::newRow("named wins over first up")
        << QList<Info>{eth0, {strLocal, "DE:AD:BE:EF:00:01", false, false}} << "DE-AD-BE-EF-00-01";
    QTest::newRow("last named wins") << QList<Info>{{strLocal, "01:01:01:01:01:01", true, false},
                                                    {strLocal, "02:02:02:02:02:02", true, false}}
                                     << "02-02-02-02-02-02";
    QTest::newRow("fallback skips loopback, down, no address")
        << QList<Info>{lo, down, tun, eth1, eth0} << "11-22-33-44-55-66";
    QTest::newRow("nothing usable") << QList<Info>{lo, down, tun} << "";
    QTest::newRow("no interfaces") << QList<Info>{} << "";
}

void TestNetwork::chooseLocalId()
{
    QFETCH(QList<CNetwork::InterfaceInfo>, interfaces);
    QFETCH(QString, id);
    QCOMPARE(CNetwork::chooseLocalId(interfaces), id);
}

void TestNetwork::loginFollowsMainServerToSubServer()
{
    CNetwork net;
    wireSubServerStep(net);
    QSignalSpy login(&net, &CNetwork::sig_loginState);
    QSignalSpy create(&net, &CNetwork::sig_createProtocol);
    QSignalSpy state(&net, &CNetwork::sig_netState);

    net.slot_onLogin("1234567", "pw", 0);
    QCOMPARE(login.size(), 1);
    QCOMPARE(login.first().at(0).toInt(), 5);
    for (int i = 1; i <= 4; ++i)
        QVERIFY(login.first().at(i).toString().isEmpty());
    QVERIFY(sessionState().pTimerLogin->isActive());
    QCOMPARE(sessionState().pTimerLogin->interval(), 20000);
    QCOMPARE(sessionState().strLoginId, QString("1234567"));

    QTRY_COMPARE(m_fake.packets(Codes::CmdSubServer, FakeService::Main),
                 QList<QByteArray>{QByteArray::fromHex("6600000000")});
    QTRY_COMPARE(m_fake.subConnectionCount(), 1);
    QTRY_COMPARE(codes(create), (QList<quint8>{102, 39}));
    QVERIFY(net.socket(SOCKET_TCP)->isConnected());
    QCOMPARE(net.socket(SOCKET_TCP)->peerName(), QString("127.0.0.1"));
    QVERIFY(state.isEmpty());
    net.logout();
}

void TestNetwork::refusedConnectionReportsLoss()
{
    QTcpServer closed;
    QVERIFY(closed.listen(QHostAddress::LocalHost));
    const quint16 iPort = closed.serverPort();
    closed.close();
    qputenv("ZEPHON_SERVER", QByteArray("127.0.0.1:") + QByteArray::number(iPort));

    CNetwork net;
    QSignalSpy state(&net, &CNetwork::sig_netState);
    net.slot_onLogin("1", "pw", 0);
    QTRY_VERIFY(!state.isEmpty());
    QCOMPARE(state.first().at(0).toInt(), -1);
    qputenv("ZEPHON_SERVER", m_fake.serverText().toUtf8());
}

void TestNetwork::closingMainConnectionIsSilent()
{
    m_fake.setAnswerSubServer(false);
    CNetwork net;
    wireSubServerStep(net);
    QSignalSpy state(&net, &CNetwork::sig_netState);
    sessionState().bSuppressDisconnect = false;
    net.slot_onLogin("1", "pw", 0);
    QTRY_COMPARE(m_fake.packets(Codes::CmdSubServer, FakeService::Main).size(), 1);
    // The main-server connection coming up is what protects against its close.
    QVERIFY(sessionState().bSuppressDisconnect);
    m_fake.closeMainClients();
    QTRY_VERIFY(!net.socket(SOCKET_TCP)->isConnected());
    QTest::qWait(20);
    QVERIFY(state.isEmpty());

    // Without the flag the same close is a loss.
    sessionState().bSuppressDisconnect = false;
    net.onDisconnected();
    QCOMPARE(state.size(), 1);
    QCOMPARE(state.first().at(0).toInt(), -1);
}

void TestNetwork::loginTimeoutReportsState1()
{
    m_fake.setAnswerSubServer(false);
    sessionState().iLoginMs = 30;
    CNetwork net;
    wireSubServerStep(net);
    QSignalSpy state(&net, &CNetwork::sig_netState);
    net.slot_onLogin("1", "pw", 0);
    QTRY_COMPARE(state.size(), 1);
    QCOMPARE(state.first().at(0).toInt(), 1);
    QVERIFY(!sessionState().pTimerLogin->isActive());
    QTest::qWait(80);
    QCOMPARE(state.size(), 1);
}

void TestNetwork::logoutBeforeAnyConnection()
{
    CNetwork net;
    QSignalSpy create(&net, &CNetwork::sig_createProtocol);
    sessionState().pTimerHeart->start(10000);
    sessionState().pTimerReLogin->start(20000);
    setResend(QByteArray(1, char(3)), record(0, 3, 2, "x"));
    net.logout();
    QCOMPARE(codes(create), (QList<quint8>{35, 35, 35}));
    QVERIFY(!sessionState().pTimerHeart->isActive());
    QVERIFY(!sessionState().pTimerResend->isActive());
    QVERIFY(!sessionState().pTimerReLogin->isActive());
    QCOMPARE(sessionState().mapResend.size(), 1);
    QCOMPARE(net.socket(SOCKET_TCP), nullptr);
    QCOMPARE(net.socket(SOCKET_UDP), nullptr);
    // Sending without sockets drops the packet.
    net.slot_onSendProtocol("x", SOCKET_UDP);
    net.slot_onSendProtocol("x");
}

void TestNetwork::connectServerReusesSocket()
{
    CNetwork net;
    openUdp(net);
    CSocket *pFirst = net.socket(SOCKET_UDP);
    net.slot_onConnectServer("127.0.0.1", m_fake.udpPort(), CONNECT_RESUME, SOCKET_UDP);
    QCOMPARE(net.socket(SOCKET_UDP), pFirst);
    net.slot_onSendProtocol("hello", SOCKET_UDP);
    QTRY_COMPARE(m_fake.received().size() >= 1, true);
    QCOMPARE(m_fake.received().last().packet, QByteArray("hello"));
}

void TestNetwork::sessionAndResumeStart_data()
{
    QTest::addColumn<int>("state");
    QTest::addColumn<QList<quint8>>("expected");
    QTest::newRow("session") << int(CONNECT_SESSION) << QList<quint8>{3, 3, 3, 81, 81, 36, 93};
    QTest::newRow("resume") << int(CONNECT_RESUME) << QList<quint8>{3, 3, 3};
}

void TestNetwork::sessionAndResumeStart()
{
    QFETCH(int, state);
    QFETCH(QList<quint8>, expected);
    sessionState().iZpid = 4242;
    sessionState().strZpid = "4242";
    CNetwork net;
    QSignalSpy create(&net, &CNetwork::sig_createProtocol);
    net.slot_onConnectServer("127.0.0.1", m_fake.udpPort(), CONNECT_STATE(state), SOCKET_UDP);
    QCOMPARE(codes(create), expected);
    QVERIFY(sessionState().pTimerHeart->isActive());
    QCOMPARE(sessionState().pTimerHeart->interval(), 10000);
    if (state == CONNECT_SESSION) {
        QCOMPARE(create.at(3).at(1).toByteArray(), packUInt32(4242) + QByteArray(1, '\0'));
        QCOMPARE(create.at(4).at(1).toByteArray(), packUInt32(4242) + QByteArray(1, '\1'));
    }
    net.slot_onTimerHeart();
    QCOMPARE(codes(create).last(), quint8(3));
}

void TestNetwork::enumsTravelInQueuedSignals()
{
    CNetwork net;
    QObject receiver;
    QList<int> got;
    QObject::connect(
        &net, &CNetwork::sig_netState, &receiver, [&](int i) { got << i; }, Qt::QueuedConnection);
    const int iSocketType = QMetaType::fromName("SOCKETTYPE").id();
    const int iConnectState = QMetaType::fromName("CONNECT_STATE").id();
    QVERIFY(iSocketType != QMetaType::UnknownType);
    QVERIFY(iConnectState != QMetaType::UnknownType);
    QVERIFY(QMetaObject::invokeMethod(&net, "slot_onConnectServer", Qt::QueuedConnection,
                                      Q_ARG(QString, "127.0.0.1"), Q_ARG(quint16, m_fake.udpPort()),
                                      Q_ARG(CONNECT_STATE, CONNECT_RESUME),
                                      Q_ARG(SOCKETTYPE, SOCKET_UDP)));
    QTRY_VERIFY(net.socket(SOCKET_UDP));
}

void TestNetwork::messageGiveUp_data()
{
    QTest::addColumn<int>("startTick");
    QTest::addColumn<int>("resends");
    QTest::addColumn<int>("giveUpTick");
    // Header 0, 3, 2 counts on even ticks and gives up on the third count.
    QTest::newRow("registered before an odd tick") << 0 << 5 << 6;
    QTest::newRow("registered before an even tick") << 1 << 4 << 5;
}

void TestNetwork::messageGiveUp()
{
    QFETCH(int, startTick);
    QFETCH(int, resends);
    QFETCH(int, giveUpTick);
    CNetwork net;
    openUdp(net);
    QSignalSpy update(&net, &CNetwork::sig_updateMsgRecord);
    sessionState().iResendTick = startTick;
    const QByteArray arPacket = "msg-14";
    setResend(key14(777, 0x01020304), record(0, 3, 2, arPacket));

    int iTick = 0;
    while (update.isEmpty() && iTick < 20) {
        net.slot_onTimerResend();
        ++iTick;
    }
    QCOMPARE(iTick, giveUpTick);
    QTRY_COMPARE(m_fake.received().size(), resends);
    QTest::qWait(20);
    QCOMPARE(m_fake.received().size(), resends);
    for (const FakeService::Received &r : m_fake.received())
        QCOMPARE(r.packet, arPacket);

    QCOMPARE(update.size(), 1);
    const QList<QVariant> args = update.first();
    QCOMPARE(args.at(0).toUInt(), 0u);
    QCOMPARE(args.at(1).toByteArray(), QByteArray::fromHex("04030201"));
    QCOMPARE(args.at(2).toInt(), 777);
    QCOMPARE(args.at(3).toInt(), 3);
    QCOMPARE(args.at(4).toInt(), 0);
    QVERIFY(sessionState().mapResend.isEmpty());
    net.slot_onTimerResend();
    QVERIFY(!sessionState().pTimerResend->isActive());
}

void TestNetwork::countDownRecord()
{
    CNetwork net;
    openUdp(net);
    QSignalSpy update(&net, &CNetwork::sig_updateMsgRecord);
    QSignalSpy state(&net, &CNetwork::sig_netState);
    const QByteArray arKey = QByteArray::fromHex("0501");
    setResend(arKey, record(60, 0, 1, "call"));
    for (int i = 0; i < 60; ++i)
        net.slot_onTimerResend();
    QVERIFY(sessionState().mapResend.contains(arKey));
    QCOMPARE(quint8(sessionState().mapResend.value(arKey).at(0)), quint8(0));
    net.slot_onTimerResend();
    QVERIFY(!sessionState().mapResend.contains(arKey));
    QTRY_COMPARE(m_fake.received().size(), 60);
    QTest::qWait(20);
    QCOMPARE(m_fake.received().size(), 60);
    // Giving up a call start has no signal of its own.
    QVERIFY(update.isEmpty());
    QVERIFY(state.isEmpty());
}

void TestNetwork::heartbeatLossRelogsIn()
{
    CNetwork net;
    wireSubServerStep(net);
    QSignalSpy state(&net, &CNetwork::sig_netState);
    QSignalSpy login(&net, &CNetwork::sig_loginState);
    m_fake.setAnswerSubServer(false);
    sessionState().strLoginId = "1234567";
    sessionState().strLoginPassword = "pw";
    sessionState().iLoginType = 1;
    const QByteArray arKey(1, char(3));
    for (int iLoss = 1; iLoss <= 6; ++iLoss) {
        setResend(arKey, record(0, 3, 2, "heart"));
        sessionState().iResendTick = 0;
        for (int i = 0; i < 6; ++i)
            net.slot_onTimerResend();
        QVERIFY(!sessionState().mapResend.contains(arKey));
        QCOMPARE(login.size(), iLoss);
        QCOMPARE(sessionState().iHeartLoss, iLoss % 3);
        QCOMPARE(state.size(), iLoss / 3);
    }
    for (const QList<QVariant> &args : state)
        QCOMPARE(args.at(0).toInt(), 2);
    // The re-login used the stored credentials.
    QCOMPARE(sessionState().strLoginId, QString("1234567"));
    QCOMPARE(sessionState().iLoginType, 1);
    QVERIFY(sessionState().pTimerLogin->isActive());
    QTRY_COMPARE(m_fake.packets(Codes::CmdSubServer, FakeService::Main).size(), 1);
    net.logout();
}

void TestNetwork::sameKeyResetsRecord()
{
    CNetwork net;
    QSignalSpy update(&net, &CNetwork::sig_updateMsgRecord);
    const QByteArray arKey = key14(5, 6);
    setResend(arKey, record(0, 3, 2, "m"));
    for (int i = 0; i < 5; ++i)
        net.slot_onTimerResend();
    QCOMPARE(quint8(sessionState().mapResend.value(arKey).at(0)), quint8(2));
    setResend(arKey, record(0, 3, 2, "m2"));
    QCOMPARE(sessionState().mapResend.size(), 1);
    // Ticks 6..9 count twice; without the reset tick 6 would have given up.
    for (int i = 0; i < 4; ++i)
        net.slot_onTimerResend();
    QVERIFY(update.isEmpty());
    QCOMPARE(sessionState().mapResend.value(arKey), record(2, 3, 2, "m2"));
    net.slot_onTimerResend();
    net.slot_onTimerResend();
    QCOMPARE(update.size(), 1);
}

void TestNetwork::resendTimerFollowsTable()
{
    CNetwork net;
    QTimer *pTimer = sessionState().pTimerResend;
    QVERIFY(!pTimer->isActive());
    net.setResend(QByteArray(1, char(12)), record(0, 3, 2, "a"));
    net.setResend(QByteArray(1, char(13)), record(0, 3, 2, "b"));
    QVERIFY(pTimer->isActive());
    QCOMPARE(pTimer->interval(), 1000);
    net.removeResend(QByteArray(1, char(12)));
    QVERIFY(pTimer->isActive());
    net.removeResend(QByteArray(1, char(99)));
    QVERIFY(pTimer->isActive());
    net.removeResend(QByteArray(1, char(13)));
    QVERIFY(!pTimer->isActive());

    // An empty record is given up on the first tick; keys are walked in byte order.
    QSignalSpy update(&net, &CNetwork::sig_updateMsgRecord);
    net.setResend(key14(2, 9), QByteArray());
    net.setResend(key14(1, 9), QByteArray());
    net.slot_onTimerResend();
    QCOMPARE(update.size(), 2);
    QCOMPARE(update.at(0).at(2).toInt(), 1);
    QCOMPARE(update.at(1).at(2).toInt(), 2);
    net.slot_onTimerResend();
    QVERIFY(!pTimer->isActive());
}

void TestNetwork::zeroPeriodStillGivesUp()
{
    CNetwork net;
    QSignalSpy update(&net, &CNetwork::sig_updateMsgRecord);
    setResend(key14(1, 1), record(0, 3, 0, "z"));
    for (int i = 0; i < 3; ++i)
        net.slot_onTimerResend();
    QCOMPARE(update.size(), 1);
}

QTEST_GUILESS_MAIN(TestNetwork)
#include "tst_network.moc"
