#include "searchcontactmodel.h"

SearchContactModel::SearchContactModel(const QString &strId, const QString &strZpid,
                                       const QString &strName, const QString &strPhone, int iType,
                                       QObject *parent)
    : QObject(parent), m_strId(strId), m_strZpid(strZpid), m_strName(strName), m_strPhone(strPhone),
      m_iType(iType)
{}
