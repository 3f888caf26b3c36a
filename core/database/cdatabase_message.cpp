// CDatabase, MsgRecord and CallRecord: messages, requests and notices grouped into
// conversations, and the call log.
#include "cdatabase.h"

#include "callrecordmodel.h"
#include "cdatabase_p.h"
#include "codes.h"
#include "messagemodel.h"
#include "msgrecordmodel.h"
#include "utility.h"

#include <QHash>
#include <QSet>

using namespace storedetail;

namespace {

// MsgRecord columns in the order the conversation reads them.
enum MessageColumn
{
    MId,
    MCircleId,
    MCircleName,
    MZpid,
    MName,
    MPhone,
    MRead,
    MSend,
    MCaption,
    MContent,
    MTime,
    MMsgId,
    MMsgState,
    MType,
    MSubType
};
const QString kMessageColumns =
    QStringLiteral("Id,CircleId,CircleName,Zpid,Name,Phone,Read,Send,Caption,Content,Time,MsgId,"
                   "MsgState,Type,SubType");

// MsgState of a sent one-to-one message: taken by the server, then reached the addressee.
constexpr int kStateAccepted = 1;
constexpr int kStateDelivered = 2;

// The key of one conversation's unread count: its type and its Zpid or circle number as
// text; request lists (5 and 6) are keyed by type alone.
using UnreadKey = QPair<int, QString>;

} // namespace

int CDatabase::zpidType(const QString &strZpid) const
{
    if (strZpid.isEmpty() || strZpid == QLatin1String("0"))
        return 3;
    if (strZpid == QString::number(loginZpid()))
        return 0;
    if (strZpid == QString::number(Codes::ASSISTANT_ZPID))
        return 1;
    return 2;
}

QString CDatabase::conversationClause(int iType, const QString &strKey, QVariantList &values) const
{
    if (isPersonType(iType)) {
        values << numberOf(strKey);
        return QStringLiteral(" and Zpid = ?");
    }
    if (iType == 7) {
        values << numberOf(strKey);
        return QStringLiteral(" and CircleId = ?");
    }
    return QString();
}

bool CDatabase::addMsgRecord(quint32 iLoginZpid, quint32 iCircleId, const QString &strCircleName,
                             quint32 iZpid, const QString &strName, const QString &strPhone,
                             bool bRead, bool bSend, const QString &strCaption,
                             const QString &strContent, int iMsgId, int iMsgState, int iType,
                             int iSubType, const QString &strTime)
{
    QString strStamp = strTime.isEmpty() ? nowText() : strTime;
    // A message that brings its own time may be delivered again (offline pick-up), and so may a
    // live one whose receipt was lost (the service hands it over again). Message ids are the
    // sender's own counter, so a copy is the same account, peer, direction and id.
    const bool bReceivedFromPerson = !bSend && iCircleId == 0 && iType >= 0 && iType <= 2;
    if (!strTime.isEmpty() || bReceivedFromPerson) {
        CStoreQuery query = run(QStringLiteral("Select Id from MsgRecord Where LoginZpid = ? and "
                                               "Zpid = ? and Send = ? and MsgId = ?"),
                                {qlonglong(iLoginZpid), qlonglong(iZpid), int(bSend), iMsgId});
        if (!query.isActive() || query.next())
            return false;
    }
    return exec(QStringLiteral(
                    "Insert into MsgRecord(LoginZpid,CircleId,CircleName,Zpid,Name,Phone,Read,Send,"
                    "Caption,Content,Time,MsgId,MsgState,Type,SubType)"
                    "Values(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)"),
                {qlonglong(iLoginZpid), qlonglong(iCircleId), strCircleName, qlonglong(iZpid),
                 strName, strPhone, int(bRead), int(bSend), strCaption, strContent, strStamp,
                 iMsgId, iMsgState, iType, iSubType});
}

QList<QObject *> CDatabase::getMsgRecord()
{
    const qlonglong iLogin = loginZpid();
    // Every conversation's unread count in one pass: one-to-one conversations by Zpid,
    // circles by CircleId, the request lists (received rows only) by type.
    QHash<UnreadKey, int> unread;
    {
        CStoreQuery counts = run(
            QStringLiteral(
                "Select Type, Case When Type Between 0 And 2 Then Zpid When Type = 7 Then CircleId "
                "End As Conversation, count(*) from MsgRecord Where LoginZpid = ? and Read = 0 and "
                "(Type Between 0 And 2 or Type = 7 or ((Type = 5 or Type = 6) and Send = 0)) "
                "Group by Type, Conversation"),
            {iLogin});
        while (counts.isActive() && counts.next()) {
            const int iType = counts.number(0);
            // A row without a key is no conversation of its type; its lookup counts nothing.
            if (counts.value(1).isNull() && iType != 5 && iType != 6)
                continue;
            unread.insert({iType, counts.text(1)}, counts.number(2));
        }
    }

    QList<QObject *> list;
    // One reading of the clock (and of the time zone) for the whole list.
    const QDate today = QDate::currentDate();
    // Rows stored within the same second keep their insertion order through the row id.
    CStoreQuery query = run(QStringLiteral("Select ") + kMessageColumns +
                                QStringLiteral(" from MsgRecord Where LoginZpid = ? "
                                               "Order by Time DESC, Id DESC"),
                            {iLogin});
    QSet<QString> seenPersons;
    QSet<QString> seenCircles;
    bool bCardRequestSeen = false;
    bool bCircleRequestSeen = false;
    while (query.isActive() && query.next()) {
        const int iType = query.number(MType);
        const int iSubType = query.number(MSubType);
        const bool bSend = query.number(MSend) != 0;

        if (isPersonType(iType)) {
            const QString strZpid = query.text(MZpid);
            if (seenPersons.contains(strZpid))
                continue;
            seenPersons.insert(strZpid);
            QString strMsg;
            switch (iSubType) {
            case 0:
                strMsg = query.text(MContent);
                break;
            case 1:
                strMsg = query.text(MCaption);
                break;
            case 2:
                strMsg = QStringLiteral("[图片]");
                break;
            case 3:
                strMsg = QStringLiteral("[文件]");
                break;
            case 5:
                strMsg = QStringLiteral("[位置]");
                break;
            default:
                continue;
            }
            list.append(new MsgRecordModel(strZpid, query.text(MName), query.text(MPhone), strMsg,
                                           displayTime(query.text(MTime), 0, today),
                                           unread.value({iType, strZpid}), iType, iSubType));
        } else if (iType == 5) {
            if (bSend || bCardRequestSeen)
                continue;
            const QString strMsg =
                iSubType == 3 ? query.text(MCaption) : query.text(MName) + query.text(MCaption);
            list.append(new MsgRecordModel(query.text(MZpid), tr("名片请求消息"),
                                           query.text(MPhone), strMsg,
                                           displayTime(query.text(MTime), 0, today),
                                           unread.value({5, QString()}), iType, iSubType));
            bCardRequestSeen = true;
        } else if (iType == 6) {
            if (bSend || bCircleRequestSeen)
                continue;
            list.append(new MsgRecordModel(query.text(MCircleId), tr("圈子请求消息"),
                                           query.text(MPhone), query.text(MCaption),
                                           displayTime(query.text(MTime), 0, today),
                                           unread.value({6, QString()}), iType, iSubType));
            bCircleRequestSeen = true;
        } else if (iType == 7) {
            const QString strCircleId = query.text(MCircleId);
            if (seenCircles.contains(strCircleId))
                continue;
            seenCircles.insert(strCircleId);
            list.append(new MsgRecordModel(strCircleId, query.text(MCircleName), query.text(MPhone),
                                           query.text(MContent),
                                           displayTime(query.text(MTime), 0, today),
                                           unread.value({7, strCircleId}), iType, iSubType));
        }
    }
    return list;
}

QList<QObject *> CDatabase::getMessage(int iType, const QString &strKey)
{
    QVariantList values{qlonglong(loginZpid()), iType};
    QString strWhere = conversationClause(iType, strKey, values);
    if (strWhere.isEmpty())
        strWhere = QStringLiteral(" and Send = 0");
    CStoreQuery query = run(QStringLiteral("Select ") + kMessageColumns +
                                QStringLiteral(" from MsgRecord Where LoginZpid = ? and Type = ?") +
                                strWhere + QStringLiteral(" Order by Time, Id"),
                            values);

    QList<QObject *> list;
    const QDate today = QDate::currentDate();
    QString strLastStored;
    QString strTime;
    QString strLastSeparator;
    while (query.isActive() && query.next()) {
        // Neighbouring messages mostly share their stored time: convert each time once.
        const QString strStored = query.text(MTime);
        if (list.isEmpty() || strStored != strLastStored) {
            strLastStored = strStored;
            strTime = displayTime(strStored, 1, today);
        }
        const QString strId = query.text(MId);
        const QString strCircleId = query.text(MCircleId);
        const QString strCircleName = query.text(MCircleName);
        const QString strZpid = query.text(MZpid);
        const QString strName = query.text(MName);
        const QString strPhone = query.text(MPhone);
        const bool bRead = query.number(MRead) != 0;
        const bool bSend = query.number(MSend) != 0;
        const QString strCaption = query.text(MCaption);
        const QString strContent = query.text(MContent);
        const int iMsgId = query.number(MMsgId);
        const int iMsgState = query.number(MMsgState);
        const int iSubType = query.number(MSubType);
        const int iElementType = iType == 7 ? zpidType(strZpid) : iType;
        auto make = [&](bool bSeparator) {
            return new MessageModel(strId, strCircleId, strCircleName, strZpid, strName, strPhone,
                                    bRead, bSend, strCaption, strContent, strTime, iMsgId,
                                    iMsgState, iElementType, iSubType, bSeparator);
        };
        if (list.isEmpty() || strTime != strLastSeparator) {
            strLastSeparator = strTime;
            list.append(make(true));
        }
        list.append(make(false));
    }
    return list;
}

void CDatabase::updateMessage(int iType, const QString &strKey)
{
    QVariantList values{qlonglong(loginZpid()), iType};
    const QString strWhere = conversationClause(iType, strKey, values);
    exec(QStringLiteral("Update MsgRecord set Read = 1 Where LoginZpid = ? and Type = ?") +
             strWhere,
         values);
}

int CDatabase::getUnReadMsgRecord(int iType, const QString &strKey)
{
    QVariantList values{qlonglong(loginZpid())};
    QString strSql =
        QStringLiteral("Select count(*) from MsgRecord Where LoginZpid = ? and Read = 0");
    if (iType == 10) {
        strSql += QStringLiteral(" and Send = 0");
    } else {
        values << iType;
        strSql += QStringLiteral(" and Type = ?");
        const QString strWhere = conversationClause(iType, strKey, values);
        strSql += strWhere.isEmpty() ? QStringLiteral(" and Send = 0") : strWhere;
    }
    return value(strSql, values).toInt();
}

void CDatabase::delMsgRecord(int iType, const QString &strKey)
{
    if (iType == -1) {
        exec(QStringLiteral("Delete from MsgRecord Where LoginZpid = ?"), {qlonglong(loginZpid())});
        return;
    }
    QVariantList values{qlonglong(loginZpid()), iType};
    const QString strWhere = conversationClause(iType, strKey, values);
    exec(QStringLiteral("Delete from MsgRecord Where LoginZpid = ? and Type = ?") + strWhere,
         values);
}

void CDatabase::setMsgState(int iMsgId, int iState, bool bSend, const QString &strCaption)
{
    exec(QStringLiteral("Update MsgRecord Set MsgState = ?,Caption = ? Where LoginZpid = ? and "
                        "MsgId = ? and Send = ?"),
         {iState, strCaption, qlonglong(loginZpid()), iMsgId, int(bSend)});
}

void CDatabase::setRequestState(int iType, quint32 iCircleId, int iState, const QString &strContent)
{
    const qlonglong iLogin = loginZpid();
    switch (iState) {
    case 1:
    case 2:
        exec(
            QStringLiteral("Update MsgRecord Set MsgState = ? where LoginZpid = ? and CircleId = ? "
                           "and Type = ? and MsgState = 0"),
            {iState, iLogin, qlonglong(iCircleId), iType});
        break;
    case 3:
    case 4:
        exec(QStringLiteral(
                 "Update MsgRecord Set Caption = ?,MsgState = ?,Send = 0 where LoginZpid = ? "
                 "and CircleId = ? and Type = ? and MsgState = -1"),
             {iState == 3 ? QStringLiteral("已同意您的加入请求")
                          : QStringLiteral("已拒绝您的加入请求"),
              iState, iLogin, qlonglong(iCircleId), iType});
        break;
    case 6:
    case 7:
        exec(
            QStringLiteral("Update MsgRecord Set MsgState = ? where LoginZpid = ? and CircleId = ? "
                           "and Type = ? and Content = ? and MsgState = 5"),
            {iState, iLogin, qlonglong(iCircleId), iType, strContent});
        break;
    default:
        break;
    }
}

void CDatabase::updateCardRequest(int iType, quint32 iZpid, const QString &strCaption,
                                  const QString &strCard, int iKind)
{
    const qlonglong iLogin = loginZpid();
    if (iKind == 3) {
        exec(QStringLiteral(
                 "Update MsgRecord Set Name = ?,Caption = ?,Content = ?,SubType = ?,Send = 0 "
                 "where LoginZpid = ? and Zpid = ? and Type = ?"),
             {cardField(strCard, 0), strCaption, strCard, 3, iLogin, qlonglong(iZpid), iType});
    } else if (iKind == 1) {
        exec(QStringLiteral(
                 "Update MsgRecord Set SubType = ? where LoginZpid = ? and Zpid = ? and Type = ? "
                 "and SubType = 0"),
             {1, iLogin, qlonglong(iZpid), iType});
    }
}

QList<QPair<int, QString>> CDatabase::namePeersFromContacts()
{
    // The peer name rule of a stored record: the entry's name, else its phone. Only records
    // that carry the Zpid for want of both are renamed; a name the user saw stays.
    const QString strUnnamed = QStringLiteral(
        "LoginZpid = ? and Type Between 0 And 2 and Name = Cast(Zpid As Text) and Exists "
        "(Select 1 from Contact c where c.Zpid = MsgRecord.Zpid and (c.Name != '' or c.Phone != "
        "''))");
    const qlonglong iLogin = loginZpid();
    QList<QPair<int, QString>> changed;
    {
        CStoreQuery query =
            run(QStringLiteral("Select Distinct Type, Zpid from MsgRecord Where ") + strUnnamed,
                {iLogin});
        while (query.isActive() && query.next())
            changed.append({query.number(0), query.text(1)});
    }
    if (changed.isEmpty())
        return changed;
    // The first entry of the Zpid, as the name lookups of a new record take it.
    const QString strEntry =
        QStringLiteral(" from Contact c where c.Zpid = MsgRecord.Zpid Order by c.Id Limit 1)");
    if (!exec(QStringLiteral("Update MsgRecord Set Name = (Select Case When c.Name != '' Then "
                             "c.Name Else c.Phone End") +
                  strEntry + QStringLiteral(", Phone = (Select c.Phone") + strEntry +
                  QStringLiteral(" Where ") + strUnnamed,
              {iLogin}))
        return {};
    return changed;
}

QString CDatabase::getSentContent(int iMsgId)
{
    return value(QStringLiteral("Select Content from MsgRecord where MsgId = ? and Send = 1"),
                 {iMsgId})
        .toString();
}

void CDatabase::setSentMsgState(int iMsgId, int iState)
{
    // Reports may arrive out of order: a late acceptance never undoes a delivery.
    exec(QStringLiteral("Update MsgRecord Set MsgState = ? Where LoginZpid = ? and MsgId = ? and "
                        "Send = 1 and not (MsgState = ? and ? = ?)"),
         {iState, qlonglong(loginZpid()), iMsgId, kStateDelivered, iState, kStateAccepted});
}

int CDatabase::getMaxMsgId()
{
    // Received rows carry the peers' ids; only our own sent ids continue the sequence.
    return value(QStringLiteral("Select max(MsgId) from MsgRecord Where Send = 1")).toInt();
}

void CDatabase::addCallRecord(quint32 iLoginZpid, const QString &strZpid, const QString &strName,
                              const QString &strPhone, bool bRead, int iCallTime, int iType)
{
    // Stamped when the record is written, at the end of the call: the log then orders by the
    // order in which calls finished, whatever their durations.
    const QString strTime = nowText();
    exec(QStringLiteral("Insert into CallRecord(LoginZpid,Zpid,Name,Phone,Read,Time,callTime,Type)"
                        "Values(?,?,?,?,?,?,?,?)"),
         {qlonglong(iLoginZpid), numberOf(strZpid), strName, strPhone, int(bRead), strTime,
          iCallTime, iType});
}

QList<QObject *> CDatabase::getCallRecord(const QString &strKey)
{
    const qlonglong iLogin = loginZpid();
    // Every party's unread count in one pass; a row without a Zpid shows the whole log's.
    QHash<QString, int> unread;
    int iAllUnread = 0;
    {
        CStoreQuery counts = run(QStringLiteral("Select Zpid, count(*) from CallRecord Where "
                                                "LoginZpid = ? and Read = 0 Group by Zpid"),
                                 {iLogin});
        while (counts.isActive() && counts.next()) {
            iAllUnread += counts.number(1);
            if (!counts.value(0).isNull())
                unread.insert(counts.text(0), counts.number(1));
        }
    }

    QVariantList values{iLogin};
    QString strSql =
        QStringLiteral("Select Id,Zpid,Name,Phone,Time,callTime,Type from CallRecord Where "
                       "LoginZpid = ?");
    if (!strKey.isEmpty()) {
        strSql += QStringLiteral(" and Zpid = ?");
        values << numberOf(strKey);
    }
    CStoreQuery query = run(strSql + QStringLiteral(" Order by Time DESC, Id DESC"), values);

    QList<QObject *> list;
    const QDate today = QDate::currentDate();
    QSet<QString> seen;
    while (query.isActive() && query.next()) {
        const QString strZpid = query.text(1);
        if (strKey.isEmpty()) {
            if (seen.contains(strZpid))
                continue;
            seen.insert(strZpid);
        }
        list.append(new CallRecordModel(
            query.text(0), strZpid, query.text(2), query.text(3),
            displayTime(query.text(4), strKey.isEmpty() ? 0 : 2, today), query.number(5),
            strZpid.isEmpty() ? iAllUnread : unread.value(strZpid), query.number(6)));
    }
    return list;
}

void CDatabase::updateCallRecord(const QString &strZpid)
{
    exec(QStringLiteral("Update CallRecord Set Read = 1 where LoginZpid = ? and Zpid = ?"),
         {qlonglong(loginZpid()), numberOf(strZpid)});
}

void CDatabase::delCallRecord(const QString &strKey)
{
    const qlonglong iLogin = loginZpid();
    if (strKey.isEmpty())
        exec(QStringLiteral("Delete from CallRecord where LoginZpid = ?"), {iLogin});
    else if (strKey.size() <= 6)
        exec(QStringLiteral("Delete from CallRecord where LoginZpid = ? and Id = ?"),
             {iLogin, numberOf(strKey)});
    else
        exec(QStringLiteral("Delete from CallRecord where LoginZpid = ? and Zpid = ?"),
             {iLogin, numberOf(strKey)});
}

void CDatabase::delPeerCallRecord(const QString &strZpid)
{
    exec(QStringLiteral("Delete from CallRecord where LoginZpid = ? and Zpid = ?"),
         {qlonglong(loginZpid()), numberOf(strZpid)});
}

int CDatabase::getUnReadCallRecord(const QString &strKey)
{
    if (strKey.isEmpty())
        return value(QStringLiteral(
                         "Select count(*) from CallRecord Where LoginZpid = ? and Read = 0"),
                     {qlonglong(loginZpid())})
            .toInt();
    return value(
               QStringLiteral(
                   "Select count(*) from CallRecord Where LoginZpid = ? and Zpid = ? and Read = 0"),
               {qlonglong(loginZpid()), numberOf(strKey)})
        .toInt();
}
