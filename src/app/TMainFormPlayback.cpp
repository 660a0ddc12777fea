// The PC tab's playback controls: play, pause, stop, seeking and stepping.

#include "TMainForm.h"

#include "ReportListView.h"
#include "TrackBarWatch.h"

#include "activity/ActivityFlags.h"
#include "activity/ActivityRules.h"
#include "playback/PlaybackSession.h"
#include "playback/PlaybackTimes.h"
#include "playback/PortAudioOutput.h"
#include "playback/SpeexBlockDecoder.h"
#include "report/ReportModel.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTimer>

namespace tovrel {
namespace {

QString zeroTime()
{
    return QStringLiteral("00:00:00");
}

MessageIcon iconOf(PlaybackMessage::Kind kind)
{
    return kind == PlaybackMessage::Kind::Warning ? MessageIcon::Warning : MessageIcon::None;
}

} // namespace

void TMainForm::connectPlaybackHandlers()
{
    m_playback = new PlaybackSession(m_context.audioOutput ? m_context.audioOutput
                                                           : PortAudioOutput::factory(),
                                     speexBlockDecoders(), this);
    connect(m_playback, &PlaybackSession::failed, this, &TMainForm::showPlaybackMessage);
    // The report arrives queued: a playback started since (a seek, another row) keeps its label.
    connect(m_playback, &PlaybackSession::playerEnded, this, [this] {
        if (PlayStateFlag.load() == PlayStopped)
            Label3->setText(zeroTime());
    });

    connect(TimerPlayer, &QTimer::timeout, this, &TMainForm::TimerPlayerTimer);
    connect(BitBtnPlayStart, &QPushButton::clicked, this, &TMainForm::BitBtnPlayStartClick);
    connect(ListViewFile, &QAbstractItemView::doubleClicked, this,
            &TMainForm::BitBtnPlayStartClick);
    connect(BitBtnPlayPause, &QPushButton::clicked, this, &TMainForm::BitBtnPlayPauseClick);
    connect(BitBtnPlayStop, &QPushButton::clicked, this, &TMainForm::BitBtnPlayStopClick);
    connect(BitBtn1, &QPushButton::clicked, this, &TMainForm::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &TMainForm::BitBtn2Click);

    // Seeking: the thumb dragged holds the timer off; letting go decides.
    connect(TrackBar1, &QSlider::sliderPressed, this, &TMainForm::TrackBar1Moving);
    connect(TrackBar1, &QSlider::sliderMoved, this, &TMainForm::TrackBar1Moving);
    auto *watch = new TrackBarWatch(TrackBar1);
    connect(watch, &TrackBarWatch::moving, this, &TMainForm::TrackBar1Moving);
    connect(watch, &TrackBarWatch::released, this, &TMainForm::TrackBar1Released);
}

void TMainForm::showPlaybackMessage(const PlaybackMessage &message)
{
    const QString caption = message.kind == PlaybackMessage::Kind::Plain
                                ? QCoreApplication::applicationName()
                                : message.caption;
    m_context.messages->show(Message{caption, message.text, iconOf(message.kind)});
}

void TMainForm::setPlayingButtons()
{
    BitBtnPlayStart->setEnabled(false);
    BitBtnPlayPause->setEnabled(true);
    BitBtnPlayStop->setEnabled(true);
}

void TMainForm::BitBtnPlayStartClick()
{
    const int row = ListViewFile->firstSelectedRow();
    if (row < 0) {
        m_context.messages->warn(QString::fromUtf8("请先选择需要播放的文件！"));
        return;
    }
    if (const auto refusal = refusalFor(Activity::PlaybackStart)) {
        m_context.messages->warn(*refusal);
        return;
    }
    if (PlayStateFlag.load() == PlayPaused) {
        // Resume: the player thread restarts the device on its own.
        m_playback->resume();
        BitBtnPlayStart->setEnabled(false);
        BitBtnPlayPause->setEnabled(true);
        return;
    }
    if (PlayStateFlag.load() == PlayPlaying || m_playback->isRunning()) {
        // Another row while playing: end the running playback first.
        TrackBar1->setValue(0);
        m_lastPosition = 0;
        setPlayingButtons();
        m_playback->stop();
    }

    ListViewFile->clearSelection();
    ListViewFile->selectRow(row);
    const QString path = ListViewFileModel->row(row).key.toString();
    TrackBar1->setValue(0);
    m_lastPosition = 0;
    if (const auto failure = m_playback->start(path)) {
        showPlaybackMessage(*failure);
        return;
    }
    const int total = playbacktimes::totalSeconds(m_playback->fileLength());
    TrackBar1->setMaximum(total);
    Label4->setText(playbacktimes::timeText(total));
    setPlayingButtons();
    TimerPlayer->start();
}

void TMainForm::BitBtnPlayPauseClick()
{
    // Only a playing recording can be paused; a pause while stopped would leave a play state
    // that no thread ever ends.
    if (PlayStateFlag.load() != PlayPlaying)
        return;
    m_playback->pause();
    BitBtnPlayStart->setEnabled(true);
    BitBtnPlayPause->setEnabled(false);
}

void TMainForm::BitBtnPlayStopClick()
{
    if (PlayStateFlag.load() == PlayStopped && !m_playback->isRunning())
        return;
    m_playback->stop();
    TrackBar1->setValue(0);
    m_lastPosition = 0;
    BitBtnPlayStart->setEnabled(true);
    BitBtnPlayPause->setEnabled(false);
    BitBtnPlayStop->setEnabled(false);
}

void TMainForm::TimerPlayerTimer()
{
    if (PlayStateFlag.load() != PlayStopped) {
        const int position = int(m_playback->seekOffset() / 1000) + m_playback->elapsedSeconds();
        TrackBar1->setValue(position);
        m_lastPosition = TrackBar1->value();
        Label3->setText(playbacktimes::timeText(position));
        BitBtn3->setEnabled(false);
        return;
    }
    TrackBar1->setValue(0);
    Label3->setText(zeroTime());
    m_lastPosition = 0;
    if (!isConverting()) {
        BitBtnPlayStart->setEnabled(true);
        BitBtnPlayPause->setEnabled(false);
        BitBtnPlayStop->setEnabled(false);
        BitBtn3->setEnabled(true);
    }
}

void TMainForm::TrackBar1Moving()
{
    // The timer would move the thumb under the user's hand.
    if (PlayStateFlag.load() == PlayPlaying)
        TimerPlayer->stop();
}

void TMainForm::TrackBar1Released()
{
    if (PlayStateFlag.load() != PlayPlaying) {
        // Nothing to seek in: the thumb goes back to where the timer last put it. The timer runs
        // again even when the recording ended while the thumb was held.
        TrackBar1->setValue(m_lastPosition);
        TimerPlayer->start();
        return;
    }
    if (TrackBar1->value() == m_lastPosition) {
        // Let go where it was: no seek.
        TimerPlayer->start();
        return;
    }

    setPlayingButtons();
    const int second = playbacktimes::seekSecond(m_playback->fileLength(), TrackBar1->value(),
                                                 TrackBar1->maximum(), m_playback->headerLength());
    m_playback->stop();
    TrackBar1->setValue(second);
    m_lastPosition = TrackBar1->value();
    Label3->setText(playbacktimes::timeText(second));
    if (const auto failure = m_playback->start(m_playback->path(), quint32(second) * 1000)) {
        showPlaybackMessage(*failure);
        // Playback has stopped: the timer brings the buttons and the bar back.
        TimerPlayer->start();
        return;
    }
    setPlayingButtons();
    TimerPlayer->start();
}

void TMainForm::BitBtn1Click()
{
    const int row = ListViewFile->firstSelectedRow();
    if (row < 0) {
        m_context.messages->warn(QString::fromUtf8("请先选中文件！"));
        return;
    }
    if (row == ListViewFileModel->rowCount() - 1) {
        ListViewFile->setFocus();
        return;
    }
    ListViewFile->clearSelection();
    ListViewFile->selectRow(row + 1);
    BitBtnPlayStartClick();
}

void TMainForm::BitBtn2Click()
{
    const int row = ListViewFile->firstSelectedRow();
    if (row < 0) {
        m_context.messages->warn(QString::fromUtf8("请先选中文件！"));
        return;
    }
    if (row == 0) {
        ListViewFile->setFocus();
        return;
    }
    ListViewFile->clearSelection();
    ListViewFile->selectRow(row - 1);
    BitBtnPlayStartClick();
}

} // namespace tovrel
