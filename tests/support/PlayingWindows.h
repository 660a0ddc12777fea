#pragma once

#include "StartupWindows.h"
#include "VirtualAudioOutput.h"

#include <memory>

namespace tovrel::test {

// What the virtual audio output played; a base so it exists before the windows are built.
struct PlayedAudio
{
    std::shared_ptr<VirtualAudioOutput::Record> record =
        std::make_shared<VirtualAudioOutput::Record>();
};

// The windows as start-up builds them, playing into the virtual audio output at `speed` times
// real time. No telephone is polled, and the players' timers are stopped: the tests tick them
// themselves. The activity flags start and end cleared.
struct PlayingWindows : PlayedAudio, StartupWindows
{
    explicit PlayingWindows(double speed, VirtualAudioOutput::Behaviour behaviour =
                                              VirtualAudioOutput::Behaviour::Plays);
    ~PlayingWindows();
};

} // namespace tovrel::test
