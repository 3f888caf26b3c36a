#include "csignalwatcher.h"

#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int g_fds[2] = {-1, -1};

void onSignal(int iSignal)
{
    const char c = char(iSignal);
    // Nothing else is safe here; a full pipe just loses a repeated request.
    [[maybe_unused]] const ssize_t n = ::write(g_fds[0], &c, 1);
}

} // namespace

CSignalWatcher::CSignalWatcher(QObject *parent) : QObject(parent)
{
    if (g_fds[0] >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM, 0, g_fds) != 0)
        return;
    m_pNotifier = new QSocketNotifier(g_fds[1], QSocketNotifier::Read, this);
    connect(m_pNotifier, &QSocketNotifier::activated, this, &CSignalWatcher::onReadable);
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int iSignal : {SIGINT, SIGTERM, SIGUSR1})
        sigaction(iSignal, &action, nullptr);
}

CSignalWatcher::~CSignalWatcher()
{
    if (!m_pNotifier)
        return;
    struct sigaction action = {};
    action.sa_handler = SIG_DFL;
    for (int iSignal : {SIGINT, SIGTERM, SIGUSR1})
        sigaction(iSignal, &action, nullptr);
    ::close(g_fds[0]);
    ::close(g_fds[1]);
    g_fds[0] = g_fds[1] = -1;
}

void CSignalWatcher::onReadable()
{
    char c = 0;
    if (::read(g_fds[1], &c, 1) != 1)
        return;
    if (c == SIGUSR1)
        emit reportRequested();
    else
        emit stopRequested();
}
