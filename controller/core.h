// Core: the one controller object the screens see as "core", typed as Core of the QML module
// Zephon.Controller. Its invokable methods are the screens' operations, its slots receive decoded
// server replies, its signals tell the screens what changed, and it publishes the element lists
// the screens show.
//
// Core is one facade over feature areas (window, contacts, messages, emoticons, calls,
// circles, enterprise directory, user pictures). Each area keeps its members
// in a private struct defined in its own source file (core_<area>.cpp), reached through one
// pointer here; this header holds no area's state. What every area uses (the session manager,
// the packet layer, the store, the list publisher, the trace) is the Shared struct of core.cpp,
// where the connection table is as well.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QPixmap>
#include <QSharedPointer>
#include <QString>
#include <QSystemTrayIcon>
#include <QUrl>
#include <QVariant>
#include <QtQml/qqmlregistration.h>

#include <memory>

class CDatabase;
class CDesktop;
class CFtp;
class ScreenShot;
class CNetwork;
class CTrace;
class QImage;
class ListPublisher;
class Protocol;
class QQmlContext;
class QThread;
class QWindow;

class Core : public QObject
{
    Q_OBJECT
    // The screens hold Core as this type, so that the tools check every call and handler on it;
    // the build describes it for them from this class. The one instance is made by the entry.
    QML_ELEMENT
    QML_UNCREATABLE("Core is made by the entry and published as \"core\"")

public:
    explicit Core(QObject *parent = nullptr);
    ~Core() override;

    // Set by the entry before initialize(): the window, the root QML item and its context.
    void setMainWindow(QWindow *pWindow);
    void setRootObject(QObject *pRoot);
    void setRootContext(QQmlContext *pContext);

    void initialize();

    CNetwork *network() const;
    Protocol *protocol() const;
    QSharedPointer<CDatabase> database() const;

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
    // Whether a new login password fits the one-byte counted field it travels in.
    Q_INVOKABLE bool passwordFits(QString strPassword);

    // Contacts (core_contact.cpp).
    Q_INVOKABLE QString getLastName(QVariant varName);
    Q_INVOKABLE int getZpidType(QVariant varZpid);
    Q_INVOKABLE int getInputType(QVariant varInput);
    Q_INVOKABLE QString formatTime(int iTime);
    Q_INVOKABLE double getStringLength(QString string);
    Q_INVOKABLE QString getContactNameByZpid(QVariant varZpid);
    Q_INVOKABLE QString getContactPhoneByZpid(QVariant varZpid);
    Q_INVOKABLE QString getContactNameByPhone(QVariant varPhone);
    Q_INVOKABLE QString getContactZpidByPhone(QVariant varPhone);
    Q_INVOKABLE void getNetContact();
    Q_INVOKABLE void modifyNetContact(int iType, QString strId, QString strName = QString(),
                                      QString strPhone = QString(), QString strGroup = QString());
    Q_INVOKABLE void getMayKnow();
    Q_INVOKABLE QString parseCard(QString strCard, int index);
    // The card text of the edited own card: the fields, each freed of the separators.
    Q_INVOKABLE QString makeCard(QStringList strFields);
    Q_INVOKABLE QString getCard(QString strKey, int iType = 0);
    Q_INVOKABLE QString getEmpCard(QString strNo, QString strDeptNo);
    Q_INVOKABLE QString getCircleMemberCard(QString strKey, QString strCircleId);
    Q_INVOKABLE void getStrangeCard(QString strKey);
    Q_INVOKABLE void sendCard(int index, QString strZpid);
    Q_INVOKABLE void sendMassCard(int index);
    Q_INVOKABLE void sendCardTo(int index);
    Q_INVOKABLE void exchangeCardRequest(QString strZpid);
    Q_INVOKABLE void exchangeCardReply(QString strZpid, QString strRet);
    Q_INVOKABLE void exchangeCard(QString strZpid);
    // Whether the person is signed in now, as the service last said.
    Q_INVOKABLE bool isOnline(QString strZpid);

    // Messages (core_message.cpp). A kind and key name a conversation: a person's Zpid for the
    // kinds 0 to 2, a circle id for 7; an empty key with kind -1 means every message.
    Q_INVOKABLE void getMsgRecord();
    Q_INVOKABLE int getUnReadMsgRecord();
    Q_INVOKABLE void getMessage(int iType, QString strKey = QString());
    Q_INVOKABLE void updateMessage(int iType, QString strKey = QString());
    Q_INVOKABLE void delMsgRecord(int iType = -1, QString strKey = QString());
    Q_INVOKABLE void getSelect(int iType, QString strCircleId = QString());
    Q_INVOKABLE void allSelect(bool flag);
    Q_INVOKABLE bool addMassContact(QString strZpid, QString strName);
    Q_INVOKABLE void addMassContact();
    Q_INVOKABLE void delMassContact(QString strZpid = QString());
    Q_INVOKABLE void sendMassMsg(QString strMsg);
    // The mass-message recipients, in the order they were added.
    QStringList massContacts() const;

    // Emoticons (core_emoticon.cpp).
    Q_INVOKABLE QVariant getSign(QVariant varId);
    // The message text of the input box's rich text: each emoticon picture the box shows
    // as its code, other pictures and all markup dropped.
    Q_INVOKABLE QString inputText(QString strHtml);
    // The clipboard's plain text: what a paste into the input box may insert.
    Q_INVOKABLE QString clipboardText();
    // renderText for the screens (the input box shows what it is given this way).
    Q_INVOKABLE QString renderFaces(QString strText);
    // A message text with each known code replaced by its picture's tag; everything else is
    // kept as it is, for the screens' one escaping point.
    static QString renderText(const QString &strText);

    // Calls (core_call.cpp).
    Q_INVOKABLE void playRing(QString strPath, int iCount);
    Q_INVOKABLE void stopRing();
    Q_INVOKABLE void startAudio();
    Q_INVOKABLE void stopAudio();
    Q_INVOKABLE void setMute(bool bMute);
    Q_INVOKABLE void sendPush(QString strZpid);
    Q_INVOKABLE QVariant getCallPeer(QString strZpid);
    Q_INVOKABLE void addCallRecord(QString strZpid, QString strName, QString strPhone, bool bRead,
                                   int iCallTime, int iType);
    Q_INVOKABLE void getCallRecord(QString strKey);
    Q_INVOKABLE void updateCallRecord(QString strKey);
    Q_INVOKABLE void delCallRecord(QString strKey);
    Q_INVOKABLE int getUnReadCallRecord();
    // Voice timings in ms for the calls to come (keep-alive, silence watchdog, check tick).
    void setVoiceTimings(int iKeepAliveMs, int iSilenceMs, int iCheckMs);
    bool hasAudio() const;
    bool isRinging() const;

    // Circles (core_circle.cpp). A circle id is its decimal text; strId of a member is the
    // member's row id.
    Q_INVOKABLE void getCircle();
    Q_INVOKABLE void getCircleMember(QString strCircleId);
    Q_INVOKABLE int getCircleMemberCount(QString strCircleId);
    Q_INVOKABLE QString getCircleProfile(QString strCircleId);
    Q_INVOKABLE QString getCircleCreateZpid(QString strCircleId);
    Q_INVOKABLE int getCircleUserType(QString strCircleId, QString strZpid);
    Q_INVOKABLE void newCircle(QString strCircleName, int iCircleType);
    Q_INVOKABLE void modifyCircleMember(int iType, QString strCircleId, QString strId = QString(),
                                        QString strName = QString(), QString strPhone = QString(),
                                        QString strCompany = QString());
    Q_INVOKABLE void recommendFromContact(QString strCircleId, QString strCircleName,
                                          int iCircleType);
    Q_INVOKABLE void searchCircle(QString strCondition);
    Q_INVOKABLE void searchCircleUser(QString strCondition);

    // Enterprise directory (core_enterprise.cpp). Organisation and department numbers travel as
    // decimal text; iType of a change is Codes::EnterpriseChange (0 add, 1 edit, 2 delete).
    // Changes other than creating an organisation are refused here to a signed-in user whose
    // role is not Codes::RoleAdmin.
    Q_INVOKABLE void getOrgInfo(QString strExInfo);
    Q_INVOKABLE void loginEnterprise(QString strOrgId, QString strPassword);
    // Leaves the organisation on this client: the role goes back to viewer and the stored
    // directory and its lists are emptied.
    Q_INVOKABLE void logoutEnterprise();
    Q_INVOKABLE void getOrgList();
    Q_INVOKABLE void getDeptInfo();
    Q_INVOKABLE void getEmpList(QString strDeptNo);
    Q_INVOKABLE void expandList(int index, QString strDeptNo);
    Q_INVOKABLE void shrinkList(QString strDeptNo);
    Q_INVOKABLE void modifyOrgInfo(QVariant varOrgInfo, int iType);
    Q_INVOKABLE void modifyDeptInfo(QString strOrgId, QString strPNo, QString strNo, QString strSNo,
                                    QString strName, int iType);
    Q_INVOKABLE void modifyEmpInfo(QString strZpid, QString strOrgId, QString strPNo, QString strNo,
                                   QString strSNo, QString strName, QString strPhone,
                                   QString strTel, QString strPost, int iType);
    // Changes only the signed-in user's own office phone.
    Q_INVOKABLE void modifyEmpInfo(QString strOrgId, QString strTel);
    Q_INVOKABLE void addEmpFromContact(QString strOrgId, QString strPNo);
    Q_INVOKABLE QString getEmpTel();
    Q_INVOKABLE void addEnAccount(QString strUserId, QString strPassword);
    Q_INVOKABLE QString getEnPassword(QString strUserId);
    // The signed-in user's role in the organisation (Codes::EnterpriseRole).
    Q_INVOKABLE int enterpriseRole() const;

    // User pictures (core_userpic.cpp).
    Q_INVOKABLE QString getUserPic(int iType, int iSubType, QString strName, QString strType);
    Q_INVOKABLE bool hasUserPic(QString strZpid);
    Q_INVOKABLE void grabImage(int x, int y);

    // Files, screenshots and the map page (core_file.cpp). A chosen file comes back as
    // "file:///" + its path, "file:///" alone when the user cancelled.
    Q_INVOKABLE QString chooseFile();
    Q_INVOKABLE QString chooseImage();
    // The save dialog for a received file: its path, empty when cancelled. The proposed name is
    // the sender's, made safe first.
    Q_INVOKABLE QString chooseDir(QString strFileName, QString strSuffix);
    // Records a file or picture message to strZpid ("list": every mass recipient) and queues
    // its upload; the peer hears of it once the upload has finished.
    Q_INVOKABLE void uploadFile(QString strFileName, QString strZpid, int iSubType);
    // Queues the download of a received file to strPath. A picture always goes to the temp
    // folder; strPath then only proposes its name.
    Q_INVOKABLE void downloadFile(QString strMd5, QString strPath, QString strZpid, int iMsgId,
                                  int iSubType);
    Q_INVOKABLE void cancelRecvFile(QString strPath, QString strZpid, bool download, int iMsgId);
    Q_INVOKABLE void screenshot(QString strZpid, int iSubType);
    Q_INVOKABLE void openMap(QString strAddress);
    // Spreadsheets (core_spreadsheet.cpp): backups to and imports from workbooks, each a job on
    // a thread of its own, and the blank import templates.
    Q_INVOKABLE void backupNetContact();
    Q_INVOKABLE void backupContact();
    Q_INVOKABLE void exportEmp();
    Q_INVOKABLE void importNetContact();
    Q_INVOKABLE void importCircleMember(QString strCircleId);
    Q_INVOKABLE void importEmp(QString strOrgId);
    Q_INVOKABLE void openOrgInfoTemplate();
    Q_INVOKABLE void openCircleMemberTemplate();
    Q_INVOKABLE void openNetContactTemplate();

    // Replaces the desktop's dialogs and page opener; tests answer them from a script.
    void setDesktop(std::unique_ptr<CDesktop> pDesktop);
    CFtp *ftp() const;
    // The screenshot tool, made on first use; null until then.
    ScreenShot *screenShot() const;
    // The map page of a location caption "place:latitude:longitude" with the map script loaded
    // from strLoader; empty when the caption names no valid place.
    static QString mapPage(const QString &strAddress, const QString &strLoader);
    // A name the peer sent, reduced to a plain file name that cannot leave its folder; empty
    // when nothing usable is left.
    static QString safeFileName(const QString &strName);
    // Where a received picture is kept: the temp folder, its name led by the content's digest
    // so that two pictures never share a file. Empty for a digest that is not one.
    static QString receivedPicturePath(const QString &strMd5, const QString &strName);

    // Where the auto-start entry lives; tests point it elsewhere.
    static QString autoStartupEntryPath();
    // The auto-start entry that starts strProgram in strFolder, its values escaped for the
    // desktop entry format.
    static QString autoStartupEntry(const QString &strProgram, const QString &strFolder);

public Q_SLOTS:
    void slot_onMinimize();
    void slot_onShowNormal();
    void slot_onQuit();
    void slot_onActivated(QSystemTrayIcon::ActivationReason reason);
    void slot_onNetState(int iState);
    void slot_onLoginState(int iState, QString strLoginId, QString strLoginPassword,
                           QString strZpid, QString strPhone);
    // The answer to a password change (core_account.cpp).
    void slot_onChangePassword(int iType, int iSubType, int iRet);
    // Messages (core_message.cpp).
    void slot_onSaveMsgRecord(quint32 iCircleId, quint32 iRecvZpid, QByteArray arCaption,
                              QByteArray arContent, int iMsgId, int iMsgState, int iType,
                              int iSubType, bool bSend, QStringList strList);
    void slot_onSaveOfflineMsg(quint32 iRecvZpid, QString strMsg, double datetime, int iMsgId);
    void slot_onUpdateMsgRecord(quint32 iCircleId, QByteArray arRecvZpid, int iMsgId, int iMsgState,
                                int iType);

    // Contacts (core_contact.cpp).
    void slot_onParseContact(QString strContact);
    void slot_onParseUserState(QString strOnline, QString strOffline);
    void slot_onParseUserState(QString strZephon);
    void slot_onParseUserPhone(quint32 iZpid, QString strPhone);
    void slot_onGetContact(bool flag, QString strKey);
    void slot_onSearchContact(QString strKey);
    void slot_onParseNetContact(int iRet, QString strNetContact);
    void slot_onModifyNetContact(int iRet);
    void slot_onUploadNetContact(int iRet);
    void slot_onParseUser(QByteArray arBuff, int iCount);
    void slot_onParseCard(int iType, quint32 iZpid, QString strCard);
    void slot_onPresence(quint32 iZpid, bool bOnline);

    // Circles (core_circle.cpp).
    void slot_onNewCircle(int iType);
    void slot_onModifyCircleMember(int iType, int iRet);
    void slot_onModifyCircleInfo(int iRet, quint32 iCircleId);
    void slot_onDismissCircle(bool flag, quint32 iCircleId);
    void slot_onExitCircle(bool flag, quint32 iCircleId);
    void slot_onParseCircle(QByteArray arBuff);
    void slot_onParseCircleComplete();
    void slot_onParseCircleMember(QByteArray arBuff, quint32 iCircleId);
    void slot_onParseCircleMemberComplete();
    void slot_onParseSearchResult(int iType, QByteArray arBuff, int iCount);

    // Enterprise directory (core_enterprise.cpp). A directory list arrives in pages of
    // iAllCount entries each, every page naming the total.
    void slot_onParseOrgInfo(QByteArray arBuff, int iCount);
    void slot_onLoginEnterprise(quint32 iOrgId, QString strName, QString strShortName, bool flag,
                                int iType);
    void slot_onParseDeptInfo(quint32 iOrgId, QByteArray arBuff, int iAllCount, int iTotal);
    void slot_onParseEmpInfo(quint32 iOrgId, QByteArray arBuff, int iAllCount, int iTotal);
    void slot_onModifyOrgInfo(quint32 iOrgId, bool flag);
    void slot_onModifyDeptInfo(quint32 iOrgId, bool flag);
    void slot_onModifyEmpInfo(quint32 iOrgId, bool flag);

    // User pictures (core_userpic.cpp).
    void slot_onParseCardPic(quint32 iZpid, QByteArray arBuff);

    // Spreadsheets (core_spreadsheet.cpp); the sender is the job that finished.
    void slot_onBackupComplete();
    void slot_onImportComplete();

    // Files and screenshots (core_file.cpp).
    void slot_onSuccess(QString filename, QString strZpid, bool download, int iMsgId, int iType);
    void slot_onFailed(QString strZpid, bool download, int iMsgId, int iType);
    void slot_onScreenShot();
    void slot_onFinishScreenShot(QPixmap pixmap);
    void slot_onSaveScreenShot(QPixmap pixmap);

    // Calls (core_call.cpp).
    void slot_onParseCallState(int iState, QString strZpid, QByteArray arBuff);
    void slot_onAudioStop();

private Q_SLOTS:
    // The screens' hang-up and refuse go to the session manager; these follow it to close the
    // call's record once the session has taken the request.
    void slot_onCallHangup(QString strZpid);
    void slot_onCallRefuse(QString strZpid);
    // Circles: a member reply without a list still ends the wait for that circle.
    void slot_onParseCircleMemberRefused(quint32 iCircleId);

Q_SIGNALS:
    void sig_netState(QVariant varState);
    void sig_loginState(int iState, QString strLoginId, QString strLoginPassword, QString strZpid,
                        QString strPhone);
    void sig_updateContact();
    void sig_getAllUserState();
    void sig_updateUserState(QString strZpid, QString strPhone);
    void sig_updateUserPhone(bool flag, QString strPhone);
    // A person signed in or out; an empty Zpid: anyone's presence may have changed.
    void sig_updatePresence(QString strZpid, bool bOnline);
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
    // An import of kind iKind (0 cloud address book, 1 circle members, 2 employees) sent
    // nothing: the workbook could not be read, held no valid row, or another job uses it.
    void sig_importFailed(int iKind, QString strInfo);
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
    // A transfer did not complete: an upload's message is marked failed, a download can be
    // asked for again.
    void sig_failed(QString strZpid, bool download, int iMsgId, int iType);
    void sig_modifyOrgInfo(bool flag, int iType);
    void sig_setOrgInfo(QVariant varOrgIndex, QVariant varOrgInfo);
    void sig_loginenterprise(QString strOrgId, QString strName, QString strShortName, bool flag,
                             int iType);
    void sig_modifyDeptInfo(QString strOrgId, bool flag, int iType);
    void sig_setDeptInfo(QVariant varDeptIndex, QVariant varDeptInfo);
    void sig_setAccount(QVariant varAccount);

private:
    // The areas' members; each struct is defined in the source file named beside it.
    struct Shared;      // core.cpp
    struct Window;      // core_window.cpp
    struct Contact;     // core_contact.cpp
    struct Message;     // core_message.cpp
    struct Emoticon;    // core_emoticon.cpp
    struct Call;        // core_call.cpp
    struct Circle;      // core_circle.cpp
    struct Enterprise;  // core_enterprise.cpp
    struct File;        // core_file.cpp
    struct Spreadsheet; // core_spreadsheet.cpp

    // Frees an area; each overload is defined with its struct.
    struct AreaDeleter
    {
        void operator()(Shared *pArea) const;
        void operator()(Window *pArea) const;
        void operator()(Contact *pArea) const;
        void operator()(Message *pArea) const;
        void operator()(Emoticon *pArea) const;
        void operator()(Call *pArea) const;
        void operator()(Circle *pArea) const;
        void operator()(Enterprise *pArea) const;
        void operator()(File *pArea) const;
        void operator()(Spreadsheet *pArea) const;
    };
    template <typename Area> using AreaPtr = std::unique_ptr<Area, AreaDeleter>;

    // Each creates its area (in the area's source file); called by the constructor.
    void makeShared();
    void makeWindow();
    void makeContact();
    void makeMessage();
    void makeEmoticon();
    void makeCall();
    void makeCircle();
    void makeEnterprise();
    void makeFile();
    void makeSpreadsheet();

    void connectObjects();
    // Contacts: the card reply for iZpid is awaited by a request of kind iKind (1 circle search,
    // 2 may-know, 3 opened card).
    void expectCard(quint32 iZpid, int iKind);
    // Contacts: reloads the search source and rebuilds the index off the GUI thread, then
    // shows the lists again.
    void rebuildContacts();
    // Contacts: everyone in the "phone:zpid" pairs is online, nobody else.
    void setOnline(const QString &strOnline);
    // User pictures: caches the own picture and saves it on the server.
    void saveOwnPicture(const QImage &image);
    // The main window (core_window.cpp), null when the entry set none.
    QWindow *mainWindow() const;
    // Messages: the peer's name and phone, storing, the new-message sound.
    void peerOf(quint32 iZpid, QString *pName, QString *pPhone) const;
    bool storeMessage(quint32 iCircleId, const QString &strCircleName, quint32 iZpid,
                      const QString &strName, const QString &strPhone, bool bRead, bool bSend,
                      const QString &strCaption, const QString &strContent, int iMsgId,
                      int iMsgState, int iType, int iSubType, const QString &strTime);
    void saveCircleRequest(quint32 iCircleId, quint32 iRecvZpid, const QString &strCaptionIn,
                           const QString &strContentIn, int iMsgId, int iMsgState, int iSubType,
                           bool bSend, QString strName, const QString &strPhone);
    void playMessageSound();
    // Messages stored before the address book named their sender take its names; the
    // conversations that changed are reported as updated.
    void namePeersFromContacts();
    // Circles: starts the member worker on the payloads collected so far, once no member
    // reply is awaited; forgets the session's circle state at logout.
    void startCircleMemberWorker();
    void forgetCircles();
    // Enterprise: the role (kept in step with the store's), forgetting the organisation with
    // its stored directory and lists, the refusal of administrator operations to a viewer, and
    // the collection of a directory list's pages (true with the entries once all are in).
    void setEnterpriseRole(int iRole);
    void forgetEnterprise();
    void forgetEnterpriseOfOtherAccount(quint32 iZpid);
    bool refuseToViewer(const char *pWhat) const;
    bool collectDirectoryPage(bool bEmployees, quint32 iOrgId, const QByteArray &arBuff,
                              int iAllCount, int iTotal, QByteArray *pEntries, int *pCount);
    // Files: the desktop's dialogs and page opener.
    CDesktop &desktop() const;
    // Spreadsheets: a job's file is claimed while it runs; the job goes once it reported.
    bool claimSheetFile(const QString &strFile);
    void releaseSheetJob(QThread *pJob, const QString &strFile);
    void startBackup(int iKind, const QString &strDefaultName);
    void startImport(int iKind, const QString &strId);
    void openTemplate(const QString &strName);
    // Emoticons: the picker's list.
    void publishFaces();
    void waitForWorkers();
    void setContactsReady(bool bReady);
    // Stops ring and voice, writes the record of the call under way and reports iState.
    void endCall(int iState, QString strZpid, bool bRefusedHere);
    // Hangs up the call under way before the session closes.
    void endCallForLogout();
    void createTray();
    void updateTrayActions();
    bool checkMainWindow() const;
    const CTrace &trace() const;
    ListPublisher &lists() const;
    // The rows of a published list the screens select from that are checked.
    QList<QObject *> checkedRows(const char *pName) const;

    // Declared in this order, so the areas go before what they share.
    AreaPtr<Shared> m_pShared;
    AreaPtr<Window> m_pWindow;
    AreaPtr<Emoticon> m_pEmoticon;
    AreaPtr<Contact> m_pContact;
    AreaPtr<Message> m_pMessage;
    AreaPtr<Call> m_pCall;
    AreaPtr<Circle> m_pCircle;
    AreaPtr<Enterprise> m_pEnterprise;
    AreaPtr<File> m_pFile;
    AreaPtr<Spreadsheet> m_pSpreadsheet;
};
