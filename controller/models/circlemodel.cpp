#include "circlemodel.h"

CircleModel::CircleModel(const QString &strId, const QString &strName, int iType, int iUserType,
                         int iUserCount, const QString &strProfile, const QString &strZpid,
                         const QString &strCreater, QObject *parent)
    : QObject(parent), m_strId(strId), m_strName(strName), m_iType(iType), m_iUserType(iUserType),
      m_iUserCount(iUserCount), m_strProfile(strProfile), m_strZpid(strZpid),
      m_strCreater(strCreater)
{}
