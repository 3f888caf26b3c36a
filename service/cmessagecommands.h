// CMessageCommands: one-to-one messages (14) and card messages (83) between users. A message
// is accepted for a registered addressee (or the assistant), held in the store and relayed to
// the newest session of the addressee when it is signed in; a session that signs in later is
// handed what was held for it at its first heartbeat, plain texts as offline messages (34).
// A one-to-one message stays held until the addressee's receipt (16) names it, so a lost
// receipt means the message comes again, with the same sender and id, at the next sign-in;
// the sender then hears that it was delivered (15). Card messages have no receipt and are let
// go once handed to the addressee's connection. The assistant answers every message.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include "cdispatcher.h"
#include "cinboxquota.h"
#include "csessiontable.h"
#include "cstoredmessagetable.h"

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

    CServiceContext &m_service;
    CInboxQuota m_quota;
    quint32 m_iAssistantMsgId = 0;
};
