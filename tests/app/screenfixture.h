#pragma once

#include "csetting.h"
#include "qmlfixture.h"

#include <QQmlPropertyMap>
#include <QVariantMap>
#include <memory>
#include <vector>

// The main screen as the window shows it, with the stand-in for "core", a stand-in root item
// (the properties, signals and functions the screens use of "background"; alerts are kept in
// `alerts`) and the real texts. Lists are published under their context property names as
// rows of property maps, as Core publishes its element objects.
class ScreenFixture
{
    // Declared first so the rows outlive the screens that show them.
    std::vector<std::unique_ptr<QQmlPropertyMap>> m_rows;

public:
    ScreenFixture();
    // The main screen goes first: its bindings read the texts and the root item.
    ~ScreenFixture();

    // The settings the screens bind to, published as "setting", with the defaults; the
    // version published as "version" is "9.8.7654".
    CSetting setting{false, false, true, true, true};
    QmlFixture fx;
    StandInCore &core;
    QObject *background = nullptr;
    QObject *resource = nullptr;
    QQuickItem *main = nullptr;

    // Loads MainInterface.qml; false (and a failed test) when it does not load.
    bool showMain();
    // Publishes rows under a list name; a later call replaces them, as Core republishes.
    void publish(const QString &strName, const QList<QVariantMap> &rows);
    void publishText(const QString &strName, const QString &strText);
    // The screen a loader of the main screen (or of a screen: its `stack`) holds, or null.
    static QQuickItem *loaded(QObject *loader);
    // The delegate a list view made for row `index`.
    static QQuickItem *rowItem(QObject *list, int index);
    // The screen loaded over tab `index`.
    QQuickItem *tabScreen(int index) const;
    QStringList alerts() const;
    // Text of the named descendant's "text" property.
    static QString textOf(QObject *parent, const QString &strName);
};
