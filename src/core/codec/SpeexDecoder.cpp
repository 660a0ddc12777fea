#include "codec/SpeexDecoder.h"

#include <QtEndian>

#include <speex/speex.h>

#include <algorithm>

namespace tovrel {
namespace {

// A narrowband frame begins with a 0 (no wideband layer) and its mode in the next four bits; the
// modes are 0 to 8. Anything else makes libspeex print "The stream is corrupted" on stderr.
bool isNarrowbandFrame(const char *frame)
{
    const auto first = quint8(frame[0]);
    return (first & 0x80) == 0 && ((first >> 3) & 0x0F) <= 8;
}

} // namespace

struct SpeexDecoder::Bits
{
    SpeexBits bits;
};

SpeexDecoder::SpeexDecoder() : m_bits(new Bits)
{
    speex_bits_init(&m_bits->bits);
    reset();
}

SpeexDecoder::~SpeexDecoder()
{
    if (m_state)
        speex_decoder_destroy(m_state);
    speex_bits_destroy(&m_bits->bits);
    delete m_bits;
}

void SpeexDecoder::reset()
{
    if (m_state)
        speex_decoder_destroy(m_state);
    m_state = speex_decoder_init(speex_lib_get_mode(SPEEX_MODEID_NB));
    m_corrupted = false;
    spx_int32_t enhance = 1;
    speex_decoder_ctl(m_state, SPEEX_SET_ENH, &enhance);
}

qsizetype SpeexDecoder::decode(QByteArrayView payload, int16_t *out)
{
    const qsizetype frames = payload.size() / kFrameBytes;
    const char *in = payload.data();
    qsizetype decoded = 0;
    for (qsizetype f = 0; f < frames && !m_corrupted; ++f) {
        spx_int16_t *frame = out + f * kFrameSamples;
        if (isNarrowbandFrame(in + f * kFrameBytes)) {
            speex_bits_read_from(&m_bits->bits, in + f * kFrameBytes, kFrameBytes);
            m_corrupted = speex_decode_int(m_state, &m_bits->bits, frame) != 0;
        } else {
            m_corrupted = true;
        }
        if (!m_corrupted)
            decoded = f + 1;
    }
    std::fill(out + decoded * kFrameSamples, out + frames * kFrameSamples, spx_int16_t(0));
    return decoded * kFrameSamples;
}

QByteArray SpeexDecoder::decode(QByteArrayView payload)
{
    QByteArray pcm(pcmBytesFor(payload.size()), Qt::Uninitialized);
    auto *samples = reinterpret_cast<int16_t *>(pcm.data());
    decode(payload, samples);
    if constexpr (Q_BYTE_ORDER != Q_LITTLE_ENDIAN)
        qToLittleEndian<int16_t>(samples, pcm.size() / 2, samples);
    return pcm;
}

} // namespace tovrel
