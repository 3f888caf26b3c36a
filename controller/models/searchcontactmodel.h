// SearchContactModel: one address-book entry of the contact list and of its search results; the
// contact search rewrites strName and strPhone with highlight markup. Created without a parent; the
// list that holds it decides its lifetime.
#pragma once

#include "rowproperty.h"

class SearchContactModel : public QObject
{
    Q_OBJECT
    ZEPHON_ROW_PROPERTY(QString, strId, setStrId, idChanged)
    ZEPHON_ROW_PROPERTY(QString, strZpid, setStrZpid, zpidChanged)
    ZEPHON_ROW_PROPERTY(QString, strName, setStrName, nameChanged)
    ZEPHON_ROW_PROPERTY(QString, strPhone, setStrPhone, phoneChanged)
    ZEPHON_ROW_PROPERTY(int, iType, setIType, typeChanged)

public:
    SearchContactModel(const QString &strId, const QString &strZpid, const QString &strName,
                       const QString &strPhone, int iType, QObject *parent = nullptr);
};
