#include "PlaybackControl.h"

#include "MessageSink.h"
#include "PositionBar.h"
#include "ReportListView.h"
#include "StandardError.h"
#include "TrackBarWatch.h"

#include "activity/ActivityFlags.h"
#include "activity/ActivityRules.h"
#include "playback/PlaybackSession.h"
#include "playback/PlaybackSpeed.h"
#include "playback/PlaybackTimes.h"
#include "report/ReportModel.h"
#include "settings/SysConf.h"

#include <QCheckBox>
#include <QEvent>
#include <QKeySequence>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QSlider>
#include <QTimer>

#include <algorithm>

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

PlaybackControl::PlaybackControl(const PlaybackControls &controls, const PlaybackRules &rules,
                                 PlaybackSession *session, MessageSink *messages, QObject *parent)
    : QObject(parent), m_c(controls), m_rules(rules), m_session(session), m_messages(messages)
{
    connect(m_session, &PlaybackSession::failed, this, &PlaybackControl::showMessage);
    // The report arrives queued: a playback started since (a seek, another row) keeps its label.
    connect(m_session, &PlaybackSession::playerEnded, this, [this] {
        if (PlayStateFlag.load() == PlayStopped)
            m_c.elapsed->setText(zeroTime());
    });

    connect(m_c.timer, &QTimer::timeout, this, &PlaybackControl::timerTick);
    connect(m_c.start, &QPushButton::clicked, this, &PlaybackControl::startClick);
    connect(m_c.list, &QAbstractItemView::doubleClicked, this, &PlaybackControl::startClick);
    connect(m_c.pause, &QPushButton::clicked, this, &PlaybackControl::pauseClick);
    connect(m_c.stop, &QPushButton::clicked, this, &PlaybackControl::stopClick);
    connect(m_c.next, &QPushButton::clicked, this, &PlaybackControl::nextClick);
    connect(m_c.previous, &QPushButton::clicked, this, &PlaybackControl::previousClick);

    // Seeking: the thumb dragged holds the timer off; letting go decides.
    connect(m_c.trackBar, &QSlider::sliderPressed, this, &PlaybackControl::trackBarMoving);
    connect(m_c.trackBar, &QSlider::sliderMoved, this, &PlaybackControl::trackBarMoving);
    auto *watch = new TrackBarWatch(m_c.trackBar);
    connect(watch, &TrackBarWatch::moving, this, &PlaybackControl::trackBarMoving);
    connect(watch, &TrackBarWatch::released, this, &PlaybackControl::trackBarReleased);

    if (m_c.rewindAfterPause) {
        readRewindChoice();
        connect(m_c.rewindAfterPause, &QCheckBox::clicked, this,
                &PlaybackControl::rewindChoiceClicked);
        // Both windows keep the choice: a window shown again takes what the other stored.
        m_c.rewindAfterPause->window()->installEventFilter(this);
    }
    // The playing speed: one for both windows, changed with Ctrl+Up / Ctrl+Down (PlayerKeys).
    if (m_c.speedValue) {
        m_session->setSpeed(m_c.speedValue->tenths());
        showSpeed(m_c.speedValue->tenths());
        connect(m_c.speedValue, &PlaybackSpeed::changed, this, [this](int tenths) {
            m_session->setSpeed(tenths);
            showSpeed(tenths);
        });
    }
    if (m_c.speed)
        m_c.speed->setToolTip(tr("播放速度（Ctrl+↑ 加快，Ctrl+↓ 减慢）"));
    // The list emptied to be filled anew (another folder, the tab shown again, another search):
    // the loudness drawn belongs to a recording it may no longer hold, unless that one still
    // plays.
    if (auto *bar = qobject_cast<PositionBar *>(m_c.trackBar)) {
        connect(m_c.model, &QAbstractItemModel::rowsRemoved, bar, [this, bar] {
            if (!m_session->isRunning())
                bar->dropLoudness();
        });
    }
}

bool PlaybackControl::eventFilter(QObject *watched, QEvent *event)
{
    // Shown, or active again once the other window has closed.
    if (m_c.rewindAfterPause && watched == m_c.rewindAfterPause->window() &&
        (event->type() == QEvent::Show || event->type() == QEvent::WindowActivate))
        readRewindChoice();
    return QObject::eventFilter(watched, event);
}

void PlaybackControl::readRewindChoice()
{
    m_c.rewindAfterPause->setChecked(sysconf::readRewindAfterPause());
}

void PlaybackControl::rewindChoiceClicked(bool checked)
{
    // The box keeps the user's choice for this run even when it cannot be remembered.
    if (const auto error = sysconf::writeRewindAfterPause(checked))
        showStandardError(*m_messages, *error);
}

void PlaybackControl::changeSpeed(int steps)
{
    if (m_c.speedValue)
        m_c.speedValue->step(steps);
}

void PlaybackControl::showSpeed(int tenths)
{
    if (m_c.speed)
        m_c.speed->setText(PlaybackSpeed::text(tenths));
}

void PlaybackControl::showMessage(const PlaybackMessage &message)
{
    const QString caption =
        message.kind == PlaybackMessage::Kind::Plain ? programTitle() : message.caption;
    m_messages->show(Message{caption, message.text, iconOf(message.kind)});
}

void PlaybackControl::setPlayingButtons()
{
    m_c.start->setEnabled(false);
    m_c.pause->setEnabled(true);
    m_c.stop->setEnabled(true);
}

void PlaybackControl::focusAfterSeek()
{
    if (m_rules.focusAfterSeek)
        m_rules.focusAfterSeek->setFocus();
}

void PlaybackControl::startClick()
{
    const int row = m_c.list->firstSelectedRow();
    if (row < 0) {
        m_messages->warn(tr("请先选择需要播放的文件！"));
        return;
    }
    if (const auto refusal = refusalFor(Activity::PlaybackStart)) {
        m_messages->warn(*refusal);
        return;
    }
    if (PlayStateFlag.load() == PlayPaused) {
        if (m_c.rewindAfterPause && m_c.rewindAfterPause->isChecked() && m_session->isRunning()) {
            // The listener hears again the last words before the pause.
            playFrom(std::max(0, playingSecond() - kRewindSeconds));
            return;
        }
        // Resume: the player thread restarts the device on its own.
        m_session->resume();
        m_c.start->setEnabled(false);
        m_c.pause->setEnabled(true);
        return;
    }
    if (PlayStateFlag.load() == PlayPlaying || m_session->isRunning()) {
        // Another row while playing: end the running playback first.
        m_c.trackBar->setValue(0);
        m_lastPosition = 0;
        setPlayingButtons();
        m_session->stop();
    }

    m_c.list->clearSelection();
    m_c.list->selectRow(row);
    // The row keeps its file's path: no folder is enumerated again.
    const QString path = m_c.model->row(row).key.toString();
    m_c.trackBar->setValue(0);
    m_lastPosition = 0;
    if (const auto failure = m_session->start(path)) {
        showMessage(*failure);
        return;
    }
    const int total = playbacktimes::totalSeconds(m_session->fileLength());
    m_c.trackBar->setMaximum(total);
    // Drawn once playback runs: the bar's own decode never holds up the sound.
    if (auto *bar = qobject_cast<PositionBar *>(m_c.trackBar))
        bar->showLoudnessOf(path, m_session->headerLength(), m_session->fileLength());
    m_c.total->setText(playbacktimes::timeText(total));
    setPlayingButtons();
    if (m_rules.startEnablesTimer)
        m_c.timer->start();
}

void PlaybackControl::pauseClick()
{
    // Only a playing recording can be paused; a pause while stopped would leave a play state
    // that no thread ever ends.
    if (PlayStateFlag.load() != PlayPlaying)
        return;
    m_session->pause();
    m_c.start->setEnabled(true);
    m_c.pause->setEnabled(false);
}

void PlaybackControl::stopClick()
{
    if (PlayStateFlag.load() == PlayStopped && !m_session->isRunning())
        return;
    m_session->stop();
    m_c.trackBar->setValue(0);
    m_lastPosition = 0;
    m_c.start->setEnabled(true);
    m_c.pause->setEnabled(false);
    m_c.stop->setEnabled(false);
}

void PlaybackControl::timerTick()
{
    if (PlayStateFlag.load() != PlayStopped) {
        // A window whose session is idle (the other window plays) leaves its bar alone.
        if (!m_session->isRunning())
            return;
        const int position = playingSecond();
        m_c.trackBar->setValue(position);
        m_lastPosition = m_c.trackBar->value();
        m_c.elapsed->setText(playbacktimes::timeText(position));
        if (m_rules.folderButton)
            m_rules.folderButton->setEnabled(false);
        return;
    }
    m_c.trackBar->setValue(0);
    m_c.elapsed->setText(zeroTime());
    m_lastPosition = 0;
    if (!isConverting()) {
        m_c.start->setEnabled(true);
        m_c.pause->setEnabled(false);
        m_c.stop->setEnabled(false);
        if (m_rules.folderButton)
            m_rules.folderButton->setEnabled(true);
    }
}

void PlaybackControl::trackBarMoving()
{
    // The timer would move the thumb under the user's hand.
    if (PlayStateFlag.load() == PlayPlaying)
        m_c.timer->stop();
}

void PlaybackControl::trackBarReleased()
{
    if (PlayStateFlag.load() != PlayPlaying || !m_session->isRunning()) {
        // Nothing to seek in: the thumb goes back to where the timer last put it. The timer runs
        // again even when the recording ended while the thumb was held.
        m_c.trackBar->setValue(m_lastPosition);
        m_c.timer->start();
        focusAfterSeek();
        return;
    }
    if (!m_rules.seekAtSamePosition && m_c.trackBar->value() == m_lastPosition) {
        // Let go where it was: no seek.
        m_c.timer->start();
        return;
    }

    const int headerLength =
        m_rules.seekHeaderLength > 0 ? m_rules.seekHeaderLength : m_session->headerLength();
    playFrom(playbacktimes::seekSecond(m_session->fileLength(), m_c.trackBar->value(),
                                       m_c.trackBar->maximum(), headerLength));
}

void PlaybackControl::playFrom(int second)
{
    setPlayingButtons();
    m_session->stop();
    m_c.trackBar->setValue(second);
    m_lastPosition = m_c.trackBar->value();
    m_c.elapsed->setText(playbacktimes::timeText(second));
    if (const auto failure = m_session->start(m_session->path(), quint32(second) * 1000)) {
        showMessage(*failure);
        // Playback has stopped: the timer brings the buttons and the bar back.
        m_c.timer->start();
        focusAfterSeek();
        return;
    }
    setPlayingButtons();
    focusAfterSeek();
    m_c.timer->start();
}

int PlaybackControl::playingSecond() const
{
    if (PlayStateFlag.load() == PlayStopped || !m_session->isRunning())
        return 0;
    return int(m_session->seekOffset() / 1000) + m_session->elapsedSeconds();
}

int PlaybackControl::lastSecond() const
{
    const qint64 payload = qint64(m_session->fileLength()) - m_session->headerLength();
    return int(std::max<qint64>(0, payload) / 1000);
}

void PlaybackControl::playPauseKey()
{
    if (PlayStateFlag.load() == PlayPlaying)
        pauseClick();
    else
        startClick();
}

void PlaybackControl::jumpBy(int seconds)
{
    if (PlayStateFlag.load() == PlayStopped || !m_session->isRunning())
        return;
    playFrom(std::clamp(playingSecond() + seconds, 0, lastSecond()));
}

void PlaybackControl::jumpToStart()
{
    if (PlayStateFlag.load() == PlayStopped || !m_session->isRunning())
        return;
    playFrom(0);
}

void PlaybackControl::nextClick()
{
    const int row = m_c.list->firstSelectedRow();
    if (row < 0) {
        m_messages->warn(tr("请先选中文件！"));
        return;
    }
    if (row == m_c.model->rowCount() - 1) {
        m_c.list->setFocus();
        return;
    }
    m_c.list->clearSelection();
    m_c.list->selectRow(row + 1);
    startClick();
}

void PlaybackControl::previousClick()
{
    const int row = m_c.list->firstSelectedRow();
    if (row < 0) {
        m_messages->warn(tr("请先选中文件！"));
        return;
    }
    if (row == 0) {
        m_c.list->setFocus();
        return;
    }
    m_c.list->clearSelection();
    m_c.list->selectRow(row - 1);
    startClick();
}

} // namespace tovrel
