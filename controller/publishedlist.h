// PublishedList: one list of element objects that the screens see under one context property
// name, and the owner of its rows.
//
// Row lifetime: a list is refreshed by building a new generation of rows and publishing it under
// the same name. The views bound to the name rebind while the context property is set, so once
// the new generation is published no view reaches the previous one any more; the rows of the
// previous generation that the new one does not keep are then handed to one deferred deletion
// (deleteLater() of a holder), which frees them when control returns to the event loop, after
// the delegates that the rebinding
// released (released earlier, so deleted earlier). Rows are therefore never freed while a view
// still lists them, and a list refreshed over and over holds at most two generations alive.
//
// A view list shows rows that another list owns ("contactModel" and "searchcontactModel" are
// views of the search source): it never frees them, and when its owner drops rows that the view
// still shows, the view is republished without them first.
//
// Rows are created without a parent on the GUI thread; all calls happen on the GUI thread.
#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QQmlContext>

class ListPublisher;

class PublishedList
{
public:
    // An owning list: it frees the rows it drops. pName null: kept but never published (the
    // search source).
    PublishedList(ListPublisher &publisher, const char *pName);
    // A view of owner's rows; owner must outlive it.
    PublishedList(ListPublisher &publisher, const char *pName, PublishedList &owner);
    // An owning list publishes itself empty (while its context lives) and frees its rows.
    ~PublishedList();
    PublishedList(const PublishedList &) = delete;
    PublishedList &operator=(const PublishedList &) = delete;

    const QByteArray &name() const { return m_name; }
    const QList<QObject *> &rows() const { return m_rows; }
    bool ownsRows() const { return m_pOwner == nullptr; }

    // Takes the new generation and publishes it; then the rows of the previous generation that
    // it does not hold are dropped from the views of this list (which are republished) and
    // freed by one deferred deletion. A view only forgets them. The rows become the list's. A
    // change in place is a replace() with a changed copy of rows().
    void replace(const QList<QObject *> &rows);
    // Publishes the list again as it is (what logout does).
    void publish();
    // replace() with an empty list.
    void clear() { replace({}); }

private:
    void forget(const QList<QObject *> &dropped);

    ListPublisher &m_publisher;
    QByteArray m_name;
    PublishedList *m_pOwner = nullptr; // set for a view
    QList<PublishedList *> m_views;    // views of this list
    QList<QObject *> m_rows;
};

// The lists Core publishes, and the context they are published into.
class ListPublisher
{
public:
    void setContext(QQmlContext *pContext) { m_pContext = pContext; }
    QQmlContext *context() const { return m_pContext; }

    // Publishes every named list as it is, in the order the lists were made.
    void publishAll();
    // Sets the context property to the rows; does nothing without a context.
    void publish(const QByteArray &name, const QList<QObject *> &rows);

    const QList<PublishedList *> &lists() const { return m_lists; }

private:
    friend class PublishedList;

    QPointer<QQmlContext> m_pContext;
    QList<PublishedList *> m_lists;
};
