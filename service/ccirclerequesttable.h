// CCircleRequestTable: applications to join a circle and recommendations of someone to it,
// kept until the circle's creator answers them. One request per circle, sender and subject is
// open at a time; asking again replaces its text. Dissolving the circle or deleting an account
// drops its requests. Every statement on the table is here.
#pragma once

#include <QString>

#include <optional>

#include "csqltable.h"

class CCircleRequestTable : public CSqlTable
{
public:
    enum Kind
    {
        Application = 0,    // the sender asks to join
        Recommendation = 4, // a member proposes the subject
    };

    struct Request
    {
        qint64 iId = 0; // order of arrival
        quint32 iCircleId = 0;
        int iKind = Application;
        quint32 iSender = 0;
        quint32 iSubject = 0; // who would join: the sender itself for an application
        QString strText;
    };

    explicit CCircleRequestTable(const QString &strConnection)
        : CSqlTable(strConnection, "CCircleRequestTable")
    {}

    bool createSchema();
    // Records the request, or replaces the text of the same one still open; false on failure.
    bool add(const Request &request);
    // The oldest open request iSender made in the circle: an answer names its circle and
    // sender only.
    std::optional<Request> oldestFrom(quint32 iCircleId, quint32 iSender) const;
    bool remove(qint64 iId);
    int count(quint32 iCircleId) const;
};
