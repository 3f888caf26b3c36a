// CServiceConfig: where the service listens, where it keeps its data and how long a silent
// session lives. The defaults serve one desktop on loopback.
#pragma once

#include <QHostAddress>
#include <QString>

#include "cclientconnection.h"
#include "chashqueue.h"
#include "cpasswordhash.h"

struct CServiceConfig
{
    static constexpr quint16 DEFAULT_MAIN_PORT = 4666;
    static constexpr quint16 DEFAULT_SUB_PORT = 4667;
    static constexpr int DEFAULT_SESSION_TIMEOUT_MS = 30000;
    static constexpr int DEFAULT_UDP_TRIAL_MS = 1000;
    static constexpr int DEFAULT_SIGN_IN_DEADLINE_MS = 10000;
    static constexpr int DEFAULT_MAX_PER_ADDRESS = 32;
    static constexpr int DEFAULT_MIN_REQUEST_RATE = 512;
    static constexpr int DEFAULT_REQUEST_GRACE_MS = 5000;
    static constexpr int DEFAULT_MAX_HELD_PER_ADDRESSEE = 1000;
    static constexpr qint64 DEFAULT_MAX_HELD_BYTES_PER_ADDRESSEE = 16 * 1024 * 1024;
    static constexpr int DEFAULT_MAX_HELD_PER_SENDER = 100;
    static constexpr qint64 DEFAULT_MAX_HELD_BYTES_PER_SENDER = 1024 * 1024;
    static constexpr int DEFAULT_PASSWORD_CHANGES_PER_MINUTE = 3;
    static constexpr int DEFAULT_MAX_PRESENCE_NUMBERS = 2000;
    static constexpr int DEFAULT_LOOKUP_BURST = 200;
    static constexpr int DEFAULT_LOOKUPS_PER_MINUTE = 120;

    QHostAddress address = QHostAddress(QHostAddress::LocalHost);
    quint16 iMainPort = DEFAULT_MAIN_PORT;
    // The sub-server's TCP and UDP port: the client sends its datagrams to the TCP port's
    // number, so both are bound to it. 0 picks a free port (tests).
    quint16 iSubPort = DEFAULT_SUB_PORT;
    QString strDataDir;
    int iSessionTimeoutMs = DEFAULT_SESSION_TIMEOUT_MS;
    // How long a new session's UDP endpoint is on trial: a second endpoint claiming the
    // session meanwhile ends it. 0 takes the first claimant at once.
    int iUdpTrialMs = DEFAULT_UDP_TRIAL_MS;
    // A connection that has not signed in by then is closed.
    int iSignInDeadlineMs = DEFAULT_SIGN_IN_DEADLINE_MS;
    // Connections in all; 0 takes as many as the descriptor limit allows.
    int iMaxConnections = 0;
    // Connections from one address that have not signed in.
    int iMaxPerAddress = DEFAULT_MAX_PER_ADDRESS;
    // Bytes per second an unfinished request must keep up after the grace.
    int iMinRequestRate = DEFAULT_MIN_REQUEST_RATE;
    int iRequestGraceMs = DEFAULT_REQUEST_GRACE_MS;
    // Bytes of answers queued for a connection at which it is no longer read.
    int iMaxQueuedBytes = CClientConnection::DEFAULT_MAX_QUEUED;
    // Messages held for one addressee until it collects them: in all, and from one sender,
    // so that one sender fills only its own share; counted and in ciphertext bytes.
    int iMaxHeldPerAddressee = DEFAULT_MAX_HELD_PER_ADDRESSEE;
    qint64 iMaxHeldBytesPerAddressee = DEFAULT_MAX_HELD_BYTES_PER_ADDRESSEE;
    int iMaxHeldPerSender = DEFAULT_MAX_HELD_PER_SENDER;
    qint64 iMaxHeldBytesPerSender = DEFAULT_MAX_HELD_BYTES_PER_SENDER;
    // Threads that check and make password hashes; 0 takes one per core, at least two.
    int iHashThreads = 0;
    // Password changes waiting for their hash, in all; more are refused.
    int iMaxWaitingPasswordChanges = CHashQueue::DEFAULT_MAX_WAITING_CHANGES;
    // Password changes one session may ask for: this many at once, then as many a minute.
    int iPasswordChangesPerMinute = DEFAULT_PASSWORD_CHANGES_PER_MINUTE;
    // Numbers one presence query may list; those beyond are not looked up.
    int iMaxPresenceNumbers = DEFAULT_MAX_PRESENCE_NUMBERS;
    // Look-ups of other accounts (telephone, card, presence) one session may make: this many
    // at once, then as many a minute. A presence query counts one per hundred numbers begun.
    int iLookupBurst = DEFAULT_LOOKUP_BURST;
    int iLookupsPerMinute = DEFAULT_LOOKUPS_PER_MINUTE;
    // Cost of the hashes made for password changes.
    CPasswordHash::Cost hashCost = CPasswordHash::Interactive;
    // When set, every packet in and out is written there as one line of hex.
    QString strPacketLog;
};
