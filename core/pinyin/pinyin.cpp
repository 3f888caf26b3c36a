#include "pinyin.h"

#include "pinyintables.h"

#include <algorithm>
#include <future>

namespace {

QHash<char16_t, QString> &pinyinMap()
{
    static QHash<char16_t, QString> map;
    return map;
}

// The load under way, if any; set on the main thread before the workers that read the map.
std::shared_future<void> &pendingLoad()
{
    static std::shared_future<void> load;
    return load;
}

void waitForMap()
{
    const std::shared_future<void> &load = pendingLoad();
    if (load.valid())
        load.wait();
}

// The characters removePunctuation deletes: ASCII punctuation and the space, and the
// full-width and typographic marks common in Chinese names.
constexpr char16_t kPunctuation[] = {
    0x0060, 0x002D, 0x003D, 0x005B, 0x005D, 0x005C, 0x003B, 0x0027, 0x002C, 0x002E, 0x002F,
    0x007E, 0x0021, 0x0040, 0x0023, 0x0024, 0x0025, 0x005E, 0x0026, 0x002A, 0x0028, 0x0029,
    0x005F, 0x002B, 0x007B, 0x007D, 0x007C, 0x003A, 0x0022, 0x003C, 0x003E, 0x003F, 0x0020,
    0x00B7, 0x3010, 0x3011, 0x3001, 0xFF1B, 0x2018, 0x2019, 0xFF0C, 0x3002, 0xFF01, 0xFFE5,
    0x2026, 0xFF08, 0xFF09, 0x2014, 0xFF1A, 0x201C, 0x201D, 0x300A, 0x300B, 0xFF1F};

bool isPunctuation(char16_t c)
{
    return std::find(std::begin(kPunctuation), std::end(kPunctuation), c) != std::end(kPunctuation);
}

bool isAlphanumeric(char16_t c)
{
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

template <typename Pred> QString removeIf(const QString &strText, Pred pred)
{
    QString result;
    result.reserve(strText.size());
    for (QChar ch : strText) {
        if (!pred(ch.unicode()))
            result.append(ch);
    }
    return result;
}

const qint32 *findPolyphone(quint16 c)
{
    using namespace pinyintables;
    const auto *begin = std::begin(kPolyphoneTable);
    const auto *end = std::end(kPolyphoneTable);
    const auto *it = std::lower_bound(
        begin, end, qint32(c), [](const qint32(&row)[5], qint32 code) { return row[0] < code; });
    return (it != end && (*it)[0] == c) ? *it : nullptr;
}

} // namespace

WordItem charReadings(quint16 c)
{
    using namespace pinyintables;
    WordItem item;
    item.iCode = c;
    if ((c >> 8) == 0xFF) {
        // Full-width forms fold onto ASCII one row up, so Ａ..Ｚ become a..z.
        const quint16 low = c & 0xFF;
        if (low > 0x20)
            item.iCode = low + 0x40;
        return item;
    }
    if (c < kReadingTableFirst || c - kReadingTableFirst >= kReadingTableSize)
        return item;
    const qint32 entry = kReadingTable[c - kReadingTableFirst];
    if (entry <= 0)
        return item;
    if (const qint32 *row = findPolyphone(c)) {
        for (int slot = 1; slot <= 4; ++slot) {
            const qint32 k = row[slot];
            if (k <= 0 || k > kSyllableCount)
                break;
            item.arReadings[item.iCount++] = k - 1;
        }
        return item;
    }
    item.arReadings[0] = entry - 1;
    item.iCount = 1;
    return item;
}

QString syllableName(int iIndex)
{
    if (iIndex < 0 || iIndex >= kSyllableCount)
        return QString();
    return QString::fromLatin1(pinyintables::kSyllables[iIndex]);
}

void setPinyinMap(QHash<char16_t, QString> mapPinyin)
{
    waitForMap();
    pinyinMap() = std::move(mapPinyin);
}

void loadPinyinMapAsync(std::function<QHash<char16_t, QString>()> load)
{
    waitForMap();
    pendingLoad() =
        std::async(std::launch::async, [load = std::move(load)] { pinyinMap() = load(); }).share();
}

int pinyinMapSize()
{
    waitForMap();
    return int(pinyinMap().size());
}

QString toPinyin(const QString &strText)
{
    waitForMap();
    const QHash<char16_t, QString> &map = pinyinMap();
    const QString strClean = removePunctuation(strText);
    QString result;
    result.reserve(strClean.size() * 4);
    for (QChar ch : strClean) {
        const auto it = map.constFind(ch.unicode());
        if (it != map.constEnd())
            result.append(it.value());
        else
            result.append(ch);
    }
    return result.toLower();
}

QString removePunctuation(const QString &strText)
{
    return removeIf(strText, isPunctuation);
}

QString removeAlphanumerics(const QString &strText)
{
    return removeIf(strText, isAlphanumeric);
}
