// MassContactModel: one recipient of a mass message.
// Created without a parent; the list that holds it decides its lifetime.
#pragma once

#include "rowproperty.h"

class MassContactModel : public QObject
{
    Q_OBJECT
    ZEPHON_ROW_PROPERTY(QString, strZpid, setStrZpid, zpidChanged)
    ZEPHON_ROW_PROPERTY(QString, strName, setStrName, nameChanged)

public:
    MassContactModel(const QString &strZpid, const QString &strName, QObject *parent = nullptr);
};
