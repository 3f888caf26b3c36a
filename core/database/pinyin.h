// Pinyin: the sort key of names (from the common database's Pinyin table) and the
// built-in per-character readings that the contact search matches against.
#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

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
