// CDatabase: the local store. Owns the connections to the main database ("Zephon.db") and
// the common database ("common.db"), creates their tables, and runs every statement of the
// stores by table family. Shared through a QSharedPointer by Core and the workers.
//
// Threads: a QSqlDatabase connection may only be used on the thread that opened it, so the
// thread that constructs the store uses the connections named after the files, and every
// other thread gets its own connection to the same file the first time it touches the store
// (closed again when that thread finishes). Each connection keeps its prepared statements.
// Worker batches are serialised by the process-wide store mutex, held by a CStoreBatch (or
// from beginTransaction to commitTransaction); the files run in WAL mode, so the GUI thread
// reads the last committed state while a batch is open instead of failing.
//
// The member functions are defined by table family: cdatabase.cpp (connections, batches,
// pinyin), cdatabase_contact.cpp, cdatabase_message.cpp, cdatabase_circle.cpp,
// cdatabase_directory.cpp and cdatabase_account.cpp.
#pragma once

#include "ctrace.h"

#include <QList>
#include <QMutex>
#include <QObject>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QThread>
#include <QVariant>

#include <atomic>
#include <memory>

class CStoreConnection;
class CStoreQuery;

class CDatabase : public QObject
{
    Q_OBJECT

public:
    CDatabase(const QString &strDbName, const QString &strCommonDbName);
    ~CDatabase() override;

    // True when the file opened (and its tables exist); otherwise every operation on it finds
    // no rows and changes nothing.
    bool isOpen() const { return m_bOpen; }
    bool isCommonOpen() const { return m_bCommonOpen; }

    // The signed-in account: its Zpid owns the rows of tables with a LoginZpid column, its
    // phone number is skipped by the address-book worker. Set by Core from the log-in reply.
    void setLoginZpid(quint32 iZpid) { m_iLoginZpid.store(iZpid); }
    quint32 loginZpid() const { return m_iLoginZpid.load(); }
    void setLoginPhone(const QString &strPhone);
    QString loginPhone() const;

    // Worker batches: takes the store mutex, then begins a transaction on the calling
    // thread's connection of that name; commit ends it and releases the mutex. CStoreBatch
    // does the same and also ends the batch on early returns and failures.
    void beginTransaction(const QString &strConnectionName);
    void commitTransaction(const QString &strConnectionName);

    // Fills the process-wide sort-key map from the common database's Pinyin table, now or on
    // a thread of its own (the first sort key made waits for it).
    void loadPinyin();
    void loadPinyinInBackground();
    // The Pinyin table of the common database file, read through a connection of the calling
    // thread's own.
    static QHash<char16_t, QString> readPinyin(const QString &strCommonDbPath);

    // Business-card text: ':'-separated fields, the full card having 14 and the short one 4.
    static QString cardField(const QString &strCard, int iIndex);

    // Contact: the personal address book (own card, assistant, address-book entries).
    void clearContact();
    void addContact(const QString &strName, const QString &strPhone, const QString &strPinyin);
    void setContactZpid(const QString &strZpid, const QString &strPhone);
    // Marks the entry with this phone as a registered user's. Only address-book entries
    // (Types 2 and 3) change: the own card and the assistant keep their kind and Zpid.
    void setContactRegistered(quint32 iZpid, const QString &strPhone);
    void replaceContact(quint32 iZpid, const QString &strName, const QString &strSex,
                        const QString &strPost, const QString &strCompany,
                        const QString &strAddress, const QString &strPhone, const QString &strTel,
                        const QString &strEmail, const QString &strNotes,
                        const QString &strProfession, const QString &strHomepage,
                        const QString &strFax, const QString &strAge, const QString &strNickname,
                        const QString &strPinyin, int iType);
    void saveCard(quint32 iZpid, const QString &strCard, int iType);
    // A full card a registered user exchanged with the signed-in user becomes that user's
    // entry, except for the name and number, which stay as the user's own book has them. A
    // shorter card is no full card and changes nothing.
    void setExchangedCard(quint32 iZpid, const QString &strCard);
    // Every completed exchange the store keeps for the signed-in user (the newest card per
    // peer), applied to the address book as it was just filled from the server.
    void applyExchangedCards();
    QList<QObject *> getSearchContact();
    // iExcludedZpids: the chosen group-send recipients that kind 3 leaves out.
    QList<QObject *> getContact(int iKind, const QString &strCircleId,
                                const QStringList &excludedZpids = {});
    QString getContactCard(const QString &strKey, int iKind);
    QString getContactNameByZpid(quint32 iZpid);
    QString getContactPhoneByZpid(quint32 iZpid);
    QString getContactNameByPhone(const QString &strPhone);
    QString getContactZpidByPhone(const QString &strPhone);

    // NetContact: the cloud address book as last received.
    void clearNetContact();
    void addNetContact(const QString &strName, const QString &strPhone, const QString &strGroup,
                       const QString &strPinyin);
    QList<QObject *> getNetContact(bool bDisplay);
    QString getNetContactPhone(const QString &strId);

    // MsgRecord: messages, requests and notices, grouped into conversations by Type and key
    // (the peer's Zpid for types 0 to 2, the CircleId for type 7).
    // False when nothing was stored: a copy of a stored message, or a failed statement.
    bool addMsgRecord(quint32 iLoginZpid, quint32 iCircleId, const QString &strCircleName,
                      quint32 iZpid, const QString &strName, const QString &strPhone, bool bRead,
                      bool bSend, const QString &strCaption, const QString &strContent, int iMsgId,
                      int iMsgState, int iType, int iSubType, const QString &strTime);
    QList<QObject *> getMsgRecord();
    QList<QObject *> getMessage(int iType, const QString &strKey);
    void updateMessage(int iType, const QString &strKey);
    int getUnReadMsgRecord(int iType, const QString &strKey);
    void delMsgRecord(int iType, const QString &strKey);
    void setMsgState(int iMsgId, int iState, bool bSend, const QString &strCaption);
    // The delivery state of a sent message; its caption stays.
    void setSentMsgState(int iMsgId, int iState);
    void setRequestState(int iType, quint32 iCircleId, int iState, const QString &strContent);
    void updateCardRequest(int iType, quint32 iZpid, const QString &strCaption,
                           const QString &strCard, int iKind);
    // Records of people that were stored under the bare Zpid because the address book did not
    // know them yet (messages picked up before it arrived) take the name and phone it gives
    // them now. Returns the conversations changed, as (Type, Zpid text).
    QList<QPair<int, QString>> namePeersFromContacts();
    QString getSentContent(int iMsgId);
    int getMaxMsgId();

    // CallRecord: the call log.
    void addCallRecord(quint32 iLoginZpid, const QString &strZpid, const QString &strName,
                       const QString &strPhone, bool bRead, int iCallTime, int iType);
    QList<QObject *> getCallRecord(const QString &strKey);
    void updateCallRecord(const QString &strZpid);
    void delCallRecord(const QString &strKey);
    // Every record of one peer, whatever the length of its Zpid.
    void delPeerCallRecord(const QString &strZpid);
    int getUnReadCallRecord(const QString &strKey);

    // Circle and CircleMember: the circles of the account and their members.
    void addCircle(quint32 iCircleId, const QString &strCircleName, quint32 iCreateZpid,
                   double dCreateTime, int iType, int iProperty, const QString &strProfile,
                   int iUserType, int iUserCount, int iVersion);
    void setCircleFlag(bool bFlag, quint32 iCircleId);
    void removeCircle(quint32 iCircleId);
    void setCircleCreater(quint32 iCircleId, const QString &strCreater);
    void clearCircleMember(quint32 iCircleId);
    void addCircleMember(quint32 iCircleId, quint32 iZpid, const QString &strName,
                         const QString &strSex, const QString &strPost, const QString &strCompany,
                         const QString &strAddress, const QString &strPhone, const QString &strTel,
                         const QString &strEmail, const QString &strNotes,
                         const QString &strProfession, const QString &strHomepage,
                         const QString &strFax, const QString &strAge, const QString &strNickname,
                         const QString &strPinyin, int iType);
    void saveCircleMemberCard(quint32 iCircleId, quint32 iZpid, const QString &strCard, int iRole);
    QList<QObject *> getCircle();
    QList<QObject *> getCircleMember(quint32 iCircleId);
    bool hasCircleMember(const QString &strCircleId, const QString &strZpid,
                         const QString &strPhone);
    int getCircleMemberCount(quint32 iCircleId);
    quint32 getCircleMemberZpid(const QString &strId);
    QString getCircleMemberName(const QString &strKey, const QString &strCircleId);
    QString getCircleMemberPhone(const QString &strKey, const QString &strCircleId);
    QString getCircleMemberCard(const QString &strKey, const QString &strCircleId);
    QString getCircleName(quint32 iCircleId);
    QString getCircleCreateZpid(quint32 iCircleId);
    QString getCircleProfile(quint32 iCircleId);
    int getCircleType(quint32 iCircleId);
    int getCircleVersion(quint32 iCircleId);
    // True when the account has a row for the circle, whatever its version.
    bool hasCircle(quint32 iCircleId);
    int getCircleUserType(const QString &strCircleId, const QString &strZpid);

    // Dept and Emp: the enterprise directory of the last enterprise log-in. The role
    // received with that log-in is carried by every directory element.
    void setOrgUserType(int iUserType) { m_iOrgUserType.store(iUserType); }
    void clearDept();
    void clearEmp();
    void addDept(const QString &strName, const QString &strParentNo, const QString &strDeptNo,
                 int iOrgId, const QString &strEx);
    void addEmp(quint32 iZpid, const QString &strName, const QString &strPhone,
                const QString &strTel, const QString &strPost, int iUserType,
                const QString &strUserId, const QString &strDeptNo, int iOrgId,
                const QString &strEx);
    QList<QObject *> getDept();
    QList<QObject *> getEmp(const QString &strDeptNo);
    QString getDeptName(const QString &strDeptNo);
    QString getDeptEx(const QString &strDeptNo);
    int getEmpCount(const QString &strDeptNo);
    // The stored role of the employee; 0 with *pFound false when the account's directory has
    // no such employee (0 is also the administrator's role, so callers that act on the role
    // must ask).
    int getEmpUserType(const QString &strDeptNo, const QString &strUserId, bool *pFound = nullptr);
    QStringList getEmpByPhone(const QString &strPhone);
    QString getEmpCard(const QString &strUserId, const QString &strDeptNo);

    // Account and EnAccount: remembered log-ins (Account is shared by all accounts).
    void addAccount(const QString &strUserId, const QString &strPassword);
    QStringList getAccount();
    QString getPassword(const QString &strUserId);
    void addEnAccount(const QString &strUserId, const QString &strPassword);
    QString getEnPassword(const QString &strUserId);

private:
    friend class CStoreBatch;

    // The calling thread's connection of that name, or null when its file is not open.
    CStoreConnection *connection(const QString &strName) const;
    CStoreQuery runOn(CStoreConnection *pConnection, const QString &strSql,
                      const QVariantList &values) const;
    // A statement on the main database with its values bound in order.
    CStoreQuery run(const QString &strSql, const QVariantList &values = {}) const;
    bool exec(const QString &strSql, const QVariantList &values = {}) const;
    // The first column of the first row, or an invalid value when there is none.
    QVariant value(const QString &strSql, const QVariantList &values = {}) const;

    // Takes the store mutex and begins a transaction; true when the transaction began. The
    // mutex is held either way until endBatch or releaseBatch.
    bool beginBatch(const QString &strConnectionName);
    // Commits (or rolls back) the batch and releases the mutex; true when it committed.
    bool endBatch(const QString &strConnectionName, bool bCommit);
    // Releases the mutex of a batch whose transaction never began.
    static void releaseBatch();

    // The first match of a Contact statement whose one parameter is a phone-number suffix.
    QString valueByPhoneSuffix(const QString &strSql, const QString &strPhone) const;
    enum MemberText
    {
        MemberName,
        MemberPhone
    };
    // A circle member's name or phone, the member named by row id or by Zpid in the circle.
    QString circleMemberText(MemberText text, const QString &strKey,
                             const QString &strCircleId) const;
    int zpidType(const QString &strZpid) const;
    QString conversationClause(int iType, const QString &strKey, QVariantList &values) const;

    QString m_strDbName;
    QString m_strCommonDbName;
    QString m_strDbPath;
    QString m_strCommonDbPath;
    bool m_bOpen = false;
    bool m_bCommonOpen = false;
    QThread *m_pOwnerThread;
    int m_iInstance;
    // The constructing thread's connections; other threads keep theirs in thread storage.
    std::unique_ptr<CStoreConnection> m_pMain;
    std::unique_ptr<CStoreConnection> m_pCommon;
    std::atomic<quint32> m_iLoginZpid{0};
    // Nobody is an administrator until an enterprise log-in says so (Codes::RoleEmployee).
    std::atomic<int> m_iOrgUserType{1};
    mutable QMutex m_phoneMutex;
    QString m_strLoginPhone;
    CTrace m_trace{"CDatabase"};
};
