// Store benchmarks: loading the sort-key map, computing sort keys for an address book, and
// reading a large address book and a long conversation from a real file.
#include "cdatabase.h"
#include "pinyin.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

// A store in a temporary working directory with the delivered common database.
struct BenchStore
{
    BenchStore() : strOld(QDir::currentPath())
    {
        QFile::copy(QStringLiteral(ZEPHON_COMMON_DB), dir.filePath(QStringLiteral("common.db")));
        QDir::setCurrent(dir.path());
        db = std::make_unique<CDatabase>(QStringLiteral("Zephon.db"), QStringLiteral("common.db"));
    }
    ~BenchStore()
    {
        db.reset();
        QDir::setCurrent(strOld);
    }
    QString strOld;
    QTemporaryDir dir;
    std::unique_ptr<CDatabase> db;
};

// Names of two or three common characters, some with a Latin part, as an address book has.
QStringList makeNames(int iCount)
{
    const QString strChars =
        QStringLiteral("张王李赵刘陈杨黄周吴徐孙马朱胡郭何高林罗郑梁谢宋唐许韩冯邓曹彭"
                       "曾肖田董袁潘于蒋蔡余杜叶程苏魏吕丁任沈姚卢姜崔钟谭陆汪范金石廖"
                       "伟芳娜敏静丽强磊军洋勇艳杰娟涛明超秀霞平刚桂英华建国长行乐重");
    QRandomGenerator rng(42);
    QStringList names;
    for (int i = 0; i < iCount; ++i) {
        QString strName;
        const int iLength = 2 + int(rng.bounded(2));
        for (int k = 0; k < iLength; ++k)
            strName += strChars.at(int(rng.bounded(int(strChars.size()))));
        if (i % 10 == 0)
            strName += QStringLiteral(" Lee-") + QString::number(i);
        names << strName;
    }
    return names;
}

void BM_loadPinyin(benchmark::State &state)
{
    BenchStore store;
    for (auto _ : state)
        store.db->loadPinyin();
    state.counters["entries"] = pinyinMapSize();
}
BENCHMARK(BM_loadPinyin)->Unit(benchmark::kMillisecond);

void BM_toPinyin10000Names(benchmark::State &state)
{
    BenchStore store;
    store.db->loadPinyin();
    const QStringList names = makeNames(10000);
    for (auto _ : state) {
        for (const QString &strName : names)
            benchmark::DoNotOptimize(toPinyin(strName));
    }
    state.SetItemsProcessed(state.iterations() * names.size());
}
BENCHMARK(BM_toPinyin10000Names)->Unit(benchmark::kMillisecond);

void BM_getContact10000(benchmark::State &state)
{
    BenchStore store;
    store.db->loadPinyin();
    const QStringList names = makeNames(10000);
    store.db->beginTransaction(QStringLiteral("Zephon.db"));
    for (int i = 0; i < names.size(); ++i) {
        store.db->addContact(names[i], QStringLiteral("139%1").arg(i, 8, 10, QLatin1Char('0')),
                             toPinyin(names[i]));
        if (i % 2)
            store.db->setContactZpid(QString::number(2000000 + i),
                                     QStringLiteral("139%1").arg(i, 8, 10, QLatin1Char('0')));
    }
    store.db->commitTransaction(QStringLiteral("Zephon.db"));
    for (auto _ : state) {
        const QList<QObject *> list = store.db->getContact(0, QString());
        benchmark::DoNotOptimize(list.size());
        qDeleteAll(list);
    }
    state.SetItemsProcessed(state.iterations() * names.size());
}
BENCHMARK(BM_getContact10000)->Unit(benchmark::kMillisecond);

void BM_getMessage5000(benchmark::State &state)
{
    BenchStore store;
    store.db->setLoginZpid(1000001);
    store.db->beginTransaction(QStringLiteral("Zephon.db"));
    for (int i = 0; i < 5000; ++i) {
        const QString strTime = QStringLiteral("2024-01-%1 %2:%3:00")
                                    .arg(1 + i / 1440 % 28, 2, 10, QLatin1Char('0'))
                                    .arg(i / 60 % 24, 2, 10, QLatin1Char('0'))
                                    .arg(i % 60, 2, 10, QLatin1Char('0'));
        store.db->addMsgRecord(1000001, 0, QString(), 2000002, QStringLiteral("李四"),
                               QStringLiteral("13900000002"), true, i % 2, QString(),
                               QStringLiteral("message number %1").arg(i), i, 1, 2, 0, strTime);
    }
    store.db->commitTransaction(QStringLiteral("Zephon.db"));
    for (auto _ : state) {
        const QList<QObject *> list = store.db->getMessage(2, QStringLiteral("2000002"));
        benchmark::DoNotOptimize(list.size());
        qDeleteAll(list);
    }
    state.SetItemsProcessed(state.iterations() * 5000);
}
BENCHMARK(BM_getMessage5000)->Unit(benchmark::kMillisecond);

} // namespace
