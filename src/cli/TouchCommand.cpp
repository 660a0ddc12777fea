// tovrel touch FOLDER: gives the recordings of a folder the call's date and time as their
// modification time, as the upload now does for every file it writes.

#include "Commands.h"
#include "Help.h"

#include "io/FileTime.h"
#include "recordings/CallTime.h"
#include "recordings/FolderScan.h"

#include <QFileInfo>
#include <QTextStream>

#include <algorithm>

namespace tovrel::cli {

int runTouch(const QStringList &args)
{
    QTextStream out(stdout);
    QTextStream err(stderr);
    QString folder;
    for (const QString &a : args) {
        if (a == QLatin1String("-h") || a == QLatin1String("--help")) {
            out << HelpPage({"tovrel touch FOLDER"})
                       .paragraph(CLI_NOOP(
                           "Gives each recording file (*.spx) of FOLDER the date and time of its\n"
                           "call as its modification time, as an upload does. A recording without\n"
                           "a year takes the latest such date not after the file's own time (the\n"
                           "time of its upload); a header naming no real date leaves the file as\n"
                           "it is. Prints how many files it changed."))
                       .section(CLI_NOOP("Options"), {kHelpEntry})
                       .paragraph(
                           CLI_NOOP("Exit status 0 on success, 1 when a file could not be read or\n"
                                    "changed (each is named) or FOLDER cannot be read."))
                       .text();
            return 0;
        }
        if (!folder.isEmpty() || a.startsWith(QLatin1Char('-'))) {
            err << "tovrel touch: " << cliTr("unexpected argument: %1").arg(a) << '\n';
            return 1;
        }
        folder = a;
    }
    if (folder.isEmpty()) {
        err << "tovrel touch: " << cliTr("give a FOLDER (see --help)") << '\n';
        return 1;
    }
    if (!QFileInfo(folder).isDir()) {
        err << "tovrel touch: " << cliTr("no such folder: %1").arg(folder) << '\n';
        return 1;
    }
    const FolderScanResult scan = scanRecordingFolder(folder);
    if (scan.message == unreadableFolderMessage()) {
        err << "tovrel touch: " << *scan.message << '\n';
        return 1;
    }
    bool failed = false;
    for (const UnreadableRecording &f : scan.unreadable) {
        err << "tovrel touch: " << f.path << ": " << f.reason << '\n';
        failed = true;
    }
    const QDateTime now = QDateTime::currentDateTime();
    int changed = 0;
    for (const ScannedRecording &r : scan.recordings) {
        const QDateTime fileTime = QFileInfo(r.path).lastModified();
        // A file's own time is that of its upload (or of an earlier touch, which gives the same
        // date again): a recording without a year is placed before it.
        const QDateTime uploaded = fileTime.isValid() ? std::min(fileTime, now) : now;
        const auto callTime = callDateTime(r.header, uploaded);
        if (!callTime || *callTime == fileTime)
            continue;
        if (const auto error = setModificationTime(r.path, *callTime)) {
            err << "tovrel touch: " << r.path << ": " << *error << '\n';
            failed = true;
            continue;
        }
        ++changed;
    }
    out << "tovrel touch: "
        << cliTr("changed %1 of %2 recording file(s)").arg(changed).arg(scan.recordings.size())
        << '\n';
    return failed ? 1 : 0;
}

} // namespace tovrel::cli
