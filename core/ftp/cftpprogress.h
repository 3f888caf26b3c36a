// CFtpProgress: the percentage text of a transfer and when to report it. Reports are spaced
// so that a fast transfer does not flood the GUI thread: one when the shown text changes and
// the last report is at least REPORT_INTERVAL_MS old, and always the final "100.0".
#pragma once

#include <QString>

class CFtpProgress
{
public:
    static constexpr qint64 REPORT_INTERVAL_MS = 100;

    // The share done in percent with one decimal, rounded down so that "100.0" means complete;
    // empty when the total is not known (0 or less).
    static QString text(qint64 iDone, qint64 iTotal);

    // True when (iDone, iTotal) at iNowMs is to be reported.
    bool due(qint64 iDone, qint64 iTotal, qint64 iNowMs);

private:
    qint64 m_iLastPermille = -1;
    qint64 m_iLastMs = 0;
};
