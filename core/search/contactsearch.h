// Contact search over the address book: builds the search index from the search source list
// (SearchContactModel rows), runs a typed key against it and turns the hits into the rows to
// publish, with the matched characters marked up for rich-text display.
#pragma once

#include "cs_tree.h"

#include <QList>
#include <QObject>
#include <QString>

// Filter kinds of buildResults.
enum
{
    CS_FILTER_ALL = 0,          // every row (the dial pad)
    CS_FILTER_NO_ASSISTANT = 1, // every row but the assistant (kind 1)
    CS_FILTER_USERS = 2         // only the assistant and registered users (kinds 1 and 2)
};

// The built-in character readings and syllable inventory.
cs_reader csDefaultReader();

// One item per row of listSource, numbered by position, with the texts strName then
// strPhone. A row that is not a SearchContactModel gets two empty texts.
cs_list *createIndex(const QList<QObject *> &listSource);

// The list to show for strKey: pIndex itself for an empty key, otherwise a new result list
// from searchIndex. A key holding a CJK ideograph (U+4E00 to U+9FFF) or any code unit from
// U+FF00 on is matched as characters (mode 2); any other key as UTF-8 in iMode (0 letters,
// 1 keypad digits). The key is not case-folded.
cs_list *searchContact(cs_list *pIndex, const QString &strKey, int iMode);

// The rows of listSource named by pResult's items, in pResult's order, filtered by iFilter,
// with strName and strPhone rewritten as marked-up rich text (made when a row's text is first
// read, or at once where something listens to it). With an empty key the own card and the
// assistant are put in front. Frees pResult unless it is pIndex.
QList<QObject *> buildResults(const QList<QObject *> &listSource, cs_list *pIndex,
                              const QString &strKey, cs_list *pResult, int iFilter);

// Rich text of strText for a search with strKey. Every character of the text is escaped, so
// the only tags are the highlight's font tags. A non-zero iMask highlights the positions of
// its bits (bit 62 - p for position p) and keeps only the first 63 characters; a zero mask
// highlights every occurrence of strKey.
QString markUp(const QString &strText, const QString &strKey, quint64 iMask);

// The text that markUp made strText from, for a text it did not cut: the highlight tags
// dropped and the escaped characters restored. Other texts come back as they are.
QString plainText(const QString &strText);
