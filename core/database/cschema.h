// CSchema: the tables of the two database files, column by column, and the statements that
// create them. The store creates its tables from here and the build tool that produces the
// delivered common database uses the same definition of the Pinyin table.
#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include "cschemasteps.h"

class CSchema
{
public:
    struct Table
    {
        QString strName;
        // Column name and declared type (with constraints), in table order.
        QList<QPair<QString, QString>> columns;
    };

    // The main file's tables as first released (the first step).
    static const QList<Table> &mainTables();
    // Dept and Emp as a later step makes them again, with their numbers as texts.
    static const QList<Table> &directoryTables();
    static const Table &pinyinTable();
    static QString createStatement(const Table &table);
    // Lookup indexes of the main file, created after its tables; none of them is unique.
    static const QStringList &mainIndexStatements();
    // The main file's upgrade steps: 1 its tables as first released, 2 the message look-up
    // index, 3 the circle member index, 4 the directory's numbers as texts. Append new steps;
    // never change a released one.
    static const CSchemaSteps &mainSteps();
};
