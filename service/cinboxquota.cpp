#include "cinboxquota.h"

CInboxQuota::Verdict CInboxQuota::check(const CStoredMessageTable::Row &row)
{
    auto it = m_inboxes.find(row.iAddressee);
    if (it == m_inboxes.end()) {
        Inbox inbox;
        if (!m_table.usageBySender(row.iAddressee, inbox.senders))
            return Unknown;
        for (const CStoredMessageTable::Usage &usage : std::as_const(inbox.senders)) {
            inbox.total.iCount += usage.iCount;
            inbox.total.iBytes += usage.iBytes;
        }
        it = m_inboxes.insert(row.iAddressee, inbox);
    }
    const qint64 iBytes = bytesOf(row);
    const CStoredMessageTable::Usage sender = it->senders.value(row.iSender);
    if (sender.iCount >= m_limits.iPerSender || sender.iBytes + iBytes > m_limits.iBytesPerSender)
        return SenderShareFull;
    if (it->total.iCount >= m_limits.iPerAddressee ||
        it->total.iBytes + iBytes > m_limits.iBytesPerAddressee)
        return InboxFull;
    return Fits;
}

void CInboxQuota::add(const CStoredMessageTable::Row &row)
{
    const auto it = m_inboxes.find(row.iAddressee);
    if (it == m_inboxes.end())
        return;
    const qint64 iBytes = bytesOf(row);
    CStoredMessageTable::Usage &sender = it->senders[row.iSender];
    ++sender.iCount;
    sender.iBytes += iBytes;
    ++it->total.iCount;
    it->total.iBytes += iBytes;
}
