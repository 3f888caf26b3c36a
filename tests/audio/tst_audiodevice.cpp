// The audio device and the voice path on real devices: a private PulseAudio whose null sinks
// stand in for the microphone and the loudspeaker. A tone played into the microphone goes
// through one voice manager, the relay and a second manager, and is measured at the speaker.
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include "caudio.h"
#include "caudiomanager.h"
#include "csessionstate.h"
#include "fakevoicerelay.h"
#include "pcmsignal.h"
#include "privatepulse.h"
#include "voiceendpoint.h"

namespace {

constexpr quint32 OWN_ZPID = 10001;
constexpr quint32 PEER_ZPID = 20002;

// The part of a recording louder than the silence of a null sink.
QVector<qint16> loudPart(const QByteArray &arPcm)
{
    QVector<qint16> out;
    const QVector<qint16> all = PcmSignal::samples(arPcm);
    for (int i = 0; i + 80 <= all.size(); i += 80) {
        const QVector<qint16> frame = all.mid(i, 80);
        if (PcmSignal::rms(frame) > 500)
            out += frame;
    }
    return out;
}

} // namespace

class TestAudioDevice : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void openReportsTheRequestedFormat();
    void openRejectsFormats_data();
    void openRejectsFormats();
    void startAndStopStates();
    void playoutKeepsTheNewest300Ms();
    void toneFromMicrophoneReachesPeerSpeaker();

private:
    QTemporaryDir m_dir;
    std::unique_ptr<PrivatePulse> m_pPulse;
};

void TestAudioDevice::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_pPulse = std::make_unique<PrivatePulse>();
    if (!m_pPulse->start(m_dir.path()))
        QSKIP(qPrintable("PulseAudio cannot start here: " + m_pPulse->errorString()));
    // Before the first use of the audio devices, which connects to the server once.
    qputenv("PULSE_SERVER", m_pPulse->serverAddress().toUtf8());
    sessionState().iZpid = OWN_ZPID;
}

void TestAudioDevice::openReportsTheRequestedFormat()
{
    CAudio audio;
    QCOMPARE(audio.open(8000, 1, 16), CBaseAudio::OPEN_OK);
    QVERIFY(audio.isOpened());
    for (bool bOutput : {false, true}) {
        const AudioFormatInfo info = audio.deviceInfo(bOutput);
        QVERIFY(!info.strDeviceName.isEmpty());
        QCOMPARE(info.strCodec, QStringLiteral("pcm"));
        QCOMPARE(info.iFrequency, 8000);
        QCOMPARE(info.iChannels, 1);
        QCOMPARE(info.iSampleSize, 16);
    }
    QVERIFY(audio.deviceInfo(false).strDeviceName != audio.deviceInfo(true).strDeviceName);
}

void TestAudioDevice::openRejectsFormats_data()
{
    QTest::addColumn<int>("iFrequency");
    QTest::addColumn<int>("iChannels");
    QTest::addColumn<int>("iSampleSize");
    QTest::newRow("24-bit samples") << 8000 << 1 << 24;
    QTest::newRow("no frequency") << 0 << 1 << 16;
    QTest::newRow("no channels") << 8000 << 0 << 16;
}

void TestAudioDevice::openRejectsFormats()
{
    QFETCH(int, iFrequency);
    QFETCH(int, iChannels);
    QFETCH(int, iSampleSize);
    CAudio audio;
    QCOMPARE(audio.open(8000, 1, 16), CBaseAudio::OPEN_OK);
    // A failed open also tears down what an earlier open made.
    QCOMPARE(audio.open(iFrequency, iChannels, iSampleSize), CBaseAudio::OPEN_FAILED);
    QVERIFY(!audio.isOpened());
    QVERIFY(!audio.start(1));
    QCOMPARE(audio.play("\0\0\0\0", 4), 0);
}

void TestAudioDevice::startAndStopStates()
{
    CAudio audio;
    QVERIFY(!audio.start(1));
    QCOMPARE(audio.open(8000, 1, 16), CBaseAudio::OPEN_OK);
    QVERIFY(!audio.isStarted());
    QVERIFY(audio.start(1));
    QVERIFY(audio.start(1));
    QVERIFY(audio.isStarted());
    audio.stop();
    audio.stop();
    QVERIFY(!audio.isStarted());
    QVERIFY(audio.isOpened());
    QVERIFY(audio.start(1));
    audio.close();
    QVERIFY(!audio.isOpened());
    QVERIFY(!audio.isStarted());
    QVERIFY(!audio.start(1));
}

void TestAudioDevice::playoutKeepsTheNewest300Ms()
{
    CAudio audio;
    QCOMPARE(audio.open(8000, 1, 16), CBaseAudio::OPEN_OK);
    // Stopped: play only queues, and the queue holds 300 ms.
    const QByteArray second = PcmSignal::tone(500, 1000, 8000);
    QCOMPARE(audio.play(second.constData(), int(second.size())), int(second.size()));
    QCOMPARE(audio.queuedBytes(), 4800);
    QVERIFY(audio.start(1));
    QCOMPARE(audio.queuedBytes(), 0);

    // Started: 700 ms of one tone then 300 ms of another in one go; only the newest 300 ms
    // may reach the speaker.
    QVERIFY(m_pPulse->startRecording("spk.monitor"));
    QTest::qWait(300);
    const QByteArray pcm = PcmSignal::tone(500, 700, 8000) + PcmSignal::tone(1200, 300, 8000);
    audio.play(pcm.constData(), int(pcm.size()));
    QVERIFY(audio.queuedBytes() <= 4800);
    QTRY_COMPARE_WITH_TIMEOUT(audio.queuedBytes(), 0, 5000);
    QTest::qWait(800);
    const QVector<qint16> heard = loudPart(m_pPulse->stopRecording());
    QVERIFY2(heard.size() >= 1600, qPrintable(QString("%1 loud samples").arg(heard.size())));
    QVERIFY2(heard.size() <= 2800, qPrintable(QString("%1 loud samples").arg(heard.size())));
    const double dPeak = PcmSignal::peakFrequency(heard, 300, 1500);
    QVERIFY2(qAbs(dPeak - 1200) <= 15, qPrintable(QString("heard %1 Hz").arg(dPeak)));
}

void TestAudioDevice::toneFromMicrophoneReachesPeerSpeaker()
{
    FakeVoiceRelay relay;
    QVERIFY(relay.listen());
    VoiceEndpoint endA(relay.port());
    VoiceEndpoint endB(relay.port());
    // One way only: B also hears the microphone, and its voice must not play a second copy
    // of the tone on the shared speaker.
    relay.addParty(PEER_ZPID, endB.localPort());

    CAudioManager managerA;
    CAudioManager managerB;
    managerA.setPeer(endA.socket(), PEER_ZPID);
    managerB.setPeer(endB.socket(), OWN_ZPID);
    endA.attach(&managerA);
    endB.attach(&managerB);

    QVERIFY(m_pPulse->startRecording("spk.monitor"));
    QTest::qWait(300);
    const QByteArray tone = PcmSignal::tone(800, 1500, 8000);
    QVERIFY(m_pPulse->playInto("mic", tone));
    QTRY_VERIFY_WITH_TIMEOUT(endB.received() > 10, 5000);
    QTest::qWait(800);
    const QVector<qint16> heard = loudPart(m_pPulse->stopRecording());

    // 1.5 s of tone were played; a loaded machine stalls the event loop and the capped
    // playout queue then drops the oldest audio, so a quarter second is the floor.
    QVERIFY2(heard.size() >= 2000, qPrintable(QString("%1 loud samples").arg(heard.size())));
    const double dPeak = PcmSignal::peakFrequency(heard, 300, 1500);
    QVERIFY2(qAbs(dPeak - 800) <= 15, qPrintable(QString("heard %1 Hz").arg(dPeak)));
    QVERIFY(PcmSignal::tonality(heard, dPeak) > 0.3);
    QCOMPARE(relay.offLayoutSizes(), QList<int>());
}

QTEST_GUILESS_MAIN(TestAudioDevice)
#include "tst_audiodevice.moc"
