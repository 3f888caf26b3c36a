#include "cparsecirclememberthread.h"

#include "caes.h"
#include "cfieldreader.h"

#include <QList>

namespace {

constexpr int kCreatorRole = 1;

struct MemberEntry
{
    quint32 iZpid = 0;
    qint8 iRole = 0;
    QString strCard;
};

struct CircleMembers
{
    quint32 iCircleId = 0;
    QList<MemberEntry> members;
    QString strCreater;
};

// The members of one payload that fit in it whole.
CircleMembers readMembers(quint32 iCircleId, const QByteArray &arPayload, int *pCut)
{
    CircleMembers circle;
    circle.iCircleId = iCircleId;
    CFieldReader r(arPayload);
    const qint32 iCount = qint32(r.u32());
    if (!r.ok() || iCount < 0) {
        ++*pCut;
        return circle;
    }
    for (qint32 i = 0; i < iCount; ++i) {
        MemberEntry entry;
        r.skip(5);
        entry.iZpid = r.zpid();
        entry.iRole = qint8(r.u8());
        const QByteArray arCard = r.blob32();
        if (!r.ok()) {
            ++*pCut;
            break;
        }
        entry.strCard = decryptText(arCard);
        if (entry.iRole == kCreatorRole)
            circle.strCreater = entry.strCard;
        circle.members.append(std::move(entry));
    }
    return circle;
}

} // namespace

CParseCircleMemberThread::CParseCircleMemberThread(const QMap<quint32, QByteArray> &mapMembers,
                                                   QSharedPointer<CDatabase> pDatabase)
    : CParseThread("CParseCircleMemberThread", std::move(pDatabase)), m_mapMembers(mapMembers)
{}

void CParseCircleMemberThread::parse()
{
    QList<CircleMembers> circles;
    int iCut = 0;
    for (auto it = m_mapMembers.constBegin(); it != m_mapMembers.constEnd(); ++it) {
        if (it.key() != 0)
            circles.append(readMembers(it.key(), it.value(), &iCut));
    }
    if (iCut > 0)
        m_trace.traceNumber(QStringLiteral("member lists cut short"), iCut);

    writeBatch([&] {
        for (const CircleMembers &circle : std::as_const(circles)) {
            if (!accountCurrent())
                break;
            if (!m_pDatabase->hasCircle(circle.iCircleId)) {
                m_trace.traceNumber(QStringLiteral("members of an unknown circle dropped"),
                                    circle.iCircleId);
                continue;
            }
            m_pDatabase->clearCircleMember(circle.iCircleId);
            for (const MemberEntry &member : circle.members)
                m_pDatabase->saveCircleMemberCard(circle.iCircleId, member.iZpid, member.strCard,
                                                  member.iRole);
            m_pDatabase->setCircleCreater(circle.iCircleId, circle.strCreater);
        }
    });
}
