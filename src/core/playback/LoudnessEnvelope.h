#pragma once

#include <QList>
#include <QString>

#include <atomic>
#include <functional>
#include <optional>

// The loudness envelope of a recording: its payload cut into equal parts by whole speech frames
// (20 payload bytes, 20 ms each), and for each part the peak of its decoded sound, from 0
// (silence) to 1 (full scale). The position bar draws one part per pixel column, so speech and
// silence can be seen along the recording.
namespace tovrel::loudness {

struct Envelope
{
    QList<float> peaks;           // `columns` values in 0..1, in playing order
    std::optional<QString> error; // the user's text when the recording cannot be read
    bool cancelled = false;       // stopped by the cancel flag before the end
};

// Payload frames decoded between two looks at the cancel flag (10 s of sound).
inline constexpr int kFramesPerStep = 500;

// Decodes the whole payload of the recording at `path` with a decoder of its own and returns the
// peaks of `columns` equal parts of it (a part holding no whole frame has peak 0). `cancel` is
// looked at before every step of kFramesPerStep frames; once it is set, the work ends with
// `cancelled` and no peaks. `progress`, when given, is told the frames decoded after each step.
// Safe to run on any thread, several at once.
Envelope compute(const QString &path, int columns, const std::atomic<bool> &cancel,
                 const std::function<void(qint64 framesDone)> &progress = {});

} // namespace tovrel::loudness
