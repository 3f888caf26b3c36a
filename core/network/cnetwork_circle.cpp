// The circle request slots of the session manager. Each prepares the payload Protocol frames
// (the counts of 91, 92, 99 and of the texts of 98 are the builder's); a request whose circle
// is not routable or whose text does not fit its field is not sent and is traced.
#include <QRandomGenerator>

#include "caes.h"
#include "cfieldwriter.h"
#include "cnetwork.h"
#include "codes.h"
#include "csessionstate.h"

using namespace Codes;

namespace {

// The entries one member change can number: the entry index is a byte.
constexpr int MEMBERS_PER_REQUEST = 256;
// A u8-counted field holds at most this many bytes.
constexpr int U8_FIELD = 255;

} // namespace

void CNetwork::slot_onNewCircle(QString strCircleName, int iCircleType)
{
    CFieldWriter w;
    w.u8(0).enc8(strCircleName).u8(quint8(iCircleType)).u8(1);
    if (!w.ok()) {
        m_trace.traceText("circle not created: the name does not fit", strCircleName);
        return;
    }
    emit sig_createProtocol(CmdNewCircle, w.packet());
}

void CNetwork::slot_onModifyCircleMember(QString strCircleId, int iType, int iUserType)
{
    CSessionState &s = sessionState();
    const QMap<QString, quint32> members = std::exchange(s.mapPendingMembers, {});
    quint32 iCircle = 0;
    if (!routable(strCircleId, &iCircle)) {
        m_trace.traceText("member change not sent: no circle", strCircleId);
        return;
    }
    // An empty selection still asks once, with no entries.
    auto it = members.constBegin();
    do {
        CFieldWriter entries;
        int iCount = 0;
        for (; it != members.constEnd() && iCount < MEMBERS_PER_REQUEST; ++it, ++iCount)
            entries.u8(quint8(iCount))
                .u32(it.value())
                .u8(quint8(iUserType))
                .blob32(encryptText(it.key()));
        CFieldWriter w;
        w.u8(quint8(iType)).u32(iCircle).u32(quint32(iCount)).tail(entries.packet());
        emit sig_createProtocol(CmdModifyCircleMember, w.packet());
    } while (it != members.constEnd());
}

void CNetwork::slot_onGetCircle()
{
    emit sig_createProtocol(CmdCircle);
}

void CNetwork::slot_onGetCircleMember(quint32 iCircleId)
{
    if (iCircleId == 0)
        return;
    emit sig_createProtocol(CmdCircleMember, CFieldWriter().u8(0).u32(iCircleId).u32(0).packet());
}

void CNetwork::slot_onSearchCircle(int iSearchType, QMap<int, QString> mapCondition)
{
    CFieldWriter w;
    w.u8(quint8(iSearchType)).u8(quint8(qMin(int(mapCondition.size()), U8_FIELD)));
    int iWritten = 0;
    for (auto it = mapCondition.constBegin(); it != mapCondition.constEnd() && iWritten < U8_FIELD;
         ++it, ++iWritten)
        w.u8(quint8(it.key())).str8(it.value());
    if (!w.ok()) {
        m_trace.trace("circle search not sent: a condition does not fit");
        return;
    }
    emit sig_createProtocol(CmdSearchCircle, w.packet());
}

void CNetwork::slot_onExitCircle(QString strCircleId)
{
    quint32 iCircle = 0;
    if (!routable(strCircleId, &iCircle))
        return;
    emit sig_createProtocol(CmdExitCircle, CFieldWriter().u8(0).u32(iCircle).packet());
}

void CNetwork::slot_onApplyCircle(QString strCircleId, QString strCircleName, int iCircleType,
                                  QString strText, int iType)
{
    quint32 iCircle = 0;
    if (!routable(strCircleId, &iCircle))
        return;
    const QByteArray arCipher = encryptText(strText);
    // Applications and recommendations count their text in a byte; the builder writes it.
    if ((iType == ApplyJoin || iType == ApplyInvite) && arCipher.size() > U8_FIELD) {
        m_trace.traceText("circle application not sent: the text does not fit", strText);
        return;
    }
    emit sig_createProtocol(CmdApplyCircle,
                            CFieldWriter().u8(quint8(iType)).u32(iCircle).tail(arCipher).packet());
    emit sig_saveMsgRecord(iCircle, 0, strCircleName.toUtf8(), QByteArray(), -1,
                           CircleOwnApplication, MsgCircleRequest, iCircleType, true);
}

void CNetwork::slot_onApplyCircleReply(QString strCircleId, QString strZpid, int iReply,
                                       QString strText)
{
    quint32 iCircle = 0;
    quint32 iApplicant = 0;
    if (!routable(strCircleId, &iCircle) || !routable(strZpid, &iApplicant))
        return;
    const QByteArray arCipher = strText.isEmpty() ? QByteArray() : encryptText(strText);
    if (arCipher.size() > U8_FIELD) {
        m_trace.traceText("circle answer not sent: the text does not fit", strText);
        return;
    }
    CSessionState &s = sessionState();
    s.iLastApplyReply = iReply;
    s.strLastApplyText = strText;
    CFieldWriter w;
    w.u8(strText.isEmpty() ? ApplyAnswer : ApplyAnswerText)
        .u32(iCircle)
        .u32(iApplicant)
        .u8(quint8(iReply))
        .tail(arCipher);
    emit sig_createProtocol(CmdApplyCircle, w.packet());
}

void CNetwork::slot_onModifyCircleInfo(int iType, QString strCircleId, QString strInfo)
{
    quint32 iCircle = 0;
    if (!routable(strCircleId, &iCircle))
        return;
    const QByteArray arCipher = encryptText(strInfo);
    if (arCipher.size() > U8_FIELD) {
        m_trace.traceText("circle change not sent: the text does not fit", strInfo);
        return;
    }
    sessionState().iLastCircleInfoKind = iType;
    // The second number only makes two equal changes differ on the wire.
    CFieldWriter w;
    w.u32(iCircle)
        .u32(QRandomGenerator::global()->generate())
        .u8(1)
        .u8(quint8(iType))
        .tail(arCipher);
    emit sig_createProtocol(CmdModifyCircleInfo, w.packet());
}

void CNetwork::slot_onDismissCircle(QString strCircleId)
{
    quint32 iCircle = 0;
    if (!routable(strCircleId, &iCircle))
        return;
    emit sig_createProtocol(CmdDismissCircle, CFieldWriter().u8(0).u32(iCircle).u8(0).packet());
}
