#pragma once

#include "codec/EncodedFileWriter.h"

#include <vector>

struct lame_global_struct;

// MP3 through LAME: mono at 8000 Hz (MPEG-2.5 layer III), constant bit rate, the call in an
// ID3v2 tag at the start of the file, and LAME's info frame for gapless playback.
namespace tovrel {

class Mp3FileWriter final : public EncodedFileWriter
{
public:
    Mp3FileWriter(AudioTags tags, int bitrateKbps)
        : EncodedFileWriter(std::move(tags)), m_bitrateKbps(bitrateKbps)
    {}
    ~Mp3FileWriter() override { dropEncoder(); }

private:
    bool startEncoding(qint64 expectedSamples) override;
    bool encode(const int16_t *samples, int count) override;
    bool endEncoding() override;
    void dropEncoder() override;

    int m_bitrateKbps;
    lame_global_struct *m_lame = nullptr;
    qint64 m_audioStart = 0; // where the first MP3 frame (LAME's info frame) begins
    std::vector<unsigned char> m_out;
};

// The ID3v2.4 tag (UTF-8 text frames) holding `tags`; empty when every field is empty.
QByteArray id3v2Tag(const AudioTags &tags);

} // namespace tovrel
