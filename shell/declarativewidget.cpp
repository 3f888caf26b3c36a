#include "declarativewidget.h"

#include <QApplication>
#include <QStyle>

DeclarativeWidget::DeclarativeWidget(std::shared_ptr<QStyleOption> pOption, QQuickItem *parent)
    : QQuickPaintedItem(parent), m_pOption(std::move(pOption))
{
    setFlag(ItemHasContents, true);
    m_pOption->state |= QStyle::State_Enabled;
    m_pOption->direction = QGuiApplication::layoutDirection();
    m_pOption->fontMetrics = QFontMetrics(QGuiApplication::font());
    m_pOption->palette = QGuiApplication::palette();
}

DeclarativeWidget::~DeclarativeWidget() = default;

bool DeclarativeWidget::widgetEnabled() const
{
    return m_pOption->state.testFlag(QStyle::State_Enabled);
}

void DeclarativeWidget::setWidgetEnabled(bool enabled)
{
    setStateFlag(QStyle::State_Enabled, enabled);
    emit widgetEnabledChanged(enabled);
}

void DeclarativeWidget::setStateFlag(QStyle::StateFlag flag, bool on)
{
    m_pOption->state.setFlag(flag, on);
    update();
}

QStyle *DeclarativeWidget::widgetStyle() const
{
    if (qobject_cast<QApplication *>(QCoreApplication::instance()))
        return QApplication::style();
    static bool bReported = false;
    if (!bReported) {
        bReported = true;
        m_trace.traceError("no QApplication: native controls are not painted");
    }
    return nullptr;
}
