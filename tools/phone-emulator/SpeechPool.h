#pragma once

#include <QByteArray>

namespace tovrel::emulator {

// Real speech payloads for generated recordings: a synthetic voiced signal (a gliding pitch
// with two formants and a syllable rhythm) encoded with the Speex narrowband encoder at
// quality 4, 20 bytes per 20 ms frame, 1000 bytes per second. Encoded once; recordings take
// slices of it.
QByteArray speechPool(int seconds);

} // namespace tovrel::emulator
