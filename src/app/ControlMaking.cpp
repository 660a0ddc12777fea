#include "ControlMaking.h"

#include "ClickToSeek.h"
#include "PositionBar.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>

namespace tovrel::controls {

QPushButton *pictureButton(QWidget *parent, const char *name, QStyle::StandardPixmap icon,
                           const QString &caption)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setIcon(parent->style()->standardIcon(icon));
    return button;
}

QProgressBar *progressBar(QWidget *parent, const char *name)
{
    auto *bar = new QProgressBar(parent);
    bar->setObjectName(QString::fromLatin1(name));
    bar->setRange(0, 100);
    bar->setValue(0);
    bar->setTextVisible(false);
    return bar;
}

PlayButtons makePlayButtons(QWidget *parent)
{
    PlayButtons b;
    b.start = pictureButton(parent, "BitBtnPlayStart", QStyle::SP_MediaPlay);
    b.pause = pictureButton(parent, "BitBtnPlayPause", QStyle::SP_MediaPause);
    b.stop = pictureButton(parent, "BitBtnPlayStop", QStyle::SP_MediaStop);
    b.previous = pictureButton(parent, "BitBtn2", QStyle::SP_MediaSkipBackward);
    b.next = pictureButton(parent, "BitBtn1", QStyle::SP_MediaSkipForward);
    return b;
}

QSlider *makePositionBar(QWidget *parent)
{
    auto *bar = new PositionBar(parent);
    bar->setObjectName(QStringLiteral("TrackBar1"));
    bar->setRange(0, 25);
    ClickToSeek::install(bar);
    return bar;
}

QCheckBox *makeRewindBox(QWidget *parent)
{
    auto *box =
        new QCheckBox(QCoreApplication::translate("PlaybackControl", "暂停后回退2秒"), parent);
    box->setObjectName(QStringLiteral("CheckBoxRewind"));
    box->setChecked(true);
    return box;
}

} // namespace tovrel::controls
