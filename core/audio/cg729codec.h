// CG729Codec: G.729 Annex A speech coding with Annex B voice activity detection over
// libbcg729. Coded frames are the 10-byte RTP payload layout; silence descriptions are never
// handed out, and the decoder is only ever given speech frames.
#pragma once

#include "cspeechcodec.h"

struct bcg729EncoderChannelContextStruct_struct;
struct bcg729DecoderChannelContextStruct_struct;

class CG729Codec : public CSpeechCodec
{
public:
    CG729Codec() = default;
    ~CG729Codec() override;
    CG729Codec(const CG729Codec &) = delete;
    CG729Codec &operator=(const CG729Codec &) = delete;

    // Each init releases the previous context, so re-initialising for a new call leaks nothing.
    void initEncoder(int vadEnable) override;
    void initDecoder() override;
    // Before initEncoder nothing is coded: the result is 0.
    int encodeFrame(const void *pcm, char *out) override;
    // Before initDecoder the output is silence.
    void decodeFrame(const char *in, void *pcm) override;

private:
    void releaseEncoder();
    void releaseDecoder();

    bcg729EncoderChannelContextStruct_struct *m_pEncoder = nullptr;
    bcg729DecoderChannelContextStruct_struct *m_pDecoder = nullptr;
};
