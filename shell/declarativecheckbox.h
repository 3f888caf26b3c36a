// DeclarativeCheckBox: the platform's check-box indicator as a QML item. Only the box is
// drawn; the screens draw the label beside it.
#pragma once

#include "declarativewidget.h"

class DeclarativeCheckBox : public DeclarativeWidget
{
    Q_OBJECT
    Q_PROPERTY(bool checked READ checked WRITE setChecked NOTIFY checkedChanged)
    Q_PROPERTY(bool hovered READ hovered WRITE setHovered NOTIFY hoveredChanged)

public:
    explicit DeclarativeCheckBox(QQuickItem *parent = nullptr);

    bool checked() const;
    void setChecked(bool checked);
    bool hovered() const;
    void setHovered(bool hovered);

    void paint(QPainter *painter) override;

signals:
    void checkedChanged(bool checked);
    void hoveredChanged(bool hovered);
};
