// Helpers of the workbook tests: the Python peers (openpyxl on the system's python3) that make
// workbooks for the reader and read back what the writer made.
#pragma once

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QStringList>

// Runs one of the scripts of this folder; its standard output, or an empty array when it
// failed (the failure is printed).
inline QByteArray runScript(const QString &strScript, const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral(ZEPHON_PYTHON),
                  QStringList{QStringLiteral(ZEPHON_EXCEL_SCRIPTS "/") + strScript} + arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        qWarning("%s failed: %s", qPrintable(strScript),
                 process.readAllStandardError().constData());
        return QByteArray();
    }
    return process.readAllStandardOutput();
}

// What openpyxl reads from a workbook: {"sheets": [{"name", "cells": [{row, column, value,
// type, format}]}]}.
inline QJsonObject readBack(const QString &strFile)
{
    return QJsonDocument::fromJson(runScript(QStringLiteral("readback.py"), {strFile})).object();
}
