#include "screenshot.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

#include <algorithm>
#include <cstdlib>

namespace {

constexpr int kToolBarWidth = 126;
constexpr int kToolBarHeight = 27;
// The tool bar goes below the selection only when more rows than this are left under it.
constexpr int kToolBarRoomBelow = 30;
constexpr int kToolBarGap = 3;
constexpr int kLabelWidth = 75;
constexpr int kLabelRows = 18;
constexpr int kLabelLift = 20;
constexpr int kHandleCount = 8;

const QColor kOutlineColour(0, 174, 255);
const QColor kDimColour(0, 0, 0, 100);
const QColor kLabelColour(239, 234, 228, 200);

// Handles are numbered clockwise from the top-left corner; odd ones are corners.
constexpr Qt::CursorShape kHandleCursors[kHandleCount] = {
    Qt::SizeFDiagCursor, Qt::SizeVerCursor, Qt::SizeBDiagCursor, Qt::SizeHorCursor,
    Qt::SizeFDiagCursor, Qt::SizeVerCursor, Qt::SizeBDiagCursor, Qt::SizeHorCursor,
};

// The rectangle spanned by two points, inclusive corners.
QRect rectOf(const QPoint &p, const QPoint &q)
{
    const int left = std::min(p.x(), q.x());
    const int top = std::min(p.y(), q.y());
    return QRect(QPoint(left, top),
                 QPoint(left + std::abs(p.x() - q.x()), top + std::abs(p.y() - q.y())));
}

// A click without a drag, or a drag along one line, selects no area.
bool isEmptySelection(const QRect &selection)
{
    return selection.width() < 2 || selection.height() < 2;
}

QPoint handlePoint(const QRect &r, int handle)
{
    const int midX = (r.left() + r.right()) / 2;
    const int midY = (r.top() + r.bottom()) / 2;
    switch (handle) {
    case 1:
        return r.topLeft();
    case 2:
        return {midX, r.top()};
    case 3:
        return r.topRight();
    case 4:
        return {r.right(), midY};
    case 5:
        return r.bottomRight();
    case 6:
        return {midX, r.bottom()};
    case 7:
        return r.bottomLeft();
    default:
        return {r.left(), midY};
    }
}

// The rectangle r becomes when its handle is dragged to p: a corner spans from the opposite
// corner, an edge keeps the other axis and spans from the opposite edge.
QRect resizedBy(const QRect &r, int handle, const QPoint &p)
{
    switch (handle) {
    case 1:
        return rectOf(r.bottomRight(), p);
    case 2:
        return rectOf({r.left(), r.bottom()}, {r.right(), p.y()});
    case 3:
        return rectOf(r.bottomLeft(), p);
    case 4:
        return rectOf({r.left(), r.top()}, {p.x(), r.bottom()});
    case 5:
        return rectOf(r.topLeft(), p);
    case 6:
        return rectOf({r.left(), r.top()}, {r.right(), p.y()});
    case 7:
        return rectOf(r.topRight(), p);
    default:
        return rectOf({r.right(), r.top()}, {p.x(), r.bottom()});
    }
}

// A capture of a high-density screen has more pixels than the window; selections are in the
// window's pixels.
QRect capturePixels(const QRect &selection, qreal ratio)
{
    return QRect(qRound(selection.x() * ratio), qRound(selection.y() * ratio),
                 qRound(selection.width() * ratio), qRound(selection.height() * ratio));
}

QRect labelRect(const QRect &selection)
{
    const int y = selection.top() > kLabelLift ? selection.top() - kLabelLift : selection.top();
    return QRect(selection.left(), y, kLabelWidth, kLabelRows);
}

} // namespace

ScreenShot::ScreenShot()
{
    setWindowState(Qt::WindowFullScreen | Qt::WindowActive);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    refreshScreenSize();
    reset();
}

void ScreenShot::setToolBar(QWidget *pToolBar)
{
    delete m_pToolBar;
    m_pToolBar = pToolBar;
    if (!m_pToolBar)
        return;
    m_pToolBar->setParent(this);
    // Keys stay with the window, so Escape works while the pointer is over the tool bar.
    m_pToolBar->setFocusPolicy(Qt::NoFocus);
    m_pToolBar->hide();
}

ScreenShot::~ScreenShot() = default;

QString ScreenShot::sizeText(const QRect &selection)
{
    return QStringLiteral("%1x%2")
        .arg(selection.right() - selection.left() + 1)
        .arg(selection.bottom() - selection.top() + 1);
}

QPixmap ScreenShot::grabDesktop()
{
    reset();
    refreshScreenSize();
    QScreen *pScreen = QGuiApplication::primaryScreen();
    if (!pScreen) {
        m_trace.traceError(QStringLiteral("no screen to capture"));
        return {};
    }
    const QPixmap desktop = pScreen->grabWindow(0);
    if (desktop.isNull())
        m_trace.traceError(QStringLiteral("the desktop could not be captured"));
    return desktop;
}

QRect ScreenShot::currentSelection() const
{
    const QRect drawn = rectOf(m_selectStart, m_selectEnd);
    switch (m_iState) {
    case Drawing:
    case Drawn:
    case Moved:
    case Resized:
        // A finished move or resize has already become the selection (finishDrag).
        return drawn;
    case Moving: {
        const int dx = std::clamp(m_dragEnd.x() - m_dragStart.x(), -drawn.left(),
                                  std::max(0, m_iScreenWidth - 1 - drawn.right()));
        const int dy = std::clamp(m_dragEnd.y() - m_dragStart.y(), -drawn.top(),
                                  std::max(0, m_iScreenHeight - 1 - drawn.bottom()));
        return drawn.translated(dx, dy);
    }
    case Resizing:
        return resizedBy(drawn, m_iHandle, m_dragEnd);
    default:
        return {};
    }
}

void ScreenShot::loadBgPixmap(QPixmap bgPixmap)
{
    m_bgPixmap = bgPixmap;
    refresh();
}

void ScreenShot::slot_onSave()
{
    const QRect selection = currentSelection();
    if (m_iState == Idle || isEmptySelection(selection))
        return;
    if (m_iState != Drawn) {
        m_selectStart = selection.topLeft();
        m_selectEnd = selection.bottomRight();
        m_iState = Drawn;
        refresh();
    }
    emit save(m_resultPixmap);
}

void ScreenShot::slot_onCancel()
{
    reset();
    hide();
}

void ScreenShot::slot_onOK()
{
    deliver();
}

void ScreenShot::deliver()
{
    if (m_iState == Idle || isEmptySelection(currentSelection()) || m_resultPixmap.isNull()) {
        reset();
        hide();
        return;
    }
    emit finish(m_resultPixmap);
    hide();
}

void ScreenShot::reset()
{
    if (m_pToolBar)
        m_pToolBar->hide();
    m_iState = Idle;
    m_iHandle = 0;
    m_selectStart = m_selectEnd = m_dragStart = m_dragEnd = QPoint(0, 0);
    for (QRect &handle : m_handles)
        handle = QRect();
    m_selection = QRect();
    m_resultPixmap = QPixmap();
    setCursor(Qt::CrossCursor);
    update();
}

void ScreenShot::refresh()
{
    m_selection = currentSelection();
    if (m_iState == Idle) {
        update();
        return;
    }
    for (int i = 0; i < kHandleCount; ++i) {
        const QPoint point = handlePoint(m_selection, i + 1);
        m_handles[i] = QRect(point - QPoint(2, 2), point + QPoint(3, 3));
    }
    m_resultPixmap =
        isEmptySelection(m_selection) || m_bgPixmap.isNull()
            ? QPixmap()
            : m_bgPixmap.copy(capturePixels(m_selection, m_bgPixmap.devicePixelRatio()));
    placeToolBar(m_selection);
    update();
}

void ScreenShot::placeToolBar(const QRect &selection)
{
    if (!m_pToolBar)
        return;
    // Kept on the screen, so that every button can be reached whatever the selection.
    const int x = std::clamp(selection.right() - kToolBarWidth, 0,
                             std::max(0, m_iScreenWidth - kToolBarWidth));
    const int rowsBelow = m_iScreenHeight - 1 - selection.bottom();
    const int y = rowsBelow > kToolBarRoomBelow ? selection.bottom() + kToolBarGap
                                                : selection.top() - kToolBarGap - kToolBarHeight;
    m_pToolBar->move(x, std::clamp(y, 0, std::max(0, m_iScreenHeight - kToolBarHeight)));
    if (m_pToolBar->isHidden())
        m_pToolBar->show();
    m_pToolBar->raise();
}

void ScreenShot::refreshScreenSize()
{
    if (QScreen *pScreen = QGuiApplication::primaryScreen()) {
        m_iScreenWidth = pScreen->geometry().width();
        m_iScreenHeight = pScreen->geometry().height();
        // Without a window manager the full-screen state alone does not size the window.
        setGeometry(pScreen->geometry());
    }
}

QPoint ScreenShot::clampToScreen(const QPoint &pos) const
{
    return {std::clamp(pos.x(), 0, std::max(0, m_iScreenWidth - 1)),
            std::clamp(pos.y(), 0, std::max(0, m_iScreenHeight - 1))};
}

int ScreenShot::handleAt(const QPoint &pos) const
{
    for (int i = 0; i < kHandleCount; ++i) {
        if (m_handles[i].contains(pos))
            return i + 1;
    }
    return 0;
}

void ScreenShot::updateCursor(const QPoint &pos)
{
    Qt::CursorShape shape = Qt::ArrowCursor;
    if (m_iState == Idle || m_iState == Drawing) {
        shape = Qt::CrossCursor;
    } else if (m_iState == Moving) {
        shape = Qt::OpenHandCursor;
    } else if (m_iState == Resizing) {
        shape = kHandleCursors[m_iHandle - 1];
    } else if (const int handle = handleAt(pos)) {
        shape = kHandleCursors[handle - 1];
    } else if (m_selection.contains(pos)) {
        shape = Qt::OpenHandCursor;
    }
    setCursor(shape);
}

void ScreenShot::finishDrag(const QPoint &pos)
{
    m_dragEnd = pos;
    const QRect selection = currentSelection();
    m_selectStart = selection.topLeft();
    m_selectEnd = selection.bottomRight();
    m_dragStart = m_dragEnd;
    m_iState = m_iState == Moving ? Moved : Resized;
}

void ScreenShot::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_bgPixmap);
    painter.fillRect(rect(), kDimColour);
    if (m_iState == Idle)
        return;

    painter.setPen(QPen(kOutlineColour, 2, Qt::SolidLine));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(m_selection);
    if (!m_resultPixmap.isNull())
        painter.drawPixmap(m_selection.topLeft(), m_resultPixmap);
    for (const QRect &handle : m_handles)
        painter.fillRect(handle, kOutlineColour);

    const QRect label = labelRect(m_selection);
    painter.fillRect(label, kLabelColour);
    painter.setPen(Qt::black);
    painter.drawText(label, Qt::AlignCenter, sizeText(m_selection));
}

void ScreenShot::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint pos = clampToScreen(event->position().toPoint());
    if (m_iState == Idle) {
        m_iState = Drawing;
        m_selectStart = m_selectEnd = pos;
    } else if (m_iState == Drawn || m_iState == Moved || m_iState == Resized) {
        // The drag end starts at the press, so nothing moves before the pointer does.
        if (const int handle = handleAt(pos)) {
            m_iState = Resizing;
            m_iHandle = handle;
            m_dragStart = m_dragEnd = pos;
        } else if (m_selection.contains(pos)) {
            m_iState = Moving;
            m_iHandle = 0;
            m_dragStart = m_dragEnd = pos;
        }
    }
    refresh();
    updateCursor(event->position().toPoint());
}

void ScreenShot::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint pos = clampToScreen(event->position().toPoint());
    switch (m_iState) {
    case Drawing:
        m_selectEnd = pos;
        refresh();
        break;
    case Moving:
    case Resizing:
        m_dragEnd = pos;
        refresh();
        break;
    default:
        break;
    }
    updateCursor(event->position().toPoint());
}

void ScreenShot::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint pos = clampToScreen(event->position().toPoint());
    switch (m_iState) {
    case Drawing:
        m_selectEnd = pos;
        m_iState = Drawn;
        break;
    case Moving:
    case Resizing:
        finishDrag(pos);
        break;
    default:
        return;
    }
    refresh();
    updateCursor(event->position().toPoint());
}

void ScreenShot::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    // The second press of a double click arrives first and starts a move or resize that has
    // not moved anything yet; it ends here.
    if (m_iState == Moving || m_iState == Resizing) {
        finishDrag(clampToScreen(event->position().toPoint()));
        refresh();
    }
    if (m_iState == Drawn || m_iState == Moved || m_iState == Resized)
        deliver();
}

void ScreenShot::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        reset();
        hide();
        return;
    }
    QWidget::keyPressEvent(event);
}
