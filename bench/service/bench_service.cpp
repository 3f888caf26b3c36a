// bench_service: drives a real zephond process with simulated sessions on loopback and
// reports sign-ins per second (at the interactive hash cost every real account has, and at
// the minimal cost to show what a sign-in costs besides the hash), the service's CPU time
// per heartbeat and per presence query, and its resident memory with all sessions open.
// Usage: bench_service [sessions (default 1000)] [heartbeat rounds (default 10)]
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

#include <memory>
#include <unistd.h>

#include "fakepacket.h"
#include "processmemory.h"
#include "serviceclient.h"

namespace {

constexpr quint32 kFirstZpid = 5000000;
constexpr int kInteractiveLogins = 20;

QTextStream out(stdout);

// User plus system CPU time of a process in microseconds, from /proc.
qint64 cpuMicros(qint64 iPid)
{
    QFile file(QStringLiteral("/proc/%1/stat").arg(iPid));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray arStat = file.readAll();
    const QList<QByteArray> fields = arStat.mid(arStat.lastIndexOf(')') + 2).split(' ');
    const qint64 iTicks = fields.value(11).toLongLong() + fields.value(12).toLongLong();
    return iTicks * 1000000 / sysconf(_SC_CLK_TCK);
}

QByteArray seed(quint32 iFirst, int iCount)
{
    QJsonArray accounts;
    for (int i = 0; i < iCount; ++i) {
        QJsonArray book;
        // Each book names a few neighbours, so presence replies carry real lists.
        for (int j = 1; j <= 5; ++j)
            book.append(QJsonObject{
                {"phone", QStringLiteral("139%1").arg((i + j) % iCount, 8, 10, QLatin1Char('0'))},
                {"name", QStringLiteral("N%1").arg(j)}});
        accounts.append(QJsonObject{{"zpid", qint64(iFirst + quint32(i))},
                                    {"mobile", QStringLiteral("%1%2")
                                                   .arg(iFirst == kFirstZpid ? "139" : "137")
                                                   .arg(i, 8, 10, QLatin1Char('0'))},
                                    {"name", QStringLiteral("User %1").arg(i)},
                                    {"password", "bench-pass"},
                                    {"card", "Name:0:Post:Company:Address:139:::::::30:"},
                                    {"addressBook", book}});
    }
    return QJsonDocument(QJsonObject{{"accounts", accounts}}).toJson(QJsonDocument::Compact);
}

bool runAdmin(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral(ZEPHOND_EXECUTABLE), arguments);
    return process.waitForFinished(600000) && process.exitCode() == 0;
}

quint16 freePort()
{
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost, 0) ? probe.serverPort() : 0;
}

// Sends one request per session, in batches so that the loopback buffers never overflow,
// and waits for the answers (bounded in time); returns how many were answered.
int round(std::vector<std::unique_ptr<ServiceClient>> &clients, bool bPresence)
{
    constexpr int kBatch = 50;
    int iAnswered = 0;
    for (size_t iFirst = 0; iFirst < clients.size(); iFirst += kBatch) {
        const size_t iEnd = qMin(clients.size(), iFirst + kBatch);
        for (size_t i = iFirst; i < iEnd; ++i) {
            ServiceClient &client = *clients[i];
            if (bPresence)
                client.sendTcp(FakePacket(11).u32(client.zpid()).u8(2));
            else
                client.sendUdp(FakePacket(3).u32(client.zpid()));
        }
        QElapsedTimer deadline;
        deadline.start();
        for (size_t i = iFirst; i < iEnd; ++i) {
            const int iLeft = int(qMax<qint64>(0, 2000 - deadline.elapsed()));
            const QByteArray ar =
                bPresence ? clients[i]->takeTcp(11, iLeft) : clients[i]->takeUdp(3, iLeft);
            iAnswered += ar.isEmpty() ? 0 : 1;
        }
    }
    return iAnswered;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int iSessions = qBound(1, QCoreApplication::arguments().value(1, "1000").toInt(), 5000);
    const int iRounds = qBound(1, QCoreApplication::arguments().value(2, "10").toInt(), 100);
    QTemporaryDir dir;
    const QString strData = dir.filePath(QStringLiteral("service"));
    QFile minimal(dir.filePath(QStringLiteral("minimal.json")));
    QFile interactive(dir.filePath(QStringLiteral("interactive.json")));
    if (!minimal.open(QIODevice::WriteOnly) || !interactive.open(QIODevice::WriteOnly))
        return 1;
    minimal.write(seed(kFirstZpid, iSessions));
    interactive.write(seed(kFirstZpid + 1000000, kInteractiveLogins));
    minimal.close();
    interactive.close();
    out << "seeding " << iSessions << " accounts (minimal hash cost) and " << kInteractiveLogins
        << " (interactive)..." << Qt::endl;
    if (!runAdmin({"--data-dir", strData, "--hash-cost", "minimal", "seed", minimal.fileName()}) ||
        !runAdmin({"--data-dir", strData, "seed", interactive.fileName()}))
        return 1;

    const quint16 iPort = freePort();
    QProcess service;
    service.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    service.start(QStringLiteral(ZEPHOND_EXECUTABLE),
                  {"--data-dir", strData, "--port", QString::number(iPort), "--sub-port", "0",
                   // One at a time, signing in 1,000 sessions takes longer than the silence
                   // that ends a session, and the heartbeats here come in rounds afterwards.
                   "--session-timeout", "3600",
                   // Sessions are signed in one after another here, each with its first
                   // heartbeat; a trial of the UDP endpoint would add a second to each.
                   "--udp-trial", "0"});
    if (!service.waitForReadyRead(30000))
        return 1;
    const qint64 iPid = service.processId();
    QTest::qWait(200);
    out << "service resident memory at start: " << rssKiB(iPid) / 1024.0 << " MiB" << Qt::endl;

    // Sign-ins at the interactive cost: the hash dominates by design.
    QElapsedTimer timer;
    const qint64 iHashCpu = cpuMicros(iPid);
    timer.start();
    for (int i = 0; i < kInteractiveLogins; ++i) {
        ServiceClient client(iPort);
        if (!client.connectSub() ||
            client.login(QString::number(kFirstZpid + 1000000 + i), "bench-pass") != 0)
            return 1;
        client.sendUdp(FakePacket(35).u32(client.zpid()));
    }
    out << "logins per second, interactive hash: "
        << kInteractiveLogins * 1000.0 / double(timer.elapsed()) << Qt::endl;
    out << "service CPU per login, interactive hash: "
        << double(cpuMicros(iPid) - iHashCpu) / kInteractiveLogins / 1000.0 << " ms" << Qt::endl;

    out << "service resident memory after them: " << rssKiB(iPid) / 1024.0 << " MiB" << Qt::endl;

    std::vector<std::unique_ptr<ServiceClient>> clients;
    const qint64 iLoginCpu = cpuMicros(iPid);
    timer.restart();
    for (int i = 0; i < iSessions; ++i) {
        auto client = std::make_unique<ServiceClient>(iPort);
        if (!client->connectSub() ||
            client->login(QString::number(kFirstZpid + i), "bench-pass") != 0 ||
            !client->heartbeat())
            return out << "session " << i << " failed" << Qt::endl, 1;
        clients.push_back(std::move(client));
    }
    out << "logins per second, minimal hash (with the first heartbeat, one at a time): "
        << iSessions * 1000.0 / double(timer.elapsed()) << Qt::endl;
    out << "service CPU per login, minimal hash: "
        << double(cpuMicros(iPid) - iLoginCpu) / iSessions << " us" << Qt::endl;
    QTest::qWait(500);
    out << "service resident memory with " << iSessions << " sessions: " << rssKiB(iPid) / 1024.0
        << " MiB" << Qt::endl;

    // Heartbeat rounds: each stands for the ten seconds between two heartbeats of a client.
    qint64 iCpu = cpuMicros(iPid);
    int iAnswered = 0;
    for (int r = 0; r < iRounds; ++r)
        iAnswered += round(clients, false);
    qint64 iUsed = cpuMicros(iPid) - iCpu;
    out << "heartbeats answered: " << iAnswered << " of " << iSessions * iRounds << Qt::endl;
    out << "service CPU per heartbeat: " << double(iUsed) / (iSessions * iRounds) << " us"
        << Qt::endl;

    iCpu = cpuMicros(iPid);
    iAnswered = round(clients, true);
    iUsed = cpuMicros(iPid) - iCpu;
    out << "presence queries answered: " << iAnswered << " of " << iSessions << Qt::endl;
    out << "service CPU per presence query: " << double(iUsed) / iSessions << " us" << Qt::endl;
    out << "service resident memory at the end: " << rssKiB(iPid) / 1024.0 << " MiB" << Qt::endl;

    clients.clear();
    service.terminate();
    service.waitForFinished(10000);
    return 0;
}
