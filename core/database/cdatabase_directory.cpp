// CDatabase, Dept and Emp: the enterprise directory of the last enterprise log-in.
#include "cdatabase.h"

#include "cdatabase_p.h"
#include "orginfomodel.h"

using namespace storedetail;

namespace {

// Ex is a number kept as text; ordering it as text would put "10" before "9". %1 names the
// table of the columns in a join.
const QString kExOrder = QStringLiteral(" Order by CAST(%1Ex AS REAL), %1Ex, %1Id");

} // namespace

void CDatabase::clearDept()
{
    exec(QStringLiteral("Delete from Dept"));
}

void CDatabase::clearEmp()
{
    exec(QStringLiteral("Delete from Emp"));
}

void CDatabase::addDept(const QString &strName, const QString &strParentNo,
                        const QString &strDeptNo, int iOrgId, const QString &strEx)
{
    exec(QStringLiteral(
             "Insert into Dept(LoginZpid,Name,ParentNo,DeptNo,OrgId,Ex)Values(?,?,?,?,?,?)"),
         {qlonglong(loginZpid()), strName, strParentNo, strDeptNo, iOrgId, strEx});
}

void CDatabase::addEmp(quint32 iZpid, const QString &strName, const QString &strPhone,
                       const QString &strTel, const QString &strPost, int iUserType,
                       const QString &strUserId, const QString &strDeptNo, int iOrgId,
                       const QString &strEx)
{
    exec(QStringLiteral(
             "Insert into Emp(LoginZpid,Zpid,Name,Phone,Tel,Post,UserType,UserId,DeptNo,OrgId,Ex)"
             "Values(?,?,?,?,?,?,?,?,?,?,?)"),
         {qlonglong(loginZpid()), qlonglong(iZpid), strName, strPhone, strTel, strPost, iUserType,
          strUserId, strDeptNo, iOrgId, strEx});
}

QList<QObject *> CDatabase::getDept()
{
    // Each department with the number of the account's employees under its number.
    CStoreQuery query =
        run(QStringLiteral(
                "Select d.DeptNo, d.Name, d.Ex, coalesce(c.Employees, 0) from Dept d Left Join "
                "(Select DeptNo, count(*) As Employees from Emp Where LoginZpid = ? Group by "
                "DeptNo) c On c.DeptNo = d.DeptNo") +
                kExOrder.arg(QStringLiteral("d.")),
            {qlonglong(loginZpid())});
    QList<QObject *> list;
    while (query.isActive() && query.next())
        list.append(new OrgInfoModel(query.text(0), QString(), QString(), QString(), query.text(1),
                                     QString(), QString(), QString(), query.number(3),
                                     m_iOrgUserType.load(), false, query.text(2), QString()));
    return list;
}

QList<QObject *> CDatabase::getEmp(const QString &strDeptNo)
{
    // Each employee with the name and Ex of its department; of several department rows with
    // one number the first stored names it.
    const QString strSelect = QStringLiteral(
        "Select e.UserId, e.DeptNo, d.Name, e.Zpid, e.Name, e.Phone, e.Tel, e.Post, e.Ex, d.Ex "
        "from Emp e Left Join (Select DeptNo, Name, Ex, min(Id) from Dept Group by DeptNo) d On "
        "d.DeptNo = e.DeptNo");
    CStoreQuery query = strDeptNo.isEmpty()
                            ? run(strSelect + QStringLiteral(" Order by e.Id"))
                            : run(strSelect + QStringLiteral(" where e.DeptNo = ?") +
                                      kExOrder.arg(QStringLiteral("e.")),
                                  {strDeptNo});
    QList<QObject *> list;
    while (query.isActive() && query.next())
        list.append(new OrgInfoModel(query.text(0), query.text(1), query.text(2), query.text(3),
                                     query.text(4), query.text(5), query.text(6), query.text(7), 0,
                                     m_iOrgUserType.load(), false, query.text(8), query.text(9)));
    return list;
}

QString CDatabase::getDeptName(const QString &strDeptNo)
{
    return value(QStringLiteral("Select Name from Dept where DeptNo = ?"), {strDeptNo}).toString();
}

QString CDatabase::getDeptEx(const QString &strDeptNo)
{
    return value(QStringLiteral("Select Ex from Dept where DeptNo = ?"), {strDeptNo}).toString();
}

int CDatabase::getEmpCount(const QString &strDeptNo)
{
    return value(QStringLiteral("Select count(*) from Emp Where LoginZpid = ? and DeptNo = ?"),
                 {qlonglong(loginZpid()), strDeptNo})
        .toInt();
}

int CDatabase::getEmpUserType(const QString &strDeptNo, const QString &strUserId, bool *pFound)
{
    const QVariant type =
        value(QStringLiteral(
                  "Select UserType from Emp Where LoginZpid = ? and DeptNo = ? and UserId = ?"),
              {qlonglong(loginZpid()), strDeptNo, strUserId});
    if (pFound)
        *pFound = type.isValid();
    return type.toInt();
}

QStringList CDatabase::getEmpByPhone(const QString &strPhone)
{
    CStoreQuery query = run(
        QStringLiteral("Select Name,Post,DeptNo,Ex,Tel from Emp Where LoginZpid = ? and Phone = ?"),
        {qlonglong(loginZpid()), strPhone});
    if (!query.isActive() || !query.next())
        return {};
    return {query.text(0), query.text(1), query.text(2), query.text(3), query.text(4)};
}

QString CDatabase::getEmpCard(const QString &strUserId, const QString &strDeptNo)
{
    CStoreQuery query =
        run(QStringLiteral("Select Name,Post,Phone,Tel from Emp where UserId = ? and DeptNo = ?"),
            {strUserId, strDeptNo});
    if (!query.isActive() || !query.next())
        return QString();
    QStringList fields(14);
    fields[0] = query.text(0);
    fields[2] = query.text(1);
    fields[5] = query.text(2);
    fields[6] = query.text(3);
    return fields.join(QLatin1Char(':'));
}
