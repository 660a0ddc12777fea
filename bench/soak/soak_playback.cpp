// Soak of playback: random start / pause / resume / seek / next / stop calls on one playback
// session that plays into the virtual output, 1000 by default. Built and run under
// AddressSanitizer (see bench/README.md) it also shows that nothing leaks (LeakSanitizer at the
// exit). Every call must return within 5 s (else the program aborts: a hang); after every stop,
// and at the end, both of the session's threads must have been joined. Prints the figures.
//   soak_playback [CALLS [SEED]]

#include "SpeechEncoder.h"

#include "VirtualAudioOutput.h"
#include "activity/ActivityFlags.h"
#include "playback/PlaybackSession.h"
#include "playback/SpeexBlockDecoder.h"
#include "recordings/RecordingHeader.h"

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

using namespace tovrel;
using Clock = std::chrono::steady_clock;

namespace {

QString writeRecording(const QTemporaryDir &dir, const QString &name, int milliseconds,
                       bool longForm)
{
    const QByteArray payload = spx::encodeSpeech(spx::syntheticSpeech(milliseconds));
    RecordingHeader header;
    header.longForm = longForm;
    header.month = 5;
    header.day = 17;
    header.number = QStringLiteral("13800138000");
    header.payloadLength = quint32(payload.size());
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(encodeHeader(header) + payload) < 0 ||
        !file.flush()) {
        std::fprintf(stderr, "soak_playback: cannot write %s\n", qPrintable(path));
        std::exit(2);
    }
    return path;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int calls = argc > 1 ? std::atoi(argv[1]) : 1000;
    const unsigned seed = argc > 2 ? unsigned(std::atoi(argv[2])) : 1u;

    QTemporaryDir dir;
    const std::array<QString, 3> recordings = {
        writeRecording(dir, QStringLiteral("a.spx"), 12000, false),
        writeRecording(dir, QStringLiteral("b.spx"), 3000, true),
        writeRecording(dir, QStringLiteral("c.spx"), 300, false),
    };
    const std::array<int, 3> seconds = {12, 3, 0};

    auto record = std::make_shared<VirtualAudioOutput::Record>();
    // Fifty times real time, so that recordings also play out during the soak.
    PlaybackSession session(VirtualAudioOutput::factory(record, 50.0), speexBlockDecoders());

    // A watchdog: a call that does not return within 5 s is a hang.
    std::atomic<long long> callStarted{0};
    std::atomic<bool> finished{false};
    std::thread watchdog([&] {
        while (!finished) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            const long long started = callStarted.load();
            const long long now = Clock::now().time_since_epoch().count();
            if (started != 0 && now - started > 5'000'000'000LL) {
                std::fprintf(stderr, "soak_playback: a call has not returned for 5 s\n");
                std::abort();
            }
        }
    });

    std::mt19937 random(seed);
    const char *names[] = {"start", "pause", "resume", "seek", "next", "stop"};
    std::array<int, 6> counts{};
    std::array<double, 6> longestMs{};
    int current = 0;
    int unjoined = 0;
    int failures = 0;
    const auto began = Clock::now();
    for (int i = 0; i < calls; ++i) {
        const int op = int(random() % 6);
        const auto t0 = Clock::now();
        callStarted = t0.time_since_epoch().count();
        switch (op) {
        case 0:
            failures += session.start(recordings[size_t(current)]) ? 1 : 0;
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
            failures += session.start(recordings[size_t(current)], quint32(at) * 1000u) ? 1 : 0;
            break;
        }
        case 4:
            current = (current + 1) % int(recordings.size());
            failures += session.start(recordings[size_t(current)]) ? 1 : 0;
            break;
        default:
            session.stop();
            if (session.isRunning() || PlayStateFlag.load() != PlayStopped)
                ++unjoined;
            break;
        }
        callStarted = 0;
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
        ++counts[size_t(op)];
        longestMs[size_t(op)] = std::max(longestMs[size_t(op)], ms);
        app.processEvents();
        // Now and then the threads get time to play, pause and end on their own.
        if (random() % 4 == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(random() % 30));
    }
    session.stop();
    if (session.isRunning())
        ++unjoined;
    finished = true;
    watchdog.join();
    const double total = std::chrono::duration<double>(Clock::now() - began).count();

    std::printf("soak_playback: %d calls (seed %u) in %.1f s\n", calls, seed, total);
    for (size_t i = 0; i < counts.size(); ++i)
        std::printf("  %-6s %4d calls, longest %7.2f ms\n", names[i], counts[i], longestMs[i]);
    std::printf("  blocks played by the virtual output: %d (%.1f s of sound)\n",
                record->blocksFinished(), record->played().size() / 16000.0);
    std::printf("  start failures: %d; threads not joined after a stop: %d\n", failures, unjoined);
    return failures == 0 && unjoined == 0 ? 0 : 1;
}
