// The PC tab's playback controls: play, pause, stop, seeking and stepping.

#include "TMainForm.h"

#include <QTimer>

namespace tovrel {

void TMainForm::connectPlaybackHandlers()
{
    connect(TimerPlayer, &QTimer::timeout, this, &TMainForm::TimerPlayerTimer);
}

void TMainForm::BitBtnPlayStartClick() {}

void TMainForm::BitBtnPlayPauseClick() {}

void TMainForm::BitBtnPlayStopClick() {}

void TMainForm::BitBtn1Click() {}

void TMainForm::BitBtn2Click() {}

void TMainForm::TimerPlayerTimer() {}

} // namespace tovrel
