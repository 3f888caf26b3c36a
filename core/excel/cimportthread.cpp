#include "cimportthread.h"

#include "cdatabase.h"
#include "cimportrules.h"
#include "excelreader.h"
#include "orginfomodel.h"

#include <QSet>

namespace {

// Employee sheet columns (0-based, from the used area's first column).
enum EmpColumn
{
    EmpName,
    EmpPhone,
    EmpTel,
    EmpDeptName,
    EmpDeptNo,
    EmpDeptSort,
    EmpPost,
    EmpNo,
    EmpSort
};

// Circle member sheet columns.
enum MemberColumn
{
    MemberName,
    MemberSex,
    MemberCompany,
    MemberPost,
    MemberMobile,
    MemberTel,
    MemberEmail
};

bool allFit(const QStringList &cells, int iBytes)
{
    for (const QString &strCell : cells)
        if (!CImportRules::fits(strCell, iBytes))
            return false;
    return true;
}

} // namespace

CImportThread::CImportThread(const QString &fileName, QSharedPointer<CDatabase> db, int kind,
                             QObject *parent)
    : QThread(parent), m_strFileName(fileName), m_pDatabase(std::move(db)), m_iKind(kind)
{}

CImportThread::~CImportThread()
{
    wait();
    qDeleteAll(m_orgElements);
}

QList<QObject *> CImportThread::takeOrgElements(QThread *target)
{
    const QList<QObject *> elements = std::exchange(m_orgElements, {});
    for (QObject *pElement : elements)
        if (pElement->thread() != target)
            pElement->moveToThread(target);
    return elements;
}

void CImportThread::run()
{
    m_trace.trace(QStringLiteral("CImportThread run"));
    readSheet();
    // The elements go to the job object's thread while this thread still owns them: only the
    // owning thread may push an object to another one.
    QThread *pOwner = thread();
    for (QObject *pElement : std::as_const(m_orgElements))
        pElement->moveToThread(pOwner);
    m_trace.traceNumber(QStringLiteral("skipped rows"), m_iSkipped);
    m_trace.trace(QStringLiteral("CImportThread stop"));
}

void CImportThread::readSheet()
{
    if (m_iKind < 0 || m_iKind > 2) {
        m_strError = QStringLiteral("unknown import kind %1").arg(m_iKind);
        return;
    }
    ExcelReader reader(m_strFileName);
    if (reader.sheetCount() < 1 || !reader.setCurrentSheet(1)) {
        m_strError = reader.errorString().isEmpty() ? QStringLiteral("the workbook has no sheet")
                                                    : reader.errorString();
        m_trace.traceError(m_strError);
        return;
    }
    const int r0 = reader.startRow(1);
    const int c0 = reader.startColumn(1);
    const int nr = reader.rowCount(1);
    const int nc = reader.columnCount(1);
    const int iNeeded = m_iKind == 0   ? NET_CONTACT_COLUMNS
                        : m_iKind == 1 ? CIRCLE_MEMBER_COLUMNS
                                       : EMP_COLUMNS;
    // The cloud address book's group column is optional; the other layouts are read whole.
    const int iLayout = m_iKind == 0 ? NET_CONTACT_COLUMNS + 1 : iNeeded;

    QSet<QString> seen;
    for (int r = r0 + 1; r < r0 + nr; ++r) {
        QStringList cells;
        bool bBlank = true;
        for (int c = c0; c < c0 + nc; ++c) {
            cells << reader.cellText(r, c).trimmed();
            bBlank = bBlank && cells.last().isEmpty();
        }
        if (bBlank)
            continue;
        if (nc < iNeeded) {
            ++m_iSkipped;
            continue;
        }
        // Only the columns of the layout travel; cells to their right are not looked at.
        cells = cells.mid(0, iLayout);
        if (CImportRules::hasSeparator(cells)) {
            ++m_iSkipped;
            continue;
        }
        bool bOk = false;
        QString strKey;
        if (m_iKind == 0) {
            const QString strMobile = CImportRules::mobileNumber(cells.at(1), true);
            const QString strName = cells.at(0);
            const QString strGroup = cells.value(2);
            bOk = !strName.isEmpty() && !strMobile.isEmpty() &&
                  CImportRules::fits(strName, CImportRules::CLOUD_NAME_BYTES) &&
                  CImportRules::fits(strMobile, CImportRules::CLOUD_PHONE_BYTES) &&
                  CImportRules::fits(strGroup, CImportRules::CLOUD_GROUP_BYTES);
            strKey = strMobile;
            if (bOk && !seen.contains(strKey))
                m_rowTexts << strMobile + QLatin1Char(';') + strName + QLatin1Char(';') + strGroup;
        } else if (m_iKind == 1) {
            const QString strMobile = CImportRules::mobileNumber(cells.at(MemberMobile), false);
            const QString strSex = cells.at(MemberSex) == QStringLiteral("女")
                                       ? QStringLiteral("1")
                                       : QStringLiteral("0");
            const QString strCard = QStringList{cells.at(MemberName),
                                                strSex,
                                                cells.at(MemberPost),
                                                cells.at(MemberCompany),
                                                QString(),
                                                strMobile,
                                                cells.at(MemberTel),
                                                cells.at(MemberEmail)}
                                        .join(QLatin1Char(':'));
            bOk = !cells.at(MemberName).isEmpty() && !strMobile.isEmpty() &&
                  CImportRules::fits(strCard, CImportRules::MEMBER_CARD_BYTES);
            strKey = strMobile;
            if (bOk && !seen.contains(strKey))
                m_rowTexts << strCard;
        } else {
            const QString strMobile = CImportRules::mobileNumber(cells.at(EmpPhone), false);
            // The service keeps no department or employee without its number, and refuses a
            // whole list for one such entry, so both numbers are required as well.
            bOk = !cells.at(EmpName).isEmpty() && !strMobile.isEmpty() &&
                  !cells.at(EmpDeptName).isEmpty() && !cells.at(EmpPost).isEmpty() &&
                  !cells.at(EmpDeptNo).isEmpty() && !cells.at(EmpNo).isEmpty() &&
                  allFit(cells, CImportRules::DIRECTORY_TEXT_BYTES);
            strKey = cells.at(EmpDeptNo) + QLatin1Char('\n') + cells.at(EmpNo);
            if (bOk && !seen.contains(strKey))
                m_orgElements << new OrgInfoModel(
                    cells.at(EmpNo), cells.at(EmpDeptNo), cells.at(EmpDeptName), QString(),
                    cells.at(EmpName), strMobile, cells.at(EmpTel), cells.at(EmpPost), 0, 1, false,
                    cells.at(EmpSort), cells.at(EmpDeptSort));
        }
        if (!bOk || seen.contains(strKey)) {
            ++m_iSkipped;
            continue;
        }
        seen.insert(strKey);
    }
    if (nc < iNeeded && nr > 0)
        m_strError = QStringLiteral("the sheet has %1 columns, %2 are needed").arg(nc).arg(iNeeded);
}
