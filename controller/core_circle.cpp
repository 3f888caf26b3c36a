// Core's circles: circles, their members and the user and circle search results. The circle
// list and the member lists the server sends are stored by workers; Core keeps which member
// lists it still awaits (the refresh list) and the member payloads received, and hands each
// worker its own copy, so nothing is shared with a running worker.
#include "core.h"

#include <QQmlContext>

#include "caes.h"
#include "cdatabase.h"
#include "cfieldreader.h"
#include "circlemodel.h"
#include "cnetwork.h"
#include "codes.h"
#include "contactmodel.h"
#include "cparsecirclememberthread.h"
#include "cparsecirclethread.h"
#include "csessionstate.h"
#include "ctrace.h"
#include "cuserpiccache.h"
#include "publishedlist.h"
#include "rules.h"
#include "singleworker.h"

namespace {

// Kinds of modifyCircleMember.
enum MemberChange
{
    AddByName = 0,
    EditMember = 1,
    RemoveMember = 2,
    EditMemberPhone = 3,
    AddContacts = 4,
};

// The role getCircleUserType gives for a circle the user is not in.
constexpr int kNotMember = 3;
// The fields of a full card.
constexpr int kCardFields = 14;
// The result reported for a member change that was not sent.
constexpr int kNotSent = 1;
// The pending card kind of a circle search hit's creator (see expectCard).
constexpr int kCardCircleSearch = 1;
// The user-search number field holds a phone number of up to 11 digits: more than 32 bits.
constexpr int kNumberBytes = 8;

// A little-endian number of up to kNumberBytes bytes; further bytes do not count.
quint64 numberOf(const QByteArray &arBytes)
{
    quint64 iNumber = 0;
    const int n = qMin(int(arBytes.size()), kNumberBytes);
    for (int i = n - 1; i >= 0; --i)
        iNumber = (iNumber << 8) | quint8(arBytes.at(i));
    return iNumber;
}

// The full card of a contact row, in the card's field order; a separator in a stored field
// must not shift the fields after it.
QString cardOfRow(const QObject *pRow)
{
    static const char *const kFields[] = {
        "strName",     "strSex", "strPost",  "strCompany", "strAddress",
        "strPhone",    "strTel", "strEmail", "strNotes",   "strProfession",
        "strHomepage", "strFax", "strAge",   "strNickname"};
    QStringList fields;
    for (const char *pField : kFields)
        fields << pRow->property(pField).toString();
    return Rules::joinCard(fields);
}

} // namespace

struct Core::Circle
{
    explicit Circle(ListPublisher &lists)
        : circle(lists, "circleModel"), circleMember(lists, "circlememberModel"),
          searchUser(lists, "searchuserModel"), searchCircle(lists, "searchcircleModel")
    {}

    PublishedList circle;
    PublishedList circleMember;
    PublishedList searchUser;
    PublishedList searchCircle;

    // Circles whose member lists were asked for and have not come yet.
    QList<quint32> refresh;
    // Circles a circle worker put on the refresh list whose members are still to be asked for.
    QList<quint32> toRequest;
    // Member payloads received and not yet handed to a member worker, by circle.
    QMap<quint32, QByteArray> memberPayloads;
    // The circle whose members the screens last asked for: the one a new member list shows.
    quint32 iShownCircle = 0;
    // The member last edited (its row id).
    QString strLastEditedMember;

    // Children of Core, so that logout and the destructor wait for them.
    SingleWorker *pCircleWorker = nullptr;
    SingleWorker *pMemberWorker = nullptr;

    // The circles a finished circle worker cleared of members.
    void takeRefresh(QThread *pWorker)
    {
        for (quint32 iCircleId : static_cast<CParseCircleThread *>(pWorker)->refreshList()) {
            if (!refresh.contains(iCircleId))
                refresh.append(iCircleId);
            if (!toRequest.contains(iCircleId))
                toRequest.append(iCircleId);
        }
    }
};

void Core::AreaDeleter::operator()(Circle *pArea) const
{
    delete pArea;
}

void Core::makeCircle()
{
    m_pCircle.reset(new Circle(lists()));
    Circle &c = *m_pCircle;
    c.pCircleWorker = new SingleWorker(
        [this](QThread *pWorker) {
            m_pCircle->takeRefresh(pWorker);
            slot_onParseCircleComplete();
        },
        this);
    // A newer list ran instead of this one's completion; the circles it cleared of members
    // would look unchanged to the newer one, so their members are asked for all the same.
    c.pCircleWorker->setSuperseded([this](QThread *pWorker) { m_pCircle->takeRefresh(pWorker); });
    c.pMemberWorker =
        new SingleWorker([this](QThread *) { slot_onParseCircleMemberComplete(); }, this);
}

void Core::forgetCircles()
{
    Circle &c = *m_pCircle;
    c.refresh.clear();
    c.toRequest.clear();
    c.memberPayloads.clear();
    c.iShownCircle = 0;
    c.strLastEditedMember.clear();
    c.circle.clear();
    c.circleMember.clear();
    c.searchUser.clear();
    c.searchCircle.clear();
}

void Core::getCircle()
{
    if (database())
        m_pCircle->circle.replace(database()->getCircle());
}

void Core::getCircleMember(QString strCircleId)
{
    if (!database())
        return;
    const quint32 iCircleId = Rules::idOf(strCircleId);
    m_pCircle->iShownCircle = iCircleId;
    m_pCircle->circleMember.replace(iCircleId == 0 ? QList<QObject *>()
                                                   : database()->getCircleMember(iCircleId));
}

int Core::getCircleMemberCount(QString strCircleId)
{
    const quint32 iCircleId = Rules::idOf(strCircleId);
    return iCircleId == 0 || !database() ? 0 : database()->getCircleMemberCount(iCircleId);
}

QString Core::getCircleProfile(QString strCircleId)
{
    const quint32 iCircleId = Rules::idOf(strCircleId);
    return iCircleId == 0 || !database() ? QString() : database()->getCircleProfile(iCircleId);
}

QString Core::getCircleCreateZpid(QString strCircleId)
{
    const quint32 iCircleId = Rules::idOf(strCircleId);
    return iCircleId == 0 || !database() ? QString() : database()->getCircleCreateZpid(iCircleId);
}

int Core::getCircleUserType(QString strCircleId, QString strZpid)
{
    return database() ? database()->getCircleUserType(strCircleId, strZpid) : kNotMember;
}

void Core::newCircle(QString strCircleName, int iCircleType)
{
    m_pCircle->circleMember.clear();
    if (network())
        network()->slot_onNewCircle(strCircleName, iCircleType);
}

void Core::modifyCircleMember(int iType, QString strCircleId, QString strId, QString strName,
                              QString strPhone, QString strCompany)
{
    Circle &c = *m_pCircle;
    CNetwork *pNetwork = network();
    const QSharedPointer<CDatabase> pDatabase = database();
    if (!pNetwork || !pDatabase)
        return;
    // Typed texts become card fields: a separator in them must not shift the fields after it.
    strName = Rules::cardField(strName);
    strPhone = Rules::cardField(strPhone);
    strCompany = Rules::cardField(strCompany);

    quint32 iMemberZpid = 0;
    QString strCard;
    if (!strId.isEmpty()) {
        c.strLastEditedMember = strId;
        iMemberZpid = pDatabase->getCircleMemberZpid(strId);
        strCard = pDatabase->getCircleMemberCard(strId, strCircleId);
    }
    QMap<QString, quint32> &pending = sessionState().mapPendingMembers;
    pending.clear();

    switch (iType) {
    case AddByName:
        pending.insert(
            strName + QStringLiteral(":::") + strCompany + QStringLiteral("::") + strPhone, 0);
        pNetwork->slot_onModifyCircleMember(strCircleId, AddByName, 0);
        return;
    case EditMember:
    case EditMemberPhone:
    case RemoveMember:
        // A stored member always has a full card; without one there is nobody to change, and
        // a request made up of empty fields would name nobody or the wrong member.
        if (strCard.count(QLatin1Char(':')) < kCardFields - 1) {
            trace().traceText(QStringLiteral("member change not sent: no such member"), strId);
            Q_EMIT sig_modifyCircleMember(iType, kNotSent, strCircleId);
            return;
        }
        break;
    case AddContacts: {
        for (QObject *pRow : checkedRows("selectModel"))
            pending.insert(cardOfRow(pRow), pRow->property("strZpid").toString().toUInt());
        pNetwork->slot_onModifyCircleMember(strCircleId, AddByName, 0);
        return;
    }
    default:
        trace().traceNumber(QStringLiteral("member change of unknown kind"), iType);
        return;
    }

    if (iType == RemoveMember) {
        pending.insert(strCard, iMemberZpid);
        pNetwork->slot_onModifyCircleMember(strCircleId, RemoveMember, 0);
        return;
    }
    QStringList fields = strCard.split(QLatin1Char(':'));
    fields[0] = strName;
    fields[3] = strCompany;
    if (iType == EditMemberPhone) {
        fields.append(fields.at(5));
        fields[5] = strPhone;
    }
    pending.insert(fields.join(QLatin1Char(':')), iMemberZpid);
    pNetwork->slot_onModifyCircleMember(
        strCircleId, iType, getCircleUserType(strCircleId, QString::number(iMemberZpid)));
}

void Core::recommendFromContact(QString strCircleId, QString strCircleName, int iCircleType)
{
    CNetwork *pNetwork = network();
    if (!pNetwork)
        return;
    for (QObject *pRow : checkedRows("selectModel")) {
        const QString strText = Rules::joinCard(
            {pRow->property("strZpid").toString(), pRow->property("strName").toString(),
             pRow->property("strPhone").toString(), pRow->property("strCompany").toString()});
        pNetwork->slot_onApplyCircle(strCircleId, strCircleName, iCircleType, strText,
                                     Codes::ApplyInvite);
    }
}

void Core::searchCircle(QString strCondition)
{
    Circle &c = *m_pCircle;
    c.searchUser.clear();
    c.searchCircle.clear();
    if (network())
        network()->slot_onSearchCircle(Codes::SearchCircles,
                                       {{Codes::SearchKeyCircleName, strCondition}});
}

void Core::searchCircleUser(QString strCondition)
{
    Circle &c = *m_pCircle;
    c.searchUser.clear();
    c.searchCircle.clear();
    const int iKey =
        getInputType(strCondition) == 0 ? Codes::SearchKeyZpid : Codes::SearchKeyMobile;
    if (network())
        network()->slot_onSearchCircle(Codes::SearchUsers, {{iKey, strCondition}});
}

void Core::slot_onNewCircle(int iType)
{
    const quint32 iCircleId = sessionState().iLastCircleId;
    if (iType == 0) {
        // The member list the screens emptied for the new circle is that circle's.
        m_pCircle->iShownCircle = iCircleId;
        if (network())
            network()->slot_onGetCircle();
    }
    Q_EMIT sig_newCircle(iType, QString::number(iCircleId));
}

void Core::slot_onModifyCircleMember(int iType, int iRet)
{
    if (iType == AddContacts) {
        if (network())
            network()->slot_onGetCircle();
        return;
    }
    // The members changed on the service: the list the screens show is fetched afresh, and
    // shown again once it is stored.
    const quint32 iCircleId = sessionState().iLastCircleId;
    if (iRet == 0 && iCircleId != 0 && network())
        network()->slot_onGetCircleMember(iCircleId);
    Q_EMIT sig_modifyCircleMember(iType, iRet, QString::number(iCircleId));
}

void Core::slot_onModifyCircleInfo(int iRet, quint32 iCircleId)
{
    if (iRet == 0 && network())
        network()->slot_onGetCircle();
    Q_EMIT sig_modifyCircleInfo(sessionState().iLastCircleInfoKind, iRet,
                                QString::number(iCircleId));
}

void Core::slot_onDismissCircle(bool flag, quint32 iCircleId)
{
    if (flag && network())
        network()->slot_onGetCircle();
    Q_EMIT sig_dismissCircle(flag, QString::number(iCircleId));
}

void Core::slot_onExitCircle(bool flag, quint32 iCircleId)
{
    if (flag && network())
        network()->slot_onGetCircle();
    Q_EMIT sig_exitCircle(flag, QString::number(iCircleId));
}

void Core::slot_onParseCircle(QByteArray arBuff)
{
    QSharedPointer<CDatabase> pDatabase = database();
    if (!pDatabase)
        return;
    // While a worker runs the list is kept; the newest kept one runs next.
    m_pCircle->pCircleWorker->start(
        [arBuff, pDatabase]() -> QThread * { return new CParseCircleThread(arBuff, pDatabase); });
}

void Core::slot_onParseCircleComplete()
{
    getCircle();
    const QList<quint32> toRequest = std::exchange(m_pCircle->toRequest, {});
    if (!network())
        return;
    for (quint32 iCircleId : toRequest)
        network()->slot_onGetCircleMember(iCircleId);
}

void Core::slot_onParseCircleMember(QByteArray arBuff, quint32 iCircleId)
{
    Circle &c = *m_pCircle;
    c.refresh.removeAll(iCircleId);
    c.memberPayloads.insert(iCircleId, arBuff);
    if (c.refresh.isEmpty())
        startCircleMemberWorker();
}

void Core::slot_onParseCircleMemberRefused(quint32 iCircleId)
{
    Circle &c = *m_pCircle;
    trace().traceNumber(QStringLiteral("member list refused for circle"), iCircleId);
    c.refresh.removeAll(iCircleId);
    if (c.refresh.isEmpty() && !c.memberPayloads.isEmpty())
        startCircleMemberWorker();
}

void Core::startCircleMemberWorker()
{
    QSharedPointer<CDatabase> pDatabase = database();
    if (!pDatabase)
        return;
    // The payloads are taken when the worker is made: while one runs, the replies that come
    // meanwhile gather here and all go to the next one.
    m_pCircle->pMemberWorker->start([this, pDatabase]() -> QThread * {
        QMap<quint32, QByteArray> payloads = std::exchange(m_pCircle->memberPayloads, {});
        if (payloads.isEmpty())
            return nullptr;
        return new CParseCircleMemberThread(payloads, pDatabase);
    });
}

void Core::slot_onParseCircleMemberComplete()
{
    getCircle();
    if (m_pCircle->iShownCircle != 0)
        getCircleMember(QString::number(m_pCircle->iShownCircle));
}

void Core::slot_onParseSearchResult(int iType, QByteArray arBuff, int iCount)
{
    if (iCount <= 0 || !database())
        return;
    Circle &c = *m_pCircle;
    CFieldReader r(arBuff);
    QList<QObject *> rows;
    int iRead = 0;
    if (iType == Codes::SearchCircles) {
        for (; iRead < iCount; ++iRead) {
            r.skip(1);
            const quint32 iCircleId = r.u32();
            r.skip(4);
            const QByteArray arName = r.enc8();
            const int iCircleType = qint8(r.u8());
            r.skip(1);
            const quint32 iCreator = r.zpid();
            r.skip(8);
            const int iUserCount = int(r.u32());
            if (!r.ok())
                break;
            const QString strCircleId = QString::number(iCircleId);
            const QString strCreator = QString::number(iCreator);
            const int iRole = database()->getCircleUserType(strCircleId, strCreator);
            QString strCreaterCard;
            if (iRole == kNotMember) {
                // Shown without the creator until the stranger card comes (slot_onParseCard).
                if (iCreator != 0 && network()) {
                    expectCard(iCreator, kCardCircleSearch);
                    network()->slot_onGetStrangeCard(strCreator);
                }
            } else {
                strCreaterCard = database()->getCircleMemberCard(strCreator, strCircleId);
            }
            rows.append(new CircleModel(strCircleId, decryptText(arName), iCircleType, iRole,
                                        iUserCount, QString(), strCreator, strCreaterCard));
        }
        if (iRead < iCount)
            trace().traceNumber(QStringLiteral("circle search hits cut short after"), iRead);
        c.searchCircle.replace(rows);
    } else if (iType == Codes::SearchUsers) {
        for (; iRead < iCount; ++iRead) {
            r.skip(1);
            const quint32 iZpid = r.zpid();
            const QByteArray arName = r.enc8();
            const QByteArray arNumber = r.str8();
            const quint8 iSex = r.u8();
            if (!r.ok())
                break;
            const QString strZpid = QString::number(iZpid);
            if (!userPicCache().contains(strZpid) && network())
                network()->slot_onGetCard(strZpid, 1);
            const QString strPhone =
                arNumber.isEmpty() ? QString() : QString::number(numberOf(arNumber));
            rows.append(new ContactModel(
                QStringLiteral("-1"), strZpid, decryptText(arName), QString::number(iSex),
                QString(), QString(), QString(), strPhone, QString(), QString(), QString(),
                QString(), QString(), QString(), QString(), QString(), QString(), 4, false));
        }
        if (iRead < iCount)
            trace().traceNumber(QStringLiteral("user search hits cut short after"), iRead);
        c.searchUser.replace(rows);
    }
}
