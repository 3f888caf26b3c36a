// CDatabase, Circle and CircleMember: the circles of the account and their members.
#include "cdatabase.h"

#include "cdatabase_p.h"
#include "circlemodel.h"
#include "contactmodel.h"
#include "pinyin.h"

using namespace storedetail;

namespace {

const QString kSelectMember = QStringLiteral("Select %1 from CircleMember").arg(kPersonColumns);

} // namespace

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
    // Every circle the refresh left unmarked goes with its members and its messages. A
    // stored circle number 0 loses only its circle rows: 0 names no circle's members.
    const QString strStale = QStringLiteral(
        "CircleId in (Select CircleId from Circle where LoginZpid = ? and Flag = 0)");
    exec(QStringLiteral("Delete from CircleMember where LoginZpid = ? and CircleId != 0 and ") +
             strStale,
         {iLogin, iLogin});
    exec(QStringLiteral("Delete from MsgRecord where LoginZpid = ? and Type = 7 and CircleId != 0 "
                        "and ") +
             strStale,
         {iLogin, iLogin});
    exec(QStringLiteral("Delete from Circle where LoginZpid = ? and ") + strStale,
         {iLogin, iLogin});
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
    // A field the card lacks is stored empty, never as NULL, which the columns refuse: a short
    // card must not lose its member.
    QStringList f;
    for (int i = 0; i < 14; ++i) {
        const QString strField = cardField(strCard, i);
        f << (strField.isNull() ? QString(QLatin1String("")) : strField);
    }
    addCircleMember(iCircleId, iZpid, f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7], f[8], f[9],
                    f[10], f[11], f[12], f[13], toPinyin(f[0]), iRole);
}

QList<QObject *> CDatabase::getCircle()
{
    QList<QObject *> list;
    CStoreQuery query = run(QStringLiteral("Select CircleId,CircleName,Type,UserType,UserCount,"
                                           "Profile,CreateZpid,Creater from Circle where "
                                           "LoginZpid = ? Order by Id"),
                            {qlonglong(loginZpid())});
    while (query.isActive() && query.next())
        list.append(new CircleModel(query.text(0), query.text(1), query.number(2), query.number(3),
                                    query.number(4), query.text(5), query.text(6), query.text(7)));
    return list;
}

QList<QObject *> CDatabase::getCircleMember(quint32 iCircleId)
{
    QList<QObject *> list;
    CStoreQuery query = run(kSelectMember + QStringLiteral(" Where LoginZpid = ? and CircleId = ? "
                                                           "Order by Pinyin ASC"),
                            {qlonglong(loginZpid()), qlonglong(iCircleId)});
    while (query.isActive() && query.next()) {
        QString strZpid = query.text(PZpid);
        if (query.bigNumber(PZpid) == 0)
            strZpid.clear();
        ContactModel *pMember = contactOfRow(query, strZpid, query.text(PLocation));
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
    CStoreQuery query =
        run(QStringLiteral("Select Id from CircleMember where LoginZpid = ? and CircleId = ? "
                           "and Zpid = ? and Phone = ?"),
            {qlonglong(loginZpid()), numberOf(strCircleId), numberOf(strZpid), strPhone});
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
    return circleMemberText(MemberName, strKey, strCircleId);
}

QString CDatabase::getCircleMemberPhone(const QString &strKey, const QString &strCircleId)
{
    return circleMemberText(MemberPhone, strKey, strCircleId);
}

QString CDatabase::circleMemberText(MemberText text, const QString &strKey,
                                    const QString &strCircleId) const
{
    // The column comes from this code, never from the caller's text.
    const QString strSelect =
        text == MemberName ? QStringLiteral("Select Name") : QStringLiteral("Select Phone");
    if (strKey.size() <= 6)
        return value(strSelect +
                         QStringLiteral(" from CircleMember Where LoginZpid = ? and Id = ?"),
                     {qlonglong(loginZpid()), numberOf(strKey)})
            .toString();
    if (strKey.size() == 7)
        return value(strSelect + QStringLiteral(" from CircleMember Where LoginZpid = ? and Zpid = "
                                                "? and CircleId = ?"),
                     {qlonglong(loginZpid()), numberOf(strKey), numberOf(strCircleId)})
            .toString();
    return QString();
}

QString CDatabase::getCircleMemberCard(const QString &strKey, const QString &strCircleId)
{
    QString strWhere;
    QVariantList values{qlonglong(loginZpid())};
    if (strKey.size() <= 6) {
        strWhere = QStringLiteral(" Where LoginZpid = ? and Id = ?");
        values << numberOf(strKey);
    } else if (strKey.size() == 7) {
        strWhere = QStringLiteral(" Where LoginZpid = ? and Zpid = ? and CircleId = ?");
        values << numberOf(strKey) << numberOf(strCircleId);
    } else {
        strWhere = QStringLiteral(" Where LoginZpid = ? and Phone = ? and CircleId = ?");
        values << strKey << numberOf(strCircleId);
    }
    CStoreQuery query = run(kSelectMember + strWhere, values);
    if (!query.isActive() || !query.next())
        return QString();
    return cardOfRow(query);
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

bool CDatabase::hasCircle(quint32 iCircleId)
{
    return value(QStringLiteral("Select 1 from Circle where LoginZpid = ? and CircleId = ?"),
                 {qlonglong(loginZpid()), qlonglong(iCircleId)})
        .isValid();
}

int CDatabase::getCircleUserType(const QString &strCircleId, const QString &strZpid)
{
    const QVariant userType = value(
        QStringLiteral(
            "Select UserType from Circle where LoginZpid = ? and CircleId = ? and CreateZpid = ?"),
        {qlonglong(loginZpid()), numberOf(strCircleId), numberOf(strZpid)});
    return userType.isValid() ? userType.toInt() : 3;
}
