// CParseNetContactThread: replaces the cloud address book with the copy the server sent.
// The text holds records separated by ':', each with fields separated by ';': the phone
// (several numbers joined by "^#"), the name and the group; further fields are ignored.
//
// An entry repeated in the payload is stored once. A record with fewer than three fields,
// without a phone, or with an oversized field is skipped. An empty text, or one without any
// usable record, leaves the stored copy as it is: only the server's explicit "empty" answer
// clears it. A name or group holding ';' shifts the fields after it (the separators decide;
// the sender replaces them), and a ':' inside one splits the record in two.
#pragma once

#include "cparsethread.h"

class CParseNetContactThread : public CParseThread
{
    Q_OBJECT

public:
    CParseNetContactThread(const QString &strNetContact, QSharedPointer<CDatabase> pDatabase);

protected:
    void parse() override;

private:
    const QString m_strNetContact;
};
