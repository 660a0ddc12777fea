#pragma once

#include "AudioOutput.h"
#include "PlaybackMessage.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>

namespace tovrel {

// Plays 16-bit PCM through a sound output from a ring of 10 buffers of 8000 bytes (0.5 s each at
// 8000 samples per second, mono). Counts the seconds played from the output's finished-block
// reports: the first finished buffer already counts a whole second, then every second one, so
// the count is the played time rounded up to whole seconds.
//
// Write, Resume, Stop, Pause and the queries belong to one thread (the player thread); the
// output reports finished blocks on its own thread, and the player lock serialises those
// reports with Write. A player whose buffers or device could not be had keeps its fault() and
// does nothing.
class WaveOutPlayer
{
public:
    static constexpr int kBufferCount = 10;
    static constexpr int kBufferBytes = 8000;

    WaveOutPlayer(std::unique_ptr<AudioOutput> output, int channels, int samplesPerSecond);
    ~WaveOutPlayer();
    WaveOutPlayer(const WaveOutPlayer &) = delete;
    WaveOutPlayer &operator=(const WaveOutPlayer &) = delete;

    // Why the player cannot play (no device, device will not open, out of memory), if so.
    const std::optional<PlaybackMessage> &fault() const { return m_fault; }

    // Copies `length` bytes (1 to 8000) into the next ring buffer and queues it.
    void Write(const char *data, int length);
    void Resume();
    void Stop();
    void Pause();
    int ElapsedSeconds() const { return m_secondsPlayed.load(); }
    bool AllBuffersFree() const { return m_freeBuffers.load() == kBufferCount; }
    bool NearlyFull() const { return m_freeBuffers.load() < 2; }
    bool IsStopped() const { return m_stopped; }
    bool IsPaused() const { return m_paused; }

    // Buffers finished since construction: a change tells that the device still plays.
    int BuffersFinished() const { return m_buffersFinished.load(); }
    // Buffers queued at the device and not yet finished.
    int BuffersQueued() const { return kBufferCount - m_freeBuffers.load(); }
    // True once the device has stopped playing on its own.
    bool DeviceLost() const { return m_output && m_output->lost(); }
    // How long the device holds sound before it is heard.
    int DeviceLatencyMs() const { return m_output ? m_output->latencyMs() : 0; }

private:
    void bufferDone();

    bool m_stopped = true;
    bool m_paused = false;
    bool m_noDevice = false;
    int m_nextBuffer = 0;
    std::unique_ptr<AudioOutput> m_output; // null when not open
    std::unique_ptr<char[]> m_buffers;     // kBufferCount * kBufferBytes
    std::optional<PlaybackMessage> m_fault;

    std::mutex m_lock; // the player lock
    std::atomic<int> m_freeBuffers{kBufferCount};
    std::atomic<int> m_secondsPlayed{0};
    std::atomic<int> m_buffersFinished{0};
    int m_halfSecondPhase = 1;
};

} // namespace tovrel
