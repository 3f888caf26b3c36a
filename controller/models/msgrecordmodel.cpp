#include "msgrecordmodel.h"

MsgRecordModel::MsgRecordModel(const QString &strZpid, const QString &strName,
                               const QString &strPhone, const QString &strMsg,
                               const QString &strTime, int iUnRead, int iType, int iSubType,
                               QObject *parent)
    : QObject(parent), m_strZpid(strZpid), m_strName(strName), m_strPhone(strPhone),
      m_strMsg(strMsg), m_strTime(strTime), m_iUnRead(iUnRead), m_iType(iType), m_iSubType(iSubType)
{}
