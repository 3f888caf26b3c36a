#include "clientside.h"

#include "csessionstate.h"
#include "serviceclient.h"

ClientSide::ClientSide(ServiceClient &connection, quint32 iZpid, const QString &strPassword)
    : m_connection(connection), m_iZpid(iZpid), m_strPassword(strPassword)
{
    QObject::connect(&net, &CNetwork::sig_createProtocol, &proto, &Protocol::slot_onCreateProtocol);
    QObject::connect(&proto, &Protocol::sig_sendProtocol, &proto,
                     [this](const QByteArray &arPacket, SOCKETTYPE type) {
                         if (type == SOCKET_UDP)
                             m_connection.sendUdp(arPacket);
                         else
                             m_connection.sendTcp(arPacket);
                     });
}

void ClientSide::use()
{
    CSessionState &s = sessionState();
    s.iZpid = m_iZpid;
    s.strZpid = QString::number(m_iZpid);
    s.strLoginPassword = m_strPassword;
}

int ClientSide::parse(quint8 iCode, bool bUdp, int iCount, int iTimeoutMs)
{
    int iParsed = 0;
    for (; iParsed < iCount; ++iParsed) {
        const QByteArray ar = bUdp ? m_connection.takeUdp(iCode, iTimeoutMs)
                                   : m_connection.takeTcp(iCode, iTimeoutMs);
        if (ar.isEmpty())
            break;
        use();
        proto.slot_onParseProtocol(ar, QString(), 0);
    }
    return iParsed;
}
