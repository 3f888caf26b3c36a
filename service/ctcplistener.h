// CTcpListener: a TCP server that hands on the descriptors of accepted connections instead of
// sockets, so the service can serve them without a socket object and its buffers each.
#pragma once

#include <QTcpServer>

class CTcpListener : public QTcpServer
{
    Q_OBJECT
public:
    using QTcpServer::QTcpServer;

signals:
    // The receiver owns the descriptor from then on.
    void accepted(qintptr iDescriptor);

protected:
    void incomingConnection(qintptr iDescriptor) override;
};
