#include "cs_tree.h"

#include "ctrace.h"
#include "pinyin.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <unordered_map>
#include <vector>

// Syllable forms: letters for mode 0, keypad digits for mode 1. Readings are looked up once
// at build time; matching reads only this table and the word arrays.
struct cs_syllable
{
    char form[2][8];
    quint8 length;
    qint16 rank; // position of the syllable string in byte order, equal strings equal rank
};

// The readings of a word item, shared by every word with the same ones.
struct cs_reading_set
{
    quint16 count;
    uchar forms[2]; // count 0: the byte a key must hold to match, letters and keypad form
    quint16 readings[4];
};

// The first kNoReadingSets sets are those of characters without readings, by low byte.
constexpr int kNoReadingSets = 256;

struct cs_tables
{
    cs_syllable syllables[kSyllableCount];
    std::vector<cs_reading_set> sets;
    // The entries' texts as indexed, by the order of the rows and texts createIndex was given.
    QList<QString> texts;
};

// A chunk of list storage. Lists allocate by bumping through their blocks and free them all
// at once, so an index is a handful of allocations and a query's copies are a few more.
struct cs_block
{
    cs_block *next;
    size_t capacity;
    size_t used;
};

// One item of an index as the scan sees it: filters of the key's first character, one per
// mode (the bit of ch, byteBit or unitBit, is set when some word of some entry can consume a
// key starting with ch), and the item. A clear bit rules the item out without touching it.
struct cs_scan_row
{
    quint64 start_mask[3];
    cs_item *item;
};

struct cs_hit
{
    quint64 weight;
    cs_item *item;
    qint32 ordinal; // position in the index, for ties
};

// The scan rows of an index in index order, and the scratch its queries rank hits in, sized
// for every item at build time so that a query allocates only its copies.
struct cs_scan
{
    cs_scan_row *rows;
    cs_hit *hits;
    cs_hit *spare;
    // One bit per item: set for the previous query's hits, the only items whose entries hold
    // non-zero weights, so that the next query clears just those.
    quint64 *dirty;
};

namespace {

const CTrace g_trace("cs_tree");

// Checks of pointer arguments: programming errors, not input errors, so they stop the process
// naming the check and the unit.
[[noreturn]] void checkFailed(const char *check, int line)
{
    qFatal("ASSERT: \"%s\" in file core/search/cs_tree.cpp, line %d", check, line);
    std::abort();
}

#define CS_CHECK(cond, text)                                                                       \
    do {                                                                                           \
        if (Q_UNLIKELY(!(cond)))                                                                   \
            checkFailed(text, __LINE__);                                                           \
    } while (0)

constexpr size_t kAlign = alignof(std::max_align_t);
constexpr size_t kBlockHeader = (sizeof(cs_block) + kAlign - 1) & ~(kAlign - 1);
constexpr size_t kFirstCopyBlock = 16 * 1024;
constexpr size_t kMaxCopyBlock = 1024 * 1024;

struct KeypadTable
{
    uchar digit[256];
    constexpr KeypadTable() : digit()
    {
        const char *const keys[8] = {"abc", "def", "ghi", "jkl", "mno", "pqrs", "tuv", "wxyz"};
        for (int i = 0; i < 256; ++i)
            digit[i] = uchar(i);
        for (int k = 0; k < 8; ++k) {
            for (const char *p = keys[k]; *p; ++p) {
                digit[uchar(*p)] = uchar('2' + k);
                digit[uchar(*p - 'a' + 'A')] = uchar('2' + k);
            }
        }
    }
};
constexpr KeypadTable kKeypad;

// Filter buckets of key bytes: digits and letters (either case) get a bucket each, so the
// names' letters and the numbers' digits never share one; other bytes share the rest.
struct BucketTable
{
    uchar bucket[256];
    constexpr BucketTable() : bucket()
    {
        for (int i = 0; i < 256; ++i) {
            if (i >= '0' && i <= '9')
                bucket[i] = uchar(i - '0');
            else if (i >= 'a' && i <= 'z')
                bucket[i] = uchar(10 + i - 'a');
            else if (i >= 'A' && i <= 'Z')
                bucket[i] = uchar(10 + i - 'A');
            else
                bucket[i] = uchar(36 + i % 28);
        }
    }
};
constexpr BucketTable kBuckets;

inline quint64 byteBit(uchar ch)
{
    return quint64(1) << kBuckets.bucket[ch];
}

// Code units: digits keep their own buckets, so a name's characters never share one with the
// digits of a number; everything else is hashed over the rest.
inline quint64 unitBit(quint16 c)
{
    if (c >= '0' && c <= '9')
        return quint64(1) << (c - '0');
    return quint64(1) << (10 + ((quint32(c) * 0x9E3779B1u) >> 16) % 54);
}

// Makes the list's current block one with room for bytes, at least reserve bytes large.
void reserveBlock(cs_list *list, size_t bytes, size_t reserve)
{
    const cs_block *current = list->blocks;
    if (current && current->capacity - current->used >= bytes)
        return;
    const size_t capacity = std::max(bytes, reserve);
    void *raw = std::malloc(kBlockHeader + capacity);
    if (!raw)
        throw std::bad_alloc();
    auto *block = static_cast<cs_block *>(raw);
    block->next = list->blocks;
    block->capacity = capacity;
    block->used = 0;
    list->blocks = block;
}

void *allocate(cs_list *list, size_t bytes, size_t reserve)
{
    bytes = (bytes + 7) & ~size_t(7);
    reserveBlock(list, bytes, reserve);
    cs_block *block = list->blocks;
    void *p = reinterpret_cast<char *>(block) + kBlockHeader + block->used;
    block->used += bytes;
    return p;
}

cs_list *newList(const cs_tables *tables, bool ownsTables)
{
    auto *list = new cs_list;
    list->first = nullptr;
    list->last = nullptr;
    list->count = 0;
    list->blocks = nullptr;
    list->tables = tables;
    list->owns_tables = ownsTables;
    list->scan = nullptr;
    return list;
}

void append(cs_list *list, cs_item *item)
{
    CS_CHECK(item != nullptr, "item!=NULL");
    item->next = nullptr;
    if (list->last)
        list->last->next = item;
    else
        list->first = item;
    list->last = item;
    ++list->count;
}

void buildSyllables(cs_syllable *table, const cs_reader &reader)
{
    std::vector<QByteArray> names(kSyllableCount);
    for (int i = 0; i < kSyllableCount; ++i) {
        names[i] = reader.syllable(i).toUtf8();
        cs_syllable &s = table[i];
        std::memset(&s, 0, sizeof s);
        s.length = quint8(std::min<qsizetype>(names[i].size(), sizeof s.form[0] - 1));
        for (int k = 0; k < s.length; ++k) {
            s.form[0][k] = names[i].at(k);
            s.form[1][k] = char(kKeypad.digit[uchar(names[i].at(k))]);
        }
    }
    std::vector<int> order(kSyllableCount);
    for (int i = 0; i < kSyllableCount; ++i)
        order[i] = i;
    std::sort(order.begin(), order.end(),
              [&names](int a, int b) { return std::strcmp(names[a], names[b]) < 0; });
    qint16 rank = 0;
    for (int k = 0; k < kSyllableCount; ++k) {
        if (k > 0 && std::strcmp(names[order[k - 1]], names[order[k]]) != 0)
            ++rank;
        table[order[k]].rank = rank;
    }
}

// Gives words with equal readings the same set; sets 0 to 255 are those without readings.
struct SetIds
{
    cs_tables *tables;
    std::unordered_map<quint64, quint16> ids;
};

void initSets(cs_tables *tables)
{
    tables->sets.resize(kNoReadingSets);
    for (int b = 0; b < kNoReadingSets; ++b) {
        // Only the low byte takes part, lower-cased, or as its keypad digit.
        cs_reading_set &set = tables->sets[size_t(b)];
        std::memset(&set, 0, sizeof set);
        uchar ch = uchar(b);
        if (ch >= 'A' && ch <= 'Z')
            ch = uchar(ch - 'A' + 'a');
        set.forms[CS_MODE_LETTERS] = ch;
        set.forms[CS_MODE_KEYPAD] = kKeypad.digit[ch];
    }
}

cs_word makeWord(SetIds &sets, const cs_reader &reader, quint16 c)
{
    const WordItem item = reader.readings(c);
    cs_reading_set set;
    std::memset(&set, 0, sizeof set);
    const int count = std::clamp(item.iCount, 0, 4);
    for (int r = 0; r < count; ++r) {
        if (item.arReadings[r] >= 0 && item.arReadings[r] < kSyllableCount)
            set.readings[set.count++] = quint16(item.arReadings[r]);
    }
    if (set.count == 0)
        return cs_word{item.iCode, quint16(item.iCode & 0xFF)};
    quint64 key = set.count;
    for (int r = 0; r < set.count; ++r)
        key |= quint64(set.readings[r]) << (3 + 9 * r);
    auto it = sets.ids.find(key);
    if (it == sets.ids.end()) {
        it = sets.ids.emplace(key, quint16(sets.tables->sets.size())).first;
        sets.tables->sets.push_back(set);
    }
    return cs_word{item.iCode, it->second};
}

// Word items compare by the first reading's syllable string when both have one; a word with
// a reading sorts after one without; words without readings compare by code unit.
int compareWords(const cs_tables &t, const cs_word &a, const cs_word &b)
{
    const cs_reading_set &sa = t.sets[a.set];
    const cs_reading_set &sb = t.sets[b.set];
    if (sa.count && sb.count)
        return t.syllables[sa.readings[0]].rank - t.syllables[sb.readings[0]].rank;
    if (sa.count)
        return 1;
    if (sb.count)
        return -1;
    return int(a.code) - int(b.code);
}

int compareWordRuns(const cs_tables &t, const cs_word *a, int na, const cs_word *b, int nb)
{
    const int n = std::min(na, nb);
    for (int i = 0; i < n; ++i) {
        if (const int d = compareWords(t, a[i], b[i]))
            return d;
    }
    return na - nb;
}

void addStartBits(quint64 mask[3], const cs_tables &t, const cs_word &word)
{
    mask[CS_MODE_CHARS] |= unitBit(word.code);
    const cs_reading_set &set = t.sets[word.set];
    if (set.count == 0) {
        mask[CS_MODE_LETTERS] |= byteBit(set.forms[CS_MODE_LETTERS]);
        mask[CS_MODE_KEYPAD] |= byteBit(set.forms[CS_MODE_KEYPAD]);
        return;
    }
    for (int r = 0; r < set.count; ++r) {
        const cs_syllable &s = t.syllables[set.readings[r]];
        if (s.length == 0)
            continue;
        mask[CS_MODE_LETTERS] |= byteBit(uchar(s.form[0][0]));
        mask[CS_MODE_KEYPAD] |= byteBit(uchar(s.form[1][0]));
    }
}

// How many characters of the remaining key (left > 0) one word item consumes in modes 0/1.
inline int consumeWord(const cs_tables &t, const cs_word &word, const uchar *key, int left,
                       int mode)
{
    const cs_reading_set &set = t.sets[word.set];
    if (set.count == 0)
        return set.forms[mode] == key[0] ? 1 : 0;
    int best = 0;
    int bestLength = 0;
    for (int r = 0; r < set.count; ++r) {
        const cs_syllable &s = t.syllables[set.readings[r]];
        const char *form = s.form[mode];
        const int limit = std::min<int>(s.length, left);
        int n = 0;
        while (n < limit && uchar(form[n]) == key[n])
            ++n;
        if (n > best) {
            best = n;
            bestLength = s.length;
        }
    }
    // A syllable the key leaves before its end counts for its initial only.
    if (best > 0 && best < left && best < bestLength)
        return 1;
    return best;
}

// Whether a word item consumes anything of a key that starts with ch: a shared prefix is
// never empty exactly when the first characters agree.
inline bool startsWith(const cs_tables &t, const cs_word &word, uchar ch, int mode)
{
    const cs_reading_set &set = t.sets[word.set];
    if (set.count == 0)
        return set.forms[mode] == ch;
    for (int r = 0; r < set.count; ++r) {
        const cs_syllable &s = t.syllables[set.readings[r]];
        if (s.length > 0 && uchar(s.form[mode][0]) == ch)
            return true;
    }
    return false;
}

// The mask of the run of consecutive word items from start that consumes the whole key; 0
// when an item consumes nothing or the entry ends first.
inline quint64 runFrom(const cs_tables &t, const cs_word *words, int count, int start,
                       const uchar *key, int length, int mode)
{
    quint64 bits = 0;
    int consumed = 0;
    for (int i = start; i < count; ++i) {
        const int n = consumeWord(t, words[i], key + consumed, length - consumed, mode);
        if (n == 0)
            return 0;
        bits |= csPositionBit(i);
        consumed += n;
        if (consumed == length)
            return bits;
    }
    return 0;
}

// The mask of the earliest run of consecutive word items that consumes the whole key. How much
// an item consumes depends on how much of the key is left (a syllable the key goes on after
// counts for its initial only), so a run that broke at an item may still succeed from that very
// item: every start is tried. The earliest run has the largest weight, and runs from position
// 63 on have no bits, so the starts end there.
quint64 matchLetters(const cs_tables &t, const cs_entry *cii, const uchar *key, int length,
                     int mode)
{
    CS_CHECK(cii != nullptr, "cii!=NULL");
    if (length == 0)
        return 0;
    const cs_word *words = cii->words;
    const int count = cii->words_count;
    const int starts = std::min(count, kCsMaskPositions);
    for (int start = 0; start < starts; ++start) {
        if (!startsWith(t, words[start], key[0], mode))
            continue;
        if (const quint64 bits = runFrom(t, words, count, start, key, length, mode))
            return bits;
    }
    return 0;
}

// What the index keeps of an entry just before its words, read on every match: its start
// filters for modes 0 and 1 (see cs_scan_row), and whether no word has readings (a number, a
// Latin name), in which case the bytes a key must hold to match each word follow the words, in
// letters form and then in keypad form.
struct cs_entry_header
{
    quint64 filter[2];
    quint64 plain;
};

inline const cs_entry_header &headerOf(const cs_entry *cii)
{
    return reinterpret_cast<const cs_entry_header *>(cii->words)[-1];
}

inline quint64 entryFilter(const cs_entry *cii, int mode)
{
    return headerOf(cii).filter[mode];
}

const uchar *plainForms(const cs_entry *cii, int mode)
{
    return reinterpret_cast<const uchar *>(cii->words + cii->words_count) + mode * cii->words_count;
}

// Mask of the positions from a up to b (exclusive).
inline quint64 positionRange(int a, int b)
{
    if (a >= kCsMaskPositions)
        return 0;
    const int hi = std::min(b, kCsMaskPositions);
    return ((quint64(1) << (hi - a)) - 1) << (kCsMaskPositions - hi);
}

// matchLetters for an entry whose words have no readings: every word consumes one character
// or none, so a run is an occurrence of the key in the words' forms.
quint64 matchPlain(const cs_entry *cii, const uchar *key, int length, int mode)
{
    CS_CHECK(cii != nullptr, "cii!=NULL");
    if (length == 0 || length > cii->words_count)
        return 0;
    const uchar *forms = plainForms(cii, mode);
    const int lastStart = std::min(cii->words_count - length, kCsMaskPositions - 1);
    for (int start = 0; start <= lastStart; ++start) {
        const void *found = std::memchr(forms + start, key[0], size_t(lastStart - start + 1));
        if (!found)
            return 0;
        start = int(static_cast<const uchar *>(found) - forms);
        if (std::memcmp(forms + start + 1, key + 1, size_t(length - 1)) == 0)
            return positionRange(start, start + length);
    }
    return 0;
}

// The key's characters must occur in the entry in order, not necessarily adjacent.
quint64 matchChars(const cs_entry *cii, const quint16 *key, int length)
{
    CS_CHECK(cii != nullptr, "cii!=NULL");
    if (length == 0 || cii->words_count == 0)
        return 0;
    quint64 bits = 0;
    int k = 0;
    for (int i = 0; i < cii->words_count; ++i) {
        if (cii->words[i].code == key[k]) {
            bits |= csPositionBit(i);
            if (++k == length)
                return bits;
        }
    }
    return 0;
}

// Matches every entry of the item, records each entry's weight and the best entry, and
// returns the item's weight.
quint64 matchItem(const cs_tables &t, cs_item *item, const void *key, int length, int mode,
                  quint64 startBit)
{
    CS_CHECK(item != nullptr, "item!=NULL");
    item->best = item->first;
    quint64 best = 0;
    for (cs_entry *cii = item->first; cii; cii = cii->next) {
        quint64 weight = 0;
        if (mode == CS_MODE_CHARS)
            weight = matchChars(cii, static_cast<const quint16 *>(key), length);
        else if (!(entryFilter(cii, mode) & startBit))
            weight = 0;
        else if (headerOf(cii).plain)
            weight = matchPlain(cii, static_cast<const uchar *>(key), length, mode);
        else
            weight = matchLetters(t, cii, static_cast<const uchar *>(key), length, mode);
        cii->weight = weight;
        if (weight > best) {
            best = weight;
            item->best = cii;
        }
    }
    return best;
}

void clearWeights(cs_item *item)
{
    item->best = item->first;
    for (cs_entry *cii = item->first; cii; cii = cii->next)
        cii->weight = 0;
}

size_t recordBytes(const cs_item *item)
{
    return sizeof(cs_item) + size_t(item->entries_count) * sizeof(cs_entry);
}

// Copies an item with its entries into one record of the result's storage.
cs_item *copyItem(cs_list *result, const cs_item *item)
{
    // Blocks double with the result, so many hits cost few allocations.
    const size_t reserve =
        result->blocks ? std::min(result->blocks->capacity * 2, kMaxCopyBlock) : kFirstCopyBlock;
    auto *copy = static_cast<cs_item *>(allocate(result, recordBytes(item), reserve));
    auto *entries = reinterpret_cast<cs_entry *>(copy + 1);
    *copy = *item;
    copy->first = copy->last = copy->best = nullptr;
    copy->next = nullptr;
    int n = 0;
    for (const cs_entry *cii = item->first; cii && n < item->entries_count; cii = cii->next) {
        cs_entry *entry = entries + n++;
        *entry = *cii;
        entry->next = nullptr;
        if (copy->last)
            copy->last->next = entry;
        else
            copy->first = entry;
        copy->last = entry;
        if (cii == item->best)
            copy->best = entry;
    }
    return copy;
}

// Hits arrive in index order; ranks them by descending weight, equal weights in index order.
// Weights are grouped by their highest bit (the first matched position) with a stable
// counting pass, and only groups that are not in order yet are sorted, the ordinal breaking
// ties. Returns the array that holds the result, hits or spare.
cs_hit *rankHits(cs_hit *hits, cs_hit *spare, int n)
{
    auto inOrder = [](const cs_hit *begin, const cs_hit *end) {
        for (const cs_hit *p = begin + 1; p < end; ++p) {
            if (p->weight > (p - 1)->weight)
                return false;
        }
        return true;
    };
    if (n < 2 || inOrder(hits, hits + n))
        return hits;
    int starts[66] = {};
    for (int i = 0; i < n; ++i)
        ++starts[qCountLeadingZeroBits(hits[i].weight) + 1];
    for (int b = 1; b < 66; ++b)
        starts[b] += starts[b - 1];
    int fill[65];
    std::copy_n(starts, 65, fill);
    for (int i = 0; i < n; ++i)
        spare[fill[qCountLeadingZeroBits(hits[i].weight)]++] = hits[i];
    for (int b = 0; b < 65; ++b) {
        cs_hit *begin = spare + starts[b];
        cs_hit *end = spare + starts[b + 1];
        if (end - begin > 1 && !inOrder(begin, end)) {
            std::sort(begin, end, [](const cs_hit &x, const cs_hit &y) {
                return x.weight != y.weight ? x.weight > y.weight : x.ordinal < y.ordinal;
            });
        }
    }
    return spare;
}

struct RowLayout
{
    int firstText;
    int textCount;
};

struct TextLayout
{
    int offset;
    int length;
    bool plain;
};

// Words of an entry in the index's word block, eight-byte aligned: the entry's header, the
// words, then for a plain entry its key bytes in both forms.
constexpr size_t kEntryHeaderSlots = sizeof(cs_entry_header) / sizeof(cs_word);

size_t wordSlots(const TextLayout &text)
{
    const size_t used = kEntryHeaderSlots + size_t(text.length) +
                        (text.plain ? size_t(2 * text.length + 3) / 4 : 0);
    return (used + 1) & ~size_t(1);
}

} // namespace

cs_list *createIndex(const QList<QStringList> &listRows, const cs_reader &reader)
{
    CS_CHECK(reader.readings != nullptr && reader.syllable != nullptr, "reader!=NULL");
    auto *tables = new cs_tables;
    buildSyllables(tables->syllables, reader);
    initSets(tables);
    SetIds setIds{tables, {}};
    cs_list *list = newList(tables, true);

    std::vector<RowLayout> rows;
    std::vector<TextLayout> texts;
    std::vector<cs_word> words;
    size_t wordTotal = 0;
    rows.reserve(size_t(listRows.size()));
    for (const QStringList &row : listRows) {
        rows.push_back({int(texts.size()), int(row.size())});
        for (const QString &text : row) {
            qsizetype length = text.size();
            if (length >= kCsMaxWords) {
                g_trace.traceNumber("search text cut to 2047 code units, length", length);
                length = kCsMaxWords - 1;
            }
            TextLayout layout{int(words.size()), int(length), true};
            const QChar *units = text.constData();
            bool folded = false;
            for (qsizetype k = 0; k < length; ++k) {
                words.push_back(makeWord(setIds, reader, units[k].unicode()));
                layout.plain = layout.plain && words.back().set < kNoReadingSets;
                folded = folded || words.back().code != units[k].unicode();
            }
            // Most texts are kept as they came, sharing their data with the caller's.
            if (folded || length < text.size()) {
                QString indexed(length, Qt::Uninitialized);
                for (qsizetype k = 0; k < length; ++k)
                    indexed[k] = QChar(words[size_t(layout.offset + k)].code);
                tables->texts.append(indexed);
            } else {
                tables->texts.append(text);
            }
            texts.push_back(layout);
            wordTotal += wordSlots(layout);
        }
    }

    // Inserting each item before the first greater one, as the order is defined, is a stable
    // sort; doing it as one keeps a large address book from costing quadratic time.
    auto compareRows = [&](int a, int b) {
        const RowLayout &ra = rows[size_t(a)];
        const RowLayout &rb = rows[size_t(b)];
        const int n = std::min(ra.textCount, rb.textCount);
        for (int t = 0; t < n; ++t) {
            const TextLayout &ta = texts[size_t(ra.firstText + t)];
            const TextLayout &tb = texts[size_t(rb.firstText + t)];
            if (const int d = compareWordRuns(*tables, words.data() + ta.offset, ta.length,
                                              words.data() + tb.offset, tb.length))
                return d;
        }
        return ra.textCount - rb.textCount;
    };
    std::vector<int> order(rows.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = int(i);
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return compareRows(a, b) < 0; });

    // Words first, then item records (item and its entries side by side), then the scan rows,
    // each in index order in one block, so a scan reads memory front to back.
    auto *wordBlock =
        static_cast<cs_word *>(allocate(list, std::max<size_t>(1, wordTotal) * sizeof(cs_word), 0));
    const size_t recordsSize = rows.size() * sizeof(cs_item) + texts.size() * sizeof(cs_entry);
    reserveBlock(list, recordsSize, recordsSize);
    std::vector<cs_item *> items;
    items.reserve(rows.size());
    size_t wordPos = 0;
    for (int rowIndex : order) {
        const RowLayout &row = rows[size_t(rowIndex)];
        auto *item = static_cast<cs_item *>(allocate(list, sizeof(cs_item), 0));
        item->number = rowIndex;
        item->entries_count = row.textCount;
        item->first = item->last = item->best = nullptr;
        item->next = nullptr;
        for (int t = 0; t < row.textCount; ++t) {
            const TextLayout &text = texts[size_t(row.firstText + t)];
            auto *cii = static_cast<cs_entry *>(allocate(list, sizeof(cs_entry), 0));
            cii->weight = 0;
            cii->words_count = text.length;
            CS_CHECK(cii->words_count < kCsMaxWords, "cii->words_count<2048");
            cii->text = row.firstText + t;
            auto *header = reinterpret_cast<cs_entry_header *>(wordBlock + wordPos);
            header->plain = text.plain;
            cs_word *dest = wordBlock + wordPos + kEntryHeaderSlots;
            std::copy_n(words.data() + text.offset, text.length, dest);
            wordPos += wordSlots(text);
            cii->words = dest;
            quint64 masks[3] = {0, 0, 0};
            for (int k = 0; k < text.length; ++k)
                addStartBits(masks, *tables, dest[k]);
            header->filter[CS_MODE_LETTERS] = masks[CS_MODE_LETTERS];
            header->filter[CS_MODE_KEYPAD] = masks[CS_MODE_KEYPAD];
            if (text.plain) {
                auto *forms = reinterpret_cast<uchar *>(dest + text.length);
                for (int k = 0; k < text.length; ++k) {
                    const cs_reading_set &set = tables->sets[dest[k].set];
                    forms[k] = set.forms[CS_MODE_LETTERS];
                    forms[text.length + k] = set.forms[CS_MODE_KEYPAD];
                }
            }
            cii->next = nullptr;
            if (item->last)
                item->last->next = cii;
            else
                item->first = cii;
            item->last = cii;
        }
        item->best = item->first;
        append(list, item);
        items.push_back(item);
    }

    const size_t n = items.size();
    auto *scan = static_cast<cs_scan *>(allocate(list, sizeof(cs_scan), 0));
    scan->rows = static_cast<cs_scan_row *>(allocate(list, n * sizeof(cs_scan_row), 0));
    scan->hits = static_cast<cs_hit *>(allocate(list, n * sizeof(cs_hit), 0));
    scan->spare = static_cast<cs_hit *>(allocate(list, n * sizeof(cs_hit), 0));
    const size_t dirtyWords = n / 64 + 1;
    scan->dirty = static_cast<quint64 *>(allocate(list, dirtyWords * sizeof(quint64), 0));
    std::fill_n(scan->dirty, dirtyWords, 0);
    for (size_t k = 0; k < n; ++k) {
        cs_scan_row &row = scan->rows[k];
        row.item = items[k];
        row.start_mask[0] = row.start_mask[1] = row.start_mask[2] = 0;
        for (const cs_entry *cii = row.item->first; cii; cii = cii->next) {
            for (int w = 0; w < cii->words_count; ++w)
                addStartBits(row.start_mask, *tables, cii->words[w]);
        }
    }
    list->scan = scan;
    return list;
}

cs_list *searchIndex(cs_list *list, const void *key, int keyLength, int mode)
{
    CS_CHECK(list != nullptr, "list!=NULL");
    CS_CHECK(list->scan != nullptr, "list->scan!=NULL");
    CS_CHECK(mode >= CS_MODE_LETTERS && mode <= CS_MODE_CHARS, "mode>=0&&mode<=2");
    CS_CHECK(keyLength >= 0 && (key != nullptr || keyLength == 0), "key!=NULL");

    cs_scan *scan = list->scan;
    cs_list *result = newList(list->tables, false);
    if (keyLength == 0) {
        for (int k = 0; k < list->count; ++k) {
            if (scan->dirty[k / 64] & (quint64(1) << (k % 64)))
                clearWeights(scan->rows[k].item);
        }
        std::fill_n(scan->dirty, list->count / 64 + 1, 0);
        return result;
    }

    // One pass in index order: items the filter rules out only need last query's weights
    // cleared; candidates are matched, and hits copied while their records are at hand.
    const quint64 startBit = mode == CS_MODE_CHARS ? unitBit(static_cast<const quint16 *>(key)[0])
                                                   : byteBit(static_cast<const uchar *>(key)[0]);
    int hitCount = 0;
    for (int k = 0; k < list->count; ++k) {
        const cs_scan_row &row = scan->rows[k];
        quint64 &dirtyWord = scan->dirty[k / 64];
        const quint64 dirtyBit = quint64(1) << (k % 64);
        if (!(row.start_mask[mode] & startBit)) {
            if (dirtyWord & dirtyBit) {
                clearWeights(row.item);
                dirtyWord &= ~dirtyBit;
            }
            continue;
        }
        const quint64 weight = matchItem(*list->tables, row.item, key, keyLength, mode, startBit);
        if (weight == 0) {
            dirtyWord &= ~dirtyBit;
            continue;
        }
        dirtyWord |= dirtyBit;
        scan->hits[hitCount++] = cs_hit{weight, copyItem(result, row.item), k};
    }

    const cs_hit *ranked = rankHits(scan->hits, scan->spare, hitCount);
    for (int k = 0; k < hitCount; ++k)
        append(result, ranked[k].item);
    return result;
}

void freeIndex(cs_list *list)
{
    CS_CHECK(list != nullptr, "list!=NULL");
    for (cs_block *block = list->blocks; block;) {
        cs_block *next = block->next;
        std::free(block);
        block = next;
    }
    if (list->owns_tables)
        delete list->tables;
    delete list;
}

QList<QString> listTexts(const cs_list *list)
{
    CS_CHECK(list != nullptr, "list!=NULL");
    return list->tables->texts;
}
