// CCircleCommands: the circle family. Circles are stored (from the seed file) but not served
// yet; the list 93 answers that the user belongs to no circle, so a sign-in settles.
#pragma once

#include "cdispatcher.h"

class CServiceContext;

class CCircleCommands
{
public:
    explicit CCircleCommands(CServiceContext &service) : m_service(service) {}
    void install(CDispatcher &dispatcher);

private:
    void onCircleList(CRequest &request);

    CServiceContext &m_service;
};
