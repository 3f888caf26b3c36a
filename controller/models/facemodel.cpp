#include "facemodel.h"

FaceModel::FaceModel(const QString &strId, const QString &strName, const QString &strSign,
                     QObject *parent)
    : QObject(parent), m_strId(strId), m_strName(strName), m_strSign(strSign)
{}
