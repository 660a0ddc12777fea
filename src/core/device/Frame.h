#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

// Frames of the emulated telephone's socket: a 2-byte little-endian length N, then N bytes.
// Both directions use them; the emulator and the link share this one definition.
namespace tovrel::frame {

constexpr qsizetype kMaxPayload = 0xFFFF;

// The frame holding `payload` (at most 65535 bytes).
QByteArray encode(QByteArrayView payload);

// Takes the first complete frame off the front of `buffer` and returns its payload, or nothing
// while the frame is still incomplete.
std::optional<QByteArray> take(QByteArray &buffer);

} // namespace tovrel::frame
