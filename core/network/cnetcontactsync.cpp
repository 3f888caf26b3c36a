#include "cnetcontactsync.h"

#include <QCryptographicHash>

QString CNetContactSync::cloudField(const QString &strField)
{
    QString str = strField;
    str.replace(QLatin1Char(':'), QChar(0xFF1A));
    str.replace(QLatin1Char(';'), QChar(0xFF1B));
    return str;
}

QString CNetContactSync::cloudRecord(const QString &strRecord)
{
    QStringList fields = strRecord.split(QLatin1Char(';'));
    if (fields.size() > 3) {
        const QString strName = fields.mid(1, fields.size() - 2).join(QLatin1Char(';'));
        fields = QStringList{fields.first(), strName, fields.last()};
    }
    for (QString &strField : fields)
        strField = cloudField(strField);
    return fields.join(QLatin1Char(';'));
}

QList<QStringList> CNetContactSync::chunks(const QStringList &strList)
{
    QList<QStringList> list;
    for (int i = 0; i < strList.size(); i += ENTRIES_PER_CHUNK) {
        QStringList chunk;
        for (const QString &strRecord : strList.mid(i, ENTRIES_PER_CHUNK))
            chunk << cloudRecord(strRecord);
        list << chunk;
    }
    return list;
}

void CNetContactSync::beginUpload(quint32 iRandom, int iChunks)
{
    resetUpload();
    m_bUploadRunning = true;
    m_iUploadRandom = iRandom;
    m_confirmed = QList<bool>(qBound(0, iChunks, MAX_CHUNKS), false);
}

void CNetContactSync::markAllSent()
{
    m_bUploadAllSent = m_bUploadRunning;
}

CNetContactSync::Upload CNetContactSync::confirmChunk(quint32 iRandom, int iIndex, int iResult)
{
    if (!m_bUploadRunning || iRandom != m_iUploadRandom || iIndex < 0 ||
        iIndex >= m_confirmed.size())
        return Upload::Ignored;
    if (iResult != 0) {
        resetUpload();
        return Upload::Refused;
    }
    m_confirmed[iIndex] = true;
    if (m_bUploadAllSent && !m_confirmed.contains(false)) {
        resetUpload();
        return Upload::Confirmed;
    }
    return Upload::Pending;
}

void CNetContactSync::resetUpload()
{
    m_bUploadRunning = false;
    m_bUploadAllSent = false;
    m_iUploadRandom = 0;
    m_confirmed.clear();
}

CNetContactSync::Download CNetContactSync::addChunk(quint32 iTotal, quint32 iEntries,
                                                    const QByteArray &arCipher,
                                                    const QString &strText, QString *pJoined)
{
    if (m_bDownloadAbandoned)
        return Download::Ignored;
    const QByteArray arDigest = QCryptographicHash::hash(arCipher, QCryptographicHash::Sha256);
    if (m_seenChunks.contains(arDigest))
        return Download::Repeated;
    if (m_strDownload.size() + 1 + strText.size() > MAX_DOWNLOAD_CHARS ||
        m_seenChunks.size() >= MAX_DOWNLOAD_CHUNKS) {
        m_strDownload.clear();
        m_iDownloadCount = 0;
        m_bDownloadAbandoned = true;
        return Download::Abandoned;
    }
    m_seenChunks.insert(arDigest);
    // A chunk cannot hold more entries than its text has records; trusting a larger count
    // would announce the book complete while entries are still missing.
    const qint64 iRecords = strText.isEmpty() ? 0 : strText.count(QLatin1Char(':')) + 1;
    m_iDownloadCount += qMin<qint64>(iEntries, iRecords);
    m_strDownload += QLatin1Char(':') + strText;
    if (m_iDownloadCount < qint64(iTotal))
        return Download::Pending;
    if (pJoined)
        *pJoined = m_strDownload.mid(1);
    // The digests stay until the next request, so a late repeat cannot start a new book.
    m_strDownload.clear();
    m_iDownloadCount = 0;
    return Download::Complete;
}

void CNetContactSync::resetDownload()
{
    m_strDownload.clear();
    m_iDownloadCount = 0;
    m_bDownloadAbandoned = false;
    m_seenChunks.clear();
}

void CNetContactSync::reset()
{
    resetUpload();
    resetDownload();
}

CNetContactSync &netContactSync()
{
    static CNetContactSync sync;
    return sync;
}
