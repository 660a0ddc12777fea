#pragma once

#include "recordings/RecordingHeader.h"

#include <QString>

#include <optional>

// Whether a recording file is whole: a header (19 or 32 bytes, the form by the marker) naming a
// date and time that exist, followed by exactly the payload length it gives (long form: pages ×
// 256; a short-form length of all ones counts as 0). An upload cut off part-way leaves a shorter
// file, a copy gone wrong a longer one; a file without a whole header, or whose header names no
// date, is no recording at all. The command line's check, the rows of both windows, playback and
// conversion ask here.
namespace tovrel {

struct WalkedRecording;

// Who reads the text: the user on screen (in the language chosen), or a script reading the
// command line's rows (always the program's own Chinese, like every cell of its tables).
enum class Wording
{
    Shown,
    Data
};

struct RecordingFault
{
    enum Kind
    {
        NoRecording, // no whole header, or one naming no date and time: nothing in it to use
        NotWhole,    // a recording, shorter or longer than its header says: what it has is usable
    };
    Kind kind = NotWhole;
    QString text;
};

// What is wrong with a recording file of `fileSize` bytes whose first 32 bytes (zero-filled past
// its end) are `header`, or nothing when it is whole: "文件太短，没有完整的文件头" or
// "文件头中的日期或时间不存在" (no recording), "文件不完整：缺少 N 字节" or
// "文件过长：多出 N 字节" (not whole).
std::optional<RecordingFault> recordingFault(const HeaderBytes &header, qint64 fileSize,
                                             Wording wording = Wording::Shown);
// Its text alone.
std::optional<QString> recordingDamage(const HeaderBytes &header, qint64 fileSize,
                                       Wording wording = Wording::Shown);
// The same for a file met by the folder walk; a file whose length cannot be looked at is
// unreadableFileText with the system's reason.
std::optional<QString> recordingDamage(const WalkedRecording &recording,
                                       Wording wording = Wording::Shown);
// "无法读取：" + reason.
QString unreadableFileText(const QString &reason, Wording wording = Wording::Shown);

} // namespace tovrel
