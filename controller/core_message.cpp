// Core's messages: storing what the packet layer and the session manager report (sent,
// received, picked up after being offline, state changes), and the conversation, message,
// selection and mass-recipient lists. Texts are stored as the peer wrote them, with emoticon
// codes turned into picture tags; the screens escape everything else when they show it.
#include "core.h"

#include <QCoreApplication>
#include <QDir>
#include <QSoundEffect>
#include <QUrl>

#include "caes.h"
#include "caudiooutput.h"
#include "cdatabase.h"
#include "cnetwork.h"
#include "codes.h"
#include "csessionstate.h"
#include "csetting.h"
#include "ctrace.h"
#include "masscontactmodel.h"
#include "packint.h"
#include "publishedlist.h"
#include "utility.h"

namespace {

// iType of a message event and of a stored row.
enum MessageKind
{
    KindPerson = 0,
    KindCard = 5,
    KindCircleRequest = 6,
    KindCircle = 7,
};

// iSubType values that change how a message is stored.
enum MessageSubKind
{
    SubPicture = 2,
    SubLocation = 5,
    SubLeftCircle = 1, // of a circle message: a member left
    SubCardAgreed = 1, // of a card message
    SubCardExchanged = 3,
};

// A caption field: a count byte, then the ciphertext.
QString captionText(const QByteArray &arCaption)
{
    return arCaption.isEmpty() ? QString() : decryptText(arCaption.mid(1));
}

// A content field: a u32 count, then the ciphertext.
QString contentText(const QByteArray &arContent)
{
    return arContent.isEmpty() ? QString() : decryptText(arContent.mid(4));
}

// A name put inside a caption or notice between the link tags the client writes: the screens
// show those tags as links, so a name must not be able to close one or open another.
QString linkSafe(QString strName)
{
    strName.replace(QLatin1Char('<'), QChar(0xFF1C));
    strName.replace(QLatin1Char('>'), QChar(0xFF1E));
    return strName;
}

} // namespace

struct Core::Message
{
    explicit Message(ListPublisher &lists)
        : msgRecord(lists, "msgrecordModel"), message(lists, "messageModel"),
          cardSysMsg(lists, "cardsysmsgModel"), circleSysMsg(lists, "circlesysmsgModel"),
          select(lists, "selectModel"), massContact(lists, "masscontactModel")
    {}

    PublishedList msgRecord;
    // One list per published name: a conversation, and the card and circle system messages.
    PublishedList message;
    PublishedList cardSysMsg;
    PublishedList circleSysMsg;
    PublishedList select;
    PublishedList massContact;
    // The mass-message recipients by Zpid, in the order of "masscontactModel".
    QStringList massZpids;
    // The new-message sound has an object of its own: it must never stop a ringing call.
    QSoundEffect *pSound = nullptr;
};

void Core::AreaDeleter::operator()(Message *pArea) const
{
    delete pArea;
}

void Core::makeMessage()
{
    m_pMessage.reset(new Message(lists()));
}

void Core::peerOf(quint32 iZpid, QString *pName, QString *pPhone) const
{
    const QSharedPointer<CDatabase> pDatabase = database();
    *pName = pDatabase->getContactNameByZpid(iZpid);
    *pPhone = pDatabase->getContactPhoneByZpid(iZpid);
    if (pName->isEmpty())
        *pName = pPhone->isEmpty() ? QString::number(iZpid) : *pPhone;
}

bool Core::storeMessage(quint32 iCircleId, const QString &strCircleName, quint32 iZpid,
                        const QString &strName, const QString &strPhone, bool bRead, bool bSend,
                        const QString &strCaption, const QString &strContent, int iMsgId,
                        int iMsgState, int iType, int iSubType, const QString &strTime)
{
    return database()->addMsgRecord(sessionState().iZpid, iCircleId, strCircleName, iZpid, strName,
                                    strPhone, bRead, bSend, strCaption, strContent, iMsgId,
                                    iMsgState, iType, iSubType, strTime);
}

void Core::playMessageSound()
{
    if (!CSetting::instance()->msgPrompt())
        return;
    Message &area = *m_pMessage;
    if (!area.pSound) {
        area.pSound = new QSoundEffect(this);
        area.pSound->setObjectName(QStringLiteral("messageSound"));
        // The sounds lie in the working directory, beside the database files.
        area.pSound->setSource(
            QUrl::fromLocalFile(QDir::current().absoluteFilePath(QStringLiteral("message.wav"))));
    }
    // On the device the ring and the voice use, as it is now.
    area.pSound->setAudioDevice(CAudioOutput::device());
    area.pSound->play();
}

void Core::namePeersFromContacts()
{
    if (!database())
        return;
    for (const QPair<int, QString> &conversation : database()->namePeersFromContacts())
        Q_EMIT sig_updateMsgRecord(conversation.first, conversation.second, QStringLiteral("0"));
}

void Core::slot_onSaveMsgRecord(quint32 iCircleId, quint32 iRecvZpid, QByteArray arCaption,
                                QByteArray arContent, int iMsgId, int iMsgState, int iType,
                                int iSubType, bool bSend, QStringList strList)
{
    if (!database())
        return;
    const QString strZpid = QString::number(iRecvZpid);
    QString strName;
    QString strPhone;
    if (iRecvZpid != 0)
        peerOf(iRecvZpid, &strName, &strPhone);

    switch (iType) {
    case KindPerson:
    case KindCircle: {
        QString strCaption = captionText(arCaption);
        QString strContent = renderText(contentText(arContent));
        QString strTime;
        if (!strList.isEmpty()) {
            strTime = strList.at(0);
            strList[0] = strContent;
            strContent = strList.join(QLatin1Char(':'));
            if (iSubType == SubPicture) {
                // Fetched at once into the temp folder, under a name of our making.
                const QString strPath = receivedPicturePath(strList.at(0), strList.value(1));
                if (!strPath.isEmpty())
                    Q_EMIT sig_append(strList.at(0), strPath, strZpid, true, iMsgId, SubPicture);
            } else if (iSubType == SubLocation) {
                strCaption = strContent;
                strContent = QStringLiteral("<a href=map>%1</a>").arg(strList.at(0));
            }
        }
        int iStoredType = iType;
        int iStoredSubType = iSubType;
        QString strCircleName;
        if (iType == KindPerson) {
            iStoredType = getZpidType(strZpid);
        } else {
            const QString strCircleId = QString::number(iCircleId);
            strName = database()->getCircleMemberName(strZpid, strCircleId);
            strPhone = database()->getCircleMemberPhone(strZpid, strCircleId);
            strCircleName = database()->getCircleName(iCircleId);
            if (iSubType == SubLeftCircle) {
                strContent = QStringLiteral("%1已退出圈子").arg(linkSafe(strName));
                // The circle's members changed.
                if (network())
                    network()->slot_onGetCircle();
            }
            iStoredSubType = database()->getCircleType(iCircleId);
        }
        if (bSend) {
            storeMessage(iCircleId, strCircleName, iRecvZpid, strName, strPhone, true, true,
                         strCaption, strContent, iMsgId, iMsgState, iStoredType, iStoredSubType,
                         QString());
            Q_EMIT sig_updateMsgRecord(iStoredType, strZpid, QString::number(iCircleId));
        } else {
            // A message that carries its own time may have been stored before.
            if (storeMessage(iCircleId, strCircleName, iRecvZpid, strName, strPhone, false, false,
                             strCaption, strContent, iMsgId, iMsgState, iStoredType, iStoredSubType,
                             strTime)) {
                playMessageSound();
                Q_EMIT sig_addMsgRecord();
            }
        }
        break;
    }
    case KindCard: {
        const QString strCaption =
            arCaption.isEmpty() ? QString() : QString::fromUtf8(decryptBytes(arCaption.mid(1)));
        const QString strContent =
            arContent.isEmpty() ? QString() : QString::fromUtf8(decryptBytes(arContent.mid(4)));
        if (iSubType == 0) {
            storeMessage(0, QString(), iRecvZpid, CDatabase::cardField(strCaption, 0), strPhone,
                         false, bSend, QStringLiteral("请求交换名片"), strCaption, iMsgId,
                         iMsgState, KindCard, 0, QString());
        } else if (iSubType == SubCardAgreed || iSubType == SubCardExchanged) {
            database()->updateCardRequest(KindCard, iRecvZpid, strCaption, strContent, iSubType);
            // The peer's side of a completed exchange is the card we show for the peer.
            if (iSubType == SubCardExchanged && !bSend)
                database()->setExchangedCard(iRecvZpid, strContent);
            // An answer we sent carries its answer byte; one we received passed the packet
            // layer only when it agreed. Only an agreement is followed by the own card.
            const bool bAgreed = !bSend || (arCaption.size() == 1 && arCaption.at(0) == 0);
            if (iSubType == SubCardAgreed && bAgreed) {
                // The exchange was agreed: our side of it is the own full card. Our own answer
                // is reported before it is written, so the card follows from the event loop
                // and reaches the peer after the answer.
                const QString strOwnCard = database()->getContactCard(sessionState().strZpid, 0);
                const QString strCardCaption =
                    CDatabase::cardField(strOwnCard, 0) + QStringLiteral("的名片");
                QMetaObject::invokeMethod(
                    this,
                    [this, strCardCaption, strOwnCard, strZpid] {
                        if (network())
                            network()->slot_onSendCard(strCardCaption, strOwnCard, strZpid, 3);
                    },
                    Qt::QueuedConnection);
                Q_EMIT sig_addMsgRecord();
            }
        }
        if (!bSend) {
            playMessageSound();
            Q_EMIT sig_addMsgRecord();
        }
        break;
    }
    case KindCircleRequest:
        saveCircleRequest(iCircleId, iRecvZpid, QString::fromUtf8(arCaption),
                          QString::fromUtf8(arContent), iMsgId, iMsgState, iSubType, bSend, strName,
                          strPhone);
        break;
    default:
        trace().traceNumber(QStringLiteral("message of unknown kind ignored"), iType);
        break;
    }
}

void Core::saveCircleRequest(quint32 iCircleId, quint32 iRecvZpid, const QString &strCaptionIn,
                             const QString &strContentIn, int iMsgId, int iMsgState, int iSubType,
                             bool bSend, QString strName, const QString &strPhone)
{
    const QSharedPointer<CDatabase> pDatabase = database();
    if (iMsgState == 3 || iMsgState == 4) {
        pDatabase->setRequestState(KindCircleRequest, iCircleId, iMsgState, QString());
        Q_EMIT sig_addMsgRecord();
        return;
    }
    if (bSend) {
        storeMessage(iCircleId, strCaptionIn, iRecvZpid, strName, strPhone, false, true,
                     linkSafe(strCaptionIn), strContentIn, iMsgId, iMsgState, KindCircleRequest,
                     iSubType, QString());
        return;
    }
    QString strCircleName = pDatabase->getCircleName(iCircleId);
    QString strCaption;
    QString strContent = strContentIn;
    switch (iMsgState) {
    case 0:
        strName = CDatabase::cardField(strContent, 0);
        strCaption = QStringLiteral("申请加入\"<a href=circlename>%1</a>\"圈子")
                         .arg(linkSafe(strCircleName));
        break;
    case 5:
        strName =
            pDatabase->getCircleMemberName(QString::number(iRecvZpid), QString::number(iCircleId));
        strCaption = QStringLiteral("由\"<a href=name>%1</a>\"推荐加入\"<a "
                                    "href=circlename>%2</a>\"圈子")
                         .arg(linkSafe(strName), linkSafe(strCircleName));
        break;
    case 8:
        strName = CDatabase::cardField(strContent, 1);
        strCaption =
            QStringLiteral("已同意您推荐\"<a href=userpic>%1</a>\"").arg(linkSafe(strName));
        break;
    case 9:
        strName = CDatabase::cardField(strContent, 1);
        strCaption =
            QStringLiteral("已拒绝您推荐\"<a href=userpic>%1</a>\"").arg(linkSafe(strName));
        break;
    case 10:
        strCaption = QStringLiteral("已将您加入该圈子");
        strContent = linkSafe(strCircleName);
        // The user is a member of a circle the stored list does not have yet.
        if (network())
            network()->slot_onGetCircle();
        break;
    default:
        break;
    }
    storeMessage(iCircleId, strCircleName, iRecvZpid, strName, strPhone, false, false, strCaption,
                 strContent, iMsgId, iMsgState, KindCircleRequest,
                 pDatabase->getCircleType(iCircleId), QString());
    playMessageSound();
    Q_EMIT sig_addMsgRecord();
}

void Core::slot_onSaveOfflineMsg(quint32 iRecvZpid, QString strMsg, double datetime, int iMsgId)
{
    if (!database())
        return;
    QString strName;
    QString strPhone;
    peerOf(iRecvZpid, &strName, &strPhone);
    const QString strZpid = QString::number(iRecvZpid);
    QString strTime = dayCountToText(datetime);
    // A time that is no date cannot key the de-duplication: keep the message, stamped now.
    if (strTime.isEmpty())
        trace().traceNumber(QStringLiteral("offline message without a valid time"), iMsgId);
    // The server hands out offline messages again after a lost session: copies are not news.
    if (!storeMessage(0, QString(), iRecvZpid, strName, strPhone, false, false, QString(),
                      renderText(strMsg), iMsgId, Codes::MsgNew, getZpidType(strZpid), 0, strTime))
        return;
    playMessageSound();
    Q_EMIT sig_addMsgRecord();
}

void Core::slot_onUpdateMsgRecord(quint32 iCircleId, QByteArray arRecvZpid, int iMsgId,
                                  int iMsgState, int iType)
{
    if (!database())
        return;
    const QString strZpid = QString::number(unpackUInt(arRecvZpid));
    if (iType == KindPerson || iType == KindCircle || iType == KindCard) {
        database()->setSentMsgState(iMsgId, iMsgState);
        const int iKind = iType == KindPerson ? getZpidType(strZpid) : iType;
        Q_EMIT sig_updateMsgRecord(iKind, strZpid, QString::number(iCircleId));
        return;
    }
    if (iType != KindCircleRequest)
        return;
    // The service took the user's own answer to a join request; iMsgId carries the kind of
    // that answer: without a text (3) for an application, with one (8) for a recommendation.
    if (iMsgState == Codes::MsgNew) {
        const CSessionState &session = sessionState();
        const bool bTextAnswer = iMsgId != Codes::ApplyAnswerResult;
        int iState = 0;
        if (session.iLastApplyReply == 0) {
            iState = bTextAnswer ? 6 : 1;
            // Somebody joined one of the user's circles.
            if (network())
                network()->slot_onGetCircle();
        } else {
            iState = bTextAnswer ? 7 : 2;
        }
        database()->setRequestState(KindCircleRequest, iCircleId, iState,
                                    bTextAnswer ? session.strLastApplyText : QString());
        Q_EMIT sig_updateMsgRecord(KindCircleRequest, strZpid, QString::number(iCircleId));
    }
    Q_EMIT sig_handleApply(iMsgState);
}

void Core::getMsgRecord()
{
    if (database())
        m_pMessage->msgRecord.replace(database()->getMsgRecord());
}

int Core::getUnReadMsgRecord()
{
    return database() ? database()->getUnReadMsgRecord(10, QString()) : 0;
}

void Core::getMessage(int iType, QString strKey)
{
    if (!database())
        return;
    Message &area = *m_pMessage;
    PublishedList &list = iType == KindCard            ? area.cardSysMsg
                          : iType == KindCircleRequest ? area.circleSysMsg
                                                       : area.message;
    list.replace(database()->getMessage(iType, strKey));
    Q_EMIT sig_updateMessage();
}

void Core::updateMessage(int iType, QString strKey)
{
    if (database())
        database()->updateMessage(iType, strKey);
}

void Core::delMsgRecord(int iType, QString strKey)
{
    if (database())
        database()->delMsgRecord(iType, strKey);
}

void Core::getSelect(int iType, QString strCircleId)
{
    if (database())
        m_pMessage->select.replace(
            database()->getContact(iType, strCircleId, m_pMessage->massZpids));
}

void Core::allSelect(bool flag)
{
    for (QObject *pRow : m_pMessage->select.rows())
        pRow->setProperty("bChecked", flag);
}

bool Core::addMassContact(QString strZpid, QString strName)
{
    Message &area = *m_pMessage;
    if (strZpid.isEmpty() || area.massZpids.contains(strZpid))
        return false;
    area.massZpids.append(strZpid);
    QList<QObject *> rows = area.massContact.rows();
    rows.append(new MassContactModel(strZpid, strName.isEmpty() ? strZpid : strName));
    area.massContact.replace(rows);
    return true;
}

void Core::addMassContact()
{
    // Copied first: adding may not change "selectModel", but the loop must not depend on it.
    const QList<QObject *> rows = m_pMessage->select.rows();
    for (QObject *pRow : rows) {
        if (pRow->property("bChecked").toBool())
            addMassContact(pRow->property("strZpid").toString(),
                           pRow->property("strName").toString());
    }
}

void Core::delMassContact(QString strZpid)
{
    Message &area = *m_pMessage;
    QList<QObject *> rows;
    if (strZpid.isEmpty()) {
        area.massZpids.clear();
    } else {
        area.massZpids.removeAll(strZpid);
        for (QObject *pRow : area.massContact.rows()) {
            if (pRow->property("strZpid").toString() != strZpid)
                rows.append(pRow);
        }
    }
    area.massContact.replace(rows);
}

void Core::sendMassMsg(QString strMsg)
{
    if (!network())
        return;
    const QStringList recipients = m_pMessage->massZpids;
    for (const QString &strZpid : recipients)
        network()->slot_onSendMsg(strMsg, strZpid);
}

QStringList Core::massContacts() const
{
    return m_pMessage->massZpids;
}
