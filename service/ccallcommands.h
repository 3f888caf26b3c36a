// CCallCommands: the call family. Call packets 5 (signalling and voice) are relayed unchanged
// to the receiver's session endpoint; the push 19 is answered with whether the callee can be
// reached. The service keeps, per party, who it is in a call with and over which session, so
// that a party whose session ends leaves the other with a hang-up instead of a silent line,
// and so that voice passes only between the two parties of a call.
#pragma once

#include <QHash>
#include <QObject>

#include "cdispatcher.h"

class CServiceContext;

class CCallCommands : public QObject
{
    Q_OBJECT
public:
    explicit CCallCommands(CServiceContext &service);
    void install(CDispatcher &dispatcher);

    // Parties currently in a call or being called.
    int legCount() const { return int(m_legs.size()); }

private:
    // One party's side of a call: the other party and the session it takes part with.
    struct Leg
    {
        quint32 iPeer = 0;
        quint64 iSession = 0;
    };

    void onCall(CRequest &request);
    void onPush(CRequest &request);
    void onSessionEnded(quint64 iSessionId, quint32 iZpid);

    CSessionTable::Session *reachable(quint32 iZpid) const;
    bool inCall(quint32 iA, quint32 iB) const;
    void dropCall(quint32 iA, quint32 iB);

    CServiceContext &m_service;
    QHash<quint32, Leg> m_legs;
};
