// The search index: item order, the three matching modes, result ranking and the copies a
// query hands out, over the built-in character readings; and the matching of letters and
// keypad digits against a plain restatement of its rule over a generated address book.
#include "contactsearch.h"
#include "cs_tree.h"
#include "pinyin.h"

#include <QMap>
#include <QProcess>
#include <QTest>

#include <algorithm>
#include <random>

namespace {

using Rows = QList<QStringList>;

// One hit as the tests compare it: source number, item weight, and which entry was best.
struct Hit
{
    int number;
    quint64 weight;
    int bestEntry;
    bool operator==(const Hit &o) const
    {
        return number == o.number && weight == o.weight && bestEntry == o.bestEntry;
    }
};
using Hits = QList<Hit>;

QByteArray hitText(const Hit &h)
{
    return "{#" + QByteArray::number(h.number) + " w=0x" + QByteArray::number(h.weight, 16) +
           " entry " + QByteArray::number(h.bestEntry) + "}";
}

quint64 bits(std::initializer_list<int> positions)
{
    quint64 mask = 0;
    for (int p : positions)
        mask |= csPositionBit(p);
    return mask;
}

int entryIndex(const cs_item *item, const cs_entry *entry)
{
    int i = 0;
    for (const cs_entry *e = item->first; e; e = e->next, ++i) {
        if (e == entry)
            return i;
    }
    return -1;
}

Hits hitsOf(const cs_list *list)
{
    Hits hits;
    const cs_item *tail = nullptr;
    for (const cs_item *item = list->first; item; item = item->next) {
        hits.append(
            {item->number, item->best ? item->best->weight : 0, entryIndex(item, item->best)});
        tail = item;
    }
    // The count and the tail pointer are part of the list, not just the chain.
    if (hits.size() != list->count || list->last != tail)
        hits.append({-1, 0, -1});
    return hits;
}

QString textOf(const cs_list *list, const cs_entry *entry)
{
    return listTexts(list).value(entry->text);
}

QList<int> numbersOf(const cs_list *list)
{
    QList<int> numbers;
    for (const cs_item *item = list->first; item; item = item->next)
        numbers.append(item->number);
    return numbers;
}

cs_list *search(cs_list *index, const QString &key, int mode)
{
    if (mode == CS_MODE_CHARS)
        return searchIndex(index, key.utf16(), int(key.size()), mode);
    const QByteArray utf8 = key.toUtf8();
    return searchIndex(index, utf8.constData(), int(utf8.size()), mode);
}

// The matching rule of modes 0 and 1 written out without the index: each character's readings
// looked up afresh, the key cut as it is consumed, and every start position tried in turn.
namespace reference {

char keypadDigit(char c)
{
    const char *const keys[] = {"abc", "def", "ghi", "jkl", "mno", "pqrs", "tuv", "wxyz"};
    for (int k = 0; k < 8; ++k) {
        for (const char *p = keys[k]; *p; ++p) {
            if (*p == c)
                return char('2' + k);
        }
    }
    return c;
}

QByteArray inMode(QByteArray letters, int mode)
{
    if (mode == CS_MODE_KEYPAD) {
        for (char &c : letters)
            c = keypadDigit(c);
    }
    return letters;
}

// How many characters of rest (not empty) the character ch consumes.
int consumes(QChar ch, const QByteArray &rest, int mode)
{
    const WordItem word = charReadings(ch.unicode());
    if (word.iCount == 0) {
        char c = char(word.iCode & 0xFF);
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
        return inMode(QByteArray(1, c), mode).at(0) == rest.at(0) ? 1 : 0;
    }
    int best = 0;
    int bestLength = 0;
    for (int r = 0; r < word.iCount; ++r) {
        const QByteArray syllable = inMode(syllableName(word.arReadings[r]).toLatin1(), mode);
        int n = 0;
        while (n < syllable.size() && n < rest.size() && syllable.at(n) == rest.at(n))
            ++n;
        if (n > best) {
            best = n;
            bestLength = int(syllable.size());
        }
    }
    return best > 0 && best < rest.size() && best < bestLength ? 1 : best;
}

quint64 weight(const QString &text, const QByteArray &key, int mode)
{
    if (key.isEmpty())
        return 0;
    for (int start = 0; start < text.size(); ++start) {
        QByteArray rest = key;
        quint64 bits = 0;
        for (int i = start; i < text.size() && !rest.isEmpty(); ++i) {
            const int n = consumes(text.at(i), rest, mode);
            if (n == 0)
                break;
            if (i < 63)
                bits |= quint64(1) << (62 - i);
            rest.remove(0, n);
        }
        if (rest.isEmpty())
            return bits;
    }
    return 0;
}

} // namespace reference

// Names of one to four characters: common Chinese ones, polyphones, Latin letters of either
// case, digits, full-width letters and punctuation; numbers of 11 digits, short or none.
Rows generatedBook(int count)
{
    const QString common = QStringLiteral(
        "王李张刘陈杨黄赵吴周徐孙马朱胡郭何高林罗郑梁谢宋唐许韩冯邓曹彭曾肖田董袁潘于蒋蔡余杜叶"
        "钟志璋仁伟芳娜秀英敏静丽强磊军洋勇艳杰娟涛明超兰霞平刚桂华玉萍红玲芬燕彬斌宇浩凯健俊"
        "帆旭宁龙欣佳雪梅琳晨辉鹏鑫睿博文涵轩怡然思雨婷子萱梓豪晓东海波立新建国宏云飞峰亮成春");
    const QString polyphones = QStringLiteral("长行重乐曾单朝解查区仇朴盖翟尉");
    const QString other = QStringLiteral("aAbZzhHiIgnNsSxy019ＡＺａ·-");
    std::mt19937 rng(20240510u);
    std::uniform_int_distribution<int> percent(0, 99);
    std::uniform_int_distribution<int> length(1, 4);
    std::uniform_int_distribution<int> digit(0, 9);
    auto pick = [&rng](const QString &pool) {
        return pool.at(std::uniform_int_distribution<int>(0, int(pool.size()) - 1)(rng));
    };
    Rows rows;
    for (int i = 0; i < count; ++i) {
        QString name;
        for (int k = length(rng); k > 0; --k) {
            const int p = percent(rng);
            name += pick(p < 75 ? common : p < 90 ? polyphones : other);
        }
        QString phone;
        const int p = percent(rng);
        const int digits = p < 80 ? 10 : p < 95 ? 4 : 0;
        if (digits)
            phone += QChar(p < 80 ? u'1' : u'8');
        for (int k = 0; k < digits; ++k)
            phone += QChar(u'0' + digit(rng));
        rows.append({name, phone});
    }
    return rows;
}

} // namespace

QT_BEGIN_NAMESPACE
namespace QTest {
template <> char *toString(const Hit &h)
{
    return qstrdup(hitText(h).constData());
}
} // namespace QTest
QT_END_NAMESPACE

class TestCsTree : public QObject
{
    Q_OBJECT

private slots:
    void matching_data();
    void matching();
    void agreesWithReference_data();
    void agreesWithReference();
    void itemOrder_data();
    void itemOrder();
    void resultsAreCopies();
    void emptyKeyMatchesNothing();
    void longTextIsCut();
    void emptyIndex();
    void nullListStopsWithNamedCheck();
};

void TestCsTree::matching_data()
{
    QTest::addColumn<Rows>("rows");
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("mode");
    QTest::addColumn<Hits>("expected");

    const Rows zhangZhou{{u"周杰"_qs, u"13900000002"_qs}, {u"张三"_qs, u"13800000001"_qs}};
    const int L = CS_MODE_LETTERS, K = CS_MODE_KEYPAD, C = CS_MODE_CHARS;

    QTest::newRow("initials zs: only 张三") << zhangZhou << "zs" << L << Hits{{1, bits({0, 1}), 0}};
    QTest::newRow("zh: both first syllables, equal, index order")
        << zhangZhou << "zh" << L << Hits{{1, bits({0}), 0}, {0, bits({0}), 0}};
    QTest::newRow("full syllable then initial")
        << zhangZhou << "zhangs" << L << Hits{{1, bits({0, 1}), 0}};
    QTest::newRow("full name") << zhangZhou << "zhangsan" << L << Hits{{1, bits({0, 1}), 0}};
    QTest::newRow("syllable cut by the end of the key")
        << zhangZhou << "zha" << L << Hits{{1, bits({0}), 0}};
    QTest::newRow("key left over at the end of the name") << zhangZhou << "zsx" << L << Hits{};
    QTest::newRow("key is not case-folded") << zhangZhou << "ZS" << L << Hits{};
    QTest::newRow("san below a match at position 0")
        << Rows{{u"张三"_qs, u""_qs}, {u"三毛"_qs, u""_qs}} << "san" << L
        << Hits{{1, bits({0}), 0}, {0, bits({1}), 0}};
    QTest::newRow("match after a non-matching first character")
        << Rows{{u"王李四"_qs, u""_qs}} << "lisi" << L << Hits{{0, bits({1, 2}), 0}};
    QTest::newRow("restart one back when the broken chain ran long")
        << Rows{{u"三三张三"_qs, u""_qs}} << "sanzhangs" << L << Hits{{0, bits({1, 2, 3}), 0}};
    QTest::newRow("restart past the furthest start")
        << Rows{{u"王三李三五"_qs, u""_qs}} << "sanwu" << L << Hits{{0, bits({3, 4}), 0}};
    QTest::newRow("polyphone 长 by c")
        << Rows{{u"长"_qs, u""_qs}} << "c" << L << Hits{{0, bits({0}), 0}};
    QTest::newRow("polyphone 长 by z")
        << Rows{{u"长"_qs, u""_qs}} << "zhang" << L << Hits{{0, bits({0}), 0}};
    QTest::newRow("a syllable retried where the initial-only run broke: zhi")
        << Rows{{u"曾志"_qs, u""_qs}} << "zhi" << L << Hits{{0, bits({1}), 0}};
    QTest::newRow("a syllable retried where the initial-only run broke: zhang")
        << Rows{{u"钟璋仁"_qs, u""_qs}} << "zhang" << L << Hits{{0, bits({1}), 0}};
    QTest::newRow("retried where the run broke, then on to the next character")
        << Rows{{u"钟璋仁"_qs, u""_qs}} << "zhangr" << L << Hits{{0, bits({1, 2}), 0}};
    QTest::newRow("the earliest run wins: initials before the later full syllable")
        << Rows{{u"张华张"_qs, u""_qs}} << "zh" << L << Hits{{0, bits({0}), 0}};
    QTest::newRow("Latin letters of a name, either case")
        << Rows{{u"Amy Li"_qs, u""_qs}} << "amy" << L << Hits{{0, bits({0, 1, 2}), 0}};

    QTest::newRow("keypad 94: zh of both names")
        << zhangZhou << "94" << K << Hits{{1, bits({0}), 0}, {0, bits({0}), 0}};
    QTest::newRow("keypad 97: z and s of 张三")
        << zhangZhou << "97" << K << Hits{{1, bits({0, 1}), 0}};
    QTest::newRow("keypad full name 94264726")
        << zhangZhou << "94264726" << K << Hits{{1, bits({0, 1}), 0}};
    QTest::newRow("keypad: retried where the run broke")
        << Rows{{u"曾志"_qs, u""_qs}} << "944" << K << Hits{{0, bits({1}), 0}};
    QTest::newRow("keypad: letters in the key never match") << zhangZhou << "zs" << K << Hits{};
    QTest::newRow("keypad: Latin name letters in digit form")
        << Rows{{u"Amy"_qs, u""_qs}} << "269" << K << Hits{{0, bits({0, 1, 2}), 0}};
    QTest::newRow("keypad: Latin name never matches its letters")
        << Rows{{u"Amy"_qs, u""_qs}} << "a" << K << Hits{};
    QTest::newRow("keypad: phone digits match themselves")
        << zhangZhou << "1380" << K << Hits{{1, bits({0, 1, 2, 3}), 1}};
    QTest::newRow("letters mode: phone digits inside the number")
        << zhangZhou << "0001" << L << Hits{{1, bits({7, 8, 9, 10}), 1}};
    QTest::newRow("number: occurrence after a false start")
        << Rows{{u""_qs, u"1131138"_qs}} << "138" << K << Hits{{0, bits({4, 5, 6}), 1}};
    QTest::newRow("number: key longer than the number")
        << Rows{{u""_qs, u"13"_qs}} << "138" << K << Hits{};
    QTest::newRow("name beats phone on equal weight: first entry kept")
        << Rows{{u"138"_qs, u"138"_qs}} << "13" << L << Hits{{0, bits({0, 1}), 0}};

    QTest::newRow("character 三 at position 1")
        << zhangZhou << u"三"_qs << C << Hits{{1, bits({1}), 0}};
    QTest::newRow("characters out of order") << zhangZhou << u"三张"_qs << C << Hits{};
    QTest::newRow("characters need not be adjacent")
        << Rows{{u"张小三"_qs, u""_qs}} << u"张三"_qs << C << Hits{{0, bits({0, 2}), 0}};
    QTest::newRow("characters compare after folding")
        << Rows{{u"ＡＢ"_qs, u""_qs}} << u"ab"_qs << C << Hits{{0, bits({0, 1}), 0}};

    // Enough hits that ranking sorts a group larger than a handful: "aab" sorts before "ab"
    // in the index but weighs less, and equal weights must keep their index order.
    Rows manyRows;
    Hits manyHits;
    for (int i = 0; i < 60; ++i)
        manyRows.append({i % 3 ? u"aab"_qs : u"ab"_qs, u"7"_qs});
    for (int i = 0; i < 60; i += 3)
        manyHits.append({i, bits({0, 1}), 0});
    for (int i = 0; i < 60; ++i) {
        if (i % 3)
            manyHits.append({i, bits({0, 2}), 0});
    }
    QTest::newRow("many ties in index order") << manyRows << u"ab"_qs << C << manyHits;

    const QString far = QString(63, u'王') + u"三"_qs;
    QTest::newRow("a match from position 63 on has no bit")
        << Rows{{far, u""_qs}} << "san" << L << Hits{};
    QTest::newRow("position 62 is bit 0")
        << Rows{{QString(62, u'王') + u"三"_qs, u""_qs}} << "san" << L << Hits{{0, 1, 0}};
}

void TestCsTree::matching()
{
    QFETCH(Rows, rows);
    QFETCH(QString, key);
    QFETCH(int, mode);
    QFETCH(Hits, expected);

    cs_list *index = createIndex(rows, csDefaultReader());
    cs_list *result = search(index, key, mode);
    QCOMPARE(hitsOf(result), expected);
    QCOMPARE(result->count, int(expected.size()));
    freeIndex(result);
    freeIndex(index);
}

void TestCsTree::agreesWithReference_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("mode");

    for (const char *key :
         {"z",      "zh",  "zhi",  "zhang", "wang", "liu", "chen",  "l",   "zs", "zhangw",
          "zhangs", "wjh", "hang", "chang", "ceng", "yue", "lihua", "s",   "sh", "a",
          "ab",     "az",  "n",    "ni",    "xin",  "1",   "0",     "138", "8"})
        QTest::addRow("letters %s", key) << QString::fromLatin1(key) << int(CS_MODE_LETTERS);
    for (const char *key : {"9", "94", "944", "94264", "9264", "548", "2436", "97", "942649",
                            "4264", "2", "22", "6", "64", "1", "138", "0", "8"})
        QTest::addRow("keypad %s", key) << QString::fromLatin1(key) << int(CS_MODE_KEYPAD);
}

void TestCsTree::agreesWithReference()
{
    QFETCH(QString, key);
    QFETCH(int, mode);

    static const Rows rows = generatedBook(4000);
    cs_list *index = createIndex(rows, csDefaultReader());
    cs_list *result = search(index, key, mode);

    QList<int> position(rows.size());
    int p = 0;
    for (const cs_item *item = index->first; item; item = item->next)
        position[item->number] = p++;

    const QByteArray utf8 = key.toUtf8();
    QMap<int, Hit> expected;
    for (int n = 0; n < rows.size(); ++n) {
        Hit hit{n, 0, -1};
        for (int e = 0; e < rows.at(n).size(); ++e) {
            const quint64 w = reference::weight(rows.at(n).at(e), utf8, mode);
            if (w > hit.weight)
                hit = {n, w, e};
        }
        if (hit.weight)
            expected.insert(n, hit);
    }
    QMap<int, Hit> actual;
    for (const Hit &hit : hitsOf(result))
        actual.insert(hit.number, hit);
    for (const Hit &hit : expected) {
        const QStringList &row = rows.at(hit.number);
        QVERIFY2(actual.value(hit.number, Hit{hit.number, 0, -1}) == hit,
                 qPrintable(u"%1 / %2: expected %3"_qs.arg(row.at(0), row.at(1),
                                                           QString::fromLatin1(hitText(hit)))));
    }
    for (const Hit &hit : actual)
        QVERIFY2(expected.contains(hit.number), qPrintable(rows.at(hit.number).join(u" / ")));

    // Ranked by descending weight, equal weights in index order.
    Hits ranked = expected.values();
    std::stable_sort(ranked.begin(), ranked.end(), [&position](const Hit &a, const Hit &b) {
        return a.weight != b.weight ? a.weight > b.weight : position[a.number] < position[b.number];
    });
    QCOMPARE(hitsOf(result), ranked);
    // A key that finds nothing would compare nothing.
    QVERIFY(!ranked.isEmpty());
    freeIndex(result);
    freeIndex(index);
}

void TestCsTree::itemOrder_data()
{
    QTest::addColumn<Rows>("rows");
    QTest::addColumn<QList<int>>("expected");

    QTest::newRow("equal items keep source order")
        << Rows{{u"张三"_qs, u"1"_qs}, {u"张三"_qs, u"1"_qs}, {u"张三"_qs, u"1"_qs}}
        << QList<int>{0, 1, 2};
    QTest::newRow("same first reading is a tie: 章 and 张")
        << Rows{{u"章三"_qs, u"1"_qs}, {u"张三"_qs, u"1"_qs}} << QList<int>{0, 1};
    QTest::newRow("tied names: the phone decides")
        << Rows{{u"张三"_qs, u"139"_qs}, {u"章三"_qs, u"138"_qs}} << QList<int>{1, 0};
    QTest::newRow("syllables in byte order")
        << Rows{{u"周"_qs}, {u"张"_qs}, {u"赵"_qs}, {u"李"_qs}} << QList<int>{3, 1, 2, 0};
    QTest::newRow("polyphone sorts by its first reading: chan < chang < zhang")
        << Rows{{u"张"_qs}, {u"长"_qs}, {u"产"_qs}} << QList<int>{2, 1, 0};
    QTest::newRow("a character without reading before one with")
        << Rows{{u"李"_qs}, {u"Z"_qs}, {u"9"_qs}} << QList<int>{2, 1, 0};
    QTest::newRow("characters without reading by code unit")
        << Rows{{u"b"_qs}, {u"a"_qs}, {u"B"_qs}} << QList<int>{2, 1, 0};
    QTest::newRow("a prefix sorts first")
        << Rows{{u"张三丰"_qs}, {u"张三"_qs}, {u"张"_qs}} << QList<int>{2, 1, 0};
    QTest::newRow("an empty name sorts first") << Rows{{u"张"_qs}, {u""_qs}} << QList<int>{1, 0};
    QTest::newRow("fewer entries sort first")
        << Rows{{u"张"_qs, u"1"_qs}, {u"张"_qs}, {u"张"_qs, u"1"_qs}} << QList<int>{1, 0, 2};
}

void TestCsTree::itemOrder()
{
    QFETCH(Rows, rows);
    QFETCH(QList<int>, expected);

    cs_list *index = createIndex(rows, csDefaultReader());
    QCOMPARE(numbersOf(index), expected);
    QCOMPARE(index->count, int(expected.size()));
    QCOMPARE(index->last->number, expected.last());
    // Every item holds one entry per text, in order, with the text's code units.
    for (const cs_item *item = index->first; item; item = item->next) {
        const QStringList &texts = rows.at(item->number);
        QStringList rebuilt;
        for (const cs_entry *e = item->first; e; e = e->next)
            rebuilt.append(textOf(index, e));
        QCOMPARE(rebuilt, texts);
    }
    freeIndex(index);
}

void TestCsTree::resultsAreCopies()
{
    const Rows rows{{u"张三"_qs, u"13800000001"_qs}, {u"三毛"_qs, u"13800000002"_qs}};
    cs_list *index = createIndex(rows, csDefaultReader());

    cs_list *first = search(index, "san", CS_MODE_LETTERS);
    // The index itself records the last match on its entries and items.
    QCOMPARE(hitsOf(index), (Hits{{1, bits({0}), 0}, {0, bits({1}), 0}}));
    cs_list *second = search(index, "13800000002", CS_MODE_LETTERS);
    QCOMPARE(hitsOf(index), (Hits{{1, bits({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}), 1}, {0, 0, 0}}));

    // The first result kept its own weights and best entries through the second query.
    QCOMPARE(hitsOf(first), (Hits{{1, bits({0}), 0}, {0, bits({1}), 0}}));
    QCOMPARE(first->first->first->next->weight, quint64(0));
    for (const cs_item *item = first->first; item; item = item->next) {
        for (const cs_item *orig = index->first; orig; orig = orig->next)
            QVERIFY(item != orig && item->first != orig->first && item->best != orig->best);
        QCOMPARE(textOf(first, item->first), rows.at(item->number).at(0));
    }
    QCOMPARE(hitsOf(second).size(), 1);

    // A query that no item can start resets what the earlier ones left on the index.
    cs_list *none = search(index, "q", CS_MODE_LETTERS);
    QCOMPARE(none->count, 0);
    QCOMPARE(hitsOf(index), (Hits{{1, 0, 0}, {0, 0, 0}}));
    QCOMPARE(index->first->last->weight, quint64(0));
    freeIndex(none);
    freeIndex(first);
    freeIndex(second);
    freeIndex(index);
}

void TestCsTree::emptyKeyMatchesNothing()
{
    cs_list *index = createIndex(Rows{{u"张三"_qs, u"1"_qs}}, csDefaultReader());
    cs_list *warm = search(index, "zs", CS_MODE_LETTERS);
    QCOMPARE(warm->count, 1);
    for (int mode : {CS_MODE_LETTERS, CS_MODE_KEYPAD, CS_MODE_CHARS}) {
        cs_list *result = searchIndex(index, nullptr, 0, mode);
        QCOMPARE(result->count, 0);
        QVERIFY(!result->first && !result->last);
        QCOMPARE(index->first->first->weight, quint64(0));
        freeIndex(result);
    }
    freeIndex(warm);
    freeIndex(index);
}

void TestCsTree::longTextIsCut()
{
    // Server texts of any length are indexed; past 2047 code units they are cut.
    const QString name = u"张三"_qs + QString(4000, u'x');
    const QString phone = QString(2047, u'1');
    cs_list *index =
        createIndex(Rows{{name, phone}, {QString(2048, u'2'), u"8"_qs}}, csDefaultReader());
    QCOMPARE(index->count, 2);
    const cs_item *item = index->first->number == 0 ? index->first : index->first->next;
    QCOMPARE(item->first->words_count, kCsMaxWords - 1);
    QCOMPARE(textOf(index, item->first), name.left(kCsMaxWords - 1));
    QCOMPARE(item->last->words_count, 2047);

    cs_list *result = search(index, "zs", CS_MODE_LETTERS);
    QCOMPARE(hitsOf(result), (Hits{{0, bits({0, 1}), 0}}));
    freeIndex(result);
    result = search(index, "8", CS_MODE_KEYPAD);
    QCOMPARE(hitsOf(result), (Hits{{1, bits({0}), 1}}));
    freeIndex(result);
    freeIndex(index);
}

void TestCsTree::emptyIndex()
{
    cs_list *index = createIndex(Rows{}, csDefaultReader());
    QCOMPARE(index->count, 0);
    QVERIFY(!index->first && !index->last);
    cs_list *result = search(index, "z", CS_MODE_LETTERS);
    QCOMPARE(result->count, 0);
    freeIndex(result);
    freeIndex(index);
}

void TestCsTree::nullListStopsWithNamedCheck()
{
    // A null list is a programming error: the process stops naming the check and the unit.
    if (qEnvironmentVariableIsSet("CS_TREE_NULL_LIST")) {
        searchIndex(nullptr, "z", 1, CS_MODE_LETTERS);
        return;
    }
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("CS_TREE_NULL_LIST", "1");
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(), {"nullListStopsWithNamedCheck"});
    QVERIFY(child.waitForFinished(30000));
    QVERIFY(child.exitStatus() == QProcess::CrashExit || child.exitCode() != 0);
    const QByteArray err = child.readAll();
    QVERIFY2(err.contains("list!=NULL") && err.contains("core/search/cs_tree"), err.constData());
}

QTEST_GUILESS_MAIN(TestCsTree)
#include "tst_cstree.moc"
