#include "activity/ActivityFlags.h"

namespace tovrel {

std::atomic<int> Uploading{0};
std::atomic<int> PlayStateFlag{PlayStopped};
std::atomic<int> ConvertSelectedFlag{0};
std::atomic<int> ConvertAllFlag{0};

void resetActivityFlags()
{
    Uploading = 0;
    PlayStateFlag = PlayStopped;
    ConvertSelectedFlag = 0;
    ConvertAllFlag = 0;
}

} // namespace tovrel
