// CDispatcher: the table from command code to handler. Before a handler runs, the dispatcher
// checks that the code is served on the channel it arrived on, that every field is present,
// and that the request's own-Zpid field names the user of the session the connection or UDP
// endpoint belongs to; whatever fails is dropped and counted by reason. A command family
// adds its codes with add().
#pragma once

#include <QHash>
#include <functional>

#include "codes.h"
#include "crequest.h"
#include "cservicecounters.h"
#include "csessiontable.h"

class CDispatcher
{
public:
    // Datagrams kept per session while its endpoint is on trial.
    static constexpr int MAX_HELD_DATAGRAMS = 32;

    enum ChannelMask
    {
        OnMain = 1,
        OnTcp = 2,
        OnUdp = 4
    };

    enum SenderRule
    {
        NoSession,      // answered before sign-in; no own-Zpid field (102, 39)
        SenderField,    // an own-Zpid field follows the code and must match the session
        SessionNoField, // needs a session but carries no own-Zpid field (81)
        ClaimsEndpoint  // as SenderField; over UDP it may also give the session its endpoint
    };

    using Handler = std::function<void(CRequest &)>;
    using Clock = std::function<qint64()>;
    // Gives a UDP endpoint that no session knows the session it may speak for, or null.
    using Claimer =
        std::function<CSessionTable::Session *(quint32 iZpid, const QHostAddress &, quint16)>;

    CDispatcher(CSessionTable &sessions, CServiceCounters &counters, Clock clock);

    void add(Codes::Command code, int iChannels, SenderRule rule, Handler handler);
    void setClaimer(Claimer claimer) { m_claimer = std::move(claimer); }
    void dispatch(CRequest &request);

private:
    struct Entry
    {
        int iChannels = 0;
        SenderRule rule = NoSession;
        Handler handler;
    };

    bool admit(CRequest &request, const Entry &entry);
    CSessionTable::Session *sessionOf(CRequest &request, const Entry &entry, quint32 iSender);

    CSessionTable &m_sessions;
    CServiceCounters &m_counters;
    Clock m_clock;
    Claimer m_claimer;
    QHash<quint8, Entry> m_entries;
};
