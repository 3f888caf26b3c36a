// CCallCommands: the call family. Call packets 5 (signalling and voice) of a known sub-command
// and its own length are relayed unchanged to the other party's session endpoint when the
// call registry lets them pass; the push 19 is answered with whether the callee can be
// reached. A party whose session ends leaves the other with a hang-up instead of a silent
// line, and a request to somebody already in a call is answered busy without ringing them.
#pragma once

#include <QObject>

#include "ccallregistry.h"
#include "cdispatcher.h"

class CServiceContext;

class CCallCommands : public QObject
{
    Q_OBJECT
public:
    explicit CCallCommands(CServiceContext &service);
    void install(CDispatcher &dispatcher);

private:
    void onCall(CRequest &request);
    void onPush(CRequest &request);
    void onSessionEnded(quint64 iSessionId, quint32 iZpid);

    CSessionTable::Session *reachable(quint32 iZpid) const;
    // Sends a call packet to the party's session, when it still has an endpoint.
    void sendTo(const CCallRegistry::Party &party, const QByteArray &arPacket);

    CServiceContext &m_service;
    CCallRegistry m_calls;
};
