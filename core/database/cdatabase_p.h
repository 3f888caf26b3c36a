// What the table-family sources of CDatabase share: the bound-value helpers, the column list
// of the person tables (Contact and CircleMember) with the indexes its rows are read by, and
// the builders of card texts and person elements from such rows.
#pragma once

#include "cstorequery.h"

#include <QString>
#include <QVariant>

class ContactModel;

namespace storedetail {

// Person columns in the order rows of Contact and CircleMember are read; the card fields
// Name to Nickname follow each other in card-field order.
inline constexpr char kPersonColumns[] =
    "Id,Zpid,Name,Sex,Post,Company,Address,Phone,Tel,Email,Notes,Profession,Homepage,Fax,Age,"
    "Nickname,Location,Type";
enum PersonColumn
{
    PId,
    PZpid,
    PName,
    PSex,
    PPost,
    PCompany,
    PAddress,
    PPhone,
    PTel,
    PEmail,
    PNotes,
    PProfession,
    PHomepage,
    PFax,
    PAge,
    PNickname,
    PLocation,
    PType
};

// A text that names a number (a Zpid, a row id, a circle or department number): the
// statements compare it as an integer, and text that is not a number matches nothing.
QVariant numberOf(const QString &strNumber);

// A LIKE pattern matching texts that end in strText, its wildcards taken literally.
QString likeSuffix(const QString &strText);

// The local time now, as the store writes times.
QString nowText();

// Message types 0 to 2: one-to-one conversations keyed by the peer's Zpid.
bool isPersonType(int iType);

// The full card (14 ':'-separated fields) of a person row read with kPersonColumns.
QString cardOfRow(const CStoreQuery &query);

// The element of a person row read with kPersonColumns.
ContactModel *contactOfRow(const CStoreQuery &query, const QString &strZpid,
                           const QString &strLocation);

} // namespace storedetail
