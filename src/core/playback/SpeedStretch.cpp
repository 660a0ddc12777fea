#include "SpeedStretch.h"

#include <sonic.h>

#include <algorithm>
#include <cstring>

namespace tovrel {

SpeedStretch::SpeedStretch(int samplesPerSecond) : m_samplesPerSecond(samplesPerSecond)
{
    // Room for a few seconds of sound either way, so that playing allocates nothing.
    m_in.reserve(std::size_t(samplesPerSecond));
    m_out.reserve(std::size_t(samplesPerSecond) * 4);
}

SpeedStretch::~SpeedStretch()
{
    if (m_stream)
        sonicDestroyStream(m_stream);
}

bool SpeedStretch::feed(const char *pcm, int bytes, int tenths)
{
    if (!m_stream) {
        m_stream = sonicCreateStream(m_samplesPerSecond, 1);
        if (!m_stream)
            return false;
    }
    // m_tenths starts at 1.0, the speed a new stream has.
    if (tenths != m_tenths) {
        m_tenths = tenths;
        sonicSetSpeed(m_stream, float(tenths) / 10);
    }
    const int samples = bytes / 2;
    m_in.resize(std::size_t(samples));
    std::memcpy(m_in.data(), pcm, std::size_t(samples) * 2);
    if (sonicWriteShortToStream(m_stream, m_in.data(), samples) == 0)
        return false;
    m_unaccounted += static_cast<long long>(samples) * 2;
    m_flushed = false;
    collect();
    return true;
}

void SpeedStretch::flush()
{
    if (m_flushed)
        return;
    if (m_stream)
        sonicFlushStream(m_stream);
    collect();
    m_flushed = true;
}

void SpeedStretch::collect()
{
    // What was taken makes room at the front.
    if (m_taken > 0) {
        m_out.erase(m_out.begin(), m_out.begin() + std::ptrdiff_t(m_taken));
        m_taken = 0;
    }
    for (int available = sonicSamplesAvailable(m_stream); available > 0;
         available = sonicSamplesAvailable(m_stream)) {
        const std::size_t at = m_out.size();
        m_out.resize(at + std::size_t(available));
        const int got = sonicReadShortFromStream(m_stream, m_out.data() + at, available);
        m_out.resize(at + std::size_t(std::max(got, 0)));
        if (got <= 0)
            break;
    }
}

int SpeedStretch::take(char *out, int maxBytes, int *recordingBytes)
{
    const int samples = std::min(maxBytes / 2, int(m_out.size() - m_taken));
    std::memcpy(out, m_out.data() + m_taken, std::size_t(samples) * 2);
    m_taken += std::size_t(samples);
    const int bytes = samples * 2;
    // The last piece after a flush stands for all that is left; any other for its own length at
    // the speed it was made at, never for more than was fed.
    long long stands =
        (m_flushed && readyBytes() == 0)
            ? m_unaccounted
            : std::min<long long>(m_unaccounted,
                                  (static_cast<long long>(bytes) * m_tenths + 5) / 10);
    m_unaccounted -= stands;
    *recordingBytes = int(stands);
    return bytes;
}

} // namespace tovrel
