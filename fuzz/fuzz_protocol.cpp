// Arbitrary received packets through the packet layer's dispatch and parsers. The session
// state is reset per input so that one input cannot steer the next.
#include <QCoreApplication>

#include <cstddef>
#include <cstdint>

#include "cmsgtracker.h"
#include "cnetcontactsync.h"
#include "csessionstate.h"
#include "protocol.h"

extern "C" int LLVMFuzzerInitialize(int *pArgc, char ***pArgv)
{
    static QCoreApplication app(*pArgc, *pArgv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pData, size_t iSize)
{
    static Protocol proto;
    CSessionState &s = sessionState();
    s.reset();
    // Half the inputs arrive after a first login, so both login paths are reached.
    s.bHasLoggedIn = iSize > 0 && (pData[iSize - 1] & 1);
    s.iZpid = 0x01020304;
    // An upload of three chunks is running, so that upload replies reach their bookkeeping.
    CNetContactSync &sync = netContactSync();
    sync.reset();
    sync.beginUpload(0x05060708, 3);
    sync.markAllSent();
    // A card request to 4321 is pending, so that card answers reach their bookkeeping.
    msgTracker().reset();
    msgTracker().cardRequested(4321);
    const QByteArray arPacket(reinterpret_cast<const char *>(pData), int(iSize));
    proto.slot_onParseProtocol(arPacket, QStringLiteral("127.0.0.1"), 1);
    return 0;
}
