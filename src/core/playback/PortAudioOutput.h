#pragma once

#include "AudioOutput.h"

#include <mutex>

namespace tovrel {

// The default output device through a PortAudio callback stream. The stream pulls the queued
// blocks in order and plays silence while none is queued.
class PortAudioOutput final : public AudioOutput
{
public:
    PortAudioOutput() = default;
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

    static AudioOutputFactory factory();

private:
    struct Block
    {
        const char *data = nullptr;
        int length = 0;
    };
    static constexpr int kQueueSize = 16;

    void startStream();

    std::mutex m_mutex;
    void *m_stream = nullptr; // PaStream
    bool m_initialised = false;
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
