// Core's spreadsheet area: backing up the address books and the employee list to a workbook,
// importing the cloud address book, a circle's members or an organisation's employees from
// one, and opening the blank import templates. Each job runs on a thread of its own; its
// completion slot runs here on the GUI thread and acts on the job that finished, whichever
// others still run.
#include "core.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QList>
#include <QPointer>
#include <QThread>

#include "cbackupthread.h"
#include "cdatabase.h"
#include "cdesktop.h"
#include "cimportthread.h"
#include "cnetwork.h"
#include "codes.h"
#include "csessionstate.h"
#include "ctrace.h"

namespace {

const QString kSheetFilter = QStringLiteral("Microsoft Excel(*.xlsx *.xls)");

// The workbook we write is always .xlsx; a name given without that suffix gets it.
QString workbookName(const QString &strChosen)
{
    const QFileInfo info(strChosen);
    const QString strSuffix = info.suffix().toLower();
    if (strSuffix == QLatin1String("xlsx"))
        return strChosen;
    if (strSuffix == QLatin1String("xls"))
        return strChosen.chopped(3) + QStringLiteral("xlsx");
    return strChosen + QStringLiteral(".xlsx");
}

QString canonicalName(const QString &strFile)
{
    const QFileInfo info(strFile);
    return QDir(info.absolutePath()).canonicalPath() + QLatin1Char('/') + info.fileName();
}

} // namespace

struct Core::Spreadsheet
{
    // The jobs that run, each deleted by its completion slot.
    QList<QPointer<QThread>> jobs;
    // The files they read or write, so that two jobs never share one.
    QStringList busyFiles;
};

void Core::AreaDeleter::operator()(Spreadsheet *pArea) const
{
    // Quitting waits for every job: a workbook half written is worse than a late exit.
    for (const QPointer<QThread> &pJob : std::as_const(pArea->jobs)) {
        if (pJob) {
            pJob->disconnect();
            pJob->wait();
            delete pJob.data();
        }
    }
    delete pArea;
}

void Core::makeSpreadsheet()
{
    m_pSpreadsheet.reset(new Spreadsheet);
}

bool Core::claimSheetFile(const QString &strFile)
{
    const QString strKey = canonicalName(strFile);
    if (m_pSpreadsheet->busyFiles.contains(strKey)) {
        trace().traceText("workbook refused: another job uses it", strFile);
        return false;
    }
    m_pSpreadsheet->busyFiles.append(strKey);
    return true;
}

void Core::releaseSheetJob(QThread *pJob, const QString &strFile)
{
    Spreadsheet &area = *m_pSpreadsheet;
    area.busyFiles.removeAll(canonicalName(strFile));
    area.jobs.removeAll(QPointer<QThread>(pJob));
    pJob->disconnect(this);
    pJob->deleteLater();
}

void Core::startBackup(int iKind, const QString &strDefaultName)
{
    const QString strProposed =
        strDefaultName.arg(QDate::currentDate().toString(QStringLiteral("yyMMdd")));
    const QString strChosen = desktop().saveFileName(tr("保存文件"), strProposed, kSheetFilter);
    if (strChosen.isEmpty() || !database())
        return;
    const QString strFile = workbookName(strChosen);
    const bool bCloud = iKind == Codes::SheetNetContact;
    if (!claimSheetFile(strFile)) {
        const QString strInfo = bCloud ? tr("备份失败") : tr("导出失败");
        if (bCloud)
            Q_EMIT sig_backupNetContactFinish(strInfo, QUrl());
        else
            Q_EMIT sig_backupContactFinish(strInfo, QUrl());
        return;
    }
    if (bCloud)
        Q_EMIT sig_backupNetContactStart();
    else
        Q_EMIT sig_backupContactStart();
    auto *pJob = new CBackupThread(strFile, database(), iKind);
    m_pSpreadsheet->jobs.append(pJob);
    connect(pJob, &QThread::finished, this, &Core::slot_onBackupComplete);
    pJob->start(QThread::InheritPriority);
}

void Core::backupNetContact()
{
    startBackup(Codes::SheetNetContact, QStringLiteral("Zephon云通讯录备份-%1"));
}

void Core::backupContact()
{
    startBackup(Codes::SheetContact, QStringLiteral("Zephon通讯录备份-%1"));
}

void Core::exportEmp()
{
    startBackup(Codes::SheetEmployee, QStringLiteral("员工备份-%1"));
}

void Core::slot_onBackupComplete()
{
    auto *pJob = qobject_cast<CBackupThread *>(sender());
    if (!pJob)
        return;
    const bool bCloud = pJob->jobType() == Codes::SheetNetContact;
    const QString strFile = pJob->fileName();
    QString strInfo;
    QUrl file;
    if (pJob->succeeded()) {
        strInfo = (bCloud ? tr("备份成功，共%1条记录") : tr("导出成功，共%1条记录"))
                      .arg(pJob->recordCount());
        file = QUrl::fromLocalFile(strFile);
    } else {
        strInfo = bCloud ? tr("备份失败") : tr("导出失败");
    }
    releaseSheetJob(pJob, strFile);
    if (bCloud)
        Q_EMIT sig_backupNetContactFinish(strInfo, file);
    else
        Q_EMIT sig_backupContactFinish(strInfo, file);
}

void Core::startImport(int iKind, const QString &strId)
{
    const QString strFile = desktop().openFileName(
        tr("请选择一个文件"), QDir::toNativeSeparators(QStringLiteral(".")), kSheetFilter);
    if (strFile.isEmpty() || !database())
        return;
    if (!claimSheetFile(strFile)) {
        Q_EMIT sig_importFailed(iKind, tr("导入失败"));
        return;
    }
    switch (iKind) {
    case Codes::SheetNetContact:
        Q_EMIT sig_importNetContactStart();
        break;
    case Codes::SheetContact:
        Q_EMIT sig_importCircleMemberStart();
        break;
    default:
        Q_EMIT sig_importOrgInfoStart();
        break;
    }
    auto *pJob = new CImportThread(strFile, database(), iKind);
    if (iKind == Codes::SheetContact)
        pJob->setCircleId(strId);
    else if (iKind == Codes::SheetEmployee)
        pJob->setOrgId(strId);
    m_pSpreadsheet->jobs.append(pJob);
    connect(pJob, &QThread::finished, this, &Core::slot_onImportComplete);
    pJob->start(QThread::InheritPriority);
}

void Core::importNetContact()
{
    startImport(Codes::SheetNetContact, QString());
}

void Core::importCircleMember(QString strCircleId)
{
    startImport(Codes::SheetContact, strCircleId);
}

void Core::importEmp(QString strOrgId)
{
    if (refuseToViewer("importEmp"))
        return;
    startImport(Codes::SheetEmployee, strOrgId);
}

void Core::slot_onImportComplete()
{
    auto *pJob = qobject_cast<CImportThread *>(sender());
    if (!pJob)
        return;
    const int iKind = pJob->jobType();
    const QString strFile = pJob->fileName();
    const QStringList rows = pJob->rowTexts();
    // Made on the job's thread; they live here from now on, with this function as their owner.
    const QList<QObject *> elements = pJob->takeOrgElements(thread());
    const QString strCircleId = pJob->circleId();
    const QString strOrgId = pJob->orgId();
    if (pJob->skippedCount() > 0)
        trace().traceNumber(QStringLiteral("import rows skipped"), pJob->skippedCount());
    if (!pJob->errorString().isEmpty())
        trace().traceText("import failed", pJob->errorString());
    releaseSheetJob(pJob, strFile);

    const bool bNothing = iKind == Codes::SheetEmployee ? elements.isEmpty() : rows.isEmpty();
    if (bNothing || !network()) {
        // Nothing valid to send: the dialog closes at once and says so.
        qDeleteAll(elements);
        Q_EMIT sig_importFailed(iKind, tr("导入失败"));
        return;
    }
    switch (iKind) {
    case Codes::SheetNetContact:
        network()->slot_onUploadNetContact(rows);
        break;
    case Codes::SheetContact: {
        Q_EMIT sig_importCircleMemberFinish();
        QMap<QString, quint32> &pending = sessionState().mapPendingMembers;
        pending.clear();
        for (const QString &strRow : rows)
            pending.insert(strRow, 0);
        network()->slot_onModifyCircleMember(strCircleId, 0, 0);
        break;
    }
    default: {
        Q_EMIT sig_importOrgInfoFinish();
        // One department entry per department, in the order the sheet first names them.
        QObjectList departments;
        QStringList seen;
        for (QObject *pRow : elements) {
            const QString strPNo = pRow->property("strPNo").toString();
            if (seen.contains(strPNo))
                continue;
            seen.append(strPNo);
            departments.append(pRow);
        }
        const quint32 iOrgId = strOrgId.toUInt();
        network()->slot_onModifyDeptInfo(iOrgId, departments);
        network()->slot_onModifyEmpInfo(0, iOrgId, elements);
        qDeleteAll(elements);
        break;
    }
    }
}

void Core::openTemplate(const QString &strName)
{
    const QString strPath = QDir::current().absoluteFilePath(strName);
    if (!QFileInfo::exists(strPath)) {
        trace().traceText("template missing", strPath);
        return;
    }
    desktop().openUrl(QUrl::fromLocalFile(strPath));
}

void Core::openOrgInfoTemplate()
{
    openTemplate(QStringLiteral("企业组织信息导入模板.xlsx"));
}

void Core::openCircleMemberTemplate()
{
    openTemplate(QStringLiteral("Zephon圈子成员导入模板.xlsx"));
}

void Core::openNetContactTemplate()
{
    openTemplate(QStringLiteral("Zephon云通讯录导入模板.xlsx"));
}
