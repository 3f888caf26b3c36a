// CHeapTrim: hands the allocator's free pages back to the system once a burst of released
// memory has settled (connections closed, their buffers and sessions gone). Without it the
// heap stays at the peak of the last load; with it the service's footprint returns to what the
// users still connected need.
#pragma once

#include <QObject>
#include <QTimer>

#include <functional>

class CHeapTrim : public QObject
{
public:
    // beforeTrim lets the owner release caches of its own first (the store's page cache).
    explicit CHeapTrim(int iSettleMs, std::function<void()> beforeTrim = {},
                       QObject *parent = nullptr);

    // Something sizeable was released: trim once nothing more has been for the settle time.
    void released();
    int trims() const { return m_iTrims; }

private:
    void trim();

    std::function<void()> m_beforeTrim;
    QTimer m_settle;
    int m_iTrims = 0;
};
