// CContactCommands: the address book and card commands: the address book 36 pushed at
// sign-in from the account's stored book, a user's card text or picture 81, and saving the
// own card or picture 82.
#pragma once

#include <QList>
#include <QString>

#include "caddressbooktable.h"
#include "cdispatcher.h"

class CService;

class CContactCommands
{
public:
    // Every answer travels in one TCP frame, which bounds what can be stored to be served.
    static constexpr int MAX_CARD_BYTES = 4096;
    static constexpr int MAX_PICTURE_BYTES = 60 * 1024;
    static constexpr int MAX_BOOK_CIPHER_BYTES = 60 * 1024;

    explicit CContactCommands(CService &service) : m_service(service) {}
    void install(CDispatcher &dispatcher);

    // The book as the client reads it: "phone;name" records joined by ":".
    static QString addressBookText(const QList<CAddressBookTable::Entry> &entries);
    // False when the book would not fit its reply, or an entry would break the text apart.
    static bool addressBookFits(const QList<CAddressBookTable::Entry> &entries);
    static bool cardFits(const QString &strCard);

private:
    void onContact(CRequest &request);
    void onCard(CRequest &request);
    void onSaveCard(CRequest &request);

    CService &m_service;
};
