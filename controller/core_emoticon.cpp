// Core's emoticons: the emoticon list.
#include "core.h"

#include "publishedlist.h"

struct Core::Emoticon
{
    explicit Emoticon(ListPublisher &lists) : face(lists, "faceModel") {}

    PublishedList face;
};

void Core::AreaDeleter::operator()(Emoticon *pArea) const
{
    delete pArea;
}

void Core::makeEmoticon()
{
    m_pEmoticon.reset(new Emoticon(lists()));
}
