// CSpeechCodec: the four operations the voice path drives a speech codec with. A frame is
// 10 ms of 8 kHz mono 16-bit little-endian PCM (160 bytes); a coded speech frame is 10 bytes.
#pragma once

class CSpeechCodec
{
public:
    static constexpr int FRAME_BYTES = 160;
    static constexpr int CODED_BYTES = 10;

    virtual ~CSpeechCodec() = default;

    virtual void initEncoder(int vadEnable) = 0;
    virtual void initDecoder() = 0;
    // 1 with CODED_BYTES written to out for a speech frame; 0 with nothing written for a
    // frame that is not sent (silence description or untransmitted).
    virtual int encodeFrame(const void *pcm, char *out) = 0;
    // Always writes FRAME_BYTES of PCM.
    virtual void decodeFrame(const char *in, void *pcm) = 0;
};
