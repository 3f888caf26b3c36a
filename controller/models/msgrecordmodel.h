// MsgRecordModel: one conversation of the recent-conversations list.
// Created without a parent; the list that holds it decides its lifetime.
#pragma once

#include "rowproperty.h"

class MsgRecordModel : public QObject
{
    Q_OBJECT
    ZEPHON_ROW_PROPERTY(QString, strZpid, setStrZpid, zpidChanged)
    ZEPHON_ROW_PROPERTY(QString, strName, setStrName, nameChanged)
    ZEPHON_ROW_PROPERTY(QString, strPhone, setStrPhone, phoneChanged)
    ZEPHON_ROW_PROPERTY(QString, strMsg, setStrMsg, msgChanged)
    ZEPHON_ROW_PROPERTY(QString, strTime, setStrTime, timeChanged)
    ZEPHON_ROW_PROPERTY(int, iUnRead, setIUnRead, unreadChanged)
    ZEPHON_ROW_PROPERTY(int, iType, setIType, typeChanged)
    ZEPHON_ROW_PROPERTY(int, iSubType, setISubType, subtypeChanged)

public:
    MsgRecordModel(const QString &strZpid, const QString &strName, const QString &strPhone,
                   const QString &strMsg, const QString &strTime, int iUnRead, int iType,
                   int iSubType, QObject *parent = nullptr);
};
