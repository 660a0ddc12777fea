#include "Commands.h"
#include "Help.h"
#include "TableOutput.h"

#include "io/NativePath.h"
#include "recordings/FolderScan.h"
#include "recordings/FolderWalk.h"
#include "recordings/RecordingWholeness.h"
#include "search/SearchScan.h"

#include <QDir>
#include <QTextStream>

namespace tovrel::cli {
namespace {

// Exit status: every file whole, some file not whole (or not readable), FOLDER not readable or
// the command given wrongly.
constexpr int kAllWhole = 0;
constexpr int kSomeNotWhole = 1;
constexpr int kNotChecked = 2;

void printCheckHelp(QTextStream &out)
{
    out << HelpPage({"tovrel check FOLDER [--recursive]"})
               .paragraph(
                   CLI_NOOP("Checks that the recording files (*.spx) of FOLDER are whole: a "
                            "header naming a date\n"
                            "and time that exist, and exactly the payload length it gives. "
                            "Prints one row per file\n"
                            "that is not, in the order of the PC list, tab-separated: the file "
                            "name (below FOLDER),\n"
                            "then what is wrong."))
               .section(
                   CLI_NOOP("Options"),
                   {{"-r, --recursive", CLI_NOOP("also check five levels of sub-folders, as the "
                                                 "search does")},
                    kHelpEntry})
               .paragraph(
                   CLI_NOOP("Exit status 0 when every file is whole, 1 when a row was printed, 2 "
                            "when FOLDER\n"
                            "cannot be read or the arguments are wrong."))
               .text();
}

} // namespace

// tovrel check FOLDER [--recursive]: the recording files that are not whole.
int runCheck(const QStringList &arguments)
{
    QTextStream out(stdout);
    QTextStream err(stderr);
    QString folder;
    bool recursive = false;
    for (const QString &a : arguments) {
        if (a == QLatin1String("-h") || a == QLatin1String("--help")) {
            printCheckHelp(out);
            return kAllWhole;
        }
        if (a == QLatin1String("-r") || a == QLatin1String("--recursive"))
            recursive = true;
        else if (folder.isEmpty() && !a.startsWith(QLatin1Char('-')))
            folder = a;
        else {
            err << "tovrel check: " << cliTr("unexpected argument: %1").arg(a) << '\n';
            return kNotChecked;
        }
    }
    if (folder.isEmpty()) {
        err << "tovrel check: " << cliTr("give a FOLDER (see --help)") << '\n';
        return kNotChecked;
    }

    QString base = QDir::cleanPath(QDir(folder).absolutePath());
    if (!base.endsWith(QLatin1Char('/')))
        base += QLatin1Char('/');
    int rows = 0;
    // Names below FOLDER, as shown; every row is written at once, in walk order.
    auto row = [&](const QString &path, const QString &what) {
        out << tableRow({shownPath(path.mid(base.size())), what}) << '\n';
        ++rows;
    };
    FolderWalkRules rules;
    rules.maxDepth = recursive ? search::kMaxScanDepth : 0;
    rules.isRecordingName = isListRecordingName;
    FolderWalkHooks hooks;
    hooks.recording = [&](const WalkedRecording &r) {
        if (const auto damage = recordingDamage(r, Wording::Data))
            row(r.path(), *damage);
    };
    hooks.fileFailed = [&](const QString &path, const QString &reason) {
        row(path, unreadableFileText(reason, Wording::Data));
    };
    hooks.folderFailed = [&](const QString &subFolder, const QString &reason) {
        row(subFolder, unreadableFileText(reason, Wording::Data));
    };
    const auto failure = walkRecordingFolders(base, rules, hooks);
    out.flush();
    if (out.status() != QTextStream::Ok) {
        err << "tovrel check: " << cliTr("cannot write the rows") << '\n';
        return kNotChecked;
    }
    if (failure) {
        err << "tovrel check: "
            << (failure->missing ? folderMissingMessage() : unreadableFolderMessage()) << " ("
            << shownPath(folder) << "): " << failure->reason << '\n';
        return kNotChecked;
    }
    return rows > 0 ? kSomeNotWhole : kAllWhole;
}

} // namespace tovrel::cli
