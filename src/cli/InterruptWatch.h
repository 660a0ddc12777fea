#pragma once

#include <atomic>
#include <functional>
#include <thread>

#if defined(__unix__) || defined(__APPLE__)
#include <csignal>
#endif

namespace tovrel::cli {

// Ctrl-C (SIGINT) and SIGTERM during an upload: instead of ending the program where it stands
// (leaving the hidden file in progress behind and naming nothing), they ask the worker to stop.
// On POSIX it is built before any thread of the run is started, so that every thread keeps the
// two signals blocked, and one thread of its own takes them with sigwait. Elsewhere a C++ signal
// handler notes the signal and the watch's thread looks for it every few milliseconds.
class InterruptWatch
{
public:
    InterruptWatch();
    ~InterruptWatch();
    InterruptWatch(const InterruptWatch &) = delete;
    InterruptWatch &operator=(const InterruptWatch &) = delete;

    // From now on the first of the two signals runs `onInterrupt` (on the watch's thread).
    void start(std::function<void()> onInterrupt);
    // Ends the watch's thread; the signals stay taken until the watch goes.
    void stop();
    // The signal that interrupted the run, 0 when none did.
    int signal() const { return m_signal.load(); }

private:
#if defined(__unix__) || defined(__APPLE__)
    sigset_t m_signals;
    sigset_t m_previous;
#endif
    // The handlers the portable watch replaced, given back when it goes.
    [[maybe_unused]] void (*m_previousInt)(int) = nullptr;
    [[maybe_unused]] void (*m_previousTerm)(int) = nullptr;
    std::thread m_waiter;
    std::atomic<bool> m_done{false};
    std::atomic<int> m_signal{0};
};

} // namespace tovrel::cli
