// CAccountTable: the registered accounts: Zpid, mobile number, name, password hash, own card
// text and card picture. Every statement on the table is here.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

#include "csqltable.h"

class CAccountTable : public CSqlTable
{
public:
    struct Row
    {
        quint32 iZpid = 0;
        QString strMobile;
        QString strName;
        QByteArray arPasswordHash;
        QString strCard;
        QByteArray arPicture;
    };

    explicit CAccountTable(const QString &strConnection) : CSqlTable(strConnection, "CAccountTable")
    {}

    bool createSchema();
    // False when the Zpid or the mobile number is taken, or the statement fails.
    bool insert(const Row &row);
    std::optional<Row> byZpid(quint32 iZpid) const;
    std::optional<Row> byMobile(const QString &strMobile) const;
    // The Zpid of the account registered under a mobile number, 0 when none.
    quint32 zpidOfMobile(const QString &strMobile) const;
    // The Zpids of the accounts registered under any of the numbers, by number, in one
    // statement; numbers nobody registered are missing.
    QHash<QString, quint32> zpidsOfMobiles(const QStringList &mobiles) const;
    bool setPasswordHash(quint32 iZpid, const QByteArray &arHash);
    bool setCard(quint32 iZpid, const QString &strCard);
    bool setPicture(quint32 iZpid, const QByteArray &arPicture);
    QList<Row> all() const;
    int count() const;

private:
    std::optional<Row> one(const QString &strWhere, const QVariant &value) const;
};
