#pragma once

#include <QList>
#include <QStyle>

class QCheckBox;
class QProgressBar;
class QPushButton;
class QSlider;
class QWidget;

// Small makers for the controls both list windows build the same way.
namespace tovrel::controls {

// A button with one of the style's standard pictures, and a caption when given.
QPushButton *pictureButton(QWidget *parent, const char *name, QStyle::StandardPixmap icon,
                           const QString &caption = {});

// An idle progress bar: 0 of 100, no text.
QProgressBar *progressBar(QWidget *parent, const char *name);

// The row of playback buttons under a recording list, in their row order: play, pause, stop,
// previous (BitBtn2) and next (BitBtn1).
struct PlayButtons
{
    QPushButton *start = nullptr;
    QPushButton *pause = nullptr;
    QPushButton *stop = nullptr;
    QPushButton *previous = nullptr;
    QPushButton *next = nullptr;

    QList<QPushButton *> inRowOrder() const { return {start, pause, stop, previous, next}; }
};
PlayButtons makePlayButtons(QWidget *parent);

// The position bar of a playback row: 0 to 25 until a recording sets its length, and a click
// seeks to the clicked second; it draws the loudness of the recording playing (PositionBar).
QSlider *makePositionBar(QWidget *parent);

// "暂停后回退2秒": whether a resume after a pause goes back 2 s; PlaybackControl keeps it.
QCheckBox *makeRewindBox(QWidget *parent);

} // namespace tovrel::controls
