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

// iState of sig_parseCallState. The ends of a call (refused, busy, hung up, unreachable) are
// reported once per call, after the call state is back to idle.
enum CallState
{
    CallOffered = 1,      // an incoming call rings here
    CallAnswered = 2,     // the callee took the call
    CallRefused = 3,      // the callee refused, or hung up before answering
    CallBusy = 4,         // the callee is in another call
    CallHungUp = 5,       // the other party ended a ringing or connected call
    CallVoice = 6,        // voice data; the argument holds the whole datagram
    CallRinging = 7,      // the outgoing call rings at the callee
    CallConfirmed = 8,    // the party we refused or hung up on confirmed it
    CallPushReached = 11, // the push woke the callee's client: place the call now
    CallUnreachable = 12, // the callee cannot be reached; the attempt is over
};
Q_ENUM_NS(CallState)

// The phase of the current call.
enum CallPhase
{
    PhaseIdle = -1,
    PhaseCalling = 0, // the user placed the call
    PhaseTalking = 1,
    PhaseRinging = 2, // an incoming call is offered
};
Q_ENUM_NS(CallPhase)

} // namespace Codes
