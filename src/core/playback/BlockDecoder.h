#pragma once

#include <functional>
#include <memory>

namespace tovrel {

// Turns consecutive pieces of one recording's payload into 16-bit mono PCM at 8000 samples per
// second, 16 PCM bytes per payload byte, keeping its state from piece to piece so that the
// sound is continuous. A playback (and every seek) gets a fresh one.
class BlockDecoder
{
public:
    virtual ~BlockDecoder() = default;
    // Decodes `length` payload bytes into `pcm` (room for `capacity` bytes); returns the number
    // of PCM bytes written. At a corrupted piece of the payload it stops: what came before it is
    // returned, and corrupted() is true from then on.
    virtual int decode(const char *payload, int length, char *pcm, int capacity) = 0;
    virtual bool corrupted() const { return false; }
};

using BlockDecoderFactory = std::function<std::unique_ptr<BlockDecoder>()>;

} // namespace tovrel
