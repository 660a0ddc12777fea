#pragma once

#include "recordings/RecordingHeader.h"

#include <QDateTime>

#include <optional>

// The date and time of the call a recording holds, as the time its file carries.
namespace tovrel {

// The call's date and time in local time: the long form's year, month, day, hour and minute.
// The short form holds no year: the call took place in the most recent year in which that
// month, day, hour and minute exist and do not lie after `now` (29 February goes back to the
// latest leap year). Nothing when the fields name no date (month 0 or above 12, a day the month
// does not have, hour 24 or above, minute 60 or above).
std::optional<QDateTime> callDateTime(const RecordingHeader &header, const QDateTime &now);

// Whether the fields name a date and time that exists: month 1 to 12, a day that month has (the
// long form's year; for the short form any year, so 29 February counts), hour 0 to 23, minute 0
// to 59. A header that names none is not the telephone's.
bool callTimeExists(const RecordingHeader &header);

} // namespace tovrel
