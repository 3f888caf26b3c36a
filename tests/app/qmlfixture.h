#pragma once

#include "ctranslator.h"
#include "standincore.h"
#include "standinroot.h"

#include <QPointer>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QVariantMap>
#include <memory>

// Loads the screens' components from the resources into one engine whose root context holds
// the stand-in for "core" and the process's translator as "ctranslator"; `root` stands in
// for the window's root item where a component is handed one. The named codes are
// registered as the entry registers them. The native items are the real ones of NativeQuickWidgets.
// Items that need mouse or keyboard input are shown in an offscreen view.
class QmlFixture
{
public:
    QmlFixture();
    ~QmlFixture();

    StandInCore core;
    StandInRoot root;
    CTranslator &translator;

    QQmlEngine *engine() { return m_view->engine(); }

    // Creates qrc:/qml/Zephon/<path>; fails the running test (returns null) on load errors.
    QObject *create(const QString &path, const QVariantMap &initial = {});
    // The same, placed in the view and shown, so it can take input.
    QQuickItem *show(const QString &path, const QVariantMap &initial = {}, QSize size = {280, 510});
    // A small piece of QML written in the test, loaded as qrc:/test/<name> and shown.
    QQuickItem *showInline(const QByteArray &qml, const QString &name, QSize size);

    QQuickView *view() { return m_view.get(); }

    // Types Latin-1 text into the focused item of the window.
    static void type(QWindow *window, const QString &text);
    // Clicks the centre of an item of the shown component.
    static void click(QQuickItem *item, Qt::MouseButton button = Qt::LeftButton);

private:
    QQuickItem *place(QObject *object, QSize size);

    std::unique_ptr<QQuickView> m_view;
    QList<QPointer<QObject>> m_created;
};

// Descendant with that objectName, among the QObject children or, for items that views and
// repeaters create without a QObject parent, among the visual children.
QObject *findNamed(QObject *parent, const QString &name);

template <typename T = QObject> T *child(QObject *parent, const QString &name)
{
    if (!parent)
        return nullptr;
    if (T *found = parent->findChild<T *>(name))
        return found;
    return qobject_cast<T *>(findNamed(parent, name));
}
