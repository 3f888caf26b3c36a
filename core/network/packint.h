// Integer codecs of the wire format: every multi-byte integer travels little-endian.
#pragma once

#include <QByteArray>
#include <QtGlobal>

// Always four bytes, least significant first.
QByteArray packUInt32(quint32 iValue);

// Reads the first up to four bytes, least significant first; shorter input gives the smaller
// value those bytes make (empty gives 0), so a truncated reply yields a small number.
quint32 unpackUInt(const QByteArray &arBytes);
