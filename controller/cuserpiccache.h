// CUserPicCache: the users' pictures known to this process, by Zpid text, as the raw bytes that
// arrived (any format QPixmap reads; the own picture is JPEG). Filled from card-picture replies
// and the own cut-out picture, read by Core and the "userpic" image provider. Entries are
// replaced, never removed. One instance per process, reached through userPicCache(); used on
// the GUI thread only.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

class CUserPicCache
{
public:
    // A picture larger than this is not kept: no user picture comes near it.
    static constexpr int kMaxPictureBytes = 4 * 1024 * 1024;

    // False (and nothing kept) for an empty or oversized picture.
    bool insert(const QString &strZpid, const QByteArray &arPicture);
    bool contains(const QString &strZpid) const { return m_pictures.contains(strZpid); }
    QByteArray value(const QString &strZpid) const { return m_pictures.value(strZpid); }
    void clear() { m_pictures.clear(); }

private:
    QHash<QString, QByteArray> m_pictures;
};

CUserPicCache &userPicCache();
