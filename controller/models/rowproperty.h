// ZEPHON_ROW_PROPERTY: one field of an element object (a list row published to the screens).
// Declares the Qt property, its member, getter, setter and notify signal. The setter only
// stores and notifies when the value really changes, so a delegate bound to a row is not
// re-evaluated by a refresh that brings the same data.
//
// The notify name is given explicitly: the screens bind to names such as idChanged() for
// strId and unreadChanged() for iUnRead, which cannot be derived from the property name.
#pragma once

#include <QObject>

#define ZEPHON_ROW_PROPERTY(Type, name, setter, notify)                                            \
    Q_PROPERTY(Type name READ name WRITE setter NOTIFY notify)                                     \
public:                                                                                            \
    Type name() const                                                                              \
    {                                                                                              \
        return m_##name;                                                                           \
    }                                                                                              \
    void setter(const Type &value)                                                                 \
    {                                                                                              \
        if (m_##name == value)                                                                     \
            return;                                                                                \
        m_##name = value;                                                                          \
        Q_EMIT notify();                                                                           \
    }                                                                                              \
    Q_SIGNAL void notify();                                                                        \
                                                                                                   \
private:                                                                                           \
    Type m_##name{};
