#pragma once

#include "recordings/RecordingWholeness.h"

#include <QString>
#include <QVariant>

// The cells of the recording lists that are derived from a recording's header (its time, kind,
// size and duration), in one place for the windows, the command line and the workbooks. A cell
// has two wordings (recordings/RecordingWholeness.h): the program's own Chinese text, which the
// command line's tables and the exported workbooks carry and scripts read (Wording::Data), and
// the text a user reads on screen in the language chosen (Wording::Shown; the same text in
// Chinese).
namespace tovrel {

struct RecordingHeader;

enum class RecordingCell : quint8
{
    None,           // a plain text (name, number, folder, contact, note)
    Time,           // " 03月15日 12:30 "; with the year when the values hold one
    Kind,           // "来电", "去电", "录音"
    Size,           // "12K"
    Duration,       // the lists': L / 1000 + 1 seconds, "1 时2 分3 秒"
    SearchDuration, // the search's: L / 1000 seconds, "1小时2分钟3秒"
};

// What a row's derived cells are made from.
struct RecordingCellValues
{
    int attribute = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int year = 0;       // shown only when not 0 (the search's long-form rows)
    quint32 length = 0; // L as the lists read it (a short-form 0xFFFFFFFF counts as 0)

    friend bool operator==(const RecordingCellValues &, const RecordingCellValues &) = default;
};

// The values of the telephone's list and the PC list: no year.
RecordingCellValues listCellValues(const RecordingHeader &header);

// The text of `cell` for `values`. In English a shown time follows the program's locale
// (QLocale's short date, without a year when there is none, and short time); a time the header
// holds that is no real date or time is shown as its data text.
QString recordingCellText(RecordingCell cell, const RecordingCellValues &values, Wording wording);

// What the cell sorts by: the time to the minute, the kind, the length.
qint64 recordingCellOrder(RecordingCell cell, const RecordingCellValues &values);

} // namespace tovrel
