#include "LinkFlags.h"

namespace tovrel {

std::atomic<int> UsbPresent{0};
std::atomic<int> UsbOpened{0};
std::atomic<int> UsbLoggedIn{0};

void resetLinkFlags()
{
    UsbPresent = 0;
    UsbOpened = 0;
    UsbLoggedIn = 0;
}

} // namespace tovrel
