// Core's circles: circles, their members and the user and circle search results.
#include "core.h"

#include "publishedlist.h"

struct Core::Circle
{
    explicit Circle(ListPublisher &lists)
        : circle(lists, "circleModel"), circleMember(lists, "circlememberModel"),
          searchUser(lists, "searchuserModel"), searchCircle(lists, "searchcircleModel")
    {}

    PublishedList circle;
    PublishedList circleMember;
    PublishedList searchUser;
    PublishedList searchCircle;
};

void Core::AreaDeleter::operator()(Circle *pArea) const
{
    delete pArea;
}

void Core::makeCircle()
{
    m_pCircle.reset(new Circle(lists()));
}
