// The PC tab's playback controls: play, pause, stop, seeking and stepping, through the
// playback control both windows share.

#include "TMainForm.h"

#include "PlaybackControl.h"
#include "PlayerKeys.h"
#include "PlayerPanel.h"

#include "playback/PlaybackSession.h"
#include "playback/PortAudioOutput.h"
#include "playback/SpeexBlockDecoder.h"

#include <QPushButton>

namespace tovrel {

void TMainForm::connectPlaybackHandlers()
{
    auto *session = new PlaybackSession(m_context.audioOutput ? m_context.audioOutput
                                                              : PortAudioOutput::factory(),
                                        speexBlockDecoders(), this);
    PlaybackControls controls = m_playerPanel->controls();
    controls.speedValue = m_context.playbackSpeed.get();
    controls.timer = TimerPlayer;
    controls.list = ListViewFile;
    controls.model = ListViewFileModel;
    PlaybackRules rules;
    rules.folderButton = BitBtn3;
    m_playback = new PlaybackControl(controls, rules, session, m_context.messages, this);
    // The keys act while the PC tab is shown.
    new PlayerKeys(TabSheetComputer, m_playback, m_playerPanel->playButtons());
}

void TMainForm::BitBtnPlayStartClick()
{
    m_playback->startClick();
}

void TMainForm::BitBtnPlayPauseClick()
{
    m_playback->pauseClick();
}

void TMainForm::BitBtnPlayStopClick()
{
    m_playback->stopClick();
}

void TMainForm::TimerPlayerTimer()
{
    m_playback->timerTick();
}

void TMainForm::BitBtn1Click()
{
    m_playback->nextClick();
}

void TMainForm::BitBtn2Click()
{
    m_playback->previousClick();
}

} // namespace tovrel
