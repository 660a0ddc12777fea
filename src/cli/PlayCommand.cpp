#include "Commands.h"
#include "Help.h"

#include "io/Terminal.h"
#include "playback/PlaybackSession.h"
#include "playback/PlaybackSpeed.h"
#include "playback/PlaybackTimes.h"
#include "playback/PortAudioOutput.h"
#include "playback/SpeexBlockDecoder.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QTextStream>
#include <QTimer>

#include <cstdio>

namespace tovrel::cli {
namespace {

void printPlayHelp(QTextStream &out)
{
    out << HelpPage({"tovrel play FILE [--from SECONDS] [--speed X]"})
               .paragraph(CLI_NOOP(
                   "Plays the recording FILE (.spx) on the default audio output, from the "
                   "start or from\n"
                   "second SECONDS of its speech, and shows the position on a terminal. "
                   "Ends when the\n"
                   "recording has played out. At another speed the pitch stays the same and "
                   "the position\n"
                   "is shown in the recording's own time."))
               .section(CLI_NOOP("Options"),
                        {{"--from SECONDS", CLI_NOOP("start at this second of the speech")},
                         {"--speed X",
                          CLI_NOOP("play at X times the speed: 0.5 to 2.0 in steps of 0.1")},
                         kHelpEntry})
               .paragraph(CLI_NOOP(
                   "Exit status 0 when it played to the end, 1 with the message when it could not\n"
                   "(no audio device, unreadable file) or when the audio device stopped playing\n"
                   "before the end."))
               .text();
}

} // namespace

int runPlay(const QStringList &args)
{
    QTextStream out(stdout);
    QTextStream err(stderr);
    QString path;
    quint32 fromSeconds = 0;
    int speed = PlaybackSpeed::kNormal;
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args.at(i);
        if (a == QLatin1String("-h") || a == QLatin1String("--help")) {
            printPlayHelp(out);
            return 0;
        }
        if (a == QLatin1String("--from") || a.startsWith(QLatin1String("--from="))) {
            const QString value = a == QLatin1String("--from")
                                      ? (i + 1 < args.size() ? args.at(++i) : QString())
                                      : a.mid(7);
            bool ok = false;
            fromSeconds = value.toUInt(&ok);
            if (!ok || fromSeconds > 4000000) {
                err << "tovrel play: " << cliTr("--from takes a whole number of seconds") << '\n';
                return 1;
            }
        } else if (a == QLatin1String("--speed") || a.startsWith(QLatin1String("--speed="))) {
            const QString value = a == QLatin1String("--speed")
                                      ? (i + 1 < args.size() ? args.at(++i) : QString())
                                      : a.mid(8);
            const std::optional<int> tenths = PlaybackSpeed::parse(value);
            if (!tenths) {
                err << "tovrel play: "
                    << cliTr("--speed takes a number from 0.5 to 2.0 in steps of 0.1, not '%1'")
                           .arg(value)
                    << '\n';
                return 1;
            }
            speed = *tenths;
        } else if (path.isEmpty() && !a.startsWith(QLatin1Char('-'))) {
            path = a;
        } else {
            err << "tovrel play: " << cliTr("unexpected argument: %1").arg(a) << '\n';
            return 1;
        }
    }
    if (path.isEmpty()) {
        err << "tovrel play: " << cliTr("give a recording FILE (see --help)") << '\n';
        return 1;
    }
    if (!QFileInfo(path).isFile()) {
        err << "tovrel play: open input spx file error! (" << path << ")\n";
        return 1;
    }

    PlaybackSession session(PortAudioOutput::factory(), speexBlockDecoders());
    session.setSpeed(speed);
    QStringList failures;
    QObject::connect(&session, &PlaybackSession::failed, &session,
                     [&failures](const PlaybackMessage &m) { failures.append(m.text); });
    // Connected before the start: a player without a device ends at once.
    QEventLoop loop;
    QObject::connect(&session, &PlaybackSession::playerEnded, &loop, &QEventLoop::quit);
    if (const auto failure = session.start(path, fromSeconds * 1000)) {
        err << "tovrel play: " << failure->text << " (" << path << ")\n";
        return 1;
    }

    const bool terminal = errorStreamIsTerminal();
    const QString total =
        playbacktimes::timeText(playbacktimes::totalSeconds(session.fileLength()));
    // The position is shown five times a second until the player has ended.
    QTimer shown;
    QObject::connect(&shown, &QTimer::timeout, &loop, [&] {
        const int position = int(session.seekOffset() / 1000) + session.elapsedSeconds();
        err << '\r' << playbacktimes::timeText(position) << " / " << total;
        err.flush();
    });
    if (terminal)
        shown.start(200);
    if (session.isRunning())
        loop.exec();
    session.stop();
    QCoreApplication::processEvents();
    if (terminal)
        err << '\n';
    for (const QString &text : failures)
        err << "tovrel play: " << text << '\n';
    return failures.isEmpty() ? 0 : 1;
}

} // namespace tovrel::cli
