// CServiceCounters: why packets were dropped and what came of sign-ins, counted per reason so
// that tests and the operator can see what the service refused without reading a trace.
#pragma once

#include <QString>
#include <QtGlobal>

#include <array>

class CServiceCounters
{
public:
    enum Drop
    {
        DropEmpty,         // a packet or frame with no bytes
        DropReserved,      // code 201, ignored before dispatch
        DropUnknown,       // a code the protocol does not define
        DropUnhandled,     // a defined code this service does not answer yet
        DropWrongChannel,  // a defined code on a channel that does not carry it
        DropTruncated,     // fields cut short
        DropOversized,     // a connection's pending bytes passed the cap
        DropNoSession,     // needs a signed-in session and has none
        DropForeignSender, // own-Zpid field names another user than the session's
        DropBadField,      // fields complete but their content is unusable
        DropNotInCall,     // a call packet its sender may not send in the call's phase
        DropUnconfirmed,   // a request from a UDP endpoint on trial beyond the few kept for later
        DropInboxFull,     // a message for an addressee who holds as many as it may
        DropSenderShare,   // a message from a sender who holds its full share at the addressee
        DropHashBusy,      // a password change while the account's or all hashing is at its cap
        DropRateLimited,   // a request beyond its session's rate
        DropListTooLong,   // a query listing more entries than one request may
        DropCount
    };

    enum Event
    {
        LoginOk,
        LoginUnknownAccount,
        LoginWrongPassword,
        LoginRefused, // the account is locked after repeated wrong passwords
        SessionTakenOver,
        SessionTimedOut,
        EndpointRefused,        // a second UDP endpoint claimed a session that has one
        EndpointRaced,          // two UDP endpoints claimed a new session, which got neither
        ConnectionRefused,      // no room for a new connection even after evicting
        ConnectionEvicted,      // closed, never signed in, to make room for a new one
        SignInDeadline,         // closed, not signed in by the deadline
        SlowRequest,            // closed, its unfinished request came slower than the minimum rate
        ReadingPaused,          // its answers reached the queue's cap: it was not read meanwhile
        OutputOverflow,         // closed, its queued answers grew far beyond the cap
        HeldOnTrial,            // a datagram from an endpoint on trial, kept for the trial's end
        CircleRefused,          // a circle change or dissolution by someone who is not its creator
        DirectoryRefused,       // a directory change by someone who is not an administrator
        PresenceNotice,         // a contact was told that an account came or went
        MessageHandedOverAgain, // a message whose receipt did not come went to its addressee again
        EventCount
    };

    void drop(Drop reason) { ++m_drops[reason]; }
    void event(Event event) { ++m_events[event]; }
    quint64 drops(Drop reason) const { return m_drops[reason]; }
    quint64 events(Event event) const { return m_events[event]; }
    quint64 totalDrops() const;

    static const char *dropName(Drop reason);
    static const char *eventName(Event event);
    // One "name value" line per counter, drops first.
    QString report() const;

private:
    std::array<quint64, DropCount> m_drops{};
    std::array<quint64, EventCount> m_events{};
};
