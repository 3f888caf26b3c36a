// Arbitrary bytes as a workbook file through the reader: whatever they hold (a zip or not,
// parts that inflate without end, broken XML, references out of every range), the reader
// ends, and either has sheets whose cells can be read or has none and says why.
#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "excelreader.h"

extern "C" int LLVMFuzzerInitialize(int *pArgc, char ***pArgv)
{
    static QCoreApplication app(*pArgc, *pArgv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pData, size_t iSize)
{
    static QTemporaryDir dir;
    const QString strFile = dir.filePath(QStringLiteral("input.xlsx"));
    {
        QFile file(strFile);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            std::abort();
        file.write(reinterpret_cast<const char *>(pData), qint64(iSize));
    }
    ExcelReader reader(strFile);
    if (!reader.errorString().isEmpty() && reader.sheetCount() != 0)
        std::abort();
    for (int iSheet = 1; iSheet <= reader.sheetCount(); ++iSheet) {
        if (!reader.setCurrentSheet(iSheet))
            continue;
        const int r0 = reader.startRow(iSheet);
        const int c0 = reader.startColumn(iSheet);
        // A corner of the used range is enough to read every kind of cell the input holds.
        const int iRows = std::min(reader.rowCount(iSheet), 64);
        const int iColumns = std::min(reader.columnCount(iSheet), 32);
        for (int r = r0 - 1; r <= r0 + iRows; ++r) {
            for (int c = c0 - 1; c <= c0 + iColumns; ++c)
                reader.cellText(r, c);
        }
    }
    return 0;
}
