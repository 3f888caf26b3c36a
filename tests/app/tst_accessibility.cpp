// Every screen walked with the keyboard's focus chain, as Tab walks it: each item that can take
// the focus has a name and a role a screen reader can say, and shows that it has the focus (the
// screen looks different around the item with the focus than without it); what a screen covers
// is not in the chain. The screens are
// loaded with the stand-in controller and one row in each list, so the rows' delegates are
// walked too.
#include "screenfixture.h"

#include <QAccessible>
#include <QImage>
#include <QQuickWindow>
#include <QTest>

#include <algorithm>

namespace {

// Where a screen is shown: over one of the main screen's tabs (0 to 4), in the conversation or
// call loader, alone (the sign-in screen), or the window's root screen.
enum Place
{
    Tab0,
    Tab1,
    Tab2,
    Tab3,
    Tab4,
    Chat,
    Call,
    Alone,
    Root
};

// One row with the fields of every list, so that each list's delegate has something to show.
QVariantMap anyRow()
{
    return {{"strZpid", "1000002"},
            {"strName", "李四"},
            {"strPhone", "13800138001"},
            {"strId", "30001"},
            {"strCircleId", "30001"},
            {"strContent", "你好"},
            {"strTime", "2026-01-02 03:04:05"},
            {"strDate", "2026-01-02"},
            {"strCompany", "示例公司"},
            {"strSex", "男"},
            {"strNo", "1"},
            {"strPNo", "0"},
            {"strSNo", "1"},
            {"strDeptName", "研发部"},
            {"iType", 1},
            {"strProfile", "简介"},
            {"iUserType", 3},
            {"iSubType", 0},
            {"iUserCount", 3},
            {"iMsgState", 1},
            {"iMsgId", 1},
            {"iCount", 1},
            {"iUnread", 1},
            {"bSend", false},
            {"bChecked", false}};
}

// The item's name for the report: its objectName, or its type under the nearest named
// ancestor.
QString describe(QQuickItem *item)
{
    if (!item->objectName().isEmpty())
        return item->objectName();
    QString path =
        QString::fromLatin1(item->metaObject()->className()).section(QLatin1Char('_'), 0, 0);
    for (QQuickItem *up = item->parentItem(); up; up = up->parentItem()) {
        if (!up->objectName().isEmpty())
            return up->objectName() + QLatin1Char('/') + path;
        path = QString::fromLatin1(up->metaObject()->className()).section(QLatin1Char('_'), 0, 0) +
               QLatin1Char('/') + path;
        if (path.count(QLatin1Char('/')) > 3)
            break;
    }
    return path;
}

// The part of the window around `item`, a little larger so an outline drawn outside it counts.
QImage around(QQuickWindow *window, QQuickItem *item)
{
    const QRectF scene = item->mapRectToScene(QRectF(0, 0, item->width(), item->height()));
    const QRect area = scene.toAlignedRect().adjusted(-3, -3, 3, 3);
    QImage image = window->grabWindow();
    return image.copy(area.intersected(image.rect()));
}

} // namespace

class TestAccessibility : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void focusChainIsNamedAndVisible_data();
    void focusChainIsNamedAndVisible();
    void boxesKeepTheKeyboard_data();
    void boxesKeepTheKeyboard();

private:
    static QQuickItem *showScreen(ScreenFixture &sf, int iPlace, const QString &strFile);
    // The items of the window that Tab stops at, in the order it does.
    static QList<QQuickItem *> focusChain(QQuickWindow *window);
};

void TestAccessibility::initTestCase()
{
    // The name and role come from the accessibility interfaces a screen reader is given.
    QAccessible::setActive(true);
}

void TestAccessibility::focusChainIsNamedAndVisible_data()
{
    QTest::addColumn<int>("iPlace");
    QTest::addColumn<QString>("strFile");
    const char *tabs[] = {"call", "contact", "circle", "message", "more"};
    for (int i = 0; i < 5; ++i)
        QTest::addRow("MainInterface.qml, %s tab", tabs[i]) << i << "MainInterface.qml";
    const QList<QPair<int, const char *>> screens = {
        {Alone, "LoginInterface.qml"},         {Root, "main.qml"},
        {Chat, "MessageInterface.qml"},        {Call, "CallInterface.qml"},
        {Tab0, "CallDetailInterface.qml"},     {Tab1, "CardInterface.qml"},
        {Tab1, "CardEditInterface.qml"},       {Tab1, "NetContactInterface.qml"},
        {Tab1, "SearchResultInterface.qml"},   {Tab1, "AddEmpInterface.qml"},
        {Tab1, "EmpManageInterface.qml"},      {Tab1, "UserPicInterface.qml"},
        {Tab2, "NewCircleInterface.qml"},      {Tab2, "CircleManagement.qml"},
        {Tab2, "MemberInterface.qml"},         {Tab2, "CircleMessageInterface.qml"},
        {Tab2, "CircleSysMsgInterface.qml"},   {Tab2, "MayKnowInterface.qml"},
        {Tab2, "SearchInterface.qml"},         {Tab2, "SelectInterface.qml"},
        {Tab3, "NewMsgInterface.qml"},         {Tab3, "CardSysMsgInterface.qml"},
        {Tab4, "AboutInterface.qml"},          {Tab4, "SystemSettingInterface.qml"},
        {Tab4, "ChangePasswordInterface.qml"}, {Tab4, "FeedbackInterface.qml"},
        {Tab4, "UserProtocolInterface.qml"},   {Tab4, "CreateEnterpriseContactInterface.qml"},
    };
    for (const auto &[iPlace, pFile] : screens)
        QTest::newRow(pFile) << iPlace << QString::fromLatin1(pFile);
}

QQuickItem *TestAccessibility::showScreen(ScreenFixture &sf, int iPlace, const QString &strFile)
{
    const QVariantMap properties = {{"background", QVariant::fromValue(sf.background)},
                                    {"resource", QVariant::fromValue(sf.resource)}};
    if (iPlace == Alone || iPlace == Root) {
        // As the window's root loader and the window size them.
        QQuickItem *screen = sf.fx.show(strFile, iPlace == Alone ? properties : QVariantMap());
        if (screen)
            screen->setSize(QSizeF(sf.fx.view()->size()));
        return screen;
    }
    if (!sf.showMain())
        return nullptr;
    QObject *tabs = sf.main->property("tabs").value<QObject *>();
    if (iPlace <= Tab4) {
        tabs->setProperty("current", iPlace);
        if (strFile == QLatin1String("MainInterface.qml"))
            return sf.main;
        static const char *pages[] = {"callPage", "contactPage", "circlePage", "messagePage",
                                      "morePage"};
        QMetaObject::invokeMethod(
            sf.main, "open", Q_ARG(QVariant, QVariant::fromValue(child(sf.main, pages[iPlace]))),
            Q_ARG(QVariant, strFile));
        QQuickItem *screen = sf.tabScreen(iPlace);
        return screen;
    }
    const char *loader = iPlace == Chat ? "chatLoader" : "callLoader";
    QObject *target = sf.main->property(loader).value<QObject *>();
    QMetaObject::invokeMethod(sf.main, "load", Q_ARG(QVariant, QVariant::fromValue(target)),
                              Q_ARG(QVariant, strFile));
    return ScreenFixture::loaded(target);
}

QList<QQuickItem *> TestAccessibility::focusChain(QQuickWindow *window)
{
    QList<QQuickItem *> chain;
    QQuickItem *start = window->contentItem();
    QQuickItem *item = start;
    // The chain is a cycle through the whole window; a bound keeps a broken chain from looping.
    for (int i = 0; i < 5000; ++i) {
        item = item->nextItemInFocusChain(true);
        if (!item || item == start || chain.contains(item))
            break;
        chain << item;
    }
    return chain;
}

void TestAccessibility::focusChainIsNamedAndVisible()
{
    QFETCH(int, iPlace);
    QFETCH(QString, strFile);
    ScreenFixture sf;
    for (const char *name : {"contactModel", "callrecordModel", "msgrecordModel", "circleModel",
                             "messageModel", "cardsysmsgModel", "netcontactModel", "mayknowModel",
                             "searchuserModel", "searchcircleModel", "selectModel", "orginfoModel",
                             "empinfoModel", "circlememberModel", "circlesysmsgModel"})
        sf.publish(QString::fromLatin1(name), {anyRow()});
    QQuickItem *screen = showScreen(sf, iPlace, strFile);
    QVERIFY2(screen, "screen not shown");
    QQuickWindow *window = sf.fx.view();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    // Let the lists make their rows.
    QTest::qWait(50);

    // Takes the focus away from the screen, to see it without the focus; not a stop of Tab.
    QQuickItem sink(window->contentItem());
    QList<QQuickItem *> chain;
    // Tab stops outside a screen drawn over the main screen: only the tab headers beside a
    // screen over a tab page, nothing beside a conversation or a call.
    QStringList covered;
    QQuickItem *headers = nullptr;
    if (iPlace <= Tab4 && sf.main)
        headers = sf.main->property("tabs")
                      .value<QObject *>()
                      ->property("headerRow")
                      .value<QQuickItem *>();
    for (QQuickItem *item : focusChain(window)) {
        if (item == screen || screen->isAncestorOf(item))
            chain << item;
        else if (screen != sf.main && iPlace != Alone && iPlace != Root &&
                 !(headers && headers->isAncestorOf(item)))
            covered << describe(item);
    }
    QVERIFY2(!chain.isEmpty(), "nothing on the screen takes the focus");
    QVERIFY2(covered.isEmpty(), qPrintable(QStringLiteral("Tab reaches what the screen covers: ") +
                                           covered.join(QStringLiteral("; "))));
    QStringList offenders;
    for (QQuickItem *item : chain) {
        QStringList faults;
        QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(item);
        if (!iface) {
            faults << QStringLiteral("no accessible interface");
        } else {
            // A picture-only button's glyph ("×", "⤓") is no name a screen reader can say.
            const QString strName = iface->text(QAccessible::Name);
            if (std::none_of(strName.cbegin(), strName.cend(),
                             [](QChar c) { return c.isLetterOrNumber(); }))
                faults << QStringLiteral("no name (\"%1\")").arg(strName);
            if (iface->role() == QAccessible::NoRole || iface->role() == QAccessible::Client)
                faults << QStringLiteral("no role");
        }
        sink.forceActiveFocus();
        const QImage unfocused = around(window, item);
        item->forceActiveFocus(Qt::TabFocusReason);
        if (!item->hasActiveFocus())
            faults << QStringLiteral("does not take the focus");
        else if (around(window, item) == unfocused)
            faults << QStringLiteral("focus not visible");
        if (!faults.isEmpty())
            offenders << QStringLiteral("%1 (%2)").arg(describe(item),
                                                       faults.join(QStringLiteral(", ")));
    }
    // A screen shown alone goes before the texts it reads.
    if (iPlace == Alone || iPlace == Root)
        delete screen;
    QVERIFY2(offenders.isEmpty(),
             qPrintable(strFile + QStringLiteral(": ") + offenders.join(QStringLiteral("; "))));
}

void TestAccessibility::boxesKeepTheKeyboard_data()
{
    QTest::addColumn<QByteArray>("box");
    QTest::newRow("message box") << QByteArray(
        "DialogMessage { title: \"t\"; message: \"m\"; btnMiddleLabel: \"mid\"; "
        "btnCount: 3; onBtnCancelClicked: host.cancel() }");
    QTest::newRow("input box") << QByteArray(
        "DialogInput { title: \"t\"; title1: \"a\"; title2: \"b\"; type: 2; "
        "onBtnCancelClicked: host.cancel() }");
    QTest::newRow("organisation sign-in")
        << QByteArray("DialogLoginEnterprise { onBtnCancelClicked: host.cancel() }");
    QTest::newRow("menu") << QByteArray(
        "PopupMenu { ListEntry { title: \"一\" } ListEntry { title: \"二\" } "
        "ListEntry { title: \"三\" } onClosed: host.cancel() }");
}

// A box shown over the screen takes the focus, keeps Tab and Shift+Tab among its own stops,
// is cancelled by Escape and gives the focus back to where it was.
void TestAccessibility::boxesKeepTheKeyboard()
{
    QFETCH(QByteArray, box);
    QmlFixture fx;
    const QByteArray qml =
        "import QtQuick\nimport \"qrc:/qml/Zephon/components\"\n"
        "Item { id: host; width: 280; height: 510\n"
        "  property int cancels: 0\n"
        "  function cancel() { cancels = cancels + 1; boxItem.visible = false; }\n"
        "  Button { objectName: \"before\"; label: \"before\" }\n"
        "  Button { objectName: \"after\"; label: \"after\"; y: 40 }\n"
        "  Item { id: boxItem; objectName: \"box\"; anchors.fill: parent; visible: false\n"
        "    " +
        box + " }\n}\n";
    QQuickItem *host = fx.showInline(qml, QStringLiteral("Host.qml"), {280, 510});
    QVERIFY(host);
    QQuickWindow *window = fx.view();
    auto *before = child<QQuickItem>(host, QStringLiteral("before"));
    auto *boxItem = child<QQuickItem>(host, QStringLiteral("box"));
    QVERIFY(before && boxItem);
    before->forceActiveFocus();
    QVERIFY(before->hasActiveFocus());
    // The box is shown as the screens show theirs, by its own visibility; Escape hides the
    // item around it, as an owner may.
    QQuickItem *shownBox = boxItem->childItems().value(0);
    QVERIFY(shownBox);
    shownBox->setVisible(false);
    boxItem->setVisible(true);
    shownBox->setVisible(true);
    QVERIFY2(window->activeFocusItem() && shownBox->isAncestorOf(window->activeFocusItem()),
             "the box did not take the focus");
    QSet<QQuickItem *> stops;
    for (int i = 0; i < 8; ++i) {
        QTest::keyClick(window, i < 5 ? Qt::Key_Tab : Qt::Key_Backtab);
        QQuickItem *focused = window->activeFocusItem();
        QVERIFY2(focused && shownBox->isAncestorOf(focused),
                 qPrintable(QStringLiteral("Tab left the box for %1")
                                .arg(focused ? describe(focused) : QStringLiteral("nothing"))));
        stops << focused;
    }
    QVERIFY2(stops.size() > 1, "Tab does not move inside the box");
    QTest::keyClick(window, Qt::Key_Escape);
    QCOMPARE(host->property("cancels").toInt(), 1);
    QVERIFY(!boxItem->isVisible());
    QVERIFY(before->hasActiveFocus());
}

QTEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"
