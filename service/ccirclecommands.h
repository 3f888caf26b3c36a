// CCircleCommands: the circle family. It lists a user's circles and a circle's members in the
// layouts the client's workers read, creates circles, changes their information, lets members
// leave and the creator add or remove members and dissolve, and tells the members online what
// changed, and finds circles by name or id and users by Zpid or
// mobile number. Only the creator may change a circle, its members or dissolve it; a member list is
// given to members only.
#pragma once

#include "cdispatcher.h"

class CServiceContext;

class CCircleCommands
{
public:
    explicit CCircleCommands(CServiceContext &service) : m_service(service) {}
    void install(CDispatcher &dispatcher);

    // Longest name and profile, in bytes of UTF-8, the service keeps.
    static constexpr int MAX_NAME_BYTES = 60;
    static constexpr int MAX_PROFILE_BYTES = 200;
    // Most circles one search answers with.
    static constexpr int MAX_SEARCH_HITS = 50;

private:
    void onCircleList(CRequest &request);
    void onCircleMembers(CRequest &request);
    void onNewCircle(CRequest &request);
    void onModifyInfo(CRequest &request);
    void onModifyMembers(CRequest &request);
    void onExit(CRequest &request);
    void onDismiss(CRequest &request);
    void onSearch(CRequest &request);
    // Sends the packet to every online member of the circle but iExcept.
    void tellMembers(quint32 iCircleId, quint32 iExcept, const QByteArray &arPacket);
    // Sends on the newest session of iZpid, when it is signed in.
    void sendTo(quint32 iZpid, const QByteArray &arPacket);

    CServiceContext &m_service;
};
