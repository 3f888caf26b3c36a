#include "sqlfile.h"

#include <QCryptographicHash>
#include <QDebug>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace SqlFile {

bool run(const QString &strPath, const QStringList &statements)
{
    const QString strName = QStringLiteral("raw-") + strPath;
    bool bOk = true;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), strName);
        db.setDatabaseName(strPath);
        bOk = db.open();
        QSqlQuery query(db);
        for (const QString &strStatement : statements) {
            if (bOk && !query.exec(strStatement)) {
                qWarning() << strStatement << query.lastError().text();
                bOk = false;
            }
        }
    }
    QSqlDatabase::removeDatabase(strName);
    return bOk;
}

QVariant value(const QString &strPath, const QString &strSql)
{
    const QString strName = QStringLiteral("read-") + strPath;
    QVariant result;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), strName);
        db.setDatabaseName(strPath);
        if (db.open()) {
            QSqlQuery query(db);
            if (query.exec(strSql) && query.next())
                result = query.value(0);
        }
    }
    QSqlDatabase::removeDatabase(strName);
    return result;
}

QStringList layoutStatements(const QString &strFile)
{
    QFile file(strFile);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList statements;
    for (const QString &strLine : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'))) {
        if (!strLine.trimmed().isEmpty() && !strLine.startsWith(QLatin1String("--")))
            statements.append(strLine);
    }
    return statements;
}

QByteArray digest(const QString &strPath)
{
    QFile file(strPath);
    return file.open(QIODevice::ReadOnly)
               ? QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256)
               : QByteArray();
}

} // namespace SqlFile
