// tovrel play through a real sound server: a private PulseAudio daemon with a null sink, whose
// monitor is recorded and compared with libspeex's own decode of the recording.

#include "ProgramRun.h"
#include "PulseSink.h"
#include "SpeechFixtures.h"
#include "TestFolders.h"

#include "RecordBytes.h"
#include "SpeechEncoder.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTest>

#include <QtEndian>

#include <cmath>
#include <memory>
#include <numbers>

using namespace tovrel;
using tovrel::test::PulseSink;
using tovrel::test::TempFolder;

namespace {

constexpr int kOneMinuteMs = 60000;

constexpr int kRate = 8000;
constexpr double kToneHz = 440.0;
constexpr int kToneSeconds = 8;

// A pure tone, as the telephone would have recorded it.
QByteArray toneRecording()
{
    QList<int16_t> samples(kToneSeconds * kRate);
    for (qsizetype i = 0; i < samples.size(); ++i)
        samples[i] = int16_t(6000 * std::sin(2 * std::numbers::pi * kToneHz * double(i) / kRate));
    emulator::RecordFields record;
    record.attribute = 2;
    record.month = 6;
    record.day = 3;
    record.number = QStringLiteral("110");
    return spx::makeRecording(record, spx::encodeSpeech(samples));
}

// The samples that sounded: from the first loud sample to the last, without the runs of exact
// silence a sound server may put between two pieces of sound.
QList<double> soundedSamples(const QByteArray &heard)
{
    QList<int> all(heard.size() / 2);
    for (qsizetype i = 0; i < all.size(); ++i)
        all[i] = qFromLittleEndian<int16_t>(heard.constData() + 2 * i);
    qsizetype first = 0;
    qsizetype last = all.size() - 1;
    while (first < all.size() && std::abs(all[first]) < 1000)
        ++first;
    while (last > first && std::abs(all[last]) < 1000)
        --last;
    QList<double> sounded;
    for (qsizetype i = first; i <= last;) {
        qsizetype run = 0;
        while (i + run <= last && all[i + run] == 0)
            ++run;
        if (run >= 16) { // a tone crosses zero, it does not rest there
            i += run;
            continue;
        }
        sounded.append(all[i]);
        ++i;
    }
    return sounded;
}

// The strongest frequency (to 1 Hz, 200 to 1000 Hz) of one second from the middle of `samples`.
double dominantHz(const QList<double> &samples)
{
    const qsizetype from = qMax<qsizetype>(0, samples.size() / 2 - kRate / 2);
    const qsizetype count = qMin<qsizetype>(kRate, samples.size() - from);
    double best = 0;
    double bestPower = -1;
    for (int hz = 200; hz <= 1000; ++hz) {
        double re = 0;
        double im = 0;
        for (qsizetype i = 0; i < count; ++i) {
            const double phase = 2 * std::numbers::pi * hz * double(i) / kRate;
            re += samples[from + i] * std::cos(phase);
            im += samples[from + i] * std::sin(phase);
        }
        const double power = re * re + im * im;
        if (power > bestPower) {
            bestPower = power;
            best = hz;
        }
    }
    return best;
}

} // namespace

class TestPulsePlay : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<PulseSink> m_sink;
    TempFolder m_folder;
    QString m_recording;
    QByteArray m_payload;

private slots:
    void initTestCase()
    {
        m_sink = std::make_unique<PulseSink>();
        TOVREL_REQUIRE_PULSE(*m_sink);
        emulator::RecordFields record;
        record.attribute = 1;
        record.month = 6;
        record.day = 2;
        record.number = QStringLiteral("13800138000");
        const QByteArray bytes = test::speechRecording(record, kOneMinuteMs, 5);
        m_payload = bytes.mid(19);
        QVERIFY(m_payload.size() >= 59000);
        m_recording = m_folder.write(QStringLiteral("06020000_0001_13800138000.spx"), bytes);
    }

    // The whole recording (or all of it from --from) sounds on the sink, in order, and tovrel
    // play then exits 0; also when the server holds two seconds of sound at a time.
    void wholeRecordingSounds_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("latencyMs");
        QTest::newRow("from the start") << 0 << 0;
        QTest::newRow("--from 30") << 30 << 0;
        QTest::newRow("a server holding 2 s of sound") << 0 << 2000;
    }

    void wholeRecordingSounds()
    {
        QFETCH(int, from);
        QFETCH(int, latencyMs);
        QVERIFY(m_sink->startListening());
        QStringList args{m_recording};
        if (from > 0)
            args << QStringLiteral("--from") << QString::number(from);
        QProcessEnvironment extra;
        if (latencyMs > 0)
            extra.insert(QStringLiteral("PULSE_LATENCY_MSEC"), QString::number(latencyMs));
        QElapsedTimer timer;
        timer.start();
        const test::ProgramRun played = test::tovrelPlay(*m_sink, args, extra);
        const qint64 wallMs = timer.elapsed();
        QTest::qWait(500); // the monitor's last piece
        const QByteArray heard = m_sink->stopListening();
        QVERIFY2(played.exitCode == 0, qPrintable(played.err.right(600)));

        const QByteArray expected = test::referenceDecode(m_payload.mid(qsizetype(from) * 1000));
        QString why;
        const int pieces = test::soundedPieces(heard, expected, &why);
        QVERIFY2(pieces > 0, qPrintable(why));
        // Played in real time, not faster than the sound lasts.
        QVERIFY(wallMs >= expected.size() / 16);
        if (pieces > 1)
            qInfo("the server let %d gaps of silence into the sound", pieces - 1);
    }

    // At another speed the tone lasts the recording's time divided by the speed, and its pitch is
    // the one it has at the recording's own speed.
    void speedKeepsThePitch_data()
    {
        QTest::addColumn<QString>("speed");
        QTest::addColumn<double>("factor");
        QTest::newRow("--speed 2") << QStringLiteral("2") << 2.0;
        QTest::newRow("--speed 0.5") << QStringLiteral("0.5") << 0.5;
    }

    void speedKeepsThePitch()
    {
        QFETCH(QString, speed);
        QFETCH(double, factor);
        const QString tone =
            m_folder.write(QStringLiteral("06030000_0002_110.spx"), toneRecording());
        const auto play = [&](const QStringList &extra, QList<double> *sounded) {
            if (!m_sink->startListening())
                return false;
            const test::ProgramRun played = test::tovrelPlay(*m_sink, QStringList{tone} + extra);
            QTest::qWait(500); // the monitor's last piece
            *sounded = soundedSamples(m_sink->stopListening());
            if (played.exitCode != 0)
                qWarning("%s", qPrintable(played.err.right(600)));
            return played.exitCode == 0;
        };
        QList<double> own;
        QVERIFY(play({}, &own));
        const double ownHz = dominantHz(own);
        QVERIFY2(std::abs(ownHz - kToneHz) <= 10, qPrintable(QString::number(ownHz)));
        QVERIFY2(std::abs(double(own.size()) / kRate - kToneSeconds) < 0.3,
                 qPrintable(QString::number(double(own.size()) / kRate)));

        QList<double> changed;
        QVERIFY(play({QStringLiteral("--speed"), speed}, &changed));
        const double seconds = double(changed.size()) / kRate;
        const double expected = kToneSeconds / factor;
        QVERIFY2(
            std::abs(seconds - expected) < 0.05 * expected + 0.2,
            qPrintable(QStringLiteral("%1 s sounded, %2 s expected").arg(seconds).arg(expected)));
        const double hz = dominantHz(changed);
        QVERIFY2(std::abs(hz - ownHz) <= 0.02 * ownHz,
                 qPrintable(QStringLiteral("%1 Hz against %2 Hz").arg(hz).arg(ownHz)));
    }

    // The server dies part-way: tovrel play says so and exits 1 at once, not when the
    // recording would have ended.
    void cutShortByTheServer()
    {
        QProcess tovrel;
        tovrel.setProcessEnvironment(m_sink->environment());
        tovrel.start(test::tovrelProgram(), {QStringLiteral("play"), m_recording});
        QVERIFY(tovrel.waitForStarted());
        QTest::qWait(4000);
        QCOMPARE(tovrel.state(), QProcess::Running);
        m_sink->kill();
        QElapsedTimer timer;
        timer.start();
        QVERIFY(tovrel.waitForFinished(20000));
        QVERIFY(timer.elapsed() < 10000);
        const QString errors = QString::fromUtf8(tovrel.readAllStandardError());
        QCOMPARE(tovrel.exitStatus(), QProcess::NormalExit);
        QCOMPARE(tovrel.exitCode(), 1);
        QVERIFY2(errors.contains(QString::fromUtf8("播放中断：音频设备停止了播放！")),
                 qPrintable(errors.right(600)));
        QVERIFY2(m_sink->restart(), qPrintable(m_sink->error()));
    }
};

QTEST_GUILESS_MAIN(TestPulsePlay)
#include "tst_pulseplay.moc"
