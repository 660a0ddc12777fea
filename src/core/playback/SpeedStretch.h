#pragma once

#include <vector>

struct sonicStreamStruct;

namespace tovrel {

// Plays 16-bit mono PCM faster or slower without changing its pitch (libsonic's pitch-synchronous
// overlap-add). The player thread feeds it pieces of a recording's sound and takes the changed
// sound out; what comes out is later than what goes in, so at the end (or before playing on at
// the recording's own speed) flush() lets out what it still holds: nothing of the recording is
// lost.
//
// Every piece taken out says how much of the recording it stands for, so that the playing
// position stays in the recording's time at any speed.
class SpeedStretch
{
public:
    explicit SpeedStretch(int samplesPerSecond);
    ~SpeedStretch();
    SpeedStretch(const SpeedStretch &) = delete;
    SpeedStretch &operator=(const SpeedStretch &) = delete;

    // Feeds `bytes` of PCM to be played at `tenths` / 10 of its speed. False when libsonic could
    // not get the memory it needs (nothing is then held of this piece).
    bool feed(const char *pcm, int bytes, int tenths);
    // No more sound follows for now: everything held becomes ready to take.
    void flush();

    // Bytes ready to take.
    int readyBytes() const { return int(m_out.size() - m_taken) * 2; }
    // True once flush() has let everything out: a short last piece may be taken.
    bool flushed() const { return m_flushed; }
    // True while some of the sound fed has not been taken out.
    bool holdsSound() const { return m_unaccounted > 0 || readyBytes() > 0; }

    // Takes up to `maxBytes` ready bytes into `out`; returns how many, and in `recordingBytes`
    // the bytes of the recording's own sound they stand for.
    int take(char *out, int maxBytes, int *recordingBytes);

private:
    void collect();

    int m_samplesPerSecond;
    sonicStreamStruct *m_stream = nullptr;
    int m_tenths = 10;
    bool m_flushed = true;
    long long m_unaccounted = 0; // recording bytes fed and not yet given to a piece taken
    std::vector<short> m_in;
    std::vector<short> m_out;
    std::size_t m_taken = 0;
};

} // namespace tovrel
