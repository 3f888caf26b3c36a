// CFtp moving 100 MB each way through the service's file store on loopback: the speed, and
// how long the GUI thread (the one CFtp lives on) went without its event loop meanwhile.
#include <benchmark/benchmark.h>

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <memory>

#include "cftp.h"
#include "guistepmeter.h"

namespace {

constexpr qint64 kBytes = 100 * 1000 * 1000;

// The store with one account and a 100 MB file to move, made once for both benchmarks.
class Store
{
public:
    Store()
    {
        const QString strService = m_dir.filePath(QStringLiteral("service"));
        QDir().mkpath(strService);
        {
            QSqlDatabase db =
                QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("bench"));
            db.setDatabaseName(strService + QStringLiteral("/service.db"));
            if (db.open()) {
                QSqlQuery query(db);
                query.exec(QStringLiteral("CREATE TABLE account (zpid INTEGER PRIMARY KEY, "
                                          "mobile TEXT NOT NULL UNIQUE)"));
                query.exec(QStringLiteral("INSERT INTO account VALUES (1001, '13800000001')"));
            }
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("bench"));

        QByteArray arChunk(1 << 20, Qt::Uninitialized);
        QCryptographicHash md5(QCryptographicHash::Md5);
        QFile file(source());
        file.open(QIODevice::WriteOnly);
        for (qint64 iDone = 0; iDone < kBytes; iDone += arChunk.size()) {
            QRandomGenerator::global()->fillRange(reinterpret_cast<quint32 *>(arChunk.data()),
                                                  arChunk.size() / 4);
            const QByteArray ar = arChunk.left(int(qMin<qint64>(arChunk.size(), kBytes - iDone)));
            file.write(ar);
            md5.addData(ar);
        }
        file.close();
        m_strMd5 = QString::fromLatin1(md5.result().toHex());

        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(QStringLiteral("/usr/bin/python3"),
                        {QStringLiteral(ZEPHON_FTPD_SCRIPT), QStringLiteral("--data-dir"),
                         strService, QStringLiteral("--port"), QStringLiteral("0")});
        QByteArray arOut;
        const QDeadlineTimer deadline(20000);
        while (!arOut.contains('\n') && !deadline.hasExpired() &&
               m_process.state() != QProcess::NotRunning) {
            m_process.waitForReadyRead(100);
            arOut += m_process.readAllStandardOutput();
        }
        if (arOut.startsWith("ftp port "))
            m_iPort = quint16(arOut.mid(9).trimmed().toUInt());
    }
    ~Store()
    {
        m_process.terminate();
        m_process.waitForFinished(5000);
    }

    quint16 port() const { return m_iPort; }
    QString md5() const { return m_strMd5; }
    QString source() const { return m_dir.filePath(QStringLiteral("source.bin")); }
    QString destination() const { return m_dir.filePath(QStringLiteral("destination.bin")); }
    bool isStored() const
    {
        return QFile(m_dir.filePath(QStringLiteral("service/files/")) + m_strMd5).size() == kBytes;
    }

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    quint16 m_iPort = 0;
    QString m_strMd5;
};

Store &store()
{
    static Store instance;
    return instance;
}

// Runs one transfer on the event loop; true when it succeeded.
bool transfer(CFtp &ftp, bool bDownload)
{
    QEventLoop loop;
    bool bOk = false;
    const auto success = QObject::connect(&ftp, &CFtp::sig_success, &loop, [&] {
        bOk = true;
        loop.quit();
    });
    const auto failure = QObject::connect(&ftp, &CFtp::sig_failed, &loop, [&] { loop.quit(); });
    ftp.slot_onAppend(store().md5(), bDownload ? store().destination() : store().source(),
                      QString(), bDownload, 1, 0);
    loop.exec();
    QObject::disconnect(success);
    QObject::disconnect(failure);
    return bOk;
}

void measure(benchmark::State &state, bool bDownload)
{
    if (store().port() == 0) {
        state.SkipWithError("the file store did not start");
        return;
    }
    CFtp ftp;
    ftp.setAccountSource([] {
        return CFtpAccount{QStringLiteral("127.0.0.1"), store().port(), QStringLiteral("1001"),
                           QStringLiteral("13800000001")};
    });
    if (bDownload && !store().isStored() && !transfer(ftp, false)) {
        state.SkipWithError("the upload before the downloads failed");
        return;
    }
    int iProgress = 0;
    QObject::connect(&ftp, &CFtp::sig_progress, &ftp, [&iProgress] { ++iProgress; });
    GuiStepMeter meter;
    double dMaxStep = 0;
    double dMaxCpuStep = 0;
    double dSeconds = 0;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        meter.start();
        const bool bOk = transfer(ftp, bDownload);
        meter.stop();
        dSeconds += double(timer.nsecsElapsed()) / 1e9;
        if (!bOk) {
            state.SkipWithError("a transfer failed");
            return;
        }
        dMaxStep = qMax(dMaxStep, meter.maxMs());
        dMaxCpuStep = qMax(dMaxCpuStep, meter.maxCpuMs());
    }
    state.counters["MB_per_s"] = double(kBytes) * double(state.iterations()) / 1e6 / dSeconds;
    state.counters["gui_max_ms"] = dMaxStep;
    state.counters["gui_max_cpu_ms"] = dMaxCpuStep;
    state.counters["progress_per_file"] = double(iProgress) / double(state.iterations());
}

void BM_Upload100MB(benchmark::State &state)
{
    measure(state, false);
}
BENCHMARK(BM_Upload100MB)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_Download100MB(benchmark::State &state)
{
    measure(state, true);
}
BENCHMARK(BM_Download100MB)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

} // namespace
