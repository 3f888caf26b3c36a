// CSessionTable: the signed-in sessions. A session is born from a successful login on a TCP
// connection and learns its UDP endpoint from its first heartbeat (CEndpointClaims decides
// which heartbeat may give it one). One account may hold
// several sessions: the newest receives what is delivered to the account, the older ones
// stay answered until they log out or fall silent, so two clients of one account never drive
// each other into re-logins.
#pragma once

#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QPointer>
#include <QtGlobal>

#include <map>
#include <memory>

class CClientConnection;

class CSessionTable
{
public:
    struct Session
    {
        quint64 iId = 0;
        quint32 iZpid = 0;
        QPointer<CClientConnection> connection;
        QHostAddress host; // the TCP peer; the UDP endpoint must come from the same host
        QHostAddress udpHost;
        quint16 iUdpPort = 0;
        // The endpoint is on trial until no rival claimed it for a while; only then is it
        // answered and sent to.
        bool bEndpointConfirmed = false;
        // Two endpoints raced for it: it never gets one.
        bool bEndpointBarred = false;
        quint32 iRefusedClaims = 0;
        // Datagrams the endpoint sent while on trial, handled once it is confirmed.
        QList<QByteArray> heldDatagrams;
        qint64 iLastHeardMs = 0;
        bool bReady = false; // its endpoint is confirmed; stored messages were offered

        bool hasEndpoint() const { return iUdpPort != 0 && bEndpointConfirmed; }
    };

    Session *open(quint32 iZpid, CClientConnection *pConnection, const QHostAddress &host,
                  qint64 iNowMs);
    // Removes the session; the caller closes its connection.
    void close(quint64 iId);

    Session *byId(quint64 iId) const;
    Session *byEndpoint(const QHostAddress &host, quint16 iPort) const;
    // The sessions of iZpid signed in from host, newest first.
    QList<Session *> sessionsFrom(quint32 iZpid, const QHostAddress &host) const;
    void bindEndpoint(Session &session, const QHostAddress &host, quint16 iPort);
    void unbindEndpoint(Session &session);
    bool isOnline(quint32 iZpid) const { return m_byZpid.contains(iZpid); }
    // The session that takes delivery for iZpid: its newest; null when it is offline.
    Session *newest(quint32 iZpid) const;
    int sessionsOf(quint32 iZpid) const { return int(m_byZpid.value(iZpid).size()); }
    QList<quint64> silentSince(qint64 iCutoffMs) const;
    int count() const { return int(m_sessions.size()); }

private:
    using Endpoint = QPair<QHostAddress, quint16>;

    std::map<quint64, std::unique_ptr<Session>> m_sessions;
    QHash<quint32, QList<quint64>> m_byZpid; // oldest first
    QHash<Endpoint, quint64> m_byEndpoint;
    quint64 m_iNextId = 1;
};
