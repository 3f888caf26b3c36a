// Spreadsheet exchange: a 10,000-entry cloud address book backed up from a real store file to a
// workbook, and that workbook imported again, each job run to completion on its own thread.
// The counter rows_per_s is the import's and backup's entries per second together.
#include "cbackupthread.h"
#include "cdatabase.h"
#include "cimportthread.h"
#include "excelreader.h"
#include "excelwriter.h"

#include <QDir>
#include <QSharedPointer>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

constexpr int kEntries = 10000;

// A store in a temporary working directory, filled with the cloud address book.
struct BenchStore
{
    BenchStore() : strOld(QDir::currentPath())
    {
        QDir::setCurrent(dir.path());
        db = QSharedPointer<CDatabase>::create(QStringLiteral("Zephon.db"),
                                               QStringLiteral("common.db"));
        db->setLoginZpid(1000001);
        db->beginTransaction(QStringLiteral("Zephon.db"));
        const QString strChars = QStringLiteral("张王李赵刘陈杨黄周吴徐孙马朱胡郭何高林罗");
        for (int i = 0; i < kEntries; ++i) {
            const QString strName = QString(strChars.at(i % strChars.size())) +
                                    strChars.at((i / 20) % strChars.size()) + QString::number(i);
            QString strPhone = QStringLiteral("138%1").arg(i, 8, 10, QLatin1Char('0'));
            if (i % 10 == 0)
                strPhone += QStringLiteral("^#0%1").arg(20000000 + i);
            db->addNetContact(strName, strPhone, QStringLiteral("分组%1").arg(i % 7),
                              QStringLiteral("k%1").arg(i, 5, 10, QLatin1Char('0')));
        }
        db->commitTransaction(QStringLiteral("Zephon.db"));
    }
    ~BenchStore()
    {
        db.reset();
        QDir::setCurrent(strOld);
    }
    QString strOld;
    QTemporaryDir dir;
    QSharedPointer<CDatabase> db;
};

void BM_BackupAndImportNetContact(benchmark::State &state)
{
    BenchStore store;
    const QString strFile = store.dir.filePath(QStringLiteral("backup.xlsx"));
    for (auto _ : state) {
        CBackupThread backup(strFile, store.db, 0);
        backup.start();
        backup.wait();
        CImportThread import(strFile, store.db, 0);
        import.start();
        import.wait();
        if (!backup.succeeded() || backup.recordCount() != kEntries ||
            import.rowTexts().size() != kEntries) {
            state.SkipWithError("the workbook did not carry every entry");
            break;
        }
    }
    state.counters["rows_per_s"] =
        benchmark::Counter(double(2 * kEntries) * state.iterations(), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_BackupAndImportNetContact)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_BackupNetContact(benchmark::State &state)
{
    BenchStore store;
    const QString strFile = store.dir.filePath(QStringLiteral("backup.xlsx"));
    for (auto _ : state) {
        CBackupThread backup(strFile, store.db, 0);
        backup.start();
        backup.wait();
        if (!backup.succeeded()) {
            state.SkipWithError("the backup was not saved");
            break;
        }
    }
}
BENCHMARK(BM_BackupNetContact)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ImportNetContact(benchmark::State &state)
{
    BenchStore store;
    const QString strFile = store.dir.filePath(QStringLiteral("backup.xlsx"));
    CBackupThread backup(strFile, store.db, 0);
    backup.start();
    backup.wait();
    for (auto _ : state) {
        CImportThread import(strFile, store.db, 0);
        import.start();
        import.wait();
        if (import.rowTexts().size() != kEntries) {
            state.SkipWithError("the import did not read every entry");
            break;
        }
    }
}
BENCHMARK(BM_ImportNetContact)->Unit(benchmark::kMillisecond)->UseRealTime();

// The largest sheet the reader is meant for: 100,000 rows of 10 columns (a third of them
// numbers), read whole.
void BM_ReadLargeSheet(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString strFile = dir.filePath(QStringLiteral("large.xlsx"));
    {
        ExcelWriter writer(strFile);
        for (int r = 1; r <= 100000; ++r)
            for (int c = 1; c <= 10; ++c)
                if (c % 3 == 0)
                    writer.setCell(r, c, QStringLiteral("行%1列%2").arg(r).arg(c));
                else
                    writer.setTextCell(r, c, QString::number(13800000000LL + r * 10 + c));
        if (!writer.saveAndClose()) {
            state.SkipWithError("the sheet was not written");
            return;
        }
    }
    for (auto _ : state) {
        ExcelReader reader(strFile);
        if (reader.rowCount(1) != 100000 || reader.columnCount(1) != 10) {
            state.SkipWithError(qPrintable(reader.errorString()));
            break;
        }
    }
}
BENCHMARK(BM_ReadLargeSheet)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
