#include "WaveOutPlayer.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace tovrel {

WaveOutPlayer::WaveOutPlayer(std::unique_ptr<AudioOutput> output, int channels,
                             int samplesPerSecond)
{
    m_buffers.reset(new (std::nothrow) char[kBufferCount * kBufferBytes]());
    if (!m_buffers) {
        m_fault = playbackmessages::outOfMemory();
        return;
    }
    if (!output) {
        m_noDevice = true;
        m_fault = playbackmessages::noAudioDevice();
        return;
    }
    switch (output->open(channels, samplesPerSecond, [this] { bufferDone(); })) {
    case AudioOutput::OpenResult::Ok:
        m_output = std::move(output);
        break;
    case AudioOutput::OpenResult::NoDevice:
        m_noDevice = true;
        m_fault = playbackmessages::noAudioDevice();
        break;
    case AudioOutput::OpenResult::OpenFailed:
        m_fault = playbackmessages::cannotOpenDevice();
        break;
    }
}

WaveOutPlayer::~WaveOutPlayer()
{
    if (m_output) {
        Stop();
        m_output->close();
        m_output.reset();
    }
}

void WaveOutPlayer::bufferDone()
{
    std::lock_guard lock(m_lock);
    m_freeBuffers.fetch_add(1);
    m_buffersFinished.fetch_add(1);
    if (++m_halfSecondPhase == 2) {
        m_halfSecondPhase = 0;
        m_secondsPlayed.fetch_add(1);
    }
}

void WaveOutPlayer::Write(const char *data, int length)
{
    if (!m_output || length <= 0)
        return;
    length = std::min(length, kBufferBytes);
    if (m_paused) {
        m_output->restart();
        m_paused = false;
    }
    char *buffer = m_buffers.get() + m_nextBuffer * kBufferBytes;
    std::memcpy(buffer, data, static_cast<std::size_t>(length));
    {
        // Counted before queueing, so a block finishing at once cannot push the count past 10.
        std::lock_guard lock(m_lock);
        m_freeBuffers.fetch_sub(1);
    }
    m_output->queue(buffer, length);
    m_nextBuffer = (m_nextBuffer + 1) % kBufferCount;
    m_stopped = false;
}

void WaveOutPlayer::Resume()
{
    if (m_paused && m_output)
        m_output->restart();
    m_paused = false;
}

void WaveOutPlayer::Stop()
{
    if (m_stopped && !m_paused)
        return;
    if (m_output) {
        if (m_paused)
            m_output->restart();
        m_output->reset();
    }
    m_stopped = true;
    {
        std::lock_guard lock(m_lock);
        m_secondsPlayed.store(0);
    }
    m_paused = false;
}

void WaveOutPlayer::Pause()
{
    if (m_paused)
        return;
    if (m_output)
        m_output->pause();
    m_paused = true;
}

} // namespace tovrel
