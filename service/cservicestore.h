// CServiceStore: the service's SQLite file. It opens the connection in write-ahead-log mode,
// brings the schema to this service's version (the tables through their owners, in steps
// recorded in the file) and hands out the connection to them; it is used from the service's
// main thread only. A file of a later service is refused and left as it is.
#pragma once

#include <QSqlDatabase>
#include <QString>

#include "cschemasteps.h"

#include "caccounttable.h"
#include "caddressbooktable.h"
#include "ccirclerequesttable.h"
#include "ccircletable.h"
#include "ccloudbooktable.h"
#include "cdirectorytable.h"
#include "cstoredmessagetable.h"

class CServiceStore
{
public:
    static constexpr const char *FILE_NAME = "service.db";

    CServiceStore();
    ~CServiceStore();
    CServiceStore(const CServiceStore &) = delete;
    CServiceStore &operator=(const CServiceStore &) = delete;

    // Opens (creating when needed) the store in strFolder; on failure errorText() says why.
    bool open(const QString &strFolder);
    QString errorText() const { return m_strError; }

    // Gives back what the connection's page cache holds beyond what it is using.
    void releaseMemory();

    bool transaction();
    bool commit();
    void rollback();

    CAccountTable &accounts() { return m_accounts; }
    CAddressBookTable &addressBooks() { return m_addressBooks; }
    CCircleTable &circles() { return m_circles; }
    CCircleRequestTable &circleRequests() { return m_circleRequests; }
    CDirectoryTable &directory() { return m_directory; }
    CCloudBookTable &cloudBooks() { return m_cloudBooks; }
    CStoredMessageTable &storedMessages() { return m_storedMessages; }

    // The schema's upgrade steps, in release order.
    CSchemaSteps schemaSteps();

private:
    QString m_strConnection;
    QString m_strError;
    CAccountTable m_accounts;
    CAddressBookTable m_addressBooks;
    CCircleTable m_circles;
    CCircleRequestTable m_circleRequests;
    CDirectoryTable m_directory;
    CCloudBookTable m_cloudBooks;
    CStoredMessageTable m_storedMessages;
};
