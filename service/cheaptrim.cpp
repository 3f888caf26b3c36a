#include "cheaptrim.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

CHeapTrim::CHeapTrim(int iSettleMs, std::function<void()> beforeTrim, QObject *parent)
    : QObject(parent), m_beforeTrim(std::move(beforeTrim))
{
    m_settle.setSingleShot(true);
    m_settle.setInterval(iSettleMs);
    connect(&m_settle, &QTimer::timeout, this, &CHeapTrim::trim);
}

void CHeapTrim::released()
{
    m_settle.start();
}

void CHeapTrim::trim()
{
    if (m_beforeTrim)
        m_beforeTrim();
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
    ++m_iTrims;
}
