#include "SpeechFixtures.h"

#include "SpeechEncoder.h"

#include <QtEndian>

#include <speex/speex.h>

namespace tovrel::test {

QByteArray speechRecording(const emulator::RecordFields &record, int milliseconds, unsigned seed)
{
    return spx::makeRecording(record, spx::encodeSpeech(spx::syntheticSpeech(milliseconds, seed)));
}

QByteArray referenceDecode(const QByteArray &payload)
{
    void *state = speex_decoder_init(speex_lib_get_mode(SPEEX_MODEID_NB));
    spx_int32_t on = 1;
    speex_decoder_ctl(state, SPEEX_SET_ENH, &on);
    SpeexBits bits;
    speex_bits_init(&bits);
    QByteArray pcm;
    for (qsizetype at = 0; at + 20 <= payload.size(); at += 20) {
        spx_int16_t frame[160];
        speex_bits_read_from(&bits, payload.constData() + at, 20);
        speex_decode_int(state, &bits, frame);
        char le[320];
        qToLittleEndian<int16_t>(frame, 160, le);
        pcm.append(le, 320);
    }
    speex_bits_destroy(&bits);
    speex_decoder_destroy(state);
    return pcm;
}

bool wavHeaderMatchesFile(const QByteArray &wav)
{
    return wav.size() >= 44 &&
           qFromLittleEndian<quint32>(wav.constData() + 40) == quint32(wav.size() - 44) &&
           qFromLittleEndian<quint32>(wav.constData() + 4) == quint32(wav.size() - 8);
}

} // namespace tovrel::test
