#include "corefixture.h"

#include <QDir>
#include <QQmlComponent>
#include <QQmlContext>
#include <QQmlEngine>
#include <QSignalSpy>
#include <QtTest>

#include "ccallsession.h"
#include "cmsgtracker.h"
#include "cnetcontactsync.h"
#include "core.h"
#include "csessionstate.h"
#include "cuserpiccache.h"
#include "pinyin.h"
#include "protocol.h"

namespace {

// The signals of main.qml's root item that Core connects to, and the function it calls when
// the contact list changes (counted in "updates").
const char *const kRootQml = "import QtQuick\n"
                             "Item {\n"
                             "  signal login(string strLoginId, string strLoginPassword, "
                             "int iLoginType)\n"
                             "  signal getUserState(string strPhone)\n"
                             "  signal getUserPhone(string strZpid)\n"
                             "  signal changePassword(int iType, int iSubType, var strPassword)\n"
                             "  signal getContact(bool flag, string strKey)\n"
                             "  signal searchContact(string strKey)\n"
                             "  signal getNetContact()\n"
                             "  signal savePersonalCard(string strCard)\n"
                             "  signal sendMsg(string strMsg, string strZpid)\n"
                             "  signal sendCircleMsg(string strMsg, string strCircleId)\n"
                             "  signal getCircle()\n"
                             "  signal modifyCircleInfo(int iType, string strCircleId, "
                             "string strInfo)\n"
                             "  signal dismissCircle(string strCircleId)\n"
                             "  signal exitCircle(string strCircleId)\n"
                             "  signal applyCircle(string strCircleId, string strCircleName, "
                             "int iCircleType, string strText, int iType)\n"
                             "  signal applyCircleReply(string strCircleId, string strZpid, "
                             "int iReply, string strText)\n"
                             "  signal hangup(string strZpid)\n"
                             "  signal agree(string strZpid)\n"
                             "  signal refuse(string strZpid)\n"
                             "  property int updates: 0\n"
                             "  function onUpdateContact() { updates++ }\n"
                             "}\n";

} // namespace

CoreFixture::CoreFixture() = default;

CoreFixture::~CoreFixture()
{
    if (isRunning())
        stop();
}

void CoreFixture::resetGlobals()
{
    sessionState().reset();
    callSession().reset();
    msgTracker().reset();
    netContactSync().reset();
    setMsgIdCounter(0);
    userPicCache().clear();
    setPinyinMap({});
}

bool CoreFixture::enterFolder(const QString &strPath)
{
    if (!QDir().mkpath(strPath) || !QDir::setCurrent(strPath))
        return false;
    qputenv("XDG_CONFIG_HOME", QDir(strPath).filePath(QStringLiteral("xdg")).toUtf8());
    return true;
}

bool CoreFixture::serve(FakeService &service, const FakeService::Account &account)
{
    if (!service.start())
        return false;
    qputenv("ZEPHON_SERVER", service.serverText().toUtf8());
    service.serveAccount(account);
    return true;
}

void CoreFixture::start()
{
    resetGlobals();
    // No update check unless a test points Core at a host of its own.
    if (qEnvironmentVariableIsEmpty("ZEPHON_UPDATE_URL"))
        qputenv("ZEPHON_UPDATE_URL", "off");
    m_pEngine = std::make_unique<QQmlEngine>();
    QQmlComponent component(m_pEngine.get());
    component.setData(kRootQml, QUrl());
    m_pRoot.reset(component.create());
    QVERIFY2(m_pRoot, qPrintable(component.errorString()));

    m_pCore = std::make_unique<Core>();
    m_pCore->setRootObject(m_pRoot.get());
    m_pCore->setRootContext(m_pEngine->rootContext());
    m_pCore->initialize();
}

void CoreFixture::stop()
{
    m_pCore.reset();
    m_pRoot.reset();
    m_pEngine.reset();
    resetGlobals();
}

QQmlContext *CoreFixture::context() const
{
    return m_pEngine ? m_pEngine->rootContext() : nullptr;
}

QList<QObject *> CoreFixture::list(const char *pName) const
{
    return context()->contextProperty(QLatin1String(pName)).value<QList<QObject *>>();
}

void CoreFixture::login(const QString &strId, const QString &strPassword)
{
    QVERIFY(QMetaObject::invokeMethod(m_pRoot.get(), "login", Q_ARG(QString, strId),
                                      Q_ARG(QString, strPassword), Q_ARG(int, 0)));
}

void CoreFixture::signIn(const QString &strId, const QString &strPassword, int iTimeoutMs)
{
    QSignalSpy answers(m_pCore.get(), &Core::sig_loginState);
    login(strId, strPassword);
    if (QTest::currentTestFailed())
        return;
    QTRY_COMPARE_WITH_TIMEOUT(answers.size(), 1, iTimeoutMs);
    QCOMPARE(answers.first().first().toInt(), 0);
}
