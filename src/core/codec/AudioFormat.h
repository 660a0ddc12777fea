#pragma once

#include <QString>

#include <optional>

// The formats a recording converts into: WAV (the default), FLAC (lossless), Opus and MP3
// (compressed, at a bit rate). Every format holds the same 16-bit mono sound at 8000 Hz.
namespace tovrel {

enum class AudioFormat
{
    Wav,
    Flac,
    Opus,
    Mp3,
};

// A format with its bit rate in kbit/s (0: the format's default; lossless formats take none).
struct AudioChoice
{
    AudioFormat format = AudioFormat::Wav;
    int bitrateKbps = 0;

    // The bit rate the encoder is given: the chosen one, or the format's default.
    int effectiveBitrate() const;
    friend bool operator==(const AudioChoice &, const AudioChoice &) = default;
};

// "wav", "flac", "opus", "mp3": the names the command line and the settings use.
QString formatName(AudioFormat format);
// The format of a name (any case), or nothing.
std::optional<AudioFormat> formatFromName(const QString &name);
// What a converted file's name ends in: ".wav", ".flac", ".opus", ".mp3".
QString formatSuffix(AudioFormat format);
// True for the formats encoded at a bit rate (Opus, MP3).
bool takesBitrate(AudioFormat format);
// 16 kbit/s for Opus and MP3; 0 for WAV and FLAC.
int defaultBitrate(AudioFormat format);
// Nothing when `kbps` is a bit rate the format's encoder takes for 8000 Hz mono (Opus: 6 to
// 256; MP3: 8, 16, 24, 32, 40, 48, 56 or 64); otherwise the refusal to show.
std::optional<QString> bitrateRefusal(AudioFormat format, int kbps);

} // namespace tovrel
