// CParseThread: the frame of the workers that turn one bulk server payload into rows. A
// worker is made on the GUI thread for one payload and runs once on its own thread, which
// writes through its own connection to the main database inside one store batch.
//
// The account signed in when the worker is made is the one it writes for: if the store's
// account changes (sign-out, another sign-in) before or while it runs, the batch is dropped,
// so a late payload never lands in another account's address book.
//
// Payload texts have no escaping. A field longer than any text column of the rows is taken
// for a malformed record and skipped with it, so a huge text cannot end up in the store.
#pragma once

#include "cdatabase.h"
#include "ctrace.h"

#include <QList>
#include <QSharedPointer>
#include <QString>
#include <QStringView>
#include <QThread>

#include <functional>

class CParseThread : public QThread
{
    Q_OBJECT

public:
    ~CParseThread() override;

    static constexpr int kMaxFieldLength = 255;

protected:
    CParseThread(const char *pClassName, QSharedPointer<CDatabase> pDatabase);

    // The worker's body: parse the payload, then write it through writeBatch.
    virtual void parse() = 0;

    // False when the account the worker was made for is no longer signed in.
    bool accountCurrent() const;
    // Runs write inside one store batch that is kept only if the worker's account is still
    // signed in when it ends; true if kept. Nothing runs when the account is already gone.
    bool writeBatch(const std::function<void()> &write);
    // The signed-in user's own number, compared on its last 11 characters so that a stored
    // number with a country prefix is recognised too.
    bool isOwnPhone(const QString &strPhone) const;
    static bool fieldFits(QStringView field) { return field.size() <= kMaxFieldLength; }
    // The ';'-separated fields of one record when it has at least iUsed of them and none of
    // those is oversized; otherwise an empty list.
    static QList<QStringView> usableFields(QStringView record, int iUsed);

    QSharedPointer<CDatabase> m_pDatabase;
    CTrace m_trace;

private:
    void run() final;

    const char *m_pClassName;
    const quint32 m_iLoginZpid;
    const QString m_strOwnPhone;
};
