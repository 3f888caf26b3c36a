// CallRecordModel: one call record; iCallTime is the call's length in seconds.
// Created without a parent; the list that holds it decides its lifetime.
#pragma once

#include "rowproperty.h"

class CallRecordModel : public QObject
{
    Q_OBJECT
    ZEPHON_ROW_PROPERTY(QString, strId, setStrId, idChanged)
    ZEPHON_ROW_PROPERTY(QString, strZpid, setStrZpid, zpidChanged)
    ZEPHON_ROW_PROPERTY(QString, strName, setStrName, nameChanged)
    ZEPHON_ROW_PROPERTY(QString, strPhone, setStrPhone, phoneChanged)
    ZEPHON_ROW_PROPERTY(QString, strTime, setStrTime, timeChanged)
    ZEPHON_ROW_PROPERTY(int, iCallTime, setICallTime, calltimeChanged)
    ZEPHON_ROW_PROPERTY(int, iUnRead, setIUnRead, unreadChanged)
    ZEPHON_ROW_PROPERTY(int, iType, setIType, typeChanged)

public:
    CallRecordModel(const QString &strId, const QString &strZpid, const QString &strName,
                    const QString &strPhone, const QString &strTime, int iCallTime, int iUnRead,
                    int iType, QObject *parent = nullptr);
};
