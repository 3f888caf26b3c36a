// CDirectoryCommands: the enterprise directory (87). A user finds organisations, signs in to
// one with its password (checked on the hash pool) and, once signed in, reads its departments
// and employees, sent in pages of at most 255 with the total. Only an administrator of the
// organisation (an employee whose role is 0) changes the organisation, its departments, other
// employees or its password; an employee may change only the office phone of its own record.
// A user may create an organisation and is its first administrator.
#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>

#include <optional>

#include "cdirectorytable.h"
#include "cdispatcher.h"

class CClientConnection;
class CServiceContext;

class CDirectoryCommands : public QObject
{
    Q_OBJECT
public:
    static constexpr int PAGE_SIZE = 255;
    static constexpr int MAX_PASSWORD_BYTES = 64;

    explicit CDirectoryCommands(CServiceContext &service);
    void install(CDispatcher &dispatcher);

private:
    enum Result : quint8
    {
        Done = 0,
        Refused = 1,
        WrongPassword = 2,
    };

    void onRequest(CRequest &request);
    void organisations(CRequest &request, const QByteArray &arBody);
    void signIn(CRequest &request, quint8 iSub, const QByteArray &arBody);
    void departments(CRequest &request, const QByteArray &arBody);
    void employees(CRequest &request, const QByteArray &arBody);
    void modifyOrganisation(CRequest &request, const QByteArray &arBody);
    void modifyDepartment(CRequest &request, const QByteArray &arBody);
    void modifyDepartments(CRequest &request, const QByteArray &arBody);
    void modifyEmployee(CRequest &request, quint32 iNamed, const QByteArray &arBody);
    void modifyEmployees(CRequest &request, const QByteArray &arBody);
    void changePassword(CRequest &request, const QByteArray &arBody);

    // The sender's own record in the organisation it signed in to, when it is that one.
    std::optional<CDirectoryTable::Employee> member(const CRequest &request, quint32 iOrgId) const;
    bool isAdmin(const CRequest &request, quint32 iOrgId) const;
    // The answer of the change kinds: sub-command, result and the organisation.
    void answerChange(CRequest &request, quint8 iSub, bool bDone, quint32 iOrgId);
    // A refused administrator's operation is counted.
    void refuse(CRequest &request, quint8 iSub, quint32 iOrgId);

    CServiceContext &m_service;
    // The organisation each session signed in to.
    QHash<quint64, quint32> m_signedIn;
};
