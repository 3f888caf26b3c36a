#include "csqltable.h"

#include <QSqlError>

bool CSqlTable::run(QSqlQuery &query, const QString &strSql, const QVariantList &values) const
{
    ++m_iStatements;
    if (!query.prepare(strSql)) {
        m_trace.traceError(query.lastError().text());
        return false;
    }
    for (const QVariant &value : values)
        query.addBindValue(value);
    if (!query.exec()) {
        m_trace.traceError(query.lastError().text());
        return false;
    }
    return true;
}

bool CSqlTable::run(const QString &strSql, const QVariantList &values) const
{
    QSqlQuery query(database());
    return run(query, strSql, values);
}
