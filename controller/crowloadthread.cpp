#include "crowloadthread.h"

#include "contactsearch.h"

CRowLoadThread::CRowLoadThread(Load load, bool bIndex)
    : m_load(std::move(load)), m_bIndex(bIndex), m_pTarget(QThread::currentThread())
{}

CRowLoadThread::~CRowLoadThread()
{
    qDeleteAll(m_rows);
    if (m_pIndex)
        freeIndex(m_pIndex);
}

void CRowLoadThread::run()
{
    m_rows = m_load();
    if (m_bIndex)
        m_pIndex = createIndex(m_rows);
    // Only the thread an object lives on may push it to another.
    for (QObject *pRow : std::as_const(m_rows))
        pRow->moveToThread(m_pTarget);
}
