// CSocketPoller: watches the client connections' sockets through one epoll set, so that the
// event loop polls a single descriptor for all of them. With a notifier per socket, every
// wake-up of the loop (each heartbeat datagram among them) would poll every connection.
#pragma once

#include <QHash>
#include <QObject>

class QSocketNotifier;

class CSocketPoller : public QObject
{
    Q_OBJECT
public:
    // Told when its descriptor can be read or, while it asked for it, written.
    class Client
    {
    public:
        virtual void onReadable() = 0;
        virtual void onWritable() = 0;

    protected:
        ~Client() = default;
    };

    explicit CSocketPoller(QObject *parent = nullptr);
    ~CSocketPoller() override;
    bool isOpen() const { return m_iEpoll >= 0; }

    bool watch(int iDescriptor, Client *pClient);
    // Read readiness is watched unless the client holds back its reading; write readiness
    // only while there is a backlog. Hang-ups and errors are always reported (as readable).
    void setWanted(int iDescriptor, bool bRead, bool bWrite);
    void unwatch(int iDescriptor);

private:
    void onReady();

    int m_iEpoll = -1;
    QSocketNotifier *m_pNotifier = nullptr;
    QHash<int, Client *> m_clients;
};
