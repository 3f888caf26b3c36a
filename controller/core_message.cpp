// Core's messages: the conversation, message, selection and mass-recipient lists.
#include "core.h"

#include "publishedlist.h"

struct Core::Message
{
    explicit Message(ListPublisher &lists)
        : msgRecord(lists, "msgrecordModel"), message(lists, "messageModel"),
          cardSysMsg(lists, "cardsysmsgModel"), circleSysMsg(lists, "circlesysmsgModel"),
          select(lists, "selectModel"), massContact(lists, "masscontactModel")
    {}

    PublishedList msgRecord;
    // One list per published name: a conversation, and the card and circle system messages.
    PublishedList message;
    PublishedList cardSysMsg;
    PublishedList circleSysMsg;
    PublishedList select;
    PublishedList massContact;
};

void Core::AreaDeleter::operator()(Message *pArea) const
{
    delete pArea;
}

void Core::makeMessage()
{
    m_pMessage.reset(new Message(lists()));
}
