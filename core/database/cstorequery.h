// CStoreQuery: one executed statement of the store, read front to back by column index. It
// holds a statement taken from its connection's cache and gives it back when it goes out of
// scope, so a read never keeps its snapshot (or the statement) longer than the operation.
#pragma once

#include <QSqlQuery>
#include <QString>
#include <QVariant>

class CStoreConnection;

class CStoreQuery
{
public:
    // A query that ran on no connection: inactive, no rows.
    CStoreQuery() = default;
    CStoreQuery(CStoreConnection *pConnection, const QString &strSql, QSqlQuery &&query);
    CStoreQuery(CStoreQuery &&other) noexcept;
    CStoreQuery &operator=(CStoreQuery &&) = delete;
    CStoreQuery(const CStoreQuery &) = delete;
    CStoreQuery &operator=(const CStoreQuery &) = delete;
    ~CStoreQuery();

    // True when the statement ran; a failed statement changed nothing and has no rows.
    bool isActive() const { return m_query.isActive(); }
    bool next() { return m_query.next(); }
    QVariant value(int iColumn) const { return m_query.value(iColumn); }
    QString text(int iColumn) const { return m_query.value(iColumn).toString(); }
    int number(int iColumn) const { return m_query.value(iColumn).toInt(); }
    qlonglong bigNumber(int iColumn) const { return m_query.value(iColumn).toLongLong(); }
    // Ends the read early, before the operation writes on the same connection.
    void finish();

private:
    CStoreConnection *m_pConnection = nullptr;
    QString m_strSql;
    QSqlQuery m_query;
};
