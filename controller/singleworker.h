// SingleWorker: at most one worker thread of one kind; Core waits for every kind at logout and
// when it is destroyed.
//
// start() is given a maker, a function that creates the worker (a QThread subclass that runs
// once) with its payload already inside; the maker may also connect the worker's own signals.
// When no worker of the kind runs, the maker is called at once and the worker started with the
// inherited priority. While one runs, the maker is kept instead, and a later start() replaces a
// kept one: the latest payload wins and the ones in between are never made.
//
// When the worker's finished() arrives on the GUI thread, the worker is waited for. If a maker
// was kept meanwhile, the finished worker's result is out of date: it is deleted without its
// completion step (after the superseded function, when one is set, has seen it: a worker that
// already wrote to the store may leave results the next one cannot rebuild) and the kept maker
// is started. Otherwise the completion function runs with the
// worker (to read its results) and then the worker is deleted.
//
// wait() (logout, destruction) blocks until the running worker has finished, deletes it without
// its completion step and forgets a kept maker. Core makes its SingleWorkers its children, and
// waits for all of them at logout and in its destructor.
#pragma once

#include <QObject>
#include <QThread>

#include <functional>

class SingleWorker : public QObject
{
    Q_OBJECT

public:
    using Maker = std::function<QThread *()>;
    using Completion = std::function<void(QThread *pWorker)>;

    explicit SingleWorker(Completion completion, QObject *parent = nullptr);
    // Waits for a running worker.
    ~SingleWorker() override;

    // Called with a finished worker whose result a kept maker superseded, before it is deleted.
    void setSuperseded(Completion superseded) { m_superseded = std::move(superseded); }
    // Starts the worker that pMaker makes, or keeps the maker while one runs (see above).
    void start(Maker maker);
    // Waits for the running worker, deletes it and forgets a kept maker; no completion step.
    void wait();

    bool isRunning() const { return m_pWorker != nullptr; }
    bool hasPending() const { return bool(m_pending); }
    // The running worker, null when none runs.
    QThread *worker() const { return m_pWorker; }

Q_SIGNALS:
    // After the completion step of a worker (and its deletion).
    void completed();

private:
    void launch(Maker maker);
    void onFinished(quint64 iRun);
    void discardWorker();

    Completion m_completion;
    Completion m_superseded;
    QThread *m_pWorker = nullptr;
    Maker m_pending;
    quint64 m_iRun = 0; // counts launches; a finished() of an earlier run is ignored
};
