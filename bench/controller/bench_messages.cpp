// Controller benchmarks: a burst of offline messages taken from the wire into a large message
// store, and the rendering of a long text full of carets.
#include "caes.h"
#include "cdatabase.h"
#include "cfieldwriter.h"
#include "core.h"
#include "csessionstate.h"
#include "protocol.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstring>

namespace {

constexpr quint32 kMe = 1234567;
constexpr int kStoredRows = 20000;
constexpr int kBurst = 1000;
constexpr int kSenders = 50;

// A signed-in Core in a temporary working directory whose store already holds kStoredRows
// messages of kSenders conversations.
struct BenchCore
{
    BenchCore() : strOld(QDir::currentPath())
    {
        QDir::setCurrent(dir.path());
        CSessionState &session = sessionState();
        session.reset();
        session.iZpid = kMe;
        session.strZpid = QString::number(kMe);
        core.initialize();
        core.database()->setLoginZpid(kMe);
        fill();
    }
    ~BenchCore() { QDir::setCurrent(strOld); }

    // One transaction through the C interface: the history is the setting, not the measure.
    void fill()
    {
        sqlite3 *pDb = nullptr;
        sqlite3_open(dir.filePath(QStringLiteral("Zephon.db")).toUtf8().constData(), &pDb);
        sqlite3_exec(pDb, "BEGIN", nullptr, nullptr, nullptr);
        sqlite3_stmt *pInsert = nullptr;
        sqlite3_prepare_v2(pDb,
                           "Insert into MsgRecord(LoginZpid,CircleId,CircleName,Zpid,Name,Phone,"
                           "Read,Send,Caption,Content,Time,MsgId,MsgState,Type,SubType)"
                           "Values(?,0,'',?,'name','',1,?,'',?,?,?,2,2,0)",
                           -1, &pInsert, nullptr);
        for (int i = 0; i < kStoredRows; ++i) {
            const QByteArray arContent = QByteArray("stored message ") + QByteArray::number(i);
            const QByteArray arTime = QStringLiteral("2023-%1-%2 10:00:00")
                                          .arg(1 + (i / 28) % 12, 2, 10, QLatin1Char('0'))
                                          .arg(1 + i % 28, 2, 10, QLatin1Char('0'))
                                          .toUtf8();
            sqlite3_bind_int64(pInsert, 1, kMe);
            sqlite3_bind_int64(pInsert, 2, 2000000 + i % kSenders);
            sqlite3_bind_int(pInsert, 3, i % 2);
            sqlite3_bind_text(pInsert, 4, arContent.constData(), int(arContent.size()),
                              SQLITE_TRANSIENT);
            sqlite3_bind_text(pInsert, 5, arTime.constData(), int(arTime.size()), SQLITE_TRANSIENT);
            sqlite3_bind_int(pInsert, 6, i);
            sqlite3_step(pInsert);
            sqlite3_reset(pInsert);
        }
        sqlite3_finalize(pInsert);
        sqlite3_exec(pDb, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_close(pDb);
    }

    QString strOld;
    QTemporaryDir dir;
    Core core;
};

// Offline message 34 as the server sends it.
QByteArray offlinePacket(quint32 iSender, quint32 iMsgId, double dTime, const QString &strText)
{
    CFieldWriter writer;
    writer.u8(34).u32(iSender).u32(kMe);
    quint64 iBits = 0;
    std::memcpy(&iBits, &dTime, sizeof iBits);
    writer.u32(quint32(iBits)).u32(quint32(iBits >> 32));
    writer.u32(iMsgId).blob32(encryptText(strText));
    return writer.packet();
}

void BM_OfflineBurst(benchmark::State &state)
{
    BenchCore bench;
    Protocol *pProtocol = bench.core.protocol();
    quint32 iNextId = 100000;
    for (auto _ : state) {
        state.PauseTiming();
        // A tenth of the burst is the server delivering the message before it again.
        QList<QByteArray> packets;
        for (int i = 0; i < kBurst; ++i) {
            if (i % 10 == 9) {
                packets << packets.last();
                continue;
            }
            packets << offlinePacket(2000000 + quint32(i % kSenders), iNextId++,
                                     45352.0 + double(i) / 86400.0,
                                     QStringLiteral("offline ^wx^ message %1").arg(i));
        }
        state.ResumeTiming();
        for (const QByteArray &arPacket : std::as_const(packets))
            pProtocol->slot_onParseProtocol(arPacket, QStringLiteral("127.0.0.1"), 1);
        bench.core.getMsgRecord();
    }
    state.counters["stored_rows"] = double(kStoredRows);
}
BENCHMARK(BM_OfflineBurst)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_RenderCarets(benchmark::State &state)
{
    const QString strText(60 * 1024, QLatin1Char('^'));
    for (auto _ : state) {
        QString strRendered = Core::renderText(strText);
        benchmark::DoNotOptimize(strRendered);
    }
}
BENCHMARK(BM_RenderCarets)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Core applies the auto-start setting at start: keep it out of the user's configuration.
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
