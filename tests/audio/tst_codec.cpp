// The G.729 codec on bytes: frame sizes, frames held back by voice activity detection, tones
// through encode and decode, and re-initialisation.
#include <QTest>

#include "cg729codec.h"
#include "pcmsignal.h"

namespace {

constexpr int FRAME = CSpeechCodec::FRAME_BYTES;
constexpr int CODED = CSpeechCodec::CODED_BYTES;
constexpr char SENTINEL = char(0xA5);

struct Encoded
{
    QList<int> results;
    QByteArray coded;
    // True when a frame that was not sent still wrote into the output.
    bool bWroteUnsent = false;
};

Encoded encodeAll(CSpeechCodec &codec, const QByteArray &arPcm)
{
    Encoded e;
    for (int i = 0; i + FRAME <= arPcm.size(); i += FRAME) {
        QByteArray out(CODED + 6, SENTINEL);
        const int r = codec.encodeFrame(arPcm.constData() + i, out.data());
        e.results << r;
        if (r == 1)
            e.coded += out.left(CODED);
        if (out.mid(r == 1 ? CODED : 0) != QByteArray(r == 1 ? 6 : CODED + 6, SENTINEL))
            e.bWroteUnsent = true;
    }
    return e;
}

QByteArray decodeAll(CSpeechCodec &codec, const QByteArray &arCoded)
{
    QByteArray pcm;
    for (int i = 0; i + CODED <= arCoded.size(); i += CODED) {
        QByteArray out(FRAME, '\0');
        codec.decodeFrame(arCoded.constData() + i, out.data());
        pcm += out;
    }
    return pcm;
}

} // namespace

class TestCodec : public QObject
{
    Q_OBJECT
private slots:
    void speechFrameSizes();
    void framesHeldBack_data();
    void framesHeldBack();
    void toneSurvives_data();
    void toneSurvives();
    void reinitialisationStartsAfresh();
    void uninitialisedCodecIsSilent();
};

void TestCodec::speechFrameSizes()
{
    CG729Codec codec;
    codec.initEncoder(1);
    codec.initDecoder();
    const QByteArray pcm = PcmSignal::tone(800, 10, 8000);
    QByteArray coded(CODED + 6, SENTINEL);
    QCOMPARE(codec.encodeFrame(pcm.constData(), coded.data()), 1);
    QCOMPARE(coded.mid(CODED), QByteArray(6, SENTINEL));
    QVERIFY(coded.left(CODED) != QByteArray(CODED, SENTINEL));

    QByteArray decoded(FRAME + 6, SENTINEL);
    codec.decodeFrame(coded.constData(), decoded.data());
    QCOMPARE(decoded.mid(FRAME), QByteArray(6, SENTINEL));
}

void TestCodec::framesHeldBack_data()
{
    QTest::addColumn<int>("iVad");
    QTest::addColumn<QByteArray>("pcm");
    QTest::addColumn<int>("iMinTailUnsent");

    // 2 s of digital silence, alone and after speech (where the encoder first sends silence
    // descriptions, then nothing); the last 100 frames must all be held back.
    const QByteArray silence = PcmSignal::silence(2000);
    QTest::newRow("silence, detection on") << 1 << silence << 100;
    QTest::newRow("speech then silence, detection on")
        << 1 << PcmSignal::tone(600, 500, 8000) + silence << 100;
    QTest::newRow("silence, detection off") << 0 << silence << 0;
}

void TestCodec::framesHeldBack()
{
    QFETCH(int, iVad);
    QFETCH(QByteArray, pcm);
    QFETCH(int, iMinTailUnsent);

    CG729Codec codec;
    codec.initEncoder(iVad);
    const Encoded e = encodeAll(codec, pcm);
    QVERIFY(!e.bWroteUnsent);
    QCOMPARE(e.results.size(), pcm.size() / FRAME);
    QCOMPARE(e.coded.size(), e.results.count(1) * CODED);
    const QList<int> tail = e.results.mid(e.results.size() - 100);
    if (iMinTailUnsent > 0)
        QCOMPARE(tail.count(0), iMinTailUnsent);
    else
        QCOMPARE(e.results.count(1), e.results.size());
}

void TestCodec::toneSurvives_data()
{
    QTest::addColumn<double>("dHz");
    for (double f : {400.0, 700.0, 1000.0, 1500.0, 2500.0})
        QTest::newRow(qPrintable(QString("%1 Hz").arg(f))) << f;
}

void TestCodec::toneSurvives()
{
    QFETCH(double, dHz);
    CG729Codec codec;
    codec.initEncoder(1);
    codec.initDecoder();
    const QByteArray input = PcmSignal::tone(dHz, 1000, 8000);
    const Encoded e = encodeAll(codec, input);
    QCOMPARE(e.results.count(1), e.results.size());

    // The first 200 ms let the coder's filters settle.
    const QVector<qint16> out = PcmSignal::samples(decodeAll(codec, e.coded).mid(20 * FRAME));
    const double dPeak = PcmSignal::peakFrequency(out, dHz - 200, dHz + 200);
    QVERIFY2(qAbs(dPeak - dHz) <= 15, qPrintable(QString("peak at %1 Hz").arg(dPeak)));
    QVERIFY2(PcmSignal::tonality(out, dPeak) > 0.5, "decoded tone is buried in other sound");
    const double dInRms = PcmSignal::rms(PcmSignal::samples(input));
    QVERIFY2(PcmSignal::rms(out) > 0.3 * dInRms,
             qPrintable(QString("output rms %1 of input %2").arg(PcmSignal::rms(out)).arg(dInRms)));
}

void TestCodec::reinitialisationStartsAfresh()
{
    const QByteArray pcm = PcmSignal::noise(100, 3000, 7) + PcmSignal::tone(900, 300, 6000);
    CG729Codec codec;
    codec.initEncoder(1);
    codec.initDecoder();
    const Encoded first = encodeAll(codec, pcm);
    const QByteArray firstPcm = decodeAll(codec, first.coded);
    QVERIFY(!first.coded.isEmpty());

    codec.initEncoder(1);
    codec.initDecoder();
    const Encoded second = encodeAll(codec, pcm);
    QCOMPARE(second.results, first.results);
    QCOMPARE(second.coded, first.coded);
    QCOMPARE(decodeAll(codec, second.coded), firstPcm);
}

void TestCodec::uninitialisedCodecIsSilent()
{
    CG729Codec codec;
    const QByteArray pcm = PcmSignal::tone(800, 10, 8000);
    QByteArray coded(CODED, SENTINEL);
    QCOMPARE(codec.encodeFrame(pcm.constData(), coded.data()), 0);
    QCOMPARE(coded, QByteArray(CODED, SENTINEL));

    QByteArray decoded(FRAME, SENTINEL);
    codec.decodeFrame(QByteArray(CODED, '\x11').constData(), decoded.data());
    QCOMPARE(decoded, QByteArray(FRAME, '\0'));
}

QTEST_GUILESS_MAIN(TestCodec)
#include "tst_codec.moc"
