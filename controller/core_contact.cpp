// Core's contacts: the address-book lists and the rules the screens apply to names,
// Zpids and typed numbers.
#include "core.h"

#include "codes.h"
#include "csessionstate.h"
#include "publishedlist.h"
#include "rules.h"
#include "utility.h"

struct Core::Contact
{
    explicit Contact(ListPublisher &lists)
        : searchSource(lists, nullptr), contact(lists, "contactModel", searchSource),
          searchContact(lists, "searchcontactModel", searchSource),
          netContact(lists, "netcontactModel"), mayKnow(lists, "mayknowModel")
    {}

    // True once the contact list and presence are stored and the search index is built.
    bool bContactsReady = false;

    // Every address-book entry except kind 4, in pinyin order: the rows the search index
    // points into. "contactModel" and "searchcontactModel" show some of them.
    PublishedList searchSource;
    PublishedList contact;
    PublishedList searchContact;
    PublishedList netContact;
    PublishedList mayKnow;
};

void Core::AreaDeleter::operator()(Contact *pArea) const
{
    delete pArea;
}

void Core::makeContact()
{
    m_pContact.reset(new Contact(lists()));
}

void Core::setContactsReady(bool bReady)
{
    m_pContact->bContactsReady = bReady;
}

QString Core::getLastName(QVariant varName)
{
    return Rules::lastName(varName.toString());
}

int Core::getZpidType(QVariant varZpid)
{
    return Rules::zpidKind(varZpid.toString(), sessionState().strZpid);
}

int Core::getInputType(QVariant varInput)
{
    return Rules::inputType(varInput.toString());
}

QString Core::formatTime(int iTime)
{
    return ::formatTime(iTime);
}
