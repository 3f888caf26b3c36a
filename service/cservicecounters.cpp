#include "cservicecounters.h"

#include <QStringList>

quint64 CServiceCounters::totalDrops() const
{
    quint64 n = 0;
    for (quint64 i : m_drops)
        n += i;
    return n;
}

const char *CServiceCounters::dropName(Drop reason)
{
    switch (reason) {
    case DropEmpty:
        return "drop.empty";
    case DropReserved:
        return "drop.reserved";
    case DropUnknown:
        return "drop.unknown";
    case DropUnhandled:
        return "drop.unhandled";
    case DropWrongChannel:
        return "drop.wrong-channel";
    case DropTruncated:
        return "drop.truncated";
    case DropOversized:
        return "drop.oversized";
    case DropNoSession:
        return "drop.no-session";
    case DropForeignSender:
        return "drop.foreign-sender";
    case DropBadField:
        return "drop.bad-field";
    case DropNotInCall:
        return "drop.not-in-call";
    case DropUnconfirmed:
        return "drop.unconfirmed-endpoint";
    case DropInboxFull:
        return "drop.inbox-full";
    case DropSenderShare:
        return "drop.sender-share";
    case DropHashBusy:
        return "drop.hash-busy";
    case DropRateLimited:
        return "drop.rate-limited";
    case DropListTooLong:
        return "drop.list-too-long";
    case DropCount:
        break;
    }
    return "drop.?";
}

const char *CServiceCounters::eventName(Event event)
{
    switch (event) {
    case LoginOk:
        return "login.ok";
    case LoginUnknownAccount:
        return "login.unknown-account";
    case LoginWrongPassword:
        return "login.wrong-password";
    case LoginRefused:
        return "login.refused";
    case SessionTakenOver:
        return "session.taken-over";
    case SessionTimedOut:
        return "session.timed-out";
    case EndpointRefused:
        return "udp.endpoint-refused";
    case EndpointRaced:
        return "udp.endpoint-raced";
    case ConnectionRefused:
        return "conn.refused";
    case ConnectionEvicted:
        return "conn.evicted";
    case SignInDeadline:
        return "conn.sign-in-deadline";
    case SlowRequest:
        return "conn.slow-request";
    case ReadingPaused:
        return "conn.reading-paused";
    case OutputOverflow:
        return "conn.output-overflow";
    case HeldOnTrial:
        return "udp.held-on-trial";
    case CircleRefused:
        return "circle.refused";
    case DirectoryRefused:
        return "directory.refused";
    case PresenceNotice:
        return "presence.notice";
    case MessageHandedOverAgain:
        return "message.handed-over-again";
    case EventCount:
        break;
    }
    return "event.?";
}

QString CServiceCounters::report() const
{
    QStringList lines;
    for (int i = 0; i < DropCount; ++i)
        lines << QStringLiteral("%1 %2").arg(QLatin1String(dropName(Drop(i)))).arg(m_drops[i]);
    for (int i = 0; i < EventCount; ++i)
        lines << QStringLiteral("%1 %2").arg(QLatin1String(eventName(Event(i)))).arg(m_events[i]);
    return lines.join(QLatin1Char('\n'));
}
