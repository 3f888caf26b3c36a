// CStoreConnection: one thread's connection to one database file, with the statements
// prepared on it. A QSqlDatabase may only be used on the thread that opened it, so every
// thread that touches the store has connections of its own; a statement is prepared once per
// connection and reused until the connection closes, which finishes them all first.
#pragma once

#include <QHash>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>

class CStoreConnection
{
public:
    // Registers the connection strConnectionName on strFile and opens it; isOpen() tells
    // whether that worked, lastError() why not.
    CStoreConnection(const QString &strConnectionName, const QString &strFile);
    ~CStoreConnection();
    CStoreConnection(const CStoreConnection &) = delete;
    CStoreConnection &operator=(const CStoreConnection &) = delete;

    bool isOpen() const { return m_db.isOpen(); }
    QString lastError() const;
    const QString &name() const { return m_strName; }
    QSqlDatabase &database() { return m_db; }

    // The statement for strSql, prepared on first use, taken out of the cache so that a
    // nested use of the same text (a store operation that calls another) prepares its own.
    // False, with the driver's error in strError, when the text does not prepare.
    bool take(const QString &strSql, QSqlQuery &query, QString &strError);
    // Ends the statement's use (releasing its read snapshot) and keeps it for the next one.
    void giveBack(const QString &strSql, QSqlQuery &&query);

private:
    QString m_strName;
    QSqlDatabase m_db;
    QHash<QString, QSqlQuery> m_statements;
};
