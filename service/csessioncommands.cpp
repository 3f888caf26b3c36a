#include "csessioncommands.h"

#include <QRegularExpression>

#include "caes.h"
#include "cclientconnection.h"
#include "cfieldwriter.h"
#include "cloginthrottle.h"
#include "cpasswordhash.h"
#include "cserviceconfig.h"
#include "cservicecontext.h"
#include "cservicecounters.h"
#include "cservicestore.h"

using namespace Codes;

namespace {

// Attempts queued for one account beyond this are refused at once rather than kept.
constexpr int MAX_QUEUED_LOGINS = 8;

QStringList phoneList(const QString &strText)
{
    static const QRegularExpression separators(QStringLiteral("[:;,\\s]+"));
    return strText.split(separators, Qt::SkipEmptyParts);
}

QByteArray presenceReply(quint8 iCode, int iCount, const QString &strOnline,
                         const QString &strOffline)
{
    return CFieldWriter(iCode)
        .u8(0)
        .u32(quint32(iCount))
        .u8(0)
        .blob32(encryptText(strOnline))
        .u8(0)
        .blob32(encryptText(strOffline))
        .packet();
}

} // namespace

CSessionCommands::CSessionCommands(CServiceContext &service)
    : m_service(service), m_passwordChanges(service.config().iPasswordChangesPerMinute,
                                            service.config().iPasswordChangesPerMinute)
{
    connect(&service, &CServiceContext::sessionEnded, this,
            [this](quint64 iSessionId) { m_passwordChanges.forget(iSessionId); });
}

void CSessionCommands::install(CDispatcher &dispatcher)
{
    using D = CDispatcher;
    auto bind = [this](void (CSessionCommands::*pHandler)(CRequest &)) {
        return [this, pHandler](CRequest &request) { (this->*pHandler)(request); };
    };
    dispatcher.add(CmdSubServer, D::OnMain | D::OnTcp, D::NoSession,
                   bind(&CSessionCommands::onSubServer));
    dispatcher.add(CmdLogin, D::OnTcp, D::NoSession, bind(&CSessionCommands::onLogin));
    dispatcher.add(CmdHeartbeat, D::OnUdp, D::ClaimsEndpoint, bind(&CSessionCommands::onHeartbeat));
    dispatcher.add(CmdLogout, D::OnUdp | D::OnTcp, D::SenderField,
                   bind(&CSessionCommands::onLogout));
    dispatcher.add(CmdAllUserState, D::OnTcp | D::OnUdp, D::SenderField,
                   bind(&CSessionCommands::onAllUserState));
    dispatcher.add(CmdUserState, D::OnUdp | D::OnTcp, D::SenderField,
                   bind(&CSessionCommands::onUserState));
    dispatcher.add(CmdUserPhone, D::OnUdp | D::OnTcp, D::SenderField,
                   bind(&CSessionCommands::onUserPhone));
    dispatcher.add(CmdChangePassword, D::OnTcp, D::SenderField,
                   bind(&CSessionCommands::onChangePassword));
}

void CSessionCommands::onSubServer(CRequest &request)
{
    CClientConnection *pConnection = request.connection();
    if (!pConnection)
        return;
    // The address the client reached us on is one it can reach the sub-server on.
    bool bV4 = false;
    const QHostAddress local = pConnection->localAddress();
    const quint32 iV4 = local.toIPv4Address(&bV4);
    const QString strAddress = bV4 ? QHostAddress(iV4).toString() : local.toString();
    m_service.reply(
        request,
        CFieldWriter(CmdSubServer).blob32(strAddress.toUtf8()).u32(m_service.subPort()).packet());
}

void CSessionCommands::onLogin(CRequest &request)
{
    CFieldReader &r = request.fields();
    r.u8();   // client kind
    r.str8(); // version
    const quint8 iType = r.u8();
    std::optional<CAccountTable::Row> account;
    if (iType == LoginByZpid) {
        account = m_service.store().accounts().byZpid(r.u32());
    } else if (iType == LoginByMobile || iType == LoginByMobileAlt) {
        account = m_service.store().accounts().byMobile(r.enc8Text().trimmed());
    }
    const QString strPassword = r.enc8Text();
    if (!account) {
        m_service.counters().event(CServiceCounters::LoginUnknownAccount);
        replyLogin(request.connection(), 0, LoginUnknownAccount, QString());
        return;
    }
    QQueue<PendingLogin> &queue = m_logins[account->iZpid];
    if (queue.size() >= MAX_QUEUED_LOGINS) {
        m_service.counters().event(CServiceCounters::LoginRefused);
        replyLogin(request.connection(), 0, LoginLocked, QString());
        return;
    }
    queue.enqueue(PendingLogin{request.connection(), account->iZpid, strPassword});
    if (queue.size() == 1)
        startNextLogin(account->iZpid);
}

void CSessionCommands::startNextLogin(quint32 iZpid)
{
    auto it = m_logins.find(iZpid);
    while (it != m_logins.end() && !it->isEmpty()) {
        const PendingLogin &login = it->head();
        if (!login.connection) {
            it->dequeue();
            continue;
        }
        if (m_service.throttle().isLocked(iZpid, m_service.nowMs())) {
            m_service.counters().event(CServiceCounters::LoginRefused);
            replyLogin(login.connection, 0, LoginLocked, QString());
            it->dequeue();
            continue;
        }
        const auto account = m_service.store().accounts().byZpid(iZpid);
        const QByteArray arHash = account ? account->arPasswordHash : QByteArray();
        m_service.hashes().check(arHash, login.strPassword, [this, iZpid](bool bOk) {
            auto queue = m_logins.find(iZpid);
            if (queue == m_logins.end() || queue->isEmpty())
                return;
            const PendingLogin login = queue->dequeue();
            finishLogin(login, bOk);
            startNextLogin(iZpid);
        });
        return;
    }
    if (it != m_logins.end())
        m_logins.erase(it);
}

void CSessionCommands::finishLogin(const PendingLogin &login, bool bPasswordOk)
{
    CLoginThrottle &throttle = m_service.throttle();
    if (!bPasswordOk) {
        throttle.recordFailure(login.iZpid, m_service.nowMs());
        m_service.counters().event(CServiceCounters::LoginWrongPassword);
        replyLogin(login.connection, 0, LoginWrongPassword, QString());
        return;
    }
    throttle.recordSuccess(login.iZpid);
    const auto account = m_service.store().accounts().byZpid(login.iZpid);
    if (!login.connection || !account)
        return;
    m_service.counters().event(CServiceCounters::LoginOk);
    m_service.openSession(login.connection, login.iZpid);
    replyLogin(login.connection, login.iZpid, LoginOk, account->strMobile);
}

void CSessionCommands::replyLogin(CClientConnection *pConnection, quint32 iZpid, quint8 iResult,
                                  const QString &strPhone)
{
    CFieldWriter w(CmdLogin);
    w.zpid(iZpid).u8(iResult).enc8(strPhone);
    if (w.ok())
        m_service.send(pConnection, w.packet());
}

void CSessionCommands::onHeartbeat(CRequest &request)
{
    // An endpoint on trial hears its answer when the trial ends.
    if (!request.session()->bEndpointConfirmed)
        return;
    m_service.reply(request, CFieldWriter(CmdHeartbeat).packet());
    m_service.sessionReady(*request.session());
}

void CSessionCommands::onLogout(CRequest &request)
{
    m_service.endSession(request.session()->iId);
}

void CSessionCommands::presence(const QStringList &phones, quint32 iSelf, QStringList &online,
                                QStringList &offline) const
{
    const QHash<QString, quint32> zpids = m_service.store().accounts().zpidsOfMobiles(phones);
    QSet<QString> seen;
    for (const QString &strPhone : phones) {
        if (seen.contains(strPhone))
            continue;
        seen.insert(strPhone);
        const quint32 iZpid = zpids.value(strPhone);
        if (iZpid == 0 || iZpid == iSelf)
            continue;
        QStringList &list = m_service.sessions().isOnline(iZpid) ? online : offline;
        list << strPhone << QString::number(iZpid);
    }
}

void CSessionCommands::onAllUserState(CRequest &request)
{
    const quint32 iSelf = request.session()->iZpid;
    QStringList phones;
    for (const CAddressBookTable::Entry &entry : m_service.store().addressBooks().entries(iSelf))
        phones << entry.strPhone;
    QStringList online;
    QStringList offline;
    presence(phones, iSelf, online, offline);
    const int iCount = int(online.size() + offline.size()) / 2;
    m_service.reply(request, presenceReply(CmdAllUserState, iCount, online.join(QLatin1Char(':')),
                                           offline.join(QLatin1Char(':'))));
}

void CSessionCommands::onUserState(CRequest &request)
{
    CFieldReader &r = request.fields();
    r.u8(); // kind
    QStringList phones = phoneList(decryptText(r.blob32()));
    phones.removeDuplicates();
    const int iMax = m_service.config().iMaxPresenceNumbers;
    if (phones.size() > iMax) {
        m_service.counters().drop(CServiceCounters::DropListTooLong);
        phones.resize(iMax);
    }
    if (!m_service.allowLookup(request, int(phones.size() + 99) / 100))
        return;
    QStringList online;
    QStringList offline;
    presence(phones, request.session()->iZpid, online, offline);
    const int iCount = int(online.size() + offline.size()) / 2;
    QString strOnline = online.join(QLatin1Char(':'));
    // The client reads this reply's two lists as one text joined without a separator; the
    // separator is carried at the end of the first list so the pairs stay apart.
    if (!online.isEmpty() && !offline.isEmpty())
        strOnline.append(QLatin1Char(':'));
    m_service.reply(request,
                    presenceReply(CmdUserState, iCount, strOnline, offline.join(QLatin1Char(':'))));
}

void CSessionCommands::onUserPhone(CRequest &request)
{
    const quint32 iZpid = request.fields().u32();
    if (iZpid != request.session()->iZpid && !m_service.allowLookup(request))
        return;
    const auto account = m_service.store().accounts().byZpid(iZpid);
    CFieldWriter w(CmdUserPhone);
    w.u8(account ? 0 : 1).u32(iZpid);
    if (account)
        w.enc8(account->strMobile);
    else
        w.u8(0);
    if (w.ok())
        m_service.reply(request, w.packet());
}

void CSessionCommands::onChangePassword(CRequest &request)
{
    CFieldReader &r = request.fields();
    r.u8(); // sub-type: the client keeps it to itself
    const QString strPassword = r.enc8Text();
    const quint32 iZpid = request.session()->iZpid;
    QPointer<CClientConnection> connection = request.connection();
    auto reply = [this, connection, iZpid](quint8 iResult) {
        m_service.send(connection,
                       CFieldWriter(CmdChangePassword).zpid(iZpid).u8(iResult).packet());
    };
    if (strPassword.isEmpty()) {
        m_service.counters().drop(CServiceCounters::DropBadField);
        reply(1);
        return;
    }
    const bool bAllowed = m_passwordChanges.allow(request.session()->iId, m_service.nowMs());
    if (!bAllowed) {
        m_service.counters().drop(CServiceCounters::DropRateLimited);
        reply(1);
        return;
    }
    const bool bQueued = m_service.hashes().change(
        iZpid, strPassword, m_service.config().hashCost, [this, iZpid, reply](QByteArray arHash) {
            const bool bSaved =
                !arHash.isEmpty() && m_service.store().accounts().setPasswordHash(iZpid, arHash);
            reply(bSaved ? 0 : 1);
        });
    if (!bQueued) {
        m_service.counters().drop(CServiceCounters::DropHashBusy);
        reply(1);
    }
}
