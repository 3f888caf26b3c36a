#include "cclientconnection.h"

#include <QMetaObject>

#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include "crequestlayout.h"

namespace {

QHostAddress socketAddress(int iDescriptor, bool bPeer)
{
    sockaddr_storage address{};
    socklen_t iLength = sizeof address;
    auto *pAddress = reinterpret_cast<sockaddr *>(&address);
    const int iResult = bPeer ? getpeername(iDescriptor, pAddress, &iLength)
                              : getsockname(iDescriptor, pAddress, &iLength);
    return iResult == 0 ? QHostAddress(pAddress) : QHostAddress();
}

} // namespace

CClientConnection::CClientConnection(qintptr iDescriptor, Channel channel,
                                     CServiceCounters &counters, CSocketPoller &poller,
                                     QObject *parent)
    : QObject(parent), m_iDescriptor(int(iDescriptor)), m_channel(channel), m_counters(counters),
      m_poller(poller)
{
    if (m_iDescriptor < 0)
        return;
    m_peer = socketAddress(m_iDescriptor, true);
    m_local = socketAddress(m_iDescriptor, false);
    // Every answer is written whole as soon as it is made; holding a second one back until the
    // first is acknowledged would only add the peer's delayed acknowledgement to its latency.
    const int iOn = 1;
    setsockopt(m_iDescriptor, IPPROTO_TCP, TCP_NODELAY, &iOn, sizeof iOn);
    const int iSendBuffer = SEND_BUFFER_BYTES;
    setsockopt(m_iDescriptor, SOL_SOCKET, SO_SNDBUF, &iSendBuffer, sizeof iSendBuffer);
    const int iFlags = fcntl(m_iDescriptor, F_GETFL);
    if (iFlags < 0 || fcntl(m_iDescriptor, F_SETFL, iFlags | O_NONBLOCK) != 0 ||
        !m_poller.watch(m_iDescriptor, this)) {
        ::close(m_iDescriptor);
        m_iDescriptor = -1;
        // The owner connects to closed() only once this constructor has returned.
        QMetaObject::invokeMethod(this, &CClientConnection::finish, Qt::QueuedConnection);
    }
}

CClientConnection::~CClientConnection()
{
    if (m_iDescriptor >= 0) {
        m_poller.unwatch(m_iDescriptor);
        ::close(m_iDescriptor);
    }
}

bool CClientConnection::send(const QByteArray &arPacket)
{
    if (arPacket.size() > MAX_FRAME || m_bClosed || m_bClosing || m_iDescriptor < 0)
        return false;
    if (m_arOutgoing.size() + 2 + arPacket.size() > qint64(m_iMaxQueued) * OVERFLOW_FACTOR) {
        m_counters.event(CServiceCounters::OutputOverflow);
        abort();
        return false;
    }
    const char header[2] = {char(arPacket.size() & 0xFF), char(arPacket.size() >> 8)};
    const bool bIdle = m_arOutgoing.isEmpty();
    m_arOutgoing.reserve(m_arOutgoing.size() + 2 + arPacket.size());
    m_arOutgoing.append(header, 2).append(arPacket);
    if (bIdle && !flush())
        return false;
    if (bIdle && !m_arOutgoing.isEmpty())
        updateInterest();
    pauseIfFull();
    return true;
}

void CClientConnection::pauseIfFull()
{
    if (m_bReadPaused || m_arOutgoing.size() < m_iMaxQueued)
        return;
    m_bReadPaused = true;
    m_counters.event(CServiceCounters::ReadingPaused);
    updateInterest();
}

void CClientConnection::updateInterest()
{
    if (m_iDescriptor >= 0)
        m_poller.setWanted(m_iDescriptor, !m_bReadPaused, !m_arOutgoing.isEmpty());
}

bool CClientConnection::flush()
{
    qsizetype iSent = 0;
    while (iSent < m_arOutgoing.size()) {
        const ssize_t n = ::send(m_iDescriptor, m_arOutgoing.constData() + iSent,
                                 size_t(m_arOutgoing.size() - iSent), MSG_NOSIGNAL);
        if (n > 0) {
            iSent += n;
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            break;
        } else {
            // The peer is gone; reading will see the end of the stream and close.
            m_arOutgoing.clear();
            return false;
        }
    }
    if (iSent == m_arOutgoing.size())
        m_arOutgoing = QByteArray();
    else
        m_arOutgoing.remove(0, iSent);
    return true;
}

void CClientConnection::close()
{
    if (m_bClosed || m_bClosing)
        return;
    if (m_arOutgoing.isEmpty())
        finish();
    else
        m_bClosing = true;
}

void CClientConnection::abort()
{
    m_arOutgoing = QByteArray();
    finish();
}

void CClientConnection::onReadable()
{
    if (m_bClosed)
        return;
    // While paused only a hang-up or an error wakes reading: nothing queued can reach the
    // client any more. (Looking at the data instead would spin on a reset with data unread.)
    if (m_bReadPaused) {
        finish();
        return;
    }
    char buffer[16384];
    QByteArray arBytes;
    bool bEnd = false;
    while (arBytes.size() <= MAX_PENDING) {
        const ssize_t n = ::recv(m_iDescriptor, buffer, sizeof buffer, 0);
        if (n > 0) {
            arBytes.append(buffer, n);
            if (size_t(n) < sizeof buffer)
                break;
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            bEnd = n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK);
            break;
        }
    }
    // Once closing, the connection only waits for its answers to go out.
    if (!arBytes.isEmpty() && !m_bClosing)
        receive(arBytes);
    if (bEnd)
        finish();
}

void CClientConnection::onWritable()
{
    if (m_bClosed)
        return;
    if (!flush()) {
        finish();
        return;
    }
    if (m_bReadPaused && m_arOutgoing.size() <= m_iMaxQueued / 2) {
        m_bReadPaused = false;
        updateInterest();
        processPending();
        if (m_bClosed)
            return;
    }
    if (!m_arOutgoing.isEmpty())
        return;
    updateInterest();
    if (m_bClosing)
        finish();
}

void CClientConnection::receive(const QByteArray &arBytes)
{
    m_arPending.append(arBytes);
    processPending();
}

void CClientConnection::processPending()
{
    bool bCompleted = false;
    while (!m_arPending.isEmpty() && !m_bClosed) {
        // The requests read already wait until the client has taken its answers.
        if (m_bReadPaused) {
            m_incomplete.invalidate();
            return;
        }
        int iLength = 0;
        switch (CRequestLayout::measure(m_arPending, iLength)) {
        case CRequestLayout::Complete: {
            const QByteArray arPacket = m_arPending.left(iLength);
            m_arPending.remove(0, iLength);
            bCompleted = true;
            emit packetReceived(this, arPacket);
            break;
        }
        case CRequestLayout::Unknown:
            // Without a known layout the rest of the stream cannot be split again.
            m_counters.drop(CServiceCounters::DropUnknown);
            m_arPending.clear();
            m_incomplete.invalidate();
            return;
        case CRequestLayout::Incomplete:
            if (m_arPending.size() > MAX_PENDING) {
                m_counters.drop(CServiceCounters::DropOversized);
                m_arPending.clear();
                m_incomplete.invalidate();
                close();
            } else if (bCompleted || !m_incomplete.isValid()) {
                // The rate of an unfinished request is measured from when it began.
                m_incomplete.start();
            }
            return;
        }
    }
    // Requests are small: a buffer grown by a burst is not kept for the session's lifetime.
    if (m_arPending.isEmpty())
        m_arPending = QByteArray();
    m_incomplete.invalidate();
}

void CClientConnection::finish()
{
    if (m_bClosed)
        return;
    m_bClosed = true;
    if (m_iDescriptor >= 0) {
        m_poller.unwatch(m_iDescriptor);
        ::close(m_iDescriptor);
        m_iDescriptor = -1;
    }
    if (!m_arPending.isEmpty())
        m_counters.drop(CServiceCounters::DropTruncated);
    m_arPending = QByteArray();
    m_arOutgoing = QByteArray();
    emit closed(this);
}
