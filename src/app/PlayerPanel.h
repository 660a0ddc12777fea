#pragma once

#include "PlaybackControl.h"

#include <QList>
#include <QRect>
#include <QSize>
#include <QWidget>

class QCheckBox;
class QLabel;
class QPushButton;
class QSlider;

namespace tovrel {

// Where one window puts the controls of its player row (relative to the row) and what it names
// the time labels. The five buttons always take the row's left end, 28 × 26 each, 2 apart.
struct PlayerPanelLayout
{
    // The row as designed; the position bar takes up any width the row gains or loses.
    QSize size;
    QRect trackBar;
    QRect elapsed;   // "00:00:00"
    QRect separator; // "/"
    QRect total;     // "00:00:00"
    QRect speed;
    QRect rewind;
    const char *elapsedName = nullptr;
    const char *separatorName = nullptr;
    const char *totalName = nullptr;
};

// The player row under a recording list: play, pause, stop, previous (BitBtn2) and next
// (BitBtn1), the position bar TrackBar1, the elapsed and total times, the playing speed and
// "暂停后回退2秒". The PC tab and the search window each show one and play through it with a
// PlaybackControl.
class PlayerPanel : public QWidget
{
    Q_OBJECT

public:
    PlayerPanel(QWidget *parent, const PlayerPanelLayout &layout);

    // The row's controls for a PlaybackControl; the window adds its list, timer and speed.
    PlaybackControls controls() const;
    // Play, pause and stop: the buttons the player keys name in their tool tip.
    QList<QPushButton *> playButtons() const { return {start, pause, stop}; }

    QPushButton *const start;
    QPushButton *const pause;
    QPushButton *const stop;
    QPushButton *const previous;
    QPushButton *const next;
    // 0 to 25 until a recording sets its length; a click seeks to the clicked second, and it
    // draws the loudness of the recording playing.
    QSlider *const trackBar;
    QLabel *const elapsed;
    QLabel *const separator;
    QLabel *const total;
    QLabel *const speed;
    // Whether a resume after a pause goes back 2 s; PlaybackControl keeps the choice.
    QCheckBox *const rewind;
};

} // namespace tovrel
