// Core's lifecycle and wiring: what every area shares, construction, the start
// routine with the one connection table, logout, quit and the login and network state reports.
#include "core.h"

#include <QCoreApplication>
#include <QDir>
#include <QQmlContext>

#include "cdatabase.h"
#include "cnetwork.h"
#include "codes.h"
#include "csessionstate.h"
#include "csetting.h"
#include "ctrace.h"
#include "protocol.h"
#include "publishedlist.h"
#include "singleworker.h"

struct Core::Shared
{
    CTrace trace{"Core"};
    // The root QML item: target of sig_updateContact and sender of the screens' requests.
    QObject *pRootObject = nullptr;
    // Every element list, and the root context they are published into.
    ListPublisher lists;

    CNetwork *pNetwork = nullptr;
    Protocol *pProtocol = nullptr;
    QSharedPointer<CDatabase> pDatabase;
};

void Core::AreaDeleter::operator()(Shared *pArea) const
{
    delete pArea;
}

void Core::makeShared()
{
    m_pShared.reset(new Shared);
}

Core::Core(QObject *parent) : QObject(parent)
{
    makeShared();
    makeWindow();
    // The lists are published in the order their areas make them.
    makeEmoticon();
    makeContact();
    makeMessage();
    makeCall();
    makeCircle();
    makeEnterprise();
}

Core::~Core()
{
    waitForWorkers();
    // The voice path writes to the session's socket, which goes with the session manager.
    stopAudio();
    stopRing();
    disconnect(this, nullptr, nullptr, nullptr);
    Shared &shared = *m_pShared;
    for (QObject *pObject :
         {static_cast<QObject *>(shared.pNetwork), static_cast<QObject *>(shared.pProtocol)}) {
        if (pObject)
            disconnect(pObject, nullptr, nullptr, nullptr);
    }
    delete shared.pNetwork;
    shared.pNetwork = nullptr;
    delete shared.pProtocol;
    shared.pProtocol = nullptr;
    shared.pDatabase.reset();
    // The areas go next, in reverse order of declaration; the owning lists among them publish
    // themselves empty and hand their rows to deleteLater().
}

void Core::setRootObject(QObject *pRoot)
{
    m_pShared->pRootObject = pRoot;
}

void Core::setRootContext(QQmlContext *pContext)
{
    m_pShared->lists.setContext(pContext);
}

CNetwork *Core::network() const
{
    return m_pShared->pNetwork;
}

Protocol *Core::protocol() const
{
    return m_pShared->pProtocol;
}

QSharedPointer<CDatabase> Core::database() const
{
    return m_pShared->pDatabase;
}

const CTrace &Core::trace() const
{
    return m_pShared->trace;
}

ListPublisher &Core::lists() const
{
    return m_pShared->lists;
}

void Core::initialize()
{
    Shared &shared = *m_pShared;
    createTray();

    registerNetworkMetaTypes();
    shared.pNetwork = new CNetwork;
    shared.pProtocol = new Protocol;
    shared.pDatabase.reset(new CDatabase(QStringLiteral("Zephon.db"), QStringLiteral("common.db")));

    shared.pNetwork->queryLocalId();
    // The server sends the address book afresh at every log-in.
    shared.pDatabase->clearContact();
    shared.pDatabase->loadPinyin();
    setMsgIdCounter(msgIdSeed(shared.pDatabase->getMaxMsgId(), QDateTime::currentDateTimeUtc()));

    // Files the client keeps beside the program: received pictures and screenshots.
    const QDir appDir(QCoreApplication::applicationDirPath());
    for (const char *pFolder : {"temp", "screenshot"}) {
        if (!appDir.exists(QLatin1String(pFolder)) && !appDir.mkpath(QLatin1String(pFolder)))
            shared.trace.traceError(QStringLiteral("cannot create folder ") +
                                    QLatin1String(pFolder));
    }

    CSetting *pSetting = CSetting::instance();
    if (QQmlContext *pContext = shared.lists.context())
        pContext->setContextProperty(QStringLiteral("setting"), pSetting);

    setAutoStartup(pSetting->autoStartup());

    shared.lists.publishAll();
    publishFaces();

    Q_EMIT sig_setAccount(QVariant::fromValue(shared.pDatabase->getAccount()));

    connectObjects();

    shared.trace.trace(QStringLiteral("initialize finished"));
}

// The connection table, in its order; every connection between Core, the root
// item, the session manager and the packet layer is made here.
void Core::connectObjects()
{
    QObject *pRoot = m_pShared->pRootObject;
    CNetwork *pNetwork = m_pShared->pNetwork;
    Protocol *pProtocol = m_pShared->pProtocol;

    if (pRoot && pRoot->metaObject()->indexOfMethod("onUpdateContact()") >= 0)
        connect(this, SIGNAL(sig_updateContact()), pRoot, SLOT(onUpdateContact()));
    connect(this, &Core::sig_getAllUserState, pNetwork, &CNetwork::slot_onGetAllUserState);
    connect(this, &Core::sig_call, pNetwork, &CNetwork::slot_onCall);

    // The root item's signals go straight to the session manager.
    struct RootLink
    {
        const char *pSignal;
        const char *pSlot;
    };
    const RootLink arRootLinks[] = {
        {SIGNAL(login(QString, QString, int)), SLOT(slot_onLogin(QString, QString, int))},
        {SIGNAL(getUserState(QString)), SLOT(slot_onGetUserState(QString))},
        {SIGNAL(getUserPhone(QString)), SLOT(slot_onGetUserPhone(QString))},
        {SIGNAL(changePassword(int, int, QVariant)),
         SLOT(slot_onChangePassword(int, int, QVariant))},
        {SIGNAL(getNetContact()), SLOT(slot_onGetNetContact())},
        {SIGNAL(savePersonalCard(QString)), SLOT(slot_onSavePersonalCard(QString))},
        {SIGNAL(hangup(QString)), SLOT(slot_onHangup(QString))},
        {SIGNAL(agree(QString)), SLOT(slot_onAgree(QString))},
        {SIGNAL(refuse(QString)), SLOT(slot_onRefuse(QString))},
    };
    // ... and some to Core itself.
    const RootLink arRootCoreLinks[] = {
        {SIGNAL(getContact(bool, QString)), SLOT(slot_onGetContact(bool, QString))},
        {SIGNAL(searchContact(QString)), SLOT(slot_onSearchContact(QString))},
    };
    // A root item without one of these signals (a test's, a reduced screen set) simply does
    // not make that request.
    const auto connectRoot = [pRoot](const RootLink &link, QObject *pReceiver) {
        if (pRoot->metaObject()->indexOfSignal(
                QMetaObject::normalizedSignature(link.pSignal + 1).constData()) >= 0)
            connect(pRoot, link.pSignal, pReceiver, link.pSlot);
    };
    if (pRoot) {
        for (const RootLink &link : arRootLinks)
            connectRoot(link, pNetwork);
        for (const RootLink &link : arRootCoreLinks)
            connectRoot(link, this);
        // After the session manager, so the call's record is closed once the session took it.
        connectRoot({SIGNAL(hangup(QString)), SLOT(slot_onCallHangup(QString))}, this);
        connectRoot({SIGNAL(refuse(QString)), SLOT(slot_onCallRefuse(QString))}, this);
        connectRoot({SIGNAL(sendMsg(QString, QString)), SLOT(slot_onSendMsg(QString, QString))},
                    pNetwork);
    }

    connect(pNetwork, &CNetwork::sig_parseProtocol, pProtocol, &Protocol::slot_onParseProtocol);
    connect(pNetwork, &CNetwork::sig_createProtocol, pProtocol, &Protocol::slot_onCreateProtocol);
    connect(pNetwork, &CNetwork::sig_netState, this, &Core::slot_onNetState);
    connect(pNetwork, &CNetwork::sig_loginState, this, &Core::slot_onLoginState);
    connect(pNetwork, &CNetwork::sig_parseCallState, this, &Core::slot_onParseCallState);

    connect(pProtocol, &Protocol::sig_sendProtocol, pNetwork, &CNetwork::slot_onSendProtocol);
    connect(pProtocol, &Protocol::sig_connectServer, pNetwork, &CNetwork::slot_onConnectServer);
    connect(pProtocol, &Protocol::sig_loginState, this, &Core::slot_onLoginState);
    connect(pProtocol, &Protocol::sig_parseContact, this, &Core::slot_onParseContact);
    connect(pProtocol, qOverload<QString, QString>(&Protocol::sig_parseUserState), this,
            qOverload<QString, QString>(&Core::slot_onParseUserState));
    connect(pProtocol, qOverload<QString>(&Protocol::sig_parseUserState), this,
            qOverload<QString>(&Core::slot_onParseUserState));
    connect(pProtocol, &Protocol::sig_parseUserPhone, this, &Core::slot_onParseUserPhone);
    connect(pProtocol, &Protocol::sig_parseCard, this, &Core::slot_onParseCard);
    connect(pProtocol, &Protocol::sig_parseCardPic, this, &Core::slot_onParseCardPic);
    connect(pProtocol, &Protocol::sig_saveCard, this, &Core::sig_saveCard);
    connect(pProtocol, &Protocol::sig_saveCardPic, this, &Core::sig_saveCardPic);
    connect(pProtocol, &Protocol::sig_applyCircle, this, &Core::sig_applyCircle);
    connect(pProtocol, &Protocol::sig_parseNetContact, this, &Core::slot_onParseNetContact);
    connect(pProtocol, &Protocol::sig_modifyNetContact, this, &Core::slot_onModifyNetContact);
    connect(pProtocol, &Protocol::sig_uploadNetContact, this, &Core::slot_onUploadNetContact);
    // Uploads the session manager settles without the server (empty or oversized lists).
    connect(pNetwork, &CNetwork::sig_uploadNetContact, this, &Core::slot_onUploadNetContact);
    connect(pProtocol, &Protocol::sig_parseUser, this, &Core::slot_onParseUser);

    // Messages: what was sent, received, picked up after being offline, and state reports.
    connect(pNetwork, &CNetwork::sig_saveMsgRecord, this, &Core::slot_onSaveMsgRecord);
    connect(pNetwork, &CNetwork::sig_updateMsgRecord, this, &Core::slot_onUpdateMsgRecord);
    connect(pProtocol, &Protocol::sig_saveMsgRecord, this, &Core::slot_onSaveMsgRecord);
    connect(pProtocol, &Protocol::sig_saveOfflineMsg, this, &Core::slot_onSaveOfflineMsg);
    connect(pProtocol, &Protocol::sig_updateMsgRecord, this, &Core::slot_onUpdateMsgRecord);
    connect(pProtocol, &Protocol::sig_parseCallState, this, &Core::slot_onParseCallState);
}

// Every worker kind is a SingleWorker child of Core.
void Core::waitForWorkers()
{
    const QList<SingleWorker *> workers = findChildren<SingleWorker *>();
    for (SingleWorker *pWorkers : workers)
        pWorkers->wait();
}

void Core::logout()
{
    Shared &shared = *m_pShared;
    if (!CSetting::instance()->save())
        shared.trace.traceError(QStringLiteral("cannot write config"));
    CSessionState &session = sessionState();
    if (!session.bHasLoggedIn)
        return;
    // The hang-up leaves while the session is still up.
    endCallForLogout();
    session.bHasLoggedIn = false;
    Q_EMIT sig_changeState(false, false);
    // A worker still writing rows would race the contact table's clearing below.
    waitForWorkers();
    if (shared.pNetwork)
        shared.pNetwork->logout();
    if (shared.pDatabase) {
        // Forget the account before clearing, so a worker of this session that still reaches
        // the store finds no account to write for and leaves no rows behind.
        shared.pDatabase->setLoginZpid(0);
        shared.pDatabase->setLoginPhone(QString());
        shared.pDatabase->clearContact();
    }
    shared.lists.publishAll();
    setContactsReady(false);
}

void Core::quit()
{
    slot_onQuit();
}

void Core::slot_onQuit()
{
    logout();
    QCoreApplication::quit();
}

void Core::slot_onNetState(int iState)
{
    Q_EMIT sig_netState(QVariant(iState));
    Q_EMIT sig_changeState(false, false);
    if (iState != Codes::NetLost && iState != Codes::NetHeartbeatLost)
        return;
    // A lost session comes back by itself once the re-login timer fires.
    CSessionState &session = sessionState();
    session.bSuppressDisconnect = false;
    session.pTimerLogin->stop();
    session.pTimerHeart->stop();
    if (!session.pTimerReLogin->isActive() && session.bHasLoggedIn)
        session.pTimerReLogin->start(session.iReLoginMs);
}

void Core::slot_onLoginState(int iState, QString strLoginId, QString strLoginPassword,
                             QString strZpid, QString strPhone)
{
    if (iState == Codes::LoginStarted) {
        Q_EMIT sig_changeState(true, false);
        return;
    }
    if (iState == Codes::LoginOk && m_pShared->pDatabase) {
        m_pShared->pDatabase->setLoginZpid(sessionState().iZpid);
        m_pShared->pDatabase->setLoginPhone(sessionState().strPhone);
    }
    Q_EMIT sig_changeState(false, iState == Codes::LoginOk);
    Q_EMIT sig_loginState(iState, strLoginId, strLoginPassword, strZpid, strPhone);
}
