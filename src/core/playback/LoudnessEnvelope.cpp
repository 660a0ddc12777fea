#include "LoudnessEnvelope.h"

#include "PlaybackMessage.h"
#include "codec/SpeexDecoder.h"
#include "recordings/RecordingHeader.h"

#include <QFile>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace tovrel::loudness {
namespace {

Envelope failure(const PlaybackMessage &message)
{
    Envelope result;
    result.error = message.text;
    return result;
}

} // namespace

Envelope compute(const QString &path, int columns, const std::atomic<bool> &cancel,
                 const std::function<void(qint64 framesDone)> &progress)
{
    if (columns <= 0)
        return {};
    QFile file;
    HeaderBytes header;
    if (const auto failed = openRecording(file, path, header))
        return failure(failed->opened ? playbackmessages::cannotReadRecording()
                                      : playbackmessages::cannotOpenRecording());
    const int headerLength =
        decodeHeader(QByteArrayView(header.data(), header.size())).headerLength();
    // The payload runs to the end of the file, as playback reads it.
    const qint64 frames =
        std::max<qint64>(0, file.size() - headerLength) / SpeexDecoder::kFrameBytes;
    if (!file.seek(headerLength))
        return failure(playbackmessages::cannotReadRecording());

    // The peak of every frame first, then of every column's frames.
    std::vector<float> framePeaks;
    framePeaks.reserve(std::size_t(frames));
    SpeexDecoder decoder;
    std::vector<int16_t> samples(std::size_t(kFramesPerStep) * SpeexDecoder::kFrameSamples);
    QByteArray payload(kFramesPerStep * SpeexDecoder::kFrameBytes, '\0');
    Envelope result;
    while (qint64(framePeaks.size()) < frames) {
        if (cancel.load()) {
            result.cancelled = true;
            return result;
        }
        const int want = int(std::min<qint64>(kFramesPerStep, frames - qint64(framePeaks.size())));
        const qint64 got = file.read(payload.data(), qint64(want) * SpeexDecoder::kFrameBytes);
        if (got != qint64(want) * SpeexDecoder::kFrameBytes)
            return failure(playbackmessages::cannotReadRecording());
        decoder.decode(QByteArrayView(payload.constData(), got), samples.data());
        for (int f = 0; f < want; ++f) {
            const int16_t *first = samples.data() + std::size_t(f) * SpeexDecoder::kFrameSamples;
            int peak = 0;
            for (int s = 0; s < SpeexDecoder::kFrameSamples; ++s)
                peak = std::max(peak, std::abs(int(first[s])));
            framePeaks.push_back(float(peak) / 32768.0f);
        }
        if (progress)
            progress(qint64(framePeaks.size()));
    }

    // Column c covers frames [c * F / C, (c + 1) * F / C), and at least the first of them when
    // there are more columns than frames.
    result.peaks = QList<float>(columns, 0.0f);
    for (int c = 0; c < columns && frames > 0; ++c) {
        const qint64 first = qint64(c) * frames / columns;
        const qint64 end = std::max(first + 1, qint64(c + 1) * frames / columns);
        result.peaks[c] = *std::max_element(framePeaks.begin() + first, framePeaks.begin() + end);
    }
    return result;
}

} // namespace tovrel::loudness
