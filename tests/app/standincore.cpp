#include "standincore.h"

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
