#include "cstorebatch.h"

#include "cdatabase.h"

CStoreBatch::CStoreBatch(CDatabase &db) : CStoreBatch(db, db.m_strDbName) {}

CStoreBatch::CStoreBatch(CDatabase &db, const QString &strConnectionName)
    : m_db(db), m_strConnectionName(strConnectionName)
{
    m_bActive = m_db.beginBatch(m_strConnectionName);
}

CStoreBatch::~CStoreBatch()
{
    end(false);
}

bool CStoreBatch::commit()
{
    return end(true);
}

void CStoreBatch::rollback()
{
    end(false);
}

bool CStoreBatch::end(bool bCommit)
{
    if (!m_bHeld)
        return false;
    m_bHeld = false;
    // A transaction that never began is not this batch's to end: only the mutex goes.
    if (!m_bActive) {
        CDatabase::releaseBatch();
        return false;
    }
    m_bActive = false;
    return m_db.endBatch(m_strConnectionName, bCommit);
}
