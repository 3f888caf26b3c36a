#include "fakeservice.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QUdpSocket>

#include "codes.h"
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

    for (quint8 iCode : {Codes::CmdHeartbeat, Codes::CmdLogout, Codes::CmdReserved})
        m_lengthRules.insert(iCode, [](const QByteArray &b) { return fixedRule(b, 5); });
    m_lengthRules.insert(Codes::CmdSubServer, [](const QByteArray &b) { return fixedRule(b, 5); });
    m_lengthRules.insert(Codes::CmdAllUserState,
                         [](const QByteArray &b) { return fixedRule(b, 6); });
    m_lengthRules.insert(Codes::CmdLogin, loginLength);
    m_lengthRules.insert(Codes::CmdContact, [](const QByteArray &b) {
        const int iEnd = end8(b, 5);
        return complete(b, iEnd < 0 ? -1 : iEnd + 4);
    });
    m_lengthRules.insert(Codes::CmdChangePassword,
                         [](const QByteArray &b) { return complete(b, end8(b, 6)); });
    m_lengthRules.insert(Codes::CmdCard, [](const QByteArray &b) { return fixedRule(b, 10); });
    m_lengthRules.insert(Codes::CmdCircle, [](const QByteArray &b) { return fixedRule(b, 10); });
    m_lengthRules.insert(Codes::CmdNetContact, [](const QByteArray &b) { return fixedRule(b, 9); });
    m_lengthRules.insert(Codes::CmdMayKnow, [](const QByteArray &b) { return fixedRule(b, 13); });
    m_lengthRules.insert(Codes::CmdStrangeCard,
                         [](const QByteArray &b) { return fixedRule(b, 10); });
    m_lengthRules.insert(Codes::CmdUploadNetContact,
                         [](const QByteArray &b) { return counted(b, 14); });
    m_lengthRules.insert(Codes::CmdSaveCard, [](const QByteArray &b) { return counted(b, 6); });
    m_lengthRules.insert(Codes::CmdModifyNetContact, [](const QByteArray &b) {
        const int iOld = end32(b, 6);
        return iOld < 0 ? -1 : counted(b, iOld);
    });

    m_lengthRules.insert(Codes::CmdMessage, [](const QByteArray &b) {
        const int iSubType = end32(b, 13);
        return iSubType < 0 ? -1 : counted(b, iSubType + 1);
    });
    m_lengthRules.insert(Codes::CmdCardMessage, [](const QByteArray &b) {
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
    m_lengthRules.insert(Codes::CmdCircleMessage,
                         [](const QByteArray &b) { return counted(b, 14); });

    // The circle requests, so that several sent at once are told apart.
    m_lengthRules.insert(Codes::CmdNewCircle, [](const QByteArray &b) { return counted(b, 6); });
    m_lengthRules.insert(Codes::CmdModifyCircleMember,
                         [](const QByteArray &b) { return counted(b, 14); });
    m_lengthRules.insert(Codes::CmdCircleMember,
                         [](const QByteArray &b) { return fixedRule(b, 14); });
    m_lengthRules.insert(Codes::CmdSearchCircle, [](const QByteArray &b) {
        if (b.size() <= 6)
            return -1;
        int iPos = 7;
        for (int i = 0; i < quint8(b.at(6)) && iPos >= 0; ++i)
            iPos = end8(b, iPos + 1);
        return complete(b, iPos);
    });
    m_lengthRules.insert(Codes::CmdExitCircle,
                         [](const QByteArray &b) { return fixedRule(b, 10); });
    m_lengthRules.insert(Codes::CmdModifyCircleInfo,
                         [](const QByteArray &b) { return complete(b, end8(b, 15)); });
    m_lengthRules.insert(Codes::CmdDismissCircle,
                         [](const QByteArray &b) { return fixedRule(b, 11); });

    // The enterprise directory: zpid, sub-command, then the counted rest.
    m_lengthRules.insert(Codes::CmdEnterprise, [](const QByteArray &b) { return counted(b, 6); });

    m_responders.insert(Codes::CmdSubServer, [this](const Received &r) {
        QList<QByteArray> replies;
        if (r.channel == Main && m_bAnswerSubServer) {
            const QByteArray arAddr("127.0.0.1");
            replies << FakePacket(Codes::CmdSubServer).blob32(arAddr).u32(subPort()).bytes();
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
    setResponder(Codes::CmdLogin, [this](const Received &r) {
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
        return QList<QByteArray>{FakePacket(Codes::CmdLogin)
                                     .u32(iResult == 0 ? m_account.iZpid : 0)
                                     .u8(iResult)
                                     .str8(fakeEncrypt(m_account.strPhone.toUtf8()))};
    });
    setResponder(Codes::CmdHeartbeat, [this](const Received &) {
        return m_account.bAnswerHeart ? QList<QByteArray>{FakePacket(Codes::CmdHeartbeat).bytes()}
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
    setResponder(Codes::CmdAllUserState, [presence](const Received &) {
        return QList<QByteArray>{presence(Codes::CmdAllUserState)};
    });
    setResponder(Codes::CmdUserState, [presence](const Received &) {
        return QList<QByteArray>{presence(Codes::CmdUserState)};
    });
    setResponder(Codes::CmdUserPhone, [this](const Received &r) {
        const auto iZpid = quint32(FakePacket::u32At(r.packet, 5));
        const bool bKnown = m_account.phones.contains(iZpid);
        FakePacket reply(Codes::CmdUserPhone);
        reply.u8(bKnown ? 0 : 1).u32(iZpid);
        if (bKnown)
            reply.str8(fakeEncrypt(m_account.phones.value(iZpid).toUtf8()));
        else
            reply.u8(0);
        return QList<QByteArray>{reply.bytes()};
    });
    setResponder(Codes::CmdChangePassword, [this](const Received &) {
        return QList<QByteArray>{FakePacket(Codes::CmdChangePassword)
                                     .u32(m_account.iZpid)
                                     .u8(m_account.iPasswordResult)};
    });
}

void FakeService::serveAddressBook(const AddressBook &book)
{
    m_book = book;
    setResponder(Codes::CmdContact, [this](const Received &r) {
        const int n = r.packet.size() > 5 ? quint8(r.packet.at(5)) : 0;
        const bool bKnown = fakeDecryptText(r.packet.mid(6, n)) == m_account.strPassword;
        const QByteArray arText = bKnown ? fakeEncrypt(m_book.strContact.toUtf8()) : QByteArray();
        return QList<QByteArray>{FakePacket(Codes::CmdContact)
                                     .u32(m_account.iZpid)
                                     .u8(bKnown ? 0 : 1)
                                     .u32(0)
                                     .blob32(arText)};
    });
    setResponder(Codes::CmdNetContact, [this](const Received &) {
        const QStringList &all = m_book.netContacts;
        if (all.isEmpty())
            return QList<QByteArray>{FakePacket(Codes::CmdNetContact).u32(m_account.iZpid).u8(1)};
        QList<QByteArray> replies;
        for (int i = 0; i < all.size(); i += qMax(1, m_book.iNetChunk)) {
            const QStringList chunk = all.mid(i, qMax(1, m_book.iNetChunk));
            replies << FakePacket(Codes::CmdNetContact)
                           .u32(m_account.iZpid)
                           .u8(0)
                           .u32(quint32(all.size()))
                           .u32(quint32(chunk.size()))
                           .blob32(fakeEncrypt(chunk.join(QLatin1Char(':')).toUtf8()));
        }
        return replies;
    });
    setResponder(Codes::CmdUploadNetContact, [this](const Received &r) {
        const auto iRandom = quint32(FakePacket::u32At(r.packet, 5));
        const quint8 iIndex = quint8(r.packet.at(9));
        const int n = int(FakePacket::u32At(r.packet, 14));
        const bool bRefuse = iIndex == m_book.iRefuseChunk;
        if (!bRefuse)
            m_book.netContacts << fakeDecryptText(r.packet.mid(18, n)).split(QLatin1Char(':'));
        return QList<QByteArray>{FakePacket(Codes::CmdUploadNetContact)
                                     .u32(m_account.iZpid)
                                     .u32(iRandom)
                                     .u8(iIndex)
                                     .u8(bRefuse ? 1 : 0)};
    });
    setResponder(Codes::CmdModifyNetContact, [this](const Received &r) {
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
        return QList<QByteArray>{
            FakePacket(Codes::CmdModifyNetContact).u32(m_account.iZpid).u8(m_book.iModifyResult)};
    });
    setResponder(Codes::CmdCard, [this](const Received &r) {
        const auto iOwner = quint32(FakePacket::u32At(r.packet, 1));
        const quint8 iKind = quint8(r.packet.at(5));
        const bool bKnown =
            iKind == 0 ? m_book.cards.contains(iOwner) : m_book.pictures.contains(iOwner);
        const QByteArray arData = !bKnown      ? QByteArray()
                                  : iKind == 0 ? fakeEncrypt(m_book.cards.value(iOwner).toUtf8())
                                               : m_book.pictures.value(iOwner);
        return QList<QByteArray>{FakePacket(Codes::CmdCard)
                                     .u32(iOwner)
                                     .u8(bKnown ? 0 : 1)
                                     .u8(iKind)
                                     .u32(0)
                                     .blob32(arData)};
    });
    setResponder(Codes::CmdSaveCard, [this](const Received &r) {
        const quint8 iKind = quint8(r.packet.at(5));
        const QByteArray arData = r.packet.mid(10, int(FakePacket::u32At(r.packet, 6)));
        if (m_book.iSaveResult == 0) {
            if (iKind == 0)
                m_book.cards.insert(m_account.iZpid, fakeDecryptText(arData));
            else
                m_book.pictures.insert(m_account.iZpid, arData);
        }
        return QList<QByteArray>{
            FakePacket(Codes::CmdSaveCard).u32(m_account.iZpid).u8(iKind).u8(m_book.iSaveResult)};
    });
    setResponder(Codes::CmdStrangeCard, [this](const Received &r) {
        const auto iZpid = quint32(FakePacket::u32At(r.packet, 5));
        const bool bKnown = m_book.strangers.contains(iZpid);
        const QByteArray arText =
            bKnown ? fakeEncrypt(m_book.strangers.value(iZpid).toUtf8()) : QByteArray();
        return QList<QByteArray>{FakePacket(Codes::CmdStrangeCard)
                                     .u32(m_account.iZpid)
                                     .u32(iZpid)
                                     .u8(bKnown ? 0 : 1)
                                     .u8(0)
                                     .blob32(arText)};
    });
    setResponder(Codes::CmdMayKnow, [this](const Received &) {
        FakePacket reply(Codes::CmdMayKnow);
        reply.u32(m_account.iZpid).u32(0).u8(0).u32(0).u32(quint32(m_book.mayKnow.size())).u32(0);
        for (const QString &strEntry : m_book.mayKnow)
            reply.blob32(strEntry.toUtf8()).blob32(QByteArray());
        return QList<QByteArray>{reply.bytes()};
    });
}

QByteArray FakeService::callPacket(quint32 iFrom, quint32 iTo, quint8 iSub,
                                   const QByteArray &arData)
{
    return FakePacket(Codes::CmdCallSignal).u32(iFrom).u32(iTo).u8(iSub).raw(arData);
}

QByteArray FakeService::pushReply(quint32 iCallee, quint8 iType)
{
    return FakePacket(Codes::CmdPush).u32(iCallee).u8(0).u8(iType);
}

void FakeService::serveCalls(const QHash<quint32, CallParty> &parties)
{
    m_parties = parties;
    setResponder(Codes::CmdCallSignal, [this](const Received &r) {
        QList<QByteArray> replies;
        const qint64 iFrom = FakePacket::u32At(r.packet, 1);
        const qint64 iTo = FakePacket::u32At(r.packet, 5);
        if (iTo < 0 || r.packet.size() < 10 || !m_parties.contains(quint32(iTo)))
            return replies;
        const CallParty &party = m_parties.value(quint32(iTo));
        const quint8 iSub = quint8(r.packet.at(9));
        if (iSub == 1) {
            if (party.bRing)
                replies << callPacket(quint32(iTo), quint32(iFrom), 7);
            for (quint8 iNext : party.afterRing)
                replies << callPacket(quint32(iTo), quint32(iFrom), iNext);
        } else if ((iSub == 3 || iSub == 5) && party.bAck) {
            replies << callPacket(quint32(iTo), quint32(iFrom), 8);
        }
        return replies;
    });
    setResponder(Codes::CmdPush, [this](const Received &r) {
        const qint64 iCallee = FakePacket::u32At(r.packet, 5);
        if (iCallee < 0 || !m_parties.contains(quint32(iCallee)))
            return QList<QByteArray>{};
        const CallParty &party = m_parties.value(quint32(iCallee));
        QList<QByteArray> replies;
        if (party.iPushType >= 0)
            replies << pushReply(quint32(iCallee), quint8(party.iPushType));
        if (party.iPushReport >= 0)
            replies << FakePacket(Codes::CmdDeliveryReport)
                           .u32(quint32(iCallee))
                           .u8(1)
                           .u8(quint8(party.iPushReport))
                           .u32(0)
                           .bytes();
        return replies;
    });
}

void FakeService::serveMessages(const Messaging &messaging)
{
    m_messaging = messaging;
    setResponder(Codes::CmdMessage, [this](const Received &r) {
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
                replies << FakePacket(Codes::CmdMessageReceipt)
                               .u32(iReceiver)
                               .u32(iSender)
                               .u8(m_messaging.iReceiptResult)
                               .u32(iMsgId)
                               .bytes();
        } else {
            replies << FakePacket(Codes::CmdDeliveryReport)
                           .u32(iReceiver)
                           .u8(0)
                           .u8(1)
                           .u32(iMsgId)
                           .bytes();
        }
        if (bAccepted && m_messaging.bDeliver)
            replies << FakePacket(Codes::CmdDeliveryReport)
                           .u32(iReceiver)
                           .u8(0)
                           .u8(0)
                           .u32(iMsgId)
                           .bytes();
        return replies;
    });
    setResponder(Codes::CmdCardMessage, [this](const Received &r) {
        const QByteArray &p = r.packet;
        const auto iSender = quint32(FakePacket::u32At(p, 1));
        const auto iReceiver = quint32(FakePacket::u32At(p, 5));
        const quint8 iKind = quint8(p.at(9));
        const auto iMsgId = quint32(FakePacket::u32At(p, 10));
        QList<QByteArray> replies{
            FakePacket(Codes::CmdDeliveryReport).u32(iReceiver).u8(3).u8(1).u32(iMsgId).bytes()};
        if (iKind == 1 && m_messaging.cardAnswers.contains(iReceiver))
            replies << FakePacket(Codes::CmdCardMessage)
                           .u32(iReceiver)
                           .u32(iSender)
                           .u8(2)
                           .u32(iMsgId + 1000)
                           .u8(m_messaging.cardAnswers.value(iReceiver))
                           .bytes();
        return replies;
    });
    setResponder(Codes::CmdCircleMessage, [this](const Received &r) {
        const QByteArray &p = r.packet;
        return QList<QByteArray>{FakePacket(Codes::CmdCircleMessage)
                                     .u32(quint32(FakePacket::u32At(p, 1)))
                                     .u32(quint32(FakePacket::u32At(p, 5)))
                                     .u8(2)
                                     .u32(quint32(FakePacket::u32At(p, 10)))
                                     .u8(m_messaging.iCircleResult)};
    });
    // Offline messages follow the session start; the heartbeat answer stays as it was.
    const Responder heart = m_responders.value(3);
    setResponder(Codes::CmdHeartbeat, [this, heart](const Received &r) {
        QList<QByteArray> replies = heart ? heart(r) : QList<QByteArray>{};
        for (const Offline &o : std::as_const(m_messaging.offline))
            replies << FakePacket(Codes::CmdOfflineMessage)
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
