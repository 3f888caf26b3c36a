#include "standincore.h"

#include <QVariantMap>

#include "codes.h"
#include "rules.h"
#include "utility.h"

QVariant StandInCore::getSign(const QVariant &varId)
{
    calls << QStringLiteral("getSign(%1)").arg(varId.toString());
    return varId.toString() == QLatin1String("1") ? QStringLiteral("^wx^") : QString();
}

QString StandInCore::getLastName(const QVariant &varName)
{
    return Rules::lastName(varName.toString());
}

bool StandInCore::hasUserPic(const QString &strZpid)
{
    return storedPictures.contains(strZpid);
}

QString StandInCore::getUserPic(int iType, int iSubType, const QString &strName,
                                const QString &strType)
{
    return Rules::userPicPath(iType, iSubType, strName, strType);
}

int StandInCore::getZpidType(const QVariant &varZpid)
{
    return Rules::zpidKind(varZpid.toString(), ownZpid);
}

QString StandInCore::formatTime(int iTime)
{
    return ::formatTime(iTime);
}

QString StandInCore::getEnPassword(const QString &strUserId)
{
    calls << QStringLiteral("getEnPassword(%1)").arg(strUserId);
    return enPassword;
}

QString StandInCore::chooseDir(const QString &strFileName, const QString &strSuffix)
{
    calls << QStringLiteral("chooseDir(%1,%2)").arg(strFileName, strSuffix);
    return chosenDir;
}

void StandInCore::downloadFile(const QString &strMd5, const QString &strPath,
                               const QString &strZpid, int iMsgId, int iSubType)
{
    calls << QStringLiteral("downloadFile(%1,%2,%3,%4,%5)")
                 .arg(strMd5, strPath, strZpid)
                 .arg(iMsgId)
                 .arg(iSubType);
}

void StandInCore::cancelRecvFile(const QString &strPath, const QString &strZpid, bool download,
                                 int iMsgId)
{
    calls << QStringLiteral("cancelRecvFile(%1,%2,%3,%4)")
                 .arg(strPath, strZpid, download ? QStringLiteral("true") : QStringLiteral("false"))
                 .arg(iMsgId);
}

void StandInCore::exchangeCardReply(const QString &strZpid, const QString &strRet)
{
    calls << QStringLiteral("exchangeCardReply(%1,%2)").arg(strZpid, strRet);
}

void StandInCore::expandList(int index, const QString &strDeptNo)
{
    calls << QStringLiteral("expandList(%1,%2)").arg(index).arg(strDeptNo);
}

void StandInCore::shrinkList(const QString &strDeptNo)
{
    calls << QStringLiteral("shrinkList(%1)").arg(strDeptNo);
}

void StandInCore::openMap(const QString &strAddress)
{
    calls << QStringLiteral("openMap(%1)").arg(strAddress);
}

namespace {

QString text(const QString &value)
{
    return value;
}

QString text(int value)
{
    return QString::number(value);
}

QString text(bool value)
{
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

// "name(a,b,...)" as the tests read the calls.
template <typename... Args> QString call(const char *name, const Args &...args)
{
    const QStringList parts{text(args)...};
    return QString::fromLatin1(name) + QLatin1Char('(') + parts.join(QLatin1Char(',')) +
           QLatin1Char(')');
}

} // namespace

int StandInCore::getInputType(const QVariant &varInput)
{
    return Rules::inputType(varInput.toString());
}

bool StandInCore::isOnline(const QString &strZpid)
{
    return online.contains(strZpid);
}

QString StandInCore::getContactNameByZpid(const QVariant &varZpid)
{
    return contactNames.value(varZpid.toString());
}

QString StandInCore::getContactPhoneByZpid(const QVariant &varZpid)
{
    return contactPhones.value(varZpid.toString());
}

// The controller matches a phone by its last 11 characters.
QString StandInCore::getContactNameByPhone(const QVariant &varPhone)
{
    return contactNames.value(getContactZpidByPhone(varPhone));
}

QString StandInCore::getContactZpidByPhone(const QVariant &varPhone)
{
    const QString strTail = varPhone.toString().right(11);
    if (strTail.isEmpty())
        return {};
    for (auto it = contactPhones.cbegin(); it != contactPhones.cend(); ++it) {
        if (it.value().endsWith(strTail))
            return it.key();
    }
    return {};
}

QString StandInCore::parseCard(const QString &strCard, int index)
{
    const QStringList fields = strCard.split(QLatin1Char(':'));
    return index >= 0 && index < fields.size() ? fields.at(index) : QString();
}

QString StandInCore::getCard(const QString &strKey, int iType)
{
    calls << call("getCard", strKey, iType);
    return cards.value(strKey);
}

void StandInCore::getStrangeCard(const QString &strKey)
{
    calls << call("getStrangeCard", strKey);
}

void StandInCore::sendCard(int index, const QString &strZpid)
{
    calls << call("sendCard", index, strZpid);
}

void StandInCore::sendMassCard(int index)
{
    calls << call("sendMassCard", index);
}

void StandInCore::sendCardTo(int index)
{
    calls << call("sendCardTo", index);
}

void StandInCore::exchangeCardRequest(const QString &strZpid)
{
    calls << call("exchangeCardRequest", strZpid);
}

void StandInCore::exchangeCard(const QString &strZpid)
{
    calls << call("exchangeCard", strZpid);
}

void StandInCore::getNetContact()
{
    calls << call("getNetContact");
}

void StandInCore::modifyNetContact(int iType, const QString &strId, const QString &strName,
                                   const QString &strPhone, const QString &strGroup)
{
    calls << call("modifyNetContact", iType, strId, strName, strPhone, strGroup);
}

void StandInCore::getMayKnow()
{
    calls << call("getMayKnow");
}

void StandInCore::getMsgRecord()
{
    calls << call("getMsgRecord");
}

int StandInCore::getUnReadMsgRecord()
{
    calls << call("getUnReadMsgRecord");
    return unreadCount;
}

void StandInCore::getMessage(int iType, const QString &strKey)
{
    calls << call("getMessage", iType, strKey);
}

void StandInCore::updateMessage(int iType, const QString &strKey)
{
    calls << call("updateMessage", iType, strKey);
}

void StandInCore::delMsgRecord(int iType, const QString &strKey)
{
    calls << call("delMsgRecord", iType, strKey);
}

void StandInCore::getSelect(int iType, const QString &strCircleId)
{
    calls << call("getSelect", iType, strCircleId);
}

void StandInCore::allSelect(bool flag)
{
    calls << call("allSelect", flag);
}

bool StandInCore::addMassContact(const QString &strZpid, const QString &strName)
{
    calls << call("addMassContact", strZpid, strName);
    if (massRecipients.contains(strZpid))
        return false;
    massRecipients << strZpid;
    return true;
}

void StandInCore::addMassContact()
{
    calls << call("addMassContact");
}

void StandInCore::delMassContact(const QString &strZpid)
{
    calls << call("delMassContact", strZpid);
    if (strZpid.isEmpty())
        massRecipients.clear();
    else
        massRecipients.removeAll(strZpid);
}

void StandInCore::sendMassMsg(const QString &strMsg)
{
    calls << call("sendMassMsg", strMsg);
}

void StandInCore::grabImage(int x, int y)
{
    calls << call("grabImage", x, y);
}

QString StandInCore::chooseImage()
{
    calls << call("chooseImage");
    return chosenImage;
}

QString StandInCore::chooseFile()
{
    calls << call("chooseFile");
    return chosenFile;
}

void StandInCore::uploadFile(const QString &strFileName, const QString &strZpid, int iSubType)
{
    calls << call("uploadFile", strFileName, strZpid, iSubType);
}

void StandInCore::screenshot(const QString &strZpid, int iSubType)
{
    calls << call("screenshot", strZpid, iSubType);
}

void StandInCore::sendPush(const QString &strZpid)
{
    calls << call("sendPush", strZpid);
}

void StandInCore::playRing(const QString &strPath, int iCount)
{
    calls << call("playRing", strPath, iCount);
}

void StandInCore::searchCircleUser(const QString &strCondition)
{
    calls << call("searchCircleUser", strCondition);
}

void StandInCore::searchCircle(const QString &strCondition)
{
    calls << call("searchCircle", strCondition);
}

void StandInCore::getCircle()
{
    calls << call("getCircle");
}

void StandInCore::getCircleMember(const QString &strCircleId)
{
    calls << call("getCircleMember", strCircleId);
}

int StandInCore::getCircleMemberCount(const QString &strCircleId)
{
    return circleMemberCounts.value(strCircleId);
}

QString StandInCore::getCircleProfile(const QString &strCircleId)
{
    return circleProfiles.value(strCircleId);
}

QString StandInCore::getCircleCreateZpid(const QString &strCircleId)
{
    return circleCreators.value(strCircleId);
}

int StandInCore::getCircleUserType(const QString &strCircleId, const QString &strZpid)
{
    return circleRoles.value(strCircleId + QLatin1Char(':') + strZpid, Codes::CircleRoleMember);
}

QString StandInCore::getCircleMemberCard(const QString &strKey, const QString &strCircleId)
{
    return circleMemberCards.value(strKey + QLatin1Char(':') + strCircleId);
}

void StandInCore::newCircle(const QString &strCircleName, int iCircleType)
{
    calls << call("newCircle", strCircleName, iCircleType);
}

void StandInCore::modifyCircleMember(int iType, const QString &strCircleId, const QString &strId,
                                     const QString &strName, const QString &strPhone,
                                     const QString &strCompany)
{
    calls << call("modifyCircleMember", iType, strCircleId, strId, strName, strPhone, strCompany);
}

void StandInCore::recommendFromContact(const QString &strCircleId, const QString &strCircleName,
                                       int iCircleType)
{
    calls << call("recommendFromContact", strCircleId, strCircleName, iCircleType);
}

void StandInCore::importCircleMember(const QString &strCircleId)
{
    calls << call("importCircleMember", strCircleId);
}

void StandInCore::openCircleMemberTemplate()
{
    calls << call("openCircleMemberTemplate");
}

void StandInCore::backupNetContact()
{
    calls << call("backupNetContact");
}

void StandInCore::importNetContact()
{
    calls << call("importNetContact");
}

void StandInCore::openNetContactTemplate()
{
    calls << call("openNetContactTemplate");
}

void StandInCore::stopRing()
{
    calls << call("stopRing");
}

void StandInCore::startAudio()
{
    calls << call("startAudio");
}

void StandInCore::stopAudio()
{
    calls << call("stopAudio");
}

void StandInCore::setMute(bool bMute)
{
    calls << call("setMute", bMute);
}

QVariant StandInCore::getCallPeer(const QString &strZpid)
{
    const QStringList parts = callPeers.value(strZpid).split(QLatin1Char(':'));
    QVariantMap peer;
    peer.insert(QStringLiteral("strName"), parts.value(0));
    peer.insert(QStringLiteral("strPhone"), parts.value(1));
    return peer;
}

void StandInCore::getCallRecord(const QString &strKey)
{
    calls << call("getCallRecord", strKey);
}

void StandInCore::updateCallRecord(const QString &strKey)
{
    calls << call("updateCallRecord", strKey);
}

void StandInCore::delCallRecord(const QString &strKey)
{
    calls << call("delCallRecord", strKey);
}

int StandInCore::getUnReadCallRecord()
{
    return iUnReadCalls;
}

void StandInCore::setAutoStartup(bool flag)
{
    calls << call("setAutoStartup", flag);
}

void StandInCore::setStaysOnTop(bool flag)
{
    calls << call("setStaysOnTop", flag);
}

void StandInCore::logout()
{
    calls << call("logout");
}

void StandInCore::getOrgInfo(const QString &strExInfo)
{
    calls << call("getOrgInfo", strExInfo);
}

void StandInCore::loginEnterprise(const QString &strOrgId, const QString &strPassword)
{
    calls << call("loginEnterprise", strOrgId, strPassword);
}

void StandInCore::logoutEnterprise()
{
    calls << call("logoutEnterprise");
}

void StandInCore::getDeptInfo()
{
    calls << call("getDeptInfo");
}

void StandInCore::getEmpList(const QString &strDeptNo)
{
    calls << call("getEmpList", strDeptNo);
}

void StandInCore::modifyOrgInfo(const QVariant &varOrgInfo, int iType)
{
    calls << call("modifyOrgInfo", varOrgInfo.toStringList().join(QLatin1Char('|')), iType);
}

void StandInCore::modifyDeptInfo(const QString &strOrgId, const QString &strPNo,
                                 const QString &strNo, const QString &strSNo,
                                 const QString &strName, int iType)
{
    calls << call("modifyDeptInfo", strOrgId, strPNo, strNo, strSNo, strName, iType);
}

void StandInCore::modifyEmpInfo(const QString &strZpid, const QString &strOrgId,
                                const QString &strPNo, const QString &strNo, const QString &strSNo,
                                const QString &strName, const QString &strPhone,
                                const QString &strTel, const QString &strPost, int iType)
{
    calls << call("modifyEmpInfo", strZpid, strOrgId, strPNo, strNo, strSNo, strName, strPhone,
                  strTel, strPost, iType);
}

void StandInCore::modifyEmpInfo(const QString &strOrgId, const QString &strTel)
{
    calls << call("modifyEmpInfo", strOrgId, strTel);
}

void StandInCore::addEmpFromContact(const QString &strOrgId, const QString &strPNo)
{
    calls << call("addEmpFromContact", strOrgId, strPNo);
}

QString StandInCore::getEmpTel()
{
    calls << call("getEmpTel");
    return empTel;
}

void StandInCore::addEnAccount(const QString &strUserId, const QString &strPassword)
{
    calls << call("addEnAccount", strUserId, strPassword);
    enPassword = strPassword;
}

QString StandInCore::getEmpCard(const QString &strNo, const QString &strDeptNo)
{
    calls << call("getEmpCard", strNo, strDeptNo);
    return empCards.value(strNo + QLatin1Char(':') + strDeptNo);
}
