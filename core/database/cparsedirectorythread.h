// CParseDirectoryThread: stores one whole enterprise directory list, the departments or the
// employees of the organisation the user is signed in to. Core collects the pages the server
// sends a list in and hands the worker all their entries at once.
//
// The list replaces the table: in one store batch the table is emptied and every entry is
// inserted, so the screens never read half a list. The entries are read before the batch with
// the bounded reader, and a list whose entries do not fill exactly the count given (an entry
// cut short, bytes left over) is stored not at all: the table keeps the previous list. An entry
// with a sort key longer than any text column is a malformed record and is skipped. Texts are
// taken up to their first zero byte; an employee without a post is stored as "员工".
#pragma once

#include "cparsethread.h"

#include <QByteArray>

class CParseDirectoryThread : public CParseThread
{
    Q_OBJECT

public:
    enum Kind
    {
        Departments,
        Employees
    };

    // arEntries: iCount entries back to back, in the layout of the list's kind.
    CParseDirectoryThread(Kind kind, quint32 iOrgId, const QByteArray &arEntries, int iCount,
                          QSharedPointer<CDatabase> pDatabase);

    Kind kind() const { return m_kind; }
    quint32 orgId() const { return m_iOrgId; }
    // Read once the worker has finished: whether the list replaced the table, and how many
    // entries it stored.
    bool isStored() const { return m_bStored; }
    int storedCount() const { return m_iStored; }

    // The post an employee without one is shown with.
    static QString defaultPost();

protected:
    void parse() override;

private:
    const Kind m_kind;
    const quint32 m_iOrgId;
    const QByteArray m_arEntries;
    const int m_iCount;
    bool m_bStored = false;
    int m_iStored = 0;
};
