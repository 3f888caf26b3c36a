#include "excelreader.h"

#include <QDir>
#include <QFile>
#include <QXmlStreamReader>

#include <zip.h>

#include <cmath>
#include <memory>

namespace {

const QString kRelationshipsNs =
    QStringLiteral("http://schemas.openxmlformats.org/officeDocument/2006/relationships");

qint64 cellKey(int iRow, int iColumn)
{
    return (qint64(iRow) << 16) | qint64(iColumn);
}

struct ZipCloser
{
    void operator()(zip_t *pZip) const { zip_discard(pZip); }
};
using ZipPtr = std::unique_ptr<zip_t, ZipCloser>;

struct ZipFileCloser
{
    void operator()(zip_file_t *pFile) const { zip_fclose(pFile); }
};
using ZipFilePtr = std::unique_ptr<zip_file_t, ZipFileCloser>;

// The failure of one step of reading, carried up to the reader's error text.
struct ReadError
{
    QString strText;
};

// Inflates one part, at most MAX_PART_BYTES of it whatever the directory says. False with
// *pbMissing when the archive has no such part.
bool readPart(zip_t *pZip, const QString &strName, QByteArray *pData, bool *pbMissing,
              QString *pError)
{
    *pbMissing = false;
    // Part names compare without regard to case in a package.
    const QByteArray arName = strName.toUtf8();
    const zip_int64_t iIndex = zip_name_locate(pZip, arName.constData(), ZIP_FL_NOCASE);
    if (iIndex < 0) {
        *pbMissing = true;
        *pError = QStringLiteral("the workbook has no part %1").arg(strName);
        return false;
    }
    ZipFilePtr pFile(zip_fopen_index(pZip, zip_uint64_t(iIndex), 0));
    if (!pFile) {
        *pError = QStringLiteral("part %1 cannot be opened: %2")
                      .arg(strName, QString::fromUtf8(zip_strerror(pZip)));
        return false;
    }
    QByteArray ar;
    constexpr qint64 kChunk = 64 * 1024;
    for (;;) {
        const qint64 iOld = ar.size();
        if (iOld > ExcelReader::MAX_PART_BYTES) {
            *pError = QStringLiteral("part %1 is larger than %2 bytes")
                          .arg(strName)
                          .arg(ExcelReader::MAX_PART_BYTES);
            return false;
        }
        ar.resize(iOld + kChunk);
        const zip_int64_t iRead = zip_fread(pFile.get(), ar.data() + iOld, kChunk);
        if (iRead < 0) {
            *pError = QStringLiteral("part %1 cannot be inflated: %2")
                          .arg(strName, QString::fromUtf8(zip_file_strerror(pFile.get())));
            return false;
        }
        ar.resize(iOld + iRead);
        if (iRead == 0)
            break;
    }
    *pData = std::move(ar);
    return true;
}

// A part path named by a relationship: relative to the folder of the part that names it, or
// absolute from the package root. Empty when it leaves the package.
QString resolveTarget(const QString &strBaseFolder, const QString &strTarget)
{
    QString strPath = strTarget.startsWith(QLatin1Char('/'))
                          ? strTarget.mid(1)
                          : (strBaseFolder.isEmpty() ? strTarget : strBaseFolder + '/' + strTarget);
    strPath = QDir::cleanPath(strPath);
    if (strPath.startsWith(QLatin1String("../")) || strPath == QLatin1String(".."))
        return QString();
    return strPath;
}

QString folderOf(const QString &strPath)
{
    const int i = strPath.lastIndexOf(QLatin1Char('/'));
    return i < 0 ? QString() : strPath.left(i);
}

QString relsPathOf(const QString &strPart)
{
    const QString strFolder = folderOf(strPart);
    const QString strName = strPart.mid(strFolder.isEmpty() ? 0 : strFolder.size() + 1);
    return (strFolder.isEmpty() ? QString() : strFolder + '/') + QStringLiteral("_rels/") +
           strName + QStringLiteral(".rels");
}

void checkXml(const QXmlStreamReader &xml, const QString &strPart)
{
    if (xml.hasError())
        throw ReadError{QStringLiteral("part %1 is not well-formed XML (line %2): %3")
                            .arg(strPart)
                            .arg(xml.lineNumber())
                            .arg(xml.errorString())};
}

struct Relationship
{
    QString strType;
    QString strTarget;
};

// Relationship id -> (type, resolved target) of a .rels part.
QHash<QString, Relationship> parseRelationships(const QByteArray &arXml, const QString &strPart,
                                                const QString &strBaseFolder)
{
    QHash<QString, Relationship> rels;
    QXmlStreamReader xml(arXml);
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement() || xml.name() != QLatin1String("Relationship"))
            continue;
        const QXmlStreamAttributes a = xml.attributes();
        if (a.value(QLatin1String("TargetMode")) == QLatin1String("External"))
            continue;
        rels.insert(a.value(QLatin1String("Id")).toString(),
                    {a.value(QLatin1String("Type")).toString(),
                     resolveTarget(strBaseFolder, a.value(QLatin1String("Target")).toString())});
    }
    checkXml(xml, strPart);
    return rels;
}

// Characters XML cannot carry are written as _xHHHH_ (and a literal "_x" as _x005F_x).
QString unescapeText(const QString &strText)
{
    if (!strText.contains(QLatin1String("_x")))
        return strText;
    QString strOut;
    strOut.reserve(strText.size());
    for (qsizetype i = 0; i < strText.size();) {
        if (strText.at(i) == QLatin1Char('_') && i + 6 < strText.size() &&
            strText.at(i + 1) == QLatin1Char('x') && strText.at(i + 6) == QLatin1Char('_')) {
            char16_t iCode = 0;
            bool bHex = true;
            for (qsizetype k = i + 2; k < i + 6 && bHex; ++k) {
                const int iDigit = QStringView(strText).mid(k, 1).toInt(&bHex, 16);
                iCode = char16_t(iCode * 16 + iDigit);
                bHex = bHex && strText.at(k).unicode() < 128 && strText.at(k) != QLatin1Char('+');
            }
            if (bHex) {
                strOut += QChar(iCode);
                i += 7;
                continue;
            }
        }
        strOut += strText.at(i++);
    }
    return strOut;
}

// The text of an <si> or <is>: its <t> and the <t> of its runs, without phonetic runs.
QString readRichText(QXmlStreamReader &xml, const QString &strPart)
{
    QString strText;
    int iDepth = 1;
    int iPhoneticDepth = 0;
    while (iDepth > 0 && !xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            ++iDepth;
            if (xml.name() == QLatin1String("rPh"))
                iPhoneticDepth = iDepth;
            else if (xml.name() == QLatin1String("t")) {
                const QString strRun = xml.readElementText();
                --iDepth;
                if (iPhoneticDepth == 0)
                    strText += unescapeText(strRun);
                if (strText.size() > ExcelReader::MAX_TEXT_CHARS)
                    throw ReadError{QStringLiteral("part %1 holds a text longer than %2 "
                                                   "characters")
                                        .arg(strPart)
                                        .arg(ExcelReader::MAX_TEXT_CHARS)};
            }
        } else if (xml.isEndElement()) {
            if (iDepth == iPhoneticDepth)
                iPhoneticDepth = 0;
            --iDepth;
        }
    }
    checkXml(xml, strPart);
    return strText;
}

QStringList parseSharedStrings(const QByteArray &arXml, const QString &strPart)
{
    QStringList strings;
    QXmlStreamReader xml(arXml);
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement() || xml.name() != QLatin1String("si"))
            continue;
        if (strings.size() >= ExcelReader::MAX_CELLS)
            throw ReadError{QStringLiteral("part %1 holds more than %2 strings")
                                .arg(strPart)
                                .arg(ExcelReader::MAX_CELLS)};
        strings.append(readRichText(xml, strPart));
    }
    checkXml(xml, strPart);
    return strings;
}

// A number as the spreadsheet shows it in a text cell: an integral value within the exact
// range of a double as plain digits, others in the shortest form that reads back the same.
QString numberText(const QString &strValue)
{
    bool bOk = false;
    const double d = strValue.trimmed().toDouble(&bOk);
    if (!bOk || !std::isfinite(d))
        return strValue.trimmed();
    constexpr double kExact = 9007199254740992.0; // 2^53
    if (std::floor(d) == d && std::fabs(d) <= kExact)
        return QString::number(qint64(d));
    return QString::number(d, 'g', QLocale::FloatingPointShortest);
}

// "B12" -> column 2, row 12; false for anything else or beyond the caps.
bool parseReference(QStringView ref, int *pColumn, int *pRow)
{
    int i = 0;
    qint64 iColumn = 0;
    while (i < ref.size() && ref[i].isLetter() && ref[i].unicode() < 128) {
        iColumn = iColumn * 26 + (ref[i].toUpper().unicode() - 'A' + 1);
        if (iColumn > ExcelReader::MAX_COLUMN)
            return false;
        ++i;
    }
    if (iColumn == 0)
        return false;
    bool bOk = false;
    const qint64 iRow = ref.mid(i).toLongLong(&bOk);
    if (!bOk || iRow < 1 || iRow > ExcelReader::MAX_ROW || ref[i] == QLatin1Char('+'))
        return false;
    *pColumn = int(iColumn);
    *pRow = int(iRow);
    return true;
}

struct SheetData
{
    QHash<qint64, QString> cells;
    int iMinRow = 0;
    int iMaxRow = 0;
    int iMinColumn = 0;
    int iMaxColumn = 0;
};

// The value of one <c>, read up to its end; empty when it holds none.
QString readCellValue(QXmlStreamReader &xml, const QString &strType, const QStringList &strings,
                      const QString &strPart)
{
    QString strValue;
    bool bHasValue = false;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isEndElement() && xml.name() == QLatin1String("c"))
            break;
        if (!xml.isStartElement())
            continue;
        if (xml.name() == QLatin1String("v")) {
            strValue = xml.readElementText();
            bHasValue = true;
            if (strValue.size() > ExcelReader::MAX_TEXT_CHARS)
                throw ReadError{QStringLiteral("part %1 holds a text longer than %2 characters")
                                    .arg(strPart)
                                    .arg(ExcelReader::MAX_TEXT_CHARS)};
        } else if (xml.name() == QLatin1String("is")) {
            strValue = readRichText(xml, strPart);
            bHasValue = true;
        } else {
            xml.skipCurrentElement();
        }
    }
    checkXml(xml, strPart);
    if (!bHasValue)
        return QString();
    if (strType == QLatin1String("s")) {
        bool bOk = false;
        const qint64 iIndex = strValue.trimmed().toLongLong(&bOk);
        return bOk && iIndex >= 0 && iIndex < strings.size() ? strings.at(iIndex) : QString();
    }
    if (strType == QLatin1String("b"))
        return strValue.trimmed() == QLatin1String("1") ? QStringLiteral("true")
                                                        : QStringLiteral("false");
    if (strType.isEmpty() || strType == QLatin1String("n"))
        return numberText(strValue);
    if (strType == QLatin1String("str"))
        return unescapeText(strValue);
    // inlineStr (already read), e (an error), d (a date in ISO form)
    return strValue;
}

void parseSheet(const QByteArray &arXml, const QString &strPart, const QStringList &strings,
                qint64 *piCellsLeft, SheetData *pSheet)
{
    QXmlStreamReader xml(arXml);
    int iRow = 0;
    int iColumn = 0;
    // Rows and cells count only inside <sheetData>; extensions elsewhere may reuse the names.
    bool bInData = false;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isEndElement() && xml.name() == QLatin1String("sheetData"))
            bInData = false;
        if (!xml.isStartElement())
            continue;
        if (xml.name() == QLatin1String("sheetData")) {
            bInData = true;
        } else if (!bInData) {
            continue;
        } else if (xml.name() == QLatin1String("row")) {
            const QStringView r = xml.attributes().value(QLatin1String("r"));
            if (r.isEmpty()) {
                ++iRow;
            } else {
                bool bOk = false;
                iRow = r.toInt(&bOk);
                if (!bOk || iRow < 1)
                    throw ReadError{
                        QStringLiteral("part %1 has a bad row number %2").arg(strPart, r)};
            }
            if (iRow > ExcelReader::MAX_ROW)
                throw ReadError{QStringLiteral("part %1 has more than %2 rows")
                                    .arg(strPart)
                                    .arg(ExcelReader::MAX_ROW)};
            iColumn = 0;
        } else if (xml.name() == QLatin1String("c")) {
            const QXmlStreamAttributes a = xml.attributes();
            const QStringView ref = a.value(QLatin1String("r"));
            int iCellRow = qMax(iRow, 1);
            if (ref.isEmpty()) {
                ++iColumn;
            } else if (!parseReference(ref, &iColumn, &iCellRow)) {
                throw ReadError{
                    QStringLiteral("part %1 has a bad cell reference %2").arg(strPart, ref)};
            }
            if (iColumn > ExcelReader::MAX_COLUMN)
                throw ReadError{QStringLiteral("part %1 has more than %2 columns")
                                    .arg(strPart)
                                    .arg(ExcelReader::MAX_COLUMN)};
            const QString strType = a.value(QLatin1String("t")).toString();
            const QString strValue = readCellValue(xml, strType, strings, strPart);
            if (strValue.isEmpty())
                continue;
            const qint64 iKey = cellKey(iCellRow, iColumn);
            if (!pSheet->cells.contains(iKey) && --*piCellsLeft < 0)
                throw ReadError{QStringLiteral("the workbook holds more than %1 cells")
                                    .arg(ExcelReader::MAX_CELLS)};
            pSheet->cells.insert(iKey, strValue);
            if (pSheet->cells.size() == 1) {
                pSheet->iMinRow = pSheet->iMaxRow = iCellRow;
                pSheet->iMinColumn = pSheet->iMaxColumn = iColumn;
            } else {
                pSheet->iMinRow = qMin(pSheet->iMinRow, iCellRow);
                pSheet->iMaxRow = qMax(pSheet->iMaxRow, iCellRow);
                pSheet->iMinColumn = qMin(pSheet->iMinColumn, iColumn);
                pSheet->iMaxColumn = qMax(pSheet->iMaxColumn, iColumn);
            }
        }
    }
    checkXml(xml, strPart);
}

QByteArray partOrThrow(zip_t *pZip, const QString &strPart)
{
    QByteArray ar;
    bool bMissing = false;
    QString strError;
    if (!readPart(pZip, strPart, &ar, &bMissing, &strError))
        throw ReadError{strError};
    return ar;
}

} // namespace

ExcelReader::ExcelReader(const QString &fileName, QObject *parent) : QObject(parent)
{
    open(fileName);
}

ExcelReader::~ExcelReader()
{
    close();
}

bool ExcelReader::open(const QString &fileName)
{
    int iError = 0;
    ZipPtr pZip(zip_open(QFile::encodeName(fileName).constData(), ZIP_RDONLY, &iError));
    if (!pZip) {
        zip_error_t error;
        zip_error_init_with_code(&error, iError);
        m_strError = QStringLiteral("%1 is not a readable workbook: %2")
                         .arg(fileName, QString::fromUtf8(zip_error_strerror(&error)));
        zip_error_fini(&error);
        return false;
    }
    try {
        // The package names its workbook part; the usual place stands in when it does not.
        QString strWorkbook = QStringLiteral("xl/workbook.xml");
        {
            QByteArray arRoot;
            bool bMissing = false;
            QString strError;
            if (readPart(pZip.get(), QStringLiteral("_rels/.rels"), &arRoot, &bMissing,
                         &strError)) {
                const auto rels =
                    parseRelationships(arRoot, QStringLiteral("_rels/.rels"), QString());
                for (const Relationship &rel : rels)
                    if (rel.strType.endsWith(QLatin1String("/officeDocument")) &&
                        !rel.strTarget.isEmpty())
                        strWorkbook = rel.strTarget;
            } else if (!bMissing) {
                throw ReadError{strError};
            }
        }
        const QString strFolder = folderOf(strWorkbook);
        const QString strRelsPart = relsPathOf(strWorkbook);
        const auto rels =
            parseRelationships(partOrThrow(pZip.get(), strRelsPart), strRelsPart, strFolder);

        QStringList strings;
        QString strStringsPart;
        for (const Relationship &rel : rels)
            if (rel.strType.endsWith(QLatin1String("/sharedStrings")))
                strStringsPart = rel.strTarget;
        if (!strStringsPart.isEmpty())
            strings = parseSharedStrings(partOrThrow(pZip.get(), strStringsPart), strStringsPart);

        // The sheets in workbook order, by their relationship ids.
        QStringList sheetParts;
        {
            QXmlStreamReader xml(partOrThrow(pZip.get(), strWorkbook));
            while (!xml.atEnd()) {
                xml.readNext();
                if (!xml.isStartElement() || xml.name() != QLatin1String("sheet"))
                    continue;
                QString strId =
                    xml.attributes().value(kRelationshipsNs, QLatin1String("id")).toString();
                const auto it = rels.constFind(strId);
                if (it == rels.constEnd() || it->strTarget.isEmpty())
                    throw ReadError{QStringLiteral("sheet %1 names no part")
                                        .arg(xml.attributes().value(QLatin1String("name")))};
                if (sheetParts.size() >= MAX_SHEETS)
                    throw ReadError{
                        QStringLiteral("the workbook has more than %1 sheets").arg(MAX_SHEETS)};
                sheetParts.append(it->strTarget);
            }
            checkXml(xml, strWorkbook);
        }

        QList<ExcelSheet> sheets;
        QList<QHash<qint64, QString>> cells;
        qint64 iCellsLeft = MAX_CELLS - strings.size();
        for (const QString &strPart : std::as_const(sheetParts)) {
            SheetData data;
            parseSheet(partOrThrow(pZip.get(), strPart), strPart, strings, &iCellsLeft, &data);
            sheets.append(data.cells.isEmpty() ? ExcelSheet()
                                               : ExcelSheet(data.iMinRow, data.iMinColumn,
                                                            data.iMaxRow - data.iMinRow + 1,
                                                            data.iMaxColumn - data.iMinColumn + 1));
            cells.append(std::move(data.cells));
        }
        m_sheets = std::move(sheets);
        m_cells = std::move(cells);
        return true;
    } catch (const ReadError &error) {
        m_strError = error.strText;
        return false;
    }
}

int ExcelReader::startRow(int index) const
{
    return index >= 1 && index <= sheetCount() ? m_sheets.at(index - 1).firstRow() : -1;
}

int ExcelReader::startColumn(int index) const
{
    return index >= 1 && index <= sheetCount() ? m_sheets.at(index - 1).firstColumn() : -1;
}

int ExcelReader::rowCount(int index) const
{
    return index >= 1 && index <= sheetCount() ? m_sheets.at(index - 1).rowCount() : -1;
}

int ExcelReader::columnCount(int index) const
{
    return index >= 1 && index <= sheetCount() ? m_sheets.at(index - 1).columnCount() : -1;
}

bool ExcelReader::setCurrentSheet(int index)
{
    if (index < 1 || index > sheetCount())
        return false;
    m_iCurrent = index;
    return true;
}

QString ExcelReader::cellText(int row, int column) const
{
    if (m_iCurrent < 1 || m_iCurrent > sheetCount() ||
        !m_sheets.at(m_iCurrent - 1).contains(row, column))
        return QString();
    return m_cells.at(m_iCurrent - 1).value(cellKey(row, column));
}

void ExcelReader::close()
{
    m_sheets.clear();
    m_cells.clear();
    m_iCurrent = 0;
}
