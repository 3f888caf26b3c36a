#include "cparsenetcontactthread.h"

#include "pinyin.h"

#include <QList>
#include <QSet>

namespace {

struct NetContactEntry
{
    QString strName;
    QString strPhone;
    QString strGroup;
    QString strPinyin;
};

} // namespace

CParseNetContactThread::CParseNetContactThread(const QString &strNetContact,
                                               QSharedPointer<CDatabase> pDatabase)
    : CParseThread("CParseNetContactThread", std::move(pDatabase)), m_strNetContact(strNetContact)
{}

void CParseNetContactThread::parse()
{
    if (m_strNetContact.isEmpty())
        return;

    QList<NetContactEntry> entries;
    QSet<QString> seen;
    int iMalformed = 0;
    for (QStringView record : QStringView(m_strNetContact).split(u':')) {
        if (record.isEmpty())
            continue;
        const QList<QStringView> fields = usableFields(record, 3);
        if (fields.isEmpty()) {
            ++iMalformed;
            continue;
        }
        NetContactEntry entry{fields.at(1).toString(), fields.at(0).trimmed().toString(),
                              fields.at(2).toString(), QString()};
        if (entry.strPhone.isEmpty()) {
            ++iMalformed;
            continue;
        }
        // No field holds ';', so joining with it keeps different entries apart.
        const QString strKey = entry.strPhone + u';' + entry.strName + u';' + entry.strGroup;
        if (seen.contains(strKey))
            continue;
        seen.insert(strKey);
        entry.strPinyin = toPinyin(entry.strName);
        entries.append(std::move(entry));
    }
    if (iMalformed > 0)
        m_trace.traceNumber(QStringLiteral("malformed records skipped"), iMalformed);
    if (entries.isEmpty()) {
        m_trace.trace(QStringLiteral("no usable record, cloud address book kept"));
        return;
    }

    writeBatch([&] {
        m_pDatabase->clearNetContact();
        for (const NetContactEntry &entry : std::as_const(entries)) {
            if (!accountCurrent())
                break;
            m_pDatabase->addNetContact(entry.strName, entry.strPhone, entry.strGroup,
                                       entry.strPinyin);
        }
    });
}
