// The enterprise directory's replies, all on the command 87 with the sub-command at offset 5.
// Every field is read through the bounded reader and a reply cut short emits nothing. The
// organisation, department and employee lists go on as raw bytes to the controller, which
// owns their layouts; here they are only walked, so that exactly the whole entries the count
// names travel on, or nothing.
#include <climits>

#include "cfieldreader.h"
#include "codes.h"
#include "csessionstate.h"
#include "protocol.h"

using namespace Codes;

namespace {

using EntryWalk = void (*)(CFieldReader &);

// Organisation: id, four bytes not read, the name, and the short name whose length is the
// first of its four length bytes.
void walkOrg(CFieldReader &r)
{
    r.skip(4);
    r.skip(4);
    r.str8();
    const QByteArray arLength = r.bytes(4);
    r.skip(arLength.isEmpty() ? 0 : quint8(arLength.at(0)));
}

// Department: parent number, number, name, sort key.
void walkDept(CFieldReader &r)
{
    r.str8();
    r.str8();
    r.str8();
    r.blob32();
}

// Employee: zpid, department number, user id, name, mobile, office phone, post, role, sort key.
void walkEmp(CFieldReader &r)
{
    r.skip(4);
    for (int i = 0; i < 6; ++i)
        r.str8();
    r.u8();
    r.blob32();
}

// The bytes of the next iCount entries; false when the reply ends inside them. Bytes after
// them are not handed on.
bool wholeEntries(CFieldReader &r, const QByteArray &arBuff, int iCount, EntryWalk walk,
                  QByteArray *pEntries)
{
    const int iStart = r.pos();
    for (int i = 0; i < iCount && r.ok(); ++i)
        walk(r);
    if (!r.ok())
        return false;
    *pEntries = arBuff.mid(iStart, r.pos() - iStart);
    return true;
}

} // namespace

void Protocol::registerEnterpriseParsers()
{
    setParser(CmdEnterprise, [this](const QByteArray &ar) { parseEnterprise(ar); });
}

void Protocol::parseEnterprise(const QByteArray &arBuff)
{
    CFieldReader r(arBuff, 1);
    r.skip(4); // a zpid the client has no use for
    const quint8 iSub = r.u8();
    if (!r.ok())
        return;
    if (iSub == EntChangePassword) {
        parseEnterprisePassword(r);
        return;
    }
    const quint8 iResult = r.u8();
    if (!r.ok())
        return;
    if (iResult != ReplyOk) {
        m_trace.traceText("enterprise request refused",
                          QString("sub-command %1 result %2").arg(iSub).arg(iResult));
        switch (iSub) {
        case EntModifyOrg:
            emit sig_modifyOrgInfo(0, false);
            break;
        case EntLoginSubServer:
            emit sig_loginenterprise(0, QString(), QString(), false, 0);
            break;
        case EntModifyDept:
        case EntModifyDeptList:
            emit sig_modifyDeptInfo(0, false);
            break;
        case EntModifyEmp:
        case EntModifyEmpList:
            emit sig_modifyEmpInfo(0, false);
            break;
        default:
            break;
        }
        return;
    }
    switch (iSub) {
    case EntModifyOrg:
    case EntModifyDept:
    case EntModifyDeptList:
    case EntModifyEmp:
    case EntModifyEmpList: {
        const quint32 iOrg = r.u32();
        if (!r.ok())
            return;
        if (iSub == EntModifyOrg)
            emit sig_modifyOrgInfo(iOrg, true);
        else if (iSub == EntModifyDept || iSub == EntModifyDeptList)
            emit sig_modifyDeptInfo(iOrg, true);
        else
            emit sig_modifyEmpInfo(iOrg, true);
        break;
    }
    case EntLoginOrg:
        // The organisation's names come back too, but nothing waits for them.
        m_trace.trace("organisation sign-in accepted");
        break;
    case EntLoginSubServer:
        parseEnterpriseLogin(r);
        break;
    case EntDeptList:
    case EntEmpList:
        parseDirectoryPage(r, arBuff, iSub);
        break;
    case EntOrgList: {
        const quint8 iCount = r.u8();
        QByteArray arEntries;
        if (!r.ok() || !wholeEntries(r, arBuff, iCount, walkOrg, &arEntries)) {
            m_trace.trace("organisation list cut short");
            return;
        }
        emit sig_parseOrgInfo(arEntries, iCount);
        break;
    }
    default:
        m_trace.traceNumber("unknown enterprise sub-command", iSub);
        break;
    }
}

void Protocol::parseEnterprisePassword(CFieldReader &r)
{
    r.skip(4);
    r.str8(); // the user id the change was for
    const quint8 iSubType = r.u8();
    const quint8 iResult = r.u8();
    if (!r.ok())
        return;
    // The reply does not say which enterprise password changed; the request remembered it.
    CSessionState &s = sessionState();
    const int iType = s.iEnterprisePasswordType >= 1 && s.iEnterprisePasswordType <= 3
                          ? s.iEnterprisePasswordType
                          : 1;
    s.iEnterprisePasswordType = 0;
    emit sig_changepassword(iType, iSubType, iResult);
}

void Protocol::parseEnterpriseLogin(CFieldReader &r)
{
    const quint8 iUserType = r.u8();
    const quint32 iOrg = r.u32();
    r.skip(4);
    const QString strName = r.str8Text();
    const QString strShortName = r.str8Text();
    r.str8();
    r.blob32();
    if (!r.ok()) {
        m_trace.trace("enterprise sign-in reply cut short");
        return;
    }
    emit sig_loginenterprise(iOrg, strName, strShortName, true, iUserType);
}

void Protocol::parseDirectoryPage(CFieldReader &r, const QByteArray &arBuff, quint8 iSub)
{
    const quint32 iOrg = r.u32();
    r.skip(4);
    const quint32 iTotal = r.u32();
    const quint8 iCount = r.u8();
    if (!r.ok())
        return;
    if (iCount > iTotal) {
        m_trace.traceText("directory page dropped",
                          QString("%1 entries of a total of %2").arg(iCount).arg(iTotal));
        return;
    }
    QByteArray arEntries;
    if (!wholeEntries(r, arBuff, iCount, iSub == EntDeptList ? walkDept : walkEmp, &arEntries)) {
        m_trace.trace("directory page cut short");
        return;
    }
    const int iAll = int(qMin<quint32>(iTotal, INT_MAX));
    if (iSub == EntDeptList)
        emit sig_parseDeptInfo(iOrg, arEntries, iCount, iAll);
    else
        emit sig_parseEmpInfo(iOrg, arEntries, iCount, iAll);
}
