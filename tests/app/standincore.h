#pragma once

#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariant>

#include "core.h"

// Stands in for the controller published as "core": a Core that is never started, whose
// methods the screens, components and row delegates call are answered here instead (QML finds
// a method by name, the stand-in's before Core's). Being a Core, it is what the screens' typed
// access to "core" takes, and it has Core's own signals, which tests emit for the screens to
// react. Calls are written to `calls` as "name(arg,arg,...)" so tests can check what a component
// asked for; the answers are plain fields a test sets beforehand, and the pure rules (last name,
// Zpid kind, placeholder pictures, durations) are the controller's own.
// tests/controller/tst_standin checks that Core has every method declared here with the same
// signature; those Core does not have yet the screens reach through Published.pending.
class StandInCore : public Core
{
    Q_OBJECT
public:
    using Core::Core;

    QStringList calls;
    QSet<QString> storedPictures;
    QString chosenDir;
    QString enPassword;
    // The own office phone getEmpTel answers; employee cards by "user id:department".
    QString empTel;
    QHash<QString, QString> empCards;
    // The signed-in user's Zpid, for getZpidType; nobody is signed in by default.
    QString ownZpid;
    // The address book as the lookups see it: Zpid -> name, Zpid -> phone.
    QHash<QString, QString> contactNames;
    QHash<QString, QString> contactPhones;
    // The Zpids isOnline says are signed in.
    QSet<QString> online;
    // Cards by the key getCard is asked with.
    QHash<QString, QString> cards;
    int unreadCount = 0;
    QString chosenImage = QStringLiteral("file:///");
    QString chosenFile = QStringLiteral("file:///");
    // The mass-message recipients, with the controller's refusal of a second entry.
    QStringList massRecipients;
    // Calls: what getCallPeer answers per Zpid ("name:phone"), the unread call count.
    QHash<QString, QString> callPeers;
    int iUnReadCalls = 0;
    // Circles, by circle id: stored member counts, profiles and creators; roles by
    // "circle id:zpid" (the store's answer, CircleRoleMember, when absent); member cards by
    // "key:circle id".
    QHash<QString, int> circleMemberCounts;
    QHash<QString, QString> circleProfiles;
    QHash<QString, QString> circleCreators;
    QHash<QString, int> circleRoles;
    QHash<QString, QString> circleMemberCards;

    Q_INVOKABLE QVariant getSign(const QVariant &varId);
    Q_INVOKABLE QString getLastName(const QVariant &varName);
    Q_INVOKABLE bool hasUserPic(const QString &strZpid);
    Q_INVOKABLE QString getUserPic(int iType, int iSubType, const QString &strName,
                                   const QString &strType);
    Q_INVOKABLE int getZpidType(const QVariant &varZpid);
    Q_INVOKABLE QString formatTime(int iTime);
    Q_INVOKABLE QString getEnPassword(const QString &strUserId);
    Q_INVOKABLE QString chooseDir(const QString &strFileName, const QString &strSuffix);
    Q_INVOKABLE void downloadFile(const QString &strMd5, const QString &strPath,
                                  const QString &strZpid, int iMsgId, int iSubType);
    Q_INVOKABLE void cancelRecvFile(const QString &strPath, const QString &strZpid, bool download,
                                    int iMsgId);
    Q_INVOKABLE void exchangeCardReply(const QString &strZpid, const QString &strRet);
    Q_INVOKABLE void expandList(int index, const QString &strDeptNo);
    Q_INVOKABLE void shrinkList(const QString &strDeptNo);
    Q_INVOKABLE void openMap(const QString &strAddress);

    // Contacts: lookups, cards, the cloud address book and the may-know suggestions.
    Q_INVOKABLE int getInputType(const QVariant &varInput);
    Q_INVOKABLE bool isOnline(const QString &strZpid);
    Q_INVOKABLE QString getContactNameByZpid(const QVariant &varZpid);
    Q_INVOKABLE QString getContactPhoneByZpid(const QVariant &varZpid);
    Q_INVOKABLE QString getContactNameByPhone(const QVariant &varPhone);
    Q_INVOKABLE QString getContactZpidByPhone(const QVariant &varPhone);
    Q_INVOKABLE QString parseCard(const QString &strCard, int index);
    Q_INVOKABLE QString getCard(const QString &strKey, int iType);
    Q_INVOKABLE void getStrangeCard(const QString &strKey);
    Q_INVOKABLE void sendCard(int index, const QString &strZpid);
    Q_INVOKABLE void sendMassCard(int index);
    Q_INVOKABLE void sendCardTo(int index);
    Q_INVOKABLE void exchangeCardRequest(const QString &strZpid);
    Q_INVOKABLE void exchangeCard(const QString &strZpid);
    Q_INVOKABLE void getNetContact();
    Q_INVOKABLE void modifyNetContact(int iType, const QString &strId, const QString &strName,
                                      const QString &strPhone, const QString &strGroup);
    Q_INVOKABLE void getMayKnow();
    // Messages: conversations, the selection list and mass messages.
    Q_INVOKABLE void getMsgRecord();
    Q_INVOKABLE int getUnReadMsgRecord();
    Q_INVOKABLE void getMessage(int iType, const QString &strKey);
    Q_INVOKABLE void updateMessage(int iType, const QString &strKey);
    Q_INVOKABLE void delMsgRecord(int iType, const QString &strKey);
    Q_INVOKABLE void getSelect(int iType, const QString &strCircleId);
    Q_INVOKABLE void allSelect(bool flag);
    Q_INVOKABLE bool addMassContact(const QString &strZpid, const QString &strName);
    Q_INVOKABLE void addMassContact();
    Q_INVOKABLE void delMassContact(const QString &strZpid);
    Q_INVOKABLE void sendMassMsg(const QString &strMsg);
    // The own picture.
    Q_INVOKABLE void grabImage(int x, int y);
    // Files and screenshots sent in a conversation.
    Q_INVOKABLE QString chooseImage();
    Q_INVOKABLE QString chooseFile();
    Q_INVOKABLE void uploadFile(const QString &strFileName, const QString &strZpid, int iSubType);
    Q_INVOKABLE void screenshot(const QString &strZpid, int iSubType);
    // Calls started from the dial pad.
    Q_INVOKABLE void sendPush(const QString &strZpid);
    // The sounds are Core's own; a screen asking for one is recorded like any other call.
    Q_INVOKABLE void playRing(const QString &strPath, int iCount);
    // The call screen, the call log and one person's calls.
    Q_INVOKABLE void stopRing();
    Q_INVOKABLE void startAudio();
    Q_INVOKABLE void stopAudio();
    Q_INVOKABLE void setMute(bool bMute);
    Q_INVOKABLE QVariant getCallPeer(const QString &strZpid);
    Q_INVOKABLE void getCallRecord(const QString &strKey);
    Q_INVOKABLE void updateCallRecord(const QString &strKey);
    Q_INVOKABLE void delCallRecord(const QString &strKey);
    Q_INVOKABLE int getUnReadCallRecord();
    // User and circle search.
    Q_INVOKABLE void searchCircleUser(const QString &strCondition);
    Q_INVOKABLE void searchCircle(const QString &strCondition);
    // Circles: the list, members and facts of one circle, creating one, changing its members
    // and recommending contacts to it.
    Q_INVOKABLE void getCircle();
    Q_INVOKABLE void getCircleMember(const QString &strCircleId);
    Q_INVOKABLE int getCircleMemberCount(const QString &strCircleId);
    Q_INVOKABLE QString getCircleProfile(const QString &strCircleId);
    Q_INVOKABLE QString getCircleCreateZpid(const QString &strCircleId);
    Q_INVOKABLE int getCircleUserType(const QString &strCircleId, const QString &strZpid);
    Q_INVOKABLE QString getCircleMemberCard(const QString &strKey, const QString &strCircleId);
    Q_INVOKABLE void newCircle(const QString &strCircleName, int iCircleType);
    Q_INVOKABLE void modifyCircleMember(int iType, const QString &strCircleId, const QString &strId,
                                        const QString &strName, const QString &strPhone,
                                        const QString &strCompany);
    Q_INVOKABLE void recommendFromContact(const QString &strCircleId, const QString &strCircleName,
                                          int iCircleType);
    // Import of a circle's members from a workbook.
    Q_INVOKABLE void importCircleMember(const QString &strCircleId);
    Q_INVOKABLE void openCircleMemberTemplate();
    // Backup and import of the cloud address book.
    Q_INVOKABLE void backupNetContact();
    Q_INVOKABLE void importNetContact();
    Q_INVOKABLE void openNetContactTemplate();
    // The window and the session: recorded, never applied to a window or a service.
    Q_INVOKABLE void setAutoStartup(bool flag);
    Q_INVOKABLE void setStaysOnTop(bool flag);
    Q_INVOKABLE void logout();
    // The enterprise directory: signing in to and out of an organisation, its departments and
    // employees, their changes and the remembered enterprise passwords (addEnAccount stores
    // into `enPassword`, which getEnPassword answers).
    Q_INVOKABLE void getOrgInfo(const QString &strExInfo);
    Q_INVOKABLE void loginEnterprise(const QString &strOrgId, const QString &strPassword);
    Q_INVOKABLE void logoutEnterprise();
    Q_INVOKABLE void getDeptInfo();
    Q_INVOKABLE void getEmpList(const QString &strDeptNo);
    Q_INVOKABLE void modifyOrgInfo(const QVariant &varOrgInfo, int iType);
    Q_INVOKABLE void modifyDeptInfo(const QString &strOrgId, const QString &strPNo,
                                    const QString &strNo, const QString &strSNo,
                                    const QString &strName, int iType);
    Q_INVOKABLE void modifyEmpInfo(const QString &strZpid, const QString &strOrgId,
                                   const QString &strPNo, const QString &strNo,
                                   const QString &strSNo, const QString &strName,
                                   const QString &strPhone, const QString &strTel,
                                   const QString &strPost, int iType);
    Q_INVOKABLE void modifyEmpInfo(const QString &strOrgId, const QString &strTel);
    Q_INVOKABLE void addEmpFromContact(const QString &strOrgId, const QString &strPNo);
    Q_INVOKABLE QString getEmpTel();
    Q_INVOKABLE void addEnAccount(const QString &strUserId, const QString &strPassword);
    Q_INVOKABLE QString getEmpCard(const QString &strNo, const QString &strDeptNo);
};
