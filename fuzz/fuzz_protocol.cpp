// Arbitrary received packets through the packet layer's dispatch and parsers. The session
// state is reset per input so that one input cannot steer the next.
#include <QCoreApplication>

#include <cstddef>
#include <cstdint>

#include "ccallsession.h"
#include "cfieldwriter.h"
#include "cmsgtracker.h"
#include "cnetcontactsync.h"
#include "csessionstate.h"
#include "protocol.h"

extern "C" int LLVMFuzzerInitialize(int *pArgc, char ***pArgv)
{
    static QCoreApplication app(*pArgc, *pArgv);
    return 0;
}

namespace {

constexpr quint32 CALL_PEER = 4321;

// The call family acts differently in every phase; bits 1 and 2 of the last byte choose one:
// no call, a push under way, a call request under way, a connected incoming call.
void enterCallPhase(int iChoice)
{
    CCallSession &call = callSession();
    call.reset();
    if (iChoice == 3) {
        call.received(CFieldWriter(5).zpid(CALL_PEER).zpid(sessionState().iZpid).u8(1).packet());
        call.agree(CALL_PEER);
    } else if (iChoice != 0) {
        call.beginPush(CALL_PEER);
        if (iChoice == 2) {
            call.pushReply(CFieldWriter(19).zpid(CALL_PEER).u8(0).u8(1).packet());
            call.beginCall(CALL_PEER);
        }
    }
}

} // namespace

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
    enterCallPhase(iSize > 0 ? (pData[iSize - 1] >> 1) & 3 : 0);
    // A card request to 4321 is pending, so that card answers reach their bookkeeping.
    msgTracker().reset();
    msgTracker().cardRequested(4321);
    const QByteArray arPacket(reinterpret_cast<const char *>(pData), int(iSize));
    proto.slot_onParseProtocol(arPacket, QStringLiteral("127.0.0.1"), 1);
    return 0;
}
