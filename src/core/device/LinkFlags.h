#pragma once

#include <atomic>

// The link flags, one set per process, all zero at start. The poll tick, the login, the list
// and the upload worker share them across threads, so they are atomics.
namespace tovrel {

// The last poll found at least one telephone.
extern std::atomic<int> UsbPresent;
// The handle has been opened since the telephone was attached.
extern std::atomic<int> UsbOpened;
// The telephone's password was accepted.
extern std::atomic<int> UsbLoggedIn;

// Puts every link flag back to zero (program start, and between tests).
void resetLinkFlags();

} // namespace tovrel
