// NetContactModel: one entry of the cloud address book.
// Created without a parent; the list that holds it decides its lifetime.
#pragma once

#include "rowproperty.h"

class NetContactModel : public QObject
{
    Q_OBJECT
    ZEPHON_ROW_PROPERTY(QString, strId, setStrId, idChanged)
    ZEPHON_ROW_PROPERTY(QString, strName, setStrName, nameChanged)
    ZEPHON_ROW_PROPERTY(QString, strPhone, setStrPhone, phoneChanged)
    ZEPHON_ROW_PROPERTY(QString, strGroup, setStrGroup, groupChanged)

public:
    NetContactModel(const QString &strId, const QString &strName, const QString &strPhone,
                    const QString &strGroup, QObject *parent = nullptr);
};
