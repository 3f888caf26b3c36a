// Backups and imports as Core runs them, against a real store in a fresh working directory and
// file dialogs that answer from a script: what the screens hear when a workbook is written,
// cannot be written, is already in use by another job, or is not there to be read, and the
// templates opened for the user.
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include "core.h"
#include "corefixture.h"
#include "scripteddesktop.h"

class TestCoreSpreadsheets : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void backupReportsWhatWasWritten_data();
    void backupReportsWhatWasWritten();
    void oneJobPerFile();
    void cancelledDialogStartsNothing();
    void importOfNoWorkbookSendsNothing();
    void templatesOpenWhenInstalled();

private:
    std::unique_ptr<QTemporaryDir> m_pDir;
    CoreFixture m_fx;
    ScriptedDesktop *m_pDesktop = nullptr;
};

void TestCoreSpreadsheets::init()
{
    m_pDir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_pDir->isValid());
    QVERIFY(CoreFixture::enterFolder(m_pDir->path()));
    m_fx.start();
    auto pDesktop = std::make_unique<ScriptedDesktop>();
    m_pDesktop = pDesktop.get();
    m_fx.core()->setDesktop(std::move(pDesktop));
}

void TestCoreSpreadsheets::cleanup()
{
    m_fx.stop();
    m_pDesktop = nullptr;
    m_pDir.reset();
}

void TestCoreSpreadsheets::backupReportsWhatWasWritten_data()
{
    QTest::addColumn<QString>("method");
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("written");
    QTest::addColumn<QString>("info");
    QTest::newRow("cloud") << "backupNetContact"
                           << "cloud.xlsx"
                           << "cloud.xlsx"
                           << "备份成功，共0条记录";
    QTest::newRow("address book, old suffix") << "backupContact"
                                              << "book.xls"
                                              << "book.xlsx"
                                              << "导出成功，共0条记录";
    QTest::newRow("employees, no suffix") << "exportEmp"
                                          << "staff"
                                          << "staff.xlsx"
                                          << "导出成功，共0条记录";
    QTest::newRow("cloud, no such folder") << "backupNetContact"
                                           << "missing/cloud.xlsx"
                                           << ""
                                           << "备份失败";
    QTest::newRow("address book, no such folder") << "backupContact"
                                                  << "missing/book.xlsx"
                                                  << ""
                                                  << "导出失败";
}

void TestCoreSpreadsheets::backupReportsWhatWasWritten()
{
    QFETCH(QString, method);
    QFETCH(QString, chosen);
    QFETCH(QString, written);
    QFETCH(QString, info);
    Core &core = *m_fx.core();
    const bool bCloud = method == QLatin1String("backupNetContact");
    QSignalSpy started(&core,
                       bCloud ? &Core::sig_backupNetContactStart : &Core::sig_backupContactStart);
    QSignalSpy finished(&core, bCloud ? &Core::sig_backupNetContactFinish
                                      : &Core::sig_backupContactFinish);
    m_pDesktop->answers = {QDir(m_pDir->path()).filePath(chosen)};
    QVERIFY(QMetaObject::invokeMethod(&core, method.toLatin1().constData()));
    QCOMPARE(started.size(), 1);
    QVERIFY(finished.wait(10000));
    QCOMPARE(finished.first().at(0).toString(), info);
    const QUrl file = finished.first().at(1).toUrl();
    if (written.isEmpty()) {
        // A failure names no workbook and leaves none.
        QVERIFY(file.isEmpty());
        QVERIFY(!QFileInfo::exists(QDir(m_pDir->path()).filePath(chosen)));
        return;
    }
    QCOMPARE(file, QUrl::fromLocalFile(QDir(m_pDir->path()).filePath(written)));
    QVERIFY(QFileInfo(file.toLocalFile()).size() > 0);
}

void TestCoreSpreadsheets::oneJobPerFile()
{
    Core &core = *m_fx.core();
    QSignalSpy finished(&core, &Core::sig_backupNetContactFinish);
    const QString strFile = QDir(m_pDir->path()).filePath("same.xlsx");
    m_pDesktop->answers = {strFile, strFile};
    core.backupNetContact();
    core.backupNetContact();
    // The second is refused at once, the first completes.
    QCOMPARE(finished.size(), 1);
    QCOMPARE(finished.first().at(0).toString(), QStringLiteral("备份失败"));
    QVERIFY(finished.wait(10000));
    QCOMPARE(finished.at(1).at(0).toString(), QStringLiteral("备份成功，共0条记录"));
    // Once it finished, the file is free again.
    m_pDesktop->answers = {strFile};
    core.backupNetContact();
    QVERIFY(finished.wait(10000));
    QCOMPARE(finished.at(2).at(0).toString(), QStringLiteral("备份成功，共0条记录"));
}

void TestCoreSpreadsheets::cancelledDialogStartsNothing()
{
    Core &core = *m_fx.core();
    QSignalSpy backup(&core, &Core::sig_backupContactStart);
    QSignalSpy import(&core, &Core::sig_importOrgInfoStart);
    QSignalSpy cloud(&core, &Core::sig_importNetContactStart);
    core.backupContact();
    core.exportEmp();
    core.importNetContact();
    QCOMPARE(backup.size() + import.size() + cloud.size(), 0);
}

void TestCoreSpreadsheets::importOfNoWorkbookSendsNothing()
{
    Core &core = *m_fx.core();
    QSignalSpy failed(&core, &Core::sig_importFailed);
    QSignalSpy members(&core, &Core::sig_importCircleMemberFinish);
    const QString strFile = QDir(m_pDir->path()).filePath("not-a-workbook.xlsx");
    QFile file(strFile);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("plain text, not a workbook");
    file.close();
    m_pDesktop->answers = {strFile};
    core.importCircleMember(QStringLiteral("42"));
    QVERIFY(failed.wait(10000));
    QCOMPARE(failed.first().at(0).toInt(), 1);
    QCOMPARE(failed.first().at(1).toString(), QStringLiteral("导入失败"));
    QCOMPARE(members.size(), 0);
}

void TestCoreSpreadsheets::templatesOpenWhenInstalled()
{
    Core &core = *m_fx.core();
    core.openNetContactTemplate();
    QVERIFY(m_pDesktop->opened.isEmpty());
    const QString strTemplate = QDir::current().absoluteFilePath("Zephon云通讯录导入模板.xlsx");
    QFile file(strTemplate);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    core.openNetContactTemplate();
    QCOMPARE(m_pDesktop->opened, QList<QUrl>{QUrl::fromLocalFile(strTemplate)});
}

QTEST_MAIN(TestCoreSpreadsheets)
#include "tst_corespreadsheets.moc"
