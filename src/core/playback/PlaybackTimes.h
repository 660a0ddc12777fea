#pragma once

#include <QString>
#include <QtGlobal>

// The numbers and texts of the playing position: total time, time texts, and where a seek lands.
namespace tovrel::playbacktimes {

// Total playing time of a recording file of `fileLength` bytes (header included): F / 1000 + 1.
int totalSeconds(quint64 fileLength);

// "%02d:%02d:%02d" with hours, minutes (0-59) and seconds (0-59).
QString timeText(int seconds);

// The payload second a seek to trackbar `position` of `maximum` starts at: the file byte under
// the thumb, less the header, never below byte 1000, in whole seconds with a remainder above 500
// bytes rounding up (exactly 500 rounds down).
int seekSecond(quint64 fileLength, int position, int maximum, int headerLength);

} // namespace tovrel::playbacktimes
