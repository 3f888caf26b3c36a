#include "cftpprogress.h"

namespace {

qint64 permille(qint64 iDone, qint64 iTotal)
{
    if (iDone >= iTotal)
        return 1000;
    if (iDone <= 0)
        return 0;
    // long double holds iDone * 1000 exactly for any file size; qint64 could overflow.
    return qint64(static_cast<long double>(iDone) * 1000 / iTotal);
}

} // namespace

QString CFtpProgress::text(qint64 iDone, qint64 iTotal)
{
    if (iTotal <= 0)
        return QString();
    const qint64 i = permille(iDone, iTotal);
    return QStringLiteral("%1.%2").arg(i / 10).arg(i % 10);
}

bool CFtpProgress::due(qint64 iDone, qint64 iTotal, qint64 iNowMs)
{
    if (iTotal <= 0)
        return false;
    const qint64 i = permille(iDone, iTotal);
    if (i == m_iLastPermille)
        return false;
    if (i < 1000 && m_iLastPermille >= 0 && iNowMs - m_iLastMs < REPORT_INTERVAL_MS)
        return false;
    m_iLastPermille = i;
    m_iLastMs = iNowMs;
    return true;
}
