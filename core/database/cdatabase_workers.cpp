// The store operations of the parse workers that the table families do not already offer.
#include "cdatabase.h"

#include "cstoreconnection.h"

#include <QSqlError>
#include <QSqlQuery>

void CDatabase::setContactRegistered(quint32 iZpid, const QString &strPhone)
{
    exec(QStringLiteral("Update Contact Set Zpid = ?,Type = 2 where Phone = ? and Type in (2,3)"),
         {qlonglong(iZpid), strPhone});
}

bool CDatabase::commitTransactionFor(const QString &strConnectionName, quint32 iLoginZpid)
{
    // Decided while the batch still holds the write lock: a sign-out changes the account
    // before it empties the tables, and that emptying waits for this commit, so rows of an
    // account that is gone never outlive it.
    const bool bKeep = iLoginZpid != 0 && loginZpid() == iLoginZpid;
    if (!bKeep) {
        if (CStoreConnection *pConnection = connection(strConnectionName)) {
            // Undo the writes and leave an empty transaction for commitTransaction to end.
            QSqlQuery query(pConnection->database());
            if (!query.exec(QStringLiteral("ROLLBACK")) || !query.exec(QStringLiteral("BEGIN")))
                m_trace.traceError(query.lastError().text());
        }
    }
    commitTransaction(strConnectionName);
    return bKeep;
}
