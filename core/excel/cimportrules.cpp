#include "cimportrules.h"

const QString &CImportRules::numberSeparator()
{
    static const QString strSeparator = QStringLiteral("^#");
    return strSeparator;
}

QString CImportRules::mobileNumber(const QString &strCell, bool bMultiple)
{
    QString strNumber = strCell;
    strNumber.remove(QLatin1Char(' ')).remove(QLatin1Char('-'));
    const QStringList parts =
        bMultiple ? strNumber.split(numberSeparator()) : QStringList{strNumber};
    for (const QString &strPart : parts) {
        if (strPart.isEmpty())
            return QString();
        for (const QChar c : strPart)
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return QString();
    }
    return strNumber;
}

bool CImportRules::hasSeparator(const QString &strText)
{
    return strText.contains(QLatin1Char(';')) || strText.contains(QLatin1Char(':'));
}

bool CImportRules::hasSeparator(const QStringList &cells)
{
    for (const QString &strCell : cells)
        if (hasSeparator(strCell))
            return true;
    return false;
}

bool CImportRules::fits(const QString &strText, int iBytes)
{
    // Each UTF-16 unit takes at most three bytes of UTF-8; most texts need no conversion.
    return strText.size() * 3 <= iBytes || strText.toUtf8().size() <= iBytes;
}
