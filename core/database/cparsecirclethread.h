// CParseCircleThread: brings the account's circles in line with the list the server sent. A
// circle whose version is unchanged keeps its row and its members; a new circle (no row yet,
// whatever its version) or one whose version changed is written anew without members and is
// put on the refresh list, whose members Core then asks for; a circle the list no longer names
// goes with its members and its messages.
//
// The count at the head of the list is believed only as far as the bytes go: reading stops at
// the first record that does not fit, and no part of it is stored. A list cut short names only
// some of the circles, so then no circle is removed for being missing from it. Records with
// circle id 0 (which names no circle) and repeated ids are skipped.
#pragma once

#include "cparsethread.h"

#include <QByteArray>
#include <QList>

class CParseCircleThread : public CParseThread
{
    Q_OBJECT

public:
    CParseCircleThread(const QByteArray &arCircle, QSharedPointer<CDatabase> pDatabase);

    // Read once the worker has finished: the circles whose members must be fetched again, in
    // the list's order, and whether the whole list was read.
    const QList<quint32> &refreshList() const { return m_refresh; }
    bool isComplete() const { return m_bComplete; }

protected:
    void parse() override;

private:
    const QByteArray m_arCircle;
    QList<quint32> m_refresh;
    bool m_bComplete = false;
};
