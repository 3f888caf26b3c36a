// CBackupThread: writes a workbook from rows of the local store: the cloud address book
// (kind 0), the personal address book (kind 1) or the enterprise employees (kind 2). Row 1
// holds the headers, one row per entry follows; telephone numbers and codes are text cells.
// The rows read are the job's own and are deleted once written; recordCount() keeps their
// number. succeeded() says whether the workbook was saved.
#pragma once

#include "ctrace.h"

#include <QSharedPointer>
#include <QString>
#include <QThread>

class CDatabase;
class ExcelWriter;

class CBackupThread : public QThread
{
    Q_OBJECT

public:
    CBackupThread(const QString &fileName, QSharedPointer<CDatabase> db, int kind,
                  QObject *parent = nullptr);
    ~CBackupThread() override;

    QString fileName() const { return m_strFileName; }
    int jobType() const { return m_iKind; }
    int recordCount() const { return m_iRecordCount; }
    bool succeeded() const { return m_bSucceeded; }
    // Why the workbook was not saved; empty when it was.
    QString errorString() const { return m_strError; }

protected:
    void run() override;

private:
    int writeRows(ExcelWriter &writer);

    QString m_strFileName;
    QSharedPointer<CDatabase> m_pDatabase;
    int m_iKind;
    int m_iRecordCount = 0;
    bool m_bSucceeded = false;
    QString m_strError;
    CTrace m_trace{"CBackupThread"};
};
