#include "InterruptWatch.h"

#include "io/Platform.h"

#include <chrono>
#include <csignal>

#if TOVREL_POSIX_PATHS
#include <pthread.h>
#endif

namespace tovrel::cli {

#if TOVREL_POSIX_PATHS

InterruptWatch::InterruptWatch()
{
    sigemptyset(&m_signals);
    sigaddset(&m_signals, SIGINT);
    sigaddset(&m_signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &m_signals, &m_previous);
}

InterruptWatch::~InterruptWatch()
{
    stop();
    pthread_sigmask(SIG_SETMASK, &m_previous, nullptr);
}

void InterruptWatch::start(std::function<void()> onInterrupt)
{
    m_waiter = std::thread([this, onInterrupt = std::move(onInterrupt)] {
        for (;;) {
            int signal = 0;
            if (sigwait(&m_signals, &signal) != 0 || m_done)
                return;
            int none = 0;
            if (m_signal.compare_exchange_strong(none, signal))
                onInterrupt();
        }
    });
}

void InterruptWatch::stop()
{
    if (!m_waiter.joinable())
        return;
    m_done = true;
    pthread_kill(m_waiter.native_handle(), SIGTERM);
    m_waiter.join();
}

#else

namespace {

// The signal the handler caught, 0 while none: all a signal handler may touch.
std::atomic<int> caughtSignal{0};

extern "C" void noteSignal(int signal)
{
    caughtSignal.store(signal);
}

constexpr auto kLookEvery = std::chrono::milliseconds(20);

} // namespace

InterruptWatch::InterruptWatch()
{
    caughtSignal.store(0);
    m_previousInt = std::signal(SIGINT, noteSignal);
    m_previousTerm = std::signal(SIGTERM, noteSignal);
}

InterruptWatch::~InterruptWatch()
{
    stop();
    std::signal(SIGTERM, m_previousTerm == SIG_ERR ? SIG_DFL : m_previousTerm);
    std::signal(SIGINT, m_previousInt == SIG_ERR ? SIG_DFL : m_previousInt);
}

void InterruptWatch::start(std::function<void()> onInterrupt)
{
    m_waiter = std::thread([this, onInterrupt = std::move(onInterrupt)] {
        while (!m_done) {
            const int signal = caughtSignal.load();
            int none = 0;
            if (signal != 0 && m_signal.compare_exchange_strong(none, signal)) {
                onInterrupt();
                return;
            }
            std::this_thread::sleep_for(kLookEvery);
        }
    });
}

void InterruptWatch::stop()
{
    if (!m_waiter.joinable())
        return;
    m_done = true;
    m_waiter.join();
}

#endif

} // namespace tovrel::cli
