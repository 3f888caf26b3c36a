// FaceModel: one emoticon.
// Created without a parent; the list that holds it decides its lifetime.
#pragma once

#include "rowproperty.h"

class FaceModel : public QObject
{
    Q_OBJECT
    ZEPHON_ROW_PROPERTY(QString, strId, setStrId, idChanged)
    ZEPHON_ROW_PROPERTY(QString, strName, setStrName, nameChanged)
    ZEPHON_ROW_PROPERTY(QString, strSign, setStrSign, signChanged)

public:
    FaceModel(const QString &strId, const QString &strName, const QString &strSign,
              QObject *parent = nullptr);
};
