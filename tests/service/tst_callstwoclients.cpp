// A voice call between two real clients under a private Xvfb display through the real zephond
// process. Each client has a PulseAudio server of its own with null sinks: a tone played into
// A's microphone is measured at B's speaker (frequency and number of bursts), and without any
// audio server the call still connects and ends without a crash. The calls are placed and
// answered from the keyboard: the dial pad dials on Enter, the call screen answers on Enter.
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

#include "pcmsignal.h"
#include "privatepulse.h"
#include "zephondprocess.h"
#include "zephonprocess.h"

namespace {

constexpr char kPassword[] = "demo1234";
constexpr double kToneHz = 1000.0;
constexpr int kBursts = 3;
constexpr int kBurstMs = 400;
constexpr int kGapMs = 900;

// Runs of 20 ms windows whose level is well above the quiet between bursts. The voice path
// moves audio in blocks, so a burst may arrive with short holes in it: quiet shorter than
// kMergeMs joins its neighbours, and a run shorter than kShortestMs is not a burst.
int countBursts(const QVector<qint16> &samples)
{
    constexpr int kWindowMs = 20;
    constexpr int kWindow = PcmSignal::RATE * kWindowMs / 1000;
    constexpr int kMergeMs = 400;
    constexpr int kShortestMs = 150;
    QVector<double> levels;
    for (int i = 0; i + kWindow <= samples.size(); i += kWindow)
        levels << PcmSignal::rms(samples.mid(i, kWindow));
    double dPeak = 0;
    for (double d : std::as_const(levels))
        dPeak = qMax(dPeak, d);
    if (dPeak < 200)
        return 0;
    int iBursts = 0;
    int iLoud = 0;  // loud windows of the burst under way
    int iQuiet = 0; // quiet windows since its last loud one
    for (double d : std::as_const(levels) + QVector<double>(kMergeMs / kWindowMs, 0)) {
        if (d > dPeak / 4) {
            iLoud += 1 + (iLoud > 0 ? iQuiet : 0);
            iQuiet = 0;
            continue;
        }
        if (++iQuiet * kWindowMs < kMergeMs || iLoud == 0)
            continue;
        if (iLoud * kWindowMs >= kShortestMs)
            ++iBursts;
        iLoud = 0;
    }
    return iBursts;
}

} // namespace

class TestCallsTwoClients : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();

    void toneCrossesTheCall();
    void callConnectsWithoutAudioServer();

private:
    std::unique_ptr<ZephonProcess> startClient(const QString &strName, const QString &strPulse,
                                               QString &strWindow);
    void focus(const QString &strWindow);
    void type(const QString &strWindow, const QString &strText);
    void key(const QString &strWindow, const QString &strKey);
    void signIn(const QString &strWindow, const QString &strId);
    // A (1000001) calls B (1000002) and B answers; both report the call connected.
    void connectCall(ZephonProcess &a, const QString &strWindowA, ZephonProcess &b,
                     const QString &strWindowB);
    QStringList visibleWindows() const;

    XvfbDisplay m_display;
    QTemporaryDir m_dir;
    ZephondProcess m_service;
    int m_iRun = 0;
};

void TestCallsTwoClients::initTestCase()
{
    if (!m_display.start())
        QSKIP(qPrintable(m_display.errorText()));
    QVERIFY(m_dir.isValid());
    QVERIFY2(m_service.start(m_dir.filePath(QStringLiteral("service"))),
             qPrintable(m_service.errorText()));
    qputenv("ZEPHON_SERVER", m_service.serverText().toUtf8());
}

void TestCallsTwoClients::cleanupTestCase()
{
    if (m_service.isRunning())
        QVERIFY(m_service.stop() != -1);
}

QStringList TestCallsTwoClients::visibleWindows() const
{
    return m_display
        .xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                  QStringLiteral("--name"), QStringLiteral("^Zephon$")})
        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

std::unique_ptr<ZephonProcess> TestCallsTwoClients::startClient(const QString &strName,
                                                                const QString &strPulse,
                                                                QString &strWindow)
{
    const QStringList before = visibleWindows();
    const QString strDir = QStringLiteral("%1-%2").arg(strName).arg(++m_iRun);
    QDir(m_dir.path()).mkpath(strDir);
    auto client = std::make_unique<ZephonProcess>();
    client->setEnvironment(
        QStringLiteral("ZEPHON_INSTANCE_SUFFIX"),
        QStringLiteral("-call-%1-%2").arg(strDir).arg(QCoreApplication::applicationPid()));
    client->setEnvironment(QStringLiteral("QT_LOGGING_RULES"),
                           QStringLiteral("zephon.Core.debug=true\nzephon.Protocol.debug=true"));
    client->setEnvironment(QStringLiteral("PULSE_SERVER"), strPulse);
    client->start(m_dir.filePath(strDir), &m_display);
    if (!client->waitStarted())
        return nullptr;
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 10000) {
        for (const QString &strCandidate : visibleWindows()) {
            if (!before.contains(strCandidate)) {
                strWindow = strCandidate;
                return client;
            }
        }
        QTest::qWait(100);
    }
    return nullptr;
}

void TestCallsTwoClients::focus(const QString &strWindow)
{
    // There is no window manager: raise the window and give it the keyboard directly.
    QVERIFY(m_display.xdotoolSucceeds({QStringLiteral("windowraise"), strWindow}));
    QVERIFY(m_display.xdotoolSucceeds(
        {QStringLiteral("windowfocus"), QStringLiteral("--sync"), strWindow}));
    QTest::qWait(300);
}

void TestCallsTwoClients::type(const QString &strWindow, const QString &strText)
{
    focus(strWindow);
    QVERIFY(m_display.xdotoolSucceeds(
        {QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("20"), strText}));
}

void TestCallsTwoClients::key(const QString &strWindow, const QString &strKey)
{
    focus(strWindow);
    QVERIFY(m_display.xdotoolSucceeds({QStringLiteral("key"), strKey}));
}

void TestCallsTwoClients::signIn(const QString &strWindow, const QString &strId)
{
    type(strWindow, strId);
    key(strWindow, QStringLiteral("Tab"));
    type(strWindow, QString::fromLatin1(kPassword));
    key(strWindow, QStringLiteral("Return"));
}

void TestCallsTwoClients::connectCall(ZephonProcess &a, const QString &strWindowA, ZephonProcess &b,
                                      const QString &strWindowB)
{
    signIn(strWindowA, QStringLiteral("1000001"));
    signIn(strWindowB, QStringLiteral("1000002"));
    QTRY_VERIFY_WITH_TIMEOUT(a.output().contains("login result = 0"), 20000);
    QTRY_VERIFY_WITH_TIMEOUT(b.output().contains("login result = 0"), 20000);
    // The main screen opens on the call tab with the dial pad's field focused.
    QTest::qWait(1500);
    type(strWindowA, QStringLiteral("1000002"));
    key(strWindowA, QStringLiteral("Return"));
    QTRY_VERIFY_WITH_TIMEOUT(a.output().contains("call state 11 = 1000002"), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(b.output().contains("call state 1 = 1000001"), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(a.output().contains("call state 7 = 1000002"), 10000);
    QTest::qWait(500);
    key(strWindowB, QStringLiteral("Return"));
    QTRY_VERIFY_WITH_TIMEOUT(a.output().contains("call state 2 = 1000002"), 10000);
}

void TestCallsTwoClients::toneCrossesTheCall()
{
    QTemporaryDir pulseDirA;
    QTemporaryDir pulseDirB;
    PrivatePulse pulseA;
    PrivatePulse pulseB;
    if (!pulseA.start(pulseDirA.path()) || !pulseB.start(pulseDirB.path()))
        QSKIP(qPrintable("PulseAudio cannot start here: " + pulseA.errorString() +
                         pulseB.errorString()));
    QString strWindowA;
    QString strWindowB;
    auto a = startClient(QStringLiteral("a"), pulseA.serverAddress(), strWindowA);
    QVERIFY(a);
    auto b = startClient(QStringLiteral("b"), pulseB.serverAddress(), strWindowB);
    QVERIFY(b);
    connectCall(*a, strWindowA, *b, strWindowB);

    // Bursts of a tone into A's microphone, recorded from B's speaker.
    QVERIFY(pulseB.startRecording(QStringLiteral("spk.monitor")));
    QTest::qWait(1000);
    // A second of quiet first, so both ends' devices and the recorder are running.
    QByteArray arPlayed = PcmSignal::silence(1000);
    for (int i = 0; i < kBursts; ++i)
        arPlayed += PcmSignal::tone(kToneHz, kBurstMs, 12000) + PcmSignal::silence(kGapMs);
    QVERIFY(pulseA.playInto(QStringLiteral("mic"), arPlayed));
    // The recorder hands over what it holds only as it fills; quiet after the last burst
    // pushes that burst through.
    QTest::qWait(3000);
    const QVector<qint16> heard = PcmSignal::samples(pulseB.stopRecording());
    QVERIFY2(heard.size() > PcmSignal::RATE, "nothing recorded at B's speaker");
    QVERIFY2(PcmSignal::rms(heard) > 100, "B's speaker stayed silent");
    const double dPeak = PcmSignal::peakFrequency(heard, 300, 3000);
    QVERIFY2(std::abs(dPeak - kToneHz) <= 15, qPrintable(QString::number(dPeak)));
    QString strLevels;
    for (int i = 0; i + 800 <= heard.size(); i += 800)
        strLevels += QString::number(int(PcmSignal::rms(heard.mid(i, 800)))) + QLatin1Char(' ');
    QVERIFY2(countBursts(heard) == kBursts, qPrintable("levels per 100 ms: " + strLevels));

    // A hangs up; B is told and both clients live on.
    key(strWindowA, QStringLiteral("Escape"));
    QTRY_VERIFY_WITH_TIMEOUT(b->output().contains("call state 5 = 1000001"), 10000);
    QCOMPARE(a->process().state(), QProcess::Running);
    QCOMPARE(b->process().state(), QProcess::Running);
}

void TestCallsTwoClients::callConnectsWithoutAudioServer()
{
    const QString strNoServer = QStringLiteral("unix:/nonexistent/zephon-no-audio.sock");
    QString strWindowA;
    QString strWindowB;
    auto a = startClient(QStringLiteral("a"), strNoServer, strWindowA);
    QVERIFY(a);
    auto b = startClient(QStringLiteral("b"), strNoServer, strWindowB);
    QVERIFY(b);
    connectCall(*a, strWindowA, *b, strWindowB);
    // The call stays up for a while with nothing to capture or play.
    QTest::qWait(2000);
    QCOMPARE(a->process().state(), QProcess::Running);
    QCOMPARE(b->process().state(), QProcess::Running);
    key(strWindowB, QStringLiteral("Escape"));
    QTRY_VERIFY_WITH_TIMEOUT(a->output().contains("call state 5 = 1000002"), 10000);
    QCOMPARE(a->process().state(), QProcess::Running);
    QCOMPARE(b->process().state(), QProcess::Running);
}

QTEST_MAIN(TestCallsTwoClients)
#include "tst_callstwoclients.moc"
