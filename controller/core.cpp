#include "core.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QMenu>
#include <QQmlContext>
#include <QWindow>

#include "csetting.h"
#include "globalshortcut.h"

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
    delete m_pTrayIcon;
    delete m_pTrayMenu;
}

void Core::initialize()
{
    createTray();

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

    if (m_pRootObject && m_pRootObject->metaObject()->indexOfMethod("onUpdateContact()") >= 0)
        connect(this, SIGNAL(sig_updateContact()), m_pRootObject, SLOT(onUpdateContact()));

    m_trace.trace(QStringLiteral("initialize finished"));
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
    if (!m_bLoggedIn)
        return;
    m_bLoggedIn = false;
    Q_EMIT sig_changeState(false, false);
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
}

void Core::slot_onLoginState(int iState, QString strLoginId, QString strLoginPassword,
                             QString strZpid, QString strPhone)
{
    if (iState == 5) {
        Q_EMIT sig_changeState(true, false);
        return;
    }
    if (iState == 0)
        m_bLoggedIn = true;
    Q_EMIT sig_changeState(false, iState == 0);
    Q_EMIT sig_loginState(iState, strLoginId, strLoginPassword, strZpid, strPhone);
}
