#include "protocol.h"

#include <QTimeZone>
#include <QTimer>

#include <limits>

#include "caes.h"
#include "ccallsession.h"
#include "cfieldreader.h"
#include "cfieldwriter.h"
#include "cnetcontactsync.h"
#include "codes.h"
#include "csessionstate.h"
#include "packint.h"
#include "zephonversion.h"

using namespace Codes;

namespace {

enum class Form
{
    Plain,         // code, own zpid, payload
    CountU32,      // code, own zpid, payload[0..k), u32 count of the rest, the rest
    CountU8,       // the same with a u8 count
    Enterprise,    // code, payload[0..5), u32 count of the rest, the rest
    MsgIdInserted, // code, own zpid, payload[0..5), u32 nextMsgId, payload[5..)
    CardRequest,   // code, payload, u32 0
    Fixed,         // built from the session state alone
};

struct Request
{
    quint8 iCode;
    Form form;
    int k;
    SOCKETTYPE transport;
    int iCheck;
};

// The request catalogue: framing, transport and where a received packet of the same code
// names its addressee.
const Request COMMANDS[] = {
    {CmdHeartbeat, Form::Fixed, 0, SOCKET_UDP, -1},
    {CmdCallSignal, Form::Plain, 0, SOCKET_UDP, 5},
    {CmdAllUserState, Form::Fixed, 0, SOCKET_TCP, -1},
    {CmdUserState, Form::Plain, 0, SOCKET_UDP, -1},
    {CmdUserPhone, Form::Plain, 0, SOCKET_UDP, -1},
    {CmdMessage, Form::Plain, 0, SOCKET_UDP, 5},
    {CmdMessageReceipt, Form::Plain, 0, SOCKET_UDP, 5},
    {CmdPush, Form::Plain, 0, SOCKET_UDP, -1},
    {CmdReserved, Form::Fixed, 0, SOCKET_TCP, -1},
    {CmdChangePassword, Form::CountU8, 1, SOCKET_TCP, 1},
    {CmdMayKnow, Form::Fixed, 0, SOCKET_TCP, 1},
    {CmdLogout, Form::Fixed, 0, SOCKET_UDP, -1},
    {CmdContact, Form::Fixed, 0, SOCKET_TCP, 1},
    {CmdLogin, Form::Fixed, 0, SOCKET_TCP, -1},
    {CmdUploadNetContact, Form::CountU32, 9, SOCKET_TCP, 1},
    {CmdNetContact, Form::Fixed, 0, SOCKET_TCP, 1},
    {CmdModifyNetContact, Form::Plain, 0, SOCKET_TCP, 1},
    {CmdCard, Form::CardRequest, 0, SOCKET_TCP, -1},
    {CmdSaveCard, Form::CountU32, 1, SOCKET_TCP, 1},
    {CmdCardMessage, Form::MsgIdInserted, 0, SOCKET_TCP, 5},
    {CmdEnterprise, Form::Enterprise, 5, SOCKET_TCP, -1},
    {CmdNewCircle, Form::CountU32, 1, SOCKET_TCP, 1},
    {CmdModifyCircleMember, Form::CountU32, 9, SOCKET_TCP, 1},
    {CmdCircle, Form::Fixed, 0, SOCKET_TCP, 1},
    {CmdCircleMember, Form::Plain, 0, SOCKET_TCP, 1},
    {CmdSearchCircle, Form::Plain, 0, SOCKET_TCP, 1},
    {CmdExitCircle, Form::Plain, 0, SOCKET_TCP, -1},
    {CmdCircleMessage, Form::MsgIdInserted, 0, SOCKET_TCP, 1},
    {CmdApplyCircle, Form::Plain, 0, SOCKET_TCP, -1},
    {CmdModifyCircleInfo, Form::CountU8, 10, SOCKET_TCP, 1},
    {CmdStrangeCard, Form::Plain, 0, SOCKET_TCP, 1},
    {CmdSubServer, Form::Fixed, 0, SOCKET_TCP, -1},
    {CmdDismissCircle, Form::Plain, 0, SOCKET_TCP, 1},
};

const Request *findCommand(quint8 iCode)
{
    for (const Request &command : COMMANDS) {
        if (command.iCode == iCode)
            return &command;
    }
    return nullptr;
}

// A one-to-one message whose text ciphertext reaches this many bytes goes over TCP.
constexpr quint32 MSG_UDP_LIMIT = 201;

qint32 g_iMsgId = 0;

QByteArray resendHeader(quint8 iAttempts, quint8 iLimit, quint8 iPeriod)
{
    QByteArray ar;
    ar.append(char(iAttempts)).append(char(iLimit)).append(char(iPeriod));
    return ar;
}

QByteArray fixedPacket(quint8 iCmd)
{
    const CSessionState &s = sessionState();
    CFieldWriter w(iCmd);
    switch (iCmd) {
    case CmdHeartbeat:
    case CmdReserved:
    case CmdLogout:
        w.zpid(s.iZpid);
        break;
    case CmdAllUserState:
        w.zpid(s.iZpid).u8(2);
        break;
    case CmdMayKnow:
        w.zpid(s.iZpid).u32(2).u32(0);
        break;
    case CmdContact:
        w.zpid(s.iZpid).enc8(s.strLoginPassword).u32(0);
        break;
    case CmdNetContact:
        w.zpid(s.iZpid).u32(0);
        break;
    case CmdCircle:
        w.zpid(s.iZpid).u8(0).u32(0);
        break;
    case CmdSubServer:
        w.u32(0);
        break;
    case CmdLogin:
        w.u8(4).str8(QStringLiteral(ZEPHON_VERSION_TEXT)).u8(quint8(s.iLoginType));
        if (s.iLoginType == LoginByZpid)
            w.u32(s.strLoginId.toUInt());
        else if (s.iLoginType == LoginByMobile || s.iLoginType == LoginByMobileAlt)
            w.enc8(s.strLoginId);
        w.enc8(s.strLoginPassword).str8(s.g_strLocalId);
        break;
    default:
        return QByteArray();
    }
    return w.ok() ? w.packet() : QByteArray();
}

} // namespace

qint32 nextMsgId()
{
    if (g_iMsgId < 0 || g_iMsgId == std::numeric_limits<qint32>::max())
        g_iMsgId = 0;
    else
        ++g_iMsgId;
    return g_iMsgId;
}

void setMsgIdCounter(qint32 iValue)
{
    g_iMsgId = iValue;
}

qint32 msgIdSeed(qint32 iMaxSent, const QDateTime &now)
{
    // Seconds since 2020 stay below the largest id for decades and grow between two starts
    // faster than a user sends messages.
    static const QDateTime base(QDate(2020, 1, 1), QTime(0, 0), QTimeZone::utc());
    const qint64 iSeconds =
        qBound(qint64(0), base.secsTo(now), qint64(std::numeric_limits<qint32>::max() / 2));
    return qMax(iMaxSent, qint32(iSeconds));
}

quint32 currentCallPeer()
{
    return callSession().peer();
}

void setCurrentCallPeer(quint32 iZpid)
{
    callSession().setPeer(iZpid);
}

Protocol::Protocol(QObject *parent) : QObject(parent)
{
    registerNetworkMetaTypes();
    registerSessionParsers();
    registerContactParsers();
    registerCallParsers();
    registerMessageParsers();
    registerCircleParsers();
    registerEnterpriseParsers();
}

void Protocol::setParser(quint8 iCode, Parser parser)
{
    m_parsers.insert(iCode, std::move(parser));
}

int Protocol::addresseeOffset(quint8 iCode)
{
    const Request *pCommand = findCommand(iCode);
    if (iCode == CmdOfflineMessage)
        return 5;
    if (iCode == CmdPresence)
        return 1;
    return pCommand ? pCommand->iCheck : -1;
}

bool Protocol::isForMe(const QByteArray &arBuff, int iOffset) const
{
    CFieldReader reader(arBuff, iOffset);
    if (reader.zpid() == sessionState().iZpid)
        return true;
    m_trace.trace(QString::fromUtf8("zpid 不匹配"));
    return false;
}

QByteArray Protocol::build(quint8 iCmd, const QByteArray &arData) const
{
    const Request *pCommand = findCommand(iCmd);
    if (!pCommand)
        return QByteArray();
    const quint32 iZpid = sessionState().iZpid;
    Form form = pCommand->form;
    int k = pCommand->k;
    if (iCmd == CmdApplyCircle && !arData.isEmpty()) {
        const quint8 iKind = quint8(arData.at(0));
        if (iKind == ApplyJoin || iKind == ApplyInvite) {
            form = Form::CountU8;
            k = 5;
        } else if (iKind == ApplyAnswerText) {
            form = Form::CountU8;
            k = 10;
        }
    }

    CFieldWriter w(iCmd);
    switch (form) {
    case Form::Fixed:
        return fixedPacket(iCmd);
    case Form::Plain:
        w.zpid(iZpid).tail(arData);
        break;
    case Form::CountU32:
        w.zpid(iZpid).tail(arData.left(k)).blob32(arData.mid(k));
        break;
    case Form::CountU8:
        w.zpid(iZpid).tail(arData.left(k)).str8Bytes(arData.mid(k));
        break;
    case Form::Enterprise:
        w.tail(arData.left(k)).blob32(arData.mid(k));
        break;
    case Form::MsgIdInserted:
        w.zpid(iZpid).tail(arData.left(5)).u32(quint32(nextMsgId())).tail(arData.mid(5));
        break;
    case Form::CardRequest:
        w.tail(arData).u32(0);
        break;
    }
    return w.ok() ? w.packet() : QByteArray();
}

void Protocol::slot_onCreateProtocol(quint8 iCmd, QByteArray arData)
{
    const Request *pCommand = findCommand(iCmd);
    if (!pCommand) {
        m_trace.traceNumber("unknown request", iCmd);
        return;
    }
    const QByteArray arPacket = build(iCmd, arData);
    if (arPacket.isEmpty()) {
        m_trace.traceError(QString("request %1 not sent: a field does not fit").arg(iCmd));
        return;
    }

    SOCKETTYPE transport = pCommand->transport;
    QByteArray arKey;
    QByteArray arHeader;
    switch (iCmd) {
    case CmdHeartbeat:
    case CmdUserState:
    case CmdUserPhone:
    case CmdPush:
        arKey = QByteArray(1, char(iCmd));
        arHeader = resendHeader(0, 3, 2);
        break;
    case CmdCallSignal: {
        const quint8 iSub = arData.size() > 4 ? quint8(arData.at(4)) : 0;
        if (iSub == CallSubCall) {
            arKey = CCallSession::callKey();
            arHeader = resendHeader(60, 0, 1);
        } else if (iSub == CallSubHangup) {
            arKey = CCallSession::hangupKey();
            arHeader = resendHeader(0, 10, 1);
        }
        break;
    }
    case CmdMessage: {
        // payload: receiver, message id, u32 n1, text ciphertext, ...
        CFieldReader reader(arData);
        const QByteArray arReceiver = reader.bytes(4);
        const QByteArray arMsgId = reader.bytes(4);
        const quint32 n1 = reader.u32();
        if (n1 < MSG_UDP_LIMIT) {
            arKey = QByteArray(1, char(iCmd)) + arMsgId + arReceiver;
            arHeader = resendHeader(0, 3, 2);
        } else {
            transport = SOCKET_TCP;
        }
        break;
    }
    default:
        break;
    }
    if (!arKey.isEmpty())
        setResend(arKey, arHeader + arPacket);
    noteSentMessage(iCmd, arPacket, transport);
    emit sig_sendProtocol(arPacket, transport);
}

void Protocol::slot_onParseProtocol(QByteArray arBuff, QString strAddr, quint16 iPort)
{
    const quint8 iCode = arBuff.isEmpty() ? 0 : quint8(arBuff.at(0));
    if (iCode == 0 || iCode == CmdIgnored)
        return;
    const auto it = m_parsers.constFind(iCode);
    if (it == m_parsers.constEnd()) {
        m_trace.traceNumber("no parser for", iCode);
        return;
    }
    m_trace.traceText("packet from", QString("%1:%2 code %3").arg(strAddr).arg(iPort).arg(iCode));
    const int iCheck = addresseeOffset(iCode);
    if (iCheck >= 0 && !isForMe(arBuff, iCheck))
        return;
    it.value()(arBuff);
}

void Protocol::registerSessionParsers()
{
    setParser(CmdSubServer, [this](const QByteArray &ar) { parseSubServer(ar); });
    setParser(CmdLogin, [this](const QByteArray &ar) { parseLogin(ar); });
    setParser(CmdHeartbeat, [this](const QByteArray &ar) { parseHeart(ar); });
    setParser(CmdAllUserState, [this](const QByteArray &ar) { parseUserState(ar); });
    setParser(CmdUserState, [this](const QByteArray &ar) { parseUserState(ar); });
    setParser(CmdUserPhone, [this](const QByteArray &ar) { parseUserPhone(ar); });
    setParser(CmdChangePassword, [this](const QByteArray &ar) { parseChangePassword(ar); });
    setParser(CmdPresence, [this](const QByteArray &ar) { parsePresence(ar); });
}

void Protocol::parseSubServer(const QByteArray &arBuff)
{
    CFieldReader reader(arBuff, 1);
    QByteArray arAddr = reader.blob32();
    const int iZero = int(arAddr.indexOf('\0'));
    if (iZero >= 0)
        arAddr.truncate(iZero);
    CSessionState &s = sessionState();
    s.g_strSubServerIp = QString::fromUtf8(arAddr);
    s.g_iSubServerPort = quint16(reader.u32());
    m_trace.traceText("sub-server",
                      QString("%1:%2").arg(s.g_strSubServerIp).arg(s.g_iSubServerPort));
    emit sig_connectServer(s.g_strSubServerIp, s.g_iSubServerPort, CONNECT_LOGIN, SOCKET_TCP);
}

void Protocol::parseLogin(const QByteArray &arBuff)
{
    CSessionState &s = sessionState();
    CFieldReader reader(arBuff, 1);
    s.iZpid = reader.zpid();
    s.strZpid = QString("%1").arg(s.iZpid);
    const int iResult = qint8(reader.u8());
    s.pTimerLogin->stop();
    s.pTimerReLogin->stop();
    m_trace.traceNumber("login result", iResult);
    if (iResult != LoginOk) {
        emit sig_loginState(iResult, s.strLoginId, s.strLoginPassword, QString(), QString());
        return;
    }
    if (s.bHasLoggedIn) {
        s.bSuppressDisconnect = true;
        emit sig_loginState(LoginOk, QString(), QString(), QString(), QString());
        emit sig_connectServer(s.g_strSubServerIp, s.g_iSubServerPort, CONNECT_RESUME, SOCKET_UDP);
        return;
    }
    s.bHasLoggedIn = true;
    s.strPhone = reader.enc8Text();
    emit sig_loginState(LoginOk, s.strLoginId, s.strLoginPassword, s.strZpid, s.strPhone);
    emit sig_connectServer(s.g_strSubServerIp, s.g_iSubServerPort, CONNECT_SESSION, SOCKET_UDP);
}

void Protocol::parseHeart(const QByteArray &)
{
    removeResend(QByteArray(1, char(CmdHeartbeat)));
    sessionState().iHeartLoss = 0;
}

void Protocol::parseUserState(const QByteArray &arBuff)
{
    const quint8 iCode = quint8(arBuff.at(0));
    if (iCode == CmdUserState)
        removeResend(QByteArray(1, char(CmdUserState)));
    CFieldReader reader(arBuff, 1);
    const quint8 iResult = reader.u8();
    const quint32 iCount = reader.u32();
    QString strOnline;
    QString strOffline;
    if (iResult == 0 && iCount > 0) {
        reader.skip(1);
        strOnline = decryptText(reader.blob32());
        reader.skip(1);
        strOffline = decryptText(reader.blob32());
    }
    if (iCode == CmdAllUserState)
        emit sig_parseUserState(strOnline, strOffline);
    else
        emit sig_parseUserState(strOnline + strOffline);
}

void Protocol::parsePresence(const QByteArray &arBuff)
{
    CFieldReader reader(arBuff, 5);
    const quint32 iZpid = reader.u32();
    const quint8 iState = reader.u8();
    if (!reader.ok() || iZpid == 0 || (iState != PresenceOnline && iState != PresenceOffline)) {
        m_trace.trace("presence notice dropped: cut short or unknown");
        return;
    }
    emit sig_presence(iZpid, iState == PresenceOnline);
}

void Protocol::parseUserPhone(const QByteArray &arBuff)
{
    removeResend(QByteArray(1, char(CmdUserPhone)));
    CFieldReader reader(arBuff, 1);
    const quint8 iResult = reader.u8();
    const quint32 iZpid = reader.zpid();
    QString strPhone;
    if (iResult == 0)
        strPhone = reader.enc8Text();
    emit sig_parseUserPhone(iZpid, strPhone);
}

void Protocol::parseChangePassword(const QByteArray &arBuff)
{
    CFieldReader reader(arBuff, 5);
    const int iResult = reader.u8();
    emit sig_changepassword(0, sessionState().iPasswordSubType, iResult);
}

// Replies of this family carry their result first: a reply cut before it is dropped, since a
// missing byte would read as success. A failure needs nothing more; a success whose counted
// data is cut short is dropped as well, so no partial text, picture or record travels on.
void Protocol::registerContactParsers()
{
    setParser(CmdContact, [this](const QByteArray &ar) { parseContact(ar); });
    setParser(CmdNetContact, [this](const QByteArray &ar) { parseNetContact(ar); });
    setParser(CmdUploadNetContact, [this](const QByteArray &ar) { parseUploadNetContact(ar); });
    setParser(CmdModifyNetContact, [this](const QByteArray &ar) { parseModifyNetContact(ar); });
    setParser(CmdCard, [this](const QByteArray &ar) { parseCard(ar); });
    setParser(CmdSaveCard, [this](const QByteArray &ar) { parseSaveCard(ar); });
    setParser(CmdStrangeCard, [this](const QByteArray &ar) { parseStrangeCard(ar); });
    setParser(CmdMayKnow, [this](const QByteArray &ar) { parseMayKnow(ar); });
}

void Protocol::parseContact(const QByteArray &arBuff)
{
    CFieldReader reader(arBuff, 5);
    const quint8 iResult = reader.u8();
    if (!reader.ok())
        return;
    if (iResult != 0) {
        emit sig_parseContact(QString());
        return;
    }
    reader.skip(4);
    const QByteArray arCipher = reader.blob32();
    if (!reader.ok()) {
        m_trace.trace("contact list cut short");
        return;
    }
    emit sig_parseContact(decryptText(arCipher));
}

void Protocol::parseNetContact(const QByteArray &arBuff)
{
    CFieldReader reader(arBuff, 5);
    const quint8 iResult = reader.u8();
    if (!reader.ok())
        return;
    if (iResult != 0) {
        emit sig_parseNetContact(iResult, QString());
        return;
    }
    const quint32 iTotal = reader.u32();
    const quint32 iEntries = reader.u32();
    const QByteArray arCipher = reader.blob32();
    if (!reader.ok()) {
        m_trace.trace("cloud address book chunk cut short");
        return;
    }
    QString strJoined;
    switch (
        netContactSync().addChunk(iTotal, iEntries, arCipher, decryptText(arCipher), &strJoined)) {
    case CNetContactSync::Download::Complete:
        emit sig_parseNetContact(0, strJoined);
        break;
    case CNetContactSync::Download::Abandoned:
        m_trace.traceError("cloud address book abandoned: larger than the client holds");
        emit sig_parseNetContact(CNetContactSync::DOWNLOAD_ABANDONED, QString());
        break;
    case CNetContactSync::Download::Repeated:
        m_trace.trace("cloud address book chunk repeated");
        break;
    case CNetContactSync::Download::Pending:
    case CNetContactSync::Download::Ignored:
        break;
    }
}

void Protocol::parseUploadNetContact(const QByteArray &arBuff)
{
    CFieldReader reader(arBuff, 5);
    const quint32 iRandom = reader.u32();
    const int iIndex = reader.u8();
    const int iResult = reader.u8();
    if (!reader.ok())
        return;
    CNetContactSync &sync = netContactSync();
    if (sync.uploadRunning() && iRandom != sync.uploadRandom())
        m_trace.trace(QString::fromUtf8("随机数 不匹配"));
    switch (sync.confirmChunk(iRandom, iIndex, iResult)) {
    case CNetContactSync::Upload::Refused:
        emit sig_uploadNetContact(1);
        break;
    case CNetContactSync::Upload::Confirmed:
        emit sig_uploadNetContact(0);
        break;
    case CNetContactSync::Upload::Pending:
    case CNetContactSync::Upload::Ignored:
        break;
    }
}

void Protocol::parseModifyNetContact(const QByteArray &arBuff)
{
    CFieldReader reader(arBuff, 5);
    const quint8 iResult = reader.u8();
    if (reader.ok())
        emit sig_modifyNetContact(iResult);
}

void Protocol::parseCard(const QByteArray &arBuff)
{
    CFieldReader reader(arBuff, 1);
    const quint32 iOwner = reader.zpid();
    const quint8 iResult = reader.u8();
    const quint8 iKind = reader.u8();
    reader.skip(4);
    const QByteArray arData = reader.blob32();
    if (!reader.ok() || iResult != 0)
        return;
    // The owner travels on with the text, so the controller can tell a card text of another
    // user from the own one instead of overwriting the own card with it.
    if (iKind == CardItemText)
        emit sig_parseCard(CardOfOwn, iOwner, decryptText(arData));
    else if (iKind == CardItemPicture)
        emit sig_parseCardPic(iOwner, arData);
}

void Protocol::parseSaveCard(const QByteArray &arBuff)
{
    CFieldReader reader(arBuff, 5);
    const quint8 iKind = reader.u8();
    const quint8 iResult = reader.u8();
    if (!reader.ok())
        return;
    // Ask for what the server now holds, whether the save took or not.
    CFieldWriter writer;
    writer.u32(sessionState().iZpid).u8(iKind);
    slot_onCreateProtocol(CmdCard, writer.packet());
    if (iKind == CardItemText)
        emit sig_saveCard(iResult);
    else
        emit sig_saveCardPic(iResult);
}

void Protocol::parseStrangeCard(const QByteArray &arBuff)
{
    CFieldReader reader(arBuff, 5);
    const quint32 iZpid = reader.zpid();
    const quint8 iResult = reader.u8();
    reader.skip(1);
    const QByteArray arCipher = reader.blob32();
    if (!reader.ok() || iResult != 0)
        return;
    emit sig_parseCard(CardOfStranger, iZpid, decryptText(arCipher));
}

void Protocol::parseMayKnow(const QByteArray &arBuff)
{
    CFieldReader reader(arBuff, 5);
    reader.skip(4);
    const quint8 iResult = reader.u8();
    reader.skip(4);
    const quint32 iCount = reader.u32();
    reader.skip(4);
    if (!reader.ok() || iResult != 0)
        return;
    // Only whole entries (u32 L, L bytes of text, u32 M, M further bytes) go on, and only
    // as many as are present, whatever count the server announced.
    const int iStart = reader.pos();
    int iEnd = iStart;
    quint32 iWhole = 0;
    while (iWhole < iCount && !reader.atEnd()) {
        reader.blob32();
        reader.blob32();
        if (!reader.ok())
            break;
        ++iWhole;
        iEnd = reader.pos();
    }
    emit sig_parseUser(arBuff.mid(iStart, iEnd - iStart), int(iWhole));
}
