// The process entry: prepares the application, lets one copy run per desktop, builds the
// main view with its context properties and hands it to Core.
#include <QApplication>
#include <QFont>
#include <QMessageBox>
#include <QPalette>
#include <QQmlContext>
#include <QQmlEngine>
#include <QQuickItem>
#include <QSurfaceFormat>
#include <QTranslator>

#include <memory>

#include "cimageprovider.h"
#include "core.h"
#include "csetting.h"
#include "ctranslator.h"
#include "nativequickwidgets.h"
#include "qmlapplicationviewer.h"
#include "qmlcodes.h"
#include "singleinstance.h"
#include "unixsignalwatcher.h"
#include "zephonversion.h"

int main(int argc, char *argv[])
{
    auto app = std::make_unique<QApplication>(argc, argv);

    CSetting::instance()->load();

    QFont font(QStringLiteral("微软雅黑"));
    font.setPixelSize(14);
    QApplication::setFont(font);

    QTranslator qtTranslator;
    if (qtTranslator.load(QStringLiteral(":/qt_zh_CN.qm")))
        QApplication::installTranslator(&qtTranslator);
    QApplication::installTranslator(CTranslator::instance());

    // Tests run their copies under a key of their own, apart from the user's client.
    const QString strKeySuffix = qEnvironmentVariable("ZEPHON_INSTANCE_SUFFIX");
    SingleInstance guard(QStringLiteral("Zephon") + strKeySuffix,
                         QStringLiteral("QtZephon") + strKeySuffix);
    if (!guard.tryAcquire()) {
        QMessageBox::information(nullptr, QStringLiteral("提示"),
                                 QStringLiteral("Zephon已经在运行"),
                                 QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok);
        return 0;
    }

    registerNativeQuickWidgets();
    registerQmlCodes();

    QmlApplicationViewer viewer;
    Qt::WindowFlags flags = Qt::FramelessWindowHint;
    if (CSetting::instance()->staysOnTop())
        flags |= Qt::WindowStaysOnTopHint;
    viewer.setFlags(flags);
    // The skin draws its own rounded frame over a transparent window.
    QSurfaceFormat format = viewer.format();
    format.setAlphaBufferSize(8);
    viewer.setFormat(format);
    viewer.setColor(Qt::transparent);

    // Core is destroyed before the view, so the rows of its lists are freed while the view that
    // showed them still exists (see the end of main).
    auto core = std::make_unique<Core>();
    // Watching before Core reports itself initialised: whoever waits for that may signal at once.
    UnixSignalWatcher signalWatcher;
    QObject::connect(&signalWatcher, &UnixSignalWatcher::terminationRequested, core.get(),
                     &Core::quit);
    QQmlContext *pContext = viewer.rootContext();
    pContext->setContextProperty(QStringLiteral("ctranslator"), CTranslator::instance());
    pContext->setContextProperty(QStringLiteral("core"), core.get());
    pContext->setContextProperty(QStringLiteral("version"), QStringLiteral(ZEPHON_VERSION_TEXT));
    viewer.engine()->addImageProvider(QStringLiteral("userpic"), new CImageProvider);

    viewer.setSource(QUrl(QStringLiteral("qrc:/qml/Zephon/main.qml")));
    viewer.setTitle(QStringLiteral("Zephon"));
    viewer.show();

    // On X11 the window manager activates the new window later, so the view itself stands
    // in when no window is active yet.
    QWindow *pActive = QGuiApplication::focusWindow();
    core->setMainWindow(pActive ? pActive : &viewer);
    core->setRootObject(viewer.rootObject());
    core->setRootContext(pContext);
    core->centerWindow(0, 0);
    core->initialize();

    const int iResult = app->exec();
    // Core publishes its lists empty and hands their rows to deleteLater(); no event loop runs
    // any more, so the deferred deletions are carried out here, the released delegates first.
    core.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return iResult;
}
