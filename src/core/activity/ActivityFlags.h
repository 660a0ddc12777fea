#pragma once

#include <atomic>

// The process-wide activity flags. Long activities (upload, playback, conversion) set them while
// they run; every other entry point reads them to refuse work that would collide. They are the
// only shared state between the window thread and the workers, so they are atomics.
namespace tovrel {

enum PlayState : int
{
    PlayStopped = 0,
    PlayPaused = 1,
    PlayPlaying = 2,
};

// 1 while an upload batch runs.
extern std::atomic<int> Uploading;
// One of PlayState, for the whole program (main window and search window alike).
extern std::atomic<int> PlayStateFlag;
// 1 while a convert-selected run is going; a second click sets it to 0 to stop the run.
extern std::atomic<int> ConvertSelectedFlag;
// 1 while a convert-all run is going; a second click sets it to 0 to stop the run.
extern std::atomic<int> ConvertAllFlag;

// Puts every flag back to zero (program start, and between tests).
void resetActivityFlags();

inline bool isUploading()
{
    return Uploading.load() != 0;
}
inline bool isPlayingOrPaused()
{
    return PlayStateFlag.load() != PlayStopped;
}
inline bool isConverting()
{
    return ConvertSelectedFlag.load() == 1 || ConvertAllFlag.load() == 1;
}

} // namespace tovrel
