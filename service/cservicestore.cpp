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
      m_addressBooks(m_strConnection), m_circles(m_strConnection),
      m_circleRequests(m_strConnection), m_directory(m_strConnection),
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
    const CSchemaSteps steps = schemaSteps();
    // A file of a later service is refused before the journal pragma rewrites its header.
    if (steps.check(db, &m_strError) == CSchemaSteps::Newer)
        return false;
    QSqlQuery query(db);
    for (const char *pPragma :
         {"PRAGMA journal_mode=WAL", "PRAGMA foreign_keys=ON", "PRAGMA busy_timeout=5000"}) {
        if (!query.exec(QLatin1String(pPragma))) {
            m_strError = query.lastError().text();
            return false;
        }
    }
    const CSchemaSteps::Result result = steps.upgrade(db, &m_strError);
    return result == CSchemaSteps::Current || result == CSchemaSteps::Upgraded;
}

CSchemaSteps CServiceStore::schemaSteps()
{
    // Each table keeps its own SQL; this list only says in which release each part came.
    // Append new steps; never change a released one.
    auto tables = [this](QSqlDatabase &, QString &strError) {
        const bool bOk = m_accounts.createSchema() && m_addressBooks.createSchema() &&
                         m_circles.createSchema() && m_directory.createSchema() &&
                         m_cloudBooks.createSchema() && m_storedMessages.createSchema();
        if (!bOk)
            strError = QStringLiteral("cannot create the tables (the table's error is logged)");
        return bOk;
    };
    auto circleCreated = [this](QSqlDatabase &, QString &strError) {
        const bool bOk = m_circles.addCreatedColumn();
        if (!bOk)
            strError = QStringLiteral("cannot add the circles' creation time");
        return bOk;
    };
    auto circleRequests = [this](QSqlDatabase &, QString &strError) {
        const bool bOk = m_circleRequests.createSchema();
        if (!bOk)
            strError = QStringLiteral("cannot create the circle requests");
        return bOk;
    };
    auto directoryRoles = [this](QSqlDatabase &, QString &strError) {
        const bool bOk = m_directory.addRolesAndKeys();
        if (!bOk)
            strError = QStringLiteral("cannot add the directory's passwords, roles and sort keys");
        return bOk;
    };
    auto addressBookPhones = [this](QSqlDatabase &, QString &strError) {
        const bool bOk = m_addressBooks.addPhoneIndex();
        if (!bOk)
            strError = QStringLiteral("cannot index the address books' numbers");
        return bOk;
    };
    return CSchemaSteps({tables, circleCreated, circleRequests, directoryRoles, addressBookPhones});
}

void CServiceStore::releaseMemory()
{
    QSqlDatabase db = QSqlDatabase::database(m_strConnection, false);
    if (db.isOpen())
        QSqlQuery(QStringLiteral("PRAGMA shrink_memory"), db);
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
