// CNetwork: the client's end of the session. It runs the connection sequence (main server,
// sub-server, UDP session), keeps the session alive with heartbeats, re-sends unacknowledged
// UDP requests, re-logs in after losses and offers one request slot per user operation; the
// packets themselves are built and parsed by Protocol, joined to it by signals.
#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>

#include "clistener.h"
#include "csocket.h"
#include "ctrace.h"

class CCallSession;
class CFieldWriter;

class CNetwork : public QObject, public CListener
{
    Q_OBJECT
public:
    static constexpr quint16 MAIN_SERVER_PORT = 4666;

    struct Endpoint
    {
        QString strHost;
        quint16 iPort = MAIN_SERVER_PORT;
    };

    // What queryLocalId needs to know of a network interface.
    struct InterfaceInfo
    {
        QString strName;
        QString strHardwareAddress;
        bool bUp = false;
        bool bLoopback = false;
    };

    explicit CNetwork(QObject *parent = nullptr);
    ~CNetwork() override;

    // Main server from "host" or "host:port" ("[v6]:port" for IPv6); empty text gives the
    // built-in default.
    static Endpoint parseServer(const QString &strServer);
    // ZEPHON_SERVER when set, else the built-in default.
    static Endpoint mainServer();

    // The machine id sent at login: the hardware address of the interface named "本地连接"
    // (the last one when several are), else of the first interface that is up, not loopback
    // and has a hardware address; ":" becomes "-".
    static QString chooseLocalId(const QList<InterfaceInfo> &interfaces);
    void queryLocalId();

    void logout();

    void setResend(const QByteArray &arKey, const QByteArray &arRecord);
    void removeResend(const QByteArray &arKey);

    // The socket of a transport, null until first needed.
    CSocket *socket(SOCKETTYPE type) const;

    void onConnect() override;
    void onDisconnected() override;
    void onReceive(QByteArray arBuff, QString strAddr, quint16 iPort) override;
    void onError(int iError) override;

signals:
    void sig_createProtocol(quint8 iCmd, QByteArray arParam = QByteArray());
    void sig_parseProtocol(QByteArray arBuff, QString strAddr, quint16 iPort);
    void sig_netState(int iState);
    void sig_loginState(int iState, QString strLoginId = QString(),
                        QString strLoginPassword = QString(), QString strZpid = QString(),
                        QString strPhone = QString());
    void sig_saveMsgRecord(quint32 iCircleId, quint32 iRecvZpid, QByteArray arCaption,
                           QByteArray arContent, int iMsgId, int iMsgState, int iType, int iSubType,
                           bool bSend, QStringList strList = QStringList());
    void sig_updateMsgRecord(quint32 iCircleId, QByteArray arRecvZpid, int iMsgId, int iMsgState,
                             int iType);
    // An upload decided without the server: 0 for an empty list, 1 for one too large to send.
    // Confirmations and refusals by the server come from Protocol's signal of the same name.
    void sig_uploadNetContact(int iRet);
    // Call ends decided without a packet: a push or call request given up, or a push refused
    // before it left (see Codes::CallState). The other call states come from Protocol's
    // signal of the same name.
    void sig_parseCallState(int iState, QString strZpid = QString(),
                            QByteArray arData = QByteArray());

public slots:
    void slot_onLogin(QString strLoginId, QString strPassword, int iLoginType);
    void slot_onConnectServer(QString strAddr, quint16 iPort, CONNECT_STATE state, SOCKETTYPE type);
    void slot_onSendProtocol(QByteArray arBuff, SOCKETTYPE type = SOCKET_TCP);

    void slot_onTimerLogin();
    void slot_onTimerHeart();
    void slot_onTimerResend();
    void slot_onTimerReLogin();
    void slot_onTimerStopCall();

    void slot_onGetCard(QString strZpid, int iType);
    void slot_onGetAllUserState();
    void slot_onGetUserState(QString strPhone);
    void slot_onGetUserPhone(QString strZpid);
    // Type 0 changes the login password; types 1 to 3 change an enterprise password, with
    // varPassword holding [organisation id, user id, new password]. Other types send nothing.
    void slot_onChangePassword(int iType, int iSubType, QVariant varPassword);

    void slot_onGetContact();
    void slot_onGetNetContact();
    void slot_onUploadNetContact(QStringList strList);
    // iType 0 adds, 1 deletes, 2 edits the entry the server knows by strOldPhone.
    void slot_onModifyNetContact(qint8 iType, QString strOldPhone, QString strName,
                                 QString strPhone, QString strGroup);
    void slot_onSavePersonalCard(QString strCard);
    void slot_onSaveCardPic(QByteArray arBuff);
    void slot_onGetStrangeCard(QString strZpid);
    void slot_onGetMayKnow();

    // Each takes the other party's zpid as decimal text; a request that does not fit the
    // call under way sends nothing.
    void slot_onSendPush(QString strZpid);
    void slot_onCall(QString strZpid);
    void slot_onAgree(QString strZpid);
    void slot_onRefuse(QString strZpid);
    void slot_onHangup(QString strZpid);

    // The message family (cnetwork_message.cpp). A receiver or circle that is not a non-zero
    // decimal number sends nothing; the message is reported as not delivered instead.
    void slot_onSendMsg(QString strMsg, QString strZpid);
    // strList: the text, then the items of the attachment; iType is the sub-type.
    void slot_onSendRichMsg(QString strZpid, QStringList strList, int iType);
    // The same under the id of the row the controller stored for it, so that the receipt and
    // the delivery report find that row; a message that cannot leave marks it not delivered.
    void slot_onSendRichMsg(QString strZpid, QStringList strList, int iType, int iMsgId);
    void slot_onSendCircleMsg(QString strMsg, QString strCircleId);
    // iType 0 card, 1 card request, 2 answer to a request (strCaption "0" agrees), 3 card in
    // answer to a request.
    void slot_onSendCard(QString strCaption, QString strContent, QString strZpid, qint8 iType);

    // The circle family (cnetwork_circle.cpp). A circle id that is not a non-zero decimal
    // number, or a text too long for its field, sends nothing.
    void slot_onNewCircle(QString strCircleName, int iCircleType);
    // Sends the pending member selection of the session state (text key to zpid), in key
    // order, and empties it; more entries than one request can number go in several requests.
    void slot_onModifyCircleMember(QString strCircleId, int iType, int iUserType);
    void slot_onGetCircle();
    void slot_onGetCircleMember(quint32 iCircleId);
    void slot_onSearchCircle(int iSearchType, QMap<int, QString> mapCondition);
    void slot_onExitCircle(QString strCircleId);
    // iType: an application (0), a recommendation (4) or another kind of the packet 98.
    void slot_onApplyCircle(QString strCircleId, QString strCircleName, int iCircleType,
                            QString strText, int iType);
    void slot_onApplyCircleReply(QString strCircleId, QString strZpid, int iReply,
                                 QString strText = QString());
    void slot_onModifyCircleInfo(int iType, QString strCircleId, QString strInfo);
    void slot_onDismissCircle(QString strCircleId);

    // The enterprise directory family (cnetwork_enterprise.cpp), all on the command 87. An
    // organisation id that is not a non-zero decimal number, or a text too long for its
    // field, sends nothing.
    // varOrgInfo: a list of eight values (id, two names, three texts, two more texts); its id
    // goes as given, and fewer values send nothing.
    void slot_onModifyOrgInfo(QVariant varOrgInfo, int iType);
    void slot_onLoginOrg(QString strOrgId, QString strPassword);
    void slot_onLoginSubServer(QString strOrgId, QString strPassword);
    void slot_onModifyDeptInfo(quint32 iOrgId, QString strPNo, QString strNo, QString strName,
                               int iType, QString strEx);
    // The list form: departments (OrgInfoModel rows) in requests of at most 255.
    void slot_onModifyDeptInfo(quint32 iOrgId, QObjectList objectList);
    void slot_onModifyEmpInfo(quint32 iZpid, quint32 iOrgId, QString strPNo, QString strNo,
                              QString strName, QString strPhone, QString strTel, QString strPost,
                              int iUserType, int iType, QString strEx);
    // The list form: employees (OrgInfoModel rows) in requests of at most 255.
    void slot_onModifyEmpInfo(quint32 iZpid, quint32 iOrgId, QObjectList objectList);
    void slot_onGetDeptInfo(quint32 iOrgId);
    // An empty department number asks for the employees of every department.
    void slot_onGetEmpInfo(quint32 iOrgId, QString strDeptNo = QString());
    void slot_onGetOrgInfo(QString strExInfo);

private:
    // A zpid or circle id the server can route to: a decimal number other than 0; *pId is 0
    // otherwise.
    static bool routable(const QString &strId, quint32 *pId);
    void giveUp(const QByteArray &arKey);
    // Sends the call request iSub to strZpid when the call session's rule lets it through.
    void sendCall(bool (CCallSession::*pRule)(quint32), const QString &strZpid, quint8 iSub);
    // A message for TCP while TCP is down fails at once rather than vanish; true when the
    // packet was such a message.
    bool failUnsentMessage(const QByteArray &arBuff);
    void sendRichMsg(quint32 iReceiver, const QStringList &strList, int iType, qint32 iMsgId);
    // Sends the enterprise sub-command iSub with the fields after its count; false (nothing
    // sent, a trace) when a field did not fit.
    bool sendEnterprise(quint32 iZpid, quint8 iSub, const CFieldWriter &rest, const char *pWhat);
    void changeEnterprisePassword(int iType, int iSubType, const QVariant &varPassword);

    CSocket *m_pTcpSocket = nullptr;
    CSocket *m_pUdpSocket = nullptr;
    int m_iConnectState = CONNECT_MAIN;
    QString m_strName{"CNetwork"};
    CTrace m_trace{"CNetwork"};
};
