#include "chashqueue.h"

#include <QFutureWatcher>
#include <QtConcurrent/QtConcurrentRun>

CHashQueue::CHashQueue(int iThreads, int iMaxWaitingChanges, QObject *parent)
    : QObject(parent), m_iMaxWaitingChanges(qMax(1, iMaxWaitingChanges))
{
    m_pool.setMaxThreadCount(iThreads > 0 ? iThreads : qMax(2, QThread::idealThreadCount()));
}

CHashQueue::~CHashQueue()
{
    // The watchers are deleted after the pool: no result comes back once this is going.
    m_pool.clear();
    m_pool.waitForDone();
}

void CHashQueue::check(const QByteArray &arHash, const QString &strPassword,
                       std::function<void(bool)> done)
{
    ++m_iChecks;
    auto *pWatcher = new QFutureWatcher<bool>(this);
    connect(pWatcher, &QFutureWatcher<bool>::finished, this, [this, pWatcher, done] {
        pWatcher->deleteLater();
        --m_iChecks;
        done(pWatcher->result());
        startChange();
    });
    // With at most one change running, the pool always has a thread free for a check.
    pWatcher->setFuture(QtConcurrent::run(
        &m_pool, [arHash, strPassword] { return CPasswordHash::verify(arHash, strPassword); }));
}

bool CHashQueue::change(quint32 iZpid, const QString &strPassword, CPasswordHash::Cost cost,
                        std::function<void(QByteArray)> done)
{
    if (m_accounts.contains(iZpid) || m_changes.size() >= m_iMaxWaitingChanges)
        return false;
    m_accounts.insert(iZpid);
    m_changes.enqueue(Change{iZpid, strPassword, cost, std::move(done)});
    startChange();
    return true;
}

void CHashQueue::startChange()
{
    if (m_bChanging || m_iChecks > 0 || m_changes.isEmpty())
        return;
    m_bChanging = true;
    const Change change = m_changes.dequeue();
    auto *pWatcher = new QFutureWatcher<QByteArray>(this);
    connect(pWatcher, &QFutureWatcher<QByteArray>::finished, this, [this, pWatcher, change] {
        pWatcher->deleteLater();
        m_bChanging = false;
        m_accounts.remove(change.iZpid);
        change.done(pWatcher->result());
        startChange();
    });
    pWatcher->setFuture(
        QtConcurrent::run(&m_pool, [strPassword = change.strPassword, cost = change.cost] {
            return CPasswordHash::hash(strPassword, cost);
        }));
}
