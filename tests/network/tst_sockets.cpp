// Frame reassembly and the two socket classes, over real loopback sockets to the fake service.
#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>

#include "cframebuffer.h"
#include "clistener.h"
#include "codes.h"
#include "ctcpsocket.h"
#include "cudpsocket.h"
#include "fakepacket.h"
#include "fakeservice.h"

namespace {

class RecordingListener : public CListener
{
public:
    int iConnects = 0;
    int iDisconnects = 0;
    QList<int> errors;
    QList<QByteArray> packets;
    QStringList addresses;
    QList<quint16> ports;

    void onConnect() override { ++iConnects; }
    void onDisconnected() override { ++iDisconnects; }
    void onReceive(QByteArray arBuff, QString strAddr, quint16 iPort) override
    {
        packets << arBuff;
        addresses << strAddr;
        ports << iPort;
    }
    void onError(int iError) override { errors << iError; }
};

QList<QByteArray> sampleFrames()
{
    return {QByteArray("ABC"), QByteArray(), QByteArray(300, '\x42'), QByteArray("\x03", 1),
            QByteArray(256, '\x01')};
}

QByteArray streamOf(const QList<QByteArray> &frames)
{
    QByteArray ar;
    for (const QByteArray &f : frames)
        ar += FakePacket::frame(f);
    return ar;
}

QList<QByteArray> drain(CFrameBuffer &buffer)
{
    QList<QByteArray> out;
    QByteArray ar;
    while (buffer.takePacket(ar))
        out << ar;
    return out;
}

} // namespace

class TestSockets : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();

    void frameByteCases();
    void streamCutAnywhere_data();
    void streamCutAnywhere();
    void createSocketByType();

    void tcpDeliversFramesAsTheyComplete();
    void tcpReconnectDropsPartialFrame();
    void tcpRefusedReportsError();
    void tcpCloseByPeerReportsDisconnect();
    void udpConnectWriteReceive();

private:
    // Connects to the fake's sub-server port and waits until the fake has the connection, so
    // that what it pushes next goes to this client.
    bool connectToFake(CTcpSocket &socket);

    FakeService m_fake;
};

bool TestSockets::connectToFake(CTcpSocket &socket)
{
    const int iBefore = m_fake.subConnectionCount();
    socket.connectToHost("127.0.0.1", m_fake.subPort());
    return QTest::qWaitFor([&] { return m_fake.subConnectionCount() > iBefore; }, 5000);
}

void TestSockets::initTestCase()
{
    QVERIFY(m_fake.start());
}

void TestSockets::frameByteCases()
{
    CFrameBuffer buffer;
    buffer.append(QByteArray::fromHex("03004142430500"));
    QCOMPARE(drain(buffer), QList<QByteArray>{"ABC"});
    QCOMPARE(buffer.pending(), 2);
    buffer.append("hello");
    QCOMPARE(drain(buffer), QList<QByteArray>{"hello"});
    QCOMPARE(buffer.pending(), 0);

    buffer.append(QByteArray(1, '\x02'));
    QCOMPARE(drain(buffer), QList<QByteArray>());
    QCOMPARE(buffer.pending(), 1);
    buffer.append(QByteArray::fromHex("00"));
    QCOMPARE(drain(buffer), QList<QByteArray>());
    buffer.append("xy");
    QCOMPARE(drain(buffer), QList<QByteArray>{"xy"});

    buffer.append(QByteArray::fromHex("0000"));
    QCOMPARE(drain(buffer), QList<QByteArray>{QByteArray()});

    // The largest frame the length allows.
    buffer.append(FakePacket::frame(QByteArray(65535, 'q')));
    const QList<QByteArray> big = drain(buffer);
    QCOMPARE(big.size(), 1);
    QCOMPARE(big.first().size(), 65535);
}

void TestSockets::streamCutAnywhere_data()
{
    QTest::addColumn<int>("cut");
    const int n = int(streamOf(sampleFrames()).size());
    for (int i = 0; i <= n; ++i)
        QTest::addRow("%d", i) << i;
}

void TestSockets::streamCutAnywhere()
{
    QFETCH(int, cut);
    const QByteArray arStream = streamOf(sampleFrames());
    CFrameBuffer buffer;
    buffer.append(arStream.left(cut));
    QList<QByteArray> got = drain(buffer);
    // Frames entirely before the cut are already out, and only those.
    int iComplete = 0;
    for (int iEnd = 0; iComplete < sampleFrames().size(); ++iComplete) {
        iEnd += 2 + int(sampleFrames().at(iComplete).size());
        if (iEnd > cut)
            break;
    }
    QCOMPARE(got.size(), iComplete);
    buffer.append(arStream.mid(cut));
    got += drain(buffer);
    QCOMPARE(got, sampleFrames());
    QCOMPARE(buffer.pending(), 0);
}

void TestSockets::createSocketByType()
{
    RecordingListener listener;
    std::unique_ptr<CSocket> tcp(createSocket(SOCKET_TCP, &listener));
    std::unique_ptr<CSocket> udp(createSocket(SOCKET_UDP, &listener));
    QVERIFY(dynamic_cast<CTcpSocket *>(tcp.get()));
    QVERIFY(dynamic_cast<CUdpSocket *>(udp.get()));
    QCOMPARE(createSocket(2, &listener), nullptr);
    QCOMPARE(createSocket(-1, &listener), nullptr);
}

void TestSockets::tcpDeliversFramesAsTheyComplete()
{
    RecordingListener listener;
    CTcpSocket socket(&listener);
    QVERIFY(connectToFake(socket));
    QTRY_COMPARE(listener.iConnects, 1);
    QVERIFY(socket.isConnected());

    const QByteArray arStream = FakePacket::frame("one") + FakePacket::frame("two");
    m_fake.pushSubRaw(arStream);
    QTRY_COMPARE(listener.packets.size(), 2);
    QCOMPARE(listener.packets, (QList<QByteArray>{"one", "two"}));
    QCOMPARE(listener.addresses, (QStringList{QString(), QString()}));
    QCOMPARE(listener.ports, (QList<quint16>{0, 0}));

    // One frame in three reads arrives once, with its last byte.
    const QByteArray arFrame = FakePacket::frame("split-frame");
    m_fake.pushSubRaw(arFrame.left(1));
    QTest::qWait(20);
    m_fake.pushSubRaw(arFrame.mid(1, 6));
    QTest::qWait(20);
    QCOMPARE(listener.packets.size(), 2);
    m_fake.pushSubRaw(arFrame.mid(7));
    QTRY_COMPARE(listener.packets.size(), 3);
    QCOMPARE(listener.packets.last(), QByteArray("split-frame"));

    // Outgoing packets carry no frame.
    QString strHost = "ignored";
    const QByteArray arOut = QByteArray::fromHex("6600000000");
    m_fake.clearReceived();
    socket.write(arOut.constData(), int(arOut.size()), strHost, 0);
    QVERIFY(strHost.isEmpty());
    QTRY_COMPARE(m_fake.packets(Codes::CmdSubServer, FakeService::Sub), QList<QByteArray>{arOut});
    socket.close();
}

void TestSockets::tcpReconnectDropsPartialFrame()
{
    RecordingListener listener;
    CTcpSocket socket(&listener);
    QVERIFY(connectToFake(socket));
    QTRY_COMPARE(listener.iConnects, 1);
    // A frame announcing 60000 bytes of which only a few ever come.
    m_fake.pushSubRaw(QByteArray::fromHex("60ea") + "stub");
    QTest::qWait(50);
    socket.close();

    QVERIFY(connectToFake(socket));
    QTRY_COMPARE(listener.iConnects, 2);
    m_fake.pushSub("fresh");
    QTRY_COMPARE(listener.packets.size(), 1);
    QCOMPARE(listener.packets.first(), QByteArray("fresh"));
    socket.close();
}

void TestSockets::tcpRefusedReportsError()
{
    QTcpServer closed;
    QVERIFY(closed.listen(QHostAddress::LocalHost));
    const quint16 iPort = closed.serverPort();
    closed.close();

    RecordingListener listener;
    CTcpSocket socket(&listener);
    socket.connectToHost("127.0.0.1", iPort);
    QTRY_COMPARE(listener.errors.size(), 1);
    QCOMPARE(listener.errors.first(), int(QAbstractSocket::ConnectionRefusedError));
    QCOMPARE(listener.iConnects, 0);
}

void TestSockets::tcpCloseByPeerReportsDisconnect()
{
    RecordingListener listener;
    CTcpSocket socket(&listener);
    QVERIFY(connectToFake(socket));
    QTRY_COMPARE(listener.iConnects, 1);
    m_fake.closeSubClients();
    QTRY_COMPARE(listener.iDisconnects, 1);
    QVERIFY(!socket.isConnected());
}

void TestSockets::udpConnectWriteReceive()
{
    RecordingListener listener;
    CUdpSocket socket(&listener);
    socket.connectToHost("127.0.0.1", m_fake.udpPort());
    // No handshake: the listener hears of it before connectToHost returns.
    QCOMPARE(listener.iConnects, 1);

    m_fake.clearReceived();
    QString strNoHost;
    const QByteArray arHeart = QByteArray::fromHex("0301000000");
    socket.write(arHeart.constData(), int(arHeart.size()), strNoHost, 0);
    QTRY_COMPARE(m_fake.packets(Codes::CmdHeartbeat, FakeService::Udp), QList<QByteArray>{arHeart});

    // An explicit host wins over the stored one.
    QUdpSocket other;
    QVERIFY(other.bind(QHostAddress::LocalHost, 0));
    QString strOther = "127.0.0.1";
    socket.write("xyz", 3, strOther, other.localPort());
    QTRY_VERIFY(other.hasPendingDatagrams());

    m_fake.pushUdp(QByteArray::fromHex("03"));
    m_fake.pushUdp(QByteArray());
    QTRY_COMPARE(listener.packets.size(), 2);
    QCOMPARE(listener.packets.first(), QByteArray::fromHex("03"));
    QCOMPARE(listener.packets.last(), QByteArray());
    QVERIFY(QHostAddress(listener.addresses.first())
                .isEqual(QHostAddress::LocalHost, QHostAddress::ConvertV4MappedToIPv4));
    QCOMPARE(listener.ports.first(), m_fake.udpPort());
    socket.close();
}

QTEST_GUILESS_MAIN(TestSockets)
#include "tst_sockets.moc"
