// The settings, password, feedback and about screens of the more tab, with the stand-in
// controller: each entry opens its screen, the switches change the settings and ask core to
// apply the two that act on the window and the session, the password screen refuses what
// cannot or must not be sent with its notice and sends nothing, feedback goes to the assistant
// and opens its conversation, and the about screen shows the version and the agreement.
#include <QSignalSpy>
#include <QtTest>

#include "screenfixture.h"

namespace {

QString className(QObject *pObject)
{
    return pObject ? QString::fromLatin1(pObject->metaObject()->className()) : QString();
}

// The check box of entry `index` of a RoundedList.
QQuickItem *checkOf(QObject *pList, int index)
{
    return child<QQuickItem>(child(pList, QStringLiteral("entry_%1").arg(index)),
                             QStringLiteral("check"));
}

} // namespace

class TestSettingScreens : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void moreEntriesOpenTheirScreens_data();
    void moreEntriesOpenTheirScreens();
    void switchesChangeSettings_data();
    void switchesChangeSettings();
    void passwordRefusedAtTheScreen_data();
    void passwordRefusedAtTheScreen();
    void passwordAnswer_data();
    void passwordAnswer();
    void feedbackGoesToTheAssistant();
    void emptyFeedbackIsRefused();
    void aboutShowsVersionAndAgreement();

private:
    // Opens the more tab's entry and returns the screen it loaded.
    static QQuickItem *openMore(ScreenFixture &f, int index);
    static QQuickItem *openPassword(ScreenFixture &f);
};

QQuickItem *TestSettingScreens::openMore(ScreenFixture &f, int index)
{
    if (!f.showMain())
        return nullptr;
    f.main->findChild<QObject *>(QStringLiteral("tabs"))->setProperty("current", 4);
    QmlFixture::click(child<QQuickItem>(child(f.main, QStringLiteral("moreList")),
                                        QStringLiteral("entry_%1").arg(index)));
    return f.tabScreen(4);
}

QQuickItem *TestSettingScreens::openPassword(ScreenFixture &f)
{
    QQuickItem *pSettings = openMore(f, 2);
    if (!pSettings)
        return nullptr;
    QmlFixture::click(
        child<QQuickItem>(child(pSettings, QStringLiteral("passwordEntry")), "entry_0"));
    return ScreenFixture::loaded(pSettings->property("stack").value<QObject *>());
}

void TestSettingScreens::moreEntriesOpenTheirScreens_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("screen");
    QTest::newRow("settings") << 2 << "SystemSettingInterface";
    QTest::newRow("feedback") << 4 << "FeedbackInterface";
    QTest::newRow("about") << 5 << "AboutInterface";
}

void TestSettingScreens::moreEntriesOpenTheirScreens()
{
    QFETCH(int, index);
    QFETCH(QString, screen);
    ScreenFixture f;
    QQuickItem *pScreen = openMore(f, index);
    QVERIFY2(className(pScreen).startsWith(screen), qPrintable(className(pScreen)));
    // Its back button closes it again.
    QmlFixture::click(child<QQuickItem>(pScreen, QStringLiteral("btnLeft")));
    QTRY_COMPARE(f.tabScreen(4), nullptr);
}

void TestSettingScreens::switchesChangeSettings_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QByteArray>("property");
    QTest::addColumn<QString>("applied"); // what core is asked to do, empty for nothing
    QTest::newRow("auto-start") << 0 << QByteArray("bAutoStartup") << "setAutoStartup";
    QTest::newRow("stays on top") << 1 << QByteArray("bStaysOnTop") << "setStaysOnTop";
    QTest::newRow("call prompt") << 2 << QByteArray("bCallPrompt") << "";
    QTest::newRow("message prompt") << 3 << QByteArray("bMsgPrompt") << "";
    QTest::newRow("auto update") << 4 << QByteArray("bAutoUpdate") << "";
}

void TestSettingScreens::switchesChangeSettings()
{
    QFETCH(int, index);
    QFETCH(QByteArray, property);
    QFETCH(QString, applied);
    ScreenFixture f;
    QQuickItem *pScreen = openMore(f, 2);
    QVERIFY(pScreen);
    QObject *pSwitches = child(pScreen, QStringLiteral("switches"));
    QQuickItem *pCheck = checkOf(pSwitches, index);
    QVERIFY(pCheck);
    const bool bBefore = f.setting.property(property.constData()).toBool();
    // The switch shows the stored value.
    QCOMPARE(pCheck->property("checked").toBool(), bBefore);
    f.core.calls.clear();

    for (const bool bExpected : {!bBefore, bBefore}) {
        QmlFixture::click(pCheck);
        QCOMPARE(f.setting.property(property.constData()).toBool(), bExpected);
        QCOMPARE(pCheck->property("checked").toBool(), bExpected);
    }
    QStringList expectedCalls;
    if (!applied.isEmpty())
        expectedCalls << applied + (bBefore ? "(false)" : "(true)")
                      << applied + (bBefore ? "(true)" : "(false)");
    QCOMPARE(f.core.calls, expectedCalls);
    // The other switches kept their values.
    const CSetting defaults(false, false, true, true, true);
    for (const char *pOther :
         {"bAutoStartup", "bStaysOnTop", "bCallPrompt", "bMsgPrompt", "bAutoUpdate"})
        QCOMPARE(f.setting.property(pOther), defaults.property(pOther));
}

void TestSettingScreens::passwordRefusedAtTheScreen_data()
{
    QTest::addColumn<QString>("oldPassword");
    QTest::addColumn<QString>("newPassword");
    QTest::addColumn<QString>("confirmation");
    QTest::addColumn<QString>("notice"); // empty: the change is sent

    const QString strLongest(239, u'a');
    QTest::newRow("wrong old") << "demo12345"
                               << "fresh"
                               << "fresh"
                               << "旧密码不正确";
    QTest::newRow("empty old") << ""
                               << "fresh"
                               << "fresh"
                               << "旧密码不正确";
    QTest::newRow("empty new") << "demo1234"
                               << ""
                               << ""
                               << "新密码不能为空";
    QTest::newRow("mismatch") << "demo1234"
                              << "fresh1"
                              << "fresh2"
                              << "两次输入的新密码不一致";
    QTest::newRow("one byte too long")
        << "demo1234" << strLongest + 'a' << strLongest + 'a' << "新密码太长";
    // 80 characters of three bytes each are 240 bytes, as many as 240 ASCII letters.
    const QString strWide = QString(80, QChar(0x5BC6));
    QTest::newRow("too long in bytes") << "demo1234" << strWide << strWide << "新密码太长";
    QTest::newRow("longest that fits") << "demo1234" << strLongest << strLongest << "";
    QTest::newRow("plain") << "demo1234"
                           << "新的 pass%$"
                           << "新的 pass%$"
                           << "";
}

void TestSettingScreens::passwordRefusedAtTheScreen()
{
    QFETCH(QString, oldPassword);
    QFETCH(QString, newPassword);
    QFETCH(QString, confirmation);
    QFETCH(QString, notice);
    ScreenFixture f;
    f.background->setProperty("strLoginPassword", QStringLiteral("demo1234"));
    QQuickItem *pScreen = openPassword(f);
    QVERIFY2(className(pScreen).startsWith("ChangePasswordInterface"),
             qPrintable(className(pScreen)));
    QSignalSpy sent(f.background, SIGNAL(changePassword(int, int, QVariant)));
    child(pScreen, QStringLiteral("oldInput"))->setProperty("text", oldPassword);
    child(pScreen, QStringLiteral("newInput"))->setProperty("text", newPassword);
    child(pScreen, QStringLiteral("confirmInput"))->setProperty("text", confirmation);
    QmlFixture::click(child<QQuickItem>(pScreen, QStringLiteral("btnSubmit")));
    if (notice.isEmpty()) {
        QCOMPARE(f.alerts(), QStringList());
        QCOMPARE(sent.size(), 1);
        QCOMPARE(sent.at(0).at(0).toInt(), 0);
        QCOMPARE(sent.at(0).at(1).toInt(), 0);
        QCOMPARE(sent.at(0).at(2).toString(), newPassword);
        // A second press while the answer is awaited sends nothing more.
        QmlFixture::click(child<QQuickItem>(pScreen, QStringLiteral("btnSubmit")));
        QCOMPARE(sent.size(), 1);
    } else {
        QCOMPARE(f.alerts(), QStringList{notice});
        QCOMPARE(sent.size(), 0);
    }
}

void TestSettingScreens::passwordAnswer_data()
{
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("notice");
    QTest::addColumn<bool>("signedOut");
    QTest::newRow("taken") << 0 << "密码已修改，请用新密码登录" << true;
    QTest::newRow("refused") << 1 << "密码修改失败" << false;
}

void TestSettingScreens::passwordAnswer()
{
    QFETCH(int, result);
    QFETCH(QString, notice);
    QFETCH(bool, signedOut);
    ScreenFixture f;
    f.background->setProperty("strLoginPassword", QStringLiteral("demo1234"));
    QQuickItem *pScreen = openPassword(f);
    QVERIFY(pScreen);
    // An answer nobody here asked for (an enterprise password, or before sending) is ignored.
    emit f.core.sig_changePassword(0, 0, 0);
    QCOMPARE(f.alerts(), QStringList());
    child(pScreen, QStringLiteral("oldInput"))->setProperty("text", QStringLiteral("demo1234"));
    child(pScreen, QStringLiteral("newInput"))->setProperty("text", QStringLiteral("fresh"));
    child(pScreen, QStringLiteral("confirmInput"))->setProperty("text", QStringLiteral("fresh"));
    QmlFixture::click(child<QQuickItem>(pScreen, QStringLiteral("btnSubmit")));
    f.core.calls.clear();
    emit f.core.sig_changePassword(1, 0, 0);
    QCOMPARE(f.alerts(), QStringList());
    emit f.core.sig_changePassword(0, 0, result);
    QCOMPARE(f.alerts(), QStringList{notice});
    QCOMPARE(f.core.calls.contains(QStringLiteral("logout()")), signedOut);
    QCOMPARE(f.background->property("loginShown").toInt(), signedOut ? 1 : 0);
}

void TestSettingScreens::feedbackGoesToTheAssistant()
{
    ScreenFixture f;
    QQuickItem *pScreen = openMore(f, 4);
    QVERIFY(pScreen);
    QSignalSpy sent(f.background, SIGNAL(sendMsg(QString, QString)));
    child(pScreen, QStringLiteral("feedbackInput"))
        ->setProperty("text", QStringLiteral("  地图打不开 <b>\n"));
    QmlFixture::click(child<QQuickItem>(pScreen, QStringLiteral("btnRight")));
    QCOMPARE(sent.size(), 1);
    QCOMPARE(sent.at(0).at(0).toString(), QStringLiteral("地图打不开 <b>"));
    QCOMPARE(sent.at(0).at(1).toString(), QStringLiteral("800"));
    QCOMPARE(f.alerts(), QStringList{QStringLiteral("反馈已发送，助手的回复会出现在对话中")});
    // The conversation with the assistant opens, where its answer will show; the feedback
    // screen is gone.
    QObject *pChatLoader = child(f.main, QStringLiteral("chatLoader"));
    QQuickItem *pChat = ScreenFixture::loaded(pChatLoader);
    QVERIFY2(className(pChat).startsWith("MessageInterface"), qPrintable(className(pChat)));
    QCOMPARE(f.main->property("msg_strZpid").toString(), QStringLiteral("800"));
    QTRY_COMPARE(f.tabScreen(4), nullptr);
}

void TestSettingScreens::emptyFeedbackIsRefused()
{
    ScreenFixture f;
    QQuickItem *pScreen = openMore(f, 4);
    QVERIFY(pScreen);
    QSignalSpy sent(f.background, SIGNAL(sendMsg(QString, QString)));
    child(pScreen, QStringLiteral("feedbackInput"))->setProperty("text", QStringLiteral(" \n "));
    QmlFixture::click(child<QQuickItem>(pScreen, QStringLiteral("btnRight")));
    QCOMPARE(sent.size(), 0);
    QCOMPARE(f.alerts(), QStringList{QStringLiteral("反馈内容不能为空")});
    QCOMPARE(f.tabScreen(4), pScreen);
}

void TestSettingScreens::aboutShowsVersionAndAgreement()
{
    ScreenFixture f;
    QQuickItem *pScreen = openMore(f, 5);
    QVERIFY(pScreen);
    QCOMPARE(ScreenFixture::textOf(pScreen, QStringLiteral("versionText")),
             QStringLiteral("版本号:9.8.7654"));
    QmlFixture::click(child<QQuickItem>(pScreen, QStringLiteral("agreementLink")));
    QQuickItem *pAgreement = ScreenFixture::loaded(pScreen->property("stack").value<QObject *>());
    QVERIFY2(className(pAgreement).startsWith("UserProtocolInterface"),
             qPrintable(className(pAgreement)));
    QObject *pList = child(pAgreement, QStringLiteral("agreementList"));
    QVERIFY(pList);
    QCOMPARE(pList->property("count").toInt(), 5);
    QVERIFY(ScreenFixture::rowItem(pList, 0)->property("text").toString().startsWith("欢迎使用"));
}

QTEST_MAIN(TestSettingScreens)
#include "tst_settingscreens.moc"
