// VoiceEndpoint: one party's UDP socket towards the relay. Voice datagrams (call family,
// sub-command 6) that arrive are handed to the attached voice manager, as the client's call
// signalling does while a call is connected.
#pragma once

#include <QPointer>

#include "caudiomanager.h"
#include "clistener.h"
#include "cudpsocket.h"

class VoiceEndpoint : public CListener
{
public:
    explicit VoiceEndpoint(quint16 iRelayPort);

    CSocket *socket() { return &m_socket; }
    quint16 localPort() { return m_socket.localPort(); }
    void attach(CAudioManager *pManager) { m_pManager = pManager; }
    int received() const { return m_iReceived; }

    void onConnect() override {}
    void onDisconnected() override {}
    void onReceive(QByteArray arBuff, QString strAddr, quint16 iPort) override;
    void onError(int) override {}

private:
    CUdpSocket m_socket;
    QPointer<CAudioManager> m_pManager;
    int m_iReceived = 0;
};
