#include "serviceclient.h"

#include <QDeadlineTimer>
#include <QTest>

#include "codes.h"
#include "fakecipher.h"
#include "fakepacket.h"
#include "zephonversion.h"

namespace {

// Splits framed packets (16-bit little-endian length, then the packet) off the stream.
void unframe(QByteArray &arStream, QList<QByteArray> &packets)
{
    while (arStream.size() >= 2) {
        const int n = quint8(arStream.at(0)) | (quint8(arStream.at(1)) << 8);
        if (arStream.size() < n + 2)
            return;
        packets << arStream.mid(2, n);
        arStream.remove(0, n + 2);
    }
}

QByteArray blobAt(const QByteArray &ar, int &iPos)
{
    const qint64 n = FakePacket::u32At(ar, iPos);
    if (n < 0 || ar.size() < iPos + 4 + n)
        return QByteArray();
    const QByteArray arBlob = ar.mid(iPos + 4, int(n));
    iPos += 4 + int(n);
    return arBlob;
}

// Lets the event loop run (the service may live in this thread) until the test holds.
template <typename Test> bool waitUntil(Test test, int iTimeoutMs)
{
    QDeadlineTimer deadline(iTimeoutMs);
    while (!test()) {
        if (deadline.hasExpired())
            return false;
        QTest::qWait(5);
    }
    return true;
}

} // namespace

ServiceClient::ServiceClient(quint16 iMainPort, QObject *parent)
    : QObject(parent), m_iMainPort(iMainPort)
{
    connect(&m_tcp, &QTcpSocket::readyRead, this, &ServiceClient::onTcpData);
    connect(&m_udp, &QUdpSocket::readyRead, this, &ServiceClient::onUdpData);
}

bool ServiceClient::connectSub(int iTimeoutMs)
{
    QTcpSocket main;
    main.connectToHost(QHostAddress::LocalHost, m_iMainPort);
    if (!waitUntil([&main] { return main.state() == QAbstractSocket::ConnectedState; }, iTimeoutMs))
        return false;
    main.write(FakePacket(Codes::CmdSubServer).u32(0));
    QByteArray arStream;
    QList<QByteArray> packets;
    waitUntil(
        [&] {
            arStream.append(main.readAll());
            unframe(arStream, packets);
            return !packets.isEmpty();
        },
        iTimeoutMs);
    if (packets.isEmpty() || quint8(packets.first().at(0)) != Codes::CmdSubServer)
        return false;
    int iPos = 1;
    const QByteArray arAddress = blobAt(packets.first(), iPos);
    m_iSubPort = quint16(FakePacket::u32At(packets.first(), iPos));
    main.close();
    m_tcp.connectToHost(QHostAddress(QString::fromLatin1(arAddress)), m_iSubPort);
    if (!waitUntil([this] { return m_tcp.state() == QAbstractSocket::ConnectedState; }, iTimeoutMs))
        return false;
    return m_udp.bind(QHostAddress::LocalHost, 0);
}

int ServiceClient::login(const QString &strId, const QString &strPassword, int iTimeoutMs)
{
    const bool bMobile = strId.size() == 11;
    FakePacket packet(Codes::CmdLogin);
    packet.u8(4).str8(ZEPHON_VERSION_TEXT).u8(bMobile ? 1 : 0);
    if (bMobile)
        packet.str8(fakeEncrypt(strId.toUtf8()));
    else
        packet.u32(strId.toUInt());
    packet.str8(fakeEncrypt(strPassword.toUtf8())).str8(QByteArray());
    const QByteArray arReply = requestTcp(packet, iTimeoutMs);
    if (arReply.size() < 7)
        return -1;
    const int iResult = quint8(arReply.at(5));
    if (iResult == 0) {
        m_iZpid = quint32(FakePacket::u32At(arReply, 1));
        m_strPhone = fakeDecryptText(arReply.mid(7, quint8(arReply.at(6))));
    }
    return iResult;
}

bool ServiceClient::heartbeat(int iTimeoutMs)
{
    return !requestUdp(FakePacket(Codes::CmdHeartbeat).u32(m_iZpid), iTimeoutMs).isEmpty();
}

void ServiceClient::setTcpReceiveBuffer(int iBytes)
{
    m_tcp.setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, iBytes);
}

void ServiceClient::holdTcp(bool bHold)
{
    // A read buffer of one byte that nobody empties stops the socket reading from the kernel.
    m_tcp.setReadBufferSize(bHold ? 1 : 0);
    if (bHold) {
        disconnect(&m_tcp, &QTcpSocket::readyRead, this, &ServiceClient::onTcpData);
        return;
    }
    connect(&m_tcp, &QTcpSocket::readyRead, this, &ServiceClient::onTcpData);
    onTcpData();
}

void ServiceClient::sendTcp(const QByteArray &arPacket)
{
    m_tcp.write(arPacket);
    m_tcp.flush();
}

void ServiceClient::sendUdp(const QByteArray &arPacket)
{
    m_udp.writeDatagram(arPacket, QHostAddress::LocalHost, m_iSubPort);
}

QByteArray ServiceClient::requestTcp(const QByteArray &arPacket, int iTimeoutMs)
{
    sendTcp(arPacket);
    return takeTcp(quint8(arPacket.at(0)), iTimeoutMs);
}

QByteArray ServiceClient::requestUdp(const QByteArray &arPacket, int iTimeoutMs)
{
    sendUdp(arPacket);
    return takeUdp(quint8(arPacket.at(0)), iTimeoutMs);
}

QByteArray ServiceClient::take(QList<QByteArray> &packets, quint8 iCode)
{
    for (int i = 0; i < packets.size(); ++i) {
        if (!packets.at(i).isEmpty() && quint8(packets.at(i).at(0)) == iCode)
            return packets.takeAt(i);
    }
    return QByteArray();
}

QByteArray ServiceClient::takeTcp(quint8 iCode, int iTimeoutMs)
{
    QByteArray ar;
    waitUntil([&] { return !(ar = take(m_tcpPackets, iCode)).isEmpty(); }, iTimeoutMs);
    return ar;
}

QByteArray ServiceClient::takeUdp(quint8 iCode, int iTimeoutMs)
{
    QByteArray ar;
    waitUntil([&] { return !(ar = take(m_udpPackets, iCode)).isEmpty(); }, iTimeoutMs);
    return ar;
}

void ServiceClient::clearReceived()
{
    m_tcpPackets.clear();
    m_udpPackets.clear();
}

bool ServiceClient::presenceLists(const QByteArray &arReply, QString &strOnline,
                                  QString &strOffline)
{
    if (arReply.size() < 16)
        return false;
    int iPos = 7;
    strOnline = fakeDecryptText(blobAt(arReply, iPos));
    ++iPos;
    strOffline = fakeDecryptText(blobAt(arReply, iPos));
    return true;
}

void ServiceClient::onTcpData()
{
    m_arStream.append(m_tcp.readAll());
    unframe(m_arStream, m_tcpPackets);
}

void ServiceClient::onUdpData()
{
    while (m_udp.hasPendingDatagrams()) {
        QByteArray ar(int(qMax<qint64>(m_udp.pendingDatagramSize(), 0)), '\0');
        const qint64 n = m_udp.readDatagram(ar.data(), ar.size());
        if (n < 0)
            break;
        ar.truncate(int(n));
        m_udpPackets << ar;
    }
}
