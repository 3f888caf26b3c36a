// Core's enterprise directory: the directory tree and one department's employees.
#include "core.h"

#include "publishedlist.h"

struct Core::Enterprise
{
    explicit Enterprise(ListPublisher &lists)
        : orgInfo(lists, "orginfoModel"), empInfo(lists, "empinfoModel")
    {}

    PublishedList orgInfo;
    PublishedList empInfo;
};

void Core::AreaDeleter::operator()(Enterprise *pArea) const
{
    delete pArea;
}

void Core::makeEnterprise()
{
    m_pEnterprise.reset(new Enterprise(lists()));
}
