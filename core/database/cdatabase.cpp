#include "cdatabase.h"

#include "cdatabase_p.h"
#include "contactmodel.h"
#include "cschema.h"
#include "cstoreconnection.h"
#include "cstorequery.h"
#include "pinyin.h"

#include <QDateTime>
#include <QFileInfo>
#include <QHash>
#include <QMutexLocker>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <QThreadStorage>

#include <utility>

namespace {

QMutex &storeMutex()
{
    static QMutex mutex;
    return mutex;
}

std::atomic<int> g_iNextInstance{0};

// Whether this thread's beginTransaction really began a transaction, so that its
// commitTransaction never commits or rolls back a transaction someone else opened.
thread_local bool t_bTransactionBegun = false;

// The connections a non-owner thread opened, closed and unregistered when that thread ends
// (QThreadStorage deletes the object on the finishing thread itself).
struct ThreadConnections
{
    QHash<QString, CStoreConnection *> connections;
    ~ThreadConnections() { qDeleteAll(connections); }
};

QThreadStorage<ThreadConnections *> &threadConnections()
{
    static QThreadStorage<ThreadConnections *> storage;
    return storage;
}

bool applyPragmas(QSqlDatabase &db)
{
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("PRAGMA journal_mode=WAL")) || !query.next() ||
        query.value(0).toString().compare(QLatin1String("wal"), Qt::CaseInsensitive) != 0)
        return false;
    // With the WAL journal a commit needs no flush to stay consistent (checkpoints still
    // flush): each message the GUI thread stores is its own commit, and a burst of them must
    // not wait on the disk once per row.
    return query.exec(QStringLiteral("PRAGMA synchronous=NORMAL"));
}

} // namespace

namespace storedetail {

QVariant numberOf(const QString &strNumber)
{
    bool bOk = false;
    const qlonglong iValue = strNumber.trimmed().toLongLong(&bOk);
    return bOk ? QVariant(iValue) : QVariant(QString());
}

QString likeSuffix(const QString &strText)
{
    QString strEscaped = strText;
    strEscaped.replace(QLatin1Char('\\'), QLatin1String("\\\\"))
        .replace(QLatin1Char('%'), QLatin1String("\\%"))
        .replace(QLatin1Char('_'), QLatin1String("\\_"));
    return QLatin1Char('%') + strEscaped;
}

QString nowText()
{
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
}

bool isPersonType(int iType)
{
    return iType >= 0 && iType <= 2;
}

QString cardOfRow(const CStoreQuery &query)
{
    QString strCard = query.text(PName);
    for (int iColumn = PName + 1; iColumn <= PNickname; ++iColumn)
        strCard += QLatin1Char(':') + query.text(iColumn);
    return strCard;
}

ContactModel *contactOfRow(const CStoreQuery &query, const QString &strZpid,
                           const QString &strLocation)
{
    return new ContactModel(query.text(PId), strZpid, query.text(PName), query.text(PSex),
                            query.text(PPost), query.text(PCompany), query.text(PAddress),
                            query.text(PPhone), query.text(PTel), query.text(PEmail),
                            query.text(PNotes), query.text(PProfession), query.text(PHomepage),
                            query.text(PFax), query.text(PAge), query.text(PNickname), strLocation,
                            query.number(PType), false);
}

} // namespace storedetail

CDatabase::CDatabase(const QString &strDbName, const QString &strCommonDbName)
    : m_strDbName(strDbName), m_strCommonDbName(strCommonDbName),
      m_strDbPath(QFileInfo(strDbName).absoluteFilePath()),
      m_strCommonDbPath(QFileInfo(strCommonDbName).absoluteFilePath()),
      m_pOwnerThread(QThread::currentThread()), m_iInstance(g_iNextInstance.fetch_add(1))
{
    m_pMain = std::make_unique<CStoreConnection>(m_strDbName, m_strDbName);
    if (!m_pMain->isOpen()) {
        m_trace.traceError(m_pMain->lastError());
        m_trace.traceError(QStringLiteral("open database failed!"));
        return;
    }
    m_trace.trace(QStringLiteral("open database success!"));
    QSqlDatabase db = m_pMain->database();
    QString strSchemaError;
    // A file of a later program is refused before the journal pragma rewrites its header.
    if (CSchema::mainSteps().check(db, &strSchemaError) == CSchemaSteps::Newer) {
        m_trace.traceError(strSchemaError);
        return;
    }
    // The main file is written by workers while the GUI thread reads; the common file is
    // only read, so it keeps the default journal.
    if (!applyPragmas(db))
        m_trace.traceError(QStringLiteral("WAL journal not available"));
    const CSchemaSteps::Result upgraded = CSchema::mainSteps().upgrade(db, &strSchemaError);
    m_bOpen = upgraded == CSchemaSteps::Current || upgraded == CSchemaSteps::Upgraded;
    if (!m_bOpen)
        m_trace.traceError(strSchemaError);

    m_pCommon = std::make_unique<CStoreConnection>(m_strCommonDbName, m_strCommonDbName);
    if (!m_pCommon->isOpen()) {
        m_trace.traceError(m_pCommon->lastError());
        m_trace.traceError(QStringLiteral("open database2 failed!"));
        return;
    }
    m_trace.trace(QStringLiteral("open database2 success!"));
    QSqlQuery query(m_pCommon->database());
    m_bCommonOpen = query.exec(CSchema::createStatement(CSchema::pinyinTable()));
    if (!m_bCommonOpen)
        m_trace.traceError(query.lastError().text());
}

CDatabase::~CDatabase()
{
    // The named connections belong to the constructing thread; from any other thread they
    // cannot be closed safely and are left to the end of the process.
    if (QThread::currentThread() != m_pOwnerThread) {
        m_trace.traceError(QStringLiteral("CDatabase released outside its thread"));
        (void)m_pMain.release();
        (void)m_pCommon.release();
        return;
    }
    if (m_pMain && m_pMain->isOpen())
        m_trace.trace(QStringLiteral("close database success!"));
    m_pMain.reset();
    if (m_pCommon && m_pCommon->isOpen())
        m_trace.trace(QStringLiteral("close database2 success!"));
    m_pCommon.reset();
}

void CDatabase::setLoginPhone(const QString &strPhone)
{
    QMutexLocker locker(&m_phoneMutex);
    m_strLoginPhone = strPhone;
}

QString CDatabase::loginPhone() const
{
    QMutexLocker locker(&m_phoneMutex);
    return m_strLoginPhone;
}

CStoreConnection *CDatabase::connection(const QString &strName) const
{
    const bool bMain = strName == m_strDbName;
    if (!(bMain ? m_bOpen : (strName == m_strCommonDbName && m_bCommonOpen)))
        return nullptr;
    if (QThread::currentThread() == m_pOwnerThread)
        return bMain ? m_pMain.get() : m_pCommon.get();

    const QString strThreadName = QStringLiteral("%1@%2/%3")
                                      .arg(strName)
                                      .arg(m_iInstance)
                                      .arg(quintptr(QThread::currentThreadId()), 0, 16);
    ThreadConnections *pConnections = threadConnections().localData();
    if (!pConnections) {
        pConnections = new ThreadConnections;
        threadConnections().setLocalData(pConnections);
    }
    CStoreConnection *&pConnection = pConnections->connections[strThreadName];
    if (!pConnection) {
        pConnection = new CStoreConnection(strThreadName, bMain ? m_strDbPath : m_strCommonDbPath);
        if (!pConnection->isOpen())
            m_trace.traceError(pConnection->lastError());
    }
    return pConnection->isOpen() ? pConnection : nullptr;
}

CStoreQuery CDatabase::runOn(CStoreConnection *pConnection, const QString &strSql,
                             const QVariantList &values) const
{
    if (!pConnection)
        return CStoreQuery();
    QSqlQuery query;
    QString strError;
    if (!pConnection->take(strSql, query, strError)) {
        m_trace.traceError(strError);
        return CStoreQuery();
    }
    // Positions, not appends: a reused statement still holds the values of its last run.
    for (int i = 0; i < values.size(); ++i)
        query.bindValue(i, values.at(i));
    if (!query.exec())
        m_trace.traceError(query.lastError().text());
    return CStoreQuery(pConnection, strSql, std::move(query));
}

CStoreQuery CDatabase::run(const QString &strSql, const QVariantList &values) const
{
    return runOn(connection(m_strDbName), strSql, values);
}

bool CDatabase::exec(const QString &strSql, const QVariantList &values) const
{
    return run(strSql, values).isActive();
}

QVariant CDatabase::value(const QString &strSql, const QVariantList &values) const
{
    CStoreQuery query = run(strSql, values);
    if (query.isActive() && query.next())
        return query.value(0);
    return QVariant();
}

bool CDatabase::beginBatch(const QString &strConnectionName)
{
    storeMutex().lock();
    CStoreConnection *pConnection = connection(strConnectionName);
    if (!pConnection)
        return false;
    // IMMEDIATE takes the write lock now, so a batch never fails half-way on a lock upgrade.
    QSqlQuery query(pConnection->database());
    if (query.exec(QStringLiteral("BEGIN IMMEDIATE")))
        return true;
    m_trace.traceError(query.lastError().text());
    return false;
}

bool CDatabase::endBatch(const QString &strConnectionName, bool bCommit)
{
    bool bCommitted = false;
    if (CStoreConnection *pConnection = connection(strConnectionName)) {
        QSqlQuery query(pConnection->database());
        if (bCommit) {
            bCommitted = query.exec(QStringLiteral("COMMIT"));
            if (!bCommitted)
                m_trace.traceError(query.lastError().text());
        }
        if (!bCommitted && !query.exec(QStringLiteral("ROLLBACK")) && bCommit)
            m_trace.traceError(query.lastError().text());
    }
    releaseBatch();
    return bCommitted;
}

void CDatabase::releaseBatch()
{
    storeMutex().unlock();
}

void CDatabase::beginTransaction(const QString &strConnectionName)
{
    t_bTransactionBegun = beginBatch(strConnectionName);
}

void CDatabase::commitTransaction(const QString &strConnectionName)
{
    if (std::exchange(t_bTransactionBegun, false))
        endBatch(strConnectionName, true);
    else
        releaseBatch();
}

void CDatabase::loadPinyin()
{
    // Opening a file that is not open would make it.
    setPinyinMap(m_bCommonOpen ? readPinyin(m_strCommonDbPath) : QHash<char16_t, QString>());
    m_trace.traceNumber(QStringLiteral("g_mapPinyin count"), pinyinMapSize());
}

void CDatabase::loadPinyinInBackground()
{
    if (m_bCommonOpen)
        loadPinyinMapAsync([strPath = m_strCommonDbPath] { return readPinyin(strPath); });
}

QHash<char16_t, QString> CDatabase::readPinyin(const QString &strCommonDbPath)
{
    QHash<char16_t, QString> map;
    {
        CStoreConnection connection(
            QStringLiteral("pinyin@%1").arg(quintptr(QThread::currentThreadId()), 0, 16),
            strCommonDbPath);
        if (!connection.isOpen())
            return map;
        QSqlQuery query(connection.database());
        if (!query.exec(QStringLiteral("Select Hanzi,DuYin from Pinyin")))
            return map;
        while (query.next()) {
            const QString strHanzi = query.value(0).toString();
            // The sort key looks names up one code unit at a time; a longer key never matches.
            if (strHanzi.size() == 1)
                map.insert(strHanzi.at(0).unicode(), query.value(1).toString());
        }
    }
    return map;
}

QString CDatabase::cardField(const QString &strCard, int iIndex)
{
    const QStringList fields = strCard.split(QLatin1Char(':'));
    return (iIndex >= 0 && iIndex < fields.size()) ? fields.at(iIndex) : QString();
}
