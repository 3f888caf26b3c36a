#include "voiceendpoint.h"

VoiceEndpoint::VoiceEndpoint(quint16 iRelayPort) : m_socket(this)
{
    m_socket.connectToHost(QStringLiteral("127.0.0.1"), iRelayPort);
}

void VoiceEndpoint::onReceive(QByteArray arBuff, QString, quint16)
{
    if (arBuff.size() < 10 || arBuff.at(0) != 5 || arBuff.at(9) != 6)
        return;
    ++m_iReceived;
    if (m_pManager)
        m_pManager->recvAudio(arBuff);
}
