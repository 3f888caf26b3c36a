// Core's saved sign-in accounts: the sign-in screen offers them and remembers passwords.
#include "core.h"

#include "cdatabase.h"
#include "codes.h"
#include "csessionstate.h"
#include "rules.h"

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

bool Core::passwordFits(QString strPassword)
{
    return Rules::passwordFits(strPassword);
}

void Core::slot_onChangePassword(int iType, int iSubType, int iRet)
{
    CSessionState &session = sessionState();
    if (iType == Codes::PasswordLogin) {
        const QString strNew = session.strPendingPassword;
        session.strPendingPassword.clear();
        if (iRet == 0 && !strNew.isEmpty()) {
            // A re-login after a lost connection must use the new password, and so must the
            // next sign-in from a remembered account; an account saved without its password
            // stays without.
            session.strLoginPassword = strNew;
            const QSharedPointer<CDatabase> pDatabase = database();
            if (pDatabase && !pDatabase->getPassword(session.strLoginId).isEmpty())
                pDatabase->addAccount(session.strLoginId, strNew);
        }
    }
    Q_EMIT sig_changePassword(iType, iSubType, iRet);
}
