// DeclarativeWidget: base of the QML items that look like a native control. The subclass
// hands over the style option describing its control; the item paints it with the
// application's style.
#pragma once

#include <QQuickPaintedItem>
#include <QStyleOption>

#include <memory>

#include "ctrace.h"

class DeclarativeWidget : public QQuickPaintedItem
{
    Q_OBJECT
    Q_PROPERTY(
        bool widgetEnabled READ widgetEnabled WRITE setWidgetEnabled NOTIFY widgetEnabledChanged)

public:
    ~DeclarativeWidget() override;

    bool widgetEnabled() const;
    void setWidgetEnabled(bool enabled);

    const QStyleOption &styleOption() const { return *m_pOption; }

signals:
    void widgetEnabledChanged(bool enabled);

protected:
    // QStyleOption has no virtual destructor: a shared_ptr made for the concrete option type
    // keeps the deleter of that type, so the whole option is destroyed.
    DeclarativeWidget(std::shared_ptr<QStyleOption> pOption, QQuickItem *parent);

    QStyleOption &option() { return *m_pOption; }
    // Sets or clears one state bit and schedules a repaint.
    void setStateFlag(QStyle::StateFlag flag, bool on);
    // The application's widget style, or null (traced once) when the process runs without
    // QApplication and there is nothing to paint with.
    QStyle *widgetStyle() const;

private:
    std::shared_ptr<QStyleOption> m_pOption;
    CTrace m_trace{"DeclarativeWidget"};
};
