// Core's user pictures: the placeholder pictures of people without one.
#include "core.h"

#include "rules.h"

QString Core::getUserPic(int iType, int iSubType, QString strName, QString strType)
{
    return Rules::userPicPath(iType, iSubType, strName, strType);
}
