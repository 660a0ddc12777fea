#pragma once

#include "codec/AudioFileWriter.h"
#include "recordings/RecordingHeader.h"

#include <QDateTime>

// What a converted file says about its call: the one mapping from a recording to the tags of
// the FLAC, Opus and MP3 files made of it.
namespace tovrel {

// Title "来电 13800138000 张三" (kind, number, contact when known), the call's date and time in
// ISO 8601 (the short form's year by the call-time rule, against `now`; none when the header
// names no date), the contact as artist, the note as comment.
AudioTags recordingTags(const RecordingHeader &header, const QString &contact, const QString &note,
                        const QDateTime &now);

} // namespace tovrel
