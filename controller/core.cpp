#include "core.h"

#include <QCoreApplication>
#include <QDir>
#include <QMenu>
#include <QQmlContext>

#include "cdatabase.h"
#include "cnetwork.h"
#include "csessionstate.h"
#include "csetting.h"
#include "globalshortcut.h"
#include "protocol.h"

const Core::PublishedList Core::s_publishedLists[] = {
    {"faceModel", &Core::m_listFace},
    {"contactModel", &Core::m_listContact},
    {"searchcontactModel", &Core::m_listSearchContact},
    {"msgrecordModel", &Core::m_listMsgRecord},
    {"messageModel", &Core::m_listMessage},
    {"cardsysmsgModel", &Core::m_listMessage},
    {"circlesysmsgModel", &Core::m_listMessage},
    {"callrecordModel", &Core::m_listCallRecord},
    {"callModel", &Core::m_listCall},
    {"circleModel", &Core::m_listCircle},
    {"circlememberModel", &Core::m_listCircleMember},
    {"searchuserModel", &Core::m_listSearchUser},
    {"searchcircleModel", &Core::m_listSearchCircle},
    {"selectModel", &Core::m_listSelect},
    {"netcontactModel", &Core::m_listNetContact},
    {"mayknowModel", &Core::m_listMayKnow},
    {"masscontactModel", &Core::m_listMassContact},
    {"orginfoModel", &Core::m_listOrgInfo},
    {"empinfoModel", &Core::m_listEmpInfo},
};

Core::Core(QObject *parent) : QObject(parent)
{
    m_pShortcut = new GlobalShortcut(this);
    m_pShortcut->setShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+D")));
}

Core::~Core()
{
    disconnect(this, nullptr, nullptr, nullptr);
    for (QObject *pObject :
         {static_cast<QObject *>(m_pNetwork), static_cast<QObject *>(m_pProtocol)}) {
        if (pObject)
            disconnect(pObject, nullptr, nullptr, nullptr);
    }
    delete m_pNetwork;
    delete m_pProtocol;
    delete m_pTrayIcon;
    delete m_pTrayMenu;
    m_pDatabase.reset();
}

void Core::initialize()
{
    createTray();

    registerNetworkMetaTypes();
    m_pNetwork = new CNetwork;
    m_pProtocol = new Protocol;
    m_pDatabase.reset(new CDatabase(QStringLiteral("Zephon.db"), QStringLiteral("common.db")));

    m_pNetwork->queryLocalId();
    // The server sends the address book afresh at every log-in.
    m_pDatabase->clearContact();
    m_pDatabase->loadPinyin();
    setMsgIdCounter(m_pDatabase->getMaxMsgId());

    // Files the client keeps beside the program: received pictures and screenshots.
    const QDir appDir(QCoreApplication::applicationDirPath());
    for (const char *pFolder : {"temp", "screenshot"}) {
        if (!appDir.exists(QLatin1String(pFolder)) && !appDir.mkpath(QLatin1String(pFolder)))
            m_trace.traceError(QStringLiteral("cannot create folder ") + QLatin1String(pFolder));
    }

    CSetting *pSetting = CSetting::instance();
    if (m_pRootContext)
        m_pRootContext->setContextProperty(QStringLiteral("setting"), pSetting);

    setAutoStartup(pSetting->autoStartup());

    publishAllLists();

    Q_EMIT sig_setAccount(QVariant::fromValue(m_pDatabase->getAccount()));

    connectObjects();

    m_trace.trace(QStringLiteral("initialize finished"));
}

void Core::connectObjects()
{
    if (m_pRootObject && m_pRootObject->metaObject()->indexOfMethod("onUpdateContact()") >= 0)
        connect(this, SIGNAL(sig_updateContact()), m_pRootObject, SLOT(onUpdateContact()));
    connect(this, &Core::sig_getAllUserState, m_pNetwork, &CNetwork::slot_onGetAllUserState);

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
    };
    if (m_pRootObject) {
        for (const RootLink &link : arRootLinks)
            connect(m_pRootObject, link.pSignal, m_pNetwork, link.pSlot);
    }

    connect(m_pNetwork, &CNetwork::sig_parseProtocol, m_pProtocol, &Protocol::slot_onParseProtocol);
    connect(m_pNetwork, &CNetwork::sig_createProtocol, m_pProtocol,
            &Protocol::slot_onCreateProtocol);
    connect(m_pNetwork, &CNetwork::sig_netState, this, &Core::slot_onNetState);
    connect(m_pNetwork, &CNetwork::sig_loginState, this, &Core::slot_onLoginState);

    connect(m_pProtocol, &Protocol::sig_sendProtocol, m_pNetwork, &CNetwork::slot_onSendProtocol);
    connect(m_pProtocol, &Protocol::sig_connectServer, m_pNetwork, &CNetwork::slot_onConnectServer);
    connect(m_pProtocol, &Protocol::sig_loginState, this, &Core::slot_onLoginState);
    connect(m_pProtocol, &Protocol::sig_saveCard, this, &Core::sig_saveCard);
    connect(m_pProtocol, &Protocol::sig_saveCardPic, this, &Core::sig_saveCardPic);
    connect(m_pProtocol, &Protocol::sig_applyCircle, this, &Core::sig_applyCircle);
}

void Core::publish(const char *pName, const QList<QObject *> &list)
{
    if (!m_pRootContext)
        return;
    m_pRootContext->setContextProperty(QLatin1String(pName), QVariant::fromValue(list));
}

void Core::publishAllLists()
{
    for (const PublishedList &entry : s_publishedLists)
        publish(entry.pName, this->*entry.pList);
}

void Core::logout()
{
    if (!CSetting::instance()->save())
        m_trace.traceError(QStringLiteral("cannot write config"));
    CSessionState &session = sessionState();
    if (!session.bHasLoggedIn)
        return;
    session.bHasLoggedIn = false;
    Q_EMIT sig_changeState(false, false);
    if (m_pNetwork)
        m_pNetwork->logout();
    if (m_pDatabase)
        m_pDatabase->clearContact();
    publishAllLists();
    m_bContactsReady = false;
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
    if (iState != -1 && iState != 2)
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
    if (iState == 5) {
        Q_EMIT sig_changeState(true, false);
        return;
    }
    if (iState == 0 && m_pDatabase) {
        m_pDatabase->setLoginZpid(sessionState().iZpid);
        m_pDatabase->setLoginPhone(sessionState().strPhone);
    }
    Q_EMIT sig_changeState(false, iState == 0);
    Q_EMIT sig_loginState(iState, strLoginId, strLoginPassword, strZpid, strPhone);
}
