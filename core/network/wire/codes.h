// Codes: the one vocabulary of the wire. The client's packet layer, the service's command
// families, the controller and the screens (as Zephon.Codes) all take their numbers from here:
// command codes (the first byte of every packet in both directions), sub-commands, kinds,
// states, results and the special accounts. Each meaning has its own enum, so a number that
// means different things in different packets has a different name in each. The values are
// wire bytes and must never change.
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
    CmdPresence = 120, // sent by the service alone: a contact signed in or out
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
    LoginLocked = 3,  // too many wrong passwords; the service refuses for a while
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

// The state a presence notice (120) reports.
enum PresenceState : quint8
{
    PresenceOffline = 0,
    PresenceOnline = 1,
};
Q_ENUM_NS(PresenceState)

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

// Sub-commands of the call packet 5.
enum CallSub : quint8
{
    CallSubCall = 1,
    CallSubAnswer = 2,
    CallSubRefuse = 3,
    CallSubBusy = 4,
    CallSubHangup = 5,
    CallSubVoice = 6,
    CallSubRinging = 7,
    CallSubAck = 8, // confirms a refuse or a hang-up
};

// The outcome byte of the push reply 19.
enum PushResult : quint8
{
    PushDelivered = 1,   // the callee's client was reached
    PushUnreachable = 2, // the callee cannot be reached
};

// iSubType of a one-to-one message 14; all but the text carry a send time and an attachment.
enum MessageSub : quint8
{
    MsgSubText = 0,
    MsgSubFile = 2,
    MsgSubOtherFile = 3,
    MsgSubPair = 5,
};

// The kind of a card message 83.
enum CardMessageKind : quint8
{
    CardMsgSent = 0,      // a card is handed over
    CardMsgRequest = 1,   // the sender asks for the addressee's card
    CardMsgAnswer = 2,    // the answer to a request (u8 yes/no)
    CardMsgExchanged = 3, // the card given in return for a request
};

// What a card request 81, its reply and a card save 82 are about.
enum CardItem : quint8
{
    CardItemText = 0,
    CardItemPicture = 1,
};

// Whose card a card text report (sig_parseCard) holds.
enum CardOwner
{
    CardOfOwn = 0,      // the user's own card
    CardOfStranger = 1, // the card of a user who is not a contact (100)
};

// The kind of a delivery report 15.
enum ReportKind : quint8
{
    ReportMessage = 0, // a one-to-one message
    ReportCall = 1,    // the push of a call
    ReportCard = 3,    // a card message
};

// The state of a delivery report 15 of a message or card message. A call push report of
// state 0 says the push did not reach the callee's client.
enum ReportState : quint8
{
    ReportDelivered = 0, // the addressee has it
    ReportAccepted = 1,  // the service took it
    ReportRefused = 3,   // the service refused it
};

// The kind of a circle message 97 received.
enum CircleMessageKind : quint8
{
    CircleMsgMember = 0,    // a member's message
    CircleMsgOwnResult = 2, // the service's result for the user's own message
};

// The kind of a circle application packet 98.
enum CircleApplyKind : quint8
{
    ApplyJoin = 0,             // the user asks to join (with a text); its result comes back
    ApplyIncoming = 1,         // someone asks to join a circle the user manages
    ApplyAnswer = 2,           // an answer to an application, without a text
    ApplyAnswerResult = 3,     // the service's result for the user's answer
    ApplyInvite = 4,           // an invitation (with a text)
    ApplyInviteResult = 5,     // the service's result for the user's invitation
    ApplyAnswerText = 6,       // an answer to an application, with a text
    ApplyNotice = 7,           // a notice about a circle, with a sub-kind
    ApplyAnswerTextResult = 8, // the service's result for the user's answer with a text
    ApplyInviteAnswer = 9,     // an answer to the user's invitation
};

// How the account of a sign-in 39 is named: the id's field follows in the matching form.
enum LoginIdKind : quint8
{
    LoginByZpid = 0,      // the zpid as a u32
    LoginByMobile = 1,    // a mobile number, as an encrypted text
    LoginByMobileAlt = 2, // written and read as a mobile number
};

// The way a cloud address book entry changes (63).
enum NetContactChange : quint8
{
    NetContactAdd = 0,
    NetContactDelete = 1,
    NetContactEdit = 2,
};

// Sub-commands of the enterprise directory command 87.
enum EnterpriseSub : quint8
{
    EntModifyOrg = 1,
    EntLoginOrg = 2,
    EntLoginSubServer = 3,
    EntModifyDept = 4,
    EntModifyEmp = 5,
    EntDeptList = 6,
    EntEmpList = 7,
    EntOrgList = 8,
    EntChangePassword = 9,
    EntModifyEmpList = 10,
    EntModifyDeptList = 11,
};

// The kinds and states below are those of the client's stored records and of the screens'
// comparisons; where a record keeps a wire byte, the number is the same.

// What getInputType says of a typed text.
enum InputKind
{
    InputInvalid = -1, // neither a Zpid nor a mobile number
    InputZpid = 0,
    InputPhone = 1,
};
Q_ENUM_NS(InputKind)

// iType of a message event and of a stored message or conversation. A stored one-to-one
// message carries the peer's ZpidKind in place of MsgPerson; MsgAllKinds asks for every kind.
enum MsgKind
{
    MsgAllKinds = -1,
    MsgPerson = 0,
    MsgCardRequest = 5,   // card-exchange requests
    MsgCircleRequest = 6, // circle requests and notices
    MsgCircle = 7,        // a circle's conversation
};
Q_ENUM_NS(MsgKind)

// iSubType of a one-to-one or circle message: what its content is.
enum ContentKind
{
    ContentText = 0,
    ContentCard = 1,
    ContentPicture = 2,
    ContentFile = 3,
    ContentLocation = 5,
};
Q_ENUM_NS(ContentKind)

// iSubType of a card-exchange request (MsgCardRequest).
enum CardRequestState
{
    CardRequestOpen = 0,   // waits for the user's agreement
    CardRequestAgreed = 1, // the user agreed
    CardsExchanged = 3,
};
Q_ENUM_NS(CardRequestState)

// iMsgState of a circle request or notice (MsgCircleRequest).
enum CircleRequestState
{
    CircleOwnApplication = -1,    // the user's own application, waiting for the circle
    CircleApplication = 0,        // another user applies; waits for the user's answer
    CircleApplicationAgreed = 1,  // answered by the user
    CircleApplicationRefused = 2, // answered by the user
    CircleOwnAccepted = 3,        // the circle answered the user's own application
    CircleOwnRefused = 4,
    CircleRecommended = 5, // a recommendation to join; waits for the user's answer
    CircleRecommendedAgreed = 6,
    CircleRecommendedRefused = 7,
    CircleRecommendationAccepted = 8, // a recommendation the user made
    CircleRecommendationRefused = 9,
    CircleAdded = 10, // the user was added to the circle
};
Q_ENUM_NS(CircleRequestState)

// iUserType of a circle and iType of a circle member: the role in the circle, as the service
// lists it. The store answers CircleRoleMember for a circle it does not hold.
enum CircleRole
{
    CircleRoleNone = 0,
    CircleRoleCreator = 1, // changes the members and the information, dissolves the circle
    CircleRoleAdmin = 2,
    CircleRoleMember = 3,
};
Q_ENUM_NS(CircleRole)

// iType of modifyCircleInfo and of sig_modifyCircleInfo: which information changes.
enum CircleInfoKind
{
    CircleInfoName = 1,
    CircleInfoProfile = 2,
};
Q_ENUM_NS(CircleInfoKind)

// iType of modifyCircleMember and of sig_modifyCircleMember.
enum CircleMemberChange
{
    MemberAdd = 0,  // by name and phone
    MemberEdit = 1, // name and company
    MemberRemove = 2,
    MemberEditPhone = 3,   // name, company and phone
    MemberAddContacts = 4, // the contacts ticked in the selection list
};
Q_ENUM_NS(CircleMemberChange)

// What a circle search (95) looks for, and the keys of its conditions.
enum CircleSearchKind : quint8
{
    SearchCircles = 0,
    SearchUsers = 1,
};
enum CircleSearchKey : quint8
{
    SearchKeyCircleName = 0, // part of the name, or the circle's number
    SearchKeyMobile = 3,     // a user's whole mobile number
    SearchKeyZpid = 4,       // a user's Zpid
};

// iType of the root's applyCircle and of sig_applyCircle: what was asked of a circle.
enum CircleRequestKind
{
    RequestJoin = 0,      // the user asks to join, with a text
    RequestRecommend = 4, // the user recommends someone to the circle
};
Q_ENUM_NS(CircleRequestKind)

// iMsgState of a file or picture message.
enum TransferState
{
    TransferQueued = 0, // waits for or runs its transfer
    TransferDone = 1,
    TransferCancelled = 2,
    TransferFailed = 3, // an upload that did not complete
};
Q_ENUM_NS(TransferState)

// The kind of a spreadsheet backup or import job.
enum SheetKind
{
    SheetNetContact = 0, // the cloud address book
    SheetContact = 1,    // backup: the personal address book; import: a circle's members
    SheetEmployee = 2,   // an organisation's employees
};
Q_ENUM_NS(SheetKind)

// iType of a call record.
enum CallRecordKind
{
    RecordOutgoing = 0,
    RecordAnswered = 1, // incoming and answered
    RecordMissed = 2,   // incoming and not answered: missed, or refused by the user
};
Q_ENUM_NS(CallRecordKind)

// iType of an address-book entry.
enum ContactKind
{
    ContactOwn = 0, // the user's own card
    ContactAssistant = 1,
    ContactUser = 2,     // the number belongs to a registered user
    ContactNotUser = 3,  // not (yet) known to belong to a user
    ContactExcluded = 4, // left out of the list, the search and card lookups
};
Q_ENUM_NS(ContactKind)

// The signed-in user's role in an enterprise directory.
enum EnterpriseRole
{
    RoleAdmin = 0,
    RoleEmployee = 1,
};
Q_ENUM_NS(EnterpriseRole)

// iType of a single department or employee change (the kind byte of the enterprise
// sub-commands 4 and 5) and of the reports the controller gives the screens about it.
enum EnterpriseChange
{
    EntAdd = 0,
    EntEdit = 1,
    EntDelete = 2,
};
Q_ENUM_NS(EnterpriseChange)

// The result of a server reply (saving the card or picture, the cloud address book...).
enum ReplyResult
{
    ReplyOk = 0, // any other value is a failure
};
Q_ENUM_NS(ReplyResult)

// Whose password a password change is for: the login password, or an enterprise password of
// one of the enterprise kinds.
enum PasswordKind
{
    PasswordLogin = 0,
    PasswordEnterpriseFirst = 1,
    PasswordEnterpriseLast = 3,
};
Q_ENUM_NS(PasswordKind)

// The assistant's fixed zpid: it answers every message sent to it.
inline constexpr quint32 ASSISTANT_ZPID = 800;
// A reserved short zpid that, like the assistant's, is taken as a zpid though it has fewer
// than seven digits.
inline constexpr quint32 RESERVED_ZPID = 8001;
// The post a client stores and shows, and sends back, for an employee listed without one.
inline constexpr char DEFAULT_POST_UTF8[] = "员工";

} // namespace Codes
