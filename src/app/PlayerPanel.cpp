#include "PlayerPanel.h"

#include "Anchors.h"
#include "ClickToSeek.h"
#include "ControlMaking.h"
#include "PositionBar.h"

#include "playback/PlaybackSpeed.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QSlider>

namespace tovrel {
namespace {

constexpr QSize kButtonSize{28, 26};
constexpr int kButtonStep = 30;

QSlider *positionBar(QWidget *parent)
{
    auto *bar = new PositionBar(parent);
    bar->setObjectName(QStringLiteral("TrackBar1"));
    bar->setRange(0, 25);
    ClickToSeek::install(bar);
    return bar;
}

QLabel *namedLabel(QWidget *parent, const char *name, const QString &text)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

QCheckBox *rewindBox(QWidget *parent)
{
    auto *box =
        new QCheckBox(QCoreApplication::translate("PlaybackControl", "暂停后回退2秒"), parent);
    box->setObjectName(QStringLiteral("CheckBoxRewind"));
    box->setChecked(true);
    return box;
}

} // namespace

PlayerPanel::PlayerPanel(QWidget *parent, const PlayerPanelLayout &layout)
    : QWidget(parent),
      start(controls::pictureButton(this, "BitBtnPlayStart", QStyle::SP_MediaPlay)),
      pause(controls::pictureButton(this, "BitBtnPlayPause", QStyle::SP_MediaPause)),
      stop(controls::pictureButton(this, "BitBtnPlayStop", QStyle::SP_MediaStop)),
      previous(controls::pictureButton(this, "BitBtn2", QStyle::SP_MediaSkipBackward)),
      next(controls::pictureButton(this, "BitBtn1", QStyle::SP_MediaSkipForward)),
      trackBar(positionBar(this)),
      elapsed(namedLabel(this, layout.elapsedName, QStringLiteral("00:00:00"))),
      separator(namedLabel(this, layout.separatorName, QStringLiteral("/"))),
      total(namedLabel(this, layout.totalName, QStringLiteral("00:00:00"))),
      speed(namedLabel(this, "LabelSpeed", PlaybackSpeed::text(PlaybackSpeed::kNormal))),
      rewind(rewindBox(this))
{
    resize(layout.size);
    auto *anchors = new Anchors(this, layout.size);
    const Qt::Edges left = Qt::LeftEdge | Qt::TopEdge;
    const Qt::Edges right = Qt::RightEdge | Qt::TopEdge;
    int x = 0;
    for (QPushButton *button : {start, pause, stop, previous, next}) {
        anchors->place(button, {QPoint(x, 0), kButtonSize}, left);
        x += kButtonStep;
    }
    anchors->place(trackBar, layout.trackBar, left | right);
    anchors->place(elapsed, layout.elapsed, right);
    anchors->place(separator, layout.separator, right);
    anchors->place(total, layout.total, right);
    anchors->place(speed, layout.speed, right);
    anchors->place(rewind, layout.rewind, right);
}

PlaybackControls PlayerPanel::controls() const
{
    PlaybackControls c;
    c.start = start;
    c.pause = pause;
    c.stop = stop;
    c.previous = previous;
    c.next = next;
    c.trackBar = trackBar;
    c.elapsed = elapsed;
    c.total = total;
    c.speed = speed;
    c.rewindAfterPause = rewind;
    return c;
}

} // namespace tovrel
