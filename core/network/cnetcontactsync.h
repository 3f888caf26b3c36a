// CNetContactSync: the client's half of the cloud address book's bulk transfers. An upload is
// cut into chunks that the server confirms one by one; a download arrives as chunks that are
// joined until the announced total is reached. Both run across many packets, so their state
// lives here, once per process, reached through netContactSync(); only the main thread uses it.
#pragma once

#include <QByteArray>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

class CNetContactSync
{
public:
    static constexpr int ENTRIES_PER_CHUNK = 100;
    // The chunk index travels as one byte.
    static constexpr int MAX_CHUNKS = 256;
    // A download that grows beyond this many characters is abandoned rather than held.
    static constexpr int MAX_DOWNLOAD_CHARS = 8 * 1024 * 1024;
    // Distinct chunks remembered between two requests; more abandon the download as well.
    static constexpr int MAX_DOWNLOAD_CHUNKS = 4096;
    // sig_parseNetContact's result for an abandoned download: neither success nor the
    // server's "no book" (1), which would make the controller empty the stored book.
    static constexpr int DOWNLOAD_ABANDONED = -1;

    enum class Upload
    {
        Ignored,   // no upload running, another upload's number, or an index out of range
        Pending,   // accepted; chunks are still unconfirmed
        Confirmed, // the last chunk was confirmed: the upload is over
        Refused,   // the server refused a chunk: the upload is over
    };

    enum class Download
    {
        Pending,   // accepted; more entries are announced
        Complete,  // the announced total is reached; the joined text is handed out once
        Repeated,  // the same chunk arrived before in this download; nothing was added
        Abandoned, // the download outgrew the limit; reported once, later chunks are ignored
        Ignored,   // a chunk of a download that was already abandoned
    };

    // Separators of the cloud book's text: records are joined with ":", the fields of a
    // record (phone, name, group) with ";". A field holding either would shift every field
    // after it on the server for good, so they become the full-width "：" and "；".
    static QString cloudField(const QString &strField);
    // A record "phone;name;group": the phone and the group are the first and the last field,
    // so any further ";" belongs to the name.
    static QString cloudRecord(const QString &strRecord);
    // The chunk texts of an upload, each of at most ENTRIES_PER_CHUNK sanitised records.
    static QList<QStringList> chunks(const QStringList &strList);

    void beginUpload(quint32 iRandom, int iChunks);
    void markAllSent();
    Upload confirmChunk(quint32 iRandom, int iIndex, int iResult);
    bool uploadRunning() const { return m_bUploadRunning; }
    quint32 uploadRandom() const { return m_iUploadRandom; }
    void resetUpload();

    // strText is the decrypted chunk; arCipher identifies a repeat, since the replies carry
    // no chunk index. On Complete, *pJoined receives the chunks joined with ":".
    Download addChunk(quint32 iTotal, quint32 iEntries, const QByteArray &arCipher,
                      const QString &strText, QString *pJoined);
    void resetDownload();

    // A new session starts from nothing.
    void reset();

private:
    bool m_bUploadRunning = false;
    bool m_bUploadAllSent = false;
    quint32 m_iUploadRandom = 0;
    QList<bool> m_confirmed;

    QString m_strDownload;
    qint64 m_iDownloadCount = 0;
    bool m_bDownloadAbandoned = false;
    // Digests of the ciphertexts seen since the download was requested.
    QSet<QByteArray> m_seenChunks;
};

CNetContactSync &netContactSync();
