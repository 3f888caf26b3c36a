// The enterprise directory request slots of the session manager. Every request is the command
// 87: a zpid, the sub-command and the counted rest, which Protocol frames. Texts travel as
// u8-counted UTF-8; one that does not fit its count stops the whole request, so nothing is cut
// or sent in part. The list forms go in several requests when one cannot number them all.
#include <QVariantList>

#include <functional>

#include "cfieldwriter.h"
#include "cnetwork.h"
#include "codes.h"
#include "csessionstate.h"

using namespace Codes;

namespace {

// The elements one list request can number: the count is a byte.
constexpr int ENTRIES_PER_REQUEST = 255;
// A list request stays within what the service takes as one request, whatever its elements.
constexpr int BYTES_PER_REQUEST = 0xFFFF;
// The values of an organisation change.
constexpr int ORG_INFO_VALUES = 8;
// [organisation id, user id, new password] of an enterprise password change.
constexpr int PASSWORD_VALUES = 3;

struct Batch
{
    int iCount = 0;
    QByteArray arEntries;
};

using WriteEntry = std::function<void(CFieldWriter &, const QObject &)>;

// The elements' fields in batches that fit one request each; an empty list still makes one
// empty batch. False when a field of any element does not fit.
bool makeBatches(const QObjectList &objectList, const WriteEntry &write, QList<Batch> *pBatches)
{
    QList<Batch> batches;
    Batch current;
    for (const QObject *pObject : objectList) {
        if (!pObject)
            continue;
        CFieldWriter entry;
        write(entry, *pObject);
        if (!entry.ok())
            return false;
        if (current.iCount == ENTRIES_PER_REQUEST ||
            (current.iCount > 0 && current.arEntries.size() + entry.size() > BYTES_PER_REQUEST)) {
            batches << current;
            current = Batch();
        }
        current.arEntries += entry.packet();
        ++current.iCount;
    }
    batches << current;
    *pBatches = batches;
    return true;
}

QString text(const QObject &object, const char *pProperty)
{
    return object.property(pProperty).toString();
}

} // namespace

bool CNetwork::sendEnterprise(quint32 iZpid, quint8 iSub, const CFieldWriter &rest,
                              const char *pWhat)
{
    if (!rest.ok()) {
        m_trace.traceError(QString("%1 not sent: a text does not fit").arg(QLatin1String(pWhat)));
        return false;
    }
    CFieldWriter w;
    w.zpid(iZpid).u8(iSub).tail(rest.packet());
    emit sig_createProtocol(CmdEnterprise, w.packet());
    return true;
}

void CNetwork::slot_onModifyOrgInfo(QVariant varOrgInfo, int iType)
{
    const QVariantList values = varOrgInfo.toList();
    if (values.size() < ORG_INFO_VALUES) {
        m_trace.traceNumber("organisation change not sent: values given", values.size());
        return;
    }
    auto at = [&values](int i) { return values.at(i).toString(); };
    CFieldWriter rest;
    rest.u32(quint32(values.at(0).toInt()))
        .str8(at(1))
        .str8(at(2))
        .u8(0)
        .u8(0)
        .u32(0)
        .str8(at(6))
        .str8(at(7))
        .str8(at(3))
        .str8(at(4))
        .str8(at(5))
        .u32(0);
    if (sendEnterprise(sessionState().iZpid, EntModifyOrg, rest, "organisation change"))
        sessionState().iLastOrgChangeKind = iType;
}

void CNetwork::slot_onLoginOrg(QString strOrgId, QString strPassword)
{
    quint32 iOrg = 0;
    if (!routable(strOrgId, &iOrg)) {
        m_trace.traceText("organisation sign-in not sent: no organisation", strOrgId);
        return;
    }
    CFieldWriter rest;
    rest.u32(iOrg).str8(strPassword).u32(0);
    sendEnterprise(sessionState().iZpid, EntLoginOrg, rest, "organisation sign-in");
}

void CNetwork::slot_onLoginSubServer(QString strOrgId, QString strPassword)
{
    quint32 iOrg = 0;
    if (!routable(strOrgId, &iOrg)) {
        m_trace.traceText("enterprise sign-in not sent: no organisation", strOrgId);
        return;
    }
    const CSessionState &s = sessionState();
    CFieldWriter rest;
    rest.u32(iOrg).str8(s.strPhone).str8(strPassword).u32(0);
    sendEnterprise(s.iZpid, EntLoginSubServer, rest, "enterprise sign-in");
}

void CNetwork::slot_onModifyDeptInfo(quint32 iOrgId, QString strPNo, QString strNo, QString strName,
                                     int iType, QString strEx)
{
    if (iOrgId == 0) {
        m_trace.trace("department change not sent: no organisation");
        return;
    }
    CFieldWriter rest;
    rest.u8(quint8(iType))
        .u32(iOrgId)
        .str8(strPNo)
        .str8(strNo)
        .str8(strName)
        .blob32(strEx.toUtf8());
    if (sendEnterprise(sessionState().iZpid, EntModifyDept, rest, "department change"))
        sessionState().iLastDirectoryChangeKind = iType;
}

void CNetwork::slot_onModifyDeptInfo(quint32 iOrgId, QObjectList objectList)
{
    if (iOrgId == 0) {
        m_trace.trace("department list not sent: no organisation");
        return;
    }
    QList<Batch> batches;
    const bool bFits = makeBatches(
        objectList,
        [](CFieldWriter &w, const QObject &row) {
            w.u8(0)
                .str8(text(row, "strPNo"))
                .str8(text(row, "strPName"))
                .blob32(text(row, "strPSNo").toUtf8());
        },
        &batches);
    if (!bFits) {
        m_trace.traceError("department list not sent: a text does not fit");
        return;
    }
    const quint32 iOwn = sessionState().iZpid;
    sessionState().iLastDirectoryChangeKind = 0;
    for (const Batch &batch : std::as_const(batches)) {
        CFieldWriter rest;
        rest.u8(0).u32(iOrgId).u8(quint8(batch.iCount)).tail(batch.arEntries);
        sendEnterprise(iOwn, EntModifyDeptList, rest, "department list");
    }
}

void CNetwork::slot_onModifyEmpInfo(quint32 iZpid, quint32 iOrgId, QString strPNo, QString strNo,
                                    QString strName, QString strPhone, QString strTel,
                                    QString strPost, int iUserType, int iType, QString strEx)
{
    if (iOrgId == 0) {
        m_trace.trace("employee change not sent: no organisation");
        return;
    }
    CFieldWriter rest;
    rest.u8(quint8(iType))
        .u32(iOrgId)
        .str8(strPNo)
        .str8(strNo)
        .str8(strName)
        .str8(strPhone)
        .str8(strTel)
        .u8(0)
        .str8(strPost)
        .u8(quint8(iUserType))
        .blob32(strEx.toUtf8());
    if (sendEnterprise(iZpid, EntModifyEmp, rest, "employee change"))
        sessionState().iLastDirectoryChangeKind = iType;
}

void CNetwork::slot_onModifyEmpInfo(quint32 iZpid, quint32 iOrgId, QObjectList objectList)
{
    if (iOrgId == 0) {
        m_trace.trace("employee list not sent: no organisation");
        return;
    }
    QList<Batch> batches;
    const bool bFits = makeBatches(
        objectList,
        [](CFieldWriter &w, const QObject &row) {
            w.str8(text(row, "strPNo"))
                .str8(text(row, "strNo"))
                .str8(text(row, "strName"))
                .str8(text(row, "strPhone"))
                .str8(text(row, "strTel"))
                .str8(text(row, "strPost"))
                .blob32(text(row, "strSNo").toUtf8());
        },
        &batches);
    if (!bFits) {
        m_trace.traceError("employee list not sent: a text does not fit");
        return;
    }
    sessionState().iLastDirectoryChangeKind = 0;
    for (const Batch &batch : std::as_const(batches)) {
        CFieldWriter rest;
        rest.u32(iOrgId).u8(quint8(batch.iCount)).tail(batch.arEntries);
        sendEnterprise(iZpid, EntModifyEmpList, rest, "employee list");
    }
}

void CNetwork::slot_onGetDeptInfo(quint32 iOrgId)
{
    if (iOrgId == 0)
        return;
    CFieldWriter rest;
    rest.u32(iOrgId).u32(0);
    sendEnterprise(sessionState().iZpid, EntDeptList, rest, "department request");
}

void CNetwork::slot_onGetEmpInfo(quint32 iOrgId, QString strDeptNo)
{
    if (iOrgId == 0)
        return;
    CFieldWriter rest;
    rest.u32(iOrgId).str8(strDeptNo).u32(0);
    sendEnterprise(sessionState().iZpid, EntEmpList, rest, "employee request");
}

void CNetwork::slot_onGetOrgInfo(QString strExInfo)
{
    // The framing's count makes the condition's bytes a counted field of their own.
    CFieldWriter rest;
    rest.tail(strExInfo.toUtf8());
    sendEnterprise(sessionState().iZpid, EntOrgList, rest, "organisation request");
}

void CNetwork::changeEnterprisePassword(int iType, int iSubType, const QVariant &varPassword)
{
    const QVariantList values = varPassword.toList();
    quint32 iOrg = 0;
    if (values.size() < PASSWORD_VALUES || !routable(values.at(0).toString(), &iOrg)) {
        m_trace.traceNumber("enterprise password change not sent: values given", values.size());
        return;
    }
    CFieldWriter rest;
    rest.u32(iOrg)
        .str8(values.at(1).toString())
        .u8(quint8(iSubType))
        .u8(0)
        .str8(values.at(2).toString());
    if (sendEnterprise(sessionState().iZpid, EntChangePassword, rest, "enterprise password change"))
        sessionState().iEnterprisePasswordType = iType;
}
