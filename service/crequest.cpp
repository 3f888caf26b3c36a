#include "crequest.h"

CRequest::CRequest(const QByteArray &arPacket, CClientConnection *pConnection)
    : m_arPacket(arPacket),
      m_channel(pConnection->channel() == CClientConnection::Main ? Main : Tcp),
      m_connection(pConnection), m_host(pConnection->peerAddress()), m_reader(m_arPacket, 1)
{}

CRequest::CRequest(const QByteArray &arPacket, const QHostAddress &host, quint16 iPort)
    : m_arPacket(arPacket), m_channel(Udp), m_host(host), m_iPort(iPort), m_reader(m_arPacket, 1)
{}
