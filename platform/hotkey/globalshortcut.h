// GlobalShortcut: a system-wide hot key. On X11 the key combination is grabbed on the root
// window, so it fires whichever window has the focus; activated() is emitted on each press.
// Where the application does not run on X11 nothing is registered, and the trace says so
// once per process.
#pragma once

#include <QAbstractNativeEventFilter>
#include <QKeySequence>
#include <QObject>
#include <QVector>

#include "ctrace.h"

class GlobalShortcut : public QObject, public QAbstractNativeEventFilter
{
    Q_OBJECT

public:
    explicit GlobalShortcut(QObject *parent = nullptr);
    explicit GlobalShortcut(const QKeySequence &shortcut, QObject *parent = nullptr);
    ~GlobalShortcut() override;

    QKeySequence shortcut() const { return m_shortcut; }
    // Releases the previous key and grabs the first key combination of the sequence. Returns
    // whether the new key is registered: false for an empty sequence, a key without an X11
    // equivalent, a combination another program holds, or no X11 display.
    bool setShortcut(const QKeySequence &shortcut);
    bool isRegistered() const { return !m_keycodes.isEmpty(); }

    // X11 keysym for a Qt key, 0 when there is none.
    static quint32 keysymForKey(Qt::Key key);
    // X11 modifier mask for Qt keyboard modifiers.
    static quint16 x11Modifiers(Qt::KeyboardModifiers modifiers);

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;

signals:
    void activated();

private:
    bool grab(const QKeyCombination &combination);
    void ungrab();

    QKeySequence m_shortcut;
    QVector<quint8> m_keycodes; // keys grabbed; empty when nothing is registered
    quint16 m_iModifiers = 0;
    quint32 m_iRootWindow = 0;
    CTrace m_trace{"GlobalShortcut"};
};
