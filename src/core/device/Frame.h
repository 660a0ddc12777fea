#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

// Frames of the emulated telephone's socket: a 2-byte little-endian length N, then N bytes.
// The link frames its commands and reads the telephone's answers with them; the emulated
// telephone has its own framing, so the two check each other.
namespace tovrel::frame {

constexpr qsizetype kMaxPayload = 0xFFFF;

// The frame holding `payload` (at most 65535 bytes).
QByteArray encode(QByteArrayView payload);

// Takes the first complete frame off the front of `buffer` and returns its payload, or nothing
// while the frame is still incomplete.
std::optional<QByteArray> take(QByteArray &buffer);

} // namespace tovrel::frame
