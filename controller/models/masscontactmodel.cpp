#include "masscontactmodel.h"

MassContactModel::MassContactModel(const QString &strZpid, const QString &strName, QObject *parent)
    : QObject(parent), m_strZpid(strZpid), m_strName(strName)
{}
