#include "singleworker.h"

SingleWorker::SingleWorker(Completion completion, QObject *parent)
    : QObject(parent), m_completion(std::move(completion))
{}

SingleWorker::~SingleWorker()
{
    wait();
}

void SingleWorker::start(Maker maker)
{
    if (!maker)
        return;
    if (m_pWorker) {
        m_pending = std::move(maker);
        return;
    }
    launch(std::move(maker));
}

void SingleWorker::launch(Maker maker)
{
    QThread *pWorker = maker();
    if (!pWorker)
        return;
    m_pWorker = pWorker;
    const quint64 iRun = ++m_iRun;
    // finished() comes from the worker's thread; this object lives on the GUI thread, so the call
    // is queued. The run number, not the sender, says which worker it was about, so a report
    // that arrives after wait() deleted that worker is simply ignored.
    connect(pWorker, &QThread::finished, this, [this, iRun] { onFinished(iRun); });
    pWorker->start(QThread::InheritPriority);
}

void SingleWorker::onFinished(quint64 iRun)
{
    if (iRun != m_iRun || !m_pWorker)
        return;
    QThread *pWorker = m_pWorker;
    pWorker->wait();
    if (m_pending) {
        // Out of date: the latest payload runs instead.
        if (m_superseded)
            m_superseded(pWorker);
        discardWorker();
        launch(std::exchange(m_pending, Maker()));
        return;
    }
    m_pWorker = nullptr;
    if (m_completion)
        m_completion(pWorker);
    delete pWorker;
    Q_EMIT completed();
}

void SingleWorker::wait()
{
    m_pending = Maker();
    if (m_pWorker) {
        m_pWorker->wait();
        discardWorker();
    }
}

void SingleWorker::discardWorker()
{
    QThread *pWorker = std::exchange(m_pWorker, nullptr);
    disconnect(pWorker, nullptr, this, nullptr);
    delete pWorker;
}
