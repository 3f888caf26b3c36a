// The circle family's replies and notices. Lists, members and search hits go on as raw bytes
// to the controller's workers, which own their layouts; here only the heads are read, each
// through the bounded reader, and a head cut short emits nothing.
#include "caes.h"
#include "cfieldreader.h"
#include "codes.h"
#include "csessionstate.h"
#include "protocol.h"

using namespace Codes;

namespace {

// A u8-counted text; ciphertext when bCipher.
QByteArray textField(CFieldReader &r, bool bCipher)
{
    const QByteArray ar = r.str8();
    return bCipher ? decryptBytes(ar) : ar;
}

} // namespace

void Protocol::registerCircleParsers()
{
    setParser(CmdNewCircle, [this](const QByteArray &ar) { parseNewCircle(ar); });
    setParser(CmdModifyCircleMember, [this](const QByteArray &ar) { parseModifyCircleMember(ar); });
    setParser(CmdCircle, [this](const QByteArray &ar) { parseCircleList(ar); });
    setParser(CmdCircleMember, [this](const QByteArray &ar) { parseCircleMember(ar); });
    setParser(CmdSearchCircle, [this](const QByteArray &ar) { parseSearchCircle(ar); });
    setParser(CmdExitCircle, [this](const QByteArray &ar) { parseExitCircle(ar); });
    setParser(CmdApplyCircle, [this](const QByteArray &ar) { parseApplyCircle(ar); });
    setParser(CmdModifyCircleInfo, [this](const QByteArray &ar) { parseModifyCircleInfo(ar); });
    setParser(CmdDismissCircle, [this](const QByteArray &ar) { parseDismissCircle(ar); });
}

void Protocol::parseNewCircle(const QByteArray &arBuff)
{
    CFieldReader r(arBuff, 5);
    const quint8 iResult = r.u8();
    const quint8 iStatus = r.u8();
    const quint32 iCircle = r.u32();
    r.skip(4); // unused, but part of a whole reply
    if (!r.ok() || iResult != 0)
        return;
    if (iStatus == 0)
        sessionState().iLastCircleId = iCircle;
    emit sig_newCircle(iStatus);
}

void Protocol::parseModifyCircleMember(const QByteArray &arBuff)
{
    CFieldReader r(arBuff, 5);
    const quint8 iType = r.u8();
    const quint32 iCircle = r.u32();
    const quint8 iRet = r.u8();
    if (!r.ok())
        return;
    sessionState().iLastCircleId = iCircle;
    emit sig_modifyCircleMember(iType, iRet);
}

void Protocol::parseCircleList(const QByteArray &arBuff)
{
    CFieldReader r(arBuff, 5);
    const quint8 iFirst = r.u8();
    const quint8 iSecond = r.u8();
    r.skip(4);
    if (r.ok() && iFirst == 0 && iSecond == 0)
        emit sig_parseCirlce(r.tail());
}

void Protocol::parseCircleMember(const QByteArray &arBuff)
{
    CFieldReader r(arBuff, 5);
    const quint8 iFirst = r.u8();
    const quint32 iCircle = r.u32();
    const quint8 iSecond = r.u8();
    r.skip(4);
    if (r.ok() && iFirst == 0 && iSecond == 0)
        emit sig_parseCirlceMember(r.tail(), iCircle);
}

void Protocol::parseSearchCircle(const QByteArray &arBuff)
{
    CFieldReader r(arBuff, 5);
    const quint8 iType = r.u8();
    const quint8 iResult = r.u8();
    const quint32 iCount = r.u32();
    if (!r.ok() || iResult != 0)
        return;
    // The entries are counted again against their bytes where they are read.
    emit sig_parseSearchResult(iType, r.tail(), int(qMin<quint32>(iCount, INT_MAX)));
}

void Protocol::parseExitCircle(const QByteArray &arBuff)
{
    CFieldReader r(arBuff, 1);
    const quint32 iZpid = r.zpid();
    const quint8 iKind = r.u8();
    const quint32 iCircle = r.u32();
    if (!r.ok())
        return;
    if (iKind == 0) {
        const quint8 iResult = r.u8();
        if (r.ok())
            emit sig_exitCircle(iResult == 0, iCircle);
    } else if (iKind == 1) {
        emit sig_saveMsgRecord(iCircle, iZpid, QByteArray(), QByteArray(), -1, 0, MsgCircle, 1,
                               false);
    }
}

void Protocol::parseApplyCircle(const QByteArray &arBuff)
{
    CFieldReader r(arBuff, 1);
    const quint32 iFirst = r.zpid();
    const quint8 iKind = r.u8();
    const quint32 iCircle = r.u32();
    if (!r.ok())
        return;
    const quint32 iOwn = sessionState().iZpid;
    auto forMe = [&](quint32 iAddressee) {
        if (iAddressee == iOwn)
            return true;
        m_trace.traceNumber("circle notice for another user, kind", iKind);
        return false;
    };
    switch (iKind) {
    case ApplyJoin: {
        const quint8 iResult = r.u8();
        if (r.ok() && forMe(iFirst))
            emit sig_applyCircle(iResult, 0);
        break;
    }
    case ApplyIncoming: {
        const quint32 iApplicant = r.u32();
        const QByteArray arText = textField(r, true);
        const QByteArray arT1 = textField(r, false);
        const QByteArray arT2 = textField(r, false);
        const QByteArray arT3 = textField(r, false);
        if (!r.ok() || !forMe(iFirst))
            return;
        const QByteArray arContent = arT2 + ':' + arT1 + ':' + arT3 + ':' + arText;
        emit sig_saveMsgRecord(iCircle, iApplicant, QByteArray(), arContent, -1, CircleApplication,
                               MsgCircleRequest, 0, false);
        break;
    }
    case ApplyAnswer: {
        const quint32 iAddressee = r.u32();
        const quint8 iFlag = r.u8();
        if (!r.ok() || !forMe(iAddressee))
            return;
        emit sig_saveMsgRecord(iCircle, iFirst, QByteArray(), QByteArray(), -1,
                               iFlag != 0 ? CircleOwnRefused : CircleOwnAccepted, MsgCircleRequest,
                               0, false);
        break;
    }
    case ApplyAnswerResult:
    case ApplyAnswerTextResult: {
        const QByteArray arApplicant = r.bytes(4);
        const quint8 iResult = r.u8();
        if (!r.ok() || !forMe(iFirst))
            return;
        emit sig_updateMsgRecord(iCircle, arApplicant, iKind, iResult, MsgCircleRequest);
        break;
    }
    case ApplyInvite: {
        const QByteArray arText = textField(r, true);
        if (!r.ok())
            return;
        emit sig_saveMsgRecord(iCircle, iFirst, QByteArray(), arText, -1, CircleRecommended,
                               MsgCircleRequest, 0, false);
        break;
    }
    case ApplyInviteResult: {
        const quint8 iResult = r.u8();
        r.str8(); // the text is not shown, but a reply without it is cut short
        if (r.ok() && forMe(iFirst))
            emit sig_applyCircle(iResult, ApplyInvite);
        break;
    }
    case ApplyNotice: {
        const QByteArray arText = textField(r, false);
        const quint8 iSubKind = r.u8();
        if (!r.ok())
            return;
        emit sig_saveMsgRecord(iCircle, iFirst, QByteArray(), arText, -1, CircleAdded,
                               MsgCircleRequest, iSubKind, false);
        break;
    }
    case ApplyInviteAnswer: {
        const quint8 iFlag = r.u8();
        const QByteArray arText = textField(r, true);
        if (!r.ok() || !forMe(iFirst))
            return;
        emit sig_applyCircle(iFlag, ApplyInvite);
        const quint32 iMember = QString::fromUtf8(arText).section(QLatin1Char(':'), 0, 0).toUInt();
        emit sig_saveMsgRecord(iCircle, iMember, QByteArray(), arText, -1,
                               iFlag != 0 ? CircleRecommendationRefused
                                          : CircleRecommendationAccepted,
                               MsgCircleRequest, 0, false);
        break;
    }
    default:
        break;
    }
}

void Protocol::parseModifyCircleInfo(const QByteArray &arBuff)
{
    CFieldReader r(arBuff, 5);
    const quint32 iCircle = r.u32();
    r.skip(4);
    const quint8 iRet = r.u8();
    if (r.ok())
        emit sig_modifyCircleInfo(iRet, iCircle);
}

void Protocol::parseDismissCircle(const QByteArray &arBuff)
{
    CFieldReader r(arBuff, 1);
    const quint32 iAddressee = r.zpid();
    const quint8 iKind = r.u8();
    const quint32 iCircle = r.u32();
    if (iKind == 1) {
        // The creator dissolved a circle of the user's: the list is fetched again, which takes
        // the circle and its conversation away. Only a whole notice counts.
        r.u32();
        r.str8();
        if (r.ok() && iAddressee == sessionState().iZpid)
            emit sig_circleDissolved(iCircle);
        return;
    }
    if (iKind != 0)
        return;
    const quint8 iResult = r.u8();
    if (r.ok())
        emit sig_dismissCircle(iResult == 0, iCircle);
}
