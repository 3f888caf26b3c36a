// CRequest: one received client packet on its way through the dispatcher: where it came from
// (main server, sub-server TCP connection or a UDP endpoint), the session it belongs to once
// the dispatcher has checked it, and a bounded reader over its fields.
#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QPointer>

#include "cclientconnection.h"
#include "cfieldreader.h"
#include "csessiontable.h"

class CRequest
{
public:
    enum Channel
    {
        Main,
        Tcp,
        Udp
    };

    CRequest(const QByteArray &arPacket, CClientConnection *pConnection);
    CRequest(const QByteArray &arPacket, const QHostAddress &host, quint16 iPort);

    quint8 code() const { return m_arPacket.isEmpty() ? 0 : quint8(m_arPacket.at(0)); }
    const QByteArray &packet() const { return m_arPacket; }
    Channel channel() const { return m_channel; }
    CClientConnection *connection() const { return m_connection.data(); }
    const QHostAddress &host() const { return m_host; }
    quint16 port() const { return m_iPort; }

    // Set by the dispatcher before the handler runs; null for requests that need no session.
    CSessionTable::Session *session() const { return m_pSession; }
    void setSession(CSessionTable::Session *pSession) { m_pSession = pSession; }
    // The fields after the code (and after the sender, once the dispatcher has read it).
    CFieldReader &fields() { return m_reader; }

private:
    QByteArray m_arPacket;
    Channel m_channel;
    QPointer<CClientConnection> m_connection;
    QHostAddress m_host;
    quint16 m_iPort = 0;
    CSessionTable::Session *m_pSession = nullptr;
    CFieldReader m_reader;
};
