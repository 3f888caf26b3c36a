// DeclarativeMenuAction: one entry of a native pop-up menu declared in QML. Choosing the
// entry emits triggered().
#pragma once

#include <QObject>
#include <QString>

class DeclarativeMenuAction : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool enabled READ enabled WRITE setEnabled NOTIFY enabledChanged)
    Q_PROPERTY(bool separator READ separator WRITE setSeparator NOTIFY separatorChanged)
    Q_PROPERTY(QString text READ text WRITE setText NOTIFY textChanged)
    Q_PROPERTY(QString icon READ icon WRITE setIcon NOTIFY iconChanged)

public:
    explicit DeclarativeMenuAction(QObject *parent = nullptr);

    bool enabled() const { return m_bEnabled; }
    void setEnabled(bool enabled);
    bool separator() const { return m_bSeparator; }
    void setSeparator(bool flag);
    QString text() const { return m_strText; }
    void setText(const QString &text);
    QString icon() const { return m_strIcon; }
    void setIcon(const QString &icon);

signals:
    void enabledChanged(bool enabled);
    void separatorChanged(bool flag);
    void textChanged(const QString &text);
    void iconChanged(const QString &icon);
    void triggered();

private:
    bool m_bEnabled = true;
    bool m_bSeparator = false;
    QString m_strText;
    QString m_strIcon;
};
