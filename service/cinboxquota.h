// CInboxQuota: how much each addressee holds, in all and by sender, kept beside the stored
// messages so that the caps cost no scan of an inbox per message, however long a flood goes
// on. An addressee's figures are read from the store once, then follow every message stored
// for it; a removal drops them, and the next message reads them again.
#pragma once

#include <QHash>
#include <QtGlobal>

#include "cstoredmessagetable.h"

class CInboxQuota
{
public:
    struct Limits
    {
        int iPerAddressee = 0;
        qint64 iBytesPerAddressee = 0;
        int iPerSender = 0;
        qint64 iBytesPerSender = 0;
    };

    enum Verdict
    {
        Fits,
        SenderShareFull, // the sender holds its whole share of the addressee's inbox
        InboxFull,       // the addressee holds as much as it may
        Unknown          // the store could not be read
    };

    CInboxQuota(CStoredMessageTable &table, const Limits &limits) : m_table(table), m_limits(limits)
    {}

    Verdict check(const CStoredMessageTable::Row &row);
    // The row was stored as a new message.
    void add(const CStoredMessageTable::Row &row);
    // A message held for the addressee was removed.
    void forget(quint32 iAddressee) { m_inboxes.remove(iAddressee); }

private:
    struct Inbox
    {
        CStoredMessageTable::Usage total;
        QHash<quint32, CStoredMessageTable::Usage> senders;
    };

    static qint64 bytesOf(const CStoredMessageTable::Row &row)
    {
        return row.arBody.size() + row.arExtra.size();
    }

    CStoredMessageTable &m_table;
    Limits m_limits;
    QHash<quint32, Inbox> m_inboxes;
};
