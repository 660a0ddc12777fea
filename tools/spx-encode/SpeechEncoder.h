#pragma once

#include "RecordBytes.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstdint>
#include <optional>

// Making recording files from speech: WAV reading, conversion to 8 kHz mono, Speex narrowband
// encoding at 8 kbit/s (quality 4: 20-byte frames of 160 samples) and the recording file itself.
// Used by the tovrel-spx-encode tool, the demo data and the test fixtures.
namespace tovrel::spx {

struct Pcm
{
    int sampleRate = 8000;
    int channels = 1;
    QList<int16_t> samples; // interleaved
};

// Reads a RIFF/WAVE file of 16-bit integer PCM (any rate, any channel count).
std::optional<Pcm> readWav(const QString &path, QString *error = nullptr);

// Mixes down to mono and resamples (linear interpolation) to 8000 samples per second.
QList<int16_t> toMono8k(const Pcm &pcm);

// Encodes 8 kHz mono samples; a last partial frame is padded with silence. 20 bytes per frame.
QByteArray encodeSpeech(const QList<int16_t> &samples);

// A recording file: the telephone's record for it (its payload length set from `payload`, the
// record built by the emulated telephone's own encoder) followed by the payload. In the long
// form the payload is padded with zero bytes to a multiple of 256, as the record stores its
// length in pages of 256 bytes (at most 0xFFFF pages: a longer payload announces the most the
// record can hold).
QByteArray makeRecording(emulator::RecordFields record, QByteArray payload);

// A few seconds of a speech-like test signal (a gliding voiced tone with syllable-like bursts),
// deterministic for a given seed.
QList<int16_t> syntheticSpeech(int milliseconds, unsigned seed = 1);

} // namespace tovrel::spx
