// Codes: the named numbers that the protocol, the controller and the screens share. The
// command codes are the first byte of every packet in both directions.
#pragma once

#include <QObject>

namespace Codes {
Q_NAMESPACE

enum Command : quint8 {
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

} // namespace Codes
