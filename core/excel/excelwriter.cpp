#include "excelwriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryFile>

#include <xlsxwriter.h>

#include <cstdio>

ExcelWriter::ExcelWriter(const QString &fileName, QObject *parent)
    : QObject(parent), m_strFileName(fileName)
{
    // The temporary file lives in the target's folder, so the final rename stays on one file
    // system and replaces the target in one step.
    const QFileInfo target(fileName);
    QTemporaryFile temp(
        target.absoluteDir().filePath(QStringLiteral(".%1.XXXXXX").arg(target.fileName())));
    if (!temp.open()) {
        m_strError =
            QStringLiteral("cannot write in %1: %2").arg(target.absolutePath(), temp.errorString());
        return;
    }
    temp.setAutoRemove(false);
    m_strTempName = temp.fileName();
    temp.close();
    m_pWorkbook = workbook_new(QFile::encodeName(m_strTempName).constData());
    if (m_pWorkbook)
        m_pSheet = workbook_add_worksheet(m_pWorkbook, nullptr);
    if (m_pSheet) {
        m_pTextFormat = workbook_add_format(m_pWorkbook);
        if (m_pTextFormat)
            format_set_num_format(m_pTextFormat, "@");
    }
    if (!m_pSheet || !m_pTextFormat)
        m_strError = QStringLiteral("cannot create a workbook");
}

ExcelWriter::~ExcelWriter()
{
    saveAndClose();
}

bool ExcelWriter::setCell(int row, int column, const QString &text)
{
    return write(row, column, text, nullptr);
}

bool ExcelWriter::setTextCell(int row, int column, const QString &text)
{
    return write(row, column, text, m_pTextFormat);
}

namespace {

// The library writes control characters as _xHHHH_ but leaves a text that already reads like
// one as it is, which a reader would then turn into the character; its "_" is escaped here.
QString escapeText(const QString &strText)
{
    if (!strText.contains(QLatin1String("_x")))
        return strText;
    static const QRegularExpression kEscape(QStringLiteral("_(?=x[0-9A-Fa-f]{4}_)"));
    QString strOut = strText;
    return strOut.replace(kEscape, QStringLiteral("_x005F_"));
}

} // namespace

bool ExcelWriter::write(int row, int column, const QString &text, lxw_format *pFormat)
{
    if (m_bClosed || !m_pSheet)
        return false;
    const QByteArray arText = escapeText(text).toUtf8();
    lxw_error error = LXW_NO_ERROR;
    if (row < 1 || column < 1)
        error = LXW_ERROR_WORKSHEET_INDEX_OUT_OF_RANGE;
    else if (text.isEmpty())
        error = pFormat ? worksheet_write_blank(m_pSheet, lxw_row_t(row - 1), lxw_col_t(column - 1),
                                                pFormat)
                        : LXW_NO_ERROR;
    else
        error = worksheet_write_string(m_pSheet, lxw_row_t(row - 1), lxw_col_t(column - 1),
                                       arText.constData(), pFormat);
    if (error == LXW_NO_ERROR)
        return true;
    if (m_strError.isEmpty())
        m_strError = QStringLiteral("cell (%1, %2) not written: %3")
                         .arg(row)
                         .arg(column)
                         .arg(QString::fromUtf8(lxw_strerror(error)));
    return false;
}

bool ExcelWriter::saveAndClose()
{
    if (m_bClosed)
        return m_bSaved;
    m_bClosed = true;
    bool bOk = m_strError.isEmpty() && m_pWorkbook;
    if (m_pWorkbook) {
        // workbook_close frees the workbook whatever it returns.
        const lxw_error error = workbook_close(m_pWorkbook);
        m_pWorkbook = nullptr;
        m_pSheet = nullptr;
        m_pTextFormat = nullptr;
        if (error != LXW_NO_ERROR && bOk) {
            m_strError = QStringLiteral("the workbook was not written: %1")
                             .arg(QString::fromUtf8(lxw_strerror(error)));
            bOk = false;
        }
    }
    if (bOk && std::rename(QFile::encodeName(m_strTempName).constData(),
                           QFile::encodeName(m_strFileName).constData()) != 0) {
        m_strError = QStringLiteral("cannot replace %1").arg(m_strFileName);
        bOk = false;
    }
    // The temporary file was private to its writer; the workbook gets the usual permissions.
    if (bOk)
        QFile::setPermissions(m_strFileName, QFile::ReadOwner | QFile::WriteOwner |
                                                 QFile::ReadGroup | QFile::ReadOther);
    if (!bOk && !m_strTempName.isEmpty())
        QFile::remove(m_strTempName);
    m_bSaved = bOk;
    return bOk;
}
