#include "cdirectorytable.h"

#include <QSqlQuery>
#include <QVariant>

bool CDirectoryTable::createSchema()
{
    return run(QStringLiteral("CREATE TABLE IF NOT EXISTS organisation ("
                              "org_id INTEGER PRIMARY KEY, "
                              "name TEXT NOT NULL, "
                              "short_name TEXT NOT NULL DEFAULT '')")) &&
           run(QStringLiteral(
               "CREATE TABLE IF NOT EXISTS department ("
               "org_id INTEGER NOT NULL REFERENCES organisation(org_id) ON DELETE CASCADE, "
               "dept_no TEXT NOT NULL, "
               "name TEXT NOT NULL, "
               "parent_no TEXT NOT NULL DEFAULT '', "
               "PRIMARY KEY (org_id, dept_no))")) &&
           run(QStringLiteral(
               "CREATE TABLE IF NOT EXISTS employee ("
               "org_id INTEGER NOT NULL REFERENCES organisation(org_id) ON DELETE CASCADE, "
               "user_id TEXT NOT NULL, "
               "dept_no TEXT NOT NULL, "
               "name TEXT NOT NULL, "
               "post TEXT NOT NULL DEFAULT '', "
               "phone TEXT NOT NULL DEFAULT '', "
               "tel TEXT NOT NULL DEFAULT '', "
               "zpid INTEGER NOT NULL DEFAULT 0, "
               "PRIMARY KEY (org_id, user_id))"));
}

bool CDirectoryTable::addRolesAndKeys()
{
    return run(QStringLiteral(
               "ALTER TABLE organisation ADD COLUMN password_hash BLOB NOT NULL DEFAULT x''")) &&
           run(QStringLiteral(
               "ALTER TABLE department ADD COLUMN sort_key TEXT NOT NULL DEFAULT ''")) &&
           run(QStringLiteral("ALTER TABLE employee ADD COLUMN role INTEGER NOT NULL DEFAULT 1")) &&
           run(QStringLiteral("ALTER TABLE employee ADD COLUMN sort_key TEXT NOT NULL DEFAULT ''"));
}

bool CDirectoryTable::insert(const Organisation &organisation)
{
    const qint64 iOrg = organisation.iOrgId;
    if (!run(QStringLiteral("INSERT INTO organisation (org_id, name, short_name, password_hash) "
                            "VALUES (?, ?, ?, ?)"),
             {iOrg, organisation.strName, organisation.strShortName, organisation.arPasswordHash}))
        return false;
    for (const Department &dept : organisation.departments) {
        if (!putDepartment(organisation.iOrgId, dept))
            return false;
    }
    for (const Employee &emp : organisation.employees) {
        if (!putEmployee(organisation.iOrgId, emp))
            return false;
    }
    return true;
}

namespace {

// A text bound for a NOT NULL column: a null QString would bind as NULL.
QString text(const QString &strValue)
{
    return strValue.isNull() ? QStringLiteral("") : strValue;
}

const char EMPLOYEE_COLUMNS[] =
    "user_id, dept_no, name, post, phone, tel, zpid, role, sort_key FROM employee";

CDirectoryTable::Employee employeeAt(const QSqlQuery &query)
{
    CDirectoryTable::Employee emp;
    emp.strUserId = query.value(0).toString();
    emp.strDeptNo = query.value(1).toString();
    emp.strName = query.value(2).toString();
    emp.strPost = query.value(3).toString();
    emp.strPhone = query.value(4).toString();
    emp.strTel = query.value(5).toString();
    emp.iZpid = query.value(6).toUInt();
    emp.iRole = query.value(7).toInt();
    emp.strSortKey = query.value(8).toString();
    return emp;
}

} // namespace

QList<CDirectoryTable::Organisation> CDirectoryTable::organisations(const QString &strText,
                                                                    int iLimit) const
{
    QList<Organisation> list;
    QSqlQuery query(database());
    if (!run(query,
             QStringLiteral("SELECT org_id, name, short_name FROM organisation WHERE ? = '' OR "
                            "instr(lower(name), lower(?)) > 0 ORDER BY org_id LIMIT ?"),
             {QString(strText.isEmpty() ? QStringLiteral("") : strText),
              QString(strText.isEmpty() ? QStringLiteral("") : strText), iLimit}))
        return list;
    while (query.next()) {
        Organisation org;
        org.iOrgId = query.value(0).toUInt();
        org.strName = query.value(1).toString();
        org.strShortName = query.value(2).toString();
        list.append(org);
    }
    return list;
}

std::optional<CDirectoryTable::Organisation> CDirectoryTable::organisation(quint32 iOrgId) const
{
    QSqlQuery query(database());
    if (!run(query,
             QStringLiteral("SELECT name, short_name, password_hash FROM organisation WHERE "
                            "org_id = ?"),
             {qint64(iOrgId)}) ||
        !query.next())
        return std::nullopt;
    Organisation org;
    org.iOrgId = iOrgId;
    org.strName = query.value(0).toString();
    org.strShortName = query.value(1).toString();
    org.arPasswordHash = query.value(2).toByteArray();
    return org;
}

QList<CDirectoryTable::Department> CDirectoryTable::departments(quint32 iOrgId) const
{
    QList<Department> list;
    QSqlQuery query(database());
    if (!run(query,
             QStringLiteral("SELECT dept_no, name, parent_no, sort_key FROM department WHERE "
                            "org_id = ? ORDER BY sort_key, dept_no"),
             {qint64(iOrgId)}))
        return list;
    while (query.next())
        list.append({query.value(0).toString(), query.value(1).toString(),
                     query.value(2).toString(), query.value(3).toString()});
    return list;
}

QList<CDirectoryTable::Employee> CDirectoryTable::employees(quint32 iOrgId,
                                                            const QString &strDeptNo) const
{
    QList<Employee> list;
    QSqlQuery query(database());
    if (!run(query,
             QStringLiteral("SELECT %1 WHERE org_id = ? AND (? = '' OR dept_no = ?) "
                            "ORDER BY sort_key, user_id")
                 .arg(QLatin1String(EMPLOYEE_COLUMNS)),
             {qint64(iOrgId), QString(strDeptNo.isEmpty() ? QStringLiteral("") : strDeptNo),
              QString(strDeptNo.isEmpty() ? QStringLiteral("") : strDeptNo)}))
        return list;
    while (query.next())
        list.append(employeeAt(query));
    return list;
}

std::optional<CDirectoryTable::Employee> CDirectoryTable::employeeOf(quint32 iOrgId, quint32 iZpid,
                                                                     const QString &strPhone) const
{
    QSqlQuery query(database());
    if (!run(query,
             QStringLiteral("SELECT %1 WHERE org_id = ? AND ((zpid = ? AND zpid <> 0) OR "
                            "(phone = ? AND phone <> '')) ORDER BY zpid = ? DESC LIMIT 1")
                 .arg(QLatin1String(EMPLOYEE_COLUMNS)),
             {qint64(iOrgId), qint64(iZpid), strPhone, qint64(iZpid)}) ||
        !query.next())
        return std::nullopt;
    return employeeAt(query);
}

std::optional<CDirectoryTable::Employee> CDirectoryTable::employee(quint32 iOrgId,
                                                                   const QString &strUserId) const
{
    QSqlQuery query(database());
    if (!run(query,
             QStringLiteral("SELECT %1 WHERE org_id = ? AND user_id = ?")
                 .arg(QLatin1String(EMPLOYEE_COLUMNS)),
             {qint64(iOrgId), strUserId}) ||
        !query.next())
        return std::nullopt;
    return employeeAt(query);
}

int CDirectoryTable::employeeCount(quint32 iOrgId, const QString &strDeptNo) const
{
    QSqlQuery query(database());
    if (!run(query,
             QStringLiteral("SELECT COUNT(*) FROM employee WHERE org_id = ? AND dept_no = ?"),
             {qint64(iOrgId), strDeptNo}) ||
        !query.next())
        return 0;
    return query.value(0).toInt();
}

bool CDirectoryTable::departmentExists(quint32 iOrgId, const QString &strNo) const
{
    QSqlQuery query(database());
    return run(query, QStringLiteral("SELECT 1 FROM department WHERE org_id = ? AND dept_no = ?"),
               {qint64(iOrgId), strNo}) &&
           query.next();
}

quint32 CDirectoryTable::create(const Organisation &organisation)
{
    QSqlQuery query(database());
    if (!run(query, QStringLiteral("SELECT MAX(org_id) FROM organisation")) || !query.next())
        return 0;
    // New organisations are numbered on from the seeded ones.
    const qint64 iId = qMax<qint64>(3000001, query.value(0).toLongLong() + 1);
    if (iId > 0xFFFFFFFFLL)
        return 0;
    Organisation org = organisation;
    org.iOrgId = quint32(iId);
    return insert(org) ? org.iOrgId : 0;
}

bool CDirectoryTable::setNames(quint32 iOrgId, const QString &strName, const QString &strShortName)
{
    return run(QStringLiteral("UPDATE organisation SET name = ?, short_name = ? WHERE org_id = ?"),
               {strName, strShortName, qint64(iOrgId)});
}

bool CDirectoryTable::setPassword(quint32 iOrgId, const QByteArray &arHash)
{
    return run(QStringLiteral("UPDATE organisation SET password_hash = ? WHERE org_id = ?"),
               {arHash, qint64(iOrgId)});
}

bool CDirectoryTable::putDepartment(quint32 iOrgId, const Department &dept)
{
    return run(QStringLiteral("INSERT INTO department (org_id, dept_no, name, parent_no, sort_key) "
                              "VALUES (?, ?, ?, ?, ?) ON CONFLICT (org_id, dept_no) DO UPDATE "
                              "SET name = excluded.name, parent_no = excluded.parent_no, "
                              "sort_key = excluded.sort_key"),
               {qint64(iOrgId), text(dept.strNo), text(dept.strName), text(dept.strParentNo),
                text(dept.strSortKey)});
}

bool CDirectoryTable::putEmployee(quint32 iOrgId, const Employee &emp)
{
    return run(QStringLiteral(
                   "INSERT INTO employee (org_id, user_id, dept_no, name, post, phone, tel, zpid, "
                   "role, sort_key) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?) ON CONFLICT (org_id, "
                   "user_id) DO UPDATE SET dept_no = excluded.dept_no, name = excluded.name, "
                   "post = excluded.post, phone = excluded.phone, tel = excluded.tel, zpid = "
                   "excluded.zpid, role = excluded.role, sort_key = excluded.sort_key"),
               {qint64(iOrgId), text(emp.strUserId), text(emp.strDeptNo), text(emp.strName),
                text(emp.strPost), text(emp.strPhone), text(emp.strTel), qint64(emp.iZpid),
                emp.iRole, text(emp.strSortKey)});
}

bool CDirectoryTable::removeDepartment(quint32 iOrgId, const QString &strNo)
{
    return run(QStringLiteral("DELETE FROM department WHERE org_id = ? AND dept_no = ?"),
               {qint64(iOrgId), strNo});
}

bool CDirectoryTable::removeEmployee(quint32 iOrgId, const QString &strUserId)
{
    return run(QStringLiteral("DELETE FROM employee WHERE org_id = ? AND user_id = ?"),
               {qint64(iOrgId), strUserId});
}

bool CDirectoryTable::exists(quint32 iOrgId) const
{
    QSqlQuery query(database());
    return run(query, QStringLiteral("SELECT 1 FROM organisation WHERE org_id = ?"),
               {qint64(iOrgId)}) &&
           query.next();
}

int CDirectoryTable::count() const
{
    QSqlQuery query(database());
    if (!run(query, QStringLiteral("SELECT COUNT(*) FROM organisation")) || !query.next())
        return 0;
    return query.value(0).toInt();
}
