#include "messagemodel.h"

MessageModel::MessageModel(const QString &strId, const QString &strCircleId,
                           const QString &strCircleName, const QString &strZpid,
                           const QString &strName, const QString &strPhone, bool bRead, bool bSend,
                           const QString &strCaption, const QString &strContent,
                           const QString &strTime, int iMsgId, int iMsgState, int iType,
                           int iSubType, bool bSeparator, QObject *parent)
    : QObject(parent), m_strId(strId), m_strCircleId(strCircleId), m_strCircleName(strCircleName),
      m_strZpid(strZpid), m_strName(strName), m_strPhone(strPhone), m_bRead(bRead), m_bSend(bSend),
      m_strCaption(strCaption), m_strContent(strContent), m_strTime(strTime), m_iMsgId(iMsgId),
      m_iMsgState(iMsgState), m_iType(iType), m_iSubType(iSubType), m_bSeparator(bSeparator)
{}
