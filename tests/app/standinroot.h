#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

// Stands in for the root item of the window ("background"), whose signals the rows emit.
class StandInRoot : public QObject
{
    Q_OBJECT
    // The window-wide state the main screen reads and sets.
    Q_PROPERTY(int currentSource MEMBER currentSource NOTIFY currentSourceChanged)
    Q_PROPERTY(bool bContactChecked MEMBER bContactChecked CONSTANT)
    Q_PROPERTY(bool loginenterprise MEMBER loginenterprise CONSTANT)
    Q_PROPERTY(bool displayTree MEMBER displayTree CONSTANT)
    Q_PROPERTY(QString strOrgShortName MEMBER strOrgShortName CONSTANT)
    Q_PROPERTY(QString strSelfZpid MEMBER strSelfZpid CONSTANT)
public:
    using QObject::QObject;

    int currentSource = 0;
    bool bContactChecked = true;
    bool loginenterprise = false;
    bool displayTree = true;
    QString strOrgShortName;
    QString strSelfZpid;

    // Notices shown through showAlert, oldest first.
    QStringList alerts;
    Q_INVOKABLE void showAlert(const QString &strText) { alerts << strText; }

signals:
    void currentSourceChanged();
    void hangup(QString strZpid);
    void agree(QString strZpid);
    void refuse(QString strZpid);
    void getUserState(QString strPhone);
    void searchContact(QString strkey);
    void applyCircleReply(QString strCircleId, QString strZpid, int iReply, QString strText);
};
