// The enterprise directory with the real screens and the real Core, signed in to the real
// zephond on loopback with its demo organisation: the more tab's button signs the
// administrator in (a wrong password grants nothing), the contact tab shows the department
// tree, which opens into employees; a department and an employee added through the screens
// reach the service and come back in the tree; leaving the organisation resets the window's
// state. Another account signed in afterwards is a viewer: no editing menu, and none of the
// administrator's role.
#include <QJSValue>
#include <QQmlContext>
#include <QQuickItem>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include "codes.h"
#include "core.h"
#include "csessionstate.h"
#include "csetting.h"
#include "nativequickwidgets.h"
#include "qmlapplicationviewer.h"
#include "qmlcodes.h"
#include "qmlfixture.h"
#include "realscreens.h"
#include "screenfixture.h"
#include "zephondprocess.h"

namespace {

const QString kAdmin = QStringLiteral("1000001");
const QString kViewer = QStringLiteral("1000002");
const QString kPassword = QStringLiteral("demo1234");
const QString kOrgName = QStringLiteral("Zephon示例公司");
const QString kOrgPassword = QStringLiteral("demo1234");

// A list property of a screen (a script array) as text.
QStringList strings(QObject *pObject, const char *pName)
{
    const QVariant value = pObject->property(pName);
    return value.canConvert<QJSValue>() ? value.value<QJSValue>().toVariant().toStringList()
                                        : value.toStringList();
}

QString screenName(QObject *pScreen)
{
    return pScreen ? QString::fromLatin1(pScreen->metaObject()->className()) : QString();
}

} // namespace

class TestEnterpriseService : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void administratorChangesTheDirectory();
    void viewerHasNoEditingMenu();

private:
    QObject *root() const { return m_screens.view()->rootObject(); }
    QQuickItem *shown() const;
    int signIn(const QString &strAccount, const QString &strPassword);
    // Signs in to the demo organisation from the more tab; the answer's flag.
    bool signInEnterprise(const QString &strPassword);
    // Rows of the directory tree: "name" for departments, "- name" for employees.
    QStringList tree() const;

    QTemporaryDir m_dir;
    ZephondProcess m_service;
    RealScreens m_screens;
};

void TestEnterpriseService::initTestCase()
{
    registerNativeQuickWidgets();
    registerQmlCodes();
    QVERIFY(m_dir.isValid());
    QVERIFY2(m_service.start(m_dir.filePath(QStringLiteral("service")),
                             m_dir.filePath(QStringLiteral("packets.log"))),
             qPrintable(m_service.errorText()));
    QVERIFY(RealScreens::enterClientFolder(m_dir.filePath(QStringLiteral("client")),
                                           m_dir.filePath(QStringLiteral("xdg")),
                                           m_service.serverText()));
    m_screens.start();
    if (QTest::currentTestFailed())
        return;
    // A fresh window knows no organisation and grants no role.
    QVERIFY(!root()->property("loginenterprise").toBool());
    QCOMPARE(root()->property("iEnUserType").toInt(), int(Codes::RoleEmployee));
}

void TestEnterpriseService::cleanupTestCase()
{
    m_screens.stop();
    sessionState().reset();
    QDir::setCurrent(QDir::tempPath());
    if (m_service.isRunning())
        QCOMPARE(m_service.stop(), 0);
}

QQuickItem *TestEnterpriseService::shown() const
{
    QObject *pLoader = root()->property("screen").value<QObject *>();
    return pLoader ? pLoader->property("item").value<QQuickItem *>() : nullptr;
}

int TestEnterpriseService::signIn(const QString &strAccount, const QString &strPassword)
{
    QSignalSpy state(m_screens.core(), &Core::sig_loginState);
    m_screens.signIn(strAccount, strPassword);
    if (!state.wait(20000))
        return -100;
    const int iState = state.at(0).at(0).toInt();
    if (iState == Codes::LoginOk &&
        !QTest::qWaitFor([this] { return screenName(shown()).startsWith("MainInterface"); }, 10000))
        return -101;
    return iState;
}

bool TestEnterpriseService::signInEnterprise(const QString &strPassword)
{
    QQuickItem *pMain = shown();
    pMain->findChild<QObject *>(QStringLiteral("tabs"))->setProperty("current", 4);
    QObject *pHeader = child(pMain, QStringLiteral("moreHeader"));
    if (!pHeader || pHeader->property("titleRight").toString() != QStringLiteral("登录企业"))
        return false;
    QmlFixture::click(child<QQuickItem>(pHeader, QStringLiteral("btnRight")));
    QObject *pDialog = child(pMain, QStringLiteral("enterpriseDialog"));
    // The organisations come from the service.
    const auto names = [pDialog] { return strings(pDialog, "orgNames"); };
    if (!QTest::qWaitFor([&] { return names().contains(kOrgName); }, 10000))
        return false;
    QMetaObject::invokeMethod(pDialog, "chooseOrg", Q_ARG(QVariant, names().indexOf(kOrgName)));
    pDialog->setProperty("input", strPassword);
    QSignalSpy answered(m_screens.core(), &Core::sig_loginenterprise);
    QmlFixture::click(child<QQuickItem>(pDialog, QStringLiteral("btnOk")));
    if (!answered.wait(10000))
        return false;
    return answered.at(0).at(3).toBool();
}

QStringList TestEnterpriseService::tree() const
{
    QStringList rows;
    const auto objects = m_screens.view()
                             ->rootContext()
                             ->contextProperty(QStringLiteral("orginfoModel"))
                             .value<QList<QObject *>>();
    for (QObject *pRow : objects) {
        const bool bDept = pRow->property("strPNo").toString().isEmpty();
        rows << (bDept ? QString() : QStringLiteral("- ")) + pRow->property("strName").toString();
    }
    return rows;
}

void TestEnterpriseService::administratorChangesTheDirectory()
{
    QCOMPARE(signIn(kAdmin, kPassword), int(Codes::LoginOk));
    QQuickItem *pMain = shown();

    // A wrong password grants nothing.
    QVERIFY(!signInEnterprise(QStringLiteral("wrong")));
    QVERIFY(!root()->property("loginenterprise").toBool());
    QCOMPARE(root()->property("iEnUserType").toInt(), int(Codes::RoleEmployee));
    QMetaObject::invokeMethod(child(pMain, QStringLiteral("enterpriseDialog")), "btnCancelClicked");

    QVERIFY(signInEnterprise(kOrgPassword));
    QVERIFY(root()->property("loginenterprise").toBool());
    QCOMPARE(root()->property("iEnUserType").toInt(), int(Codes::RoleAdmin));
    QCOMPARE(root()->property("strOrgShortName").toString(), QStringLiteral("Zephon示例"));

    // The contact tab's second list is the directory tree, departments first, closed.
    pMain->findChild<QObject *>(QStringLiteral("tabs"))->setProperty("current", 1);
    QmlFixture::click(child<QQuickItem>(pMain, QStringLiteral("btnSecond")));
    QTRY_COMPARE_WITH_TIMEOUT(tree(), (QStringList{"产品部", "研发部"}), 10000);
    QObject *pList = child(pMain, QStringLiteral("orgList"));
    QTRY_VERIFY(ScreenFixture::rowItem(pList, 1));
    QmlFixture::click(ScreenFixture::rowItem(pList, 1));
    QTRY_COMPARE(tree(), (QStringList{"产品部", "研发部", "- 王芳", "- 刘洋"}));
    QTRY_VERIFY(ScreenFixture::rowItem(pList, 1));
    QmlFixture::click(ScreenFixture::rowItem(pList, 1));
    QTRY_COMPARE(tree(), (QStringList{"产品部", "研发部"}));

    // A department added from the directory's menu.
    QSignalSpy changed(m_screens.core(), &Core::sig_modifyDeptInfo);
    QMetaObject::invokeMethod(pMain, "directoryMenuClicked", Q_ARG(QVariant, 1));
    QObject *pDeptDialog = child(pMain, QStringLiteral("deptDialog"));
    pDeptDialog->setProperty("input1", QStringLiteral("市场部"));
    pDeptDialog->setProperty("input2", QStringLiteral("3"));
    pDeptDialog->setProperty("input3", QStringLiteral("3"));
    QMetaObject::invokeMethod(pDeptDialog, "btnOKClicked");
    QVERIFY(changed.wait(10000));
    QVERIFY(changed.at(0).at(1).toBool());
    QTRY_COMPARE_WITH_TIMEOUT(tree(), (QStringList{"产品部", "研发部", "市场部"}), 10000);

    // An employee added to it through the form.
    changed.clear();
    QMetaObject::invokeMethod(pMain, "directoryMenuClicked", Q_ARG(QVariant, 0));
    QObject *pPage = child(pMain, QStringLiteral("contactPage"));
    QQuickItem *pForm = ScreenFixture::loaded(pPage->property("loader").value<QObject *>());
    QVERIFY2(screenName(pForm).startsWith("AddEmpInterface"), qPrintable(screenName(pForm)));
    QTRY_VERIFY(strings(pForm, "deptNos").contains("3"));
    QMetaObject::invokeMethod(pForm, "chooseDept",
                              Q_ARG(QVariant, strings(pForm, "deptNos").indexOf("3")));
    child(pForm, QStringLiteral("nameInput"))->setProperty("text", QStringLiteral("赵六"));
    child(pForm, QStringLiteral("noInput"))->setProperty("text", QStringLiteral("13900000006"));
    child(pForm, QStringLiteral("mobileInput"))->setProperty("text", QStringLiteral("13900000006"));
    child(pForm, QStringLiteral("postInput"))->setProperty("text", QStringLiteral("市场专员"));
    QMetaObject::invokeMethod(pForm, "save");
    QVERIFY(changed.wait(10000));
    QVERIFY(changed.at(0).at(1).toBool());
    QTRY_VERIFY(!ScreenFixture::loaded(pPage->property("loader").value<QObject *>()));
    // The tree is read again once the employees are in: the new department counts one.
    const auto count = [this](int index) {
        const auto rows = m_screens.view()
                              ->rootContext()
                              ->contextProperty(QStringLiteral("orginfoModel"))
                              .value<QList<QObject *>>();
        return index < rows.size() ? rows.at(index)->property("iUserCount").toInt() : -1;
    };
    QTRY_COMPARE_WITH_TIMEOUT(count(2), 1, 10000);
    QTRY_VERIFY_WITH_TIMEOUT(ScreenFixture::rowItem(pList, 2), 10000);
    QmlFixture::click(ScreenFixture::rowItem(pList, 2));
    QTRY_COMPARE_WITH_TIMEOUT(tree(), (QStringList{"产品部", "研发部", "市场部", "- 赵六"}), 10000);

    // Leaving the organisation asks first and forgets it.
    pMain->findChild<QObject *>(QStringLiteral("tabs"))->setProperty("current", 4);
    QObject *pHeader = child(pMain, QStringLiteral("moreHeader"));
    QCOMPARE(pHeader->property("titleRight").toString(), QStringLiteral("退出企业"));
    QmlFixture::click(child<QQuickItem>(pHeader, QStringLiteral("btnRight")));
    QMetaObject::invokeMethod(child(pMain, QStringLiteral("confirmDialog")), "btnOKClicked");
    QVERIFY(!root()->property("loginenterprise").toBool());
    QCOMPARE(root()->property("iEnUserType").toInt(), int(Codes::RoleEmployee));
    QCOMPARE(root()->property("strOrgId").toString(), QString());
    QTRY_VERIFY(tree().isEmpty());
}

void TestEnterpriseService::viewerHasNoEditingMenu()
{
    // The administrator signs in to the organisation again, then signs out of the client.
    QVERIFY(signInEnterprise(kOrgPassword));
    QCOMPARE(root()->property("iEnUserType").toInt(), int(Codes::RoleAdmin));
    QMetaObject::invokeMethod(shown(), "signOut");
    QTRY_VERIFY(screenName(shown()).startsWith("LoginInterface"));
    QVERIFY(!root()->property("loginenterprise").toBool());
    QCOMPARE(root()->property("iEnUserType").toInt(), int(Codes::RoleEmployee));

    // The sockets of the last session close before the next sign-in.
    QTest::qWait(1000);
    QCOMPARE(signIn(kViewer, kPassword), int(Codes::LoginOk));
    QQuickItem *pMain = shown();
    QVERIFY(!pMain->property("bEnAdmin").toBool());
    QVERIFY(signInEnterprise(kOrgPassword));
    QCOMPARE(root()->property("iEnUserType").toInt(), int(Codes::RoleEmployee));
    QVERIFY(!pMain->property("bEnAdmin").toBool());

    // The viewer sees the tree with the administrator's changes, and only the display choice.
    pMain->findChild<QObject *>(QStringLiteral("tabs"))->setProperty("current", 1);
    QmlFixture::click(child<QQuickItem>(pMain, QStringLiteral("btnSecond")));
    QTRY_COMPARE_WITH_TIMEOUT(tree(), (QStringList{"产品部", "研发部", "市场部"}), 10000);
    QObject *pList = child(pMain, QStringLiteral("orgList"));
    QTRY_VERIFY(ScreenFixture::rowItem(pList, 0));
    QVERIFY(!child(ScreenFixture::rowItem(pList, 0), QStringLiteral("deptMenu"))
                 ->property("enabled")
                 .toBool());
    QmlFixture::click(child<QQuickItem>(pMain, QStringLiteral("btnDirectoryMenu")));
    QObject *pMenu = child(pMain, QStringLiteral("directoryMenu"));
    QTRY_VERIFY(child(pMenu, QStringLiteral("entry_2")));
    QVERIFY(!child<QQuickItem>(pMenu, QStringLiteral("entry_0"))->isVisible());
    QVERIFY(!child<QQuickItem>(pMenu, QStringLiteral("entry_1"))->isVisible());
    QVERIFY(child<QQuickItem>(pMenu, QStringLiteral("entry_2"))->isVisible());
}

QTEST_MAIN(TestEnterpriseService)
#include "tst_enterpriseservice.moc"
