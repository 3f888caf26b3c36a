// The contact screens on the main screen: the contact tab (own card first, searching as
// typed), the dial pad's look-up of unknown numbers, the card (own and others', cards that
// arrive later), editing and saving the own card, the own picture, the cloud address book,
// and peer text that must stay text.
#include "codes.h"
#include "screenfixture.h"

#include <QQmlContext>
#include <QSignalSpy>
#include <QTcpServer>
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

// The own card: name, sex, post, company, address, mobile, tel, email, signature,
// profession, homepage, fax, birthday, nickname.
const QString kOwnCard = QStringLiteral(
    "自己:男:工程师:某公司:青岛:13800000000:0532:me@example.org:你好::::1990-01-01:小自");

QObject *tabs(ScreenFixture &sf)
{
    return sf.main->findChild<QObject *>("tabs");
}

void openOnTab(ScreenFixture &sf, const char *page, const char *file)
{
    static const QStringList pages{"callPage", "contactPage", "circlePage", "messagePage",
                                   "morePage"};
    tabs(sf)->setProperty("current", pages.indexOf(QString::fromLatin1(page)));
    QMetaObject::invokeMethod(sf.main, "open",
                              Q_ARG(QVariant, QVariant::fromValue(child(sf.main, page))),
                              Q_ARG(QVariant, QString::fromLatin1(file)));
}

QQuickItem *stackScreen(QQuickItem *screen)
{
    return ScreenFixture::loaded(screen ? screen->property("stack").value<QObject *>() : nullptr);
}

} // namespace

class TestContactScreens : public QObject
{
    Q_OBJECT

private slots:
    void contactTabShowsOwnCardFirstAndSearchesAsTyped();
    void dialPadLooksUpUnknownNumbers_data();
    void dialPadLooksUpUnknownNumbers();
    void ownCardEditSavesTheFields_data();
    void ownCardEditSavesTheFields();
    void cardFieldsReadAsWords_data();
    void cardFieldsReadAsWords();
    void strangersCardArrivesLater();
    void peerTextShowsLiterallyAndLoadsNothing();
    void ownPictureIsCutWhereTheFrameIs();
    void cloudAddressBook();
    void userSearchOpensTheCardAskedFor();
    void mayKnowFiltersBySex();
};

void TestContactScreens::contactTabShowsOwnCardFirstAndSearchesAsTyped()
{
    ScreenFixture sf;
    sf.core.ownZpid = "10000";
    sf.publish("contactModel",
               {contactRow({{"strZpid", "10000"}, {"strName", "自己"}, {"iType", 0}}), contactRow(),
                contactRow({{"strZpid", "10002"}, {"strName", "李四"}})});
    QVERIFY(sf.showMain());
    QSignalSpy asked(sf.background, SIGNAL(getContact(bool, QString)));
    tabs(sf)->setProperty("current", 1);
    QCOMPARE(asked.count(), 1);
    QCOMPARE(asked.at(0), (QVariantList{true, QString()}));
    QObject *list = child(sf.main, "contactList");
    QTRY_COMPARE(list->property("count").toInt(), 3);
    QQuickItem *first = ScreenFixture::rowItem(list, 0);
    QCOMPARE(ScreenFixture::textOf(first, "name"), QStringLiteral("自己"));

    // Every keystroke asks for the list again with what is typed so far.
    auto *search = child<QQuickItem>(sf.main, "contactSearch");
    search->property("input").value<QQuickItem *>()->forceActiveFocus();
    asked.clear();
    QmlFixture::type(sf.fx.view(), "zs");
    QCOMPARE(asked.count(), 2);
    QCOMPARE(asked.at(1), (QVariantList{true, "zs"}));
    // Core answers with the hits, the matched characters marked; the row shows the marks.
    sf.publish("contactModel", {contactRow({{"strName", "<font color='#0080ff'>张</font>三"}})});
    QTRY_COMPARE(list->property("count").toInt(), 1);
    QCOMPARE(ScreenFixture::textOf(ScreenFixture::rowItem(list, 0), "name"),
             QStringLiteral("<font color='#0080ff'>张</font>三"));

    // The own card row opens the own card, editable.
    sf.publish("contactModel",
               {contactRow({{"strZpid", "10000"}, {"strName", "自己"}, {"iType", 0}})});
    sf.publishText("personalcard", kOwnCard);
    QTRY_VERIFY(ScreenFixture::rowItem(list, 0));
    QMetaObject::invokeMethod(ScreenFixture::rowItem(list, 0), "doubleClicked");
    QQuickItem *card = sf.tabScreen(1);
    QVERIFY(card);
    QVERIFY(card->property("own").toBool());
    QCOMPARE(ScreenFixture::textOf(card, "cardName"), QStringLiteral("自己"));

    // On the call tab, digits typed on the dial pad search by keypad digits and number.
    tabs(sf)->setProperty("current", 0);
    QSignalSpy searched(sf.background, SIGNAL(searchContact(QString)));
    QObject *dialpad = child(sf.main, "dialpad");
    QMetaObject::invokeMethod(dialpad, "insertDigit", Q_ARG(QVariant, 9));
    QMetaObject::invokeMethod(dialpad, "insertDigit", Q_ARG(QVariant, 4));
    QCOMPARE(searched.count(), 2);
    QCOMPARE(searched.at(1).at(0).toString(), QStringLiteral("94"));
    QVERIFY(child<QQuickItem>(sf.main, "searchContactList")->isVisible());
}

void TestContactScreens::dialPadLooksUpUnknownNumbers_data()
{
    QTest::addColumn<QString>("number");
    QTest::addColumn<bool>("message");
    // What the server answers: "phone" (zpid, phone) for sig_updateUserState, "zpid" (flag)
    // for sig_updateUserPhone; nothing when the address book knows the number.
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QVariantList>("answerArgs");
    QTest::addColumn<QString>("asked");   // root signal the screen emits first, or ""
    QTest::addColumn<QString>("outcome"); // "chat:<zpid>", "call:<zpid>" or "alert:<text>"

    QTest::newRow("known phone, message") << "13800000001" << true << "" << QVariantList{} << ""
                                          << "chat:10001";
    QTest::newRow("known zpid, call") << "1000100" << false << "" << QVariantList{} << ""
                                      << "call:1000100";
    QTest::newRow("unknown phone, call") << "13900000002" << false << "phone"
                                         << QVariantList{"20002", "13900000002"} << "getUserState"
                                         << "call:20002";
    QTest::newRow("unknown phone, not a user")
        << "13900000002" << true << "phone" << QVariantList{"", ""} << "getUserState"
        << "alert:对方不是Zephon用户";
    QTest::newRow("unknown zpid, message")
        << "1234567" << true << "zpid" << QVariantList{true, "1234567"} << "getUserPhone"
        << "chat:1234567";
    QTest::newRow("unknown zpid, not a user")
        << "1234567" << false << "zpid" << QVariantList{false, "1234567"} << "getUserPhone"
        << "alert:对方不是Zephon用户";
    QTest::newRow("invalid") << "123" << true << "" << QVariantList{} << ""
                             << "alert:号码格式不对";
}

void TestContactScreens::dialPadLooksUpUnknownNumbers()
{
    QFETCH(QString, number);
    QFETCH(bool, message);
    QFETCH(QString, answer);
    QFETCH(QVariantList, answerArgs);
    QFETCH(QString, asked);
    QFETCH(QString, outcome);
    ScreenFixture sf;
    sf.core.contactNames.insert("10001", "张三");
    sf.core.contactPhones.insert("10001", "13800000001");
    sf.core.contactPhones.insert("1000100", "13800000100");
    QVERIFY(sf.showMain());
    QSignalSpy byPhone(sf.background, SIGNAL(getUserState(QString)));
    QSignalSpy byZpid(sf.background, SIGNAL(getUserPhone(QString)));
    QObject *dialpad = child(sf.main, "dialpad");
    dialpad->setProperty("phoneNum", number);
    QMetaObject::invokeMethod(dialpad, message ? "btnMsgClicked" : "btnCallClicked");

    QCOMPARE(byPhone.count(), asked == "getUserState" ? 1 : 0);
    QCOMPARE(byZpid.count(), asked == "getUserPhone" ? 1 : 0);
    if (!asked.isEmpty()) {
        QCOMPARE((byPhone.count() ? byPhone : byZpid).at(0).at(0).toString(), number);
        // Nothing happens before the answer; a presence change of a contact is no answer.
        emit sf.core.sig_updateUserState("10001", "13800000001");
        QVERIFY(!ScreenFixture::loaded(child(sf.main, "chatLoader")));
        QVERIFY(!sf.core.calls.join(' ').contains("sendPush"));
        QVERIFY(sf.main->property(message ? "bSendingMsg" : "bCalling").toBool());
        if (answer == "phone")
            emit sf.core.sig_updateUserState(answerArgs.at(0).toString(),
                                             answerArgs.at(1).toString());
        else
            emit sf.core.sig_updateUserPhone(answerArgs.at(0).toBool(),
                                             answerArgs.at(1).toString());
    }
    const QString kind = outcome.section(':', 0, 0);
    const QString value = outcome.section(':', 1);
    QQuickItem *chat = ScreenFixture::loaded(child(sf.main, "chatLoader"));
    if (kind == "chat") {
        QVERIFY(chat);
        QCOMPARE(sf.main->property("msg_strZpid").toString(), value);
    } else {
        QVERIFY(!chat);
    }
    QCOMPARE(sf.core.calls.contains("sendPush(" + value + ")"), kind == "call");
    if (kind == "alert")
        QCOMPARE(sf.alerts(), QStringList{value});
    else
        QVERIFY(sf.alerts().isEmpty());
    // Whatever the outcome, nothing stays pending: a late answer changes nothing.
    QVERIFY(!sf.main->property("bSendingMsg").toBool());
    QVERIFY(!sf.main->property("bCalling").toBool());
    const int calls = sf.core.calls.size();
    emit sf.core.sig_updateUserState("20002", "13900000002");
    emit sf.core.sig_updateUserPhone(true, "1234567");
    QCOMPARE(sf.core.calls.size(), calls);
}

void TestContactScreens::ownCardEditSavesTheFields_data()
{
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("alert");
    QTest::newRow("saved") << 0 << "保存成功";
    QTest::newRow("refused") << 1 << "保存失败";
}

void TestContactScreens::ownCardEditSavesTheFields()
{
    QFETCH(int, result);
    QFETCH(QString, alert);
    ScreenFixture sf;
    sf.core.ownZpid = "10000";
    sf.publishText("personalcard", kOwnCard);
    QVERIFY(sf.showMain());
    tabs(sf)->setProperty("current", 4);
    QMetaObject::invokeMethod(sf.main, "moreClicked", Q_ARG(QVariant, 0));
    QQuickItem *card = sf.tabScreen(4);
    QVERIFY(card);
    QVERIFY(card->property("own").toBool());
    QCOMPARE(ScreenFixture::textOf(child(card, "field12"), "value"), QStringLiteral("1990-01-01"));
    QVERIFY(!child<QQuickItem>(card, "btnExchange")->isVisible());

    QmlFixture::click(child<QQuickItem>(card, "btnRight"));
    QQuickItem *edit = stackScreen(card);
    QVERIFY(edit);
    auto fieldBox = [&](int index) { return child(edit, "input" + QString::number(index)); };
    QCOMPARE(fieldBox(0)->property("text").toString(), QStringLiteral("自己"));
    QCOMPARE(fieldBox(13)->property("text").toString(), QStringLiteral("小自"));
    fieldBox(0)->setProperty("text", "新名字");
    // A ":" would split the field and shift every later one.
    fieldBox(3)->setProperty("text", "甲:乙公司");
    fieldBox(8)->setProperty("text", "");
    // Sex is chosen, not typed: the card's "男" is the male choice, and the female one saves "1".
    QVERIFY(!child<QQuickItem>(edit, "input1")->isVisible());
    QmlFixture::click(child<QQuickItem>(edit, "sexFemale"));

    QSignalSpy saved(sf.background, SIGNAL(savePersonalCard(QString)));
    QmlFixture::click(child<QQuickItem>(edit, "btnRight"));
    QCOMPARE(saved.count(), 1);
    const QString text = saved.at(0).at(0).toString();
    QCOMPARE(text,
             QStringLiteral("新名字:1:工程师:甲：乙公司:青岛:13800000000:0532:me@example.org:::::"
                            "1990-01-01:小自"));
    QCOMPARE(text.split(':').size(), 14);

    emit sf.core.sig_saveCard(result);
    QCOMPARE(sf.alerts(), QStringList{alert});
    if (result == 0) {
        QVERIFY2(!stackScreen(card), "the edit screen closes once saved");
        QCOMPARE(ScreenFixture::textOf(card, "cardName"), QStringLiteral("新名字"));
    } else {
        QCOMPARE(stackScreen(card), edit);
        QCOMPARE(ScreenFixture::textOf(card, "cardName"), QStringLiteral("自己"));
    }
}

void TestContactScreens::cardFieldsReadAsWords_data()
{
    QTest::addColumn<QString>("strCard");
    QTest::addColumn<QStringList>("shown"); // objectName=value of every visible field row
    QTest::newRow("male code, age")
        << QStringLiteral("张伟:0:经理:公司:地址:13800138000:::::::28:")
        << QStringList{"field1=男",   "field12=28",         "field2=经理",
                       "field3=公司", "field5=13800138000", "field4=地址"};
    QTest::newRow("female code") << QStringLiteral("李娜:1::::13800138001::::::::")
                                 << QStringList{"field1=女", "field5=13800138001"};
    QTest::newRow("word kept") << QStringLiteral("王芳:女::::::::::::") << QStringList{"field1=女"};
    // Name, sex, address, company: the address is not shown as a post.
    QTest::newRow("short card") << QStringLiteral("刘洋:0:青岛:某公司")
                                << QStringList{"field1=男", "field2=青岛", "field3=某公司"};
}

void TestContactScreens::cardFieldsReadAsWords()
{
    QFETCH(QString, strCard);
    QFETCH(QStringList, shown);
    ScreenFixture sf;
    sf.core.ownZpid = "10000";
    QVERIFY(sf.showMain());
    tabs(sf)->setProperty("current", 1);
    QMetaObject::invokeMethod(sf.main, "openCard",
                              Q_ARG(QVariant, QVariant::fromValue(child(sf.main, "contactPage"))),
                              Q_ARG(QVariant, "20001"), Q_ARG(QVariant, strCard));
    QQuickItem *card = sf.tabScreen(1);
    QVERIFY(card);
    QStringList rows;
    QStringList captions;
    QList<QQuickItem *> items{card};
    for (int i = 0; i < items.size(); ++i)
        items += items.at(i)->childItems();
    for (QQuickItem *row : std::as_const(items)) {
        if (!row->objectName().startsWith(QLatin1String("field")) || !row->isVisible())
            continue;
        rows << row->objectName() + "=" + ScreenFixture::textOf(row, "value");
        const auto texts = row->childItems();
        captions << texts.first()->property("text").toString();
    }
    QCOMPARE(rows, shown);
    QVERIFY2(!captions.contains(QStringLiteral("生日")), qPrintable(captions.join(',')));
    QCOMPARE(captions.contains(QStringLiteral("年龄")), strCard.contains(QLatin1String(":28:")));
}

void TestContactScreens::strangersCardArrivesLater()
{
    ScreenFixture sf;
    sf.core.ownZpid = "10000";
    QVERIFY(sf.showMain());
    tabs(sf)->setProperty("current", 1);
    QMetaObject::invokeMethod(sf.main, "openCard",
                              Q_ARG(QVariant, QVariant::fromValue(child(sf.main, "contactPage"))),
                              Q_ARG(QVariant, "20001"), Q_ARG(QVariant, QString()));
    QQuickItem *card = sf.tabScreen(1);
    QVERIFY(card);
    QVERIFY(sf.core.calls.contains("getCard(20001,0)"));
    QVERIFY(child<QQuickItem>(card, "waiting")->isVisible());
    // Someone else's card is not this one.
    emit sf.core.sig_getStrangeCard("20009", "别人::女:别家::13900000009");
    QCOMPARE(ScreenFixture::textOf(card, "cardName"), QString());
    emit sf.core.sig_getStrangeCard("20001", "王五::男:某公司::13900000001");
    QCOMPARE(ScreenFixture::textOf(card, "cardName"), QStringLiteral("王五"));
    QCOMPARE(ScreenFixture::textOf(child(card, "field3"), "value"), QStringLiteral("某公司"));
    QCOMPARE(ScreenFixture::textOf(child(card, "field5"), "value"), QStringLiteral("13900000001"));
    QVERIFY(!child<QQuickItem>(card, "waiting")->isVisible());

    QmlFixture::click(child<QQuickItem>(card, "btnExchange"));
    QVERIFY(sf.core.calls.contains("exchangeCardRequest(20001)"));
    QmlFixture::click(child<QQuickItem>(card, "btnChat"));
    QVERIFY(ScreenFixture::loaded(child(sf.main, "chatLoader")));
    QCOMPARE(sf.main->property("msg_strZpid").toString(), QStringLiteral("20001"));
    QCOMPARE(sf.main->property("msg_strName").toString(), QStringLiteral("王五"));
}

void TestContactScreens::peerTextShowsLiterallyAndLoadsNothing()
{
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    const QString markup =
        QStringLiteral("<b>x</b><img src=http://127.0.0.1:%1/x><img src=\"http://127.0.0.1:%1/y\">")
            .arg(server.serverPort());
    ScreenFixture sf;
    sf.publish("contactModel", {contactRow({{"strName", markup}, {"strPhone", markup}})});
    sf.publish("netcontactModel",
               {{{"strId", "4"}, {"strName", markup}, {"strPhone", markup}, {"strGroup", markup}}});
    sf.publish("mayknowModel", {contactRow({{"strName", markup}, {"strCompany", markup}})});
    QVERIFY(sf.showMain());
    tabs(sf)->setProperty("current", 1);
    QQuickItem *contact = ScreenFixture::rowItem(child(sf.main, "contactList"), 0);
    QVERIFY(contact);
    QVERIFY(ScreenFixture::textOf(contact, "name").contains("&lt;img"));

    // A card made of markup.
    QMetaObject::invokeMethod(
        sf.main, "openCard", Q_ARG(QVariant, QVariant::fromValue(child(sf.main, "contactPage"))),
        Q_ARG(QVariant, "20001"), Q_ARG(QVariant, QString(markup + ":" + markup + ":" + markup)));
    QQuickItem *card = sf.tabScreen(1);
    QVERIFY(card);
    // A card's fields are split at ":", so each shows the part of the markup before one.
    const QString field = markup.section(':', 0, 0);
    QCOMPARE(ScreenFixture::textOf(card, "cardName"), field);
    QCOMPARE(child(card, "cardName")->property("textFormat").toInt(), int(Qt::PlainText));

    openOnTab(sf, "morePage", "NetContactInterface.qml");
    QQuickItem *net = sf.tabScreen(4);
    QVERIFY(net);
    QTRY_VERIFY(ScreenFixture::rowItem(child(net, "netContactList"), 0));
    QCOMPARE(ScreenFixture::textOf(ScreenFixture::rowItem(child(net, "netContactList"), 0), "name"),
             markup);
    openOnTab(sf, "circlePage", "MayKnowInterface.qml");
    QQuickItem *mayKnow = sf.tabScreen(2);
    QVERIFY(mayKnow);
    QTRY_VERIFY(ScreenFixture::rowItem(child(mayKnow, "mayKnowList"), 0));
    QCOMPARE(
        ScreenFixture::textOf(ScreenFixture::rowItem(child(mayKnow, "mayKnowList"), 0), "name"),
        markup);

    QTest::qWait(500);
    QVERIFY(!server.hasPendingConnections());
    QVERIFY(!server.waitForNewConnection(100));
}

void TestContactScreens::ownPictureIsCutWhereTheFrameIs()
{
    ScreenFixture sf;
    QVERIFY(sf.showMain());
    openOnTab(sf, "morePage", "UserPicInterface.qml");
    QQuickItem *screen = sf.tabScreen(4);
    QVERIFY(screen);
    // Nothing chosen (a cancelled dialog): nothing to save.
    QmlFixture::click(child<QQuickItem>(screen, "btnChoose"));
    QCOMPARE(screen->property("strFile").toString(), QString());
    QMetaObject::invokeMethod(screen, "save");
    QVERIFY(!sf.core.calls.join(' ').contains("grabImage"));

    sf.core.chosenImage = QStringLiteral("qrc:/qml/Zephon/images/defaultskin.png");
    QmlFixture::click(child<QQuickItem>(screen, "btnChoose"));
    QCOMPARE(screen->property("strFile").toString(), sf.core.chosenImage);
    auto *frame = child<QQuickItem>(screen, "frame");
    QCOMPARE(frame->width(), 173.0);
    const QPoint corner = frame->mapToScene({0, 0}).toPoint();
    QMetaObject::invokeMethod(screen, "save");
    QVERIFY2(
        sf.core.calls.contains(QStringLiteral("grabImage(%1,%2)").arg(corner.x()).arg(corner.y())),
        qPrintable(sf.core.calls.join(' ')));
    emit sf.core.sig_saveCardPic(1);
    QCOMPARE(sf.alerts(), QStringList{"保存失败"});
    QCOMPARE(sf.tabScreen(4), screen);
    QMetaObject::invokeMethod(screen, "save");
    emit sf.core.sig_saveCardPic(0);
    QCOMPARE(sf.alerts().last(), QStringLiteral("保存成功"));
    QVERIFY(!sf.tabScreen(4));
}

void TestContactScreens::cloudAddressBook()
{
    ScreenFixture sf;
    sf.publish(
        "netcontactModel",
        {{{"strId", "4"}, {"strName", "李四"}, {"strPhone", "139 1234"}, {"strGroup", "同事"}}});
    QVERIFY(sf.showMain());
    QSignalSpy fetched(sf.background, SIGNAL(getNetContact()));
    openOnTab(sf, "morePage", "NetContactInterface.qml");
    QQuickItem *net = sf.tabScreen(4);
    QVERIFY(net);
    QCOMPARE(fetched.count(), 1);
    QVERIFY(sf.core.calls.contains("getNetContact()"));
    QVERIFY(child(net, "loading")->property("on").toBool());
    emit sf.core.sig_updateNetContact(1);
    QVERIFY(!child(net, "loading")->property("on").toBool());

    QObject *dialog = child(net, "editDialog");
    auto fill = [&](const QString &name, const QString &phone, const QString &group) {
        dialog->setProperty("input1", name);
        dialog->setProperty("input2", phone);
        dialog->setProperty("input3", group);
        QMetaObject::invokeMethod(dialog, "btnOKClicked");
    };
    // Adding: a phone is required.
    QmlFixture::click(child<QQuickItem>(net, "btnRight"));
    QVERIFY(dialog->property("visible").toBool());
    fill("王五", "  ", "");
    QCOMPARE(sf.alerts(), QStringList{"号码格式不对"});
    QVERIFY(dialog->property("visible").toBool());
    fill("王五", "138 0000", "朋友");
    QVERIFY(!dialog->property("visible").toBool());
    QVERIFY(sf.core.calls.contains("modifyNetContact(0,,王五,138 0000,朋友)"));

    // Editing starts from the row.
    QObject *list = child(net, "netContactList");
    QVERIFY(ScreenFixture::rowItem(list, 0));
    QMetaObject::invokeMethod(ScreenFixture::rowItem(list, 0), "menu1Clicked");
    QCOMPARE(dialog->property("input2").toString(), QStringLiteral("139 1234"));
    fill("李四", "139 1234", "家人");
    QVERIFY(sf.core.calls.contains("modifyNetContact(2,4,李四,139 1234,家人)"));

    // Deleting asks first; cancelling sends nothing.
    QObject *confirm = child(net, "confirmDialog");
    QMetaObject::invokeMethod(ScreenFixture::rowItem(list, 0), "menu2Clicked");
    QVERIFY(confirm->property("visible").toBool());
    QMetaObject::invokeMethod(confirm, "btnCancelClicked");
    QVERIFY(!sf.core.calls.join(' ').contains("modifyNetContact(1"));
    QMetaObject::invokeMethod(ScreenFixture::rowItem(list, 0), "menu2Clicked");
    QMetaObject::invokeMethod(confirm, "btnOKClicked");
    QVERIFY(sf.core.calls.contains("modifyNetContact(1,4,,,)"));
    emit sf.core.sig_modifyNetContact(1);
    QCOMPARE(sf.alerts().last(), QStringLiteral("操作失败"));

    // Import: the template from the middle button, then the import itself; the result of
    // the upload ends the busy box.
    QmlFixture::click(child<QQuickItem>(net, "btnImport"));
    QCOMPARE(confirm->property("btnCount").toInt(), 3);
    QMetaObject::invokeMethod(confirm, "btnMiddleClicked");
    QVERIFY(sf.core.calls.contains("openNetContactTemplate()"));
    QmlFixture::click(child<QQuickItem>(net, "btnImport"));
    QMetaObject::invokeMethod(confirm, "btnOKClicked");
    QVERIFY(sf.core.calls.contains("importNetContact()"));
    emit sf.core.sig_importNetContactStart();
    QObject *busy = child(net, "busy");
    QVERIFY(busy->property("show").toBool());
    QCOMPARE(busy->property("title").toString(), QStringLiteral("正在导入"));
    emit sf.core.sig_uploadNetContact(1);
    QVERIFY(!busy->property("show").toBool());
    QCOMPARE(sf.alerts().last(), QStringLiteral("导入失败"));

    // Backup warns that it replaces the last one, then offers to open the workbook.
    QmlFixture::click(child<QQuickItem>(net, "btnBackup"));
    QCOMPARE(child(confirm, "message")->property("text").toString(),
             QStringLiteral("该操作将覆盖原来的备份"));
    QMetaObject::invokeMethod(confirm, "btnOKClicked");
    QVERIFY(sf.core.calls.contains("backupNetContact()"));
    emit sf.core.sig_backupNetContactStart();
    QCOMPARE(busy->property("title").toString(), QStringLiteral("正在备份"));
    emit sf.core.sig_backupNetContactFinish("备份成功，共1条记录", QUrl("file:///tmp/none.xlsx"));
    QVERIFY(!busy->property("show").toBool());
    QObject *result = child(net, "resultDialog");
    QVERIFY(result->property("visible").toBool());
    QCOMPARE(child(result, "message")->property("text").toString(),
             QStringLiteral("备份成功，共1条记录"));
    QCOMPARE(result->property("btnCount").toInt(), 2);
    QMetaObject::invokeMethod(result, "btnCancelClicked");

    // A failed backup has nothing to open; a workbook that could not be read ends the import's
    // busy box at once and says so, while another kind's failure is not this screen's.
    emit sf.core.sig_backupNetContactStart();
    emit sf.core.sig_backupNetContactFinish("备份失败", QUrl());
    QVERIFY(result->property("visible").toBool());
    QCOMPARE(result->property("btnCount").toInt(), 1);
    QMetaObject::invokeMethod(result, "btnOKClicked");
    emit sf.core.sig_importNetContactStart();
    emit sf.core.sig_importFailed(Codes::SheetContact, "导入失败");
    QVERIFY(busy->property("show").toBool());
    emit sf.core.sig_importFailed(Codes::SheetNetContact, "导入失败");
    QVERIFY(!busy->property("show").toBool());
    QCOMPARE(sf.alerts().last(), QStringLiteral("导入失败"));
}

void TestContactScreens::userSearchOpensTheCardAskedFor()
{
    ScreenFixture sf;
    QVERIFY(sf.showMain());
    openOnTab(sf, "circlePage", "SearchInterface.qml");
    QQuickItem *search = sf.tabScreen(2);
    QVERIFY(search);
    QObject *input = child(search, "searchInput");
    input->setProperty("text", "12345");
    QmlFixture::click(child<QQuickItem>(search, "btnFindUser"));
    QCOMPARE(sf.alerts(), QStringList{"号码格式不对"});
    QVERIFY(!stackScreen(search));
    input->setProperty("text", " 1234567 ");
    QmlFixture::click(child<QQuickItem>(search, "btnFindUser"));
    QVERIFY(sf.core.calls.contains("searchCircleUser(1234567)"));
    QQuickItem *results = stackScreen(search);
    QVERIFY(results);

    // Core fills the results as the server answers.
    sf.publish("searchuserModel", {contactRow({{"strZpid", "1234567"}, {"strName", "赵六"}})});
    QObject *users = child(results, "userList");
    QTRY_VERIFY(ScreenFixture::rowItem(users, 0));
    sf.core.calls.clear();
    QMetaObject::invokeMethod(ScreenFixture::rowItem(users, 0), "doubleClicked");
    // The card is asked of the server once, and shown when it comes.
    QCOMPARE(sf.core.calls, QStringList{"getStrangeCard(1234567)"});
    QQuickItem *card = stackScreen(results);
    QVERIFY(card);
    emit sf.core.sig_getStrangeCard("1234567", "赵六::女:某厂::13700000007");
    QCOMPARE(ScreenFixture::textOf(card, "cardName"), QStringLiteral("赵六"));
    QCOMPARE(ScreenFixture::textOf(child(card, "field2"), "value"), QStringLiteral("女"));

    // Back on the search screen, the same text looks for circles.
    QMetaObject::invokeMethod(card, "closed");
    QMetaObject::invokeMethod(results, "closed");
    QVERIFY(!stackScreen(search));
    QmlFixture::click(child<QQuickItem>(search, "btnFindCircle"));
    QVERIFY(sf.core.calls.contains("searchCircle(1234567)"));
    QVERIFY(stackScreen(search));
}

void TestContactScreens::mayKnowFiltersBySex()
{
    ScreenFixture sf;
    sf.publish("mayknowModel", {contactRow({{"strZpid", "1"}, {"strSex", "女"}}),
                                contactRow({{"strZpid", "2"}, {"strSex", "男"}}),
                                contactRow({{"strZpid", "3"}, {"strSex", ""}})});
    QVERIFY(sf.showMain());
    openOnTab(sf, "circlePage", "MayKnowInterface.qml");
    QQuickItem *screen = sf.tabScreen(2);
    QVERIFY(screen);
    QObject *list = child(screen, "mayKnowList");
    QTRY_VERIFY(ScreenFixture::rowItem(list, 2));
    auto shown = [&] {
        QStringList zpids;
        for (int i = 0; i < 3; ++i) {
            QQuickItem *row = ScreenFixture::rowItem(list, i);
            if (row && row->isVisible())
                zpids << row->property("modelData")
                             .value<QObject *>()
                             ->property("strZpid")
                             .toString();
        }
        return zpids;
    };
    QCOMPARE(shown(), (QStringList{"1", "2", "3"}));
    const QList<QPair<QString, QStringList>> filters{
        {"filter1", {"1"}}, {"filter2", {"2"}}, {"filter0", {"1", "2", "3"}}};
    for (const auto &[button, expected] : filters) {
        QmlFixture::click(child<QQuickItem>(screen, button));
        QCOMPARE(shown(), expected);
    }
    // A suggestion opens the person's card, asked for by Zpid.
    QMetaObject::invokeMethod(ScreenFixture::rowItem(list, 1), "doubleClicked");
    QVERIFY(stackScreen(screen));
    QVERIFY(sf.core.calls.contains("getCard(2,0)"));
}

QTEST_MAIN(TestContactScreens)
#include "tst_contactscreens.moc"
