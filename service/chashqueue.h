// CHashQueue: the service's Argon2id work on a pool of its own, so that a flood of it can hold
// neither the event loop nor the rest of the process. Sign-in checks always go first: a
// password change starts only while no check waits or runs, at most one at a time, and only one
// per account may be waiting; beyond a small number waiting, changes are refused. A running
// hash takes tens of megabytes, so the caps bound memory as well as time.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QQueue>
#include <QSet>
#include <QString>
#include <QThreadPool>

#include <functional>

#include "cpasswordhash.h"

class CHashQueue : public QObject
{
    Q_OBJECT
public:
    static constexpr int DEFAULT_MAX_WAITING_CHANGES = 8;

    // iThreads of 0 takes one per core, at least two.
    CHashQueue(int iThreads, int iMaxWaitingChanges, QObject *parent = nullptr);
    ~CHashQueue() override;

    // Checks a password against its hash ahead of every waiting change; done is called with
    // the result on this object's thread.
    void check(const QByteArray &arHash, const QString &strPassword,
               std::function<void(bool)> done);
    // Queues a new hash for the account's password change; false, with nothing queued, when the
    // account has a change waiting or running or too many changes wait. done is called with
    // the hash (empty when it could not be made).
    bool change(quint32 iZpid, const QString &strPassword, CPasswordHash::Cost cost,
                std::function<void(QByteArray)> done);
    // Changes waiting or running.
    int changes() const { return int(m_changes.size()) + (m_bChanging ? 1 : 0); }

private:
    struct Change
    {
        quint32 iZpid = 0;
        QString strPassword;
        CPasswordHash::Cost cost = CPasswordHash::Interactive;
        std::function<void(QByteArray)> done;
    };

    void startChange();

    QThreadPool m_pool;
    int m_iMaxWaitingChanges;
    int m_iChecks = 0; // checks handed to the pool whose results have not come back
    bool m_bChanging = false;
    QQueue<Change> m_changes;
    QSet<quint32> m_accounts; // accounts with a change waiting or running
};
