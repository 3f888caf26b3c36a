#include "realscreens.h"

#include <QQmlContext>
#include <QQmlEngine>
#include <QQuickItem>
#include <QtTest>

#include "cimageprovider.h"
#include "core.h"
#include "csessionstate.h"
#include "csetting.h"
#include "ctranslator.h"
#include "qmlapplicationviewer.h"
#include "zephonversion.h"

RealScreens::RealScreens() = default;

bool RealScreens::enterClientFolder(const QString &strFolder, const QString &strXdg,
                                    const QString &strServer)
{
    qputenv("ZEPHON_SERVER", strServer.toUtf8());
    if (!QDir().mkpath(strFolder) || !QDir::setCurrent(strFolder))
        return false;
    qputenv("XDG_CONFIG_HOME", strXdg.toUtf8());
    CSetting *pSetting = CSetting::instance();
    pSetting->setAutoStartup(false);
    pSetting->setStaysOnTop(false);
    pSetting->setAutoUpdate(false);
    sessionState().reset();
    return true;
}

RealScreens::~RealScreens()
{
    stop();
}

void RealScreens::start()
{
    m_pView = std::make_unique<QmlApplicationViewer>();
    m_pCore = std::make_unique<Core>();
    QQmlContext *pContext = m_pView->rootContext();
    pContext->setContextProperty(QStringLiteral("ctranslator"), CTranslator::instance());
    pContext->setContextProperty(QStringLiteral("core"), m_pCore.get());
    pContext->setContextProperty(QStringLiteral("version"), QStringLiteral(ZEPHON_VERSION_TEXT));
    m_pView->engine()->addImageProvider(QStringLiteral("userpic"), new CImageProvider);
    m_pView->setSource(QUrl(QStringLiteral("qrc:/qml/Zephon/main.qml")));
    QVERIFY2(m_pView->rootObject(), qPrintable(QDebug::toString(m_pView->errors())));
    m_pView->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_pView.get()));
    m_pCore->setMainWindow(m_pView.get());
    m_pCore->setRootObject(m_pView->rootObject());
    m_pCore->setRootContext(pContext);
    m_pCore->initialize();
    QTRY_VERIFY(m_pView->rootObject()->property("bInit").toBool());
}

void RealScreens::signIn(const QString &strLoginId, const QString &strPassword, int iLoginType)
{
    QVERIFY(m_pView && m_pView->rootObject());
    QVERIFY(QMetaObject::invokeMethod(m_pView->rootObject(), "login", Q_ARG(QString, strLoginId),
                                      Q_ARG(QString, strPassword), Q_ARG(int, iLoginType)));
}

void RealScreens::stop()
{
    m_pView.reset();
    m_pCore.reset();
}
