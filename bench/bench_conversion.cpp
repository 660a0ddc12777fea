// Convert-all throughput against a bare libspeex decode of the same frames, in one run.
//
// Usage: bench_conversion [RECORDINGS [SECONDS_EACH]]   (default 20 recordings of 60 s)
// Prints seconds of audio per wall-clock second for both and their ratio.

#include "SpeechEncoder.h"
#include "conversion/ConversionWorker.h"
#include "recordings/RecordingHeader.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <speex/speex.h>

#include <algorithm>

using namespace tovrel;

namespace {

// The same frames through libspeex directly: one state per recording, output discarded.
double bareDecode(const QList<QByteArray> &payloads)
{
    QElapsedTimer t;
    t.start();
    long long sink = 0;
    for (const QByteArray &payload : payloads) {
        void *state = speex_decoder_init(speex_lib_get_mode(SPEEX_MODEID_NB));
        spx_int32_t on = 1;
        speex_decoder_ctl(state, SPEEX_SET_ENH, &on);
        SpeexBits bits;
        speex_bits_init(&bits);
        spx_int16_t frame[160];
        const qsizetype whole = payload.size() / 500 * 500;
        for (qsizetype at = 0; at + 20 <= whole; at += 20) {
            speex_bits_read_from(&bits, payload.constData() + at, 20);
            speex_decode_int(state, &bits, frame);
            sink += frame[at % 160];
        }
        speex_bits_destroy(&bits);
        speex_decoder_destroy(state);
    }
    const double seconds = double(t.nsecsElapsed()) / 1e9;
    if (sink == 42)
        QTextStream(stderr) << "";
    return seconds;
}

double convertAll(const QStringList &inputs, const QString &outputFolder, qint64 total)
{
    std::atomic<int> flag{1};
    ConversionWorker worker(ConversionWorker::Kind::All, inputs, outputFolder, total, flag);
    QElapsedTimer t;
    t.start();
    worker.run();
    return double(t.nsecsElapsed()) / 1e9;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int count = args.size() > 1 ? args[1].toInt() : 20;
    const int secondsEach = args.size() > 2 ? args[2].toInt() : 60;
    QTextStream out(stdout);

    QTemporaryDir dir;
    QTemporaryDir output;
    QStringList inputs;
    QList<QByteArray> payloads;
    qint64 total = 0;
    double audioSeconds = 0;
    for (int i = 0; i < count; ++i) {
        const QByteArray payload =
            spx::encodeSpeech(spx::syntheticSpeech(secondsEach * 1000, unsigned(i + 1)));
        emulator::RecordFields record;
        record.longForm = i % 2 == 1;
        const QByteArray file = spx::makeRecording(record, payload);
        const QString path = dir.filePath(QString::asprintf("%04d.spx", i));
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(file) != file.size())
            return 1;
        inputs.append(path);
        payloads.append(file.mid(record.longForm ? kLongHeaderLength : kShortHeaderLength));
        total += chunkCount(quint32(payloads.last().size()));
        audioSeconds += double(payloads.last().size() / 500) * 0.5;
    }

    const QString outputFolder = output.path() + QLatin1Char('/');
    double bestBare = 1e9;
    double bestConvert = 1e9;
    for (int round = 0; round < 3; ++round) {
        bestBare = std::min(bestBare, bareDecode(payloads));
        bestConvert = std::min(bestConvert, convertAll(inputs, outputFolder, total));
    }
    out << "recordings: " << count << " x " << secondsEach << " s (" << audioSeconds
        << " s of audio), best of 3\n";
    out << "bare libspeex decode: " << qRound(audioSeconds / bestBare) << " s audio / s\n";
    out << "convert all (read, decode, write WAV): " << qRound(audioSeconds / bestConvert)
        << " s audio / s\n";
    out << "ratio convert / bare: " << QString::number(bestBare / bestConvert, 'f', 2) << '\n';
    return 0;
}
