// bench_serviceload: the sign-in latency of a legitimate client of a real zephond process,
// first on a quiet service, then while one hostile load after another runs against it from
// the same machine: 1,000 idle connections, 50 connections trickling a request a byte at a
// time, a flood of password changes and a flood of messages for an addressee who is away.
// Each benchmark reports the median and 99th percentile of the sign-ins (connecting, asking
// the main server for the sub-server, the login round trip), their ratio to the quiet median
// measured in the same run, and the service's resident memory once the load is gone, beside
// its memory at the start, once warm (after the quiet sign-ins) and just before the load.
#include <benchmark/benchmark.h>

#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

#include "codes.h"
#include "fakecipher.h"
#include "fakepacket.h"
#include "processmemory.h"
#include "serviceclient.h"

namespace {

constexpr quint32 kSigner = 6000000;   // the legitimate client's account
constexpr quint32 kFlooders = 6000100; // first of the accounts that flood
constexpr int kFlooderCount = 20;
constexpr quint32 kAway = 6000999; // the addressee of the message flood, never signed in
constexpr char kPassword[] = "bench-pass";
constexpr int kSamples = 40;

QJsonObject account(quint32 iZpid)
{
    return QJsonObject{{"zpid", qint64(iZpid)},
                       {"mobile", QStringLiteral("136%1").arg(iZpid, 8, 10, QLatin1Char('0'))},
                       {"name", QStringLiteral("User %1").arg(iZpid)},
                       {"password", kPassword}};
}

bool runAdmin(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral(ZEPHOND_EXECUTABLE), arguments);
    return process.waitForFinished(600000) && process.exitCode() == 0;
}

// The service under test, started once for the whole run with the interactive hash cost
// every real account has.
class Service
{
public:
    static Service &instance()
    {
        static Service service;
        return service;
    }

    bool ok() const { return m_bOk; }
    quint16 port() const { return m_iPort; }
    qint64 rss() const { return rssKiB(m_process.processId()); }
    qint64 startRss() const { return m_iStartRss; }
    double quietMedianMs = 0;
    // After the quiet sign-ins: the hashing threads and the store's caches exist by then.
    qint64 iWarmRss = 0;

private:
    Service()
    {
        QJsonArray accounts{account(kSigner), account(kAway)};
        for (int i = 0; i < kFlooderCount; ++i)
            accounts.append(account(kFlooders + quint32(i)));
        QFile seed(m_dir.filePath(QStringLiteral("seed.json")));
        const QString strData = m_dir.filePath(QStringLiteral("service"));
        if (!seed.open(QIODevice::WriteOnly))
            return;
        seed.write(QJsonDocument(QJsonObject{{"accounts", accounts}}).toJson());
        seed.close();
        if (!runAdmin({"--data-dir", strData, "seed", seed.fileName()}))
            return;
        QTcpServer probe;
        if (!probe.listen(QHostAddress::LocalHost, 0))
            return;
        m_iPort = probe.serverPort();
        probe.close();
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(
            QStringLiteral(ZEPHOND_EXECUTABLE),
            {"--data-dir", strData, "--port", QString::number(m_iPort), "--sub-port", "0"});
        m_bOk = m_process.waitForReadyRead(30000);
        QTest::qWait(300);
        m_iStartRss = rss();
    }
    ~Service()
    {
        m_process.terminate();
        m_process.waitForFinished(10000);
    }

    QTemporaryDir m_dir;
    QProcess m_process;
    quint16 m_iPort = 0;
    qint64 m_iStartRss = 0;
    bool m_bOk = false;
};

// One sign-in of the legitimate client, in milliseconds; negative when it failed.
double signIn()
{
    Service &service = Service::instance();
    QElapsedTimer timer;
    timer.start();
    ServiceClient client(service.port());
    if (!client.connectSub(10000) || client.login(QString::number(kSigner), kPassword, 20000) != 0)
        return -1;
    const double dMs = double(timer.nsecsElapsed()) / 1e6;
    client.sendTcp(FakePacket(Codes::CmdLogout).u32(kSigner));
    QTest::qWait(1);
    return dMs;
}

double percentile(std::vector<double> samples, double dP)
{
    if (samples.empty())
        return 0;
    std::sort(samples.begin(), samples.end());
    const size_t i = std::min(samples.size() - 1, size_t(dP * double(samples.size() - 1) + 0.5));
    return samples[i];
}

// A hostile load: started before the sign-ins, its timers run while they wait, stopped after.
class Load
{
public:
    virtual ~Load() = default;
    virtual bool start() = 0;
};

class IdleConnections : public Load
{
public:
    bool start() override
    {
        // From forty loopback addresses, as from forty hosts.
        for (int i = 0; i < 1000; ++i) {
            auto socket = std::make_unique<QTcpSocket>();
            socket->bind(QHostAddress(QStringLiteral("127.0.1.%1").arg(1 + i % 40)), 0);
            socket->connectToHost(QHostAddress::LocalHost, Service::instance().port());
            m_sockets.push_back(std::move(socket));
        }
        QTest::qWait(500);
        return true;
    }

private:
    std::vector<std::unique_ptr<QTcpSocket>> m_sockets;
};

class SlowSenders : public Load
{
public:
    bool start() override
    {
        const QByteArray arLogin = FakePacket(Codes::CmdLogin)
                                       .u8(4)
                                       .str8("1.0")
                                       .u8(0)
                                       .u32(kAway)
                                       .str8(fakeEncrypt("wrong"))
                                       .str8(QByteArray());
        for (int i = 0; i < 50; ++i) {
            auto socket = std::make_unique<QTcpSocket>();
            socket->bind(QHostAddress(QStringLiteral("127.0.2.%1").arg(1 + i % 10)), 0);
            socket->connectToHost(QHostAddress::LocalHost, Service::instance().port());
            m_sockets.push_back(std::move(socket));
        }
        QObject::connect(&m_timer, &QTimer::timeout, [this, arLogin] {
            for (const auto &socket : m_sockets)
                socket->write(arLogin.mid(m_iSent % (arLogin.size() - 1), 1));
            ++m_iSent;
        });
        m_timer.start(100);
        return true;
    }

private:
    std::vector<std::unique_ptr<QTcpSocket>> m_sockets;
    QTimer m_timer;
    int m_iSent = 0;
};

// Signed-in flooders, each sending a burst every tick.
class Flood : public Load
{
public:
    explicit Flood(std::function<QByteArray(quint32, int)> packet) : m_packet(std::move(packet)) {}

    bool start() override
    {
        for (int i = 0; i < kFlooderCount; ++i) {
            auto client = std::make_unique<ServiceClient>(Service::instance().port());
            if (!client->connectSub() ||
                client->login(QString::number(kFlooders + quint32(i)), kPassword, 30000) != 0)
                return false;
            m_clients.push_back(std::move(client));
        }
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            for (const auto &client : m_clients) {
                client->sendTcp(m_packet(client->zpid(), m_iTick));
                client->clearReceived();
            }
            ++m_iTick;
        });
        m_timer.start(50);
        return true;
    }

private:
    std::function<QByteArray(quint32, int)> m_packet;
    std::vector<std::unique_ptr<ServiceClient>> m_clients;
    QTimer m_timer;
    int m_iTick = 0;
};

void measure(benchmark::State &state, Load *pLoad, bool bQuiet)
{
    Service &service = Service::instance();
    if (!service.ok()) {
        state.SkipWithError("the service did not start");
        return;
    }
    const qint64 iBeforeRss = service.rss();
    std::unique_ptr<Load> load(pLoad);
    if (load && !load->start()) {
        state.SkipWithError("the load did not start");
        return;
    }
    std::vector<double> samples;
    for (auto _ : state) {
        const double dMs = signIn();
        if (dMs < 0) {
            state.SkipWithError("a sign-in failed");
            return;
        }
        samples.push_back(dMs);
        state.SetIterationTime(dMs / 1000.0);
    }
    load.reset();
    // Connections the load left are closed by the service; its memory settles meanwhile.
    QTest::qWait(1500);
    const double dMedian = percentile(samples, 0.5);
    if (bQuiet) {
        service.quietMedianMs = dMedian;
        service.iWarmRss = service.rss();
    }
    state.counters["median_ms"] = dMedian;
    state.counters["p99_ms"] = percentile(samples, 0.99);
    state.counters["x_quiet"] = service.quietMedianMs > 0 ? dMedian / service.quietMedianMs : 0;
    const qint64 iRss = service.rss();
    state.counters["rss_start_MiB"] = double(service.startRss()) / 1024.0;
    state.counters["rss_warm_MiB"] = double(service.iWarmRss) / 1024.0;
    state.counters["rss_after_MiB"] = double(iRss) / 1024.0;
    state.counters["rss_x_before"] = iBeforeRss > 0 ? double(iRss) / double(iBeforeRss) : 0;
    state.counters["rss_x_warm"] =
        service.iWarmRss > 0 ? double(iRss) / double(service.iWarmRss) : 0;
}

void BM_SignInQuiet(benchmark::State &state)
{
    measure(state, nullptr, true);
}

void BM_SignInDuring1000IdleConnections(benchmark::State &state)
{
    measure(state, new IdleConnections, false);
}

void BM_SignInDuring50SlowSenders(benchmark::State &state)
{
    measure(state, new SlowSenders, false);
}

void BM_SignInDuringPasswordChangeFlood(benchmark::State &state)
{
    measure(state, new Flood([](quint32 iZpid, int) {
                return FakePacket(Codes::CmdChangePassword)
                    .u32(iZpid)
                    .u8(0)
                    .str8(fakeEncrypt(kPassword))
                    .bytes();
            }),
            false);
}

void BM_SignInDuringHeldMessageFlood(benchmark::State &state)
{
    measure(state, new Flood([](quint32 iZpid, int iTick) {
                QByteArray arBurst;
                for (int i = 0; i < 5; ++i)
                    arBurst += FakePacket(Codes::CmdMessage)
                                   .u32(iZpid)
                                   .u32(kAway)
                                   .u32(quint32(iTick * 5 + i + 1))
                                   .blob32(QByteArray(4096, 'm'))
                                   .u8(0)
                                   .u32(0)
                                   .bytes();
                return arBurst;
            }),
            false);
}

} // namespace

BENCHMARK(BM_SignInQuiet)->Iterations(kSamples)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SignInDuring1000IdleConnections)
    ->Iterations(kSamples)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SignInDuring50SlowSenders)
    ->Iterations(kSamples)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SignInDuringPasswordChangeFlood)
    ->Iterations(kSamples)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SignInDuringHeldMessageFlood)
    ->Iterations(kSamples)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
