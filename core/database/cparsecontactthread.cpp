#include "cparsecontactthread.h"

#include "codes.h"
#include "pinyin.h"

#include <QList>
#include <QSet>

namespace {

struct ContactEntry
{
    QString strName;
    QString strPhone;
    QString strPinyin;
};

// The assistant contact; its operator details are those of this deployment.
const QString kAssistantName = QStringLiteral("ZP小秘书");
const QString kAssistantPhone = QString::number(Codes::ASSISTANT_ZPID);
constexpr quint32 kAssistantZpid = Codes::ASSISTANT_ZPID;
const QString kOperatorCompany = QStringLiteral("Zephon 通信服务有限公司");
const QString kOperatorAddress = QStringLiteral("北京市海淀区中关村大街 1 号");
const QString kOperatorTel = QStringLiteral("400-800-8000");
const QString kOperatorEmail = QStringLiteral("support@zephon.example");
const QString kOperatorHomepage = QStringLiteral("https://zephon.example");

} // namespace

CParseContactThread::CParseContactThread(const QString &strContact,
                                         QSharedPointer<CDatabase> pDatabase)
    : CParseThread("CParseContactThread", std::move(pDatabase)), m_strContact(strContact)
{}

void CParseContactThread::parse()
{
    // Parsed before the batch so that the store is held only for the writes.
    QList<ContactEntry> entries;
    QSet<QString> phones;
    int iMalformed = 0;
    for (QStringView record : QStringView(m_strContact).split(u':')) {
        if (record.isEmpty())
            continue;
        const QList<QStringView> fields = usableFields(record, 2);
        if (fields.isEmpty()) {
            ++iMalformed;
            continue;
        }
        const QString strPhone = fields.at(0).trimmed().toString();
        const QString strName = removePunctuation(fields.at(1).toString());
        if (strPhone.isEmpty() || strName.isEmpty()) {
            ++iMalformed;
            continue;
        }
        if (isOwnPhone(strPhone) || phones.contains(strPhone))
            continue;
        phones.insert(strPhone);
        entries.append({strName, strPhone, toPinyin(strName)});
    }
    if (iMalformed > 0)
        m_trace.traceNumber(QStringLiteral("malformed records skipped"), iMalformed);

    writeBatch([&] {
        writeAssistant();
        for (const ContactEntry &entry : std::as_const(entries)) {
            if (!accountCurrent())
                break;
            m_pDatabase->addContact(entry.strName, entry.strPhone, entry.strPinyin);
        }
    });
}

void CParseContactThread::writeAssistant()
{
    m_pDatabase->replaceContact(kAssistantZpid, kAssistantName, QStringLiteral("1"),
                                QStringLiteral("秘书"), kOperatorCompany, kOperatorAddress,
                                kAssistantPhone, kOperatorTel, kOperatorEmail, QString(),
                                QStringLiteral("1"), kOperatorHomepage, QString(), QString(),
                                QString(), toPinyin(kAssistantName), 1);
}
