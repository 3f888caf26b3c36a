#include "cnetwork.h"

#include <QAbstractSocket>
#include <QHostAddress>
#include <QNetworkInterface>
#include <QRandomGenerator>
#include <QTimer>

#include "caes.h"
#include "ccallsession.h"
#include "cfieldwriter.h"
#include "cmsgtracker.h"
#include "cnetcontactsync.h"
#include "codes.h"
#include "csessionstate.h"
#include "packint.h"

using namespace Codes;

CNetwork::CNetwork(QObject *parent) : QObject(parent)
{
    registerNetworkMetaTypes();
    CSessionState &s = sessionState();
    connect(s.pTimerLogin, &QTimer::timeout, this, &CNetwork::slot_onTimerLogin);
    connect(s.pTimerHeart, &QTimer::timeout, this, &CNetwork::slot_onTimerHeart);
    connect(s.pTimerResend, &QTimer::timeout, this, &CNetwork::slot_onTimerResend);
    connect(s.pTimerReLogin, &QTimer::timeout, this, &CNetwork::slot_onTimerReLogin);
    connect(s.pTimerStopCall, &QTimer::timeout, this, &CNetwork::slot_onTimerStopCall);
}

CNetwork::~CNetwork()
{
    for (CSocket *pSocket : {m_pTcpSocket, m_pUdpSocket}) {
        if (pSocket) {
            pSocket->close();
            delete pSocket;
        }
    }
}

CNetwork::Endpoint CNetwork::parseServer(const QString &strServer)
{
    Endpoint endpoint;
    QString strText = strServer.trimmed();
    if (strText.isEmpty())
        strText = QStringLiteral(ZEPHON_DEFAULT_SERVER);

    QString strPort;
    if (strText.startsWith('[')) {
        const int iClose = int(strText.indexOf(']'));
        if (iClose > 0) {
            endpoint.strHost = strText.mid(1, iClose - 1);
            if (strText.mid(iClose + 1).startsWith(':'))
                strPort = strText.mid(iClose + 2);
        } else {
            endpoint.strHost = strText;
        }
    } else if (strText.count(':') == 1) {
        const int iColon = int(strText.indexOf(':'));
        endpoint.strHost = strText.left(iColon);
        strPort = strText.mid(iColon + 1);
    } else {
        // No colon, or a bare IPv6 address.
        endpoint.strHost = strText;
    }
    if (!strPort.isEmpty()) {
        bool bOk = false;
        const uint iPort = strPort.toUInt(&bOk);
        if (bOk && iPort > 0 && iPort <= 65535)
            endpoint.iPort = quint16(iPort);
    }
    if (endpoint.strHost.isEmpty())
        endpoint.strHost = QStringLiteral(ZEPHON_DEFAULT_SERVER);
    return endpoint;
}

CNetwork::Endpoint CNetwork::mainServer()
{
    return parseServer(qEnvironmentVariable("ZEPHON_SERVER"));
}

QString CNetwork::chooseLocalId(const QList<InterfaceInfo> &interfaces)
{
    const QString strWanted = QString::fromLocal8Bit("本地连接");
    QString strId;
    for (const InterfaceInfo &info : interfaces) {
        if (info.strName == strWanted)
            strId = info.strHardwareAddress;
    }
    if (strId.isEmpty()) {
        for (const InterfaceInfo &info : interfaces) {
            if (info.bUp && !info.bLoopback && !info.strHardwareAddress.isEmpty() &&
                info.strHardwareAddress != QLatin1String("00:00:00:00:00:00")) {
                strId = info.strHardwareAddress;
                break;
            }
        }
    }
    return strId.replace(':', '-');
}

void CNetwork::queryLocalId()
{
    QList<InterfaceInfo> interfaces;
    const auto all = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface &iface : all) {
        InterfaceInfo info;
        info.strName = iface.humanReadableName();
        info.strHardwareAddress = iface.hardwareAddress();
        info.bUp = iface.flags().testFlag(QNetworkInterface::IsUp);
        info.bLoopback = iface.flags().testFlag(QNetworkInterface::IsLoopBack);
        interfaces.append(info);
    }
    sessionState().g_strLocalId = chooseLocalId(interfaces);
    m_trace.traceText("g_strLocalId", sessionState().g_strLocalId);
}

void CNetwork::logout()
{
    for (int i = 0; i < 3; ++i)
        emit sig_createProtocol(CmdLogout);
    CSessionState &s = sessionState();
    s.pTimerHeart->stop();
    s.pTimerResend->stop();
    s.pTimerReLogin->stop();
    for (CSocket *pSocket : {m_pTcpSocket, m_pUdpSocket}) {
        if (pSocket)
            pSocket->close();
    }
    // The next user must not inherit a half-done transfer of this one.
    netContactSync().reset();
    callSession().reset();
    msgTracker().reset();
}

void CNetwork::setResend(const QByteArray &arKey, const QByteArray &arRecord)
{
    ::setResend(arKey, arRecord);
}

void CNetwork::removeResend(const QByteArray &arKey)
{
    ::removeResend(arKey);
}

CSocket *CNetwork::socket(SOCKETTYPE type) const
{
    return type == SOCKET_TCP ? m_pTcpSocket : m_pUdpSocket;
}

void CNetwork::slot_onLogin(QString strLoginId, QString strPassword, int iLoginType)
{
    CSessionState &s = sessionState();
    s.strLoginId = strLoginId;
    s.strLoginPassword = strPassword;
    s.iLoginType = iLoginType;
    s.pTimerLogin->start(s.iLoginMs);
    emit sig_loginState(LoginStarted, QString(), QString(), QString(), QString());
    const Endpoint server = mainServer();
    m_trace.traceText("main server", QString("%1:%2").arg(server.strHost).arg(server.iPort));
    slot_onConnectServer(server.strHost, server.iPort, CONNECT_MAIN, SOCKET_TCP);
}

void CNetwork::slot_onConnectServer(QString strAddr, quint16 iPort, CONNECT_STATE state,
                                    SOCKETTYPE type)
{
    CSocket *&pSocket = type == SOCKET_TCP ? m_pTcpSocket : m_pUdpSocket;
    if (pSocket)
        pSocket->close();
    else
        pSocket = createSocket(type == SOCKET_TCP ? SOCKET_TCP : SOCKET_UDP, this);
    m_iConnectState = state;
    pSocket->connectToHost(strAddr, iPort);
}

void CNetwork::slot_onSendProtocol(QByteArray arBuff, SOCKETTYPE type)
{
    if (type == SOCKET_TCP && failUnsentMessage(arBuff))
        return;
    CSocket *pSocket = type == SOCKET_TCP ? m_pTcpSocket : m_pUdpSocket;
    if (!pSocket) {
        m_trace.traceNumber("no socket for packet", quint8(arBuff.isEmpty() ? 0 : arBuff.at(0)));
        return;
    }
    QString strHost;
    pSocket->write(arBuff.constData(), int(arBuff.size()), strHost, 0);
}

void CNetwork::onConnect()
{
    CSessionState &s = sessionState();
    m_trace.traceNumber("onConnect", m_iConnectState);
    switch (m_iConnectState) {
    case CONNECT_MAIN:
        s.bSuppressDisconnect = true;
        emit sig_createProtocol(CmdSubServer);
        break;
    case CONNECT_LOGIN:
        emit sig_createProtocol(CmdLogin);
        break;
    case CONNECT_SESSION:
        for (int i = 0; i < 3; ++i)
            emit sig_createProtocol(CmdHeartbeat);
        s.pTimerHeart->start(s.iHeartMs);
        slot_onGetCard(s.strZpid, Codes::CardItemText);
        slot_onGetCard(s.strZpid, Codes::CardItemPicture);
        emit sig_createProtocol(CmdContact);
        emit sig_createProtocol(CmdCircle);
        break;
    case CONNECT_RESUME:
        for (int i = 0; i < 3; ++i)
            emit sig_createProtocol(CmdHeartbeat);
        s.pTimerHeart->start(s.iHeartMs);
        break;
    default:
        break;
    }
}

void CNetwork::onDisconnected()
{
    if (sessionState().bSuppressDisconnect)
        return;
    emit sig_netState(NetLost);
}

void CNetwork::onReceive(QByteArray arBuff, QString strAddr, quint16 iPort)
{
    // TCP frames carry no source; a datagram counts only when the sub-server sent it.
    const CSessionState &s = sessionState();
    if (!strAddr.isEmpty() && (iPort != s.g_iSubServerPort ||
                               !QHostAddress(strAddr).isEqual(QHostAddress(s.g_strSubServerIp),
                                                              QHostAddress::TolerantConversion))) {
        m_trace.traceText("datagram from a stranger dropped",
                          QString("%1:%2").arg(strAddr).arg(iPort));
        return;
    }
    emit sig_parseProtocol(arBuff, strAddr, iPort);
}

void CNetwork::onError(int iError)
{
    m_trace.traceNumber("socket error", iError);
    // The peer closing the connection is followed by onDisconnected(), which knows whether the
    // close matters (the main server closing after its answer does not).
    if (iError == QAbstractSocket::RemoteHostClosedError)
        return;
    emit sig_netState(NetLost);
}

void CNetwork::slot_onTimerLogin()
{
    sessionState().pTimerLogin->stop();
    emit sig_netState(NetLoginTimeout);
}

void CNetwork::slot_onTimerHeart()
{
    emit sig_createProtocol(CmdHeartbeat);
}

void CNetwork::slot_onTimerReLogin()
{
    const CSessionState &s = sessionState();
    slot_onLogin(s.strLoginId, s.strLoginPassword, s.iLoginType);
}

void CNetwork::slot_onTimerStopCall()
{
    sessionState().pTimerStopCall->stop();
}

void CNetwork::slot_onTimerResend()
{
    CSessionState &s = sessionState();
    ++s.iResendTick;
    if (s.mapResend.isEmpty()) {
        s.pTimerResend->stop();
        return;
    }
    // A give-up may re-enter (re-login, receivers of our signals), so walk a snapshot of the
    // keys and look each one up again.
    const QList<QByteArray> keys = s.mapResend.keys();
    for (const QByteArray &arKey : keys) {
        auto it = s.mapResend.find(arKey);
        if (it == s.mapResend.end())
            continue;
        QByteArray arRecord = it.value();
        if (arRecord.isEmpty()) {
            s.mapResend.erase(it);
            giveUp(arKey);
            continue;
        }
        int iAttempts = qint8(arRecord.at(0));
        const int iLimit = arRecord.size() > 1 ? quint8(arRecord.at(1)) : 0;
        // A period of 0 would divide by zero; it counts on every tick instead.
        const int iPeriod = qMax(1, arRecord.size() > 2 ? int(quint8(arRecord.at(2))) : 0);
        if (iLimit == 0) {
            if (iAttempts <= 0) {
                s.mapResend.erase(it);
                giveUp(arKey);
                continue;
            }
            --iAttempts;
            arRecord[0] = char(iAttempts);
            it.value() = arRecord;
        } else if (s.iResendTick % iPeriod == 0) {
            ++iAttempts;
            if (iAttempts >= iLimit) {
                s.mapResend.erase(it);
                giveUp(arKey);
                continue;
            }
            arRecord[0] = char(iAttempts);
            it.value() = arRecord;
        }
        const QByteArray arPacket = arRecord.mid(3);
        if (!arPacket.isEmpty())
            slot_onSendProtocol(arPacket, SOCKET_UDP);
    }
}

void CNetwork::giveUp(const QByteArray &arKey)
{
    const quint8 iCmd = arKey.isEmpty() ? 0 : quint8(arKey.at(0));
    m_trace.traceNumber("resend given up", iCmd);
    CSessionState &s = sessionState();
    if (iCmd == CmdHeartbeat) {
        slot_onLogin(s.strLoginId, s.strLoginPassword, s.iLoginType);
        if (++s.iHeartLoss > 2) {
            s.iHeartLoss = 0;
            emit sig_netState(NetHeartbeatLost);
        }
    } else if (iCmd == CmdMessage) {
        // Kind 0: a one-to-one message.
        emit sig_updateMsgRecord(0, arKey.mid(5, 4), int(unpackUInt(arKey.mid(1, 4))), MsgFailed,
                                 0);
    } else if (iCmd == CmdCallSignal || iCmd == CmdPush) {
        const CCallSession::Reaction reaction = callSession().givenUp(arKey);
        if (reaction.iState != 0)
            emit sig_parseCallState(reaction.iState, QString::number(reaction.iPeer));
    }
}

void CNetwork::slot_onGetCard(QString strZpid, int iType)
{
    CFieldWriter writer;
    writer.u32(strZpid.toUInt()).u8(quint8(iType));
    emit sig_createProtocol(CmdCard, writer.packet());
}

void CNetwork::slot_onGetAllUserState()
{
    emit sig_createProtocol(CmdAllUserState);
}

void CNetwork::slot_onGetUserState(QString strPhone)
{
    CFieldWriter writer;
    writer.u8(2).blob32(encryptText(strPhone));
    emit sig_createProtocol(CmdUserState, writer.packet());
}

void CNetwork::slot_onGetUserPhone(QString strZpid)
{
    CFieldWriter writer;
    writer.u32(strZpid.toUInt());
    emit sig_createProtocol(CmdUserPhone, writer.packet());
}

void CNetwork::slot_onChangePassword(int iType, int iSubType, QVariant varPassword)
{
    if (iType >= Codes::PasswordEnterpriseFirst && iType <= Codes::PasswordEnterpriseLast) {
        changeEnterprisePassword(iType, iSubType, varPassword);
        return;
    }
    if (iType != Codes::PasswordLogin) {
        m_trace.traceNumber("password change type not handled", iType);
        return;
    }
    sessionState().iPasswordSubType = iSubType;
    // Kept until the reply: a success makes it the password of the session and of the
    // remembered account.
    sessionState().strPendingPassword = varPassword.toString();
    // The packet layer puts the one-byte count in front of the ciphertext.
    CFieldWriter writer;
    writer.u8(quint8(iSubType)).tail(encryptText(varPassword.toString()));
    emit sig_createProtocol(CmdChangePassword, writer.packet());
}

void CNetwork::slot_onGetContact()
{
    emit sig_createProtocol(CmdContact);
}

void CNetwork::slot_onGetNetContact()
{
    netContactSync().resetDownload();
    emit sig_createProtocol(CmdNetContact);
}

void CNetwork::slot_onUploadNetContact(QStringList strList)
{
    const QList<QStringList> chunks = CNetContactSync::chunks(strList);
    if (chunks.isEmpty()) {
        emit sig_uploadNetContact(0);
        return;
    }
    if (chunks.size() > CNetContactSync::MAX_CHUNKS) {
        m_trace.traceError(QString("upload of %1 entries refused: more than %2 chunks")
                               .arg(strList.size())
                               .arg(CNetContactSync::MAX_CHUNKS));
        emit sig_uploadNetContact(1);
        return;
    }
    CNetContactSync &sync = netContactSync();
    const quint32 iRandom = QRandomGenerator::global()->generate();
    sync.beginUpload(iRandom, int(chunks.size()));
    for (int k = 0; k < chunks.size(); ++k) {
        const QStringList &chunk = chunks.at(k);
        // The packet layer puts the count of the ciphertext in front of it.
        CFieldWriter writer;
        writer.u32(iRandom)
            .u8(quint8(k))
            .u32(quint32(chunk.size()))
            .tail(encryptText(chunk.join(QLatin1Char(':'))));
        emit sig_createProtocol(CmdUploadNetContact, writer.packet());
    }
    sync.markAllSent();
}

void CNetwork::slot_onModifyNetContact(qint8 iType, QString strOldPhone, QString strName,
                                       QString strPhone, QString strGroup)
{
    const QString strText =
        QStringList{CNetContactSync::cloudField(strPhone), CNetContactSync::cloudField(strName),
                    CNetContactSync::cloudField(strGroup)}
            .join(QLatin1Char(';'));
    // The old phone is the server's own key for the entry and travels as the server has it.
    CFieldWriter writer;
    writer.u8(quint8(iType)).blob32(strOldPhone.toUtf8()).blob32(encryptText(strText));
    emit sig_createProtocol(CmdModifyNetContact, writer.packet());
}

void CNetwork::slot_onSavePersonalCard(QString strCard)
{
    CFieldWriter writer;
    writer.u8(Codes::CardItemText).tail(encryptText(strCard));
    emit sig_createProtocol(CmdSaveCard, writer.packet());
}

void CNetwork::slot_onSaveCardPic(QByteArray arBuff)
{
    CFieldWriter writer;
    writer.u8(Codes::CardItemPicture).tail(arBuff);
    emit sig_createProtocol(CmdSaveCard, writer.packet());
}

void CNetwork::slot_onGetStrangeCard(QString strZpid)
{
    bool bOk = false;
    const uint iZpid = strZpid.toUInt(&bOk);
    if (!bOk) {
        m_trace.traceText("stranger card not asked for: not a zpid", strZpid);
        return;
    }
    CFieldWriter writer;
    writer.u32(iZpid).u8(0);
    emit sig_createProtocol(CmdStrangeCard, writer.packet());
}

void CNetwork::slot_onGetMayKnow()
{
    emit sig_createProtocol(CmdMayKnow);
}

bool CNetwork::routable(const QString &strId, quint32 *pId)
{
    bool bOk = false;
    *pId = strId.toUInt(&bOk);
    if (!bOk)
        *pId = 0;
    return bOk && *pId != 0;
}
