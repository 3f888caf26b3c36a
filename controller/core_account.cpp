// Core's saved sign-in accounts: the sign-in screen offers them and remembers passwords.
#include "core.h"

#include "cdatabase.h"

// No state of its own: the accounts live in the store.

void Core::addAccount(QString strUserId, QString strPassword)
{
    if (const QSharedPointer<CDatabase> pDatabase = database())
        pDatabase->addAccount(strUserId, strPassword);
}

QVariant Core::getAccount()
{
    const QSharedPointer<CDatabase> pDatabase = database();
    return QVariant::fromValue(pDatabase ? pDatabase->getAccount() : QStringList());
}

QString Core::getPassword(QString strUserId)
{
    const QSharedPointer<CDatabase> pDatabase = database();
    return pDatabase ? pDatabase->getPassword(strUserId) : QString();
}
