// DeclarativeCursorArea: gives the part of a screen it covers a mouse cursor chosen by name
// ("hand", "ibeam", "size_hor" ...).
#pragma once

#include <QQuickItem>

class DeclarativeCursorArea : public QQuickItem
{
    Q_OBJECT
    Q_PROPERTY(QString cursorShape READ cursorShape WRITE setCursorShape NOTIFY cursorShapeChanged)

public:
    explicit DeclarativeCursorArea(QQuickItem *parent = nullptr);

    QString cursorShape() const;
    Q_INVOKABLE void setCursorShape(const QString &shape);

    // Name tables shared with the tests: the shape a name selects (arrow for unknown names,
    // compared case-sensitively) and the name a shape reads back as.
    static Qt::CursorShape shapeForName(const QString &shape);
    static QString nameForShape(Qt::CursorShape shape);

signals:
    void cursorShapeChanged(const QString &shape);
};
