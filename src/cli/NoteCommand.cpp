// tovrel note FILE [--set TEXT | --clear]: a recording's note from the command line.

#include "Commands.h"
#include "Help.h"
#include "NotesOption.h"

#include "io/NativePath.h"
#include "notes/RecordingNote.h"
#include "recordings/FolderScan.h"

#include <QTextStream>

#include <optional>

namespace tovrel::cli {

bool takeNotesOption(QStringList &args)
{
    return args.removeAll(QStringLiteral("--notes")) > 0;
}

namespace {

void printNoteHelp(QTextStream &out)
{
    out << HelpPage({"tovrel note FILE", "tovrel note FILE --set TEXT", "tovrel note FILE --clear"})
               .paragraph(
                   CLI_NOOP("The note of the recording FILE: free text kept beside it in FILE.txt, "
                            "so it travels\n"
                            "with the folder. Without an option the note is printed (nothing when "
                            "it has none)."))
               .section(CLI_NOOP("Options"),
                        {{"--set TEXT", CLI_NOOP("replace the note by TEXT (\"\" removes it)")},
                         {"--clear", CLI_NOOP("remove the note")},
                         kHelpEntry})
               .paragraph(
                   CLI_NOOP("Exit status 0 on success, 1 when FILE does not exist or is not a "
                            "recording, or the\n"
                            "note could not be read or written."))
               .text();
}

} // namespace

int runNote(const QStringList &args)
{
    QTextStream out(stdout);
    QTextStream err(stderr);
    auto fail = [&err](const QString &text) {
        err << "tovrel note: " << text << '\n';
        return 1;
    };
    QString file;
    std::optional<QString> newText;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &a = args.at(i);
        if (a == QLatin1String("-h") || a == QLatin1String("--help")) {
            printNoteHelp(out);
            return 0;
        }
        const bool set = a == QLatin1String("--set");
        if (set || a == QLatin1String("--clear")) {
            if (newText)
                return fail(cliTr("--set and --clear go alone"));
            if (set && i + 1 >= args.size())
                return fail(cliTr("--set needs a value"));
            newText = set ? args.at(++i) : QString();
        } else if (file.isEmpty() && !a.startsWith(QLatin1Char('-'))) {
            file = a;
        } else {
            return fail(cliTr("unexpected argument: %1").arg(a));
        }
    }
    if (file.isEmpty())
        return fail(cliTr("give a FILE (see --help)"));
    // A note belongs to a recording: none is read or written for a file that is not there.
    // A folder on the way that may not be searched is said as such, not as a missing recording.
    std::error_code statError;
    if (!std::filesystem::exists(fsPath(file), statError)) {
        return fail(
            statError
                ? cliTr("cannot look for %1: %2").arg(shownPath(file), systemErrorText(statError))
                : cliTr("no such recording: %1").arg(shownPath(file)));
    }
    // Only a recording has a note: one written for a folder or for another kind of file would be
    // shown by no list, so it is refused. A recording is what the PC list takes for one.
    const std::filesystem::path path = fsPath(file);
    const std::string name = nameBytes(path.filename());
    if (!std::filesystem::is_regular_file(path, statError) ||
        !isListRecordingName(name.data(), name.size()))
        return fail(cliTr("not a recording: %1").arg(shownPath(file)));
    if (newText) {
        if (const auto error = writeNote(file, *newText))
            return fail(*error);
        return 0;
    }
    const NoteRead note = readNote(file);
    if (!note.ok())
        return fail(note.error());
    out << note.text;
    if (!note.text.isEmpty() && !note.text.endsWith(QLatin1Char('\n')))
        out << '\n';
    out.flush();
    if (out.status() != QTextStream::Ok)
        return fail(cliTr("the note could not be written out"));
    return 0;
}

} // namespace tovrel::cli
