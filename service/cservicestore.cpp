#include "cservicestore.h"

#include <QAtomicInt>
#include <QDir>
#include <QSqlError>
#include <QSqlQuery>

namespace {

QString nextConnectionName()
{
    static QAtomicInt s_iNext;
    return QStringLiteral("zephond-%1").arg(s_iNext.fetchAndAddRelaxed(1));
}

} // namespace

CServiceStore::CServiceStore()
    : m_strConnection(nextConnectionName()), m_accounts(m_strConnection),
      m_addressBooks(m_strConnection), m_circles(m_strConnection), m_directory(m_strConnection),
      m_cloudBooks(m_strConnection), m_storedMessages(m_strConnection)
{}

CServiceStore::~CServiceStore()
{
    if (QSqlDatabase::contains(m_strConnection)) {
        QSqlDatabase::database(m_strConnection, false).close();
        QSqlDatabase::removeDatabase(m_strConnection);
    }
}

bool CServiceStore::open(const QString &strFolder)
{
    if (!QDir().mkpath(strFolder)) {
        m_strError = QStringLiteral("cannot create the folder ") + strFolder;
        return false;
    }
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_strConnection);
    db.setDatabaseName(QDir(strFolder).filePath(QLatin1String(FILE_NAME)));
    if (!db.open()) {
        m_strError = db.lastError().text();
        return false;
    }
    QSqlQuery query(db);
    for (const char *pPragma :
         {"PRAGMA journal_mode=WAL", "PRAGMA foreign_keys=ON", "PRAGMA busy_timeout=5000"}) {
        if (!query.exec(QLatin1String(pPragma))) {
            m_strError = query.lastError().text();
            return false;
        }
    }
    if (!transaction()) {
        m_strError = db.lastError().text();
        return false;
    }
    const bool bOk = m_accounts.createSchema() && m_addressBooks.createSchema() &&
                     m_circles.createSchema() && m_directory.createSchema() &&
                     m_cloudBooks.createSchema() && m_storedMessages.createSchema();
    if (!bOk || !commit()) {
        m_strError = QStringLiteral("cannot create the tables: ") + db.lastError().text();
        rollback();
        return false;
    }
    return true;
}

bool CServiceStore::transaction()
{
    return QSqlDatabase::database(m_strConnection, false).transaction();
}

bool CServiceStore::commit()
{
    return QSqlDatabase::database(m_strConnection, false).commit();
}

void CServiceStore::rollback()
{
    QSqlDatabase::database(m_strConnection, false).rollback();
}
