#include "declarativemenu.h"

#include <QAction>
#include <QCursor>
#include <QIcon>
#include <QMenu>
#include <QQuickItem>
#include <QQuickWindow>

DeclarativeMenu::DeclarativeMenu(QObject *parent) : DeclarativeMenuAction(parent) {}

DeclarativeMenu::~DeclarativeMenu()
{
    if (m_pMenu) {
        // Ends a running exec() so that its nested event loop does not outlive the menu.
        m_pMenu->close();
        m_pMenu->deleteLater();
    }
}

QQmlListProperty<DeclarativeMenuAction> DeclarativeMenu::actions()
{
    return QQmlListProperty<DeclarativeMenuAction>(
        this, &m_actions, &DeclarativeMenu::appendAction, &DeclarativeMenu::actionCount,
        &DeclarativeMenu::actionAt, &DeclarativeMenu::clearActions);
}

void DeclarativeMenu::appendAction(QQmlListProperty<DeclarativeMenuAction> *list,
                                   DeclarativeMenuAction *action)
{
    auto *pMenu = static_cast<DeclarativeMenu *>(list->object);
    if (!action)
        return;
    pMenu->m_actions.append(action);
    // Actions made by a Repeater or Loader may go away before the menu; the next pop-up must
    // not meet a dangling entry.
    connect(action, &QObject::destroyed, pMenu,
            [pMenu, action] { pMenu->m_actions.removeAll(action); });
}

qsizetype DeclarativeMenu::actionCount(QQmlListProperty<DeclarativeMenuAction> *list)
{
    return static_cast<QList<DeclarativeMenuAction *> *>(list->data)->size();
}

DeclarativeMenuAction *DeclarativeMenu::actionAt(QQmlListProperty<DeclarativeMenuAction> *list,
                                                 qsizetype index)
{
    return static_cast<QList<DeclarativeMenuAction *> *>(list->data)->value(index);
}

void DeclarativeMenu::clearActions(QQmlListProperty<DeclarativeMenuAction> *list)
{
    static_cast<QList<DeclarativeMenuAction *> *>(list->data)->clear();
}

QString DeclarativeMenu::iconPath(const QString &icon)
{
    if (icon.startsWith(QLatin1String("qrc:/")))
        return icon.mid(3);
    return icon;
}

void DeclarativeMenu::build(QMenu *pMenu, const QList<DeclarativeMenuAction *> &actions)
{
    for (DeclarativeMenuAction *pChild : actions) {
        if (auto *pSubMenu = qobject_cast<DeclarativeMenu *>(pChild)) {
            QMenu *pSub = pMenu->addMenu(QIcon(iconPath(pSubMenu->icon())), pSubMenu->text());
            pSub->setEnabled(pSubMenu->enabled());
            build(pSub, pSubMenu->actionList());
        } else if (pChild->separator()) {
            pMenu->addSeparator();
        } else {
            auto *pAction = new QAction(pMenu);
            pAction->setEnabled(pChild->enabled());
            pAction->setSeparator(pChild->separator());
            pAction->setIcon(QIcon(iconPath(pChild->icon())));
            pAction->setText(pChild->text());
            connect(pAction, &QAction::triggered, pChild, &DeclarativeMenuAction::triggered);
            pMenu->addAction(pAction);
        }
    }
}

void DeclarativeMenu::exec()
{
    popup(QCursor::pos());
}

void DeclarativeMenu::execAt(int x, int y, QQuickItem *item)
{
    QPoint globalPos(x, y);
    if (item && item->window())
        globalPos = item->mapToGlobal(QPointF(x, y)).toPoint();
    popup(globalPos);
}

void DeclarativeMenu::popup(const QPoint &globalPos)
{
    if (m_pMenu) {
        m_trace.trace("menu already shown");
        return;
    }
    m_pMenu = new QMenu;
    build(m_pMenu, m_actions);
    emit visibilityChanged(true);

    // A triggered() handler may destroy this menu; nothing of it is touched after that.
    QPointer<DeclarativeMenu> self(this);
    QPointer<QMenu> pMenu = m_pMenu;
    pMenu->exec(globalPos);
    if (pMenu)
        pMenu->deleteLater();
    if (!self)
        return;
    m_pMenu = nullptr;
    emit visibilityChanged(false);
}
