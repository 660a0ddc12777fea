#pragma once

#include "codec/EncodedFileWriter.h"

struct OggOpusEnc;
struct OggOpusComments;

// Ogg Opus through libopusenc: mono speech at a chosen bit rate, the call in Vorbis comments.
namespace tovrel {

class OpusFileWriter final : public EncodedFileWriter
{
public:
    OpusFileWriter(AudioTags tags, int bitrateKbps)
        : EncodedFileWriter(std::move(tags)), m_bitrateKbps(bitrateKbps)
    {}
    ~OpusFileWriter() override { dropEncoder(); }

private:
    bool startEncoding(qint64 expectedSamples) override;
    bool encode(const int16_t *samples, int count) override;
    bool endEncoding() override;
    void dropEncoder() override;

    static int writeCallback(void *self, const unsigned char *bytes, int count);
    static int closeCallback(void *self);

    int m_bitrateKbps;
    OggOpusEnc *m_encoder = nullptr;
    OggOpusComments *m_comments = nullptr;
};

} // namespace tovrel
