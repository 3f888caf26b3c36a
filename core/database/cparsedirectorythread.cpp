#include "cparsedirectorythread.h"

#include "cfieldreader.h"
#include "codes.h"

#include <QList>

namespace {

struct Department
{
    QString strParentNo;
    QString strNo;
    QString strName;
    QString strEx;
};

struct Employee
{
    quint32 iZpid = 0;
    QString strDeptNo;
    QString strUserId;
    QString strName;
    QString strPhone;
    QString strTel;
    QString strPost;
    int iUserType = 0;
    QString strEx;
};

// The sort key: a counted text of four length bytes, up to its first zero byte. Empty with
// *pFits false when it is longer than a text column takes.
QString sortKey(CFieldReader &r, bool *pFits)
{
    QByteArray ar = r.blob32();
    *pFits = ar.size() <= CParseThread::kMaxFieldLength;
    const int iZero = int(ar.indexOf('\0'));
    if (iZero >= 0)
        ar.truncate(iZero);
    return *pFits ? QString::fromUtf8(ar) : QString();
}

} // namespace

CParseDirectoryThread::CParseDirectoryThread(Kind kind, quint32 iOrgId, const QByteArray &arEntries,
                                             int iCount, QSharedPointer<CDatabase> pDatabase)
    : CParseThread("CParseDirectoryThread", std::move(pDatabase)), m_kind(kind), m_iOrgId(iOrgId),
      m_arEntries(arEntries), m_iCount(iCount)
{}

QString CParseDirectoryThread::defaultPost()
{
    return QString::fromUtf8(Codes::DEFAULT_POST_UTF8);
}

void CParseDirectoryThread::parse()
{
    if (m_iCount < 0) {
        m_trace.traceNumber(QStringLiteral("directory list with a negative count dropped"),
                            m_iCount);
        return;
    }
    // Parsed before the batch, so that the store is held only for the writes and a list that
    // does not read whole leaves the table as it was.
    CFieldReader r(m_arEntries);
    QList<Department> departments;
    QList<Employee> employees;
    int iSkipped = 0;
    for (int i = 0; i < m_iCount && r.ok(); ++i) {
        bool bFits = true;
        if (m_kind == Departments) {
            Department dept;
            dept.strParentNo = r.str8Text();
            dept.strNo = r.str8Text();
            dept.strName = r.str8Text();
            dept.strEx = sortKey(r, &bFits);
            if (r.ok() && bFits)
                departments.append(dept);
        } else {
            Employee emp;
            emp.iZpid = r.zpid();
            emp.strDeptNo = r.str8Text();
            emp.strUserId = r.str8Text();
            emp.strName = r.str8Text();
            emp.strPhone = r.str8Text();
            emp.strTel = r.str8Text();
            emp.strPost = r.str8Text();
            emp.iUserType = r.u8();
            emp.strEx = sortKey(r, &bFits);
            if (emp.strPost.isEmpty())
                emp.strPost = defaultPost();
            if (r.ok() && bFits)
                employees.append(emp);
        }
        if (r.ok() && !bFits)
            ++iSkipped;
    }
    if (!r.ok() || !r.atEnd()) {
        m_trace.traceNumber(r.ok() ? QStringLiteral("directory list longer than its count, "
                                                    "nothing stored; count")
                                   : QStringLiteral("directory list cut short, nothing stored; "
                                                    "count"),
                            m_iCount);
        return;
    }
    if (iSkipped > 0)
        m_trace.traceNumber(QStringLiteral("directory entries with an oversized sort key skipped"),
                            iSkipped);

    const int iOrgId = int(m_iOrgId);
    const bool bKept = writeBatch([&] {
        if (m_kind == Departments) {
            m_pDatabase->clearDept();
            for (const Department &dept : std::as_const(departments))
                m_pDatabase->addDept(dept.strName, dept.strParentNo, dept.strNo, iOrgId,
                                     dept.strEx);
        } else {
            m_pDatabase->clearEmp();
            for (const Employee &emp : std::as_const(employees))
                m_pDatabase->addEmp(emp.iZpid, emp.strName, emp.strPhone, emp.strTel, emp.strPost,
                                    emp.iUserType, emp.strUserId, emp.strDeptNo, iOrgId, emp.strEx);
        }
    });
    if (bKept) {
        m_bStored = true;
        m_iStored = int(m_kind == Departments ? departments.size() : employees.size());
    }
}
