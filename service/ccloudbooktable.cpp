#include "ccloudbooktable.h"

#include <QVariant>

bool CCloudBookTable::createSchema()
{
    return run(QStringLiteral("CREATE TABLE IF NOT EXISTS cloud_book ("
                              "owner INTEGER NOT NULL REFERENCES account(zpid) ON DELETE CASCADE, "
                              "position INTEGER NOT NULL, "
                              "phone TEXT NOT NULL, "
                              "name TEXT NOT NULL, "
                              "grp TEXT NOT NULL, "
                              "PRIMARY KEY (owner, position), "
                              "UNIQUE (owner, phone))"));
}

QList<CCloudBookTable::Entry> CCloudBookTable::entries(quint32 iOwner) const
{
    QList<Entry> list;
    QSqlQuery query(database());
    if (!run(query,
             QStringLiteral(
                 "SELECT phone, name, grp FROM cloud_book WHERE owner = ? ORDER BY position"),
             {qint64(iOwner)}))
        return list;
    while (query.next())
        list << Entry{query.value(0).toString(), query.value(1).toString(),
                      query.value(2).toString()};
    return list;
}

int CCloudBookTable::count(quint32 iOwner) const
{
    QSqlQuery query(database());
    if (!run(query, QStringLiteral("SELECT COUNT(*) FROM cloud_book WHERE owner = ?"),
             {qint64(iOwner)}) ||
        !query.next())
        return 0;
    return query.value(0).toInt();
}

bool CCloudBookTable::contains(quint32 iOwner, const QString &strPhone) const
{
    QSqlQuery query(database());
    return run(query, QStringLiteral("SELECT 1 FROM cloud_book WHERE owner = ? AND phone = ?"),
               {qint64(iOwner), strPhone}) &&
           query.next();
}

bool CCloudBookTable::merge(quint32 iOwner, const Entry &entry)
{
    if (contains(iOwner, entry.strPhone))
        return update(iOwner, entry.strPhone, entry) == 1;
    return run(QStringLiteral("INSERT INTO cloud_book (owner, position, phone, name, grp) "
                              "VALUES (?, (SELECT COALESCE(MAX(position), -1) + 1 FROM cloud_book "
                              "WHERE owner = ?), ?, COALESCE(?, ''), COALESCE(?, ''))"),
               {qint64(iOwner), qint64(iOwner), entry.strPhone, entry.strName, entry.strGroup});
}

int CCloudBookTable::remove(quint32 iOwner, const QString &strPhone)
{
    QSqlQuery query(database());
    if (!run(query, QStringLiteral("DELETE FROM cloud_book WHERE owner = ? AND phone = ?"),
             {qint64(iOwner), strPhone}))
        return -1;
    return query.numRowsAffected();
}

int CCloudBookTable::update(quint32 iOwner, const QString &strOldPhone, const Entry &entry)
{
    QSqlQuery query(database());
    if (!run(query,
             QStringLiteral("UPDATE cloud_book SET phone = ?, name = COALESCE(?, ''), "
                            "grp = COALESCE(?, '') "
                            "WHERE owner = ? AND phone = ?"),
             {entry.strPhone, entry.strName, entry.strGroup, qint64(iOwner), strOldPhone}))
        return -1;
    return query.numRowsAffected();
}
