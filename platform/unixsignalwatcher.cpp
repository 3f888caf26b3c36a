#include "unixsignalwatcher.h"

#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// The handler may only do async-signal-safe work: it writes the signal number into a
// socket pair whose other end the event loop watches.
int g_arSignalSockets[2] = {-1, -1};

void onSignal(int iSignal)
{
    const unsigned char byte = static_cast<unsigned char>(iSignal);
    [[maybe_unused]] const ssize_t written = ::write(g_arSignalSockets[0], &byte, 1);
}

} // namespace

UnixSignalWatcher::UnixSignalWatcher(QObject *parent) : QObject(parent)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_arSignalSockets) != 0)
        return;
    m_pNotifier = new QSocketNotifier(g_arSignalSockets[1], QSocketNotifier::Read, this);
    connect(m_pNotifier, &QSocketNotifier::activated, this, &UnixSignalWatcher::onReadable);

    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
}

UnixSignalWatcher::~UnixSignalWatcher()
{
    if (!m_pNotifier)
        return;
    ::signal(SIGTERM, SIG_DFL);
    ::signal(SIGINT, SIG_DFL);
    ::close(g_arSignalSockets[0]);
    ::close(g_arSignalSockets[1]);
    g_arSignalSockets[0] = g_arSignalSockets[1] = -1;
}

void UnixSignalWatcher::onReadable()
{
    unsigned char byte = 0;
    if (::read(g_arSignalSockets[1], &byte, 1) == 1)
        Q_EMIT terminationRequested(byte);
}
