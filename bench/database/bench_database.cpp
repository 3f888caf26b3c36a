// Store benchmarks: loading the sort-key map, computing sort keys for an address book, and
// reading a large address book and a long conversation from a real file. The two reads are
// measured beside a plain read of the same rows through the SQLite C interface into plain
// structs; the counters plain_ms and ratio give that read's time and the store's multiple.
#include "cdatabase.h"
#include "cstorebatch.h"
#include "pinyin.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

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

// The same rows as the store reads, through the C interface, each into a plain struct.
class PlainReader
{
public:
    PlainReader(const char *file, const char *sql)
    {
        if (sqlite3_open_v2(file, &m_pDb, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK ||
            sqlite3_prepare_v2(m_pDb, sql, -1, &m_pStatement, nullptr) != SQLITE_OK)
            m_strError = sqlite3_errmsg(m_pDb);
    }
    ~PlainReader()
    {
        sqlite3_finalize(m_pStatement);
        sqlite3_close(m_pDb);
    }
    PlainReader(const PlainReader &) = delete;
    PlainReader &operator=(const PlainReader &) = delete;

    const std::string &error() const { return m_strError; }
    sqlite3_stmt *statement() const { return m_pStatement; }

    template <typename Row, typename Fill> std::vector<Row> read(Fill fill)
    {
        std::vector<Row> rows;
        while (sqlite3_step(m_pStatement) == SQLITE_ROW) {
            rows.emplace_back();
            fill(m_pStatement, rows.back());
        }
        sqlite3_reset(m_pStatement);
        return rows;
    }

private:
    sqlite3 *m_pDb = nullptr;
    sqlite3_stmt *m_pStatement = nullptr;
    std::string m_strError;
};

std::string columnText(sqlite3_stmt *pStatement, int iColumn)
{
    const unsigned char *pText = sqlite3_column_text(pStatement, iColumn);
    return pText ? std::string(reinterpret_cast<const char *>(pText),
                               size_t(sqlite3_column_bytes(pStatement, iColumn)))
                 : std::string();
}

struct PlainContact
{
    long long iId = 0;
    long long iZpid = 0;
    std::string fields[15];
    int iType = 0;
};

struct PlainMessage
{
    long long iId = 0;
    long long iCircleId = 0;
    std::string strCircleName;
    long long iZpid = 0;
    std::string strName;
    std::string strPhone;
    bool bRead = false;
    bool bSend = false;
    std::string strCaption;
    std::string strContent;
    std::string strTime;
    int iMsgId = 0;
    int iMsgState = 0;
    int iType = 0;
    int iSubType = 0;
};

// Runs the store's read once per iteration (the measured time) and the plain read beside
// it, timed on its own; both must yield the same number of rows.
template <typename StoreRead, typename PlainRead>
void compareWithPlain(benchmark::State &state, StoreRead storeRead, PlainRead plainRead)
{
    using Clock = std::chrono::steady_clock;
    Clock::duration store{};
    Clock::duration plain{};
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        const QList<QObject *> list = storeRead();
        store += Clock::now() - start;
        state.PauseTiming();
        const Clock::time_point plainStart = Clock::now();
        const size_t iPlainRows = plainRead();
        plain += Clock::now() - plainStart;
        if (iPlainRows == 0 || iPlainRows > size_t(list.size()))
            state.SkipWithError("the store and the plain read disagree");
        qDeleteAll(list);
        state.ResumeTiming();
    }
    const double dIterations = double(state.iterations());
    state.counters["plain_ms"] =
        std::chrono::duration<double, std::milli>(plain).count() / dIterations;
    state.counters["ratio"] = plain.count() ? double(store.count()) / double(plain.count()) : 0;
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
    {
        CStoreBatch batch(*store.db);
        for (int i = 0; i < names.size(); ++i) {
            const QString strPhone = QStringLiteral("139%1").arg(i, 8, 10, QLatin1Char('0'));
            store.db->addContact(names[i], strPhone, toPinyin(names[i]));
            if (i % 2)
                store.db->setContactZpid(QString::number(2000000 + i), strPhone);
        }
        batch.commit();
    }
    PlainReader plain(qPrintable(store.dir.filePath(QStringLiteral("Zephon.db"))),
                      "Select Id,Zpid,Name,Sex,Post,Company,Address,Phone,Tel,Email,Notes,"
                      "Profession,Homepage,Fax,Age,Nickname,Location,Type from Contact where Type "
                      "== 0 or Type == 2 or Type == 3 Order by Pinyin ASC");
    if (!plain.error().empty()) {
        state.SkipWithError(plain.error().c_str());
        return;
    }
    compareWithPlain(
        state, [&] { return store.db->getContact(0, QString()); },
        [&] {
            return plain
                .read<PlainContact>([](sqlite3_stmt *pRow, PlainContact &contact) {
                    contact.iId = sqlite3_column_int64(pRow, 0);
                    contact.iZpid = sqlite3_column_int64(pRow, 1);
                    for (int i = 0; i < 15; ++i)
                        contact.fields[i] = columnText(pRow, 2 + i);
                    contact.iType = sqlite3_column_int(pRow, 17);
                })
                .size();
        });
    state.SetItemsProcessed(state.iterations() * names.size());
}
BENCHMARK(BM_getContact10000)->Unit(benchmark::kMillisecond);

void BM_getMessage5000(benchmark::State &state)
{
    BenchStore store;
    store.db->setLoginZpid(1000001);
    {
        CStoreBatch batch(*store.db);
        for (int i = 0; i < 5000; ++i) {
            const QString strTime = QStringLiteral("2024-01-%1 %2:%3:00")
                                        .arg(1 + i / 1440 % 28, 2, 10, QLatin1Char('0'))
                                        .arg(i / 60 % 24, 2, 10, QLatin1Char('0'))
                                        .arg(i % 60, 2, 10, QLatin1Char('0'));
            store.db->addMsgRecord(1000001, 0, QString(), 2000002, QStringLiteral("李四"),
                                   QStringLiteral("13900000002"), true, i % 2, QString(),
                                   QStringLiteral("message number %1").arg(i), i, 1, 2, 0, strTime);
        }
        batch.commit();
    }
    PlainReader plain(qPrintable(store.dir.filePath(QStringLiteral("Zephon.db"))),
                      "Select Id,CircleId,CircleName,Zpid,Name,Phone,Read,Send,Caption,Content,"
                      "Time,MsgId,MsgState,Type,SubType from MsgRecord Where LoginZpid = 1000001 "
                      "and Type = 2 and Zpid = 2000002 Order by Time, Id");
    if (!plain.error().empty()) {
        state.SkipWithError(plain.error().c_str());
        return;
    }
    compareWithPlain(
        state, [&] { return store.db->getMessage(2, QStringLiteral("2000002")); },
        [&] {
            return plain
                .read<PlainMessage>([](sqlite3_stmt *pRow, PlainMessage &message) {
                    message.iId = sqlite3_column_int64(pRow, 0);
                    message.iCircleId = sqlite3_column_int64(pRow, 1);
                    message.strCircleName = columnText(pRow, 2);
                    message.iZpid = sqlite3_column_int64(pRow, 3);
                    message.strName = columnText(pRow, 4);
                    message.strPhone = columnText(pRow, 5);
                    message.bRead = sqlite3_column_int(pRow, 6) != 0;
                    message.bSend = sqlite3_column_int(pRow, 7) != 0;
                    message.strCaption = columnText(pRow, 8);
                    message.strContent = columnText(pRow, 9);
                    message.strTime = columnText(pRow, 10);
                    message.iMsgId = sqlite3_column_int(pRow, 11);
                    message.iMsgState = sqlite3_column_int(pRow, 12);
                    message.iType = sqlite3_column_int(pRow, 13);
                    message.iSubType = sqlite3_column_int(pRow, 14);
                })
                .size();
        });
    state.SetItemsProcessed(state.iterations() * 5000);
}
BENCHMARK(BM_getMessage5000)->Unit(benchmark::kMillisecond);

} // namespace
