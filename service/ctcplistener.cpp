#include "ctcplistener.h"

#include <QMetaMethod>

#include <unistd.h>

void CTcpListener::incomingConnection(qintptr iDescriptor)
{
    if (isSignalConnected(QMetaMethod::fromSignal(&CTcpListener::accepted)))
        emit accepted(iDescriptor);
    else
        ::close(int(iDescriptor));
}
