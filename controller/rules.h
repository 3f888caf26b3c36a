// The controller's pure rules: what the screens ask of Core that depends on its arguments (and
// at most the signed-in user's own Zpid) alone. Core's invokables of the same names call these,
// and so does the screens' test stand-in, so a rule is written once.
#pragma once

#include <QString>
#include <QStringList>

#include "codes.h"

namespace Rules {

// What the user typed as an account or a number to call: 0 a Zpid ("800", "8001"
// or seven digits starting with 1), 1 a mobile number, -1 neither.
int inputType(const QString &strInput);

// Kind of a Zpid. strOwnZpid is the signed-in user's, empty when nobody is.
Codes::ZpidKind zpidKind(const QString &strZpid, const QString &strOwnZpid);

// The character printed on a placeholder picture: the last one of the name once punctuation,
// ASCII digits and ASCII letters are gone; empty when nothing remains.
QString lastName(const QString &strName);

// Path, relative to the components folder, of the placeholder picture of a person, service,
// circle ... of kind iType, in the size strSize ("small", "middle", "large").
QString userPicPath(int iType, int iSubType, const QString &strName, const QString &strSize);

// Display width of a text: half a unit per character that is one byte in UTF-8 (ASCII), one
// unit per wider character, whether it takes two bytes (Cyrillic, accented Latin), three
// (Chinese) or four.
double stringLength(const QString &strText);

// Whether a password fits an enc8 field: its UTF-8 form, padded to whole cipher blocks
// (at least one byte of padding), must stay within the field's one-byte count.
bool passwordFits(const QString &strPassword);

// A field of a card text, which joins its fields with ':' and has no escaping: ':' and ';'
// (the record separator of the server's lists) become their full-width forms "：" and "；",
// so a field can never shift the fields after it.
QString cardField(const QString &strField);

// The card text of the fields, each passed through cardField.
QString joinCard(const QStringList &strFields);

// strKey as a Zpid: seven to ten decimal digits naming a non-zero 32-bit number; 0 otherwise.
// Shorter keys are row ids and longer ones phone numbers, so neither is ever taken for one.
quint32 zpidOfKey(const QString &strKey);

// A circle's or an organisation's number as the screens pass it: the decimal value of the
// trimmed text, 0 when it is not an unsigned 32-bit number.
quint32 idOf(const QString &strId);

} // namespace Rules
