// Playback's two costs: the time from a start to the first piece of sound queued at the device,
// for recordings of any length, and the decoder's processor time per second of sound.

#include "SpeechEncoder.h"

#include "activity/ActivityFlags.h"
#include "playback/PlaybackSession.h"
#include "playback/PortAudioOutput.h"
#include "playback/SpeexBlockDecoder.h"
#include "recordings/RecordingHeader.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <chrono>
#include <condition_variable>
#include <mutex>

using namespace tovrel;
using Clock = std::chrono::steady_clock;

namespace {

// A device that notes when the first block arrives and finishes blocks at once.
struct FirstBlock
{
    std::mutex mutex;
    std::condition_variable arrived;
    bool seen = false;
    Clock::time_point at;
};

// Notes when the first block arrives, then hands everything to the real output, or, without
// one, finishes blocks at once.
class TimingOutput final : public AudioOutput
{
public:
    TimingOutput(FirstBlock *first, std::unique_ptr<AudioOutput> inner)
        : m_first(first), m_inner(std::move(inner))
    {}
    OpenResult open(int channels, int rate, BlockDone blockDone) override
    {
        if (m_inner)
            return m_inner->open(channels, rate, std::move(blockDone));
        m_done = std::move(blockDone);
        return OpenResult::Ok;
    }
    void queue(const char *data, int length) override
    {
        {
            std::lock_guard lock(m_first->mutex);
            if (!m_first->seen) {
                m_first->seen = true;
                m_first->at = Clock::now();
            }
        }
        m_first->arrived.notify_all();
        if (m_inner)
            m_inner->queue(data, length);
        else
            m_done();
    }
    void pause() override
    {
        if (m_inner)
            m_inner->pause();
    }
    void restart() override
    {
        if (m_inner)
            m_inner->restart();
    }
    void reset() override
    {
        if (m_inner)
            m_inner->reset();
    }
    void close() override
    {
        if (m_inner)
            m_inner->close();
    }
    bool lost() const override { return m_inner && m_inner->lost(); }
    int latencyMs() const override { return m_inner ? m_inner->latencyMs() : 0; }

private:
    FirstBlock *m_first;
    std::unique_ptr<AudioOutput> m_inner;
    BlockDone m_done;
};

QByteArray speech(int seconds)
{
    static const QByteArray tenSeconds = spx::encodeSpeech(spx::syntheticSpeech(10000));
    QByteArray payload;
    while (payload.size() < qsizetype(seconds) * 1000)
        payload += tenSeconds;
    return payload.left(qsizetype(seconds) * 1000);
}

// range(0): recording seconds; range(1): 1 through PortAudio's default device, 0 without a device.
void BM_StartLatency(benchmark::State &state)
{
    QTemporaryDir dir;
    RecordingHeader header;
    header.month = 5; // a header that names a date: anything else is no recording
    header.day = 17;
    const QByteArray payload = speech(int(state.range(0)));
    header.payloadLength = quint32(payload.size());
    const QString path = dir.filePath(QStringLiteral("r.spx"));
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(encodeHeader(header) + payload);
    file.close();

    FirstBlock first;
    const bool portAudio = state.range(1) != 0;
    AudioOutputFactory devices = PortAudioOutput::factory();
    PlaybackSession session(
        [&] { return std::make_unique<TimingOutput>(&first, portAudio ? devices() : nullptr); },
        speexBlockDecoders());
    for (auto _ : state) {
        {
            std::lock_guard lock(first.mutex);
            first.seen = false;
        }
        const auto clicked = Clock::now();
        session.start(path);
        std::unique_lock lock(first.mutex);
        if (!first.arrived.wait_for(lock, std::chrono::seconds(5), [&] { return first.seen; })) {
            state.SkipWithError("no block reached the device (no sound device?)");
            break;
        }
        state.SetIterationTime(std::chrono::duration<double>(first.at - clicked).count());
        lock.unlock();
        session.stop();
    }
    state.SetLabel(std::to_string(state.range(0)) + " s recording" +
                   (portAudio ? ", PortAudio default device" : ", no device"));
}
BENCHMARK(BM_StartLatency)
    ->ArgsProduct({{10, 600, 3600}, {0, 1}})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// One block of 5000 payload bytes is 5 s of sound.
void BM_DecodeBlock(benchmark::State &state)
{
    const QByteArray payload = speech(5);
    std::vector<char> pcm(PlaybackSession::kBlockPcm);
    auto decoder = speexBlockDecoders()();
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            decoder->decode(payload.constData(), int(payload.size()), pcm.data(), int(pcm.size())));
    }
    // Seconds of processor time per second of sound, as a share of one core.
    state.counters["cpu_per_sound_second"] =
        benchmark::Counter(double(state.iterations()) * 5.0,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_DecodeBlock)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    resetActivityFlags();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
