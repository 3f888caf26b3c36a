// CPresenceNotices: tells the signed-in users whose address book holds an account's number
// when that account comes (a sign-in opened its session) and goes (its last session ended), with
// the presence notice 120. A session taken over by a new one of the same account is no departure:
// the end is weighed once the event loop is back, when the new session is in the table.
#pragma once

#include <QObject>

#include "codes.h"

class CServiceContext;

class CPresenceNotices : public QObject
{
    Q_OBJECT
public:
    explicit CPresenceNotices(CServiceContext &service);

private:
    void tell(quint32 iZpid, Codes::PresenceState state);

    CServiceContext &m_service;
};
