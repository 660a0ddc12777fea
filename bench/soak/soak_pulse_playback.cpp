// Soak of playback through a real sound server under load: a private PulseAudio daemon with a
// null sink (the tests' PulseSink), PortAudio's default output, and busy threads on every core.
//  1. CALLS random start / pause / resume / seek / next / stop calls on one playback session
//     (300 by default). Every call must return within 5 s (else the program aborts: a hang), and
//     the device must never be reported stopped: the server never stops.
//  2. Then a one-minute recording played whole under the same load: the sink's monitor must hold
//     libspeex's own decode of it, in order; gaps of silence the server let in are counted.
// Prints the figures; exit status 1 when a check failed.
//   soak_pulse_playback [CALLS [SEED [BUSY_THREADS [SERVER_LATENCY_MS]]]]

#include "PulseSink.h"
#include "SpeechFixtures.h"

#include "RecordBytes.h"
#include "activity/ActivityFlags.h"
#include "playback/PlaybackSession.h"
#include "playback/PortAudioOutput.h"
#include "playback/SpeexBlockDecoder.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <thread>
#include <vector>

using namespace tovrel;
using Clock = std::chrono::steady_clock;

namespace {

QString writeRecording(const QTemporaryDir &dir, const QString &name, const QByteArray &bytes)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.flush()) {
        std::fprintf(stderr, "soak_pulse_playback: cannot write %s\n", qPrintable(path));
        std::exit(2);
    }
    return path;
}

QByteArray makeRecording(int milliseconds, unsigned seed)
{
    emulator::RecordFields record;
    record.month = 5;
    record.day = 17;
    record.number = QStringLiteral("13800138000");
    return test::speechRecording(record, milliseconds, seed);
}

// Keeps `count` threads busy until destroyed.
class BusyLoad
{
public:
    explicit BusyLoad(int count)
    {
        for (int i = 0; i < count; ++i) {
            m_threads.emplace_back([this] {
                volatile unsigned long long x = 1;
                while (!m_stop.load(std::memory_order_relaxed))
                    x = x * 6364136223846793005ULL + 1442695040888963407ULL;
            });
        }
    }
    ~BusyLoad()
    {
        m_stop = true;
        for (std::thread &t : m_threads)
            t.join();
    }

private:
    std::atomic<bool> m_stop{false};
    std::vector<std::thread> m_threads;
};

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int calls = argc > 1 ? std::atoi(argv[1]) : 300;
    const unsigned seed = argc > 2 ? unsigned(std::atoi(argv[2])) : 1u;
    const int busy =
        argc > 3 ? std::atoi(argv[3]) : int(std::max(1u, std::thread::hardware_concurrency()));
    const int latencyMs = argc > 4 ? std::atoi(argv[4]) : 0;

    test::PulseSink sink(latencyMs);
    if (!sink.error().isEmpty()) {
        std::fprintf(stderr, "soak_pulse_playback: %s\n", qPrintable(sink.error()));
        return 2;
    }
    sink.useInThisProcess();

    QTemporaryDir dir;
    const std::array<QString, 3> recordings = {
        writeRecording(dir, QStringLiteral("a.spx"), makeRecording(12000, 1)),
        writeRecording(dir, QStringLiteral("b.spx"), makeRecording(3000, 2)),
        writeRecording(dir, QStringLiteral("c.spx"), makeRecording(300, 3)),
    };
    const std::array<int, 3> seconds = {12, 3, 0};
    const QByteArray minute = makeRecording(60000, 4);
    const QString whole = writeRecording(dir, QStringLiteral("whole.spx"), minute);

    PlaybackSession session(PortAudioOutput::factory(), speexBlockDecoders());
    int deviceStopped = 0;
    int otherMessages = 0;
    QObject::connect(&session, &PlaybackSession::failed, &session, [&](const PlaybackMessage &m) {
        if (m == playbackmessages::deviceStopped())
            ++deviceStopped;
        else
            ++otherMessages;
    });

    BusyLoad load(busy);

    // A watchdog: a call that does not return within 5 s is a hang.
    std::atomic<long long> callStarted{0};
    std::atomic<bool> finished{false};
    std::thread watchdog([&] {
        while (!finished) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            const long long started = callStarted.load();
            const long long now = Clock::now().time_since_epoch().count();
            if (started != 0 && now - started > 5'000'000'000LL) {
                std::fprintf(stderr, "soak_pulse_playback: a call has not returned for 5 s\n");
                std::abort();
            }
        }
    });

    std::mt19937 random(seed);
    const char *names[] = {"start", "pause", "resume", "seek", "next", "stop"};
    std::array<int, 6> counts{};
    std::array<double, 6> longestMs{};
    int current = 0;
    int startFailures = 0;
    const auto began = Clock::now();
    for (int i = 0; i < calls; ++i) {
        const int op = int(random() % 6);
        const auto t0 = Clock::now();
        callStarted = t0.time_since_epoch().count();
        switch (op) {
        case 0:
            startFailures += session.start(recordings[size_t(current)]) ? 1 : 0;
            break;
        case 1:
            session.pause();
            break;
        case 2:
            session.resume();
            break;
        case 3: {
            const int at = seconds[size_t(current)] > 0
                               ? int(random() % unsigned(seconds[size_t(current)]))
                               : 0;
            startFailures +=
                session.start(recordings[size_t(current)], quint32(at) * 1000u) ? 1 : 0;
            break;
        }
        case 4:
            current = (current + 1) % int(recordings.size());
            startFailures += session.start(recordings[size_t(current)]) ? 1 : 0;
            break;
        default:
            session.stop();
            break;
        }
        callStarted = 0;
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
        ++counts[size_t(op)];
        longestMs[size_t(op)] = std::max(longestMs[size_t(op)], ms);
        app.processEvents();
        // Sound plays between calls, and some playbacks pause or end on their own.
        std::this_thread::sleep_for(std::chrono::milliseconds(random() % 400));
    }
    session.stop();
    app.processEvents();
    const double soakSeconds = std::chrono::duration<double>(Clock::now() - began).count();

    // The whole minute under the same load, checked on the monitor.
    bool wholeOk = false;
    int pieces = -1;
    QString why;
    if (sink.startListening()) {
        if (!session.start(whole)) {
            while (session.isRunning()) {
                app.processEvents();
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
        }
        app.processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        pieces =
            test::soundedPieces(sink.stopListening(), test::referenceDecode(minute.mid(19)), &why);
        wholeOk = pieces > 0;
    } else {
        why = sink.error();
    }
    finished = true;
    watchdog.join();

    std::printf("soak_pulse_playback: %d calls (seed %u, %d busy threads, server latency %d ms) "
                "in %.1f s\n",
                calls, seed, busy, latencyMs, soakSeconds);
    for (size_t i = 0; i < counts.size(); ++i)
        std::printf("  %-6s %4d calls, longest %7.2f ms\n", names[i], counts[i], longestMs[i]);
    std::printf("  start failures: %d; device reported stopped: %d; other messages: %d\n",
                startFailures, deviceStopped, otherMessages);
    if (wholeOk)
        std::printf("  one minute under load: sounded whole, in %d piece(s)\n", pieces);
    else
        std::printf("  one minute under load: NOT sounded whole: %s\n", qPrintable(why));
    return startFailures == 0 && deviceStopped == 0 && otherMessages == 0 && wholeOk ? 0 : 1;
}
