#include "crequestlayout.h"

#include "cfieldreader.h"
#include "codes.h"

using namespace Codes;

namespace {

void loginFields(CFieldReader &r)
{
    r.u8();   // client kind
    r.str8(); // version
    const quint8 iType = r.u8();
    if (iType == 0)
        r.u32();
    else if (iType == 1 || iType == 2)
        r.enc8();
    r.enc8(); // password
    r.str8(); // local id
}

void cardMessageFields(CFieldReader &r)
{
    r.u32(); // receiver
    const quint8 iKind = r.u8();
    r.u32(); // message id
    if (iKind == CardMsgAnswer) {
        r.u8();
        return;
    }
    r.enc8();
    if (iKind == CardMsgSent || iKind == CardMsgExchanged)
        r.blob32();
}

void searchCircleFields(CFieldReader &r)
{
    r.u8();
    const quint8 n = r.u8();
    for (int i = 0; i < n && r.ok(); ++i) {
        r.u8();
        r.str8();
    }
}

// Returns false when the command's end cannot be told from its fields (a ciphertext sent last
// without a count); such a request takes the rest of what has arrived.
bool walk(quint8 iCode, CFieldReader &r)
{
    switch (iCode) {
    case CmdSubServer:
        r.u32();
        return true;
    case CmdLogin:
        loginFields(r);
        return true;
    case CmdCard:
        r.u32();
        r.u8();
        r.blob32();
        return true;
    case CmdEnterprise:
        r.zpid();
        r.u8(); // sub-command
        r.blob32();
        return true;
    default:
        break;
    }
    r.zpid(); // every other request carries its sender next
    switch (iCode) {
    case CmdHeartbeat:
    case CmdReserved:
    case CmdLogout:
        return true;
    case CmdAllUserState:
        r.u8();
        return true;
    case CmdUserState:
        r.u8();
        r.blob32();
        return true;
    case CmdUserPhone:
        r.u32();
        return true;
    case CmdMessage:
        r.u32();
        r.u32();
        r.blob32();
        r.u8();
        r.blob32();
        return true;
    case CmdMessageReceipt:
        r.u32();
        r.u8();
        r.u32();
        return true;
    case CmdChangePassword:
        r.u8();
        r.enc8();
        return true;
    case CmdMayKnow:
        r.u32();
        r.u32();
        return true;
    case CmdContact:
        r.enc8();
        r.blob32();
        return true;
    case CmdUploadNetContact:
        r.u32();
        r.u8();
        r.u32();
        r.blob32();
        return true;
    case CmdNetContact:
        r.blob32();
        return true;
    case CmdModifyNetContact:
        r.u8();
        r.blob32();
        r.blob32();
        return true;
    case CmdSaveCard:
    case CmdNewCircle:
        r.u8();
        r.blob32();
        return true;
    case CmdCardMessage:
        cardMessageFields(r);
        return true;
    case CmdModifyCircleMember:
        r.u8();
        r.u32();
        r.u32();
        r.blob32();
        return true;
    case CmdCircle:
        r.u8();
        r.blob32();
        return true;
    case CmdCircleMember:
        r.u8();
        r.u32();
        r.blob32();
        return true;
    case CmdSearchCircle:
        searchCircleFields(r);
        return true;
    case CmdExitCircle:
        r.u8();
        r.u32();
        return true;
    case CmdCircleMessage:
        r.u32();
        r.u8();
        r.u32();
        r.blob32();
        return true;
    case CmdApplyCircle: {
        const quint8 iKind = r.u8();
        r.u32();
        if (iKind == ApplyJoin || iKind == ApplyInvite) {
            r.str8();
            return true;
        }
        if (iKind == ApplyAnswer || iKind == ApplyAnswerText) {
            r.u32();
            r.u8();
            if (iKind == ApplyAnswerText)
                r.str8();
            return true;
        }
        return false;
    }
    case CmdModifyCircleInfo:
        r.u32();
        r.u32();
        r.u8();
        r.u8();
        r.str8();
        return true;
    case CmdStrangeCard:
        r.u32();
        r.u8();
        return true;
    case CmdDismissCircle:
        r.u8();
        r.u32();
        r.u8();
        return true;
    case CmdCallSignal:
        // Voice data runs to the end of its datagram; every other kind ends at its sub-command.
        r.u32();
        return r.u8() != CallSubVoice;
    case CmdPush:
        r.u32();
        r.u8();
        return true;
    default:
        return false;
    }
}

} // namespace

bool CRequestLayout::isKnown(quint8 iCode)
{
    switch (iCode) {
    case CmdHeartbeat:
    case CmdCallSignal:
    case CmdAllUserState:
    case CmdUserState:
    case CmdUserPhone:
    case CmdMessage:
    case CmdMessageReceipt:
    case CmdPush:
    case CmdReserved:
    case CmdChangePassword:
    case CmdMayKnow:
    case CmdLogout:
    case CmdContact:
    case CmdLogin:
    case CmdUploadNetContact:
    case CmdNetContact:
    case CmdModifyNetContact:
    case CmdCard:
    case CmdSaveCard:
    case CmdCardMessage:
    case CmdEnterprise:
    case CmdNewCircle:
    case CmdModifyCircleMember:
    case CmdCircle:
    case CmdCircleMember:
    case CmdSearchCircle:
    case CmdExitCircle:
    case CmdCircleMessage:
    case CmdApplyCircle:
    case CmdModifyCircleInfo:
    case CmdStrangeCard:
    case CmdSubServer:
    case CmdDismissCircle:
        return true;
    default:
        return false;
    }
}

CRequestLayout::Result CRequestLayout::measure(const QByteArray &arBuffer, int &iLength)
{
    iLength = 0;
    if (arBuffer.isEmpty())
        return Incomplete;
    const quint8 iCode = quint8(arBuffer.at(0));
    if (!isKnown(iCode))
        return Unknown;
    CFieldReader reader(arBuffer, 1);
    const bool bBounded = walk(iCode, reader);
    if (!reader.ok())
        return Incomplete;
    iLength = bBounded ? reader.pos() : int(arBuffer.size());
    return Complete;
}
