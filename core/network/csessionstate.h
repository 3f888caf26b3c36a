// CSessionState: the session values shared by CNetwork, Protocol and Core. There is one per
// process, reached through sessionState(); only the main thread touches it.
#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QTimer>

class CSessionState
{
public:
    // Credentials as typed by the user; login type 0 is a zpid, 1 and 2 a telephone number.
    QString strLoginId;
    QString strLoginPassword;
    int iLoginType = 0;

    quint32 iZpid = 0;
    QString strZpid;
    QString strPhone;

    QString g_strLocalId;
    QString g_strSubServerIp;
    quint16 g_iSubServerPort = 0;

    bool bHasLoggedIn = false;
    // Set at start so that closing the main-server connection is not reported as a loss.
    bool bSuppressDisconnect = true;

    int iHeartLoss = 0;
    int iResendTick = 0;

    // Sub-type and new password of the password change awaiting its reply.
    int iPasswordSubType = 0;
    QString strPendingPassword;
    // Which enterprise password (type 1 to 3) the change awaiting its reply is about; 0 when
    // none is awaited. The reply does not name it.
    int iEnterprisePasswordType = 0;
    // The kind of the last organisation change sent, and of the last department or employee
    // change (0 for the list forms), read when the service confirms them.
    int iLastOrgChangeKind = 0;
    int iLastDirectoryChangeKind = 0;
    // The circle of the last create or member-change reply.
    quint32 iLastCircleId = 0;
    // The kind of the last circle-info change sent.
    int iLastCircleInfoKind = 0;
    // The members the next member change names: text key to zpid, sent in key order.
    QMap<QString, quint32> mapPendingMembers;
    // The user's last answer to a circle application, for when the service confirms it.
    int iLastApplyReply = 0;
    QString strLastApplyText;

    // Re-sendable UDP requests: key (code [, msg id, zpid]) to record (attempts, limit,
    // period, packet). Ordered by key so ticks walk it in a fixed order.
    QMap<QByteArray, QByteArray> mapResend;

    // Intervals in ms; tests shorten them rather than waiting.
    int iLoginMs = 20000;
    int iHeartMs = 10000;
    int iResendMs = 1000;
    int iReLoginMs = 20000;
    int iStopCallMs = 1500;

    QTimer *const pTimerLogin;
    QTimer *const pTimerHeart;
    QTimer *const pTimerResend;
    QTimer *const pTimerReLogin;
    QTimer *const pTimerStopCall;

    CSessionState();
    CSessionState(const CSessionState &) = delete;
    CSessionState &operator=(const CSessionState &) = delete;

    // Back to the values of a fresh process: timers stopped, table empty, nobody logged in.
    void reset();
};

// Created on first use, after the application object; lives until the process ends.
CSessionState &sessionState();

// The pending-resend table. setResend replaces a record under the same key and starts the
// resend timer; removeResend stops it once the table is empty.
void setResend(const QByteArray &arKey, const QByteArray &arRecord);
void removeResend(const QByteArray &arKey);
