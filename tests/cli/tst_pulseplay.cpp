// tovrel play through a real sound server: a private PulseAudio daemon with a null sink, whose
// monitor is recorded and compared with libspeex's own decode of the recording.

#include "ProgramRun.h"
#include "PulseSink.h"
#include "SpeechFixtures.h"
#include "TestFolders.h"

#include "RecordBytes.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTest>

#include <memory>

using namespace tovrel;
using tovrel::test::PulseSink;
using tovrel::test::TempFolder;

namespace {

constexpr int kOneMinuteMs = 60000;

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
