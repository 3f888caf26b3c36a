// CTcpListener: a TCP server that hands on the descriptors of accepted connections instead of
// sockets, so the service can serve them without a socket object and its buffers each. Its
// listen queue is as long as the system allows, so a burst of connects is not left waiting
// for a retry, and it goes on accepting after an accept failed (out of descriptors), which
// would otherwise stop it for good.
#pragma once

#include <QTcpServer>

class CTcpListener : public QTcpServer
{
    Q_OBJECT
public:
    explicit CTcpListener(QObject *parent = nullptr);

    // The longest listen queue the system takes.
    static int systemBacklog();

signals:
    // The receiver owns the descriptor from then on.
    void accepted(qintptr iDescriptor);

protected:
    void incomingConnection(qintptr iDescriptor) override;
};
