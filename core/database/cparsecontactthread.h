// CParseContactThread: stores the address book the server pushes after log-in. The text
// holds records separated by ':', each with fields separated by ';': the phone, the name,
// and fields this client ignores. The batch writes the assistant contact, then one Type 3
// row per usable record; the first record of a number wins and the user's own number is
// left out.
//
// The separators always decide the split (the sender replaces ':' and ';' in names): a name
// holding ';' keeps its part before it, and the text after a ':' in a name becomes a record
// of its own, dropped when it lacks a phone or a name. A record without a phone, with a name
// that is empty once punctuation is removed, or with an oversized field is skipped.
#pragma once

#include "cparsethread.h"

class CParseContactThread : public CParseThread
{
    Q_OBJECT

public:
    CParseContactThread(const QString &strContact, QSharedPointer<CDatabase> pDatabase);

protected:
    void parse() override;

private:
    void writeAssistant();

    const QString m_strContact;
};
