// DeclarativeMenu: a native pop-up menu declared in QML. The actions written inside it are
// its entries; a menu inside a menu becomes a sub-menu with its own text and icon. The
// QMenu exists only while exec()/execAt() runs.
#pragma once

#include <QList>
#include <QMenu>
#include <QPointer>
#include <QQmlListProperty>

#include "ctrace.h"
#include "declarativemenuaction.h"

class QPoint;
class QQuickItem;

class DeclarativeMenu : public DeclarativeMenuAction
{
    Q_OBJECT
    Q_PROPERTY(QQmlListProperty<DeclarativeMenuAction> actions READ actions)
    Q_PROPERTY(bool visible READ visible NOTIFY visibilityChanged)
    Q_CLASSINFO("DefaultProperty", "actions")

public:
    explicit DeclarativeMenu(QObject *parent = nullptr);
    ~DeclarativeMenu() override;

    QQmlListProperty<DeclarativeMenuAction> actions();
    const QList<DeclarativeMenuAction *> &actionList() const { return m_actions; }

    bool visible() const { return !m_pMenu.isNull(); }
    // The pop-up while it is shown, null otherwise.
    QMenu *menu() const { return m_pMenu; }

    // Turns a "qrc:/" URL into the ":/" resource path QIcon understands.
    static QString iconPath(const QString &icon);

    // Both run the pop-up modally and return when it closes; a call while it is already
    // shown is ignored.
    Q_INVOKABLE void exec();
    Q_INVOKABLE void execAt(int x, int y, QQuickItem *item);

signals:
    void visibilityChanged(bool visible);

private:
    void popup(const QPoint &globalPos);
    static void build(QMenu *pMenu, const QList<DeclarativeMenuAction *> &actions);

    static void appendAction(QQmlListProperty<DeclarativeMenuAction> *list,
                             DeclarativeMenuAction *action);
    static qsizetype actionCount(QQmlListProperty<DeclarativeMenuAction> *list);
    static DeclarativeMenuAction *actionAt(QQmlListProperty<DeclarativeMenuAction> *list,
                                           qsizetype index);
    static void clearActions(QQmlListProperty<DeclarativeMenuAction> *list);

    QList<DeclarativeMenuAction *> m_actions;
    QPointer<QMenu> m_pMenu;
    CTrace m_trace{"DeclarativeMenu"};
};
