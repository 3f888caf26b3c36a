// MessageModel: one message of a conversation or of a system-message list; a separator row is a
// copy of the message that follows it, shown as a time separator. Created without a parent; the
// list that holds it decides its lifetime.
#pragma once

#include "rowproperty.h"

class MessageModel : public QObject
{
    Q_OBJECT
    ZEPHON_ROW_PROPERTY(QString, strId, setStrId, idChanged)
    ZEPHON_ROW_PROPERTY(QString, strCircleId, setStrCircleId, circleIdChanged)
    ZEPHON_ROW_PROPERTY(QString, strCircleName, setStrCircleName, circleNameChanged)
    ZEPHON_ROW_PROPERTY(QString, strZpid, setStrZpid, zpidChanged)
    ZEPHON_ROW_PROPERTY(QString, strName, setStrName, nameChanged)
    ZEPHON_ROW_PROPERTY(QString, strPhone, setStrPhone, phoneChanged)
    ZEPHON_ROW_PROPERTY(bool, bRead, setBRead, readChanged)
    ZEPHON_ROW_PROPERTY(bool, bSend, setBSend, sendChanged)
    ZEPHON_ROW_PROPERTY(QString, strCaption, setStrCaption, captionChanged)
    ZEPHON_ROW_PROPERTY(QString, strContent, setStrContent, contentChanged)
    ZEPHON_ROW_PROPERTY(QString, strTime, setStrTime, timeChanged)
    ZEPHON_ROW_PROPERTY(int, iMsgId, setIMsgId, msgIdChanged)
    ZEPHON_ROW_PROPERTY(int, iMsgState, setIMsgState, msgStateChanged)
    ZEPHON_ROW_PROPERTY(int, iType, setIType, typeChanged)
    ZEPHON_ROW_PROPERTY(int, iSubType, setISubType, subtypeChanged)
    ZEPHON_ROW_PROPERTY(bool, bSeparator, setBSeparator, separatorChanged)

public:
    MessageModel(const QString &strId, const QString &strCircleId, const QString &strCircleName,
                 const QString &strZpid, const QString &strName, const QString &strPhone,
                 bool bRead, bool bSend, const QString &strCaption, const QString &strContent,
                 const QString &strTime, int iMsgId, int iMsgState, int iType, int iSubType,
                 bool bSeparator, QObject *parent = nullptr);
};
