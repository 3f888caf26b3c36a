// The call request slots: each asks the call session whether the request fits the call under
// way and sends its packet only then.
#include "ccallsession.h"
#include "cfieldwriter.h"
#include "cnetwork.h"
#include "codes.h"

namespace {

// 0 for text that is not a zpid.
quint32 zpidOf(const QString &strZpid)
{
    bool bOk = false;
    const uint iZpid = strZpid.toUInt(&bOk);
    return bOk ? iZpid : 0;
}

} // namespace

void CNetwork::slot_onSendPush(QString strZpid)
{
    const quint32 iPeer = zpidOf(strZpid);
    switch (callSession().beginPush(iPeer)) {
    case CCallSession::Start::Started: {
        CFieldWriter writer;
        writer.zpid(iPeer).u8(0);
        emit sig_createProtocol(Codes::CmdPush, writer.packet());
        break;
    }
    case CCallSession::Start::Refused:
        // Nobody to ring: the screen that started the call learns at once that it is over.
        m_trace.traceText("call refused: not another user", strZpid);
        emit sig_parseCallState(Codes::CallUnreachable, strZpid);
        break;
    case CCallSession::Start::Busy:
        m_trace.traceText("call not placed: another call is under way", strZpid);
        break;
    }
}

void CNetwork::slot_onCall(QString strZpid)
{
    sendCall(&CCallSession::beginCall, strZpid, Codes::CallSubCall);
}

void CNetwork::slot_onAgree(QString strZpid)
{
    sendCall(&CCallSession::agree, strZpid, Codes::CallSubAnswer);
}

void CNetwork::slot_onRefuse(QString strZpid)
{
    sendCall(&CCallSession::refuse, strZpid, Codes::CallSubRefuse);
}

void CNetwork::slot_onHangup(QString strZpid)
{
    sendCall(&CCallSession::hangup, strZpid, Codes::CallSubHangup);
}

void CNetwork::sendCall(bool (CCallSession::*pRule)(quint32), const QString &strZpid, quint8 iSub)
{
    const quint32 iPeer = zpidOf(strZpid);
    if ((callSession().*pRule)(iPeer))
        emit sig_createProtocol(Codes::CmdCallSignal, CCallSession::payload(iPeer, iSub));
    else
        m_trace.traceText(QString("call request %1 does not fit the call: dropped").arg(iSub),
                          strZpid);
}
