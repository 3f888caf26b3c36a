#include "declarativecursorarea.h"

#include <QCursor>

namespace {

struct CursorName
{
    const char *name;
    Qt::CursorShape shape;
};

// The first entry of a shape is the name it reads back as; later ones are accepted aliases.
constexpr CursorName kCursorNames[] = {
    {"arrow", Qt::ArrowCursor},
    {"up_arrow", Qt::UpArrowCursor},
    {"cross", Qt::CrossCursor},
    {"wait", Qt::WaitCursor},
    {"hourglass", Qt::WaitCursor},
    {"ibeam", Qt::IBeamCursor},
    {"i-beam", Qt::IBeamCursor},
    {"size_ver", Qt::SizeVerCursor},
    {"size_hor", Qt::SizeHorCursor},
    {"size_bdiag", Qt::SizeBDiagCursor},
    {"size_fdiag", Qt::SizeFDiagCursor},
    {"size_all", Qt::SizeAllCursor},
    {"split_v", Qt::SplitVCursor},
    {"split_h", Qt::SplitHCursor},
    {"hand", Qt::PointingHandCursor},
    {"pointing_hand", Qt::PointingHandCursor},
    {"forbidden", Qt::ForbiddenCursor},
    {"whats_this", Qt::WhatsThisCursor},
    {"busy", Qt::BusyCursor},
    {"openhand", Qt::OpenHandCursor},
    {"closedhand", Qt::ClosedHandCursor},
    {"dnd-copy", Qt::DragCopyCursor},
    {"copy", Qt::DragCopyCursor},
    {"dnd-move", Qt::DragMoveCursor},
    {"move", Qt::DragMoveCursor},
    {"dnd-link", Qt::DragLinkCursor},
    {"link", Qt::DragLinkCursor},
};

} // namespace

DeclarativeCursorArea::DeclarativeCursorArea(QQuickItem *parent) : QQuickItem(parent) {}

Qt::CursorShape DeclarativeCursorArea::shapeForName(const QString &shape)
{
    for (const CursorName &entry : kCursorNames) {
        if (shape == QLatin1String(entry.name))
            return entry.shape;
    }
    return Qt::ArrowCursor;
}

QString DeclarativeCursorArea::nameForShape(Qt::CursorShape shape)
{
    for (const CursorName &entry : kCursorNames) {
        if (entry.shape == shape)
            return QString::fromLatin1(entry.name);
    }
    return QStringLiteral("arrow");
}

QString DeclarativeCursorArea::cursorShape() const
{
    return nameForShape(cursor().shape());
}

void DeclarativeCursorArea::setCursorShape(const QString &shape)
{
    const QString before = cursorShape();
    setCursor(QCursor(shapeForName(shape)));
    // Bindings on cursorShape follow the name it reads back as, so aliases of the current
    // shape ("hourglass" after "wait") change nothing and stay quiet.
    if (cursorShape() != before)
        emit cursorShapeChanged(cursorShape());
}
