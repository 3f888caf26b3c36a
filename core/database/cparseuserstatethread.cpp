#include "cparseuserstatethread.h"

#include <QSet>

#include <algorithm>

namespace {

// A Zpid is a non-zero unsigned 32-bit decimal number, nothing else.
quint32 zpidOf(QStringView text)
{
    if (text.isEmpty() ||
        !std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; }))
        return 0;
    bool bOk = false;
    const quint32 iZpid = text.toUInt(&bOk);
    return bOk ? iZpid : 0;
}

} // namespace

CParseUserStateThread::CParseUserStateThread(const QString &strOnline, const QString &strOffline,
                                             QSharedPointer<CDatabase> pDatabase)
    : CParseThread("CParseUserStateThread", std::move(pDatabase)), m_strOnline(strOnline),
      m_strOffline(strOffline)
{}

int CParseUserStateThread::collect(const QString &strList, QList<Registration> &registrations) const
{
    if (strList.isEmpty())
        return 0;
    int iMalformed = 0;
    const QList<QStringView> items = QStringView(strList).split(u':');
    for (qsizetype i = 0; i + 1 < items.size(); i += 2) {
        const QStringView phone = items.at(i).trimmed();
        const quint32 iZpid = zpidOf(items.at(i + 1).trimmed());
        if (phone.isEmpty() || !fieldFits(phone) || iZpid == 0) {
            ++iMalformed;
            continue;
        }
        const QString strPhone = phone.toString();
        if (!isOwnPhone(strPhone))
            registrations.append({iZpid, strPhone});
    }
    return iMalformed;
}

void CParseUserStateThread::parse()
{
    QList<Registration> registrations;
    const int iMalformed =
        collect(m_strOnline, registrations) + collect(m_strOffline, registrations);
    if (iMalformed > 0)
        m_trace.traceNumber(QStringLiteral("malformed pairs skipped"), iMalformed);
    const bool bKept = !registrations.isEmpty() && writeBatch([&] {
        for (const Registration &registration : std::as_const(registrations)) {
            if (!accountCurrent())
                break;
            m_pDatabase->setContactRegistered(registration.iZpid, registration.strPhone);
        }
    });
    if (!bKept)
        return;

    // Asked only for rows that were kept, and once per user even when listed twice.
    QSet<quint32> asked;
    for (const Registration &registration : std::as_const(registrations)) {
        if (!asked.contains(registration.iZpid)) {
            asked.insert(registration.iZpid);
            emit getCard(QString::number(registration.iZpid), 1);
        }
    }
}
