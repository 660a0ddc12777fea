#include "AudioOption.h"
#include "Commands.h"
#include "ContactsOption.h"
#include "ExportOption.h"
#include "NotesOption.h"
#include "SearchArguments.h"
#include "TableOutput.h"

#include "io/NativePath.h"
#include "notes/NoteColumn.h"
#include "notes/RecordingNote.h"
#include "report/ReportModel.h"
#include "search/SearchScan.h"

#include <QCoreApplication>
#include <QTextStream>

#include <variant>

namespace tovrel::cli {
namespace {

void printSearchHelp(QTextStream &out)
{
    out << HelpPage({"tovrel search FOLDER [OPTION...]"})
               .paragraph(CLI_NOOP(
                   "Searches FOLDER and five levels of sub-folders for recording files "
                   "(*.spx) as the\n"
                   "search window does, and prints the rows found, tab-separated: 文件名,\n"
                   "电话号码, 时间, 时长, 属性, 文件路径. The count line goes to stderr.\n"
                   "An export carries the 备注 column when a recording found has a note."))
               .section(
                   CLI_NOOP("Options"),
                   {{"--from, --to",
                     CLI_NOOP("the date-and-time range (both or neither), YYYY-MM-DD hh:mm[:ss]")},
                    {"--number DIGITS", CLI_NOOP("numbers holding DIGITS anywhere")},
                    {"--name TEXT",
                     CLI_NOOP("numbers of contacts whose name holds TEXT (letter case ignored)")},
                    {"--note TEXT",
                     CLI_NOOP("recordings whose note holds TEXT (letter case ignored)")},
                    {"--kinds LIST",
                     CLI_NOOP("kinds ticked, of in,out,local (all when absent, \"\" for none)")},
                    {"--min-seconds N", CLI_NOOP("shortest duration in seconds (0: no bound)")},
                    {"--max-seconds N", CLI_NOOP("longest duration in seconds (0: no bound)")},
                    {"--header", CLI_NOOP("print the column captions first")},
                    kContactsEntry,
                    kNotesEntry,
                    kExportEntry,
                    kReplaceEntry,
                    kWithAudioEntry,
                    kWavEntry,
                    kAudioFormatEntry,
                    kBitrateEntry,
                    kHelpEntry})
               .paragraph(CLI_NOOP(
                   "Exit status 0 when the search ran (also when nothing passed), 1 when it "
                   "was refused\n"
                   "or when the folder, a sub-folder or a recording file could not be read."))
               .text();
}

} // namespace

int runSearch(const QStringList &arguments)
{
    using namespace tovrel::search;
    QTextStream out(stdout);
    QTextStream err(stderr);
    auto fail = [&err](const QString &text) {
        err << "tovrel search: " << text << '\n';
        return 1;
    };
    QStringList args = arguments;
    ExportRequest exportRequest;
    if (const auto error = takeExportOptions(args, exportRequest))
        return fail(*error);
    if (const auto error = takeRecordingOptions(args, exportRequest))
        return fail(*error);

    const auto parsed = parseSearchArguments(args);
    if (const QString *refusal = std::get_if<QString>(&parsed))
        return fail(*refusal);
    const SearchArguments &options = std::get<SearchArguments>(parsed);
    if (options.help) {
        printSearchHelp(out);
        return 0;
    }
    const bool header = options.header;

    // The book is read once, for the name test and the column.
    SearchForm form = options.form;
    std::shared_ptr<const ContactBook> contacts;
    if (options.contacts || !form.name.isEmpty()) {
        std::optional<ContactBook> book = loadUserContactBook("tovrel search");
        if (!book)
            return 1;
        contacts = std::make_shared<const ContactBook>(std::move(*book));
        form.contacts = contacts;
    }
    QStringList captions = resultCaptions();
    if (options.contacts)
        captions.insert(kResultNumberColumn + 1, contactColumnCaption());
    // An export takes the notes whenever there are some.
    const bool withNotes = options.notes || exportRequest.requested();
    if (withNotes)
        captions.append(noteColumnCaption());

    const auto prepared = prepareSearch(form);
    if (const QString *refusal = std::get_if<QString>(&prepared))
        return fail(*refusal);
    const SearchCriteria &criteria = std::get<SearchCriteria>(prepared);

    // With --export the rows go into a list like the search window's, written as a workbook
    // once the whole tree has been searched; otherwise they are printed as they are found.
    ReportModel results;
    QList<ReportRow> found;
    if (exportRequest.requested()) {
        QList<ReportColumn> columns;
        for (const QString &caption : std::as_const(captions))
            columns.append({caption});
        results.setColumns(columns);
    } else if (header) {
        out << captions.join(QLatin1Char('\t')) << '\n';
    }
    // Whatever could not be read is named, and makes the run a failure: the rows printed may
    // miss recordings.
    int unread = 0;
    SearchHooks hooks;
    hooks.found = [&](const SearchHit &hit) {
        QStringList cells = resultCells(hit.fileName, hit.folder, hit.header);
        if (options.contacts)
            insertContactCell(cells, kResultNumberColumn, *contacts);
        if (withNotes) {
            QString noteError;
            appendNoteCell(cells, captions.size(), hit.path(), hit.hasNote, &noteError);
            if (!noteError.isEmpty()) {
                ++unread;
                out.flush();
                err << "tovrel search: " << noteError << '\n';
            }
        }
        if (exportRequest.requested())
            found.append({std::move(cells), hit.path()});
        else
            out << tableRow(cells) << '\n';
    };
    hooks.openFailed = [&](const QString &path, const QString &reason) {
        ++unread;
        err << fileOpenErrorText() << " (" << shownPath(path) << ": " << reason << ")\n";
    };
    hooks.folderFailed = [&](const QString &folder, const QString &reason) {
        ++unread;
        err << "tovrel search: " << cliTr("folder left out (%1: %2)").arg(shownPath(folder), reason)
            << '\n';
    };
    const SearchOutcome outcome = runSearchScan(criteria, hooks);
    if (outcome.folderMessage) {
        err << "tovrel search: " << *outcome.folderMessage << " (" << shownPath(criteria.folder)
            << ": " << outcome.folderReason << ")\n";
        return 1;
    }
    const SearchCounts &counts = outcome.counts;
    out.flush();
    if (out.status() != QTextStream::Ok) {
        err << "tovrel search: " << cliTr("the rows could not be written") << '\n';
        return 1;
    }
    if (counts.total == 0)
        err << nothingFoundText() << '\n';
    err << statusText(counts) << '\n';
    if (unread > 0) {
        err << "tovrel search: " << cliTr("%1 file(s) or folder(s) could not be read").arg(unread)
            << '\n';
        return 1;
    }
    if (!exportRequest.requested())
        return 0;
    // As the export dialog does, an empty result is not exported.
    if (found.isEmpty()) {
        err << QCoreApplication::translate("SearchCommand", "列表空！") << '\n';
        return 1;
    }
    results.appendRows(std::move(found));
    err.flush();
    ReportModel exported;
    copyListForExport(results, exported);
    return writeListExport(exported, exportRequest);
}

} // namespace tovrel::cli
