#include "SpeexBlockDecoder.h"

#include "codec/SpeexDecoder.h"

#include <QtEndian>

#include <cstdint>

namespace tovrel {
namespace {

class SpeexBlockDecoder final : public BlockDecoder
{
public:
    int decode(const char *payload, int length, char *pcm, int capacity) override
    {
        // Whole frames only, and no more than the buffer holds.
        const int frames = std::min(length / SpeexDecoder::kFrameBytes,
                                    capacity / (SpeexDecoder::kFrameSamples * 2));
        if (frames <= 0)
            return 0;
        auto *samples = reinterpret_cast<int16_t *>(pcm);
        const qsizetype count = m_decoder.decode(
            QByteArrayView(payload, qsizetype(frames) * SpeexDecoder::kFrameBytes), samples);
        // The sound device takes little-endian samples.
        if constexpr (QSysInfo::ByteOrder == QSysInfo::BigEndian)
            qToLittleEndian<int16_t>(samples, count, samples);
        return int(count * 2);
    }

    bool corrupted() const override { return m_decoder.corrupted(); }

private:
    SpeexDecoder m_decoder;
};

} // namespace

BlockDecoderFactory speexBlockDecoders()
{
    return [] { return std::make_unique<SpeexBlockDecoder>(); };
}

} // namespace tovrel
