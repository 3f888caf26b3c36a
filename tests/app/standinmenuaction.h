#pragma once

#include <QObject>
#include <QString>

// Stands in for the native MenuAction of NativeQuickWidgets: same properties and signal,
// so the components can be loaded without the native menu code.
class StandInMenuAction : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool enabled MEMBER m_enabled NOTIFY enabledChanged)
    Q_PROPERTY(bool separator MEMBER m_separator NOTIFY separatorChanged)
    Q_PROPERTY(QString text MEMBER m_text NOTIFY textChanged)
    Q_PROPERTY(QString icon MEMBER m_icon NOTIFY iconChanged)
public:
    using QObject::QObject;

signals:
    void enabledChanged(bool enabled);
    void separatorChanged(bool flag);
    void textChanged(QString text);
    void iconChanged(QString icon);
    void triggered();

private:
    bool m_enabled = true;
    bool m_separator = false;
    QString m_text;
    QString m_icon;
};
