#include "declarativemenuaction.h"

// The setters notify unconditionally: the pop-up is rebuilt from the current values each
// time it opens, and the screens use the signals only to refresh their own bindings.

DeclarativeMenuAction::DeclarativeMenuAction(QObject *parent) : QObject(parent) {}

void DeclarativeMenuAction::setEnabled(bool enabled)
{
    m_bEnabled = enabled;
    emit enabledChanged(enabled);
}

void DeclarativeMenuAction::setSeparator(bool flag)
{
    m_bSeparator = flag;
    emit separatorChanged(flag);
}

void DeclarativeMenuAction::setText(const QString &text)
{
    m_strText = text;
    emit textChanged(text);
}

void DeclarativeMenuAction::setIcon(const QString &icon)
{
    m_strIcon = icon;
    emit iconChanged(icon);
}
