#include "excelsheet.h"

ExcelSheet::ExcelSheet(int iFirstRow, int iFirstColumn, int iRowCount, int iColumnCount)
    : m_iFirstRow(iFirstRow), m_iFirstColumn(iFirstColumn), m_iRowCount(iRowCount),
      m_iColumnCount(iColumnCount)
{}

ExcelSheet::~ExcelSheet() = default;

bool ExcelSheet::contains(int iRow, int iColumn) const
{
    return iRow >= m_iFirstRow && iRow < m_iFirstRow + m_iRowCount && iColumn >= m_iFirstColumn &&
           iColumn < m_iFirstColumn + m_iColumnCount;
}
