// The session state of a client signed in as one account: where the protocol tests start.
#pragma once

#include "csessionstate.h"

#include <QString>

inline void signInAs(quint32 iZpid)
{
    CSessionState &s = sessionState();
    s.reset();
    s.iZpid = iZpid;
    s.strZpid = QString::number(iZpid);
}
