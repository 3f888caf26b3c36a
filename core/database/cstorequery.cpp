#include "cstorequery.h"

#include "cstoreconnection.h"

CStoreQuery::CStoreQuery(CStoreConnection *pConnection, const QString &strSql, QSqlQuery &&query)
    : m_pConnection(pConnection), m_strSql(strSql), m_query(std::move(query))
{}

CStoreQuery::CStoreQuery(CStoreQuery &&other) noexcept
    : m_pConnection(other.m_pConnection), m_strSql(std::move(other.m_strSql))
{
    // A moved-from QSqlQuery has no private part left; the other keeps an empty query.
    m_query.swap(other.m_query);
    other.m_pConnection = nullptr;
}

CStoreQuery::~CStoreQuery()
{
    finish();
}

void CStoreQuery::finish()
{
    if (!m_pConnection) {
        m_query.finish();
        return;
    }
    QSqlQuery statement;
    statement.swap(m_query);
    m_pConnection->giveBack(m_strSql, std::move(statement));
    m_pConnection = nullptr;
}
