// CCircleTable: the circles (server-side groups) and their members, with each circle's version,
// which every change of its information or members raises so that clients refetch it. Every
// statement on the two tables is here.
#pragma once

#include <QList>
#include <QString>

#include <optional>

#include "csqltable.h"

class CCircleTable : public CSqlTable
{
public:
    struct Member
    {
        quint32 iZpid = 0;
        int iRole = 0; // 1 the creator, 2 an administrator, 3 a member
    };

    struct Circle
    {
        quint32 iCircleId = 0;
        QString strName;
        int iType = 0;
        int iProperty = 0;
        quint32 iCreator = 0;
        QString strProfile;
        QList<Member> members;
        quint32 iVersion = 1;
        double dCreated = 0; // days since 1899-12-30, as the wire carries times
        int iMemberCount = 0;
        int iOwnRole = 0; // the role of the user a listing was made for
    };

    enum Role
    {
        RoleNone = 0,
        RoleCreator = 1,
        RoleAdmin = 2,
        RoleMember = 3,
    };

    explicit CCircleTable(const QString &strConnection) : CSqlTable(strConnection, "CCircleTable")
    {}

    bool createSchema();
    // The second layout: the circle's creation time.
    bool addCreatedColumn();
    // Inserts the circle with its members; the caller holds the transaction.
    bool insert(const Circle &circle);
    bool exists(quint32 iCircleId) const;
    int count() const;

    // A new circle with its creator as the only member; 0 when it cannot be stored.
    quint32 create(const QString &strName, int iType, quint32 iCreator, double dCreated);
    // The circles iZpid belongs to, with that user's role and the member count.
    QList<Circle> ofMember(quint32 iZpid) const;
    std::optional<Circle> circle(quint32 iCircleId) const;
    // At most iLimit circles whose name holds strText (any case), or whose id it is, with their
    // member counts, in id order.
    QList<Circle> search(const QString &strText, int iLimit) const;
    QList<Member> members(quint32 iCircleId) const;
    // RoleNone when the user is not a member.
    int roleOf(quint32 iCircleId, quint32 iZpid) const;
    // Changes the name (kind 1) or the profile (kind 2) and raises the version.
    bool setInfo(quint32 iCircleId, int iKind, const QString &strText);
    bool removeMember(quint32 iCircleId, quint32 iZpid);
    // Adds iZpid as a member (a user already in it keeps its role) and raises the version.
    bool addMember(quint32 iCircleId, quint32 iZpid);
    // The circle and its members.
    bool remove(quint32 iCircleId);

private:
    // Every change of a circle's information or members makes its members fetch it again.
    bool raiseVersion(quint32 iCircleId);
};
