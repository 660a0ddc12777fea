// Conversion throughput: the conversion worker with one job and with several, on the same files
// in one run, for a batch of many short recordings and for a few long ones; and the one-job run
// against a bare libspeex decode of the same frames.
//
// Usage: bench_conversion [JOBS [SHORT_COUNT SHORT_SECONDS LONG_COUNT LONG_SECONDS [FORMAT]]]
//        (default: one job per core, 200 x 30 s and 4 x 600 s, WAV; FORMAT: wav, flac, opus
//        or mp3 at its default bit rate)
// Prints seconds of audio per wall-clock second and the ratios, the size of what is written
// per hour of audio against the WAV's, and the peak memory of the process.

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
#include <sys/resource.h>

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

double convert(const QStringList &inputs, const QString &outputFolder, int jobs,
               const AudioChoice &choice)
{
    std::atomic<int> flag{1};
    ConversionWorker worker(inputs, outputFolder, flag, jobs);
    worker.setOutput(choice);
    bool ok = false;
    QObject::connect(&worker, &ConversionWorker::finished, [&] { ok = true; });
    QElapsedTimer t;
    t.start();
    worker.run();
    if (!ok)
        qFatal("the conversion did not finish");
    return double(t.nsecsElapsed()) / 1e9;
}

// One batch of recordings written into a folder of its own.
struct Batch
{
    QString name;
    QStringList inputs;
    QList<QByteArray> payloads;
    double audioSeconds = 0;
};

// `count` recordings of `seconds` each, made of 30-second pieces of encoded speech (Speex
// frames follow each other freely, so a long recording is its pieces one after the other).
Batch makeBatch(const QString &name, const QString &folder, const QList<QByteArray> &pieces,
                int count, int seconds)
{
    Batch b;
    b.name = name;
    QDir().mkpath(folder);
    for (int i = 0; i < count; ++i) {
        QByteArray payload;
        for (int k = 0; payload.size() < qsizetype(seconds) * 1000; ++k)
            payload += pieces[(i + k) % pieces.size()];
        payload.truncate(qsizetype(seconds) * 1000);
        emulator::RecordFields record;
        record.longForm = i % 2 == 1;
        const QByteArray file = spx::makeRecording(record, payload);
        const QString path = folder + QString::asprintf("/%04d.spx", i);
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(file) != file.size() || !f.flush())
            qFatal("cannot write %s", qPrintable(path));
        b.inputs.append(path);
        b.payloads.append(payload);
        b.audioSeconds += double(payload.size() / 500) * 0.5;
    }
    return b;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const auto arg = [&](int i, int fallback) {
        return args.size() > i ? args[i].toInt() : fallback;
    };
    const int jobs = ConversionWorker::jobCount(arg(1, 0));
    AudioChoice choice;
    if (args.size() > 6) {
        const auto format = formatFromName(args[6]);
        if (!format)
            qFatal("unknown format %s", qPrintable(args[6]));
        choice.format = *format;
    }
    QTextStream out(stdout);

    QTemporaryDir dir;
    QTemporaryDir output;
    QList<QByteArray> pieces;
    for (unsigned seed = 1; seed <= 8; ++seed)
        pieces.append(spx::encodeSpeech(spx::syntheticSpeech(30000, seed)));
    const QList<Batch> batches{
        makeBatch(QStringLiteral("many short"), dir.filePath(QStringLiteral("short")), pieces,
                  arg(2, 200), arg(3, 30)),
        makeBatch(QStringLiteral("few long"), dir.filePath(QStringLiteral("long")), pieces,
                  arg(4, 4), arg(5, 600)),
    };

    const QString outputFolder = output.path() + QLatin1Char('/');
    out << "format: " << formatName(choice.format) << ", jobs: " << jobs
        << ", best of 5 rounds, interleaved\n";
    for (const Batch &b : batches) {
        double bestBare = 1e9;
        double bestOne = 1e9;
        double bestMany = 1e9;
        for (int round = 0; round < 5; ++round) {
            bestBare = std::min(bestBare, bareDecode(b.payloads));
            bestOne = std::min(bestOne, convert(b.inputs, outputFolder, 1, choice));
            bestMany = std::min(bestMany, convert(b.inputs, outputFolder, jobs, choice));
        }
        out << b.name << ": " << b.inputs.size() << " recordings, " << b.audioSeconds
            << " s of audio\n";
        out << "  bare libspeex decode, one core: " << qRound(b.audioSeconds / bestBare)
            << " s audio / s\n";
        out << "  conversion, 1 job: " << qRound(b.audioSeconds / bestOne) << " s audio / s ("
            << QString::number(bestBare / bestOne, 'f', 2) << " of the bare decode)\n";
        out << "  conversion, " << jobs << " jobs: " << qRound(b.audioSeconds / bestMany)
            << " s audio / s\n";
        out << "  speed-up " << jobs
            << " jobs / 1 job: " << QString::number(bestOne / bestMany, 'f', 2) << "\n";
        qint64 written = 0;
        for (const QFileInfo &f : QDir(outputFolder).entryInfoList(QDir::Files))
            written += f.size();
        const double wavPerHour = 3600.0 * 16000 + 44;
        out << "  written: " << QString::number(written / b.audioSeconds * 3600 / 1e6, 'f', 1)
            << " MB per hour of audio ("
            << QString::number(written / b.audioSeconds * 3600 / wavPerHour, 'f', 3)
            << " of the WAV)\n";
        out.flush();
        for (const QFileInfo &f : QDir(outputFolder).entryInfoList(QDir::Files))
            QFile::remove(f.filePath());
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    out << "peak memory: " << usage.ru_maxrss / 1024 << " MB\n";
    return 0;
}
