// Core's enterprise directory: the organisation list, the enterprise sign-in with the role it
// grants, the directory tree ("orginfoModel") and one department's employees ("empinfoModel"),
// and the administrator's changes.
//
// The server sends the department and the employee list in pages that each name the total.
// Core collects the pages of one list until they add up to the total and then hands the whole
// list to a worker, which replaces the table in one store batch; a list that does not add up
// is dropped whole, so the store never holds part of one. The refresh chain runs from there:
// departments stored -> employees asked for -> employees stored -> the lists rebuilt.
//
// The role is the viewer's until a successful enterprise sign-in says otherwise, and goes back
// to the viewer's when the user leaves the organisation or the account signs out; the
// directory of one account or organisation never stays behind for the next.
#include "core.h"

#include <QMap>

#include <algorithm>

#include "cdatabase.h"
#include "cfieldreader.h"
#include "cnetwork.h"
#include "codes.h"
#include "cparsedirectorythread.h"
#include "csessionstate.h"
#include "ctrace.h"
#include "orginfomodel.h"
#include "publishedlist.h"
#include "rules.h"
#include "singleworker.h"

namespace {

// A list whose pages would hold more than this is not believed, whatever total it names.
constexpr int kMaxCollectedBytes = 64 * 1024 * 1024;
// The department number that asks for the employees of every department.
const QString kAllDepartments = QStringLiteral("0");

// The pages of one directory list received so far.
struct PageCollection
{
    bool bActive = false;
    quint32 iOrgId = 0;
    int iTotal = 0;
    int iCount = 0;
    QByteArray arEntries;

    void drop() { *this = PageCollection(); }
};

// Directory rows: a department row carries no Zpid, an employee row always one.
bool isEmployeeRow(const QObject *pRow)
{
    return !pRow->property("strZpid").toString().isEmpty();
}

bool isDepartmentRow(const QObject *pRow, const QString &strDeptNo)
{
    return !isEmployeeRow(pRow) && pRow->property("strNo").toString() == strDeptNo;
}

bool isEmployeeOf(const QObject *pRow, const QString &strDeptNo)
{
    return isEmployeeRow(pRow) && pRow->property("strPNo").toString() == strDeptNo;
}

// The row of the department: the hinted one when it is that department, otherwise the first
// department row with that number; -1 when the tree has none.
int departmentRow(const QList<QObject *> &rows, int iHint, const QString &strDeptNo)
{
    if (iHint >= 0 && iHint < rows.size() && isDepartmentRow(rows.at(iHint), strDeptNo))
        return iHint;
    for (int i = 0; i < rows.size(); ++i) {
        if (isDepartmentRow(rows.at(i), strDeptNo))
            return i;
    }
    return -1;
}

void setExpanded(QObject *pRow, bool bExpand)
{
    if (auto *pModel = qobject_cast<OrgInfoModel *>(pRow))
        pModel->setBExpand(bExpand);
}

bool isChangeKind(int iType)
{
    return iType == Codes::EntAdd || iType == Codes::EntEdit || iType == Codes::EntDelete;
}

} // namespace

struct Core::Enterprise
{
    explicit Enterprise(ListPublisher &lists)
        : orgInfo(lists, "orginfoModel"), empInfo(lists, "empinfoModel")
    {}

    PublishedList orgInfo;
    PublishedList empInfo;

    // The organisation signed in to (0: none), the account that signed in to it, and the
    // role that sign-in granted.
    quint32 iOrgId = 0;
    quint32 iAccount = 0;
    int iRole = Codes::RoleEmployee;
    // The department whose employees "empinfoModel" shows.
    QString strLastDept;

    PageCollection deptPages;
    PageCollection empPages;

    // Children of Core, so that logout and the destructor wait for them.
    SingleWorker *pDeptWorker = nullptr;
    SingleWorker *pEmpWorker = nullptr;
};

void Core::AreaDeleter::operator()(Enterprise *pArea) const
{
    delete pArea;
}

void Core::makeEnterprise()
{
    m_pEnterprise.reset(new Enterprise(lists()));
    Enterprise &e = *m_pEnterprise;
    e.pDeptWorker = new SingleWorker(
        [this](QThread *pWorker) {
            const auto *pDone = static_cast<CParseDirectoryThread *>(pWorker);
            const quint32 iOrgId = m_pEnterprise->iOrgId;
            if (!pDone->isStored() || pDone->orgId() != iOrgId) {
                trace().traceNumber(QStringLiteral("department list not stored for"),
                                    pDone->orgId());
                return;
            }
            if (network())
                network()->slot_onGetEmpInfo(iOrgId, kAllDepartments);
        },
        this);
    e.pEmpWorker = new SingleWorker(
        [this](QThread *pWorker) {
            const auto *pDone = static_cast<CParseDirectoryThread *>(pWorker);
            if (!pDone->isStored() || pDone->orgId() != m_pEnterprise->iOrgId) {
                trace().traceNumber(QStringLiteral("employee list not stored for"), pDone->orgId());
                return;
            }
            getOrgList();
            getEmpList(m_pEnterprise->strLastDept);
        },
        this);
}

void Core::setEnterpriseRole(int iRole)
{
    m_pEnterprise->iRole = iRole == Codes::RoleAdmin ? Codes::RoleAdmin : Codes::RoleEmployee;
    if (database())
        database()->setOrgUserType(m_pEnterprise->iRole);
}

void Core::forgetEnterprise()
{
    Enterprise &e = *m_pEnterprise;
    // A worker still writing would put the list back after the tables are emptied.
    e.pDeptWorker->wait();
    e.pEmpWorker->wait();
    e.deptPages.drop();
    e.empPages.drop();
    e.iOrgId = 0;
    e.iAccount = 0;
    e.strLastDept.clear();
    setEnterpriseRole(Codes::RoleEmployee);
    if (const QSharedPointer<CDatabase> pDatabase = database()) {
        pDatabase->clearDept();
        pDatabase->clearEmp();
    }
    e.orgInfo.clear();
    e.empInfo.clear();
}

void Core::forgetEnterpriseOfOtherAccount(quint32 iZpid)
{
    if (m_pEnterprise->iAccount != 0 && m_pEnterprise->iAccount != iZpid)
        forgetEnterprise();
}

bool Core::refuseToViewer(const char *pWhat) const
{
    if (m_pEnterprise->iRole == Codes::RoleAdmin && m_pEnterprise->iOrgId != 0)
        return false;
    trace().trace(QStringLiteral("%1 not sent: not an administrator").arg(QLatin1String(pWhat)));
    return true;
}

void Core::getOrgInfo(QString strExInfo)
{
    if (network())
        network()->slot_onGetOrgInfo(strExInfo);
}

void Core::loginEnterprise(QString strOrgId, QString strPassword)
{
    if (network())
        network()->slot_onLoginSubServer(strOrgId, strPassword);
}

void Core::logoutEnterprise()
{
    forgetEnterprise();
}

void Core::getOrgList()
{
    // Rebuilt with every department collapsed.
    if (database())
        m_pEnterprise->orgInfo.replace(database()->getDept());
}

void Core::getDeptInfo()
{
    QStringList numbers;
    QStringList names;
    if (database()) {
        const QList<QObject *> rows = database()->getDept();
        for (const QObject *pRow : rows) {
            numbers << pRow->property("strNo").toString();
            names << pRow->property("strName").toString();
        }
        qDeleteAll(rows);
    }
    Q_EMIT sig_setDeptInfo(QVariant(numbers), QVariant(names));
}

void Core::getEmpList(QString strDeptNo)
{
    m_pEnterprise->strLastDept = strDeptNo;
    if (database())
        m_pEnterprise->empInfo.replace(database()->getEmp(strDeptNo));
}

void Core::expandList(int index, QString strDeptNo)
{
    Enterprise &e = *m_pEnterprise;
    if (strDeptNo.isEmpty() || !database())
        return;
    const QList<QObject *> &rows = e.orgInfo.rows();
    // The index the screens pass may be out of date: the number says which department.
    const int iDept = departmentRow(rows, index, strDeptNo);
    if (iDept < 0) {
        trace().traceText(QStringLiteral("expand: no such department"), strDeptNo);
        return;
    }
    setExpanded(rows.at(iDept), true);
    if (std::any_of(rows.cbegin(), rows.cend(),
                    [&strDeptNo](const QObject *pRow) { return isEmployeeOf(pRow, strDeptNo); }))
        return;
    const QList<QObject *> employees = database()->getEmp(strDeptNo);
    if (employees.isEmpty())
        return;
    // The rows already shown stay the same objects: the views bound to them keep them.
    QList<QObject *> expanded;
    expanded.reserve(rows.size() + employees.size());
    expanded.append(rows.mid(0, iDept + 1));
    expanded.append(employees);
    expanded.append(rows.mid(iDept + 1));
    e.orgInfo.replace(expanded);
}

void Core::shrinkList(QString strDeptNo)
{
    Enterprise &e = *m_pEnterprise;
    if (strDeptNo.isEmpty())
        return;
    const QList<QObject *> &rows = e.orgInfo.rows();
    QList<QObject *> shrunk;
    shrunk.reserve(rows.size());
    for (QObject *pRow : rows) {
        if (isEmployeeOf(pRow, strDeptNo))
            continue;
        if (isDepartmentRow(pRow, strDeptNo))
            setExpanded(pRow, false);
        shrunk.append(pRow);
    }
    if (shrunk.size() != rows.size())
        e.orgInfo.replace(shrunk);
}

void Core::modifyOrgInfo(QVariant varOrgInfo, int iType)
{
    // Anybody may create an organisation; changing one is the administrators' business.
    if (iType != Codes::EntAdd && refuseToViewer("organisation change")) {
        Q_EMIT sig_modifyOrgInfo(false, iType);
        return;
    }
    if (network())
        network()->slot_onModifyOrgInfo(varOrgInfo, iType);
}

void Core::modifyDeptInfo(QString strOrgId, QString strPNo, QString strNo, QString strSNo,
                          QString strName, int iType)
{
    const auto refuse = [&](const QString &strWhy) {
        trace().traceText(QStringLiteral("department change not sent: ") + strWhy, strNo);
        Q_EMIT sig_modifyDeptInfo(strOrgId, false, iType);
    };
    if (refuseToViewer("department change")) {
        Q_EMIT sig_modifyDeptInfo(strOrgId, false, iType);
        return;
    }
    if (!isChangeKind(iType)) {
        refuse(QStringLiteral("unknown kind"));
        return;
    }
    const QSharedPointer<CDatabase> pDatabase = database();
    if (!pDatabase || !network())
        return;
    // The screens say so before they ask; a department is emptied before it goes.
    if (iType == Codes::EntDelete && pDatabase->getEmpCount(strNo) > 0) {
        refuse(QStringLiteral("the department still has employees"));
        return;
    }
    network()->slot_onModifyDeptInfo(Rules::idOf(strOrgId), strPNo, strNo, strName, iType, strSNo);
}

void Core::modifyEmpInfo(QString strZpid, QString strOrgId, QString strPNo, QString strNo,
                         QString strSNo, QString strName, QString strPhone, QString strTel,
                         QString strPost, int iType)
{
    if (refuseToViewer("employee change")) {
        Q_EMIT sig_modifyDeptInfo(strOrgId, false, iType);
        return;
    }
    const QSharedPointer<CDatabase> pDatabase = database();
    if (!isChangeKind(iType) || !pDatabase || !network()) {
        trace().traceNumber(QStringLiteral("employee change not sent: kind"), iType);
        Q_EMIT sig_modifyDeptInfo(strOrgId, false, iType);
        return;
    }
    // A new employee starts as an employee; a change keeps the role the employee has. An
    // employee the directory does not hold has no role to keep, and sending one would make
    // somebody an administrator.
    int iUserType = Codes::RoleEmployee;
    if (iType != Codes::EntAdd) {
        bool bFound = false;
        iUserType = pDatabase->getEmpUserType(strPNo, strNo, &bFound);
        if (!bFound) {
            trace().traceText(QStringLiteral("employee change not sent: no such employee"), strNo);
            Q_EMIT sig_modifyDeptInfo(strOrgId, false, iType);
            return;
        }
    }
    network()->slot_onModifyEmpInfo(strZpid.trimmed().toUInt(), Rules::idOf(strOrgId), strPNo,
                                    strNo, strName, strPhone, strTel, strPost, iUserType, iType,
                                    strSNo);
}

void Core::modifyEmpInfo(QString strOrgId, QString strTel)
{
    const QSharedPointer<CDatabase> pDatabase = database();
    if (!pDatabase || !network())
        return;
    const CSessionState &session = sessionState();
    // The own record: name, post, department number, sort key, office phone.
    const QStringList own = pDatabase->getEmpByPhone(session.strPhone);
    bool bFound = false;
    const int iUserType =
        own.size() < 4 ? 0 : pDatabase->getEmpUserType(own.at(2), session.strPhone, &bFound);
    if (!bFound) {
        trace().trace(QStringLiteral("own office phone not sent: no own employee record"));
        Q_EMIT sig_modifyDeptInfo(strOrgId, false, Codes::EntEdit);
        return;
    }
    // The role goes back as stored: an administrator changing a phone stays one.
    network()->slot_onModifyEmpInfo(session.iZpid, Rules::idOf(strOrgId), own.at(2),
                                    session.strPhone, own.at(0), session.strPhone, strTel,
                                    own.at(1), iUserType, Codes::EntEdit, own.at(3));
}

void Core::addEmpFromContact(QString strOrgId, QString strPNo)
{
    if (refuseToViewer("employees from contacts")) {
        Q_EMIT sig_modifyDeptInfo(strOrgId, false, Codes::EntAdd);
        return;
    }
    if (!network())
        return;
    const quint32 iOrgId = Rules::idOf(strOrgId);
    for (const QObject *pRow : checkedRows("selectModel")) {
        // The mobile number doubles as the new employee's user id.
        const QString strPhone = pRow->property("strPhone").toString();
        network()->slot_onModifyEmpInfo(
            pRow->property("strZpid").toString().toUInt(), iOrgId, strPNo, strPhone,
            pRow->property("strName").toString(), strPhone, pRow->property("strTel").toString(),
            pRow->property("strPost").toString(), Codes::RoleEmployee, Codes::EntAdd, QString());
    }
}

QString Core::getEmpTel()
{
    const QSharedPointer<CDatabase> pDatabase = database();
    if (!pDatabase)
        return QString();
    const QStringList own = pDatabase->getEmpByPhone(sessionState().strPhone);
    return own.size() == 5 ? own.at(4) : QString();
}

void Core::addEnAccount(QString strUserId, QString strPassword)
{
    if (const QSharedPointer<CDatabase> pDatabase = database())
        pDatabase->addEnAccount(strUserId, strPassword);
}

QString Core::getEnPassword(QString strUserId)
{
    const QSharedPointer<CDatabase> pDatabase = database();
    return pDatabase ? pDatabase->getEnPassword(strUserId) : QString();
}

int Core::enterpriseRole() const
{
    return m_pEnterprise->iRole;
}

void Core::slot_onParseOrgInfo(QByteArray arBuff, int iCount)
{
    // By id as text; a later entry with the same id names it anew.
    QMap<QString, QString> orgs;
    CFieldReader r(arBuff);
    for (int i = 0; i < iCount; ++i) {
        const quint32 iOrgId = r.u32();
        r.skip(4);
        const QByteArray arName = r.str8();
        // The short name's length is the first of its four length bytes.
        const QByteArray arLength = r.bytes(4);
        r.skip(arLength.isEmpty() ? 0 : quint8(arLength.at(0)));
        if (!r.ok()) {
            trace().traceNumber(QStringLiteral("organisation list cut short after"), i);
            break;
        }
        orgs.insert(QString::number(iOrgId), QString::fromUtf8(arName));
    }
    Q_EMIT sig_setOrgInfo(QVariant(orgs.keys()), QVariant(orgs.values()));
}

void Core::slot_onLoginEnterprise(quint32 iOrgId, QString strName, QString strShortName, bool flag,
                                  int iType)
{
    Enterprise &e = *m_pEnterprise;
    const bool bSignedIn = flag && iOrgId != 0;
    if (bSignedIn) {
        // The previous organisation's directory and role go before this one's arrive.
        forgetEnterprise();
        e.iOrgId = iOrgId;
        e.iAccount = sessionState().iZpid;
        setEnterpriseRole(iType);
    }
    // A refused sign-in grants nothing, whatever role its reply carries.
    Q_EMIT sig_loginenterprise(QString::number(iOrgId), strName, strShortName, bSignedIn,
                               bSignedIn ? e.iRole : int(Codes::RoleEmployee));
    if (bSignedIn && network())
        network()->slot_onGetDeptInfo(iOrgId);
}

bool Core::collectDirectoryPage(bool bEmployees, quint32 iOrgId, const QByteArray &arBuff,
                                int iAllCount, int iTotal, QByteArray *pEntries, int *pCount)
{
    Enterprise &e = *m_pEnterprise;
    PageCollection &pages = bEmployees ? e.empPages : e.deptPages;
    const QString strWhat =
        bEmployees ? QStringLiteral("employee page") : QStringLiteral("department page");
    if (pages.bActive && (pages.iOrgId != iOrgId || pages.iTotal != iTotal)) {
        // A page of another list: the one collected so far will not be completed.
        trace().traceNumber(strWhat + QStringLiteral(" of another list, pages collected dropped"),
                            pages.iCount);
        pages.drop();
    }
    if (iOrgId == 0 || iOrgId != e.iOrgId) {
        trace().traceNumber(strWhat + QStringLiteral(" of an organisation not signed in to"),
                            iOrgId);
        return false;
    }
    if (iAllCount < 0 || iTotal < 0) {
        trace().traceNumber(strWhat + QStringLiteral(" with a negative count"), iAllCount);
        pages.drop();
        return false;
    }
    if (!pages.bActive) {
        pages.bActive = true;
        pages.iOrgId = iOrgId;
        pages.iTotal = iTotal;
    }
    if (iAllCount > pages.iTotal - pages.iCount ||
        arBuff.size() > kMaxCollectedBytes - pages.arEntries.size()) {
        trace().traceNumber(strWhat + QStringLiteral(" beyond the total, list dropped"),
                            pages.iTotal);
        pages.drop();
        return false;
    }
    pages.arEntries += arBuff;
    pages.iCount += iAllCount;
    if (pages.iCount < pages.iTotal)
        return false;
    *pEntries = std::exchange(pages.arEntries, {});
    *pCount = pages.iCount;
    pages.drop();
    return true;
}

void Core::slot_onParseDeptInfo(quint32 iOrgId, QByteArray arBuff, int iAllCount, int iTotal)
{
    QByteArray arEntries;
    int iCount = 0;
    QSharedPointer<CDatabase> pDatabase = database();
    if (!pDatabase ||
        !collectDirectoryPage(false, iOrgId, arBuff, iAllCount, iTotal, &arEntries, &iCount))
        return;
    m_pEnterprise->pDeptWorker->start([=]() -> QThread * {
        return new CParseDirectoryThread(CParseDirectoryThread::Departments, iOrgId, arEntries,
                                         iCount, pDatabase);
    });
}

void Core::slot_onParseEmpInfo(quint32 iOrgId, QByteArray arBuff, int iAllCount, int iTotal)
{
    QByteArray arEntries;
    int iCount = 0;
    QSharedPointer<CDatabase> pDatabase = database();
    if (!pDatabase ||
        !collectDirectoryPage(true, iOrgId, arBuff, iAllCount, iTotal, &arEntries, &iCount))
        return;
    m_pEnterprise->pEmpWorker->start([=]() -> QThread * {
        return new CParseDirectoryThread(CParseDirectoryThread::Employees, iOrgId, arEntries,
                                         iCount, pDatabase);
    });
}

void Core::slot_onModifyOrgInfo(quint32 iOrgId, bool flag)
{
    // The organisation's employees are asked for again only when the change took effect and
    // is about the organisation signed in to.
    if (flag && iOrgId != 0 && iOrgId == m_pEnterprise->iOrgId && network())
        network()->slot_onGetEmpInfo(iOrgId, kAllDepartments);
    Q_EMIT sig_modifyOrgInfo(flag, sessionState().iLastOrgChangeKind);
}

void Core::slot_onModifyDeptInfo(quint32 iOrgId, bool flag)
{
    Q_EMIT sig_modifyDeptInfo(QString::number(iOrgId), flag,
                              sessionState().iLastDirectoryChangeKind);
    // The department list replaces the stored one when it has arrived whole.
    if (flag && iOrgId != 0 && iOrgId == m_pEnterprise->iOrgId && network())
        network()->slot_onGetDeptInfo(iOrgId);
}

void Core::slot_onModifyEmpInfo(quint32 iOrgId, bool flag)
{
    Q_EMIT sig_modifyDeptInfo(QString::number(iOrgId), flag,
                              sessionState().iLastDirectoryChangeKind);
    if (flag && iOrgId != 0 && iOrgId == m_pEnterprise->iOrgId && network())
        network()->slot_onGetEmpInfo(iOrgId, kAllDepartments);
}
