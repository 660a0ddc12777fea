#include "codec/AudioFileWriter.h"

#include "SkipOutsideCi.h"
#include "SpeechEncoder.h"
#include "SpeechFixtures.h"
#include "TestFolders.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QtEndian>

#include <cmath>

using namespace tovrel;
using tovrel::test::TempFolder;

namespace {

// One minute of decoded speech, as the conversion hands it to a writer.
const QByteArray &speechPcm()
{
    static const QByteArray pcm =
        test::referenceDecode(spx::encodeSpeech(spx::syntheticSpeech(60000, 7)));
    return pcm;
}

QList<qint16> samplesOf(const QByteArray &pcm)
{
    QList<qint16> s(pcm.size() / 2);
    qFromLittleEndian<qint16>(pcm.constData(), s.size(), s.data());
    return s;
}

// The samples of a 16-bit mono WAV file written by another program: the bytes of its "data"
// chunk.
QByteArray wavData(const QByteArray &wav)
{
    for (qsizetype at = 12; at + 8 <= wav.size();) {
        const quint32 size = qFromLittleEndian<quint32>(wav.constData() + at + 4);
        if (wav.mid(at, 4) == "data")
            return wav.mid(at + 8, size);
        at += 8 + size + (size & 1);
    }
    return {};
}

// Loudness over time: the RMS of each 20 ms (160 samples).
QList<double> envelope(const QList<qint16> &s)
{
    QList<double> e;
    for (qsizetype at = 0; at + 160 <= s.size(); at += 160) {
        double sum = 0;
        for (qsizetype i = at; i < at + 160; ++i)
            sum += double(s[i]) * s[i];
        e.append(std::sqrt(sum / 160));
    }
    return e;
}

double correlationAt(const QList<double> &a, const QList<double> &b)
{
    const qsizetype n = std::min(a.size(), b.size());
    double ma = 0, mb = 0;
    for (qsizetype i = 0; i < n; ++i) {
        ma += a[i] / n;
        mb += b[i] / n;
    }
    double ab = 0, aa = 0, bb = 0;
    for (qsizetype i = 0; i < n; ++i) {
        ab += (a[i] - ma) * (b[i] - mb);
        aa += (a[i] - ma) * (a[i] - ma);
        bb += (b[i] - mb) * (b[i] - mb);
    }
    return ab / std::sqrt(aa * bb);
}

// The best correlation of the two envelopes with `b` up to 0.3 s late or early: an MP3 at 16
// kbit/s has no room for the frame telling players the encoder's delay.
double correlation(const QList<double> &a, const QList<double> &b)
{
    double best = -1;
    for (qsizetype lag = -15; lag <= 15; ++lag)
        best = std::max(best, correlationAt(a.mid(std::max<qsizetype>(0, -lag)),
                                            b.mid(std::max<qsizetype>(0, lag))));
    return best;
}

// Runs a program of another project; its output, or a failure of the test.
bool run(const QString &program, const QStringList &arguments, QByteArray *out = nullptr)
{
    QProcess p;
    p.start(program, arguments);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        qWarning().noquote() << program << arguments << p.readAllStandardError();
        return false;
    }
    if (out)
        *out = p.readAllStandardOutput();
    return true;
}

// The tags as Mutagen reads them.
constexpr char kReadTags[] = R"(
import json, sys, mutagen, mutagen.id3
tags = mutagen.File(sys.argv[1]).tags
if isinstance(tags, mutagen.id3.ID3):
    text = lambda id: str(tags[id]) if id in tags else ''
    out = {'title': text('TIT2'), 'date': text('TDRC'), 'artist': text('TPE1'),
           'comment': ''.join(str(f) for f in tags.getall('COMM'))}
else:
    out = {k: (tags.get(k) or [''])[0] for k in ('title', 'date', 'artist', 'comment')}
print(json.dumps(out))
)";

} // namespace

class TestAudioFormats : public QObject
{
    Q_OBJECT

private slots:
    void encodesAndTags_data()
    {
        QTest::addColumn<AudioChoice>("choice");
        QTest::addColumn<QString>("suffix");
        // How the file is decoded back by another program into out.wav ("" for WAV itself).
        QTest::addColumn<QStringList>("decoder"); // %in, %out: the file and the decoded WAV
        QTest::newRow("wav") << AudioChoice{AudioFormat::Wav, 0} << u".wav"_qs << QStringList{};
        QTest::newRow("flac") << AudioChoice{AudioFormat::Flac, 0} << u".flac"_qs
                              << QStringList{u"flac"_qs, u"-d"_qs,   u"-s"_qs,
                                             u"-o"_qs,   u"%out"_qs, u"%in"_qs};
        QTest::newRow("opus 16 kbit/s") << AudioChoice{AudioFormat::Opus, 0} << u".opus"_qs
                                        << QStringList{u"opusdec"_qs, u"--quiet"_qs, u"--rate"_qs,
                                                       u"8000"_qs,    u"%in"_qs,     u"%out"_qs};
        QTest::newRow("mp3 16 kbit/s")
            << AudioChoice{AudioFormat::Mp3, 0} << u".mp3"_qs
            << QStringList{u"mpg123"_qs, u"-q"_qs, u"-w"_qs, u"%out"_qs, u"%in"_qs};
        QTest::newRow("mp3 32 kbit/s")
            << AudioChoice{AudioFormat::Mp3, 32} << u".mp3"_qs
            << QStringList{u"mpg123"_qs, u"-q"_qs, u"-w"_qs, u"%out"_qs, u"%in"_qs};
    }

    // Each format holds the call's sound and says what call it is; a file not committed never
    // takes the place of the one there before.
    void encodesAndTags()
    {
        QFETCH(AudioChoice, choice);
        QFETCH(QString, suffix);
        QFETCH(QStringList, decoder);
        const TempFolder dir;
        const QString target = dir.write(u"call"_qs + suffix, "an earlier file");
        const AudioTags tags{u"来电 13800138000 张三"_qs, u"2026-03-15T10:20"_qs, u"张三"_qs,
                             u"报价：第二版\n周五前回电"_qs};
        const QByteArray &pcm = speechPcm();
        {
            auto dropped = makeAudioFileWriter(choice, tags);
            QVERIFY(dropped->open(target, quint32(pcm.size())));
            QVERIFY(dropped->append(pcm.left(16000)));
        }
        auto discarded = makeAudioFileWriter(choice, tags);
        QVERIFY(discarded->open(target, quint32(pcm.size())));
        QVERIFY(discarded->append(pcm.left(16000)));
        discarded->discard();
        QCOMPARE(dir.read(u"call"_qs + suffix), QByteArray("an earlier file"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);

        auto writer = makeAudioFileWriter(choice, tags);
        QVERIFY(writer->open(target, quint32(pcm.size())));
        for (qsizetype at = 0; at < pcm.size(); at += 8000)
            QVERIFY(writer->append(pcm.mid(at, 8000)));
        QVERIFY2(writer->finish(), qPrintable(writer->errorString()));
        const QByteArray file = dir.read(u"call"_qs + suffix);

        if (decoder.isEmpty()) { // WAV: the 44-byte header, then the samples as they came
            QCOMPARE(file.size(), pcm.size() + 44);
            QCOMPARE(file.mid(44), pcm);
            return;
        }
        const QString program = decoder.takeFirst();
        if (QStandardPaths::findExecutable(program).isEmpty())
            TOVREL_SKIP_OUTSIDE_CI("a decoder of another project is not installed");
        const QString out = dir.file(u"out.wav"_qs);
        decoder.replaceInStrings(u"%in"_qs, target).replaceInStrings(u"%out"_qs, out);
        QVERIFY(run(program, decoder));
        const QByteArray decoded = wavData(dir.read(u"out.wav"_qs));
        if (choice.format == AudioFormat::Flac) {
            QCOMPARE(decoded, pcm);
        } else {
            QVERIFY2(std::abs(decoded.size() - pcm.size()) <= 2 * 2400,
                     qPrintable(QString::number(decoded.size() - pcm.size())));
            const double r = correlation(envelope(samplesOf(pcm)), envelope(samplesOf(decoded)));
            QVERIFY2(r >= 0.95, qPrintable(QString::number(r)));
            // The bit rate asked for (a sixth above it at most, with the tags); at the default
            // rate a call is at most a seventh of its WAV.
            const qint64 nominal = qint64(choice.effectiveBitrate()) * 125 * 60;
            QVERIFY2(file.size() <= nominal * 7 / 6 + 2048,
                     qPrintable(QString::number(file.size())));
            if (choice.bitrateKbps == 0)
                QVERIFY(file.size() * 7 <= pcm.size() + 44);
        }

        QByteArray json;
        QVERIFY(
            run(u"/usr/bin/python3"_qs, {u"-c"_qs, QString::fromLatin1(kReadTags), target}, &json));
        const QJsonObject read = QJsonDocument::fromJson(json).object();
        QCOMPARE(read[u"title"_qs].toString(), tags.title);
        // Mutagen shows an ID3 time stamp with a blank in place of the T.
        QCOMPARE(read[u"date"_qs].toString().replace(u' ', u'T'), tags.date);
        QCOMPARE(read[u"artist"_qs].toString(), tags.artist);
        QCOMPARE(read[u"comment"_qs].toString(), tags.comment);
    }
};

QTEST_GUILESS_MAIN(TestAudioFormats)
#include "tst_audioformats.moc"
