// A ten-minute recording played by tovrel play through a real sound server (a private
// PulseAudio daemon with a null sink) sounds for its whole length: the sink's monitor holds
// libspeex's own decode of it. It plays in real time, so CTest starts it first and runs it beside
// the other tests.

#include "PulseSink.h"
#include "SpeechFixtures.h"
#include "TestFolders.h"

#include "RecordBytes.h"

#include <QElapsedTimer>
#include <QTest>

using namespace tovrel;
using tovrel::test::PulseSink;
using tovrel::test::TempFolder;

class TestPulsePlayLong : public QObject
{
    Q_OBJECT

private slots:
    void tenMinuteRecordingSoundsWhole()
    {
        PulseSink sink;
        TOVREL_REQUIRE_PULSE(sink);
        emulator::RecordFields record;
        record.longForm = true;
        record.attribute = 0;
        record.month = 11;
        record.day = 30;
        record.number = QStringLiteral("02087654321");
        // Encoded by the tests' own generator: ten minutes of speech-like sound.
        const QByteArray bytes = test::speechRecording(record, 600000, 9);
        TempFolder folder;
        const QString path = folder.write(QStringLiteral("11300000_0001_02087654321.spx"), bytes);
        const QByteArray expected = test::referenceDecode(bytes.mid(32));
        QVERIFY(expected.size() >= 599 * 16000);

        QVERIFY2(sink.startListening(), qPrintable(sink.error()));
        QElapsedTimer timer;
        timer.start();
        const test::ProgramRun played = test::tovrelPlay(sink, {path}, {}, 900000);
        const qint64 wallMs = timer.elapsed();
        QTest::qWait(500);
        const QByteArray heard = sink.stopListening();
        QVERIFY2(played.exitCode == 0, qPrintable(played.err.right(600)));
        QString why;
        const int pieces = test::soundedPieces(heard, expected, &why);
        QVERIFY2(pieces > 0, qPrintable(why));
        QVERIFY(wallMs >= expected.size() / 16);
        if (pieces > 1)
            qInfo("the server let %d gaps of silence into the sound", pieces - 1);
    }
};

QTEST_GUILESS_MAIN(TestPulsePlayLong)
#include "tst_pulseplaylong.moc"
