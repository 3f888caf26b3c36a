// CCloudBookTable: each account's cloud address book, the copy the client uploads in chunks,
// downloads and edits entry by entry. An entry is keyed by its telephone text within its
// owner's book; the order is the order of arrival. Every statement on the table is here.
#pragma once

#include <QList>
#include <QString>

#include "csqltable.h"

class CCloudBookTable : public CSqlTable
{
public:
    struct Entry
    {
        QString strPhone;
        QString strName;
        QString strGroup;
    };

    explicit CCloudBookTable(const QString &strConnection)
        : CSqlTable(strConnection, "CCloudBookTable")
    {}

    bool createSchema();
    QList<Entry> entries(quint32 iOwner) const;
    int count(quint32 iOwner) const;
    bool contains(quint32 iOwner, const QString &strPhone) const;
    // Adds the entry at the end of the book, or changes the entry that has its phone in
    // place; the caller holds the transaction when merging many.
    bool merge(quint32 iOwner, const Entry &entry);
    // Both return the number of entries changed, -1 when the statement failed.
    int remove(quint32 iOwner, const QString &strPhone);
    int update(quint32 iOwner, const QString &strOldPhone, const Entry &entry);
};
