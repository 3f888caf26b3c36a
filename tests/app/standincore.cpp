#include "standincore.h"

#include <QVariantMap>

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

int StandInCore::getInputType(const QVariant &varInput)
{
    return Rules::inputType(varInput.toString());
}

void StandInCore::playRing(const QString &strPath, int iCount)
{
    calls << QStringLiteral("playRing(%1,%2)").arg(strPath).arg(iCount);
}

void StandInCore::stopRing()
{
    calls << QStringLiteral("stopRing()");
}

void StandInCore::startAudio()
{
    calls << QStringLiteral("startAudio()");
}

void StandInCore::stopAudio()
{
    calls << QStringLiteral("stopAudio()");
}

void StandInCore::setMute(bool bMute)
{
    calls << QStringLiteral("setMute(%1)").arg(bMute ? "true" : "false");
}

void StandInCore::sendPush(const QString &strZpid)
{
    calls << QStringLiteral("sendPush(%1)").arg(strZpid);
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
    calls << QStringLiteral("getCallRecord(%1)").arg(strKey);
}

void StandInCore::updateCallRecord(const QString &strKey)
{
    calls << QStringLiteral("updateCallRecord(%1)").arg(strKey);
}

void StandInCore::delCallRecord(const QString &strKey)
{
    calls << QStringLiteral("delCallRecord(%1)").arg(strKey);
}

int StandInCore::getUnReadCallRecord()
{
    return iUnReadCalls;
}
