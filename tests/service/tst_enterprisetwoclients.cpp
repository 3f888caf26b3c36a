// The enterprise directory with two clients through the real zephond, each client in a process
// of its own with its own store, driven as the screens drive Core. 1000001 is the demo
// organisation's administrator: it signs in, sees the department tree, adds a department and an
// employee, edits and removes them. 1000002 is an employee there: it signs in as a viewer, sees
// the administrator's changes, its own client refuses it every change, and the service refuses
// the change its session manager sends all the same. The organisation's password changes, and
// the next sign-in needs the new one. A large organisation arrives in pages and is stored whole.
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

#include <memory>

#include "codes.h"
#include "corepeer.h"
#include "zephondprocess.h"

using namespace Codes;

namespace {

constexpr char kPassword[] = "demo1234";
const QString kAdmin = QStringLiteral("1000001");
const QString kViewer = QStringLiteral("1000002");
const QString kOrg = QStringLiteral("3000001");
const QString kOrgPassword = QStringLiteral("demo1234");
const QString kNewOrgPassword = QStringLiteral("neu-5678");
const QString kAdminUserId = QStringLiteral("13800138000");

// The large organisation seeded beside the demo one, with 1000004 as its administrator.
constexpr quint32 kLargeOrg = 3000099;
constexpr int kLargeStaff = 600;
const QString kLargeOrgPassword = QStringLiteral("gross1234");

// A seed file with one organisation of kLargeStaff employees in two departments.
QByteArray largeOrganisation()
{
    QJsonArray employees;
    for (int i = 0; i < kLargeStaff; ++i) {
        const QString strPhone = QStringLiteral("139%1").arg(i, 8, 10, QLatin1Char('0'));
        QJsonObject emp{{"userId", strPhone},
                        {"dept", i % 2 ? "12" : "11"},
                        {"name", QStringLiteral("员工%1").arg(i)},
                        {"post", QString()},
                        {"phone", strPhone},
                        {"tel", QString()},
                        {"zpid", 0},
                        {"sortKey", QString::number(i)}};
        employees.append(emp);
    }
    employees.append(QJsonObject{{"userId", "13800138003"},
                                 {"dept", "11"},
                                 {"name", "赵磊"},
                                 {"post", "总经理"},
                                 {"phone", "13800138003"},
                                 {"tel", QString()},
                                 {"zpid", 1000004},
                                 {"admin", true},
                                 {"sortKey", "0"}});
    const QJsonArray departments{
        QJsonObject{{"no", "11"}, {"name", "一部"}, {"parent", ""}, {"sortKey", "1"}},
        QJsonObject{{"no", "12"}, {"name", "二部"}, {"parent", ""}, {"sortKey", "2"}}};
    const QJsonObject org{{"id", qint64(kLargeOrg)},    {"name", "大型示例公司"},
                          {"shortName", "大型"},        {"password", kLargeOrgPassword},
                          {"departments", departments}, {"employees", employees}};
    return QJsonDocument(QJsonObject{{"directory", QJsonArray{org}}}).toJson();
}

} // namespace

class TestEnterpriseTwoClients : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void administratorEditsAndViewerFollows();
    void largeOrganisationArrivesWhole();

private:
    std::unique_ptr<CorePeer> startPeer(const QString &strZpid);
    // Signs the peer in to the organisation; the sign-in's arguments (empty on timeout).
    QStringList signInToOrg(CorePeer &peer, const QString &strOrg, const QString &strPassword);
    QJsonArray tree(CorePeer &peer);
    QJsonArray employeesOf(CorePeer &peer, const QString &strDeptNo);
    // The service's count of refused directory requests, from its report.
    int refusedCount();

    QTemporaryDir m_dir;
    ZephondProcess m_service;
};

void TestEnterpriseTwoClients::initTestCase()
{
    QVERIFY(m_dir.isValid());
    const QString strData = m_dir.filePath(QStringLiteral("service"));
    QVERIFY(QDir().mkpath(strData));
    QFile seed(m_dir.filePath(QStringLiteral("large.json")));
    QVERIFY(seed.open(QIODevice::WriteOnly));
    seed.write(largeOrganisation());
    seed.close();
    QByteArray arOutput;
    QCOMPARE(
        ZephondProcess::runAdmin(strData, {QStringLiteral("seed"), seed.fileName()}, &arOutput), 0);
    QVERIFY2(m_service.start(strData), qPrintable(m_service.errorText()));
}

void TestEnterpriseTwoClients::cleanupTestCase()
{
    if (m_service.isRunning())
        QCOMPARE(m_service.stop(), 0);
}

std::unique_ptr<CorePeer> TestEnterpriseTwoClients::startPeer(const QString &strZpid)
{
    return CorePeer::signedIn(m_dir.filePath(strZpid), m_service.serverText(), strZpid,
                              QString::fromLatin1(kPassword));
}

QStringList TestEnterpriseTwoClients::signInToOrg(CorePeer &peer, const QString &strOrg,
                                                  const QString &strPassword)
{
    peer.invoke(QStringLiteral("loginEnterprise"), {strOrg, strPassword});
    return peer.wait(QStringLiteral("sig_loginenterprise"), {}, 15000);
}

QJsonArray TestEnterpriseTwoClients::tree(CorePeer &peer)
{
    return peer.list(QStringLiteral("orginfoModel"));
}

QJsonArray TestEnterpriseTwoClients::employeesOf(CorePeer &peer, const QString &strDeptNo)
{
    peer.invoke(QStringLiteral("getEmpList"), {strDeptNo});
    return peer.list(QStringLiteral("empinfoModel"));
}

int TestEnterpriseTwoClients::refusedCount()
{
    const QByteArray arLine("directory.refused ");
    const int iReports = int(m_service.output().count(arLine));
    m_service.sendSignal(SIGUSR1);
    if (!m_service.waitForOutput(arLine, iReports + 1))
        return -1;
    const QByteArray arOutput = m_service.output();
    const int iAt = int(arOutput.lastIndexOf(arLine)) + int(arLine.size());
    return arOutput.mid(iAt, arOutput.indexOf('\n', iAt) - iAt).trimmed().toInt();
}

void TestEnterpriseTwoClients::administratorEditsAndViewerFollows()
{
    auto admin = startPeer(kAdmin);
    auto viewer = startPeer(kViewer);
    QVERIFY(admin && viewer);

    // The sign-in dialog's list names the demo organisation.
    admin->invoke(QStringLiteral("getOrgInfo"), {QString()});
    const QStringList orgs = admin->wait(QStringLiteral("sig_setOrgInfo"));
    QVERIFY2(orgs.value(0).contains(kOrg), qPrintable(orgs.join('|')));

    // Before any enterprise sign-in the user is a viewer.
    QCOMPARE(admin->invoke(QStringLiteral("enterpriseRole")), QString::number(RoleEmployee));
    const QStringList adminIn = signInToOrg(*admin, kOrg, kOrgPassword);
    QCOMPARE(adminIn.value(0), kOrg);
    QCOMPARE(adminIn.value(3), QStringLiteral("true"));
    QCOMPARE(adminIn.value(4), QString::number(RoleAdmin));
    QCOMPARE(admin->invoke(QStringLiteral("enterpriseRole")), QString::number(RoleAdmin));
    QTRY_COMPARE_WITH_TIMEOUT(CorePeer::column(tree(*admin), "strName"),
                              (QStringList{QStringLiteral("产品部"), QStringLiteral("研发部")}),
                              10000);
    QCOMPARE(CorePeer::column(tree(*admin), "iUserCount"), (QStringList{"2", "2"}));

    // A department, then an employee in it.
    admin->invoke(QStringLiteral("modifyDeptInfo"),
                  {kOrg, QString(), QStringLiteral("03"), QStringLiteral("3"),
                   QStringLiteral("市场部"), QString::number(EntAdd)});
    QCOMPARE(admin->wait(QStringLiteral("sig_modifyDeptInfo")).mid(1),
             (QStringList{"true", QString::number(EntAdd)}));
    QTRY_VERIFY_WITH_TIMEOUT(!CorePeer::rowWith(tree(*admin), "strNo", "03").isEmpty(), 10000);

    const QStringList newcomer{QStringLiteral("0"),           kOrg,
                               QStringLiteral("03"),          QStringLiteral("13900000009"),
                               QStringLiteral("1"),           QStringLiteral("孙悦"),
                               QStringLiteral("13900000009"), QStringLiteral("010-60000009"),
                               QStringLiteral("市场专员"),    QString::number(EntAdd)};
    admin->invoke(QStringLiteral("modifyEmpInfo"), newcomer);
    QCOMPARE(admin->wait(QStringLiteral("sig_modifyDeptInfo")).mid(1),
             (QStringList{"true", QString::number(EntAdd)}));
    QTRY_COMPARE_WITH_TIMEOUT(CorePeer::column(employeesOf(*admin, "03"), "strName"),
                              QStringList{QStringLiteral("孙悦")}, 10000);

    QStringList edited = newcomer;
    edited[8] = QStringLiteral("市场经理");
    edited[9] = QString::number(EntEdit);
    admin->invoke(QStringLiteral("modifyEmpInfo"), edited);
    QCOMPARE(admin->wait(QStringLiteral("sig_modifyDeptInfo")).mid(1),
             (QStringList{"true", QString::number(EntEdit)}));
    QTRY_COMPARE_WITH_TIMEOUT(CorePeer::column(employeesOf(*admin, "03"), "strPost"),
                              QStringList{QStringLiteral("市场经理")}, 10000);

    // The employee signs in as a viewer and sees the administrator's changes.
    const QStringList viewerIn = signInToOrg(*viewer, kOrg, kOrgPassword);
    QCOMPARE(viewerIn.value(3), QStringLiteral("true"));
    QCOMPARE(viewerIn.value(4), QString::number(RoleEmployee));
    QTRY_VERIFY_WITH_TIMEOUT(!CorePeer::rowWith(tree(*viewer), "strNo", "03").isEmpty(), 10000);
    const QJsonObject seen = CorePeer::rowWith(employeesOf(*viewer, "03"), "strName", "孙悦");
    QCOMPARE(seen.value("strPost").toString(), QStringLiteral("市场经理"));
    QCOMPARE(seen.value("strPName").toString(), QStringLiteral("市场部"));

    // The viewer's own client sends no change; what its session manager sends all the same,
    // the service refuses.
    const int iRefusedBefore = refusedCount();
    QVERIFY(iRefusedBefore >= 0);
    viewer->invoke(QStringLiteral("modifyDeptInfo"),
                   {kOrg, QString(), QStringLiteral("03"), QStringLiteral("3"),
                    QStringLiteral("被改名"), QString::number(EntEdit)});
    QCOMPARE(viewer->wait(QStringLiteral("sig_modifyDeptInfo")).value(1), QStringLiteral("false"));
    QCOMPARE(refusedCount(), iRefusedBefore);
    QVERIFY(viewer->invokeNetwork(QStringLiteral("slot_onModifyDeptInfo"),
                                  {kOrg, QString(), QStringLiteral("03"), QStringLiteral("被改名"),
                                   QString::number(EntEdit), QStringLiteral("3")}));
    QCOMPARE(viewer->wait(QStringLiteral("sig_modifyDeptInfo")).value(1), QStringLiteral("false"));
    QCOMPARE(refusedCount(), iRefusedBefore + 1);

    // The administrator removes the employee, then the emptied department.
    edited[9] = QString::number(EntDelete);
    admin->invoke(QStringLiteral("modifyEmpInfo"), edited);
    QCOMPARE(admin->wait(QStringLiteral("sig_modifyDeptInfo")).value(1), QStringLiteral("true"));
    QTRY_VERIFY_WITH_TIMEOUT(employeesOf(*admin, "03").isEmpty(), 10000);
    admin->invoke(QStringLiteral("modifyDeptInfo"),
                  {kOrg, QString(), QStringLiteral("03"), QStringLiteral("3"),
                   QStringLiteral("市场部"), QString::number(EntDelete)});
    QCOMPARE(admin->wait(QStringLiteral("sig_modifyDeptInfo")).value(1), QStringLiteral("true"));
    QTRY_VERIFY_WITH_TIMEOUT(CorePeer::rowWith(tree(*admin), "strNo", "03").isEmpty(), 10000);

    // The viewer's next sign-in shows the department gone, and its role stayed a viewer's.
    QCOMPARE(signInToOrg(*viewer, kOrg, kOrgPassword).value(3), QStringLiteral("true"));
    QTRY_COMPARE_WITH_TIMEOUT(CorePeer::column(tree(*viewer), "strName"),
                              (QStringList{QStringLiteral("产品部"), QStringLiteral("研发部")}),
                              10000);
    QCOMPARE(viewer->invoke(QStringLiteral("enterpriseRole")), QString::number(RoleEmployee));

    // The organisation's password changes; the old one no longer signs in, the new one does.
    QVERIFY(admin->emitRoot(
        QStringLiteral("changePassword"),
        {QStringLiteral("1"), QStringLiteral("0"),
         QStringLiteral("[\"%1\",\"%2\",\"%3\"]").arg(kOrg, kAdminUserId, kNewOrgPassword)}));
    QCOMPARE(admin->wait(QStringLiteral("sig_changePassword"), {}, 15000),
             (QStringList{"1", "0", QString::number(ReplyOk)}));
    const QStringList refused = signInToOrg(*viewer, kOrg, kOrgPassword);
    QCOMPARE(refused.value(3), QStringLiteral("false"));
    QCOMPARE(viewer->invoke(QStringLiteral("enterpriseRole")), QString::number(RoleEmployee));
    QCOMPARE(signInToOrg(*viewer, kOrg, kNewOrgPassword).value(3), QStringLiteral("true"));

    // Leaving the organisation empties the directory on that client only.
    viewer->invoke(QStringLiteral("logoutEnterprise"));
    QVERIFY(tree(*viewer).isEmpty());
    QCOMPARE(viewer->invoke(QStringLiteral("enterpriseRole")), QString::number(RoleEmployee));
    QVERIFY(!tree(*admin).isEmpty());
}

void TestEnterpriseTwoClients::largeOrganisationArrivesWhole()
{
    auto admin = startPeer(QStringLiteral("1000004"));
    QVERIFY(admin);
    const QStringList in = signInToOrg(*admin, QString::number(kLargeOrg), kLargeOrgPassword);
    QCOMPARE(in.value(3), QStringLiteral("true"));
    QCOMPARE(in.value(4), QString::number(RoleAdmin));
    // 601 employees come in three pages; the tree counts them all once they are stored.
    QTRY_COMPARE_WITH_TIMEOUT(
        CorePeer::column(tree(*admin), "iUserCount"),
        (QStringList{QString::number(kLargeStaff / 2 + 1), QString::number(kLargeStaff / 2)}),
        20000);
    QCOMPARE(employeesOf(*admin, QString()).size(), kLargeStaff + 1);
    // An empty post is shown as the default one.
    QCOMPARE(CorePeer::rowWith(employeesOf(*admin, "12"), "strName", "员工1")
                 .value("strPost")
                 .toString(),
             QStringLiteral("员工"));

    // A department expands into its employees right below it and collapses again.
    const QJsonArray collapsed = tree(*admin);
    admin->invoke(QStringLiteral("expandList"), {QStringLiteral("1"), QStringLiteral("12")});
    const QJsonArray expanded = tree(*admin);
    QCOMPARE(expanded.size(), collapsed.size() + kLargeStaff / 2);
    QCOMPARE(expanded.at(1).toObject().value("strNo").toString(), QStringLiteral("12"));
    QCOMPARE(expanded.at(2).toObject().value("strPNo").toString(), QStringLiteral("12"));
    admin->invoke(QStringLiteral("shrinkList"), {QStringLiteral("12")});
    QCOMPARE(CorePeer::column(tree(*admin), "strNo"), CorePeer::column(collapsed, "strNo"));
}

QTEST_GUILESS_MAIN(TestEnterpriseTwoClients)
#include "tst_enterprisetwoclients.moc"
