#include "standincore.h"

QVariant StandInCore::getSign(const QVariant &varId)
{
    calls << QStringLiteral("getSign(%1)").arg(varId.toString());
    return varId.toString() == QLatin1String("1") ? QStringLiteral("^wx^") : QString();
}

QString StandInCore::getLastName(const QVariant &varName)
{
    const QString name = varName.toString();
    return name.isEmpty() ? QString() : name.right(1);
}

bool StandInCore::hasUserPic(const QString &strZpid)
{
    return storedPictures.contains(strZpid);
}

// The controller's placeholder rule, so the pictures it names can be checked for existence.
QString StandInCore::getUserPic(int iType, int iSubType, const QString &strName,
                                const QString &strType)
{
    QString ending;
    switch (iType) {
    case 0:
        ending = QStringLiteral("-default.png");
        break;
    case 1:
        ending = QStringLiteral("-zpservice.png");
        break;
    case 5:
        ending = QStringLiteral("-pc.png");
        break;
    case 6:
        ending = QStringLiteral("-circle.png");
        break;
    case 7:
        ending = iSubType == 1 ? QStringLiteral("-circle-1.png") : QStringLiteral("-circle-0.png");
        break;
    default:
        ending = strName.isEmpty() ? QStringLiteral("-default.png") : QStringLiteral("-bg.png");
    }
    return QStringLiteral("images/userpic/userpic-") + strType + ending;
}

int StandInCore::getZpidType(const QVariant &varZpid)
{
    const QString zpid = varZpid.toString();
    if (zpid == QLatin1String("800"))
        return 1;
    return zpid.isEmpty() || zpid == QLatin1String("0") ? 3 : 2;
}

QString StandInCore::formatTime(int iTime)
{
    return QStringLiteral("%1:%2:%3")
        .arg(iTime / 3600, 2, 10, QLatin1Char('0'))
        .arg(iTime % 3600 / 60, 2, 10, QLatin1Char('0'))
        .arg(iTime % 60, 2, 10, QLatin1Char('0'));
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
