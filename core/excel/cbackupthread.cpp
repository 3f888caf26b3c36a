#include "cbackupthread.h"

#include "cdatabase.h"
#include "excelwriter.h"

#include <QVariant>

namespace {

// A column of a layout: its header, the row object's property and whether it is a text cell.
struct Column
{
    const char *pHeader;
    const char *pProperty;
    bool bText;
};

const QList<Column> &layout(int iKind)
{
    static const QList<Column> kNetContact{
        {"姓名", "strName", false}, {"手机", "strPhone", true}, {"分组", "strGroup", false}};
    static const QList<Column> kContact{
        {"姓名", "strName", false}, {"手机", "strPhone", true}, {"公司", "strCompany", false}};
    static const QList<Column> kEmp{
        {"姓名", "strName", false},  {"手机", "strPhone", true},   {"电话", "strTel", true},
        {"部门", "strPName", false}, {"部门编码", "strPNo", true}, {"部门排序", "strPSNo", true},
        {"职位", "strPost", false},  {"员工编码", "strNo", true},  {"员工排序", "strSNo", true}};
    return iKind == 0 ? kNetContact : iKind == 1 ? kContact : kEmp;
}

} // namespace

CBackupThread::CBackupThread(const QString &fileName, QSharedPointer<CDatabase> db, int kind,
                             QObject *parent)
    : QThread(parent), m_strFileName(fileName), m_pDatabase(std::move(db)), m_iKind(kind)
{}

CBackupThread::~CBackupThread()
{
    wait();
}

void CBackupThread::run()
{
    m_trace.trace(QStringLiteral("CBackupThread run"));
    ExcelWriter writer(m_strFileName);
    m_iRecordCount = writeRows(writer);
    m_bSucceeded = writer.saveAndClose();
    m_strError = writer.errorString();
    if (!m_bSucceeded)
        m_trace.traceError(QStringLiteral("backup not saved: ") + m_strError);
    m_trace.traceNumber(QStringLiteral("rows"), m_iRecordCount);
    m_trace.trace(QStringLiteral("CBackupThread stop"));
}

int CBackupThread::writeRows(ExcelWriter &writer)
{
    if (m_iKind < 0 || m_iKind > 2 || !m_pDatabase)
        return 0;
    const QList<Column> &columns = layout(m_iKind);
    for (int c = 0; c < columns.size(); ++c)
        writer.setCell(1, c + 1, QString::fromUtf8(columns.at(c).pHeader));

    const QList<QObject *> rows = m_iKind == 0   ? m_pDatabase->getNetContact(false)
                                  : m_iKind == 1 ? m_pDatabase->getContact(0, QString())
                                                 : m_pDatabase->getEmp(QString());
    for (int i = 0; i < rows.size(); ++i) {
        for (int c = 0; c < columns.size(); ++c) {
            const Column &column = columns.at(c);
            const QString strValue = rows.at(i)->property(column.pProperty).toString();
            if (column.bText)
                writer.setTextCell(i + 2, c + 1, strValue);
            else
                writer.setCell(i + 2, c + 1, strValue);
        }
    }
    const int iCount = int(rows.size());
    qDeleteAll(rows);
    return iCount;
}
