// SqlFile: SQL run on a store's file through a connection of its own, outside the store, as
// another program would: to write a file of an older layout, to read what the store left, and
// to tell whether the store touched the file at all.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace SqlFile {

// Runs the statements in order; false (with the failing statement in the log) at the first
// that fails.
bool run(const QString &strPath, const QStringList &statements);
// The first column of the query's first row; invalid when it fails or has no row.
QVariant value(const QString &strPath, const QString &strSql);
// The statements of a layout file, one per line, comment lines left out.
QStringList layoutStatements(const QString &strFile);
// The file's SHA-256, empty when it cannot be read.
QByteArray digest(const QString &strPath);

} // namespace SqlFile
