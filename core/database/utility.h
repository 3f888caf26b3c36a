// Shared text conversions for times, durations and sizes shown on the screens, and the
// content digest that names transferred files.
#pragma once

#include <QDate>
#include <QString>

// A stored time "yyyy-MM-dd hh:mm:ss" in list form: 0 short, 1 medium, 2 long. The
// overload taking today exists so that callers and tests can fix the current date.
QString displayTime(const QString &strTime, int iForm);
QString displayTime(const QString &strTime, int iForm, const QDate &today);

// A spreadsheet-style serial date (days since 1899-12-30, time of day as the fraction) as
// local "yyyy-MM-dd hh:mm:ss".
QString dayCountToText(double dDays);

// Seconds as hh:mm:ss (hours may take more than two digits).
QString formatTime(qint64 iSecs);

// Bytes as "…B", "…KB", "…M" or "…G", rounded down.
QString formatSize(qint64 iBytes);

// Lower-case hexadecimal MD5 of the file's content, or "" when it cannot be read.
QString getFileMd5(const QString &strPath);
