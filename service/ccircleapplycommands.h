// CCircleApplyCommands: applications and recommendations (98). A user outside a circle asks to
// join it, a member proposes someone; the circle's creator is asked and answers, and the
// applicant or the member who recommended learns the answer. A notice for someone who is not
// signed in is held and handed over at the next sign-in. Only the creator answers, and only a
// request that is open; an agreed request makes its subject a member.
#pragma once

#include "cdispatcher.h"

class CServiceContext;

class CCircleApplyCommands
{
public:
    explicit CCircleApplyCommands(CServiceContext &service) : m_service(service) {}
    void install(CDispatcher &dispatcher);

    // Longest application or recommendation text, in bytes of UTF-8, the service keeps.
    static constexpr int MAX_TEXT_BYTES = 200;

private:
    void onRequest(CRequest &request);
    void apply(CRequest &request, quint32 iCircleId);
    void recommend(CRequest &request, quint32 iCircleId);
    void answer(CRequest &request, quint8 iKind, quint32 iCircleId);
    // Sends the notice to iZpid now, or holds it for the next sign-in (iKey tells held
    // notices apart: one per addressee, kind and key).
    void notify(quint32 iZpid, quint8 iKind, quint32 iKey, const QByteArray &arPacket);

    CServiceContext &m_service;
};
