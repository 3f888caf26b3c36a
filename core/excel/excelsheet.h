// ExcelSheet: the used area of one worksheet, as the reader found it. All four values are 0 for
// a worksheet without cells that hold a value.
#pragma once

class ExcelSheet
{
public:
    ExcelSheet() = default;
    ExcelSheet(int iFirstRow, int iFirstColumn, int iRowCount, int iColumnCount);
    virtual ~ExcelSheet();
    ExcelSheet(const ExcelSheet &) = default;
    ExcelSheet &operator=(const ExcelSheet &) = default;

    // 1-based row and column of the top-left cell of the used area.
    int firstRow() const { return m_iFirstRow; }
    int firstColumn() const { return m_iFirstColumn; }
    int rowCount() const { return m_iRowCount; }
    int columnCount() const { return m_iColumnCount; }
    // True when (row, column) lies inside the used area.
    bool contains(int iRow, int iColumn) const;

private:
    int m_iFirstRow = 0;
    int m_iFirstColumn = 0;
    int m_iRowCount = 0;
    int m_iColumnCount = 0;
};
