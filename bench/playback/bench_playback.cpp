// Playback's two costs: the time from a start to the first piece of sound queued at the device,
// for recordings of any length, and the decoder's processor time per second of sound.

#include "SpeechEncoder.h"

#include "activity/ActivityFlags.h"
#include "playback/PlaybackSession.h"
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

class TimingOutput final : public AudioOutput
{
public:
    explicit TimingOutput(FirstBlock *first) : m_first(first) {}
    OpenResult open(int, int, BlockDone blockDone) override
    {
        m_done = std::move(blockDone);
        return OpenResult::Ok;
    }
    void queue(const char *, int) override
    {
        {
            std::lock_guard lock(m_first->mutex);
            if (!m_first->seen) {
                m_first->seen = true;
                m_first->at = Clock::now();
            }
        }
        m_first->arrived.notify_all();
        m_done();
    }
    void pause() override {}
    void restart() override {}
    void reset() override {}
    void close() override {}

private:
    FirstBlock *m_first;
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

void BM_StartLatency(benchmark::State &state)
{
    QTemporaryDir dir;
    RecordingHeader header;
    const QByteArray payload = speech(int(state.range(0)));
    header.payloadLength = quint32(payload.size());
    const QString path = dir.filePath(QStringLiteral("r.spx"));
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(encodeHeader(header) + payload);
    file.close();

    FirstBlock first;
    PlaybackSession session([&first] { return std::make_unique<TimingOutput>(&first); },
                            speexBlockDecoders());
    for (auto _ : state) {
        {
            std::lock_guard lock(first.mutex);
            first.seen = false;
        }
        const auto clicked = Clock::now();
        session.start(path);
        std::unique_lock lock(first.mutex);
        first.arrived.wait(lock, [&] { return first.seen; });
        state.SetIterationTime(std::chrono::duration<double>(first.at - clicked).count());
        lock.unlock();
        session.stop();
    }
    state.SetLabel(std::to_string(state.range(0)) + " s recording");
}
BENCHMARK(BM_StartLatency)
    ->Arg(10)
    ->Arg(600)
    ->Arg(3600)
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
