#include "ccloudbookcommands.h"

#include "caes.h"
#include "cfieldwriter.h"
#include "cservice.h"

using namespace Codes;

namespace {

QString safeField(const QString &strField)
{
    QString str = strField;
    str.replace(QLatin1Char(':'), QChar(0xFF1A));
    str.replace(QLatin1Char(';'), QChar(0xFF1B));
    return str;
}

bool withinBytes(const QString &strText, int iMax)
{
    return strText.toUtf8().size() <= iMax;
}

} // namespace

void CCloudBookCommands::install(CDispatcher &dispatcher)
{
    using D = CDispatcher;
    dispatcher.add(CmdUploadNetContact, D::OnTcp, D::SenderField,
                   [this](CRequest &request) { onUpload(request); });
    dispatcher.add(CmdNetContact, D::OnTcp, D::SenderField,
                   [this](CRequest &request) { onDownload(request); });
    dispatcher.add(CmdModifyNetContact, D::OnTcp, D::SenderField,
                   [this](CRequest &request) { onModify(request); });
}

bool CCloudBookCommands::parseRecord(const QString &strRecord, CCloudBookTable::Entry &entry)
{
    // The phone and the group are the first and the last field, so any further ";" belongs
    // to the name, as the client reads a record it wrote.
    const QStringList fields = strRecord.split(QLatin1Char(';'));
    entry.strPhone = safeField(fields.first().trimmed());
    entry.strName =
        fields.size() > 1
            ? safeField(fields.mid(1, qMax(1, int(fields.size()) - 2)).join(QLatin1Char(';')))
            : QString();
    entry.strGroup = fields.size() > 2 ? safeField(fields.last()) : QString();
    return !entry.strPhone.isEmpty() && withinBytes(entry.strPhone, MAX_PHONE_BYTES) &&
           withinBytes(entry.strName, MAX_NAME_BYTES) &&
           withinBytes(entry.strGroup, MAX_GROUP_BYTES);
}

QString CCloudBookCommands::recordText(const CCloudBookTable::Entry &entry)
{
    return entry.strPhone + QLatin1Char(';') + entry.strName + QLatin1Char(';') + entry.strGroup;
}

QList<QStringList> CCloudBookCommands::chunks(const QList<CCloudBookTable::Entry> &entries)
{
    QList<QStringList> list;
    for (int i = 0; i < entries.size(); i += ENTRIES_PER_CHUNK) {
        QStringList chunk;
        for (const CCloudBookTable::Entry &entry : entries.mid(i, ENTRIES_PER_CHUNK))
            chunk << recordText(entry);
        list << chunk;
    }
    return list;
}

bool CCloudBookCommands::storeChunk(quint32 iOwner, const QList<CCloudBookTable::Entry> &entries)
{
    CServiceStore &store = m_service.store();
    if (!store.transaction())
        return false;
    for (const CCloudBookTable::Entry &entry : entries) {
        if (!store.cloudBooks().merge(iOwner, entry)) {
            store.rollback();
            return false;
        }
    }
    if (store.cloudBooks().count(iOwner) > MAX_ENTRIES || !store.commit()) {
        store.rollback();
        return false;
    }
    return true;
}

void CCloudBookCommands::onUpload(CRequest &request)
{
    CFieldReader &r = request.fields();
    const quint32 iRandom = r.u32();
    const quint8 iIndex = r.u8();
    const quint32 iCount = r.u32();
    const QString strText = decryptText(r.blob32());
    const quint32 iOwner = request.session()->iZpid;

    QList<CCloudBookTable::Entry> entries;
    bool bOk = iCount > 0 && iCount <= ENTRIES_PER_CHUNK;
    const QStringList records = bOk ? strText.split(QLatin1Char(':')) : QStringList();
    bOk = bOk && quint32(records.size()) == iCount;
    for (int i = 0; bOk && i < records.size(); ++i) {
        CCloudBookTable::Entry entry;
        bOk = parseRecord(records.at(i), entry);
        entries << entry;
    }
    bOk = bOk && storeChunk(iOwner, entries);
    if (!bOk)
        m_service.counters().drop(CServiceCounters::DropBadField);
    m_service.reply(request, CFieldWriter(CmdUploadNetContact)
                                 .zpid(iOwner)
                                 .u32(iRandom)
                                 .u8(iIndex)
                                 .u8(bOk ? 0 : 1)
                                 .packet());
}

void CCloudBookCommands::onDownload(CRequest &request)
{
    const quint32 iOwner = request.session()->iZpid;
    const QList<CCloudBookTable::Entry> entries = m_service.store().cloudBooks().entries(iOwner);
    // Result 1 tells the client the account has no cloud book.
    if (entries.isEmpty()) {
        m_service.reply(request, CFieldWriter(CmdNetContact).zpid(iOwner).u8(1).packet());
        return;
    }
    for (const QStringList &chunk : chunks(entries)) {
        m_service.reply(request, CFieldWriter(CmdNetContact)
                                     .zpid(iOwner)
                                     .u8(0)
                                     .u32(quint32(entries.size()))
                                     .u32(quint32(chunk.size()))
                                     .blob32(encryptText(chunk.join(QLatin1Char(':'))))
                                     .packet());
    }
}

void CCloudBookCommands::onModify(CRequest &request)
{
    CFieldReader &r = request.fields();
    const quint8 iType = r.u8();
    const QString strOldPhone = safeField(QString::fromUtf8(r.blob32()).trimmed());
    const QString strRecord = decryptText(r.blob32());
    const quint32 iOwner = request.session()->iZpid;
    CCloudBookTable &book = m_service.store().cloudBooks();

    CCloudBookTable::Entry entry;
    const bool bEntryOk = parseRecord(strRecord, entry);
    bool bOk = false;
    switch (iType) {
    case NetContactAdd:
        bOk = bEntryOk && !book.contains(iOwner, entry.strPhone) &&
              book.count(iOwner) < MAX_ENTRIES && book.merge(iOwner, entry);
        break;
    case NetContactDelete:
        bOk = book.remove(iOwner, strOldPhone) == 1;
        break;
    case NetContactEdit:
        bOk = bEntryOk && book.update(iOwner, strOldPhone, entry) == 1;
        break;
    default:
        break;
    }
    if (!bOk)
        m_service.counters().drop(CServiceCounters::DropBadField);
    m_service.reply(request,
                    CFieldWriter(CmdModifyNetContact).zpid(iOwner).u8(bOk ? 0 : 1).packet());
}
