#include "PlaybackFixtures.h"
#include "SpeechEncoder.h"
#include "TestFolders.h"

#include "playback/LoudnessEnvelope.h"

#include <QTest>

#include <algorithm>
#include <atomic>
#include <cmath>

using namespace tovrel;
using tovrel::test::TempFolder;

namespace {

constexpr int kFrameSamples = 160; // 20 ms at 8000 samples per second

// `frames` speech frames of silence or of a 440 Hz tone at about a third of full scale.
QList<int16_t> sound(int frames, bool tone)
{
    QList<int16_t> samples(frames * kFrameSamples, 0);
    if (tone) {
        for (qsizetype i = 0; i < samples.size(); ++i)
            samples[i] = int16_t(12000.0 * std::sin(2.0 * M_PI * 440.0 * double(i) / 8000.0));
    }
    return samples;
}

} // namespace

class TestLoudnessEnvelope : public QObject
{
    Q_OBJECT

private slots:
    // Silence, a tone, silence: the columns over the tone are loud and the others quiet.
    void silenceToneSilence_data()
    {
        QTest::addColumn<bool>("longForm");
        QTest::addColumn<int>("before"); // frames
        QTest::addColumn<int>("tone");
        QTest::addColumn<int>("after");
        QTest::addColumn<int>("columns");
        QTest::newRow("short form, 10 frames a column") << false << 100 << 120 << 100 << 32;
        QTest::newRow("short form, 5 frames a column") << false << 100 << 120 << 100 << 64;
        QTest::newRow("long form, tone near the end") << true << 200 << 80 << 40 << 32;
        QTest::newRow("more columns than frames") << false << 10 << 10 << 12 << 64;
    }

    void silenceToneSilence()
    {
        QFETCH(bool, longForm);
        QFETCH(int, before);
        QFETCH(int, tone);
        QFETCH(int, after);
        QFETCH(int, columns);
        QList<int16_t> samples = sound(before, false);
        samples += sound(tone, true);
        samples += sound(after, false);
        const QByteArray payload = spx::encodeSpeech(samples);
        const int frames = before + tone + after;
        QCOMPARE(payload.size(), qsizetype(frames) * 20);
        // The long form's payload is a whole number of 256-byte pages here: no padding.
        QVERIFY(!longForm || payload.size() % 256 == 0);
        const QByteArray header = longForm ? test::longHeader(quint32(payload.size()))
                                           : test::shortHeader(quint32(payload.size()));
        TempFolder folder;
        const QString path = folder.write(QStringLiteral("r.spx"), header + payload);

        const std::atomic<bool> cancel{false};
        const loudness::Envelope envelope = loudness::compute(path, columns, cancel);
        QVERIFY(!envelope.error);
        QVERIFY(!envelope.cancelled);
        QCOMPARE(envelope.peaks.size(), qsizetype(columns));
        for (int c = 0; c < columns; ++c) {
            // The frames this column covers, as the columns split the payload evenly (at least
            // one frame a column).
            const int first = c * frames / columns;
            const int last = std::max(first + 1, (c + 1) * frames / columns);
            // The codec rings on for a frame or two: two frames either side are not judged.
            const bool allTone = first >= before + 2 && last <= before + tone - 2;
            const bool allQuiet = last <= before - 2 || first >= before + tone + 2;
            const float peak = envelope.peaks.at(c);
            if (allTone)
                QVERIFY2(peak > 0.2f, qPrintable(QStringLiteral("column %1: %2").arg(c).arg(peak)));
            else if (allQuiet)
                QVERIFY2(peak < 0.02f,
                         qPrintable(QStringLiteral("column %1: %2").arg(c).arg(peak)));
        }
    }

    // A cancel asked for while the envelope is computed ends it after the step under way.
    void cancelStopsAfterTheCurrentStep_data()
    {
        QTest::addColumn<int>("cancelAfterSteps");
        QTest::newRow("after the first step") << 1;
        QTest::newRow("after the third step") << 3;
    }

    void cancelStopsAfterTheCurrentStep()
    {
        QFETCH(int, cancelAfterSteps);
        // Ten steps of speech: one second encoded, repeated.
        const QByteArray second = spx::encodeSpeech(spx::syntheticSpeech(1000));
        const QByteArray payload = second.repeated(10 * loudness::kFramesPerStep / 50);
        TempFolder folder;
        const QString path = folder.write(QStringLiteral("r.spx"),
                                          test::shortHeader(quint32(payload.size())) + payload);
        std::atomic<bool> cancel{false};
        QList<qint64> steps;
        const loudness::Envelope envelope =
            loudness::compute(path, 100, cancel, [&](qint64 framesDone) {
                steps.append(framesDone);
                if (steps.size() == cancelAfterSteps)
                    cancel.store(true);
            });
        QVERIFY(envelope.cancelled);
        QVERIFY(envelope.peaks.isEmpty());
        QVERIFY(!envelope.error);
        QCOMPARE(steps.size(), qsizetype(cancelAfterSteps));
        QCOMPARE(steps.last(), qint64(cancelAfterSteps) * loudness::kFramesPerStep);
    }

    void unreadableRecording_data()
    {
        QTest::addColumn<bool>("folder");
        QTest::addColumn<QString>("text");
        QTest::newRow("missing file") << false << QStringLiteral("open input spx file error!");
        QTest::newRow("a folder") << true << QStringLiteral("read input spx file error!");
    }

    void unreadableRecording()
    {
        QFETCH(bool, folder);
        QFETCH(QString, text);
        TempFolder temp;
        const QString path = folder ? temp.path() : temp.file(QStringLiteral("gone.spx"));
        const std::atomic<bool> cancel{false};
        const loudness::Envelope envelope = loudness::compute(path, 10, cancel);
        QCOMPARE(envelope.error.value_or(QString()), text);
        QVERIFY(envelope.peaks.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestLoudnessEnvelope)
#include "tst_loudnessenvelope.moc"
