#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

// Stands in for the root item of the window ("background"), whose signals the rows emit.
class StandInRoot : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // Notices shown through showAlert, oldest first.
    QStringList alerts;
    Q_INVOKABLE void showAlert(const QString &strText) { alerts << strText; }

signals:
    void hangup(QString strZpid);
    void agree(QString strZpid);
    void refuse(QString strZpid);
    void getUserState(QString strPhone);
    void applyCircleReply(QString strCircleId, QString strZpid, int iReply, QString strText);
};
