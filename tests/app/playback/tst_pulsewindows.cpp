// The windows' playback through a real sound server: a private PulseAudio daemon with a null
// sink, whose monitor is recorded and compared with libspeex's own decode of the recording. The
// server makes every client hold 2 s of sound, so a position that counted sound when the server
// took it, not when it was heard, would run ahead of the monitor.

#include "PulseSink.h"
#include "PulseWindows.h"
#include "SpeechFixtures.h"
#include "TestFolders.h"
#include "TestText.h"

#include "RecordBytes.h"
#include "playback/PlaybackMessage.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QTest>
#include <QTimer>

#include <cmath>
#include <memory>

using namespace tovrel;
using tovrel::test::PulseSink;
using tovrel::test::PulseWindows;
using tovrel::test::TempFolder;

namespace {

constexpr int kServerLatencyMs = 2000;

// Seconds of a "%02d:%02d:%02d" label.
int labelSeconds(const QLabel *label)
{
    const QStringList parts = label->text().split(QLatin1Char(':'));
    return parts.size() == 3 ? parts[0].toInt() * 3600 + parts[1].toInt() * 60 + parts[2].toInt()
                             : -1;
}

} // namespace

class TestPulseWindows : public QObject
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
        record.attribute = 2;
        record.month = 7;
        record.day = 9;
        const QByteArray bytes = test::speechRecording(record, 60000, 11);
        m_expected = test::referenceDecode(bytes.mid(19));
        QVERIFY(m_expected.size() >= 59 * 16000);
        m_recording = m_folder.write(QStringLiteral("07090000_0001_.spx"), bytes);
    }

    // The PC tab plays, pauses and resumes a one-minute recording: the position follows what
    // has sounded on the sink, the pause holds the sound, and the whole recording sounds.
    void mainWindowPauseAndResume()
    {
        PulseWindows w;
        // The held sound goes on where it stopped (no going back on resume).
        w.main->CheckBoxRewind->setChecked(false);
        w.showOnPcTab(QStringLiteral("07090000_0001_.spx"), m_recording);
        QVERIFY2(m_sink->startListening(), qPrintable(m_sink->error()));
        w.main->BitBtnPlayStartClick();
        QCOMPARE(PlayStateFlag.load(), int(PlayPlaying));

        // Eight seconds of the position against the monitor.
        QElapsedTimer timer;
        timer.start();
        int lastShown = 0;
        while (timer.elapsed() < 8000 + kServerLatencyMs) {
            QTest::qWait(300);
            w.main->TimerPlayerTimer();
            const int shown = labelSeconds(w.main->Label3);
            const double heard = test::secondsSounded(m_sink->heardSoFar(), m_expected);
            QVERIFY(heard >= 0);
            QVERIFY2(shown <= heard + 1.5 && shown >= heard - 1.5,
                     qPrintable(QStringLiteral("the position shows %1 s, %2 s have sounded")
                                    .arg(shown)
                                    .arg(heard)));
            lastShown = shown;
        }
        QVERIFY(lastShown >= 6);

        w.main->BitBtnPlayPauseClick();
        QTest::qWait(1000 + kServerLatencyMs);
        const double heldAt = test::secondsSounded(m_sink->heardSoFar(), m_expected);
        QTest::qWait(2000);
        QCOMPARE(test::secondsSounded(m_sink->heardSoFar(), m_expected), heldAt);
        QCOMPARE(PlayStateFlag.load(), int(PlayPaused));

        w.main->BitBtnPlayStartClick();
        QCOMPARE(PlayStateFlag.load(), int(PlayPlaying));
        QVERIFY(test::waitForPlaybackStop(120000));
        QTest::qWait(500);
        const QByteArray heard = m_sink->stopListening();
        QVERIFY2(w.messages.texts().isEmpty(), qPrintable(w.messages.texts().join(u'\n')));
        QString why;
        QVERIFY2(test::soundedPieces(heard, m_expected, &why) >= 2, qPrintable(why));
    }

    // The PC tab and the search window each play the recording from its start to its end.
    void playsTheWholeRecording_data() { test::windowsThatPlay(); }
    void playsTheWholeRecording()
    {
        QFETCH(bool, fromSearch);
        PulseWindows w;
        QByteArray heard;
        if (!fromSearch)
            w.showOnPcTab(QStringLiteral("07090000_0001_.spx"), m_recording);
        test::playToTheEnd(w, *m_sink, fromSearch ? m_folder.path() : QString(), 120000, &heard);
        if (QTest::currentTestFailed())
            return;
        QString why;
        QVERIFY2(test::soundedPieces(heard, m_expected, &why) > 0, qPrintable(why));
    }

    // The sound server dies while the PC tab plays: playback stops and the window says why.
    void mainWindowSaysWhenTheServerDies()
    {
        PulseWindows w;
        w.showOnPcTab(QStringLiteral("07090000_0001_.spx"), m_recording);
        w.main->BitBtnPlayStartClick();
        QTest::qWait(3000);
        QCOMPARE(PlayStateFlag.load(), int(PlayPlaying));
        m_sink->kill();
        QVERIFY(test::waitForPlaybackStop(10000));
        QTRY_COMPARE(w.messages.texts(),
                     QStringList{QString::fromUtf8("播放中断：音频设备停止了播放！")});
        const Message message = w.messages.messages().first();
        QCOMPARE(message.caption, QString::fromUtf8("警告"));
        QCOMPARE(message.icon, MessageIcon::Warning);
        QVERIFY2(m_sink->restart(), qPrintable(m_sink->error()));
    }
};

QTEST_MAIN(TestPulseWindows)
#include "tst_pulsewindows.moc"
