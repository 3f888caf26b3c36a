// CDatabase, Contact and NetContact: the personal and the cloud address book.
#include "cdatabase.h"

#include "cdatabase_p.h"
#include "contactmodel.h"
#include "netcontactmodel.h"
#include "pinyin.h"
#include "searchcontactmodel.h"

#include <QSet>

using namespace storedetail;

namespace {

const QString kSelectPerson = QStringLiteral("Select %1 from Contact").arg(kPersonColumns);

} // namespace

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

void CDatabase::setContactRegistered(quint32 iZpid, const QString &strPhone)
{
    exec(QStringLiteral("Update Contact Set Zpid = ?,Type = 2 where Phone = ? and Type in (2,3)"),
         {qlonglong(iZpid), strPhone});
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

void CDatabase::setExchangedCard(quint32 iZpid, const QString &strCard)
{
    constexpr int kFullCard = 14;
    if (iZpid == 0 || iZpid == loginZpid() || strCard.split(QLatin1Char(':')).size() < kFullCard)
        return;
    // Fields 1 to 4 and 6 to 13 of the full card; 0 (the name) and 5 (the number, which keys
    // the entry) are the book's.
    QVariantList values;
    for (int i : {1, 2, 3, 4, 6, 7, 8, 9, 10, 11, 12, 13})
        values << cardField(strCard, i);
    values << qlonglong(iZpid);
    exec(QStringLiteral("Update Contact Set Sex = ?,Post = ?,Company = ?,Address = ?,Tel = ?,"
                        "Email = ?,Notes = ?,Profession = ?,Homepage = ?,Fax = ?,Age = ?,"
                        "Nickname = ? Where Zpid = ? and Type = 2"),
         values);
}

void CDatabase::applyExchangedCards()
{
    // Completed exchanges are the card requests that hold the peer's card (sub-kind 3).
    QList<QPair<quint32, QString>> cards;
    {
        CStoreQuery query =
            run(QStringLiteral("Select Zpid, Content from MsgRecord Where LoginZpid = ? and "
                               "Type = 5 and SubType = 3 Order by Time, Id"),
                {qlonglong(loginZpid())});
        while (query.isActive() && query.next())
            cards.append({quint32(query.bigNumber(0)), query.text(1)});
    }
    // Oldest first, so the newest card of a peer is the one that stays.
    for (const QPair<quint32, QString> &card : cards)
        setExchangedCard(card.first, card.second);
}

QList<QObject *> CDatabase::getSearchContact()
{
    QList<QObject *> list;
    CStoreQuery query = run(QStringLiteral(
        "Select Id,Zpid,Name,Phone,Type from Contact Where Type != 4 Order by Pinyin ASC"));
    while (query.isActive() && query.next())
        list.append(new SearchContactModel(query.text(0), query.text(1), query.text(2),
                                           query.text(3), query.number(4)));
    return list;
}

QList<QObject *> CDatabase::getContact(int iKind, const QString &strCircleId,
                                       const QStringList &excludedZpids)
{
    QString strSql;
    QVariantList values;
    switch (iKind) {
    case 0:
    case 4:
        strSql = kSelectPerson +
                 QStringLiteral(" where Type == 0 or Type == 2 or Type == 3 Order by Pinyin ASC");
        break;
    case 1:
        // The circle's members (same Zpid and phone) are left out by the join; SQLite
        // indexes the members for it, so the list costs one pass over each table.
        strSql = kSelectPerson +
                 QStringLiteral(" Left Join (Select Zpid As MemberZpid, Phone As MemberPhone from "
                                "CircleMember where LoginZpid = ? and CircleId = ?) m On "
                                "m.MemberZpid = Contact.Zpid and m.MemberPhone = Contact.Phone "
                                "where (Type == 2 or Type == 3) and m.MemberPhone is null Order "
                                "by Pinyin ASC");
        values = {qlonglong(loginZpid()), numberOf(strCircleId)};
        break;
    case 5:
        strSql =
            kSelectPerson + QStringLiteral(" where Type == 2 or Type == 3 Order by Pinyin ASC");
        break;
    case 2:
    case 3:
        strSql = kSelectPerson + QStringLiteral(" where Type == 2 Order by Pinyin ASC");
        break;
    default:
        return {};
    }

    const QSet<QString> excluded(excludedZpids.cbegin(), excludedZpids.cend());
    QList<QObject *> list;
    CStoreQuery query = run(strSql, values);
    int iOwnCards = 0;
    while (query.isActive() && query.next()) {
        const QString strZpid = query.text(PZpid);
        const int iType = query.number(PType);
        if (iKind == 3 && excluded.contains(strZpid))
            continue;
        if (iKind == 4 && iType == 0)
            continue;
        ContactModel *pContact = contactOfRow(query, strZpid, QString());
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
    QString strWhere;
    QVariant key;
    if (strKey.size() <= 6) {
        strWhere = QStringLiteral(" where Id = ? and Type != 4");
        key = numberOf(strKey);
    } else if (strKey.size() <= 10) {
        // Entries not (yet) known as users hold Zpid 0, so only a real Zpid names a row.
        key = numberOf(strKey);
        if (key.toLongLong() <= 0)
            return QString();
        strWhere = QStringLiteral(" where Zpid = ? and Type != 4");
    } else {
        strWhere = QStringLiteral(" where Phone = ? and Type != 4");
        key = strKey;
    }
    CStoreQuery query = run(kSelectPerson + strWhere, {key});
    if (!query.isActive() || !query.next())
        return QString();
    if (iKind == 0)
        return cardOfRow(query);
    return QStringList{query.text(PName), query.text(PSex), query.text(PAddress),
                       query.text(PCompany)}
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
    return valueByPhoneSuffix(
        QStringLiteral("Select Name from Contact where Phone like ? escape '\\'"), strPhone);
}

QString CDatabase::getContactZpidByPhone(const QString &strPhone)
{
    return valueByPhoneSuffix(
        QStringLiteral("Select Zpid from Contact where Phone like ? escape '\\'"), strPhone);
}

QString CDatabase::valueByPhoneSuffix(const QString &strSql, const QString &strPhone) const
{
    // An empty suffix would match every number and name an arbitrary contact.
    if (strPhone.isEmpty())
        return QString();
    return value(strSql, {likeSuffix(strPhone)}).toString();
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
    CStoreQuery query = run(
        QStringLiteral("Select Id,Name,Phone,ContactGroup from NetContact Order by Pinyin ASC"));
    while (query.isActive() && query.next()) {
        QString strPhone = query.text(2);
        if (bDisplay)
            strPhone.replace(QLatin1String("^#"), QLatin1String(" "));
        list.append(new NetContactModel(query.text(0), query.text(1), strPhone, query.text(3)));
    }
    return list;
}

QString CDatabase::getNetContactPhone(const QString &strId)
{
    return value(QStringLiteral("Select Phone from NetContact where Id = ?"), {numberOf(strId)})
        .toString();
}
