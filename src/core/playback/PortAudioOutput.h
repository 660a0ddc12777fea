#pragma once

#include "AudioOutput.h"

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
// blocks in order and plays silence while none is queued.
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

    // The stream callback: fills `frames` frames of `out` from the queue, silence after it.
    void fill(char *out, unsigned long frames);

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

    std::shared_ptr<PortAudioLibrary> m_library;
    std::mutex m_mutex;
    void *m_stream = nullptr; // PaStream
    bool m_running = false;
    bool m_paused = false;
    int m_bytesPerFrame = 2;
    BlockDone m_blockDone;
    Block m_blocks[kQueueSize];
    int m_head = 0;
    int m_count = 0;
    int m_offset = 0; // bytes of the head block already played
};

} // namespace tovrel
