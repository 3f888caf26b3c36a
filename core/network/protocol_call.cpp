// The call family on the packet layer: call packets 5 and push replies 19 go through the call
// session, whose answers are sent through the normal builder and whose reports become
// sig_parseCallState.
#include "ccallsession.h"
#include "codes.h"
#include "protocol.h"

void Protocol::registerCallParsers()
{
    setParser(Codes::CmdCallSignal,
              [this](const QByteArray &ar) { carryOut(callSession().received(ar)); });
    setParser(Codes::CmdPush,
              [this](const QByteArray &ar) { carryOut(callSession().pushReply(ar)); });
}

void Protocol::parseCallDelivery(quint32 iPeer, quint8 iState)
{
    carryOut(callSession().deliveryReport(iPeer, iState));
}

void Protocol::carryOut(const CCallSession::Reaction &reaction)
{
    if (reaction.iAnswer != 0)
        slot_onCreateProtocol(Codes::CmdCallSignal,
                              CCallSession::payload(reaction.iAnswerTo, reaction.iAnswer));
    if (reaction.iState != 0)
        emit sig_parseCallState(reaction.iState, QString::number(reaction.iPeer), reaction.arData);
}
