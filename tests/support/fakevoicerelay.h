// FakeVoiceRelay: the service's relay of call datagrams on loopback. Each datagram goes to the
// party registered under the receiver Zpid at offset 5, as the service forwards voice to the
// peer; every datagram received is kept for the test to inspect.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QUdpSocket>

class FakeVoiceRelay : public QObject
{
    Q_OBJECT
public:
    explicit FakeVoiceRelay(QObject *parent = nullptr);

    bool listen();
    quint16 port() const { return m_socket.localPort(); }
    // Datagrams for a Zpid without a party are kept but not forwarded.
    void addParty(quint32 iZpid, quint16 iPort);
    const QList<QByteArray> &datagrams() const { return m_datagrams; }
    // Sizes of the datagrams received that are not 13 + 10 n bytes with n from 0 to 6.
    QList<int> offLayoutSizes() const;

signals:
    void relayed(const QByteArray &arDatagram);

private:
    void onReadyRead();

    QUdpSocket m_socket;
    QHash<quint32, quint16> m_parties;
    QList<QByteArray> m_datagrams;
};
