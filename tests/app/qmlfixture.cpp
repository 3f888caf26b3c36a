#include "qmlfixture.h"

#include "nativequickwidgets.h"
#include "qmlcodes.h"

#include <QPainter>
#include <QQmlComponent>
#include <QQmlContext>
#include <QQuickImageProvider>
#include <QTest>
#include <QWindow>

namespace {

// Answers image://userpic/ addresses with a plain square, as the controller's provider would.
class StandInPictureProvider : public QQuickImageProvider
{
public:
    StandInPictureProvider() : QQuickImageProvider(QQuickImageProvider::Pixmap) {}
    QPixmap requestPixmap(const QString &, QSize *size, const QSize &) override
    {
        QPixmap pixmap(173, 173);
        pixmap.fill(Qt::darkCyan);
        if (size)
            *size = pixmap.size();
        return pixmap;
    }
};

} // namespace

QObject *findNamed(QObject *parent, const QString &name)
{
    auto *item = qobject_cast<QQuickItem *>(parent);
    if (!item)
        return nullptr;
    for (QQuickItem *childItem : item->childItems()) {
        if (childItem->objectName() == name)
            return childItem;
        if (QObject *found = childItem->findChild<QObject *>(name))
            return found;
        if (QObject *found = findNamed(childItem, name))
            return found;
    }
    return nullptr;
}

QmlFixture::QmlFixture()
    : translator(*CTranslator::instance()), m_view(std::make_unique<QQuickView>())
{
    registerNativeQuickWidgets();
    registerQmlCodes();
    QQmlContext *context = m_view->rootContext();
    context->setContextProperty(QStringLiteral("core"), &core);
    context->setContextProperty(QStringLiteral("ctranslator"), &translator);
    m_view->engine()->addImageProvider(QStringLiteral("userpic"), new StandInPictureProvider);
}

QmlFixture::~QmlFixture()
{
    for (const QPointer<QObject> &object : m_created)
        delete object.data();
}

QObject *QmlFixture::create(const QString &path, const QVariantMap &initial)
{
    QQmlComponent component(engine(), QUrl(QStringLiteral("qrc:/qml/Zephon/") + path));
    if (component.isError()) {
        QTest::qFail(qPrintable(component.errorString()), __FILE__, __LINE__);
        return nullptr;
    }
    QObject *object = component.createWithInitialProperties(initial, m_view->rootContext());
    if (!object) {
        QTest::qFail(qPrintable(component.errorString()), __FILE__, __LINE__);
        return nullptr;
    }
    m_created << object;
    return object;
}

QQuickItem *QmlFixture::show(const QString &path, const QVariantMap &initial, QSize size)
{
    return place(create(path, initial), size);
}

QQuickItem *QmlFixture::showInline(const QByteArray &qml, const QString &name, QSize size)
{
    QQmlComponent component(engine());
    component.setData(qml, QUrl(QStringLiteral("qrc:/test/") + name));
    QObject *object = component.create(m_view->rootContext());
    if (!object) {
        QTest::qFail(qPrintable(component.errorString()), __FILE__, __LINE__);
        return nullptr;
    }
    m_created << object;
    return place(object, size);
}

QQuickItem *QmlFixture::place(QObject *object, QSize size)
{
    auto *item = qobject_cast<QQuickItem *>(object);
    if (!item)
        return nullptr;
    item->setParentItem(m_view->contentItem());
    m_view->resize(size);
    m_view->show();
    m_view->requestActivate();
    if (!QTest::qWaitForWindowExposed(m_view.get()))
        QTest::qFail("view not exposed", __FILE__, __LINE__);
    return item;
}

void QmlFixture::click(QQuickItem *item, Qt::MouseButton button)
{
    if (!item || !item->window()) {
        QTest::qFail("item not shown", __FILE__, __LINE__);
        return;
    }
    const QPointF centre = item->mapToScene(QPointF(item->width() / 2, item->height() / 2));
    QTest::mouseClick(item->window(), button, Qt::NoModifier, centre.toPoint());
}

void QmlFixture::type(QWindow *window, const QString &text)
{
    for (const QChar c : text)
        QTest::keyClick(window, c.toLatin1());
}
