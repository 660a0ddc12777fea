#pragma once

#include <QObject>

class QSlider;

namespace tovrel {

// Watches the position bar for the moments a seek is decided: a mouse button let go, a key let
// go (one the bar itself was pressed with: a player key such as Space or Ctrl+← is taken by its
// shortcut before the bar sees it, and its release, or the modifier's, decides nothing), a wheel
// turn. It hands each of them to
// the slider first and reports it after, so the slider's value is the one the user chose. Mouse
// moves are reported as they happen.
class TrackBarWatch : public QObject
{
    Q_OBJECT

public:
    explicit TrackBarWatch(QSlider *slider);

signals:
    void moving();
    void released();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QSlider *m_slider;
    int m_pressedKey = 0; // the key the bar last took a press of, until its release
};

} // namespace tovrel
