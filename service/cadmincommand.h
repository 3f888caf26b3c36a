// CAdminCommand: the administration commands of zephond, run against the store instead of
// serving: add an account, set its address book or card, list the accounts, apply a seed
// file or the demo data. Each returns a process exit code and writes what it did.
#pragma once

#include <QStringList>
#include <QTextStream>

#include "cpasswordhash.h"

class CServiceStore;

class CAdminCommand
{
public:
    // True when strName names a command (the first positional argument).
    static bool isCommand(const QString &strName);
    static QString usage();

    CAdminCommand(CServiceStore &store, CPasswordHash::Cost cost, QTextStream &in, QTextStream &out,
                  QTextStream &err)
        : m_store(store), m_cost(cost), m_in(in), m_out(out), m_err(err)
    {}

    int run(const QStringList &arguments);

private:
    int addAccount(const QStringList &arguments);
    int setBook(const QStringList &arguments);
    int setCard(const QStringList &arguments);
    int listAccounts();
    int seed(const QByteArray &arJson);
    // The Zpid of an existing account, or 0 after saying why there is none.
    quint32 existingAccount(const QString &strZpid);
    int fail(const QString &strMessage);

    CServiceStore &m_store;
    CPasswordHash::Cost m_cost;
    QTextStream &m_in;
    QTextStream &m_out;
    QTextStream &m_err;
};
