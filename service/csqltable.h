// CSqlTable: what every table of the service store shares: its connection and one way to run
// a statement with bound values. A failed statement is traced and reported as false.
#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariantList>

#include "ctrace.h"

class CSqlTable
{
public:
    explicit CSqlTable(const QString &strConnection, const char *pTraceTag)
        : m_strConnection(strConnection), m_trace(pTraceTag)
    {}

    // Statements run on the table so far: what one request costs the store.
    quint64 statements() const { return m_iStatements; }

protected:
    QSqlDatabase database() const { return QSqlDatabase::database(m_strConnection, false); }
    // Prepares strSql, binds values in order and runs it; query holds the result.
    bool run(QSqlQuery &query, const QString &strSql, const QVariantList &values = {}) const;
    bool run(const QString &strSql, const QVariantList &values = {}) const;

private:
    QString m_strConnection;
    CTrace m_trace;
    mutable quint64 m_iStatements = 0;
};
