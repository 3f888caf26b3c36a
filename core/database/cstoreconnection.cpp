#include "cstoreconnection.h"

#include <QSqlError>

namespace {

// A statement that meets an open batch of another thread waits this long for the write lock
// rather than failing at once.
const QString kConnectOptions = QStringLiteral("QSQLITE_BUSY_TIMEOUT=30000");

} // namespace

CStoreConnection::CStoreConnection(const QString &strConnectionName, const QString &strFile)
    : m_strName(strConnectionName),
      m_db(QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), strConnectionName))
{
    m_db.setDatabaseName(strFile);
    m_db.setConnectOptions(kConnectOptions);
    m_db.open();
}

CStoreConnection::~CStoreConnection()
{
    // Every handle to the connection must be gone before it is unregistered.
    m_statements.clear();
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_strName);
}

QString CStoreConnection::lastError() const
{
    return m_db.lastError().text();
}

bool CStoreConnection::take(const QString &strSql, QSqlQuery &query, QString &strError)
{
    const auto it = m_statements.find(strSql);
    if (it != m_statements.end()) {
        query.swap(it.value());
        m_statements.erase(it);
        return true;
    }
    query = QSqlQuery(m_db);
    // Rows are read once, front to back: the driver then keeps one row instead of them all.
    query.setForwardOnly(true);
    if (query.prepare(strSql))
        return true;
    strError = query.lastError().text();
    return false;
}

void CStoreConnection::giveBack(const QString &strSql, QSqlQuery &&query)
{
    query.finish();
    // A nested use of the same text gave its statement back first; one copy is enough.
    if (!m_statements.contains(strSql))
        m_statements.insert(strSql, query);
}
