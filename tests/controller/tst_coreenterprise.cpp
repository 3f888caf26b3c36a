// The enterprise directory through Core as the running client wires it, against the fake
// service on loopback and a real SQLite store: the sign-in with the role it grants, the
// directory pages collected into whole lists and stored by the worker, the refresh chain, the
// tree's expand and shrink, the administrator operations as the bytes the service receives
// (and nothing at all where Core refuses them), the organisation list, and what is left of an
// organisation after its user or account signs out.
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>
#include <memory>

#include "cdatabase.h"
#include "codes.h"
#include "core.h"
#include "corefixture.h"
#include "csessionstate.h"
#include "fakepacket.h"
#include "fakeservice.h"

using CoreOp = std::function<void(Core &)>;
Q_DECLARE_METATYPE(CoreOp)

using namespace Codes;

namespace {

constexpr quint32 kMe = 1000001;
constexpr quint32 kOther = 1000002;
constexpr quint32 kOrg = 77001;
constexpr quint32 kOtherOrg = 77002;
const QString kOrgText = QString::number(kOrg);
const QString kMyPhone = QStringLiteral("13800000001");

QByteArray deptEntry(const QByteArray &arNo, const QString &strName, const QByteArray &arSortKey)
{
    return FakePacket(0)
        .str8("0")
        .str8(arNo)
        .str8(strName.toUtf8())
        .blob32(arSortKey)
        .bytes()
        .mid(1);
}

QByteArray empEntry(quint32 iZpid, const QByteArray &arDept, const QByteArray &arUserId,
                    const QString &strName, const QString &strPost, quint8 iRole,
                    const QByteArray &arSortKey = "1")
{
    return FakePacket(0)
        .u32(iZpid)
        .str8(arDept)
        .str8(arUserId)
        .str8(strName.toUtf8())
        .str8(arUserId)
        .str8("010-1")
        .str8(strPost.toUtf8())
        .u8(iRole)
        .blob32(arSortKey)
        .bytes()
        .mid(1);
}

// iCount employees of department 10 with zpids from iFirst on.
QList<QByteArray> generatedEmployees(int iCount, quint32 iFirst = 3000000)
{
    QList<QByteArray> entries;
    for (int i = 0; i < iCount; ++i) {
        const QByteArray arId = QByteArray::number(13900000000LL + iFirst + i);
        entries << empEntry(iFirst + quint32(i), "10", arId, QStringLiteral("员工%1").arg(i),
                            QStringLiteral("职员"), RoleEmployee, QByteArray::number(i));
    }
    return entries;
}

// A reply 87 up to its sub-command.
FakePacket reply(quint8 iSub)
{
    return FakePacket(CmdEnterprise).u32(kMe).u8(iSub);
}

// One page of a directory list: entries of the total, all of one organisation.
QByteArray page(quint8 iSub, quint32 iOrg, quint32 iTotal, const QList<QByteArray> &entries)
{
    FakePacket packet = reply(iSub);
    packet.u8(0).u32(iOrg).u32(0).u32(iTotal).u8(quint8(entries.size()));
    for (const QByteArray &arEntry : entries)
        packet.raw(arEntry);
    return packet.bytes();
}

// The pages of a whole list, 255 entries each.
QList<QByteArray> pages(quint8 iSub, quint32 iOrg, const QList<QByteArray> &entries)
{
    QList<QByteArray> replies;
    int iFirst = 0;
    do {
        replies << page(iSub, iOrg, quint32(entries.size()), entries.mid(iFirst, 255));
        iFirst += 255;
    } while (iFirst < entries.size());
    return replies;
}

// An employee change (87, sub-command 5) as
// "zpid|kind|org|dept|user id|name|phone|tel|post|role|sort key".
QString empChange(const QByteArray &ar)
{
    int iPos = 10;
    const auto str8 = [&]() {
        const int n = quint8(ar.at(iPos));
        const QString strText = QString::fromUtf8(ar.mid(iPos + 1, n));
        iPos += 1 + n;
        return strText;
    };
    QStringList parts{QString::number(FakePacket::u32At(ar, 1)),
                      QString::number(quint8(ar.at(10)))};
    parts << QString::number(FakePacket::u32At(ar, 11));
    iPos = 15;
    for (int i = 0; i < 5; ++i)
        parts << str8();
    ++iPos; // a byte the service does not read
    parts << str8();
    parts << QString::number(quint8(ar.at(iPos)));
    ++iPos;
    const qint64 iLength = FakePacket::u32At(ar, iPos);
    parts << QString::fromUtf8(ar.mid(iPos + 4, int(iLength)));
    return parts.join(u'|');
}

// The organisation list reply's entries: id, four bytes not read, name, short name whose
// length is the first of four bytes.
QByteArray orgEntry(quint32 iOrg, const QString &strName, const QByteArray &arShort)
{
    return FakePacket(0)
        .u32(iOrg)
        .u32(0xDEADBEEF)
        .str8(strName.toUtf8())
        .u8(quint8(arShort.size()))
        .u8(9)
        .u8(9)
        .u8(9)
        .raw(arShort)
        .bytes()
        .mid(1);
}

struct PageSpec
{
    quint32 iOrg;
    quint32 iTotal;
    int iCount;
};

} // namespace

Q_DECLARE_METATYPE(QList<PageSpec>)

class TestCoreEnterprise : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void signInStoresTheDirectoryInPages();
    void departmentPagesRunTheChain();
    void pageCollection_data();
    void pageCollection();
    void roleOfTheSignIn_data();
    void roleOfTheSignIn();
    void roleGoesBackToViewer_data();
    void roleGoesBackToViewer();
    void administratorOperations_data();
    void administratorOperations();
    void employeeChangeSendsTheStoredRole_data();
    void employeeChangeSendsTheStoredRole();
    void ownOfficePhoneKeepsTheRole_data();
    void ownOfficePhoneKeepsTheRole();
    void refreshAfterChanges_data();
    void refreshAfterChanges();
    void expandAndShrink_data();
    void expandAndShrink();
    void departmentNames();
    void organisationList_data();
    void organisationList();
    void anotherAccountSeesNoOldDirectory();

private:
    // Signs the client in and then to the organisation, which serves the directory; waits
    // until the tree is shown.
    void signIn(quint8 iRole = RoleAdmin);
    void signInToOrganisation(quint8 iRole);
    QList<quint8> enterpriseSubs() const;
    QStringList column(const char *pName, const char *pProperty) const;
    int storedEmployees() const;

    QTemporaryDir m_home;
    std::unique_ptr<QTemporaryDir> m_pDir;
    FakeService m_fake;
    CoreFixture m_fx;

    // What the fake organisation answers.
    quint8 m_iLoginResult = 0;
    quint8 m_iRole = RoleAdmin;
    quint8 m_iChangeResult = 0;
    QList<QByteArray> m_depts;
    QList<QByteArray> m_emps;
};

void TestCoreEnterprise::initTestCase()
{
    QVERIFY(m_home.isValid());
    QVERIFY(CoreFixture::enterFolder(m_home.path()));
    FakeService::Account account;
    account.iZpid = kMe;
    account.strLoginId = QString::number(kMe);
    account.strPassword = QStringLiteral("secret");
    account.strPhone = kMyPhone;
    QVERIFY(CoreFixture::serve(m_fake, account));
    m_fake.serveAddressBook({});
    m_fake.setResponder(CmdEnterprise, [this](const FakeService::Received &received) {
        const QByteArray &ar = received.packet;
        const quint8 iSub = quint8(ar.at(5));
        const quint32 iOrg =
            quint32(FakePacket::u32At(ar, iSub == EntModifyDept || iSub == EntModifyEmp ? 11 : 10));
        switch (iSub) {
        case EntLoginSubServer:
            if (m_iLoginResult != 0)
                return QList<QByteArray>{reply(iSub).u8(m_iLoginResult).bytes()};
            return QList<QByteArray>{reply(iSub)
                                         .u8(0)
                                         .u8(m_iRole)
                                         .u32(iOrg)
                                         .u32(0)
                                         .str8(QByteArray("示例公司"))
                                         .str8(QByteArray("示例"))
                                         .str8("")
                                         .blob32("")
                                         .bytes()};
        case EntDeptList:
            return pages(iSub, iOrg, m_depts);
        case EntEmpList:
            return pages(iSub, iOrg, m_emps);
        case EntModifyOrg:
        case EntModifyDept:
        case EntModifyEmp:
            return QList<QByteArray>{reply(iSub).u8(m_iChangeResult).u32(iOrg).bytes()};
        default:
            return QList<QByteArray>{};
        }
    });
}

void TestCoreEnterprise::init()
{
    m_fake.clearReceived();
    m_fake.account().iZpid = kMe;
    m_fake.account().strLoginId = QString::number(kMe);
    m_iLoginResult = 0;
    m_iRole = RoleAdmin;
    m_iChangeResult = 0;
    // The tree in sort-key order: 市场部 (20), 空部门 (30), 研发部 (10); the own record is
    // in 研发部.
    m_depts = {deptEntry("10", QStringLiteral("研发部"), "3"),
               deptEntry("20", QStringLiteral("市场部"), "1"),
               deptEntry("30", QStringLiteral("空部门"), "2")};
    m_emps = {
        empEntry(kMe, "10", kMyPhone.toUtf8(), QStringLiteral("我"), QStringLiteral("经理"),
                 RoleAdmin, "2"),
        empEntry(2000002, "10", "13800000002", QStringLiteral("白"), QStringLiteral("工程师"),
                 RoleEmployee, "1"),
        empEntry(2000003, "20", "13800000003", QStringLiteral("陈"), QString(), RoleEmployee, "1")};
    m_pDir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_pDir->isValid());
    QVERIFY(QDir::setCurrent(m_pDir->path()));
    m_fx.start();
}

void TestCoreEnterprise::cleanup()
{
    m_fx.stop();
    QDir::setCurrent(m_home.path());
    m_pDir.reset();
}

void TestCoreEnterprise::signIn(quint8 iRole)
{
    m_fx.signIn(QString::number(kMe), QStringLiteral("secret"));
    if (!QTest::currentTestFailed())
        signInToOrganisation(iRole);
}

void TestCoreEnterprise::signInToOrganisation(quint8 iRole)
{
    // The own record carries the role the sign-in grants.
    m_iRole = iRole;
    m_emps[0] = empEntry(kMe, "10", kMyPhone.toUtf8(), QStringLiteral("我"), QStringLiteral("经理"),
                         iRole, "2");
    m_fx.core()->loginEnterprise(kOrgText, QStringLiteral("demo1234"));
    QTRY_COMPARE(column("orginfoModel", "strName"), (QStringList{"市场部", "空部门", "研发部"}));
    QTRY_COMPARE(storedEmployees(), int(m_emps.size()));
}

QList<quint8> TestCoreEnterprise::enterpriseSubs() const
{
    QList<quint8> subs;
    for (const QByteArray &ar : m_fake.packets(CmdEnterprise, FakeService::Sub))
        subs << quint8(ar.at(5));
    return subs;
}

QStringList TestCoreEnterprise::column(const char *pName, const char *pProperty) const
{
    QStringList values;
    for (QObject *pRow : m_fx.list(pName))
        values << pRow->property(pProperty).toString();
    return values;
}

int TestCoreEnterprise::storedEmployees() const
{
    const QList<QObject *> rows = m_fx.core()->database()->getEmp(QString());
    qDeleteAll(rows);
    return int(rows.size());
}

void TestCoreEnterprise::signInStoresTheDirectoryInPages()
{
    m_emps += generatedEmployees(597);
    QSignalSpy signedIn(m_fx.core(), &Core::sig_loginenterprise);
    signIn();
    QCOMPARE(signedIn.size(), 1);
    QCOMPARE(signedIn.first(), (QList<QVariant>{kOrgText, "示例公司", "示例", true, RoleAdmin}));
    QCOMPARE(m_fx.core()->enterpriseRole(), int(RoleAdmin));
    // Sign-in, departments, then the employees of all departments in three pages.
    QCOMPARE(enterpriseSubs(), (QList<quint8>{EntLoginSubServer, EntDeptList, EntEmpList}));
    const QByteArray arEmpRequest = m_fake.packets(CmdEnterprise, FakeService::Sub).last();
    QCOMPARE(arEmpRequest.mid(10), FakePacket(0).u32(kOrg).str8("0").u32(0).bytes().mid(1));
    QCOMPARE(storedEmployees(), 600);
    QTRY_COMPARE(m_fx.list("empinfoModel").size(), 600);
    QCOMPARE(column("orginfoModel", "iUserCount"), (QStringList{"1", "0", "599"}));
    QCOMPARE(column("orginfoModel", "bExpand"), (QStringList{"false", "false", "false"}));
    // Every row carries the role; an empty post shows as the default one.
    QCOMPARE(column("orginfoModel", "iUserType"), (QStringList{"0", "0", "0"}));
    QCOMPARE(column("empinfoModel", "strPost").at(2), QStringLiteral("员工"));
}

void TestCoreEnterprise::departmentPagesRunTheChain()
{
    signIn();
    m_fake.clearReceived();
    QList<QByteArray> depts;
    for (int i = 0; i < 300; ++i)
        depts << deptEntry(QByteArray::number(100 + i), QStringLiteral("部门%1").arg(i),
                           QByteArray::number(i));
    // The first page alone asks for nothing and shows nothing new.
    const QList<QByteArray> arPages = pages(EntDeptList, kOrg, depts);
    QCOMPARE(arPages.size(), 2);
    m_fake.pushSub(arPages.first());
    QTest::qWait(200);
    QCOMPARE(enterpriseSubs(), QList<quint8>());
    QCOMPARE(m_fx.list("orginfoModel").size(), 3);
    // With the second the list is whole: stored, then the employees asked for, then shown.
    m_fake.pushSub(arPages.last());
    QTRY_COMPARE(enterpriseSubs(), (QList<quint8>{EntEmpList}));
    QTRY_COMPARE(m_fx.list("orginfoModel").size(), 300);
    QCOMPARE(m_fx.list("orginfoModel").first()->property("strName").toString(),
             QStringLiteral("部门0"));
}

void TestCoreEnterprise::pageCollection_data()
{
    QTest::addColumn<QList<PageSpec>>("pageSpecs");
    QTest::addColumn<int>("stored"); // -1: the list of the sign-in stays

    QTest::newRow("three pages") << QList<PageSpec>{{kOrg, 600, 255},
                                                    {kOrg, 600, 255},
                                                    {kOrg, 600, 90}}
                                 << 600;
    QTest::newRow("count above the total")
        << QList<PageSpec>{{kOrg, 300, 255}, {kOrg, 300, 255}} << -1;
    QTest::newRow("pages short of the total") << QList<PageSpec>{{kOrg, 600, 255}} << -1;
    QTest::newRow("another organisation mid-list") << QList<PageSpec>{{kOrg, 600, 255},
                                                                      {kOtherOrg, 600, 255},
                                                                      {kOrg, 600, 255},
                                                                      {kOrg, 600, 90}}
                                                   << -1;
    QTest::newRow("another total mid-list")
        << QList<PageSpec>{{kOrg, 600, 255}, {kOrg, 601, 255}, {kOrg, 600, 255}, {kOrg, 600, 90}}
        << -1;
    QTest::newRow("organisation not signed in to") << QList<PageSpec>{{kOtherOrg, 2, 2}} << -1;
    QTest::newRow("second list after a whole one starts clean")
        << QList<PageSpec>{{kOrg, 2, 2}, {kOrg, 4, 3}, {kOrg, 4, 1}} << 4;
    QTest::newRow("a whole list after a dropped one")
        << QList<PageSpec>{{kOrg, 300, 255}, {kOrg, 300, 255}, {kOrg, 5, 5}} << 5;
    QTest::newRow("empty list") << QList<PageSpec>{{kOrg, 0, 0}} << 0;
}

void TestCoreEnterprise::pageCollection()
{
    QFETCH(QList<PageSpec>, pageSpecs);
    QFETCH(int, stored);
    signIn();
    const QStringList before = column("empinfoModel", "strName");
    quint32 iFirst = 3000000;
    for (const PageSpec &spec : pageSpecs) {
        m_fake.pushSub(
            page(EntEmpList, spec.iOrg, spec.iTotal, generatedEmployees(spec.iCount, iFirst)));
        iFirst += quint32(spec.iCount);
    }
    if (stored >= 0) {
        QTRY_COMPARE(storedEmployees(), stored);
        QTRY_COMPARE(m_fx.list("empinfoModel").size(), stored);
        return;
    }
    // Nothing stored: the lists of the sign-in stay, also after the worker would have run.
    QTest::qWait(300);
    QCOMPARE(storedEmployees(), 3);
    QCOMPARE(column("empinfoModel", "strName"), before);
}

void TestCoreEnterprise::roleOfTheSignIn_data()
{
    QTest::addColumn<quint8>("result");
    QTest::addColumn<quint8>("served");
    QTest::addColumn<bool>("flag");
    QTest::addColumn<int>("role");

    QTest::newRow("administrator") << quint8(0) << quint8(RoleAdmin) << true << int(RoleAdmin);
    QTest::newRow("employee") << quint8(0) << quint8(RoleEmployee) << true << int(RoleEmployee);
    QTest::newRow("unknown role byte") << quint8(0) << quint8(7) << true << int(RoleEmployee);
    // The refusal carries role 0, the administrator's: it grants nothing.
    QTest::newRow("wrong password") << quint8(2) << quint8(RoleAdmin) << false << int(RoleEmployee);
}

void TestCoreEnterprise::roleOfTheSignIn()
{
    QFETCH(quint8, result);
    QFETCH(quint8, served);
    QFETCH(bool, flag);
    QFETCH(int, role);

    m_fx.signIn(QString::number(kMe), QStringLiteral("secret"));
    // Nobody is an administrator before an enterprise sign-in.
    QCOMPARE(m_fx.core()->enterpriseRole(), int(RoleEmployee));
    m_iLoginResult = result;
    m_iRole = served;
    QSignalSpy signedIn(m_fx.core(), &Core::sig_loginenterprise);
    m_fx.core()->loginEnterprise(kOrgText, QStringLiteral("demo1234"));
    QTRY_COMPARE(signedIn.size(), 1);
    QCOMPARE(signedIn.first().at(3).toBool(), flag);
    QCOMPARE(signedIn.first().at(4).toInt(), role);
    QCOMPARE(m_fx.core()->enterpriseRole(), role);
    if (flag) {
        QTRY_COMPARE(column("orginfoModel", "iUserType"), QStringList(3, QString::number(role)));
        return;
    }
    QTest::qWait(100);
    QCOMPARE(enterpriseSubs(), (QList<quint8>{EntLoginSubServer}));
    QVERIFY(m_fx.list("orginfoModel").isEmpty());
}

void TestCoreEnterprise::roleGoesBackToViewer_data()
{
    QTest::addColumn<CoreOp>("leave");
    QTest::newRow("enterprise sign-out") << CoreOp([](Core &core) { core.logoutEnterprise(); });
    QTest::newRow("sign-out") << CoreOp([](Core &core) { core.logout(); });
}

void TestCoreEnterprise::roleGoesBackToViewer()
{
    QFETCH(CoreOp, leave);
    signIn(RoleAdmin);
    m_fx.core()->expandList(2, QStringLiteral("10"));
    QCOMPARE(m_fx.list("orginfoModel").size(), 5);
    leave(*m_fx.core());
    QCOMPARE(m_fx.core()->enterpriseRole(), int(RoleEmployee));
    QVERIFY(m_fx.list("orginfoModel").isEmpty());
    QVERIFY(m_fx.list("empinfoModel").isEmpty());
    QCOMPARE(storedEmployees(), 0);
    m_fx.core()->getOrgList();
    QVERIFY(m_fx.list("orginfoModel").isEmpty());
    // A page still on its way belongs to the organisation left: it is not stored.
    m_fx.core()->slot_onParseEmpInfo(kOrg, m_emps.join(), 3, 3);
    QTest::qWait(200);
    QCOMPARE(storedEmployees(), 0);
}

void TestCoreEnterprise::administratorOperations_data()
{
    QTest::addColumn<quint8>("role");
    QTest::addColumn<CoreOp>("op");
    QTest::addColumn<int>("sent");      // the sub-command that leaves, 0 for none
    QTest::addColumn<QString>("fails"); // the failure signal expected: "dept", "org" or ""

    const QVariantList orgInfo{kOrg, "新名", "新", "", "", "", "pw", ""};
    const struct
    {
        const char *pName;
        CoreOp op;
        int iSub;
    } ops[] = {
        {"add department",
         [](Core &c) { c.modifyDeptInfo(kOrgText, "0", "40", "4", "法务部", EntAdd); },
         EntModifyDept},
        {"edit department",
         [](Core &c) { c.modifyDeptInfo(kOrgText, "0", "20", "1", "销售部", EntEdit); },
         EntModifyDept},
        {"delete empty department",
         [](Core &c) { c.modifyDeptInfo(kOrgText, "0", "30", "2", "空部门", EntDelete); },
         EntModifyDept},
        {"add employee",
         [](Core &c) {
             c.modifyEmpInfo("0", kOrgText, "20", "13800000009", "9", "新人", "13800000009", "", "",
                             EntAdd);
         },
         EntModifyEmp},
        {"edit employee",
         [](Core &c) {
             c.modifyEmpInfo("2000002", kOrgText, "10", "13800000002", "1", "白", "13800000002",
                             "010-2", "工程师", EntEdit);
         },
         EntModifyEmp},
        {"delete employee",
         [](Core &c) {
             c.modifyEmpInfo("2000002", kOrgText, "10", "13800000002", "1", "白", "13800000002", "",
                             "", EntDelete);
         },
         EntModifyEmp},
        {"employees from contacts", [](Core &c) { c.addEmpFromContact(kOrgText, "20"); },
         EntModifyEmp},
        {"edit organisation", [orgInfo](Core &c) { c.modifyOrgInfo(orgInfo, EntEdit); },
         EntModifyOrg},
    };
    for (const auto &op : ops) {
        const bool bOrg = op.iSub == EntModifyOrg;
        QTest::addRow("administrator: %s", op.pName)
            << quint8(RoleAdmin) << op.op << op.iSub << QString();
        QTest::addRow("viewer: %s", op.pName)
            << quint8(RoleEmployee) << op.op << 0 << (bOrg ? "org" : "dept");
    }
    // Anybody may create an organisation.
    QTest::newRow("viewer: create organisation")
        << quint8(RoleEmployee) << CoreOp([orgInfo](Core &c) { c.modifyOrgInfo(orgInfo, EntAdd); })
        << int(EntModifyOrg) << QString();
    // A department is emptied before it goes, by an administrator too.
    QTest::newRow("administrator: delete department with employees")
        << quint8(RoleAdmin)
        << CoreOp([](Core &c) { c.modifyDeptInfo(kOrgText, "0", "10", "3", "研发部", EntDelete); })
        << 0 << "dept";
    QTest::newRow("administrator: unknown change kind") << quint8(RoleAdmin) << CoreOp([](Core &c) {
        c.modifyDeptInfo(kOrgText, "0", "20", "1", "x", 9);
    }) << 0 << "dept";
}

void TestCoreEnterprise::administratorOperations()
{
    QFETCH(quint8, role);
    QFETCH(CoreOp, op);
    QFETCH(int, sent);
    QFETCH(QString, fails);

    signIn(role);
    // One registered contact checked for the add from contacts.
    CDatabase &db = *m_fx.core()->database();
    db.addContact(QStringLiteral("王"), QStringLiteral("13800000005"), QStringLiteral("wang"));
    db.setContactZpid(QStringLiteral("2000005"), QStringLiteral("13800000005"));
    m_fx.core()->getSelect(5);
    QCOMPARE(m_fx.list("selectModel").size(), 1);
    m_fx.list("selectModel").first()->setProperty("bChecked", true);

    m_fake.clearReceived();
    QSignalSpy deptFailed(m_fx.core(), &Core::sig_modifyDeptInfo);
    QSignalSpy orgFailed(m_fx.core(), &Core::sig_modifyOrgInfo);
    op(*m_fx.core());
    if (sent != 0) {
        QTRY_VERIFY(!enterpriseSubs().isEmpty());
        QCOMPARE(enterpriseSubs().first(), quint8(sent));
    } else {
        // A request would have left at once; give the socket a moment all the same.
        QTest::qWait(150);
        QCOMPARE(enterpriseSubs(), QList<quint8>());
    }
    if (fails == QLatin1String("dept")) {
        QCOMPARE(deptFailed.size(), 1);
        QCOMPARE(deptFailed.first().at(0).toString(), kOrgText);
        QCOMPARE(deptFailed.first().at(1).toBool(), false);
    } else if (fails == QLatin1String("org")) {
        QCOMPARE(orgFailed.size(), 1);
        QCOMPARE(orgFailed.first().at(0).toBool(), false);
    }
}

void TestCoreEnterprise::employeeChangeSendsTheStoredRole_data()
{
    QTest::addColumn<CoreOp>("op");
    QTest::addColumn<QString>("sent"); // empty: nothing may leave

    QTest::newRow("edit an employee") << CoreOp([](Core &c) {
        c.modifyEmpInfo("2000002", kOrgText, "10", "13800000002", "1", "白二", "13800000002",
                        "010-2", "工程师", EntEdit);
    }) << "2000002|1|77001|10|13800000002|白二|13800000002|010-2|工程师|1|1";
    QTest::newRow("edit the administrator") << CoreOp([](Core &c) {
        c.modifyEmpInfo(QString::number(kMe), kOrgText, "10", kMyPhone, "2", "我", kMyPhone,
                        "010-1", "经理", EntEdit);
    }) << "1000001|1|77001|10|13800000001|我|13800000001|010-1|经理|0|2";
    QTest::newRow("add starts as employee") << CoreOp([](Core &c) {
        c.modifyEmpInfo("0", kOrgText, "20", "13800000009", "5", "新", "13800000009", "", "职员",
                        EntAdd);
    }) << "0|0|77001|20|13800000009|新|13800000009||职员|1|5";
    QTest::newRow("edit an unknown employee") << CoreOp([](Core &c) {
        c.modifyEmpInfo("2000009", kOrgText, "10", "13800000009", "1", "X", "13800000009", "", "",
                        EntEdit);
    }) << QString();
    QTest::newRow("delete an unknown employee") << CoreOp([](Core &c) {
        c.modifyEmpInfo("2000009", kOrgText, "10", "13800000009", "1", "X", "13800000009", "", "",
                        EntDelete);
    }) << QString();
    QTest::newRow("edit an employee under another department") << CoreOp([](Core &c) {
        c.modifyEmpInfo("2000002", kOrgText, "20", "13800000002", "1", "白", "13800000002", "", "",
                        EntEdit);
    }) << QString();
}

void TestCoreEnterprise::employeeChangeSendsTheStoredRole()
{
    QFETCH(CoreOp, op);
    QFETCH(QString, sent);
    signIn(RoleAdmin);
    m_fake.clearReceived();
    QSignalSpy failed(m_fx.core(), &Core::sig_modifyDeptInfo);
    op(*m_fx.core());
    if (sent.isEmpty()) {
        QTest::qWait(150);
        QCOMPARE(enterpriseSubs(), QList<quint8>());
        QCOMPARE(failed.size(), 1);
        QCOMPARE(failed.first().at(1).toBool(), false);
        return;
    }
    // The change, and after its answer the employees asked for again.
    QTRY_VERIFY(!enterpriseSubs().isEmpty());
    QCOMPARE(enterpriseSubs().first(), quint8(EntModifyEmp));
    QCOMPARE(empChange(m_fake.packets(CmdEnterprise, FakeService::Sub).first()), sent);
}

void TestCoreEnterprise::ownOfficePhoneKeepsTheRole_data()
{
    QTest::addColumn<quint8>("role");
    QTest::addColumn<bool>("listed");
    QTest::addColumn<QString>("sent");
    QTest::newRow("administrator")
        << quint8(RoleAdmin) << true
        << "1000001|1|77001|10|13800000001|我|13800000001|010-9|经理|0|2";
    QTest::newRow("employee") << quint8(RoleEmployee) << true
                              << "1000001|1|77001|10|13800000001|我|13800000001|010-9|经理|1|2";
    QTest::newRow("not in the directory") << quint8(RoleEmployee) << false << QString();
}

void TestCoreEnterprise::ownOfficePhoneKeepsTheRole()
{
    QFETCH(quint8, role);
    QFETCH(bool, listed);
    QFETCH(QString, sent);
    if (!listed) {
        m_emps.removeFirst();
        m_fx.signIn(QString::number(kMe), QStringLiteral("secret"));
        m_iRole = role;
        m_fx.core()->loginEnterprise(kOrgText, QStringLiteral("demo1234"));
        QTRY_COMPARE(storedEmployees(), 2);
    } else {
        signIn(role);
    }
    QCOMPARE(m_fx.core()->getEmpTel(), listed ? QStringLiteral("010-1") : QString());
    m_fake.clearReceived();
    m_fx.core()->modifyEmpInfo(kOrgText, QStringLiteral("010-9"));
    if (sent.isEmpty()) {
        QTest::qWait(150);
        QCOMPARE(enterpriseSubs(), QList<quint8>());
        return;
    }
    // The change, and after its answer the employees asked for again.
    QTRY_VERIFY(!enterpriseSubs().isEmpty());
    QCOMPARE(enterpriseSubs().first(), quint8(EntModifyEmp));
    QCOMPARE(empChange(m_fake.packets(CmdEnterprise, FakeService::Sub).first()), sent);
}

void TestCoreEnterprise::refreshAfterChanges_data()
{
    QTest::addColumn<CoreOp>("op");
    QTest::addColumn<quint8>("result");
    QTest::addColumn<QList<quint8>>("subs");
    QTest::addColumn<int>("kind");

    const CoreOp addDept = [](Core &c) {
        c.modifyDeptInfo(kOrgText, "0", "40", "4", "法务部", EntAdd);
    };
    const CoreOp editEmp = [](Core &c) {
        c.modifyEmpInfo("2000002", kOrgText, "10", "13800000002", "1", "白", "13800000002", "", "",
                        EntEdit);
    };
    const CoreOp editOrg = [](Core &c) {
        c.modifyOrgInfo(QVariantList{kOrg, "新名", "新", "", "", "", "", ""}, EntEdit);
    };
    // A department change runs the chain from the departments, an employee or organisation
    // change from the employees; a refused change asks for nothing.
    QTest::newRow("department added")
        << addDept << quint8(0) << QList<quint8>{EntModifyDept, EntDeptList, EntEmpList}
        << int(EntAdd);
    QTest::newRow("department refused")
        << addDept << quint8(1) << QList<quint8>{EntModifyDept} << int(EntAdd);
    QTest::newRow("employee edited")
        << editEmp << quint8(0) << QList<quint8>{EntModifyEmp, EntEmpList} << int(EntEdit);
    QTest::newRow("employee refused")
        << editEmp << quint8(1) << QList<quint8>{EntModifyEmp} << int(EntEdit);
    QTest::newRow("organisation edited")
        << editOrg << quint8(0) << QList<quint8>{EntModifyOrg, EntEmpList} << int(EntEdit);
    QTest::newRow("organisation refused")
        << editOrg << quint8(1) << QList<quint8>{EntModifyOrg} << int(EntEdit);
}

void TestCoreEnterprise::refreshAfterChanges()
{
    QFETCH(CoreOp, op);
    QFETCH(quint8, result);
    QFETCH(QList<quint8>, subs);
    QFETCH(int, kind);

    signIn(RoleAdmin);
    m_fake.clearReceived();
    m_iChangeResult = result;
    // What the refresh brings: one more department with one employee.
    m_depts << deptEntry("40", QStringLiteral("法务部"), "4");
    m_emps << empEntry(2000004, "40", "13800000004", QStringLiteral("丁"), QString(), RoleEmployee);
    QSignalSpy deptAnswer(m_fx.core(), &Core::sig_modifyDeptInfo);
    QSignalSpy orgAnswer(m_fx.core(), &Core::sig_modifyOrgInfo);
    op(*m_fx.core());
    QTRY_COMPARE(enterpriseSubs(), subs);
    const bool bOrg = subs.first() == EntModifyOrg;
    QSignalSpy &answer = bOrg ? orgAnswer : deptAnswer;
    QTRY_COMPARE(answer.size(), 1);
    QCOMPARE(answer.first().at(bOrg ? 0 : 1).toBool(), result == 0);
    QCOMPARE(answer.first().at(bOrg ? 1 : 2).toInt(), kind);
    if (result == 0) {
        QTRY_COMPARE(storedEmployees(), 4);
        QTRY_COMPARE(m_fx.list("empinfoModel").size(), 4);
        if (subs.contains(EntDeptList))
            QTRY_COMPARE(m_fx.list("orginfoModel").size(), 4);
    } else {
        QTest::qWait(150);
        QCOMPARE(enterpriseSubs(), subs);
        QCOMPARE(storedEmployees(), 3);
    }
}

void TestCoreEnterprise::expandAndShrink_data()
{
    // Steps: "e:<index>:<number>" expands, "s:<number>" shrinks.
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("expanded");

    const QStringList tree{"市场部", "空部门", "研发部"};
    const QStringList rnd{"市场部", "空部门", "研发部", "白", "我"};
    QTest::newRow("last row") << QStringList{"e:2:10"} << rnd << QStringList{"10"};
    QTest::newRow("stale index") << QStringList{"e:0:10"} << rnd << QStringList{"10"};
    QTest::newRow("index out of range") << QStringList{"e:9:10"} << rnd << QStringList{"10"};
    QTest::newRow("negative index") << QStringList{"e:-1:10"} << rnd << QStringList{"10"};
    QTest::newRow("double expand") << QStringList{"e:2:10", "e:2:10"} << rnd << QStringList{"10"};
    QTest::newRow("empty number") << QStringList{"e:1:"} << tree << QStringList{};
    QTest::newRow("unknown number") << QStringList{"e:1:99"} << tree << QStringList{};
    QTest::newRow("department without employees")
        << QStringList{"e:1:30"} << tree << QStringList{"30"};
    QTest::newRow("two departments, the second index stale")
        << QStringList{"e:0:20", "e:2:10"}
        << QStringList{"市场部", "陈", "空部门", "研发部", "白", "我"} << QStringList{"20", "10"};
    QTest::newRow("shrink restores") << QStringList{"e:2:10", "s:10"} << tree << QStringList{};
    QTest::newRow("shrink one of two")
        << QStringList{"e:0:20", "e:3:10", "s:20"} << rnd << QStringList{"10"};
    QTest::newRow("shrink empty number") << QStringList{"e:2:10", "s:"} << rnd << QStringList{"10"};
    QTest::newRow("shrink what is not expanded") << QStringList{"s:10"} << tree << QStringList{};
}

void TestCoreEnterprise::expandAndShrink()
{
    QFETCH(QStringList, steps);
    QFETCH(QStringList, names);
    QFETCH(QStringList, expanded);

    signIn();
    const QList<QObject *> before = m_fx.list("orginfoModel");
    for (const QString &strStep : std::as_const(steps)) {
        const QStringList parts = strStep.split(u':');
        if (parts.first() == QLatin1String("e"))
            m_fx.core()->expandList(parts.at(1).toInt(), parts.at(2));
        else
            m_fx.core()->shrinkList(parts.at(1));
    }
    const QList<QObject *> after = m_fx.list("orginfoModel");
    QCOMPARE(column("orginfoModel", "strName"), names);
    QStringList expandedNow;
    for (QObject *pRow : after) {
        if (pRow->property("bExpand").toBool())
            expandedNow << pRow->property("strNo").toString();
    }
    QCOMPARE(expandedNow, expanded);
    // The departments are the rows they were: the views bound to them keep them.
    for (QObject *pRow : before)
        QVERIFY(after.contains(pRow));
    if (names == QStringList{"市场部", "空部门", "研发部"})
        QVERIFY(after == before);
    // Employee rows name their department.
    for (QObject *pRow : after) {
        if (!pRow->property("strZpid").toString().isEmpty())
            QVERIFY(!pRow->property("strPNo").toString().isEmpty());
    }
}

void TestCoreEnterprise::departmentNames()
{
    m_fx.signIn(QString::number(kMe), QStringLiteral("secret"));
    QSignalSpy names(m_fx.core(), &Core::sig_setDeptInfo);
    m_fx.core()->getDeptInfo();
    QCOMPARE(names.size(), 1);
    QCOMPARE(names.first().at(0).toStringList(), QStringList());
    QCOMPARE(names.first().at(1).toStringList(), QStringList());
    signInToOrganisation(RoleEmployee);
    m_fx.core()->getDeptInfo();
    QCOMPARE(names.size(), 2);
    QCOMPARE(names.last().at(0).toStringList(), (QStringList{"20", "30", "10"}));
    QCOMPARE(names.last().at(1).toStringList(), (QStringList{"市场部", "空部门", "研发部"}));
}

void TestCoreEnterprise::organisationList_data()
{
    QTest::addColumn<QByteArray>("entries");
    QTest::addColumn<int>("count");
    QTest::addColumn<QStringList>("ids");
    QTest::addColumn<QStringList>("names");

    const QByteArray arDup = orgEntry(20, QStringLiteral("甲"), "jia") +
                             orgEntry(3, QStringLiteral("乙"), "") +
                             orgEntry(20, QStringLiteral("丙"), "bing");
    // Ids sorted as text; the later name of an id wins.
    QTest::newRow("duplicate id") << arDup << 3 << QStringList{"20", "3"}
                                  << QStringList{"丙", "乙"};
    QTest::newRow("none") << QByteArray() << 0 << QStringList() << QStringList();
    // An entry cut short ends the list; the whole ones before it stand.
    const QByteArray arCut = orgEntry(5, QStringLiteral("丁"), "d") + orgEntry(6, "E", "eee");
    for (int iCut : {1, 3, 9, 12})
        QTest::addRow("cut %d bytes short", iCut)
            << arCut.left(arCut.size() - iCut) << 2 << QStringList{"5"} << QStringList{"丁"};
    QTest::newRow("count beyond the entries")
        << arDup << 9 << QStringList{"20", "3"} << QStringList{"丙", "乙"};
}

void TestCoreEnterprise::organisationList()
{
    QFETCH(QByteArray, entries);
    QFETCH(int, count);
    QFETCH(QStringList, ids);
    QFETCH(QStringList, names);
    QSignalSpy listed(m_fx.core(), &Core::sig_setOrgInfo);
    m_fx.core()->slot_onParseOrgInfo(entries, count);
    QCOMPARE(listed.size(), 1);
    QCOMPARE(listed.first().at(0).toStringList(), ids);
    QCOMPARE(listed.first().at(1).toStringList(), names);
}

void TestCoreEnterprise::anotherAccountSeesNoOldDirectory()
{
    signIn(RoleAdmin);
    m_fx.core()->getEmpList(QStringLiteral("10"));
    QCOMPARE(m_fx.list("empinfoModel").size(), 2);

    // Another account signs in on the same client without an enterprise sign-in.
    m_fx.core()->logout();
    m_fake.account().iZpid = kOther;
    m_fake.account().strLoginId = QString::number(kOther);
    m_fake.clearReceived();
    m_fx.signIn(QString::number(kOther), QStringLiteral("secret"));
    QCOMPARE(m_fx.core()->enterpriseRole(), int(RoleEmployee));
    QVERIFY(m_fx.list("orginfoModel").isEmpty());
    QVERIFY(m_fx.list("empinfoModel").isEmpty());
    m_fx.core()->getOrgList();
    m_fx.core()->getEmpList(QString());
    QVERIFY(m_fx.list("orginfoModel").isEmpty());
    QVERIFY(m_fx.list("empinfoModel").isEmpty());
    QCOMPARE(m_fx.core()->getEmpTel(), QString());
    // Nothing of the first account's organisation may be changed from here.
    m_fx.core()->modifyDeptInfo(kOrgText, "0", "30", "2", "空部门", EntDelete);
    QTest::qWait(150);
    QCOMPARE(enterpriseSubs(), QList<quint8>());

    // A session taken over without a sign-out forgets the organisation as well.
    m_fx.core()->slot_onLoginEnterprise(kOrg, QStringLiteral("示例公司"), QString(), true,
                                        RoleAdmin);
    QTRY_COMPARE(storedEmployees(), 3);
    QCOMPARE(m_fx.core()->enterpriseRole(), int(RoleAdmin));
    sessionState().iZpid = kMe;
    m_fx.core()->slot_onLoginState(LoginOk, QString::number(kMe), QString(), QString::number(kMe),
                                   kMyPhone);
    QCOMPARE(m_fx.core()->enterpriseRole(), int(RoleEmployee));
    QCOMPARE(storedEmployees(), 0);
    QVERIFY(m_fx.list("orginfoModel").isEmpty());
}

QTEST_MAIN(TestCoreEnterprise)
#include "tst_coreenterprise.moc"
