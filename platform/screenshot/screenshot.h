// ScreenShot: a full-screen window showing a frozen, dimmed picture of the desktop on which
// the user draws, moves and resizes a rectangle; the area inside is shown undimmed with its
// size, and a small tool bar beside it saves, cancels or sends the area.
#pragma once

#include <QPixmap>
#include <QPoint>
#include <QRect>
#include <QWidget>

#include "ctrace.h"

class ScreenShot : public QWidget
{
    Q_OBJECT

public:
    enum State
    {
        Idle = 0,     // nothing selected
        Drawing = 1,  // left button down, drawing a new rectangle
        Drawn = 2,    // rectangle drawn
        Moving = 3,   // button down inside the rectangle
        Moved = 4,    // move finished
        Resizing = 5, // button down on a handle
        Resized = 6,  // resize finished
    };

    ScreenShot();
    ~ScreenShot() override;

    // Takes the tool bar shown beside a selection; its maker connects its buttons to the
    // slots below. Without one the tool works by mouse and keys alone.
    void setToolBar(QWidget *pToolBar);

    // Resets, then captures the whole desktop.
    QPixmap grabDesktop();

    int state() const { return m_iState; }
    int handle() const { return m_iHandle; }
    // The selection as painted now (inclusive corners).
    QRect currentSelection() const;
    QWidget *toolBar() const { return m_pToolBar; }

    // The size label's text for a selection: its width and height in pixels, "<w>x<h>".
    static QString sizeText(const QRect &selection);

public slots:
    void loadBgPixmap(QPixmap bgPixmap);
    void slot_onSave();
    void slot_onCancel();
    void slot_onOK();

signals:
    // Never emitted with an empty selection.
    void finish(QPixmap pixmap);
    void save(QPixmap pixmap);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void reset();
    // Recomputes the handles, the result and the tool bar's place after any change, repaints.
    void refresh();
    // Ends a move or resize at pos: the rectangle it gives becomes the selection.
    void finishDrag(const QPoint &pos);
    // Emits finish with the selected area, or resets when there is none, and hides.
    void deliver();
    void updateCursor(const QPoint &pos);
    void placeToolBar(const QRect &selection);
    void refreshScreenSize();
    // 1 to 8 for the handle under pos, 0 for none.
    int handleAt(const QPoint &pos) const;
    QPoint clampToScreen(const QPoint &pos) const;

    QPixmap m_bgPixmap;
    QPixmap m_resultPixmap;
    QRect m_handles[8];
    QRect m_selection;
    QPoint m_selectStart;
    QPoint m_selectEnd;
    QPoint m_dragStart;
    QPoint m_dragEnd;
    int m_iState = Idle;
    int m_iHandle = 0;
    int m_iScreenWidth = 0;
    int m_iScreenHeight = 0;
    QWidget *m_pToolBar = nullptr;
    CTrace m_trace{"ScreenShot"};
};
