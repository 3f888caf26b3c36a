#pragma once

#include <QQuickItem>

// Stands in for the native DeclarativeCheckBox: the three properties without painting.
class StandInCheckBox : public QQuickItem
{
    Q_OBJECT
    Q_PROPERTY(bool checked MEMBER m_checked NOTIFY checkedChanged)
    Q_PROPERTY(bool hovered MEMBER m_hovered NOTIFY hoveredChanged)
    Q_PROPERTY(bool widgetEnabled MEMBER m_widgetEnabled NOTIFY widgetEnabledChanged)
public:
    using QQuickItem::QQuickItem;

signals:
    void checkedChanged(bool checked);
    void hoveredChanged(bool hovered);
    void widgetEnabledChanged(bool enabled);

private:
    bool m_checked = false;
    bool m_hovered = false;
    bool m_widgetEnabled = true;
};
