// CircleModel: one circle; iUserType is the local user's role in it.
// Created without a parent; the list that holds it decides its lifetime.
#pragma once

#include "rowproperty.h"

class CircleModel : public QObject
{
    Q_OBJECT
    ZEPHON_ROW_PROPERTY(QString, strId, setStrId, idChanged)
    ZEPHON_ROW_PROPERTY(QString, strName, setStrName, nameChanged)
    ZEPHON_ROW_PROPERTY(int, iType, setIType, typeChanged)
    ZEPHON_ROW_PROPERTY(int, iUserType, setIUserType, usertypeChanged)
    ZEPHON_ROW_PROPERTY(int, iUserCount, setIUserCount, usercountChanged)
    ZEPHON_ROW_PROPERTY(QString, strProfile, setStrProfile, profileChanged)
    ZEPHON_ROW_PROPERTY(QString, strZpid, setStrZpid, zpidChanged)
    ZEPHON_ROW_PROPERTY(QString, strCreater, setStrCreater, createrChanged)

public:
    CircleModel(const QString &strId, const QString &strName, int iType, int iUserType,
                int iUserCount, const QString &strProfile, const QString &strZpid,
                const QString &strCreater, QObject *parent = nullptr);
};
