#include "PlaybackSession.h"

#include "SpeedStretch.h"
#include "WaveOutPlayer.h"
#include "activity/ActivityFlags.h"
#include "io/NativePath.h"
#include "recordings/RecordingHeader.h"
#include "recordings/RecordingWholeness.h"

#include <QElapsedTimer>
#include <QFile>

#include <algorithm>
#include <utility>

#ifdef _WIN32
#include <windows.h>
#else
#include <pthread.h>
#include <sched.h>
#endif

namespace tovrel {
namespace {

constexpr int kPlayerPollMs = 10;
constexpr int kPausedPollMs = 50;
constexpr int kDecoderPollMs = 100;
// About 0.5 s without a further block, once the decoder has read the whole recording, is its end.
constexpr int kBlockWaits = 50;
constexpr int kBufferMs = WaveOutPlayer::kBufferBytes * 1000 / 16000; // one ring buffer's sound
constexpr int kStallGraceMs = 1000;

int playState()
{
    return PlayStateFlag.load();
}

// The player thread feeds the sound device: the highest priority the system grants us. Without
// the right to real-time scheduling it keeps its normal priority.
void raiseToTimeCritical(std::thread &thread)
{
#ifdef _WIN32
    SetThreadPriority(thread.native_handle(), THREAD_PRIORITY_TIME_CRITICAL);
#else
    sched_param parameters{};
    parameters.sched_priority = sched_get_priority_max(SCHED_RR);
    pthread_setschedparam(thread.native_handle(), SCHED_RR, &parameters);
#endif
}

// Tells whether the device still plays. It must finish a buffer within the time it takes to
// play everything queued at it, plus the time it says it holds sound and a second's grace. A
// sound server may take seconds of sound at once and finish none of it for as long (PulseAudio
// and PipeWire do, at the start of a stream above all), so a short fixed time-out would end
// playbacks that are going well; a device that is gone says so at once.
class DeviceWatch
{
public:
    explicit DeviceWatch(const WaveOutPlayer &player) : m_player(player) { restart(); }

    // The clock starts afresh: after a pause, or when a buffer has finished.
    void restart()
    {
        m_finished = m_player.BuffersFinished();
        m_since.start();
    }

    bool stopped()
    {
        if (m_player.DeviceLost())
            return true;
        if (m_player.BuffersFinished() != m_finished || m_player.BuffersQueued() == 0) {
            restart();
            return false;
        }
        const qint64 allowance = qint64(m_player.BuffersQueued()) * kBufferMs +
                                 m_player.DeviceLatencyMs() + kStallGraceMs;
        return m_since.elapsed() > allowance;
    }

private:
    const WaveOutPlayer &m_player;
    int m_finished = 0;
    QElapsedTimer m_since;
};

// Counts the recording's time the device has played: every buffer queued remembers how much of
// the recording it stands for (its own length at the recording's speed, more or less at another),
// and every buffer the device has finished adds that. Seconds are rounded up, so the first
// half-second buffer played already counts one.
class PlayedTime
{
public:
    explicit PlayedTime(const WaveOutPlayer &player) : m_player(player) {}

    // Records the buffer just queued.
    void queued(int recordingBytes)
    {
        m_stands[std::size_t(m_queued % kRemembered)] = recordingBytes;
        ++m_queued;
    }

    int seconds()
    {
        const long long finished = std::min<long long>(m_player.BuffersFinished(), m_queued);
        for (; m_counted < finished; ++m_counted)
            m_bytes += m_stands[std::size_t(m_counted % kRemembered)];
        return int((m_bytes + kBytesPerSecond - 1) / kBytesPerSecond);
    }

private:
    // More than the device ever holds unfinished.
    static constexpr int kRemembered = WaveOutPlayer::kBufferCount + 2;
    static constexpr long long kBytesPerSecond = 16000;

    const WaveOutPlayer &m_player;
    std::array<int, kRemembered> m_stands{};
    long long m_queued = 0;
    long long m_counted = 0;
    long long m_bytes = 0;
};

} // namespace

PlaybackSession::PlaybackSession(AudioOutputFactory outputs, BlockDecoderFactory decoders,
                                 QObject *parent)
    : QObject(parent), m_outputs(std::move(outputs)), m_decoders(std::move(decoders))
{
    qRegisterMetaType<PlaybackMessage>();
}

PlaybackSession::~PlaybackSession()
{
    PlayStateFlag.store(PlayStopped);
    m_run.store(0);
    announceChange();
    joinThreads(false);
}

void PlaybackSession::waitForChange(int maxMs)
{
    std::unique_lock lock(m_changeLock);
    const quint64 seen = m_changes;
    m_change.wait_for(lock, std::chrono::milliseconds(maxMs),
                      [this, seen] { return m_changes != seen; });
}

void PlaybackSession::announceChange()
{
    {
        const std::lock_guard lock(m_changeLock);
        ++m_changes;
    }
    m_change.notify_all();
}

void PlaybackSession::setSpeed(int tenths)
{
    m_speed.store(std::clamp(tenths, int(PlaybackSpeed::kSlowest), int(PlaybackSpeed::kFastest)));
}

bool PlaybackSession::isRunning() const
{
    return m_playerRunning.load() != 0 || m_decoderRunning.load() != 0;
}

void PlaybackSession::joinThreads(bool report)
{
    if (m_playerThread.joinable())
        m_playerThread.join();
    if (m_decoderThread.joinable())
        m_decoderThread.join();
    const bool playedOut = m_playedOut.exchange(false);
    if (const std::optional<PlaybackMessage> failure = std::exchange(m_decoderFailure, {});
        failure && report)
        emit failed(*failure);
    else if (playedOut && report && !m_notWhole.isEmpty())
        emit failed(playbackmessages::incompleteRecording(m_notWhole));
}

void PlaybackSession::reapEndedPlayback()
{
    // A playback started since has joined these threads itself (and set m_run again).
    if (m_run.load() == 0)
        joinThreads();
}

void PlaybackSession::stop()
{
    PlayStateFlag.store(PlayStopped);
    m_run.store(0);
    announceChange();
    joinThreads();
}

void PlaybackSession::pause()
{
    // Only a playing recording pauses: a player thread that has just ended keeps its stopped.
    int playing = PlayPlaying;
    PlayStateFlag.compare_exchange_strong(playing, PlayPaused);
    announceChange();
}

void PlaybackSession::resume()
{
    int paused = PlayPaused;
    PlayStateFlag.compare_exchange_strong(paused, PlayPlaying);
    announceChange();
}

std::optional<PlaybackMessage> PlaybackSession::start(const QString &path, quint32 seekOffset)
{
    // The buffers and flags are reused, so nothing may still run.
    stop();

    m_path = path;
    // Opened by the path's real bytes, so a name that is not valid UTF-8 plays too; a header that
    // cannot be read is a recording that cannot be opened.
    QFile file;
    HeaderBytes header;
    if (const auto failure = openRecording(file, path, header)) {
        PlayStateFlag.store(PlayStopped);
        // A file that opens but whose header cannot be read says so, not that it cannot be opened.
        return failure->opened ? playbackmessages::cannotReadRecording()
                               : playbackmessages::cannotOpenRecording();
    }
    // A file that is no recording at all has nothing to play; one that is not whole plays what it
    // has.
    const auto fault = recordingFault(header, file.size());
    if (fault && fault->kind == RecordingFault::NoRecording) {
        PlayStateFlag.store(PlayStopped);
        return playbackmessages::notARecording(fault->text);
    }
    m_notWhole = fault ? fault->text : QString();
    m_fileLength = static_cast<quint32>(std::min<qint64>(file.size(), 0xFFFFFFFFLL));
    m_headerLength = decodeHeader(QByteArrayView(header.data(), header.size())).headerLength();
    m_seekOffset.store(seekOffset);
    m_elapsedSeconds.store(0);
    for (PcmBuffer &buffer : m_buffers) {
        buffer.ready.store(0);
        buffer.count.store(0);
    }

    // The first block is decoded here, so that sound begins as soon as the player runs.
    std::unique_ptr<BlockDecoder> decoder = m_decoders();
    QByteArray block;
    if (file.seek(m_headerLength + qint64(seekOffset)))
        block = file.read(kBlockBytes);
    if (file.error() != QFileDevice::NoError) {
        PlayStateFlag.store(PlayStopped);
        return playbackmessages::cannotReadRecording();
    }
    file.close();
    PcmBuffer &a = m_buffers[0];
    a.count.store(decoder->decode(block.constData(), int(block.size()), a.bytes.data(), kBlockPcm));
    m_corruptAtStart = decoder->corrupted();
    if (m_corruptAtStart && a.count.load() == 0) {
        PlayStateFlag.store(PlayStopped);
        return playbackmessages::corruptRecording();
    }
    a.ready.store(1);

    PlayStateFlag.store(PlayPlaying);
    m_run.store(1);
    m_playerRunning.store(1);
    m_decoderRunning.store(1);
    m_playerThread = std::thread([this] {
        runPlayer();
        m_playerRunning.store(0);
    });
    raiseToTimeCritical(m_playerThread);
    m_decoderThread = std::thread([this, d = std::move(decoder)]() mutable {
        runDecoder(std::move(d));
        m_decoderRunning.store(0);
        announceChange();
    });
    return std::nullopt;
}

void PlaybackSession::runDecoder(std::unique_ptr<BlockDecoder> decoder)
{
    QFile file;
    if (openNativeFile(file, m_path)) {
        m_decoderFailure = playbackmessages::decoderCannotOpenRecording();
        return;
    }
    if (m_corruptAtStart) {
        // What came before the corrupted speech plays out, and the user is told why it ends.
        m_decoderFailure = playbackmessages::corruptRecording();
        return;
    }
    // The first block was decoded by start().
    bool atEnd = !file.seek(m_headerLength + qint64(m_seekOffset.load()) + kBlockBytes);
    QByteArray block(kBlockBytes, '\0');
    int target = 1; // B
    while (m_run.load() != 0) {
        if (atEnd)
            break;
        const qint64 got = file.read(block.data(), kBlockBytes);
        if (got < 0) {
            // The rest of the recording cannot be had: what is decoded plays out, and the user
            // is told why the playback ends early.
            m_decoderFailure = playbackmessages::cannotReadRecording();
            break;
        }
        const int length = int(got);
        // Like a stream's end-of-file indicator: set by the read that met the end.
        atEnd = length < kBlockBytes;

        PcmBuffer &buffer = m_buffers[target];
        bool running = true;
        while (buffer.ready.load() != 0) {
            waitForChange(kDecoderPollMs);
            if (m_run.load() == 0) {
                running = false;
                break;
            }
        }
        if (!running)
            break;
        buffer.count.store(
            decoder->decode(block.constData(), length, buffer.bytes.data(), kBlockPcm));
        buffer.ready.store(1);
        announceChange();
        target = 1 - target;
        if (decoder->corrupted()) {
            m_decoderFailure = playbackmessages::corruptRecording();
            break;
        }
    }
}

void PlaybackSession::runPlayer()
{
    WaveOutPlayer player(m_outputs ? m_outputs() : nullptr, 1, 8000);
    if (player.fault()) {
        // No sound can be made: say why and end this playback; the program goes on.
        PlayStateFlag.store(PlayStopped);
        m_run.store(0);
        // First of this playback's reports: its threads are joined before the others arrive.
        QMetaObject::invokeMethod(this, &PlaybackSession::reapEndedPlayback, Qt::QueuedConnection);
        emit failed(*player.fault());
        emit playerEnded();
        return;
    }

    DeviceWatch device(player);
    PlayedTime played(player);
    SpeedStretch stretch(8000);
    std::array<char, kPieceBytes> stretched{};
    const auto noteElapsed = [&] { m_elapsedSeconds.store(played.seconds()); };
    const auto queue = [&](const char *data, int bytes, int recordingBytes) {
        player.Write(data, bytes);
        played.queued(recordingBytes);
    };
    // Whole pieces of changed sound while more follows; after a flush the rest, however short.
    const auto stretchedPieceReady = [&] {
        return stretch.readyBytes() >= kPieceBytes ||
               (stretch.flushed() && stretch.readyBytes() > 0);
    };
    const auto queueStretched = [&] {
        int stands = 0;
        const int bytes = stretch.take(stretched.data(), kPieceBytes, &stands);
        queue(stretched.data(), bytes, stands);
    };

    EndReason reason = EndReason::None;
    // While the user holds the pause the device keeps its sound (even when the pause came
    // between two blocks) and its watch starts afresh.
    const auto holdPause = [&] {
        if (!player.IsStopped()) {
            if (!player.IsPaused())
                player.Pause();
            noteElapsed();
        }
        device.restart();
        waitForChange(kPausedPollMs);
    };
    // One wait while the device plays what it holds; false once the device has stopped.
    const auto waitOnDevice = [&] {
        noteElapsed();
        waitForChange(kPlayerPollMs);
        if (!device.stopped())
            return true;
        reason = EndReason::DeviceStopped;
        return false;
    };
    bool outOfMemory = false;
    int current = 0; // A
    int offset = 0;  // bytes of the current buffer already written
    while (playState() != PlayStopped && reason == EndReason::None) {
        if (playState() == PlayPaused) {
            holdPause();
            continue;
        }
        if (player.IsPaused())
            player.Resume();

        PcmBuffer &buffer = m_buffers[current];
        int waits = 0;
        while (buffer.ready.load() == 0 && playState() == PlayPlaying) {
            if (!waitOnDevice())
                break;
            // While the decoder still reads the recording the block is on its way; once it has
            // read it all, no block is the end.
            if (m_decoderRunning.load() == 0 && ++waits > kBlockWaits) {
                reason = EndReason::BlockTimeout;
                break;
            }
        }
        if (reason == EndReason::None && buffer.ready.load() == 0) {
            // Paused or stopped while waiting for the block: the top of the loop holds the
            // device or ends; after a resume the wait for this block starts afresh.
            continue;
        }

        // The block goes to the device piece by piece: as it is at the recording's own speed,
        // through the stretch at any other.
        while (reason == EndReason::None) {
            const int speed = m_speed.load();
            // Back at the recording's own speed, what the stretch still holds plays first.
            if (speed == PlaybackSpeed::kNormal && stretch.holdsSound())
                stretch.flush();
            if (buffer.count.load() <= 0 && !stretchedPieceReady())
                break;
            while (player.NearlyFull() && playState() == PlayPlaying) {
                if (player.IsPaused())
                    player.Resume();
                if (!waitOnDevice())
                    break;
            }
            if (reason != EndReason::None)
                break;
            const int state = playState();
            if (state != PlayPlaying) {
                if (state == PlayPaused)
                    player.Pause();
                else
                    player.Stop();
                break;
            }
            if (stretchedPieceReady()) {
                queueStretched();
                continue;
            }
            const int piece = std::min(kPieceBytes, buffer.count.load());
            if (speed != PlaybackSpeed::kNormal &&
                !stretch.feed(buffer.bytes.data() + offset, piece, speed)) {
                outOfMemory = true;
                break;
            }
            buffer.count.fetch_sub(piece);
            if (speed == PlaybackSpeed::kNormal)
                queue(buffer.bytes.data() + offset, piece, piece);
            offset += piece;
        }
        if (outOfMemory)
            break; // told as the playback ends
        if (!player.IsPaused()) {
            buffer.ready.store(0);
            announceChange();
            current = 1 - current;
            offset = 0;
        }
        noteElapsed();
        waitForChange(kPlayerPollMs);
    }

    // The recording has run out of blocks: what the stretch still holds is the end of it, and
    // plays before the device's queue drains. A stop cuts both short, and so does a device that
    // has stopped; while the user holds the last sound, the device keeps it and the drain waits.
    if (reason == EndReason::BlockTimeout)
        stretch.flush();
    while (reason == EndReason::BlockTimeout &&
           (stretch.readyBytes() > 0 || !player.AllBuffersFree())) {
        const int state = playState();
        if (state == PlayStopped)
            break;
        if (state == PlayPaused) {
            holdPause();
            continue;
        }
        if (player.IsPaused())
            player.Resume();
        if (stretch.readyBytes() > 0 && !player.NearlyFull())
            queueStretched();
        else
            waitOnDevice();
    }
    // The last buffer may have finished since the drain last looked.
    noteElapsed();
    if (!player.IsStopped())
        player.Stop();
    // Told once the threads are joined, unless the decoder's own failure is told then.
    m_playedOut.store(reason == EndReason::BlockTimeout);
    PlayStateFlag.store(PlayStopped);
    m_run.store(0);
    announceChange();
    // First of this playback's reports: its threads are joined before the others arrive.
    QMetaObject::invokeMethod(this, &PlaybackSession::reapEndedPlayback, Qt::QueuedConnection);
    if (outOfMemory)
        emit failed(playbackmessages::outOfMemory());
    if (reason == EndReason::DeviceStopped)
        emit failed(playbackmessages::deviceStopped());
    emit playerEnded();
}

} // namespace tovrel
