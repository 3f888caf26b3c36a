#include "callrecordmodel.h"

CallRecordModel::CallRecordModel(const QString &strId, const QString &strZpid,
                                 const QString &strName, const QString &strPhone,
                                 const QString &strTime, int iCallTime, int iUnRead, int iType,
                                 QObject *parent)
    : QObject(parent), m_strId(strId), m_strZpid(strZpid), m_strName(strName), m_strPhone(strPhone),
      m_strTime(strTime), m_iCallTime(iCallTime), m_iUnRead(iUnRead), m_iType(iType)
{}
