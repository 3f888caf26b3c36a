// The real root and main screens with the real Core, signed in against the fake service on
// loopback and playing into a PulseAudio server of the test's own: a message that arrives while
// an incoming call rings leaves the ring playing and is heard once, from Core's own message
// sound; the screens play no sound themselves.
#include <QDir>
#include <QFile>
#include <QPointer>
#include <QQmlContext>
#include <QQmlEngine>
#include <QQuickItem>
#include <QSignalSpy>
#include <QSoundEffect>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include "ccallsession.h"
#include "cimageprovider.h"
#include "codes.h"
#include "core.h"
#include "csessionstate.h"
#include "csetting.h"
#include "ctranslator.h"
#include "fakecipher.h"
#include "fakepacket.h"
#include "fakeservice.h"
#include "nativequickwidgets.h"
#include "privatepulse.h"
#include "qmlapplicationviewer.h"
#include "qmlcodes.h"
#include "zephonversion.h"

namespace {

constexpr quint32 kOwn = 1234567;
constexpr quint32 kCaller = 7654321;
constexpr quint32 kWriter = 2345678;

// Every start of the sound effects Core has when the log is made, by the file each plays.
class SoundLog : public QObject
{
public:
    explicit SoundLog(const Core &core)
    {
        for (QSoundEffect *pEffect : core.findChildren<QSoundEffect *>()) {
            connect(pEffect, &QSoundEffect::playingChanged, this, [this, pEffect] {
                if (pEffect->isPlaying())
                    starts << pEffect->source().fileName();
            });
        }
    }

    QStringList starts;
};

} // namespace

class TestMessageDuringRing : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void cleanup();

    void messageLeavesTheRingAndSoundsOnce_data();
    void messageLeavesTheRingAndSoundsOnce();

private:
    QQuickItem *mainScreen() const;
    QObject *callScreen() const;
    // A one-to-one text from kWriter, as the service relays it.
    void pushMessage(quint32 iMsgId);

    QTemporaryDir m_dir;
    PrivatePulse m_pulse;
    FakeService m_fake;
    std::unique_ptr<QmlApplicationViewer> m_pView;
    std::unique_ptr<Core> m_pCore;
    QPointer<QSoundEffect> m_pMessageSound;
    quint32 m_iNextMsgId = 1;
};

void TestMessageDuringRing::initTestCase()
{
    QVERIFY(m_dir.isValid());
    // Before the first sound, which connects to the audio server once.
    QVERIFY2(m_pulse.start(m_dir.path()), qPrintable(m_pulse.errorString()));
    qputenv("PULSE_SERVER", m_pulse.serverAddress().toUtf8());
    registerNativeQuickWidgets();
    registerQmlCodes();

    // The sounds lie in the working directory, as beside the installed client.
    QVERIFY(QDir::setCurrent(m_dir.path()));
    qputenv("XDG_CONFIG_HOME", m_dir.filePath(QStringLiteral("xdg")).toUtf8());
    for (const char *pSound : {"ring.wav", "message.wav"})
        QVERIFY(QFile::copy(QStringLiteral(ZEPHON_SOUNDS_DIR "/") + QLatin1String(pSound),
                            m_dir.filePath(QLatin1String(pSound))));

    QVERIFY(m_fake.start());
    qputenv("ZEPHON_SERVER", m_fake.serverText().toUtf8());
    FakeService::Account account;
    account.iZpid = kOwn;
    account.strLoginId = QString::number(kOwn);
    account.strPassword = QStringLiteral("secret");
    account.strPhone = QStringLiteral("13800000000");
    m_fake.serveAccount(account);
    m_fake.serveCalls({});
    sessionState().reset();
    callSession().reset();

    CSetting::instance()->setCallPrompt(true);
    CSetting::instance()->setMsgPrompt(true);

    // The view, the context properties and Core, in the entry's order.
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

    QVERIFY(QMetaObject::invokeMethod(m_pView->rootObject(), "login",
                                      Q_ARG(QString, account.strLoginId),
                                      Q_ARG(QString, account.strPassword), Q_ARG(int, 0)));
    QTRY_VERIFY_WITH_TIMEOUT(mainScreen(), 10000);
    // The fake learns the client's UDP endpoint from its heartbeat.
    QTRY_VERIFY_WITH_TIMEOUT(!m_fake.packets(3, FakeService::Udp).isEmpty(), 10000);

    // A first message makes Core's message sound; once it has been heard, every later start of
    // it is seen.
    QSignalSpy added(m_pCore.get(), &Core::sig_addMsgRecord);
    pushMessage(m_iNextMsgId++);
    QTRY_COMPARE(added.size(), 1);
    m_pMessageSound = m_pCore->findChild<QSoundEffect *>(QStringLiteral("messageSound"));
    QVERIFY(m_pMessageSound);
    QCOMPARE(m_pMessageSound->source().fileName(), QStringLiteral("message.wav"));
    QTRY_VERIFY_WITH_TIMEOUT(!m_pMessageSound->isPlaying(), 10000);
}

void TestMessageDuringRing::cleanupTestCase()
{
    m_pView.reset();
    m_pCore.reset();
    sessionState().reset();
    callSession().reset();
    QDir::setCurrent(QDir::tempPath());
}

// The user refuses the call a test left ringing; the ring stops and the call ends.
void TestMessageDuringRing::cleanup()
{
    CSetting::instance()->setMsgPrompt(true);
    if (callSession().phase() != int(Codes::PhaseIdle)) {
        QVERIFY(QMetaObject::invokeMethod(m_pView->rootObject(), "refuse",
                                          Q_ARG(QString, QString::number(kCaller))));
    }
    QTRY_COMPARE(callSession().phase(), int(Codes::PhaseIdle));
    QTRY_VERIFY(!m_pCore->isRinging());
    QTRY_VERIFY(!callScreen());
    QTRY_VERIFY_WITH_TIMEOUT(!m_pMessageSound->isPlaying(), 10000);
}

QQuickItem *TestMessageDuringRing::mainScreen() const
{
    QObject *pLoader = m_pView->rootObject()->property("screen").value<QObject *>();
    if (!pLoader || pLoader->property("source").toUrl().fileName() != "MainInterface.qml")
        return nullptr;
    return pLoader->property("item").value<QQuickItem *>();
}

QObject *TestMessageDuringRing::callScreen() const
{
    QQuickItem *pMain = mainScreen();
    QObject *pLoader = pMain ? pMain->property("callLoader").value<QObject *>() : nullptr;
    return pLoader ? pLoader->property("item").value<QObject *>() : nullptr;
}

void TestMessageDuringRing::pushMessage(quint32 iMsgId)
{
    m_fake.pushUdp(FakePacket(Codes::CmdMessage)
                       .u32(kWriter)
                       .u32(kOwn)
                       .u32(iMsgId)
                       .blob32(fakeEncrypt(QByteArrayLiteral("are you there")))
                       .u8(0)
                       .bytes());
}

void TestMessageDuringRing::messageLeavesTheRingAndSoundsOnce_data()
{
    QTest::addColumn<bool>("bMsgPrompt");
    QTest::addColumn<QStringList>("expectedStarts");
    QTest::newRow("message prompt on") << true << QStringList{"message.wav"};
    QTest::newRow("message prompt off") << false << QStringList{};
}

void TestMessageDuringRing::messageLeavesTheRingAndSoundsOnce()
{
    QFETCH(bool, bMsgPrompt);
    QFETCH(QStringList, expectedStarts);
    QVERIFY(m_pMessageSound);

    // The call rings and its screen shows.
    m_fake.pushUdp(FakeService::callPacket(kCaller, kOwn, Codes::CallSubCall));
    QTRY_COMPARE(callSession().phase(), int(Codes::PhaseRinging));
    QTRY_VERIFY(callScreen());
    QPointer<QSoundEffect> pRing = m_pCore->findChild<QSoundEffect *>(QStringLiteral("ring"));
    QVERIFY(pRing);
    QCOMPARE(pRing->source().fileName(), QStringLiteral("ring.wav"));
    QTRY_VERIFY(pRing->isPlaying());

    SoundLog log(*m_pCore);
    CSetting::instance()->setMsgPrompt(bMsgPrompt);
    QSignalSpy added(m_pCore.get(), &Core::sig_addMsgRecord);
    pushMessage(m_iNextMsgId++);
    QTRY_COMPARE(added.size(), 1);
    // What the screens do about the message is done by now; let anything they queued run.
    QCoreApplication::processEvents();

    // The ring goes on, with the call screen over the main screen.
    QVERIFY2(pRing, "the ring was taken away");
    QCOMPARE(pRing->source().fileName(), QStringLiteral("ring.wav"));
    QVERIFY(pRing->isPlaying());
    QVERIFY(m_pCore->isRinging());
    QVERIFY(callScreen());
    QCOMPARE(mainScreen()->property("bComingCall").toBool(), true);
    // The message is heard once, from Core's own sound, which plays nothing else.
    QCOMPARE(log.starts, expectedStarts);
    QCOMPARE(m_pMessageSound->source().fileName(), QStringLiteral("message.wav"));
    int iMessageEffects = 0;
    for (QSoundEffect *pEffect : m_pCore->findChildren<QSoundEffect *>())
        iMessageEffects += pEffect->source().fileName() == QLatin1String("message.wav");
    QCOMPARE(iMessageEffects, 1);
}

QTEST_MAIN(TestMessageDuringRing)
#include "tst_messageduringring.moc"
