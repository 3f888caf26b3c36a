// Pinyin: the sort key of names (from the common database's Pinyin table) and the
// built-in per-character readings that the contact search matches against.
#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

#include <functional>

// The result of looking up one character: its (possibly folded) code unit and up to four
// syllable indexes into the 406-syllable inventory.
struct WordItem
{
    quint16 iCode = 0;
    int iCount = 0;
    int arReadings[4] = {0, 0, 0, 0};
};

// Number of syllables in the inventory; valid indexes are 0 to kSyllableCount - 1.
constexpr int kSyllableCount = 406;

WordItem charReadings(quint16 c);
QString syllableName(int iIndex);

// The process-wide character -> main reading map behind toPinyin. It is filled once at
// start-up before any worker runs and only read afterwards, so readers take no lock;
// replacing it while another thread calls toPinyin is not allowed.
void setPinyinMap(QHash<char16_t, QString> mapPinyin);
// Fills the map with what load returns, on a thread of its own, so that start-up does not
// wait for it; toPinyin, pinyinMapSize and setPinyinMap wait for it when it is not in yet.
void loadPinyinMapAsync(std::function<QHash<char16_t, QString>()> load);
int pinyinMapSize();

// Sort key of a name: punctuation removed, each character replaced by its main reading
// where the map has one, the whole lower-cased.
QString toPinyin(const QString &strText);
QString removePunctuation(const QString &strText);
QString removeAlphanumerics(const QString &strText);
