// CSocket: the transport seen by the session manager, one TCP and one UDP implementation.
#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QMetaType>
#include <QString>

class CListener;

enum SOCKETTYPE
{
    SOCKET_TCP = 0,
    SOCKET_UDP = 1
};

// What the session manager does once the requested connection is up.
enum CONNECT_STATE
{
    CONNECT_MAIN = 0,
    CONNECT_LOGIN = 1,
    CONNECT_SESSION = 2,
    CONNECT_RESUME = 3
};

Q_DECLARE_METATYPE(SOCKETTYPE)
Q_DECLARE_METATYPE(CONNECT_STATE)

// Registers both enums under their own names so they can travel in queued signals.
void registerNetworkMetaTypes();

class CSocket
{
public:
    virtual ~CSocket() = default;
    virtual void connectToHost(const QString &strHost, quint16 iPort) = 0;
    virtual bool isConnected() = 0;
    virtual bool flush() = 0;
    // strHost and iPort matter for UDP only; TCP clears strHost after a complete write.
    virtual void write(const char *pData, int iLength, QString &strHost, quint16 iPort) = 0;
    virtual void write(const QString &strText) = 0;
    virtual bool read(QByteArray &arPacket) = 0;
    virtual QString readAllText() = 0;
    virtual QHostAddress localAddress() = 0;
    virtual quint16 localPort() = 0;
    virtual QString peerName() = 0;
    virtual void close() = 0;
};

// A new CTcpSocket for SOCKET_TCP, a new CUdpSocket for SOCKET_UDP, null otherwise.
CSocket *createSocket(int iType, CListener *pListener);
