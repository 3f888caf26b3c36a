// Fuzzes the service's dispatch: the first byte chooses the way in (odd: bytes of the request
// stream of a signed-in TCP connection; even: one datagram from a registered UDP endpoint)
// and the rest is delivered as received. The service must never crash, whatever arrives.
#include <QCoreApplication>
#include <QPointer>
#include <QTemporaryDir>

#include "cseedfile.h"
#include "cservice.h"

namespace {

constexpr quint16 kUdpPort = 40000;

struct Harness
{
    Harness()
    {
        CServiceConfig config;
        config.iMainPort = 0;
        config.iSubPort = 0;
        config.strDataDir = dir.filePath(QStringLiteral("service"));
        config.hashCost = CPasswordHash::Minimal;
        service = std::make_unique<CService>(config);
        if (!service->start() ||
            !CSeedFile::apply(CSeedFile::demo(), service->store(), CPasswordHash::Minimal).bOk)
            qFatal("the service did not start");
    }

    // A signed-in TCP connection and a registered UDP endpoint, made again when a logout or
    // a bad stream has ended them.
    void ensureSessions()
    {
        if (!tcp)
            tcp = service->adopt(-1, CClientConnection::Sub);
        if (tcp->sessionId() == 0)
            service->openSession(tcp, 1000001);
        if (!service->sessions().byEndpoint(QHostAddress(), kUdpPort)) {
            if (!udpOwner)
                udpOwner = service->adopt(-1, CClientConnection::Sub);
            if (udpOwner->sessionId() == 0)
                service->openSession(udpOwner, 1000002);
            CSessionTable::Session *pSession = service->sessions().byId(udpOwner->sessionId());
            service->sessions().bindEndpoint(*pSession, QHostAddress(), kUdpPort);
            pSession->bEndpointConfirmed = true;
        }
    }

    QTemporaryDir dir;
    std::unique_ptr<CService> service;
    QPointer<CClientConnection> tcp;
    QPointer<CClientConnection> udpOwner;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pData, size_t iSize)
{
    static int argc = 1;
    static char name[] = "fuzz_service";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    static Harness harness;

    if (iSize == 0)
        return 0;
    harness.ensureSessions();
    const QByteArray arBytes(reinterpret_cast<const char *>(pData + 1), int(iSize - 1));
    if (pData[0] & 1)
        harness.tcp->receive(arBytes);
    else
        harness.service->dispatchDatagram(arBytes, QHostAddress(), kUdpPort);
    QCoreApplication::processEvents();
    // Without a running event loop, connections the service let go are deleted only here.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return 0;
}
