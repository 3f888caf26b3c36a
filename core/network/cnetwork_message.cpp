// The message request slots of the session manager and the failure of a message that cannot
// leave. Each slot prepares the payload that Protocol frames; the message id of 14 is taken
// here, that of 83 and 97 by the builder.
#include "caes.h"
#include "cfieldreader.h"
#include "cfieldwriter.h"
#include "cmsgtracker.h"
#include "cnetwork.h"
#include "codes.h"
#include "csessionstate.h"
#include "packint.h"
#include "protocol.h"

namespace {

// u32 count and ciphertext of a text, as the controller receives message content.
QByteArray contentField(const QString &strText)
{
    return CFieldWriter().blob32(encryptText(strText)).packet();
}

// Receiver, message id, text, sub-type and attachment: the payload of 14.
QByteArray messagePayload(quint32 iReceiver, qint32 iMsgId, const QByteArray &arContent,
                          quint8 iSubType, const QByteArray &arAttachment)
{
    CFieldWriter writer;
    writer.u32(iReceiver).u32(quint32(iMsgId)).tail(arContent).u8(iSubType).blob32(arAttachment);
    return writer.packet();
}

} // namespace

void CNetwork::slot_onSendMsg(QString strMsg, QString strZpid)
{
    quint32 iReceiver = 0;
    const bool bRoutable = routable(strZpid, &iReceiver);
    const qint32 iMsgId = nextMsgId();
    const QByteArray arContent = contentField(strMsg);
    // The row exists before the packet leaves, so that a send failing at once can update it.
    emit sig_saveMsgRecord(0, iReceiver, QByteArray(), arContent, iMsgId,
                           bRoutable ? Codes::MsgNew : Codes::MsgFailed, 0, 0, true);
    if (!bRoutable) {
        m_trace.traceText("message not sent: no receiver", strZpid);
        return;
    }
    emit sig_createProtocol(Codes::CmdMessage,
                            messagePayload(iReceiver, iMsgId, arContent, 0, QByteArray()));
}

void CNetwork::slot_onSendRichMsg(QString strZpid, QStringList strList, int iType)
{
    quint32 iReceiver = 0;
    // Without the id of a stored record there is no record of ours to mark; the refusal is only
    // traced.
    if (!routable(strZpid, &iReceiver)) {
        m_trace.traceText("rich message not sent: no receiver", strZpid);
        return;
    }
    sendRichMsg(iReceiver, strList, iType, nextMsgId());
}

void CNetwork::slot_onSendRichMsg(QString strZpid, QStringList strList, int iType, int iMsgId)
{
    quint32 iReceiver = 0;
    if (!routable(strZpid, &iReceiver)) {
        m_trace.traceText("rich message not sent: no receiver", strZpid);
        emit sig_updateMsgRecord(0, packUInt32(iReceiver), iMsgId, Codes::MsgFailed, 0);
        return;
    }
    sendRichMsg(iReceiver, strList, iType, iMsgId);
}

void CNetwork::sendRichMsg(quint32 iReceiver, const QStringList &strList, int iType, qint32 iMsgId)
{
    CFieldWriter items;
    for (int i = 1; i < strList.size(); ++i)
        items.blob32(strList.at(i).toUtf8());
    emit sig_createProtocol(Codes::CmdMessage,
                            messagePayload(iReceiver, iMsgId, contentField(strList.value(0)),
                                           quint8(iType), encryptBytes(items.packet())));
}

void CNetwork::slot_onSendCircleMsg(QString strMsg, QString strCircleId)
{
    quint32 iCircle = 0;
    const QByteArray arContent = contentField(strMsg);
    if (!routable(strCircleId, &iCircle)) {
        m_trace.traceText("circle message not sent: no circle", strCircleId);
        emit sig_saveMsgRecord(0, sessionState().iZpid, QByteArray(), arContent, nextMsgId(),
                               Codes::MsgFailed, 7, 0, true);
        return;
    }
    CFieldWriter writer;
    writer.u32(iCircle).u8(0).tail(arContent);
    emit sig_createProtocol(Codes::CmdCircleMessage, writer.packet());
}

void CNetwork::slot_onSendCard(QString strCaption, QString strContent, QString strZpid, qint8 iType)
{
    quint32 iReceiver = 0;
    const bool bRoutable = routable(strZpid, &iReceiver);
    const auto iKind = quint8(iType);
    int iRecordType = 0;
    int iSubType = 0;
    if (!cardRecordKind(iKind, &iRecordType, &iSubType)) {
        m_trace.traceNumber("card message of unknown kind not sent", iKind);
        return;
    }
    CFieldWriter caption;
    if (iKind == Codes::CardMsgAnswer)
        caption.u8(quint8(strCaption.toInt()));
    else
        caption.enc8(strCaption);
    CFieldWriter content;
    if (iKind == Codes::CardMsgSent || iKind == Codes::CardMsgExchanged)
        content.blob32(encryptText(strContent));
    if (bRoutable && caption.ok()) {
        CFieldWriter writer;
        writer.u32(iReceiver).u8(iKind).tail(caption.packet()).tail(content.packet());
        emit sig_createProtocol(Codes::CmdCardMessage, writer.packet());
        return;
    }
    m_trace.traceText("card message not sent: no receiver or caption too long", strZpid);
    if (iKind != Codes::CardMsgExchanged)
        emit sig_saveMsgRecord(0, iReceiver, caption.packet(), content.packet(), nextMsgId(),
                               Codes::MsgFailed, iRecordType, iSubType, true);
}

bool CNetwork::failUnsentMessage(const QByteArray &arBuff)
{
    if (m_pTcpSocket && m_pTcpSocket->isConnected())
        return false;
    CFieldReader reader(arBuff);
    const quint8 iCmd = reader.u8();
    reader.skip(4);
    switch (iCmd) {
    case Codes::CmdMessage: {
        const QByteArray arReceiver = reader.bytes(4);
        const quint32 iMsgId = reader.u32();
        msgTracker().takeSentOverTcp(unpackUInt(arReceiver), iMsgId);
        emit sig_updateMsgRecord(0, arReceiver, int(iMsgId), Codes::MsgFailed, 0);
        break;
    }
    case Codes::CmdCardMessage: {
        const QByteArray arReceiver = reader.bytes(4);
        const quint8 iKind = reader.u8();
        const quint32 iMsgId = reader.u32();
        const quint32 iReceiver = unpackUInt(arReceiver);
        msgTracker().takeSentOverTcp(iReceiver, iMsgId);
        if (iKind == Codes::CardMsgRequest)
            msgTracker().takeCardRequest(iReceiver);
        int iRecordType = 0;
        int iSubType = 0;
        if (iKind != Codes::CardMsgExchanged && cardRecordKind(iKind, &iRecordType, &iSubType))
            emit sig_updateMsgRecord(0, arReceiver, int(iMsgId), Codes::MsgFailed, iRecordType);
        break;
    }
    case Codes::CmdCircleMessage: {
        const quint32 iCircle = reader.u32();
        reader.skip(1);
        const quint32 iMsgId = reader.u32();
        emit sig_updateMsgRecord(iCircle, QByteArray(), int(iMsgId), Codes::MsgFailed, 7);
        break;
    }
    default:
        return false;
    }
    m_trace.traceNumber("message not sent: TCP is down", iCmd);
    return true;
}
