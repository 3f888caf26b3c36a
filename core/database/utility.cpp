#include "utility.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDebug>
#include <QFile>

#include <cmath>

namespace {

const QString kTimeFormat = QStringLiteral("yyyy-MM-dd hh:mm:ss");

QString twoDigits(qint64 iValue)
{
    return (iValue >= 0 && iValue < 10) ? QLatin1Char('0') + QString::number(iValue)
                                        : QString::number(iValue);
}

// The day of a stored time "yyyy-MM-dd ...", or an invalid date when the text starts with
// no such day. Read digit by digit: lists convert thousands of times at once.
QDate storedDay(const QString &strTime)
{
    if (strTime.size() < 10 || strTime.at(4) != QLatin1Char('-') ||
        strTime.at(7) != QLatin1Char('-'))
        return QDate();
    auto number = [&strTime](int iFrom, int iLength) {
        int iValue = 0;
        for (int i = iFrom; i < iFrom + iLength; ++i) {
            const char16_t c = strTime.at(i).unicode();
            if (c < u'0' || c > u'9')
                return -1;
            iValue = iValue * 10 + (c - u'0');
        }
        return iValue;
    };
    const int iYear = number(0, 4);
    const int iMonth = number(5, 2);
    const int iDay = number(8, 2);
    if (iYear < 0 || iMonth < 0 || iDay < 0)
        return QDate();
    return QDate(iYear, iMonth, iDay);
}

} // namespace

QString displayTime(const QString &strTime, int iForm)
{
    return displayTime(strTime, iForm, QDate::currentDate());
}

QString displayTime(const QString &strTime, int iForm, const QDate &today)
{
    const QDate day = storedDay(strTime);
    const QString strTodayMark = QStringLiteral("今天 ");
    const QString strYesterdayMark = QStringLiteral("昨天 ");

    if (day == today) {
        if (iForm == 2)
            return strTodayMark + strTime.mid(11);
        return strTime.mid(11, 5);
    }
    if (day == today.addDays(-1)) {
        if (iForm == 0)
            return QStringLiteral("昨天");
        if (iForm == 1)
            return strYesterdayMark + strTime.mid(11, 5);
        return strYesterdayMark + strTime.mid(11);
    }
    if (iForm == 0)
        return strTime.mid(5, 5);
    if (iForm == 1)
        return strTime.left(16);
    return strTime;
}

QString dayCountToText(double dDays)
{
    // Calendar arithmetic on the serial date itself: the count names a local wall-clock time,
    // and going through an epoch would apply the zone's offset of 1899 (local mean time in
    // many zones) on the way in and today's on the way out.
    const double dMs = std::trunc(dDays * 86400000.0);
    // Past the years 100 to 9999 the text would no longer be "yyyy-MM-dd hh:mm:ss".
    constexpr double FIRST_MS = -657434.0 * 86400000.0;
    constexpr double END_MS = 2958466.0 * 86400000.0;
    if (!std::isfinite(dMs) || dMs < FIRST_MS || dMs >= END_MS)
        return QString();
    constexpr qint64 DAY_MS = 86400000;
    const auto iMs = qint64(dMs);
    // Floor division, so that a negative count with a fraction lands on the earlier day.
    qint64 iDays = iMs / DAY_MS;
    qint64 iTimeMs = iMs % DAY_MS;
    if (iTimeMs < 0) {
        --iDays;
        iTimeMs += DAY_MS;
    }
    // Date and time apart: a wall-clock time inside a daylight-saving gap stays as sent.
    return QDate(1899, 12, 30).addDays(iDays).toString(QStringLiteral("yyyy-MM-dd")) +
           QLatin1Char(' ') +
           QTime::fromMSecsSinceStartOfDay(int(iTimeMs)).toString(QStringLiteral("hh:mm:ss"));
}

QString formatTime(qint64 iSecs)
{
    const qint64 iHours = iSecs / 3600;
    const qint64 iMinutes = (iSecs % 3600) / 60;
    const qint64 iSeconds = iSecs % 60;
    return twoDigits(iHours) + QLatin1Char(':') + twoDigits(iMinutes) + QLatin1Char(':') +
           twoDigits(iSeconds);
}

QString formatSize(qint64 iBytes)
{
    if (iBytes < 1024)
        return QStringLiteral("%1B").arg(iBytes);
    if (iBytes < 1048576)
        return QStringLiteral("%1KB").arg(iBytes / 1024);
    if (iBytes < 1073741824)
        return QStringLiteral("%1M").arg(iBytes / 1048576);
    return QStringLiteral("%1G").arg(iBytes / 1073741824);
}

QString getFileMd5(const QString &strPath)
{
    QFile file(strPath);
    if (!file.open(QIODevice::ReadOnly)) {
        qDebug() << "getFileMd5: file open error";
        return QString();
    }
    QCryptographicHash hash(QCryptographicHash::Md5);
    const qint64 iSize = file.size();
    qint64 iRead = 0;
    QByteArray arBlock;
    while (iRead < iSize) {
        arBlock = file.read(qMin<qint64>(4096, iSize - iRead));
        // A file that shrinks or fails while being read would otherwise loop forever.
        if (arBlock.isEmpty()) {
            qDebug() << "getFileMd5: file read error";
            return QString();
        }
        hash.addData(arBlock);
        iRead += arBlock.size();
    }
    return QString::fromLatin1(hash.result().toHex());
}
