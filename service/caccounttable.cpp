#include "caccounttable.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QVariant>

namespace {

const char COLUMNS[] = "zpid, mobile, name, password_hash, card, picture";

CAccountTable::Row rowOf(const QSqlQuery &query)
{
    CAccountTable::Row row;
    row.iZpid = query.value(0).toUInt();
    row.strMobile = query.value(1).toString();
    row.strName = query.value(2).toString();
    row.arPasswordHash = query.value(3).toByteArray();
    row.strCard = query.value(4).toString();
    row.arPicture = query.value(5).toByteArray();
    return row;
}

} // namespace

bool CAccountTable::createSchema()
{
    return run(QStringLiteral("CREATE TABLE IF NOT EXISTS account ("
                              "zpid INTEGER PRIMARY KEY, "
                              "mobile TEXT NOT NULL UNIQUE, "
                              "name TEXT NOT NULL, "
                              "password_hash TEXT NOT NULL, "
                              "card TEXT NOT NULL DEFAULT '', "
                              "picture BLOB)"));
}

bool CAccountTable::insert(const Row &row)
{
    return run(QStringLiteral("INSERT INTO account (%1) VALUES (?, ?, ?, ?, COALESCE(?, ''), ?)")
                   .arg(QLatin1String(COLUMNS)),
               {qint64(row.iZpid), row.strMobile, row.strName,
                QString::fromLatin1(row.arPasswordHash), row.strCard,
                row.arPicture.isEmpty() ? QVariant(QMetaType(QMetaType::QByteArray))
                                        : QVariant(row.arPicture)});
}

std::optional<CAccountTable::Row> CAccountTable::one(const QString &strWhere,
                                                     const QVariant &value) const
{
    QSqlQuery query(database());
    if (!run(
            query,
            QStringLiteral("SELECT %1 FROM account WHERE %2").arg(QLatin1String(COLUMNS), strWhere),
            {value}) ||
        !query.next())
        return std::nullopt;
    return rowOf(query);
}

std::optional<CAccountTable::Row> CAccountTable::byZpid(quint32 iZpid) const
{
    return one(QStringLiteral("zpid = ?"), qint64(iZpid));
}

std::optional<CAccountTable::Row> CAccountTable::byMobile(const QString &strMobile) const
{
    return one(QStringLiteral("mobile = ?"), strMobile);
}

quint32 CAccountTable::zpidOfMobile(const QString &strMobile) const
{
    QSqlQuery query(database());
    if (!run(query, QStringLiteral("SELECT zpid FROM account WHERE mobile = ?"), {strMobile}) ||
        !query.next())
        return 0;
    return query.value(0).toUInt();
}

QHash<QString, quint32> CAccountTable::zpidsOfMobiles(const QStringList &mobiles) const
{
    QHash<QString, quint32> zpids;
    if (mobiles.isEmpty())
        return zpids;
    // The numbers travel as one bound JSON array, however many there are.
    const QByteArray arList =
        QJsonDocument(QJsonArray::fromStringList(mobiles)).toJson(QJsonDocument::Compact);
    QSqlQuery query(database());
    if (!run(query,
             QStringLiteral("SELECT mobile, zpid FROM account "
                            "WHERE mobile IN (SELECT value FROM json_each(?))"),
             {QString::fromUtf8(arList)}))
        return zpids;
    while (query.next())
        zpids.insert(query.value(0).toString(), query.value(1).toUInt());
    return zpids;
}

bool CAccountTable::setPasswordHash(quint32 iZpid, const QByteArray &arHash)
{
    QSqlQuery query(database());
    return run(query, QStringLiteral("UPDATE account SET password_hash = ? WHERE zpid = ?"),
               {QString::fromLatin1(arHash), qint64(iZpid)}) &&
           query.numRowsAffected() == 1;
}

bool CAccountTable::setCard(quint32 iZpid, const QString &strCard)
{
    QSqlQuery query(database());
    return run(query, QStringLiteral("UPDATE account SET card = COALESCE(?, '') WHERE zpid = ?"),
               {strCard, qint64(iZpid)}) &&
           query.numRowsAffected() == 1;
}

bool CAccountTable::setPicture(quint32 iZpid, const QByteArray &arPicture)
{
    QSqlQuery query(database());
    return run(query, QStringLiteral("UPDATE account SET picture = ? WHERE zpid = ?"),
               {arPicture, qint64(iZpid)}) &&
           query.numRowsAffected() == 1;
}

QList<CAccountTable::Row> CAccountTable::all() const
{
    QList<Row> rows;
    QSqlQuery query(database());
    if (!run(query,
             QStringLiteral("SELECT %1 FROM account ORDER BY zpid").arg(QLatin1String(COLUMNS))))
        return rows;
    while (query.next())
        rows << rowOf(query);
    return rows;
}

int CAccountTable::count() const
{
    QSqlQuery query(database());
    if (!run(query, QStringLiteral("SELECT COUNT(*) FROM account")) || !query.next())
        return 0;
    return query.value(0).toInt();
}
