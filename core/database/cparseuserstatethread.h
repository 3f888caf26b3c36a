// CParseUserStateThread: marks the address-book entries whose numbers belong to registered
// users, from the presence reply's two lists (online and offline). Each list is a ':'-separated
// run of phone, Zpid, phone, Zpid, …; a trailing phone without its Zpid is ignored. Being online
// or offline is not stored: both lists only say "registered".
//
// Only address-book entries are re-typed (Type 2 with the Zpid); the own card and the
// assistant keep theirs, and pairs for the user's own number, without a phone, or whose
// Zpid is zero or not a number are skipped. Once the batch is kept, getCard asks once for
// the picture of every registered user found.
#pragma once

#include "cparsethread.h"

#include <QList>

class CParseUserStateThread : public CParseThread
{
    Q_OBJECT

public:
    CParseUserStateThread(const QString &strOnline, const QString &strOffline,
                          QSharedPointer<CDatabase> pDatabase);

signals:
    void getCard(QString strZpid, int iType);

protected:
    void parse() override;

private:
    struct Registration
    {
        quint32 iZpid;
        QString strPhone;
    };

    // Appends the usable pairs of one list; returns the number of malformed ones.
    int collect(const QString &strList, QList<Registration> &registrations) const;

    const QString m_strOnline;
    const QString m_strOffline;
};
