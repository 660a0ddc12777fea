#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <cstdint>

// The speech decoder: Speex narrowband at 8 kbit/s, in process.
//
// The payload of a recording is a sequence of 20-byte frames, each 160 samples (20 ms) of 16-bit
// mono sound at 8000 samples per second, so 500 payload bytes become 8000 PCM bytes and 5000
// become 80000. One decoder keeps its state across all the frames of a recording, so the sound
// is continuous from one call to the next; reset() gives a fresh state (a new recording or a
// seek). Perceptual enhancement is on.
//
// A recording's frames are narrowband frames. A frame whose first bits name anything else (a
// wideband layer, an in-band request, a mode that does not exist) is a corrupted stream: it is
// never handed to libspeex, which would complain about it on the terminal, and decoding stops
// there until reset().
namespace tovrel {

class SpeexDecoder
{
public:
    static constexpr int kFrameBytes = 20;
    static constexpr int kFrameSamples = 160;
    static constexpr int kSampleRate = 8000;
    // PCM bytes per payload byte.
    static constexpr int kExpansion = kFrameSamples * 2 / kFrameBytes;

    SpeexDecoder();
    ~SpeexDecoder();
    SpeexDecoder(const SpeexDecoder &) = delete;
    SpeexDecoder &operator=(const SpeexDecoder &) = delete;

    // Forgets everything decoded so far, as a new decoder would.
    void reset();

    // PCM bytes that decode() produces for `payloadBytes` payload bytes (whole frames only).
    static qsizetype pcmBytesFor(qsizetype payloadBytes)
    {
        return payloadBytes / kFrameBytes * kFrameSamples * 2;
    }

    // Decodes the whole frames of `payload` into `out` (room for pcmBytesFor(payload.size())
    // bytes, as native 16-bit samples); a trailing piece shorter than a frame is not decoded.
    // From a corrupted frame on, the output is silence, so it always has its full length.
    // Returns the number of samples decoded before a corrupted frame (all of them without one).
    qsizetype decode(QByteArrayView payload, int16_t *out);
    // The same, returning the PCM as little-endian 16-bit bytes.
    QByteArray decode(QByteArrayView payload);

    // True once a corrupted frame was met since the last reset().
    bool corrupted() const { return m_corrupted; }

private:
    void *m_state = nullptr;
    bool m_corrupted = false;
    struct Bits;
    Bits *m_bits = nullptr;
};

} // namespace tovrel
