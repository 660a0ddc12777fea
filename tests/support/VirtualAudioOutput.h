#pragma once

#include "playback/AudioOutput.h"

#include <QByteArray>
#include <QList>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

namespace tovrel {

// A sound device without sound: plays queued blocks in real time (or faster, by a speed factor)
// on its own thread and keeps every byte it played, in order. It can also stand for a system
// without a device, a device that will not open, or a device that stops returning blocks.
// Used by the tests.
class VirtualAudioOutput final : public AudioOutput
{
public:
    enum class Behaviour
    {
        Plays,
        NoDevice,
        OpenFails,
        Stalls, // accepts blocks but never finishes one
        // Like a sound server with a large buffer of its own: plays in real time (by the speed
        // factor) but reports the first finished block only 2 s (wall time) after the first
        // block arrived, and later ones in bursts, every 1.5 s.
        Holds,
        // Plays two blocks, then is lost (its sound server gone): finishes nothing more.
        Dies,
    };

    // What the device has seen; shared by every output a factory made, so tests can look at it
    // after the player has gone.
    class Record
    {
    public:
        QByteArray played() const;
        QList<int> queuedLengths() const;
        int pauseCalls() const;
        int restartCalls() const;
        int resetCalls() const;
        int openCalls() const;
        int deviceCalls() const; // queue, pause, restart and reset together
        int blocksFinished() const;
        void clear();

    private:
        friend class VirtualAudioOutput;
        mutable std::mutex m_mutex;
        QByteArray m_played;
        QList<int> m_queued;
        int m_pauses = 0;
        int m_restarts = 0;
        int m_resets = 0;
        int m_opens = 0;
        int m_finished = 0;
    };

    // speed: 1 plays in real time, 20 twenty times faster; 0 finishes blocks only when
    // finishBlocks() allows them.
    explicit VirtualAudioOutput(std::shared_ptr<Record> record, double speed = 1.0,
                                Behaviour behaviour = Behaviour::Plays);
    ~VirtualAudioOutput() override;
    VirtualAudioOutput(const VirtualAudioOutput &) = delete;
    VirtualAudioOutput &operator=(const VirtualAudioOutput &) = delete;

    OpenResult open(int channels, int samplesPerSecond, BlockDone blockDone) override;
    void queue(const char *data, int length) override;
    void pause() override;
    void restart() override;
    void reset() override;
    void close() override;
    bool lost() const override;
    int latencyMs() const override { return 0; }

    // In manual mode (speed 0): lets the next `count` blocks finish.
    void finishBlocks(int count);

    static AudioOutputFactory factory(std::shared_ptr<Record> record, double speed = 1.0,
                                      Behaviour behaviour = Behaviour::Plays);

private:
    struct Block
    {
        const char *data;
        int length;
    };

    void run();
    // Holds: hands the finished blocks over in bursts.
    void reportInBursts();
    std::chrono::nanoseconds durationOf(int length) const;

    const std::shared_ptr<Record> m_record;
    const double m_speed;
    const Behaviour m_behaviour;
    int m_bytesPerSecond = 16000;
    BlockDone m_blockDone;

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<Block> m_blocks;
    std::chrono::nanoseconds m_headLeft{0}; // playing time left of the head block
    bool m_headStarted = false;
    bool m_paused = false;
    bool m_quit = false;
    int m_budget = 0;
    bool m_lost = false;
    int m_unreported = 0; // Holds: finished, not yet reported
    std::chrono::steady_clock::time_point m_firstQueued{};
    std::thread m_thread;
    std::thread m_reporter;
};

} // namespace tovrel
