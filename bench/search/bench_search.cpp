// Contact search speed over synthetic address books of realistic Chinese names with
// 11-digit mobile numbers: building the index, and one keystroke's query (the scan plus the
// copies of the matching items) for keys of 1 to 6 characters in each mode, and the whole
// keystroke as the screen runs it.
#include "contactsearch.h"
#include "cs_tree.h"
#include "searchcontactmodel.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QVariant>

#include <map>
#include <memory>
#include <random>

namespace {

const QString kSurnames = QStringLiteral(
    "王李张刘陈杨黄赵吴周徐孙马朱胡郭何高林罗郑梁谢宋唐许韩冯邓曹彭曾肖田董袁潘于蒋蔡余杜叶程苏魏"
    "吕丁任沈姚卢姜崔钟谭陆汪范金石廖贾夏韦付方白邹孟熊秦邱江尹薛闫段雷侯龙史陶黎贺顾毛郝龚邵万钱"
    "严覃武戴莫孔向汤");
const QString kGiven = QStringLiteral(
    "伟芳娜秀英敏静丽强磊军洋勇艳杰娟涛明超秀兰霞平刚桂英华玉萍红娥玲芬燕彬斌宇浩凯健俊帆帅旭宁"
    "龙林欣佳雪梅琳晨辉鹏鑫睿博文涵轩怡然思雨婷子萱梓豪晓东海波立新建国志宏云飞峰亮成春晶丹颖倩"
    "嘉悦诗琪宏亮德胜永安庆祥福荣天佑家俊雅静慧敏");

struct Book
{
    QList<QObject *> rows;
    cs_list *index = nullptr;
    ~Book()
    {
        if (index)
            freeIndex(index);
        qDeleteAll(rows);
    }
};

// Rows as the store hands them over: made one after the other in pinyin order, here the order
// of an index over them, so that they lie in memory as a real source list does.
QList<QObject *> makeRows(int count)
{
    std::mt19937 rng(20240508u + unsigned(count));
    std::uniform_int_distribution<int> surname(0, int(kSurnames.size()) - 1);
    std::uniform_int_distribution<int> given(0, int(kGiven.size()) - 1);
    std::uniform_int_distribution<int> length(1, 2);
    std::uniform_int_distribution<int> digit(0, 9);
    const char *const prefixes[] = {"130", "131", "132", "133", "135", "136", "137", "138",
                                    "139", "150", "151", "152", "158", "159", "186", "188"};
    std::uniform_int_distribution<int> prefix(0, 15);
    QList<QStringList> texts;
    texts.reserve(count);
    for (int i = 0; i < count; ++i) {
        QString name(kSurnames.at(surname(rng)));
        for (int k = length(rng); k > 0; --k)
            name += kGiven.at(given(rng));
        QString phone = QLatin1String(prefixes[prefix(rng)]);
        while (phone.size() < 11)
            phone += QChar(u'0' + digit(rng));
        texts.append({name, phone});
    }
    cs_list *order = createIndex(texts, csDefaultReader());
    QList<QObject *> rows;
    rows.reserve(count);
    for (const cs_item *item = order->first; item; item = item->next) {
        const QStringList &row = texts.at(item->number);
        const int i = int(rows.size());
        rows.append(new SearchContactModel(QString::number(i), QString::number(100000 + i),
                                           row.at(0), row.at(1), 2));
    }
    freeIndex(order);
    return rows;
}

Book &book(int count)
{
    static std::map<int, std::unique_ptr<Book>> books;
    auto &slot = books[count];
    if (!slot) {
        slot = std::make_unique<Book>();
        slot->rows = makeRows(count);
        slot->index = createIndex(slot->rows);
    }
    return *slot;
}

void buildIndex(benchmark::State &state)
{
    const QList<QObject *> &rows = book(int(state.range(0))).rows;
    for (auto _ : state) {
        cs_list *index = createIndex(rows);
        benchmark::DoNotOptimize(index);
        state.PauseTiming();
        freeIndex(index);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

struct KeySet
{
    const char *name;
    int mode;
    QString keys; // the key of length n is the first n characters
};

const KeySet kKeySets[] = {
    {"letters", CS_MODE_LETTERS, QStringLiteral("zhangw")},
    {"initials", CS_MODE_LETTERS, QStringLiteral("wjhmxy")},
    {"keypad", CS_MODE_KEYPAD, QStringLiteral("942649")},
    {"number", CS_MODE_KEYPAD, QStringLiteral("138001")},
    {"chars", CS_MODE_CHARS, QStringLiteral("张伟华明亮杰")},
};

void query(benchmark::State &state, const KeySet *set)
{
    Book &b = book(int(state.range(0)));
    const QString key = set->keys.left(qsizetype(state.range(1)));
    qint64 hits = 0;
    for (auto _ : state) {
        cs_list *result = searchContact(b.index, key, set->mode);
        hits = result->count;
        freeIndex(result);
    }
    state.counters["hits"] = double(hits);
    state.counters["ns_per_contact"] =
        benchmark::Counter(double(state.range(0)), benchmark::Counter::kIsIterationInvariantRate |
                                                       benchmark::Counter::kInvert);
    state.SetLabel(key.toStdString());
}

// Keys of the whole-keystroke benchmark, each with the mode and filter of the screen that
// sends it: the contact list searches letters with filter 1, the dial pad digits with filter 0.
struct Keystroke
{
    const char *kind;
    QString key;
    int mode;
    int filter;
};

const Keystroke kKeystrokes[] = {
    {"empty", QString(), CS_MODE_LETTERS, CS_FILTER_NO_ASSISTANT},
    {"letters", QStringLiteral("l"), CS_MODE_LETTERS, CS_FILTER_NO_ASSISTANT},
    {"letters", QStringLiteral("zh"), CS_MODE_LETTERS, CS_FILTER_NO_ASSISTANT},
    {"letters", QStringLiteral("zhang"), CS_MODE_LETTERS, CS_FILTER_NO_ASSISTANT},
    {"initials", QStringLiteral("zs"), CS_MODE_LETTERS, CS_FILTER_NO_ASSISTANT},
    {"initials", QStringLiteral("wjh"), CS_MODE_LETTERS, CS_FILTER_NO_ASSISTANT},
    {"keypad", QStringLiteral("9"), CS_MODE_KEYPAD, CS_FILTER_ALL},
    {"keypad", QStringLiteral("94"), CS_MODE_KEYPAD, CS_FILTER_ALL},
    {"keypad", QStringLiteral("94264"), CS_MODE_KEYPAD, CS_FILTER_ALL},
    {"chars", QStringLiteral("张"), CS_MODE_LETTERS, CS_FILTER_NO_ASSISTANT},
    {"chars", QStringLiteral("王伟"), CS_MODE_LETTERS, CS_FILTER_NO_ASSISTANT},
    {"number", QStringLiteral("1"), CS_MODE_KEYPAD, CS_FILTER_ALL},
    {"number", QStringLiteral("138"), CS_MODE_KEYPAD, CS_FILTER_ALL},
    {"number", QStringLiteral("1380"), CS_MODE_KEYPAD, CS_FILTER_ALL},
};

// Rows a list view shows at once, with the rows it keeps ready above and below.
constexpr int kScreenful = 30;

// The whole keystroke as the screen runs it: the search, the result rows with their mark-up,
// the list wrapped for publication, and the screenful of names and numbers the view reads.
// Before each timed keystroke an untimed one with another key leaves the rows as the previous
// keystroke of a typing user would.
void keystroke(benchmark::State &state, const Keystroke *k)
{
    Book &b = book(int(state.range(0)));
    const QString previous = k->key.isEmpty() ? QStringLiteral("z") : QString();
    qint64 rows = 0;
    qint64 shown = 0;
    for (auto _ : state) {
        state.PauseTiming();
        buildResults(b.rows, b.index, previous, searchContact(b.index, previous, k->mode),
                     k->filter);
        state.ResumeTiming();
        const QList<QObject *> out = buildResults(
            b.rows, b.index, k->key, searchContact(b.index, k->key, k->mode), k->filter);
        const QVariant published = QVariant::fromValue(out);
        const auto &list = *static_cast<const QList<QObject *> *>(published.constData());
        for (qsizetype i = 0; i < qMin<qsizetype>(list.size(), kScreenful); ++i) {
            shown += list.at(i)->property("strName").toString().size();
            shown += list.at(i)->property("strPhone").toString().size();
        }
        rows = out.size();
    }
    benchmark::DoNotOptimize(shown);
    state.counters["rows"] = double(rows);
    state.SetLabel(k->key.toStdString());
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::RegisterBenchmark("createIndex", buildIndex)
        ->Arg(1000)
        ->Arg(10000)
        ->Arg(100000)
        ->Unit(benchmark::kMillisecond);
    for (const KeySet &set : kKeySets) {
        auto *bm =
            benchmark::RegisterBenchmark((std::string("query/") + set.name).c_str(), query, &set);
        for (int count : {1000, 10000, 100000}) {
            for (int length = 1; length <= 6; ++length)
                bm->Args({count, length});
        }
        bm->Unit(benchmark::kMicrosecond);
    }
    for (const Keystroke &k : kKeystrokes) {
        const std::string name = std::string("keystroke/") + k.kind + "/" + k.key.toStdString();
        benchmark::RegisterBenchmark(name.c_str(), keystroke, &k)
            ->Arg(10000)
            ->Arg(100000)
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
