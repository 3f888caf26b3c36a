// Call signalling end to end: the session manager and the packet layer over UDP against the
// fake service, which relays the call family to scripted parties. Covers the request bytes
// and re-send records of every call slot, whole calls, the scenarios where a call must not be
// disturbed, the re-send counts and give-ups, and every cut of every call packet.
#include <QSignalSpy>
#include <QTest>
#include <QUdpSocket>

#include "callphases.h"
#include "cnetwork.h"
#include "codes.h"
#include "fakepacket.h"
#include "ownsession.h"
#include "protocol.h"

namespace {

quint32 zpidOf(const QString &strName)
{
    if (strName == "P")
        return PEER;
    if (strName == "L")
        return LOWER;
    if (strName == "T")
        return THIRD;
    return OWN;
}

QByteArray header(quint8 a, quint8 l, quint8 p)
{
    QByteArray ar;
    ar.append(char(a)).append(char(l)).append(char(p));
    return ar;
}

QByteArray out(quint32 iTo, quint8 iSub)
{
    return FakePacket(Codes::CmdCallSignal).u32(OWN).u32(iTo).u8(iSub);
}

QByteArray push(quint32 iTo)
{
    return FakePacket(Codes::CmdPush).u32(OWN).u32(iTo).u8(0);
}

// Every call state reported by either object, as "state|zpid".
class States
{
public:
    States(Protocol &proto, CNetwork &net)
    {
        auto add = [this](int iState, const QString &strZpid, const QByteArray &arData) {
            list << QString("%1|%2").arg(iState).arg(strZpid) +
                        (arData.isEmpty() ? QString() : "|" + QString(arData.toHex()));
        };
        QObject::connect(&proto, &Protocol::sig_parseCallState, &m_context, add);
        QObject::connect(&net, &CNetwork::sig_parseCallState, &m_context, add);
    }
    QStringList list;

private:
    QObject m_context;
};

QString st(int iState, quint32 iZpid)
{
    return QString("%1|%2").arg(iState).arg(iZpid);
}

} // namespace

class TestCall : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();

    void requests_data();
    void requests();
    void refusedPush_data();
    void refusedPush();
    void logoutForgetsTheCall();
    void wholeCallAgainstService();
    void scenarios_data();
    void scenarios();
    void resendCounts_data();
    void resendCounts();
    void pushReportsAgainstService_data();
    void pushReportsAgainstService();
    void strangerCannotSpeakForPeer();
    void truncatedPackets_data();
    void truncatedPackets();

private:
    // A client whose UDP socket the fake service knows; as the controller does, it places
    // the call as soon as the push reached the callee.
    struct Client
    {
        CNetwork net;
        Protocol proto;
        States states{proto, net};
        QSignalSpy parsed{&net, &CNetwork::sig_parseProtocol};
    };
    void open(Client &client);
    // Sends a packet from the service and waits until the client has read it.
    void deliver(Client &client, const QByteArray &arPacket);
    QList<QByteArray> callPackets() const;

    FakeService m_fake;
};

void TestCall::initTestCase()
{
    QVERIFY(m_fake.start());
}

void TestCall::init()
{
    signInAs(OWN);
    callSession().reset();
    // Parties that answer nothing by themselves; each test says what they send.
    FakeService::CallParty silent;
    silent.iPushType = -1;
    silent.bRing = false;
    silent.bAck = false;
    m_fake.serveCalls({{PEER, silent}, {LOWER, silent}, {THIRD, silent}});
    m_fake.clearReceived();
}

void TestCall::open(Client &client)
{
    CNetwork &net = client.net;
    Protocol &proto = client.proto;
    QObject::connect(&net, &CNetwork::sig_createProtocol, &proto, &Protocol::slot_onCreateProtocol);
    QObject::connect(&proto, &Protocol::sig_sendProtocol, &net, &CNetwork::slot_onSendProtocol);
    QObject::connect(&net, &CNetwork::sig_parseProtocol, &proto, &Protocol::slot_onParseProtocol);
    QObject::connect(&proto, &Protocol::sig_parseCallState, &net,
                     [&net](int iState, const QString &strZpid) {
                         if (iState == Codes::CallPushReached)
                             net.slot_onCall(strZpid);
                     });
    // The service relays the call family through the sub-server, the only source whose
    // datagrams the client reads.
    sessionState().g_strSubServerIp = "127.0.0.1";
    sessionState().g_iSubServerPort = m_fake.udpPort();
    net.slot_onConnectServer("127.0.0.1", m_fake.udpPort(), CONNECT_MAIN, SOCKET_UDP);
    net.slot_onSendProtocol(FakePacket(Codes::CmdHeartbeat).u32(OWN), SOCKET_UDP);
    QTRY_COMPARE(m_fake.packets(Codes::CmdHeartbeat, FakeService::Udp).size(), 1);
    m_fake.clearReceived();
}

void TestCall::deliver(Client &client, const QByteArray &arPacket)
{
    const qsizetype iFrom = client.parsed.size();
    m_fake.pushUdp(arPacket);
    auto arrived = [&] {
        for (qsizetype i = iFrom; i < client.parsed.size(); ++i) {
            if (client.parsed.at(i).at(0).toByteArray() == arPacket)
                return true;
        }
        return false;
    };
    QTRY_VERIFY(arrived());
}

QList<QByteArray> TestCall::callPackets() const
{
    QList<QByteArray> list;
    for (const FakeService::Received &r : m_fake.received()) {
        const quint8 iCode = r.packet.isEmpty() ? 0 : quint8(r.packet.at(0));
        if (r.channel == FakeService::Udp &&
            (iCode == Codes::CmdCallSignal || iCode == Codes::CmdPush))
            list << r.packet;
    }
    return list;
}

void TestCall::requests_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QByteArray>("packet");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("header");

    const QByteArray none;
    QTest::newRow("push") << QStringList{"push"} << push(PEER) << QByteArray(1, char(19))
                          << header(0, 3, 2);
    QTest::newRow("call request") << QStringList{"push", "reply", "call"} << out(PEER, 1)
                                  << CCallSession::callKey() << header(60, 0, 1);
    QTest::newRow("answer") << QStringList{"ring", "agree"} << out(PEER, 2) << none << none;
    QTest::newRow("refuse") << QStringList{"ring", "refuse"} << out(PEER, 3) << none << none;
    QTest::newRow("hang-up") << QStringList{"ring", "agree", "hangup"} << out(PEER, 5)
                             << CCallSession::hangupKey() << header(0, 10, 1);
}

void TestCall::requests()
{
    QFETCH(QStringList, steps);
    QFETCH(QByteArray, packet);
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, header);
    CNetwork net;
    Protocol proto;
    QObject::connect(&net, &CNetwork::sig_createProtocol, &proto, &Protocol::slot_onCreateProtocol);
    QSignalSpy sent(&proto, &Protocol::sig_sendProtocol);
    const QString strPeer = QString::number(PEER);
    for (const QString &strStep : steps) {
        if (strStep == "push")
            net.slot_onSendPush(strPeer);
        else if (strStep == "reply")
            proto.slot_onParseProtocol(FakeService::pushReply(PEER, 1), "127.0.0.1", 1);
        else if (strStep == "call")
            net.slot_onCall(strPeer);
        else if (strStep == "ring")
            proto.slot_onParseProtocol(call(PEER, 1), "127.0.0.1", 1);
        else if (strStep == "agree")
            net.slot_onAgree(strPeer);
        else if (strStep == "refuse")
            net.slot_onRefuse(strPeer);
        else
            net.slot_onHangup(strPeer);
    }
    QVERIFY(!sent.isEmpty());
    QCOMPARE(sent.last().at(0).toByteArray(), packet);
    QCOMPARE(sent.last().at(1).value<SOCKETTYPE>(), SOCKET_UDP);
    if (key.isEmpty())
        QVERIFY(!sessionState().mapResend.contains(CCallSession::hangupKey()));
    else
        QCOMPARE(sessionState().mapResend.value(key), header + packet);
    // The push and the call request are over once the call is answered or ended.
    if (steps.last() != "push")
        QVERIFY(!sessionState().mapResend.contains(QByteArray(1, char(19))));
    if (steps.last() != "call")
        QVERIFY(!sessionState().mapResend.contains(CCallSession::callKey()));
}

void TestCall::refusedPush_data()
{
    QTest::addColumn<Setup>("setup");
    QTest::addColumn<QString>("zpid");
    QTest::addColumn<QStringList>("states");

    const Setup idle([] {});
    QTest::newRow("own zpid") << idle << QString::number(OWN) << QStringList{"12|1000"};
    QTest::newRow("zero") << idle << "0" << QStringList{"12|0"};
    QTest::newRow("not a number") << idle << "20x0" << QStringList{"12|20x0"};
    QTest::newRow("during a call")
        << Setup([] { talkingIn(PEER); }) << QString::number(THIRD) << QStringList();
    QTest::newRow("during another push")
        << Setup([] { pushing(PEER); }) << QString::number(THIRD) << QStringList();
}

void TestCall::refusedPush()
{
    QFETCH(Setup, setup);
    QFETCH(QString, zpid);
    QFETCH(QStringList, states);
    setup();
    const quint32 iPeer = callSession().peer();
    const int iPhase = callSession().phase();
    CNetwork net;
    Protocol proto;
    QObject::connect(&net, &CNetwork::sig_createProtocol, &proto, &Protocol::slot_onCreateProtocol);
    States seen(proto, net);
    QSignalSpy sent(&proto, &Protocol::sig_sendProtocol);
    net.slot_onSendPush(zpid);
    QVERIFY(sent.isEmpty());
    QCOMPARE(seen.list, states);
    QCOMPARE(callSession().peer(), iPeer);
    QCOMPARE(callSession().phase(), iPhase);
}

void TestCall::logoutForgetsTheCall()
{
    Client client;
    open(client);
    deliver(client, call(PEER, 1));
    client.net.slot_onAgree(QString::number(PEER));
    client.net.logout();
    QCOMPARE(callSession().peer(), 0u);
    QCOMPARE(callSession().phase(), int(Codes::PhaseIdle));
    // The next user's first caller rings.
    callSession().received(call(THIRD, 1));
    QCOMPARE(callSession().phase(), int(Codes::PhaseRinging));
}

void TestCall::wholeCallAgainstService()
{
    FakeService::CallParty party;
    party.afterRing = {2};
    m_fake.callParties().insert(PEER, party);
    Client client;
    open(client);
    QStringList &states = client.states.list;

    client.net.slot_onSendPush(QString::number(PEER));
    QTRY_COMPARE(states, (QStringList{st(11, PEER), st(7, PEER), st(2, PEER)}));
    QCOMPARE(callSession().phase(), int(Codes::PhaseTalking));
    QVERIFY(sessionState().mapResend.isEmpty());

    const QByteArray arVoice = call(PEER, 6, "\x01\x01\x20" + QByteArray(10, 'v'));
    deliver(client, arVoice);
    QCOMPARE(states.last(), st(6, PEER) + "|" + QString(arVoice.toHex()));

    client.net.slot_onHangup(QString::number(PEER));
    QTRY_COMPARE(states.last(), st(8, PEER));
    QCOMPARE(states.size(), 5);
    QTRY_VERIFY(sessionState().mapResend.isEmpty());
    QCOMPARE(callPackets(), (QList<QByteArray>{push(PEER), out(PEER, 1), out(PEER, 5)}));
    QCOMPARE(callSession().peer(), 0u);
}

void TestCall::scenarios_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("states");
    QTest::addColumn<QList<QByteArray>>("wire");
    QTest::addColumn<int>("phase");
    QTest::addColumn<quint32>("peer");

    const int IDLE = Codes::PhaseIdle;
    const int CALLING = Codes::PhaseCalling;
    const int TALKING = Codes::PhaseTalking;
    const int RINGING = Codes::PhaseRinging;

    QTest::newRow("duplicate answer reported once")
        << QStringList{"push P", "reply P 1", "in P 7", "in P 2", "in P 2"}
        << QStringList{st(11, PEER), st(7, PEER), st(2, PEER)}
        << QList<QByteArray>{push(PEER), out(PEER, 1)} << TALKING << PEER;
    QTest::newRow("answer while ringing leaves the call ringing")
        << QStringList{"in P 1", "in P 2"} << QStringList{st(1, PEER)}
        << QList<QByteArray>{out(PEER, 7)} << RINGING << PEER;
    QTest::newRow("call 1 s after refusing ignored")
        << QStringList{"in P 1", "refuse P", "in P 8", "wait 1000", "in T 1"}
        << QStringList{st(1, PEER), st(8, PEER)} << QList<QByteArray>{out(PEER, 7), out(PEER, 3)}
        << IDLE << 0u;
    QTest::newRow("call 2 s after refusing rings")
        << QStringList{"in P 1", "refuse P", "in P 8", "wait 2000", "in T 1"}
        << QStringList{st(1, PEER), st(8, PEER), st(1, THIRD)}
        << QList<QByteArray>{out(PEER, 7), out(PEER, 3), out(THIRD, 7)} << RINGING << THIRD;
    QTest::newRow("refused caller is not busy for the next caller")
        << QStringList{"push P", "reply P 1", "in P 3", "wait 2000", "in T 1"}
        << QStringList{st(11, PEER), st(3, PEER), st(1, THIRD)}
        << QList<QByteArray>{push(PEER), out(PEER, 1), out(PEER, 8), out(THIRD, 7)} << RINGING
        << THIRD;
    QTest::newRow("second caller while dialling gets busy")
        << QStringList{"push P", "reply P 1", "in T 1"} << QStringList{st(11, PEER)}
        << QList<QByteArray>{push(PEER), out(PEER, 1), out(THIRD, 4)} << CALLING << PEER;
    QTest::newRow("second caller while ringing gets busy")
        << QStringList{"in P 1", "in T 1"} << QStringList{st(1, PEER)}
        << QList<QByteArray>{out(PEER, 7), out(THIRD, 4)} << RINGING << PEER;
    QTest::newRow("second caller while talking gets busy")
        << QStringList{"in P 1", "agree P", "in T 1", "in T 5"} << QStringList{st(1, PEER)}
        << QList<QByteArray>{out(PEER, 7), out(PEER, 2), out(THIRD, 4), out(THIRD, 8)} << TALKING
        << PEER;
    QTest::newRow("calling oneself refused")
        << QStringList{"push O", "in O 1"} << QStringList{st(12, OWN)}
        << QList<QByteArray>{out(OWN, 4)} << IDLE << 0u;
    QTest::newRow("glare: the lower zpid stays the caller")
        << QStringList{"push P", "reply P 1", "in P 1", "in P 7"}
        << QStringList{st(11, PEER), st(7, PEER)} << QList<QByteArray>{push(PEER), out(PEER, 1)}
        << CALLING << PEER;
    QTest::newRow("glare: the higher zpid takes the call")
        << QStringList{"push L", "reply L 1", "in L 1", "agree L"}
        << QStringList{st(11, LOWER), st(1, LOWER)}
        << QList<QByteArray>{push(LOWER), out(LOWER, 1), out(LOWER, 7), out(LOWER, 2)} << TALKING
        << LOWER;
    QTest::newRow("lost ringing: the answer stops the call request and later rings")
        << QStringList{"push P", "reply P 1", "in P 2", "in P 7"}
        << QStringList{st(11, PEER), st(2, PEER)} << QList<QByteArray>{push(PEER), out(PEER, 1)}
        << TALKING << PEER;
    QTest::newRow("spoofed and unasked acknowledgements leave the call")
        << QStringList{"in P 1", "agree P", "in T 8", "in P 8"} << QStringList{st(1, PEER)}
        << QList<QByteArray>{out(PEER, 7), out(PEER, 2)} << TALKING << PEER;
    QTest::newRow("late push reply leaves the call")
        << QStringList{"push P", "reply P 1", "in P 7", "in P 2", "reply P 2"}
        << QStringList{st(11, PEER), st(7, PEER), st(2, PEER)}
        << QList<QByteArray>{push(PEER), out(PEER, 1)} << TALKING << PEER;
    QTest::newRow("unreachable push ends the attempt")
        << QStringList{"push P", "reply P 2", "call P"} << QStringList{st(12, PEER)}
        << QList<QByteArray>{push(PEER)} << IDLE << 0u;
}

void TestCall::scenarios()
{
    QFETCH(QStringList, steps);
    QFETCH(QStringList, states);
    QFETCH(QList<QByteArray>, wire);
    QFETCH(int, phase);
    QFETCH(quint32, peer);
    Client client;
    open(client);
    for (const QString &strStep : steps) {
        const QStringList parts = strStep.split(' ');
        const QString strZpid = QString::number(zpidOf(parts.value(1)));
        const QString &strVerb = parts.at(0);
        if (strVerb == "in")
            deliver(client, call(zpidOf(parts.at(1)), quint8(parts.at(2).toUInt())));
        else if (strVerb == "reply")
            deliver(client,
                    FakeService::pushReply(zpidOf(parts.at(1)), quint8(parts.at(2).toUInt())));
        else if (strVerb == "wait")
            QTest::qWait(parts.at(1).toInt());
        else if (strVerb == "push")
            client.net.slot_onSendPush(strZpid);
        else if (strVerb == "call")
            client.net.slot_onCall(strZpid);
        else if (strVerb == "agree")
            client.net.slot_onAgree(strZpid);
        else if (strVerb == "refuse")
            client.net.slot_onRefuse(strZpid);
        else if (strVerb == "hangup")
            client.net.slot_onHangup(strZpid);
        else
            QFAIL(qPrintable("unknown step " + strStep));
    }
    QTRY_COMPARE(callPackets(), wire);
    QCOMPARE(client.states.list, states);
    QCOMPARE(callSession().phase(), phase);
    QCOMPARE(callSession().peer(), peer);
}

void TestCall::resendCounts_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QByteArray>("packet");
    QTest::addColumn<int>("sends");
    QTest::addColumn<QStringList>("states");

    // Sent once, then re-sent until given up: the push (0, 3, 2) counts on even ticks and
    // gives up on the sixth, the call request counts down from 60, the hang-up counts to 10.
    QTest::newRow("push never answered")
        << QStringList{"push"} << push(PEER) << 6 << QStringList{st(12, PEER)};
    QTest::newRow("call request never answered") << QStringList{"push", "reply"} << out(PEER, 1)
                                                 << 61 << QStringList{st(11, PEER), st(12, PEER)};
    QTest::newRow("hang-up never acknowledged")
        << QStringList{"ring", "agree", "hangup"} << out(PEER, 5) << 10 << QStringList{st(1, PEER)};
}

void TestCall::resendCounts()
{
    QFETCH(QStringList, steps);
    QFETCH(QByteArray, packet);
    QFETCH(int, sends);
    QFETCH(QStringList, states);
    sessionState().iResendMs = 5;
    Client client;
    open(client);
    const QString strPeer = QString::number(PEER);
    for (const QString &strStep : steps) {
        if (strStep == "push")
            client.net.slot_onSendPush(strPeer);
        else if (strStep == "reply")
            deliver(client, FakeService::pushReply(PEER, 1));
        else if (strStep == "ring")
            deliver(client, call(PEER, 1));
        else if (strStep == "agree")
            client.net.slot_onAgree(strPeer);
        else
            client.net.slot_onHangup(strPeer);
    }
    QTRY_VERIFY(sessionState().mapResend.isEmpty());
    QTRY_COMPARE(m_fake.packets(quint8(packet.at(0)), FakeService::Udp).count(packet), sends);
    QTest::qWait(30);
    QCOMPARE(m_fake.packets(quint8(packet.at(0)), FakeService::Udp).count(packet), sends);
    QCOMPARE(client.states.list, states);
    QCOMPARE(callSession().peer(), 0u);
    QCOMPARE(callSession().awaitedAck(), 0u);
}

void TestCall::pushReportsAgainstService_data()
{
    QTest::addColumn<int>("pushType");
    QTest::addColumn<int>("report");
    QTest::addColumn<QStringList>("states");
    QTest::addColumn<int>("phase");

    const int IDLE = Codes::PhaseIdle;
    const int CALLING = Codes::PhaseCalling;
    QTest::newRow("reached, then not delivered: the attempt ends")
        << 0 << 0 << QStringList{st(11, PEER), st(12, PEER)} << IDLE;
    QTest::newRow("delivered, then a stale report: the call goes on")
        << 1 << 0 << QStringList{st(11, PEER)} << CALLING;
    QTest::newRow("reached, then a report of another state")
        << 0 << 1 << QStringList{st(11, PEER)} << CALLING;
    QTest::newRow("unreachable, then not delivered: one end reported")
        << 2 << 0 << QStringList{st(12, PEER)} << IDLE;
}

void TestCall::pushReportsAgainstService()
{
    QFETCH(int, pushType);
    QFETCH(int, report);
    QFETCH(QStringList, states);
    QFETCH(int, phase);
    FakeService::CallParty party;
    party.bRing = false;
    party.iPushType = pushType;
    party.iPushReport = report;
    m_fake.callParties().insert(PEER, party);
    Client client;
    open(client);
    client.net.slot_onSendPush(QString::number(PEER));
    auto reportRead = [&client] {
        for (const QList<QVariant> &args : std::as_const(client.parsed)) {
            if (args.at(0).toByteArray().startsWith(char(Codes::CmdDeliveryReport)))
                return true;
        }
        return false;
    };
    QTRY_VERIFY(reportRead());
    QCOMPARE(client.states.list, states);
    QCOMPARE(callSession().phase(), phase);
    const bool bEnded = phase == Codes::PhaseIdle;
    QCOMPARE(callSession().peer(), bEnded ? 0u : PEER);
    // An ended attempt stops re-sending its call request.
    QCOMPARE(sessionState().mapResend.contains(CCallSession::callKey()), !bEnded);
}

void TestCall::strangerCannotSpeakForPeer()
{
    Client client;
    open(client);
    deliver(client, call(PEER, 1));
    client.net.slot_onAgree(QString::number(PEER));
    QUdpSocket stranger;
    QVERIFY(stranger.bind(QHostAddress::LocalHost, 0));
    const quint16 iClientPort = client.net.socket(SOCKET_UDP)->localPort();
    stranger.writeDatagram(call(PEER, 5), QHostAddress::LocalHost, iClientPort);
    // The peer's own hang-up, relayed by the service, comes after the forged one.
    deliver(client, call(PEER, 5, "relayed"));
    for (const QList<QVariant> &args : std::as_const(client.parsed))
        QVERIFY(args.at(0).toByteArray() != call(PEER, 5));
    QCOMPARE(client.states.list, (QStringList{st(1, PEER), st(5, PEER)}));
}

void TestCall::truncatedPackets_data()
{
    QTest::addColumn<Setup>("setup");
    QTest::addColumn<QByteArray>("packet");
    QTest::addColumn<QStringList>("states");
    QTest::addColumn<int>("answers");

    const Setup idle([] {});
    const Setup ring([] { ringing(PEER); });
    const Setup dial([] { calling(PEER); });
    const Setup talk([] { talkingIn(PEER); });
    const Setup pushed([] { pushing(PEER); });
    auto in = [](quint8 iSub) { return call(PEER, iSub); };
    QTest::newRow("request") << idle << in(1) << QStringList{st(1, PEER)} << 1;
    QTest::newRow("answer") << dial << in(2) << QStringList{st(2, PEER)} << 0;
    QTest::newRow("refuse") << dial << in(3) << QStringList{st(3, PEER)} << 1;
    QTest::newRow("busy") << dial << in(4) << QStringList{st(4, PEER)} << 0;
    QTest::newRow("hang-up") << talk << in(5) << QStringList{st(5, PEER)} << 1;
    QTest::newRow("ringing") << dial << in(7) << QStringList{st(7, PEER)} << 0;
    QTest::newRow("acknowledgement")
        << Setup([] { hungUp(PEER); }) << in(8) << QStringList{st(8, PEER)} << 0;
    QTest::newRow("push reply") << pushed << FakeService::pushReply(PEER, 1)
                                << QStringList{st(11, PEER)} << 0;
    auto report = [](quint32 iPeer, quint8 iKind) {
        return FakePacket(Codes::CmdDeliveryReport).u32(iPeer).u8(iKind).u8(0).u32(77).bytes();
    };
    QTest::newRow("delivery report of the push")
        << pushed << report(PEER, 1) << QStringList{st(12, PEER)} << 0;
    QTest::newRow("delivery report of the push after it was delivered")
        << dial << report(PEER, 1) << QStringList() << 0;
    QTest::newRow("delivery report of another user's push")
        << pushed << report(THIRD, 1) << QStringList() << 0;
    QTest::newRow("delivery report of a message during the push")
        << pushed << report(PEER, 0) << QStringList() << 0;
    QTest::newRow("delivery report of a card during the push")
        << pushed << report(PEER, 3) << QStringList() << 0;
    QTest::newRow("busy for the ringing user's second caller")
        << ring << call(THIRD, 1) << QStringList() << 1;
}

void TestCall::truncatedPackets()
{
    QFETCH(Setup, setup);
    QFETCH(QByteArray, packet);
    QFETCH(QStringList, states);
    QFETCH(int, answers);
    for (int n = 0; n <= packet.size(); ++n) {
        init();
        setup();
        const int iPhase = callSession().phase();
        const quint32 iPeer = callSession().peer();
        Protocol proto;
        CNetwork net;
        States seen(proto, net);
        QSignalSpy sent(&proto, &Protocol::sig_sendProtocol);
        proto.slot_onParseProtocol(packet.left(n), "127.0.0.1", 1);
        if (n == packet.size()) {
            QCOMPARE(seen.list, states);
            QCOMPARE(int(sent.size()), answers);
        } else {
            QVERIFY2(seen.list.isEmpty(), qPrintable(QString("cut at %1").arg(n)));
            QVERIFY2(sent.isEmpty(), qPrintable(QString("cut at %1").arg(n)));
            QCOMPARE(callSession().phase(), iPhase);
            QCOMPARE(callSession().peer(), iPeer);
        }
    }
}

QTEST_GUILESS_MAIN(TestCall)
#include "tst_call.moc"
