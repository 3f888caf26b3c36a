// CCircleCommands: the circle family. Circles are stored (from the seed file) but not served
// yet; the list 93 answers that the user belongs to no circle, so a sign-in settles.
#pragma once

#include "cdispatcher.h"

class CService;

class CCircleCommands
{
public:
    explicit CCircleCommands(CService &service) : m_service(service) {}
    void install(CDispatcher &dispatcher);

private:
    void onCircleList(CRequest &request);

    CService &m_service;
};
