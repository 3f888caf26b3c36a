// CTcpSocket: the session's TCP connection. Outgoing packets go out unframed; incoming bytes
// are reassembled into frames and handed to the listener one packet at a time.
#pragma once

#include <QObject>
#include <QTcpSocket>

#include "cframebuffer.h"
#include "csocket.h"
#include "ctrace.h"

class CTcpSocket : public QObject, public CSocket
{
    Q_OBJECT
public:
    explicit CTcpSocket(CListener *pListener);
    ~CTcpSocket() override;

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
    QTcpSocket m_socket;
    CFrameBuffer m_buffer;
    QString m_strName{"CTcpSocket"};
    CTrace m_trace{"CTcpSocket"};
};
