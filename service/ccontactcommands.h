// CContactCommands: the address book and card commands: the address book 36 pushed at
// sign-in from the account's stored book, any user's card text or picture 81 (other users'
// within the session's look-up rate), saving the own card or picture 82, the card of a user
// who is not a contact 100, and the people the user may know 32: registered users whose book
// holds the user's number while the user's book does not hold theirs.
#pragma once

#include <QList>
#include <QString>

#include "caddressbooktable.h"
#include "cdispatcher.h"

class CServiceContext;

class CContactCommands
{
public:
    // Every answer travels in one TCP frame, which bounds what can be stored to be served.
    static constexpr int MAX_CARD_BYTES = 4096;
    static constexpr int MAX_PICTURE_BYTES = 60 * 1024;
    static constexpr int MAX_BOOK_CIPHER_BYTES = 60 * 1024;
    // Suggestions beyond this many are left for a later request.
    static constexpr int MAX_MAY_KNOW = 50;

    explicit CContactCommands(CServiceContext &service) : m_service(service) {}
    void install(CDispatcher &dispatcher);

    // The book as the client reads it: "phone;name" records joined by ":".
    static QString addressBookText(const QList<CAddressBookTable::Entry> &entries);
    // False when the book would not fit its reply, or an entry would break the text apart.
    static bool addressBookFits(const QList<CAddressBookTable::Entry> &entries);
    static bool cardFits(const QString &strCard);
    // The suggestion text the client splits at ";": empty, Zpid, phone, name, empty, address.
    static QString mayKnowText(quint32 iZpid, const QString &strPhone, const QString &strName,
                               const QString &strAddress);

private:
    void onContact(CRequest &request);
    void onCard(CRequest &request);
    void onSaveCard(CRequest &request);
    void onStrangeCard(CRequest &request);
    void onMayKnow(CRequest &request);

    CServiceContext &m_service;
};
