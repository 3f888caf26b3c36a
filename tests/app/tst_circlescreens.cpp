// The circle screens on the main screen, with the stand-in controller: the circle tab, a new
// circle, the circle's facts and members, its conversation, its requests, searching and
// choosing people for a circle. Texts over the length rules are refused at the screen with
// the notice and send nothing; only the creator is offered changes, only outsiders applying;
// the root signals carry what the server needs; circle names stay text.
#include "screenfixture.h"

#include <QQmlContext>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>

using Row = QVariantMap;

namespace {

const QString kCircle = QStringLiteral("30001");
// The conversation-list row that stands for the circle requests.
const QVariantMap kRequestsRecord{{"iType", 6}, {"strZpid", "0"}};

Row circleRow(const Row &over = {})
{
    Row row{{"strId", kCircle},   {"strName", "读书会"},    {"iType", 1},
            {"iUserType", 1},     {"iUserCount", 3},        {"strProfile", "每周一本"},
            {"strZpid", "10000"}, {"strCreater", "自己:男"}};
    row.insert(over);
    return row;
}

Row memberRow(const Row &over = {})
{
    Row row{{"strId", "7"},      {"strZpid", "10002"},
            {"strName", "李四"}, {"strSex", ""},
            {"strPost", ""},     {"strCompany", "Acme"},
            {"strAddress", ""},  {"strPhone", "13800000002"},
            {"strTel", ""},      {"strEmail", ""},
            {"strNotes", ""},    {"strProfession", ""},
            {"strHomepage", ""}, {"strFax", ""},
            {"strAge", ""},      {"strNickname", ""},
            {"strLocation", ""}, {"iType", 3},
            {"bChecked", false}};
    row.insert(over);
    return row;
}

Row messageRow(const Row &over = {})
{
    Row row{{"strId", "1"},
            {"strCircleId", kCircle},
            {"strCircleName", "读书会"},
            {"strZpid", "10002"},
            {"strName", "李四"},
            {"strPhone", "138"},
            {"bRead", true},
            {"bSend", false},
            {"strCaption", ""},
            {"strContent", "hi"},
            {"strTime", "10:01"},
            {"iMsgId", 5},
            {"iMsgState", 1},
            {"iType", 7},
            {"iSubType", 1},
            {"bSeparator", false}};
    row.insert(over);
    return row;
}

QObject *tabs(ScreenFixture &sf)
{
    return sf.main->findChild<QObject *>("tabs");
}

// The circle tab shown, with `circle` as the current circle (the user's own circles are
// `own`), and `file` opened over it.
QQuickItem *openOnCircleTab(ScreenFixture &sf, const QString &file, const Row &circle = circleRow(),
                            const QList<Row> &own = {circleRow()})
{
    sf.publish("circleModel", own);
    if (!sf.main && !sf.showMain())
        return nullptr;
    tabs(sf)->setProperty("current", 2);
    QMetaObject::invokeMethod(sf.main, "selectCircle", Q_ARG(QVariant, circle));
    QMetaObject::invokeMethod(sf.main, "open",
                              Q_ARG(QVariant, QVariant::fromValue(child(sf.main, "circlePage"))),
                              Q_ARG(QVariant, file));
    return sf.tabScreen(2);
}

QQuickItem *stackScreen(QQuickItem *screen)
{
    return ScreenFixture::loaded(screen ? screen->property("stack").value<QObject *>() : nullptr);
}

bool shown(QObject *parent, const QString &name)
{
    auto *item = child<QQuickItem>(parent, name);
    return item && item->isVisible();
}

} // namespace

class TestCircleScreens : public QObject
{
    Q_OBJECT

private slots:
    void screensLoadWithoutWarnings_data();
    void screensLoadWithoutWarnings();
    void circleTab();
    void lengthRulesRefuseAtTheScreen_data();
    void lengthRulesRefuseAtTheScreen();
    void changesOfferedByRole_data();
    void changesOfferedByRole();
    void outsiderApplies();
    void infoChangeShownOnceTaken();
    void rootSignals_data();
    void rootSignals();
    void answeredLeaveClosesTheCircle_data();
    void answeredLeaveClosesTheCircle();
    void membersAddedEditedAndRemoved_data();
    void membersAddedEditedAndRemoved();
    void administratorsAreNotRemoved_data();
    void administratorsAreNotRemoved();
    void newCircleOpensItsMembers();
    void choosingPeopleForACircle_data();
    void choosingPeopleForACircle();
    void circleConversation();
    void requestsOpenPeopleAndCircles();
    void searchFindsCircles();
    void circleNamesStayText();
};

void TestCircleScreens::screensLoadWithoutWarnings_data()
{
    QTest::addColumn<QString>("file");
    for (const char *file :
         {"NewCircleInterface.qml", "CircleManagement.qml", "MemberInterface.qml",
          "CircleMessageInterface.qml", "CircleSysMsgInterface.qml"})
        QTest::newRow(file) << QString::fromLatin1(file);
}

void TestCircleScreens::screensLoadWithoutWarnings()
{
    QFETCH(QString, file);
    QTest::failOnWarning(QRegularExpression(QStringLiteral(".*")));
    ScreenFixture sf;
    sf.publish("messageModel", {messageRow()});
    sf.publish("circlememberModel", {memberRow(), memberRow({{"strId", "8"}, {"iType", 1}})});
    sf.publish("circlesysmsgModel", {messageRow({{"iType", 6}, {"iMsgState", 0}})});
    QQuickItem *screen = openOnCircleTab(sf, file);
    QVERIFY(screen);
    QCOMPARE(child(sf.main, "circlePage")
                 ->property("loader")
                 .value<QObject *>()
                 ->property("source")
                 .toUrl()
                 .fileName(),
             file);
    QTest::qWait(50);
}

void TestCircleScreens::circleTab()
{
    ScreenFixture sf;
    QVERIFY(sf.showMain());
    QSignalSpy asked(sf.background, SIGNAL(getCircle()));
    tabs(sf)->setProperty("current", 2);
    QCOMPARE(asked.count(), 1);
    QObject *page = child(sf.main, "circlePage");
    QCOMPARE(page->property("title").toString(), QStringLiteral("社交圈"));
    QCOMPARE(child(sf.main, "btnMayKnow")->property("label").toString(),
             QStringLiteral("可能认识"));
    QCOMPARE(child(sf.main, "btnSearch")->property("label").toString(), QStringLiteral("搜索"));
    // No circle yet: the way to make one.
    QVERIFY(shown(sf.main, "btnNewCircle"));
    QCOMPARE(child(sf.main, "btnNewCircle")->property("label").toString(),
             QStringLiteral("新建圈子"));

    sf.publish("circleModel", {circleRow(), circleRow({{"strId", "30002"},
                                                       {"strName", "跑步"},
                                                       {"iUserType", 3},
                                                       {"strZpid", "10005"},
                                                       {"iType", 0},
                                                       {"iUserCount", 12}})});
    QObject *list = child(sf.main, "circleList");
    QTRY_COMPARE(list->property("count").toInt(), 2);
    QVERIFY(!shown(sf.main, "btnNewCircle"));
    // Choosing a circle makes it the current one.
    QmlFixture::click(ScreenFixture::rowItem(list, 1));
    QCOMPARE(sf.main->property("strCircleId").toString(), QStringLiteral("30002"));
    QCOMPARE(sf.main->property("strCircleName").toString(), QStringLiteral("跑步"));
    QCOMPARE(sf.main->property("strCreateZpid").toString(), QStringLiteral("10005"));
    QCOMPARE(sf.main->property("strUserCount").toString(), QStringLiteral("12"));
    QCOMPARE(sf.main->property("iUserType").toInt(), 3);
    QCOMPARE(sf.main->property("iCircleType").toInt(), 0);
    // A double click opens its conversation, the picture its facts.
    QMetaObject::invokeMethod(ScreenFixture::rowItem(list, 0), "doubleClicked");
    QCOMPARE(sf.main->property("currentItem").toInt(), 2);
    QObject *loader = page->property("loader").value<QObject *>();
    QCOMPARE(loader->property("source").toUrl().fileName(),
             QStringLiteral("CircleMessageInterface.qml"));
    QCOMPARE(sf.main->property("strCircleId").toString(), kCircle);
    QMetaObject::invokeMethod(sf.tabScreen(2), "closed");
    QCOMPARE(sf.main->property("currentItem").toInt(), 0);
    QMetaObject::invokeMethod(ScreenFixture::rowItem(list, 1), "userPicClicked");
    QCOMPARE(loader->property("source").toUrl().fileName(), QStringLiteral("CircleManagement.qml"));
    QMetaObject::invokeMethod(sf.tabScreen(2), "closed");

    // The people the user may know are asked for before their screen opens.
    sf.core.calls.clear();
    QmlFixture::click(child<QQuickItem>(sf.main, "btnMayKnow"));
    QCOMPARE(sf.core.calls, QStringList{"getMayKnow()"});
    QCOMPARE(loader->property("source").toUrl().fileName(), QStringLiteral("MayKnowInterface.qml"));
    QMetaObject::invokeMethod(sf.tabScreen(2), "closed");
    QmlFixture::click(child<QQuickItem>(sf.main, "btnSearch"));
    QCOMPARE(loader->property("source").toUrl().fileName(), QStringLiteral("SearchInterface.qml"));
}

void TestCircleScreens::lengthRulesRefuseAtTheScreen_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("kind"); // 0 a new circle's name, else the info kind changed
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("notice"); // empty: accepted
    const QString nine = QStringLiteral("一二三四五六七八九");
    const QString thirtyOne = QString(31, QChar(0x4e66));
    QTest::newRow("new name of 9")
        << "NewCircleInterface.qml" << 0 << nine << "圈子名字仅限8个汉字";
    QTest::newRow("new name of 17 letters") << "NewCircleInterface.qml" << 0 << "abcdefghijklmnopq"
                                            << "圈子名字仅限8个汉字";
    QTest::newRow("new name empty") << "NewCircleInterface.qml" << 0 << "  "
                                    << "圈子名字不能为空";
    QTest::newRow("new name of 8") << "NewCircleInterface.qml" << 0 << nine.left(8) << "";
    QTest::newRow("new name of 16 letters") << "NewCircleInterface.qml" << 0 << "abcdefghijklmnop"
                                            << "";
    QTest::newRow("name of 9") << "CircleManagement.qml" << 1 << nine << "圈子名字仅限8个汉字";
    QTest::newRow("name empty") << "CircleManagement.qml" << 1 << ""
                                << "圈子名字不能为空";
    QTest::newRow("name of 8") << "CircleManagement.qml" << 1 << nine.left(8) << "";
    QTest::newRow("profile of 31")
        << "CircleManagement.qml" << 2 << thirtyOne << "圈子简介仅限30个汉字";
    QTest::newRow("profile of 30") << "CircleManagement.qml" << 2 << thirtyOne.left(30) << "";
    QTest::newRow("profile empty") << "CircleManagement.qml" << 2 << ""
                                   << "";
}

void TestCircleScreens::lengthRulesRefuseAtTheScreen()
{
    QFETCH(QString, file);
    QFETCH(int, kind);
    QFETCH(QString, text);
    QFETCH(QString, notice);
    ScreenFixture sf;
    QVERIFY(sf.showMain());
    QSignalSpy changed(sf.background, SIGNAL(modifyCircleInfo(int, QString, QString)));
    QQuickItem *screen = openOnCircleTab(sf, file);
    QVERIFY(screen);
    sf.core.calls.clear();
    if (kind == 0) {
        child(screen, "nameInput")->setProperty("text", text);
        QMetaObject::invokeMethod(screen, "create");
    } else {
        QMetaObject::invokeMethod(screen, "startEdit", Q_ARG(QVariant, kind));
        QVERIFY(shown(screen, "editPage"));
        QMetaObject::invokeMethod(screen, "saveInfo", Q_ARG(QVariant, kind), Q_ARG(QVariant, text));
    }
    if (notice.isEmpty()) {
        QVERIFY(sf.alerts().isEmpty());
        if (kind == 0) {
            QCOMPARE(sf.core.calls, QStringList{QStringLiteral("newCircle(%1,0)").arg(text)});
        } else {
            QCOMPARE(changed.count(), 1);
            QCOMPARE(changed.at(0), (QVariantList{kind, kCircle, text}));
            QVERIFY(!shown(screen, "editPage"));
        }
    } else {
        // Refused where it was typed, at once, with nothing sent and nothing left waiting.
        QCOMPARE(sf.alerts(), QStringList{notice});
        QVERIFY(sf.core.calls.isEmpty());
        QCOMPARE(changed.count(), 0);
        if (kind == 0)
            QVERIFY(!screen->property("waiting").toBool());
        else
            QVERIFY2(shown(screen, "editPage"), "the text stays for shortening");
    }
}

void TestCircleScreens::changesOfferedByRole_data()
{
    QTest::addColumn<int>("role");
    QTest::addColumn<bool>("member");
    QTest::addColumn<bool>("edit");
    QTest::addColumn<bool>("dismiss");
    QTest::addColumn<bool>("exit");
    QTest::addColumn<bool>("apply");
    QTest::newRow("creator") << 1 << true << true << true << false << false;
    QTest::newRow("administrator") << 2 << true << false << false << true << false;
    QTest::newRow("member") << 3 << true << false << false << true << false;
    QTest::newRow("outsider") << 3 << false << false << false << false << true;
}

void TestCircleScreens::changesOfferedByRole()
{
    QFETCH(int, role);
    QFETCH(bool, member);
    QFETCH(bool, edit);
    QFETCH(bool, dismiss);
    QFETCH(bool, exit);
    QFETCH(bool, apply);
    ScreenFixture sf;
    const Row circle = circleRow({{"iUserType", role}});
    QQuickItem *info = openOnCircleTab(sf, "CircleManagement.qml", circle,
                                       member ? QList<Row>{circle} : QList<Row>{});
    QVERIFY(info);
    QCOMPARE(child(info, "nameRow")->property("active").toBool(), edit);
    QCOMPARE(child(info, "profileRow")->property("active").toBool(), edit);
    QCOMPARE(shown(info, "btnDismiss"), dismiss);
    QCOMPARE(shown(info, "btnExit"), exit);
    QCOMPARE(shown(info, "btnApply"), apply);
    QCOMPARE(shown(info, "btnClearHistory"), member);
    // Asking for an edit that is not offered opens nothing either.
    QmlFixture::click(child<QQuickItem>(info, "nameRow"));
    QCOMPARE(shown(info, "editPage"), edit);

    // The member list offers changes to the creator alone.
    QMetaObject::invokeMethod(sf.tabScreen(2), "closed");
    QQuickItem *members = openOnCircleTab(sf, "MemberInterface.qml", circle);
    QVERIFY(members);
    QCOMPARE(shown(members, "creatorButtons"), edit);
    QCOMPARE(shown(child(members, "titleBar"), "btnRight"), edit);
    QVERIFY(sf.core.calls.contains(QStringLiteral("getCircleMember(%1)").arg(kCircle)));
}

void TestCircleScreens::outsiderApplies()
{
    ScreenFixture sf;
    const Row circle = circleRow({{"strId", "30002"}, {"iUserType", 3}, {"iType", 0}});
    QQuickItem *info = openOnCircleTab(sf, "CircleManagement.qml", circle);
    QVERIFY(info);
    QSignalSpy applied(sf.background, SIGNAL(applyCircle(QString, QString, int, QString, int)));
    QmlFixture::click(child<QQuickItem>(info, "btnApply"));
    QObject *dialog = child(info, "applyDialog");
    QVERIFY(shown(info, "applyDialog"));
    // A text that would not fit its field is refused here and kept for shortening; one of
    // 50 counted characters (100 letters) goes.
    dialog->setProperty("input1", QString(51, QChar(0x4e66)));
    QMetaObject::invokeMethod(dialog, "btnOKClicked");
    QCOMPARE(sf.alerts(), QStringList{"申请理由仅限50个汉字"});
    QCOMPARE(applied.count(), 0);
    QVERIFY(shown(info, "applyDialog"));
    dialog->setProperty("input1", QString(100, QLatin1Char('a')));
    QMetaObject::invokeMethod(dialog, "btnOKClicked");
    QCOMPARE(applied.count(), 1);
    QCOMPARE(applied.at(0).at(3).toString(), QString(100, QLatin1Char('a')));
    applied.clear();
    sf.core.calls.clear();
    QmlFixture::click(child<QQuickItem>(info, "btnApply"));
    dialog->setProperty("input1", " 我是张三 ");
    QMetaObject::invokeMethod(dialog, "btnOKClicked");
    QCOMPARE(applied.count(), 1);
    QCOMPARE(applied.at(0), (QVariantList{"30002", "读书会", 0, "我是张三", 0}));
    // Another screen's recommendation answer is not this application's.
    emit sf.core.sig_applyCircle(0, 4);
    QCOMPARE(sf.alerts().size(), 1);
    emit sf.core.sig_applyCircle(1, 0);
    QCOMPARE(sf.alerts().last(), QStringLiteral("操作失败"));
    emit sf.core.sig_applyCircle(0, 0);
    QCOMPARE(sf.alerts().size(), 2);
}

void TestCircleScreens::infoChangeShownOnceTaken()
{
    ScreenFixture sf;
    QQuickItem *info = openOnCircleTab(sf, "CircleManagement.qml");
    QVERIFY(info);
    QMetaObject::invokeMethod(info, "saveInfo", Q_ARG(QVariant, 1), Q_ARG(QVariant, " 新名字 "));
    // Nothing changes until the server has taken it, and another circle's answer is not it.
    QCOMPARE(sf.main->property("strCircleName").toString(), QStringLiteral("读书会"));
    emit sf.core.sig_modifyCircleInfo(1, 0, "30009");
    QCOMPARE(sf.main->property("strCircleName").toString(), QStringLiteral("读书会"));
    emit sf.core.sig_modifyCircleInfo(1, 1, kCircle);
    QCOMPARE(sf.main->property("strCircleName").toString(), QStringLiteral("读书会"));
    QCOMPARE(sf.alerts(), QStringList{"保存失败"});
    emit sf.core.sig_modifyCircleInfo(1, 0, kCircle);
    QCOMPARE(sf.main->property("strCircleName").toString(), QStringLiteral("新名字"));
    QCOMPARE(ScreenFixture::textOf(child(info, "nameRow"), "value"), QStringLiteral("新名字"));
    QMetaObject::invokeMethod(info, "saveInfo", Q_ARG(QVariant, 2), Q_ARG(QVariant, "读 书"));
    emit sf.core.sig_modifyCircleInfo(2, 0, kCircle);
    QCOMPARE(sf.main->property("strCircleProfile").toString(), QStringLiteral("读 书"));
    QCOMPARE(sf.alerts(), (QStringList{"保存失败", "保存成功", "保存成功"}));
}

void TestCircleScreens::rootSignals_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("role");
    QTest::addColumn<QByteArray>("signal");
    QTest::addColumn<QVariantList>("expected");
    QTest::newRow("creator dissolves")
        << "CircleManagement.qml" << 1 << QByteArray(SIGNAL(dismissCircle(QString)))
        << QVariantList{kCircle};
    QTest::newRow("member leaves")
        << "CircleManagement.qml" << 3 << QByteArray(SIGNAL(exitCircle(QString)))
        << QVariantList{kCircle};
    QTest::newRow("message to the circle")
        << "CircleMessageInterface.qml" << 3 << QByteArray(SIGNAL(sendCircleMsg(QString, QString)))
        << QVariantList{"大家好", kCircle};
    QTest::newRow("application agreed")
        << "CircleSysMsgInterface.qml" << 1
        << QByteArray(SIGNAL(applyCircleReply(QString, QString, int, QString)))
        << QVariantList{kCircle, "20001", 0, ""};
    QTest::newRow("application refused")
        << "CircleSysMsgInterface.qml" << 1
        << QByteArray(SIGNAL(applyCircleReply(QString, QString, int, QString)))
        << QVariantList{kCircle, "20001", 1, ""};
}

void TestCircleScreens::rootSignals()
{
    QFETCH(QString, file);
    QFETCH(int, role);
    QFETCH(QByteArray, signal);
    QFETCH(QVariantList, expected);
    ScreenFixture sf;
    sf.publish("circlesysmsgModel",
               {messageRow({{"strZpid", "20001"},
                            {"strName", "王五"},
                            {"strCaption", "申请加入\"<a href=circlename>读书会</a>\"圈子"},
                            {"iType", 6},
                            {"iMsgState", 0}})});
    const Row circle = circleRow({{"iUserType", role}});
    QQuickItem *screen = openOnCircleTab(sf, file, circle, {circle});
    QVERIFY(screen);
    QSignalSpy spy(sf.background, signal.constData());
    if (file == "CircleManagement.qml") {
        QmlFixture::click(child<QQuickItem>(screen, role == 1 ? "btnDismiss" : "btnExit"));
        QVERIFY(shown(screen, "confirmDialog"));
        QCOMPARE(spy.count(), 0);
        QMetaObject::invokeMethod(child(screen, "confirmDialog"), "btnOKClicked");
    } else if (file == "CircleMessageInterface.qml") {
        QObject *bar = child(screen, "bottomBar");
        bar->setProperty("text", "  ");
        QMetaObject::invokeMethod(bar, "send");
        QCOMPARE(spy.count(), 0);
        bar->setProperty("text", "大家好");
        QMetaObject::invokeMethod(bar, "send");
    } else {
        QObject *list = child(screen, "requestList");
        QTRY_VERIFY(ScreenFixture::rowItem(list, 0));
        QQuickItem *row = ScreenFixture::rowItem(list, 0);
        QmlFixture::click(
            child<QQuickItem>(row, expected.at(2).toInt() == 0 ? "btnAgree" : "btnRefuse"));
    }
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0), expected);
}

void TestCircleScreens::answeredLeaveClosesTheCircle_data()
{
    QTest::addColumn<bool>("dismiss");
    QTest::addColumn<QString>("notice");
    QTest::newRow("dissolved") << true << "圈子已解散";
    QTest::newRow("left") << false << "已退出圈子";
}

void TestCircleScreens::answeredLeaveClosesTheCircle()
{
    QFETCH(bool, dismiss);
    QFETCH(QString, notice);
    ScreenFixture sf;
    QQuickItem *chat = openOnCircleTab(sf, "CircleMessageInterface.qml");
    QVERIFY(chat);
    QMetaObject::invokeMethod(child(chat, "titleBar"), "btnRightClicked");
    QQuickItem *info = stackScreen(chat);
    QVERIFY(info);
    const auto answer = [&](bool flag, const QString &strCircleId) {
        if (dismiss)
            emit sf.core.sig_dismissCircle(flag, strCircleId);
        else
            emit sf.core.sig_exitCircle(flag, strCircleId);
    };
    // Another circle's answer, then a refusal: both screens stay.
    answer(true, "30009");
    answer(false, kCircle);
    QCOMPARE(sf.alerts(), QStringList{"操作失败"});
    QVERIFY(sf.tabScreen(2));
    QVERIFY(stackScreen(sf.tabScreen(2)));
    answer(true, kCircle);
    QCOMPARE(sf.alerts().last(), notice);
    QTRY_VERIFY(!sf.tabScreen(2));
    QCOMPARE(sf.main->property("currentItem").toInt(), 0);
}

void TestCircleScreens::membersAddedEditedAndRemoved_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QStringList>("texts"); // name, phone, company typed
    QTest::addColumn<QString>("call");      // empty: refused with `notice`
    QTest::addColumn<QString>("notice");
    QTest::newRow("add") << "add" << QStringList{" 王五 ", "13900000003", "某厂"}
                         << "modifyCircleMember(0,30001,,王五,13900000003,某厂)"
                         << "";
    QTest::newRow("add without a name") << "add" << QStringList{"", "13900000003", ""} << ""
                                        << "成员姓名不能为空";
    QTest::newRow("add with a bad phone") << "add" << QStringList{"王五", "12345", ""} << ""
                                          << "号码格式不对";
    QTest::newRow("edit name and company")
        << "edit" << QStringList{"李四四", "13800000002", "Beta"}
        << "modifyCircleMember(1,30001,7,李四四,13800000002,Beta)"
        << "";
    QTest::newRow("edit the phone") << "edit" << QStringList{"李四", "13800000009", "Acme"}
                                    << "modifyCircleMember(3,30001,7,李四,13800000009,Acme)"
                                    << "";
    QTest::newRow("remove") << "remove" << QStringList{} << "modifyCircleMember(2,30001,7,,,)"
                            << "";
}

void TestCircleScreens::membersAddedEditedAndRemoved()
{
    QFETCH(QString, action);
    QFETCH(QStringList, texts);
    QFETCH(QString, call);
    QFETCH(QString, notice);
    ScreenFixture sf;
    sf.publish("circlememberModel", {memberRow()});
    QQuickItem *members = openOnCircleTab(sf, "MemberInterface.qml");
    QVERIFY(members);
    QObject *list = child(members, "memberList");
    QTRY_VERIFY(ScreenFixture::rowItem(list, 0));
    QQuickItem *row = ScreenFixture::rowItem(list, 0);
    sf.core.calls.clear();
    if (action == "add")
        QMetaObject::invokeMethod(child(members, "titleBar"), "btnRightClicked");
    else
        QMetaObject::invokeMethod(row, action == "edit" ? "menu1Clicked" : "menu2Clicked");
    if (action == "remove") {
        QVERIFY(shown(members, "confirmDialog"));
        QVERIFY(sf.core.calls.isEmpty());
        QMetaObject::invokeMethod(child(members, "confirmDialog"), "btnOKClicked");
    } else {
        QObject *dialog = child(members, "editDialog");
        QVERIFY(shown(members, "editDialog"));
        if (action == "edit")
            QCOMPARE(dialog->property("input1").toString(), QStringLiteral("李四"));
        for (int i = 0; i < 3; ++i)
            dialog->setProperty(qPrintable(QStringLiteral("input%1").arg(i + 1)), texts.at(i));
        QMetaObject::invokeMethod(dialog, "btnOKClicked");
    }
    if (call.isEmpty()) {
        QVERIFY(sf.core.calls.isEmpty());
        QCOMPARE(sf.alerts(), QStringList{notice});
        QVERIFY2(shown(members, "editDialog"), "the typed texts stay for correcting");
        return;
    }
    QCOMPARE(sf.core.calls, QStringList{call});
    // The list is read again once the server took the change; a failure is said.
    sf.core.calls.clear();
    emit sf.core.sig_modifyCircleMember(0, 0, kCircle);
    QCOMPARE(sf.core.calls, QStringList{"getCircleMember(30001)"});
    emit sf.core.sig_modifyCircleMember(0, 1, kCircle);
    QCOMPARE(sf.alerts(), QStringList{"操作失败"});
}

void TestCircleScreens::administratorsAreNotRemoved_data()
{
    QTest::addColumn<int>("role");
    QTest::newRow("creator") << 1;
    QTest::newRow("administrator") << 2;
}

void TestCircleScreens::administratorsAreNotRemoved()
{
    QFETCH(int, role);
    ScreenFixture sf;
    sf.publish("circlememberModel", {memberRow({{"iType", role}})});
    QQuickItem *members = openOnCircleTab(sf, "MemberInterface.qml");
    QVERIFY(members);
    QObject *list = child(members, "memberList");
    QTRY_VERIFY(ScreenFixture::rowItem(list, 0));
    sf.core.calls.clear();
    QMetaObject::invokeMethod(ScreenFixture::rowItem(list, 0), "menu2Clicked");
    QCOMPARE(sf.alerts(), QStringList{"管理员不能被删除"});
    QVERIFY(!shown(members, "confirmDialog"));
    QVERIFY(sf.core.calls.isEmpty());
}

void TestCircleScreens::newCircleOpensItsMembers()
{
    ScreenFixture sf;
    QVERIFY(sf.showMain());
    QQuickItem *screen = openOnCircleTab(sf, "NewCircleInterface.qml", circleRow(), {});
    QVERIFY(screen);
    QmlFixture::click(child<QQuickItem>(screen, "type1"));
    child(screen, "nameInput")->setProperty("text", "跑团");
    QMetaObject::invokeMethod(screen, "create");
    QCOMPARE(sf.core.calls.filter("newCircle"), QStringList{"newCircle(跑团,1)"});
    // A second press while waiting sends nothing more.
    QMetaObject::invokeMethod(screen, "create");
    QCOMPARE(sf.core.calls.filter("newCircle").size(), 1);
    emit sf.core.sig_newCircle(1, "0");
    QCOMPARE(sf.alerts(), QStringList{"操作失败"});
    QVERIFY(!stackScreen(screen));

    QMetaObject::invokeMethod(screen, "create");
    emit sf.core.sig_newCircle(0, "30077");
    QCOMPARE(sf.alerts().last(), QStringLiteral("圈子创建成功"));
    QCOMPARE(sf.main->property("strCircleId").toString(), QStringLiteral("30077"));
    QCOMPARE(sf.main->property("strCircleName").toString(), QStringLiteral("跑团"));
    QCOMPARE(sf.main->property("iCircleType").toInt(), 1);
    QCOMPARE(sf.main->property("iUserType").toInt(), 1);
    QQuickItem *members = stackScreen(screen);
    QVERIFY(members);
    QVERIFY(sf.core.calls.contains("getCircleMember(30077)"));
    QVERIFY(shown(members, "creatorButtons"));
    // Leaving the members leaves the creation.
    QMetaObject::invokeMethod(members, "closed");
    QTRY_VERIFY(!sf.tabScreen(2));
}

void TestCircleScreens::choosingPeopleForACircle_data()
{
    QTest::addColumn<QString>("opener"); // the screen and its function
    QTest::addColumn<QString>("select"); // getSelect as called
    QTest::addColumn<QString>("call");   // after ticking rows 0 and 2
    QTest::newRow("members from contacts") << "MemberInterface.qml"
                                           << "getSelect(1,30001)"
                                           << "modifyCircleMember(4,30001,,,,)";
    QTest::newRow("recommend") << "CircleMessageInterface.qml"
                               << "getSelect(4,30001)"
                               << "recommendFromContact(30001,读书会,1)";
}

void TestCircleScreens::choosingPeopleForACircle()
{
    QFETCH(QString, opener);
    QFETCH(QString, select);
    QFETCH(QString, call);
    for (bool bTick : {false, true}) {
        ScreenFixture sf;
        sf.publish("selectModel",
                   {memberRow({{"strZpid", "20001"}}), memberRow({{"strZpid", "20002"}}),
                    memberRow({{"strZpid", "20003"}})});
        QQuickItem *screen = openOnCircleTab(sf, opener);
        QVERIFY(screen);
        sf.core.calls.clear();
        QMetaObject::invokeMethod(screen, opener == "MemberInterface.qml" ? "addFromContacts"
                                                                          : "recommend");
        QCOMPARE(sf.core.calls, QStringList{select});
        QQuickItem *chooser = stackScreen(screen);
        QVERIFY(chooser);
        QObject *list = child(chooser, "selectList");
        QTRY_VERIFY(ScreenFixture::rowItem(list, 2));
        if (bTick) {
            for (int i : {0, 2})
                QmlFixture::click(ScreenFixture::rowItem(list, i));
        }
        sf.core.calls.clear();
        QMetaObject::invokeMethod(chooser, "confirm");
        // Nobody ticked: nothing is asked of the server.
        QCOMPARE(sf.core.calls, bTick ? QStringList{call} : QStringList{});
        QVERIFY(!stackScreen(screen));
    }
}

void TestCircleScreens::circleConversation()
{
    ScreenFixture sf;
    sf.core.circleMemberCards.insert("10002:30001", "李四:男:经理:Acme");
    sf.publish("messageModel",
               {messageRow(), messageRow({{"strContent", "<a href=map>五四广场</a>"},
                                          {"strCaption", "五四广场:36.1:120.3"}})});
    QQuickItem *chat = openOnCircleTab(sf, "CircleMessageInterface.qml");
    QVERIFY(chat);
    QCOMPARE(sf.core.calls.filter("Message("),
             (QStringList{"getMessage(7,30001)", "updateMessage(7,30001)"}));
    QCOMPARE(ScreenFixture::textOf(child(chat, "titleBar"), "title"), QStringLiteral("读书会"));
    // Read again for this circle only.
    sf.core.calls.clear();
    emit sf.core.sig_updateMsgRecord(7, "10002", "30009");
    emit sf.core.sig_updateMsgRecord(2, "10002", kCircle);
    QVERIFY(sf.core.calls.isEmpty());
    emit sf.core.sig_updateMsgRecord(7, "10002", kCircle);
    QCOMPARE(sf.core.calls, (QStringList{"getMessage(7,30001)", "updateMessage(7,30001)"}));

    // A location row shows its place as the map link, as the one-to-one chat does.
    QObject *list = child(chat, "messageList");
    QTRY_VERIFY(ScreenFixture::rowItem(list, 1));
    QObject *content = child(ScreenFixture::rowItem(list, 1), "content");
    QCOMPARE(content->property("text").toString(), QStringLiteral("<a href=\"map\">五四广场</a>"));
    sf.core.calls.clear();
    QMetaObject::invokeMethod(content, "linkActivated", Q_ARG(QString, "map"));
    QCOMPARE(sf.core.calls.filter("openMap"), QStringList{"openMap(五四广场:36.1:120.3)"});
    // The same link in the plain text row opens nothing.
    QObject *text = child(ScreenFixture::rowItem(list, 0), "content");
    QMetaObject::invokeMethod(text, "linkActivated", Q_ARG(QString, "map"));
    QCOMPARE(sf.core.calls.filter("openMap").size(), 1);

    // The members are asked for when shown; a sender opens the card the circle holds.
    sf.core.calls.clear();
    QmlFixture::click(child<QQuickItem>(chat, "btnMembers"));
    QCOMPARE(sf.core.calls.filter("getCircleMember"), QStringList{"getCircleMember(30001)"});
    QVERIFY(shown(chat, "memberList"));
    QMetaObject::invokeMethod(ScreenFixture::rowItem(list, 0), "userPicClicked",
                              Q_ARG(QString, "10002"));
    QQuickItem *card = stackScreen(chat);
    QVERIFY(card);
    QCOMPARE(sf.main->property("strCard").toString(), QStringLiteral("李四:男:经理:Acme"));
    QMetaObject::invokeMethod(card, "closed");

    // The answer to a recommendation made from here.
    emit sf.core.sig_applyCircle(0, 4);
    QCOMPARE(sf.alerts().last(), QStringLiteral("推荐已发送"));
}

void TestCircleScreens::requestsOpenPeopleAndCircles()
{
    ScreenFixture sf;
    sf.core.circleCreators.insert("30002", "10005");
    sf.core.circleProfiles.insert("30002", "跑步的人");
    sf.core.circleMemberCounts.insert("30002", 0);
    sf.core.circleMemberCards.insert("10005:30002", "老周:男");
    sf.publish(
        "circlesysmsgModel",
        {messageRow({{"strCircleId", "30002"},
                     {"strCircleName", "跑步"},
                     {"strZpid", "20001"},
                     {"strName", "王五"},
                     {"strCaption",
                      "由\"<a href=name>王五</a>\"推荐加入\"<a href=circlename>跑步</a>\"圈子"},
                     {"iType", 6},
                     {"iSubType", 0},
                     {"iMsgState", 5}})});
    QVERIFY(sf.showMain());
    tabs(sf)->setProperty("current", 3);
    QMetaObject::invokeMethod(sf.main, "openRecord", Q_ARG(QVariant, kRequestsRecord));
    QQuickItem *requests = sf.tabScreen(3);
    QVERIFY(requests);
    QCOMPARE(sf.core.calls.filter("Message("),
             (QStringList{"getMessage(6,)", "updateMessage(6,)"}));
    // The server's word on an answer reads the list again; a refusal is said.
    sf.core.calls.clear();
    emit sf.core.sig_handleApply(0);
    QCOMPARE(sf.core.calls, (QStringList{"getMessage(6,)", "updateMessage(6,)"}));
    emit sf.core.sig_handleApply(1);
    QCOMPARE(sf.alerts(), QStringList{"操作失败"});

    QObject *list = child(requests, "requestList");
    QTRY_VERIFY(ScreenFixture::rowItem(list, 0));
    QObject *caption = child(ScreenFixture::rowItem(list, 0), "caption");
    // The circle of a request the user is not in is described from the store.
    QMetaObject::invokeMethod(caption, "linkActivated", Q_ARG(QString, "circlename"));
    QQuickItem *info = stackScreen(requests);
    QVERIFY(info);
    QCOMPARE(sf.main->property("strCircleId").toString(), QStringLiteral("30002"));
    QCOMPARE(sf.main->property("strCircleProfile").toString(), QStringLiteral("跑步的人"));
    QCOMPARE(sf.main->property("strCreateZpid").toString(), QStringLiteral("10005"));
    QCOMPARE(ScreenFixture::textOf(child(info, "creatorRow"), "value"), QStringLiteral("老周"));
    QCOMPARE(sf.main->property("iUserType").toInt(), 3);
    QVERIFY(shown(info, "btnApply"));
    QMetaObject::invokeMethod(info, "closed");
    // The person opens the card asked of the server.
    sf.core.calls.clear();
    QMetaObject::invokeMethod(caption, "linkActivated", Q_ARG(QString, "name"));
    QCOMPARE(sf.core.calls.filter("getStrangeCard"), QStringList{"getStrangeCard(20001)"});
    QVERIFY(stackScreen(requests));
    QCOMPARE(sf.main->property("strCardZpid").toString(), QStringLiteral("20001"));
}

void TestCircleScreens::searchFindsCircles()
{
    ScreenFixture sf;
    QQuickItem *search = openOnCircleTab(sf, "SearchInterface.qml");
    QVERIFY(search);
    child(search, "searchInput")->setProperty("text", " 读书 ");
    sf.core.calls.clear();
    QmlFixture::click(child<QQuickItem>(search, "btnFindCircle"));
    QCOMPARE(sf.core.calls, QStringList{"searchCircle(读书)"});
    QQuickItem *results = stackScreen(search);
    QVERIFY(results);
    sf.publish(
        "searchcircleModel",
        {circleRow(), circleRow({{"strId", "30002"}, {"iUserType", 3}, {"strCreater", ""}})});
    QObject *list = child(results, "circleList");
    QTRY_VERIFY(ScreenFixture::rowItem(list, 1));
    // A circle the user is in offers no application; one outside does.
    for (const auto &[iRow, bApply] : {std::pair{0, false}, std::pair{1, true}}) {
        QMetaObject::invokeMethod(ScreenFixture::rowItem(list, iRow), "doubleClicked");
        QQuickItem *info = stackScreen(results);
        QVERIFY(info);
        QCOMPARE(shown(info, "btnApply"), bApply);
        QCOMPARE(shown(info, "btnExit") || shown(info, "btnDismiss"), !bApply);
        QMetaObject::invokeMethod(info, "closed");
    }
    // Users by number.
    QMetaObject::invokeMethod(results, "closed");
    child(search, "searchInput")->setProperty("text", "1234567");
    sf.core.calls.clear();
    QmlFixture::click(child<QQuickItem>(search, "btnFindUser"));
    QCOMPARE(sf.core.calls, QStringList{"searchCircleUser(1234567)"});
}

void TestCircleScreens::circleNamesStayText()
{
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    const QString name =
        QStringLiteral("<b>书</b><img src=\"http://127.0.0.1:%1/x\">").arg(server.serverPort());
    ScreenFixture sf;
    const Row circle = circleRow({{"strName", name}, {"strProfile", name}});
    sf.publish("circlesysmsgModel",
               {messageRow({{"strCircleName", name},
                            {"strCaption", "申请加入\"<a href=circlename>" + name + "</a>\"圈子"},
                            {"iType", 6},
                            {"iMsgState", 0}})});
    QQuickItem *chat = openOnCircleTab(sf, "CircleMessageInterface.qml", circle, {circle});
    QVERIFY(chat);
    QObject *title = child(child(chat, "titleBar"), "title");
    QCOMPARE(title->property("text").toString(), name);
    QCOMPARE(title->property("textFormat").toInt(), int(Qt::PlainText));
    QMetaObject::invokeMethod(child(chat, "titleBar"), "btnRightClicked");
    QQuickItem *info = stackScreen(chat);
    QVERIFY(info);
    for (const char *row : {"nameRow", "profileRow"}) {
        QObject *value = child(child(info, row), "value");
        QCOMPARE(value->property("text").toString(), name);
        QCOMPARE(value->property("textFormat").toInt(), int(Qt::PlainText));
    }
    QObject *cell = child(ScreenFixture::rowItem(child(sf.main, "circleList"), 0), "name");
    QVERIFY(cell);
    QCOMPARE(cell->property("textFormat").toInt(), int(Qt::PlainText));

    // In a request the client's own link stays and the name inside it is escaped whole.
    QMetaObject::invokeMethod(sf.tabScreen(2), "closed");
    tabs(sf)->setProperty("current", 3);
    QMetaObject::invokeMethod(sf.main, "openRecord", Q_ARG(QVariant, kRequestsRecord));
    QObject *list = child(sf.tabScreen(3), "requestList");
    QTRY_VERIFY(ScreenFixture::rowItem(list, 0));
    const QString caption = ScreenFixture::textOf(ScreenFixture::rowItem(list, 0), "caption");
    QVERIFY2(
        caption.startsWith("申请加入\"<a href=\"circlename\">&lt;b&gt;书&lt;/b&gt;&lt;img src="),
        qPrintable(caption));
    QVERIFY(!caption.contains("<img"));
    QTest::qWait(300);
    QVERIFY(!server.hasPendingConnections());
    QVERIFY(!server.waitForNewConnection(100));
}

QTEST_MAIN(TestCircleScreens)
#include "tst_circlescreens.moc"
