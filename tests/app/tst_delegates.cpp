// Row delegates: each loads with a row object, shows its fields, offers its menu entries in
// order, escapes text from peers, and turns its buttons into the right calls and signals.
#include "declarativemenu.h"
#include "qmlfixture.h"

#include <QQmlContext>
#include <QQmlPropertyMap>
#include <QQuickItem>
#include <QSignalSpy>
#include <QTest>

using Row = QVariantMap;

namespace {

Row contactRow(const Row &over = {})
{
    Row row{
        {"strId", "1"},      {"strZpid", "10001"}, {"strName", "张三"}, {"strSex", ""},
        {"strPost", ""},     {"strCompany", ""},   {"strAddress", ""},  {"strPhone", "13800000001"},
        {"strTel", ""},      {"strEmail", ""},     {"strNotes", ""},    {"strProfession", ""},
        {"strHomepage", ""}, {"strFax", ""},       {"strAge", ""},      {"strNickname", ""},
        {"strLocation", ""}, {"iType", 2},         {"bChecked", false}};
    row.insert(over);
    return row;
}

Row messageRow(const Row &over = {})
{
    Row row{
        {"strId", "1"},      {"strCircleId", ""},  {"strCircleName", ""}, {"strZpid", "10001"},
        {"strName", "张三"}, {"strPhone", "138"},  {"bRead", true},       {"bSend", false},
        {"strCaption", ""},  {"strContent", "hi"}, {"strTime", "10:01"},  {"iMsgId", 5},
        {"iMsgState", 1},    {"iType", 2},         {"iSubType", 0},       {"bSeparator", false}};
    row.insert(over);
    return row;
}

Row callRow(const Row &over = {})
{
    Row row{{"strId", "1"},       {"strZpid", "10001"}, {"strName", "张三"}, {"strPhone", "138"},
            {"strTime", "09:30"}, {"iCallTime", 65},    {"iUnRead", 0},      {"iType", 0}};
    row.insert(over);
    return row;
}

Row msgRecordRow(const Row &over = {})
{
    Row row{{"strZpid", "10001"}, {"strName", "张三"}, {"strPhone", "138"}, {"strMsg", "你好"},
            {"strTime", "昨天"},  {"iUnRead", 2},      {"iType", 2},        {"iSubType", 0}};
    row.insert(over);
    return row;
}

Row circleRow(const Row &over = {})
{
    Row row{{"strId", "3001"},    {"strName", "读书会"}, {"iType", 1},
            {"iUserType", 0},     {"iUserCount", 12},    {"strProfile", "每周一本"},
            {"strZpid", "10001"}, {"strCreater", ""}};
    row.insert(over);
    return row;
}

Row orgRow(const Row &over = {})
{
    Row row{{"strNo", "7"},        {"strPNo", ""},   {"strPName", ""},   {"strZpid", "0"},
            {"strName", "研发部"}, {"strPhone", ""}, {"strTel", ""},     {"strPost", ""},
            {"iUserCount", 5},     {"iUserType", 0}, {"bExpand", false}, {"strSNo", "1"},
            {"strPSNo", ""}};
    row.insert(over);
    return row;
}

Row netContactRow(const Row &over = {})
{
    Row row{{"strId", "4"}, {"strName", "李四"}, {"strPhone", "139"}, {"strGroup", "同事"}};
    row.insert(over);
    return row;
}

} // namespace

class TestDelegates : public QObject
{
    Q_OBJECT

private slots:
    void showsRowFields_data();
    void showsRowFields();
    void menuEntriesInOrder_data();
    void menuEntriesInOrder();
    void peerTextIsEscaped_data();
    void peerTextIsEscaped();
    void orgMenusOnlyForAdministrators_data();
    void orgMenusOnlyForAdministrators();
    void orgRowsInAList();
    void requestRowsAnswer();
    void selectRowTicks();
    void presenceMarkFollowsNotices_data();
    void presenceMarkFollowsNotices();

private:
    QQmlPropertyMap *makeRow(const Row &values);
    QObject *load(QmlFixture &fx, const QString &delegate, QQmlPropertyMap *row);
    // Shared by the tables that name a delegate, its row, one of its texts and what it shows.
    static void addFieldColumns();
    void compareFieldText();
    std::vector<std::unique_ptr<QQmlPropertyMap>> m_rows;
};

QQmlPropertyMap *TestDelegates::makeRow(const Row &values)
{
    auto row = std::make_unique<QQmlPropertyMap>();
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        row->insert(it.key(), it.value());
    m_rows.push_back(std::move(row));
    return m_rows.back().get();
}

QObject *TestDelegates::load(QmlFixture &fx, const QString &delegate, QQmlPropertyMap *row)
{
    return fx.create("delegate/" + delegate + ".qml",
                     {{"modelData", QVariant::fromValue<QObject *>(row)}, {"index", 0}});
}

void TestDelegates::addFieldColumns()
{
    QTest::addColumn<QString>("delegate");
    QTest::addColumn<Row>("row");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("expected");
}

void TestDelegates::compareFieldText()
{
    QFETCH(QString, delegate);
    QFETCH(Row, row);
    QFETCH(QString, field);
    QFETCH(QString, expected);

    QmlFixture fx;
    QObject *item = load(fx, delegate, makeRow(row));
    QVERIFY(item);
    QObject *text = child(item, field);
    QVERIFY2(text, qPrintable(field));
    QCOMPARE(text->property("text").toString(), expected);
}

void TestDelegates::showsRowFields_data()
{
    addFieldColumns();
    QTest::newRow("contact name") << "ContactDelegate" << contactRow() << "name"
                                  << "张三";
    QTest::newRow("contact phone") << "ContactDelegate" << contactRow() << "phone"
                                   << "13800000001";
    QTest::newRow("search contact") << "SearchContactDelegate" << contactRow() << "phone"
                                    << "13800000001";
    QTest::newRow("net contact group") << "NetContactDelegate" << netContactRow() << "group"
                                       << "同事";
    QTest::newRow("call log without name")
        << "CallRecordDelegate" << callRow({{"strName", ""}}) << "name"
        << "138";
    QTest::newRow("call log time") << "CallRecordDelegate" << callRow() << "time"
                                   << "09:30";
    QTest::newRow("call duration") << "CallDelegate" << callRow() << "duration"
                                   << "00:01:05";
    QTest::newRow("call kind") << "CallDelegate" << callRow({{"iType", 2}}) << "kind"
                               << "\u2199 未接";
    QTest::newRow("conversation preview") << "MsgRecordDelegate" << msgRecordRow() << "message"
                                          << "你好";
    QTest::newRow("conversation time") << "MsgRecordDelegate" << msgRecordRow() << "time"
                                       << "昨天";
    QTest::newRow("message text") << "MessageDelegate" << messageRow() << "content"
                                  << "hi";
    QTest::newRow("message separator")
        << "MessageDelegate" << messageRow({{"bSeparator", true}}) << "separator"
        << "10:01";
    QTest::newRow("card message") << "MessageDelegate"
                                  << messageRow({{"iSubType", 1},
                                                 {"strCaption", "王五的名片"},
                                                 {"strContent", ":男::::13912345678"}})
                                  << "cardName"
                                  << "13912345678";
    QTest::newRow("circle message sender") << "CircleMessageDelegate" << messageRow() << "name"
                                           << "张三";
    QTest::newRow("card request caption")
        << "CardSysMsgDelegate" << messageRow({{"strCaption", "请求交换名片"}}) << "caption"
        << "请求交换名片";
    QTest::newRow("circle") << "CircleDelegate" << circleRow() << "count"
                            << "12人";
    QTest::newRow("circle profile") << "CircleDelegate" << circleRow() << "profile"
                                    << "每周一本";
    QTest::newRow("circle member") << "CircleMemberDelegate" << contactRow() << "detail"
                                   << "13800000001";
    QTest::newRow("may know") << "MayKnowDelegate"
                              << contactRow({{"strSex", "男"}, {"strAddress", "青岛"}}) << "detail"
                              << "男  青岛";
    QTest::newRow("user search") << "SearchUserDelegate" << contactRow({{"strPhone", ""}})
                                 << "detail"
                                 << "10001";
    QTest::newRow("circle search") << "SearchCircleDelegate" << circleRow() << "name"
                                   << "读书会 (3001)";
    QTest::newRow("circle creator")
        << "SearchCircleDelegate" << circleRow({{"strCreater", "赵六:男:公司"}}) << "creator"
        << "创建者: 赵六";
    QTest::newRow("selection") << "SelectDelegate" << contactRow() << "name"
                               << "张三";
    QTest::newRow("department") << "OrgInfoDelegate" << orgRow() << "name"
                                << "研发部 (5人)";
    QTest::newRow("employee") << "OrgInfoDelegate"
                              << orgRow({{"strPNo", "7"},
                                         {"strName", "钱七"},
                                         {"strPost", "工程师"},
                                         {"strPhone", "137"}})
                              << "detail"
                              << "工程师  137";
    QTest::newRow("employee list")
        << "EmpInfoDelegate" << orgRow({{"strPNo", "7"}, {"strPost", "经理"}, {"strPhone", ""}})
        << "detail"
        << "经理";
}

void TestDelegates::showsRowFields()
{
    compareFieldText();
}

void TestDelegates::menuEntriesInOrder_data()
{
    QTest::addColumn<QString>("delegate");
    QTest::addColumn<Row>("row");
    QTest::addColumn<QStringList>("texts");     // "-" marks a separator
    QTest::addColumn<QStringList>("signalsOf"); // signal each entry emits, in order

    QTest::newRow("call log") << "CallRecordDelegate" << callRow()
                              << QStringList{"通话详情", "拨打电话", "发送消息", "删除本条",
                                             "删除全部"}
                              << QStringList{"menu1Clicked()", "menu2Clicked()", "menu3Clicked()",
                                             "menu4Clicked()", "menu5Clicked()"};
    QTest::newRow("calls") << "CallDelegate" << callRow() << QStringList{"删除本条", "删除全部"}
                           << QStringList{"menu1Clicked()", "menu2Clicked()"};
    QTest::newRow("contact") << "ContactDelegate" << contactRow()
                             << QStringList{"名片", "-", "拨打电话", "发送消息"}
                             << QStringList{"menu1Clicked()", "", "menu2Clicked()",
                                            "menu3Clicked()"};
    QTest::newRow("own card") << "ContactDelegate" << contactRow({{"iType", 0}})
                              << QStringList{"个人名片", "-", "拨打电话", "发送消息"}
                              << QStringList{"menu1Clicked()", "", "menu2Clicked()",
                                             "menu3Clicked()"};
    QTest::newRow("net contact") << "NetContactDelegate" << netContactRow()
                                 << QStringList{"编辑成员", "删除成员"}
                                 << QStringList{"menu1Clicked()", "menu2Clicked()"};
    QTest::newRow("conversation") << "MsgRecordDelegate" << msgRecordRow()
                                  << QStringList{"删除本条", "删除全部"}
                                  << QStringList{"menu1Clicked()", "menu2Clicked()"};
    QTest::newRow("circle member")
        << "CircleMemberDelegate" << contactRow() << QStringList{"编辑成员", "删除成员"}
        << QStringList{"menu1Clicked()", "menu2Clicked()"};
    QTest::newRow("employee list")
        << "EmpInfoDelegate" << orgRow({{"strPNo", "7"}}) << QStringList{"编辑员工", "删除员工"}
        << QStringList{"menu1Clicked(QString,QString)", "menu2Clicked(QString,QString)"};
}

void TestDelegates::menuEntriesInOrder()
{
    QFETCH(QString, delegate);
    QFETCH(Row, row);
    QFETCH(QStringList, texts);
    QFETCH(QStringList, signalsOf);

    QmlFixture fx;
    QObject *item = load(fx, delegate, makeRow(row));
    QVERIFY(item);
    auto *menu = item->findChild<DeclarativeMenu *>();
    QVERIFY(menu);
    const QList<DeclarativeMenuAction *> &actions = menu->actionList();
    QCOMPARE(actions.size(), texts.size());
    for (int i = 0; i < actions.size(); ++i) {
        if (texts.at(i) == QLatin1String("-")) {
            QVERIFY(actions.at(i)->property("separator").toBool());
            continue;
        }
        QCOMPARE(actions.at(i)->property("text").toString(), texts.at(i));
        const QByteArray signature = "2" + signalsOf.at(i).toLatin1();
        QSignalSpy spy(item, signature.constData());
        QVERIFY(spy.isValid());
        emit actions.at(i)->triggered();
        QCOMPARE(spy.count(), 1);
    }
}

void TestDelegates::peerTextIsEscaped_data()
{
    addFieldColumns();
    QTest::newRow("highlight kept, markup escaped")
        << "ContactDelegate"
        << contactRow({{"strName", "<font color='#0080ff'>张</font><b>三</b>&"}}) << "name"
        << "<font color='#0080ff'>张</font>&lt;b&gt;三&lt;/b&gt;&amp;";
    QTest::newRow("other colour escaped")
        << "SearchContactDelegate" << contactRow({{"strPhone", "<font color='red'>1</font>"}})
        << "phone"
        << "&lt;font color='red'&gt;1</font>";
    QTest::newRow("emoticon kept, picture escaped")
        << "MessageDelegate"
        << messageRow({{"strContent", "a<img width=\"20\" height = \"20\" source = "
                                      "\"../components/images/face/face_12.png\"><img "
                                      "src=\"file:///etc/passwd\">"}})
        << "content"
        << "a<img width=\"20\" height=\"20\" src=\"../components/images/face/face_12.png\">&lt;img "
           "src=\"file:///etc/passwd\"&gt;";
    QTest::newRow("map link kept on a location row")
        << "MessageDelegate"
        << messageRow({{"strContent", "<a href=map>五四广场</a>"}, {"iSubType", 5}}) << "content"
        << "<a href=\"map\">五四广场</a>";
    QTest::newRow("map link typed into a text stays text")
        << "MessageDelegate" << messageRow({{"strContent", "<a href=map>五四广场</a>"}})
        << "content"
        << "&lt;a href=map&gt;五四广场</a>";
    QTest::newRow("map link in a circle message stays text")
        << "CircleMessageDelegate" << messageRow({{"strContent", "<a href=map>五四广场</a>"}})
        << "content"
        << "&lt;a href=map&gt;五四广场</a>";
    QTest::newRow("map link kept on a circle location row")
        << "CircleMessageDelegate"
        << messageRow(
               {{"strContent", "<a href=map>五四广场</a>"}, {"strCaption", "五四广场:36.1:120.3"}})
        << "content"
        << "<a href=\"map\">五四广场</a>";
    QTest::newRow("map link in a circle text with another place stays text")
        << "CircleMessageDelegate"
        << messageRow({{"strContent", "<a href=map>五四广场</a> <b>x</b>"},
                       {"strCaption", "五四广场:36.1:120.3"}})
        << "content"
        << "&lt;a href=map&gt;五四广场</a> &lt;b&gt;x&lt;/b&gt;";
    QTest::newRow("circle name cannot close the request link")
        << "CircleSysMsgDelegate"
        << messageRow(
               {{"strCircleName", "书</a><a href=userpic>x"},
                {"strCaption", "申请加入\"<a href=circlename>书</a><a href=userpic>x</a>\"圈子"}})
        << "caption"
        << "申请加入\"<a href=\"circlename\">书&lt;/a&gt;&lt;a href=userpic&gt;x</a>\"圈子";
    QTest::newRow("foreign link escaped")
        << "MessageDelegate" << messageRow({{"strContent", "<a href=\"http://x\">go</a>\nnext"}})
        << "content"
        << "&lt;a href=\"http://x\"&gt;go</a><br>next";
    QTest::newRow("name shown as typed")
        << "NetContactDelegate" << netContactRow({{"strName", "<i>李</i>"}}) << "name"
        << "<i>李</i>";
    QTest::newRow("request link kept")
        << "CircleSysMsgDelegate"
        << messageRow({{"strCaption", "申请加入\"<a href=circlename><b>书</b></a>\"圈子"}})
        << "caption"
        << "申请加入\"<a href=\"circlename\">&lt;b&gt;书&lt;/b&gt;</a>\"圈子";
}

void TestDelegates::peerTextIsEscaped()
{
    compareFieldText();
}

void TestDelegates::orgMenusOnlyForAdministrators_data()
{
    QTest::addColumn<QString>("parent");
    QTest::addColumn<int>("userType");
    QTest::addColumn<bool>("deptMenu");
    QTest::addColumn<bool>("empMenu");

    QTest::newRow("department, administrator") << "" << 0 << true << false;
    QTest::newRow("department, viewer") << "" << 1 << false << false;
    QTest::newRow("employee, administrator") << "7" << 0 << false << true;
    QTest::newRow("employee, viewer") << "7" << 2 << false << false;
}

void TestDelegates::orgMenusOnlyForAdministrators()
{
    QFETCH(QString, parent);
    QFETCH(int, userType);
    QFETCH(bool, deptMenu);
    QFETCH(bool, empMenu);

    QmlFixture fx;
    QObject *item =
        load(fx, "OrgInfoDelegate", makeRow(orgRow({{"strPNo", parent}, {"iUserType", userType}})));
    QVERIFY(item);
    auto *dept = child<QQuickItem>(item, "deptMenu");
    auto *emp = child<QQuickItem>(item, "empMenu");
    QCOMPARE(dept->isEnabled(), deptMenu);
    QCOMPARE(emp->isEnabled(), empMenu);

    // The menu signals carry the row's numbers and names.
    QSignalSpy edit(item, SIGNAL(menu1Clicked(QString, QString, QString, QString)));
    QSignalSpy manage(item, SIGNAL(menu3Clicked(QString, QString, QString)));
    QSignalSpy remove(item, SIGNAL(menu5Clicked(QString, QString, QString)));
    auto actions = [](QQuickItem *menu) {
        return menu->findChild<DeclarativeMenu *>()->actionList();
    };
    emit actions(dept).at(0)->triggered();
    emit actions(dept).at(2)->triggered();
    emit actions(emp).at(1)->triggered();
    QCOMPARE(edit.at(0), (QVariantList{parent, "7", "研发部", "1"}));
    QCOMPARE(manage.at(0), (QVariantList{parent, "7", "研发部"}));
    QCOMPARE(remove.at(0), (QVariantList{parent, "7", "1"}));
}

void TestDelegates::orgRowsInAList()
{
    QmlFixture fx;
    QList<QObject *> rows{
        makeRow(orgRow()),
        makeRow(
            orgRow({{"strPNo", "7"}, {"strNo", "u1"}, {"strZpid", "20001"}, {"strName", "甲"}})),
        makeRow(orgRow({{"strPNo", "7"}, {"strNo", "u2"}, {"strZpid", "0"}, {"strName", "乙"}}))};
    fx.view()->rootContext()->setContextProperty("orginfoModel", QVariant::fromValue(rows));
    QQuickItem *list = fx.showInline(R"(
        import QtQuick
        import "qrc:/qml/Zephon/delegate"
        ListView {
            width: 280; height: 300
            currentIndex: -1
            model: orginfoModel
            delegate: OrgInfoDelegate {}
        })",
                                     "org.qml", {280, 300});
    QVERIFY(list);

    auto rowItem = [&](int index) {
        QQuickItem *item = nullptr;
        QMetaObject::invokeMethod(list, "itemAtIndex", Q_RETURN_ARG(QQuickItem *, item),
                                  Q_ARG(int, index));
        return item;
    };
    QTRY_VERIFY(rowItem(2));

    // A department row opens and closes its employees through the controller.
    QSignalSpy current(rowItem(0), SIGNAL(currentChanged()));
    QmlFixture::click(rowItem(0));
    QCOMPARE(list->property("currentIndex").toInt(), 0);
    QCOMPARE(current.count(), 1);
    QCOMPARE(fx.core.calls, QStringList{"expandList(0,7)"});
    QVERIFY(rows.at(0)->property("bExpand").toBool());
    QmlFixture::click(rowItem(0));
    QCOMPARE(fx.core.calls.last(), QStringLiteral("shrinkList(7)"));
    QVERIFY(!rows.at(0)->property("bExpand").toBool());

    // Call and message buttons only on the selected employee who has a Zpid.
    QmlFixture::click(rowItem(1));
    QVERIFY(child<QQuickItem>(rowItem(1), "buttons")->isVisible());
    QVERIFY(!child<QQuickItem>(rowItem(2), "buttons")->isVisible());
    QSignalSpy call(rowItem(1), SIGNAL(btnCallClicked()));
    QmlFixture::click(child<QQuickItem>(rowItem(1), "btnCall"));
    QCOMPARE(call.count(), 1);
    QmlFixture::click(rowItem(2));
    QVERIFY(!child<QQuickItem>(rowItem(1), "buttons")->isVisible());
    QVERIFY(!child<QQuickItem>(rowItem(2), "buttons")->isVisible());
    QCOMPARE(fx.core.calls.size(), 2);
}

void TestDelegates::requestRowsAnswer()
{
    QmlFixture fx;
    QQuickItem *card = fx.show("delegate/CardSysMsgDelegate.qml",
                               {{"modelData", QVariant::fromValue<QObject *>(makeRow(messageRow(
                                                  {{"iSubType", 0}, {"strContent", "张三:男"}})))},
                                {"index", 0}});
    QVERIFY(card);
    QSignalSpy cardClicked(card, SIGNAL(cardClicked(QString, QString)));
    QmlFixture::click(child<QQuickItem>(card, "btnAgree"));
    QCOMPARE(fx.core.calls, QStringList{"exchangeCardReply(10001,0)"});
    QmlFixture::click(child<QQuickItem>(card, "name"));
    QCOMPARE(cardClicked.at(0), (QVariantList{"张三:男", "10001"}));
    card->setVisible(false);

    QObject *agreed = load(fx, "CardSysMsgDelegate", makeRow(messageRow({{"iSubType", 1}})));
    QVERIFY(!child<QQuickItem>(agreed, "btnAgree")->isVisible());
    QCOMPARE(child(agreed, "state")->property("text").toString(), QStringLiteral("已同意"));

    QObject *notice = load(
        fx, "CircleSysMsgDelegate",
        makeRow(messageRow(
            {{"strCircleId", "3001"}, {"iMsgState", 0}, {"iType", 6}, {"strContent", "钱七:女"}})));
    QVERIFY(notice);
    notice->setProperty("root", QVariant::fromValue<QObject *>(&fx.root));
    QSignalSpy replies(&fx.root, &StandInRoot::applyCircleReply);
    QMetaObject::invokeMethod(notice, "reply", Q_ARG(QVariant, 0));
    QMetaObject::invokeMethod(notice, "reply", Q_ARG(QVariant, 1));
    QCOMPARE(replies.count(), 2);
    QCOMPARE(replies.at(0), (QVariantList{"3001", "10001", 0, ""}));
    QCOMPARE(replies.at(1).at(2).toInt(), 1);

    QSignalSpy circleName(notice, SIGNAL(circleNameClicked(QString)));
    QSignalSpy name(notice, SIGNAL(nameClicked(QString)));
    QSignalSpy userPic(notice, SIGNAL(userPicClicked(QString, int)));
    QObject *caption = child(notice, "caption");
    for (const char *link : {"circlename", "name", "userpic"})
        QMetaObject::invokeMethod(caption, "linkActivated", Q_ARG(QString, link));
    QCOMPARE(circleName.at(0).at(0).toString(), QStringLiteral("3001"));
    QCOMPARE(name.at(0).at(0).toString(), QStringLiteral("10001"));
    QCOMPARE(userPic.at(0), (QVariantList{"钱七:女", 6}));

    for (int state : {1, 2, 6, 7, 3}) {
        QObject *handled =
            load(fx, "CircleSysMsgDelegate", makeRow(messageRow({{"iMsgState", state}})));
        QVERIFY2(!child<QQuickItem>(handled, "btnAgree")->isVisible(),
                 qPrintable(QString::number(state)));
        QVERIFY(!child(handled, "state")->property("text").toString().isEmpty());
    }
}

void TestDelegates::selectRowTicks()
{
    QmlFixture fx;
    QQmlPropertyMap *row = makeRow(contactRow());
    QQuickItem *item = fx.show("delegate/SelectDelegate.qml",
                               {{"modelData", QVariant::fromValue<QObject *>(row)}, {"index", 0}});
    QVERIFY(item);
    QSignalSpy clicked(item, SIGNAL(leftClicked()));
    QmlFixture::click(item);
    QVERIFY(row->value("bChecked").toBool());
    QVERIFY(child(item, "check")->property("checked").toBool());
    QmlFixture::click(child<QQuickItem>(item, "check"));
    QVERIFY(!row->value("bChecked").toBool());
    QVERIFY(!child(item, "check")->property("checked").toBool());
    QCOMPARE(clicked.count(), 2);
}

void TestDelegates::presenceMarkFollowsNotices_data()
{
    QTest::addColumn<QString>("delegate");
    QTest::newRow("contact list") << "ContactDelegate";
    QTest::newRow("dial-pad results") << "SearchContactDelegate";
}

// The mark shows while the person is signed in: a notice for that person, or one for
// everyone, makes the row ask again; a notice for someone else leaves it alone.
void TestDelegates::presenceMarkFollowsNotices()
{
    QFETCH(QString, delegate);
    QmlFixture fx;
    QObject *item = load(fx, delegate, makeRow(contactRow()));
    QVERIFY(item);
    QObject *mark = child(item, "presence");
    QVERIFY(mark);
    QVERIFY(!mark->property("visible").toBool());

    fx.core.online = {QStringLiteral("10001"), QStringLiteral("10002")};
    emit fx.core.sig_updatePresence(QStringLiteral("10002"), true);
    QVERIFY(!mark->property("visible").toBool());
    emit fx.core.sig_updatePresence(QStringLiteral("10001"), true);
    QVERIFY(mark->property("visible").toBool());

    fx.core.online.clear();
    emit fx.core.sig_updatePresence(QString(), false);
    QVERIFY(!mark->property("visible").toBool());
}

QTEST_MAIN(TestDelegates)
#include "tst_delegates.moc"
