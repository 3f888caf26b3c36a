// Core: the one controller object the screens see as "core". Its invokable methods are the
// screens' operations, its slots receive decoded server replies, its signals tell the
// screens what changed, and it publishes the element lists the screens show.
#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QSharedPointer>
#include <QString>
#include <QSystemTrayIcon>
#include <QUrl>
#include <QVariant>
#include <QWindow>

#include "ctrace.h"

class CDatabase;
class CNetwork;
class Protocol;
class QAction;
class QMenu;
class QQmlContext;
class GlobalShortcut;

class Core : public QObject
{
    Q_OBJECT

public:
    explicit Core(QObject *parent = nullptr);
    ~Core() override;

    // Set by the entry before initialize(): the window, the root QML item and its context.
    void setMainWindow(QWindow *pWindow) { m_pMainWindow = pWindow; }
    void setRootObject(QObject *pRoot) { m_pRootObject = pRoot; }
    void setRootContext(QQmlContext *pContext) { m_pRootContext = pContext; }

    void initialize();

    CNetwork *network() const { return m_pNetwork; }
    Protocol *protocol() const { return m_pProtocol; }
    QSharedPointer<CDatabase> database() const { return m_pDatabase; }

    // Window and tray (core_window.cpp).
    Q_INVOKABLE void setMainWindowSize(double dWidth, double dHeight);
    Q_INVOKABLE void setMainWindowFlag(bool flag);
    Q_INVOKABLE void setAutoStartup(bool flag);
    Q_INVOKABLE void setStaysOnTop(bool flag);
    Q_INVOKABLE void minimize();
    Q_INVOKABLE void quit();
    Q_INVOKABLE void moveWindow(int iOffsetX, int iOffsetY);
    Q_INVOKABLE void centerWindow(int x, int y);

    Q_INVOKABLE void logout();

    // Saved sign-in accounts (core_account.cpp).
    Q_INVOKABLE void addAccount(QString strUserId, QString strPassword);
    Q_INVOKABLE QVariant getAccount();
    Q_INVOKABLE QString getPassword(QString strUserId);

    // Contacts (core_contact.cpp).
    Q_INVOKABLE int getInputType(QVariant varInput);

    // Where the auto-start entry lives; tests point it elsewhere.
    static QString autoStartupEntryPath();

public Q_SLOTS:
    void slot_onMinimize();
    void slot_onShowNormal();
    void slot_onQuit();
    void slot_onActivated(QSystemTrayIcon::ActivationReason reason);
    void slot_onNetState(int iState);
    void slot_onLoginState(int iState, QString strLoginId, QString strLoginPassword,
                           QString strZpid, QString strPhone);

Q_SIGNALS:
    void sig_netState(QVariant varState);
    void sig_loginState(int iState, QString strLoginId, QString strLoginPassword, QString strZpid,
                        QString strPhone);
    void sig_updateContact();
    void sig_getAllUserState();
    void sig_updateUserState(QString strZpid, QString strPhone);
    void sig_updateUserPhone(bool flag, QString strPhone);
    void sig_addMsgRecord();
    void sig_updateMsgRecord(int iType, QString strZpid, QString strCircleId);
    void sig_updateMessage();
    void sig_call(QString strZpid);
    void sig_updateCall(int iState, QString strZpid);
    void sig_newCircle(int iRet, QString strCircleId);
    void sig_modifyCircleMember(int iType, int iRet, QString strCircleId);
    void sig_modifyCircleInfo(int iType, int iRet, QString strCircleId);
    void sig_dismissCircle(bool flag, QString strCircleId);
    void sig_exitCircle(bool flag, QString strCircleId);
    void sig_applyCircle(int iRet, int iType);
    void sig_handleApply(int iRet);
    void sig_updateNetContact(int iCount);
    void sig_modifyNetContact(int iRet);
    void sig_backupNetContactStart();
    void sig_backupContactStart();
    void sig_backupNetContactFinish(QString strInfo, QUrl strFile);
    void sig_backupContactFinish(QString strInfo, QUrl strFile);
    void sig_importNetContactStart();
    void sig_importCircleMemberStart();
    void sig_importOrgInfoStart();
    void sig_importCircleMemberFinish();
    void sig_importOrgInfoFinish();
    void sig_uploadNetContact(int iRet);
    void sig_saveCard(int iRet);
    void sig_saveCardPic(int iRet);
    void sig_updateCardPic(QString strZpid);
    void sig_getStrangeCard(QString strZpid, QString strCard);
    void sig_changePassword(int iType, int iSubType, int iRet);
    void sig_changeState(bool start, bool online);
    void sig_append(QString strMd5, QString strPath, QString strZpid, bool download, int iMsgId,
                    int iType);
    void sig_progress(QString strProgress, bool download, int iMsgId, int iType);
    void sig_success(QString filename, QString strZpid, bool download, int iMsgId, int iType);
    void sig_modifyOrgInfo(bool flag, int iType);
    void sig_setOrgInfo(QVariant varOrgIndex, QVariant varOrgInfo);
    void sig_loginenterprise(QString strOrgId, QString strName, QString strShortName, bool flag,
                             int iType);
    void sig_modifyDeptInfo(QString strOrgId, bool flag, int iType);
    void sig_setDeptInfo(QVariant varDeptIndex, QVariant varDeptInfo);
    void sig_setAccount(QVariant varAccount);

private:
    // One published list: its context property name and the member that holds it.
    struct PublishedList
    {
        const char *pName;
        QList<QObject *> Core::*pList;
    };
    static const PublishedList s_publishedLists[];

    void publish(const char *pName, const QList<QObject *> &list);
    void publishAllLists();
    void createTray();
    void connectObjects();
    void updateTrayActions();
    bool checkMainWindow() const;

    CTrace m_trace{"Core"};

    QPointer<QWindow> m_pMainWindow;
    QObject *m_pRootObject = nullptr;
    QQmlContext *m_pRootContext = nullptr;
    double m_dWindowWidth = 0;
    double m_dWindowHeight = 0;
    bool m_bContactsReady = false;

    CNetwork *m_pNetwork = nullptr;
    Protocol *m_pProtocol = nullptr;
    QSharedPointer<CDatabase> m_pDatabase;

    GlobalShortcut *m_pShortcut = nullptr;
    QSystemTrayIcon *m_pTrayIcon = nullptr;
    QMenu *m_pTrayMenu = nullptr;
    QAction *m_pMinimizeAction = nullptr;
    QAction *m_pRestoreAction = nullptr;
    QAction *m_pQuitAction = nullptr;

    QList<QObject *> m_listFace;
    QList<QObject *> m_listSearchSource;
    QList<QObject *> m_listContact;
    QList<QObject *> m_listSearchContact;
    QList<QObject *> m_listMsgRecord;
    QList<QObject *> m_listMessage;
    QList<QObject *> m_listCallRecord;
    QList<QObject *> m_listCall;
    QList<QObject *> m_listCircle;
    QList<QObject *> m_listCircleMember;
    QList<QObject *> m_listSearchUser;
    QList<QObject *> m_listSearchCircle;
    QList<QObject *> m_listSelect;
    QList<QObject *> m_listNetContact;
    QList<QObject *> m_listMayKnow;
    QList<QObject *> m_listMassContact;
    QList<QObject *> m_listOrgInfo;
    QList<QObject *> m_listEmpInfo;
};
