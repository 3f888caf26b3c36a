// CDirectoryTable: the enterprise directory: organisations, their departments and employees.
// The seed file fills it now; the directory commands read it when that family is served.
// Every statement on the three tables is here.
#pragma once

#include <QList>
#include <QString>

#include "csqltable.h"

class CDirectoryTable : public CSqlTable
{
public:
    struct Department
    {
        QString strNo;
        QString strName;
        QString strParentNo; // empty for a top department
    };

    struct Employee
    {
        QString strUserId;
        QString strDeptNo;
        QString strName;
        QString strPost;
        QString strPhone;
        QString strTel;
        quint32 iZpid = 0; // 0 when the employee has no account
    };

    struct Organisation
    {
        quint32 iOrgId = 0;
        QString strName;
        QString strShortName;
        QList<Department> departments;
        QList<Employee> employees;
    };

    explicit CDirectoryTable(const QString &strConnection)
        : CSqlTable(strConnection, "CDirectoryTable")
    {}

    bool createSchema();
    // Inserts the organisation with its departments and employees; the caller holds the
    // transaction.
    bool insert(const Organisation &organisation);
    bool exists(quint32 iOrgId) const;
    int count() const;
};
