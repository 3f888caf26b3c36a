// ServiceClient: a scripted client of the service for tests and the benchmark. It speaks the
// wire format with the fake service's own encoder and cipher (not the client's), asks the
// main server for the sub-server, signs in over TCP and keeps a UDP socket, and collects
// every packet it receives.
#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QString>
#include <QTcpSocket>
#include <QUdpSocket>

class ServiceClient : public QObject
{
    Q_OBJECT
public:
    explicit ServiceClient(quint16 iMainPort, QObject *parent = nullptr);

    // Asks the main server for the sub-server and connects to it and binds UDP; false on
    // failure or after iTimeoutMs.
    bool connectSub(int iTimeoutMs = 5000);
    // Sends login 39 (type 0 with a Zpid, type 1 with a mobile number) and waits for the
    // reply; returns the result byte, or -1 without a reply.
    int login(const QString &strId, const QString &strPassword, int iTimeoutMs = 10000);
    // Heartbeat over UDP, waiting for its answer; false without one.
    bool heartbeat(int iTimeoutMs = 3000);

    // Before connectSub(): a small kernel receive buffer, so that what the client leaves
    // unread soon backs up to the service.
    void setTcpReceiveBuffer(int iBytes);
    // While held, nothing more is read from the TCP connection; releasing reads what waits.
    void holdTcp(bool bHold);

    void sendTcp(const QByteArray &arPacket);
    void sendUdp(const QByteArray &arPacket);
    // Sends and waits for the first reply with the request's code on that channel.
    QByteArray requestTcp(const QByteArray &arPacket, int iTimeoutMs = 5000);
    QByteArray requestUdp(const QByteArray &arPacket, int iTimeoutMs = 5000);

    // Waits for a packet with the code; returns it (taken out of the received list) or empty.
    QByteArray takeTcp(quint8 iCode, int iTimeoutMs);
    QByteArray takeUdp(quint8 iCode, int iTimeoutMs);
    int receivedCount() const { return int(m_tcpPackets.size() + m_udpPackets.size()); }
    void clearReceived();

    quint32 zpid() const { return m_iZpid; }
    QString phone() const { return m_strPhone; }
    quint16 subPort() const { return m_iSubPort; }
    QTcpSocket &tcp() { return m_tcp; }
    QUdpSocket &udp() { return m_udp; }

    // The presence reply's two lists, decrypted; false when the packet is not one.
    static bool presenceLists(const QByteArray &arReply, QString &strOnline, QString &strOffline);

private:
    void onTcpData();
    void onUdpData();
    static QByteArray take(QList<QByteArray> &packets, quint8 iCode);

    quint16 m_iMainPort;
    quint16 m_iSubPort = 0;
    QTcpSocket m_tcp;
    QUdpSocket m_udp;
    QByteArray m_arStream;
    QList<QByteArray> m_tcpPackets;
    QList<QByteArray> m_udpPackets;
    quint32 m_iZpid = 0;
    QString m_strPhone;
};
