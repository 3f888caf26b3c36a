#include "unixsignalwatcher.h"

#include <QPointer>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// The process has one set of handlers, so one watcher at a time holds them. [0] is the end
// the handler writes, [1] the end the event loop reads.
int g_arSignalSockets[2] = {-1, -1};

struct WatchedSignal
{
    int iSignal;
    struct sigaction previous;
};
WatchedSignal g_arWatched[] = {{SIGTERM, {}}, {SIGINT, {}}, {SIGUSR1, {}}};

// Only async-signal-safe work here. Both ends are non-blocking: a handler that met a full
// buffer would otherwise block the very thread that has to empty it; a request dropped that way
// repeats one already waiting.
void onSignal(int iSignal)
{
    const int iSavedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(iSignal);
    [[maybe_unused]] const ssize_t written = ::write(g_arSignalSockets[0], &byte, 1);
    errno = iSavedErrno;
}

bool isWatched(int iSignal, bool bReport)
{
    return iSignal != SIGUSR1 || bReport;
}

} // namespace

UnixSignalWatcher::UnixSignalWatcher(QObject *parent)
    : UnixSignalWatcher(ReportSignal::None, parent)
{}

UnixSignalWatcher::UnixSignalWatcher(ReportSignal report, QObject *parent) : QObject(parent)
{
    if (g_arSignalSockets[0] >= 0)
        return;
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, g_arSignalSockets) !=
        0) {
        g_arSignalSockets[0] = g_arSignalSockets[1] = -1;
        return;
    }
    m_bReport = report == ReportSignal::Usr1;
    m_pNotifier = new QSocketNotifier(g_arSignalSockets[1], QSocketNotifier::Read, this);
    connect(m_pNotifier, &QSocketNotifier::activated, this, &UnixSignalWatcher::onReadable);

    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (WatchedSignal &watched : g_arWatched) {
        if (isWatched(watched.iSignal, m_bReport))
            ::sigaction(watched.iSignal, &action, &watched.previous);
    }
}

UnixSignalWatcher::~UnixSignalWatcher()
{
    if (!m_pNotifier)
        return;
    // The handlers go first, so none writes to a socket that is already closed.
    for (const WatchedSignal &watched : g_arWatched) {
        if (isWatched(watched.iSignal, m_bReport))
            ::sigaction(watched.iSignal, &watched.previous, nullptr);
    }
    ::close(g_arSignalSockets[0]);
    ::close(g_arSignalSockets[1]);
    g_arSignalSockets[0] = g_arSignalSockets[1] = -1;
}

void UnixSignalWatcher::onReadable()
{
    unsigned char arBytes[64];
    const ssize_t iRead = ::read(g_arSignalSockets[1], arBytes, sizeof arBytes);
    // A receiver may delete the watcher; nothing of it is touched after that.
    const QPointer<UnixSignalWatcher> self(this);
    for (ssize_t i = 0; i < iRead && self; ++i) {
        if (arBytes[i] == SIGUSR1)
            Q_EMIT reportRequested();
        else
            Q_EMIT terminationRequested(arBytes[i]);
    }
}
