// The enterprise screens on the main screen, with the stand-in controller: the more tab's way
// into an organisation and out of it, the directory on the contact tab with the menus by role,
// departments and employees added, edited and deleted, the organisation created and maintained,
// and the enterprise passwords. What a viewer may not do is neither offered nor sent; forms
// with a missing field tell it and send nothing; a failed sign-in grants nothing.
#include "codes.h"
#include "screenfixture.h"

#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

using Row = QVariantMap;

namespace {

const QString kOrg = QStringLiteral("501");

Row deptRow(const Row &over = {})
{
    Row row{{"strNo", "7"},        {"strPNo", ""},   {"strPName", ""},   {"strZpid", "0"},
            {"strName", "研发部"}, {"strPhone", ""}, {"strTel", ""},     {"strPost", ""},
            {"iUserCount", 0},     {"iUserType", 1}, {"bExpand", false}, {"strSNo", "1"},
            {"strPSNo", ""}};
    row.insert(over);
    return row;
}

Row empRow(const Row &over = {})
{
    Row row{{"strNo", "e12"},       {"strPNo", "7"},       {"strPName", "研发部"},
            {"strZpid", "1000002"}, {"strName", "李四"},   {"strPhone", "13800000002"},
            {"strTel", "010-1234"}, {"strPost", "工程师"}, {"iUserCount", 0},
            {"iUserType", 1},       {"bExpand", false},    {"strSNo", "3"},
            {"strPSNo", "1"}};
    row.insert(over);
    return row;
}

QObject *tabs(ScreenFixture &sf)
{
    return sf.main->findChild<QObject *>("tabs");
}

bool shown(QObject *parent, const QString &name)
{
    auto *item = child<QQuickItem>(parent, name);
    return item && item->isVisible();
}

void signInAs(ScreenFixture &sf, int role)
{
    QMetaObject::invokeMethod(sf.background, "enterEnterprise", Q_ARG(QVariant, kOrg),
                              Q_ARG(QVariant, "示例公司"), Q_ARG(QVariant, "示例"),
                              Q_ARG(QVariant, role));
}

// The main screen with an organisation signed in as `role`, showing its directory.
bool directoryShown(ScreenFixture &sf, int role, const QList<Row> &rows = {deptRow()})
{
    sf.publish("orginfoModel", rows);
    if (!sf.showMain())
        return false;
    signInAs(sf, role);
    sf.background->setProperty("bContactChecked", false);
    tabs(sf)->setProperty("current", 1);
    return true;
}

// A screen opened over a tab as the main screen opens it, with `extra` properties.
QQuickItem *openOver(ScreenFixture &sf, int tab, const char *page, const QString &file,
                     const QVariantMap &extra = {})
{
    tabs(sf)->setProperty("current", tab);
    QMetaObject::invokeMethod(sf.main, "openWith",
                              Q_ARG(QVariant, QVariant::fromValue(child(sf.main, page))),
                              Q_ARG(QVariant, file), Q_ARG(QVariant, extra));
    return sf.tabScreen(tab);
}

QQuickItem *stackScreen(QQuickItem *screen)
{
    return ScreenFixture::loaded(screen ? screen->property("stack").value<QObject *>() : nullptr);
}

QStringList callsNamed(const StandInCore &core, const QString &name)
{
    QStringList found;
    for (const QString &call : core.calls)
        if (call.startsWith(name + QLatin1Char('(')))
            found << call;
    return found;
}

void setInput(QObject *screen, const char *name, const QString &text)
{
    QObject *field = child(screen, QString::fromLatin1(name));
    QVERIFY2(field, name);
    field->setProperty("text", text);
}

} // namespace

class TestEnterpriseScreens : public QObject
{
    Q_OBJECT

private slots:
    void screensLoadWithoutWarnings_data();
    void screensLoadWithoutWarnings();
    void moreTabSignsIn_data();
    void moreTabSignsIn();
    void signOutAsksAndResetsTheRoot();
    void directoryMenuByRole_data();
    void directoryMenuByRole();
    void departmentWithEmployeesIsNotDeleted();
    void departmentsAddedAndEdited();
    void employeeFormRefusesMissingFields_data();
    void employeeFormRefusesMissingFields();
    void employeeEditedAndCompleted();
    void employeeManagementByRole_data();
    void employeeManagementByRole();
    void organisationCreated_data();
    void organisationCreated();
    void organisationMaintained_data();
    void organisationMaintained();
    void enterprisePasswordChange();
    void changesAnswered_data();
    void changesAnswered();
};

void TestEnterpriseScreens::screensLoadWithoutWarnings_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QVariantMap>("extra");
    QTest::newRow("create") << "CreateEnterpriseContactInterface.qml"
                            << QVariantMap{{"iKind", Codes::EntAdd}};
    QTest::newRow("maintain") << "CreateEnterpriseContactInterface.qml"
                              << QVariantMap{{"iKind", Codes::EntEdit}};
    QTest::newRow("add employee") << "AddEmpInterface.qml" << QVariantMap{{"iKind", Codes::EntAdd}};
    QTest::newRow("employees") << "EmpManageInterface.qml" << QVariantMap{};
    QTest::newRow("enterprise password")
        << "ChangePasswordInterface.qml"
        << QVariantMap{{"iPasswordType", Codes::PasswordEnterpriseFirst}};
}

void TestEnterpriseScreens::screensLoadWithoutWarnings()
{
    QFETCH(QString, file);
    QFETCH(QVariantMap, extra);
    QTest::failOnWarning(QRegularExpression(QStringLiteral(".*")));
    ScreenFixture sf;
    sf.publish("empinfoModel", {empRow()});
    QVERIFY(directoryShown(sf, Codes::RoleAdmin, {deptRow(), empRow()}));
    QVERIFY(openOver(sf, 4, "morePage", file, extra));
    QTest::qWait(50);
}

void TestEnterpriseScreens::moreTabSignsIn_data()
{
    QTest::addColumn<int>("answeredRole");
    QTest::addColumn<int>("role");
    QTest::newRow("administrator") << int(Codes::RoleAdmin) << int(Codes::RoleAdmin);
    QTest::newRow("employee") << int(Codes::RoleEmployee) << int(Codes::RoleEmployee);
    QTest::newRow("unknown role is a viewer's") << 7 << int(Codes::RoleEmployee);
}

void TestEnterpriseScreens::moreTabSignsIn()
{
    QFETCH(int, answeredRole);
    QFETCH(int, role);
    ScreenFixture sf;
    QVERIFY(sf.showMain());
    QCOMPARE(sf.background->property("iEnUserType").toInt(), int(Codes::RoleEmployee));
    tabs(sf)->setProperty("current", 4);
    QObject *header = child(sf.main, "moreHeader");
    QVERIFY(shown(header, "btnRight"));
    QCOMPARE(header->property("titleRight").toString(), QStringLiteral("登录企业"));
    QmlFixture::click(child<QQuickItem>(header, "btnRight"));
    QCOMPARE(sf.core.calls.last(), QStringLiteral("getOrgInfo()"));
    QObject *dialog = child(sf.main, "enterpriseDialog");
    QVERIFY(shown(sf.main, "enterpriseDialog"));

    // The list arrives; the first organisation comes with its remembered password.
    sf.core.enPassword = QStringLiteral("demo1234");
    emit sf.core.sig_setOrgInfo(QVariant(QStringList{kOrg, "502"}),
                                QVariant(QStringList{"示例公司", "别的公司"}));
    QCOMPARE(dialog->property("strOrgId").toString(), kOrg);
    QCOMPARE(dialog->property("input").toString(), QStringLiteral("demo1234"));
    QVERIFY(dialog->property("checked").toBool());

    // Without a password nothing is sent.
    dialog->setProperty("input", QString());
    sf.core.calls.clear();
    QmlFixture::click(child<QQuickItem>(dialog, "btnOk"));
    QCOMPARE(sf.alerts(), QStringList{"密码不能为空"});
    QVERIFY(sf.core.calls.isEmpty());

    dialog->setProperty("input", QStringLiteral("pw1"));
    QmlFixture::click(child<QQuickItem>(dialog, "btnOk"));
    QCOMPARE(sf.core.calls, (QStringList{"addEnAccount(501,pw1)", "loginEnterprise(501,pw1)"}));
    // A second press while the server is asked sends nothing more.
    QmlFixture::click(child<QQuickItem>(dialog, "btnOk"));
    QCOMPARE(sf.core.calls.size(), 2);

    // A refusal grants nothing and leaves the dialog for another try.
    emit sf.core.sig_loginenterprise("0", "", "", false, Codes::RoleAdmin);
    QCOMPARE(sf.alerts().last(), QStringLiteral("企业登录失败"));
    QVERIFY(!sf.background->property("loginenterprise").toBool());
    QCOMPARE(sf.background->property("iEnUserType").toInt(), int(Codes::RoleEmployee));
    QVERIFY(shown(sf.main, "enterpriseDialog"));

    // Not remembering forgets the saved password.
    dialog->setProperty("checked", false);
    sf.core.calls.clear();
    QmlFixture::click(child<QQuickItem>(dialog, "btnOk"));
    QCOMPARE(sf.core.calls, (QStringList{"addEnAccount(501,)", "loginEnterprise(501,pw1)"}));
    emit sf.core.sig_loginenterprise(kOrg, "示例公司", "示例", true, answeredRole);
    QVERIFY(!shown(sf.main, "enterpriseDialog"));
    QVERIFY(sf.background->property("loginenterprise").toBool());
    QCOMPARE(sf.background->property("strOrgId").toString(), kOrg);
    QCOMPARE(sf.background->property("strOrgName").toString(), QStringLiteral("示例公司"));
    QCOMPARE(sf.background->property("strOrgShortName").toString(), QStringLiteral("示例"));
    QCOMPARE(sf.background->property("iEnUserType").toInt(), role);
    QCOMPARE(header->property("titleRight").toString(), QStringLiteral("退出企业"));
    QCOMPARE(child(sf.main, "btnSecond")->property("label").toString(), QStringLiteral("示例"));
}

void TestEnterpriseScreens::signOutAsksAndResetsTheRoot()
{
    ScreenFixture sf;
    QVERIFY(directoryShown(sf, Codes::RoleAdmin));
    sf.background->setProperty("strDeptId", "7");
    sf.background->setProperty("displayTree", false);
    tabs(sf)->setProperty("current", 4);
    QObject *header = child(sf.main, "moreHeader");
    QObject *confirm = child(sf.main, "confirmDialog");
    QmlFixture::click(child<QQuickItem>(header, "btnRight"));
    QVERIFY(shown(sf.main, "confirmDialog"));
    QCOMPARE(confirm->property("message").toString(), QStringLiteral("确定要退出企业帐号？"));
    // Cancelled: still signed in, nothing sent.
    sf.core.calls.clear();
    QMetaObject::invokeMethod(confirm, "btnCancelClicked");
    QVERIFY(!shown(sf.main, "confirmDialog"));
    QVERIFY(sf.background->property("loginenterprise").toBool());
    QVERIFY(sf.core.calls.isEmpty());

    QmlFixture::click(child<QQuickItem>(header, "btnRight"));
    QMetaObject::invokeMethod(confirm, "btnOKClicked");
    QCOMPARE(sf.core.calls, QStringList{"logoutEnterprise()"});
    QVERIFY(!sf.background->property("loginenterprise").toBool());
    QCOMPARE(sf.background->property("iEnUserType").toInt(), int(Codes::RoleEmployee));
    QCOMPARE(sf.background->property("strOrgId").toString(), QString());
    QCOMPARE(sf.background->property("strOrgShortName").toString(), QString());
    QCOMPARE(sf.background->property("strDeptId").toString(), QString());
    QVERIFY(sf.background->property("displayTree").toBool());
    // The contact tab goes back to the personal address book.
    QVERIFY(sf.background->property("bContactChecked").toBool());
    QCOMPARE(header->property("titleRight").toString(), QStringLiteral("登录企业"));
    QVERIFY(!sf.main->property("bEnAdmin").toBool());
}

void TestEnterpriseScreens::directoryMenuByRole_data()
{
    QTest::addColumn<int>("role");
    QTest::newRow("viewer") << int(Codes::RoleEmployee);
    QTest::newRow("administrator") << int(Codes::RoleAdmin);
}

void TestEnterpriseScreens::directoryMenuByRole()
{
    QFETCH(int, role);
    const bool admin = role == Codes::RoleAdmin;
    ScreenFixture sf;
    // The rows' own role says the opposite: the signed-in user's role decides.
    const int rowRole = admin ? Codes::RoleEmployee : Codes::RoleAdmin;
    sf.publish("empinfoModel", {empRow({{"iUserType", rowRole}})});
    QVERIFY(directoryShown(sf, role,
                           {deptRow({{"iUserType", rowRole}}), empRow({{"iUserType", rowRole}})}));
    QVERIFY(shown(sf.main, "orgList"));
    QVERIFY(!shown(sf.main, "empList"));
    QObject *orgList = child(sf.main, "orgList");
    QTRY_VERIFY(ScreenFixture::rowItem(orgList, 1));
    QCOMPARE(child(ScreenFixture::rowItem(orgList, 0), "deptMenu")->property("enabled").toBool(),
             admin);
    QCOMPARE(child(ScreenFixture::rowItem(orgList, 1), "empMenu")->property("enabled").toBool(),
             admin);

    QVERIFY(shown(sf.main, "btnDirectoryMenu"));
    QmlFixture::click(child<QQuickItem>(sf.main, "btnDirectoryMenu"));
    QObject *menu = child(sf.main, "directoryMenu");
    QVERIFY(shown(sf.main, "directoryMenu"));
    QTRY_VERIFY(child(menu, "entry_2"));
    QCOMPARE(shown(menu, "entry_0"), admin);
    QCOMPARE(shown(menu, "entry_1"), admin);
    QVERIFY(shown(menu, "entry_2"));

    // What is not offered is not done either.
    sf.core.calls.clear();
    QMetaObject::invokeMethod(sf.main, "directoryMenuClicked", Q_ARG(QVariant, 1));
    QCOMPARE(shown(sf.main, "deptDialog"), admin);
    QMetaObject::invokeMethod(child(sf.main, "deptDialog"), "btnCancelClicked");
    QMetaObject::invokeMethod(sf.main, "directoryMenuClicked", Q_ARG(QVariant, 0));
    QCOMPARE(bool(sf.tabScreen(1)), admin);
    if (admin) {
        QCOMPARE(sf.tabScreen(1)->property("iKind").toInt(), int(Codes::EntAdd));
        QMetaObject::invokeMethod(sf.tabScreen(1), "closed");
    }
    QMetaObject::invokeMethod(ScreenFixture::rowItem(orgList, 0), "menu2Clicked",
                              Q_ARG(QString, ""), Q_ARG(QString, "7"), Q_ARG(QString, "研发部"),
                              Q_ARG(QString, "1"));
    QCOMPARE(shown(sf.main, "confirmDialog"), admin);
    QVERIFY(callsNamed(sf.core, "modifyDeptInfo").isEmpty());

    // Everyone switches between the tree and the list.
    sf.core.calls.clear();
    QMetaObject::invokeMethod(sf.main, "directoryMenuClicked", Q_ARG(QVariant, 2));
    QVERIFY(!shown(sf.main, "directoryMenu"));
    QVERIFY(!sf.background->property("displayTree").toBool());
    QCOMPARE(sf.core.calls, QStringList{"getEmpList()"});
    QVERIFY(shown(sf.main, "empList"));
    QVERIFY(!shown(sf.main, "orgList"));
    QObject *empList = child(sf.main, "empList");
    QTRY_VERIFY(ScreenFixture::rowItem(empList, 0));
    QCOMPARE(child(ScreenFixture::rowItem(empList, 0), "empMenu")->property("enabled").toBool(),
             admin);
    QMetaObject::invokeMethod(sf.main, "directoryMenuClicked", Q_ARG(QVariant, 2));
    QVERIFY(sf.background->property("displayTree").toBool());
}

void TestEnterpriseScreens::departmentWithEmployeesIsNotDeleted()
{
    ScreenFixture sf;
    QVERIFY(directoryShown(sf, Codes::RoleAdmin,
                           {deptRow({{"iUserCount", 3}}),
                            deptRow({{"strNo", "8"}, {"strName", "市场部"}, {"strSNo", "2"}})}));
    QObject *orgList = child(sf.main, "orgList");
    QTRY_VERIFY(ScreenFixture::rowItem(orgList, 1));
    sf.core.calls.clear();
    QMetaObject::invokeMethod(ScreenFixture::rowItem(orgList, 0), "menu2Clicked",
                              Q_ARG(QString, ""), Q_ARG(QString, "7"), Q_ARG(QString, "研发部"),
                              Q_ARG(QString, "1"));
    QCOMPARE(sf.alerts(), QStringList{"请删除部门下的员工后，再删除部门"});
    QVERIFY(!shown(sf.main, "confirmDialog"));
    QVERIFY(sf.core.calls.isEmpty());

    // An empty department goes once confirmed.
    QMetaObject::invokeMethod(ScreenFixture::rowItem(orgList, 1), "menu2Clicked",
                              Q_ARG(QString, ""), Q_ARG(QString, "8"), Q_ARG(QString, "市场部"),
                              Q_ARG(QString, "2"));
    QVERIFY(shown(sf.main, "confirmDialog"));
    QVERIFY(sf.core.calls.isEmpty());
    QMetaObject::invokeMethod(child(sf.main, "confirmDialog"), "btnOKClicked");
    QCOMPARE(sf.core.calls, QStringList{"modifyDeptInfo(501,,8,2,市场部,2)"});
}

void TestEnterpriseScreens::departmentsAddedAndEdited()
{
    ScreenFixture sf;
    QVERIFY(directoryShown(sf, Codes::RoleAdmin));
    QObject *dialog = child(sf.main, "deptDialog");
    sf.core.calls.clear();
    QMetaObject::invokeMethod(sf.main, "directoryMenuClicked", Q_ARG(QVariant, 1));
    QVERIFY(shown(sf.main, "deptDialog"));
    QVERIFY(dialog->property("input2Enabled").toBool());
    dialog->setProperty("input1", "  ");
    dialog->setProperty("input2", "9");
    QMetaObject::invokeMethod(dialog, "btnOKClicked");
    QCOMPARE(sf.alerts(), QStringList{"部门名称不能为空"});
    dialog->setProperty("input1", "财务部");
    dialog->setProperty("input2", "");
    QMetaObject::invokeMethod(dialog, "btnOKClicked");
    QCOMPARE(sf.alerts().last(), QStringLiteral("部门编号不能为空"));
    QVERIFY(sf.core.calls.isEmpty());
    QVERIFY(shown(sf.main, "deptDialog"));
    dialog->setProperty("input2", " 9 ");
    dialog->setProperty("input3", "3");
    QMetaObject::invokeMethod(dialog, "btnOKClicked");
    QVERIFY(!shown(sf.main, "deptDialog"));
    QCOMPARE(sf.core.calls, QStringList{"modifyDeptInfo(501,,9,3,财务部,0)"});

    // Editing keeps the department's number, which names it on the server.
    sf.core.calls.clear();
    QObject *orgList = child(sf.main, "orgList");
    QTRY_VERIFY(ScreenFixture::rowItem(orgList, 0));
    QMetaObject::invokeMethod(ScreenFixture::rowItem(orgList, 0), "menu1Clicked",
                              Q_ARG(QString, ""), Q_ARG(QString, "7"), Q_ARG(QString, "研发部"),
                              Q_ARG(QString, "1"));
    QVERIFY(shown(sf.main, "deptDialog"));
    QCOMPARE(dialog->property("input1").toString(), QStringLiteral("研发部"));
    QVERIFY(!dialog->property("input2Enabled").toBool());
    dialog->setProperty("input1", "研发中心");
    QMetaObject::invokeMethod(dialog, "btnOKClicked");
    QCOMPARE(sf.core.calls, QStringList{"modifyDeptInfo(501,,7,1,研发中心,1)"});

    // Managing a department's employees opens them.
    QMetaObject::invokeMethod(ScreenFixture::rowItem(orgList, 0), "menu3Clicked",
                              Q_ARG(QString, ""), Q_ARG(QString, "7"), Q_ARG(QString, "研发部"));
    QCOMPARE(sf.background->property("strDeptId").toString(), QStringLiteral("7"));
    QVERIFY(sf.tabScreen(1));
    QCOMPARE(sf.core.calls.last(), QStringLiteral("getEmpList(7)"));
}

void TestEnterpriseScreens::employeeFormRefusesMissingFields_data()
{
    // Name, employee number, sort number, mobile, phone, position; department chosen.
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<bool>("dept");
    QTest::addColumn<QString>("notice");
    const QStringList full{" 王五 ", "e20", "4", "13900000003", "010-5678", "测试"};
    auto without = [&](int i, const QString &text = QString()) {
        QStringList texts = full;
        texts[i] = text;
        return texts;
    };
    QTest::newRow("no name") << without(0, "  ") << true << "员工姓名不能为空";
    QTest::newRow("no number") << without(1) << true << "员工编号不能为空";
    QTest::newRow("no mobile") << without(3) << true << "手机号码不能为空";
    QTest::newRow("not a mobile") << without(3, "12345") << true << "号码格式不对";
    QTest::newRow("no department") << full << false << "请选择部门";
    QTest::newRow("complete") << full << true << "";
    QTest::newRow("only the required")
        << QStringList{"王五", "e20", "", "13900000003", "", ""} << true << "";
}

void TestEnterpriseScreens::employeeFormRefusesMissingFields()
{
    QFETCH(QStringList, texts);
    QFETCH(bool, dept);
    QFETCH(QString, notice);
    ScreenFixture sf;
    QVERIFY(directoryShown(sf, Codes::RoleAdmin));
    sf.core.calls.clear();
    QQuickItem *form =
        openOver(sf, 1, "contactPage", "AddEmpInterface.qml", {{"iKind", Codes::EntAdd}});
    QVERIFY(form);
    QTRY_COMPARE(sf.core.calls, QStringList{"getDeptInfo()"});
    emit sf.core.sig_setDeptInfo(QVariant(QStringList{"7", "8"}),
                                 QVariant(QStringList{"研发部", "市场部"}));
    QCOMPARE(child(form, "deptCombo")->property("items").toStringList(),
             (QStringList{"研发部", "市场部"}));
    if (dept)
        QMetaObject::invokeMethod(form, "chooseDept", Q_ARG(QVariant, 1));
    const char *fields[] = {"nameInput",   "noInput",  "sortInput",
                            "mobileInput", "telInput", "postInput"};
    for (int i = 0; i < 6; ++i)
        setInput(form, fields[i], texts.at(i));
    sf.core.calls.clear();
    QmlFixture::click(child<QQuickItem>(child(form, "titleBar"), "btnRight"));
    if (!notice.isEmpty()) {
        QCOMPARE(sf.alerts(), QStringList{notice});
        QVERIFY(sf.core.calls.isEmpty());
        QVERIFY(!form->property("waiting").toBool());
        return;
    }
    QVERIFY(sf.alerts().isEmpty());
    QCOMPARE(sf.core.calls, QStringList{QStringLiteral("modifyEmpInfo(0,501,8,e20,%1,王五,"
                                                       "13900000003,%2,%3,0)")
                                            .arg(texts.at(2), texts.at(4), texts.at(5))});
}

void TestEnterpriseScreens::employeeEditedAndCompleted()
{
    ScreenFixture sf;
    QVERIFY(directoryShown(sf, Codes::RoleAdmin, {deptRow(), empRow()}));
    QObject *orgList = child(sf.main, "orgList");
    QTRY_VERIFY(ScreenFixture::rowItem(orgList, 1));
    QMetaObject::invokeMethod(ScreenFixture::rowItem(orgList, 1), "menu4Clicked",
                              Q_ARG(QString, "7"), Q_ARG(QString, "e12"), Q_ARG(QString, "3"));
    QQuickItem *form = sf.tabScreen(1);
    QVERIFY(form);
    QCOMPARE(form->property("iKind").toInt(), int(Codes::EntEdit));
    QCOMPARE(child(form, "noInput")->property("readOnly").toBool(), true);
    QCOMPARE(child(form, "nameInput")->property("text").toString(), QStringLiteral("李四"));
    // The employee's department is chosen once the departments are listed.
    emit sf.core.sig_setDeptInfo(QVariant(QStringList{"8", "7"}),
                                 QVariant(QStringList{"市场部", "研发部"}));
    QCOMPARE(child(form, "deptCombo")->property("selectedItem").toString(),
             QStringLiteral("研发部"));
    setInput(form, "postInput", "主管");
    sf.core.calls.clear();
    QMetaObject::invokeMethod(form, "save");
    QCOMPARE(sf.core.calls,
             QStringList{"modifyEmpInfo(1000002,501,7,e12,3,李四,13800000002,010-1234,主管,1)"});
    // A refusal keeps the form; a success completes it.
    emit sf.core.sig_modifyDeptInfo("0", false, Codes::EntEdit);
    QVERIFY(sf.tabScreen(1));
    QCOMPARE(sf.alerts().last(), QStringLiteral("操作失败"));
    QMetaObject::invokeMethod(form, "save");
    emit sf.core.sig_modifyDeptInfo(kOrg, true, Codes::EntEdit);
    QTRY_VERIFY(!sf.tabScreen(1));
    QCOMPARE(sf.alerts().last(), QStringLiteral("保存成功"));

    // Deleting asks first and names the employee.
    sf.core.calls.clear();
    QMetaObject::invokeMethod(ScreenFixture::rowItem(orgList, 1), "menu5Clicked",
                              Q_ARG(QString, "7"), Q_ARG(QString, "e12"), Q_ARG(QString, "3"));
    QVERIFY(sf.core.calls.isEmpty());
    QMetaObject::invokeMethod(child(sf.main, "confirmDialog"), "btnOKClicked");
    QCOMPARE(sf.core.calls,
             QStringList{"modifyEmpInfo(1000002,501,7,e12,3,李四,13800000002,010-1234,工程师,2)"});
}

void TestEnterpriseScreens::employeeManagementByRole_data()
{
    QTest::addColumn<int>("role");
    QTest::newRow("viewer") << int(Codes::RoleEmployee);
    QTest::newRow("administrator") << int(Codes::RoleAdmin);
}

void TestEnterpriseScreens::employeeManagementByRole()
{
    QFETCH(int, role);
    const bool admin = role == Codes::RoleAdmin;
    ScreenFixture sf;
    sf.publish("empinfoModel", {empRow()});
    sf.publish("selectModel", {Row{{"strZpid", "1000003"},
                                   {"strName", "王五"},
                                   {"strPhone", "13900000003"},
                                   {"strSex", ""},
                                   {"iType", 2},
                                   {"bChecked", true}}});
    sf.core.empCards.insert("e12:7", "李四:男:工程师");
    QVERIFY(directoryShown(sf, role));
    sf.core.calls.clear();
    QMetaObject::invokeMethod(sf.main, "manageDept", Q_ARG(QVariant, "7"),
                              Q_ARG(QVariant, "研发部"));
    QQuickItem *screen = sf.tabScreen(1);
    QVERIFY(screen);
    QCOMPARE(sf.core.calls, QStringList{"getEmpList(7)"});
    QCOMPARE(child(screen, "titleBar")->property("title").toString(), QStringLiteral("研发部"));
    QCOMPARE(shown(child(screen, "titleBar"), "btnRight"), admin);
    QCOMPARE(shown(screen, "adminButtons"), admin);
    QObject *list = child(screen, "empList");
    QTRY_VERIFY(ScreenFixture::rowItem(list, 0));
    QQuickItem *row = ScreenFixture::rowItem(list, 0);
    QCOMPARE(child(row, "empMenu")->property("enabled").toBool(), admin);

    // Everyone sees the card.
    QMetaObject::invokeMethod(row, "userPicClicked");
    QCOMPARE(sf.core.calls.last(), QStringLiteral("getEmpCard(e12,7)"));
    QCOMPARE(sf.main->property("strCard").toString(), QStringLiteral("李四:男:工程师"));
    QVERIFY(stackScreen(screen));
    QMetaObject::invokeMethod(stackScreen(screen), "closed");
    QTRY_VERIFY(!stackScreen(screen));

    // The administrators' actions do nothing for a viewer even when asked for.
    sf.core.calls.clear();
    QMetaObject::invokeMethod(screen, "addFromContacts");
    QCOMPARE(bool(stackScreen(screen)), admin);
    if (!admin) {
        QMetaObject::invokeMethod(row, "menu2Clicked", Q_ARG(QString, "7"), Q_ARG(QString, "e12"));
        QVERIFY(!shown(screen, "confirmDialog"));
        QVERIFY(sf.core.calls.isEmpty());
        return;
    }
    QCOMPARE(sf.core.calls, QStringList{"getSelect(5,)"});
    QQuickItem *select = stackScreen(screen);
    QCOMPARE(select->property("mode").toString(), QStringLiteral("employee"));
    QMetaObject::invokeMethod(select, "confirm");
    QCOMPARE(sf.core.calls.last(), QStringLiteral("addEmpFromContact(501,7)"));
    QTRY_VERIFY(!stackScreen(screen));

    sf.core.calls.clear();
    QMetaObject::invokeMethod(row, "menu2Clicked", Q_ARG(QString, "7"), Q_ARG(QString, "e12"));
    QVERIFY(shown(screen, "confirmDialog"));
    QVERIFY(sf.core.calls.isEmpty());
    QMetaObject::invokeMethod(child(screen, "confirmDialog"), "btnOKClicked");
    QCOMPARE(sf.core.calls,
             QStringList{"modifyEmpInfo(1000002,501,7,e12,3,李四,13800000002,010-1234,工程师,2)"});
}

void TestEnterpriseScreens::organisationCreated_data()
{
    // Full name, short name, contact, fixed phone, mobile, administrator and employee passwords.
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QString>("notice");
    const QStringList full{"示例科技有限公司", "示例", "张三", "010-1",
                           "13800000001",      "adm",  "emp"};
    auto without = [&](int i, const QString &text = QString()) {
        QStringList texts = full;
        texts[i] = text;
        return texts;
    };
    QTest::newRow("no name") << without(0) << "企业全称不能为空";
    QTest::newRow("no short name") << without(1, " ") << "企业简称不能为空";
    QTest::newRow("no contact") << without(2) << "联系人不能为空";
    QTest::newRow("no administrator password") << without(5) << "管理员密码不能为空";
    QTest::newRow("no employee password") << without(6) << "员工默认密码不能为空";
    QTest::newRow("not a mobile") << without(4, "123") << "号码格式不对";
    QTest::newRow("complete") << full << "";
}

void TestEnterpriseScreens::organisationCreated()
{
    QFETCH(QStringList, texts);
    QFETCH(QString, notice);
    ScreenFixture sf;
    QVERIFY(sf.showMain());
    // A new organisation is made from the sign-in dialog.
    QMetaObject::invokeMethod(sf.main, "enterpriseButtonClicked");
    QMetaObject::invokeMethod(child(sf.main, "enterpriseDialog"), "createContact");
    QVERIFY(!shown(sf.main, "enterpriseDialog"));
    QQuickItem *screen = sf.tabScreen(4);
    QVERIFY(screen);
    QCOMPARE(screen->property("iKind").toInt(), int(Codes::EntAdd));
    QVERIFY(!shown(screen, "ownTelInput"));
    const char *fields[] = {"nameInput",   "shortNameInput",     "contactInput",    "telInput",
                            "mobileInput", "adminPasswordInput", "empPasswordInput"};
    for (int i = 0; i < 7; ++i)
        setInput(screen, fields[i], texts.at(i));
    sf.core.calls.clear();
    QMetaObject::invokeMethod(screen, "save");
    if (!notice.isEmpty()) {
        QCOMPARE(sf.alerts(), QStringList{notice});
        QVERIFY(sf.core.calls.isEmpty());
        return;
    }
    QCOMPARE(sf.core.calls, QStringList{"modifyOrgInfo(0|示例科技有限公司|示例|张三|010-1|"
                                        "13800000001|adm|emp,0)"});
    // The root keeps the fields for showing them again, not the passwords.
    const QStringList kept = sf.background->property("varOrgInfo").toStringList();
    QCOMPARE(kept.size(), 8);
    QVERIFY(!kept.contains("adm") && !kept.contains("emp"));
    emit sf.core.sig_modifyOrgInfo(false, Codes::EntAdd);
    QCOMPARE(sf.alerts(), QStringList{"保存失败"});
    QVERIFY(sf.tabScreen(4));
    QMetaObject::invokeMethod(screen, "save");
    emit sf.core.sig_modifyOrgInfo(true, Codes::EntAdd);
    QCOMPARE(sf.alerts().last(), QStringLiteral("企业通讯录已创建，请登录企业"));
    QTRY_VERIFY(!sf.tabScreen(4));
}

void TestEnterpriseScreens::organisationMaintained_data()
{
    QTest::addColumn<int>("role");
    QTest::newRow("viewer") << int(Codes::RoleEmployee);
    QTest::newRow("administrator") << int(Codes::RoleAdmin);
}

void TestEnterpriseScreens::organisationMaintained()
{
    QFETCH(int, role);
    const bool admin = role == Codes::RoleAdmin;
    ScreenFixture sf;
    sf.core.empTel = QStringLiteral("010-1111");
    QVERIFY(directoryShown(sf, role));
    tabs(sf)->setProperty("current", 4);
    // The more tab's entry is there while an organisation is signed in.
    QMetaObject::invokeMethod(sf.main, "moreClicked", Q_ARG(QVariant, 6));
    QQuickItem *screen = sf.tabScreen(4);
    QVERIFY(screen);
    QCOMPARE(screen->property("iKind").toInt(), int(Codes::EntEdit));
    QVERIFY(sf.core.calls.contains("getEmpTel()"));
    QCOMPARE(child(screen, "ownTelInput")->property("text").toString(), QStringLiteral("010-1111"));
    QCOMPARE(shown(screen, "nameInput"), admin);
    QVERIFY(!shown(screen, "adminPasswordInput"));
    setInput(screen, "ownTelInput", "010-2222");
    sf.core.calls.clear();
    if (!admin) {
        QMetaObject::invokeMethod(screen, "save");
        QCOMPARE(sf.core.calls, QStringList{"modifyEmpInfo(501,010-2222)"});
        emit sf.core.sig_modifyDeptInfo(kOrg, true, Codes::EntEdit);
        QTRY_VERIFY(!sf.tabScreen(4));
        return;
    }
    QCOMPARE(child(screen, "nameInput")->property("text").toString(), QStringLiteral("示例公司"));
    setInput(screen, "shortNameInput", "示例科技");
    setInput(screen, "contactInput", "张三");
    QMetaObject::invokeMethod(screen, "save");
    QCOMPARE(sf.core.calls, QStringList{"modifyOrgInfo(501|示例公司|示例科技|张三||||,1)"});
    // The organisation first, then the own office phone.
    sf.core.calls.clear();
    emit sf.core.sig_modifyOrgInfo(true, Codes::EntEdit);
    QCOMPARE(sf.background->property("strOrgShortName").toString(), QStringLiteral("示例科技"));
    QCOMPARE(sf.core.calls, QStringList{"modifyEmpInfo(501,010-2222)"});
    QVERIFY(sf.tabScreen(4));
    emit sf.core.sig_modifyDeptInfo(kOrg, true, Codes::EntEdit);
    QTRY_VERIFY(!sf.tabScreen(4));
}

void TestEnterpriseScreens::enterprisePasswordChange()
{
    ScreenFixture sf;
    sf.core.enPassword = QStringLiteral("old");
    QVERIFY(directoryShown(sf, Codes::RoleAdmin));
    QMetaObject::invokeMethod(sf.main, "manageDept", Q_ARG(QVariant, "7"),
                              Q_ARG(QVariant, "研发部"));
    QQuickItem *manage = sf.tabScreen(1);
    QVERIFY(manage);
    QmlFixture::click(child<QQuickItem>(manage, "btnChangePassword"));
    QQuickItem *screen = stackScreen(manage);
    QVERIFY(screen);
    QVERIFY(screen->property("bEnterprise").toBool());
    QVERIFY(!shown(screen, "oldInput"));
    QVERIFY(shown(screen, "kindCombo"));
    QSignalSpy asked(sf.background, SIGNAL(changePassword(int, int, QVariant)));

    setInput(screen, "newInput", "n1");
    setInput(screen, "confirmInput", "n2");
    QMetaObject::invokeMethod(screen, "submit");
    QCOMPARE(sf.alerts(), QStringList{"两次输入的新密码不一致"});
    QCOMPARE(asked.count(), 0);

    // The organisation's sign-in password: the remembered one follows.
    setInput(screen, "confirmInput", "n1");
    QMetaObject::invokeMethod(screen, "submit");
    QCOMPARE(asked.count(), 1);
    QCOMPARE(asked.at(0).at(0).toInt(), int(Codes::PasswordEnterpriseFirst));
    QCOMPARE(asked.at(0).at(1).toInt(), 0);
    QCOMPARE(asked.at(0).at(2).toStringList(), (QStringList{kOrg, "13800000000", "n1"}));
    // Another kind's answer is not this one's; a login password answer neither.
    emit sf.core.sig_changePassword(Codes::PasswordLogin, 0, Codes::ReplyOk);
    QVERIFY(screen->property("waiting").toBool());
    sf.core.calls.clear();
    emit sf.core.sig_changePassword(Codes::PasswordEnterpriseFirst, 0, Codes::ReplyOk);
    QCOMPARE(sf.alerts().last(), QStringLiteral("企业登录密码已修改"));
    QVERIFY(sf.core.calls.contains("addEnAccount(501,n1)"));
    QVERIFY(!sf.core.calls.contains("logout()"));
    QTRY_VERIFY(!stackScreen(manage));

    // The employees' default password, refused: the answer names it.
    QmlFixture::click(child<QQuickItem>(manage, "btnChangePassword"));
    screen = stackScreen(manage);
    QVERIFY(screen);
    QMetaObject::invokeMethod(screen, "chooseKind", Q_ARG(QVariant, 2));
    setInput(screen, "newInput", "e1");
    setInput(screen, "confirmInput", "e1");
    QMetaObject::invokeMethod(screen, "submit");
    QCOMPARE(asked.count(), 2);
    QCOMPARE(asked.at(1).at(0).toInt(), int(Codes::PasswordEnterpriseLast));
    sf.core.calls.clear();
    emit sf.core.sig_changePassword(Codes::PasswordEnterpriseLast, 0, 1);
    QCOMPARE(sf.alerts().last(), QStringLiteral("员工默认密码修改失败"));
    QVERIFY(sf.core.calls.isEmpty());
    QVERIFY(stackScreen(manage));
}

void TestEnterpriseScreens::changesAnswered_data()
{
    QTest::addColumn<bool>("flag");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("notice");
    QTest::newRow("refused") << false << int(Codes::EntAdd) << "操作失败";
    QTest::newRow("added") << true << int(Codes::EntAdd) << "保存成功";
    QTest::newRow("edited") << true << int(Codes::EntEdit) << "保存成功";
    QTest::newRow("deleted") << true << int(Codes::EntDelete) << "删除成功";
}

void TestEnterpriseScreens::changesAnswered()
{
    QFETCH(bool, flag);
    QFETCH(int, kind);
    QFETCH(QString, notice);
    ScreenFixture sf;
    QVERIFY(directoryShown(sf, Codes::RoleAdmin));
    emit sf.core.sig_modifyDeptInfo(flag ? kOrg : QStringLiteral("0"), flag, kind);
    QCOMPARE(sf.alerts(), QStringList{notice});
}

QTEST_MAIN(TestEnterpriseScreens)
#include "tst_enterprisescreens.moc"
