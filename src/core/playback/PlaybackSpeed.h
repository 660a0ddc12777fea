#pragma once

#include <QObject>
#include <QString>

#include <optional>

namespace tovrel {

// The speed recordings play at, in tenths of their own speed: 5 (half) to 20 (double) in steps of
// one. The pitch stays the recording's at every speed. One value serves every window while the
// program runs, so a change in one window shows in the other.
class PlaybackSpeed : public QObject
{
    Q_OBJECT

public:
    static constexpr int kSlowest = 5;
    static constexpr int kNormal = 10;
    static constexpr int kFastest = 20;

    using QObject::QObject;

    int tenths() const { return m_tenths; }
    // Moves the speed by `steps` tenths, held within the range.
    void step(int steps);

    // "1.0×": the speed as shown beside the playing time.
    static QString text(int tenths);
    // The tenths a text such as "2", "0.5" or "1.3" asks for; nothing when the text is not a
    // number, lies outside 0.5 to 2.0 or falls between two steps.
    static std::optional<int> parse(const QString &text);

signals:
    void changed(int tenths);

private:
    int m_tenths = kNormal;
};

} // namespace tovrel
