// Throughput of the per-packet work: the field cipher, TCP frame reassembly and building a
// request through the packet layer.
#include <benchmark/benchmark.h>

#include "caes.h"
#include "cframebuffer.h"
#include "csessionstate.h"
#include "packint.h"
#include "protocol.h"

static void BM_EncryptBytes(benchmark::State &state)
{
    const QByteArray ar(int(state.range(0)), 'x');
    for (auto _ : state)
        benchmark::DoNotOptimize(encryptBytes(ar));
    state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_EncryptBytes)->Arg(16)->Arg(200)->Arg(4096);

static void BM_DecryptBytes(benchmark::State &state)
{
    const QByteArray ar = encryptBytes(QByteArray(int(state.range(0)), 'x'));
    for (auto _ : state)
        benchmark::DoNotOptimize(decryptBytes(ar));
    state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_DecryptBytes)->Arg(16)->Arg(200)->Arg(4096);

static void BM_FrameReassembly(benchmark::State &state)
{
    // 100 frames of 200 bytes arriving in reads of the given size.
    QByteArray arStream;
    for (int i = 0; i < 100; ++i)
        arStream += packUInt32(200).left(2) + QByteArray(200, char(i));
    const int iChunk = int(state.range(0));
    for (auto _ : state) {
        CFrameBuffer buffer;
        QByteArray arPacket;
        int n = 0;
        for (int iPos = 0; iPos < arStream.size(); iPos += iChunk) {
            buffer.append(arStream.mid(iPos, iChunk));
            while (buffer.takePacket(arPacket))
                ++n;
        }
        benchmark::DoNotOptimize(n);
    }
    state.SetBytesProcessed(state.iterations() * arStream.size());
}
BENCHMARK(BM_FrameReassembly)->Arg(1)->Arg(64)->Arg(1460);

static void BM_BuildLoginRequest(benchmark::State &state)
{
    sessionState().strLoginId = "1234567";
    sessionState().strLoginPassword = "secret";
    Protocol proto;
    int n = 0;
    QObject::connect(&proto, &Protocol::sig_sendProtocol, [&n](const QByteArray &) { ++n; });
    for (auto _ : state)
        proto.slot_onCreateProtocol(39, QByteArray());
    benchmark::DoNotOptimize(n);
}
BENCHMARK(BM_BuildLoginRequest);
