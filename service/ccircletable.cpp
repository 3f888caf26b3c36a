#include "ccircletable.h"

#include <QSqlQuery>
#include <QVariant>

#include <limits>

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

namespace {

// New circles are numbered on from the seeded ones, in a range of their own.
constexpr qint64 FIRST_CIRCLE_ID = 2000001;

// The circle's own columns, in the order circleAt reads them.
const char CIRCLE_COLUMNS[] = "c.circle_id, c.name, c.type, c.property, c.creator, c.profile, "
                              "c.version, c.created";

CCircleTable::Circle circleAt(const QSqlQuery &query)
{
    CCircleTable::Circle circle;
    circle.iCircleId = query.value(0).toUInt();
    circle.strName = query.value(1).toString();
    circle.iType = query.value(2).toInt();
    circle.iProperty = query.value(3).toInt();
    circle.iCreator = query.value(4).toUInt();
    circle.strProfile = query.value(5).toString();
    circle.iVersion = query.value(6).toUInt();
    circle.dCreated = query.value(7).toDouble();
    return circle;
}

} // namespace

quint32 CCircleTable::create(const QString &strName, int iType, quint32 iCreator, double dCreated)
{
    QSqlQuery query(database());
    if (!run(query, QStringLiteral("SELECT MAX(circle_id) FROM circle")) || !query.next())
        return 0;
    const qint64 iId = qMax(FIRST_CIRCLE_ID, query.value(0).toLongLong() + 1);
    if (iId > qint64(std::numeric_limits<quint32>::max()))
        return 0;
    if (!run(QStringLiteral("INSERT INTO circle (circle_id, name, type, creator, created) "
                            "VALUES (?, ?, ?, ?, ?)"),
             {iId, strName, iType, qint64(iCreator), dCreated}) ||
        !run(QStringLiteral("INSERT INTO circle_member (circle_id, zpid, role) VALUES (?, ?, ?)"),
             {iId, qint64(iCreator), int(RoleCreator)}))
        return 0;
    return quint32(iId);
}

QList<CCircleTable::Circle> CCircleTable::ofMember(quint32 iZpid) const
{
    QList<Circle> circles;
    QSqlQuery query(database());
    if (!run(query,
             QStringLiteral("SELECT %1, m.role, (SELECT COUNT(*) FROM circle_member a WHERE "
                            "a.circle_id = c.circle_id) FROM circle c JOIN circle_member m ON "
                            "m.circle_id = c.circle_id WHERE m.zpid = ? ORDER BY c.circle_id")
                 .arg(QLatin1String(CIRCLE_COLUMNS)),
             {qint64(iZpid)}))
        return circles;
    while (query.next()) {
        Circle circle = circleAt(query);
        circle.iOwnRole = query.value(8).toInt();
        circle.iMemberCount = query.value(9).toInt();
        circles.append(circle);
    }
    return circles;
}

QList<CCircleTable::Circle> CCircleTable::search(const QString &strText, int iLimit) const
{
    QList<Circle> circles;
    const QString strNeedle = strText.trimmed();
    if (strNeedle.isEmpty())
        return circles;
    // instr() rather than LIKE: a typed "%" or "_" is a character, not a pattern.
    QSqlQuery query(database());
    if (!run(query,
             QStringLiteral("SELECT %1, (SELECT COUNT(*) FROM circle_member a WHERE "
                            "a.circle_id = c.circle_id) FROM circle c WHERE "
                            "instr(lower(c.name), lower(?)) > 0 OR c.circle_id = ? "
                            "ORDER BY c.circle_id LIMIT ?")
                 .arg(QLatin1String(CIRCLE_COLUMNS)),
             {strNeedle, strNeedle.toLongLong(), iLimit}))
        return circles;
    while (query.next()) {
        Circle circle = circleAt(query);
        circle.iMemberCount = query.value(8).toInt();
        circles.append(circle);
    }
    return circles;
}

std::optional<CCircleTable::Circle> CCircleTable::circle(quint32 iCircleId) const
{
    QSqlQuery query(database());
    if (!run(query,
             QStringLiteral("SELECT %1 FROM circle c WHERE c.circle_id = ?")
                 .arg(QLatin1String(CIRCLE_COLUMNS)),
             {qint64(iCircleId)}) ||
        !query.next())
        return std::nullopt;
    Circle circle = circleAt(query);
    circle.members = members(iCircleId);
    circle.iMemberCount = int(circle.members.size());
    return circle;
}

QList<CCircleTable::Member> CCircleTable::members(quint32 iCircleId) const
{
    QList<Member> list;
    QSqlQuery query(database());
    if (!run(query,
             QStringLiteral("SELECT zpid, role FROM circle_member WHERE circle_id = ? "
                            "ORDER BY role, zpid"),
             {qint64(iCircleId)}))
        return list;
    while (query.next())
        list.append({query.value(0).toUInt(), query.value(1).toInt()});
    return list;
}

int CCircleTable::roleOf(quint32 iCircleId, quint32 iZpid) const
{
    QSqlQuery query(database());
    if (!run(query,
             QStringLiteral("SELECT role FROM circle_member WHERE circle_id = ? AND zpid = ?"),
             {qint64(iCircleId), qint64(iZpid)}) ||
        !query.next())
        return RoleNone;
    return query.value(0).toInt();
}

bool CCircleTable::raiseVersion(quint32 iCircleId)
{
    return run(QStringLiteral("UPDATE circle SET version = version + 1 WHERE circle_id = ?"),
               {qint64(iCircleId)});
}

bool CCircleTable::setInfo(quint32 iCircleId, int iKind, const QString &strText)
{
    const QString strSql =
        iKind == 1 ? QStringLiteral("UPDATE circle SET name = ?, version = version + 1 "
                                    "WHERE circle_id = ?")
                   : QStringLiteral("UPDATE circle SET profile = ?, version = version + 1 "
                                    "WHERE circle_id = ?");
    return (iKind == 1 || iKind == 2) && run(strSql, {strText, qint64(iCircleId)});
}

bool CCircleTable::removeMember(quint32 iCircleId, quint32 iZpid)
{
    return run(QStringLiteral("DELETE FROM circle_member WHERE circle_id = ? AND zpid = ?"),
               {qint64(iCircleId), qint64(iZpid)}) &&
           raiseVersion(iCircleId);
}

bool CCircleTable::addMember(quint32 iCircleId, quint32 iZpid)
{
    return run(QStringLiteral("INSERT OR IGNORE INTO circle_member (circle_id, zpid, role) "
                              "VALUES (?, ?, ?)"),
               {qint64(iCircleId), qint64(iZpid), int(RoleMember)}) &&
           raiseVersion(iCircleId);
}

bool CCircleTable::remove(quint32 iCircleId)
{
    return run(QStringLiteral("DELETE FROM circle_member WHERE circle_id = ?"),
               {qint64(iCircleId)}) &&
           run(QStringLiteral("DELETE FROM circle WHERE circle_id = ?"), {qint64(iCircleId)});
}

bool CCircleTable::addCreatedColumn()
{
    return run(QStringLiteral("ALTER TABLE circle ADD COLUMN created REAL NOT NULL DEFAULT 0"));
}
