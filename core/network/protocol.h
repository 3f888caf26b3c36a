// Protocol: the packet layer. It builds every request from the payload a CNetwork request slot
// prepared (framing, transport and re-send registration by command code) and turns received
// packets into signals through a dispatch table that each command family extends.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

#include "ccallsession.h"
#include "csocket.h"
#include "ctrace.h"

class CFieldReader;

class Protocol : public QObject
{
    Q_OBJECT
public:
    using Parser = std::function<void(const QByteArray &arBuff)>;

    explicit Protocol(QObject *parent = nullptr);

    // Plugs a parser in for a received code; the catalogue's addressee check for that code is
    // applied before the parser runs.
    void setParser(quint8 iCode, Parser parser);
    // Offset of the addressee zpid in a received packet of this code, -1 when unchecked.
    static int addresseeOffset(quint8 iCode);
    // True when the packet is for the logged-in user; traces the mismatch otherwise.
    bool isForMe(const QByteArray &arBuff, int iOffset) const;

signals:
    void sig_connectServer(QString strAddr, quint16 iPort, CONNECT_STATE state, SOCKETTYPE type);
    void sig_sendProtocol(QByteArray arBuff, SOCKETTYPE type = SOCKET_TCP);
    void sig_loginState(int iState, QString strLoginId = QString(),
                        QString strLoginPassword = QString(), QString strZpid = QString(),
                        QString strPhone = QString());
    void sig_parseContact(QString strContact);
    void sig_parseUserState(QString strOnline, QString strOffline);
    void sig_parseUserState(QString strZephon);
    // The service's notice that a contact signed in or out.
    void sig_presence(quint32 iZpid, bool bOnline);
    void sig_parseUserPhone(quint32 iZpid, QString strPhone);
    void sig_parseCard(int iType, quint32 iZpid, QString strCard);
    void sig_parseCardPic(quint32 iZpid, QByteArray ar);
    void sig_saveCard(int iRet);
    void sig_saveCardPic(int iRet);
    void sig_saveMsgRecord(quint32 iCircleId, quint32 iRecvZpid, QByteArray arCaption,
                           QByteArray arContent, int iMsgId, int iMsgState, int iType, int iSubType,
                           bool bSend, QStringList strList = QStringList());
    void sig_saveOfflineMsg(quint32 iRecvZpid, QString strMsg, double datetime, int iMsgId);
    void sig_updateMsgRecord(quint32 iCircleId, QByteArray arRecvZpid, int iMsgId, int iMsgState,
                             int iType);
    void sig_parseCallState(int iState, QString strZpid = QString(),
                            QByteArray arData = QByteArray());
    void sig_newCircle(int iRet);
    void sig_modifyCircleMember(int iType, int iRet);
    void sig_modifyCircleInfo(int iRet, quint32 iCircleId);
    void sig_dismissCircle(bool bDismissSuccessful, quint32 iCircleId);
    // A circle the user belongs to was dissolved by its creator.
    void sig_circleDissolved(quint32 iCircleId);
    void sig_exitCircle(bool bExitSuccessful, quint32 iCircleId);
    void sig_applyCircle(int iRet, int iType);
    void sig_parseCirlce(QByteArray arBuff);
    void sig_parseCirlceMember(QByteArray arBuff, quint32 iCircleId);
    // A member reply that carries no list (a non-zero status): the circle is no longer awaited.
    void sig_parseCirlceMemberRefused(quint32 iCircleId);
    void sig_parseSearchResult(int iType, QByteArray arBuff, int iCount);
    void sig_parseNetContact(int iRet, QString strNetContact);
    void sig_modifyNetContact(int iRet);
    void sig_uploadNetContact(int iRet);
    void sig_parseUser(QByteArray arBuff, int iCount);
    void sig_changepassword(int iType, int iSubType, int iRet);
    void sig_modifyOrgInfo(quint32 iOrgId, bool flag);
    void sig_parseOrgInfo(QByteArray arBuff, int iCount);
    // One page of a directory list: iAllCount whole entries in arBuff, of iTotal the
    // organisation has in all (the service sends longer lists in several pages).
    void sig_parseDeptInfo(quint32 iOrgId, QByteArray arBuff, int iAllCount, int iTotal = 0);
    void sig_parseEmpInfo(quint32 iOrgId, QByteArray arBuff, int iAllCount, int iTotal = 0);
    void sig_loginenterprise(quint32 iOrgId, QString strName, QString strShortName, bool flag,
                             int iUserType);
    void sig_modifyDeptInfo(quint32 iOrgId, bool flag);
    void sig_modifyEmpInfo(quint32 iOrgId, bool flag);

public slots:
    void slot_onCreateProtocol(quint8 iCmd, QByteArray arData);
    void slot_onParseProtocol(QByteArray arBuff, QString strAddr, quint16 iPort);

private:
    // The finished packet, or an empty one when the code is unknown or a field cannot be
    // written (the request is then not sent).
    QByteArray build(quint8 iCmd, const QByteArray &arData) const;
    void registerSessionParsers();
    void registerContactParsers();
    void registerCallParsers();

    void parseSubServer(const QByteArray &arBuff);
    void parseLogin(const QByteArray &arBuff);
    void parseHeart(const QByteArray &arBuff);
    void parseUserState(const QByteArray &arBuff);
    void parseUserPhone(const QByteArray &arBuff);
    void parseChangePassword(const QByteArray &arBuff);
    void parsePresence(const QByteArray &arBuff);

    void parseContact(const QByteArray &arBuff);
    void parseNetContact(const QByteArray &arBuff);
    void parseUploadNetContact(const QByteArray &arBuff);
    void parseModifyNetContact(const QByteArray &arBuff);
    void parseCard(const QByteArray &arBuff);
    void parseSaveCard(const QByteArray &arBuff);
    void parseStrangeCard(const QByteArray &arBuff);
    void parseMayKnow(const QByteArray &arBuff);

    // Sends the answer and emits the report a call rule decided.
    void carryOut(const CCallSession::Reaction &reaction);
    // The delivery report parser hands its kind 1 here: the push of the call being placed
    // did or did not reach the callee's client.
    void parseCallDelivery(quint32 iPeer, quint8 iState);
    // The message family: one-to-one, offline, card and circle messages, receipts and
    // delivery reports.
    void registerMessageParsers();
    // Bookkeeping of a message request about to leave: the record of a sent card or circle
    // message, and what a later delivery report may confirm.
    void noteSentMessage(quint8 iCmd, const QByteArray &arPacket, SOCKETTYPE transport);
    void sendReceipt(const QByteArray &arSender, const QByteArray &arMsgId);
    void parseMessage(const QByteArray &arBuff);
    void parseMessageReceipt(const QByteArray &arBuff);
    void parseDeliveryReport(const QByteArray &arBuff);
    void parseOfflineMessage(const QByteArray &arBuff);
    void parseCardMessage(const QByteArray &arBuff);
    void parseCircleMessage(const QByteArray &arBuff);

    // The circle family (protocol_circle.cpp): create, members, list, search, leave,
    // applications and notices, information and dissolution.
    void registerCircleParsers();
    void parseNewCircle(const QByteArray &arBuff);
    void parseModifyCircleMember(const QByteArray &arBuff);
    void parseCircleList(const QByteArray &arBuff);
    void parseCircleMember(const QByteArray &arBuff);
    void parseSearchCircle(const QByteArray &arBuff);
    void parseExitCircle(const QByteArray &arBuff);
    void parseApplyCircle(const QByteArray &arBuff);
    void parseModifyCircleInfo(const QByteArray &arBuff);
    void parseDismissCircle(const QByteArray &arBuff);

    // The enterprise directory family (protocol_enterprise.cpp): every sub-command of 87.
    void registerEnterpriseParsers();
    void parseEnterprise(const QByteArray &arBuff);
    void parseEnterprisePassword(CFieldReader &r);
    void parseEnterpriseLogin(CFieldReader &r);
    void parseDirectoryPage(CFieldReader &r, const QByteArray &arBuff, quint8 iSub);

    QHash<quint8, Parser> m_parsers;
    QString m_strName{"Protocol"};
    CTrace m_trace{"Protocol"};
};

// The message id counter: Core seeds it from the message store; ids wrap to 0 past the largest
// positive 32-bit value.
qint32 nextMsgId();
void setMsgIdCounter(qint32 iValue);
// The counter's seed for a client whose store holds iMaxSent as its highest sent id: no lower
// than the seconds since 2020 at now. A peer keeps one copy of an offline message per sender
// and id, so a client with a new or emptied store must not begin again at ids it used before.
qint32 msgIdSeed(qint32 iMaxSent, const QDateTime &now);

// iType and iSubType of the stored record of a card message of this kind (0 to 3); false for
// any other kind.
bool cardRecordKind(quint8 iKind, int *pType, int *pSubType);

// The user the client is calling or talking to; 0 when there is no call.
quint32 currentCallPeer();
void setCurrentCallPeer(quint32 iZpid);
