#include "codec/SpeexDecoder.h"

#include <QtEndian>

#include <speex/speex.h>

#include <algorithm>

namespace tovrel {

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
    spx_int32_t enhance = 1;
    speex_decoder_ctl(m_state, SPEEX_SET_ENH, &enhance);
}

qsizetype SpeexDecoder::decode(QByteArrayView payload, int16_t *out)
{
    const qsizetype frames = payload.size() / kFrameBytes;
    const char *in = payload.data();
    for (qsizetype f = 0; f < frames; ++f) {
        speex_bits_read_from(&m_bits->bits, in + f * kFrameBytes, kFrameBytes);
        spx_int16_t *frame = out + f * kFrameSamples;
        if (speex_decode_int(m_state, &m_bits->bits, frame) != 0)
            std::fill(frame, frame + kFrameSamples, spx_int16_t(0));
    }
    return frames * kFrameSamples;
}

QByteArray SpeexDecoder::decode(QByteArrayView payload)
{
    QByteArray pcm(pcmBytesFor(payload.size()), Qt::Uninitialized);
    auto *samples = reinterpret_cast<int16_t *>(pcm.data());
    const qsizetype n = decode(payload, samples);
    if constexpr (Q_BYTE_ORDER != Q_LITTLE_ENDIAN)
        qToLittleEndian<int16_t>(samples, n, samples);
    return pcm;
}

} // namespace tovrel
