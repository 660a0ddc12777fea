#include "VirtualAudioOutput.h"

namespace tovrel {

using Clock = std::chrono::steady_clock;

QByteArray VirtualAudioOutput::Record::played() const
{
    std::lock_guard lock(m_mutex);
    // A copy of its own: the device thread goes on appending to the original.
    return QByteArray(m_played.constData(), m_played.size());
}

QList<int> VirtualAudioOutput::Record::queuedLengths() const
{
    std::lock_guard lock(m_mutex);
    return m_queued;
}

int VirtualAudioOutput::Record::pauseCalls() const
{
    std::lock_guard lock(m_mutex);
    return m_pauses;
}

int VirtualAudioOutput::Record::restartCalls() const
{
    std::lock_guard lock(m_mutex);
    return m_restarts;
}

int VirtualAudioOutput::Record::resetCalls() const
{
    std::lock_guard lock(m_mutex);
    return m_resets;
}

int VirtualAudioOutput::Record::openCalls() const
{
    std::lock_guard lock(m_mutex);
    return m_opens;
}

int VirtualAudioOutput::Record::deviceCalls() const
{
    std::lock_guard lock(m_mutex);
    return static_cast<int>(m_queued.size()) + m_pauses + m_restarts + m_resets;
}

int VirtualAudioOutput::Record::blocksFinished() const
{
    std::lock_guard lock(m_mutex);
    return m_finished;
}

void VirtualAudioOutput::Record::clear()
{
    std::lock_guard lock(m_mutex);
    m_played.clear();
    m_queued.clear();
    m_pauses = m_restarts = m_resets = m_opens = m_finished = 0;
}

VirtualAudioOutput::VirtualAudioOutput(std::shared_ptr<Record> record, double speed,
                                       Behaviour behaviour)
    : m_record(std::move(record)), m_speed(speed), m_behaviour(behaviour)
{}

VirtualAudioOutput::~VirtualAudioOutput()
{
    close();
}

AudioOutputFactory VirtualAudioOutput::factory(std::shared_ptr<Record> record, double speed,
                                               Behaviour behaviour)
{
    return [record, speed, behaviour] {
        return std::make_unique<VirtualAudioOutput>(record, speed, behaviour);
    };
}

AudioOutput::OpenResult VirtualAudioOutput::open(int channels, int samplesPerSecond,
                                                 BlockDone blockDone)
{
    {
        std::lock_guard lock(m_record->m_mutex);
        ++m_record->m_opens;
    }
    if (m_behaviour == Behaviour::NoDevice)
        return OpenResult::NoDevice;
    if (m_behaviour == Behaviour::OpenFails)
        return OpenResult::OpenFailed;
    close();
    m_bytesPerSecond = channels * samplesPerSecond * 2;
    m_blockDone = std::move(blockDone);
    m_quit = false;
    m_lost = false;
    m_unreported = 0;
    m_firstQueued = {};
    m_thread = std::thread([this] { run(); });
    if (m_behaviour == Behaviour::Holds)
        m_reporter = std::thread([this] { reportInBursts(); });
    return OpenResult::Ok;
}

std::chrono::nanoseconds VirtualAudioOutput::durationOf(int length) const
{
    const double seconds = double(length) / m_bytesPerSecond / m_speed;
    return std::chrono::nanoseconds(static_cast<long long>(seconds * 1e9));
}

void VirtualAudioOutput::queue(const char *data, int length)
{
    {
        std::lock_guard lock(m_record->m_mutex);
        m_record->m_queued.append(length);
    }
    std::lock_guard lock(m_mutex);
    m_blocks.push_back(Block{data, length});
    if (m_firstQueued == Clock::time_point{})
        m_firstQueued = Clock::now();
    m_wake.notify_all();
}

bool VirtualAudioOutput::lost() const
{
    std::lock_guard lock(m_mutex);
    return m_lost;
}

void VirtualAudioOutput::pause()
{
    {
        std::lock_guard lock(m_record->m_mutex);
        ++m_record->m_pauses;
    }
    std::lock_guard lock(m_mutex);
    m_paused = true;
    m_wake.notify_all();
}

void VirtualAudioOutput::restart()
{
    {
        std::lock_guard lock(m_record->m_mutex);
        ++m_record->m_restarts;
    }
    std::lock_guard lock(m_mutex);
    m_paused = false;
    m_wake.notify_all();
}

void VirtualAudioOutput::reset()
{
    {
        std::lock_guard lock(m_record->m_mutex);
        ++m_record->m_resets;
    }
    std::size_t discarded = 0;
    {
        std::lock_guard lock(m_mutex);
        // Everything the device holds comes back, what it played but had not reported too.
        discarded = m_blocks.size() + std::size_t(m_unreported);
        m_unreported = 0;
        m_blocks.clear();
        m_headStarted = false;
        m_wake.notify_all();
    }
    for (std::size_t i = 0; i < discarded; ++i)
        m_blockDone();
}

void VirtualAudioOutput::close()
{
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
        m_wake.notify_all();
    }
    if (m_thread.joinable())
        m_thread.join();
    if (m_reporter.joinable())
        m_reporter.join();
    std::lock_guard lock(m_mutex);
    m_blocks.clear();
    m_headStarted = false;
}

void VirtualAudioOutput::reportInBursts()
{
    std::unique_lock lock(m_mutex);
    m_wake.wait(lock, [&] { return m_quit || m_firstQueued != Clock::time_point{}; });
    auto next = m_firstQueued + std::chrono::milliseconds(2000);
    while (!m_quit) {
        if (m_wake.wait_until(lock, next, [&] { return m_quit; }))
            return;
        next += std::chrono::milliseconds(1500);
        const int count = m_unreported;
        m_unreported = 0;
        lock.unlock();
        for (int i = 0; i < count; ++i) {
            m_blockDone();
            std::lock_guard recordLock(m_record->m_mutex);
            ++m_record->m_finished;
        }
        lock.lock();
    }
}

void VirtualAudioOutput::finishBlocks(int count)
{
    std::lock_guard lock(m_mutex);
    m_budget += count;
    m_wake.notify_all();
}

void VirtualAudioOutput::run()
{
    std::unique_lock lock(m_mutex);
    const bool manual = m_speed <= 0;
    int playedBlocks = 0;
    for (;;) {
        m_wake.wait(lock, [&] {
            return m_quit || (!m_blocks.empty() && !m_paused && !m_lost &&
                              m_behaviour != Behaviour::Stalls && (!manual || m_budget > 0));
        });
        if (m_quit)
            return;
        if (!manual) {
            if (!m_headStarted) {
                m_headLeft = durationOf(m_blocks.front().length);
                m_headStarted = true;
            }
            const auto from = Clock::now();
            const Block head = m_blocks.front();
            const bool interrupted = m_wake.wait_for(lock, m_headLeft, [&] {
                return m_quit || m_paused || m_blocks.empty() || !m_headStarted ||
                       m_blocks.front().data != head.data;
            });
            if (interrupted) {
                // Paused or reset part-way: keep what is left of the head block.
                if (m_headStarted)
                    m_headLeft -=
                        std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - from);
                continue;
            }
        } else {
            --m_budget;
        }
        const Block block = m_blocks.front();
        m_blocks.pop_front();
        m_headStarted = false;
        {
            std::lock_guard recordLock(m_record->m_mutex);
            m_record->m_played.append(block.data, block.length);
        }
        if (m_behaviour == Behaviour::Dies && ++playedBlocks >= 2)
            m_lost = true;
        if (m_behaviour == Behaviour::Holds) {
            ++m_unreported;
            continue;
        }
        lock.unlock();
        m_blockDone();
        {
            // Counted once reported, so whoever sees the count sees the report's effect.
            std::lock_guard recordLock(m_record->m_mutex);
            ++m_record->m_finished;
        }
        lock.lock();
    }
}

} // namespace tovrel
