#include "cparsecirclethread.h"

#include "caes.h"
#include "cfieldreader.h"

#include <QSet>

namespace {

struct CircleEntry
{
    quint32 iCircleId = 0;
    qint32 iVersion = 0;
    QString strName;
    qint8 iType = 0;
    qint8 iProperty = 0;
    quint32 iCreateZpid = 0;
    double dCreateTime = 0;
    qint8 iUserType = 0;
    qint32 iUserCount = 0;
    QString strProfile;
};

// One record; false when it does not fit in what is left of the list.
bool readCircle(CFieldReader &r, CircleEntry *pEntry)
{
    r.skip(1);
    pEntry->iCircleId = r.u32();
    pEntry->iVersion = qint32(r.u32());
    const QByteArray arName = r.enc8();
    pEntry->iType = qint8(r.u8());
    pEntry->iProperty = qint8(r.u8());
    pEntry->iCreateZpid = r.u32();
    pEntry->dCreateTime = r.f64();
    pEntry->iUserType = qint8(r.u8());
    pEntry->iUserCount = qint32(r.u32());
    const QByteArray arProfile = r.str8();
    if (!r.ok())
        return false;
    pEntry->strName = decryptText(arName);
    pEntry->strProfile = QString::fromUtf8(arProfile);
    return true;
}

} // namespace

CParseCircleThread::CParseCircleThread(const QByteArray &arCircle,
                                       QSharedPointer<CDatabase> pDatabase)
    : CParseThread("CParseCircleThread", std::move(pDatabase)), m_arCircle(arCircle)
{}

void CParseCircleThread::parse()
{
    CFieldReader r(m_arCircle);
    const qint32 iCount = qint32(r.u32());
    if (!r.ok() || iCount < 0) {
        m_trace.trace(QStringLiteral("circle list without a count, circles kept"));
        return;
    }

    // Parsed before the batch so that the store is held only for the writes. Every record
    // takes at least one byte, so a count beyond the bytes ends at the first cut record.
    QList<CircleEntry> entries;
    QSet<quint32> seen;
    int iRead = 0;
    for (; iRead < iCount; ++iRead) {
        CircleEntry entry;
        if (!readCircle(r, &entry))
            break;
        if (entry.iCircleId == 0 || seen.contains(entry.iCircleId))
            continue;
        seen.insert(entry.iCircleId);
        entries.append(std::move(entry));
    }
    const bool bComplete = iRead == iCount;
    if (!bComplete)
        m_trace.traceNumber(QStringLiteral("circle list cut short, unseen circles kept; records"),
                            iRead);

    QList<quint32> refresh;
    const bool bKept = writeBatch([&] {
        if (bComplete)
            m_pDatabase->setCircleFlag(false, 0);
        for (const CircleEntry &entry : std::as_const(entries)) {
            if (!accountCurrent())
                break;
            if (m_pDatabase->hasCircle(entry.iCircleId) &&
                m_pDatabase->getCircleVersion(entry.iCircleId) == entry.iVersion) {
                m_pDatabase->setCircleFlag(true, entry.iCircleId);
                continue;
            }
            m_pDatabase->removeCircle(entry.iCircleId);
            m_pDatabase->addCircle(entry.iCircleId, entry.strName, entry.iCreateZpid,
                                   entry.dCreateTime, entry.iType, entry.iProperty,
                                   entry.strProfile, entry.iUserType, entry.iUserCount,
                                   entry.iVersion);
            refresh.append(entry.iCircleId);
        }
        if (bComplete)
            m_pDatabase->removeCircle(0);
    });
    if (bKept) {
        m_refresh = refresh;
        m_bComplete = bComplete;
    }
}
