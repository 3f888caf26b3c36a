// CAddressBookTable: each account's address book as the service pushes it after sign-in: an
// ordered list of telephone numbers and names. Every statement on the table is here.
#pragma once

#include <QList>
#include <QString>

#include "csqltable.h"

class CAddressBookTable : public CSqlTable
{
public:
    struct Entry
    {
        QString strPhone;
        QString strName;
    };

    explicit CAddressBookTable(const QString &strConnection)
        : CSqlTable(strConnection, "CAddressBookTable")
    {}

    bool createSchema();
    // Finds the books that hold a number without reading every book (for presence notices).
    bool addPhoneIndex();
    // Replaces the whole book; the caller holds the transaction.
    bool replace(quint32 iOwner, const QList<Entry> &entries);
    QList<Entry> entries(quint32 iOwner) const;
    // The accounts whose book holds the telephone number, in Zpid order.
    QList<quint32> ownersOf(const QString &strPhone) const;
};
