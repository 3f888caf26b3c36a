// CStoredMessageTable: messages the service holds for their addressee until it has them: a
// one-to-one message (14) until the addressee's receipt names it, a card message (83) until
// it was handed to the addressee's session. A message is stored once per addressee, code,
// sender and message id, so a sender's re-send does not store it twice. Every statement on
// the table is here.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>

#include "csqltable.h"

class CStoredMessageTable : public CSqlTable
{
public:
    struct Row
    {
        qint64 iId = 0; // order of arrival
        quint32 iAddressee = 0;
        quint32 iSender = 0;
        quint8 iCode = 0;
        quint32 iMsgId = 0;
        quint8 iKind = 0;   // sub-type of a 14, kind of an 83
        double dSentAt = 0; // OLE Automation date of arrival
        QByteArray arBody;  // 14: text ciphertext; 83: the kind's fields
        QByteArray arExtra; // 14: attachment ciphertext
    };

    // What an addressee holds from one sender; bytes are ciphertext bytes.
    struct Usage
    {
        int iCount = 0;
        qint64 iBytes = 0;
    };

    explicit CStoredMessageTable(const QString &strConnection)
        : CSqlTable(strConnection, "CStoredMessageTable")
    {}

    bool createSchema();
    // True when the message is stored, also when it was stored before; pInserted tells which.
    bool store(const Row &row, bool *pInserted = nullptr);
    // Whether the row's message (addressee, code, sender and id) is held.
    bool contains(const Row &row) const;
    QList<Row> pending(quint32 iAddressee) const;
    int count(quint32 iAddressee) const;
    // What the addressee holds, by sender, in one query; false when the query failed.
    bool usageBySender(quint32 iAddressee, QHash<quint32, Usage> &usage) const;
    // True when a stored message was removed.
    bool remove(quint32 iAddressee, quint8 iCode, quint32 iSender, quint32 iMsgId);
    bool removeId(qint64 iId);
};
