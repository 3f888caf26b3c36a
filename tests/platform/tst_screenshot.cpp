// The screenshot window. On the offscreen platform it is driven with mouse and key events over a
// background whose every pixel tells its own place, so each delivered picture can be checked
// against the area that was selected; the tool bar is the application's own QML document.
//
// The desktop capture and real input run under a private Xvfb display: a copy of this
// executable started with "--xvfb-child" puts a coloured window on the display, captures the
// desktop, shows the screenshot window over it and reports what it sees on stdout, while the
// test drives the pointer with xdotool through the commands it writes on the child's stdin.
#include <QApplication>
#include <QtTest>

#include <QDir>
#include <QProcess>
#include <QQuickItem>
#include <QQuickWidget>
#include <QQuickWindow>
#include <QScreen>
#include <QSocketNotifier>

#include <cstdio>
#include <functional>
#include <memory>
#include <unistd.h>

#include "cscreenshotbar.h"
#include "screenshot.h"
#include "xvfbdisplay.h"

namespace {

const QColor kOutline(0, 174, 255);

QUrl toolBarUrl()
{
    return QUrl::fromLocalFile(QStringLiteral(ZEPHON_SCREENSHOT_MENU_QML));
}

// Each background pixel encodes its coordinates, unique up to 4096 × 4096.
QRgb colourAt(int x, int y)
{
    return qRgb(x & 0xff, y & 0xff, ((x >> 8) << 4) | (y >> 8));
}

QPixmap codedBackground(const QSize &size)
{
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x)
            line[x] = colourAt(x, y);
    }
    return QPixmap::fromImage(image);
}

QQuickWidget *barOf(ScreenShot &shot)
{
    return qobject_cast<QQuickWidget *>(shot.toolBar());
}

// The first item under root (root included) with the object name.
QQuickItem *findItem(QQuickItem *root, const QString &name)
{
    if (!root)
        return nullptr;
    if (root->objectName() == name)
        return root;
    const auto children = root->childItems();
    for (QQuickItem *child : children) {
        if (QQuickItem *found = findItem(child, name))
            return found;
    }
    return nullptr;
}

// The centre of the named tool-bar button in the tool bar view's coordinates.
QPoint buttonCentre(ScreenShot &shot, const QString &name)
{
    QQuickItem *item = barOf(shot) ? findItem(barOf(shot)->rootObject(), name) : nullptr;
    if (!item)
        return QPoint(-1, -1);
    return item->mapToScene(QPointF(item->width() / 2, item->height() / 2)).toPoint();
}

bool near(QRgb actual, const QColor &expected, int tolerance = 3)
{
    return qAbs(qRed(actual) - expected.red()) <= tolerance &&
           qAbs(qGreen(actual) - expected.green()) <= tolerance &&
           qAbs(qBlue(actual) - expected.blue()) <= tolerance;
}

// `colour` under a black fill at alpha 100.
QColor dimmed(QRgb colour)
{
    auto dim = [](int c) { return c * 155 / 255; };
    return QColor(dim(qRed(colour)), dim(qGreen(colour)), dim(qBlue(colour)));
}

// The label's fill, RGB(239, 234, 228) at alpha 200, over `colour`.
QColor underLabel(const QColor &colour)
{
    auto blend = [](int fill, int c) { return (fill * 200 + c * 55) / 255; };
    return QColor(blend(239, colour.red()), blend(234, colour.green()), blend(228, colour.blue()));
}

QString describe(QRgb colour)
{
    return QColor(colour).name();
}

// Checks that a delivered picture is exactly the area `selection` of the coded background.
void verifyPicture(const QPixmap &picture, const QRect &selection)
{
    QCOMPARE(picture.size(), selection.size());
    const QImage image = picture.toImage();
    const QPoint probes[] = {{0, 0},
                             {selection.width() - 1, 0},
                             {0, selection.height() - 1},
                             {selection.width() - 1, selection.height() - 1},
                             {selection.width() / 2, selection.height() / 3}};
    for (const QPoint &probe : probes) {
        const QPoint place = selection.topLeft() + probe;
        QCOMPARE(describe(image.pixel(probe)), describe(colourAt(place.x(), place.y())));
    }
}

int runXvfbChild(int argc, char **argv);

} // namespace

class TestScreenShot : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void drawSelection_data();
    void drawSelection();
    void moveIsKeptOnTheScreen_data();
    void moveIsKeptOnTheScreen();
    void pressTargetsAndCursors_data();
    void pressTargetsAndCursors();
    void resizeByHandle_data();
    void resizeByHandle();
    void toolBarPlace_data();
    void toolBarPlace();
    void painting_data();
    void painting();
    void escapeResets_data();
    void escapeResets();
    void doubleClickDelivers_data();
    void doubleClickDelivers();
    void toolBarButtons_data();
    void toolBarButtons();
    void emptySelectionDeliversNothing_data();
    void emptySelectionDeliversNothing();
    void nextUseStartsClean();
    void worksWithoutToolBar();
    void highDensityCapture();

    void desktopCaptureAndRealClicks();

private:
    void press(const QPoint &pos, QWidget *target = nullptr);
    void moveTo(const QPoint &pos, Qt::MouseButtons buttons = Qt::LeftButton);
    void release(const QPoint &pos, QWidget *target = nullptr);
    void drag(const QPoint &from, const QPoint &to);
    void doubleClick(const QPoint &pos);
    void select(const QRect &selection) { drag(selection.topLeft(), selection.bottomRight()); }
    void send(QWidget *target, QEvent::Type type, const QPoint &pos, Qt::MouseButton button,
              Qt::MouseButtons buttons);

    std::unique_ptr<ScreenShot> m_shot;
    QSize m_screen;
};

void TestScreenShot::init()
{
    m_screen = QGuiApplication::primaryScreen()->geometry().size();
    m_shot = std::make_unique<ScreenShot>();
    QVERIFY(CScreenShotBar::attach(m_shot.get(), toolBarUrl()));
    QCOMPARE(barOf(*m_shot)->status(), QQuickWidget::Ready);
    m_shot->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_shot.get()));
    m_shot->loadBgPixmap(codedBackground(m_screen));
}

void TestScreenShot::cleanup()
{
    m_shot.reset();
}

void TestScreenShot::send(QWidget *target, QEvent::Type type, const QPoint &pos,
                          Qt::MouseButton button, Qt::MouseButtons buttons)
{
    QWidget *receiver = target ? target : m_shot.get();
    QMouseEvent event(type, pos, receiver->mapToGlobal(pos), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(receiver, &event);
}

void TestScreenShot::press(const QPoint &pos, QWidget *target)
{
    send(target, QEvent::MouseButtonPress, pos, Qt::LeftButton, Qt::LeftButton);
}

void TestScreenShot::moveTo(const QPoint &pos, Qt::MouseButtons buttons)
{
    send(nullptr, QEvent::MouseMove, pos, Qt::NoButton, buttons);
}

void TestScreenShot::release(const QPoint &pos, QWidget *target)
{
    send(target, QEvent::MouseButtonRelease, pos, Qt::LeftButton, Qt::NoButton);
}

void TestScreenShot::drag(const QPoint &from, const QPoint &to)
{
    press(from);
    moveTo((from + to) / 2);
    moveTo(to);
    release(to);
}

// What a widget receives for a double click: the second press comes before the double click.
void TestScreenShot::doubleClick(const QPoint &pos)
{
    press(pos);
    release(pos);
    press(pos);
    send(nullptr, QEvent::MouseButtonDblClick, pos, Qt::LeftButton, Qt::LeftButton);
    release(pos);
}

void TestScreenShot::drawSelection_data()
{
    QTest::addColumn<QPoint>("from");
    QTest::addColumn<QPoint>("to");
    QTest::addColumn<QRect>("selection");
    QTest::addColumn<QString>("label");

    QTest::newRow("up and left") << QPoint(300, 200) << QPoint(100, 50)
                                 << QRect(QPoint(100, 50), QPoint(300, 200)) << "201x151";
    QTest::newRow("down and right") << QPoint(100, 50) << QPoint(300, 200)
                                    << QRect(QPoint(100, 50), QPoint(300, 200)) << "201x151";
    QTest::newRow("down and left")
        << QPoint(40, 10) << QPoint(5, 300) << QRect(QPoint(5, 10), QPoint(40, 300)) << "36x291";
    // The pointer leaves the window while the button is down.
    QTest::newRow("past the left and top edges")
        << QPoint(200, 100) << QPoint(-40, -70) << QRect(QPoint(0, 0), QPoint(200, 100))
        << "201x101";
    QTest::newRow("past the right and bottom edges")
        << QPoint(200, 100) << QPoint(5000, 4000) << QRect(QPoint(200, 100), QPoint(-1, -1))
        << QString();
}

void TestScreenShot::drawSelection()
{
    QFETCH(QPoint, from);
    QFETCH(QPoint, to);
    QFETCH(QRect, selection);
    QFETCH(QString, label);
    if (selection.right() < 0) {
        // Up to the last pixel of the screen, whatever its size.
        selection.setBottomRight(QPoint(m_screen.width() - 1, m_screen.height() - 1));
        label = QStringLiteral("%1x%2").arg(selection.width()).arg(selection.height());
    }

    QCOMPARE(m_shot->state(), int(ScreenShot::Idle));
    press(from);
    QCOMPARE(m_shot->state(), int(ScreenShot::Drawing));
    moveTo((from + to) / 2);
    moveTo(to);
    QCOMPARE(m_shot->currentSelection(), selection);
    release(to);
    QCOMPARE(m_shot->state(), int(ScreenShot::Drawn));
    QCOMPARE(m_shot->currentSelection(), selection);
    QCOMPARE(ScreenShot::sizeText(m_shot->currentSelection()), label);
}

void TestScreenShot::moveIsKeptOnTheScreen_data()
{
    QTest::addColumn<QRect>("selection");
    QTest::addColumn<QPoint>("offset");
    QTest::addColumn<QPoint>("topLeft");

    const QRect selection(QPoint(10, 100), QPoint(110, 200));
    QTest::newRow("inside the screen") << selection << QPoint(30, -20) << QPoint(40, 80);
    QTest::newRow("left 10 by -50 stops at 0") << selection << QPoint(-50, 0) << QPoint(0, 100);
    QTest::newRow("top stops at 0") << selection << QPoint(5, -150) << QPoint(15, 0);
    // Negative coordinates stand for "so far that the far edge lands on the screen's last
    // pixel" (filled in by the test from the screen size).
    QTest::newRow("right stops at the screen's edge")
        << selection << QPoint(5000, 7) << QPoint(-1, 107);
    QTest::newRow("bottom stops at the screen's edge")
        << selection << QPoint(-3, 5000) << QPoint(7, -1);
}

void TestScreenShot::moveIsKeptOnTheScreen()
{
    QFETCH(QRect, selection);
    QFETCH(QPoint, offset);
    QFETCH(QPoint, topLeft);
    if (topLeft.x() < 0)
        topLeft.setX(m_screen.width() - selection.width());
    if (topLeft.y() < 0)
        topLeft.setY(m_screen.height() - selection.height());
    const QRect moved(topLeft, selection.size());

    select(selection);
    const QPoint grip = selection.center();
    press(grip);
    QCOMPARE(m_shot->state(), int(ScreenShot::Moving));
    QCOMPARE(m_shot->currentSelection(), selection);
    moveTo(grip + offset / 2);
    moveTo(grip + offset);
    QCOMPARE(m_shot->currentSelection(), moved);
    QCOMPARE(m_shot->cursor().shape(), Qt::OpenHandCursor);
    release(grip + offset);
    QCOMPARE(m_shot->state(), int(ScreenShot::Moved));
    QCOMPARE(m_shot->currentSelection(), moved);

    // Painting and pressing again keep the moved rectangle; the next move starts from it.
    m_shot->repaint();
    QCOMPARE(m_shot->currentSelection(), moved);
    const QPoint again = moved.center();
    press(again);
    QCOMPARE(m_shot->state(), int(ScreenShot::Moving));
    QCOMPARE(m_shot->currentSelection(), moved);
    moveTo(again + QPoint(-4, 3));
    release(again + QPoint(-4, 3));
    const QRect expected =
        moved.translated(qMax(-4, -moved.left()), qMin(3, m_screen.height() - 1 - moved.bottom()));
    QCOMPARE(m_shot->currentSelection(), expected);
    QCOMPARE(m_shot->state(), int(ScreenShot::Moved));
}

void TestScreenShot::pressTargetsAndCursors_data()
{
    QTest::addColumn<QPoint>("pos");
    QTest::addColumn<int>("state");
    QTest::addColumn<int>("handle");
    QTest::addColumn<int>("cursor");

    // The selection is (100, 100)-(300, 201): middles at x 200 and y 150.
    QTest::newRow("top-left") << QPoint(100, 100) << 5 << 1 << int(Qt::SizeFDiagCursor);
    QTest::newRow("top-middle") << QPoint(200, 100) << 5 << 2 << int(Qt::SizeVerCursor);
    QTest::newRow("top-right") << QPoint(300, 100) << 5 << 3 << int(Qt::SizeBDiagCursor);
    QTest::newRow("right-middle") << QPoint(300, 150) << 5 << 4 << int(Qt::SizeHorCursor);
    QTest::newRow("bottom-right") << QPoint(300, 201) << 5 << 5 << int(Qt::SizeFDiagCursor);
    QTest::newRow("bottom-middle") << QPoint(200, 201) << 5 << 6 << int(Qt::SizeVerCursor);
    QTest::newRow("bottom-left") << QPoint(100, 201) << 5 << 7 << int(Qt::SizeBDiagCursor);
    QTest::newRow("left-middle") << QPoint(100, 150) << 5 << 8 << int(Qt::SizeHorCursor);
    // Handles reach from 2 before to 3 after their point.
    QTest::newRow("inside, on the top-right handle")
        << QPoint(298, 103) << 5 << 3 << int(Qt::SizeBDiagCursor);
    QTest::newRow("outside, on the top-left handle's far corner")
        << QPoint(98, 98) << 5 << 1 << int(Qt::SizeFDiagCursor);
    QTest::newRow("inside, just off the top-right handle")
        << QPoint(297, 104) << 3 << 0 << int(Qt::OpenHandCursor);
    QTest::newRow("inside") << QPoint(150, 170) << 3 << 0 << int(Qt::OpenHandCursor);
    QTest::newRow("outside") << QPoint(400, 300) << 2 << 0 << int(Qt::ArrowCursor);
}

void TestScreenShot::pressTargetsAndCursors()
{
    QFETCH(QPoint, pos);
    QFETCH(int, state);
    QFETCH(int, handle);
    QFETCH(int, cursor);

    select(QRect(QPoint(100, 100), QPoint(300, 201)));
    moveTo(pos, Qt::NoButton);
    QCOMPARE(int(m_shot->cursor().shape()), cursor);
    press(pos);
    QCOMPARE(m_shot->state(), state);
    QCOMPARE(m_shot->handle(), handle);
    // While a handle is dragged, its cursor stays wherever the pointer goes.
    moveTo(QPoint(600, 500));
    if (state == ScreenShot::Resizing)
        QCOMPARE(int(m_shot->cursor().shape()), cursor);
}

void TestScreenShot::resizeByHandle_data()
{
    QTest::addColumn<QPoint>("grip");
    QTest::addColumn<QPoint>("to");
    QTest::addColumn<int>("handle");
    QTest::addColumn<QRect>("resized");

    // The selection is (100, 100)-(300, 200).
    QTest::newRow("1 top-left") << QPoint(100, 100) << QPoint(50, 60) << 1
                                << QRect(QPoint(50, 60), QPoint(300, 200));
    QTest::newRow("2 top-middle keeps left and right")
        << QPoint(200, 100) << QPoint(230, 70) << 2 << QRect(QPoint(100, 70), QPoint(300, 200));
    QTest::newRow("3 top-right") << QPoint(300, 100) << QPoint(350, 120) << 3
                                 << QRect(QPoint(100, 120), QPoint(350, 200));
    QTest::newRow("4 right-middle keeps top and bottom")
        << QPoint(300, 150) << QPoint(400, 10) << 4 << QRect(QPoint(100, 100), QPoint(400, 200));
    QTest::newRow("5 bottom-right")
        << QPoint(300, 200) << QPoint(320, 260) << 5 << QRect(QPoint(100, 100), QPoint(320, 260));
    QTest::newRow("6 bottom-middle keeps left and right")
        << QPoint(200, 200) << QPoint(0, 150) << 6 << QRect(QPoint(100, 100), QPoint(300, 150));
    QTest::newRow("7 bottom-left")
        << QPoint(100, 200) << QPoint(120, 250) << 7 << QRect(QPoint(120, 100), QPoint(300, 250));
    QTest::newRow("8 left-middle keeps top and bottom")
        << QPoint(100, 150) << QPoint(40, 151) << 8 << QRect(QPoint(40, 100), QPoint(300, 200));
    QTest::newRow("right edge dragged past the left one")
        << QPoint(300, 150) << QPoint(60, 150) << 4 << QRect(QPoint(60, 100), QPoint(100, 200));
    QTest::newRow("top-left corner dragged past the bottom-right one")
        << QPoint(100, 100) << QPoint(350, 260) << 1 << QRect(QPoint(300, 200), QPoint(350, 260));
    QTest::newRow("top edge dragged off the screen")
        << QPoint(200, 100) << QPoint(200, -90) << 2 << QRect(QPoint(100, 0), QPoint(300, 200));
}

void TestScreenShot::resizeByHandle()
{
    QFETCH(QPoint, grip);
    QFETCH(QPoint, to);
    QFETCH(int, handle);
    QFETCH(QRect, resized);

    const QRect selection(QPoint(100, 100), QPoint(300, 200));
    select(selection);
    press(grip);
    QCOMPARE(m_shot->state(), int(ScreenShot::Resizing));
    QCOMPARE(m_shot->handle(), handle);
    QCOMPARE(m_shot->currentSelection(), selection);
    moveTo((grip + to) / 2);
    moveTo(to);
    QCOMPARE(m_shot->currentSelection(), resized);
    release(to);
    QCOMPARE(m_shot->state(), int(ScreenShot::Resized));
    QCOMPARE(m_shot->currentSelection(), resized);
    // The resized rectangle is the selection now: painting leaves it, its handles follow it.
    m_shot->repaint();
    QCOMPARE(m_shot->currentSelection(), resized);
    press(resized.bottomRight());
    QCOMPARE(m_shot->state(), int(ScreenShot::Resizing));
    QCOMPARE(m_shot->handle(), 5);
    release(resized.bottomRight());
    QCOMPARE(m_shot->currentSelection(), resized);

    QSignalSpy finished(m_shot.get(), &ScreenShot::finish);
    m_shot->slot_onOK();
    QCOMPARE(finished.count(), 1);
    verifyPicture(finished.at(0).at(0).value<QPixmap>(), resized);
}

void TestScreenShot::toolBarPlace_data()
{
    QTest::addColumn<QRect>("selection");
    QTest::addColumn<QPoint>("place");

    QTest::newRow("room below") << QRect(QPoint(100, 100), QPoint(300, 200)) << QPoint(174, 203);
    // Rows from the bottom: -k stands for the screen's height minus k.
    QTest::newRow("31 rows below: below")
        << QRect(QPoint(200, 300), QPoint(400, -32)) << QPoint(274, -29);
    QTest::newRow("30 rows below: above")
        << QRect(QPoint(200, 300), QPoint(400, -31)) << QPoint(274, 270);
    QTest::newRow("down to the last row: above")
        << QRect(QPoint(200, 300), QPoint(400, -1)) << QPoint(274, 270);
    QTest::newRow("narrow at the left edge stays on the screen")
        << QRect(QPoint(0, 100), QPoint(50, 200)) << QPoint(0, 203);
    QTest::newRow("the whole height stays on the screen")
        << QRect(QPoint(200, 0), QPoint(400, -1)) << QPoint(274, 0);
}

void TestScreenShot::toolBarPlace()
{
    QFETCH(QRect, selection);
    QFETCH(QPoint, place);
    const int height = m_screen.height();
    if (selection.bottom() < 0)
        selection.setBottom(height + selection.bottom());
    if (place.y() < 0)
        place.setY(height + place.y());

    QVERIFY(m_shot->toolBar()->isHidden());
    select(selection);
    QCOMPARE(m_shot->currentSelection(), selection);
    QVERIFY(m_shot->toolBar()->isVisible());
    QCOMPARE(m_shot->toolBar()->geometry(), QRect(place, QSize(126, 27)));
}

void TestScreenShot::painting_data()
{
    QTest::addColumn<QRect>("selection");
    QTest::addColumn<int>("labelTop");
    QTest::addColumn<bool>("labelOverSelection");

    QTest::newRow("label above the selection")
        << QRect(QPoint(100, 100), QPoint(300, 200)) << 80 << false;
    QTest::newRow("top at 21: label above")
        << QRect(QPoint(100, 21), QPoint(300, 200)) << 1 << false;
    QTest::newRow("top at 20: label inside")
        << QRect(QPoint(100, 20), QPoint(300, 200)) << 20 << true;
}

void TestScreenShot::painting()
{
    QFETCH(QRect, selection);
    QFETCH(int, labelTop);
    QFETCH(bool, labelOverSelection);

    select(selection);
    const QImage shown = m_shot->grab().toImage();
    auto pixel = [&](int x, int y) { return shown.pixel(x, y); };

    // Outside the selection the picture is dimmed, inside it is as captured.
    const QPoint outside(selection.right() + 40, selection.top() + 10);
    QVERIFY2(near(pixel(outside.x(), outside.y()), dimmed(colourAt(outside.x(), outside.y()))),
             qPrintable(describe(pixel(outside.x(), outside.y()))));
    const QPoint inside(selection.left() + 20, selection.bottom() - 20);
    QCOMPARE(describe(pixel(inside.x(), inside.y())), describe(colourAt(inside.x(), inside.y())));
    QCOMPARE(describe(pixel(selection.right(), selection.bottom() - 40)),
             describe(colourAt(selection.right(), selection.bottom() - 40)));

    // The outline lies just outside the area, the handles are filled.
    QVERIFY(near(pixel(selection.left() - 1, selection.bottom() - 40), kOutline, 0));
    QVERIFY(near(pixel(selection.right() + 1, selection.bottom() - 40), kOutline, 0));
    QVERIFY(near(pixel(selection.right() + 3, selection.bottom() + 3), kOutline, 0));
    QVERIFY(near(pixel(selection.right() - 2, (selection.top() + selection.bottom()) / 2), kOutline,
                 0));

    // The label's corners hold no text: only its fill over the picture.
    const int labelX = selection.left() + 73;
    for (int y : {labelTop + 1, labelTop + 17}) {
        const QRgb under = colourAt(labelX, y);
        const QColor expected = underLabel(labelOverSelection ? QColor(under) : dimmed(under));
        QVERIFY2(near(pixel(labelX, y), expected),
                 qPrintable(describe(pixel(labelX, y)) + " " + expected.name()));
    }
    // The row under the label is no longer the label.
    const int belowLabel = labelTop + 18;
    if (!labelOverSelection && belowLabel < selection.top() - 1) {
        QVERIFY(near(pixel(labelX, belowLabel), dimmed(colourAt(labelX, belowLabel))));
    }
}

void TestScreenShot::escapeResets_data()
{
    QTest::addColumn<QPoint>("pressAt");
    QTest::addColumn<int>("state");

    QTest::newRow("drawing") << QPoint(500, 400) << int(ScreenShot::Drawing);
    QTest::newRow("moving") << QPoint(150, 150) << int(ScreenShot::Moving);
    QTest::newRow("resizing") << QPoint(300, 200) << int(ScreenShot::Resizing);
}

void TestScreenShot::escapeResets()
{
    QFETCH(QPoint, pressAt);
    QFETCH(int, state);

    QSignalSpy finished(m_shot.get(), &ScreenShot::finish);
    QSignalSpy saved(m_shot.get(), &ScreenShot::save);
    if (state != ScreenShot::Drawing)
        select(QRect(QPoint(100, 100), QPoint(300, 200)));
    press(pressAt);
    moveTo(pressAt + QPoint(30, 20));
    QCOMPARE(m_shot->state(), state);

    QTest::keyClick(m_shot.get(), Qt::Key_Escape);
    QCOMPARE(m_shot->state(), int(ScreenShot::Idle));
    QCOMPARE(m_shot->handle(), 0);
    QVERIFY(m_shot->isHidden());
    QVERIFY(m_shot->toolBar()->isHidden());
    QCOMPARE(m_shot->currentSelection(), QRect());
    QCOMPARE(m_shot->cursor().shape(), Qt::CrossCursor);
    QCOMPARE(finished.count() + saved.count(), 0);

    // Shown again, the next press draws a new rectangle.
    m_shot->show();
    drag(QPoint(20, 30), QPoint(60, 90));
    QCOMPARE(m_shot->state(), int(ScreenShot::Drawn));
    QCOMPARE(m_shot->currentSelection(), QRect(QPoint(20, 30), QPoint(60, 90)));
}

void TestScreenShot::doubleClickDelivers_data()
{
    QTest::addColumn<int>("state");
    QTest::addColumn<QPoint>("at");

    QTest::newRow("drawn") << int(ScreenShot::Drawn) << QPoint(150, 150);
    QTest::newRow("moved") << int(ScreenShot::Moved) << QPoint(170, 160);
    QTest::newRow("resized") << int(ScreenShot::Resized) << QPoint(150, 150);
    QTest::newRow("resized, on a handle") << int(ScreenShot::Resized) << QPoint(250, 250);
}

void TestScreenShot::doubleClickDelivers()
{
    QFETCH(int, state);
    QFETCH(QPoint, at);

    QSignalSpy finished(m_shot.get(), &ScreenShot::finish);
    QSignalSpy saved(m_shot.get(), &ScreenShot::save);
    select(QRect(QPoint(100, 100), QPoint(300, 200)));
    if (state == ScreenShot::Moved)
        drag(QPoint(150, 150), QPoint(170, 160));
    else if (state == ScreenShot::Resized)
        drag(QPoint(300, 200), QPoint(250, 250));
    QCOMPARE(m_shot->state(), state);
    const QRect selection = m_shot->currentSelection();

    doubleClick(at);
    QCOMPARE(finished.count(), 1);
    QCOMPARE(saved.count(), 0);
    QVERIFY(m_shot->isHidden());
    verifyPicture(finished.at(0).at(0).value<QPixmap>(), selection);
    QCOMPARE(selection, state == ScreenShot::Drawn   ? QRect(QPoint(100, 100), QPoint(300, 200))
                        : state == ScreenShot::Moved ? QRect(QPoint(120, 110), QPoint(320, 210))
                                                     : QRect(QPoint(100, 100), QPoint(250, 250)));
}

void TestScreenShot::toolBarButtons_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("finishes");
    QTest::addColumn<int>("saves");
    QTest::addColumn<bool>("hidden");
    QTest::addColumn<int>("state");

    QTest::newRow("save") << "btnSave" << 0 << 1 << false << int(ScreenShot::Drawn);
    QTest::newRow("ok") << "btnOk" << 1 << 0 << true << int(ScreenShot::Moved);
    QTest::newRow("cancel") << "btnCancel" << 0 << 0 << true << int(ScreenShot::Idle);
}

void TestScreenShot::toolBarButtons()
{
    QFETCH(QString, button);
    QFETCH(int, finishes);
    QFETCH(int, saves);
    QFETCH(bool, hidden);
    QFETCH(int, state);

    QSignalSpy finished(m_shot.get(), &ScreenShot::finish);
    QSignalSpy saved(m_shot.get(), &ScreenShot::save);
    select(QRect(QPoint(100, 100), QPoint(300, 200)));
    drag(QPoint(200, 150), QPoint(210, 130));
    QCOMPARE(m_shot->state(), int(ScreenShot::Moved));
    const QRect selection = m_shot->currentSelection();
    QCOMPARE(selection, QRect(QPoint(110, 80), QPoint(310, 180)));

    const QPoint centre = buttonCentre(*m_shot, button);
    QVERIFY(QRect(QPoint(0, 0), QSize(126, 27)).contains(centre));
    QTest::mouseClick(m_shot->toolBar(), Qt::LeftButton, {}, centre);
    QCOMPARE(finished.count(), finishes);
    QCOMPARE(saved.count(), saves);
    QCOMPARE(m_shot->isHidden(), hidden);
    QCOMPARE(m_shot->state(), state);
    if (finishes)
        verifyPicture(finished.at(0).at(0).value<QPixmap>(), selection);
    if (saves) {
        verifyPicture(saved.at(0).at(0).value<QPixmap>(), selection);
        // Saved, the moved rectangle is still the selection.
        QCOMPARE(m_shot->currentSelection(), selection);
    }
}

void TestScreenShot::emptySelectionDeliversNothing_data()
{
    QTest::addColumn<QPoint>("from");
    QTest::addColumn<QPoint>("to");
    QTest::addColumn<QString>("action");

    const QPoint nowhere(-1, -1);
    QTest::newRow("nothing drawn, ok") << nowhere << nowhere << "ok";
    QTest::newRow("nothing drawn, save") << nowhere << nowhere << "save";
    QTest::newRow("click, ok") << QPoint(100, 100) << QPoint(100, 100) << "ok";
    QTest::newRow("click, save") << QPoint(100, 100) << QPoint(100, 100) << "save";
    QTest::newRow("click, double click") << QPoint(100, 100) << QPoint(100, 100) << "double";
    QTest::newRow("flat line, ok") << QPoint(100, 100) << QPoint(300, 100) << "ok";
    QTest::newRow("double click alone") << nowhere << nowhere << "double";
}

void TestScreenShot::emptySelectionDeliversNothing()
{
    QFETCH(QPoint, from);
    QFETCH(QPoint, to);
    QFETCH(QString, action);

    QSignalSpy finished(m_shot.get(), &ScreenShot::finish);
    QSignalSpy saved(m_shot.get(), &ScreenShot::save);
    if (from.x() >= 0)
        drag(from, to);
    const int before = m_shot->state();

    if (action == QLatin1String("ok"))
        m_shot->slot_onOK();
    else if (action == QLatin1String("save"))
        m_shot->slot_onSave();
    else
        doubleClick(QPoint(100, 100));
    QCOMPARE(finished.count(), 0);
    QCOMPARE(saved.count(), 0);
    if (action == QLatin1String("save")) {
        // Nothing to save: the window stays as it was.
        QVERIFY(m_shot->isVisible());
        QCOMPARE(m_shot->state(), before);
    } else {
        QVERIFY(m_shot->isHidden());
        QCOMPARE(m_shot->state(), int(ScreenShot::Idle));
    }
}

void TestScreenShot::nextUseStartsClean()
{
    QSignalSpy finished(m_shot.get(), &ScreenShot::finish);
    select(QRect(QPoint(100, 100), QPoint(300, 200)));
    m_shot->slot_onOK();
    QCOMPARE(finished.count(), 1);
    QVERIFY(m_shot->isHidden());

    // The next use: capture (which resets), show, load the new picture.
    m_shot->grabDesktop();
    QCOMPARE(m_shot->state(), int(ScreenShot::Idle));
    QCOMPARE(m_shot->currentSelection(), QRect());
    m_shot->show();
    QImage second(m_screen, QImage::Format_RGB32);
    second.fill(QColor(10, 200, 30));
    m_shot->loadBgPixmap(QPixmap::fromImage(second));
    m_shot->slot_onOK();
    QCOMPARE(finished.count(), 1);

    m_shot->show();
    select(QRect(QPoint(50, 60), QPoint(90, 80)));
    m_shot->slot_onOK();
    QCOMPARE(finished.count(), 2);
    const QImage picture = finished.at(1).at(0).value<QPixmap>().toImage();
    QCOMPARE(picture.size(), QSize(41, 21));
    QCOMPARE(describe(picture.pixel(0, 0)), QColor(10, 200, 30).name());
    QCOMPARE(describe(picture.pixel(40, 20)), QColor(10, 200, 30).name());
}

void TestScreenShot::worksWithoutToolBar()
{
    m_shot.reset();
    const QUrl missing = QUrl::fromLocalFile(QDir::temp().filePath("no-such-tool-bar.qml"));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("tool bar: .*no-such-tool-bar"));
    ScreenShot shot;
    QVERIFY(!CScreenShotBar::attach(&shot, missing));
    QVERIFY(!shot.toolBar());
    shot.show();
    shot.loadBgPixmap(codedBackground(m_screen));
    QSignalSpy finished(&shot, &ScreenShot::finish);

    QMouseEvent pressEvent(QEvent::MouseButtonPress, QPointF(40, 50),
                           shot.mapToGlobal(QPointF(40, 50)), Qt::LeftButton, Qt::LeftButton,
                           Qt::NoModifier);
    QApplication::sendEvent(&shot, &pressEvent);
    QMouseEvent releaseEvent(QEvent::MouseButtonRelease, QPointF(140, 90),
                             shot.mapToGlobal(QPointF(140, 90)), Qt::LeftButton, Qt::NoButton,
                             Qt::NoModifier);
    QApplication::sendEvent(&shot, &releaseEvent);
    QCOMPARE(shot.state(), int(ScreenShot::Drawn));
    QVERIFY(!shot.toolBar());

    QMouseEvent doubleEvent(QEvent::MouseButtonDblClick, QPointF(60, 60),
                            shot.mapToGlobal(QPointF(60, 60)), Qt::LeftButton, Qt::LeftButton,
                            Qt::NoModifier);
    QApplication::sendEvent(&shot, &doubleEvent);
    QCOMPARE(finished.count(), 1);
    verifyPicture(finished.at(0).at(0).value<QPixmap>(), QRect(QPoint(40, 50), QPoint(140, 90)));
    QVERIFY(shot.isHidden());
}

void TestScreenShot::highDensityCapture()
{
    // A capture at twice the window's density: the selection's area has four times the pixels.
    QPixmap capture = codedBackground(m_screen * 2);
    capture.setDevicePixelRatio(2);
    m_shot->loadBgPixmap(capture);
    QSignalSpy finished(m_shot.get(), &ScreenShot::finish);
    select(QRect(QPoint(10, 20), QPoint(59, 39)));
    m_shot->slot_onOK();
    QCOMPARE(finished.count(), 1);
    const QPixmap picture = finished.at(0).at(0).value<QPixmap>();
    QCOMPARE(picture.devicePixelRatio(), 2.0);
    verifyPicture(picture, QRect(QPoint(20, 40), QPoint(119, 79)));
}

namespace {

// One child on the Xvfb display, answering on its stdout.
class XvfbChild
{
public:
    bool start(const XvfbDisplay &display)
    {
        m_process.setProcessEnvironment(display.environment());
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(QCoreApplication::applicationFilePath(), {"--xvfb-child"});
        return m_process.waitForStarted(5000);
    }

    ~XvfbChild()
    {
        m_process.closeWriteChannel();
        if (!m_process.waitForFinished(5000)) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }

    void command(const QByteArray &line) { m_process.write(line + "\n"); }

    // The next line the child printed, empty after 10 s without one.
    QByteArray nextLine()
    {
        QDeadlineTimer deadline(10000);
        while (!m_process.canReadLine()) {
            if (deadline.hasExpired() || m_process.state() != QProcess::Running)
                return {};
            m_process.waitForReadyRead(50);
        }
        return m_process.readLine().trimmed();
    }

private:
    QProcess m_process;
};

} // namespace

void TestScreenShot::desktopCaptureAndRealClicks()
{
    XvfbDisplay display;
    if (!display.start())
        QSKIP(qPrintable(display.errorText()));
    XvfbChild child;
    QVERIFY(child.start(display));

    // The child's coloured window covers (200, 150)-(359, 269) of the 1280 × 1024 screen.
    QCOMPARE(child.nextLine(), QByteArray("grab 1280 1024 #c81e3c outside-differs"));
    QCOMPARE(child.nextLine(), QByteArray("shown 0 0 1280 1024"));

    QVERIFY(display.xdotoolSucceeds({"mousemove", "150", "100", "mousedown", "1", "mousemove",
                                     "300", "200", "mousemove", "420", "330", "mouseup", "1"}));
    child.command("where btnOk");
    const QList<QByteArray> where = child.nextLine().split(' ');
    QCOMPARE(where.value(0), QByteArray("btnOk"));
    QVERIFY(display.xdotoolSucceeds({"mousemove", where.value(1), where.value(2), "click", "1"}));
    // The selection (150, 100)-(420, 330) holds the window from (50, 50) on.
    QCOMPARE(child.nextLine(), QByteArray("finish 271 231 #c81e3c hidden"));
}

namespace {

int runXvfbChild(int argc, char **argv)
{
    QApplication app(argc, argv);
    auto say = [](const QByteArray &line) {
        std::fputs(line.constData(), stdout);
        std::fputc('\n', stdout);
        std::fflush(stdout);
    };
    const QColor colour(200, 30, 60);

    QWidget patch;
    patch.setWindowFlags(Qt::FramelessWindowHint);
    patch.setAutoFillBackground(true);
    QPalette palette = patch.palette();
    palette.setColor(QPalette::Window, colour);
    patch.setPalette(palette);
    patch.setGeometry(200, 150, 160, 120);
    patch.show();
    if (!QTest::qWaitForWindowExposed(&patch))
        return 1;

    ScreenShot shot;
    CScreenShotBar::attach(&shot, toolBarUrl());
    // The capture is asynchronous to the window's drawing: capture until the window shows.
    QPixmap desktop;
    QDeadlineTimer deadline(5000);
    do {
        QTest::qWait(50);
        desktop = shot.grabDesktop();
    } while (desktop.toImage().pixelColor(280, 210) != colour && !deadline.hasExpired());
    const QImage image = desktop.toImage();
    say("grab " + QByteArray::number(desktop.width()) + ' ' + QByteArray::number(desktop.height()) +
        ' ' + image.pixelColor(280, 210).name().toLatin1() +
        (image.pixelColor(199, 149) != colour && image.pixelColor(360, 270) != colour
             ? " outside-differs"
             : " outside-same"));

    patch.hide();
    QObject::connect(&shot, &ScreenShot::finish, [&](const QPixmap &pixmap) {
        const QImage picture = pixmap.toImage();
        const QByteArray line = "finish " + QByteArray::number(pixmap.width()) + ' ' +
                                QByteArray::number(pixmap.height()) + ' ' +
                                picture.pixelColor(80, 80).name().toLatin1();
        // The window hides once the signal has been delivered.
        QTimer::singleShot(0, &shot,
                           [&, line] { say(line + (shot.isHidden() ? " hidden" : " shown")); });
    });
    shot.show();
    shot.loadBgPixmap(desktop);
    if (!QTest::qWaitForWindowExposed(&shot))
        return 1;
    shot.raise();
    shot.activateWindow();
    const QRect geometry = shot.geometry();
    say("shown " + QByteArray::number(geometry.x()) + ' ' + QByteArray::number(geometry.y()) + ' ' +
        QByteArray::number(geometry.width()) + ' ' + QByteArray::number(geometry.height()));

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QByteArray pending;
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char buffer[256];
        const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (got <= 0) {
            app.quit();
            return;
        }
        pending.append(buffer, got);
        int end;
        while ((end = pending.indexOf('\n')) >= 0) {
            const QByteArray line = pending.left(end).trimmed();
            pending.remove(0, end + 1);
            if (line.startsWith("where ")) {
                // The drag's events may still be on their way.
                if (!QTest::qWaitFor([&] {
                        return shot.state() == ScreenShot::Drawn && shot.toolBar()->isVisible();
                    })) {
                    say("not drawn: state " + QByteArray::number(shot.state()));
                    continue;
                }
                const QPoint centre = buttonCentre(shot, QString::fromLatin1(line.mid(6)));
                const QPoint global = shot.toolBar()->mapToGlobal(centre);
                say(line.mid(6) + ' ' + QByteArray::number(global.x()) + ' ' +
                    QByteArray::number(global.y()));
            }
        }
    });
    return app.exec();
}

} // namespace

int main(int argc, char **argv)
{
    // The tool bar is drawn by Qt Quick's software renderer: neither the offscreen platform
    // nor Xvfb has a GPU to offer.
    QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    if (argc > 1 && qstrcmp(argv[1], "--xvfb-child") == 0)
        return runXvfbChild(argc, argv);
    QApplication app(argc, argv);
    TestScreenShot test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_screenshot.moc"
