// cs_tree: the contact search index. Plain structures and functions: an index is an ordered
// singly linked list of items (one per address-book entry), each item holding its texts as
// entries of word items (one per UTF-16 code unit, with the pinyin readings of the
// character). A query scans the whole index and returns a new list of copies of the items
// that matched, ranked by a 64-bit weight whose bits mark the matched positions.
//
// Ownership: createIndex and searchIndex return lists that the caller frees with freeIndex.
// A result list shares the word arrays and the reading tables of the index it came from, so
// it must be freed before that index. Queries write the weights of the index's own entries, so
// one index serves one thread.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QtGlobal>

struct WordItem;

// Search modes of searchIndex.
enum
{
    CS_MODE_LETTERS = 0, // key: UTF-8 bytes, matched against syllables and letters
    CS_MODE_KEYPAD = 1,  // key: UTF-8 bytes, matched against the keypad digits of both
    CS_MODE_CHARS = 2    // key: UTF-16 code units, matched against the characters themselves
};

// Texts of this many code units or more are cut to kCsMaxWords - 1 units when indexed.
constexpr int kCsMaxWords = 2048;

// Weight bit of word position p; positions from kCsMaskPositions on have no bit.
constexpr int kCsMaskPositions = 63;
constexpr quint64 csPositionBit(int p)
{
    return p < kCsMaskPositions ? (quint64(1) << (62 - p)) : 0;
}

// One character of an indexed text: its code unit after folding and its readings. Readings
// are shared: set indexes the index's table of distinct reading sets (the number of
// readings and their syllable indexes; for a character without readings, the set of its low
// byte), which keeps a word item at four bytes.
struct cs_word
{
    quint16 code;
    quint16 set;
};

// One text of an item (named cii in the checks).
struct cs_entry
{
    quint64 weight; // result of the last match; doubles as the mask of matched positions
    qint32 words_count;
    qint32 text; // where the entry's text is in listTexts
    const cs_word *words;
    cs_entry *next;
};

struct cs_item
{
    qint32 number;        // position of the entry in the source list
    qint32 entries_count; // number of entries from first to last
    cs_entry *first;
    cs_entry *last;
    cs_entry *best; // the entry that gave the item's weight in the last match
    cs_item *next;
};

struct cs_tables;
struct cs_block;
struct cs_scan;

struct cs_list
{
    cs_item *first;
    cs_item *last;
    qint32 count;
    // Storage: the blocks this list allocated and the syllable and reading-set tables its
    // words refer to.
    cs_block *blocks;
    const cs_tables *tables;
    bool owns_tables;
    // An index only: its items in order with their start filters, and the query scratch.
    cs_scan *scan;
};

// Where the word items come from: the character readings and the syllable names. The
// default is the built-in tables (csDefaultReader in contactsearch.h).
struct cs_reader
{
    WordItem (*readings)(quint16 c);
    QString (*syllable)(int iIndex);
};

// Builds an index with one item per row; each row is the item's texts in order (for the
// address book: name, then phone). Items are ordered by pinyin; equal items keep row order.
cs_list *createIndex(const QList<QStringList> &listRows, const cs_reader &reader);

// Matches key against every item of list, which must be an index made by createIndex, and
// returns a new list of copies of the items with a non-zero weight, by descending weight,
// equal weights in index order. For modes 0 and 1 key points to keyLength UTF-8 bytes; for
// mode 2 to keyLength UTF-16 code units. Updates the entries' weights and the items' best
// entries of list itself as well. Allocates nothing but the copies.
cs_list *searchIndex(cs_list *list, const void *key, int keyLength, int mode);

// Frees a list made by createIndex or searchIndex, with everything it allocated.
void freeIndex(cs_list *list);

// The texts of the entries of list as indexed (their folded code units, cut like the words),
// each at its entry's text. A result shares them with its index, and they stay valid after both
// lists are freed.
QList<QString> listTexts(const cs_list *list);
