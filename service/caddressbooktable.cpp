#include "caddressbooktable.h"

#include <QVariant>

bool CAddressBookTable::createSchema()
{
    return run(QStringLiteral("CREATE TABLE IF NOT EXISTS address_book ("
                              "owner INTEGER NOT NULL REFERENCES account(zpid) ON DELETE CASCADE, "
                              "position INTEGER NOT NULL, "
                              "phone TEXT NOT NULL, "
                              "name TEXT NOT NULL, "
                              "PRIMARY KEY (owner, position))"));
}

bool CAddressBookTable::addPhoneIndex()
{
    return run(QStringLiteral(
        "CREATE INDEX IF NOT EXISTS address_book_phone ON address_book (phone, owner)"));
}

bool CAddressBookTable::replace(quint32 iOwner, const QList<Entry> &entries)
{
    if (!run(QStringLiteral("DELETE FROM address_book WHERE owner = ?"), {qint64(iOwner)}))
        return false;
    for (int i = 0; i < entries.size(); ++i) {
        if (!run(QStringLiteral("INSERT INTO address_book (owner, position, phone, name) "
                                "VALUES (?, ?, ?, ?)"),
                 {qint64(iOwner), i, entries.at(i).strPhone, entries.at(i).strName}))
            return false;
    }
    return true;
}

QList<CAddressBookTable::Entry> CAddressBookTable::entries(quint32 iOwner) const
{
    QList<Entry> list;
    QSqlQuery query(database());
    if (!run(query,
             QStringLiteral(
                 "SELECT phone, name FROM address_book WHERE owner = ? ORDER BY position"),
             {qint64(iOwner)}))
        return list;
    while (query.next())
        list << Entry{query.value(0).toString(), query.value(1).toString()};
    return list;
}

QList<quint32> CAddressBookTable::ownersOf(const QString &strPhone) const
{
    QList<quint32> owners;
    QSqlQuery query(database());
    if (!run(query,
             QStringLiteral(
                 "SELECT DISTINCT owner FROM address_book WHERE phone = ? ORDER BY owner"),
             {strPhone}))
        return owners;
    while (query.next())
        owners << query.value(0).toUInt();
    return owners;
}
