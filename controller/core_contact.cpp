// Core's contact operations: classifying what the user typed as a Zpid or a phone number.
#include "core.h"

#include <QRegularExpression>

int Core::getInputType(QVariant varInput)
{
    const QString strInput = varInput.toString();
    if (strInput == QLatin1String("800") || strInput == QLatin1String("8001"))
        return 0;
    static const QRegularExpression mobile(
        QStringLiteral("^(\\+{0,1}|0{0,2})(86){0,1}0{0,1}(13[0-9]|15[0-9]|18[0-9])[0-9]{8}$"));
    if (mobile.match(strInput).hasMatch())
        return 1;
    static const QRegularExpression zpid(QStringLiteral("^[1][0-9]{6}$"));
    if (zpid.match(strInput).hasMatch() && strInput.toUInt() != 0)
        return 0;
    return -1;
}
