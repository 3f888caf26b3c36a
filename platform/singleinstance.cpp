#include "singleinstance.h"

SingleInstance::SingleInstance(const QString &strSemaphoreKey, const QString &strSegmentKey)
    : m_semaphore(strSemaphoreKey, 1, QSystemSemaphore::Open), m_segment(strSegmentKey)
{}

bool SingleInstance::tryAcquire()
{
    m_semaphore.acquire();
    // A copy killed without clean-up leaves its System V segment behind with nobody
    // attached. Attaching and detaching again removes such an orphan (the last detach
    // destroys it), while a segment that a live copy holds stays in place.
    {
        QSharedMemory orphan(m_segment.key());
        if (orphan.attach())
            orphan.detach();
    }
    const bool bCreated = m_segment.create(1, QSharedMemory::ReadWrite);
    m_semaphore.release();
    return bCreated;
}
