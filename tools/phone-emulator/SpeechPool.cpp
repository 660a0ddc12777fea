#include "SpeechPool.h"

#include <speex/speex.h>

#include <cmath>
#include <numbers>
#include <vector>

namespace tovrel::emulator {

QByteArray speechPool(int seconds)
{
    constexpr int kRate = 8000;
    constexpr int kFrame = 160;
    void *state = speex_encoder_init(&speex_nb_mode);
    int quality = 4;
    speex_encoder_ctl(state, SPEEX_SET_QUALITY, &quality);
    SpeexBits bits;
    speex_bits_init(&bits);

    QByteArray out;
    std::vector<spx_int16_t> pcm(kFrame);
    std::vector<char> encoded(200);
    double phase = 0;
    const int frames = seconds * kRate / kFrame;
    std::vector<double> weights;
    for (int f = 0; f < frames; ++f) {
        // Pitch and formants move slowly: their harmonic weights are set once per frame.
        const double tf = double(f * kFrame) / kRate;
        const double pitch = 140 + 30 * std::sin(2 * std::numbers::pi * 0.7 * tf);
        const double f1 = 500 + 200 * std::sin(2 * std::numbers::pi * 1.3 * tf);
        const double f2 = 1500 + 500 * std::sin(2 * std::numbers::pi * 0.9 * tf);
        weights.clear();
        for (int h = 1; h * pitch < 3500; ++h) {
            const double fh = h * pitch;
            weights.push_back(std::exp(-std::pow((fh - f1) / 150, 2)) +
                              0.6 * std::exp(-std::pow((fh - f2) / 250, 2)) + 0.02);
        }
        for (int i = 0; i < kFrame; ++i) {
            const double t = double(f * kFrame + i) / kRate;
            phase += 2 * std::numbers::pi * pitch / kRate;
            double v = 0;
            for (size_t h = 0; h < weights.size(); ++h)
                v += weights[h] * std::sin(double(h + 1) * phase);
            const double syllable = 0.5 + 0.5 * std::sin(2 * std::numbers::pi * 3.0 * t);
            pcm[size_t(i)] = spx_int16_t(std::lround(3000 * syllable * v));
        }
        speex_bits_reset(&bits);
        speex_encode_int(state, pcm.data(), &bits);
        const int n = speex_bits_write(&bits, encoded.data(), int(encoded.size()));
        out.append(encoded.data(), n);
    }
    speex_bits_destroy(&bits);
    speex_encoder_destroy(state);
    return out;
}

} // namespace tovrel::emulator
