#include "AudioOption.h"
#include "Commands.h"
#include "ContactsOption.h"
#include "Help.h"
#include "ProgressLine.h"

#include "activity/ActivityFlags.h"
#include "conversion/ConversionWorker.h"
#include "io/NativePath.h"
#include "recordings/FolderScan.h"

#include <QDir>
#include <QFileInfo>
#include <QTextStream>

#include <csignal>
#include <cstdio>

namespace tovrel::cli {
namespace {

std::atomic<int> *g_runningFlag = nullptr;

// Ctrl-C or a termination request stops the run after the chunk in hand; the WAV in hand is
// dropped, and an earlier file of its name stays as it was.
extern "C" void stopOnSignal(int)
{
    if (g_runningFlag)
        g_runningFlag->store(0);
}

void printUsage(QTextStream &s)
{
    s << HelpPage(
             {"tovrel convert --out DIR [--format F [--bitrate KBPS]] [--jobs N] FILE...",
              "tovrel convert --out DIR [--format F [--bitrate KBPS]] [--jobs N] --all FOLDER"})
             .paragraph(CLI_NOOP(
                 "Converts recording files into WAV files (16-bit mono PCM, 8000 Hz) named\n"
                 "<name>.spx.wav in DIR, as the PC tab's conversion does; --all converts every\n"
                 "recording of FOLDER in the PC list's order. Several recordings are decoded at\n"
                 "once; the WAVs and the order of the lines printed stay the same. A progress bar\n"
                 "is drawn on stderr when it is a terminal. --format flac, opus or mp3 writes\n"
                 "<name>.spx.flac, .spx.opus or .spx.mp3 instead, carrying the call (kind,\n"
                 "number, contact, date and time, note) in the file's tags."))
             .section(CLI_NOOP("Options"),
                      {{"--out DIR", CLI_NOOP("folder the WAV files are written into")},
                       {"--all FOLDER", CLI_NOOP("convert every recording of FOLDER")},
                       kFormatEntry,
                       kBitrateEntry,
                       {"--jobs N", CLI_NOOP("recordings decoded at once (default: one per core)")},
                       kHelpEntry})
             .paragraph(CLI_NOOP(
                 "Exit status 0 on success, 1 with the failure text otherwise: also when a file\n"
                 "is no recording, not a whole one or corrupted (its WAV, if any, holds what "
                 "could\n"
                 "be converted and never replaces an earlier file), and after a stop, which drops\n"
                 "the WAV in hand."))
             .text();
}

} // namespace

int runConvert(const QStringList &args)
{
    QTextStream out(stdout);
    QTextStream err(stderr);
    QString outDir;
    QString allFolder;
    QStringList files;
    int jobs = 0;
    AudioChoice choice;
    bool formatGiven = false;
    QStringList rest = args;
    if (!rest.contains(QLatin1String("-h")) && !rest.contains(QLatin1String("--help"))) {
        if (const auto error = takeAudioOptions(rest, choice, &formatGiven)) {
            err << "tovrel convert: " << *error << '\n';
            return 1;
        }
    }
    const QStringList &arguments = rest;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString &a = arguments[i];
        if (a == QLatin1String("-h") || a == QLatin1String("--help")) {
            printUsage(out);
            return 0;
        }
        if ((a == QLatin1String("--out") || a == QLatin1String("--all")) &&
            i + 1 < arguments.size())
            (a == QLatin1String("--out") ? outDir : allFolder) = arguments[++i];
        else if (a == QLatin1String("--jobs") && i + 1 < arguments.size()) {
            bool ok = false;
            jobs = arguments[++i].toInt(&ok);
            if (!ok || jobs < 1) {
                err << "tovrel convert: "
                    << cliTr("--jobs takes a number of at least 1: %1").arg(arguments[i]) << '\n';
                return 1;
            }
        } else if (a.startsWith(QLatin1String("--"))) {
            err << "tovrel convert: " << cliTr("unexpected argument: %1").arg(a) << '\n';
            return 1;
        } else
            files.append(a);
    }
    if (outDir.isEmpty() || (allFolder.isEmpty() == files.isEmpty())) {
        printUsage(err);
        return 1;
    }
    QDir().mkpath(outDir);
    const QString outputFolder = QDir(outDir).absolutePath() + QLatin1Char('/');

    FolderScanResult scan;
    if (!allFolder.isEmpty()) {
        scan = scanRecordingFolder(allFolder);
        for (const ScannedRecording &r : scan.recordings)
            files.append(r.path);
        if (files.isEmpty()) {
            err << "tovrel convert: " << *scan.message << '\n';
            return 1;
        }
    } else {
        for (QString &f : files)
            f = QFileInfo(f).absoluteFilePath();
    }

    // The contact names the calls in the files' tags; a WAV has none.
    std::shared_ptr<const ContactBook> contacts;
    if (choice.format != AudioFormat::Wav) {
        auto book = loadUserContactBook("tovrel convert");
        if (!book)
            return 1;
        contacts = std::make_shared<const ContactBook>(std::move(*book));
    }

    std::atomic<int> &flag = allFolder.isEmpty() ? ConvertSelectedFlag : ConvertAllFlag;
    flag.store(1);
    ConversionWorker worker(files, outputFolder, flag, jobs);
    worker.setOutput(choice, contacts);
    ProgressLine line(err);
    QString failure;
    int converted = 0;
    QObject::connect(&worker, &ConversionWorker::fileStarted,
                     [&](const QString &name, int, qint64 maximum) { line.file(name, maximum); });
    QObject::connect(&worker, &ConversionWorker::progress,
                     [&](int, qint64 runChunks) { line.step(runChunks); });
    QObject::connect(&worker, &ConversionWorker::fileFinished, [&](const QString &wav) {
        ++converted;
        line.clear();
        out << wav << '\n';
        out.flush();
    });
    // A file not converted whole is told at once and makes the exit status 1 at the end.
    int incomplete = 0;
    QObject::connect(&worker, &ConversionWorker::fileIncomplete,
                     [&](const QString &input, const QString &text, const QString &wav) {
                         ++incomplete;
                         line.clear();
                         err << "tovrel convert: " << shownPath(input) << ": " << text;
                         if (!wav.isEmpty())
                             err << " (" << shownPath(wav) << ')';
                         err << '\n';
                         err.flush();
                     });
    QObject::connect(&worker, &ConversionWorker::failed,
                     [&](const QString &text, const QString &reason, const QString &path) {
                         failure = text + QStringLiteral(" (") + shownPath(path) +
                                   QStringLiteral(": ") + reason + QLatin1Char(')');
                     });

    g_runningFlag = &flag;
    const auto previousInt = std::signal(SIGINT, stopOnSignal);
    const auto previousTerm = std::signal(SIGTERM, stopOnSignal);
    worker.run();
    std::signal(SIGTERM, previousTerm);
    std::signal(SIGINT, previousInt);
    g_runningFlag = nullptr;
    line.clear();

    const bool stopped = flag.load() != 1;
    flag.store(0);
    if (!failure.isEmpty()) {
        err << "tovrel convert: " << failure << '\n';
        return 1;
    }
    if (stopped) {
        err << "tovrel convert: " << cliTr("stopped after %1 file(s)").arg(converted) << '\n';
        return 1;
    }
    if (scan.message) {
        err << "tovrel convert: " << *scan.message << '\n';
        for (const UnreadableRecording &f : scan.unreadable)
            err << "tovrel convert: " << shownPath(f.path) << ": " << f.reason << '\n';
        return 1;
    }
    if (incomplete > 0) {
        err << "tovrel convert: " << cliTr("%1 file(s) not converted whole").arg(incomplete)
            << '\n';
        return 1;
    }
    return 0;
}

} // namespace tovrel::cli
