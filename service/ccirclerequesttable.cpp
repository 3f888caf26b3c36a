#include "ccirclerequesttable.h"

#include <QSqlQuery>
#include <QVariant>

bool CCircleRequestTable::createSchema()
{
    return run(
        QStringLiteral("CREATE TABLE IF NOT EXISTS circle_request ("
                       "id INTEGER PRIMARY KEY AUTOINCREMENT, "
                       "circle_id INTEGER NOT NULL REFERENCES circle(circle_id) ON DELETE CASCADE, "
                       "kind INTEGER NOT NULL, "
                       "sender INTEGER NOT NULL REFERENCES account(zpid) ON DELETE CASCADE, "
                       "subject INTEGER NOT NULL REFERENCES account(zpid) ON DELETE CASCADE, "
                       "text TEXT NOT NULL DEFAULT '', "
                       "UNIQUE (circle_id, sender, subject))"));
}

bool CCircleRequestTable::add(const Request &request)
{
    return run(QStringLiteral("INSERT INTO circle_request (circle_id, kind, sender, subject, text) "
                              "VALUES (?, ?, ?, ?, ?) ON CONFLICT (circle_id, sender, subject) "
                              "DO UPDATE SET kind = excluded.kind, text = excluded.text"),
               {qint64(request.iCircleId), request.iKind, qint64(request.iSender),
                qint64(request.iSubject), request.strText});
}

std::optional<CCircleRequestTable::Request> CCircleRequestTable::oldestFrom(quint32 iCircleId,
                                                                            quint32 iSender) const
{
    QSqlQuery query(database());
    if (!run(query,
             QStringLiteral("SELECT id, kind, subject, text FROM circle_request "
                            "WHERE circle_id = ? AND sender = ? ORDER BY id LIMIT 1"),
             {qint64(iCircleId), qint64(iSender)}) ||
        !query.next())
        return std::nullopt;
    Request request;
    request.iId = query.value(0).toLongLong();
    request.iCircleId = iCircleId;
    request.iKind = query.value(1).toInt();
    request.iSender = iSender;
    request.iSubject = query.value(2).toUInt();
    request.strText = query.value(3).toString();
    return request;
}

bool CCircleRequestTable::remove(qint64 iId)
{
    return run(QStringLiteral("DELETE FROM circle_request WHERE id = ?"), {iId});
}

int CCircleRequestTable::count(quint32 iCircleId) const
{
    QSqlQuery query(database());
    if (!run(query, QStringLiteral("SELECT COUNT(*) FROM circle_request WHERE circle_id = ?"),
             {qint64(iCircleId)}) ||
        !query.next())
        return 0;
    return query.value(0).toInt();
}
