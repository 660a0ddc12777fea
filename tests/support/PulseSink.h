#pragma once

#include "SkipOutsideCi.h"

#include "ProgramRun.h"

#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QTemporaryDir>

#include <memory>

namespace tovrel::test {

// A private PulseAudio sound server with one null sink ("rec": 8000 Hz, mono, s16le) as its
// default sink, for tests that play through a real sound server and listen to what it played on
// the sink's monitor. ALSA's default device of the server's HOME goes to the server (the pulse
// ALSA plugin), so PortAudio's default output plays into the sink, as on a desktop whose sound
// goes through PulseAudio or PipeWire's PulseAudio service.
//
// The server runs in a runtime folder and HOME of its own, without a configuration script (-n),
// with the null sink and the native protocol loaded explicitly; so it also runs as root (it only
// warns that it is not meant to), and --system is not needed. Several of them (one per test
// program) run side by side.
class PulseSink
{
public:
    // Starts the server and waits until it answers. `latencyMs` > 0 makes every client ask for
    // that much buffering (PULSE_LATENCY_MSEC), as a server configured for a large buffer does.
    explicit PulseSink(int latencyMs = 0);
    ~PulseSink();
    PulseSink(const PulseSink &) = delete;
    PulseSink &operator=(const PulseSink &) = delete;

    // Empty when the server runs; else why it does not (a tool missing, the server refused).
    QString error() const { return m_error; }

    // The environment of a program that is to play into the sink.
    QProcessEnvironment environment() const;
    // Puts that environment into this process; before PortAudio is first started here.
    void useInThisProcess() const;

    // Starts recording the sink's monitor (parec); false with error() when it cannot.
    bool startListening();
    // Stops the recording and returns the samples heard (16-bit little-endian, 8000 Hz, mono).
    QByteArray stopListening();
    // What the recording holds so far, while it goes on.
    QByteArray heardSoFar() const;

    // Ends the server at once (SIGKILL), as when a desktop's sound server dies; restart() brings
    // a new one up at the same place.
    void kill();
    bool restart();

    // A tool the sink needs that is not installed (empty: all are there).
    static QString missingTool();

private:
    bool startServer();
    bool waitForServer();

    int m_latencyMs = 0;
    QTemporaryDir m_home;
    QString m_error;
    std::unique_ptr<QProcess> m_server;
    std::unique_ptr<QProcess> m_listener;
    QString m_heardPath;
};

// How `expected` (16-bit samples) sounded in `heard`: silence, then all of `expected` in order,
// in one or more pieces with only silence between them, then silence. Returns the number of
// pieces, or -1 and says in `why` where the sound went wrong. Exact zero samples count as
// silence on both sides.
int soundedPieces(const QByteArray &heard, const QByteArray &expected, QString *why);

// The seconds of `expected` that have sounded so far in `heard` (which may stop mid-way),
// following the same rule; -1 when something else sounded.
double secondsSounded(const QByteArray &heard, const QByteArray &expected);

// Runs `tovrel play ARGS` into the sink's server, with `extra` added to its environment, to its
// end (killed after `timeoutMs`, exit code -1 then).
ProgramRun tovrelPlay(const PulseSink &sink, const QStringList &args,
                      const QProcessEnvironment &extra = {}, int timeoutMs = 180000);

} // namespace tovrel::test

// Ends the test when the sink does not run: a failure in CI, a skip elsewhere.
#define TOVREL_REQUIRE_PULSE(sink)                                                                 \
    do {                                                                                           \
        if (!(sink).error().isEmpty())                                                             \
            TOVREL_SKIP_OUTSIDE_CI(qPrintable((sink).error()));                                    \
    } while (false)
