#pragma once

#include "standinmenuaction.h"

#include <QList>
#include <QQmlListProperty>
#include <QQuickItem>

// Stands in for the native Menu: keeps its actions and counts how often it was opened
// instead of running a pop-up.
class StandInMenu : public StandInMenuAction
{
    Q_OBJECT
    Q_PROPERTY(QQmlListProperty<StandInMenuAction> actions READ actions)
    Q_CLASSINFO("DefaultProperty", "actions")
public:
    using StandInMenuAction::StandInMenuAction;

    QQmlListProperty<StandInMenuAction> actions() { return {this, &m_actions}; }
    const QList<StandInMenuAction *> &actionList() const { return m_actions; }
    int execCount() const { return m_execCount; }

    Q_INVOKABLE void exec() { ++m_execCount; }
    Q_INVOKABLE void execAt(int, int, QQuickItem *) { ++m_execCount; }

private:
    QList<StandInMenuAction *> m_actions;
    int m_execCount = 0;
};
