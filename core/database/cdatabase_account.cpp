// CDatabase, Account and EnAccount: the remembered client and enterprise log-ins.
#include "cdatabase.h"

#include "cstorequery.h"

void CDatabase::addAccount(const QString &strUserId, const QString &strPassword)
{
    CStoreQuery query = run(QStringLiteral("Select Id from Account where UserId = ?"), {strUserId});
    if (!query.isActive())
        return;
    const bool bExists = query.next();
    query.finish();
    if (bExists)
        exec(QStringLiteral("Update Account set Password = ? where UserId = ?"),
             {strPassword, strUserId});
    else
        exec(QStringLiteral("Insert into Account(UserId,Password)Values(?,?)"),
             {strUserId, strPassword});
}

QStringList CDatabase::getAccount()
{
    QStringList ids;
    CStoreQuery query = run(QStringLiteral("Select UserId from Account Order by Id"));
    while (query.isActive() && query.next())
        ids << query.text(0);
    return ids;
}

QString CDatabase::getPassword(const QString &strUserId)
{
    return value(QStringLiteral("Select Password from Account Where UserId = ?"), {strUserId})
        .toString();
}

void CDatabase::addEnAccount(const QString &strUserId, const QString &strPassword)
{
    const qlonglong iLogin = loginZpid();
    CStoreQuery query =
        run(QStringLiteral("Select Id from EnAccount where LoginZpid = ? and UserId = ?"),
            {iLogin, strUserId});
    if (!query.isActive())
        return;
    const bool bExists = query.next();
    query.finish();
    if (bExists)
        exec(QStringLiteral("Update EnAccount set Password = ? where LoginZpid = ? and UserId = ?"),
             {strPassword, iLogin, strUserId});
    else
        exec(QStringLiteral("Insert into EnAccount(LoginZpid,UserId,Password)Values(?,?,?)"),
             {iLogin, strUserId, strPassword});
}

QString CDatabase::getEnPassword(const QString &strUserId)
{
    return value(
               QStringLiteral("Select Password from EnAccount Where LoginZpid = ? and UserId = ?"),
               {qlonglong(loginZpid()), strUserId})
        .toString();
}
