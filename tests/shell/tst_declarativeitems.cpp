// The native helper items as the screens use them: check-box state bits and painting, cursor
// names, and pop-up menus declared in QML and driven through their QMenu.
#include <QApplication>
#include <QtTest>

#include <QMenu>
#include <QPainter>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QTimer>

#include <functional>
#include <memory>

#include "declarativecheckbox.h"
#include "declarativecursorarea.h"
#include "declarativemenu.h"
#include "nativequickwidgets.h"

namespace {

// Runs `step` once the pop-up opened by the caller's next exec() is shown.
void whenPopupShown(std::function<void(QMenu *)> step)
{
    auto *pTimer = new QTimer;
    pTimer->setInterval(10);
    QObject::connect(pTimer, &QTimer::timeout, pTimer, [pTimer, step] {
        auto *pMenu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        if (!pMenu || !pMenu->isVisible())
            return;
        pTimer->stop();
        pTimer->deleteLater();
        step(pMenu);
    });
    pTimer->start();
}

QAction *actionNamed(QMenu *pMenu, const QString &text)
{
    const auto actions = pMenu->actions();
    for (QAction *pAction : actions) {
        if (pAction->text() == text)
            return pAction;
    }
    return nullptr;
}

const char *kMenuQml = R"(
import QtQuick
import NativeQuickWidgets 1.0

Item {
    id: root
    property string picked: ""
    property var menu: menu
    property var visibility: []

    Menu {
        id: menu
        onVisibilityChanged: (visible) => root.visibility = root.visibility.concat([visible])
        MenuAction { text: "Open"; icon: "qrc:/missing.png"; onTriggered: root.picked = "open" }
        MenuAction { separator: true; text: "ignored" }
        MenuAction { text: "Locked"; enabled: false; onTriggered: root.picked = "locked" }
        Menu {
            text: "More"
            MenuAction { text: "Deep"; onTriggered: root.picked = "deep" }
        }
    }
}
)";

} // namespace

class TestDeclarativeItems : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void typesUnderTheirQmlNames();

    void checkBoxStateBits_data();
    void checkBoxStateBits();
    void checkBoxEmitsEvenWhenUnchanged();
    void checkBoxPaintsItsState();

    void cursorNames_data();
    void cursorNames();
    void cursorNotifiesOnlyOnNewShape();

    void menuActionSettersAlwaysNotify();
    void iconPaths_data();
    void iconPaths();

    void menuFromQmlReachesSubMenuAction();
    void disabledActionCannotBeTriggered();
    void secondExecWhileShownIsIgnored();
    void execAtMapsItemCoordinates();
    void destroyingMenuWhileShownEndsPopup();
    void destroyedActionLeavesTheMenu();

private:
    std::unique_ptr<QObject> createMenuScene();
    QQmlEngine m_engine;
};

void TestDeclarativeItems::initTestCase()
{
    registerNativeQuickWidgets();
    registerNativeQuickWidgets();
}

void TestDeclarativeItems::typesUnderTheirQmlNames()
{
    QQmlComponent component(&m_engine);
    component.setData(R"(
        import QtQuick
        import NativeQuickWidgets 1.0
        Item {
            property var box: box
            property var area: area
            DeclarativeCheckBox { id: box; checked: true; widgetEnabled: false }
            CursorArea { id: area; cursorShape: "pointing_hand" }
            Menu { MenuAction { text: "a" } }
        }
    )",
                      QUrl(QStringLiteral("qrc:/tst_types.qml")));
    std::unique_ptr<QObject> root(component.create());
    QVERIFY2(root, qPrintable(component.errorString()));

    auto *pBox = qvariant_cast<DeclarativeCheckBox *>(root->property("box"));
    QVERIFY(pBox);
    QVERIFY(pBox->checked());
    QVERIFY(!pBox->widgetEnabled());
    QVERIFY(pBox->flags().testFlag(QQuickItem::ItemHasContents));
    auto *pArea = qvariant_cast<DeclarativeCursorArea *>(root->property("area"));
    QVERIFY(pArea);
    QCOMPARE(pArea->cursorShape(), QStringLiteral("hand"));
    QCOMPARE(int(pArea->cursor().shape()), int(Qt::PointingHandCursor));
}

void TestDeclarativeItems::checkBoxStateBits_data()
{
    QTest::addColumn<bool>("checked");
    QTest::addColumn<bool>("hovered");
    QTest::newRow("checked") << true << false;
    QTest::newRow("unchecked") << false << false;
    QTest::newRow("checked, hovered") << true << true;
    QTest::newRow("unchecked, hovered") << false << true;
}

void TestDeclarativeItems::checkBoxStateBits()
{
    QFETCH(bool, checked);
    QFETCH(bool, hovered);
    DeclarativeCheckBox box;
    // Start from the opposite so that both bits have to move.
    box.setChecked(!checked);
    box.setHovered(!hovered);
    box.setChecked(checked);
    box.setHovered(hovered);

    const QStyle::State state = box.styleOption().state;
    QCOMPARE(state.testFlag(QStyle::State_On), checked);
    QCOMPARE(state.testFlag(QStyle::State_Off), !checked);
    QCOMPARE(state.testFlag(QStyle::State_MouseOver), hovered);
    QVERIFY(state.testFlag(QStyle::State_Enabled));
    QCOMPARE(box.checked(), checked);
    QCOMPARE(box.hovered(), hovered);

    box.setWidgetEnabled(false);
    QVERIFY(!box.styleOption().state.testFlag(QStyle::State_Enabled));
    QCOMPARE(box.checked(), checked);
    QCOMPARE(box.styleOption().state.testFlag(QStyle::State_MouseOver), hovered);
}

void TestDeclarativeItems::checkBoxEmitsEvenWhenUnchanged()
{
    DeclarativeCheckBox box;
    QVERIFY(!box.checked());
    QSignalSpy checkedSpy(&box, &DeclarativeCheckBox::checkedChanged);
    QSignalSpy hoveredSpy(&box, &DeclarativeCheckBox::hoveredChanged);
    QSignalSpy enabledSpy(&box, &DeclarativeWidget::widgetEnabledChanged);

    box.setChecked(false);
    box.setChecked(true);
    box.setChecked(true);
    box.setHovered(false);
    box.setWidgetEnabled(true);
    QCOMPARE(checkedSpy.count(), 3);
    QCOMPARE(checkedSpy.at(0).at(0).toBool(), false);
    QCOMPARE(checkedSpy.at(2).at(0).toBool(), true);
    QCOMPARE(hoveredSpy.count(), 1);
    QCOMPARE(enabledSpy.count(), 1);
}

void TestDeclarativeItems::checkBoxPaintsItsState()
{
    auto render = [](bool checked) {
        DeclarativeCheckBox box;
        box.setSize(QSizeF(20, 20));
        box.setChecked(checked);
        QImage image(20, 20, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        box.paint(&painter);
        return image;
    };
    const QImage unchecked = render(false);
    const QImage checked = render(true);
    QImage blank(20, 20, QImage::Format_ARGB32_Premultiplied);
    blank.fill(Qt::transparent);
    QVERIFY2(unchecked != blank, "the indicator was not drawn");
    QVERIFY2(checked != unchecked, "the check mark does not follow the state");
}

void TestDeclarativeItems::cursorNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("shape");
    QTest::addColumn<QString>("readBack");

    const struct
    {
        const char *name;
        Qt::CursorShape shape;
        const char *readBack;
    } rows[] = {
        {"arrow", Qt::ArrowCursor, "arrow"},
        {"up_arrow", Qt::UpArrowCursor, "up_arrow"},
        {"cross", Qt::CrossCursor, "cross"},
        {"wait", Qt::WaitCursor, "wait"},
        {"hourglass", Qt::WaitCursor, "wait"},
        {"ibeam", Qt::IBeamCursor, "ibeam"},
        {"i-beam", Qt::IBeamCursor, "ibeam"},
        {"size_ver", Qt::SizeVerCursor, "size_ver"},
        {"size_hor", Qt::SizeHorCursor, "size_hor"},
        {"size_bdiag", Qt::SizeBDiagCursor, "size_bdiag"},
        {"size_fdiag", Qt::SizeFDiagCursor, "size_fdiag"},
        {"size_all", Qt::SizeAllCursor, "size_all"},
        {"split_v", Qt::SplitVCursor, "split_v"},
        {"split_h", Qt::SplitHCursor, "split_h"},
        {"hand", Qt::PointingHandCursor, "hand"},
        {"pointing_hand", Qt::PointingHandCursor, "hand"},
        {"forbidden", Qt::ForbiddenCursor, "forbidden"},
        {"whats_this", Qt::WhatsThisCursor, "whats_this"},
        {"busy", Qt::BusyCursor, "busy"},
        {"openhand", Qt::OpenHandCursor, "openhand"},
        {"closedhand", Qt::ClosedHandCursor, "closedhand"},
        {"dnd-copy", Qt::DragCopyCursor, "dnd-copy"},
        {"copy", Qt::DragCopyCursor, "dnd-copy"},
        {"dnd-move", Qt::DragMoveCursor, "dnd-move"},
        {"move", Qt::DragMoveCursor, "dnd-move"},
        {"dnd-link", Qt::DragLinkCursor, "dnd-link"},
        {"link", Qt::DragLinkCursor, "dnd-link"},
        // Unknown names, wrong case and near misses all give the arrow.
        {"Hand", Qt::ArrowCursor, "arrow"},
        {"IBEAM", Qt::ArrowCursor, "arrow"},
        {"blank", Qt::ArrowCursor, "arrow"},
        {"", Qt::ArrowCursor, "arrow"},
        {"hand ", Qt::ArrowCursor, "arrow"},
    };
    for (const auto &row : rows) {
        QTest::addRow("\"%s\"", row.name)
            << QString::fromLatin1(row.name) << int(row.shape) << QString::fromLatin1(row.readBack);
    }
}

void TestDeclarativeItems::cursorNames()
{
    QFETCH(QString, name);
    QFETCH(int, shape);
    QFETCH(QString, readBack);

    DeclarativeCursorArea area;
    area.setCursorShape(QStringLiteral("cross"));
    area.setCursorShape(name);
    QCOMPARE(int(area.cursor().shape()), shape);
    QCOMPARE(area.cursorShape(), readBack);
}

void TestDeclarativeItems::cursorNotifiesOnlyOnNewShape()
{
    DeclarativeCursorArea area;
    QCOMPARE(area.cursorShape(), QStringLiteral("arrow"));
    QSignalSpy spy(&area, &DeclarativeCursorArea::cursorShapeChanged);

    area.setCursorShape(QStringLiteral("wait"));
    area.setCursorShape(QStringLiteral("hourglass"));
    area.setCursorShape(QStringLiteral("nonsense"));
    QCOMPARE(spy.count(), 2);
    QCOMPARE(spy.at(0).at(0).toString(), QStringLiteral("wait"));
    QCOMPARE(spy.at(1).at(0).toString(), QStringLiteral("arrow"));

    // A shape outside the table, set by other code, still reads back as the arrow.
    area.setCursor(QCursor(Qt::BlankCursor));
    QCOMPARE(area.cursorShape(), QStringLiteral("arrow"));

    // The property is writable from QML under its own name.
    QVERIFY(area.setProperty("cursorShape", QStringLiteral("i-beam")));
    QCOMPARE(area.property("cursorShape").toString(), QStringLiteral("ibeam"));
}

void TestDeclarativeItems::menuActionSettersAlwaysNotify()
{
    DeclarativeMenuAction action;
    QVERIFY(action.enabled());
    QVERIFY(!action.separator());
    QSignalSpy enabledSpy(&action, &DeclarativeMenuAction::enabledChanged);
    QSignalSpy textSpy(&action, &DeclarativeMenuAction::textChanged);
    action.setEnabled(true);
    action.setEnabled(false);
    action.setText(QStringLiteral("Copy"));
    action.setText(QStringLiteral("Copy"));
    QCOMPARE(enabledSpy.count(), 2);
    QCOMPARE(enabledSpy.at(1).at(0).toBool(), false);
    QCOMPARE(textSpy.count(), 2);
    QCOMPARE(action.text(), QStringLiteral("Copy"));
}

void TestDeclarativeItems::iconPaths_data()
{
    QTest::addColumn<QString>("icon");
    QTest::addColumn<QString>("path");
    QTest::newRow("qrc url") << "qrc:/images/copy.png"
                             << ":/images/copy.png";
    QTest::newRow("resource path") << ":/images/copy.png"
                                   << ":/images/copy.png";
    QTest::newRow("file path") << "/tmp/copy.png"
                               << "/tmp/copy.png";
    QTest::newRow("qrc without slash") << "qrc:copy.png"
                                       << "qrc:copy.png";
    QTest::newRow("empty") << ""
                           << "";
}

void TestDeclarativeItems::iconPaths()
{
    QFETCH(QString, icon);
    QFETCH(QString, path);
    QCOMPARE(DeclarativeMenu::iconPath(icon), path);
}

std::unique_ptr<QObject> TestDeclarativeItems::createMenuScene()
{
    QQmlComponent component(&m_engine);
    component.setData(kMenuQml, QUrl(QStringLiteral("qrc:/tst_menu.qml")));
    std::unique_ptr<QObject> root(component.create());
    if (!root)
        qWarning() << component.errors();
    return root;
}

void TestDeclarativeItems::menuFromQmlReachesSubMenuAction()
{
    auto root = createMenuScene();
    QVERIFY(root);
    auto *pMenu = qvariant_cast<DeclarativeMenu *>(root->property("menu"));
    QVERIFY(pMenu);
    QCOMPARE(pMenu->actionList().size(), 4);
    QVERIFY(!pMenu->visible());

    QStringList seen;
    bool bVisibleInside = false;
    whenPopupShown([&](QMenu *pPopup) {
        bVisibleInside = pMenu->visible() && pMenu->menu() == pPopup;
        const auto actions = pPopup->actions();
        for (QAction *pAction : actions) {
            seen << (pAction->isSeparator() ? QStringLiteral("-")
                     : pAction->menu()      ? pAction->text() + QStringLiteral(">")
                                            : pAction->text());
        }
        QAction *pMore = actionNamed(pPopup, QStringLiteral("More"));
        QMenu *pSub = pMore ? pMore->menu() : nullptr;
        QAction *pDeep = pSub ? actionNamed(pSub, QStringLiteral("Deep")) : nullptr;
        if (pDeep)
            pDeep->trigger();
        pPopup->close();
    });
    pMenu->exec();

    QVERIFY(bVisibleInside);
    QCOMPARE(seen, QStringList({"Open", "-", "Locked", "More>"}));
    QCOMPARE(root->property("picked").toString(), QStringLiteral("deep"));
    QVERIFY(!pMenu->visible());
    QCOMPARE(pMenu->menu(), nullptr);
    QCOMPARE(root->property("visibility").toList(), QVariantList({true, false}));
}

void TestDeclarativeItems::disabledActionCannotBeTriggered()
{
    auto root = createMenuScene();
    QVERIFY(root);
    auto *pMenu = qvariant_cast<DeclarativeMenu *>(root->property("menu"));
    QVERIFY(pMenu);

    bool bShownDisabled = false;
    whenPopupShown([&](QMenu *pPopup) {
        QAction *pLocked = actionNamed(pPopup, QStringLiteral("Locked"));
        bShownDisabled = pLocked && !pLocked->isEnabled();
        if (pLocked) {
            pLocked->trigger();
            // Clicking the entry does nothing either; the pop-up stays open for Escape.
            QTest::mouseClick(pPopup, Qt::LeftButton, {}, pPopup->actionGeometry(pLocked).center());
        }
        QTest::keyClick(pPopup, Qt::Key_Escape);
    });
    pMenu->exec();

    QVERIFY(bShownDisabled);
    QCOMPARE(root->property("picked").toString(), QString());
}

void TestDeclarativeItems::secondExecWhileShownIsIgnored()
{
    auto root = createMenuScene();
    QVERIFY(root);
    auto *pMenu = qvariant_cast<DeclarativeMenu *>(root->property("menu"));
    QVERIFY(pMenu);
    QSignalSpy spy(pMenu, &DeclarativeMenu::visibilityChanged);

    QMenu *pFirst = nullptr;
    QWidget *pActiveAfterSecond = nullptr;
    whenPopupShown([&](QMenu *pPopup) {
        pFirst = pPopup;
        pMenu->exec(); // returns at once: the pop-up is already shown
        pMenu->execAt(1, 1, nullptr);
        pActiveAfterSecond = QApplication::activePopupWidget();
        actionNamed(pPopup, QStringLiteral("Open"))->trigger();
        pPopup->close();
    });
    pMenu->exec();

    QVERIFY(pFirst);
    QCOMPARE(pActiveAfterSecond, pFirst);
    QCOMPARE(spy.count(), 2);
    QCOMPARE(root->property("picked").toString(), QStringLiteral("open"));
}

void TestDeclarativeItems::execAtMapsItemCoordinates()
{
    QQuickWindow window;
    window.setGeometry(100, 80, 300, 200);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QQuickItem item(window.contentItem());
    item.setPosition(QPointF(10, 20));

    DeclarativeMenu menu;
    DeclarativeMenuAction action;
    action.setText(QStringLiteral("Only"));
    auto list = menu.actions();
    list.append(&list, &action);

    const QPoint expected = item.mapToGlobal(QPointF(5, 6)).toPoint();
    QCOMPARE(expected, window.mapToGlobal(QPoint(15, 26)));

    const struct
    {
        QQuickItem *pItem;
        QPoint expected;
    } cases[] = {{&item, expected}, {nullptr, QPoint(5, 6)}};
    for (const auto &c : cases) {
        QPoint shownAt;
        whenPopupShown([&](QMenu *pPopup) {
            shownAt = pPopup->pos();
            pPopup->close();
        });
        menu.execAt(5, 6, c.pItem);
        QCOMPARE(shownAt, c.expected);
    }

    // An item that is in no window counts as no item.
    QQuickItem loose;
    QPoint shownAt;
    whenPopupShown([&](QMenu *pPopup) {
        shownAt = pPopup->pos();
        pPopup->close();
    });
    menu.execAt(7, 9, &loose);
    QCOMPARE(shownAt, QPoint(7, 9));
}

void TestDeclarativeItems::destroyingMenuWhileShownEndsPopup()
{
    auto *pMenu = new DeclarativeMenu;
    auto *pAction = new DeclarativeMenuAction(pMenu);
    pAction->setText(QStringLiteral("Close all"));
    auto list = pMenu->actions();
    list.append(&list, pAction);
    // The handler destroys the menu the pop-up belongs to, as a screen closing itself would.
    connect(pAction, &DeclarativeMenuAction::triggered, pMenu, [pMenu] { delete pMenu; });

    QPointer<QMenu> pPopupSeen;
    whenPopupShown([&](QMenu *pPopup) {
        pPopupSeen = pPopup;
        actionNamed(pPopup, QStringLiteral("Close all"))->trigger();
    });
    QPointer<DeclarativeMenu> guard(pMenu);
    pMenu->exec();
    QVERIFY(guard.isNull());
    QTRY_VERIFY(pPopupSeen.isNull());
}

void TestDeclarativeItems::destroyedActionLeavesTheMenu()
{
    DeclarativeMenu menu;
    auto list = menu.actions();
    auto *pGone = new DeclarativeMenuAction;
    pGone->setText(QStringLiteral("Gone"));
    DeclarativeMenuAction kept;
    kept.setText(QStringLiteral("Kept"));
    list.append(&list, pGone);
    list.append(&list, &kept);
    delete pGone;
    QCOMPARE(list.count(&list), 1);

    QStringList shown;
    whenPopupShown([&](QMenu *pPopup) {
        for (QAction *pAction : pPopup->actions())
            shown << pAction->text();
        pPopup->close();
    });
    menu.exec();
    QCOMPARE(shown, QStringList{"Kept"});
}

QTEST_MAIN(TestDeclarativeItems)
#include "tst_declarativeitems.moc"
