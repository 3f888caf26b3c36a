#include "cdatabase.h"

#include "callrecordmodel.h"
#include "circlemodel.h"
#include "contactmodel.h"
#include "cschema.h"
#include "messagemodel.h"
#include "msgrecordmodel.h"
#include "netcontactmodel.h"
#include "orginfomodel.h"
#include "pinyin.h"
#include "searchcontactmodel.h"
#include "utility.h"

#include <QDateTime>
#include <QFileInfo>
#include <QHash>
#include <QMutexLocker>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QThreadStorage>

namespace {

// A GUI statement that meets an open worker batch waits this long for the write lock
// rather than failing at once.
const QString kConnectOptions = QStringLiteral("QSQLITE_BUSY_TIMEOUT=30000");

QMutex &storeMutex()
{
    static QMutex mutex;
    return mutex;
}

std::atomic<int> g_iNextInstance{0};

// The connections a non-owner thread opened, closed and unregistered when that thread ends
// (QThreadStorage deletes the object on the finishing thread itself).
struct ThreadConnections
{
    QStringList names;
    ~ThreadConnections()
    {
        for (const QString &strName : std::as_const(names)) {
            {
                QSqlDatabase db = QSqlDatabase::database(strName, false);
                db.close();
            }
            QSqlDatabase::removeDatabase(strName);
        }
    }
};

QThreadStorage<ThreadConnections *> &threadConnections()
{
    static QThreadStorage<ThreadConnections *> storage;
    return storage;
}

bool applyPragmas(QSqlDatabase &db)
{
    QSqlQuery query(db);
    return query.exec(QStringLiteral("PRAGMA journal_mode=WAL")) && query.next() &&
           query.value(0).toString().compare(QLatin1String("wal"), Qt::CaseInsensitive) == 0;
}

} // namespace

CDatabase::CDatabase(const QString &strDbName, const QString &strCommonDbName)
    : m_strDbName(strDbName), m_strCommonDbName(strCommonDbName),
      m_strDbPath(QFileInfo(strDbName).absoluteFilePath()),
      m_strCommonDbPath(QFileInfo(strCommonDbName).absoluteFilePath()),
      m_pOwnerThread(QThread::currentThread()), m_iInstance(g_iNextInstance.fetch_add(1))
{
    if (!openConnection(m_strDbName, true)) {
        m_trace.traceError(QStringLiteral("open database failed!"));
        return;
    }
    m_trace.trace(QStringLiteral("open database success!"));
    m_bOpen = true;
    for (const CSchema::Table &table : CSchema::mainTables()) {
        if (!exec(CSchema::createStatement(table)))
            m_bOpen = false;
    }

    if (!openConnection(m_strCommonDbName, false)) {
        m_trace.traceError(QStringLiteral("open database2 failed!"));
        return;
    }
    m_trace.trace(QStringLiteral("open database2 success!"));
    QSqlQuery query(QSqlDatabase::database(m_strCommonDbName, false));
    m_bCommonOpen = query.exec(CSchema::createStatement(CSchema::pinyinTable()));
    if (!m_bCommonOpen)
        m_trace.traceError(query.lastError().text());
}

CDatabase::~CDatabase()
{
    // The named connections belong to the constructing thread; from any other thread they
    // cannot be closed safely and are left to the end of the process.
    if (QThread::currentThread() != m_pOwnerThread) {
        m_trace.traceError(QStringLiteral("CDatabase released outside its thread"));
        return;
    }
    {
        QSqlDatabase db = QSqlDatabase::database(m_strDbName, false);
        if (db.isOpen()) {
            db.close();
            m_trace.trace(QStringLiteral("close database success!"));
        }
        QSqlDatabase common = QSqlDatabase::database(m_strCommonDbName, false);
        if (common.isOpen()) {
            common.close();
            m_trace.trace(QStringLiteral("close database2 success!"));
        }
    }
    QSqlDatabase::removeDatabase(m_strDbName);
    QSqlDatabase::removeDatabase(m_strCommonDbName);
}

bool CDatabase::openConnection(const QString &strName, bool bMain)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), strName);
    db.setDatabaseName(strName);
    db.setConnectOptions(kConnectOptions);
    if (!db.open()) {
        m_trace.traceError(db.lastError().text());
        return false;
    }
    // The main file is written by workers while the GUI thread reads; the common file is
    // only read, so it keeps the default journal.
    if (bMain && !applyPragmas(db))
        m_trace.traceError(QStringLiteral("WAL journal not available"));
    return true;
}

void CDatabase::setLoginPhone(const QString &strPhone)
{
    QMutexLocker locker(&m_phoneMutex);
    m_strLoginPhone = strPhone;
}

QString CDatabase::loginPhone() const
{
    QMutexLocker locker(&m_phoneMutex);
    return m_strLoginPhone;
}

QSqlDatabase CDatabase::connection(const QString &strName) const
{
    const bool bMain = strName == m_strDbName;
    if (!(bMain ? m_bOpen : (strName == m_strCommonDbName && m_bCommonOpen)))
        return QSqlDatabase();
    if (QThread::currentThread() == m_pOwnerThread)
        return QSqlDatabase::database(strName, false);

    const QString strThreadName = QStringLiteral("%1@%2/%3")
                                      .arg(strName)
                                      .arg(m_iInstance)
                                      .arg(quintptr(QThread::currentThreadId()), 0, 16);
    ThreadConnections *pConnections = threadConnections().localData();
    if (!pConnections) {
        pConnections = new ThreadConnections;
        threadConnections().setLocalData(pConnections);
    }
    if (pConnections->names.contains(strThreadName))
        return QSqlDatabase::database(strThreadName, false);

    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), strThreadName);
    pConnections->names.append(strThreadName);
    db.setDatabaseName(bMain ? m_strDbPath : m_strCommonDbPath);
    db.setConnectOptions(kConnectOptions);
    if (!db.open())
        m_trace.traceError(db.lastError().text());
    return db;
}

QSqlQuery CDatabase::run(const QString &strSql, const QVariantList &values,
                         const QString &strConnection) const
{
    QSqlDatabase db = connection(strConnection);
    QSqlQuery query(db);
    if (!db.isOpen())
        return query;
    if (!query.prepare(strSql)) {
        m_trace.traceError(query.lastError().text());
        return query;
    }
    for (const QVariant &value : values)
        query.addBindValue(value);
    if (!query.exec())
        m_trace.traceError(query.lastError().text());
    return query;
}

bool CDatabase::exec(const QString &strSql, const QVariantList &values) const
{
    return run(strSql, values, m_strDbName).isActive();
}

QVariant CDatabase::value(const QString &strSql, const QVariantList &values) const
{
    QSqlQuery query = run(strSql, values, m_strDbName);
    if (query.isActive() && query.next())
        return query.value(0);
    return QVariant();
}

void CDatabase::beginTransaction(const QString &strConnectionName)
{
    storeMutex().lock();
    QSqlDatabase db = connection(strConnectionName);
    if (!db.isOpen())
        return;
    // IMMEDIATE takes the write lock now, so a batch never fails half-way on a lock upgrade.
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("BEGIN IMMEDIATE")))
        m_trace.traceError(query.lastError().text());
}

void CDatabase::commitTransaction(const QString &strConnectionName)
{
    QSqlDatabase db = connection(strConnectionName);
    if (db.isOpen()) {
        QSqlQuery query(db);
        if (!query.exec(QStringLiteral("COMMIT"))) {
            m_trace.traceError(query.lastError().text());
            query.exec(QStringLiteral("ROLLBACK"));
        }
    }
    storeMutex().unlock();
}

void CDatabase::loadPinyin()
{
    QHash<char16_t, QString> map;
    QSqlQuery query = run(QStringLiteral("Select * from Pinyin"), {}, m_strCommonDbName);
    while (query.isActive() && query.next()) {
        const QString strHanzi = query.value(1).toString();
        // The sort key looks names up one code unit at a time; a longer key never matches.
        if (strHanzi.size() == 1)
            map.insert(strHanzi.at(0).unicode(), query.value(2).toString());
    }
    setPinyinMap(std::move(map));
    m_trace.traceNumber(QStringLiteral("g_mapPinyin count"), pinyinMapSize());
}

// ---- Contact and NetContact ----------------------------------------------------------------

namespace {

// Card columns in card-field order, as they appear in Contact and CircleMember.
const char *const kCardColumns[14] = {"Name",     "Sex", "Post",  "Company", "Address",
                                      "Phone",    "Tel", "Email", "Notes",   "Profession",
                                      "Homepage", "Fax", "Age",   "Nickname"};

QString cardOfRecord(const QSqlRecord &record)
{
    QStringList fields;
    for (const char *column : kCardColumns)
        fields << record.value(QLatin1String(column)).toString();
    return fields.join(QLatin1Char(':'));
}

// A text that names a number (a Zpid, a row id or a circle id): the statements compare it
// as an integer, and text that is not a number matches nothing.
QVariant numberOf(const QString &strNumber)
{
    bool bOk = false;
    const qlonglong iValue = strNumber.trimmed().toLongLong(&bOk);
    return bOk ? QVariant(iValue) : QVariant(QString());
}

// Escapes the LIKE wildcards so that a phone suffix is matched literally.
QString likeSuffix(const QString &strText)
{
    QString strEscaped = strText;
    strEscaped.replace(QLatin1Char('\\'), QLatin1String("\\\\"))
        .replace(QLatin1Char('%'), QLatin1String("\\%"))
        .replace(QLatin1Char('_'), QLatin1String("\\_"));
    return QLatin1Char('%') + strEscaped;
}

ContactModel *contactOfRecord(const QSqlRecord &r, const QString &strZpid,
                              const QString &strLocation)
{
    auto text = [&r](const char *column) { return r.value(QLatin1String(column)).toString(); };
    return new ContactModel(text("Id"), strZpid, text("Name"), text("Sex"), text("Post"),
                            text("Company"), text("Address"), text("Phone"), text("Tel"),
                            text("Email"), text("Notes"), text("Profession"), text("Homepage"),
                            text("Fax"), text("Age"), text("Nickname"), strLocation,
                            r.value(QStringLiteral("Type")).toInt(), false);
}

} // namespace

QString CDatabase::cardField(const QString &strCard, int iIndex)
{
    const QStringList fields = strCard.split(QLatin1Char(':'));
    return (iIndex >= 0 && iIndex < fields.size()) ? fields.at(iIndex) : QString();
}

void CDatabase::clearContact()
{
    exec(QStringLiteral("Delete from Contact"));
}

void CDatabase::addContact(const QString &strName, const QString &strPhone,
                           const QString &strPinyin)
{
    exec(QStringLiteral("Insert into Contact(Name,Phone,Pinyin,Type)Values(?,?,?,3)"),
         {strName, strPhone, strPinyin});
}

void CDatabase::setContactZpid(const QString &strZpid, const QString &strPhone)
{
    exec(QStringLiteral("Update Contact Set Zpid = ?,Type = 2 where Phone = ?"),
         {numberOf(strZpid), strPhone});
}

void CDatabase::replaceContact(quint32 iZpid, const QString &strName, const QString &strSex,
                               const QString &strPost, const QString &strCompany,
                               const QString &strAddress, const QString &strPhone,
                               const QString &strTel, const QString &strEmail,
                               const QString &strNotes, const QString &strProfession,
                               const QString &strHomepage, const QString &strFax,
                               const QString &strAge, const QString &strNickname,
                               const QString &strPinyin, int iType)
{
    exec(QStringLiteral("Replace into Contact(Zpid,Name,Sex,Post,Company,Address,Phone,Tel,Email,"
                        "Notes,Profession,Homepage,Fax,Age,Nickname,Pinyin,Type)"
                        "Values(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)"),
         {qlonglong(iZpid), strName, strSex, strPost, strCompany, strAddress, strPhone, strTel,
          strEmail, strNotes, strProfession, strHomepage, strFax, strAge, strNickname, strPinyin,
          iType});
}

void CDatabase::saveCard(quint32 iZpid, const QString &strCard, int iType)
{
    QStringList f;
    for (int i = 0; i < 14; ++i)
        f << cardField(strCard, i);
    replaceContact(iZpid, f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7], f[8], f[9], f[10], f[11],
                   f[12], f[13], toPinyin(f[0]), iType);
}

QList<QObject *> CDatabase::getSearchContact()
{
    QList<QObject *> list;
    QSqlQuery query =
        run(QStringLiteral("Select * from Contact Where Type != 4 Order by Pinyin ASC"), {},
            m_strDbName);
    while (query.isActive() && query.next()) {
        const QSqlRecord r = query.record();
        list.append(new SearchContactModel(
            r.value(QStringLiteral("Id")).toString(), r.value(QStringLiteral("Zpid")).toString(),
            r.value(QStringLiteral("Name")).toString(), r.value(QStringLiteral("Phone")).toString(),
            r.value(QStringLiteral("Type")).toInt()));
    }
    return list;
}

QList<QObject *> CDatabase::getContact(int iKind, const QString &strCircleId,
                                       const QStringList &excludedZpids)
{
    QString strSql;
    switch (iKind) {
    case 0:
    case 4:
        strSql = QStringLiteral(
            "Select * from Contact where Type == 0 or Type == 2 or Type == 3 Order by Pinyin ASC");
        break;
    case 1:
    case 5:
        strSql = QStringLiteral(
            "Select * from Contact where Type == 2 or Type == 3 Order by Pinyin ASC");
        break;
    case 2:
    case 3:
        strSql = QStringLiteral("Select * from Contact where Type == 2 Order by Pinyin ASC");
        break;
    default:
        return {};
    }

    QList<QObject *> list;
    QSqlQuery query = run(strSql, {}, m_strDbName);
    int iOwnCards = 0;
    while (query.isActive() && query.next()) {
        const QSqlRecord r = query.record();
        const QString strZpid = r.value(QStringLiteral("Zpid")).toString();
        const int iType = r.value(QStringLiteral("Type")).toInt();
        if (iKind == 1 &&
            hasCircleMember(strCircleId, strZpid, r.value(QStringLiteral("Phone")).toString()))
            continue;
        if (iKind == 3 && excludedZpids.contains(strZpid))
            continue;
        if (iKind == 4 && iType == 0)
            continue;
        ContactModel *pContact = contactOfRecord(r, strZpid, QString());
        // The user's own card heads the full list; several own cards keep their key order.
        if (iKind == 0 && iType == 0)
            list.insert(iOwnCards++, pContact);
        else
            list.append(pContact);
    }
    return list;
}

QString CDatabase::getContactCard(const QString &strKey, int iKind)
{
    QString strSql;
    QVariant key;
    if (strKey.size() <= 6) {
        strSql = QStringLiteral("Select * from Contact where Id = ? and Type != 4");
        key = numberOf(strKey);
    } else if (strKey.size() <= 10) {
        strSql = QStringLiteral("Select * from Contact where Zpid = ? and Type != 4");
        key = numberOf(strKey);
    } else {
        strSql = QStringLiteral("Select * from Contact where Phone = ? and Type != 4");
        key = strKey;
    }
    QSqlQuery query = run(strSql, {key}, m_strDbName);
    if (!query.isActive() || !query.next())
        return QString();
    const QSqlRecord r = query.record();
    if (iKind == 0)
        return cardOfRecord(r);
    return QStringList{r.value(QStringLiteral("Name")).toString(),
                       r.value(QStringLiteral("Sex")).toString(),
                       r.value(QStringLiteral("Address")).toString(),
                       r.value(QStringLiteral("Company")).toString()}
        .join(QLatin1Char(':'));
}

QString CDatabase::getContactNameByZpid(quint32 iZpid)
{
    return value(QStringLiteral("Select Name from Contact where Zpid = ?"), {qlonglong(iZpid)})
        .toString();
}

QString CDatabase::getContactPhoneByZpid(quint32 iZpid)
{
    return value(QStringLiteral("Select Phone from Contact where Zpid = ?"), {qlonglong(iZpid)})
        .toString();
}

QString CDatabase::getContactNameByPhone(const QString &strPhone)
{
    // An empty suffix would match every number and name an arbitrary contact.
    if (strPhone.isEmpty())
        return QString();
    return value(QStringLiteral("Select Name from Contact where Phone like ? escape '\\'"),
                 {likeSuffix(strPhone)})
        .toString();
}

QString CDatabase::getContactZpidByPhone(const QString &strPhone)
{
    if (strPhone.isEmpty())
        return QString();
    return value(QStringLiteral("Select Zpid from Contact where Phone like ? escape '\\'"),
                 {likeSuffix(strPhone)})
        .toString();
}

void CDatabase::clearNetContact()
{
    exec(QStringLiteral("Delete from NetContact"));
}

void CDatabase::addNetContact(const QString &strName, const QString &strPhone,
                              const QString &strGroup, const QString &strPinyin)
{
    exec(QStringLiteral("Insert into NetContact(Name,Phone,ContactGroup,Pinyin)Values(?,?,?,?)"),
         {strName, strPhone, strGroup, strPinyin});
}

QList<QObject *> CDatabase::getNetContact(bool bDisplay)
{
    QList<QObject *> list;
    QSqlQuery query =
        run(QStringLiteral("Select * from NetContact Order by Pinyin ASC"), {}, m_strDbName);
    while (query.isActive() && query.next()) {
        const QSqlRecord r = query.record();
        QString strPhone = r.value(QStringLiteral("Phone")).toString();
        if (bDisplay)
            strPhone.replace(QLatin1String("^#"), QLatin1String(" "));
        list.append(new NetContactModel(r.value(QStringLiteral("Id")).toString(),
                                        r.value(QStringLiteral("Name")).toString(), strPhone,
                                        r.value(QStringLiteral("ContactGroup")).toString()));
    }
    return list;
}

QString CDatabase::getNetContactPhone(const QString &strId)
{
    return value(QStringLiteral("Select Phone from NetContact where Id = ?"), {numberOf(strId)})
        .toString();
}

// ---- MsgRecord ---------------------------------------------------------------------------------

namespace {

QString nowText()
{
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
}

bool isPersonType(int iType)
{
    return iType >= 0 && iType <= 2;
}

} // namespace

int CDatabase::zpidType(const QString &strZpid) const
{
    if (strZpid.isEmpty() || strZpid == QLatin1String("0"))
        return 3;
    if (strZpid == QString::number(loginZpid()))
        return 0;
    if (strZpid == QLatin1String("800"))
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

void CDatabase::addMsgRecord(quint32 iLoginZpid, quint32 iCircleId, const QString &strCircleName,
                             quint32 iZpid, const QString &strName, const QString &strPhone,
                             bool bRead, bool bSend, const QString &strCaption,
                             const QString &strContent, int iMsgId, int iMsgState, int iType,
                             int iSubType, const QString &strTime)
{
    QString strStamp = strTime;
    if (strStamp.isEmpty()) {
        strStamp = nowText();
    } else {
        // A message that brings its own time may be delivered again (offline pick-up).
        QSqlQuery query =
            run(QStringLiteral("Select * from MsgRecord Where Send = ? and MsgId = ?"),
                {int(bSend), iMsgId}, m_strDbName);
        if (!query.isActive() || query.next())
            return;
    }
    exec(QStringLiteral(
             "Insert into MsgRecord(LoginZpid,CircleId,CircleName,Zpid,Name,Phone,Read,Send,"
             "Caption,Content,Time,MsgId,MsgState,Type,SubType)"
             "Values(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)"),
         {qlonglong(iLoginZpid), qlonglong(iCircleId), strCircleName, qlonglong(iZpid), strName,
          strPhone, int(bRead), int(bSend), strCaption, strContent, strStamp, iMsgId, iMsgState,
          iType, iSubType});
}

QList<QObject *> CDatabase::getMsgRecord()
{
    QList<QObject *> list;
    // Rows stored within the same second keep their insertion order through the row id.
    QSqlQuery query = run(
        QStringLiteral("Select * from MsgRecord Where LoginZpid = ? Order by Time DESC, Id DESC"),
        {qlonglong(loginZpid())}, m_strDbName);
    QSet<QString> seenPersons;
    QSet<QString> seenCircles;
    bool bCardRequestSeen = false;
    bool bCircleRequestSeen = false;
    while (query.isActive() && query.next()) {
        const QSqlRecord r = query.record();
        auto text = [&r](const char *column) { return r.value(QLatin1String(column)).toString(); };
        const int iType = r.value(QStringLiteral("Type")).toInt();
        const int iSubType = r.value(QStringLiteral("SubType")).toInt();
        const bool bSend = r.value(QStringLiteral("Send")).toInt() != 0;
        const QString strTime = displayTime(text("Time"), 0);

        if (isPersonType(iType)) {
            const QString strZpid = text("Zpid");
            if (seenPersons.contains(strZpid))
                continue;
            seenPersons.insert(strZpid);
            QString strMsg;
            switch (iSubType) {
            case 0:
                strMsg = text("Content");
                break;
            case 1:
                strMsg = text("Caption");
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
            list.append(new MsgRecordModel(strZpid, text("Name"), text("Phone"), strMsg, strTime,
                                           getUnReadMsgRecord(iType, strZpid), iType, iSubType));
        } else if (iType == 5) {
            if (bSend || bCardRequestSeen)
                continue;
            const QString strMsg = iSubType == 3 ? text("Caption") : text("Name") + text("Caption");
            list.append(new MsgRecordModel(text("Zpid"), tr("名片请求消息"), text("Phone"), strMsg,
                                           strTime, getUnReadMsgRecord(5, QString()), iType,
                                           iSubType));
            bCardRequestSeen = true;
        } else if (iType == 6) {
            if (bSend || bCircleRequestSeen)
                continue;
            list.append(new MsgRecordModel(text("CircleId"), tr("圈子请求消息"), text("Phone"),
                                           text("Caption"), strTime,
                                           getUnReadMsgRecord(6, QString()), iType, iSubType));
            bCircleRequestSeen = true;
        } else if (iType == 7) {
            const QString strCircleId = text("CircleId");
            if (seenCircles.contains(strCircleId))
                continue;
            seenCircles.insert(strCircleId);
            list.append(new MsgRecordModel(strCircleId, text("CircleName"), text("Phone"),
                                           text("Content"), strTime,
                                           getUnReadMsgRecord(7, strCircleId), iType, iSubType));
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
    QSqlQuery query =
        run(QStringLiteral("Select * from MsgRecord Where LoginZpid = ? and Type = ?") + strWhere +
                QStringLiteral(" Order by Time, Id"),
            values, m_strDbName);

    QList<QObject *> list;
    QString strLastSeparator;
    while (query.isActive() && query.next()) {
        const QSqlRecord r = query.record();
        auto text = [&r](const char *column) { return r.value(QLatin1String(column)).toString(); };
        auto number = [&r](const char *column) { return r.value(QLatin1String(column)).toInt(); };
        const QString strTime = displayTime(text("Time"), 1);
        const int iElementType = iType == 7 ? zpidType(text("Zpid")) : iType;
        auto make = [&](bool bSeparator) {
            return new MessageModel(text("Id"), text("CircleId"), text("CircleName"), text("Zpid"),
                                    text("Name"), text("Phone"), number("Read") != 0,
                                    number("Send") != 0, text("Caption"), text("Content"), strTime,
                                    number("MsgId"), number("MsgState"), iElementType,
                                    number("SubType"), bSeparator);
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

QString CDatabase::getSentContent(int iMsgId)
{
    return value(QStringLiteral("Select Content from MsgRecord where MsgId = ? and Send = 1"),
                 {iMsgId})
        .toString();
}

int CDatabase::getMaxMsgId()
{
    return value(QStringLiteral("Select max(MsgId) from MsgRecord")).toInt();
}

// ---- CallRecord --------------------------------------------------------------------------------

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
    QVariantList values{qlonglong(loginZpid())};
    QString strSql = QStringLiteral("Select * from CallRecord Where LoginZpid = ?");
    if (!strKey.isEmpty()) {
        strSql += QStringLiteral(" and Zpid = ?");
        values << numberOf(strKey);
    }
    QSqlQuery query =
        run(strSql + QStringLiteral(" Order by Time DESC, Id DESC"), values, m_strDbName);

    QList<QObject *> list;
    QSet<QString> seen;
    while (query.isActive() && query.next()) {
        const QSqlRecord r = query.record();
        auto text = [&r](const char *column) { return r.value(QLatin1String(column)).toString(); };
        const QString strZpid = text("Zpid");
        if (strKey.isEmpty()) {
            if (seen.contains(strZpid))
                continue;
            seen.insert(strZpid);
        }
        list.append(new CallRecordModel(text("Id"), strZpid, text("Name"), text("Phone"),
                                        displayTime(text("Time"), strKey.isEmpty() ? 0 : 2),
                                        r.value(QStringLiteral("callTime")).toInt(),
                                        getUnReadCallRecord(strZpid),
                                        r.value(QStringLiteral("Type")).toInt()));
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

// ---- Circle and CircleMember -------------------------------------------------------------------

void CDatabase::addCircle(quint32 iCircleId, const QString &strCircleName, quint32 iCreateZpid,
                          double dCreateTime, int iType, int iProperty, const QString &strProfile,
                          int iUserType, int iUserCount, int iVersion)
{
    exec(QStringLiteral(
             "INSERT INTO Circle(LoginZpid, CircleId, CircleName, CreateZpid, CreateTime, Type, "
             "Property, Profile, UserType, UserCount, Version)VALUES(?,?,?,?,?,?,?,?,?,?,?)"),
         {qlonglong(loginZpid()), qlonglong(iCircleId), strCircleName, qlonglong(iCreateZpid),
          QString::number(dCreateTime, 'f', 6).toDouble(), iType, iProperty, strProfile, iUserType,
          iUserCount, iVersion});
}

void CDatabase::setCircleFlag(bool bFlag, quint32 iCircleId)
{
    if (iCircleId == 0)
        exec(QStringLiteral("Update Circle set Flag = 0 where LoginZpid = ?"),
             {qlonglong(loginZpid())});
    else
        exec(QStringLiteral("Update Circle set Flag = ? where LoginZpid = ? and CircleId = ?"),
             {int(bFlag), qlonglong(loginZpid()), qlonglong(iCircleId)});
}

void CDatabase::removeCircle(quint32 iCircleId)
{
    const qlonglong iLogin = loginZpid();
    if (iCircleId != 0) {
        exec(QStringLiteral("Delete from Circle where LoginZpid = ? and CircleId = ?"),
             {iLogin, qlonglong(iCircleId)});
        clearCircleMember(iCircleId);
        return;
    }
    QList<quint32> stale;
    QSqlQuery query =
        run(QStringLiteral("Select CircleId from Circle where LoginZpid = ? and Flag = 0"),
            {iLogin}, m_strDbName);
    while (query.isActive() && query.next())
        stale.append(quint32(query.value(0).toLongLong()));
    query.finish();
    for (quint32 iStale : std::as_const(stale)) {
        // A stored circle id of 0 would otherwise recurse into this branch for ever.
        if (iStale == 0) {
            exec(QStringLiteral("Delete from Circle where LoginZpid = ? and CircleId = 0"),
                 {iLogin});
            continue;
        }
        removeCircle(iStale);
        delMsgRecord(7, QString::number(iStale));
    }
}

void CDatabase::setCircleCreater(quint32 iCircleId, const QString &strCreater)
{
    exec(QStringLiteral("Update Circle set Creater = ? where LoginZpid = ? and CircleId = ?"),
         {strCreater, qlonglong(loginZpid()), qlonglong(iCircleId)});
}

void CDatabase::clearCircleMember(quint32 iCircleId)
{
    exec(QStringLiteral("Delete from CircleMember where LoginZpid = ? and CircleId = ?"),
         {qlonglong(loginZpid()), qlonglong(iCircleId)});
}

void CDatabase::addCircleMember(quint32 iCircleId, quint32 iZpid, const QString &strName,
                                const QString &strSex, const QString &strPost,
                                const QString &strCompany, const QString &strAddress,
                                const QString &strPhone, const QString &strTel,
                                const QString &strEmail, const QString &strNotes,
                                const QString &strProfession, const QString &strHomepage,
                                const QString &strFax, const QString &strAge,
                                const QString &strNickname, const QString &strPinyin, int iType)
{
    exec(QStringLiteral(
             "Insert into CircleMember(LoginZpid,CircleId,Zpid,Name,Sex,Post,Company,Address,Phone,"
             "Tel,Email,Notes,Profession,Homepage,Fax,Age,Nickname,Pinyin,Type)"
             "Values(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)"),
         {qlonglong(loginZpid()), qlonglong(iCircleId), qlonglong(iZpid), strName, strSex, strPost,
          strCompany, strAddress, strPhone, strTel, strEmail, strNotes, strProfession, strHomepage,
          strFax, strAge, strNickname, strPinyin, iType});
}

void CDatabase::saveCircleMemberCard(quint32 iCircleId, quint32 iZpid, const QString &strCard,
                                     int iRole)
{
    QStringList f;
    for (int i = 0; i < 14; ++i)
        f << cardField(strCard, i);
    addCircleMember(iCircleId, iZpid, f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7], f[8], f[9],
                    f[10], f[11], f[12], f[13], toPinyin(f[0]), iRole);
}

QList<QObject *> CDatabase::getCircle()
{
    QList<QObject *> list;
    QSqlQuery query = run(QStringLiteral("Select * from Circle where LoginZpid = ? Order by Id"),
                          {qlonglong(loginZpid())}, m_strDbName);
    while (query.isActive() && query.next()) {
        const QSqlRecord r = query.record();
        auto text = [&r](const char *column) { return r.value(QLatin1String(column)).toString(); };
        auto number = [&r](const char *column) { return r.value(QLatin1String(column)).toInt(); };
        list.append(new CircleModel(text("CircleId"), text("CircleName"), number("Type"),
                                    number("UserType"), number("UserCount"), text("Profile"),
                                    text("CreateZpid"), text("Creater")));
    }
    return list;
}

QList<QObject *> CDatabase::getCircleMember(quint32 iCircleId)
{
    QList<QObject *> list;
    QSqlQuery query =
        run(QStringLiteral("Select * from CircleMember Where LoginZpid = ? and CircleId = ? "
                           "Order by Pinyin ASC"),
            {qlonglong(loginZpid()), qlonglong(iCircleId)}, m_strDbName);
    while (query.isActive() && query.next()) {
        const QSqlRecord r = query.record();
        QString strZpid = r.value(QStringLiteral("Zpid")).toString();
        if (r.value(QStringLiteral("Zpid")).toLongLong() == 0)
            strZpid.clear();
        ContactModel *pMember =
            contactOfRecord(r, strZpid, r.value(QStringLiteral("Location")).toString());
        if (pMember->iType() == 1)
            list.prepend(pMember);
        else
            list.append(pMember);
    }
    return list;
}

bool CDatabase::hasCircleMember(const QString &strCircleId, const QString &strZpid,
                                const QString &strPhone)
{
    QSqlQuery query = run(
        QStringLiteral("Select * from CircleMember where LoginZpid = ? and CircleId = ? "
                       "and Zpid = ? and Phone = ?"),
        {qlonglong(loginZpid()), numberOf(strCircleId), numberOf(strZpid), strPhone}, m_strDbName);
    return query.isActive() && query.next();
}

int CDatabase::getCircleMemberCount(quint32 iCircleId)
{
    return value(QStringLiteral(
                     "Select count(*) from CircleMember Where LoginZpid = ? and CircleId = ?"),
                 {qlonglong(loginZpid()), qlonglong(iCircleId)})
        .toInt();
}

quint32 CDatabase::getCircleMemberZpid(const QString &strId)
{
    return quint32(
        value(QStringLiteral("Select Zpid from CircleMember Where LoginZpid = ? and Id = ?"),
              {qlonglong(loginZpid()), numberOf(strId)})
            .toLongLong());
}

QString CDatabase::getCircleMemberName(const QString &strKey, const QString &strCircleId)
{
    if (strKey.size() <= 6)
        return value(QStringLiteral("Select Name from CircleMember Where LoginZpid = ? and Id = ?"),
                     {qlonglong(loginZpid()), numberOf(strKey)})
            .toString();
    if (strKey.size() == 7)
        return value(QStringLiteral("Select Name from CircleMember Where LoginZpid = ? and Zpid = "
                                    "? and CircleId = ?"),
                     {qlonglong(loginZpid()), numberOf(strKey), numberOf(strCircleId)})
            .toString();
    return QString();
}

QString CDatabase::getCircleMemberPhone(const QString &strKey, const QString &strCircleId)
{
    if (strKey.size() <= 6)
        return value(
                   QStringLiteral("Select Phone from CircleMember Where LoginZpid = ? and Id = ?"),
                   {qlonglong(loginZpid()), numberOf(strKey)})
            .toString();
    if (strKey.size() == 7)
        return value(QStringLiteral("Select Phone from CircleMember Where LoginZpid = ? and Zpid = "
                                    "? and CircleId = ?"),
                     {qlonglong(loginZpid()), numberOf(strKey), numberOf(strCircleId)})
            .toString();
    return QString();
}

QString CDatabase::getCircleMemberCard(const QString &strKey, const QString &strCircleId)
{
    QSqlQuery query;
    if (strKey.size() <= 6)
        query = run(QStringLiteral("Select * from CircleMember Where LoginZpid = ? and Id = ?"),
                    {qlonglong(loginZpid()), numberOf(strKey)}, m_strDbName);
    else if (strKey.size() == 7)
        query =
            run(QStringLiteral(
                    "Select * from CircleMember Where LoginZpid = ? and Zpid = ? and CircleId = ?"),
                {qlonglong(loginZpid()), numberOf(strKey), numberOf(strCircleId)}, m_strDbName);
    else
        query = run(
            QStringLiteral(
                "Select * from CircleMember Where LoginZpid = ? and Phone = ? and CircleId = ?"),
            {qlonglong(loginZpid()), strKey, numberOf(strCircleId)}, m_strDbName);
    if (!query.isActive() || !query.next())
        return QString();
    return cardOfRecord(query.record());
}

QString CDatabase::getCircleName(quint32 iCircleId)
{
    return value(
               QStringLiteral("Select CircleName from Circle where LoginZpid = ? and CircleId = ?"),
               {qlonglong(loginZpid()), qlonglong(iCircleId)})
        .toString();
}

QString CDatabase::getCircleCreateZpid(quint32 iCircleId)
{
    return value(
               QStringLiteral("Select CreateZpid from Circle where LoginZpid = ? and CircleId = ?"),
               {qlonglong(loginZpid()), qlonglong(iCircleId)})
        .toString();
}

QString CDatabase::getCircleProfile(quint32 iCircleId)
{
    return value(QStringLiteral("Select Profile from Circle where LoginZpid = ? and CircleId = ?"),
                 {qlonglong(loginZpid()), qlonglong(iCircleId)})
        .toString();
}

int CDatabase::getCircleType(quint32 iCircleId)
{
    return value(QStringLiteral("Select Type from Circle where LoginZpid = ? and CircleId = ?"),
                 {qlonglong(loginZpid()), qlonglong(iCircleId)})
        .toInt();
}

int CDatabase::getCircleVersion(quint32 iCircleId)
{
    return value(QStringLiteral("Select Version from Circle where LoginZpid = ? and CircleId = ?"),
                 {qlonglong(loginZpid()), qlonglong(iCircleId)})
        .toInt();
}

int CDatabase::getCircleUserType(const QString &strCircleId, const QString &strZpid)
{
    const QVariant userType = value(
        QStringLiteral(
            "Select UserType from Circle where LoginZpid = ? and CircleId = ? and CreateZpid = ?"),
        {qlonglong(loginZpid()), numberOf(strCircleId), numberOf(strZpid)});
    return userType.isValid() ? userType.toInt() : 3;
}

// ---- Dept and Emp ------------------------------------------------------------------------------

namespace {

// Ex is a number kept as text; ordering it as text would put "10" before "9".
const QString kExOrder = QStringLiteral(" Order by CAST(Ex AS REAL), Ex, Id");

} // namespace

void CDatabase::clearDept()
{
    exec(QStringLiteral("Delete from Dept"));
}

void CDatabase::clearEmp()
{
    exec(QStringLiteral("Delete from Emp"));
}

void CDatabase::addDept(const QString &strName, const QString &strParentNo,
                        const QString &strDeptNo, int iOrgId, const QString &strEx)
{
    exec(QStringLiteral(
             "Insert into Dept(LoginZpid,Name,ParentNo,DeptNo,OrgId,Ex)Values(?,?,?,?,?,?)"),
         {qlonglong(loginZpid()), strName, strParentNo, strDeptNo, iOrgId, strEx});
}

void CDatabase::addEmp(quint32 iZpid, const QString &strName, const QString &strPhone,
                       const QString &strTel, const QString &strPost, int iUserType,
                       const QString &strUserId, const QString &strDeptNo, int iOrgId,
                       const QString &strEx)
{
    exec(QStringLiteral(
             "Insert into Emp(LoginZpid,Zpid,Name,Phone,Tel,Post,UserType,UserId,DeptNo,OrgId,Ex)"
             "Values(?,?,?,?,?,?,?,?,?,?,?)"),
         {qlonglong(loginZpid()), qlonglong(iZpid), strName, strPhone, strTel, strPost, iUserType,
          strUserId, strDeptNo, iOrgId, strEx});
}

QList<QObject *> CDatabase::getDept()
{
    QList<QObject *> list;
    QSqlQuery query = run(QStringLiteral("Select * from Dept") + kExOrder, {}, m_strDbName);
    while (query.isActive() && query.next()) {
        const QSqlRecord r = query.record();
        const QString strDeptNo = r.value(QStringLiteral("DeptNo")).toString();
        list.append(new OrgInfoModel(
            strDeptNo, QString(), QString(), QString(), r.value(QStringLiteral("Name")).toString(),
            QString(), QString(), QString(), getEmpCount(strDeptNo), m_iOrgUserType.load(), false,
            r.value(QStringLiteral("Ex")).toString(), QString()));
    }
    return list;
}

QList<QObject *> CDatabase::getEmp(const QString &strDeptNo)
{
    QSqlQuery query = strDeptNo.isEmpty()
                          ? run(QStringLiteral("Select * from Emp Order by Id"), {}, m_strDbName)
                          : run(QStringLiteral("Select * from Emp where DeptNo = ?") + kExOrder,
                                {numberOf(strDeptNo)}, m_strDbName);
    QList<QObject *> list;
    while (query.isActive() && query.next()) {
        const QSqlRecord r = query.record();
        auto text = [&r](const char *column) { return r.value(QLatin1String(column)).toString(); };
        const QString strDept = text("DeptNo");
        list.append(new OrgInfoModel(text("UserId"), strDept, getDeptName(strDept), text("Zpid"),
                                     text("Name"), text("Phone"), text("Tel"), text("Post"), 0,
                                     m_iOrgUserType.load(), false, text("Ex"), getDeptEx(strDept)));
    }
    return list;
}

QString CDatabase::getDeptName(const QString &strDeptNo)
{
    return value(QStringLiteral("Select Name from Dept where DeptNo = ?"), {numberOf(strDeptNo)})
        .toString();
}

QString CDatabase::getDeptEx(const QString &strDeptNo)
{
    return value(QStringLiteral("Select Ex from Dept where DeptNo = ?"), {numberOf(strDeptNo)})
        .toString();
}

int CDatabase::getEmpCount(const QString &strDeptNo)
{
    return value(QStringLiteral("Select count(*) from Emp Where LoginZpid = ? and DeptNo = ?"),
                 {qlonglong(loginZpid()), numberOf(strDeptNo)})
        .toInt();
}

int CDatabase::getEmpUserType(const QString &strDeptNo, const QString &strUserId)
{
    return value(QStringLiteral(
                     "Select UserType from Emp Where LoginZpid = ? and DeptNo = ? and UserId = ?"),
                 {qlonglong(loginZpid()), numberOf(strDeptNo), numberOf(strUserId)})
        .toInt();
}

QStringList CDatabase::getEmpByPhone(const QString &strPhone)
{
    QSqlQuery query = run(QStringLiteral("Select * from Emp Where LoginZpid = ? and Phone = ?"),
                          {qlonglong(loginZpid()), strPhone}, m_strDbName);
    if (!query.isActive() || !query.next())
        return {};
    const QSqlRecord r = query.record();
    QStringList result;
    for (const char *column : {"Name", "Post", "DeptNo", "Ex", "Tel"})
        result << r.value(QLatin1String(column)).toString();
    return result;
}

QString CDatabase::getEmpCard(const QString &strUserId, const QString &strDeptNo)
{
    QSqlQuery query = run(QStringLiteral("Select * from Emp where UserId = ? and DeptNo = ?"),
                          {numberOf(strUserId), numberOf(strDeptNo)}, m_strDbName);
    if (!query.isActive() || !query.next())
        return QString();
    const QSqlRecord r = query.record();
    QStringList fields(14);
    fields[0] = r.value(QStringLiteral("Name")).toString();
    fields[2] = r.value(QStringLiteral("Post")).toString();
    fields[5] = r.value(QStringLiteral("Phone")).toString();
    fields[6] = r.value(QStringLiteral("Tel")).toString();
    return fields.join(QLatin1Char(':'));
}

// ---- Account and EnAccount ---------------------------------------------------------------------

void CDatabase::addAccount(const QString &strUserId, const QString &strPassword)
{
    QSqlQuery query =
        run(QStringLiteral("Select * from Account where UserId = ?"), {strUserId}, m_strDbName);
    if (!query.isActive())
        return;
    const bool bExists = query.next();
    query.finish();
    if (bExists)
        exec(QStringLiteral("Update Account set Password = ? where UserId = ?"),
             {strPassword, strUserId});
    else
        exec(QStringLiteral("Insert into Account(UserId,Password)Values(?,?)"),
             {strUserId, strPassword});
}

QStringList CDatabase::getAccount()
{
    QStringList ids;
    QSqlQuery query =
        run(QStringLiteral("Select UserId from Account Order by Id"), {}, m_strDbName);
    while (query.isActive() && query.next())
        ids << query.value(0).toString();
    return ids;
}

QString CDatabase::getPassword(const QString &strUserId)
{
    return value(QStringLiteral("Select Password from Account Where UserId = ?"), {strUserId})
        .toString();
}

void CDatabase::addEnAccount(const QString &strUserId, const QString &strPassword)
{
    const qlonglong iLogin = loginZpid();
    QSqlQuery query =
        run(QStringLiteral("Select * from EnAccount where LoginZpid = ? and UserId = ?"),
            {iLogin, strUserId}, m_strDbName);
    if (!query.isActive())
        return;
    const bool bExists = query.next();
    query.finish();
    if (bExists)
        exec(QStringLiteral("Update EnAccount set Password = ? where LoginZpid = ? and UserId = ?"),
             {strPassword, iLogin, strUserId});
    else
        exec(QStringLiteral("Insert into EnAccount(LoginZpid,UserId,Password)Values(?,?,?)"),
             {iLogin, strUserId, strPassword});
}

QString CDatabase::getEnPassword(const QString &strUserId)
{
    return value(
               QStringLiteral("Select Password from EnAccount Where LoginZpid = ? and UserId = ?"),
               {qlonglong(loginZpid()), strUserId})
        .toString();
}
