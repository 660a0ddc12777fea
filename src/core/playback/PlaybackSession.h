#pragma once

#include "AudioOutput.h"
#include "BlockDecoder.h"
#include "PlaybackMessage.h"
#include "PlaybackSpeed.h"

#include <QObject>
#include <QString>

#include <array>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace tovrel {

// One recording playing: a decoder thread decodes the payload block by block (5000 payload bytes,
// 5 s of sound) into two PCM buffers A and B, one block ahead of a player thread that feeds the
// ready buffer to a WaveOutPlayer in pieces of 8000 bytes (0.5 s). A buffer changes hands by its
// ready flag alone: the decoder fills it only while it is not ready, the player reads it only
// while it is.
//
// The process-wide play state (PlayStateFlag) steers both threads; the player thread sets it
// back to stopped when the recording has played out, when the device stops taking sound, or
// when there is no device. Every end but the played-out one and stop() is reported by failed().
// A file that is not a recording is not played; speech that cannot be decoded ends the playback
// where it begins, and a recording whose file is not whole is told when it has played out.
//
// At a speed other than the recording's own the player thread sends the sound through a
// SpeedStretch on its way to the device; the elapsed seconds stay in the recording's time. At
// the recording's own speed the samples go to the device untouched.
// start(), stop() and the destructor belong to the thread that owns the session (the window's);
// they never leave a thread behind.
class PlaybackSession : public QObject
{
    Q_OBJECT

public:
    static constexpr int kBlockBytes = 5000; // payload bytes per block
    static constexpr int kBlockPcm = 80000;  // PCM bytes of a full block
    static constexpr int kPieceBytes = 8000; // PCM bytes per player write

    PlaybackSession(AudioOutputFactory outputs, BlockDecoderFactory decoders,
                    QObject *parent = nullptr);
    ~PlaybackSession() override;

    // Plays `path` from payload offset `seekOffset` (a multiple of 1000): reads the header and
    // the first block, decodes it here, then starts both threads with the play state playing.
    // Any playback still running is ended first. Returns the message when the recording cannot
    // be opened (the play state is then stopped).
    std::optional<PlaybackMessage> start(const QString &path, quint32 seekOffset = 0);
    // Play state stopped, and waits for both threads to end.
    void stop();
    // Play state paused or playing; the player thread pauses or resumes the device.
    void pause();
    void resume();

    // The speed in tenths (PlaybackSpeed): kept from one playback to the next, and taken up by a
    // running playback at its next piece of sound.
    void setSpeed(int tenths);
    int speed() const { return m_speed.load(); }

    // True while either thread has not ended.
    bool isRunning() const;

    QString path() const { return m_path; }
    int headerLength() const { return m_headerLength; }
    quint32 fileLength() const { return m_fileLength; }
    quint32 seekOffset() const { return m_seekOffset.load(); }
    // Seconds of the recording played since the threads started (whatever the speed), rounded up,
    // as the player thread last counted them.
    int elapsedSeconds() const { return m_elapsedSeconds.load(); }

signals:
    // A failure the user is to be told about (raised on a worker thread, delivered queued).
    void failed(const tovrel::PlaybackMessage &message);
    // The player thread has ended, for whatever reason.
    void playerEnded();

private:
    enum class EndReason
    {
        None,
        BlockTimeout,  // the recording has played out: no further block comes
        DeviceStopped, // the device stopped taking sound before that
    };

    struct PcmBuffer
    {
        std::vector<char> bytes = std::vector<char>(kBlockPcm);
        std::atomic<int> count{0};
        std::atomic<int> ready{0};
    };

    // Joins both threads (when they have ended, or are ending) and then tells a failure the
    // decoder thread kept (when `report`), from this thread.
    void joinThreads(bool report = true);
    // Posted by the player thread as it ends, before its own reports: joins the threads of that
    // playback on this object's thread, unless another playback has started since.
    void reapEndedPlayback();
    void runDecoder(std::unique_ptr<BlockDecoder> decoder);
    void runPlayer();
    // The threads' waits: one ends as soon as something a thread waits for changes (the play
    // state, a block made ready or taken, the other thread's end), and at the latest after
    // `maxMs`, for what only the clock tells (the device's progress, a recording's end).
    void waitForChange(int maxMs);
    void announceChange();

    AudioOutputFactory m_outputs;
    BlockDecoderFactory m_decoders;

    QString m_path;
    int m_headerLength = 19;
    quint32 m_fileLength = 0;
    std::atomic<quint32> m_seekOffset{0};
    std::atomic<int> m_elapsedSeconds{0};
    std::atomic<int> m_run{0};
    std::atomic<int> m_speed{PlaybackSpeed::kNormal};
    std::array<PcmBuffer, 2> m_buffers; // A, B
    // A failure of the decoder thread, kept until the thread is joined: delivered from this
    // object's thread, so nothing the decoder allocated is handed over through the event queue.
    std::optional<PlaybackMessage> m_decoderFailure;
    // The decode of the first block met corrupted speech: the decoder thread reads no further.
    bool m_corruptAtStart = false;
    // What is wrong with a recording that is not whole (told once it has played out), or empty.
    QString m_notWhole;
    // Set by the player thread when the recording has played out; taken when its threads are
    // joined.
    std::atomic<bool> m_playedOut{false};

    // Owned threads, joined by stop(); each flag is 1 until its thread's body has returned.
    std::thread m_playerThread;
    std::thread m_decoderThread;
    std::atomic<int> m_playerRunning{0};
    std::atomic<int> m_decoderRunning{0};

    std::mutex m_changeLock;
    std::condition_variable m_change;
    quint64 m_changes = 0; // under m_changeLock, counts announceChange()
};

} // namespace tovrel
