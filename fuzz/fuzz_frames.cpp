// Arbitrary bytes, cut into reads as the input itself says, through the TCP frame reassembly.
#include <cstddef>
#include <cstdint>

#include "cframebuffer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pData, size_t iSize)
{
    if (iSize == 0)
        return 0;
    // The first byte is the read size; the rest is the stream.
    const int iChunk = 1 + pData[0];
    const QByteArray arStream(reinterpret_cast<const char *>(pData + 1), int(iSize - 1));
    CFrameBuffer buffer;
    int iConsumed = 0;
    for (int iPos = 0; iPos < arStream.size(); iPos += iChunk) {
        buffer.append(arStream.mid(iPos, iChunk));
        QByteArray arPacket;
        while (buffer.takePacket(arPacket))
            iConsumed += 2 + int(arPacket.size());
        if (buffer.pending() > 65536 + iChunk)
            __builtin_trap();
    }
    // Every byte is either in a delivered frame or still waiting.
    if (iConsumed + buffer.pending() != arStream.size())
        __builtin_trap();
    return 0;
}
