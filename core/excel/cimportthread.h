// CImportThread: reads the first sheet of a workbook into what an import sends: row texts for
// the cloud address book (kind 0) and for the members of a circle (kind 1), directory elements
// (OrgInfoModel) for the employees of an organisation (kind 2). Row 1 of the used area is the
// header; the columns count from the used area's first column. Rows that could not travel
// (an empty required cell, a field separator in a cell, a text longer than its field, a
// mobile number that is not digits) and repeated rows are left out and counted.
//
// The elements are created on the job's thread and handed to the thread the job object lives
// in when run() ends; the taker gets them with takeOrgElements, which moves them on to its
// target thread. Elements not taken are deleted with the job.
#pragma once

#include "ctrace.h"

#include <QList>
#include <QSharedPointer>
#include <QString>
#include <QStringList>
#include <QThread>

class CDatabase;

class CImportThread : public QThread
{
    Q_OBJECT

public:
    // Minimum columns of each kind's sheet.
    static constexpr int NET_CONTACT_COLUMNS = 2;
    static constexpr int CIRCLE_MEMBER_COLUMNS = 7;
    static constexpr int EMP_COLUMNS = 9;

    CImportThread(const QString &fileName, QSharedPointer<CDatabase> db, int kind,
                  QObject *parent = nullptr);
    ~CImportThread() override;

    QString fileName() const { return m_strFileName; }
    int jobType() const { return m_iKind; }
    QString circleId() const { return m_strCircleId; }
    void setCircleId(const QString &strCircleId) { m_strCircleId = strCircleId; }
    QString orgId() const { return m_strOrgId; }
    void setOrgId(const QString &strOrgId) { m_strOrgId = strOrgId; }

    // Kind 0: "mobile;name;group"; kind 1: the member's card
    // "name:sex:post:company::mobile:tel:email". In sheet order.
    QStringList rowTexts() const { return m_rowTexts; }
    // Kind 2: one OrgInfoModel per employee row, still owned by the job.
    QList<QObject *> orgElements() const { return m_orgElements; }
    // Hands the elements over: moved to target (from the thread the job object lives in,
    // where run() left them) and owned by the caller from now on.
    QList<QObject *> takeOrgElements(QThread *target);
    // Data rows left out: bad or repeated rows, or all of them when the sheet has too few
    // columns. Blank rows are not counted.
    int skippedCount() const { return m_iSkipped; }
    // Why the workbook gave nothing; empty when it was read.
    QString errorString() const { return m_strError; }

protected:
    void run() override;

private:
    void readSheet();

    QString m_strFileName;
    QString m_strCircleId;
    QString m_strOrgId;
    QSharedPointer<CDatabase> m_pDatabase;
    int m_iKind;
    QStringList m_rowTexts;
    QList<QObject *> m_orgElements;
    int m_iSkipped = 0;
    QString m_strError;
    CTrace m_trace{"CImportThread"};
};
