#pragma once

#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariant>

// Stands in for the controller published as "core": the methods and signals the components
// and row delegates use. Calls are written to `calls` as "name(arg,arg,...)" so tests can
// check what a component asked for; the answers are plain fields a test sets beforehand, and
// the pure rules (last name, Zpid kind, placeholder pictures, durations) are the controller's
// own. tests/controller/tst_standin checks that Core has every method and signal declared
// here with the same signature.
class StandInCore : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    QStringList calls;
    QSet<QString> storedPictures;
    QString chosenDir;
    QString enPassword;
    // The signed-in user's Zpid, for getZpidType; nobody is signed in by default.
    QString ownZpid;
    // Calls: what getCallPeer answers per Zpid ("name:phone"), the unread call count.
    QHash<QString, QString> callPeers;
    int iUnReadCalls = 0;

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
    Q_INVOKABLE int getInputType(const QVariant &varInput);
    Q_INVOKABLE void playRing(const QString &strPath, int iCount);
    Q_INVOKABLE void stopRing();
    Q_INVOKABLE void startAudio();
    Q_INVOKABLE void stopAudio();
    Q_INVOKABLE void setMute(bool bMute);
    Q_INVOKABLE void sendPush(const QString &strZpid);
    Q_INVOKABLE QVariant getCallPeer(const QString &strZpid);
    Q_INVOKABLE void getCallRecord(const QString &strKey);
    Q_INVOKABLE void updateCallRecord(const QString &strKey);
    Q_INVOKABLE void delCallRecord(const QString &strKey);
    Q_INVOKABLE int getUnReadCallRecord();

signals:
    void sig_changeState(bool start, bool online);
    void sig_updateCardPic(QString strZpid);
    void sig_progress(QString strProgress, bool download, int iMsgId, int iType);
    void sig_success(QString filename, QString strZpid, bool download, int iMsgId, int iType);
    void sig_setOrgInfo(QVariant varOrgIndex, QVariant varOrgInfo);
    void sig_updateContact();
    void sig_updateCall(int iState, QString strZpid);
    void sig_updateUserState(QString strZpid, QString strPhone);
};
