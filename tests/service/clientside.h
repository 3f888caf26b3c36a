// ClientSide: the client's own packet layer (CNetwork and Protocol) as one signed-in user has
// it, sending on a scripted connection that signed in as the same user; what the connection
// receives is handed to the client's parser on request. Tests put the client's packets through
// the real service with it, and the service's answers through the client's parser.
#pragma once

#include <QString>

#include "cnetwork.h"
#include "protocol.h"

class ServiceClient;

class ClientSide
{
public:
    ClientSide(ServiceClient &connection, quint32 iZpid, const QString &strPassword);

    // The process holds one session state: makes it this user's, whose packets are built or
    // parsed next.
    void use();
    // Hands up to iCount packets of the code the connection received to the client's parser;
    // how many there were.
    int parse(quint8 iCode, bool bUdp, int iCount = 1, int iTimeoutMs = 3000);

    CNetwork net;
    Protocol proto;

private:
    ServiceClient &m_connection;
    quint32 m_iZpid;
    QString m_strPassword;
};
