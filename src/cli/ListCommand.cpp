#include "Commands.h"
#include "ContactsOption.h"
#include "ExportOption.h"
#include "Help.h"
#include "NotesOption.h"
#include "TableOutput.h"

#include "io/NativePath.h"
#include "notes/NoteColumn.h"
#include "notes/RecordingNote.h"
#include "recordings/FolderScan.h"
#include "report/RecordingColumns.h"
#include "report/ReportModel.h"

#include <QFileInfo>

#include <QTextStream>

namespace tovrel::cli {

namespace {

// The scan's message on stderr: the folder named when it could not be read, each unreadable
// file with the system's reason.
void printScanMessage(const FolderScanResult &scan, const QString &folder)
{
    QTextStream err(stderr);
    err << "tovrel list: " << *scan.message;
    if (scan.folder != FolderState::Read)
        err << " (" << shownPath(folder) << ')';
    err << '\n';
    for (const UnreadableRecording &f : scan.unreadable)
        err << "tovrel list: " << shownPath(f.path) << ": " << f.reason << '\n';
}

// FOLDER's list written to a workbook: the whole list or nothing. A folder that exists but
// holds no recording gives the header row only.
int exportFolderList(const QString &folder, const ExportRequest &request,
                     const std::optional<ContactBook> &contacts)
{
    QTextStream err(stderr);
    if (!QFileInfo(folder).isDir()) {
        err << "tovrel list: " << cliTr("no such folder: %1").arg(folder) << '\n';
        return 1;
    }
    const FolderScanResult scan = scanRecordingFolder(folder);
    // A folder or file that cannot be read: the workbook would miss rows, so none is written.
    if (scan.folder != FolderState::Read || !scan.unreadable.isEmpty()) {
        printScanMessage(scan, folder);
        err << "tovrel list: " << cliTr("nothing exported") << '\n';
        return 1;
    }
    ReportModel list;
    QList<ReportColumn> columns;
    QStringList captions = recordingListCaptions();
    if (contacts)
        captions.insert(kListNumberColumn + 1, contactColumnCaption());
    captions.append(noteColumnCaption());
    for (const QString &caption : captions)
        columns.append({caption});
    list.setColumns(columns);
    QList<ReportRow> rows;
    int row = 0;
    for (const ScannedRecording &r : scan.recordings) {
        QStringList cells = recordingRowCells(++row, r.fileName, r.header);
        if (contacts)
            insertContactCell(cells, kListNumberColumn, *contacts);
        QString noteError;
        appendNoteCell(cells, captions.size(), r.path, r.hasNote, &noteError);
        if (!noteError.isEmpty()) {
            err << "tovrel list: " << noteError << "\ntovrel list: " << cliTr("nothing exported")
                << '\n';
            return 1;
        }
        rows.append({std::move(cells), r.fileName});
    }
    list.appendRows(std::move(rows));
    // The 备注 column goes into the workbook when a recording has a note.
    ReportModel exported;
    copyListForExport(list, exported);
    return writeListExport(exported, request);
}

} // namespace

// tovrel list [--header] FOLDER: the rows of the PC list, tab-separated, one per line.
int runList(const QStringList &arguments)
{
    QTextStream out(stdout);
    QTextStream err(stderr);
    QString folder;
    bool header = false;
    QStringList args = arguments;
    ExportRequest exportRequest;
    if (const auto error = takeExportOptions(args, exportRequest)) {
        err << "tovrel list: " << *error << '\n';
        return 1;
    }
    const bool withContacts = takeContactsOption(args);
    const bool withNotes = takeNotesOption(args);
    for (const QString &a : args) {
        if (a == QLatin1String("-h") || a == QLatin1String("--help")) {
            out << HelpPage({"tovrel list [--header] [--contacts] [--notes] FOLDER",
                             "tovrel list FOLDER [--contacts] --export PATH [--replace]"})
                       .paragraph(CLI_NOOP(
                           "Lists the recording files (*.spx) of FOLDER in file-name order, "
                           "one row per\n"
                           "line, the cells tab-separated as the PC list shows them: 序号, "
                           "文件名,\n"
                           "电话号码, 时间, 属性, 文件长度, 时长. An export carries the 备注 "
                           "column\n"
                           "when a recording has a note."))
                       .section(CLI_NOOP("Options"),
                                {{"--header", CLI_NOOP("print the column captions first")},
                                 kContactsEntry,
                                 kNotesEntry,
                                 kExportEntry,
                                 kReplaceEntry,
                                 kHelpEntry})
                       .paragraph(CLI_NOOP("Exit status 0 when rows were listed, 1 otherwise."))
                       .text();
            return 0;
        }
        if (a == QLatin1String("--header"))
            header = true;
        else if (folder.isEmpty() && !a.startsWith(QLatin1Char('-')))
            folder = a;
        else {
            err << "tovrel list: " << cliTr("unexpected argument: %1").arg(a) << '\n';
            return 1;
        }
    }
    if (folder.isEmpty()) {
        err << "tovrel list: " << cliTr("give a FOLDER (see --help)") << '\n';
        return 1;
    }
    std::optional<ContactBook> contacts;
    if (withContacts && !(contacts = loadUserContactBook("tovrel list")))
        return 1;
    if (exportRequest.requested())
        return exportFolderList(folder, exportRequest, contacts);
    const FolderScanResult scan = scanRecordingFolder(folder);
    if (header && !scan.recordings.isEmpty()) {
        QStringList captions =
            QString::fromUtf8("序号\t文件名\t电话号码\t时间\t属性\t文件长度\t时长")
                .split(QLatin1Char('\t'));
        if (contacts)
            captions.insert(kListNumberColumn + 1, contactColumnCaption());
        if (withNotes)
            captions.append(noteColumnCaption());
        out << captions.join(QLatin1Char('\t')) << '\n';
    }
    int row = 0;
    bool unreadNote = false;
    for (const ScannedRecording &r : scan.recordings) {
        QStringList cells = recordingRowCells(++row, r.fileName, r.header);
        if (contacts)
            insertContactCell(cells, kListNumberColumn, *contacts);
        if (withNotes) {
            QString noteError;
            appendNoteCell(cells, cells.size() + 1, r.path, r.hasNote, &noteError);
            if (!noteError.isEmpty()) {
                out.flush();
                err << "tovrel list: " << noteError << '\n';
                unreadNote = true;
            }
        }
        out << tableRow(cells) << '\n';
    }
    out.flush();
    if (scan.message)
        printScanMessage(scan, folder);
    // Listed rows, but a file or a note that could not be read, is not a success either.
    return scan.message || unreadNote ? 1 : 0;
}

} // namespace tovrel::cli
