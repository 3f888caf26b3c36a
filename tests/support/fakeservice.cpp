#include "fakeservice.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QUdpSocket>

#include "fakepacket.h"

namespace {

// Length of a one-byte-counted field at iOffset, or -1 while incomplete.
int end8(const QByteArray &buf, int iOffset)
{
    if (buf.size() <= iOffset)
        return -1;
    return iOffset + 1 + quint8(buf.at(iOffset));
}

int complete(const QByteArray &buf, int iEnd)
{
    return iEnd >= 0 && buf.size() >= iEnd ? iEnd : -1;
}

int fixedRule(const QByteArray &buf, int n)
{
    return complete(buf, n);
}

int loginLength(const QByteArray &buf)
{
    int iPos = end8(buf, 2); // code, client kind, version
    if (iPos < 0 || buf.size() <= iPos)
        return -1;
    const int iType = quint8(buf.at(iPos));
    ++iPos;
    if (iType == 0)
        iPos += 4;
    else if (iType == 1 || iType == 2)
        iPos = end8(buf, iPos);
    iPos = iPos < 0 ? -1 : end8(buf, iPos); // password
    iPos = iPos < 0 ? -1 : end8(buf, iPos); // local id
    return complete(buf, iPos);
}

} // namespace

FakeService::FakeService(QObject *parent)
    : QObject(parent), m_pMain(new QTcpServer(this)), m_pSub(new QTcpServer(this)),
      m_pUdp(new QUdpSocket(this))
{
    qRegisterMetaType<FakeService::Received>("FakeService::Received");
    connect(m_pMain, &QTcpServer::newConnection, this, [this] { onNewConnection(m_pMain, Main); });
    connect(m_pSub, &QTcpServer::newConnection, this, [this] { onNewConnection(m_pSub, Sub); });
    connect(m_pUdp, &QUdpSocket::readyRead, this, &FakeService::onDatagrams);

    for (quint8 iCode : {3, 35, 28})
        m_lengthRules.insert(iCode, [](const QByteArray &b) { return fixedRule(b, 5); });
    m_lengthRules.insert(102, [](const QByteArray &b) { return fixedRule(b, 5); });
    m_lengthRules.insert(11, [](const QByteArray &b) { return fixedRule(b, 6); });
    m_lengthRules.insert(39, loginLength);
    m_lengthRules.insert(36, [](const QByteArray &b) {
        const int iEnd = end8(b, 5);
        return complete(b, iEnd < 0 ? -1 : iEnd + 4);
    });
    m_lengthRules.insert(31, [](const QByteArray &b) { return complete(b, end8(b, 6)); });
    m_lengthRules.insert(81, [](const QByteArray &b) { return fixedRule(b, 10); });
    m_lengthRules.insert(93, [](const QByteArray &b) { return fixedRule(b, 10); });
    m_lengthRules.insert(61, [](const QByteArray &b) { return fixedRule(b, 9); });
    m_lengthRules.insert(32, [](const QByteArray &b) { return fixedRule(b, 13); });

    m_responders.insert(102, [this](const Received &r) {
        QList<QByteArray> replies;
        if (r.channel == Main && m_bAnswer102) {
            const QByteArray arAddr("127.0.0.1");
            replies << FakePacket(102).blob32(arAddr).u32(subPort()).bytes();
        }
        return replies;
    });
}

FakeService::~FakeService() = default;

bool FakeService::start()
{
    return m_pMain->listen(QHostAddress::LocalHost) && m_pSub->listen(QHostAddress::LocalHost) &&
           m_pUdp->bind(QHostAddress::LocalHost, 0);
}

quint16 FakeService::mainPort() const
{
    return m_pMain->serverPort();
}

quint16 FakeService::subPort() const
{
    return m_pSub->serverPort();
}

quint16 FakeService::udpPort() const
{
    return m_pUdp->localPort();
}

QString FakeService::serverText() const
{
    return QString("127.0.0.1:%1").arg(mainPort());
}

void FakeService::setResponder(quint8 iCode, Responder responder)
{
    m_responders.insert(iCode, std::move(responder));
}

void FakeService::setLengthRule(quint8 iCode, LengthRule rule)
{
    m_lengthRules.insert(iCode, std::move(rule));
}

QList<QByteArray> FakeService::packets(quint8 iCode, Channel channel) const
{
    QList<QByteArray> list;
    for (const Received &r : m_received) {
        if (r.channel == channel && !r.packet.isEmpty() && quint8(r.packet.at(0)) == iCode)
            list << r.packet;
    }
    return list;
}

void FakeService::pushMain(const QByteArray &arPacket)
{
    if (m_pLastMain)
        m_pLastMain->write(FakePacket::frame(arPacket));
}

void FakeService::pushSub(const QByteArray &arPacket)
{
    pushSubRaw(FakePacket::frame(arPacket));
}

void FakeService::pushSubRaw(const QByteArray &arBytes)
{
    if (m_pLastSub) {
        m_pLastSub->write(arBytes);
        m_pLastSub->flush();
    }
}

void FakeService::pushUdp(const QByteArray &arPacket)
{
    if (m_iUdpPeerPort != 0)
        m_pUdp->writeDatagram(arPacket, m_udpPeer, m_iUdpPeerPort);
}

void FakeService::closeMainClients()
{
    for (QTcpSocket *pSocket : m_pMain->findChildren<QTcpSocket *>())
        pSocket->disconnectFromHost();
}

void FakeService::closeSubClients()
{
    for (QTcpSocket *pSocket : m_pSub->findChildren<QTcpSocket *>())
        pSocket->disconnectFromHost();
}

void FakeService::onNewConnection(QTcpServer *pServer, Channel channel)
{
    while (QTcpSocket *pSocket = pServer->nextPendingConnection()) {
        if (channel == Main) {
            m_pLastMain = pSocket;
        } else {
            m_pLastSub = pSocket;
            ++m_iSubConnections;
        }
        connect(pSocket, &QTcpSocket::readyRead, this,
                [this, pSocket, channel] { onTcpData(pSocket, channel); });
        connect(pSocket, &QTcpSocket::disconnected, this, [this, pSocket] {
            m_buffers.remove(pSocket);
            pSocket->deleteLater();
        });
    }
}

int FakeService::packetLength(const QByteArray &arBuffer) const
{
    if (arBuffer.isEmpty())
        return -1;
    const auto it = m_lengthRules.constFind(quint8(arBuffer.at(0)));
    if (it == m_lengthRules.constEnd())
        return int(arBuffer.size());
    return it.value()(arBuffer);
}

void FakeService::onTcpData(QTcpSocket *pSocket, Channel channel)
{
    QByteArray &arBuffer = m_buffers[pSocket];
    arBuffer.append(pSocket->readAll());
    for (int n = packetLength(arBuffer); n > 0; n = packetLength(arBuffer)) {
        const Received received{channel, arBuffer.left(n)};
        arBuffer.remove(0, n);
        handle(received);
    }
}

void FakeService::onDatagrams()
{
    while (m_pUdp->hasPendingDatagrams()) {
        QByteArray ar(int(qMax<qint64>(m_pUdp->pendingDatagramSize(), 0)), '\0');
        const qint64 n = m_pUdp->readDatagram(ar.data(), ar.size(), &m_udpPeer, &m_iUdpPeerPort);
        if (n < 0)
            break;
        ar.truncate(int(n));
        handle(Received{Udp, ar});
    }
}

void FakeService::handle(const Received &received)
{
    m_received.append(received);
    emit packetReceived(received);
    if (received.packet.isEmpty())
        return;
    const auto it = m_responders.constFind(quint8(received.packet.at(0)));
    if (it == m_responders.constEnd())
        return;
    const QList<QByteArray> replies = it.value()(received);
    for (const QByteArray &arReply : replies)
        reply(received.channel, arReply);
}

void FakeService::reply(Channel channel, const QByteArray &arPacket)
{
    switch (channel) {
    case Main:
        pushMain(arPacket);
        break;
    case Sub:
        pushSub(arPacket);
        break;
    case Udp:
        pushUdp(arPacket);
        break;
    }
}
