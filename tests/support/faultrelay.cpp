#include "faultrelay.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QList>
#include <QMap>
#include <QPointer>
#include <QRandomGenerator>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>
#include <QUdpSocket>

#include "cfieldreader.h"
#include "cfieldwriter.h"
#include "cframebuffer.h"
#include "codes.h"

namespace {

// A datagram held back is sent after the next one the same way; when none follows in this
// time it goes alone, so the last datagram of a burst is not held for ever.
constexpr int kHoldMs = 300;

enum Direction
{
    ToService = 0,
    ToClient = 1
};

// One TCP connection through the relay: the client's side and the service's side, and what is
// waiting to be written either way while a delay runs.
struct Pipe
{
    QPointer<QTcpSocket> client;
    QPointer<QTcpSocket> service;
    bool bMain = false;
    CFrameBuffer frames; // the main server's answers, parsed to find the sub-server one
    QList<QPair<qint64, QByteArray>> pending[2];
};

// A datagram and where it goes.
struct Datagram
{
    QByteArray arData;
    QUdpSocket *pOut = nullptr;
    QHostAddress to;
    quint16 iPort = 0;
};

} // namespace

class RelayWorker : public QObject
{
public:
    RelayWorker(FaultRelay::Counters &counters, quint32 iSeed)
        : m_counters(counters), m_random(iSeed), m_datagramRandom{QRandomGenerator(iSeed + 1),
                                                                  QRandomGenerator(iSeed + 2)}
    {}

    bool listen(quint16 iServiceMain, quint16 iServiceSub)
    {
        m_iServiceMain = iServiceMain;
        m_iServiceSub = iServiceSub;
        m_clock.start();
        m_pMain = new QTcpServer(this);
        m_pSub = new QTcpServer(this);
        m_pUdp = new QUdpSocket(this);
        if (!m_pMain->listen(QHostAddress::LocalHost, 0))
            return false;
        // The client sends its datagrams to the sub-server's TCP port number.
        for (int i = 0; i < 50 && m_pUdp->state() != QAbstractSocket::BoundState; ++i) {
            m_pSub->close();
            if (m_pSub->listen(QHostAddress::LocalHost, 0) &&
                !m_pUdp->bind(QHostAddress::LocalHost, m_pSub->serverPort()))
                m_pUdp->abort();
        }
        if (m_pUdp->state() != QAbstractSocket::BoundState)
            return false;
        connect(m_pMain, &QTcpServer::newConnection, this, [this] { accept(m_pMain, true); });
        connect(m_pSub, &QTcpServer::newConnection, this, [this] { accept(m_pSub, false); });
        connect(m_pUdp, &QUdpSocket::readyRead, this, &RelayWorker::readFromClients);
        m_pResetTimer = new QTimer(this);
        m_pResetTimer->setSingleShot(true);
        connect(m_pResetTimer, &QTimer::timeout, this, [this] {
            resetConnections(false);
            scheduleReset();
        });
        for (int d : {ToService, ToClient}) {
            m_pHoldTimer[d] = new QTimer(this);
            m_pHoldTimer[d]->setSingleShot(true);
            connect(m_pHoldTimer[d], &QTimer::timeout, this, [this, d] { releaseHeld(d); });
        }
        return true;
    }

    quint16 mainPort() const { return m_pMain->serverPort(); }
    quint16 subPort() const { return m_pSub->serverPort(); }

    void setFaults(const FaultRelay::Faults &faults)
    {
        m_faults = faults;
        scheduleReset();
    }

    // Aborts the sub-server connections (and the main ones too when bAll).
    void resetConnections(bool bAll)
    {
        const QList<std::shared_ptr<Pipe>> pipes = m_pipes;
        for (const auto &pPipe : pipes) {
            if (pPipe->bMain && !bAll)
                continue;
            ++m_counters.resets;
            close(pPipe, true);
        }
    }

    void shutDown()
    {
        for (const auto &pPipe : QList<std::shared_ptr<Pipe>>(m_pipes))
            close(pPipe, true);
        qDeleteAll(children());
    }

private:
    int draw(int iMin, int iMax)
    {
        return iMax > iMin ? int(m_random.bounded(iMin, iMax + 1)) : iMin;
    }

    void scheduleReset()
    {
        if (m_faults.iResetMaxMs > 0)
            m_pResetTimer->start(draw(m_faults.iResetMinMs, m_faults.iResetMaxMs));
        else
            m_pResetTimer->stop();
    }

    void accept(QTcpServer *pServer, bool bMain)
    {
        while (QTcpSocket *pClient = pServer->nextPendingConnection()) {
            ++m_counters.connections;
            auto pPipe = std::make_shared<Pipe>();
            pPipe->bMain = bMain;
            pPipe->client = pClient;
            pPipe->service = new QTcpSocket(this);
            pClient->setParent(this);
            m_pipes.append(pPipe);
            std::weak_ptr<Pipe> weak = pPipe;
            connect(pClient, &QTcpSocket::readyRead, this, [this, weak] {
                if (auto p = weak.lock())
                    forward(p, ToService, p->client->readAll());
            });
            connect(pPipe->service, &QTcpSocket::readyRead, this, [this, weak] {
                if (auto p = weak.lock())
                    forward(p, ToClient, p->service->readAll());
            });
            for (QTcpSocket *pSocket : {pClient, pPipe->service.data()})
                connect(pSocket, &QTcpSocket::disconnected, this, [this, weak] {
                    if (auto p = weak.lock())
                        close(p, false);
                });
            connect(pPipe->service, &QTcpSocket::errorOccurred, this, [this, weak] {
                if (auto p = weak.lock())
                    close(p, false);
            });
            // Bytes the client sends meanwhile are kept by the socket until it connects.
            pPipe->service->connectToHost(QHostAddress::LocalHost,
                                          bMain ? m_iServiceMain : m_iServiceSub);
            if (pClient->bytesAvailable() > 0)
                forward(pPipe, ToService, pClient->readAll());
        }
    }

    void forward(const std::shared_ptr<Pipe> &pPipe, int iDirection, QByteArray arBytes)
    {
        if (pPipe->bMain && iDirection == ToClient)
            arBytes = pointAtRelay(*pPipe, arBytes);
        if (arBytes.isEmpty())
            return;
        const int iDelay = draw(m_faults.iTcpDelayMinMs, m_faults.iTcpDelayMaxMs);
        auto &queue = pPipe->pending[iDirection];
        // A stream keeps its order: nothing is due before what was queued ahead of it.
        qint64 iDue = m_clock.elapsed() + iDelay;
        if (!queue.isEmpty())
            iDue = qMax(iDue, queue.last().first);
        queue.append({iDue, arBytes});
        std::weak_ptr<Pipe> weak = pPipe;
        QTimer::singleShot(int(iDue - m_clock.elapsed()), this, [this, weak, iDirection] {
            if (auto p = weak.lock())
                drain(*p, iDirection);
        });
    }

    void drain(Pipe &pipe, int iDirection)
    {
        QTcpSocket *pOut = iDirection == ToService ? pipe.service : pipe.client;
        auto &queue = pipe.pending[iDirection];
        while (!queue.isEmpty() && queue.first().first <= m_clock.elapsed()) {
            const QByteArray arBytes = queue.takeFirst().second;
            if (pOut)
                pOut->write(arBytes);
        }
    }

    // The main server names the sub-server at the address the relay reached it on; the client
    // must come to the relay's sub-server port instead. Other packets pass unchanged.
    QByteArray pointAtRelay(Pipe &pipe, const QByteArray &arBytes)
    {
        pipe.frames.append(arBytes);
        QByteArray arOut;
        QByteArray arPacket;
        while (pipe.frames.takePacket(arPacket)) {
            if (!arPacket.isEmpty() && quint8(arPacket.at(0)) == Codes::CmdSubServer) {
                CFieldReader reader(arPacket, 1);
                reader.blob32();
                reader.u32();
                if (reader.ok()) {
                    arPacket = CFieldWriter(Codes::CmdSubServer)
                                   .blob32(QByteArrayLiteral("127.0.0.1"))
                                   .u32(subPort())
                                   .packet();
                    ++m_counters.rewritten;
                }
            }
            arOut.append(char(arPacket.size() & 0xff));
            arOut.append(char((arPacket.size() >> 8) & 0xff));
            arOut.append(arPacket);
        }
        return arOut;
    }

    void close(const std::shared_ptr<Pipe> &pPipe, bool bAbort)
    {
        if (!m_pipes.removeOne(pPipe))
            return;
        for (QTcpSocket *pSocket : {pPipe->client.data(), pPipe->service.data()}) {
            if (!pSocket)
                continue;
            pSocket->disconnect(this);
            if (bAbort) {
                pSocket->abort();
            } else {
                // What was already read from the other side still goes out before the close.
                const int iDirection = pSocket == pPipe->service ? ToService : ToClient;
                for (const auto &item : pPipe->pending[iDirection])
                    pSocket->write(item.second);
                pSocket->disconnectFromHost();
            }
            pSocket->deleteLater();
        }
    }

    void readFromClients()
    {
        while (m_pUdp->hasPendingDatagrams()) {
            QHostAddress from;
            quint16 iFrom = 0;
            QByteArray arData(int(qMax<qint64>(0, m_pUdp->pendingDatagramSize())),
                              Qt::Uninitialized);
            const qint64 iRead = m_pUdp->readDatagram(arData.data(), arData.size(), &from, &iFrom);
            if (iRead < 0)
                continue;
            arData.truncate(int(iRead));
            const QString strKey = QStringLiteral("%1:%2").arg(from.toString()).arg(iFrom);
            QUdpSocket *&pUp = m_upstream[strKey];
            if (!pUp) {
                // One socket towards the service per client, so its answers find their way
                // back.
                pUp = new QUdpSocket(this);
                pUp->bind(QHostAddress::LocalHost, 0);
                QUdpSocket *pSocket = pUp;
                connect(pUp, &QUdpSocket::readyRead, this, [this, pSocket, from, iFrom] {
                    while (pSocket->hasPendingDatagrams()) {
                        QByteArray arBack(int(qMax<qint64>(0, pSocket->pendingDatagramSize())),
                                          Qt::Uninitialized);
                        const qint64 iGot = pSocket->readDatagram(arBack.data(), arBack.size());
                        if (iGot < 0)
                            continue;
                        arBack.truncate(int(iGot));
                        pass(ToClient, {arBack, m_pUdp, from, iFrom});
                    }
                });
            }
            pass(ToService, {arData, pUp, QHostAddress(QHostAddress::LocalHost), m_iServiceSub});
        }
    }

    // One datagram through the schedule. Each way draws from a generator of its own, and every
    // datagram draws the same numbers whatever happens to it, so a seed gives the same schedule
    // to the same traffic however the two ways interleave.
    void pass(int iDirection, const Datagram &datagram)
    {
        ++m_counters.datagrams;
        QRandomGenerator &random = m_datagramRandom[iDirection];
        const double dLoss = random.generateDouble();
        const double dDuplicate = random.generateDouble();
        const double dReorder = random.generateDouble();
        const int iDelay =
            m_faults.iUdpDelayMaxMs > m_faults.iUdpDelayMinMs
                ? int(random.bounded(m_faults.iUdpDelayMinMs, m_faults.iUdpDelayMaxMs + 1))
                : m_faults.iUdpDelayMinMs;
        if (dLoss < m_faults.dLoss) {
            ++m_counters.dropped;
            return;
        }
        const int iCopies = dDuplicate < m_faults.dDuplicate ? 2 : 1;
        if (iCopies == 2)
            ++m_counters.duplicated;
        if (!m_held[iDirection] && dReorder < m_faults.dReorder) {
            ++m_counters.reordered;
            m_held[iDirection] = std::make_unique<Datagram>(datagram);
            m_iHeldCopies[iDirection] = iCopies;
            m_pHoldTimer[iDirection]->start(kHoldMs);
            return;
        }
        for (int i = 0; i < iCopies; ++i)
            send(datagram, iDelay);
        releaseHeld(iDirection);
    }

    void releaseHeld(int iDirection)
    {
        m_pHoldTimer[iDirection]->stop();
        if (!m_held[iDirection])
            return;
        const std::unique_ptr<Datagram> pHeld = std::move(m_held[iDirection]);
        for (int i = 0; i < m_iHeldCopies[iDirection]; ++i)
            send(*pHeld, 0);
    }

    void send(const Datagram &datagram, int iDelay)
    {
        if (iDelay <= 0) {
            datagram.pOut->writeDatagram(datagram.arData, datagram.to, datagram.iPort);
            return;
        }
        ++m_counters.delayed;
        QPointer<QUdpSocket> pOut = datagram.pOut;
        QTimer::singleShot(iDelay, this, [datagram, pOut] {
            if (pOut)
                pOut->writeDatagram(datagram.arData, datagram.to, datagram.iPort);
        });
    }

    FaultRelay::Counters &m_counters;
    // TCP delays and resets; datagrams each way.
    QRandomGenerator m_random;
    QRandomGenerator m_datagramRandom[2];
    FaultRelay::Faults m_faults;
    QElapsedTimer m_clock;
    quint16 m_iServiceMain = 0;
    quint16 m_iServiceSub = 0;
    QTcpServer *m_pMain = nullptr;
    QTcpServer *m_pSub = nullptr;
    QUdpSocket *m_pUdp = nullptr;
    QTimer *m_pResetTimer = nullptr;
    QTimer *m_pHoldTimer[2] = {nullptr, nullptr};
    std::unique_ptr<Datagram> m_held[2];
    int m_iHeldCopies[2] = {1, 1};
    QMap<QString, QUdpSocket *> m_upstream;
    QList<std::shared_ptr<Pipe>> m_pipes;
};

FaultRelay::FaultRelay() = default;

FaultRelay::~FaultRelay()
{
    if (!m_pThread)
        return;
    QMetaObject::invokeMethod(
        m_pWorker, [this] { m_pWorker->shutDown(); }, Qt::BlockingQueuedConnection);
    m_pThread->quit();
    m_pThread->wait();
    delete m_pWorker;
}

bool FaultRelay::start(quint16 iServiceMainPort, quint16 iServiceSubPort, const Faults &faults,
                       quint32 iSeed)
{
    m_pThread = std::make_unique<QThread>();
    m_pWorker = new RelayWorker(m_counters, iSeed);
    m_pWorker->moveToThread(m_pThread.get());
    m_pThread->start();
    bool bListening = false;
    QMetaObject::invokeMethod(
        m_pWorker,
        [&] {
            bListening = m_pWorker->listen(iServiceMainPort, iServiceSubPort);
            if (bListening) {
                m_pWorker->setFaults(faults);
                m_iMainPort = m_pWorker->mainPort();
                m_iSubPort = m_pWorker->subPort();
            }
        },
        Qt::BlockingQueuedConnection);
    return bListening;
}

void FaultRelay::setFaults(const Faults &faults)
{
    QMetaObject::invokeMethod(
        m_pWorker, [&] { m_pWorker->setFaults(faults); }, Qt::BlockingQueuedConnection);
}

void FaultRelay::resetConnections()
{
    QMetaObject::invokeMethod(
        m_pWorker, [this] { m_pWorker->resetConnections(true); }, Qt::BlockingQueuedConnection);
}

QString FaultRelay::serverText() const
{
    return QStringLiteral("127.0.0.1:%1").arg(m_iMainPort);
}

QString FaultRelay::summary() const
{
    return QStringLiteral("relay: %1 datagrams, %2 dropped, %3 duplicated, %4 reordered, "
                          "%5 delayed; %6 connections, %7 resets, %8 sub-server answers "
                          "rewritten")
        .arg(m_counters.datagrams.load())
        .arg(m_counters.dropped.load())
        .arg(m_counters.duplicated.load())
        .arg(m_counters.reordered.load())
        .arg(m_counters.delayed.load())
        .arg(m_counters.connections.load())
        .arg(m_counters.resets.load())
        .arg(m_counters.rewritten.load());
}
