#include "cseedfile.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>

#include "ccontactcommands.h"
#include "cservicestore.h"

namespace {

bool isMobile(const QString &strMobile)
{
    static const QRegularExpression digits(QStringLiteral("^\\+?[0-9]{3,20}$"));
    return digits.match(strMobile).hasMatch();
}

bool positiveId(const QJsonValue &value, quint32 &iId)
{
    const qint64 i = value.toInteger(0);
    if (i <= 0 || i > 0xFFFFFFFFLL)
        return false;
    iId = quint32(i);
    return true;
}

struct Plan
{
    QList<CAccountTable::Row> accounts;
    QList<QList<CAddressBookTable::Entry>> books;
    QList<CCircleTable::Circle> circles;
    QList<CDirectoryTable::Organisation> organisations;
};

bool readAccount(const QJsonObject &o, int iIndex, CAccountTable::Row &row,
                 QList<CAddressBookTable::Entry> &book, QString &strError)
{
    const QString strWhere = QStringLiteral("account %1: ").arg(iIndex + 1);
    row.strMobile = o.value(QLatin1String("mobile")).toString();
    row.strName = o.value(QLatin1String("name")).toString();
    const QString strPassword = o.value(QLatin1String("password")).toString();
    if (!positiveId(o.value(QLatin1String("zpid")), row.iZpid)) {
        strError = strWhere + QStringLiteral("zpid must be a number from 1 to 4294967295");
        return false;
    }
    if (!isMobile(row.strMobile) || row.strName.isEmpty() || strPassword.isEmpty()) {
        strError = strWhere + QStringLiteral("needs a mobile number, a name and a password");
        return false;
    }
    if (!CSeedFile::cardText(o.value(QLatin1String("card")), row.strCard, strError)) {
        strError.prepend(strWhere);
        return false;
    }
    row.arPicture = QByteArray::fromBase64(o.value(QLatin1String("picture")).toString().toLatin1());
    if (row.arPicture.size() > CContactCommands::MAX_PICTURE_BYTES) {
        strError = strWhere + QStringLiteral("the picture is too large");
        return false;
    }
    const QJsonArray arBook = o.value(QLatin1String("addressBook")).toArray();
    for (const QJsonValue &entry : arBook) {
        book << CAddressBookTable::Entry{entry.toObject().value(QLatin1String("phone")).toString(),
                                         entry.toObject().value(QLatin1String("name")).toString()};
    }
    if (!CContactCommands::addressBookFits(book)) {
        strError = strWhere + QStringLiteral("the address book has an entry without a number, "
                                             "a ':' or ';' in a field, or is too large");
        return false;
    }
    // The password travels in the plan only until it is hashed.
    row.arPasswordHash = strPassword.toUtf8();
    return true;
}

bool readCircle(const QJsonObject &o, CCircleTable::Circle &circle, QString &strError)
{
    circle.strName = o.value(QLatin1String("name")).toString();
    circle.iType = o.value(QLatin1String("type")).toInt();
    circle.iProperty = o.value(QLatin1String("property")).toInt();
    circle.strProfile = o.value(QLatin1String("profile")).toString();
    if (!positiveId(o.value(QLatin1String("id")), circle.iCircleId) ||
        !positiveId(o.value(QLatin1String("creator")), circle.iCreator) ||
        circle.strName.isEmpty()) {
        strError = QStringLiteral("circle: needs an id, a name and a creator");
        return false;
    }
    for (const QJsonValue &value : o.value(QLatin1String("members")).toArray()) {
        CCircleTable::Member member;
        if (!positiveId(value.toObject().value(QLatin1String("zpid")), member.iZpid)) {
            strError = QStringLiteral("circle %1: a member without a zpid").arg(circle.iCircleId);
            return false;
        }
        member.iRole = value.toObject().value(QLatin1String("role")).toInt(3);
        circle.members << member;
    }
    return true;
}

bool readOrganisation(const QJsonObject &o, CDirectoryTable::Organisation &org, QString &strError)
{
    org.strName = o.value(QLatin1String("name")).toString();
    org.strShortName = o.value(QLatin1String("shortName")).toString();
    // Plain here; hashed when written.
    org.arPasswordHash = o.value(QLatin1String("password")).toString().toUtf8();
    if (!positiveId(o.value(QLatin1String("id")), org.iOrgId) || org.strName.isEmpty()) {
        strError = QStringLiteral("organisation: needs an id and a name");
        return false;
    }
    for (const QJsonValue &value : o.value(QLatin1String("departments")).toArray()) {
        const QJsonObject d = value.toObject();
        org.departments << CDirectoryTable::Department{
            d.value(QLatin1String("no")).toString(), d.value(QLatin1String("name")).toString(),
            d.value(QLatin1String("parent")).toString(),
            d.value(QLatin1String("sortKey")).toString()};
        if (org.departments.last().strNo.isEmpty()) {
            strError =
                QStringLiteral("organisation %1: a department without a number").arg(org.iOrgId);
            return false;
        }
    }
    for (const QJsonValue &value : o.value(QLatin1String("employees")).toArray()) {
        const QJsonObject e = value.toObject();
        CDirectoryTable::Employee emp;
        emp.strUserId = e.value(QLatin1String("userId")).toString();
        emp.strDeptNo = e.value(QLatin1String("dept")).toString();
        emp.strName = e.value(QLatin1String("name")).toString();
        emp.strPost = e.value(QLatin1String("post")).toString();
        emp.strPhone = e.value(QLatin1String("phone")).toString();
        emp.strTel = e.value(QLatin1String("tel")).toString();
        emp.iZpid =
            quint32(qBound<qint64>(0, e.value(QLatin1String("zpid")).toInteger(0), 0xFFFFFFFFLL));
        emp.strSortKey = e.value(QLatin1String("sortKey")).toString();
        emp.iRole =
            e.value(QLatin1String("admin")).toBool() ? Codes::RoleAdmin : Codes::RoleEmployee;
        if (emp.strUserId.isEmpty() || emp.strName.isEmpty()) {
            strError = QStringLiteral("organisation %1: an employee without a user id or name")
                           .arg(org.iOrgId);
            return false;
        }
        org.employees << emp;
    }
    return true;
}

bool readPlan(const QJsonObject &root, Plan &plan, QString &strError)
{
    const QJsonArray accounts = root.value(QLatin1String("accounts")).toArray();
    for (int i = 0; i < accounts.size(); ++i) {
        CAccountTable::Row row;
        QList<CAddressBookTable::Entry> book;
        if (!readAccount(accounts.at(i).toObject(), i, row, book, strError))
            return false;
        plan.accounts << row;
        plan.books << book;
    }
    for (const QJsonValue &value : root.value(QLatin1String("circles")).toArray()) {
        CCircleTable::Circle circle;
        if (!readCircle(value.toObject(), circle, strError))
            return false;
        plan.circles << circle;
    }
    for (const QJsonValue &value : root.value(QLatin1String("directory")).toArray()) {
        CDirectoryTable::Organisation org;
        if (!readOrganisation(value.toObject(), org, strError))
            return false;
        plan.organisations << org;
    }
    return true;
}

bool write(const Plan &plan, CServiceStore &store, CPasswordHash::Cost cost,
           CSeedFile::Result &result)
{
    for (int i = 0; i < plan.accounts.size(); ++i) {
        CAccountTable::Row row = plan.accounts.at(i);
        if (store.accounts().byZpid(row.iZpid)) {
            ++result.iAccountsKept;
            continue;
        }
        row.arPasswordHash = CPasswordHash::hash(QString::fromUtf8(row.arPasswordHash), cost);
        if (row.arPasswordHash.isEmpty() || !store.accounts().insert(row) ||
            !store.addressBooks().replace(row.iZpid, plan.books.at(i))) {
            result.strError = QStringLiteral("account %1 cannot be stored (is its mobile "
                                             "number taken?)")
                                  .arg(row.iZpid);
            return false;
        }
        ++result.iAccountsAdded;
    }
    for (const CCircleTable::Circle &circle : plan.circles) {
        if (store.circles().exists(circle.iCircleId))
            continue;
        if (!store.circles().insert(circle)) {
            result.strError = QStringLiteral("circle %1 cannot be stored (are its creator and "
                                             "members accounts?)")
                                  .arg(circle.iCircleId);
            return false;
        }
        ++result.iCirclesAdded;
    }
    for (const CDirectoryTable::Organisation &org : plan.organisations) {
        if (store.directory().exists(org.iOrgId))
            continue;
        CDirectoryTable::Organisation hashed = org;
        if (!org.arPasswordHash.isEmpty())
            hashed.arPasswordHash =
                CPasswordHash::hash(QString::fromUtf8(org.arPasswordHash), cost);
        if (!store.directory().insert(hashed)) {
            result.strError = QStringLiteral("organisation %1 cannot be stored").arg(org.iOrgId);
            return false;
        }
        ++result.iOrganisationsAdded;
    }
    return true;
}

} // namespace

const QStringList &CSeedFile::cardFields()
{
    static const QStringList fields{
        QStringLiteral("name"),       QStringLiteral("sex"),      QStringLiteral("post"),
        QStringLiteral("company"),    QStringLiteral("address"),  QStringLiteral("phone"),
        QStringLiteral("tel"),        QStringLiteral("email"),    QStringLiteral("notes"),
        QStringLiteral("profession"), QStringLiteral("homepage"), QStringLiteral("fax"),
        QStringLiteral("age"),        QStringLiteral("nickname")};
    return fields;
}

bool CSeedFile::cardText(const QJsonValue &value, QString &strCard, QString &strError)
{
    if (value.isUndefined() || value.isNull()) {
        strCard.clear();
        return true;
    }
    if (value.isString()) {
        strCard = value.toString();
    } else if (value.isObject()) {
        const QJsonObject o = value.toObject();
        QStringList parts;
        for (const QString &strField : cardFields()) {
            const QString strValue = o.value(strField).toVariant().toString();
            if (strValue.contains(QLatin1Char(':'))) {
                strError = QStringLiteral("card field %1 holds a ':'").arg(strField);
                return false;
            }
            parts << strValue;
        }
        strCard = parts.join(QLatin1Char(':'));
    } else {
        strError = QStringLiteral("a card is an object of fields or a text");
        return false;
    }
    if (!CContactCommands::cardFits(strCard)) {
        strError = QStringLiteral("the card is too long");
        return false;
    }
    return true;
}

CSeedFile::Result CSeedFile::apply(const QByteArray &arJson, CServiceStore &store,
                                   CPasswordHash::Cost cost)
{
    Result result;
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(arJson, &error);
    if (!doc.isObject()) {
        result.strError =
            doc.isNull() ? error.errorString() : QStringLiteral("the seed must be a JSON object");
        return result;
    }
    Plan plan;
    if (!readPlan(doc.object(), plan, result.strError))
        return result;
    if (!store.transaction()) {
        result.strError = QStringLiteral("the store cannot start a transaction");
        return result;
    }
    if (!write(plan, store, cost, result) || !store.commit()) {
        store.rollback();
        if (result.strError.isEmpty())
            result.strError = QStringLiteral("the store cannot commit the seed");
        result.iAccountsAdded = result.iCirclesAdded = result.iOrganisationsAdded = 0;
        return result;
    }
    result.bOk = true;
    return result;
}

QByteArray CSeedFile::demo()
{
    QFile file(QStringLiteral(":/zephond/demo.json"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
