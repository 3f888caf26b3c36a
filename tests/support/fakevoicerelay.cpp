#include "fakevoicerelay.h"

#include <QtEndian>

FakeVoiceRelay::FakeVoiceRelay(QObject *parent) : QObject(parent)
{
    connect(&m_socket, &QUdpSocket::readyRead, this, &FakeVoiceRelay::onReadyRead);
}

bool FakeVoiceRelay::listen()
{
    return m_socket.bind(QHostAddress::LocalHost, 0);
}

void FakeVoiceRelay::addParty(quint32 iZpid, quint16 iPort)
{
    m_parties.insert(iZpid, iPort);
}

QList<int> FakeVoiceRelay::offLayoutSizes() const
{
    QList<int> sizes;
    for (const QByteArray &ar : m_datagrams) {
        if (ar.size() < 13 || ar.size() > 73 || (ar.size() - 13) % 10 != 0)
            sizes << int(ar.size());
    }
    return sizes;
}

void FakeVoiceRelay::onReadyRead()
{
    while (m_socket.hasPendingDatagrams()) {
        QByteArray ar(qMax<qint64>(m_socket.pendingDatagramSize(), 0), '\0');
        const qint64 n = m_socket.readDatagram(ar.data(), ar.size());
        if (n < 0)
            return;
        ar.truncate(n);
        m_datagrams << ar;
        if (ar.size() < 9)
            continue;
        const quint32 iReceiver = qFromLittleEndian<quint32>(ar.constData() + 5);
        const auto it = m_parties.constFind(iReceiver);
        if (it == m_parties.constEnd())
            continue;
        m_socket.writeDatagram(ar, QHostAddress::LocalHost, it.value());
        emit relayed(ar);
    }
}
