// The message family of the packet layer. Message texts travel to the controller as they are
// on the wire (count and ciphertext); only attachments and offline texts are decrypted here.
// A packet whose counted fields run past its end is dropped whole: no record, no receipt, so
// the sender's re-send and give-up tell its user the truth.
#include <QDateTime>

#include <cmath>

#include "caes.h"
#include "cfieldreader.h"
#include "cfieldwriter.h"
#include "cmsgtracker.h"
#include "codes.h"
#include "csessionstate.h"
#include "packint.h"
#include "protocol.h"

using namespace Codes;

namespace {

QByteArray messageKey(const QByteArray &arMsgId, const QByteArray &arPeer)
{
    return QByteArray(1, char(Codes::CmdMessage)) + arMsgId + arPeer;
}

// The field a read consumed, count included, as the controller expects caption and content.
template <typename Read>
QByteArray counted(CFieldReader &reader, const QByteArray &arPacket, Read read)
{
    const int iStart = reader.pos();
    read();
    return arPacket.mid(iStart, reader.pos() - iStart);
}

// The send time of an attachment as "yyyy-MM-dd hh:mm:ss"; empty when the value is no date
// between the years 100 and 9999, and the controller then stamps the arrival time. The day
// count names a wall-clock time: it is converted by calendar arithmetic, never through an epoch
// and the zone's offset of 1899.
QString sendTimeText(double dDays)
{
    constexpr double FIRST_DAY = -657434.0;
    constexpr double LAST_DAY = 2958466.0;
    if (!std::isfinite(dDays) || dDays < FIRST_DAY || dDays >= LAST_DAY)
        return QString();
    constexpr qint64 DAY_MS = 86400000;
    const auto iMs = qint64(std::trunc(dDays * double(DAY_MS)));
    qint64 iDays = iMs / DAY_MS;
    qint64 iTimeMs = iMs % DAY_MS;
    if (iTimeMs < 0) {
        --iDays;
        iTimeMs += DAY_MS;
    }
    return QDate(1899, 12, 30).addDays(iDays).toString(QStringLiteral("yyyy-MM-dd")) +
           QLatin1Char(' ') +
           QTime::fromMSecsSinceStartOfDay(int(iTimeMs)).toString(QStringLiteral("hh:mm:ss"));
}

// "report" with "doc" gives "report.doc"; "a.b.txt" with "pdf" gives "a.b.pdf".
QString withExtension(const QString &strName, const QString &strExtension)
{
    const int iDot = int(strName.lastIndexOf(QLatin1Char('.')));
    if (iDot < 0)
        return strName + QLatin1Char('.') + strExtension;
    return strName.left(iDot + 1) + strExtension;
}

// The items of a decrypted attachment, each a u32 count and its bytes; false when fewer
// whole items are present.
bool readItems(const QByteArray &arBlock, int iCount, QStringList *pItems)
{
    CFieldReader reader(arBlock);
    for (int i = 0; i < iCount; ++i)
        pItems->append(QString::fromUtf8(reader.blob32()));
    return reader.ok();
}

// Caption and content of a card message from offset 14 on, counts included; for an answer
// the caption is the answer byte. False when the packet is cut short.
bool cardFields(const QByteArray &arPacket, quint8 iKind, QByteArray *pCaption,
                QByteArray *pContent)
{
    CFieldReader reader(arPacket, 14);
    if (iKind == CardMsgAnswer) {
        *pCaption = reader.bytes(1);
        return reader.ok();
    }
    *pCaption = counted(reader, arPacket, [&reader] { reader.enc8(); });
    if (iKind == CardMsgSent || iKind == CardMsgExchanged)
        *pContent = counted(reader, arPacket, [&reader] { reader.blob32(); });
    return reader.ok();
}

} // namespace

bool cardRecordKind(quint8 iKind, int *pType, int *pSubType)
{
    switch (iKind) {
    case CardMsgSent:
        *pType = 0;
        *pSubType = 1;
        return true;
    case CardMsgRequest:
        *pType = 5;
        *pSubType = 0;
        return true;
    case CardMsgAnswer:
        *pType = 5;
        *pSubType = 1;
        return true;
    case CardMsgExchanged:
        *pType = 5;
        *pSubType = 3;
        return true;
    default:
        return false;
    }
}

void Protocol::registerMessageParsers()
{
    setParser(Codes::CmdMessage, [this](const QByteArray &ar) { parseMessage(ar); });
    setParser(Codes::CmdMessageReceipt, [this](const QByteArray &ar) { parseMessageReceipt(ar); });
    setParser(Codes::CmdDeliveryReport, [this](const QByteArray &ar) { parseDeliveryReport(ar); });
    setParser(Codes::CmdOfflineMessage, [this](const QByteArray &ar) { parseOfflineMessage(ar); });
    setParser(Codes::CmdCardMessage, [this](const QByteArray &ar) { parseCardMessage(ar); });
    setParser(Codes::CmdCircleMessage, [this](const QByteArray &ar) { parseCircleMessage(ar); });
}

void Protocol::noteSentMessage(quint8 iCmd, const QByteArray &arPacket, SOCKETTYPE transport)
{
    CFieldReader reader(arPacket, 5);
    switch (iCmd) {
    case Codes::CmdMessage: {
        const quint32 iReceiver = reader.zpid();
        const quint32 iMsgId = reader.u32();
        if (transport == SOCKET_TCP)
            msgTracker().sentOverTcp(iReceiver, iMsgId);
        break;
    }
    case Codes::CmdCardMessage: {
        const quint32 iReceiver = reader.zpid();
        const quint8 iKind = reader.u8();
        const quint32 iMsgId = reader.u32();
        msgTracker().sentOverTcp(iReceiver, iMsgId);
        if (iKind == CardMsgRequest)
            msgTracker().cardRequested(iReceiver);
        QByteArray arCaption;
        QByteArray arContent;
        int iType = 0;
        int iSubType = 0;
        // An exchanged card is stored by the exchange it answers, not as a message of its own.
        if (iKind != CardMsgExchanged && cardRecordKind(iKind, &iType, &iSubType) &&
            cardFields(arPacket, iKind, &arCaption, &arContent))
            emit sig_saveMsgRecord(0, iReceiver, arCaption, arContent, int(iMsgId), Codes::MsgNew,
                                   iType, iSubType, true);
        break;
    }
    case Codes::CmdCircleMessage: {
        const quint32 iCircle = reader.u32();
        reader.skip(1);
        const quint32 iMsgId = reader.u32();
        emit sig_saveMsgRecord(iCircle, sessionState().iZpid, QByteArray(), reader.tail(),
                               int(iMsgId), Codes::MsgNew, 7, 0, true);
        break;
    }
    default:
        break;
    }
}

void Protocol::sendReceipt(const QByteArray &arSender, const QByteArray &arMsgId)
{
    CFieldWriter writer;
    writer.tail(arSender).u8(0).tail(arMsgId);
    slot_onCreateProtocol(Codes::CmdMessageReceipt, writer.packet());
}

void Protocol::parseMessage(const QByteArray &arBuff)
{
    CFieldReader reader(arBuff, 1);
    const QByteArray arSender = reader.bytes(4);
    reader.skip(4);
    const QByteArray arMsgId = reader.bytes(4);
    const QByteArray arContent = counted(reader, arBuff, [&reader] { reader.blob32(); });
    const quint8 iSubType = reader.u8();
    if (!reader.ok()) {
        m_trace.trace("message cut short");
        return;
    }

    QStringList items;
    if (iSubType == MsgSubFile || iSubType == MsgSubOtherFile || iSubType == MsgSubPair) {
        const double dTime = reader.f64();
        const QByteArray arBlock = decryptBytes(reader.blob32());
        QStringList read;
        if (!reader.ok() || !readItems(arBlock, iSubType == MsgSubPair ? 2 : 4, &read)) {
            m_trace.trace("message attachment cut short");
            return;
        }
        items << sendTimeText(dTime);
        if (iSubType == MsgSubPair)
            items << read;
        else
            items << withExtension(read.at(0), read.at(3)) << read.at(1) << read.at(2)
                  << read.at(3);
    }

    // Our own pending re-sends are keyed by our ids, which a peer's ids may equal: a received
    // message leaves them alone.
    sendReceipt(arSender, arMsgId);
    const quint32 iSender = unpackUInt(arSender);
    const quint32 iMsgId = unpackUInt(arMsgId);
    if (!msgTracker().firstReceived(iSender, iMsgId)) {
        m_trace.traceNumber("message repeated", iMsgId);
        return;
    }
    if (iSubType == MsgSubText) {
        if (arContent.size() > 4)
            emit sig_saveMsgRecord(0, iSender, QByteArray(), arContent, int(iMsgId), Codes::MsgNew,
                                   0, MsgSubText, false);
    } else if (!items.isEmpty()) {
        emit sig_saveMsgRecord(0, iSender, QByteArray(), arContent, int(iMsgId), Codes::MsgNew, 0,
                               iSubType, false, items);
    } else {
        m_trace.traceNumber("message of unknown sub-type acknowledged", iSubType);
    }
}

void Protocol::parseMessageReceipt(const QByteArray &arBuff)
{
    CFieldReader reader(arBuff, 1);
    const QByteArray arPeer = reader.bytes(4);
    reader.skip(4);
    const quint8 iResult = reader.u8();
    const QByteArray arMsgId = reader.bytes(4);
    if (!reader.ok() || iResult != 0)
        return;
    removeResend(messageKey(arMsgId, arPeer));
    emit sig_updateMsgRecord(0, arPeer, int(unpackUInt(arMsgId)), Codes::MsgAccepted, 0);
}

void Protocol::parseDeliveryReport(const QByteArray &arBuff)
{
    CFieldReader reader(arBuff, 1);
    const QByteArray arPeer = reader.bytes(4);
    const quint8 iKind = reader.u8();
    const quint8 iState = reader.u8();
    const QByteArray arMsgId = reader.bytes(4);
    if (!reader.ok())
        return;
    const quint32 iPeer = unpackUInt(arPeer);
    const quint32 iMsgId = unpackUInt(arMsgId);
    switch (iKind) {
    case ReportMessage:
    case ReportCard:
        if (iState == ReportDelivered) {
            if (iKind == ReportMessage)
                removeResend(messageKey(arMsgId, arPeer));
            msgTracker().takeSentOverTcp(iPeer, iMsgId);
            emit sig_updateMsgRecord(0, arPeer, int(iMsgId), Codes::MsgDelivered, 0);
        } else if (iState == ReportAccepted && msgTracker().takeSentOverTcp(iPeer, iMsgId)) {
            // Only a TCP message awaits this report; UDP ones learn it from the receipt.
            emit sig_updateMsgRecord(0, arPeer, int(iMsgId), Codes::MsgAccepted, 0);
        }
        break;
    case ReportCall:
        parseCallDelivery(iPeer, iState);
        break;
    default:
        break;
    }
}

void Protocol::parseOfflineMessage(const QByteArray &arBuff)
{
    CFieldReader reader(arBuff, 1);
    const quint32 iSender = reader.zpid();
    reader.skip(4);
    const double dTime = reader.f64();
    const quint32 iMsgId = reader.u32();
    const QByteArray arCipher = reader.blob32();
    if (!reader.ok()) {
        m_trace.trace("offline message cut short");
        return;
    }
    // A message held while our session was not ready comes this way, and the sender's re-send
    // of it may come live as well (or before): either way it is stored once.
    if (msgTracker().firstReceived(iSender, iMsgId))
        emit sig_saveOfflineMsg(iSender, decryptText(arCipher), dTime, int(iMsgId));
    else
        m_trace.traceNumber("offline message repeated", iMsgId);
    // The service holds a message until its addressee confirms it; without this receipt it
    // would hand the same message over again at every sign-in.
    sendReceipt(packUInt32(iSender), packUInt32(iMsgId));
}

void Protocol::parseCardMessage(const QByteArray &arBuff)
{
    CFieldReader reader(arBuff, 1);
    const quint32 iSender = reader.zpid();
    reader.skip(4);
    const quint8 iKind = reader.u8();
    const quint32 iMsgId = reader.u32();
    QByteArray arCaption;
    QByteArray arContent;
    int iType = 0;
    int iSubType = 0;
    if (!reader.ok() || !cardRecordKind(iKind, &iType, &iSubType) ||
        !cardFields(arBuff, iKind, &arCaption, &arContent)) {
        m_trace.trace("card message cut short or of unknown kind");
        return;
    }
    if (iKind == CardMsgAnswer) {
        // An agreed answer makes the controller send the own card, so only an answer to a
        // request of ours may pass.
        if (!msgTracker().takeCardRequest(iSender)) {
            m_trace.traceNumber("card answer without a request of ours from", iSender);
            return;
        }
        if (arCaption.at(0) != 0)
            return;
        arCaption.clear();
    }
    emit sig_saveMsgRecord(0, iSender, arCaption, arContent, int(iMsgId), Codes::MsgNew, iType,
                           iSubType, false);
}

void Protocol::parseCircleMessage(const QByteArray &arBuff)
{
    CFieldReader reader(arBuff, 5);
    const quint32 iCircle = reader.u32();
    const quint8 iKind = reader.u8();
    const quint32 iMsgId = reader.u32();
    if (iKind == CircleMsgMember) {
        const quint32 iSender = reader.zpid();
        const QByteArray arContent = counted(reader, arBuff, [&reader] { reader.blob32(); });
        if (!reader.ok() || iSender == sessionState().iZpid)
            return;
        emit sig_saveMsgRecord(iCircle, iSender, QByteArray(), arContent, int(iMsgId),
                               Codes::MsgNew, 7, 0, false);
    } else if (iKind == CircleMsgOwnResult) {
        const quint8 iResult = reader.u8();
        if (!reader.ok())
            return;
        emit sig_updateMsgRecord(iCircle, QByteArray(), int(iMsgId),
                                 iResult == 0 ? Codes::MsgAccepted : Codes::MsgFailed, 7);
    }
}
