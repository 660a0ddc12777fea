#include "SpeechEncoder.h"

#include <QFile>
#include <QtEndian>

#include <speex/speex.h>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tovrel::spx {
namespace {

constexpr int kFrameSamples = 160;
constexpr int kFrameBytes = 20;
// The long-form record counts the payload in 256-byte pages, in two bytes.
constexpr qsizetype kMostLongFormBytes = qsizetype(0xFFFF) * 256;

QString tr(const char *text)
{
    return QString::fromUtf8(text);
}

} // namespace

std::optional<Pcm> readWav(const QString &path, QString *error)
{
    auto fail = [error](const QString &why) -> std::optional<Pcm> {
        if (error)
            *error = why;
        return std::nullopt;
    };
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(file.errorString());
    const QByteArray all = file.readAll();
    if (all.size() < 12 || !all.startsWith("RIFF") || all.mid(8, 4) != "WAVE")
        return fail(tr("not a RIFF/WAVE file"));
    Pcm pcm;
    bool haveFormat = false;
    qsizetype at = 12;
    while (at + 8 <= all.size()) {
        const QByteArray id = all.mid(at, 4);
        const quint32 size = qFromLittleEndian<quint32>(all.constData() + at + 4);
        const qsizetype body = at + 8;
        const qsizetype available = std::min<qsizetype>(size, all.size() - body);
        if (id == "fmt ") {
            if (available < 16)
                return fail(tr("format chunk too short"));
            const char *f = all.constData() + body;
            const int format = qFromLittleEndian<quint16>(f);
            pcm.channels = qFromLittleEndian<quint16>(f + 2);
            pcm.sampleRate = int(qFromLittleEndian<quint32>(f + 4));
            const int bits = qFromLittleEndian<quint16>(f + 14);
            if ((format != 1 && format != 0xFFFE) || bits != 16 || pcm.channels < 1 ||
                pcm.sampleRate < 1)
                return fail(tr("only 16-bit integer PCM is supported (convert with sox)"));
            haveFormat = true;
        } else if (id == "data") {
            if (!haveFormat)
                return fail(tr("data chunk before the format chunk"));
            pcm.samples.resize(available / 2);
            qFromLittleEndian<int16_t>(all.constData() + body, available / 2, pcm.samples.data());
            return pcm;
        }
        at = body + size + (size & 1);
    }
    return fail(tr("no data chunk"));
}

QList<int16_t> toMono8k(const Pcm &pcm)
{
    const int ch = std::max(1, pcm.channels);
    const qsizetype frames = pcm.samples.size() / ch;
    QList<double> mono(frames);
    for (qsizetype i = 0; i < frames; ++i) {
        double sum = 0;
        for (int c = 0; c < ch; ++c)
            sum += pcm.samples[i * ch + c];
        mono[i] = sum / ch;
    }
    QList<int16_t> out;
    if (pcm.sampleRate == 8000) {
        out.reserve(frames);
        for (double v : mono)
            out.append(int16_t(std::lround(v)));
        return out;
    }
    const double step = double(pcm.sampleRate) / 8000.0;
    const qsizetype count = qsizetype(double(frames) / step);
    out.reserve(count);
    for (qsizetype i = 0; i < count; ++i) {
        const double pos = double(i) * step;
        const qsizetype k = qsizetype(pos);
        const double frac = pos - double(k);
        const double a = mono[k];
        const double b = k + 1 < frames ? mono[k + 1] : a;
        out.append(int16_t(std::clamp(std::lround(a + (b - a) * frac), -32768L, 32767L)));
    }
    return out;
}

QByteArray encodeSpeech(const QList<int16_t> &samples)
{
    void *state = speex_encoder_init(speex_lib_get_mode(SPEEX_MODEID_NB));
    spx_int32_t quality = 4;
    speex_encoder_ctl(state, SPEEX_SET_QUALITY, &quality);
    SpeexBits bits;
    speex_bits_init(&bits);
    const qsizetype frames = (samples.size() + kFrameSamples - 1) / kFrameSamples;
    QByteArray out(frames * kFrameBytes, '\0');
    spx_int16_t frame[kFrameSamples];
    for (qsizetype f = 0; f < frames; ++f) {
        std::fill(std::begin(frame), std::end(frame), spx_int16_t(0));
        const qsizetype from = f * kFrameSamples;
        const qsizetype n = std::min<qsizetype>(kFrameSamples, samples.size() - from);
        std::copy_n(samples.constData() + from, n, frame);
        speex_bits_reset(&bits);
        speex_encode_int(state, frame, &bits);
        speex_bits_write(&bits, out.data() + f * kFrameBytes, kFrameBytes);
    }
    speex_bits_destroy(&bits);
    speex_encoder_destroy(state);
    return out;
}

QByteArray makeRecording(emulator::RecordFields record, QByteArray payload)
{
    if (record.longForm) {
        if (payload.size() % 256 != 0)
            payload.append(QByteArray(256 - payload.size() % 256, '\0'));
        record.payloadLength = quint32(std::min<qsizetype>(payload.size(), kMostLongFormBytes));
    } else {
        record.payloadLength = quint32(payload.size());
    }
    return emulator::encodeRecord(record) + payload;
}

QList<int16_t> syntheticSpeech(int milliseconds, unsigned seed)
{
    const qsizetype count = qsizetype(milliseconds) * 8;
    QList<int16_t> out(count);
    unsigned noise = seed * 2654435761u + 1;
    double phase = 0;
    for (qsizetype i = 0; i < count; ++i) {
        const double t = double(i) / 8000.0;
        const double pitch = 120.0 + 40.0 * std::sin(2 * std::numbers::pi * 0.7 * t + seed);
        phase += 2 * std::numbers::pi * pitch / 8000.0;
        // Syllables: about four per second.
        const double envelope = std::max(0.0, std::sin(2 * std::numbers::pi * 2.1 * t + seed));
        double v = 0;
        for (int h = 1; h <= 8; ++h)
            v += std::sin(phase * h) / h;
        noise = noise * 1103515245u + 12345u;
        const double hiss = (double((noise >> 16) & 0x7FFF) / 16384.0 - 1.0) * 0.1;
        out[i] = int16_t(std::lround(6000.0 * envelope * (v + hiss)));
    }
    return out;
}

} // namespace tovrel::spx
