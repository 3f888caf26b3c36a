#include "orginfomodel.h"

OrgInfoModel::OrgInfoModel(const QString &strNo, const QString &strPNo, const QString &strPName,
                           const QString &strZpid, const QString &strName, const QString &strPhone,
                           const QString &strTel, const QString &strPost, int iUserCount,
                           int iUserType, bool bExpand, const QString &strSNo,
                           const QString &strPSNo, QObject *parent)
    : QObject(parent), m_strNo(strNo), m_strPNo(strPNo), m_strPName(strPName), m_strZpid(strZpid),
      m_strName(strName), m_strPhone(strPhone), m_strTel(strTel), m_strPost(strPost),
      m_iUserCount(iUserCount), m_iUserType(iUserType), m_bExpand(bExpand), m_strSNo(strSNo),
      m_strPSNo(strPSNo)
{}
