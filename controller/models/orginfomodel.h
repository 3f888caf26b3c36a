// OrgInfoModel: one row of the enterprise directory tree, a department or an employee.
// Created without a parent; the list that holds it decides its lifetime.
#pragma once

#include "rowproperty.h"

class OrgInfoModel : public QObject
{
    Q_OBJECT
    ZEPHON_ROW_PROPERTY(QString, strNo, setStrNo, noChanged)
    ZEPHON_ROW_PROPERTY(QString, strPNo, setStrPNo, pnoChanged)
    ZEPHON_ROW_PROPERTY(QString, strPName, setStrPName, pnameChanged)
    ZEPHON_ROW_PROPERTY(QString, strZpid, setStrZpid, zpidChanged)
    ZEPHON_ROW_PROPERTY(QString, strName, setStrName, nameChanged)
    ZEPHON_ROW_PROPERTY(QString, strPhone, setStrPhone, phoneChanged)
    ZEPHON_ROW_PROPERTY(QString, strTel, setStrTel, telChanged)
    ZEPHON_ROW_PROPERTY(QString, strPost, setStrPost, postChanged)
    ZEPHON_ROW_PROPERTY(int, iUserCount, setIUserCount, usercountChanged)
    ZEPHON_ROW_PROPERTY(int, iUserType, setIUserType, usertypeChanged)
    ZEPHON_ROW_PROPERTY(bool, bExpand, setBExpand, expandChanged)
    ZEPHON_ROW_PROPERTY(QString, strSNo, setStrSNo, snoChanged)
    ZEPHON_ROW_PROPERTY(QString, strPSNo, setStrPSNo, psnoChanged)

public:
    OrgInfoModel(const QString &strNo, const QString &strPNo, const QString &strPName,
                 const QString &strZpid, const QString &strName, const QString &strPhone,
                 const QString &strTel, const QString &strPost, int iUserCount, int iUserType,
                 bool bExpand, const QString &strSNo, const QString &strPSNo,
                 QObject *parent = nullptr);
};
