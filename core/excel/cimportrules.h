// CImportRules: what a workbook row must satisfy before the import sends it. The row texts
// and directory elements go into requests whose fields are separated by ";" and ":" and whose
// texts the service takes only up to a length; a row that breaks either is skipped, never cut
// or sent. The byte limits are those of the receiving requests:
// - cloud address-book upload: the phone, name and group the service stores;
// - circle member change: the card, at most as long as a card the service keeps;
// - directory lists (employees, departments): u8-counted UTF-8 texts.
#pragma once

#include <QString>
#include <QStringList>

class CImportRules
{
public:
    static constexpr int CLOUD_PHONE_BYTES = 64;
    static constexpr int CLOUD_NAME_BYTES = 128;
    static constexpr int CLOUD_GROUP_BYTES = 64;
    static constexpr int MEMBER_CARD_BYTES = 4096;
    static constexpr int DIRECTORY_TEXT_BYTES = 255;

    // The cloud address book joins several numbers of one entry with this.
    static const QString &numberSeparator();

    // The mobile number as it is sent: spaces and dashes removed. Empty when what remains is
    // not digits; with bMultiple, each "^#"-separated part must be digits.
    static QString mobileNumber(const QString &strCell, bool bMultiple);
    // True when a text holds a field separator of the requests (";" or ":").
    static bool hasSeparator(const QString &strText);
    static bool hasSeparator(const QStringList &cells);
    // True when the text takes at most iBytes bytes of UTF-8.
    static bool fits(const QString &strText, int iBytes);
};
