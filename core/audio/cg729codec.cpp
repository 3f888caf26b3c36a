#include "cg729codec.h"

#include <QtEndian>

#include <cstring>

extern "C" {
#include <bcg729/decoder.h>
#include <bcg729/encoder.h>
}

namespace {

constexpr int SAMPLES = CSpeechCodec::FRAME_BYTES / 2;

} // namespace

CG729Codec::~CG729Codec()
{
    releaseEncoder();
    releaseDecoder();
}

void CG729Codec::initEncoder(int vadEnable)
{
    releaseEncoder();
    m_pEncoder = initBcg729EncoderChannel(vadEnable ? 1 : 0);
}

void CG729Codec::initDecoder()
{
    releaseDecoder();
    m_pDecoder = initBcg729DecoderChannel();
}

int CG729Codec::encodeFrame(const void *pcm, char *out)
{
    if (!m_pEncoder)
        return 0;
    // The wire PCM is little-endian whatever the host; the library wants host samples.
    int16_t samples[SAMPLES];
    qFromLittleEndian<qint16>(pcm, SAMPLES, samples);
    uint8_t bits[CODED_BYTES];
    uint8_t iLength = 0;
    bcg729Encoder(m_pEncoder, samples, bits, &iLength);
    // Annex B gives 2 bytes for a silence description and 0 for an untransmitted frame.
    if (iLength != CODED_BYTES)
        return 0;
    std::memcpy(out, bits, CODED_BYTES);
    return 1;
}

void CG729Codec::decodeFrame(const char *in, void *pcm)
{
    int16_t samples[SAMPLES] = {};
    if (m_pDecoder)
        bcg729Decoder(m_pDecoder, reinterpret_cast<const uint8_t *>(in), CODED_BYTES, 0, 0, 0,
                      samples);
    qToLittleEndian<qint16>(samples, SAMPLES, pcm);
}

void CG729Codec::releaseEncoder()
{
    if (m_pEncoder)
        closeBcg729EncoderChannel(m_pEncoder);
    m_pEncoder = nullptr;
}

void CG729Codec::releaseDecoder()
{
    if (m_pDecoder)
        closeBcg729DecoderChannel(m_pDecoder);
    m_pDecoder = nullptr;
}
