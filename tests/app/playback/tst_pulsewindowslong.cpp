// A ten-minute recording played from the PC tab and from the search window through a real sound
// server (a private PulseAudio daemon with a null sink) sounds for its whole length: the sink's
// monitor holds libspeex's own decode of it. Each window's playback takes ten minutes in real
// time, so CTest runs each as its own test, started first and beside the others.

#include "PulseSink.h"
#include "PulseWindows.h"
#include "SpeechFixtures.h"
#include "TestFolders.h"

#include "RecordBytes.h"

#include <QElapsedTimer>
#include <QTest>

#include <memory>

using namespace tovrel;
using tovrel::test::PulseSink;
using tovrel::test::PulseWindows;
using tovrel::test::TempFolder;

namespace {

constexpr int kTenMinutesMs = 600000;
// The server makes every client hold this much sound, as one configured for a large buffer does.
constexpr int kServerLatencyMs = 2000;

} // namespace

class TestPulseWindowsLong : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<PulseSink> m_sink;
    TempFolder m_folder;
    QString m_recording;
    QByteArray m_expected;

private slots:
    void initTestCase()
    {
        m_sink = std::make_unique<PulseSink>(kServerLatencyMs);
        TOVREL_REQUIRE_PULSE(*m_sink);
        // Before PortAudio first starts in this process.
        m_sink->useInThisProcess();
        emulator::RecordFields record;
        record.attribute = 1;
        record.month = 3;
        record.day = 14;
        // Encoded by the tests' own generator: ten minutes of speech-like sound.
        const QByteArray bytes = test::speechRecording(record, kTenMinutesMs, 13);
        m_expected = test::referenceDecode(bytes.mid(19));
        QVERIFY(m_expected.size() >= 599 * 16000);
        m_recording = m_folder.write(QStringLiteral("03140000_0001_.spx"), bytes);
    }

    void playsTheWholeRecording_data() { test::windowsThatPlay(); }
    void playsTheWholeRecording()
    {
        QFETCH(bool, fromSearch);
        PulseWindows w;
        if (!fromSearch)
            w.showOnPcTab(QStringLiteral("03140000_0001_.spx"), m_recording);
        QByteArray heard;
        QElapsedTimer timer;
        timer.start();
        test::playToTheEnd(w, *m_sink, fromSearch ? m_folder.path() : QString(),
                           kTenMinutesMs + 300000, &heard);
        const qint64 wallMs = timer.elapsed();
        if (QTest::currentTestFailed())
            return;
        QString why;
        const int pieces = test::soundedPieces(heard, m_expected, &why);
        QVERIFY2(pieces > 0, qPrintable(why));
        // Played in real time, not faster than it can be heard.
        QVERIFY(wallMs >= m_expected.size() / 16);
        if (pieces > 1)
            qInfo("the server let %d gaps of silence into the sound", pieces - 1);
    }
};

QTEST_MAIN(TestPulseWindowsLong)
#include "tst_pulsewindowslong.moc"
