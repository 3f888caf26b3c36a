// FaultRelay: a man in the middle between clients and zephond on loopback, for tests of the
// whole client on a bad network. It listens on a main port and a sub-server port of its own
// (TCP and UDP on the same number, as the service does) and forwards to the service's ports.
// Datagrams, both ways, are dropped, duplicated, held back behind the next one or delayed by a
// schedule drawn from a seed; TCP is forwarded byte for byte, optionally delayed, and its
// connections can be reset. The one packet it rewrites is the main server's answer naming the
// sub-server, which would otherwise send the client past the relay.
//
// The relay runs in a thread of its own: the tests block their own thread while they wait for
// client processes.
#pragma once

#include <QObject>
#include <QString>

#include <atomic>
#include <memory>

class QThread;
class RelayWorker;

class FaultRelay
{
public:
    // What happens to datagrams and TCP bytes; probabilities in [0, 1], delays in ms.
    struct Faults
    {
        double dLoss = 0;
        double dDuplicate = 0;
        double dReorder = 0;
        int iUdpDelayMinMs = 0;
        int iUdpDelayMaxMs = 0;
        int iTcpDelayMinMs = 0;
        int iTcpDelayMaxMs = 0;
        // Sub-server TCP connections are reset (both sides aborted) at intervals drawn from
        // this range; 0 never.
        int iResetMinMs = 0;
        int iResetMaxMs = 0;
    };

    // What the relay did so far.
    struct Counters
    {
        std::atomic<qint64> datagrams{0}; // datagrams that came in, both ways
        std::atomic<qint64> dropped{0};
        std::atomic<qint64> duplicated{0};
        std::atomic<qint64> reordered{0};
        std::atomic<qint64> delayed{0};
        std::atomic<qint64> resets{0};
        std::atomic<qint64> connections{0};
        std::atomic<qint64> rewritten{0}; // sub-server answers pointed at the relay
    };

    FaultRelay();
    FaultRelay(const FaultRelay &) = delete;
    FaultRelay &operator=(const FaultRelay &) = delete;
    ~FaultRelay();

    // Listens on free loopback ports and forwards to the service's main port and sub-server
    // port on 127.0.0.1; the schedule is drawn from iSeed. False when no ports could be had.
    bool start(quint16 iServiceMainPort, quint16 iServiceSubPort, const Faults &faults,
               quint32 iSeed);
    // Changes the faults from now on (e.g. a clean network for the final check).
    void setFaults(const Faults &faults);
    // Resets every TCP connection through the relay now.
    void resetConnections();

    quint16 mainPort() const { return m_iMainPort; }
    quint16 subPort() const { return m_iSubPort; }
    // "127.0.0.1:port", the form a client takes in ZEPHON_SERVER.
    QString serverText() const;
    const Counters &counters() const { return m_counters; }
    // One line of what the relay did, for the test's log.
    QString summary() const;

private:
    Counters m_counters;
    std::unique_ptr<QThread> m_pThread;
    RelayWorker *m_pWorker = nullptr;
    quint16 m_iMainPort = 0;
    quint16 m_iSubPort = 0;
};
