#include "PortAudioOutput.h"

#include <portaudio.h>

#ifdef __linux__
#include <alsa/asoundlib.h>
#include <jack/jack.h>
#endif

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace tovrel {
namespace {

int streamCallback(const void *, void *output, unsigned long frames,
                   const PaStreamCallbackTimeInfo *time, PaStreamCallbackFlags, void *userData)
{
    auto *self = static_cast<PortAudioOutput *>(userData);
    const double now = time ? time->currentTime : 0.0;
    const double heardAt = time && now > 0 ? time->outputBufferDacTime : 0.0;
    self->fill(static_cast<char *>(output), frames, now, heardAt);
    return paContinue;
}

void streamFinished(void *userData)
{
    static_cast<PortAudioOutput *>(userData)->streamEnded();
}

PaStream *asStream(void *stream)
{
    return static_cast<PaStream *>(stream);
}

#ifdef __linux__
extern "C" void ignoreAlsaMessage(const char *, int, const char *, int, const char *, ...) {}
extern "C" void ignoreJackMessage(const char *) {}
#endif

// PortAudio's search of the sound devices makes ALSA report every configured device it cannot
// open and JACK every server it cannot reach: some 80 lines on stderr before the first sound.
// Both go through the libraries' own message handlers, which are turned off here; the program's
// own messages do not pass through them. (PortAudio already asks JACK not to start a server.)
// With TOVREL_AUDIO_DEBUG set, the libraries speak as they would by default.
void quietSoundLibraries()
{
#ifdef __linux__
    if (std::getenv("TOVREL_AUDIO_DEBUG"))
        return;
    snd_lib_error_set_handler(&ignoreAlsaMessage);
    jack_set_error_function(&ignoreJackMessage);
    jack_set_info_function(&ignoreJackMessage);
#endif
}

} // namespace

PortAudioLibrary::~PortAudioLibrary()
{
    if (m_started)
        Pa_Terminate();
}

bool PortAudioLibrary::start()
{
    std::lock_guard lock(m_mutex);
    if (!m_started) {
        quietSoundLibraries();
        m_started = Pa_Initialize() == paNoError;
    }
    return m_started;
}

void PortAudioLibrary::stop()
{
    std::lock_guard lock(m_mutex);
    if (m_started)
        Pa_Terminate();
    m_started = false;
}

PortAudioOutput::PortAudioOutput(std::shared_ptr<PortAudioLibrary> library)
    : m_library(std::move(library))
{}

PortAudioOutput::~PortAudioOutput()
{
    close();
}

AudioOutputFactory PortAudioOutput::factory()
{
    auto library = std::make_shared<PortAudioLibrary>();
    return [library] { return std::make_unique<PortAudioOutput>(library); };
}

AudioOutput::OpenResult PortAudioOutput::open(int channels, int samplesPerSecond,
                                              BlockDone blockDone)
{
    close();
    if (!m_library->start())
        return OpenResult::NoDevice;
    const PaDeviceIndex device = Pa_GetDefaultOutputDevice();
    if (Pa_GetDeviceCount() <= 0 || device == paNoDevice) {
        close();
        m_library->stop();
        return OpenResult::NoDevice;
    }
    const PaDeviceInfo *info = Pa_GetDeviceInfo(device);
    PaStreamParameters parameters{};
    parameters.device = device;
    parameters.channelCount = channels;
    parameters.sampleFormat = paInt16;
    // At least 0.2 s: the player thread and the stream's callback then survive a busy machine
    // without a gap in the sound; what the device holds is heard before it counts as played.
    parameters.suggestedLatency = std::max(info ? info->defaultHighOutputLatency : 0.0, 0.2);
    m_bytesPerFrame = 2 * channels;
    m_blockDone = std::move(blockDone);
    PaStream *stream = nullptr;
    const PaError error =
        Pa_OpenStream(&stream, nullptr, &parameters, samplesPerSecond, paFramesPerBufferUnspecified,
                      paNoFlag, &streamCallback, this);
    if (error != paNoError) {
        close();
        return OpenResult::OpenFailed;
    }
    m_stream = stream;
    m_framesPerSecond = samplesPerSecond;
    if (const PaStreamInfo *streamInfo = Pa_GetStreamInfo(stream))
        m_latencyMs = static_cast<int>(streamInfo->outputLatency * 1000.0);
    m_lost.store(false);
    Pa_SetStreamFinishedCallback(stream, &streamFinished);
    // Running from the start, like the wave-out device: the first blocks then follow each other
    // without a gap even on a device that takes sound faster than it plays it.
    startStream();
    if (!m_running) {
        close();
        return OpenResult::OpenFailed;
    }
    return OpenResult::Ok;
}

void PortAudioOutput::fill(char *out, unsigned long frames, double now, double heardAt)
{
    const std::size_t wanted = frames * static_cast<unsigned long>(m_bytesPerFrame);
    std::size_t bytes = wanted;
    const double bytesPerSecond = double(m_bytesPerFrame) * m_framesPerSecond;
    int finished = 0;
    {
        std::lock_guard lock(m_mutex);
        while (bytes > 0 && m_count > 0 && !m_paused) {
            const Block &block = m_blocks[m_head];
            const std::size_t piece =
                std::min<std::size_t>(bytes, static_cast<std::size_t>(block.length - m_offset));
            std::memcpy(out, block.data + m_offset, piece);
            out += piece;
            bytes -= piece;
            m_offset += static_cast<int>(piece);
            if (m_offset == block.length) {
                m_head = (m_head + 1) % kQueueSize;
                --m_count;
                m_offset = 0;
                // Heard when the frame after its last one would be.
                m_heardAt[(m_takenHead + m_takenCount) % kQueueSize] =
                    heardAt > 0 ? heardAt + double(wanted - bytes) / bytesPerSecond : 0.0;
                ++m_takenCount;
            }
        }
        finished = takeHeard(now);
    }
    // Silence while nothing is queued.
    std::memset(out, 0, bytes);
    for (int i = 0; i < finished; ++i)
        m_blockDone();
}

int PortAudioOutput::takeHeard(double now)
{
    int heard = 0;
    while (m_takenCount > 0 && m_heardAt[m_takenHead] <= now) {
        m_takenHead = (m_takenHead + 1) % kQueueSize;
        --m_takenCount;
        ++heard;
    }
    return heard;
}

void PortAudioOutput::streamEnded()
{
    if (!m_stopping.load())
        m_lost.store(true);
}

void PortAudioOutput::queue(const char *data, int length)
{
    if (!m_stream || length <= 0)
        return;
    bool paused = false;
    {
        std::lock_guard lock(m_mutex);
        if (m_count + m_takenCount >= kQueueSize)
            return; // the player never queues more than its ring holds
        m_blocks[(m_head + m_count) % kQueueSize] = Block{data, length};
        ++m_count;
        paused = m_paused;
    }
    if (!paused && !m_running)
        startStream();
}

void PortAudioOutput::startStream()
{
    if (m_lost.load())
        return;
    if (Pa_StartStream(asStream(m_stream)) == paNoError)
        m_running = true;
    else
        m_lost.store(true); // the device no longer takes sound (its server is gone)
}

void PortAudioOutput::stopStream()
{
    if (!m_running)
        return;
    m_stopping.store(true);
    Pa_AbortStream(asStream(m_stream));
    m_running = false;
    m_stopping.store(false);
}

void PortAudioOutput::pause()
{
    if (!m_stream)
        return;
    // The stream goes on with silence and the queue keeps its place. Stopping the stream would
    // not do: a sound server drops what it holds when its stream stops, and that sound would
    // never be heard. What the device already holds plays out and is reported as it is heard.
    std::lock_guard lock(m_mutex);
    m_paused = true;
}

void PortAudioOutput::restart()
{
    if (!m_stream)
        return;
    bool pending = false;
    {
        std::lock_guard lock(m_mutex);
        m_paused = false;
        pending = m_count > 0;
    }
    if (pending && !m_running)
        startStream();
}

void PortAudioOutput::reset()
{
    if (!m_stream)
        return;
    stopStream();
    int discarded = 0;
    {
        std::lock_guard lock(m_mutex);
        discarded = m_count + m_takenCount;
        m_count = 0;
        m_head = 0;
        m_offset = 0;
        m_takenCount = 0;
        m_takenHead = 0;
    }
    for (int i = 0; i < discarded; ++i)
        m_blockDone();
}

void PortAudioOutput::close()
{
    if (m_stream) {
        stopStream();
        Pa_CloseStream(asStream(m_stream));
        m_stream = nullptr;
    }
    std::lock_guard lock(m_mutex);
    m_count = 0;
    m_head = 0;
    m_offset = 0;
    m_takenCount = 0;
    m_takenHead = 0;
}

} // namespace tovrel
