#include "Commands.h"
#include "Help.h"

#include "recordings/FolderScan.h"

#include <QTextStream>

namespace tovrel::cli {

// tovrel list [--header] FOLDER: the rows of the PC list, tab-separated, one per line.
int runList(const QStringList &args)
{
    QTextStream out(stdout);
    QTextStream err(stderr);
    QString folder;
    bool header = false;
    for (const QString &a : args) {
        if (a == QLatin1String("-h") || a == QLatin1String("--help")) {
            out << HelpPage({"tovrel list [--header] FOLDER"})
                       .paragraph("Lists the recording files (*.spx) of FOLDER in file-name order, "
                                  "one row per\n"
                                  "line, the cells tab-separated as the PC list shows them: 序号, "
                                  "文件名,\n"
                                  "电话号码, 时间, 属性, 文件长度, 时长.")
                       .section("Options",
                                {{"--header", "print the column captions first"}, kHelpEntry})
                       .paragraph("Exit status 0 when rows were listed, 1 otherwise.")
                       .text();
            return 0;
        }
        if (a == QLatin1String("--header"))
            header = true;
        else if (folder.isEmpty() && !a.startsWith(QLatin1Char('-')))
            folder = a;
        else {
            err << "tovrel list: unexpected argument: " << a << '\n';
            return 1;
        }
    }
    if (folder.isEmpty()) {
        err << "tovrel list: give a FOLDER (see --help)\n";
        return 1;
    }
    const FolderScanResult scan = scanRecordingFolder(folder);
    if (header && !scan.recordings.isEmpty()) {
        out << QString::fromUtf8("序号\t文件名\t电话号码\t时间\t属性\t文件长度\t时长\n");
    }
    int row = 0;
    for (const ScannedRecording &r : scan.recordings)
        out << recordingRowCells(++row, r.fileName, r.header).join(QLatin1Char('\t')) << '\n';
    out.flush();
    if (scan.message) {
        err << "tovrel list: " << *scan.message;
        if (!scan.failedPath.isEmpty())
            err << " (" << scan.failedPath << ": " << scan.failedReason << ')';
        err << '\n';
    }
    return scan.recordings.isEmpty() ? 1 : 0;
}

} // namespace tovrel::cli
