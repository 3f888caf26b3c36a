// ExcelWriter: builds a one-sheet .xlsx workbook in memory and writes it on saveAndClose (or
// on destruction). The file appears whole or not at all: the workbook is written to a
// temporary file beside the target and renamed over it only when everything was written.
#pragma once

#include <QObject>
#include <QString>

struct lxw_workbook;
struct lxw_worksheet;
struct lxw_format;

class ExcelWriter : public QObject
{
    Q_OBJECT

public:
    explicit ExcelWriter(const QString &fileName, QObject *parent = nullptr);
    ~ExcelWriter() override;

    // A string cell (1-based row and column). False when the cell cannot hold the text (out of
    // the sheet, a text too long for a cell); the save then fails too, so no workbook with a
    // hole is reported as written.
    bool setCell(int row, int column, const QString &text);
    // A string cell with the text number format "@", so that the spreadsheet keeps numbers
    // such as telephone numbers and codes as the text they are (leading zeros included).
    bool setTextCell(int row, int column, const QString &text);
    // Writes the workbook and releases it; true when the file was written. Later calls return
    // the first call's result.
    bool saveAndClose();
    QString fileName() const { return m_strFileName; }
    // Why the save failed; empty otherwise.
    QString errorString() const { return m_strError; }

private:
    bool write(int row, int column, const QString &text, lxw_format *pFormat);

    QString m_strFileName;
    QString m_strTempName;
    lxw_workbook *m_pWorkbook = nullptr;
    lxw_worksheet *m_pSheet = nullptr;
    lxw_format *m_pTextFormat = nullptr;
    bool m_bClosed = false;
    bool m_bSaved = false;
    QString m_strError;
};
