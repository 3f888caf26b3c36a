#include "fakeservice.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QUdpSocket>

#include "fakecipher.h"
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

// End of a u32-counted field whose count is at iOffset, or -1 while incomplete.
int end32(const QByteArray &buf, int iOffset)
{
    const qint64 n = FakePacket::u32At(buf, iOffset);
    if (n < 0 || n > 0xFFFFFF)
        return -1;
    return iOffset + 4 + int(n);
}

int counted(const QByteArray &buf, int iOffset)
{
    return complete(buf, end32(buf, iOffset));
}

// Field iField of a cloud record "phone;name;group".
QString field(const QString &strRecord, int iField)
{
    return strRecord.section(QLatin1Char(';'), iField, iField);
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
    m_lengthRules.insert(100, [](const QByteArray &b) { return fixedRule(b, 10); });
    m_lengthRules.insert(60, [](const QByteArray &b) { return counted(b, 14); });
    m_lengthRules.insert(82, [](const QByteArray &b) { return counted(b, 6); });
    m_lengthRules.insert(63, [](const QByteArray &b) {
        const int iOld = end32(b, 6);
        return iOld < 0 ? -1 : counted(b, iOld);
    });

    m_lengthRules.insert(14, [](const QByteArray &b) {
        const int iSubType = end32(b, 13);
        return iSubType < 0 ? -1 : counted(b, iSubType + 1);
    });
    m_lengthRules.insert(83, [](const QByteArray &b) {
        if (b.size() <= 9)
            return -1;
        const quint8 iKind = quint8(b.at(9));
        if (iKind == 2)
            return complete(b, 15);
        const int iCaption = end8(b, 14);
        if (iKind == 1 || iCaption < 0)
            return complete(b, iCaption);
        return counted(b, iCaption);
    });
    m_lengthRules.insert(97, [](const QByteArray &b) { return counted(b, 14); });

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
    if (!m_pMain->listen(QHostAddress::LocalHost))
        return false;
    // The sub-server's UDP port has the number of its TCP port, as the client assumes.
    for (int iTry = 0; iTry < 20; ++iTry) {
        if (!m_pSub->listen(QHostAddress::LocalHost))
            return false;
        if (m_pUdp->bind(QHostAddress::LocalHost, m_pSub->serverPort()))
            return true;
        m_pSub->close();
    }
    return false;
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

void FakeService::serveAccount(const Account &account)
{
    m_account = account;
    // Login: check the id and the password as the client encrypted them.
    setResponder(39, [this](const Received &r) {
        const QByteArray &p = r.packet;
        auto byteAt = [&p](int i) { return i < p.size() ? quint8(p.at(i)) : quint8(0); };
        int iPos = 2 + 1 + byteAt(2);
        const int iType = byteAt(iPos++);
        QString strId;
        if (iType == 0) {
            strId = QString::number(FakePacket::u32At(p, iPos));
            iPos += 4;
        } else {
            const int n = byteAt(iPos);
            strId = fakeDecryptText(p.mid(iPos + 1, n));
            iPos += 1 + n;
        }
        const int n = byteAt(iPos);
        const QString strPassword = fakeDecryptText(p.mid(iPos + 1, n));
        quint8 iResult = 0;
        if (strId != m_account.strLoginId)
            iResult = 1;
        else if (strPassword != m_account.strPassword)
            iResult = 2;
        return QList<QByteArray>{FakePacket(39)
                                     .u32(iResult == 0 ? m_account.iZpid : 0)
                                     .u8(iResult)
                                     .str8(fakeEncrypt(m_account.strPhone.toUtf8()))};
    });
    setResponder(3, [this](const Received &) {
        return m_account.bAnswerHeart ? QList<QByteArray>{FakePacket(3).bytes()}
                                      : QList<QByteArray>{};
    });
    auto presence = [this](quint8 iCode) {
        const QByteArray arOnline = fakeEncrypt(m_account.strOnline.toUtf8());
        const QByteArray arOffline = fakeEncrypt(m_account.strOffline.toUtf8());
        return FakePacket(iCode)
            .u8(0)
            .u32(2)
            .u8(0)
            .blob32(arOnline)
            .u8(0)
            .blob32(arOffline)
            .bytes();
    };
    setResponder(11, [presence](const Received &) { return QList<QByteArray>{presence(11)}; });
    setResponder(12, [presence](const Received &) { return QList<QByteArray>{presence(12)}; });
    setResponder(13, [this](const Received &r) {
        const auto iZpid = quint32(FakePacket::u32At(r.packet, 5));
        const bool bKnown = m_account.phones.contains(iZpid);
        FakePacket reply(13);
        reply.u8(bKnown ? 0 : 1).u32(iZpid);
        if (bKnown)
            reply.str8(fakeEncrypt(m_account.phones.value(iZpid).toUtf8()));
        else
            reply.u8(0);
        return QList<QByteArray>{reply.bytes()};
    });
    setResponder(31, [this](const Received &) {
        return QList<QByteArray>{FakePacket(31).u32(m_account.iZpid).u8(m_account.iPasswordResult)};
    });
}

void FakeService::serveAddressBook(const AddressBook &book)
{
    m_book = book;
    setResponder(36, [this](const Received &r) {
        const int n = r.packet.size() > 5 ? quint8(r.packet.at(5)) : 0;
        const bool bKnown = fakeDecryptText(r.packet.mid(6, n)) == m_account.strPassword;
        const QByteArray arText = bKnown ? fakeEncrypt(m_book.strContact.toUtf8()) : QByteArray();
        return QList<QByteArray>{
            FakePacket(36).u32(m_account.iZpid).u8(bKnown ? 0 : 1).u32(0).blob32(arText)};
    });
    setResponder(61, [this](const Received &) {
        const QStringList &all = m_book.netContacts;
        if (all.isEmpty())
            return QList<QByteArray>{FakePacket(61).u32(m_account.iZpid).u8(1)};
        QList<QByteArray> replies;
        for (int i = 0; i < all.size(); i += qMax(1, m_book.iNetChunk)) {
            const QStringList chunk = all.mid(i, qMax(1, m_book.iNetChunk));
            replies << FakePacket(61)
                           .u32(m_account.iZpid)
                           .u8(0)
                           .u32(quint32(all.size()))
                           .u32(quint32(chunk.size()))
                           .blob32(fakeEncrypt(chunk.join(QLatin1Char(':')).toUtf8()));
        }
        return replies;
    });
    setResponder(60, [this](const Received &r) {
        const auto iRandom = quint32(FakePacket::u32At(r.packet, 5));
        const quint8 iIndex = quint8(r.packet.at(9));
        const int n = int(FakePacket::u32At(r.packet, 14));
        const bool bRefuse = iIndex == m_book.iRefuseChunk;
        if (!bRefuse)
            m_book.netContacts << fakeDecryptText(r.packet.mid(18, n)).split(QLatin1Char(':'));
        return QList<QByteArray>{
            FakePacket(60).u32(m_account.iZpid).u32(iRandom).u8(iIndex).u8(bRefuse ? 1 : 0)};
    });
    setResponder(63, [this](const Received &r) {
        const quint8 iType = quint8(r.packet.at(5));
        const int nOld = int(FakePacket::u32At(r.packet, 6));
        const QString strOld = QString::fromUtf8(r.packet.mid(10, nOld));
        const int nNew = int(FakePacket::u32At(r.packet, 10 + nOld));
        const QString strNew = fakeDecryptText(r.packet.mid(14 + nOld, nNew));
        if (m_book.iModifyResult == 0) {
            QStringList &all = m_book.netContacts;
            if (iType == 0) {
                all << strNew;
            } else {
                for (int i = int(all.size()) - 1; i >= 0; --i) {
                    if (field(all.at(i), 0) != strOld)
                        continue;
                    if (iType == 1)
                        all.removeAt(i);
                    else
                        all[i] = strNew;
                }
            }
        }
        return QList<QByteArray>{FakePacket(63).u32(m_account.iZpid).u8(m_book.iModifyResult)};
    });
    setResponder(81, [this](const Received &r) {
        const auto iOwner = quint32(FakePacket::u32At(r.packet, 1));
        const quint8 iKind = quint8(r.packet.at(5));
        const bool bKnown =
            iKind == 0 ? m_book.cards.contains(iOwner) : m_book.pictures.contains(iOwner);
        const QByteArray arData = !bKnown      ? QByteArray()
                                  : iKind == 0 ? fakeEncrypt(m_book.cards.value(iOwner).toUtf8())
                                               : m_book.pictures.value(iOwner);
        return QList<QByteArray>{
            FakePacket(81).u32(iOwner).u8(bKnown ? 0 : 1).u8(iKind).u32(0).blob32(arData)};
    });
    setResponder(82, [this](const Received &r) {
        const quint8 iKind = quint8(r.packet.at(5));
        const QByteArray arData = r.packet.mid(10, int(FakePacket::u32At(r.packet, 6)));
        if (m_book.iSaveResult == 0) {
            if (iKind == 0)
                m_book.cards.insert(m_account.iZpid, fakeDecryptText(arData));
            else
                m_book.pictures.insert(m_account.iZpid, arData);
        }
        return QList<QByteArray>{
            FakePacket(82).u32(m_account.iZpid).u8(iKind).u8(m_book.iSaveResult)};
    });
    setResponder(100, [this](const Received &r) {
        const auto iZpid = quint32(FakePacket::u32At(r.packet, 5));
        const bool bKnown = m_book.strangers.contains(iZpid);
        const QByteArray arText =
            bKnown ? fakeEncrypt(m_book.strangers.value(iZpid).toUtf8()) : QByteArray();
        return QList<QByteArray>{FakePacket(100)
                                     .u32(m_account.iZpid)
                                     .u32(iZpid)
                                     .u8(bKnown ? 0 : 1)
                                     .u8(0)
                                     .blob32(arText)};
    });
    setResponder(32, [this](const Received &) {
        FakePacket reply(32);
        reply.u32(m_account.iZpid).u32(0).u8(0).u32(0).u32(quint32(m_book.mayKnow.size())).u32(0);
        for (const QString &strEntry : m_book.mayKnow)
            reply.blob32(strEntry.toUtf8()).blob32(QByteArray());
        return QList<QByteArray>{reply.bytes()};
    });
}

void FakeService::serveMessages(const Messaging &messaging)
{
    m_messaging = messaging;
    setResponder(14, [this](const Received &r) {
        const QByteArray &p = r.packet;
        const auto iSender = quint32(FakePacket::u32At(p, 1));
        const auto iReceiver = quint32(FakePacket::u32At(p, 5));
        const auto iMsgId = quint32(FakePacket::u32At(p, 9));
        m_messaging.texts << fakeDecryptText(p.mid(17, int(FakePacket::u32At(p, 13))));
        QList<QByteArray> replies;
        bool bAccepted = true;
        if (r.channel == Udp) {
            bAccepted = m_messaging.bReceipt && m_messaging.iReceiptResult == 0;
            if (m_messaging.bReceipt)
                replies << FakePacket(16)
                               .u32(iReceiver)
                               .u32(iSender)
                               .u8(m_messaging.iReceiptResult)
                               .u32(iMsgId)
                               .bytes();
        } else {
            replies << FakePacket(15).u32(iReceiver).u8(0).u8(1).u32(iMsgId).bytes();
        }
        if (bAccepted && m_messaging.bDeliver)
            replies << FakePacket(15).u32(iReceiver).u8(0).u8(0).u32(iMsgId).bytes();
        return replies;
    });
    setResponder(83, [this](const Received &r) {
        const QByteArray &p = r.packet;
        const auto iSender = quint32(FakePacket::u32At(p, 1));
        const auto iReceiver = quint32(FakePacket::u32At(p, 5));
        const quint8 iKind = quint8(p.at(9));
        const auto iMsgId = quint32(FakePacket::u32At(p, 10));
        QList<QByteArray> replies{FakePacket(15).u32(iReceiver).u8(3).u8(1).u32(iMsgId).bytes()};
        if (iKind == 1 && m_messaging.cardAnswers.contains(iReceiver))
            replies << FakePacket(83)
                           .u32(iReceiver)
                           .u32(iSender)
                           .u8(2)
                           .u32(iMsgId + 1000)
                           .u8(m_messaging.cardAnswers.value(iReceiver))
                           .bytes();
        return replies;
    });
    setResponder(97, [this](const Received &r) {
        const QByteArray &p = r.packet;
        return QList<QByteArray>{FakePacket(97)
                                     .u32(quint32(FakePacket::u32At(p, 1)))
                                     .u32(quint32(FakePacket::u32At(p, 5)))
                                     .u8(2)
                                     .u32(quint32(FakePacket::u32At(p, 10)))
                                     .u8(m_messaging.iCircleResult)};
    });
    // Offline messages follow the session start; the heartbeat answer stays as it was.
    const Responder heart = m_responders.value(3);
    setResponder(3, [this, heart](const Received &r) {
        QList<QByteArray> replies = heart ? heart(r) : QList<QByteArray>{};
        for (const Offline &o : std::as_const(m_messaging.offline))
            replies << FakePacket(34)
                           .u32(o.iSender)
                           .u32(m_account.iZpid)
                           .f64(o.dTime)
                           .u32(o.iMsgId)
                           .blob32(fakeEncrypt(o.strText.toUtf8()))
                           .bytes();
        m_messaging.offline.clear();
        return replies;
    });
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
