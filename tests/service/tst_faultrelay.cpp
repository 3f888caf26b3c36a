// The fault relay the whole-client scenarios run on, against a stand-in service on loopback:
// TCP passes byte for byte except the main server's sub-server answer, which points at the
// relay; resets cut both sides; datagrams are lost, doubled and held back at the rates asked
// for, the same way for the same seed.
#include <QTcpServer>
#include <QTcpSocket>
#include <QUdpSocket>
#include <QtTest>

#include "cfieldreader.h"
#include "cfieldwriter.h"
#include "codes.h"
#include "faultrelay.h"

namespace {

QByteArray frame(const QByteArray &arPacket)
{
    QByteArray ar;
    ar.append(char(arPacket.size() & 0xff));
    ar.append(char(arPacket.size() >> 8));
    return ar + arPacket;
}

// Writes and waits until the bytes have left: the test's thread runs no event loop meanwhile.
void send(QTcpSocket &socket, const QByteArray &arBytes)
{
    socket.write(arBytes);
    QDeadlineTimer deadline(5000);
    while (socket.bytesToWrite() > 0 && !deadline.hasExpired())
        socket.waitForBytesWritten(100);
}

// Reads from pSocket until iBytes have come or the time is up.
QByteArray readAtLeast(QTcpSocket &socket, int iBytes)
{
    QByteArray ar;
    QDeadlineTimer deadline(5000);
    while (ar.size() < iBytes && !deadline.hasExpired()) {
        if (socket.bytesAvailable() == 0)
            socket.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
        ar += socket.readAll();
    }
    return ar;
}

} // namespace

class TestFaultRelay : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void tcpPassesAndSubServerAnswerPointsAtRelay();
    void resetCutsBothSides();
    void datagramsFollowTheSeededSchedule();
};

void TestFaultRelay::tcpPassesAndSubServerAnswerPointsAtRelay()
{
    QTcpServer mainServer;
    QTcpServer subServer;
    QVERIFY(mainServer.listen(QHostAddress::LocalHost, 0));
    QVERIFY(subServer.listen(QHostAddress::LocalHost, 0));
    FaultRelay relay;
    QVERIFY(relay.start(mainServer.serverPort(), subServer.serverPort(), {}, 1));
    QVERIFY(relay.subPort() != subServer.serverPort());

    // The main server answers a request, cut in two writes, with the sub-server's address and
    // a packet after it in the same write.
    QTcpSocket client;
    client.connectToHost(QHostAddress::LocalHost, relay.mainPort());
    QVERIFY(client.waitForConnected(5000));
    QVERIFY(mainServer.waitForNewConnection(5000));
    QTcpSocket *pService = mainServer.nextPendingConnection();
    const QByteArray arRequest = frame(CFieldWriter(Codes::CmdSubServer).packet());
    send(client, arRequest);
    QCOMPARE(readAtLeast(*pService, int(arRequest.size())), arRequest);
    const QByteArray arAnswer = frame(CFieldWriter(Codes::CmdSubServer)
                                          .blob32(QByteArrayLiteral("127.0.0.1"))
                                          .u32(subServer.serverPort())
                                          .packet());
    const QByteArray arOther = frame(QByteArray("\x03tail", 5));
    const QByteArray arBoth = arAnswer + arOther;
    send(*pService, arBoth.left(5));
    QTest::qWait(50);
    send(*pService, arBoth.mid(5));
    const QByteArray arGot = readAtLeast(client, int(arBoth.size()));
    QCOMPARE(arGot.right(arOther.size()), arOther);
    CFieldReader reader(arGot.mid(2, arGot.size() - 2 - arOther.size()), 1);
    QCOMPARE(reader.blob32(), QByteArrayLiteral("127.0.0.1"));
    QCOMPARE(reader.u32(), quint32(relay.subPort()));
    QVERIFY(reader.ok() && reader.atEnd());
    QCOMPARE(relay.counters().rewritten.load(), 1);

    // The sub-server's stream passes as it is, both ways, also a packet of the same code.
    QTcpSocket session;
    session.connectToHost(QHostAddress::LocalHost, relay.subPort());
    QVERIFY(session.waitForConnected(5000));
    QVERIFY(subServer.waitForNewConnection(5000));
    QTcpSocket *pSub = subServer.nextPendingConnection();
    QByteArray arBig(100000, Qt::Uninitialized);
    for (int i = 0; i < arBig.size(); ++i)
        arBig[i] = char(i * 7);
    send(session, arBig);
    QCOMPARE(readAtLeast(*pSub, int(arBig.size())), arBig);
    send(*pSub, arAnswer);
    QCOMPARE(readAtLeast(session, int(arAnswer.size())), arAnswer);
    QCOMPARE(relay.counters().rewritten.load(), 1);
}

void TestFaultRelay::resetCutsBothSides()
{
    QTcpServer mainServer;
    QTcpServer subServer;
    QVERIFY(mainServer.listen(QHostAddress::LocalHost, 0));
    QVERIFY(subServer.listen(QHostAddress::LocalHost, 0));
    FaultRelay relay;
    QVERIFY(relay.start(mainServer.serverPort(), subServer.serverPort(), {}, 1));
    QTcpSocket session;
    session.connectToHost(QHostAddress::LocalHost, relay.subPort());
    QVERIFY(session.waitForConnected(5000));
    QVERIFY(subServer.waitForNewConnection(5000));
    QTcpSocket *pSub = subServer.nextPendingConnection();
    send(session, "x");
    QCOMPARE(readAtLeast(*pSub, 1), QByteArray("x"));

    relay.resetConnections();
    QTRY_COMPARE(session.state(), QAbstractSocket::UnconnectedState);
    QCOMPARE(session.error(), QAbstractSocket::RemoteHostClosedError);
    QTRY_COMPARE(pSub->state(), QAbstractSocket::UnconnectedState);
    QCOMPARE(relay.counters().resets.load(), 1);
}

void TestFaultRelay::datagramsFollowTheSeededSchedule()
{
    // Each run sends 2000 datagrams one at a time to an echoing service; it returns what the
    // client got back and the relay's counts.
    const auto run = [](quint32 iSeed, QList<int> *pGot, qint64 *pDropped, qint64 *pDuplicated,
                        qint64 *pReordered) {
        QTcpServer mainServer;
        QUdpSocket service;
        QVERIFY(mainServer.listen(QHostAddress::LocalHost, 0));
        QVERIFY(service.bind(QHostAddress::LocalHost, 0));
        QObject::connect(&service, &QUdpSocket::readyRead, &service, [&service] {
            while (service.hasPendingDatagrams()) {
                QHostAddress from;
                quint16 iFrom = 0;
                QByteArray ar(int(service.pendingDatagramSize()), Qt::Uninitialized);
                service.readDatagram(ar.data(), ar.size(), &from, &iFrom);
                service.writeDatagram(ar, from, iFrom);
            }
        });
        FaultRelay::Faults faults;
        faults.dLoss = 0.1;
        faults.dDuplicate = 0.05;
        faults.dReorder = 0.05;
        FaultRelay relay;
        QVERIFY(relay.start(mainServer.serverPort(), service.localPort(), faults, iSeed));
        QUdpSocket client;
        QVERIFY(client.bind(QHostAddress::LocalHost, 0));
        for (int i = 0; i < 2000; ++i) {
            client.writeDatagram(QByteArray::number(i), QHostAddress::LocalHost, relay.subPort());
            // One at a time, so that the schedule meets the datagrams in one order.
            QTest::qWait(1);
        }
        QTest::qWait(700);
        while (client.hasPendingDatagrams()) {
            QByteArray ar(int(client.pendingDatagramSize()), Qt::Uninitialized);
            QHostAddress from;
            quint16 iFrom = 0;
            client.readDatagram(ar.data(), ar.size(), &from, &iFrom);
            // Answers come from the port the client sent to, as from the service itself.
            QCOMPARE(iFrom, relay.subPort());
            pGot->append(ar.toInt());
        }
        *pDropped = relay.counters().dropped;
        *pDuplicated = relay.counters().duplicated;
        *pReordered = relay.counters().reordered;
    };
    QList<int> first;
    QList<int> again;
    QList<int> other;
    qint64 iDropped = 0, iDuplicated = 0, iReordered = 0;
    qint64 iDropped2 = 0, iDuplicated2 = 0, iReordered2 = 0;
    qint64 iDropped3 = 0, iDuplicated3 = 0, iReordered3 = 0;
    run(7, &first, &iDropped, &iDuplicated, &iReordered);
    run(7, &again, &iDropped2, &iDuplicated2, &iReordered2);
    run(8, &other, &iDropped3, &iDuplicated3, &iReordered3);
    // 4000 datagrams in all pass the schedule (2000 each way, less those lost on the way in).
    QVERIFY2(iDropped > 250 && iDropped < 550, qPrintable(QString::number(iDropped)));
    QVERIFY2(iDuplicated > 100 && iDuplicated < 300, qPrintable(QString::number(iDuplicated)));
    QVERIFY2(iReordered > 100 && iReordered < 300, qPrintable(QString::number(iReordered)));
    QCOMPARE(first, again);
    QVERIFY(first != other);
    // Some came twice and some out of order.
    QVERIFY(QSet<int>(first.begin(), first.end()).size() < first.size());
    QVERIFY(!std::is_sorted(first.begin(), first.end()));
}

QTEST_GUILESS_MAIN(TestFaultRelay)
#include "tst_faultrelay.moc"
