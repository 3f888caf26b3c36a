#include "csocketpoller.h"

#include <QSocketNotifier>

#include <sys/epoll.h>
#include <unistd.h>

namespace {

// Readiness handled per wake-up; the set is level-triggered, so the rest wakes the loop again.
constexpr int MAX_EVENTS = 64;

} // namespace

CSocketPoller::CSocketPoller(QObject *parent)
    : QObject(parent), m_iEpoll(epoll_create1(EPOLL_CLOEXEC))
{
    if (m_iEpoll < 0)
        return;
    m_pNotifier = new QSocketNotifier(m_iEpoll, QSocketNotifier::Read, this);
    connect(m_pNotifier, &QSocketNotifier::activated, this, &CSocketPoller::onReady);
}

CSocketPoller::~CSocketPoller()
{
    if (m_iEpoll >= 0)
        ::close(m_iEpoll);
}

bool CSocketPoller::watch(int iDescriptor, Client *pClient)
{
    epoll_event event{};
    event.events = EPOLLIN | EPOLLRDHUP;
    event.data.fd = iDescriptor;
    if (m_iEpoll < 0 || epoll_ctl(m_iEpoll, EPOLL_CTL_ADD, iDescriptor, &event) != 0)
        return false;
    m_clients.insert(iDescriptor, pClient);
    return true;
}

void CSocketPoller::setWanted(int iDescriptor, bool bRead, bool bWrite)
{
    epoll_event event{};
    event.events = (bRead ? EPOLLIN | EPOLLRDHUP : 0u) | (bWrite ? EPOLLOUT : 0u);
    event.data.fd = iDescriptor;
    epoll_ctl(m_iEpoll, EPOLL_CTL_MOD, iDescriptor, &event);
}

void CSocketPoller::unwatch(int iDescriptor)
{
    if (m_clients.remove(iDescriptor))
        epoll_ctl(m_iEpoll, EPOLL_CTL_DEL, iDescriptor, nullptr);
}

void CSocketPoller::onReady()
{
    epoll_event events[MAX_EVENTS];
    const int n = epoll_wait(m_iEpoll, events, MAX_EVENTS, 0);
    for (int i = 0; i < n; ++i) {
        // A client handled earlier in this batch may have closed another one's descriptor,
        // so each is looked up again rather than carried in the event.
        const int iDescriptor = events[i].data.fd;
        if (events[i].events & EPOLLOUT) {
            if (Client *pClient = m_clients.value(iDescriptor))
                pClient->onWritable();
        }
        if (events[i].events & (EPOLLIN | EPOLLRDHUP | EPOLLHUP | EPOLLERR)) {
            if (Client *pClient = m_clients.value(iDescriptor))
                pClient->onReadable();
        }
    }
}
