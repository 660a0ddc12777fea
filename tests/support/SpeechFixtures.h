#pragma once

#include "RecordBytes.h"

#include <QByteArray>

// Speech for tests: recordings of encoded speech made at test time, and the reference decode
// that conversions and playback are compared against.
namespace tovrel::test {

// A recording file of `milliseconds` of speech-like sound encoded at 8 kbit/s; its payload
// length is set from the speech (padded to 256 bytes in the long form). The record is built by
// the emulated telephone's own encoder, never by the program's header code.
QByteArray speechRecording(const emulator::RecordFields &record, int milliseconds,
                           unsigned seed = 1);

// libspeex called directly over the whole 20-byte frames of `payload`: one narrowband decoder
// state, enhancement on, 16-bit little-endian samples.
QByteArray referenceDecode(const QByteArray &payload);

// True when a WAV file's two size fields describe exactly the bytes it holds.
bool wavHeaderMatchesFile(const QByteArray &wav);

} // namespace tovrel::test
