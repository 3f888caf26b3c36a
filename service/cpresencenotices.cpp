#include "cpresencenotices.h"

#include <QTimer>

#include "caccounttable.h"
#include "caddressbooktable.h"
#include "cclientconnection.h"
#include "cfieldwriter.h"
#include "cservicecontext.h"
#include "cservicecounters.h"
#include "cservicestore.h"

using namespace Codes;

CPresenceNotices::CPresenceNotices(CServiceContext &service) : m_service(service)
{
    connect(&service, &CServiceContext::sessionStarted, this,
            [this](quint64, quint32 iZpid) { tell(iZpid, PresenceOnline); });
    connect(&service, &CServiceContext::sessionEnded, this, [this](quint64, quint32 iZpid) {
        QTimer::singleShot(0, this, [this, iZpid] {
            if (!m_service.sessions().isOnline(iZpid))
                tell(iZpid, PresenceOffline);
        });
    });
}

void CPresenceNotices::tell(quint32 iZpid, PresenceState state)
{
    const auto account = m_service.store().accounts().byZpid(iZpid);
    if (!account)
        return;
    for (quint32 iOwner : m_service.store().addressBooks().ownersOf(account->strMobile)) {
        if (iOwner == iZpid)
            continue;
        CSessionTable::Session *pSession = m_service.sessions().newest(iOwner);
        // Over TCP, so also before the session's UDP side is confirmed: a presence answer it
        // had already would otherwise stay wrong.
        if (!pSession || !pSession->connection)
            continue;
        if (m_service.send(pSession->connection.data(),
                           CFieldWriter(CmdPresence).zpid(iOwner).u32(iZpid).u8(state).packet()))
            m_service.counters().event(CServiceCounters::PresenceNotice);
    }
}
