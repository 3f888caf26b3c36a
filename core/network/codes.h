// Codes: the named numbers that the protocol, the controller and the screens share. The
// command codes are the first byte of every packet in both directions.
#pragma once

#include <QObject>

namespace Codes {
Q_NAMESPACE

enum Command : quint8
{
    CmdHeartbeat = 3,
    CmdCallSignal = 5,
    CmdAllUserState = 11,
    CmdUserState = 12,
    CmdUserPhone = 13,
    CmdMessage = 14,
    CmdDeliveryReport = 15,
    CmdMessageReceipt = 16,
    CmdPush = 19,
    CmdReserved = 28,
    CmdChangePassword = 31,
    CmdMayKnow = 32,
    CmdOfflineMessage = 34,
    CmdLogout = 35,
    CmdContact = 36,
    CmdLogin = 39,
    CmdUploadNetContact = 60,
    CmdNetContact = 61,
    CmdModifyNetContact = 63,
    CmdCard = 81,
    CmdSaveCard = 82,
    CmdCardMessage = 83,
    CmdEnterprise = 87,
    CmdNewCircle = 91,
    CmdModifyCircleMember = 92,
    CmdCircle = 93,
    CmdCircleMember = 94,
    CmdSearchCircle = 95,
    CmdExitCircle = 96,
    CmdCircleMessage = 97,
    CmdApplyCircle = 98,
    CmdModifyCircleInfo = 99,
    CmdStrangeCard = 100,
    CmdSubServer = 102,
    CmdDismissCircle = 112,
    CmdIgnored = 201,
};
Q_ENUM_NS(Command)

// Reports of sig_netState.
enum NetState
{
    NetLost = -1,         // connection lost or socket error
    NetLoginTimeout = 1,  // no login reply within the login time
    NetHeartbeatLost = 2, // three heartbeat losses in a row
};
Q_ENUM_NS(NetState)

// Results of sig_loginState.
enum LoginResult
{
    LoginOk = 0,
    LoginUnknownAccount = 1,
    LoginWrongPassword = 2,
    LoginStarted = 5, // a login attempt has started; never reaches the screens
};
Q_ENUM_NS(LoginResult)

// iMsgState of a stored message.
enum MsgState
{
    MsgNew = 0,
    MsgAccepted = 1,  // taken by the server
    MsgDelivered = 2, // reached the addressee
    MsgFailed = 3,    // not delivered
};
Q_ENUM_NS(MsgState)

// What getZpidType says of a Zpid.
enum ZpidKind
{
    ZpidOwn = 0,
    ZpidAssistant = 1,
    ZpidRegistered = 2,
    ZpidNone = 3, // empty or "0"
};
Q_ENUM_NS(ZpidKind)

} // namespace Codes
