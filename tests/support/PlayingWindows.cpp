#include "PlayingWindows.h"

#include "TFindForm.h"
#include "TMainForm.h"

#include "activity/ActivityFlags.h"

#include <QTimer>

namespace tovrel::test {

PlayingWindows::PlayingWindows(double speed, VirtualAudioOutput::Behaviour behaviour)
    : StartupWindows([&](AppContext &context) {
          resetActivityFlags();
          context.audioOutput = VirtualAudioOutput::factory(record, speed, behaviour);
      })
{
    main->TimerUSBConnect->stop();
    main->TimerPlayer->stop();
    find->TimerPlayer->stop();
}

PlayingWindows::~PlayingWindows()
{
    main.reset();
    resetActivityFlags();
}

} // namespace tovrel::test
