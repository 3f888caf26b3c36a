#pragma once

#include <QObject>
#include <QString>

// Stands in for the root item of the window ("background"), whose signals the rows emit.
class StandInRoot : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

signals:
    void applyCircleReply(QString strCircleId, QString strZpid, int iReply, QString strText);
};
