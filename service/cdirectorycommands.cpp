#include "cdirectorycommands.h"

#include "cclientconnection.h"
#include "cfieldreader.h"
#include "cfieldwriter.h"
#include "chashqueue.h"
#include "cserviceconfig.h"
#include "cservicecontext.h"
#include "cservicecounters.h"
#include "cservicestore.h"

using namespace Codes;

namespace {

// Longest text a directory field keeps; the wire's counts allow 255 bytes.
constexpr int MAX_TEXT_BYTES = 255;

bool fits(const QString &strText, bool bRequired)
{
    return (!bRequired || !strText.trimmed().isEmpty()) &&
           strText.toUtf8().size() <= MAX_TEXT_BYTES;
}

// A client shows an employee listed without a post with the default one, and sends that back.
bool samePost(const QString &strSent, const QString &strStored)
{
    return strSent == strStored ||
           (strStored.isEmpty() && strSent == QString::fromUtf8(DEFAULT_POST_UTF8));
}

// The department number the client sends for "every department".
bool allDepartments(const QString &strNo)
{
    return strNo.isEmpty() || strNo == QLatin1String("0");
}

} // namespace

CDirectoryCommands::CDirectoryCommands(CServiceContext &service) : m_service(service)
{
    connect(&service, &CServiceContext::sessionEnded, this,
            [this](quint64 iSessionId) { m_signedIn.remove(iSessionId); });
}

void CDirectoryCommands::install(CDispatcher &dispatcher)
{
    // The Zpid field names the employee in the employee changes, so it is not the sender's.
    dispatcher.add(CmdEnterprise, CDispatcher::OnTcp, CDispatcher::SessionNoField,
                   [this](CRequest &request) { onRequest(request); });
}

void CDirectoryCommands::onRequest(CRequest &request)
{
    CFieldReader &r = request.fields();
    const quint32 iNamed = r.u32();
    const quint8 iSub = r.u8();
    const QByteArray arBody = r.blob32();
    if (!r.ok()) {
        m_service.counters().drop(CServiceCounters::DropBadField);
        return;
    }
    switch (iSub) {
    case EntOrgList:
        organisations(request, arBody);
        break;
    case EntLoginOrg:
    case EntLoginSubServer:
        signIn(request, iSub, arBody);
        break;
    case EntDeptList:
        departments(request, arBody);
        break;
    case EntEmpList:
        employees(request, arBody);
        break;
    case EntModifyOrg:
        modifyOrganisation(request, arBody);
        break;
    case EntModifyDept:
        modifyDepartment(request, arBody);
        break;
    case EntModifyDeptList:
        modifyDepartments(request, arBody);
        break;
    case EntModifyEmp:
        modifyEmployee(request, iNamed, arBody);
        break;
    case EntModifyEmpList:
        modifyEmployees(request, arBody);
        break;
    case EntChangePassword:
        changePassword(request, arBody);
        break;
    default:
        m_service.counters().drop(CServiceCounters::DropBadField);
        break;
    }
}

void CDirectoryCommands::organisations(CRequest &request, const QByteArray &arBody)
{
    const QString strFilter = QString::fromUtf8(arBody).trimmed();
    CFieldWriter entries;
    int iCount = 0;
    for (const CDirectoryTable::Organisation &org :
         m_service.store().directory().organisations(strFilter, PAGE_SIZE)) {
        CFieldWriter entry;
        entry.u32(org.iOrgId).u32(0).str8(org.strName).blob32(org.strShortName.toUtf8());
        if (!entry.ok())
            continue;
        entries.tail(entry.packet());
        ++iCount;
    }
    m_service.reply(request, CFieldWriter(CmdEnterprise)
                                 .zpid(request.session()->iZpid)
                                 .u8(EntOrgList)
                                 .u8(Done)
                                 .u8(quint8(iCount))
                                 .tail(entries.packet())
                                 .packet());
}

void CDirectoryCommands::signIn(CRequest &request, quint8 iSub, const QByteArray &arBody)
{
    CFieldReader r(arBody, 0);
    const quint32 iOrgId = r.u32();
    if (iSub == EntLoginSubServer)
        r.str8(); // the phone the client names itself by; the session knows its account
    const QString strPassword = r.str8Text();
    const quint32 iZpid = request.session()->iZpid;
    const quint64 iSession = request.session()->iId;
    const QPointer<CClientConnection> connection = request.connection();
    const auto reply = [this, iSub, iZpid, iOrgId, connection](
                           quint8 iResult, const CDirectoryTable::Organisation *pOrg, int iRole) {
        if (!connection)
            return;
        m_service.send(connection.data(), CFieldWriter(CmdEnterprise)
                                              .zpid(iZpid)
                                              .u8(iSub)
                                              .u8(iResult)
                                              .u8(quint8(iRole))
                                              .u32(pOrg ? iOrgId : 0)
                                              .u32(0)
                                              .str8(pOrg ? pOrg->strName : QString())
                                              .str8(pOrg ? pOrg->strShortName : QString())
                                              .str8(QString())
                                              .blob32(QByteArray())
                                              .packet());
    };
    const auto org = m_service.store().directory().organisation(iOrgId);
    const auto account = m_service.store().accounts().byZpid(iZpid);
    const auto record =
        org && account ? m_service.store().directory().employeeOf(iOrgId, iZpid, account->strMobile)
                       : std::nullopt;
    // Only an organisation's own people sign in to it; a guess costs a look-up.
    if (!r.ok() || !record || org->arPasswordHash.isEmpty() || !m_service.allowLookup(request)) {
        reply(Refused, nullptr, RoleEmployee);
        return;
    }
    const int iRole = record->iRole;
    m_service.hashes().check(org->arPasswordHash, strPassword,
                             [this, reply, iSub, iSession, iOrgId, iRole, org](bool bOk) {
                                 if (bOk && iSub == EntLoginSubServer)
                                     m_signedIn.insert(iSession, iOrgId);
                                 reply(bOk ? Done : WrongPassword, bOk ? &*org : nullptr,
                                       bOk ? iRole : RoleEmployee);
                             });
}

void CDirectoryCommands::departments(CRequest &request, const QByteArray &arBody)
{
    CFieldReader r(arBody, 0);
    const quint32 iOrgId = r.u32();
    const bool bMember = r.ok() && member(request, iOrgId).has_value();
    const QList<CDirectoryTable::Department> list =
        bMember ? m_service.store().directory().departments(iOrgId)
                : QList<CDirectoryTable::Department>();
    sendPages(request, EntDeptList, bMember, iOrgId, int(list.size()),
              [&list](int i, CFieldWriter &entries) {
                  const CDirectoryTable::Department &dept = list.at(i);
                  entries.str8(dept.strParentNo)
                      .str8(dept.strNo)
                      .str8(dept.strName)
                      .blob32(dept.strSortKey.toUtf8());
              });
}

void CDirectoryCommands::employees(CRequest &request, const QByteArray &arBody)
{
    CFieldReader r(arBody, 0);
    const quint32 iOrgId = r.u32();
    const QString strDeptNo = r.str8Text();
    const bool bMember = r.ok() && member(request, iOrgId).has_value();
    const QList<CDirectoryTable::Employee> list =
        bMember ? m_service.store().directory().employees(
                      iOrgId, allDepartments(strDeptNo) ? QString() : strDeptNo)
                : QList<CDirectoryTable::Employee>();
    sendPages(request, EntEmpList, bMember, iOrgId, int(list.size()),
              [&list](int i, CFieldWriter &entries) {
                  const CDirectoryTable::Employee &emp = list.at(i);
                  entries.u32(emp.iZpid)
                      .str8(emp.strDeptNo)
                      .str8(emp.strUserId)
                      .str8(emp.strName)
                      .str8(emp.strPhone)
                      .str8(emp.strTel)
                      .str8(emp.strPost)
                      .u8(quint8(emp.iRole))
                      .blob32(emp.strSortKey.toUtf8());
              });
}

void CDirectoryCommands::sendPages(CRequest &request, quint8 iSub, bool bMember, quint32 iOrgId,
                                   int iTotal,
                                   const std::function<void(int, CFieldWriter &)> &writeEntry)
{
    // Every page carries the total, so the client knows when it has them all; an empty or
    // refused list is one page of none.
    int iSent = 0;
    do {
        CFieldWriter entries;
        int iCount = 0;
        for (; iSent < iTotal && iCount < PAGE_SIZE; ++iSent, ++iCount)
            writeEntry(iSent, entries);
        m_service.reply(request, CFieldWriter(CmdEnterprise)
                                     .zpid(request.session()->iZpid)
                                     .u8(iSub)
                                     .u8(bMember ? Done : Refused)
                                     .u32(iOrgId)
                                     .u32(0)
                                     .u32(quint32(iTotal))
                                     .u8(quint8(iCount))
                                     .tail(entries.packet())
                                     .packet());
    } while (iSent < iTotal);
}

void CDirectoryCommands::modifyOrganisation(CRequest &request, const QByteArray &arBody)
{
    CFieldReader r(arBody, 0);
    const quint32 iOrgId = r.u32();
    const QString strName = r.str8Text();
    const QString strShortName = r.str8Text();
    r.u8();
    r.u8();
    r.u32();
    const QString strPassword = r.str8Text(); // the administrators' password, for a new one
    if (!r.ok() || !fits(strName, true) || !fits(strShortName, false)) {
        answerChange(request, EntModifyOrg, false, iOrgId);
        return;
    }
    if (iOrgId != 0) {
        if (!isAdmin(request, iOrgId)) {
            refuse(request, EntModifyOrg, iOrgId);
            return;
        }
        answerChange(request, EntModifyOrg,
                     m_service.store().directory().setNames(iOrgId, strName.trimmed(),
                                                            strShortName.trimmed()),
                     iOrgId);
        return;
    }
    // A new organisation: its creator is its first administrator and is signed in to it.
    const quint32 iZpid = request.session()->iZpid;
    const auto account = m_service.store().accounts().byZpid(iZpid);
    const int iPasswordBytes = int(strPassword.toUtf8().size());
    if (!account || iPasswordBytes == 0 || iPasswordBytes > MAX_PASSWORD_BYTES) {
        answerChange(request, EntModifyOrg, false, 0);
        return;
    }
    const quint64 iSession = request.session()->iId;
    const QPointer<CClientConnection> connection = request.connection();
    CDirectoryTable::Organisation org;
    org.strName = strName.trimmed();
    org.strShortName = strShortName.trimmed();
    CDirectoryTable::Employee creator;
    creator.strUserId = account->strMobile;
    creator.strName = account->strName;
    creator.strPhone = account->strMobile;
    creator.iZpid = iZpid;
    creator.iRole = RoleAdmin;
    org.employees << creator;
    const bool bQueued = m_service.hashes().change(
        iZpid, strPassword, m_service.config().hashCost,
        [this, org, iZpid, iSession, connection](QByteArray arHash) mutable {
            org.arPasswordHash = arHash;
            CServiceStore &store = m_service.store();
            quint32 iNew = 0;
            if (!arHash.isEmpty() && store.transaction()) {
                iNew = store.directory().create(org);
                if (!(iNew != 0 ? store.commit() : (store.rollback(), false)))
                    iNew = 0;
            }
            if (iNew != 0)
                m_signedIn.insert(iSession, iNew);
            if (connection)
                m_service.send(connection.data(), CFieldWriter(CmdEnterprise)
                                                      .zpid(iZpid)
                                                      .u8(EntModifyOrg)
                                                      .u8(iNew != 0 ? Done : Refused)
                                                      .u32(iNew)
                                                      .packet());
        });
    if (!bQueued)
        answerChange(request, EntModifyOrg, false, 0);
}

void CDirectoryCommands::modifyDepartment(CRequest &request, const QByteArray &arBody)
{
    CFieldReader r(arBody, 0);
    const quint8 iKind = r.u8();
    const quint32 iOrgId = r.u32();
    CDirectoryTable::Department dept;
    dept.strParentNo = r.str8Text();
    dept.strNo = r.str8Text();
    dept.strName = r.str8Text();
    dept.strSortKey = QString::fromUtf8(r.blob32());
    if (!r.ok() || !isAdmin(request, iOrgId)) {
        refuse(request, EntModifyDept, iOrgId);
        return;
    }
    CDirectoryTable &directory = m_service.store().directory();
    const bool bExists = directory.departmentExists(iOrgId, dept.strNo);
    bool bDone = false;
    if (iKind == EntDelete)
        // A department goes only once it has no employees left.
        bDone = bExists && directory.employeeCount(iOrgId, dept.strNo) == 0 &&
                directory.removeDepartment(iOrgId, dept.strNo);
    else if ((iKind == EntAdd && !bExists) || (iKind == EntEdit && bExists))
        bDone = fits(dept.strNo, true) && fits(dept.strName, true) &&
                fits(dept.strSortKey, false) && !allDepartments(dept.strNo) &&
                directory.putDepartment(iOrgId, dept);
    answerChange(request, EntModifyDept, bDone, iOrgId);
}

void CDirectoryCommands::modifyDepartments(CRequest &request, const QByteArray &arBody)
{
    CFieldReader r(arBody, 0);
    r.u8();
    const quint32 iOrgId = r.u32();
    const quint8 iCount = r.u8();
    QList<CDirectoryTable::Department> list;
    for (int i = 0; i < iCount && r.ok(); ++i) {
        r.str8();
        CDirectoryTable::Department dept;
        dept.strNo = r.str8Text();
        dept.strName = r.str8Text();
        dept.strSortKey = QString::fromUtf8(r.blob32());
        list << dept;
    }
    if (!r.ok() || !isAdmin(request, iOrgId)) {
        refuse(request, EntModifyDeptList, iOrgId);
        return;
    }
    CServiceStore &store = m_service.store();
    bool bDone = store.transaction();
    for (const CDirectoryTable::Department &dept : std::as_const(list))
        bDone = bDone && fits(dept.strNo, true) && fits(dept.strName, true) &&
                !allDepartments(dept.strNo) && store.directory().putDepartment(iOrgId, dept);
    bDone = bDone ? store.commit() : (store.rollback(), false);
    answerChange(request, EntModifyDeptList, bDone, iOrgId);
}

void CDirectoryCommands::modifyEmployee(CRequest &request, quint32 iNamed, const QByteArray &arBody)
{
    CFieldReader r(arBody, 0);
    const quint8 iKind = r.u8();
    const quint32 iOrgId = r.u32();
    CDirectoryTable::Employee emp;
    emp.strDeptNo = r.str8Text();
    emp.strUserId = r.str8Text();
    emp.strName = r.str8Text();
    emp.strPhone = r.str8Text();
    emp.strTel = r.str8Text();
    r.u8();
    emp.strPost = r.str8Text();
    emp.iRole = r.u8() == RoleAdmin ? RoleAdmin : RoleEmployee;
    emp.strSortKey = QString::fromUtf8(r.blob32());
    const auto self = r.ok() ? member(request, iOrgId) : std::nullopt;
    CDirectoryTable &directory = m_service.store().directory();
    const auto stored = directory.employee(iOrgId, emp.strUserId);
    if (!self) {
        refuse(request, EntModifyEmp, iOrgId);
        return;
    }
    if (self->iRole != RoleAdmin) {
        // An employee changes its own office phone and nothing else: a request that would
        // change more (a role, above all) is refused whole.
        const bool bOwnPhone = iKind == EntEdit && stored && stored->strUserId == self->strUserId &&
                               emp.strDeptNo == stored->strDeptNo &&
                               emp.strName == stored->strName &&
                               samePost(emp.strPost, stored->strPost) &&
                               emp.strPhone == stored->strPhone && emp.iRole == stored->iRole;
        if (!bOwnPhone || !fits(emp.strTel, false)) {
            refuse(request, EntModifyEmp, iOrgId);
            return;
        }
        CDirectoryTable::Employee changed = *stored;
        changed.strTel = emp.strTel;
        answerChange(request, EntModifyEmp, directory.putEmployee(iOrgId, changed), iOrgId);
        return;
    }
    bool bDone = false;
    if (iKind == EntDelete) {
        // The administrator's own record stays, so the organisation keeps an administrator.
        bDone = stored && stored->strUserId != self->strUserId &&
                directory.removeEmployee(iOrgId, emp.strUserId);
    } else if ((iKind == EntAdd && !stored) || (iKind == EntEdit && stored)) {
        if (iNamed == 0)
            iNamed = m_service.store().accounts().zpidOfMobile(emp.strPhone);
        emp.iZpid = iNamed;
        // Nobody demotes themself: the organisation would lose its administrator.
        if (stored && stored->strUserId == self->strUserId)
            emp.iRole = RoleAdmin;
        bDone = fits(emp.strUserId, true) && fits(emp.strName, true) && fits(emp.strPhone, false) &&
                fits(emp.strTel, false) && fits(emp.strPost, false) &&
                fits(emp.strSortKey, false) && directory.departmentExists(iOrgId, emp.strDeptNo) &&
                directory.putEmployee(iOrgId, emp);
    }
    answerChange(request, EntModifyEmp, bDone, iOrgId);
}

void CDirectoryCommands::modifyEmployees(CRequest &request, const QByteArray &arBody)
{
    CFieldReader r(arBody, 0);
    const quint32 iOrgId = r.u32();
    const quint8 iCount = r.u8();
    QList<CDirectoryTable::Employee> list;
    for (int i = 0; i < iCount && r.ok(); ++i) {
        CDirectoryTable::Employee emp;
        emp.strDeptNo = r.str8Text();
        emp.strUserId = r.str8Text();
        emp.strName = r.str8Text();
        emp.strPhone = r.str8Text();
        emp.strTel = r.str8Text();
        emp.strPost = r.str8Text();
        emp.strSortKey = QString::fromUtf8(r.blob32());
        list << emp;
    }
    if (!r.ok() || !isAdmin(request, iOrgId)) {
        refuse(request, EntModifyEmpList, iOrgId);
        return;
    }
    CServiceStore &store = m_service.store();
    CDirectoryTable &directory = store.directory();
    bool bDone = store.transaction();
    for (CDirectoryTable::Employee emp : std::as_const(list)) {
        // A listed employee keeps the role it has; a new one is an employee.
        const auto stored = directory.employee(iOrgId, emp.strUserId);
        emp.iRole = stored ? stored->iRole : int(RoleEmployee);
        emp.iZpid = store.accounts().zpidOfMobile(emp.strPhone);
        bDone = bDone && fits(emp.strUserId, true) && fits(emp.strName, true) &&
                fits(emp.strPhone, false) && fits(emp.strTel, false) && fits(emp.strPost, false) &&
                directory.departmentExists(iOrgId, emp.strDeptNo) &&
                directory.putEmployee(iOrgId, emp);
    }
    bDone = bDone ? store.commit() : (store.rollback(), false);
    answerChange(request, EntModifyEmpList, bDone, iOrgId);
}

void CDirectoryCommands::changePassword(CRequest &request, const QByteArray &arBody)
{
    CFieldReader r(arBody, 0);
    const quint32 iOrgId = r.u32();
    const QString strUserId = r.str8Text();
    const quint8 iSubType = r.u8();
    r.u8();
    const QString strPassword = r.str8Text();
    const quint32 iZpid = request.session()->iZpid;
    const QPointer<CClientConnection> connection = request.connection();
    const auto reply = [this, iZpid, iOrgId, strUserId, iSubType, connection](bool bDone) {
        if (connection)
            m_service.send(connection.data(), CFieldWriter(CmdEnterprise)
                                                  .zpid(iZpid)
                                                  .u8(EntChangePassword)
                                                  .u32(iOrgId)
                                                  .str8(strUserId)
                                                  .u8(iSubType)
                                                  .u8(bDone ? Done : Refused)
                                                  .packet());
    };
    const int iBytes = int(strPassword.toUtf8().size());
    if (!r.ok() || !isAdmin(request, iOrgId)) {
        m_service.counters().event(CServiceCounters::DirectoryRefused);
        reply(false);
        return;
    }
    if (iBytes == 0 || iBytes > MAX_PASSWORD_BYTES) {
        reply(false);
        return;
    }
    const bool bQueued = m_service.hashes().change(
        iZpid, strPassword, m_service.config().hashCost, [this, reply, iOrgId](QByteArray arHash) {
            reply(!arHash.isEmpty() && m_service.store().directory().setPassword(iOrgId, arHash));
        });
    if (!bQueued)
        reply(false);
}

std::optional<CDirectoryTable::Employee> CDirectoryCommands::member(const CRequest &request,
                                                                    quint32 iOrgId) const
{
    if (m_signedIn.value(request.session()->iId) != iOrgId || iOrgId == 0)
        return std::nullopt;
    const auto account = m_service.store().accounts().byZpid(request.session()->iZpid);
    if (!account)
        return std::nullopt;
    return m_service.store().directory().employeeOf(iOrgId, account->iZpid, account->strMobile);
}

bool CDirectoryCommands::isAdmin(const CRequest &request, quint32 iOrgId) const
{
    const auto self = member(request, iOrgId);
    return self && self->iRole == RoleAdmin;
}

void CDirectoryCommands::answerChange(CRequest &request, quint8 iSub, bool bDone, quint32 iOrgId)
{
    m_service.reply(request, CFieldWriter(CmdEnterprise)
                                 .zpid(request.session()->iZpid)
                                 .u8(iSub)
                                 .u8(bDone ? Done : Refused)
                                 .u32(iOrgId)
                                 .packet());
}

void CDirectoryCommands::refuse(CRequest &request, quint8 iSub, quint32 iOrgId)
{
    m_service.counters().event(CServiceCounters::DirectoryRefused);
    answerChange(request, iSub, false, iOrgId);
}
