#include "cdirectorytable.h"

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

bool CDirectoryTable::insert(const Organisation &organisation)
{
    const qint64 iOrg = organisation.iOrgId;
    if (!run(QStringLiteral("INSERT INTO organisation (org_id, name, short_name) VALUES (?, ?, ?)"),
             {iOrg, organisation.strName, organisation.strShortName}))
        return false;
    for (const Department &dept : organisation.departments) {
        if (!run(QStringLiteral("INSERT INTO department (org_id, dept_no, name, parent_no) "
                                "VALUES (?, ?, ?, ?)"),
                 {iOrg, dept.strNo, dept.strName, dept.strParentNo}))
            return false;
    }
    for (const Employee &emp : organisation.employees) {
        if (!run(QStringLiteral("INSERT INTO employee (org_id, user_id, dept_no, name, post, "
                                "phone, tel, zpid) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"),
                 {iOrg, emp.strUserId, emp.strDeptNo, emp.strName, emp.strPost, emp.strPhone,
                  emp.strTel, qint64(emp.iZpid)}))
            return false;
    }
    return true;
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
