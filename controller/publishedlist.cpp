#include "publishedlist.h"

#include <QSet>
#include <QVariant>

namespace {

// Holds the dropped rows of one replace() and frees them with itself: one deferred deletion
// instead of one per row, which for a list of thousands costs the GUI thread more than the
// rest of the refresh. Posted after the rebinding released its delegates, so it still runs
// after them.
class RowReaper : public QObject
{
public:
    explicit RowReaper(QList<QObject *> rows) : m_rows(std::move(rows)) {}
    ~RowReaper() override { qDeleteAll(m_rows); }

private:
    const QList<QObject *> m_rows;
};

void freeLater(const QList<QObject *> &rows)
{
    (new RowReaper(rows))->deleteLater();
}

} // namespace

PublishedList::PublishedList(ListPublisher &publisher, const char *pName)
    : m_publisher(publisher), m_name(pName)
{
    m_publisher.m_lists.append(this);
}

PublishedList::PublishedList(ListPublisher &publisher, const char *pName, PublishedList &owner)
    : PublishedList(publisher, pName)
{
    m_pOwner = &owner;
    owner.m_views.append(this);
}

PublishedList::~PublishedList()
{
    m_publisher.m_lists.removeOne(this);
    if (m_pOwner) {
        m_pOwner->m_views.removeOne(this);
        // The rows stay with the owner, but the name must not keep showing them.
        if (!m_rows.isEmpty()) {
            m_rows.clear();
            publish();
        }
        return;
    }
    const QList<QObject *> rows = std::exchange(m_rows, {});
    for (PublishedList *pView : std::as_const(m_views)) {
        pView->forget(rows);
        pView->m_pOwner = nullptr;
    }
    if (rows.isEmpty())
        return;
    if (!m_publisher.context()) {
        // No context: no view can list them.
        qDeleteAll(rows);
        return;
    }
    publish();
    freeLater(rows);
}

void PublishedList::replace(const QList<QObject *> &rows)
{
    const QList<QObject *> previous = std::exchange(m_rows, rows);
    publish();
    QList<QObject *> dropped;
    if (!previous.isEmpty()) {
        const QSet<QObject *> kept(m_rows.cbegin(), m_rows.cend());
        QSet<QObject *> seen;
        for (QObject *pRow : previous) {
            if (!kept.contains(pRow) && !seen.contains(pRow)) {
                seen.insert(pRow);
                dropped.append(pRow);
            }
        }
    }
    if (dropped.isEmpty() || !ownsRows())
        return;
    for (PublishedList *pView : std::as_const(m_views))
        pView->forget(dropped);
    freeLater(dropped);
}

void PublishedList::forget(const QList<QObject *> &dropped)
{
    const QSet<QObject *> gone(dropped.cbegin(), dropped.cend());
    QList<QObject *> rows;
    rows.reserve(m_rows.size());
    for (QObject *pRow : std::as_const(m_rows)) {
        if (!gone.contains(pRow))
            rows.append(pRow);
    }
    if (rows.size() == m_rows.size())
        return;
    m_rows = rows;
    publish();
}

void PublishedList::publish()
{
    if (!m_name.isEmpty())
        m_publisher.publish(m_name, m_rows);
}

void ListPublisher::publishAll()
{
    for (PublishedList *pList : std::as_const(m_lists))
        pList->publish();
}

void ListPublisher::publish(const QByteArray &name, const QList<QObject *> &rows)
{
    if (m_pContext)
        m_pContext->setContextProperty(QString::fromLatin1(name), QVariant::fromValue(rows));
}
