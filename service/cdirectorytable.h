// CDirectoryTable: the enterprise directory: organisations with their password, departments
// and employees with their role and sort key. Every statement on the three tables is here.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

#include "codes.h"
#include "csqltable.h"

class CDirectoryTable : public CSqlTable
{
public:
    struct Department
    {
        QString strNo;
        QString strName;
        QString strParentNo; // empty for a top department
        QString strSortKey;
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
        int iRole = Codes::RoleEmployee;
        QString strSortKey;
    };

    struct Organisation
    {
        quint32 iOrgId = 0;
        QString strName;
        QString strShortName;
        QList<Department> departments;
        QList<Employee> employees;
        QByteArray arPasswordHash; // the password the organisation's members sign in with
    };

    explicit CDirectoryTable(const QString &strConnection)
        : CSqlTable(strConnection, "CDirectoryTable")
    {}

    bool createSchema();
    // The fourth layout: the organisation's password, the employees' roles and sort keys.
    bool addRolesAndKeys();
    // Inserts the organisation with its departments and employees; the caller holds the
    // transaction.
    bool insert(const Organisation &organisation);
    bool exists(quint32 iOrgId) const;
    int count() const;

    // At most iLimit organisations whose name holds strText (all for an empty one), by id,
    // without their departments and employees.
    QList<Organisation> organisations(const QString &strText, int iLimit) const;
    // The organisation with its password hash, without departments and employees.
    std::optional<Organisation> organisation(quint32 iOrgId) const;
    QList<Department> departments(quint32 iOrgId) const;
    // The employees of one department, or of all for an empty number, in sort-key order.
    QList<Employee> employees(quint32 iOrgId, const QString &strDeptNo) const;
    // The employee record of an account: by its Zpid, or by its mobile number.
    std::optional<Employee> employeeOf(quint32 iOrgId, quint32 iZpid,
                                       const QString &strPhone) const;
    std::optional<Employee> employee(quint32 iOrgId, const QString &strUserId) const;
    int employeeCount(quint32 iOrgId, const QString &strDeptNo) const;
    bool departmentExists(quint32 iOrgId, const QString &strNo) const;

    // A new organisation numbered after the others; 0 when it cannot be stored.
    quint32 create(const Organisation &organisation);
    bool setNames(quint32 iOrgId, const QString &strName, const QString &strShortName);
    bool setPassword(quint32 iOrgId, const QByteArray &arHash);
    // Adds or replaces a department or employee, by its number or user id.
    bool putDepartment(quint32 iOrgId, const Department &dept);
    bool putEmployee(quint32 iOrgId, const Employee &emp);
    bool removeDepartment(quint32 iOrgId, const QString &strNo);
    bool removeEmployee(quint32 iOrgId, const QString &strUserId);
};
