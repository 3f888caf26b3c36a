// CMessageCommands: one-to-one messages (14) and card messages (83) between users. A message
// is accepted for a registered addressee (or the assistant), held in the store and relayed to
// the newest session of the addressee when it is signed in; a session that signs in later is
// handed what was held for it at its first heartbeat, plain texts as offline messages (34).
// A one-to-one message stays held until the addressee's receipt (16) names it. The receipt
// travels by datagram and may be lost: a message handed to a signed-in addressee and not
// confirmed within a few seconds is handed over again, a few times, and otherwise comes again,
// with the same sender and id, at the next sign-in; the sender hears that it was delivered
// (15) once the receipt comes. Card messages have no receipt and are let
// go once handed to the addressee's connection. The assistant answers every message.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QMap>
#include <QString>

#include "cdispatcher.h"
#include "cinboxquota.h"
#include "csessiontable.h"
#include "cstoredmessagetable.h"

#include <tuple>

class CServiceContext;

class CMessageCommands
{
public:
    // Ciphertexts beyond these are refused: a relayed message must fit one TCP frame.
    static constexpr int MAX_TEXT_CIPHER_BYTES = 8192;
    static constexpr int MAX_ATTACHMENT_CIPHER_BYTES = 8192;
    static constexpr int MAX_CARD_CIPHER_BYTES = 4096 + 16;

    explicit CMessageCommands(CServiceContext &service);
    void install(CDispatcher &dispatcher);

    // Hands the session everything held for its account, when it is the account's newest.
    void deliverHeld(const CSessionTable::Session &session);
    // Hands over again the messages whose receipt has not come UNCONFIRMED_MS after they were
    // handed over; called by the service's periodic sweep.
    void resendUnconfirmed();

    static constexpr qint64 UNCONFIRMED_MS = 4000;
    static constexpr int MAX_HANDOVERS = 4;
    // Messages watched for their receipt; beyond this the oldest wait for the next sign-in.
    static constexpr int MAX_WATCHED = 10000;

    static QString assistantReply();
    // Days since 1899-12-30 00:00 local time, the fraction being the time of day.
    static double oleDate(const QDateTime &time);

private:
    void onMessage(CRequest &request);
    void onReceipt(CRequest &request);
    void onCardMessage(CRequest &request);
    // A member's message to a circle: answered with its result, passed to every other member.
    void onCircleMessage(CRequest &request);

    bool addresseeKnown(quint32 iZpid) const;
    // Stores the message for its addressee unless the addressee's store or the sender's share
    // of it is full, which is counted; true when it is held (also when it was held before).
    bool hold(const CStoredMessageTable::Row &row);
    // Sends the held message to the addressee's newest session if it is ready; true if sent.
    bool relay(const CStoredMessageTable::Row &row, bool bLive);
    // Sends a packet to the newest session of iZpid; false when it has none ready.
    bool push(quint32 iZpid, const QByteArray &arPacket);
    // Tells the sender that iAddressee has its message (or card); held for the sender's next
    // sign-in while it is away.
    void reportDelivered(quint32 iSender, quint32 iAddressee, quint8 iKind, quint32 iMsgId);
    void answerAssistant(quint32 iUser);
    quint32 nextAssistantMsgId();

    static QByteArray messagePacket(const CStoredMessageTable::Row &row);
    static QByteArray offlinePacket(const CStoredMessageTable::Row &row);
    static QByteArray cardPacket(const CStoredMessageTable::Row &row);
    // arExtra of a held circle message carries its circle.
    static QByteArray circlePacket(const CStoredMessageTable::Row &row);
    static QByteArray reportPacket(quint32 iPeer, quint8 iKind, quint8 iState, quint32 iMsgId);
    static QByteArray receiptPacket(quint32 iPeer, quint32 iAddressee, quint8 iResult,
                                    quint32 iMsgId);

    // A message handed to its addressee's session and not yet confirmed, by addressee, sender
    // and message id.
    struct Handover
    {
        CStoredMessageTable::Row row;
        qint64 iLastMs = 0;
        int iCount = 0;
    };
    using HandoverKey = std::tuple<quint32, quint32, quint32>;
    void watchHandover(const CStoredMessageTable::Row &row);

    CServiceContext &m_service;
    CInboxQuota m_quota;
    QMap<HandoverKey, Handover> m_handovers;
    quint32 m_iAssistantMsgId = 0;
};
