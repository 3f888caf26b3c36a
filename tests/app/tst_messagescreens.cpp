// The message screens on the main screen: the conversation shows a bubble per delivery state,
// Enter sends through the root signal, peer text stays text, the conversation follows Core's
// signals; the message tab's unread badge and list; new mass messages, card requests and the
// recipient selection.
#include "screenfixture.h"

#include <QQmlContext>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>

using Row = QVariantMap;

namespace {

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

Row msgRecordRow(const Row &over = {})
{
    Row row{{"strZpid", "10001"}, {"strName", "张三"}, {"strPhone", "138"}, {"strMsg", "你好"},
            {"strTime", "昨天"},  {"iUnRead", 2},      {"iType", 2},        {"iSubType", 0}};
    row.insert(over);
    return row;
}

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

QQuickItem *openChat(ScreenFixture &sf, const QString &strZpid, const QString &strName)
{
    QMetaObject::invokeMethod(sf.main, "openChat", Q_ARG(QVariant, strZpid),
                              Q_ARG(QVariant, QStringLiteral("138")), Q_ARG(QVariant, strName),
                              Q_ARG(QVariant, 2));
    return ScreenFixture::loaded(child(sf.main, QStringLiteral("chatLoader")));
}

QQuickItem *stackScreen(QQuickItem *screen)
{
    return ScreenFixture::loaded(screen ? screen->property("stack").value<QObject *>() : nullptr);
}

int countOf(const QStringList &calls, const QString &call)
{
    return int(calls.count(call));
}

} // namespace

class TestMessageScreens : public QObject
{
    Q_OBJECT

private slots:
    void chatShowsABubblePerState();
    void enterSendsAndBlankDoesNot();
    void peerTextShowsLiterallyAndLoadsNothing_data();
    void peerTextShowsLiterallyAndLoadsNothing();
    void chatFollowsItsPeerOnly();
    void chatTitleShowsPresence();
    void mapLinkOnlyOnLocationRows_data();
    void mapLinkOnlyOnLocationRows();
    void unreadBadgeShowsTheCount();
    void recordRowsOpenWhatTheyStandFor_data();
    void recordRowsOpenWhatTheyStandFor();
    void newMessageRecipients();
    void selectionModes_data();
    void selectionModes();
    void chatFunctions_data();
    void chatFunctions();
    void cardRequests();
    void cardRequestsShowOneRowEach();
};

void TestMessageScreens::chatShowsABubblePerState()
{
    ScreenFixture sf;
    sf.publish("messageModel", {messageRow({{"bSend", true}, {"iMsgState", 0}, {"iMsgId", 1}}),
                                messageRow({{"bSend", true}, {"iMsgState", 1}, {"iMsgId", 2}}),
                                messageRow({{"bSend", true}, {"iMsgState", 2}, {"iMsgId", 3}}),
                                messageRow({{"bSend", true}, {"iMsgState", 3}, {"iMsgId", 4}}),
                                messageRow({{"bSend", false}, {"iMsgState", 0}, {"iMsgId", 5}})});
    QVERIFY(sf.showMain());
    QQuickItem *chat = openChat(sf, "10001", "张三");
    QVERIFY(chat);
    // The conversation is read and marked read under its stored kind (a registered user).
    QVERIFY(sf.core.calls.contains("getMessage(2,10001)"));
    QVERIFY(sf.core.calls.contains("updateMessage(2,10001)"));
    QObject *list = child(chat, "messageList");
    QVERIFY(list);
    QTRY_COMPARE(list->property("count").toInt(), 5);
    const QStringList expected{"发送中", "已发送", "已送达", "发送失败"};
    for (int i = 0; i < 5; ++i) {
        QQuickItem *bubble = ScreenFixture::rowItem(list, i);
        QVERIFY(bubble);
        auto *state = child<QQuickItem>(bubble, "state");
        QVERIFY(state);
        if (i < expected.size()) {
            QVERIFY(state->isVisible());
            QCOMPARE(state->property("text").toString(), expected.at(i));
        } else {
            QVERIFY2(!state->isVisible(), "a received message has no delivery state");
        }
    }
}

void TestMessageScreens::enterSendsAndBlankDoesNot()
{
    ScreenFixture sf;
    QVERIFY(sf.showMain());
    QQuickItem *chat = openChat(sf, "10001", "张三");
    QVERIFY(chat);
    QSignalSpy sent(sf.background, SIGNAL(sendMsg(QString, QString)));
    QWindow *window = sf.fx.view();
    QmlFixture::type(window, "   ");
    QTest::keyClick(window, Qt::Key_Return);
    QCOMPARE(sent.count(), 0);
    auto *bar = child<QQuickItem>(chat, "bottomBar");
    auto *input = bar->property("textInput").value<QQuickItem *>();
    QVERIFY(input);
    bar->setProperty("text", QString());
    QTRY_VERIFY(input->hasActiveFocus());
    QmlFixture::type(window, "hello ^wx^");
    QTest::keyClick(window, Qt::Key_Enter);
    QCOMPARE(sent.count(), 1);
    QCOMPARE(sent.at(0), (QVariantList{"hello ^wx^", "10001"}));
    QCOMPARE(bar->property("text").toString(), QString());
    QCOMPARE(input->property("length").toInt(), 0);
}

void TestMessageScreens::peerTextShowsLiterallyAndLoadsNothing_data()
{
    QTest::addColumn<bool>("escaped");
    // The control shows that the listener does see a load of unescaped markup.
    QTest::newRow("control: raw markup loads") << false;
    QTest::newRow("chat") << true;
}

void TestMessageScreens::peerTextShowsLiterallyAndLoadsNothing()
{
    QFETCH(bool, escaped);
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    const QString markup =
        QStringLiteral("<b>x</b><img src=http://127.0.0.1:%1/x><img src=\"http://127.0.0.1:%1/y\">")
            .arg(server.serverPort());
    ScreenFixture sf;
    if (!escaped) {
        // The unquoted address is not read as one; the quoted one is.
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("Cannot open: qrc:/test/raw.qml"));
        sf.fx.view()->rootContext()->setContextProperty("markup", markup);
        QVERIFY(
            sf.fx.showInline("import QtQuick\nText { text: markup; textFormat: Text.StyledText }",
                             "raw.qml", {280, 100}));
        QTRY_VERIFY_WITH_TIMEOUT(server.hasPendingConnections(), 3000);
        return;
    }
    sf.publish("messageModel", {messageRow({{"strContent", markup}, {"strName", markup}}),
                                messageRow({{"strContent", markup}, {"bSend", true}})});
    sf.publish("msgrecordModel", {msgRecordRow({{"strName", markup}, {"strMsg", markup}})});
    QVERIFY(sf.showMain());
    sf.main->findChild<QObject *>("tabs")->setProperty("current", 3);
    QQuickItem *chat = openChat(sf, "10001", markup);
    QVERIFY(chat);
    QObject *list = child(chat, "messageList");
    QTRY_COMPARE(list->property("count").toInt(), 2);
    QQuickItem *received = ScreenFixture::rowItem(list, 0);
    QVERIFY(received);
    // The bubble renders the text as styled text: the markup arrives escaped, so it reads
    // literally.
    const QString shown = ScreenFixture::textOf(received, "content");
    QVERIFY2(shown.contains("&lt;img src=http://127.0.0.1:"), qPrintable(shown));
    QVERIFY(!shown.contains("<img"));
    QTest::qWait(500);
    QVERIFY(!server.hasPendingConnections());
    QVERIFY(!server.waitForNewConnection(100));
}

void TestMessageScreens::chatFollowsItsPeerOnly()
{
    ScreenFixture sf;
    QVERIFY(sf.showMain());
    QVERIFY(openChat(sf, "10001", "张三"));
    const QString read = QStringLiteral("getMessage(2,10001)");
    QCOMPARE(countOf(sf.core.calls, read), 1);
    emit sf.core.sig_updateMsgRecord(2, "10002", "0");
    QCOMPARE(countOf(sf.core.calls, read), 1);
    emit sf.core.sig_updateMsgRecord(2, "10001", "0");
    QCOMPARE(countOf(sf.core.calls, read), 2);
    emit sf.core.sig_addMsgRecord();
    QCOMPARE(countOf(sf.core.calls, read), 3);
    QCOMPARE(countOf(sf.core.calls, "updateMessage(2,10001)"), 3);
    // Reopening a chat reloads it, so it reads its conversation again.
    QVERIFY(openChat(sf, "10001", "张三"));
    QCOMPARE(countOf(sf.core.calls, read), 4);
}

// The chat's title marks the peer while signed in, and follows the notices.
void TestMessageScreens::chatTitleShowsPresence()
{
    ScreenFixture sf;
    QVERIFY(sf.showMain());
    sf.core.online = {QStringLiteral("10001")};
    QQuickItem *chat = openChat(sf, "10001", "张三");
    QVERIFY(chat);
    auto *mark = chat->findChild<QQuickItem *>(QStringLiteral("titlePresence"));
    QVERIFY(mark);
    QVERIFY(mark->isVisible());
    sf.core.online.clear();
    emit sf.core.sig_updatePresence(QStringLiteral("10001"), false);
    QVERIFY(!mark->isVisible());
}

void TestMessageScreens::mapLinkOnlyOnLocationRows_data()
{
    QTest::addColumn<int>("subType");
    QTest::addColumn<QStringList>("opened");
    QTest::newRow("location") << 5 << QStringList{"openMap(五四广场:36.1:120.3)"};
    QTest::newRow("text typed by a peer") << 0 << QStringList{};
}

void TestMessageScreens::mapLinkOnlyOnLocationRows()
{
    QFETCH(int, subType);
    QFETCH(QStringList, opened);
    ScreenFixture sf;
    sf.publish("messageModel", {messageRow({{"strContent", "<a href=map>五四广场</a>"},
                                            {"strCaption", "五四广场:36.1:120.3"},
                                            {"iSubType", subType}})});
    QVERIFY(sf.showMain());
    QQuickItem *chat = openChat(sf, "10001", "张三");
    QVERIFY(chat);
    QObject *list = child(chat, "messageList");
    QTRY_VERIFY(ScreenFixture::rowItem(list, 0));
    QObject *content = child(ScreenFixture::rowItem(list, 0), "content");
    QVERIFY(content);
    // Only a location row shows the link; elsewhere the same text stays text.
    QCOMPARE(content->property("text").toString().contains("<a href=\"map\">"), subType == 5);
    sf.core.calls.clear();
    QMetaObject::invokeMethod(content, "linkActivated", Q_ARG(QString, "map"));
    QCOMPARE(sf.core.calls, opened);
}

void TestMessageScreens::unreadBadgeShowsTheCount()
{
    ScreenFixture sf;
    sf.core.unreadCount = 3;
    QVERIFY(sf.showMain());
    QObject *tabs = sf.main->findChild<QObject *>("tabs");
    QObject *page = child(sf.main, "messagePage");
    QCOMPARE(page->property("unReadCount").toInt(), 3);
    QVariant header;
    QVERIFY(QMetaObject::invokeMethod(tabs, "headerAt", Q_RETURN_ARG(QVariant, header),
                                      Q_ARG(QVariant, 3)));
    auto *badge = child<QQuickItem>(header.value<QObject *>(), "badge");
    QVERIFY(badge);
    QVERIFY(badge->isVisible());
    QCOMPARE(ScreenFixture::textOf(header.value<QObject *>(), "badgeText"), QStringLiteral("3"));

    // A new message while another tab is shown: the count is read again.
    sf.core.unreadCount = 5;
    emit sf.core.sig_addMsgRecord();
    QTRY_COMPARE(page->property("unReadCount").toInt(), 5);
    QCOMPARE(ScreenFixture::textOf(header.value<QObject *>(), "badgeText"), QStringLiteral("5"));

    // Showing the message tab clears the badge and reads the list; while it is shown, a new
    // message refreshes the list instead of counting, once the screens that mark messages
    // read have handled it.
    tabs->setProperty("current", 3);
    QCOMPARE(page->property("unReadCount").toInt(), 0);
    QVERIFY(!badge->isVisible());
    QCOMPARE(countOf(sf.core.calls, "getMsgRecord()"), 1);
    emit sf.core.sig_addMsgRecord();
    QCOMPARE(countOf(sf.core.calls, "getMsgRecord()"), 1);
    QTRY_COMPARE(countOf(sf.core.calls, "getMsgRecord()"), 2);
    QTest::qWait(50);
    QCOMPARE(page->property("unReadCount").toInt(), 0);
}

void TestMessageScreens::recordRowsOpenWhatTheyStandFor_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("tabScreen"); // empty: the chat loader
    QTest::addColumn<int>("currentItem");
    QTest::addColumn<QString>("call");
    QTest::newRow("conversation") << 2 << "" << 1 << "getMessage(2,10001)";
    QTest::newRow("card requests") << 5 << "CardSysMsgInterface.qml" << 3 << "getMessage(5,)";
}

void TestMessageScreens::recordRowsOpenWhatTheyStandFor()
{
    QFETCH(int, kind);
    QFETCH(QString, tabScreen);
    QFETCH(int, currentItem);
    QFETCH(QString, call);
    ScreenFixture sf;
    sf.publish("msgrecordModel", {msgRecordRow({{"iType", kind}})});
    QVERIFY(sf.showMain());
    sf.main->findChild<QObject *>("tabs")->setProperty("current", 3);
    QObject *list = child(sf.main, "msgRecordList");
    QTRY_VERIFY(ScreenFixture::rowItem(list, 0));
    QMetaObject::invokeMethod(ScreenFixture::rowItem(list, 0), "doubleClicked");
    QCOMPARE(sf.main->property("currentItem").toInt(), currentItem);
    QQuickItem *screen =
        tabScreen.isEmpty() ? ScreenFixture::loaded(child(sf.main, "chatLoader")) : sf.tabScreen(3);
    QVERIFY(screen);
    if (!tabScreen.isEmpty()) {
        QObject *loader = child(sf.main, "messagePage")->property("loader").value<QObject *>();
        QCOMPARE(loader->property("source").toUrl().fileName(), tabScreen);
    }
    QVERIFY2(sf.core.calls.contains(call), qPrintable(sf.core.calls.join(' ')));
    // Closing the screen drawn over the tab leaves the list selected again.
    if (!tabScreen.isEmpty()) {
        QMetaObject::invokeMethod(screen, "closed");
        QCOMPARE(sf.main->property("currentItem").toInt(), 0);
    }
}

void TestMessageScreens::newMessageRecipients()
{
    ScreenFixture sf;
    sf.core.contactNames.insert("10001", "张三");
    sf.core.contactPhones.insert("10001", "13800000001");
    sf.core.massRecipients << "stale";
    QVERIFY(sf.showMain());
    QObject *tabs = sf.main->findChild<QObject *>("tabs");
    tabs->setProperty("current", 3);
    QMetaObject::invokeMethod(sf.main, "open",
                              Q_ARG(QVariant, QVariant::fromValue(child(sf.main, "messagePage"))),
                              Q_ARG(QVariant, "NewMsgInterface.qml"));
    QQuickItem *screen = sf.tabScreen(3);
    QVERIFY(screen);
    // Nothing goes to recipients chosen earlier.
    QVERIFY(sf.core.calls.contains("delMassContact()"));
    QVERIFY(sf.core.massRecipients.isEmpty());

    // Sending with nobody chosen keeps the text and says why.
    QObject *bar = child(screen, "bottomBar");
    bar->setProperty("text", "hi");
    QMetaObject::invokeMethod(bar, "send");
    QVERIFY(!sf.core.calls.join(' ').contains("sendMassMsg"));
    QCOMPARE(sf.alerts().last(), QStringLiteral("请先添加收件人"));
    QCOMPARE(bar->property("text").toString(), QStringLiteral("hi"));

    QObject *box = child(screen, "numberBox");
    QSignalSpy asked(sf.background, SIGNAL(getUserState(QString)));
    // A known phone number is added from the address book.
    box->setProperty("text", "+8613800000001");
    QMetaObject::invokeMethod(screen, "addNumber");
    QVERIFY(sf.core.calls.contains("addMassContact(10001,张三)"));
    QCOMPARE(asked.count(), 0);
    // The same again is refused by Core and said so.
    box->setProperty("text", "13800000001");
    QMetaObject::invokeMethod(screen, "addNumber");
    QCOMPARE(sf.alerts().last(), QStringLiteral("已在收件人中"));
    // An unknown number is asked of the server; a presence change of someone else is not
    // the answer.
    box->setProperty("text", "13900000002");
    QMetaObject::invokeMethod(screen, "addNumber");
    QCOMPARE(asked.count(), 1);
    QCOMPARE(asked.at(0).at(0).toString(), QStringLiteral("13900000002"));
    emit sf.core.sig_updateUserState("10009", "13800000009");
    QCOMPARE(sf.core.massRecipients, QStringList{"10001"});
    emit sf.core.sig_updateUserState("20002", "13900000002");
    QCOMPARE(sf.core.massRecipients, (QStringList{"10001", "20002"}));
    // A number of nobody.
    box->setProperty("text", "13700000003");
    QMetaObject::invokeMethod(screen, "addNumber");
    emit sf.core.sig_updateUserState("", "");
    QCOMPARE(sf.alerts().last(), QStringLiteral("对方不是Zephon用户"));
    QCOMPARE(sf.core.massRecipients.size(), 2);
    // Invalid input.
    box->setProperty("text", "12ab");
    QMetaObject::invokeMethod(screen, "addNumber");
    QCOMPARE(sf.alerts().last(), QStringLiteral("号码格式不对"));

    // Recipients shown by name, as text.
    sf.publish("masscontactModel", {{{"strZpid", "10001"}, {"strName", "<b>张三</b>"}}});
    QTRY_COMPARE(ScreenFixture::textOf(screen, "recipient"), QStringLiteral("<b>张三</b>"));
    QMetaObject::invokeMethod(bar, "send");
    QVERIFY(sf.core.calls.contains("sendMassMsg(hi)"));
    QVERIFY(!sf.tabScreen(3));
}

void TestMessageScreens::selectionModes_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("recipients") << "recipient" << QStringList{"addMassContact()"};
    QTest::newRow("card to the chat")
        << "card" << QStringList{"sendCard(0,10001)", "sendCard(2,10001)"};
    QTest::newRow("card to recipients")
        << "massCard" << QStringList{"sendMassCard(0)", "sendMassCard(2)"};
    QTest::newRow("own card") << "sendTo" << QStringList{"sendCardTo(0)", "sendCardTo(2)"};
}

void TestMessageScreens::selectionModes()
{
    QFETCH(QString, mode);
    QFETCH(QStringList, expected);
    ScreenFixture sf;
    sf.publish("selectModel",
               {contactRow({{"strZpid", "20001"}}), contactRow({{"strZpid", "20002"}}),
                contactRow({{"strZpid", "20003"}})});
    QVERIFY(sf.showMain());
    sf.main->findChild<QObject *>("tabs")->setProperty("current", 1);
    QMetaObject::invokeMethod(sf.main, "open",
                              Q_ARG(QVariant, QVariant::fromValue(child(sf.main, "contactPage"))),
                              Q_ARG(QVariant, "SelectInterface.qml"));
    QQuickItem *screen = sf.tabScreen(1);
    QVERIFY(screen);
    screen->setProperty("mode", mode);
    screen->setProperty("strZpid", "10001");
    QObject *list = child(screen, "selectList");
    QTRY_VERIFY(ScreenFixture::rowItem(list, 2));
    // Ticking is a click on the row.
    for (int i : {0, 2})
        QmlFixture::click(ScreenFixture::rowItem(list, i));

    sf.core.calls.clear();
    QMetaObject::invokeMethod(screen, "confirm");
    QCOMPARE(sf.core.calls, expected);
    QVERIFY2(!sf.tabScreen(1), "the selection closes once done");
}

void TestMessageScreens::chatFunctions_data()
{
    QTest::addColumn<QString>("function"); // signal of the input bar
    QTest::addColumn<QString>("chosen");   // what the file dialog gives
    QTest::addColumn<QStringList>("calls");
    QTest::newRow("picture") << "btnPicClicked"
                             << "file:///home/u/a.png"
                             << QStringList{"chooseImage()",
                                            "uploadFile(file:///home/u/a.png,10001,2)"};
    QTest::newRow("picture cancelled") << "btnPicClicked"
                                       << "file:///" << QStringList{"chooseImage()"};
    QTest::newRow("file") << "btnFileClicked"
                          << "file:///home/u/b.pdf"
                          << QStringList{"chooseFile()",
                                         "uploadFile(file:///home/u/b.pdf,10001,3)"};
    QTest::newRow("file cancelled") << "btnFileClicked"
                                    << "file:///" << QStringList{"chooseFile()"};
    QTest::newRow("screenshot") << "btnScreenClicked"
                                << "" << QStringList{"screenshot(10001,2)"};
    QTest::newRow("card") << "btnCardClicked"
                          << "" << QStringList{"getSelect(2,)"};
}

void TestMessageScreens::chatFunctions()
{
    QFETCH(QString, function);
    QFETCH(QString, chosen);
    QFETCH(QStringList, calls);
    ScreenFixture sf;
    sf.core.chosenImage = chosen;
    sf.core.chosenFile = chosen;
    QVERIFY(sf.showMain());
    QQuickItem *chat = openChat(sf, "10001", "张三");
    QVERIFY(chat);
    sf.core.calls.clear();
    QMetaObject::invokeMethod(child(chat, "bottomBar"), function.toLatin1().constData());
    QCOMPARE(sf.core.calls, calls);
    QQuickItem *select = stackScreen(chat);
    if (function == "btnCardClicked") {
        // Contacts' cards go to the person of the conversation.
        QVERIFY(select);
        QCOMPARE(select->property("mode").toString(), QStringLiteral("card"));
        QCOMPARE(select->property("strZpid").toString(), QStringLiteral("10001"));
    } else {
        QVERIFY(!select);
    }
}

void TestMessageScreens::cardRequests()
{
    ScreenFixture sf;
    sf.publish("cardsysmsgModel", {messageRow({{"strZpid", "20001"},
                                               {"strName", "王五"},
                                               {"strCaption", "请求交换名片"},
                                               {"strContent", "王五:男:经理:某公司"},
                                               {"iType", 5},
                                               {"iSubType", 0}})});
    QVERIFY(sf.showMain());
    sf.main->findChild<QObject *>("tabs")->setProperty("current", 3);
    const QVariantMap record{{"iType", 5}, {"strZpid", "0"}};
    QMetaObject::invokeMethod(sf.main, "openRecord", Q_ARG(QVariant, record));
    QQuickItem *requests = sf.tabScreen(3);
    QVERIFY(requests);
    QCOMPARE(countOf(sf.core.calls, "getMessage(5,)"), 1);
    QCOMPARE(countOf(sf.core.calls, "updateMessage(5,)"), 1);
    // A new request while the list is open is read (and marked read) at once.
    emit sf.core.sig_addMsgRecord();
    QCOMPARE(countOf(sf.core.calls, "getMessage(5,)"), 2);
    QCOMPARE(countOf(sf.core.calls, "updateMessage(5,)"), 2);

    QObject *list = child(requests, "requestList");
    QTRY_VERIFY(ScreenFixture::rowItem(list, 0));
    QQuickItem *row = ScreenFixture::rowItem(list, 0);
    QmlFixture::click(child<QQuickItem>(row, "btnAgree"));
    QVERIFY(sf.core.calls.contains("exchangeCardReply(20001,0)"));
    // The requester's card opens from the row.
    QMetaObject::invokeMethod(row, "cardClicked", Q_ARG(QString, "王五:男:经理:某公司"),
                              Q_ARG(QString, "20001"));
    QQuickItem *card = stackScreen(requests);
    QVERIFY(card);
    QCOMPARE(ScreenFixture::textOf(card, "cardName"), QStringLiteral("王五"));
    QCOMPARE(ScreenFixture::textOf(child(card, "field3"), "value"), QStringLiteral("某公司"));
}

// The store lists every request after a time separator that copies it; the separator shows
// as the time alone, so one stored request is one request row.
void TestMessageScreens::cardRequestsShowOneRowEach()
{
    ScreenFixture sf;
    const QVariantMap request{{"strZpid", "20001"},
                              {"strName", "李娜"},
                              {"strCaption", "请求交换名片"},
                              {"strContent", "李娜:1::"},
                              {"strTime", "12:30"},
                              {"iType", 5},
                              {"iSubType", 0}};
    QVariantMap separator = request;
    separator.insert("bSeparator", true);
    sf.publish("cardsysmsgModel", {messageRow(separator), messageRow(request)});
    QVERIFY(sf.showMain());
    sf.main->findChild<QObject *>("tabs")->setProperty("current", 3);
    const QVariantMap record{{"iType", 5}, {"strZpid", "0"}};
    QMetaObject::invokeMethod(sf.main, "openRecord", Q_ARG(QVariant, record));
    QQuickItem *requests = sf.tabScreen(3);
    QVERIFY(requests);
    QObject *list = child(requests, "requestList");
    QTRY_VERIFY(ScreenFixture::rowItem(list, 1));
    int iShownRequests = 0;
    for (int i = 0; i < 2; ++i) {
        QQuickItem *row = ScreenFixture::rowItem(list, i);
        QQuickItem *name = child<QQuickItem>(row, "name");
        QVERIFY(name);
        if (name->isVisible()) {
            ++iShownRequests;
            QVERIFY(child<QQuickItem>(row, "btnAgree")->isVisible());
        } else {
            QVERIFY(child<QQuickItem>(row, "separator")->isVisible());
            QCOMPARE(ScreenFixture::textOf(row, "separator"), QStringLiteral("12:30"));
            QVERIFY(!child<QQuickItem>(row, "btnAgree")->isVisible());
        }
    }
    QCOMPARE(iShownRequests, 1);
}

QTEST_MAIN(TestMessageScreens)
#include "tst_messagescreens.moc"
