#include "csocket.h"

#include "ctcpsocket.h"
#include "cudpsocket.h"

void registerNetworkMetaTypes()
{
    qRegisterMetaType<SOCKETTYPE>("SOCKETTYPE");
    qRegisterMetaType<CONNECT_STATE>("CONNECT_STATE");
}

CSocket *createSocket(int iType, CListener *pListener)
{
    switch (iType) {
    case SOCKET_TCP:
        return new CTcpSocket(pListener);
    case SOCKET_UDP:
        return new CUdpSocket(pListener);
    default:
        return nullptr;
    }
}
