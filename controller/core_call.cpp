// Core's calls: the call log and one person's calls.
#include "core.h"

#include "publishedlist.h"

struct Core::Call
{
    explicit Call(ListPublisher &lists)
        : callRecord(lists, "callrecordModel"), call(lists, "callModel")
    {}

    PublishedList callRecord;
    PublishedList call;
};

void Core::AreaDeleter::operator()(Call *pArea) const
{
    delete pArea;
}

void Core::makeCall()
{
    m_pCall.reset(new Call(lists()));
}
