#include "contactmodel.h"

ContactModel::ContactModel(const QString &strId, const QString &strZpid, const QString &strName,
                           const QString &strSex, const QString &strPost, const QString &strCompany,
                           const QString &strAddress, const QString &strPhone,
                           const QString &strTel, const QString &strEmail, const QString &strNotes,
                           const QString &strProfession, const QString &strHomepage,
                           const QString &strFax, const QString &strAge, const QString &strNickname,
                           const QString &strLocation, int iType, bool bChecked, QObject *parent)
    : QObject(parent), m_strId(strId), m_strZpid(strZpid), m_strName(strName), m_strSex(strSex),
      m_strPost(strPost), m_strCompany(strCompany), m_strAddress(strAddress), m_strPhone(strPhone),
      m_strTel(strTel), m_strEmail(strEmail), m_strNotes(strNotes), m_strProfession(strProfession),
      m_strHomepage(strHomepage), m_strFax(strFax), m_strAge(strAge), m_strNickname(strNickname),
      m_strLocation(strLocation), m_iType(iType), m_bChecked(bChecked)
{}
