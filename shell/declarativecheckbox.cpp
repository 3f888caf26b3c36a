#include "declarativecheckbox.h"

#include <QPainter>
#include <QStyle>

DeclarativeCheckBox::DeclarativeCheckBox(QQuickItem *parent)
    : DeclarativeWidget(std::make_shared<QStyleOptionButton>(), parent)
{
    option().state |= QStyle::State_Off;
}

bool DeclarativeCheckBox::checked() const
{
    return styleOption().state.testFlag(QStyle::State_On);
}

// The screens re-assert the state after a click of their own, so the signal goes out even
// when the value is unchanged.
void DeclarativeCheckBox::setChecked(bool checked)
{
    option().state.setFlag(QStyle::State_Off, !checked);
    setStateFlag(QStyle::State_On, checked);
    emit checkedChanged(checked);
}

bool DeclarativeCheckBox::hovered() const
{
    return styleOption().state.testFlag(QStyle::State_MouseOver);
}

void DeclarativeCheckBox::setHovered(bool hovered)
{
    setStateFlag(QStyle::State_MouseOver, hovered);
    emit hoveredChanged(hovered);
}

void DeclarativeCheckBox::paint(QPainter *painter)
{
    QStyle *pStyle = widgetStyle();
    if (!pStyle)
        return;
    QStyleOptionButton opt;
    const auto &own = static_cast<const QStyleOptionButton &>(styleOption());
    opt.state = own.state;
    opt.direction = own.direction;
    opt.palette = own.palette;
    opt.fontMetrics = own.fontMetrics;
    opt.text = own.text;
    opt.icon = own.icon;
    opt.iconSize = own.iconSize;
    opt.rect = boundingRect().toAlignedRect();
    pStyle->drawPrimitive(QStyle::PE_IndicatorCheckBox, &opt, painter, nullptr);
}
