// SingleInstance: makes sure one copy of the client runs per desktop, with the semaphore
// "Zephon" guarding the one-byte shared segment "QtZephon" that the running copy holds.
#pragma once

#include <QSharedMemory>
#include <QString>
#include <QSystemSemaphore>

class SingleInstance
{
public:
    explicit SingleInstance(const QString &strSemaphoreKey = QStringLiteral("Zephon"),
                            const QString &strSegmentKey = QStringLiteral("QtZephon"));

    // True when this process now holds the segment; false when another copy holds it.
    bool tryAcquire();

private:
    QSystemSemaphore m_semaphore;
    QSharedMemory m_segment;
};
