#include "screenfixture.h"

#include <QQmlComponent>
#include <QQmlContext>
#include <QTest>

namespace {

const QByteArray kRoot = R"(
import QtQuick
import Zephon.Codes
Item {
    property bool bContactChecked: true
    property bool loginenterprise: false
    property bool displayTree: true
    property string strOrgId: ""
    property string strOrgName: ""
    property string strOrgShortName: ""
    property int iEnUserType: Codes.RoleEmployee
    property var varOrgInfo
    property string strDeptId: ""
    property string strSelfZpid: "10000"
    property string strSelfName: "自己"
    property string strSelfPhone: "13800000000"
    property string strLoginPassword: ""
    property int currentSource: 1
    property var alerts: []
    property int loginShown: 0
    signal getContact(bool flag, string strKey)
    signal getNetContact
    signal searchContact(string strkey)
    signal sendMsg(string strMsg, string strZpid)
    signal getCircle
    signal sendCircleMsg(string strMsg, string strCircleId)
    signal modifyCircleInfo(int iType, string strCircleId, string strInfo)
    signal dismissCircle(string strCircleId)
    signal exitCircle(string strCircleId)
    signal applyCircle(string strCircleId, string strCircleName, int iCircleType, string strText, int iType)
    signal applyCircleReply(string strCircleId, string strZpid, int iReply, string strText)
    signal getUserState(string strPhone)
    signal getUserPhone(string strZpid)
    signal savePersonalCard(string strCard)
    signal changePassword(int iType, int iSubType, var strPassword)
    function showAlert(strText) { alerts = alerts.concat([strText]); }
    function showLogin() { loginShown = loginShown + 1; }
    function changeSkin() {}
    // As the window's root keeps the signed-in organisation (main.qml).
    function enterEnterprise(strId, strName, strShortName, iUserType) {
        strOrgId = strId; strOrgName = strName; strOrgShortName = strShortName;
        iEnUserType = iUserType; loginenterprise = true;
    }
    function resetEnterprise() {
        loginenterprise = false; strOrgId = ""; strOrgName = ""; strOrgShortName = "";
        iEnUserType = Codes.RoleEmployee; varOrgInfo = undefined; strDeptId = ""; displayTree = true;
    }
}
)";

} // namespace

ScreenFixture::ScreenFixture() : core(fx.core)
{
    // Every list the screens read exists, empty, as after Core's start.
    for (const char *name :
         {"contactModel", "searchcontactModel", "callrecordModel", "msgrecordModel", "circleModel",
          "messageModel", "cardsysmsgModel", "netcontactModel", "mayknowModel", "searchuserModel",
          "searchcircleModel", "selectModel", "masscontactModel", "orginfoModel", "empinfoModel",
          "faceModel", "circlememberModel", "circlesysmsgModel"})
        publish(QString::fromLatin1(name), {});
    publishText(QStringLiteral("personalcard"), QString());
    publishText(QStringLiteral("version"), QStringLiteral("9.8.7654"));
    fx.view()->rootContext()->setContextProperty(QStringLiteral("setting"), &setting);
    QQmlComponent component(fx.engine());
    component.setData(kRoot, QUrl(QStringLiteral("qrc:/test/Root.qml")));
    background = component.create(fx.view()->rootContext());
    if (!background)
        QTest::qFail(qPrintable(component.errorString()), __FILE__, __LINE__);
    else
        background->setParent(fx.view());
    resource = fx.create(QStringLiteral("Resource.qml"));
}

ScreenFixture::~ScreenFixture()
{
    delete main;
}

bool ScreenFixture::showMain()
{
    if (!background || !resource)
        return false;
    main = fx.show(QStringLiteral("MainInterface.qml"),
                   {{"background", QVariant::fromValue(background)},
                    {"resource", QVariant::fromValue(resource)}});
    if (!main)
        return false;
    // The root's loader gives the screen the inner window's size.
    main->setSize(QSizeF(280, 510));
    return true;
}

void ScreenFixture::publish(const QString &strName, const QList<QVariantMap> &rows)
{
    QList<QObject *> objects;
    for (const QVariantMap &values : rows) {
        auto row = std::make_unique<QQmlPropertyMap>();
        for (auto it = values.cbegin(); it != values.cend(); ++it)
            row->insert(it.key(), it.value());
        objects << row.get();
        m_rows.push_back(std::move(row));
    }
    fx.view()->rootContext()->setContextProperty(strName, QVariant::fromValue(objects));
}

void ScreenFixture::publishText(const QString &strName, const QString &strText)
{
    fx.view()->rootContext()->setContextProperty(strName, strText);
}

QQuickItem *ScreenFixture::loaded(QObject *loader)
{
    return loader ? loader->property("item").value<QQuickItem *>() : nullptr;
}

QQuickItem *ScreenFixture::rowItem(QObject *list, int index)
{
    QQuickItem *item = nullptr;
    if (list)
        QMetaObject::invokeMethod(list, "itemAtIndex", Q_RETURN_ARG(QQuickItem *, item),
                                  Q_ARG(int, index));
    return item;
}

QQuickItem *ScreenFixture::tabScreen(int index) const
{
    static const char *pages[] = {"callPage", "contactPage", "circlePage", "messagePage",
                                  "morePage"};
    QObject *page = child(main, QString::fromLatin1(pages[index]));
    return page ? loaded(page->property("loader").value<QObject *>()) : nullptr;
}

QStringList ScreenFixture::alerts() const
{
    return background ? background->property("alerts").toStringList() : QStringList();
}

QString ScreenFixture::textOf(QObject *parent, const QString &strName)
{
    QObject *found = child(parent, strName);
    return found ? found->property("text").toString() : QStringLiteral("<no %1>").arg(strName);
}
