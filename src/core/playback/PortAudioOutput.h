#pragma once

#include "AudioOutput.h"

#include <atomic>
#include <memory>
#include <mutex>

namespace tovrel {

// PortAudio itself, started on first use and ended with the last output that shares it, so that a
// playback does not pay for the search of the sound devices every time it starts.
class PortAudioLibrary
{
public:
    PortAudioLibrary() = default;
    ~PortAudioLibrary();
    PortAudioLibrary(const PortAudioLibrary &) = delete;
    PortAudioLibrary &operator=(const PortAudioLibrary &) = delete;

    // True once PortAudio runs.
    bool start();
    // Ends PortAudio, so that the next start() searches the sound devices again (one may have
    // been plugged in since).
    void stop();

private:
    std::mutex m_mutex;
    bool m_started = false;
};

// The default output device through a PortAudio callback stream. The stream pulls the queued
// blocks in order and plays silence while none is queued or while paused. A block the stream has
// taken is reported finished once the stream's clock has passed the time its last sample reaches
// the listener (the time the host gives for the buffer it was copied into), so a server that holds
// seconds of sound does not make the player count them before they are heard.
class PortAudioOutput final : public AudioOutput
{
public:
    explicit PortAudioOutput(std::shared_ptr<PortAudioLibrary> library);
    ~PortAudioOutput() override;
    PortAudioOutput(const PortAudioOutput &) = delete;
    PortAudioOutput &operator=(const PortAudioOutput &) = delete;

    OpenResult open(int channels, int samplesPerSecond, BlockDone blockDone) override;
    void queue(const char *data, int length) override;
    void pause() override;
    void restart() override;
    void reset() override;
    void close() override;
    bool lost() const override { return m_lost.load(); }
    int latencyMs() const override { return m_latencyMs; }

    // The stream callback: fills `frames` frames of `out` from the queue, silence after it.
    // `now` is the stream's clock and `heardAt` the time the first frame of `out` is heard (0
    // where the host does not tell: the sound then counts as heard when taken).
    void fill(char *out, unsigned long frames, double now, double heardAt);
    // The stream has ended: on its own, unless the output stopped it.
    void streamEnded();

    // Outputs that share one start of PortAudio.
    static AudioOutputFactory factory();

private:
    struct Block
    {
        const char *data = nullptr;
        int length = 0;
    };
    static constexpr int kQueueSize = 16;

    void startStream();
    // Stops the stream, discarding what the host holds, without taking it for a lost device.
    void stopStream();
    // Takes every block whose sound has been heard by `now` off the list of blocks taken.
    int takeHeard(double now);

    std::shared_ptr<PortAudioLibrary> m_library;
    std::mutex m_mutex;
    void *m_stream = nullptr; // PaStream
    bool m_running = false;
    bool m_paused = false; // under m_mutex: the callback plays silence meanwhile
    int m_bytesPerFrame = 2;
    int m_framesPerSecond = 8000;
    int m_latencyMs = 0;
    BlockDone m_blockDone;
    Block m_blocks[kQueueSize];
    int m_head = 0;
    int m_count = 0;
    int m_offset = 0; // bytes of the head block already taken by the stream
    // Blocks the stream has taken whose sound is still on its way: when each is heard, in order.
    double m_heardAt[kQueueSize] = {};
    int m_takenHead = 0;
    int m_takenCount = 0;
    std::atomic<bool> m_stopping{false};
    std::atomic<bool> m_lost{false};
};

} // namespace tovrel
