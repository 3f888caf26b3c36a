// UnixSignalWatcher: turns SIGTERM and SIGINT into a Qt signal on the GUI thread, so that a
// desktop session ending the client runs the same quit path as the close button.
#pragma once

#include <QObject>

class QSocketNotifier;

class UnixSignalWatcher : public QObject
{
    Q_OBJECT

public:
    explicit UnixSignalWatcher(QObject *parent = nullptr);
    ~UnixSignalWatcher() override;

Q_SIGNALS:
    void terminationRequested(int iSignal);

private:
    void onReadable();

    QSocketNotifier *m_pNotifier = nullptr;
};
