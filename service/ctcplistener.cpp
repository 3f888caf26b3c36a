#include "ctcplistener.h"

#include <QFile>
#include <QMetaMethod>
#include <QTimer>

#include <sys/socket.h>
#include <unistd.h>

namespace {

// After a failed accept the listener waits this long before it tries again, so descriptors
// freed meanwhile are there to take.
constexpr int RESUME_AFTER_MS = 100;

} // namespace

CTcpListener::CTcpListener(QObject *parent) : QTcpServer(parent)
{
    setListenBacklogSize(systemBacklog());
    connect(this, &QTcpServer::acceptError, this, [this] {
        QTimer::singleShot(RESUME_AFTER_MS, this, [this] {
            if (isListening())
                resumeAccepting();
        });
    });
}

int CTcpListener::systemBacklog()
{
    QFile file(QStringLiteral("/proc/sys/net/core/somaxconn"));
    bool bOk = false;
    const int iMax = file.open(QIODevice::ReadOnly) ? file.readAll().trimmed().toInt(&bOk) : 0;
    return bOk && iMax > 0 ? iMax : SOMAXCONN;
}

void CTcpListener::incomingConnection(qintptr iDescriptor)
{
    if (isSignalConnected(QMetaMethod::fromSignal(&CTcpListener::accepted)))
        emit accepted(iDescriptor);
    else
        ::close(int(iDescriptor));
}
