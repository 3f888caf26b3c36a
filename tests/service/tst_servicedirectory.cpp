// The enterprise directory of the service over loopback, as a scripted client sees it: the
// organisations, signing in to one with its password, its departments and employees in pages,
// an administrator's changes, an employee's own office phone, the organisation's password, and
// every change refused to whoever is not an administrator of that organisation.
#include <QtTest>

#include "cdirectorytable.h"
#include "cfieldreader.h"
#include "codes.h"
#include "cservicestore.h"
#include "fakepacket.h"
#include "serviceclient.h"
#include "servicefixture.h"

using namespace Codes;

namespace {

constexpr char kPassword[] = "demo1234";
constexpr quint32 kZhang = 1000001; // the demo organisation's administrator
constexpr quint32 kLi = 1000002;
constexpr quint32 kWang = 1000003;
constexpr quint32 kOrg = 3000001;

QByteArray request87(quint32 iZpid, quint8 iSub, const FakePacket &rest)
{
    return FakePacket(CmdEnterprise).u32(iZpid).u8(iSub).blob32(rest.bytes().mid(1)).bytes();
}

FakePacket body()
{
    return FakePacket(0);
}

QByteArray signIn3(quint32 iZpid, const QByteArray &arPassword, quint32 iOrg = kOrg)
{
    return request87(iZpid, EntLoginSubServer,
                     body().u32(iOrg).str8("13800138000").str8(arPassword).u32(0));
}

QByteArray dept4(quint32 iZpid, quint8 iKind, const QByteArray &arNo, const QByteArray &arName)
{
    return request87(iZpid, EntModifyDept,
                     body().u8(iKind).u32(kOrg).str8("").str8(arNo).str8(arName).blob32("9"));
}

struct Emp
{
    QByteArray arName = "新人";
    QByteArray arPost = "工程师";
    quint8 iRole = 1;
};

// An employee change 5; the Zpid field names the employee, the user id doubles as the phone.
QByteArray emp5(quint32 iNamed, quint8 iKind, const QByteArray &arDept, const QByteArray &arUserId,
                const QByteArray &arTel, const Emp &emp = {})
{
    return request87(iNamed, EntModifyEmp,
                     body()
                         .u8(iKind)
                         .u32(kOrg)
                         .str8(arDept)
                         .str8(arUserId)
                         .str8(emp.arName)
                         .str8(arUserId)
                         .str8(arTel)
                         .u8(0)
                         .str8(emp.arPost)
                         .u8(emp.iRole)
                         .blob32("5"));
}

// The result byte of a reply to one of the change kinds.
quint8 resultOf(const QByteArray &arReply)
{
    return arReply.size() > 6 ? quint8(arReply.at(6)) : 0xFF;
}

struct Page
{
    quint8 iResult = 0xFF;
    quint32 iTotal = 0;
    QStringList numbers; // department numbers or employee user ids
};

// One page of a department (6) or employee (7) list.
Page pageOf(const QByteArray &arReply)
{
    Page page;
    CFieldReader r(arReply, 6);
    page.iResult = r.u8();
    r.u32();
    r.u32();
    page.iTotal = r.u32();
    const quint8 iCount = r.u8();
    const bool bEmployees = arReply.size() > 5 && quint8(arReply.at(5)) == EntEmpList;
    for (int i = 0; i < iCount && r.ok(); ++i) {
        if (bEmployees) {
            r.u32();
            r.str8();
            page.numbers << r.str8Text();
            for (int k = 0; k < 4; ++k)
                r.str8();
            r.u8();
            r.blob32();
        } else {
            r.str8();
            page.numbers << r.str8Text();
            r.str8();
            r.blob32();
        }
    }
    if (!r.ok() || !r.atEnd())
        page.iResult = 0xFE;
    return page;
}

} // namespace

class TestServiceDirectory : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void organisationsAndSignIn();
    void listsNeedTheSignIn();
    void administratorChangesTheDirectory();
    void othersAreRefused_data();
    void othersAreRefused();
    void employeeChangesOnlyItsOwnPhone();
    void sixHundredEmployeesInThreePages();
    void passwordChangeTakesEffect();
    void aUserCreatesAnOrganisation();
    void cutRequestsChangeNothing_data();
    void cutRequestsChangeNothing();

private:
    std::unique_ptr<ServiceClient> signedIn(quint32 iZpid, bool bInOrg = true);
    QByteArray departmentsOf(ServiceClient &client, quint32 iZpid);
    std::unique_ptr<ServiceFixture> m_pFixture;
};

void TestServiceDirectory::init()
{
    m_pFixture = std::make_unique<ServiceFixture>();
    QVERIFY2(m_pFixture->start(), qPrintable(m_pFixture->error()));
}

void TestServiceDirectory::cleanup()
{
    m_pFixture.reset();
}

std::unique_ptr<ServiceClient> TestServiceDirectory::signedIn(quint32 iZpid, bool bInOrg)
{
    auto client = std::make_unique<ServiceClient>(m_pFixture->mainPort());
    if (!client->connectSub() || client->login(QString::number(iZpid), kPassword) != 0 ||
        !client->heartbeat())
        return nullptr;
    if (bInOrg && resultOf(client->requestTcp(signIn3(iZpid, kPassword))) != 0)
        return nullptr;
    return client;
}

QByteArray TestServiceDirectory::departmentsOf(ServiceClient &client, quint32 iZpid)
{
    return client.requestTcp(request87(iZpid, EntDeptList, body().u32(kOrg).u32(0)));
}

void TestServiceDirectory::organisationsAndSignIn()
{
    auto wang = signedIn(kWang, false);
    QVERIFY(wang);
    const QByteArray arList = wang->requestTcp(request87(kWang, EntOrgList, body()));
    CFieldReader r(arList, 5);
    QCOMPARE(r.u8(), quint8(EntOrgList));
    QCOMPARE(r.u8(), quint8(0));
    QCOMPARE(r.u8(), quint8(1));
    QCOMPARE(r.u32(), kOrg);
    r.u32();
    QCOMPARE(r.str8Text(), QStringLiteral("Zephon示例公司"));
    QCOMPARE(QString::fromUtf8(r.blob32()), QStringLiteral("Zephon示例"));
    QVERIFY(r.ok() && r.atEnd());

    QCOMPARE(resultOf(wang->requestTcp(signIn3(kWang, "wrong"))), quint8(2));
    QCOMPARE(resultOf(wang->requestTcp(signIn3(kWang, kPassword, 3999999))), quint8(1));
    const QByteArray arIn = wang->requestTcp(signIn3(kWang, kPassword));
    CFieldReader in(arIn, 6);
    QCOMPARE(in.u8(), quint8(0));
    QCOMPARE(in.u8(), quint8(RoleEmployee));
    QCOMPARE(in.u32(), kOrg);
    in.u32();
    QCOMPARE(in.str8Text(), QStringLiteral("Zephon示例公司"));

    auto zhang = signedIn(kZhang, false);
    QVERIFY(zhang);
    QCOMPARE(quint8(zhang->requestTcp(signIn3(kZhang, kPassword)).at(7)), quint8(RoleAdmin));
}

void TestServiceDirectory::listsNeedTheSignIn()
{
    auto wang = signedIn(kWang, false);
    QVERIFY(wang);
    QCOMPARE(pageOf(departmentsOf(*wang, kWang)).iResult, quint8(1));
    QCOMPARE(pageOf(departmentsOf(*wang, kWang)).iTotal, 0u);

    QCOMPARE(resultOf(wang->requestTcp(signIn3(kWang, kPassword))), quint8(0));
    const Page depts = pageOf(departmentsOf(*wang, kWang));
    QCOMPARE(depts.iResult, quint8(0));
    QCOMPARE(depts.numbers, (QStringList{"01", "02"}));
    const Page all =
        pageOf(wang->requestTcp(request87(kWang, EntEmpList, body().u32(kOrg).str8("0").u32(0))));
    QCOMPARE(all.iTotal, 4u);
    const Page product =
        pageOf(wang->requestTcp(request87(kWang, EntEmpList, body().u32(kOrg).str8("01").u32(0))));
    QCOMPARE(product.numbers, (QStringList{"13800138000", "13800138001"}));
}

void TestServiceDirectory::administratorChangesTheDirectory()
{
    auto zhang = signedIn(kZhang);
    QVERIFY(zhang);
    QCOMPARE(resultOf(zhang->requestTcp(dept4(kZhang, 0, "03", "市场部"))), quint8(0));
    QCOMPARE(resultOf(zhang->requestTcp(dept4(kZhang, 0, "03", "又一个"))), quint8(1));
    QCOMPARE(resultOf(zhang->requestTcp(emp5(0, 0, "03", "e9", "010-1"))), quint8(0));
    QCOMPARE(resultOf(zhang->requestTcp(emp5(0, 0, "99", "e10", "010-1"))), quint8(1));
    QCOMPARE(resultOf(zhang->requestTcp(emp5(0, 1, "03", "e9", "010-2"))), quint8(0));
    // A department with employees stays.
    QCOMPARE(resultOf(zhang->requestTcp(dept4(kZhang, 2, "03", ""))), quint8(1));
    QCOMPARE(resultOf(zhang->requestTcp(emp5(0, 2, "03", "e9", ""))), quint8(0));
    QCOMPARE(resultOf(zhang->requestTcp(dept4(kZhang, 2, "03", ""))), quint8(0));
    // The administrator neither removes nor demotes itself.
    QCOMPARE(resultOf(zhang->requestTcp(emp5(kZhang, 2, "01", "13800138000", ""))), quint8(1));
    QCOMPARE(resultOf(zhang->requestTcp(
                 emp5(kZhang, 1, "01", "13800138000", "010-9", {"张伟", "产品经理", 1}))),
             quint8(0));
    QCOMPARE(m_pFixture->service().store().directory().employee(kOrg, "13800138000")->iRole,
             int(RoleAdmin));
    QCOMPARE(pageOf(departmentsOf(*zhang, kZhang)).numbers, (QStringList{"01", "02"}));
    QCOMPARE(m_pFixture->service().counters().events(CServiceCounters::DirectoryRefused), 0u);
}

void TestServiceDirectory::othersAreRefused_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::newRow("add a department") << dept4(kLi, 0, "03", "李的部门");
    QTest::newRow("rename a department") << dept4(kLi, 1, "01", "改名");
    QTest::newRow("remove a department") << dept4(kLi, 2, "02", "");
    QTest::newRow("add an employee") << emp5(0, 0, "01", "e9", "010-1");
    QTest::newRow("promote itself")
        << emp5(kLi, 1, "01", "13800138001", "010-60000002", {"李娜", "设计师", 0});
    QTest::newRow("rename itself")
        << emp5(kLi, 1, "01", "13800138001", "010-60000002", {"李大娜", "设计师", 1});
    QTest::newRow("remove another") << emp5(kWang, 2, "02", "13800138002", "");
    QTest::newRow("rename the organisation") << request87(kLi, EntModifyOrg,
                                                          body()
                                                              .u32(kOrg)
                                                              .str8("李的公司")
                                                              .str8("李")
                                                              .u8(0)
                                                              .u8(0)
                                                              .u32(0)
                                                              .str8("")
                                                              .str8("")
                                                              .str8("")
                                                              .str8("")
                                                              .str8("")
                                                              .u32(0));
    QTest::newRow("departments as a list")
        << request87(kLi, EntModifyDeptList,
                     body().u8(0).u32(kOrg).u8(1).str8("").str8("05").str8("五部").blob32("5"));
    QTest::newRow("employees as a list") << request87(kLi, EntModifyEmpList,
                                                      body()
                                                          .u32(kOrg)
                                                          .u8(1)
                                                          .str8("01")
                                                          .str8("e7")
                                                          .str8("甲")
                                                          .str8("139")
                                                          .str8("")
                                                          .str8("")
                                                          .blob32(""));
}

void TestServiceDirectory::othersAreRefused()
{
    QFETCH(QByteArray, request);
    auto li = signedIn(kLi);
    QVERIFY(li);
    QCOMPARE(resultOf(li->requestTcp(request)), quint8(1));
    QCOMPARE(m_pFixture->service().counters().events(CServiceCounters::DirectoryRefused), 1u);
    CDirectoryTable &directory = m_pFixture->service().store().directory();
    QCOMPARE(directory.departments(kOrg).size(), 2);
    QCOMPARE(directory.employees(kOrg, QString()).size(), 4);
    QCOMPARE(directory.employee(kOrg, "13800138001")->iRole, int(RoleEmployee));
    QCOMPARE(directory.organisation(kOrg)->strName, QStringLiteral("Zephon示例公司"));
}

void TestServiceDirectory::employeeChangesOnlyItsOwnPhone()
{
    auto li = signedIn(kLi);
    QVERIFY(li);
    const Emp own{"李娜", "设计师", 1};
    QCOMPARE(resultOf(li->requestTcp(emp5(kLi, 1, "01", "13800138001", "010-8888", own))),
             quint8(0));
    CDirectoryTable &directory = m_pFixture->service().store().directory();
    QCOMPARE(directory.employee(kOrg, "13800138001")->strTel, QStringLiteral("010-8888"));
    QCOMPARE(resultOf(li->requestTcp(
                 emp5(kWang, 1, "02", "13800138002", "010-1", {"王芳", "测试工程师", 1}))),
             quint8(1));
    QCOMPARE(directory.employee(kOrg, "13800138002")->strTel, QStringLiteral("010-60000003"));

    // Listed without a post, the employee is shown the default one, which its client sends
    // back with its own phone; that is no change of post.
    CDirectoryTable::Employee noPost = *directory.employee(kOrg, "13800138001");
    noPost.strPost.clear();
    QVERIFY(directory.putEmployee(kOrg, noPost));
    QCOMPARE(resultOf(li->requestTcp(emp5(kLi, 1, "01", "13800138001", "010-7777",
                                          {"李娜", QByteArray(DEFAULT_POST_UTF8), 1}))),
             quint8(0));
    QCOMPARE(directory.employee(kOrg, "13800138001")->strTel, QStringLiteral("010-7777"));
    QCOMPARE(directory.employee(kOrg, "13800138001")->strPost, QString());
    QCOMPARE(
        resultOf(li->requestTcp(emp5(kLi, 1, "01", "13800138001", "010-6", {"李娜", "经理", 1}))),
        quint8(1));
}

void TestServiceDirectory::sixHundredEmployeesInThreePages()
{
    CServiceStore &store = m_pFixture->service().store();
    QVERIFY(store.transaction());
    for (int i = 0; i < 596; ++i) {
        CDirectoryTable::Employee emp;
        emp.strUserId = QStringLiteral("u%1").arg(i, 4, 10, QLatin1Char('0'));
        emp.strDeptNo = QStringLiteral("02");
        emp.strName = QStringLiteral("员工%1").arg(i);
        emp.strSortKey = emp.strUserId;
        QVERIFY(store.directory().putEmployee(kOrg, emp));
    }
    QVERIFY(store.commit());
    auto wang = signedIn(kWang);
    QVERIFY(wang);
    wang->sendTcp(request87(kWang, EntEmpList, body().u32(kOrg).str8("0").u32(0)));
    QStringList all;
    QList<int> counts;
    for (int i = 0; i < 3; ++i) {
        const Page page = pageOf(wang->takeTcp(CmdEnterprise, 5000));
        QCOMPARE(page.iResult, quint8(0));
        QCOMPARE(page.iTotal, 600u);
        counts << int(page.numbers.size());
        all << page.numbers;
    }
    QCOMPARE(counts, (QList<int>{255, 255, 90}));
    all.removeDuplicates();
    QCOMPARE(all.size(), 600);
    QVERIFY(wang->takeTcp(CmdEnterprise, 300).isEmpty());
}

void TestServiceDirectory::passwordChangeTakesEffect()
{
    const auto change = [](quint32 iZpid, const QByteArray &arPassword) {
        return request87(iZpid, EntChangePassword,
                         body().u32(kOrg).str8("13800138000").u8(1).u8(0).str8(arPassword));
    };
    auto li = signedIn(kLi);
    QVERIFY(li);
    QCOMPARE(li->requestTcp(change(kLi, "lisnew")), FakePacket(CmdEnterprise)
                                                        .u32(kLi)
                                                        .u8(EntChangePassword)
                                                        .u32(kOrg)
                                                        .str8("13800138000")
                                                        .u8(1)
                                                        .u8(1)
                                                        .bytes());
    auto zhang = signedIn(kZhang);
    QVERIFY(zhang);
    const QByteArray arDone = zhang->requestTcp(change(kZhang, "neu5678"), 10000);
    QCOMPARE(quint8(arDone.at(arDone.size() - 1)), quint8(0));
    QCOMPARE(quint8(arDone.at(arDone.size() - 2)), quint8(1)); // the sub-type, told back
    QCOMPARE(resultOf(li->requestTcp(signIn3(kLi, kPassword))), quint8(2));
    QCOMPARE(resultOf(li->requestTcp(signIn3(kLi, "neu5678"))), quint8(0));
    // Too long for its field: refused, the password stays.
    const QByteArray arLong = zhang->requestTcp(change(kZhang, QByteArray(65, 'x')));
    QCOMPARE(quint8(arLong.at(arLong.size() - 1)), quint8(1));
    QCOMPARE(resultOf(li->requestTcp(signIn3(kLi, "neu5678"))), quint8(0));
}

void TestServiceDirectory::aUserCreatesAnOrganisation()
{
    auto wang = signedIn(kWang, false);
    QVERIFY(wang);
    const QByteArray arCreated = wang->requestTcp(request87(kWang, EntModifyOrg,
                                                            body()
                                                                .u32(0)
                                                                .str8("王的公司")
                                                                .str8("王")
                                                                .u8(0)
                                                                .u8(0)
                                                                .u32(0)
                                                                .str8("wang1234")
                                                                .str8("")
                                                                .str8("")
                                                                .str8("")
                                                                .str8("")
                                                                .u32(0)),
                                                  10000);
    QCOMPARE(resultOf(arCreated), quint8(0));
    const quint32 iNew = quint32(FakePacket::u32At(arCreated, 7));
    QVERIFY(iNew > kOrg);
    // Its creator administers it at once and signs in to it with the password it chose.
    QCOMPARE(resultOf(wang->requestTcp(
                 request87(kWang, EntModifyDept,
                           body().u8(0).u32(iNew).str8("").str8("01").str8("总部").blob32("1")))),
             quint8(0));
    const QByteArray arIn = wang->requestTcp(signIn3(kWang, "wang1234", iNew));
    QCOMPARE(resultOf(arIn), quint8(0));
    QCOMPARE(quint8(arIn.at(7)), quint8(RoleAdmin));
}

void TestServiceDirectory::cutRequestsChangeNothing_data()
{
    QTest::addColumn<QByteArray>("whole");
    QTest::newRow("department") << dept4(kZhang, 0, "03", "市场部");
    QTest::newRow("employee") << emp5(0, 0, "01", "e9", "010-1");
}

void TestServiceDirectory::cutRequestsChangeNothing()
{
    QFETCH(QByteArray, whole);
    auto zhang = signedIn(kZhang);
    QVERIFY(zhang);
    // The rest's count is kept honest; only the rest itself is short of its fields.
    const QByteArray arRest = whole.mid(10);
    for (int iCut = 0; iCut < arRest.size(); ++iCut) {
        const QByteArray arCut =
            whole.left(6) + FakePacket(0).u32(quint32(iCut)).bytes().mid(1) + arRest.left(iCut);
        QCOMPARE(resultOf(zhang->requestTcp(arCut)), quint8(1));
    }
    CDirectoryTable &directory = m_pFixture->service().store().directory();
    QCOMPARE(directory.departments(kOrg).size(), 2);
    QCOMPARE(directory.employees(kOrg, QString()).size(), 4);
}

QTEST_GUILESS_MAIN(TestServiceDirectory)
#include "tst_servicedirectory.moc"
