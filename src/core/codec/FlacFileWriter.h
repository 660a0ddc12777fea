#pragma once

#include "codec/EncodedFileWriter.h"

#include <FLAC/stream_encoder.h>

// FLAC through libFLAC: lossless, 16-bit mono at 8000 Hz, the call in a Vorbis comment block.
namespace tovrel {

class FlacFileWriter final : public EncodedFileWriter
{
public:
    explicit FlacFileWriter(AudioTags tags) : EncodedFileWriter(std::move(tags)) {}
    ~FlacFileWriter() override { dropEncoder(); }

private:
    bool startEncoding(qint64 expectedSamples) override;
    bool encode(const int16_t *samples, int count) override;
    bool endEncoding() override;
    void dropEncoder() override;

    static FLAC__StreamEncoderWriteStatus writeCallback(const FLAC__StreamEncoder *,
                                                        const FLAC__byte buffer[], size_t bytes,
                                                        uint32_t, uint32_t, void *self);
    static FLAC__StreamEncoderSeekStatus seekCallback(const FLAC__StreamEncoder *,
                                                      FLAC__uint64 offset, void *self);
    static FLAC__StreamEncoderTellStatus tellCallback(const FLAC__StreamEncoder *,
                                                      FLAC__uint64 *offset, void *self);

    FLAC__StreamEncoder *m_encoder = nullptr;
    FLAC__StreamMetadata *m_comments = nullptr;
};

} // namespace tovrel
