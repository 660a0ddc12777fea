#pragma once

#include <functional>
#include <memory>

namespace tovrel {

// The sound device under the wave-out player: plays 16-bit signed little-endian PCM from queued
// blocks, in the order they were queued, and reports each finished block on its own thread. A
// block is finished once its last sample has been heard, not when the device took it: a sound
// server may take several seconds of sound at once and hold it.
class AudioOutput
{
public:
    enum class OpenResult
    {
        Ok,
        NoDevice,   // the system has no output device at all
        OpenFailed, // there is a device but it cannot be opened with this format
    };

    // Called once per finished block, on the output's own thread (or, for reset(), on the
    // caller's thread after the stream has stopped). Must be quick and must not call back.
    using BlockDone = std::function<void()>;

    virtual ~AudioOutput() = default;

    virtual OpenResult open(int channels, int samplesPerSecond, BlockDone blockDone) = 0;
    // Queues `length` bytes at `data`. The bytes must stay valid and unchanged until the block
    // has been reported done.
    virtual void queue(const char *data, int length) = 0;
    // Holds the queued blocks; queued and later blocks wait until restart().
    virtual void pause() = 0;
    virtual void restart() = 0;
    // Discards every queued block and reports each of them done; the output stays open.
    virtual void reset() = 0;
    virtual void close() = 0;

    // True once the device has stopped playing on its own (unplugged, its sound server gone, an
    // error of the stream); it then finishes no further block.
    virtual bool lost() const = 0;
    // How long the device holds sound before it is heard, in milliseconds, as it says itself.
    virtual int latencyMs() const = 0;
};

// Makes the output each playback uses (the default sound device in the product, a virtual one
// in tests).
using AudioOutputFactory = std::function<std::unique_ptr<AudioOutput>()>;

} // namespace tovrel
