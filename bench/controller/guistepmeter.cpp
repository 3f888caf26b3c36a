#include "guistepmeter.h"

#include <time.h>

namespace {

// The CPU time of the calling thread, in nanoseconds.
qint64 threadCpuNs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

} // namespace

GuiStepMeter::GuiStepMeter()
{
    m_timer.setInterval(1);
    QObject::connect(&m_timer, &QTimer::timeout, [this] { tick(); });
}

void GuiStepMeter::start()
{
    m_iMaxNs = 0;
    m_iMaxCpuNs = 0;
    m_clock.start();
    m_iCpuNs = threadCpuNs();
    m_timer.start();
}

void GuiStepMeter::stop()
{
    m_timer.stop();
    tick();
}

void GuiStepMeter::tick()
{
    m_iMaxNs = qMax(m_iMaxNs, m_clock.nsecsElapsed());
    m_clock.restart();
    const qint64 iCpuNs = threadCpuNs();
    m_iMaxCpuNs = qMax(m_iMaxCpuNs, iCpuNs - m_iCpuNs);
    m_iCpuNs = iCpuNs;
}
