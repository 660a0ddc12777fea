#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

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

// Opens `path` (read only, close-on-exec, plus `extraFlags`) by its real bytes: the descriptor,
// or -1 with errno set.
int openNative(const QString &path, int extraFlags = 0);
// The size of the file at `path` (by its real bytes), or -1 when it cannot be looked at.
qint64 nativeFileSize(const QString &path);
// The system's text for an errno value.
QString systemErrorText(int error);

} // namespace tovrel
