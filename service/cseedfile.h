// CSeedFile: fills a store from a JSON document: accounts (with password, address book, card
// and picture), circles and enterprise organisations. Accounts, circles and organisations
// that already exist are left as they are, so applying a seed twice changes nothing. The
// whole document is checked before anything is written; one bad entry writes nothing.
#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>

#include "cpasswordhash.h"

class CServiceStore;

class CSeedFile
{
public:
    struct Result
    {
        bool bOk = false;
        QString strError;
        int iAccountsAdded = 0;
        int iAccountsKept = 0;
        int iCirclesAdded = 0;
        int iOrganisationsAdded = 0;
    };

    // The 14 field names of a full card, in card order.
    static const QStringList &cardFields();
    // A card given as an object of named fields or as the ":"-joined text.
    static bool cardText(const QJsonValue &value, QString &strCard, QString &strError);

    static Result apply(const QByteArray &arJson, CServiceStore &store,
                        CPasswordHash::Cost cost = CPasswordHash::Interactive);
    // The demo accounts built into the service.
    static QByteArray demo();
};
