// Arbitrary packets through the field reader and the field cipher. The first byte picks the
// sequence of reads, so every field type meets every kind of truncation.
#include <cstddef>
#include <cstdint>

#include "caes.h"
#include "cfieldreader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pData, size_t iSize)
{
    if (iSize == 0)
        return 0;
    const QByteArray arPacket(reinterpret_cast<const char *>(pData + 1), int(iSize - 1));
    unsigned iScript = pData[0];
    CFieldReader reader(arPacket);
    for (int i = 0; i < 8 && !reader.atEnd(); ++i, iScript = (iScript >> 1) | (iScript << 7)) {
        switch (iScript % 7) {
        case 0:
            reader.u8();
            break;
        case 1:
            reader.u32();
            break;
        case 2:
            reader.str8Text();
            break;
        case 3:
            reader.enc8Text();
            break;
        case 4:
            reader.blob32();
            break;
        case 5:
            reader.skip(int(iScript & 0x1F));
            break;
        default:
            reader.tail();
            break;
        }
        if (reader.pos() > arPacket.size() || reader.remaining() < 0)
            __builtin_trap();
    }
    decryptText(arPacket);
    if (!arPacket.isEmpty() && decryptBytes(encryptBytes(arPacket)) != arPacket)
        __builtin_trap();
    return 0;
}
