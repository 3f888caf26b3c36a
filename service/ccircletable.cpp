#include "ccircletable.h"

#include <QVariant>

bool CCircleTable::createSchema()
{
    return run(QStringLiteral("CREATE TABLE IF NOT EXISTS circle ("
                              "circle_id INTEGER PRIMARY KEY, "
                              "name TEXT NOT NULL, "
                              "type INTEGER NOT NULL DEFAULT 0, "
                              "property INTEGER NOT NULL DEFAULT 0, "
                              "creator INTEGER NOT NULL REFERENCES account(zpid), "
                              "profile TEXT NOT NULL DEFAULT '', "
                              "version INTEGER NOT NULL DEFAULT 1)")) &&
           run(QStringLiteral(
               "CREATE TABLE IF NOT EXISTS circle_member ("
               "circle_id INTEGER NOT NULL REFERENCES circle(circle_id) ON DELETE CASCADE, "
               "zpid INTEGER NOT NULL REFERENCES account(zpid) ON DELETE CASCADE, "
               "role INTEGER NOT NULL, "
               "PRIMARY KEY (circle_id, zpid))"));
}

bool CCircleTable::insert(const Circle &circle)
{
    if (!run(QStringLiteral("INSERT INTO circle (circle_id, name, type, property, creator, "
                            "profile) VALUES (?, ?, ?, ?, ?, ?)"),
             {qint64(circle.iCircleId), circle.strName, circle.iType, circle.iProperty,
              qint64(circle.iCreator), circle.strProfile}))
        return false;
    for (const Member &member : circle.members) {
        if (!run(QStringLiteral(
                     "INSERT INTO circle_member (circle_id, zpid, role) VALUES (?, ?, ?)"),
                 {qint64(circle.iCircleId), qint64(member.iZpid), member.iRole}))
            return false;
    }
    return true;
}

bool CCircleTable::exists(quint32 iCircleId) const
{
    QSqlQuery query(database());
    return run(query, QStringLiteral("SELECT 1 FROM circle WHERE circle_id = ?"),
               {qint64(iCircleId)}) &&
           query.next();
}

int CCircleTable::count() const
{
    QSqlQuery query(database());
    if (!run(query, QStringLiteral("SELECT COUNT(*) FROM circle")) || !query.next())
        return 0;
    return query.value(0).toInt();
}
