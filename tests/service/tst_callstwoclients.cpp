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
#include "xvfbclient.h"
#include "zephondprocess.h"

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
    // A client in a folder of its own with the audio server strPulse; null when it did not
    // start or show its window.
    std::unique_ptr<XvfbClient> startClient(const QString &strName, const QString &strPulse);
    void type(const XvfbClient &client, const QString &strText);
    void key(const XvfbClient &client, const QString &strKey);
    // A (1000001) calls B (1000002) and B answers; both report the call connected.
    void connectCall(XvfbClient &a, XvfbClient &b);

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

std::unique_ptr<XvfbClient> TestCallsTwoClients::startClient(const QString &strName,
                                                             const QString &strPulse)
{
    auto client = std::make_unique<XvfbClient>(m_display);
    client->setEnvironment(QStringLiteral("PULSE_SERVER"), strPulse);
    if (!client->start(m_dir.filePath(QStringLiteral("%1-%2").arg(strName).arg(++m_iRun)))) {
        qWarning() << client->errorText();
        return nullptr;
    }
    return client;
}

void TestCallsTwoClients::type(const XvfbClient &client, const QString &strText)
{
    QVERIFY(client.focus());
    QVERIFY(client.type(strText));
}

void TestCallsTwoClients::key(const XvfbClient &client, const QString &strKey)
{
    QVERIFY(client.focus());
    QVERIFY(client.key(strKey));
}

void TestCallsTwoClients::connectCall(XvfbClient &a, XvfbClient &b)
{
    QVERIFY(a.signIn(QStringLiteral("1000001"), QString::fromLatin1(kPassword)));
    QVERIFY(b.signIn(QStringLiteral("1000002"), QString::fromLatin1(kPassword)));
    QTRY_VERIFY_WITH_TIMEOUT(a.output().contains("login result = 0"), 20000);
    QTRY_VERIFY_WITH_TIMEOUT(b.output().contains("login result = 0"), 20000);
    // The main screen opens on the call tab with the dial pad's field focused.
    QTest::qWait(1500);
    type(a, QStringLiteral("1000002"));
    key(a, QStringLiteral("Return"));
    QTRY_VERIFY_WITH_TIMEOUT(a.output().contains("call state 11 = 1000002"), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(b.output().contains("call state 1 = 1000001"), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(a.output().contains("call state 7 = 1000002"), 10000);
    QTest::qWait(500);
    key(b, QStringLiteral("Return"));
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
    auto a = startClient(QStringLiteral("a"), pulseA.serverAddress());
    QVERIFY(a);
    auto b = startClient(QStringLiteral("b"), pulseB.serverAddress());
    QVERIFY(b);
    connectCall(*a, *b);

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
    key(*a, QStringLiteral("Escape"));
    QTRY_VERIFY_WITH_TIMEOUT(b->output().contains("call state 5 = 1000001"), 10000);
    QCOMPARE(a->process().state(), QProcess::Running);
    QCOMPARE(b->process().state(), QProcess::Running);
}

void TestCallsTwoClients::callConnectsWithoutAudioServer()
{
    const QString strNoServer = QStringLiteral("unix:/nonexistent/zephon-no-audio.sock");
    auto a = startClient(QStringLiteral("a"), strNoServer);
    QVERIFY(a);
    auto b = startClient(QStringLiteral("b"), strNoServer);
    QVERIFY(b);
    connectCall(*a, *b);
    // The call stays up for a while with nothing to capture or play.
    QTest::qWait(2000);
    QCOMPARE(a->process().state(), QProcess::Running);
    QCOMPARE(b->process().state(), QProcess::Running);
    key(*b, QStringLiteral("Escape"));
    QTRY_VERIFY_WITH_TIMEOUT(a->output().contains("call state 5 = 1000002"), 10000);
    QCOMPARE(a->process().state(), QProcess::Running);
    QCOMPARE(b->process().state(), QProcess::Running);
}

QTEST_MAIN(TestCallsTwoClients)
#include "tst_callstwoclients.moc"
