#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QIODevice>
#include <QString>

#include <filesystem>
#include <optional>
#include <system_error>

class QFile;

// Paths kept by their real bytes. A folder copied from an older PC can hold names that are not
// valid UTF-8; decoding them the usual way replaces the odd bytes with U+FFFD and the name no
// longer leads back to its file. Here each byte of an invalid sequence becomes the lone
// surrogate U+DC80..U+DCFF (a valid name can never decode to one), so the text maps back to the
// exact bytes. Such a text is a key for opening the file; what the user sees goes through
// shownPath, which puts U+FFFD in place of each kept byte.
namespace tovrel {

// The text of a name or path as the file system gives it, kept bytes included.
QString pathFromNative(QByteArrayView bytes);
// The file system's bytes of a text from pathFromNative, or of any other path (UTF-8).
QByteArray nativePath(QStringView path);
// The text shown for a path: each kept byte replaced by U+FFFD.
QString shownPath(const QString &path);

// The path as the standard library's file calls take it: on POSIX its real bytes, elsewhere its
// UTF-16 text.
std::filesystem::path fsPath(QStringView path);
// The text of a standard library path (a name or a whole path), kept bytes included.
QString pathFromFs(const std::filesystem::path &path);
// The bytes a name is sorted and matched by: on POSIX its real bytes, elsewhere its UTF-8.
std::string nameBytes(const std::filesystem::path &name);

#if defined(__unix__) || defined(__APPLE__)
// Opens `path` (read only, close-on-exec, plus `extraFlags`) by its real bytes: the descriptor,
// or -1 with errno set.
int openNative(const QString &path, int extraFlags = 0);
#endif
// Opens the existing file `path` by its real bytes into `file`, read only plus `mode` (with
// QIODevice::WriteOnly in it: for reading and writing), never waiting on a pipe: nothing, or the
// system's reason.
std::optional<QString> openNativeFile(QFile &file, const QString &path,
                                      QIODevice::OpenMode mode = {});
// Creates the new file `path` (never one that exists) by its real bytes into `file`, open for
// writing: nothing, or the system's reason.
std::optional<QString> createNativeFile(QFile &file, const QString &path);
// A new name beside `target`, in its folder, for work that is renamed into place when done:
// hidden, named after the target with a random part and ".part" added, so it never matches
// "*.spx" or "*.wav" and a left-over is never listed. A target whose name leaves no room for
// the additions, or holds kept bytes, gets the short ".tovrel<random>.part" instead.
QString hiddenPathBeside(const QString &target);
// The reason given for a pipe, socket or device found where a file was looked for.
QString notRegularFileText();
// The system's text for an errno value.
QString systemErrorText(int error);
// The system's text for a failure of the standard library's file calls.
QString systemErrorText(const std::error_code &error);

} // namespace tovrel
