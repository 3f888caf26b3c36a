// UnixSignalWatcher: turns Unix signals into Qt signals on the event loop of the thread that
// made it. The handler only writes the signal number into a socket pair that the loop watches,
// so ending the process by SIGTERM or SIGINT runs the same quit path as any other way out, and
// the service can print its counters on demand. Qt Core only, so the service links it too.
#pragma once

#include <QObject>

class QSocketNotifier;

class UnixSignalWatcher : public QObject
{
    Q_OBJECT

public:
    // SIGTERM and SIGINT are always watched; SIGUSR1 only where a report is asked for, since
    // elsewhere its default action (ending the process) stays in place.
    enum class ReportSignal
    {
        None,
        Usr1
    };

    explicit UnixSignalWatcher(QObject *parent = nullptr);
    explicit UnixSignalWatcher(ReportSignal report, QObject *parent = nullptr);
    // Gives the signals back to the handlers they had before.
    ~UnixSignalWatcher() override;

    // False when another watcher already holds the signals or the socket pair could not be
    // made; such a watcher stays silent.
    bool isWatching() const { return m_pNotifier != nullptr; }

Q_SIGNALS:
    void terminationRequested(int iSignal);
    void reportRequested();

private:
    void onReadable();

    QSocketNotifier *m_pNotifier = nullptr;
    bool m_bReport = false;
};
