#pragma once

#include <QQuickItem>
#include <QString>

// Stands in for the native CursorArea: keeps the shape name it was given.
class StandInCursorArea : public QQuickItem
{
    Q_OBJECT
    Q_PROPERTY(QString cursorShape MEMBER m_shape NOTIFY cursorShapeChanged)
public:
    using QQuickItem::QQuickItem;

signals:
    void cursorShapeChanged(QString shape);

private:
    QString m_shape = QStringLiteral("arrow");
};
