#pragma once

#include "Help.h"

#include "codec/AudioFormat.h"

#include <QString>
#include <QStringList>

#include <optional>

// --format and --bitrate: the format recordings are converted into, for `convert` and for an
// export with its recordings.
namespace tovrel::cli {

// Takes "--format F" and "--bitrate KBPS" (or "--format=F", "--bitrate=KBPS") out of `args`
// into `choice`; `formatGiven` tells whether --format was there. Returns the usage error, or
// nothing: an unknown format, a bit rate that is no number, one the format's encoder does not
// take, or one given for a format without a bit rate are refused.
std::optional<QString> takeAudioOptions(QStringList &args, AudioChoice &choice, bool *formatGiven);

inline constexpr HelpEntry kFormatEntry{
    "--format F", CLI_NOOP("wav (the default), flac, opus or mp3; the call's details go inside")};
inline constexpr HelpEntry kBitrateEntry{
    "--bitrate KBPS",
    CLI_NOOP("for opus (6 to 256) and mp3 (8, 16, ... 64): the bit rate (default 16)")};

} // namespace tovrel::cli
