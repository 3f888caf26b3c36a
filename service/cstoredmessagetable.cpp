#include "cstoredmessagetable.h"

#include <QVariant>

bool CStoredMessageTable::createSchema()
{
    return run(QStringLiteral("CREATE TABLE IF NOT EXISTS stored_message ("
                              "id INTEGER PRIMARY KEY AUTOINCREMENT, "
                              "addressee INTEGER NOT NULL, "
                              "sender INTEGER NOT NULL, "
                              "code INTEGER NOT NULL, "
                              "msg_id INTEGER NOT NULL, "
                              "kind INTEGER NOT NULL, "
                              "sent_at REAL NOT NULL, "
                              "body BLOB NOT NULL, "
                              "extra BLOB NOT NULL, "
                              "UNIQUE (addressee, code, sender, msg_id))"));
}

bool CStoredMessageTable::store(const Row &row, bool *pInserted)
{
    QSqlQuery query(database());
    const bool bOk =
        run(query,
            QStringLiteral("INSERT OR IGNORE INTO stored_message "
                           "(addressee, sender, code, msg_id, kind, sent_at, body, extra) "
                           "VALUES (?, ?, ?, ?, ?, ?, ?, ?)"),
            {qint64(row.iAddressee), qint64(row.iSender), int(row.iCode), qint64(row.iMsgId),
             int(row.iKind), row.dSentAt, row.arBody.isNull() ? QByteArray("") : row.arBody,
             row.arExtra.isNull() ? QByteArray("") : row.arExtra});
    if (pInserted)
        *pInserted = bOk && query.numRowsAffected() == 1;
    return bOk;
}

QList<CStoredMessageTable::Row> CStoredMessageTable::pending(quint32 iAddressee) const
{
    QList<Row> rows;
    QSqlQuery query(database());
    if (!run(query,
             QStringLiteral("SELECT id, addressee, sender, code, msg_id, kind, sent_at, body, "
                            "extra FROM stored_message WHERE addressee = ? ORDER BY id"),
             {qint64(iAddressee)}))
        return rows;
    while (query.next()) {
        Row row;
        row.iId = query.value(0).toLongLong();
        row.iAddressee = query.value(1).toUInt();
        row.iSender = query.value(2).toUInt();
        row.iCode = quint8(query.value(3).toUInt());
        row.iMsgId = query.value(4).toUInt();
        row.iKind = quint8(query.value(5).toUInt());
        row.dSentAt = query.value(6).toDouble();
        row.arBody = query.value(7).toByteArray();
        row.arExtra = query.value(8).toByteArray();
        rows << row;
    }
    return rows;
}

int CStoredMessageTable::count(quint32 iAddressee) const
{
    QSqlQuery query(database());
    if (!run(query, QStringLiteral("SELECT COUNT(*) FROM stored_message WHERE addressee = ?"),
             {qint64(iAddressee)}) ||
        !query.next())
        return 0;
    return query.value(0).toInt();
}

bool CStoredMessageTable::usageBySender(quint32 iAddressee, QHash<quint32, Usage> &usage) const
{
    QSqlQuery query(database());
    if (!run(query,
             QStringLiteral("SELECT sender, COUNT(*), TOTAL(LENGTH(body) + LENGTH(extra)) "
                            "FROM stored_message WHERE addressee = ? GROUP BY sender"),
             {qint64(iAddressee)}))
        return false;
    while (query.next())
        usage.insert(query.value(0).toUInt(),
                     Usage{query.value(1).toInt(), qint64(query.value(2).toDouble())});
    return true;
}

bool CStoredMessageTable::contains(const Row &row) const
{
    QSqlQuery query(database());
    return run(query,
               QStringLiteral("SELECT 1 FROM stored_message WHERE addressee = ? AND code = ? AND "
                              "sender = ? AND msg_id = ?"),
               {qint64(row.iAddressee), int(row.iCode), qint64(row.iSender), qint64(row.iMsgId)}) &&
           query.next();
}

bool CStoredMessageTable::remove(quint32 iAddressee, quint8 iCode, quint32 iSender, quint32 iMsgId)
{
    QSqlQuery query(database());
    return run(query,
               QStringLiteral("DELETE FROM stored_message WHERE addressee = ? AND code = ? AND "
                              "sender = ? AND msg_id = ?"),
               {qint64(iAddressee), int(iCode), qint64(iSender), qint64(iMsgId)}) &&
           query.numRowsAffected() > 0;
}

bool CStoredMessageTable::removeId(qint64 iId)
{
    QSqlQuery query(database());
    return run(query, QStringLiteral("DELETE FROM stored_message WHERE id = ?"), {iId}) &&
           query.numRowsAffected() > 0;
}
