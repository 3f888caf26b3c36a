#include "netcontactmodel.h"

NetContactModel::NetContactModel(const QString &strId, const QString &strName,
                                 const QString &strPhone, const QString &strGroup, QObject *parent)
    : QObject(parent), m_strId(strId), m_strName(strName), m_strPhone(strPhone),
      m_strGroup(strGroup)
{}
