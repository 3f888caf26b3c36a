// Workbooks in and out of a client signed in to the real zephond, driven as the screens drive
// Core (the file dialogs answer what the test says). The cloud address book goes out to a
// workbook and comes back from it unchanged into an empty one; a circle gets its members
// from a workbook of more than one request's worth; the demo organisation takes a directory of
// three hundred employees from a workbook and gives it back in its export. Rows a workbook
// should not carry (no mobile, separators, a number that is none) reach nobody.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include "codes.h"
#include "corepeer.h"
#include "excelreader.h"
#include "excelwriter.h"
#include "zephondprocess.h"

namespace {

constexpr char kPassword[] = "demo1234";
const QString kAdmin = QStringLiteral("1000001");
const QString kOther = QStringLiteral("1000002");
const QString kOrg = QStringLiteral("3000001");
const QString kOrgPassword = QStringLiteral("demo1234");
// Users seeded for the circle: more than one member request carries.
constexpr int kMembers = 300;
constexpr quint32 kFirstMember = 2000000;

QString memberMobile(int i)
{
    return QStringLiteral("137%1").arg(i, 8, 10, QLatin1Char('0'));
}

// A workbook of the rows, the first being the header; columns in textColumns (from 1) are
// written as text cells.
bool writeWorkbook(const QString &strFile, const QList<QStringList> &rows,
                   const QSet<int> &textColumns = {})
{
    ExcelWriter writer(strFile);
    for (int r = 0; r < rows.size(); ++r) {
        for (int c = 0; c < rows.at(r).size(); ++c) {
            const bool bOk = textColumns.contains(c + 1) && r > 0
                                 ? writer.setTextCell(r + 1, c + 1, rows.at(r).at(c))
                                 : writer.setCell(r + 1, c + 1, rows.at(r).at(c));
            if (!bOk)
                return false;
        }
    }
    return writer.saveAndClose();
}

// Every row of sheet 1 below the header, its cells joined with "|".
QStringList workbookRows(const QString &strFile, QStringList *pHeader = nullptr)
{
    ExcelReader reader(strFile);
    QStringList rows;
    if (reader.sheetCount() < 1 || !reader.setCurrentSheet(1))
        return rows;
    const int r0 = reader.startRow(1);
    const int c0 = reader.startColumn(1);
    for (int r = r0; r < r0 + reader.rowCount(1); ++r) {
        QStringList cells;
        for (int c = c0; c < c0 + reader.columnCount(1); ++c)
            cells << reader.cellText(r, c);
        if (r == r0) {
            if (pHeader)
                *pHeader = cells;
            continue;
        }
        rows << cells.join(QLatin1Char('|'));
    }
    return rows;
}

// The rows one set has and the other has not, both ways, for a failure message.
QString difference(const QSet<QString> &actual, const QSet<QString> &expected)
{
    QStringList missing = QSet<QString>(expected).subtract(actual).values();
    QStringList extra = QSet<QString>(actual).subtract(expected).values();
    missing.sort();
    extra.sort();
    return QStringLiteral("missing %1: %2\nextra %3: %4")
        .arg(missing.size())
        .arg(missing.mid(0, 5).join(QLatin1Char(' ')))
        .arg(extra.size())
        .arg(extra.mid(0, 5).join(QLatin1Char(' ')));
}

QSet<QString> cloudRows(CorePeer &peer)
{
    QSet<QString> rows;
    for (const QJsonValue &value : peer.list(QStringLiteral("netcontactModel"))) {
        const QJsonObject row = value.toObject();
        rows << row.value("strName").toString() + QLatin1Char('|') +
                    row.value("strPhone").toString() + QLatin1Char('|') +
                    row.value("strGroup").toString();
    }
    return rows;
}

} // namespace

class TestSpreadsheetsService : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();

    void cloudAddressBookRoundTrip();
    void circleMembersFromAWorkbook();
    void directoryFromAWorkbook();
    void unreadableWorkbookSendsNothing();

private:
    // The cloud address book as the service has it now.
    QSet<QString> refreshedCloudRows(int iExpected);

    QTemporaryDir m_dir;
    ZephondProcess m_service;
    std::unique_ptr<CorePeer> m_pA;
};

void TestSpreadsheetsService::initTestCase()
{
    QVERIFY(m_dir.isValid());
    const QString strData = m_dir.filePath(QStringLiteral("service"));
    QVERIFY(QDir().mkpath(strData));
    // Circle members are users of the service: the ones the circle's workbook names.
    QJsonArray accounts;
    for (int i = 0; i < kMembers; ++i)
        accounts.append(QJsonObject{{"zpid", qint64(kFirstMember + i)},
                                    {"mobile", memberMobile(i)},
                                    {"name", QStringLiteral("成员%1").arg(i)},
                                    {"password", "member-pass"}});
    QFile seed(m_dir.filePath(QStringLiteral("members.json")));
    QVERIFY(seed.open(QIODevice::WriteOnly));
    seed.write(QJsonDocument(QJsonObject{{"accounts", accounts}}).toJson());
    seed.close();
    QByteArray arOutput;
    QVERIFY2(ZephondProcess::runAdmin(strData,
                                      {QStringLiteral("--hash-cost"), QStringLiteral("minimal"),
                                       QStringLiteral("seed"), seed.fileName()},
                                      &arOutput) == 0,
             arOutput.constData());
    QVERIFY2(m_service.start(strData, m_dir.filePath(QStringLiteral("packets.log"))),
             qPrintable(m_service.errorText()));
    m_pA = CorePeer::signedIn(m_dir.filePath(kAdmin), m_service.serverText(), kAdmin,
                              QString::fromLatin1(kPassword));
    QVERIFY(m_pA);
}

void TestSpreadsheetsService::cleanupTestCase()
{
    m_pA.reset();
    if (m_service.isRunning())
        QCOMPARE(m_service.stop(), 0);
}

QSet<QString> TestSpreadsheetsService::refreshedCloudRows(int iExpected)
{
    // Each request is answered with the whole book; an answer from before the last change
    // may still be under way, so ask until the count is the one expected or time is up.
    QDeadlineTimer deadline(20000);
    QSet<QString> rows;
    do {
        m_pA->invoke(QStringLiteral("getNetContact"));
        m_pA->wait(QStringLiteral("sig_updateNetContact"), {}, 5000);
        rows = cloudRows(*m_pA);
    } while (rows.size() != iExpected && !deadline.hasExpired());
    return rows;
}

void TestSpreadsheetsService::cloudAddressBookRoundTrip()
{
    QList<QStringList> sheet{{"姓名", "手机", "分组"}};
    QSet<QString> expected;
    QSet<QString> shown;
    for (int i = 0; i < 1000; ++i) {
        QString strPhone = QStringLiteral("138%1").arg(i, 8, 10, QLatin1Char('0'));
        if (i % 10 == 0)
            strPhone += QStringLiteral("^#0532%1").arg(i, 7, 10, QLatin1Char('0'));
        else if (i % 7 == 0)
            strPhone = QStringLiteral("0%1").arg(i, 10, 10, QLatin1Char('0'));
        const QString strName = QStringLiteral("联系人%1").arg(i);
        const QString strGroup = i % 3 ? QStringLiteral("同事") : QString();
        sheet << QStringList{strName, strPhone, strGroup};
        expected << strName + "|" + strPhone + "|" + strGroup;
        // The list shows a number's parts apart.
        shown << strName + "|" + QString(strPhone).replace("^#", " ") + "|" + strGroup;
    }
    // Rows that must reach nobody: no mobile, a separator, a number that is none.
    sheet << QStringList{"无号码", "", "同事"} << QStringList{"冒号:名", "13912345678", ""}
          << QStringList{"字母", "1390000abcd", ""};
    const QString strFirst = m_dir.filePath(QStringLiteral("cloud-in.xlsx"));
    QVERIFY(writeWorkbook(strFirst, sheet, {2}));

    QVERIFY(m_pA->answerDialog(strFirst));
    m_pA->invoke(QStringLiteral("importNetContact"));
    QCOMPARE(m_pA->wait(QStringLiteral("sig_uploadNetContact"), {}, 30000),
             QStringList{QStringLiteral("0")});
    QSet<QString> rows = refreshedCloudRows(int(expected.size()));
    QVERIFY2(rows == shown, qPrintable(difference(rows, shown)));

    // Out to a workbook, as the backup writes it.
    const QString strBackup = m_dir.filePath(QStringLiteral("备份.xlsx"));
    QVERIFY(m_pA->answerDialog(strBackup));
    m_pA->invoke(QStringLiteral("backupNetContact"));
    QVERIFY(m_pA->waitFor(QStringLiteral("sig_backupNetContactStart")));
    const QStringList finished =
        m_pA->wait(QStringLiteral("sig_backupNetContactFinish"), {}, 30000);
    QCOMPARE(finished.value(0), QStringLiteral("备份成功，共1000条记录"));
    QCOMPARE(QUrl(finished.value(1)).toLocalFile(), strBackup);
    QStringList header;
    const QStringList written = workbookRows(strBackup, &header);
    QCOMPARE(header, (QStringList{"姓名", "手机", "分组"}));
    rows = QSet<QString>(written.begin(), written.end());
    QVERIFY2(rows == expected, qPrintable(difference(rows, expected)));

    // Restored from the backup into an empty cloud address book: the second demo user's.
    std::unique_ptr<CorePeer> pB = CorePeer::signedIn(
        m_dir.filePath(kOther), m_service.serverText(), kOther, QString::fromLatin1(kPassword));
    QVERIFY(pB);
    QVERIFY(pB->answerDialog(strBackup));
    pB->invoke(QStringLiteral("importNetContact"));
    QCOMPARE(pB->wait(QStringLiteral("sig_uploadNetContact"), {}, 30000),
             QStringList{QStringLiteral("0")});
    QDeadlineTimer deadline(20000);
    do {
        pB->invoke(QStringLiteral("getNetContact"));
        pB->wait(QStringLiteral("sig_updateNetContact"), {}, 5000);
        rows = cloudRows(*pB);
    } while (rows.size() != shown.size() && !deadline.hasExpired());
    QVERIFY2(rows == shown, qPrintable(difference(rows, shown)));
}

void TestSpreadsheetsService::circleMembersFromAWorkbook()
{
    m_pA->invoke(QStringLiteral("newCircle"), {QStringLiteral("导入圈"), QStringLiteral("0")});
    const QStringList created = m_pA->wait(QStringLiteral("sig_newCircle"));
    QCOMPARE(created.value(0), QStringLiteral("0"));
    const QString strCircle = created.value(1);

    // More members than one request carries.
    QList<QStringList> sheet{{"姓名", "性别", "公司", "职位", "手机", "电话", "邮箱"}};
    QSet<QString> zpids;
    for (int i = 0; i < kMembers; ++i) {
        sheet << QStringList{QStringLiteral("成员%1").arg(i),
                             i % 2 ? "女" : "男",
                             "泽丰",
                             "工程师",
                             memberMobile(i),
                             "0532-1234",
                             QStringLiteral("m%1@example.org").arg(i)};
        zpids << QString::number(kFirstMember + i);
    }
    sheet << QStringList{"没手机", "女", "泽丰", "工程师", "", "", ""};
    const QString strFile = m_dir.filePath(QStringLiteral("members.xlsx"));
    QVERIFY(writeWorkbook(strFile, sheet, {5, 6}));

    QVERIFY(m_pA->answerDialog(strFile));
    m_pA->invoke(QStringLiteral("importCircleMember"), {strCircle});
    QVERIFY(m_pA->waitFor(QStringLiteral("sig_importCircleMemberFinish"), {}, 30000));
    // Two requests, each confirmed.
    for (int i = 0; i < 2; ++i)
        QCOMPARE(m_pA->wait(QStringLiteral("sig_modifyCircleMember"), {}, 30000).value(1),
                 QStringLiteral("0"));
    QSet<QString> listed;
    QDeadlineTimer deadline(30000);
    do {
        m_pA->invoke(QStringLiteral("getCircleMember"), {strCircle});
        const QStringList column =
            CorePeer::column(m_pA->list(QStringLiteral("circlememberModel")), "strZpid");
        listed = QSet<QString>(column.begin(), column.end());
    } while (!listed.contains(zpids) && !deadline.hasExpired() && (QTest::qWait(200), true));
    QVERIFY2(listed.contains(zpids), qPrintable(QString::number(listed.size())));
    // The creator is a member too; nobody else came in.
    QCOMPARE(listed.size(), zpids.size() + 1);
}

void TestSpreadsheetsService::directoryFromAWorkbook()
{
    m_pA->invoke(QStringLiteral("loginEnterprise"), {kOrg, kOrgPassword});
    QCOMPARE(m_pA->wait(QStringLiteral("sig_loginenterprise"), {}, 15000).value(3),
             QStringLiteral("true"));

    // Three hundred employees in three new departments: two requests' worth of employees, and
    // each department sent once.
    QList<QStringList> sheet{
        {"姓名", "手机", "电话", "部门", "部门编码", "部门排序", "职位", "员工编码", "员工排序"}};
    QSet<QString> phones;
    for (int i = 0; i < 300; ++i) {
        const QString strPhone = QStringLiteral("136%1").arg(i, 8, 10, QLatin1Char('0'));
        const int iDept = i % 3;
        sheet << QStringList{QStringLiteral("员工%1").arg(i),
                             strPhone,
                             "0532-8000",
                             QStringLiteral("导入部%1").arg(iDept),
                             QStringLiteral("9%1").arg(iDept),
                             QString::number(iDept),
                             "专员",
                             QStringLiteral("E%1").arg(i, 4, 10, QLatin1Char('0')),
                             QString::number(i)};
        phones << strPhone;
    }
    const QString strFile = m_dir.filePath(QStringLiteral("staff.xlsx"));
    QVERIFY(writeWorkbook(strFile, sheet, {2, 3, 5, 6, 8, 9}));
    QVERIFY(m_pA->answerDialog(strFile));
    m_pA->invoke(QStringLiteral("importEmp"), {kOrg});
    QVERIFY(m_pA->waitFor(QStringLiteral("sig_importOrgInfoFinish"), {}, 30000));
    // Each department once, the employees in as many requests as their count byte needs. The
    // count stands after the code, the sender, the sub-command, the length of the rest and the
    // organisation (and, for departments, one byte before the organisation).
    const auto sent = [this](quint8 iSub, int iCountAt, int *pRequests) {
        int iEntries = 0;
        *pRequests = 0;
        for (const LoggedPacket &packet : m_service.packetLog()) {
            const QByteArray &p = packet.arPacket;
            if (!packet.bOut && p.size() > iCountAt && quint8(p.at(0)) == Codes::CmdEnterprise &&
                quint8(p.at(5)) == iSub) {
                iEntries += quint8(p.at(iCountAt));
                ++*pRequests;
            }
        }
        return iEntries;
    };
    int iRequests = 0;
    QTRY_COMPARE_WITH_TIMEOUT(sent(Codes::EntModifyEmpList, 14, &iRequests), 300, 10000);
    QCOMPARE(iRequests, 2);
    QCOMPARE(sent(Codes::EntModifyDeptList, 15, &iRequests), 3);

    QTRY_VERIFY_WITH_TIMEOUT(
        [&] {
            m_pA->invoke(QStringLiteral("getEmpList"), {QString()});
            const QStringList column =
                CorePeer::column(m_pA->list(QStringLiteral("empinfoModel")), "strPhone");
            return QSet<QString>(column.begin(), column.end()).contains(phones);
        }(),
        30000);

    // The export gives them back, with the demo organisation's own four.
    const QString strExport = m_dir.filePath(QStringLiteral("export.xlsx"));
    QVERIFY(m_pA->answerDialog(strExport));
    m_pA->invoke(QStringLiteral("exportEmp"));
    const QStringList finished = m_pA->wait(QStringLiteral("sig_backupContactFinish"), {}, 30000);
    QVERIFY2(finished.value(0).startsWith(QStringLiteral("导出成功，共")),
             qPrintable(finished.value(0)));
    QStringList header;
    QSet<QString> exported;
    for (const QString &strRow : workbookRows(strExport, &header))
        exported << strRow.section(QLatin1Char('|'), 1, 1);
    QCOMPARE(header.value(4), QStringLiteral("部门编码"));
    QVERIFY(exported.contains(phones));
    QCOMPARE(finished.value(0),
             QStringLiteral("导出成功，共%1条记录").arg(workbookRows(strExport).size()));
}

void TestSpreadsheetsService::unreadableWorkbookSendsNothing()
{
    const QString strFile = m_dir.filePath(QStringLiteral("old.xls"));
    QFile file(strFile);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray::fromHex("d0cf11e0a1b11ae1") + QByteArray(4000, '\x01'));
    file.close();
    QVERIFY(m_pA->answerDialog(strFile));
    m_pA->invoke(QStringLiteral("importNetContact"));
    const QStringList failed = m_pA->wait(QStringLiteral("sig_importFailed"), {}, 15000);
    QCOMPARE(failed, (QStringList{QStringLiteral("0"), QStringLiteral("导入失败")}));
    QVERIFY(m_pA->wait(QStringLiteral("sig_uploadNetContact"), {}, 1000).isEmpty());
    // A cancelled dialog starts nothing.
    QVERIFY(m_pA->answerDialog(QString()));
    m_pA->invoke(QStringLiteral("backupNetContact"));
    QVERIFY(!m_pA->waitFor(QStringLiteral("sig_backupNetContactStart"), {}, 1000));
}

QTEST_GUILESS_MAIN(TestSpreadsheetsService)
#include "tst_spreadsheetsservice.moc"
