// CSessionCommands: the commands that make and keep a session: the sub-server query 102,
// login 39 (by Zpid or by mobile number), heartbeat 3, logout 35, presence 11 and 12, the
// telephone look-up 13 and the password change 31. Password hashes are checked and made on a
// worker pool so that a sign-in never stalls the heartbeats of everyone else; attempts for
// one account are checked one at a time, so the lock after repeated wrong passwords holds.
// Password changes wait behind the sign-in checks, are few per session and, over all, a small
// queue; the ones beyond are refused. A presence query is bounded and looked up in one
// statement; look-ups of other accounts count against the session's look-up rate.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <QPointer>
#include <QQueue>
#include <QString>

#include "cdispatcher.h"
#include "chashqueue.h"
#include "cratelimiter.h"

class CServiceContext;
class CClientConnection;

class CSessionCommands : public QObject
{
    Q_OBJECT
public:
    explicit CSessionCommands(CServiceContext &service);
    void install(CDispatcher &dispatcher);

private:
    struct PendingLogin
    {
        QPointer<CClientConnection> connection;
        quint32 iZpid = 0;
        QString strPassword;
    };

    void onSubServer(CRequest &request);
    void onLogin(CRequest &request);
    void onHeartbeat(CRequest &request);
    void onLogout(CRequest &request);
    void onAllUserState(CRequest &request);
    void onUserState(CRequest &request);
    void onUserPhone(CRequest &request);
    void onChangePassword(CRequest &request);

    void startNextLogin(quint32 iZpid);
    void finishLogin(const PendingLogin &login, bool bPasswordOk);
    void replyLogin(CClientConnection *pConnection, quint32 iZpid, quint8 iResult,
                    const QString &strPhone);
    // Presence of the numbers given: registered ones as "phone:zpid" pairs, online or offline.
    void presence(const QStringList &phones, quint32 iSelf, QStringList &online,
                  QStringList &offline) const;

    CServiceContext &m_service;
    // Attempts waiting per account; the head is the one being checked.
    QHash<quint32, QQueue<PendingLogin>> m_logins;
    CRateLimiter m_passwordChanges;
};
