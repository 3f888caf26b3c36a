// CUdpSocket: the session's UDP socket; one datagram is one packet in either direction.
#pragma once

#include <QObject>
#include <QUdpSocket>

#include "csocket.h"
#include "ctrace.h"

class CUdpSocket : public QObject, public CSocket
{
    Q_OBJECT
public:
    explicit CUdpSocket(CListener *pListener);
    ~CUdpSocket() override;

    // Binds an ephemeral port and reports onConnect() at once: there is no handshake.
    void connectToHost(const QString &strHost, quint16 iPort) override;
    bool isConnected() override;
    bool flush() override;
    void write(const char *pData, int iLength, QString &strHost, quint16 iPort) override;
    void write(const QString &strText) override;
    bool read(QByteArray &arPacket) override;
    QString readAllText() override;
    QHostAddress localAddress() override;
    quint16 localPort() override;
    QString peerName() override;
    void close() override;

private slots:
    void slot_onConnected();
    void slot_onDisconnected();
    void slot_onReceive();
    void slot_onError(QAbstractSocket::SocketError error);

private:
    CListener *m_pListener;
    QUdpSocket m_socket;
    QByteArray m_arBuffer;
    QString m_strHost;
    quint16 m_iPort = 0;
    QString m_strName{"CUdpSocket"};
    CTrace m_trace{"CUdpSocket"};
};
