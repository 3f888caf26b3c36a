// Core's contacts: the address book the server pushes after log-in (through the contact and
// presence workers), the contact list and its search, lookups by Zpid and number, the cloud
// address book, the may-know suggestions, and business cards.
#include "core.h"

#include <QQmlContext>
#include <QSet>

#include "cdatabase.h"
#include "cfieldreader.h"
#include "cnetwork.h"
#include "codes.h"
#include "contactmodel.h"
#include "contactsearch.h"
#include "cparsecontactthread.h"
#include "cparsenetcontactthread.h"
#include "cparseuserstatethread.h"
#include "crowloadthread.h"
#include "csessionstate.h"
#include "ctrace.h"
#include "publishedlist.h"
#include "rules.h"
#include "singleworker.h"
#include "utility.h"

namespace {

// Pending card kinds, one bit each, of a card reply for one Zpid.
enum CardKind
{
    CardCircleSearch = 1,
    CardMayKnow = 2,
    CardOpened = 3
};

// A card's display name: its name, or its mobile number when it has none.
QString displayName(const QString &strCard)
{
    const QString strName = CDatabase::cardField(strCard, 0);
    return strName.isEmpty() ? CDatabase::cardField(strCard, 5) : strName;
}

QString cardCaption(const QString &strCard)
{
    return displayName(strCard) + QStringLiteral("的名片");
}

const PublishedList *listNamed(const ListPublisher &lists, const char *pName)
{
    for (const PublishedList *pList : lists.lists()) {
        if (pList->name() == pName)
            return pList;
    }
    return nullptr;
}

} // namespace

struct Core::Contact
{
    explicit Contact(ListPublisher &lists)
        : searchSource(lists, nullptr), contact(lists, "contactModel", searchSource),
          searchContact(lists, "searchcontactModel", searchSource),
          netContact(lists, "netcontactModel"), mayKnow(lists, "mayknowModel")
    {}
    ~Contact()
    {
        if (pIndex)
            freeIndex(pIndex);
    }

    // True once the contact list and presence are stored and the search index is built.
    bool bContactsReady = false;

    // Every address-book entry except kind 4, in pinyin order: the rows the search index
    // points into. "contactModel" and "searchcontactModel" show some of them.
    PublishedList searchSource;
    PublishedList contact;
    PublishedList searchContact;
    PublishedList netContact;
    PublishedList mayKnow;

    // The index over searchSource; null until the first rebuild.
    cs_list *pIndex = nullptr;
    // The people signed in now, as the service last told: its answer to the presence query
    // sets them all, its notices one at a time. Kept in memory only.
    QSet<quint32> online;
    // The last contact-list filter and dial-pad key, shown again after each rebuild.
    bool bContactFlag = true;
    QString strContactKey;
    QString strSearchKey;

    // Card replies awaited, by Zpid: a bit per kind, so a may-know suggestion and a card the
    // user opened for the same or another user each get their reply.
    QHash<quint32, int> pendingCards;

    // Children of Core, so that logout and the destructor wait for them. The loaders read a
    // list (and build the index) off the GUI thread.
    SingleWorker *pContactWorker = nullptr;
    SingleWorker *pUserStateWorker = nullptr;
    SingleWorker *pNetContactWorker = nullptr;
    SingleWorker *pContactLoader = nullptr;
    SingleWorker *pNetContactLoader = nullptr;
};

void Core::AreaDeleter::operator()(Contact *pArea) const
{
    delete pArea;
}

void Core::makeContact()
{
    m_pContact.reset(new Contact(lists()));
    Contact &c = *m_pContact;
    c.pContactWorker = new SingleWorker([this](QThread *) { Q_EMIT sig_getAllUserState(); }, this);
    c.pUserStateWorker = new SingleWorker(
        [this](QThread *) {
            // The book was filled anew from the server: the cards exchanged with its people
            // are kept with the messages and come back to their entries.
            if (database())
                database()->applyExchangedCards();
            rebuildContacts();
        },
        this);
    c.pNetContactWorker = new SingleWorker([this](QThread *) { getNetContact(); }, this);
    c.pContactLoader = new SingleWorker(
        [this](QThread *pWorker) {
            Contact &c = *m_pContact;
            auto *pLoader = static_cast<CRowLoadThread *>(pWorker);
            cs_list *pIndex = pLoader->takeIndex();
            // The views drop the rows of the previous generation before the old index goes.
            c.searchSource.replace(pLoader->takeRows());
            if (cs_list *pOld = std::exchange(c.pIndex, pIndex))
                freeIndex(pOld);
            setContactsReady(true);
            slot_onGetContact(c.bContactFlag, c.strContactKey);
            slot_onSearchContact(c.strSearchKey);
            Q_EMIT sig_updateContact();
            // Messages picked up after sign-in may have come before the address book did.
            namePeersFromContacts();
        },
        this);
    c.pNetContactLoader = new SingleWorker(
        [this](QThread *pWorker) {
            Contact &c = *m_pContact;
            c.netContact.replace(static_cast<CRowLoadThread *>(pWorker)->takeRows());
            Q_EMIT sig_updateNetContact(int(c.netContact.rows().size()));
        },
        this);
}

void Core::setContactsReady(bool bReady)
{
    m_pContact->bContactsReady = bReady;
    // Only logout takes the contacts away; the next account must not be shown this one's card.
    if (!bReady) {
        if (QQmlContext *pContext = lists().context())
            pContext->setContextProperty(QStringLiteral("personalcard"), QString());
    }
}

QString Core::getLastName(QVariant varName)
{
    return Rules::lastName(varName.toString());
}

int Core::getZpidType(QVariant varZpid)
{
    return Rules::zpidKind(varZpid.toString(), sessionState().strZpid);
}

int Core::getInputType(QVariant varInput)
{
    return Rules::inputType(varInput.toString());
}

QString Core::formatTime(int iTime)
{
    return ::formatTime(iTime);
}

double Core::getStringLength(QString string)
{
    return Rules::stringLength(string);
}

// The lookups take what a row of the contact lists shows, so marked-up texts are looked up
// by their plain value.
QString Core::getContactNameByZpid(QVariant varZpid)
{
    const quint32 iZpid = plainText(varZpid.toString()).trimmed().toUInt();
    return iZpid == 0 || !database() ? QString() : database()->getContactNameByZpid(iZpid);
}

QString Core::getContactPhoneByZpid(QVariant varZpid)
{
    const quint32 iZpid = plainText(varZpid.toString()).trimmed().toUInt();
    return iZpid == 0 || !database() ? QString() : database()->getContactPhoneByZpid(iZpid);
}

QString Core::getContactNameByPhone(QVariant varPhone)
{
    if (!database())
        return QString();
    return database()->getContactNameByPhone(plainText(varPhone.toString()).right(11));
}

QString Core::getContactZpidByPhone(QVariant varPhone)
{
    if (!database())
        return QString();
    return database()->getContactZpidByPhone(plainText(varPhone.toString()).right(11));
}

void Core::slot_onParseContact(QString strContact)
{
    QSharedPointer<CDatabase> pDatabase = database();
    if (!pDatabase)
        return;
    m_pContact->pContactWorker->start([strContact, pDatabase]() -> QThread * {
        return new CParseContactThread(strContact, pDatabase);
    });
}

void Core::slot_onParseUserState(QString strOnline, QString strOffline)
{
    setOnline(strOnline);
    QSharedPointer<CDatabase> pDatabase = database();
    if (!pDatabase)
        return;
    CNetwork *pNetwork = network();
    m_pContact->pUserStateWorker->start(
        [strOnline, strOffline, pDatabase, pNetwork]() -> QThread * {
            auto *pWorker = new CParseUserStateThread(strOnline, strOffline, pDatabase);
            // Queued to the GUI thread, where the session manager lives; gone with the worker.
            QObject::connect(pWorker, &CParseUserStateThread::getCard, pNetwork,
                             &CNetwork::slot_onGetCard);
            return pWorker;
        });
}

bool Core::isOnline(QString strZpid)
{
    bool bOk = false;
    const quint32 iZpid = strZpid.trimmed().toUInt(&bOk);
    return bOk && m_pContact->online.contains(iZpid);
}

void Core::slot_onPresence(quint32 iZpid, bool bOnline)
{
    QSet<quint32> &online = m_pContact->online;
    if (online.contains(iZpid) == bOnline)
        return;
    if (bOnline)
        online.insert(iZpid);
    else
        online.remove(iZpid);
    Q_EMIT sig_updatePresence(QString::number(iZpid), bOnline);
}

void Core::setOnline(const QString &strOnline)
{
    // "phone:zpid" pairs; a malformed pair names nobody.
    QSet<quint32> online;
    const QStringList items = strOnline.split(QLatin1Char(':'));
    for (qsizetype i = 1; i < items.size(); i += 2) {
        bool bOk = false;
        const quint32 iZpid = items.at(i).trimmed().toUInt(&bOk);
        if (bOk && iZpid != 0)
            online.insert(iZpid);
    }
    if (online == m_pContact->online)
        return;
    m_pContact->online = online;
    Q_EMIT sig_updatePresence(QString(), false);
}

void Core::rebuildContacts()
{
    QSharedPointer<CDatabase> pDatabase = database();
    if (!pDatabase)
        return;
    m_pContact->pContactLoader->start([pDatabase]() -> QThread * {
        return new CRowLoadThread([pDatabase] { return pDatabase->getSearchContact(); }, true);
    });
}

void Core::slot_onParseUserState(QString strZephon)
{
    if (strZephon.isEmpty()) {
        Q_EMIT sig_updateUserState(QString(), QString());
        return;
    }
    const qsizetype iColon = strZephon.indexOf(QLatin1Char(':'));
    if (iColon < 0) {
        trace().traceText(QStringLiteral("presence change without a zpid"), strZephon);
        return;
    }
    // One pair is expected; of anything after it only the Zpid's own field is taken.
    Q_EMIT sig_updateUserState(strZephon.section(QLatin1Char(':'), 1, 1), strZephon.left(iColon));
}

void Core::slot_onParseUserPhone(quint32 iZpid, QString strPhone)
{
    Q_EMIT sig_updateUserPhone(!strPhone.isEmpty(), QString::number(iZpid));
}

void Core::slot_onGetContact(bool flag, QString strKey)
{
    Contact &c = *m_pContact;
    if (!c.bContactsReady || !c.pIndex)
        return;
    c.bContactFlag = flag;
    c.strContactKey = strKey;
    cs_list *pResult = searchContact(c.pIndex, strKey, 0);
    c.contact.replace(buildResults(c.searchSource.rows(), c.pIndex, strKey, pResult,
                                   flag ? CS_FILTER_NO_ASSISTANT : CS_FILTER_USERS));
}

void Core::slot_onSearchContact(QString strKey)
{
    Contact &c = *m_pContact;
    if (!c.bContactsReady || !c.pIndex)
        return;
    c.strSearchKey = strKey;
    if (strKey.isEmpty()) {
        c.searchContact.clear();
        return;
    }
    cs_list *pResult = searchContact(c.pIndex, strKey, 1);
    c.searchContact.replace(
        buildResults(c.searchSource.rows(), c.pIndex, strKey, pResult, CS_FILTER_ALL));
}

void Core::getNetContact()
{
    QSharedPointer<CDatabase> pDatabase = database();
    if (!pDatabase)
        return;
    m_pContact->pNetContactLoader->start([pDatabase]() -> QThread * {
        return new CRowLoadThread([pDatabase] { return pDatabase->getNetContact(true); }, false);
    });
}

void Core::modifyNetContact(int iType, QString strId, QString strName, QString strPhone,
                            QString strGroup)
{
    if (!database() || !network())
        return;
    if (iType < 0 || iType > 2) {
        trace().traceNumber(QStringLiteral("cloud entry change of unknown kind"), iType);
        return;
    }
    // The server knows an entry by its phone as stored; a new entry has none.
    const QString strOldPhone =
        iType == 0 ? QString() : database()->getNetContactPhone(plainText(strId));
    if (iType != 0 && strOldPhone.isEmpty()) {
        trace().traceText(QStringLiteral("no cloud entry to change"), strId);
        return;
    }
    strPhone.replace(QLatin1Char(' '), QLatin1String("^#"));
    network()->slot_onModifyNetContact(qint8(iType), strOldPhone, strName, strPhone, strGroup);
}

void Core::slot_onParseNetContact(int iRet, QString strNetContact)
{
    QSharedPointer<CDatabase> pDatabase = database();
    if (!pDatabase)
        return;
    Contact &c = *m_pContact;
    if (iRet == 0) {
        c.pNetContactWorker->start([strNetContact, pDatabase]() -> QThread * {
            return new CParseNetContactThread(strNetContact, pDatabase);
        });
    } else if (iRet == 1) {
        // The server holds no book: a copy still being written is out of date as well.
        c.pNetContactWorker->wait();
        pDatabase->clearNetContact();
        getNetContact();
    }
}

void Core::slot_onModifyNetContact(int iRet)
{
    if (iRet == 0 && network())
        network()->slot_onGetNetContact();
    Q_EMIT sig_modifyNetContact(iRet);
}

void Core::slot_onUploadNetContact(int iRet)
{
    if (iRet == 0 && network())
        network()->slot_onGetNetContact();
    Q_EMIT sig_uploadNetContact(iRet);
}

void Core::getMayKnow()
{
    m_pContact->mayKnow.clear();
    if (network())
        network()->slot_onGetMayKnow();
}

void Core::expectCard(quint32 iZpid, int iKind)
{
    if (iZpid != 0)
        m_pContact->pendingCards[iZpid] |= 1 << iKind;
}

void Core::slot_onParseUser(QByteArray arBuff, int iCount)
{
    QList<QObject *> rows = m_pContact->mayKnow.rows();
    CFieldReader reader(arBuff);
    for (int i = 0; i < iCount; ++i) {
        const QByteArray arText = reader.blob32();
        reader.blob32();
        if (!reader.ok())
            break;
        const QStringList parts = QString::fromUtf8(arText).split(QLatin1Char(';'));
        const QString strZpid = parts.value(1).trimmed();
        bool bOk = false;
        const quint32 iZpid = strZpid.toUInt(&bOk);
        if (!bOk || iZpid == 0) {
            trace().traceText(QStringLiteral("may-know entry without a zpid"), parts.value(1));
            continue;
        }
        expectCard(iZpid, CardMayKnow);
        if (network()) {
            network()->slot_onGetStrangeCard(strZpid);
            network()->slot_onGetCard(strZpid, 1);
        }
        rows.append(new ContactModel(QString(), strZpid, parts.value(3), QString(), QString(),
                                     QString(), parts.value(5), parts.value(2), QString(),
                                     QString(), QString(), QString(), QString(), QString(),
                                     QString(), QString(), QString(), getZpidType(strZpid), false));
    }
    m_pContact->mayKnow.replace(rows);
}

void Core::slot_onParseCard(int iType, quint32 iZpid, QString strCard)
{
    if (strCard.isEmpty())
        return;
    if (iType == 0) {
        // Only the signed-in user's own card is kept as such; a card text of anybody else
        // must neither replace it nor be shown as it.
        const quint32 iOwn = sessionState().iZpid;
        if (iOwn == 0 || iZpid != iOwn || !database()) {
            trace().traceNumber(QStringLiteral("card text of another user ignored"), iZpid);
            return;
        }
        database()->saveCard(iOwn, strCard, 0);
        if (QQmlContext *pContext = lists().context())
            pContext->setContextProperty(QStringLiteral("personalcard"), strCard);
        if (m_pContact->bContactsReady)
            rebuildContacts();
        return;
    }
    if (iType != 1)
        return;
    const int iKinds = m_pContact->pendingCards.take(iZpid);
    const QString strZpid = QString::number(iZpid);
    if (iKinds & (1 << CardCircleSearch)) {
        if (const PublishedList *pList = listNamed(lists(), "searchcircleModel")) {
            for (QObject *pRow : pList->rows()) {
                if (pRow->property("strZpid").toString() == strZpid)
                    pRow->setProperty("strCreater", strCard);
            }
        }
    }
    if (iKinds & (1 << CardMayKnow)) {
        for (QObject *pRow : m_pContact->mayKnow.rows()) {
            auto *pContact = qobject_cast<ContactModel *>(pRow);
            if (!pContact || pContact->strZpid() != strZpid)
                continue;
            pContact->setStrSex(CDatabase::cardField(strCard, 2));
            pContact->setStrCompany(CDatabase::cardField(strCard, 3));
            pContact->setStrPhone(CDatabase::cardField(strCard, 5));
        }
    }
    if (iKinds & (1 << CardOpened))
        Q_EMIT sig_getStrangeCard(strZpid, strCard);
}

QString Core::parseCard(QString strCard, int index)
{
    return CDatabase::cardField(strCard, index);
}

QString Core::makeCard(QStringList strFields)
{
    return Rules::joinCard(strFields);
}

QString Core::getCard(QString strKey, int iType)
{
    if (!database())
        return QString();
    const QString strPlain = plainText(strKey).trimmed();
    const QString strCard =
        strPlain.isEmpty() ? QString() : database()->getContactCard(strPlain, iType);
    // Only a key that is a Zpid can name a stranger; a row id or a phone number would
    // become Zpid 0 or somebody else's.
    if (strCard.isEmpty() && Rules::zpidOfKey(strPlain) != 0)
        getStrangeCard(strPlain);
    return strCard;
}

QString Core::getEmpCard(QString strNo, QString strDeptNo)
{
    return database() ? database()->getEmpCard(strNo, strDeptNo) : QString();
}

QString Core::getCircleMemberCard(QString strKey, QString strCircleId)
{
    return database() ? database()->getCircleMemberCard(strKey, strCircleId) : QString();
}

void Core::getStrangeCard(QString strKey)
{
    const QString strPlain = plainText(strKey).trimmed();
    bool bOk = false;
    const quint32 iZpid = strPlain.toUInt(&bOk);
    if (!bOk || iZpid == 0 || !network()) {
        trace().traceText(QStringLiteral("stranger card not asked for"), strKey);
        return;
    }
    expectCard(iZpid, CardOpened);
    network()->slot_onGetStrangeCard(QString::number(iZpid));
}

namespace {

// The row id of row index of the list, empty when there is no such row.
QString rowText(const PublishedList *pList, int index, const char *pProperty)
{
    if (!pList || index < 0 || index >= pList->rows().size())
        return QString();
    return pList->rows().at(index)->property(pProperty).toString();
}

} // namespace

void Core::sendCard(int index, QString strZpid)
{
    const QString strId = rowText(listNamed(lists(), "selectModel"), index, "strId");
    const QString strCard =
        strId.isEmpty() || !database() ? QString() : database()->getContactCard(strId, 0);
    if (strCard.isEmpty() || !network())
        return;
    network()->slot_onSendCard(cardCaption(strCard), strCard, strZpid, 0);
}

void Core::sendMassCard(int index)
{
    const PublishedList *pMass = listNamed(lists(), "masscontactModel");
    if (!pMass)
        return;
    for (int i = 0; i < pMass->rows().size(); ++i)
        sendCard(index, rowText(pMass, i, "strZpid"));
}

void Core::sendCardTo(int index)
{
    const QString strZpid = rowText(listNamed(lists(), "selectModel"), index, "strZpid");
    const QString strCard =
        database() ? database()->getContactCard(sessionState().strZpid, 0) : QString();
    if (strZpid.isEmpty() || strCard.isEmpty() || !network())
        return;
    network()->slot_onSendCard(cardCaption(strCard), strCard, strZpid, 0);
}

void Core::exchangeCardRequest(QString strZpid)
{
    if (!database() || !network())
        return;
    network()->slot_onSendCard(database()->getContactCard(sessionState().strZpid, 1), QString(),
                               strZpid, 1);
}

void Core::exchangeCardReply(QString strZpid, QString strRet)
{
    if (network())
        network()->slot_onSendCard(strRet, QString(), strZpid, 2);
}

void Core::exchangeCard(QString strZpid)
{
    if (!database() || !network())
        return;
    const QString strCard = database()->getContactCard(sessionState().strZpid, 0);
    network()->slot_onSendCard(cardCaption(strCard), strCard, strZpid, 3);
}
