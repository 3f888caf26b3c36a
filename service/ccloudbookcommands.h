// CCloudBookCommands: the cloud address book of an account: upload in chunks (60), download
// in chunks (61) and the change of one entry (63). Records travel as "phone;name;group" joined
// by ":"; a ":" or ";" inside a field is stored as its full-width form, so no field can break
// the text it is served in. An upload merges into the book by telephone text, so a repeated
// chunk or a second upload of the same book adds nothing twice.
#pragma once

#include <QString>
#include <QStringList>

#include "ccloudbooktable.h"
#include "cdispatcher.h"

class CService;

class CCloudBookCommands
{
public:
    static constexpr int ENTRIES_PER_CHUNK = 100;
    static constexpr int MAX_ENTRIES = 5000;
    // Field bytes (UTF-8) beyond these are refused; they keep a chunk of a download within
    // one frame.
    static constexpr int MAX_PHONE_BYTES = 64;
    static constexpr int MAX_NAME_BYTES = 128;
    static constexpr int MAX_GROUP_BYTES = 64;

    explicit CCloudBookCommands(CService &service) : m_service(service) {}
    void install(CDispatcher &dispatcher);

    // A record as the client writes it, or false when it cannot be stored.
    static bool parseRecord(const QString &strRecord, CCloudBookTable::Entry &entry);
    static QString recordText(const CCloudBookTable::Entry &entry);
    // The chunk texts of a download, each of at most ENTRIES_PER_CHUNK records.
    static QList<QStringList> chunks(const QList<CCloudBookTable::Entry> &entries);

private:
    void onUpload(CRequest &request);
    void onDownload(CRequest &request);
    void onModify(CRequest &request);
    bool storeChunk(quint32 iOwner, const QList<CCloudBookTable::Entry> &entries);

    CService &m_service;
};
