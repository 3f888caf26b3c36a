#include "cuserpiccache.h"

bool CUserPicCache::insert(const QString &strZpid, const QByteArray &arPicture)
{
    if (strZpid.isEmpty() || arPicture.isEmpty() || arPicture.size() > kMaxPictureBytes)
        return false;
    m_pictures.insert(strZpid, arPicture);
    return true;
}

CUserPicCache &userPicCache()
{
    static CUserPicCache cache;
    return cache;
}
