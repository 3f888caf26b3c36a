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
    const quint32 iPeer = zpidOf(strZpid);
    if (callSession().beginCall(iPeer))
        sendCall(iPeer, CCallSession::SubCall);
}

void CNetwork::slot_onAgree(QString strZpid)
{
    const quint32 iPeer = zpidOf(strZpid);
    if (callSession().agree(iPeer))
        sendCall(iPeer, CCallSession::SubAnswer);
}

void CNetwork::slot_onRefuse(QString strZpid)
{
    const quint32 iPeer = zpidOf(strZpid);
    if (callSession().refuse(iPeer))
        sendCall(iPeer, CCallSession::SubRefuse);
}

void CNetwork::slot_onHangup(QString strZpid)
{
    const quint32 iPeer = zpidOf(strZpid);
    if (callSession().hangup(iPeer))
        sendCall(iPeer, CCallSession::SubHangup);
}

void CNetwork::sendCall(quint32 iPeer, quint8 iSub)
{
    emit sig_createProtocol(Codes::CmdCallSignal, CCallSession::payload(iPeer, iSub));
}
