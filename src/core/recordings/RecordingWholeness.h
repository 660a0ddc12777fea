#pragma once

#include "recordings/RecordingHeader.h"

#include <QString>

#include <optional>

// Whether a recording file is whole: exactly its header (19 or 32 bytes, the form by the marker)
// followed by the payload length its header gives (long form: pages × 256; a short-form length
// of all ones counts as 0). An upload cut off part-way leaves a shorter file, a copy gone wrong
// a longer one. The command line's check and the rows of both windows ask here.
namespace tovrel {

struct WalkedRecording;

// Who reads the text: the user on screen (in the language chosen), or a script reading the
// command line's rows (always the program's own Chinese, like every cell of its tables).
enum class Wording
{
    Shown,
    Data
};

// What is wrong with a recording file of `fileSize` bytes whose first 32 bytes (zero-filled past
// its end) are `header`, or nothing when it is whole:
// "文件太短，没有完整的文件头", "文件不完整：缺少 N 字节" or "文件过长：多出 N 字节".
std::optional<QString> recordingDamage(const HeaderBytes &header, qint64 fileSize,
                                       Wording wording = Wording::Shown);
// The same for a file met by the folder walk; a file whose length cannot be looked at is
// unreadableFileText with the system's reason.
std::optional<QString> recordingDamage(const WalkedRecording &recording,
                                       Wording wording = Wording::Shown);
// "无法读取：" + reason.
QString unreadableFileText(const QString &reason, Wording wording = Wording::Shown);

} // namespace tovrel
