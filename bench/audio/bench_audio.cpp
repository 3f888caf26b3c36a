// The voice path's work per 60 ms: one captured block encoded and sent as a datagram, and one
// received full datagram decoded and queued. The codec per 10 ms frame runs beside the same
// library calls made directly, so the wrapper's own cost shows.
#include <benchmark/benchmark.h>

#include <QRandomGenerator>
#include <QtEndian>

#include <cmath>
#include <memory>

#include "caudiomanager.h"
#include "cbaseaudio.h"
#include "cg729codec.h"
#include "recordingsocket.h"

extern "C" {
#include <bcg729/decoder.h>
#include <bcg729/encoder.h>
}

namespace {

constexpr int FRAME = CSpeechCodec::FRAME_BYTES;

// A voice-like test signal: a pitch that glides and a syllable-rate loudness, over a little
// noise. Steady tones would soon count as background to the voice activity detector.
QByteArray speech(int iFrames)
{
    QRandomGenerator random(5);
    QByteArray ar(iFrames * FRAME, '\0');
    double dPhase = 0;
    for (int i = 0; i < iFrames * FRAME / 2; ++i) {
        const double t = double(i) / 8000.0;
        dPhase += 2 * M_PI * (180 + 120 * std::sin(2 * M_PI * 1.7 * t)) / 8000.0;
        const double dLoud = 0.35 + 0.65 * std::fabs(std::sin(2 * M_PI * 2.3 * t));
        const double dVoice =
            std::sin(dPhase) + 0.5 * std::sin(3 * dPhase) + 0.25 * std::sin(5 * dPhase);
        const auto s = qint16(5000 * dLoud * dVoice + random.bounded(600) - 300);
        qToLittleEndian(s, ar.data() + 2 * i);
    }
    return ar;
}

// A device that queues what it is given to play, as an output would, and captures on demand.
class BenchAudio : public CBaseAudio
{
public:
    int open(int, int, int) override { return OPEN_OK; }
    bool start(int) override { return true; }
    int play(const char *data, int length) override
    {
        m_arQueue.append(data, length);
        if (m_arQueue.size() > 4800)
            m_arQueue.remove(0, m_arQueue.size() - 4800);
        return length;
    }
    void capture(QByteArray &arPcm)
    {
        notifyRecData(reinterpret_cast<unsigned char *>(arPcm.data()), ulong(arPcm.size()));
    }

private:
    QByteArray m_arQueue;
};

void BM_VoiceBlockSendAndReceive(benchmark::State &state)
{
    auto audio = std::make_unique<BenchAudio>();
    BenchAudio *pAudio = audio.get();
    CAudioManager manager(std::move(audio), std::make_unique<CG729Codec>());
    RecordingSocket socket;
    manager.setPeer(&socket, 20002);

    // A full received datagram: header, mask 0x3F and six coded frames of real speech.
    CG729Codec coder;
    coder.initEncoder(1);
    const QByteArray pcm = speech(6 * 50);
    QByteArray datagram("\x05\x11\x27\x00\x00\x21\x4e\x00\x00\x06\x01\x01\x3f", 13);
    char coded[CSpeechCodec::CODED_BYTES];
    for (int i = 0; i < 6 * 49; ++i)
        coder.encodeFrame(pcm.constData() + i * FRAME, coded);
    for (int i = 6 * 49; i < 6 * 50; ++i) {
        coder.encodeFrame(pcm.constData() + i * FRAME, coded);
        datagram.append(coded, CSpeechCodec::CODED_BYTES);
    }

    int iBlock = 0;
    qint64 iSent = 0;
    for (auto _ : state) {
        QByteArray block = pcm.mid((iBlock++ % 50) * 6 * FRAME, 6 * FRAME);
        pAudio->capture(block);
        manager.recvAudio(datagram);
        iSent += socket.writes.isEmpty() ? 0 : socket.writes.first().arData.size();
        socket.writes.clear();
    }
    state.counters["sent bytes/block"] =
        benchmark::Counter(double(iSent) / double(state.iterations()));
}
BENCHMARK(BM_VoiceBlockSendAndReceive)->Unit(benchmark::kMicrosecond);

void BM_EncodeFrame(benchmark::State &state)
{
    const QByteArray pcm = speech(100);
    CG729Codec codec;
    codec.initEncoder(1);
    char out[CSpeechCodec::CODED_BYTES];
    int i = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(codec.encodeFrame(pcm.constData() + (i++ % 100) * FRAME, out));
}
BENCHMARK(BM_EncodeFrame)->Unit(benchmark::kMicrosecond);

void BM_EncodeFrameDirect(benchmark::State &state)
{
    const QByteArray pcm = speech(100);
    bcg729EncoderChannelContextStruct *pEncoder = initBcg729EncoderChannel(1);
    uint8_t out[CSpeechCodec::CODED_BYTES];
    uint8_t iLength = 0;
    int i = 0;
    for (auto _ : state) {
        bcg729Encoder(pEncoder,
                      reinterpret_cast<const int16_t *>(pcm.constData() + (i++ % 100) * FRAME), out,
                      &iLength);
        benchmark::DoNotOptimize(iLength);
    }
    closeBcg729EncoderChannel(pEncoder);
}
BENCHMARK(BM_EncodeFrameDirect)->Unit(benchmark::kMicrosecond);

QByteArray codedSpeech()
{
    const QByteArray pcm = speech(100);
    CG729Codec codec;
    codec.initEncoder(0);
    QByteArray coded(100 * CSpeechCodec::CODED_BYTES, '\0');
    for (int i = 0; i < 100; ++i)
        codec.encodeFrame(pcm.constData() + i * FRAME,
                          coded.data() + i * CSpeechCodec::CODED_BYTES);
    return coded;
}

void BM_DecodeFrame(benchmark::State &state)
{
    const QByteArray coded = codedSpeech();
    CG729Codec codec;
    codec.initDecoder();
    char out[FRAME];
    int i = 0;
    for (auto _ : state) {
        codec.decodeFrame(coded.constData() + (i++ % 100) * CSpeechCodec::CODED_BYTES, out);
        benchmark::DoNotOptimize(out);
    }
}
BENCHMARK(BM_DecodeFrame)->Unit(benchmark::kMicrosecond);

void BM_DecodeFrameDirect(benchmark::State &state)
{
    const QByteArray coded = codedSpeech();
    bcg729DecoderChannelContextStruct *pDecoder = initBcg729DecoderChannel();
    int16_t out[FRAME / 2];
    int i = 0;
    for (auto _ : state) {
        bcg729Decoder(pDecoder,
                      reinterpret_cast<const uint8_t *>(coded.constData() +
                                                        (i++ % 100) * CSpeechCodec::CODED_BYTES),
                      CSpeechCodec::CODED_BYTES, 0, 0, 0, out);
        benchmark::DoNotOptimize(out);
    }
    closeBcg729DecoderChannel(pDecoder);
}
BENCHMARK(BM_DecodeFrameDirect)->Unit(benchmark::kMicrosecond);

} // namespace
