// CSignalWatcher: turns SIGINT, SIGTERM and SIGUSR1 into Qt signals on the event loop (the
// handler only writes a byte to a socket pair), so the service can print its counters on
// demand and shut down cleanly.
#pragma once

#include <QObject>

class QSocketNotifier;

class CSignalWatcher : public QObject
{
    Q_OBJECT
public:
    explicit CSignalWatcher(QObject *parent = nullptr);
    ~CSignalWatcher() override;
    bool isWatching() const { return m_pNotifier != nullptr; }

signals:
    void stopRequested();
    void reportRequested();

private:
    void onReadable();

    QSocketNotifier *m_pNotifier = nullptr;
};
