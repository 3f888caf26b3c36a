// Behaviour of the reusable components: notices, dial pad, dialogs, status logo, user
// pictures, transfer bubbles, input bar, lists and tabs.
#include "declarativemenu.h"
#include "qmlfixture.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHash>
#include <QMenu>
#include <QMimeData>
#include <QQmlProperty>
#include <QQuickItem>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

class TestComponents : public QObject
{
    Q_OBJECT

private slots:
    void alertSecondNoticeReplacesTextOnly();
    void dialpadKeys_data();
    void dialpadKeys();
    void dialpadTypingIsValidated();
    void dialogMessageButtonRow_data();
    void dialogMessageButtonRow();
    void dialogMessageButtonsReport();
    void logoBlinksWhileSigningIn();
    void userPicSources_data();
    void userPicSources();
    void userPicReloadsOnlyForItsZpid();
    void transferReportsAreFiltered_data();
    void transferReportsAreFiltered();
    void fileReceiveAndCancel();
    void failedUploadSaysSo();
    void fileIconFollowsSuffix_data();
    void fileIconFollowsSuffix();
    void bottomBarSendsAndTakesEmoticons();
    void comboBoxPicksAndEdits();
    void enterpriseDialogFillsFromOrgList();
    void tabGroupShowsCurrentPageOnly();
    void contextMenuOpensOnlyWithActions();
    void entryListsReportTheirEntries();
    void seekBarFollowsPosition();
};

static QVariant call(QObject *object, const char *method, const QVariant &a = {},
                     const QVariant &b = {})
{
    QVariant result;
    bool ok = false;
    if (!a.isValid())
        ok = QMetaObject::invokeMethod(object, method, Q_RETURN_ARG(QVariant, result));
    else if (!b.isValid())
        ok = QMetaObject::invokeMethod(object, method, Q_RETURN_ARG(QVariant, result),
                                       Q_ARG(QVariant, a));
    else
        ok = QMetaObject::invokeMethod(object, method, Q_RETURN_ARG(QVariant, result),
                                       Q_ARG(QVariant, a), Q_ARG(QVariant, b));
    if (!ok)
        qWarning("cannot call %s", method);
    return result;
}

void TestComponents::alertSecondNoticeReplacesTextOnly()
{
    QmlFixture fx;
    QObject *alert = fx.create("components/Alert.qml");
    QVERIFY(alert);
    QObject *hold = child(alert, "alertHoldTimer");
    QVERIFY(hold);
    QSignalSpy faded(hold, SIGNAL(triggered()));
    // A hold far longer than the test: the notice stays up however slow the machine is, and a
    // restart of the hold shows as the timer stopping and starting again.
    alert->setProperty("holdTime", 600000);

    call(alert, "show", QStringLiteral("第一条"));
    QVERIFY(alert->property("visible").toBool());
    QCOMPARE(alert->property("opacity").toDouble(), 1.0);
    QVERIFY(hold->property("running").toBool());
    QSignalSpy restarted(hold, SIGNAL(runningChanged()));
    call(alert, "show", QStringLiteral("second"));
    QCOMPARE(alert->property("text").toString(), QStringLiteral("second"));
    QVERIFY(alert->property("visible").toBool());
    QCOMPARE(alert->property("opacity").toDouble(), 1.0);

    // The hold started with the first notice goes on: the second one did not restart it.
    QCOMPARE(restarted.count(), 0);
    QVERIFY(hold->property("running").toBool());
    QCOMPARE(faded.count(), 0);

    // End the hold now; the notice fades out once.
    alert->setProperty("holdTime", 1);
    QTRY_COMPARE_WITH_TIMEOUT(faded.count(), 1, 3000);
    QTRY_VERIFY_WITH_TIMEOUT(!alert->property("visible").toBool(), 2000);
    QCOMPARE(alert->property("opacity").toDouble(), 0.0);
    QCOMPARE(faded.count(), 1);
}

void TestComponents::dialpadKeys_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<int>("cursor");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("expectedCursor");

    const QString thirty(30, QLatin1Char('5'));
    QTest::newRow("plus on empty field") << "" << 0 << "+13"
                                         << "+13" << 3;
    QTest::newRow("plus after digits ignored") << "12" << 2 << "+"
                                               << "12" << 2;
    QTest::newRow("plus at start of filled field ignored") << "12" << 0 << "+"
                                                           << "12" << 0;
    QTest::newRow("second plus ignored") << "" << 0 << "++"
                                         << "+" << 1;
    QTest::newRow("digit at cursor") << "1234" << 2 << "9"
                                     << "12934" << 3;
    QTest::newRow("digits at front") << "34" << 0 << "12"
                                     << "1234" << 2;
    QTest::newRow("31st digit refused") << thirty << 30 << "1" << thirty << 30;
    QTest::newRow("plus and 30 digits") << "+" + thirty.left(29) << 30 << "7"
                                        << "+" + thirty.left(29) + "7" << 31;
    QTest::newRow("digit before plus refused") << "+1" << 0 << "2"
                                               << "+1" << 0;
}

void TestComponents::dialpadKeys()
{
    QFETCH(QString, start);
    QFETCH(int, cursor);
    QFETCH(QString, keys);
    QFETCH(QString, expected);
    QFETCH(int, expectedCursor);

    QmlFixture fx;
    QObject *pad = fx.create("components/Dialpad.qml");
    QVERIFY(pad);
    QObject *field = child(pad, "phoneField");
    QVERIFY(field);
    pad->setProperty("phoneNum", start);
    field->setProperty("cursorPosition", cursor);

    for (const QChar key : keys) {
        if (key == QLatin1Char('+'))
            call(pad, "insertPlus");
        else
            call(pad, "insertDigit", QString(key));
    }
    QCOMPARE(pad->property("phoneNum").toString(), expected);
    QCOMPARE(field->property("cursorPosition").toInt(), expectedCursor);
}

void TestComponents::dialpadTypingIsValidated()
{
    QmlFixture fx;
    QQuickItem *pad = fx.show("components/Dialpad.qml");
    QVERIFY(pad);
    auto *field = child<QQuickItem>(pad, "phoneField");
    QVERIFY(field);
    field->forceActiveFocus();
    QSignalSpy changed(pad, SIGNAL(phoneNumChanged()));

    QmlFixture::type(fx.view(), QStringLiteral("+12a+3-4"));
    QCOMPARE(pad->property("phoneNum").toString(), QStringLiteral("+1234"));
    QCOMPARE(changed.count(), 5);

    QmlFixture::type(fx.view(), QString(40, QLatin1Char('9')));
    QCOMPARE(pad->property("phoneNum").toString().size(), 31);

    // Keys on the pad itself: a long press on 0 is refused once digits are there.
    auto *zero = child<QQuickItem>(pad, "key_0");
    QVERIFY(zero);
    pad->setProperty("phoneNum", QString());
    QTest::mousePress(fx.view(), Qt::LeftButton, {},
                      zero->mapToScene(QPointF(zero->width() / 2, zero->height() / 2)).toPoint());
    QTest::qWait(1000);
    QTest::mouseRelease(fx.view(), Qt::LeftButton, {},
                        zero->mapToScene(QPointF(zero->width() / 2, zero->height() / 2)).toPoint());
    QCOMPARE(pad->property("phoneNum").toString(), QStringLiteral("+"));
    QmlFixture::click(zero);
    QCOMPARE(pad->property("phoneNum").toString(), QStringLiteral("+0"));
}

void TestComponents::dialogMessageButtonRow_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("btnCount");
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<double>("width");

    const QStringList all{"btnOk", "btnMiddle", "btnCancel"};
    QTest::newRow("three buttons") << 0 << 3 << all << (200.0 - 20.0) / 3.0;
    QTest::newRow("two buttons") << 0 << 2 << QStringList{"btnOk", "btnCancel"} << 95.0;
    QTest::newRow("one button") << 0 << 1 << QStringList{"btnOk"} << 200.0;
    QTest::newRow("OK only type") << 1 << 3 << QStringList{"btnOk"} << 200.0;
    QTest::newRow("count above range") << 0 << 7 << all << (200.0 - 20.0) / 3.0;
}

void TestComponents::dialogMessageButtonRow()
{
    QFETCH(int, type);
    QFETCH(int, btnCount);
    QFETCH(QStringList, shown);
    QFETCH(double, width);

    QmlFixture fx;
    QQuickItem *dialog = fx.show("components/DialogMessage.qml",
                                 {{"type", type}, {"btnCount", btnCount}, {"message", "?"}});
    QVERIFY(dialog);
    double used = 0;
    int visible = 0;
    for (const char *name : {"btnOk", "btnMiddle", "btnCancel"}) {
        auto *button = child<QQuickItem>(dialog, name);
        QVERIFY(button);
        QCOMPARE(button->isVisible(), shown.contains(QLatin1String(name)));
        if (button->isVisible()) {
            QVERIFY(qAbs(button->width() - width) < 0.01);
            used += button->width();
            ++visible;
        }
    }
    QVERIFY(qAbs(used + (visible - 1) * 10 - 200.0) < 0.01);
}

void TestComponents::dialogMessageButtonsReport()
{
    QmlFixture fx;
    QQuickItem *dialog = fx.show("components/DialogMessage.qml",
                                 {{"btnCount", 3}, {"message", "<a href=\"open\">x</a>"}});
    QVERIFY(dialog);
    QSignalSpy ok(dialog, SIGNAL(btnOKClicked()));
    QSignalSpy middle(dialog, SIGNAL(btnMiddleClicked()));
    QSignalSpy cancel(dialog, SIGNAL(btnCancelClicked()));
    QmlFixture::click(child<QQuickItem>(dialog, "btnMiddle"));
    QmlFixture::click(child<QQuickItem>(dialog, "btnCancel"));
    QmlFixture::click(child<QQuickItem>(dialog, "btnOk"));
    QCOMPARE(ok.count(), 1);
    QCOMPARE(middle.count(), 1);
    QCOMPARE(cancel.count(), 1);

    QSignalSpy link(dialog, SIGNAL(linkActivated(QString)));
    QMetaObject::invokeMethod(child(dialog, "message"), "linkActivated", Q_ARG(QString, "open"));
    QCOMPARE(link.count(), 1);
    QCOMPARE(link.at(0).at(0).toString(), QStringLiteral("open"));
}

void TestComponents::logoBlinksWhileSigningIn()
{
    QmlFixture fx;
    QObject *logo = fx.create("components/Logo.qml");
    QVERIFY(logo);
    QObject *timer = child(logo, "blinkTimer");
    QObject *image = child(logo, "logoImage");
    QVERIFY(timer && image);
    auto source = [&] { return image->property("source").toUrl().toString(); };
    QVERIFY(source().endsWith("logo-offline.png"));

    emit fx.core.sig_changeState(true, false);
    QVERIFY(timer->property("running").toBool());
    QCOMPARE(timer->property("interval").toInt(), 500);
    QSignalSpy ticks(timer, SIGNAL(triggered()));
    const QString first = source();
    QTRY_COMPARE_WITH_TIMEOUT(ticks.count(), 1, 3000);
    const QString second = source();
    QTRY_COMPARE_WITH_TIMEOUT(ticks.count(), 2, 3000);
    QCOMPARE_NE(first, second);
    QCOMPARE(source(), first);

    emit fx.core.sig_changeState(false, true);
    QVERIFY(!timer->property("running").toBool());
    QVERIFY(source().endsWith("logo-online.png"));
    QVERIFY(logo->property("online").toBool());
    emit fx.core.sig_changeState(false, false);
    QVERIFY(source().endsWith("logo-offline.png"));
}

void TestComponents::userPicSources_data()
{
    QTest::addColumn<int>("iType");
    QTest::addColumn<int>("iSubType");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("size");
    QTest::addColumn<bool>("stored");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("letterShown");

    const QStringList sizes{"small", "middle", "large"};
    for (const QString &size : sizes) {
        const QByteArray s = size.toLatin1();
        QTest::newRow(s + " own") << 0 << 0 << "张三" << size << false
                                  << "images/userpic/userpic-" + size + "-default.png" << false;
        QTest::newRow(s + " assistant")
            << 1 << 0 << "助手" << size << false
            << "images/userpic/userpic-" + size + "-zpservice.png" << false;
        QTest::newRow(s + " pc") << 5 << 0 << "" << size << false
                                 << "images/userpic/userpic-" + size + "-pc.png" << false;
        QTest::newRow(s + " circle list")
            << 6 << 0 << "" << size << false << "images/userpic/userpic-" + size + "-circle.png"
            << false;
        QTest::newRow(s + " circle type 1")
            << 7 << 1 << "圈" << size << false << "images/userpic/userpic-" + size + "-circle-1.png"
            << false;
        QTest::newRow(s + " circle type 0")
            << 7 << 0 << "圈" << size << false << "images/userpic/userpic-" + size + "-circle-0.png"
            << false;
        QTest::newRow(s + " named user") << 2 << 0 << "李四" << size << false
                                         << "images/userpic/userpic-" + size + "-bg.png" << true;
        QTest::newRow(s + " nameless user")
            << 2 << 0 << "" << size << false << "images/userpic/userpic-" + size + "-default.png"
            << false;
    }
    QTest::newRow("stored picture") << 2 << 0 << "李四"
                                    << "small" << true << "image://userpic/10086" << false;
}

void TestComponents::userPicSources()
{
    QFETCH(int, iType);
    QFETCH(int, iSubType);
    QFETCH(QString, name);
    QFETCH(QString, size);
    QFETCH(bool, stored);
    QFETCH(QString, expected);
    QFETCH(bool, letterShown);

    QmlFixture fx;
    if (stored)
        fx.core.storedPictures << QStringLiteral("10086");
    QObject *pic = fx.create("components/UserPic.qml", {{"iType", iType},
                                                        {"iSubType", iSubType},
                                                        {"strZpid", "10086"},
                                                        {"strName", name},
                                                        {"strType", size}});
    QVERIFY(pic);
    QObject *image = child(pic, "picture");
    const QString source = image->property("source").toUrl().toString();
    QVERIFY2(source.endsWith(expected), qPrintable(source));
    if (!stored) {
        // The placeholder named by the controller exists among the pictures.
        QTRY_COMPARE(image->property("status").toInt(), 1 /* Image.Ready */);
    }
    auto *letter = child<QQuickItem>(pic, "lastName");
    QCOMPARE(letter->isVisible(), letterShown);
    if (letterShown)
        QCOMPARE(letter->property("text").toString(), name.right(1));
}

void TestComponents::userPicReloadsOnlyForItsZpid()
{
    QmlFixture fx;
    QObject *pic = fx.create("components/UserPic.qml", {{"strZpid", "42"}, {"strName", "王五"}});
    QVERIFY(pic);
    QObject *image = child(pic, "picture");
    QVERIFY(image->property("source").toUrl().toString().endsWith("-bg.png"));

    fx.core.storedPictures << QStringLiteral("42");
    emit fx.core.sig_updateCardPic(QStringLiteral("43"));
    QVERIFY(image->property("source").toUrl().toString().endsWith("-bg.png"));
    emit fx.core.sig_updateCardPic(QStringLiteral("42"));
    QCOMPARE(image->property("source").toUrl().toString(), QStringLiteral("image://userpic/42"));
    QVERIFY(pic->property("hasUserPic").toBool());

    // The binding survives the reload: another person in the same item asks again.
    pic->setProperty("strZpid", QStringLiteral("77"));
    QVERIFY(!pic->property("hasUserPic").toBool());
}

void TestComponents::transferReportsAreFiltered_data()
{
    QTest::addColumn<QString>("component");
    QTest::addColumn<bool>("bSend");
    QTest::addColumn<int>("state");
    QTest::addColumn<bool>("download");
    QTest::addColumn<int>("msgId");
    QTest::addColumn<int>("type");
    QTest::addColumn<bool>("taken");

    for (const QString component : {"File", "Picture"}) {
        const QByteArray c = component.toLatin1();
        QTest::newRow(c + " download of received")
            << component << false << 0 << true << 7 << 3 << true;
        QTest::newRow(c + " upload of sent") << component << true << 0 << false << 7 << 3 << true;
        QTest::newRow(c + " same direction") << component << false << 0 << false << 7 << 3 << false;
        QTest::newRow(c + " other message") << component << false << 0 << true << 8 << 3 << false;
        QTest::newRow(c + " other kind") << component << false << 0 << true << 7 << 2 << false;
        QTest::newRow(c + " already done") << component << false << 1 << true << 7 << 3 << false;
        QTest::newRow(c + " cancelled") << component << true << 2 << false << 7 << 3 << false;
    }
}

void TestComponents::transferReportsAreFiltered()
{
    QFETCH(QString, component);
    QFETCH(bool, bSend);
    QFETCH(int, state);
    QFETCH(bool, download);
    QFETCH(int, msgId);
    QFETCH(int, type);
    QFETCH(bool, taken);

    QmlFixture fx;
    QObject *bubble =
        fx.create("components/" + component + ".qml",
                  {{"iMsgId", 7}, {"iType", 3}, {"iMsgState", state}, {"bSend", bSend}});
    QVERIFY(bubble);
    emit fx.core.sig_progress(QStringLiteral("42"), download, msgId, type);
    QCOMPARE(bubble->property("progress").toInt(), taken ? 42 : 0);
    QCOMPARE(child(bubble, "progress")->property("progress").toInt(), taken ? 42 : 0);
    emit fx.core.sig_success(QStringLiteral("/tmp/x"), QStringLiteral("5"), download, msgId, type);
    QCOMPARE(bubble->property("finished").toBool(), taken);
    if (taken)
        QVERIFY(!child(bubble, "progress")->property("on").toBool());
}

void TestComponents::fileReceiveAndCancel()
{
    QmlFixture fx;
    const QVariantMap bubble{{"iMsgId", 9},
                             {"iType", 3},
                             {"iMsgState", 0},
                             {"bSend", false},
                             {"fileinfo", "abc123:报告.docx:1.2M:2014-05-08:docx"},
                             {"filepath", "file:///recv"},
                             {"strZpid", "10001"}};
    QQuickItem *file = fx.show("components/File.qml", bubble);
    QVERIFY(file);
    QCOMPARE(child(file, "fileName")->property("text").toString(), QStringLiteral("报告.docx"));

    // A cancelled directory dialog starts nothing.
    QmlFixture::click(child<QQuickItem>(file, "btnReceive"));
    QCOMPARE(fx.core.calls, QStringList{"chooseDir(报告.docx,docx)"});
    QVERIFY(child<QQuickItem>(file, "btnReceive")->isVisible());

    fx.core.calls.clear();
    fx.core.chosenDir = QStringLiteral("/home/u/报告.docx");
    QmlFixture::click(child<QQuickItem>(file, "btnReceive"));
    QCOMPARE(fx.core.calls, (QStringList{"chooseDir(报告.docx,docx)",
                                         "downloadFile(abc123,/home/u/报告.docx,10001,9,3)"}));
    QVERIFY(!child<QQuickItem>(file, "btnReceive")->isVisible());
    QVERIFY(child(file, "progress")->property("on").toBool());

    // A failed download offers the file again; a report about another message changes nothing.
    emit fx.core.sig_failed(QStringLiteral("10001"), true, 8, 3);
    QVERIFY(!child<QQuickItem>(file, "btnReceive")->isVisible());
    emit fx.core.sig_failed(QStringLiteral("10001"), true, 9, 3);
    QVERIFY(child<QQuickItem>(file, "btnReceive")->isVisible());
    QVERIFY(!child(file, "progress")->property("on").toBool());

    fx.core.calls.clear();
    QmlFixture::click(child<QQuickItem>(file, "btnCancel"));
    QCOMPARE(fx.core.calls, QStringList{"cancelRecvFile(file:///recv,10001,true,9)"});
}

void TestComponents::failedUploadSaysSo()
{
    QmlFixture fx;
    QQuickItem *file =
        fx.show("components/File.qml", {{"iMsgId", 4},
                                        {"iType", 3},
                                        {"iMsgState", 3},
                                        {"bSend", true},
                                        {"fileinfo", "abc123:报告.docx:1.2M:2014-05-08:docx"}});
    QVERIFY(file);
    QCOMPARE(child(file, "status")->property("text").toString(), QStringLiteral("发送失败"));
    QVERIFY(!child<QQuickItem>(file, "btnCancel")->isVisible());
}

void TestComponents::fileIconFollowsSuffix_data()
{
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<QString>("icon");
    QTest::newRow("picture") << "JPG"
                             << "file-picture.png";
    QTest::newRow("audio") << "mp3"
                           << "file-audio.png";
    QTest::newRow("video") << "mp4"
                           << "file-video.png";
    QTest::newRow("document") << "xlsx"
                              << "file-document.png";
    QTest::newRow("other") << "exe"
                           << "file-other.png";
    QTest::newRow("no suffix") << ""
                               << "file-other.png";
}

void TestComponents::fileIconFollowsSuffix()
{
    QFETCH(QString, suffix);
    QFETCH(QString, icon);
    QmlFixture fx;
    QObject *file = fx.create("components/File.qml", {{"fileinfo", "m:n:1K:2014-01-01:" + suffix}});
    QVERIFY(file);
    QObject *image = child(file, "fileIcon");
    QVERIFY(image->property("source").toUrl().toString().endsWith(icon));
    QTRY_COMPARE(image->property("status").toInt(), 1 /* Image.Ready */);
}

void TestComponents::bottomBarSendsAndTakesEmoticons()
{
    QmlFixture fx;
    QQuickItem *bar = fx.show("components/BottomBar.qml");
    QVERIFY(bar);
    QSignalSpy sent(bar, SIGNAL(btnSendClicked(QString)));
    auto *input = bar->property("textInput").value<QQuickItem *>();
    QVERIFY(input);
    input->forceActiveFocus();

    QmlFixture::type(fx.view(), QStringLiteral("hello"));
    QTest::keyClick(fx.view(), Qt::Key_Return);
    QCOMPARE(sent.count(), 1);
    QCOMPARE(sent.at(0).at(0).toString(), QStringLiteral("hello"));
    QCOMPARE(bar->property("text").toString(), QString());

    QmlFixture::type(fx.view(), QStringLiteral("   "));
    QTest::keyClick(fx.view(), Qt::Key_Enter);
    QCOMPARE(sent.count(), 1);

    bar->setProperty("text", QStringLiteral("hi"));
    bar->setProperty("showFace", true);
    QVERIFY(child<QQuickItem>(bar, "facePanel")->isVisible());
    call(bar, "appendFace", QStringLiteral("1"));
    QCOMPARE(bar->property("text").toString(), QStringLiteral("hi^wx^"));
    QVERIFY(!bar->property("showFace").toBool());
    QVERIFY(!child<QQuickItem>(bar, "facePanel")->isVisible());
    // The box shows the picture, not the code, and typing goes on after it.
    const auto shown = [input] {
        QString strShown;
        QMetaObject::invokeMethod(input, "getText", Q_RETURN_ARG(QString, strShown), Q_ARG(int, 0),
                                  Q_ARG(int, input->property("length").toInt()));
        return strShown;
    };
    QCOMPARE(shown(), QStringLiteral("hi") + QChar(QChar::ObjectReplacementCharacter));
    QVERIFY(input->property("text").toString().contains(QLatin1String("face_1.png")));
    input->forceActiveFocus();
    QmlFixture::type(fx.view(), QStringLiteral("!"));
    QCOMPARE(bar->property("text").toString(), QStringLiteral("hi^wx^!"));
    // A typed code is text, and a paste brings the clipboard's plain text only.
    bar->setProperty("text", QString());
    auto *pMime = new QMimeData;
    pMime->setHtml(QStringLiteral("<b>x</b><img src=\"http://127.0.0.1:9/p.png\">"));
    pMime->setText(QStringLiteral("<b>x</b>"));
    QGuiApplication::clipboard()->setMimeData(pMime);
    QTest::keyClick(fx.view(), Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(bar->property("text").toString(), QStringLiteral("<b>x</b>"));
    QVERIFY(!input->property("text").toString().contains(QLatin1String("p.png")));
    QTest::keyClick(fx.view(), Qt::Key_Return);
    QCOMPARE(sent.last().at(0).toString(), QStringLiteral("<b>x</b>"));

    // The function panel's entries map to their own signals.
    QSignalSpy file(bar, SIGNAL(btnFileClicked()));
    bar->setProperty("expand", true);
    QmlFixture::click(child<QQuickItem>(bar, "func_2")->childItems().first());
    QCOMPARE(file.count(), 1);
    QVERIFY(!bar->property("expand").toBool());
}

void TestComponents::comboBoxPicksAndEdits()
{
    QmlFixture fx;
    QObject *combo =
        fx.create("components/ComboBox.qml", {{"items", QStringList{"13800000001", "10086"}}});
    QVERIFY(combo);
    QSignalSpy picked(combo, SIGNAL(comboClicked(int)));
    call(combo, "select", 1);
    QCOMPARE(combo->property("selectedItem").toString(), QStringLiteral("10086"));
    QCOMPARE(combo->property("selectedIndex").toInt(), 1);
    QCOMPARE(picked.count(), 1);
    QCOMPARE(picked.at(0).at(0).toInt(), 1);
    call(combo, "select", 5);
    QCOMPARE(picked.count(), 1);
    QCOMPARE(combo->property("selectedItem").toString(), QStringLiteral("10086"));
}

void TestComponents::enterpriseDialogFillsFromOrgList()
{
    QmlFixture fx;
    fx.core.enPassword = QStringLiteral("secret");
    QObject *dialog = fx.create("components/DialogLoginEnterprise.qml");
    QVERIFY(dialog);
    emit fx.core.sig_setOrgInfo(QVariant(QStringList{"101", "205", "999"}),
                                QVariant(QStringList{"甲公司", "乙公司"}));
    QCOMPARE(dialog->property("strOrgId").toString(), QStringLiteral("101"));
    QCOMPARE(dialog->property("strOrgName").toString(), QStringLiteral("甲公司"));
    QCOMPARE(dialog->property("input").toString(), QStringLiteral("secret"));
    QVERIFY(dialog->property("checked").toBool());
    QCOMPARE(dialog->property("orgIds").toStringList().size(), 2);
    QVERIFY(fx.core.calls.contains("getEnPassword(101)"));

    QSignalSpy ok(dialog, SIGNAL(btnOKClicked(QString, QString, QString)));
    fx.core.enPassword.clear();
    call(dialog, "chooseOrg", 1);
    QVERIFY(!dialog->property("checked").toBool());
    dialog->setProperty("input", QStringLiteral("pw"));
    call(dialog, "accept");
    QCOMPARE(ok.count(), 1);
    QCOMPARE(ok.at(0), (QVariantList{"205", "乙公司", "pw"}));

    call(dialog, "onSetOrgInfo", QVariant(QStringList{}), QVariant(QStringList{}));
    call(dialog, "accept");
    QCOMPARE(ok.count(), 1);
}

void TestComponents::tabGroupShowsCurrentPageOnly()
{
    QmlFixture fx;
    QQuickItem *tabs = fx.showInline(R"(
        import QtQuick
        import "qrc:/qml/Zephon/components"
        import "qrc:/qml/Zephon/delegate"
        TabGroup {
            width: 280; height: 300
            delegate: TabGroupDelegate {}
            Item { objectName: "p0"; property string title: "通话"; property bool showtips: false; property int unReadCount: 0 }
            Item { objectName: "p1"; property string title: "消息"; property bool showtips: true; property int unReadCount: 3 }
        })",
                                     "tabs.qml", {280, 300});
    QVERIFY(tabs);

    auto *p0 = child<QQuickItem>(tabs, "p0");
    auto *p1 = child<QQuickItem>(tabs, "p1");
    QVERIFY(p0->isVisible() && !p1->isVisible());
    QCOMPARE(p0->parentItem()->y(), 52.0);

    auto *header = tabs->property("headerRow").value<QQuickItem *>();
    QCOMPARE(header->childItems().size(), 3); // two buttons and the repeater
    QQuickItem *first = header->childItems().at(0);
    QQuickItem *second = header->childItems().at(1);
    QCOMPARE(child(second, "title")->property("text").toString(), QStringLiteral("消息"));
    QVERIFY(child<QQuickItem>(second, "badge")->isVisible());
    QVERIFY(!child<QQuickItem>(first, "badge")->isVisible());

    QmlFixture::click(second);
    QCOMPARE(tabs->property("current").toInt(), 1);
    QVERIFY(!p0->isVisible() && p1->isVisible());

    // The call tab folds the dial pad only when pressed while already current.
    QmlFixture::click(first);
    QVERIFY(first->property("expand").toBool());
    QmlFixture::click(first);
    QVERIFY(!first->property("expand").toBool());
    QCOMPARE(child(first, "fold")->property("text").toString(), QStringLiteral("展开"));
}

void TestComponents::contextMenuOpensOnlyWithActions()
{
    QmlFixture fx;
    QQuickItem *root = fx.showInline(R"(
        import QtQuick
        import NativeQuickWidgets 1.0
        import "qrc:/qml/Zephon/components"
        Item {
            width: 200; height: 100
            Item { objectName: "empty"; width: 100; height: 100; ContextMenu {} }
            Item { objectName: "full"; x: 100; width: 100; height: 100
                ContextMenu { MenuAction { text: "a" } } }
        })",
                                     "menu.qml", {200, 100});
    QVERIFY(root);

    auto menuOf = [&](const char *name) {
        return child<DeclarativeMenu>(child(root, name), QString());
    };
    // The pop-up runs modally: each one is counted and closed as soon as it shows, so that the
    // click that opened it returns.
    QHash<DeclarativeMenu *, int> opened;
    for (DeclarativeMenu *menu : {menuOf("empty"), menuOf("full")}) {
        QVERIFY(menu);
        connect(menu, &DeclarativeMenu::visibilityChanged, menu, [&opened, menu](bool visible) {
            if (!visible)
                return;
            ++opened[menu];
            QTimer::singleShot(0, menu->menu(), &QMenu::close);
        });
    }
    auto *empty = child<QQuickItem>(root, "empty")->childItems().first();
    auto *full = child<QQuickItem>(root, "full")->childItems().first();
    QSignalSpy emptyClicks(empty, SIGNAL(rightClicked()));
    QSignalSpy fullClicks(full, SIGNAL(rightClicked()));

    QmlFixture::click(empty, Qt::RightButton);
    QmlFixture::click(full, Qt::RightButton);
    QmlFixture::click(full, Qt::LeftButton);
    QCOMPARE(emptyClicks.count(), 1);
    QCOMPARE(fullClicks.count(), 1);
    QCOMPARE(opened.value(menuOf("empty")), 0);
    QCOMPARE(opened.value(menuOf("full")), 1);
    QVERIFY(!menuOf("full")->visible());
    QCOMPARE(menuOf("full")->actionList().size(), 1);
}

void TestComponents::entryListsReportTheirEntries()
{
    QmlFixture fx;
    QQuickItem *root = fx.showInline(R"(
        import QtQuick
        import "qrc:/qml/Zephon/components"
        Item {
            width: 280; height: 400
            RoundedList {
                objectName: "list"
                ListEntry { title: "个人名片" }
                ListEntry { title: "开机自动启动"; showCheckBox: true }
            }
            PopupMenu {
                objectName: "menu"; y: 200
                ListEntry { text: "添加员工" }
                ListEntry { text: "导出员工"; visible: false }
                ListEntry { text: "导入员工" }
            }
        })",
                                     "lists.qml", {280, 400});
    QVERIFY(root);

    auto *list = child<QQuickItem>(root, "list");
    QSignalSpy clicked(list, SIGNAL(clicked(int)));
    QSignalSpy toggled(list, SIGNAL(toggled(bool, int)));
    QCOMPARE(child<QQuickItem>(list, "entry_0")->height(), 44.0);
    QmlFixture::click(child<QQuickItem>(list, "entry_0"));
    QmlFixture::click(child<QQuickItem>(child(list, "entry_1"), "check"));
    QCOMPARE(clicked.count(), 1);
    QCOMPARE(clicked.at(0).at(0).toInt(), 0);
    QCOMPARE(toggled.count(), 1);
    QCOMPARE(toggled.at(0), (QVariantList{true, 1}));

    auto *menu = child<QQuickItem>(root, "menu");
    QSignalSpy picked(menu, SIGNAL(menuClicked(int)));
    QCOMPARE(child<QQuickItem>(menu, "entry_0")->height(), 46.0);
    QVERIFY(!child<QQuickItem>(menu, "entry_1")->isVisible());
    QCOMPARE(menu->height(), 2 * 46.0 + 8);
    QmlFixture::click(child<QQuickItem>(menu, "entry_2"));
    QCOMPARE(picked.count(), 1);
    QCOMPARE(picked.at(0).at(0).toInt(), 2);
}

void TestComponents::seekBarFollowsPosition()
{
    QmlFixture fx;
    QQuickItem *bar = fx.show("components/SeekBar.qml");
    QVERIFY(bar);
    bar->setWidth(214);
    bar->setProperty("position", 0.5);
    QCOMPARE(bar->property("xPos").toDouble(), 100.0);
    QCOMPARE(child<QQuickItem>(bar, "handle")->x(), 100.0);
    bar->setProperty("position", 3.0);
    QCOMPARE(bar->property("xPos").toDouble(), 200.0);
    QTest::mouseClick(fx.view(), Qt::LeftButton, {}, bar->mapToScene(QPointF(7, 10)).toPoint());
    QCOMPARE(bar->property("position").toDouble(), 0.0);
}

QTEST_MAIN(TestComponents)
#include "tst_components.moc"
