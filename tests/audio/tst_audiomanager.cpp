// The voice manager over scripted devices: datagram layout both ways, block cutting, the
// keep-alive and the watchdog with short timers, and two managers talking through a relay on
// loopback with the real codec.
#include <QElapsedTimer>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>
#include <QtEndian>

#include <memory>

#include "caudiomanager.h"
#include "cg729codec.h"
#include "csessionstate.h"
#include "fakevoicerelay.h"
#include "pcmsignal.h"
#include "recordingsocket.h"
#include "scriptedaudio.h"
#include "voiceendpoint.h"

namespace {

constexpr quint32 OWN_ZPID = 10001;
constexpr quint32 PEER_ZPID = 20002;
constexpr int FRAME = CSpeechCodec::FRAME_BYTES;
constexpr int CODED = CSpeechCodec::CODED_BYTES;

// A frame is speech when its first byte is not zero; its coded form is ten copies of that
// byte, and decoding fills the whole slot with the first coded byte. Slots and frames can
// then be told apart in the bytes.
class ScriptedCodec : public CSpeechCodec
{
public:
    void initEncoder(int) override {}
    void initDecoder() override {}
    int encodeFrame(const void *pcm, char *out) override
    {
        const char tag = *static_cast<const char *>(pcm);
        if (tag == 0)
            return 0;
        memset(out, tag, CODED);
        return 1;
    }
    void decodeFrame(const char *in, void *pcm) override { memset(pcm, in[0], FRAME); }
};

QByteArray framesOf(const QList<int> &tags)
{
    QByteArray ar;
    for (int tag : tags)
        ar += QByteArray(FRAME, char(tag));
    return ar;
}

QByteArray header(quint32 iSender, quint32 iReceiver, quint8 iMask)
{
    QByteArray ar(1, char(5));
    char zpid[4];
    qToLittleEndian(iSender, zpid);
    ar.append(zpid, 4);
    qToLittleEndian(iReceiver, zpid);
    ar.append(zpid, 4);
    ar.append(char(6)).append(char(1)).append(char(1)).append(char(iMask));
    return ar;
}

struct Fixture
{
    ScriptedAudio *pAudio;
    std::unique_ptr<CAudioManager> pManager;
    RecordingSocket socket;

    explicit Fixture(int openResult = CBaseAudio::OPEN_OK, bool bRealCodec = false)
    {
        auto audio = std::make_unique<ScriptedAudio>(openResult);
        pAudio = audio.get();
        std::unique_ptr<CSpeechCodec> codec;
        if (bRealCodec)
            codec = std::make_unique<CG729Codec>();
        else
            codec = std::make_unique<ScriptedCodec>();
        pManager = std::make_unique<CAudioManager>(std::move(audio), std::move(codec));
        pManager->setPeer(&socket, PEER_ZPID);
    }
};

// A burst seen at the receiver: the blocks played less than this far apart in time.
constexpr qint64 BURST_GAP_MS = 120;

struct Burst
{
    QVector<qint16> samples;
    qint64 iFirstPlayed = 0;
};

QList<Burst> loudBursts(const ScriptedAudio &audio)
{
    QList<Burst> bursts;
    qint64 iLast = -1;
    for (int i = 0; i < audio.played.size(); ++i) {
        const QVector<qint16> s = PcmSignal::samples(audio.played[i]);
        if (PcmSignal::rms(s) < 1000)
            continue;
        if (bursts.isEmpty() || audio.playedAt[i] - iLast > BURST_GAP_MS)
            bursts << Burst{{}, audio.playedAt[i]};
        bursts.last().samples += s;
        iLast = audio.playedAt[i];
    }
    return bursts;
}

} // namespace

class TestAudioManager : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void sendLayout_data();
    void sendLayout();
    void natAddressIsUsed();
    void mutedMicrophoneSendsNoSpeech();
    void deliveriesAreCutIntoBlocks_data();
    void deliveriesAreCutIntoBlocks();
    void receiveLayout_data();
    void receiveLayout();
    void keepAliveAfterSilentBlocks();
    void keepAliveWithoutCapture_data();
    void keepAliveWithoutCapture();
    void watchdogReportsOnceAndOwnerDeletesLater();
    void watchdogQuietWhileVoiceArrives();
    void watchdogIdleUntilFirstDatagram();
    void twoManagersThroughRelay();
};

void TestAudioManager::initTestCase()
{
    sessionState().iZpid = OWN_ZPID;
}

void TestAudioManager::sendLayout_data()
{
    QTest::addColumn<QList<int>>("tags");
    QTest::addColumn<int>("iMask");

    QTest::newRow("third and fifth") << QList<int>{0, 0, 3, 0, 5, 0} << 0x0A;
    QTest::newRow("all six") << QList<int>{1, 2, 3, 4, 5, 6} << 0x3F;
    QTest::newRow("first only") << QList<int>{7, 0, 0, 0, 0, 0} << 0x20;
    QTest::newRow("sixth only") << QList<int>{0, 0, 0, 0, 0, 9} << 0x01;
    QTest::newRow("no speech") << QList<int>{0, 0, 0, 0, 0, 0} << -1;
}

void TestAudioManager::sendLayout()
{
    QFETCH(QList<int>, tags);
    QFETCH(int, iMask);
    Fixture f;
    QCOMPARE(f.pAudio->openedWith, (QList<int>{8000, 1, 16}));
    QVERIFY(f.pAudio->isStarted());
    f.pAudio->deliver(framesOf(tags));
    if (iMask < 0) {
        QVERIFY(f.socket.writes.isEmpty());
        return;
    }
    QCOMPARE(f.socket.writes.size(), 1);
    QByteArray expected = header(OWN_ZPID, PEER_ZPID, quint8(iMask));
    for (int tag : tags) {
        if (tag)
            expected += QByteArray(CODED, char(tag));
    }
    const RecordingSocket::Write &w = f.socket.writes.first();
    QCOMPARE(w.arData.toHex(' '), expected.toHex(' '));
    QCOMPARE(w.arData.size(), 13 + 10 * int(tags.size() - tags.count(0)));
    QVERIFY(w.strHost.isEmpty());
    QCOMPARE(w.iPort, quint16(0));
}

void TestAudioManager::mutedMicrophoneSendsNoSpeech()
{
    Fixture f;
    f.pManager->setMuted(true);
    f.pAudio->deliver(framesOf({1, 2, 3, 4, 5, 6}));
    // Silence only: no speech frame leaves, though the block was taken.
    for (const RecordingSocket::Write &w : std::as_const(f.socket.writes))
        QCOMPARE(w.arData.size(), 13);
    f.pManager->setMuted(false);
    f.pAudio->deliver(framesOf({1, 2, 3, 4, 5, 6}));
    QVERIFY(!f.socket.writes.isEmpty());
    QCOMPARE(f.socket.writes.last().arData.size(), 13 + 6 * CODED);
}

void TestAudioManager::natAddressIsUsed()
{
    Fixture f;
    f.pManager->onNatAddr(QStringLiteral("192.0.2.7"), 6100);
    f.pAudio->deliver(framesOf({1, 1, 1, 1, 1, 1}));
    QCOMPARE(f.socket.writes.size(), 1);
    QCOMPARE(f.socket.writes.first().strHost, QStringLiteral("192.0.2.7"));
    QCOMPARE(f.socket.writes.first().iPort, quint16(6100));
}

void TestAudioManager::deliveriesAreCutIntoBlocks_data()
{
    QTest::addColumn<QList<int>>("sizes");
    QTest::addColumn<int>("iBlocks");

    QTest::newRow("one block") << QList<int>{960} << 1;
    QTest::newRow("1000 bytes leave 40") << QList<int>{1000} << 1;
    QTest::newRow("1000 then 920") << QList<int>{1000, 920} << 2;
    QTest::newRow("5000 at once") << QList<int>{5000} << 5;
    QTest::newRow("4096 twice") << QList<int>{4096, 4096} << 8;
    QTest::newRow("thirty of 100") << QList<int>(30, 100) << 3;
}

void TestAudioManager::deliveriesAreCutIntoBlocks()
{
    QFETCH(QList<int>, sizes);
    QFETCH(int, iBlocks);
    Fixture f;
    // Every frame carries its own number, so a lost, doubled or reordered byte shows.
    int iTotal = 0;
    for (int n : sizes)
        iTotal += n;
    QList<int> tags;
    for (int i = 0; i * FRAME < iTotal + FRAME; ++i)
        tags << 1 + i % 250;
    const QByteArray stream = framesOf(tags).left(iTotal);
    int iPos = 0;
    for (int n : sizes) {
        f.pAudio->deliver(stream.mid(iPos, n));
        iPos += n;
    }
    QCOMPARE(f.socket.writes.size(), iBlocks);
    for (int b = 0; b < iBlocks; ++b) {
        const QByteArray &ar = f.socket.writes[b].arData;
        QCOMPARE(ar.size(), 73);
        for (int k = 0; k < 6; ++k)
            QCOMPARE(int(quint8(ar.at(13 + 10 * k))), tags[b * 6 + k]);
    }
}

void TestAudioManager::receiveLayout_data()
{
    QTest::addColumn<QByteArray>("datagram");
    QTest::addColumn<QByteArray>("played");

    const QByteArray silentSlot(FRAME, '\0');
    auto slot = [](char c) { return QByteArray(FRAME, c); };
    QTest::newRow("mask 0x21, two frames")
        << header(PEER_ZPID, OWN_ZPID, 0x21) + QByteArray(CODED, 0x11) + QByteArray(CODED, 0x22)
        << slot(0x11) + silentSlot.repeated(4) + slot(0x22);
    QTest::newRow("keep-alive") << header(PEER_ZPID, OWN_ZPID, 0) << silentSlot.repeated(6);
    QTest::newRow("bit 0x04 without its frame")
        << header(PEER_ZPID, OWN_ZPID, 0x04) << silentSlot.repeated(6);
    QTest::newRow("six bits, two frames and a half")
        << header(PEER_ZPID, OWN_ZPID, 0x3F) + QByteArray(CODED, 0x31) + QByteArray(CODED, 0x32) +
               QByteArray(5, 0x33)
        << slot(0x31) + slot(0x32) + silentSlot.repeated(4);
    QTest::newRow("upper mask bits ignored")
        << header(PEER_ZPID, OWN_ZPID, 0xC1) + QByteArray(CODED, 0x44)
        << silentSlot.repeated(5) + slot(0x44);
    QTest::newRow("shorter than the header")
        << QByteArray("\x05\x01\x02", 3) << silentSlot.repeated(6);
}

void TestAudioManager::receiveLayout()
{
    QFETCH(QByteArray, datagram);
    QFETCH(QByteArray, played);
    Fixture f;
    f.pManager->recvAudio(datagram);
    QCOMPARE(f.pAudio->played.size(), 1);
    QCOMPARE(f.pAudio->played.first().size(), 960);
    QCOMPARE(f.pAudio->played.first().toHex(), played.toHex());
}

void TestAudioManager::keepAliveAfterSilentBlocks()
{
    Fixture f;
    f.pManager->setKeepAliveInterval(150);
    // Long enough that the idle-capture tick stays out of this test.
    f.pManager->setCheckInterval(60000);
    const QByteArray silent = framesOf(QList<int>(6, 0));
    f.pAudio->deliver(silent);
    QVERIFY(f.socket.writes.isEmpty());

    QTest::qWait(200);
    f.pAudio->deliver(framesOf({1, 1, 1, 1, 1, 1}));
    QCOMPARE(f.socket.writes.size(), 1);
    // Speech did not restart the keep-alive clock: the next silent block sends one.
    f.pAudio->deliver(silent);
    QCOMPARE(f.socket.writes.size(), 2);
    QCOMPARE(f.socket.writes.last().arData.toHex(), header(OWN_ZPID, PEER_ZPID, 0).toHex());
    f.pAudio->deliver(silent);
    QCOMPARE(f.socket.writes.size(), 2);
}

void TestAudioManager::keepAliveWithoutCapture_data()
{
    QTest::addColumn<int>("iOpenResult");
    QTest::newRow("device open, microphone silent") << int(CBaseAudio::OPEN_OK);
    QTest::newRow("no audio device") << int(CBaseAudio::OPEN_FAILED);
}

void TestAudioManager::keepAliveWithoutCapture()
{
    QFETCH(int, iOpenResult);
    Fixture f(iOpenResult);
    f.pManager->setKeepAliveInterval(100);
    f.pManager->setCheckInterval(20);
    QElapsedTimer clock;
    clock.start();
    QTRY_VERIFY_WITH_TIMEOUT(f.socket.writes.size() >= 3, 5000);
    // Three keep-alives need at least three intervals: they are paced, not a burst.
    QVERIFY2(clock.elapsed() >= 300, qPrintable(QString::number(clock.elapsed())));
    for (const RecordingSocket::Write &w : f.socket.writes)
        QCOMPARE(w.arData.toHex(), header(OWN_ZPID, PEER_ZPID, 0).toHex());

    // Received voice without an output device is dropped, not queued.
    f.pManager->recvAudio(header(PEER_ZPID, OWN_ZPID, 0));
    QCOMPARE(f.pAudio->played.size(), iOpenResult == CBaseAudio::OPEN_OK ? 1 : 0);
}

void TestAudioManager::watchdogReportsOnceAndOwnerDeletesLater()
{
    Fixture f;
    CAudioManager *pManager = f.pManager.release();
    QPointer<CAudioManager> guard(pManager);
    pManager->setSilenceTimeout(100);
    pManager->setCheckInterval(20);
    QSignalSpy spy(pManager, &CAudioManager::audioStop);
    connect(pManager, &CAudioManager::audioStop, pManager, &QObject::deleteLater);
    pManager->recvAudio(header(PEER_ZPID, OWN_ZPID, 0));
    QTRY_VERIFY_WITH_TIMEOUT(guard.isNull(), 5000);
    QCOMPARE(spy.count(), 1);
}

void TestAudioManager::watchdogQuietWhileVoiceArrives()
{
    Fixture f;
    f.pManager->setSilenceTimeout(150);
    f.pManager->setCheckInterval(20);
    QSignalSpy spy(f.pManager.get(), &CAudioManager::audioStop);
    for (int i = 0; i < 10; ++i) {
        f.pManager->recvAudio(header(PEER_ZPID, OWN_ZPID, 0));
        QTest::qWait(50);
    }
    QCOMPARE(spy.count(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(spy.count(), 1, 5000);
    QTest::qWait(200);
    QCOMPARE(spy.count(), 1);
}

void TestAudioManager::watchdogIdleUntilFirstDatagram()
{
    Fixture f;
    f.pManager->setSilenceTimeout(50);
    f.pManager->setCheckInterval(10);
    QSignalSpy spy(f.pManager.get(), &CAudioManager::audioStop);
    QTest::qWait(300);
    QCOMPARE(spy.count(), 0);
}

void TestAudioManager::twoManagersThroughRelay()
{
    FakeVoiceRelay relay;
    QVERIFY(relay.listen());
    VoiceEndpoint endA(relay.port());
    VoiceEndpoint endB(relay.port());
    relay.addParty(OWN_ZPID, endA.localPort());
    relay.addParty(PEER_ZPID, endB.localPort());

    auto audioA = std::make_unique<ScriptedAudio>();
    auto audioB = std::make_unique<ScriptedAudio>();
    ScriptedAudio *pA = audioA.get();
    ScriptedAudio *pB = audioB.get();
    CAudioManager managerA(std::move(audioA), std::make_unique<CG729Codec>());
    CAudioManager managerB(std::move(audioB), std::make_unique<CG729Codec>());
    managerA.setPeer(endA.socket(), PEER_ZPID);
    managerB.setPeer(endB.socket(), OWN_ZPID);
    endA.attach(&managerA);
    endB.attach(&managerB);

    // A noise lead-in, then tone bursts separated by silence.
    const QList<double> freqs{700, 1000, 800, 950, 850};
    QByteArray signal = PcmSignal::noise(400, 4000, 11) + PcmSignal::silence(300);
    QList<int> onsets;
    for (double f : freqs) {
        onsets << int(signal.size());
        signal += PcmSignal::tone(f, 240, 8000) + PcmSignal::silence(360);
    }

    // Delivered at the pace of a microphone, in 20 ms reads; a burst is due when its first
    // sample would have been spoken.
    constexpr int CHUNK = 320;
    const qint64 iStart = ScriptedAudio::nowMs();
    int iPos = 0;
    while (iPos < signal.size()) {
        const int iDue = int(qMin<qint64>((ScriptedAudio::nowMs() - iStart) * 16, signal.size()));
        for (; iPos + CHUNK <= iDue || (iDue == signal.size() && iPos < iDue); iPos += CHUNK)
            pA->deliver(signal.mid(iPos, CHUNK));
        QTest::qWait(5);
    }
    QTest::qWait(300);

    const QList<QByteArray> &sent = relay.datagrams();
    QVERIFY(!sent.isEmpty());
    QCOMPARE(relay.offLayoutSizes(), QList<int>());
    // The silence between bursts is mostly not sent.
    QVERIFY2(sent.size() < signal.size() / 960,
             qPrintable(
                 QString("%1 datagrams for %2 blocks").arg(sent.size()).arg(signal.size() / 960)));

    QList<Burst> tones;
    for (const Burst &b : loudBursts(*pB)) {
        const double dPeak = PcmSignal::peakFrequency(b.samples, 500, 1200);
        if (PcmSignal::tonality(b.samples, dPeak) > 0.5)
            tones << b;
    }
    QCOMPARE(tones.size(), freqs.size());
    for (int i = 0; i < tones.size(); ++i) {
        const double dPeak = PcmSignal::peakFrequency(tones[i].samples, 500, 1200);
        QVERIFY2(
            qAbs(dPeak - freqs[i]) <= 15,
            qPrintable(QString("burst %1: %2 Hz, sent %3 Hz").arg(i).arg(dPeak).arg(freqs[i])));
        const qint64 iDelay = tones[i].iFirstPlayed - (iStart + onsets[i] / 16);
        QVERIFY2(iDelay >= 0 && iDelay < 300,
                 qPrintable(QString("burst %1 delayed %2 ms").arg(i).arg(iDelay)));
        qInfo("burst %d: %.0f Hz, %lld ms", i, dPeak, iDelay);
    }
}

QTEST_GUILESS_MAIN(TestAudioManager)
#include "tst_audiomanager.moc"
