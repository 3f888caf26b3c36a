// FakeService: a scriptable stand-in for the service, listening on loopback only. It has a
// main-server TCP port that answers CmdSubServer with its own sub-server address, a sub-server
// TCP port (frames towards the client carry a 16-bit little-endian length) and a UDP port of
// the same number. Every packet the client sends is recorded in order; tests push any packet
// back and add responders per command code as command families grow. Command codes go by their
// shared names (codes.h); the packets are built and read by the fake's own FakePacket.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>

class QTcpServer;
class QTcpSocket;
class QUdpSocket;

class FakeService : public QObject
{
    Q_OBJECT
public:
    enum Channel
    {
        Main,
        Sub,
        Udp
    };

    struct Received
    {
        Channel channel;
        QByteArray packet;
    };

    // Packets to send back on the channel the request came in on.
    using Responder = std::function<QList<QByteArray>(const Received &)>;
    // Byte length of the client packet at the start of buf (client TCP packets carry no
    // frame), or -1 while it is incomplete.
    using LengthRule = std::function<int(const QByteArray &buf)>;

    // What the session commands (login, heartbeat, presence, telephone, password) answer.
    struct Account
    {
        quint32 iZpid = 0;
        QString strLoginId;
        QString strPassword;
        QString strPhone;
        QString strOnline;
        QString strOffline;
        QHash<quint32, QString> phones;
        quint8 iPasswordResult = 0;
        bool bAnswerHeart = true;
    };

    // What the contact, cloud address book and card commands answer; addressed to the
    // account's zpid.
    struct AddressBook
    {
        QString strContact;       // the contact list of CmdContact, sent when the password matches
        QStringList netContacts;  // the cloud book, records "phone;name;group"
        int iNetChunk = 100;      // records per CmdNetContact reply
        int iRefuseChunk = -1;    // CmdUploadNetContact chunk answered with result 1
        quint8 iModifyResult = 0; // result of CmdModifyNetContact
        quint8 iSaveResult = 0;   // result of CmdSaveCard
        QHash<quint32, QString> cards;       // CmdCard kind 0, by owner
        QHash<quint32, QByteArray> pictures; // CmdCard kind 1, by owner
        QHash<quint32, QString> strangers;   // CmdStrangeCard, by user
        QStringList mayKnow;                 // the entry texts of CmdMayKnow
    };

    // How a user the client calls answers; the service relays the call family to it and
    // answers the push itself.
    struct CallParty
    {
        int iPushType = 1;       // type of the CmdPush reply; -1 sends none
        int iPushReport = -1;    // state of the CmdDeliveryReport (kind 1) after it; -1: none
        bool bRing = true;       // every call request is answered with ringing 7
        QList<quint8> afterRing; // sub-commands sent after that, such as 2 (answer)
        bool bAck = true;        // a refuse or hang-up is answered with 8
    };

    // What the message commands answer. A one-to-one message over UDP gets the receipt
    // (CmdMessageReceipt), one over TCP the acceptance report (CmdDeliveryReport, state 1);
    // either is then reported delivered (CmdDeliveryReport, state 0) when bDeliver is set. Card
    // messages are accepted with CmdDeliveryReport (kind 3, state 1); a card request to a zpid
    // in cardAnswers is answered by that user (CmdCardMessage kind 2). Circle messages get their
    // result (CmdCircleMessage kind 2). The offline messages are pushed as CmdOfflineMessage over
    // UDP after the first heartbeat.
    struct Offline
    {
        quint32 iSender = 0;
        double dTime = 0;
        quint32 iMsgId = 0;
        QString strText;
    };
    struct Messaging
    {
        bool bReceipt = true;
        quint8 iReceiptResult = 0;
        bool bDeliver = true;
        quint8 iCircleResult = 0;
        QHash<quint32, quint8> cardAnswers;
        QList<Offline> offline;
        QStringList texts; // decrypted texts of the one-to-one messages received, in order
    };

    explicit FakeService(QObject *parent = nullptr);
    ~FakeService() override;

    bool start();
    quint16 mainPort() const;
    quint16 subPort() const;
    quint16 udpPort() const;
    // The main server as ZEPHON_SERVER expects it.
    QString serverText() const;

    // Answer CmdSubServer on the main port with the sub-server's address and port (on by
    // default).
    void setAnswerSubServer(bool bAnswer) { m_bAnswerSubServer = bAnswer; }
    void setResponder(quint8 iCode, Responder responder);
    void setLengthRule(quint8 iCode, LengthRule rule);
    // Installs the server side of CmdLogin, CmdHeartbeat, CmdAllUserState, CmdUserState,
    // CmdUserPhone and CmdChangePassword for this account.
    void serveAccount(const Account &account);
    Account &account() { return m_account; }
    // Installs the server side of CmdContact, CmdUploadNetContact, CmdNetContact,
    // CmdModifyNetContact, CmdCard, CmdSaveCard, CmdStrangeCard and CmdMayKnow; the upload, the
    // change and the saved card change the book as the service would.
    void serveAddressBook(const AddressBook &book);
    AddressBook &addressBook() { return m_book; }
    // Installs the server side of CmdCallSignal and CmdPush for these users, by zpid; calls to
    // anybody else get no answer.
    void serveCalls(const QHash<quint32, CallParty> &parties);
    QHash<quint32, CallParty> &callParties() { return m_parties; }

    // A CmdCallSignal packet as the service relays it: sender, receiver, sub-command, data.
    static QByteArray callPacket(quint32 iFrom, quint32 iTo, quint8 iSub,
                                 const QByteArray &arData = QByteArray());
    static QByteArray pushReply(quint32 iCallee, quint8 iType);

    // Installs the server side of CmdMessage, CmdMessageReceipt, CmdCardMessage and
    // CmdCircleMessage and the offline push.
    void serveMessages(const Messaging &messaging);
    Messaging &messaging() { return m_messaging; }

    const QList<Received> &received() const { return m_received; }
    QList<QByteArray> packets(quint8 iCode, Channel channel) const;
    void clearReceived() { m_received.clear(); }

    // Pushes towards the most recent client connection of the channel.
    void pushMain(const QByteArray &arPacket);
    void pushSub(const QByteArray &arPacket);
    void pushSubRaw(const QByteArray &arBytes);
    // To the address and port the last datagram came from.
    void pushUdp(const QByteArray &arPacket);

    void closeMainClients();
    void closeSubClients();
    int subConnectionCount() const { return m_iSubConnections; }

signals:
    void packetReceived(FakeService::Received received);

private:
    void onNewConnection(QTcpServer *pServer, Channel channel);
    void onTcpData(QTcpSocket *pSocket, Channel channel);
    void onDatagrams();
    void handle(const Received &received);
    void reply(Channel channel, const QByteArray &arPacket);
    int packetLength(const QByteArray &arBuffer) const;

    QTcpServer *m_pMain;
    QTcpServer *m_pSub;
    QUdpSocket *m_pUdp;
    QPointer<QTcpSocket> m_pLastMain;
    QPointer<QTcpSocket> m_pLastSub;
    QHash<QTcpSocket *, QByteArray> m_buffers;
    QHostAddress m_udpPeer;
    quint16 m_iUdpPeerPort = 0;
    bool m_bAnswerSubServer = true;
    int m_iSubConnections = 0;
    QHash<quint8, Responder> m_responders;
    QHash<quint8, LengthRule> m_lengthRules;
    QList<Received> m_received;
    Account m_account;
    AddressBook m_book;
    QHash<quint32, CallParty> m_parties;
    Messaging m_messaging;
};
