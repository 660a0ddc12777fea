#pragma once

#include <QString>

#include <optional>
#include <string_view>

// A recording's note: free UTF-8 text in a file beside the recording, named after it with
// ".txt" added ("03151230_0001_xxxxx1234567.spx.txt"), so it travels with the folder. A note is
// written whole or not at all; an empty note removes the file. Paths are handled by their real
// bytes (io/NativePath.h), so a recording whose name is not valid UTF-8 keeps its note too.
namespace tovrel {

// The note file of the recording at `recordingPath`.
QString notePathFor(const QString &recordingPath);

// The length of what a note file's name adds to its recording's name.
constexpr size_t kNoteSuffixLength = 4;

// True when a folder entry's name (its bytes) is the note of a recording named by the rest of
// it: it ends in ".txt" and what comes before is a recording's name by `isRecordingName`.
bool isNoteNameOf(std::string_view name, bool (*isRecordingName)(const char *, size_t));

// The line shown in a list's 备注 column: the note's first line (up to the first line break).
QString noteFirstLine(const QString &note);

struct NoteRead
{
    QString text;     // the whole note; empty when there is none
    QString notePath; // the note file
    QString reason;   // empty, or the reason the note file could not be read

    bool ok() const { return reason.isEmpty(); }
    // The message of a failed read, naming the file.
    QString error() const;
};

// Reads the note of the recording at `recordingPath`. No note file: an empty note.
NoteRead readNote(const QString &recordingPath);

// Replaces the note of the recording at `recordingPath` by `text`, or removes the note file
// when `text` is empty. Nothing, or why it failed (naming the file); the earlier note is then
// kept as it was.
std::optional<QString> writeNote(const QString &recordingPath, const QString &text);

// True when `note` holds `text`, letter case ignored.
bool noteHolds(const QString &note, const QString &text);

// The caption of the 备注 column.
QString noteColumnCaption();

} // namespace tovrel
