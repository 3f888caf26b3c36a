// GuiStepMeter: how long the GUI thread went without returning to its event loop while a
// benchmark ran: the longest gap between the ticks of a 1 ms timer, as wall time and as the
// thread's own CPU time (the wall gap also holds the time the system gave other processes).
#pragma once

#include <QElapsedTimer>
#include <QTimer>

class GuiStepMeter
{
public:
    GuiStepMeter();

    void start();
    void stop();
    // The timer's own interval is not work.
    double maxMs() const { return qMax<double>(0, double(m_iMaxNs) / 1e6 - 1.0); }
    double maxCpuMs() const { return double(m_iMaxCpuNs) / 1e6; }

private:
    void tick();

    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_iMaxNs = 0;
    qint64 m_iCpuNs = 0;
    qint64 m_iMaxCpuNs = 0;
};
