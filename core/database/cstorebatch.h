// CStoreBatch: one worker batch on the store, as a scope. Construction takes the store mutex
// (waiting for any other batch) and begins a transaction on the calling thread's connection;
// commit() ends it. Leaving the scope without a commit - an early return, a failed step, an
// exception - rolls the batch back. The mutex is released on every path, also when the
// connection is not open or the transaction did not begin.
//
// The mutex is not recursive: a thread must not open a second batch inside its first.
#pragma once

#include <QString>

class CDatabase;

class CStoreBatch
{
public:
    explicit CStoreBatch(CDatabase &db);
    CStoreBatch(CDatabase &db, const QString &strConnectionName);
    ~CStoreBatch();
    CStoreBatch(const CStoreBatch &) = delete;
    CStoreBatch &operator=(const CStoreBatch &) = delete;

    // True while the transaction is open: it began and has not been ended.
    bool isActive() const { return m_bActive; }
    // Commits the batch and releases the mutex; false (and the batch rolled back) when the
    // transaction never began or the commit failed. Only the first end counts.
    bool commit();
    // Rolls the batch back and releases the mutex.
    void rollback();

private:
    bool end(bool bCommit);

    CDatabase &m_db;
    QString m_strConnectionName;
    bool m_bActive = false;
    bool m_bHeld = true;
};
