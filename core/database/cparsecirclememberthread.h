// CParseCircleMemberThread: stores the member lists the server sent for some circles. It is
// given its own copy of the payloads (circle id to member payload), so Core keeps collecting
// replies while it runs.
//
// Each circle's stored members are replaced by those of its payload, so a reply that comes
// late or twice never doubles them; the member whose role is 1 becomes the circle's creator
// card. A payload for a circle the account has no row for (gone since it was asked for) is
// dropped. The member count is believed only as far as the bytes go: reading stops at the
// first record that does not fit, and no part of it is stored.
#pragma once

#include "cparsethread.h"

#include <QByteArray>
#include <QMap>

class CParseCircleMemberThread : public CParseThread
{
    Q_OBJECT

public:
    CParseCircleMemberThread(const QMap<quint32, QByteArray> &mapMembers,
                             QSharedPointer<CDatabase> pDatabase);

protected:
    void parse() override;

private:
    const QMap<quint32, QByteArray> m_mapMembers;
};
