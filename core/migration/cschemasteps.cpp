#include "cschemasteps.h"

#include <QSqlError>
#include <QSqlQuery>

CSchemaSteps::Step CSchemaSteps::statements(const QStringList &sql)
{
    return [sql](QSqlDatabase &db, QString &strError) {
        QSqlQuery query(db);
        for (const QString &strStatement : sql) {
            if (!query.exec(strStatement)) {
                strError = query.lastError().text();
                return false;
            }
        }
        return true;
    };
}

int CSchemaSteps::version(QSqlDatabase &db)
{
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("PRAGMA user_version")) || !query.next())
        return -1;
    return query.value(0).toInt();
}

CSchemaSteps::Result CSchemaSteps::check(QSqlDatabase &db, QString *pError) const
{
    const int iVersion = version(db);
    if (iVersion < 0) {
        if (pError)
            *pError = QStringLiteral("cannot read the schema version: ") + db.lastError().text();
        return Failed;
    }
    if (iVersion > latestVersion()) {
        if (pError)
            *pError = QStringLiteral("the file has schema version %1, newer than this program's "
                                     "%2; it was left as it is")
                          .arg(iVersion)
                          .arg(latestVersion());
        return Newer;
    }
    return iVersion == latestVersion() ? Current : Upgraded;
}

CSchemaSteps::Result CSchemaSteps::upgrade(QSqlDatabase &db, QString *pError) const
{
    const Result checked = check(db, pError);
    if (checked != Upgraded)
        return checked;
    const int iFrom = version(db);
    if (!db.transaction()) {
        if (pError)
            *pError = QStringLiteral("cannot begin the upgrade: ") + db.lastError().text();
        return Failed;
    }
    for (int iStep = iFrom; iStep < latestVersion(); ++iStep) {
        QString strError;
        if (!m_steps.at(iStep)(db, strError)) {
            if (pError)
                *pError = QStringLiteral("schema step %1 failed: %2").arg(iStep + 1).arg(strError);
            db.rollback();
            return Failed;
        }
    }
    // The pragma takes no bound parameter; the number is this program's own.
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("PRAGMA user_version = %1").arg(latestVersion())) ||
        !db.commit()) {
        if (pError)
            *pError =
                QStringLiteral("cannot record the schema version: ") + query.lastError().text();
        db.rollback();
        return Failed;
    }
    return Upgraded;
}
