// CListener: what a socket reports to its owner (the session manager).
#pragma once

#include <QByteArray>
#include <QString>

class CListener
{
public:
    virtual ~CListener() = default;
    virtual void onConnect() = 0;
    virtual void onDisconnected() = 0;
    // One complete incoming packet; for TCP the address is empty and the port 0.
    virtual void onReceive(QByteArray arBuff, QString strAddr, quint16 iPort) = 0;
    // A QAbstractSocket::SocketError value.
    virtual void onError(int iError) = 0;
};
