// Core's saved sign-in accounts: the sign-in screen offers them and remembers passwords.
#include "core.h"

#include "cdatabase.h"

void Core::addAccount(QString strUserId, QString strPassword)
{
    if (m_pDatabase)
        m_pDatabase->addAccount(strUserId, strPassword);
}

QVariant Core::getAccount()
{
    return QVariant::fromValue(m_pDatabase ? m_pDatabase->getAccount() : QStringList());
}

QString Core::getPassword(QString strUserId)
{
    return m_pDatabase ? m_pDatabase->getPassword(strUserId) : QString();
}
