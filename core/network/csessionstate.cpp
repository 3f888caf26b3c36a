#include "csessionstate.h"

CSessionState::CSessionState()
    : pTimerLogin(new QTimer), pTimerHeart(new QTimer), pTimerResend(new QTimer),
      pTimerReLogin(new QTimer), pTimerStopCall(new QTimer)
{}

void CSessionState::reset()
{
    for (QTimer *pTimer : {pTimerLogin, pTimerHeart, pTimerResend, pTimerReLogin, pTimerStopCall})
        pTimer->stop();
    strLoginId.clear();
    strLoginPassword.clear();
    iLoginType = 0;
    iZpid = 0;
    strZpid.clear();
    strPhone.clear();
    g_strLocalId.clear();
    g_strSubServerIp.clear();
    g_iSubServerPort = 0;
    bHasLoggedIn = false;
    bSuppressDisconnect = true;
    iHeartLoss = 0;
    iResendTick = 0;
    iPasswordSubType = 0;
    strPendingPassword.clear();
    iEnterprisePasswordType = 0;
    iLastOrgChangeKind = 0;
    iLastDirectoryChangeKind = 0;
    iLastCircleId = 0;
    iLastCircleInfoKind = 0;
    mapPendingMembers.clear();
    iLastApplyReply = 0;
    strLastApplyText.clear();
    mapResend.clear();
    iLoginMs = 20000;
    iHeartMs = 10000;
    iResendMs = 1000;
    iReLoginMs = 20000;
    iStopCallMs = 1500;
}

CSessionState &sessionState()
{
    // Never destroyed: its timers must not outlive the application object's teardown in a
    // static destructor.
    static CSessionState *pState = new CSessionState;
    return *pState;
}

void setResend(const QByteArray &arKey, const QByteArray &arRecord)
{
    CSessionState &s = sessionState();
    s.mapResend.insert(arKey, arRecord);
    if (!s.pTimerResend->isActive())
        s.pTimerResend->start(s.iResendMs);
}

void removeResend(const QByteArray &arKey)
{
    CSessionState &s = sessionState();
    s.mapResend.remove(arKey);
    if (s.mapResend.isEmpty())
        s.pTimerResend->stop();
}
