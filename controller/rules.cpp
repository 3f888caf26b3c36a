#include "rules.h"

#include <QRegularExpression>

#include "pinyin.h"

namespace Rules {

int inputType(const QString &strInput)
{
    if (strInput == QString::number(Codes::ASSISTANT_ZPID) ||
        strInput == QString::number(Codes::RESERVED_ZPID))
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

Codes::ZpidKind zpidKind(const QString &strZpid, const QString &strOwnZpid)
{
    if (strZpid.isEmpty() || strZpid == QLatin1String("0"))
        return Codes::ZpidNone;
    if (strZpid == strOwnZpid)
        return Codes::ZpidOwn;
    if (strZpid == QString::number(Codes::ASSISTANT_ZPID))
        return Codes::ZpidAssistant;
    return Codes::ZpidRegistered;
}

QString lastName(const QString &strName)
{
    const QString strLeft = removeAlphanumerics(removePunctuation(strName));
    if (strLeft.isEmpty())
        return QString();
    // A character outside the basic plane is two code units.
    const qsizetype n = strLeft.size();
    const bool bPair =
        n >= 2 && strLeft.at(n - 1).isLowSurrogate() && strLeft.at(n - 2).isHighSurrogate();
    return strLeft.right(bPair ? 2 : 1);
}

QString userPicPath(int iType, int iSubType, const QString &strName, const QString &strSize)
{
    const char *pEnding = nullptr;
    switch (iType) {
    case 0:
        pEnding = "-default.png";
        break;
    case 1:
        pEnding = "-zpservice.png";
        break;
    case 5:
        pEnding = "-pc.png";
        break;
    case 6:
        pEnding = "-circle.png";
        break;
    case 7:
        pEnding = iSubType == 1 ? "-circle-1.png" : "-circle-0.png";
        break;
    default:
        pEnding = strName.isEmpty() ? "-default.png" : "-bg.png";
    }
    return QStringLiteral("images/userpic/userpic-") + strSize + QLatin1String(pEnding);
}

double stringLength(const QString &strText)
{
    double dLength = 0;
    for (qsizetype i = 0; i < strText.size(); ++i) {
        const QChar c = strText.at(i);
        if (c.unicode() < 0x80) {
            dLength += 0.5;
            continue;
        }
        dLength += 1;
        // A pair of surrogates is one character.
        if (c.isHighSurrogate() && i + 1 < strText.size() && strText.at(i + 1).isLowSurrogate())
            ++i;
    }
    return dLength;
}

bool passwordFits(const QString &strPassword)
{
    constexpr qsizetype kBlock = 16;
    constexpr qsizetype kMaxCount = 255;
    const qsizetype iBytes = strPassword.toUtf8().size();
    return (iBytes / kBlock + 1) * kBlock <= kMaxCount;
}

QString cardField(const QString &strField)
{
    QString str = strField;
    str.replace(QLatin1Char(':'), QChar(0xFF1A));
    str.replace(QLatin1Char(';'), QChar(0xFF1B));
    return str;
}

QString joinCard(const QStringList &strFields)
{
    QStringList fields;
    fields.reserve(strFields.size());
    for (const QString &strField : strFields)
        fields << cardField(strField);
    return fields.join(QLatin1Char(':'));
}

quint32 idOf(const QString &strId)
{
    bool bOk = false;
    const quint32 iId = strId.trimmed().toUInt(&bOk);
    return bOk ? iId : 0;
}

quint32 zpidOfKey(const QString &strKey)
{
    if (strKey.size() < 7 || strKey.size() > 10)
        return 0;
    for (QChar c : strKey) {
        if (c < u'0' || c > u'9')
            return 0;
    }
    bool bOk = false;
    const quint32 iZpid = strKey.toUInt(&bOk);
    return bOk ? iZpid : 0;
}

} // namespace Rules
