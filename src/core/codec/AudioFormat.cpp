#include "codec/AudioFormat.h"

#include <QCoreApplication>

#include <array>

namespace tovrel {

namespace {

struct FormatRow
{
    AudioFormat format;
    const char *name;
    const char *suffix;
    int defaultKbps;
};

constexpr std::array<FormatRow, 4> kFormats{{
    {AudioFormat::Wav, "wav", ".wav", 0},
    {AudioFormat::Flac, "flac", ".flac", 0},
    {AudioFormat::Opus, "opus", ".opus", 16},
    {AudioFormat::Mp3, "mp3", ".mp3", 16},
}};

const FormatRow &rowOf(AudioFormat format)
{
    for (const FormatRow &row : kFormats) {
        if (row.format == format)
            return row;
    }
    return kFormats.front();
}

// MPEG-2.5 layer III, the only MP3 that holds 8000 Hz, has these bit rates.
constexpr std::array<int, 8> kMp3Bitrates{8, 16, 24, 32, 40, 48, 56, 64};

} // namespace

int AudioChoice::effectiveBitrate() const
{
    return bitrateKbps > 0 ? bitrateKbps : defaultBitrate(format);
}

QString formatName(AudioFormat format)
{
    return QString::fromLatin1(rowOf(format).name);
}

std::optional<AudioFormat> formatFromName(const QString &name)
{
    for (const FormatRow &row : kFormats) {
        if (name.compare(QLatin1String(row.name), Qt::CaseInsensitive) == 0)
            return row.format;
    }
    return std::nullopt;
}

QString formatSuffix(AudioFormat format)
{
    return QString::fromLatin1(rowOf(format).suffix);
}

bool takesBitrate(AudioFormat format)
{
    return rowOf(format).defaultKbps > 0;
}

int defaultBitrate(AudioFormat format)
{
    return rowOf(format).defaultKbps;
}

std::optional<QString> bitrateRefusal(AudioFormat format, int kbps)
{
    switch (format) {
    case AudioFormat::Opus:
        if (kbps >= 6 && kbps <= 256)
            return std::nullopt;
        return QCoreApplication::translate("AudioFormat", "Opus 的码率必须在 6 到 256 kbit/s 之间");
    case AudioFormat::Mp3:
        for (int allowed : kMp3Bitrates) {
            if (kbps == allowed)
                return std::nullopt;
        }
        return QCoreApplication::translate(
            "AudioFormat", "MP3 的码率必须是 8、16、24、32、40、48、56 或 64 kbit/s");
    case AudioFormat::Wav:
    case AudioFormat::Flac:
        break;
    }
    return QCoreApplication::translate("AudioFormat", "%1 格式没有码率可选")
        .arg(formatName(format).toUpper());
}

} // namespace tovrel
