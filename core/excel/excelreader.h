// ExcelReader: opens an .xlsx workbook and gives the text of its cells. The whole workbook is
// read in the constructor: the sheets in workbook order, each with its used area (the bounding
// box of the cells that hold a value) and its cells. A file that is not a readable workbook
// gives no sheets, and errorString() says why.
//
// The reader takes files from anywhere, so everything it keeps is capped: a part is inflated
// with a byte limit (the sizes in the zip directory are not trusted), and rows, columns, cells,
// shared strings and cell texts are counted; a workbook beyond a cap is refused whole.
#pragma once

#include "excelsheet.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>

class ExcelReader : public QObject
{
    Q_OBJECT

public:
    // Largest part (worksheet, shared strings, workbook) inflated, in bytes.
    static constexpr qint64 MAX_PART_BYTES = 128 * 1024 * 1024;
    // The largest row and column numbers a worksheet may use.
    static constexpr int MAX_ROW = 1048576;
    static constexpr int MAX_COLUMN = 16384;
    // Cells holding a value, and shared strings, over the whole workbook.
    static constexpr int MAX_CELLS = 4000000;
    // Longest text of one cell, in characters.
    static constexpr int MAX_TEXT_CHARS = 32767;
    static constexpr int MAX_SHEETS = 1024;

    explicit ExcelReader(const QString &fileName, QObject *parent = nullptr);
    ~ExcelReader() override;

    int sheetCount() const { return int(m_sheets.size()); }
    // The used area of sheet index (from 1); -1 when index is out of range.
    int startRow(int index) const;
    int startColumn(int index) const;
    int rowCount(int index) const;
    int columnCount(int index) const;
    // Makes sheet index (from 1) current; false when it is out of range.
    bool setCurrentSheet(int index);
    // The text of a cell of the current sheet; empty outside its used area, for an empty cell
    // and when no sheet is current.
    QString cellText(int row, int column) const;
    // Drops the sheets and their cells.
    void close();
    // Why the workbook could not be read; empty when it was.
    QString errorString() const { return m_strError; }

private:
    bool open(const QString &fileName);

    QList<ExcelSheet> m_sheets;
    // Per sheet: the cells holding a value, keyed by row and column (cellKey in the source).
    QList<QHash<qint64, QString>> m_cells;
    int m_iCurrent = 0;
    QString m_strError;
};
