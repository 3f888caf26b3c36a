// Row lifetime of the published lists: a refresh frees the previous generation only after the
// views have rebound, so live rows stay bounded and no delegate reaches a freed row (run this
// test in the sanitizer build as well), and views of another list's rows never free them.
#include <QPointer>
#include <QQmlComponent>
#include <QQmlContext>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QtTest>

#include <memory>

#include "publishedlist.h"

namespace {

// A row that counts how many of its kind are alive.
class CountedRow : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString strName READ name WRITE setName NOTIFY nameChanged)

public:
    explicit CountedRow(const QString &strName) : m_strName(strName) { ++s_iLive; }
    ~CountedRow() override { --s_iLive; }

    QString name() const { return m_strName; }
    void setName(const QString &strName)
    {
        if (strName == m_strName)
            return;
        m_strName = strName;
        Q_EMIT nameChanged();
    }

    static int live() { return s_iLive; }

Q_SIGNALS:
    void nameChanged();

private:
    QString m_strName;
    static int s_iLive;
};

int CountedRow::s_iLive = 0;

QList<QObject *> makeRows(int iCount, const QString &strPrefix)
{
    QList<QObject *> rows;
    rows.reserve(iCount);
    for (int i = 0; i < iCount; ++i)
        rows.append(new CountedRow(strPrefix + QString::number(i)));
    return rows;
}

QStringList namesOf(const QVariant &value)
{
    QStringList names;
    const QList<QObject *> rows = value.value<QList<QObject *>>();
    for (QObject *pRow : rows)
        names << pRow->property("strName").toString();
    return names;
}

// The deferred deletions an event loop would carry out next.
void runDeferredDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Lets the screens' delegates reload the list from inside one of their own handlers.
class Refresher : public QObject
{
    Q_OBJECT
public:
    explicit Refresher(PublishedList &list) : m_list(list) {}
    Q_INVOKABLE void refresh() { m_list.replace(makeRows(3, QStringLiteral("new"))); }
    Q_INVOKABLE void note(const QString &strText) { notes << strText; }

    QStringList notes;

private:
    PublishedList &m_list;
};

// A list view over "rowModel" whose delegates read their row while they are being destroyed,
// and one of which can reload the list from its own handler and read its row afterwards.
const char *const kViewQml = R"(
import QtQuick
ListView {
    id: view
    width: 100; height: 200
    model: rowModel
    property var readAtDestruction: []
    function clickFirst() { itemAtIndex(0).reload() }
    delegate: Text {
        height: 10
        text: modelData.strName
        function reload() {
            const r = refresher
            const row = modelData
            r.refresh()
            // The view has let this delegate go (its context names nothing any more), but the
            // row it held is freed only once control is back in the event loop.
            r.note(row.strName)
        }
        Component.onDestruction: view.readAtDestruction =
            view.readAtDestruction.concat([modelData ? modelData.strName : "gone"])
    }
}
)";

// A real list view over one published list, shown in a window: the delegates' side of the
// rows' lifetime.
struct ShownList
{
    ShownList()
    {
        publisher.setContext(window.rootContext());
        window.rootContext()->setContextProperty(QStringLiteral("refresher"), &refresher);
    }

    // Publishes the first rows, loads the view and shows it; false when the view cannot.
    bool show(const QUrl &viewUrl, const QList<QObject *> &rows)
    {
        list.replace(rows);
        window.setSource(viewUrl);
        if (window.status() != QQuickView::Ready)
            return false;
        window.show();
        return QTest::qWaitForWindowExposed(&window);
    }

    QQuickItem *view() const { return qobject_cast<QQuickItem *>(window.rootObject()); }

    QQuickView window;
    ListPublisher publisher;
    PublishedList list{publisher, "rowModel"};
    Refresher refresher{list};
};

} // namespace

class TestPublishedList : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanup();

    void publishesUnderItsName();
    void withoutContextNothingIsPublished();
    void replaceFreesDroppedRowsAfterPublication();
    void keptRowsSurviveAChangeInPlace();
    void viewsNeverFreeAndForgetDroppedRows();
    void destructionPublishesEmptyAndFrees();
    void destructionWithoutContextFreesAtOnce();
    void publisherPublishesEveryNamedList();
    void thousandRefreshesKeepRowsBounded();
    void delegatesNeverReachAFreedRow();
    void delegateReloadingItsOwnListKeepsItsRow();

private:
    QUrl m_viewUrl;
    QTemporaryDir m_dir;
};

void TestPublishedList::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QFile file(m_dir.filePath(QStringLiteral("RowView.qml")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(kViewQml);
    file.close();
    m_viewUrl = QUrl::fromLocalFile(file.fileName());
}

void TestPublishedList::cleanup()
{
    runDeferredDeletes();
    QCOMPARE(CountedRow::live(), 0);
}

void TestPublishedList::publishesUnderItsName()
{
    QQmlEngine engine;
    ListPublisher publisher;
    publisher.setContext(engine.rootContext());
    PublishedList list(publisher, "rowModel");
    QCOMPARE(list.name(), QByteArray("rowModel"));
    QVERIFY(list.ownsRows());

    list.replace(makeRows(2, QStringLiteral("a")));
    const QVariant value = engine.rootContext()->contextProperty(QStringLiteral("rowModel"));
    QCOMPARE(namesOf(value), (QStringList{"a0", "a1"}));

    list.clear();
    QVERIFY(engine.rootContext()
                ->contextProperty(QStringLiteral("rowModel"))
                .value<QList<QObject *>>()
                .isEmpty());
}

void TestPublishedList::withoutContextNothingIsPublished()
{
    ListPublisher publisher;
    PublishedList list(publisher, "rowModel");
    list.replace(makeRows(2, QStringLiteral("a")));
    QCOMPARE(list.rows().size(), 2);
    list.publish();
    publisher.publishAll();
}

void TestPublishedList::replaceFreesDroppedRowsAfterPublication()
{
    QQmlEngine engine;
    ListPublisher publisher;
    publisher.setContext(engine.rootContext());
    PublishedList list(publisher, "rowModel");

    const QList<QObject *> first = makeRows(3, QStringLiteral("first"));
    list.replace(first);
    QList<QPointer<QObject>> guards;
    for (QObject *pRow : first)
        guards << pRow;

    list.replace(makeRows(2, QStringLiteral("second")));
    QCOMPARE(namesOf(engine.rootContext()->contextProperty(QStringLiteral("rowModel"))),
             (QStringList{"second0", "second1"}));
    // Still alive until control returns to the event loop.
    for (const QPointer<QObject> &guard : std::as_const(guards))
        QVERIFY(guard);
    QCOMPARE(CountedRow::live(), 5);
    runDeferredDeletes();
    for (const QPointer<QObject> &guard : std::as_const(guards))
        QVERIFY(!guard);
    QCOMPARE(CountedRow::live(), 2);
}

void TestPublishedList::keptRowsSurviveAChangeInPlace()
{
    ListPublisher publisher;
    PublishedList list(publisher, "rowModel");
    list.replace(makeRows(3, QStringLiteral("r")));
    QPointer<QObject> pKept = list.rows().at(0);
    QPointer<QObject> pRemoved = list.rows().at(1);

    // Insert one, remove one, keep two; the same row twice is freed once.
    QList<QObject *> rows = list.rows();
    rows.removeAt(1);
    rows.insert(1, new CountedRow(QStringLiteral("inserted")));
    list.replace(rows);
    runDeferredDeletes();
    QVERIFY(pKept);
    QVERIFY(!pRemoved);
    QCOMPARE(CountedRow::live(), 3);

    list.replace(QList<QObject *>{pKept, pKept});
    runDeferredDeletes();
    QCOMPARE(CountedRow::live(), 1);
    list.clear();
}

void TestPublishedList::viewsNeverFreeAndForgetDroppedRows()
{
    QQmlEngine engine;
    ListPublisher publisher;
    publisher.setContext(engine.rootContext());
    PublishedList source(publisher, nullptr);
    PublishedList view(publisher, "viewModel", source);
    QVERIFY(!view.ownsRows());
    QVERIFY(source.name().isEmpty());

    source.replace(makeRows(4, QStringLiteral("s")));
    QObject *pFirst = source.rows().at(0);
    QObject *pLast = source.rows().at(3);
    view.replace({pFirst, pLast});
    QCOMPARE(namesOf(engine.rootContext()->contextProperty(QStringLiteral("viewModel"))),
             (QStringList{"s0", "s3"}));
    // The source itself is never published.
    QVERIFY(!engine.rootContext()->contextProperty(QString()).isValid());

    // A view dropping rows leaves them to the owner.
    view.replace({pLast});
    runDeferredDeletes();
    QCOMPARE(CountedRow::live(), 4);

    // The owner keeps s3 and drops the rest: the view, still showing s3, is unchanged...
    source.replace({pLast});
    QCOMPARE(view.rows(), QList<QObject *>{pLast});
    // ...and once the owner drops s3 too, the view is republished without it before it goes.
    view.replace({pLast});
    source.replace(makeRows(1, QStringLiteral("t")));
    QVERIFY(view.rows().isEmpty());
    QVERIFY(engine.rootContext()
                ->contextProperty(QStringLiteral("viewModel"))
                .value<QList<QObject *>>()
                .isEmpty());
    runDeferredDeletes();
    QCOMPARE(CountedRow::live(), 1);
    source.clear();
}

void TestPublishedList::destructionPublishesEmptyAndFrees()
{
    QQmlEngine engine;
    ListPublisher publisher;
    publisher.setContext(engine.rootContext());
    {
        PublishedList list(publisher, "rowModel");
        PublishedList view(publisher, "viewModel", list);
        list.replace(makeRows(2, QStringLiteral("a")));
        view.replace(list.rows());
    }
    for (const char *pName : {"rowModel", "viewModel"}) {
        QVERIFY2(engine.rootContext()
                     ->contextProperty(QLatin1String(pName))
                     .value<QList<QObject *>>()
                     .isEmpty(),
                 pName);
    }
    QCOMPARE(CountedRow::live(), 2);
    runDeferredDeletes();
    QCOMPARE(CountedRow::live(), 0);
    QVERIFY(publisher.lists().isEmpty());
}

void TestPublishedList::destructionWithoutContextFreesAtOnce()
{
    ListPublisher publisher;
    {
        PublishedList list(publisher, "rowModel");
        list.replace(makeRows(2, QStringLiteral("a")));
    }
    QCOMPARE(CountedRow::live(), 0);

    // A context that went away counts as none.
    auto pEngine = std::make_unique<QQmlEngine>();
    publisher.setContext(pEngine->rootContext());
    PublishedList list(publisher, "rowModel");
    list.replace(makeRows(2, QStringLiteral("b")));
    pEngine.reset();
    QVERIFY(!publisher.context());
    list.clear();
    runDeferredDeletes();
    QCOMPARE(CountedRow::live(), 0);
}

void TestPublishedList::publisherPublishesEveryNamedList()
{
    QQmlEngine engine;
    ListPublisher publisher;
    PublishedList first(publisher, "firstModel");
    PublishedList hidden(publisher, nullptr);
    PublishedList second(publisher, "secondModel");
    QCOMPARE(publisher.lists(), (QList<PublishedList *>{&first, &hidden, &second}));
    first.replace(makeRows(1, QStringLiteral("f")));
    QVERIFY(!engine.rootContext()->contextProperty(QStringLiteral("firstModel")).isValid());

    publisher.setContext(engine.rootContext());
    publisher.publishAll();
    QCOMPARE(namesOf(engine.rootContext()->contextProperty(QStringLiteral("firstModel"))),
             QStringList{"f0"});
    QVERIFY(engine.rootContext()->contextProperty(QStringLiteral("secondModel")).isValid());
    first.clear();
}

void TestPublishedList::thousandRefreshesKeepRowsBounded()
{
    constexpr int kRows = 1000;
    constexpr int kRefreshes = 1000;

    ShownList shown;
    PublishedList &list = shown.list;
    QVERIFY(shown.show(m_viewUrl, makeRows(kRows, QStringLiteral("g0-"))));
    QQuickItem *pView = shown.view();
    QVERIFY(pView);
    QTRY_COMPARE(pView->property("count").toInt(), kRows);

    int iMostAlive = 0;
    for (int i = 1; i <= kRefreshes; ++i) {
        list.replace(makeRows(kRows, QStringLiteral("g%1-").arg(i)));
        iMostAlive = qMax(iMostAlive, CountedRow::live());
        // What the event loop does between two refreshes: the views lay out, and the deferred
        // deletions run.
        QCoreApplication::processEvents();
        runDeferredDeletes();
        QCOMPARE(CountedRow::live(), kRows);
    }
    QVERIFY2(iMostAlive <= 2 * kRows, qPrintable(QString::number(iMostAlive)));
    QCOMPARE(pView->property("count").toInt(), kRows);
    // The delegates show the last generation.
    QQuickItem *pFirst = nullptr;
    QVERIFY(QMetaObject::invokeMethod(pView, "itemAtIndex", Q_RETURN_ARG(QQuickItem *, pFirst),
                                      Q_ARG(int, 0)));
    QVERIFY(pFirst);
    QCOMPARE(pFirst->property("text").toString(), QStringLiteral("g%1-0").arg(kRefreshes));

    list.clear();
    runDeferredDeletes();
    QCOMPARE(CountedRow::live(), 0);
}

void TestPublishedList::delegatesNeverReachAFreedRow()
{
    ShownList shown;
    PublishedList &list = shown.list;
    QVERIFY(shown.show(m_viewUrl, makeRows(5, QStringLiteral("old"))));
    QQuickItem *pView = shown.view();
    QVERIFY(pView);
    QTRY_COMPARE(pView->property("count").toInt(), 5);

    list.replace(makeRows(2, QStringLiteral("new")));
    QTRY_COMPARE(pView->property("count").toInt(), 2);
    // Let every deferred deletion run, the released delegates' and the old rows'.
    QTest::qWait(50);
    runDeferredDeletes();
    QCOMPARE(CountedRow::live(), 2);

    // Each delegate of the old list still found its row while it was being destroyed.
    const QStringList read = pView->property("readAtDestruction").toStringList();
    QCOMPARE(read.size(), 5);
    for (const QString &strName : read)
        QVERIFY2(strName.startsWith(QLatin1String("old")), qPrintable(read.join(',')));
    list.clear();
}

void TestPublishedList::delegateReloadingItsOwnListKeepsItsRow()
{
    ShownList shown;
    PublishedList &list = shown.list;
    QVERIFY(shown.show(m_viewUrl, makeRows(2, QStringLiteral("old"))));
    QQuickItem *pView = shown.view();
    QVERIFY(pView);
    QTRY_COMPARE(pView->property("count").toInt(), 2);

    // The first delegate reloads the list from its own handler, then reads the row it held.
    QVERIFY(QMetaObject::invokeMethod(pView, "clickFirst"));
    QCOMPARE(shown.refresher.notes, QStringList{"old0"});
    QTRY_COMPARE(pView->property("count").toInt(), 3);
    QTest::qWait(50);
    runDeferredDeletes();
    QCOMPARE(CountedRow::live(), 3);
    list.clear();
}

QTEST_MAIN(TestPublishedList)
#include "tst_publishedlist.moc"
