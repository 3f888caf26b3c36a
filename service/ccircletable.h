// CCircleTable: the circles (server-side groups) and their members. The seed file fills them
// now; the circle commands read them when that family is served. Every statement on the two
// tables is here.
#pragma once

#include <QList>
#include <QString>

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
    };

    explicit CCircleTable(const QString &strConnection) : CSqlTable(strConnection, "CCircleTable")
    {}

    bool createSchema();
    // Inserts the circle with its members; the caller holds the transaction.
    bool insert(const Circle &circle);
    bool exists(quint32 iCircleId) const;
    int count() const;
};
