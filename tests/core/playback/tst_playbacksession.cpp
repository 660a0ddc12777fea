#include "PlaybackFixtures.h"
#include "SpeechEncoder.h"
#include "SpeechFixtures.h"
#include "TestFolders.h"

#include "VirtualAudioOutput.h"
#include "activity/ActivityFlags.h"
#include "playback/PlaybackSession.h"
#include "playback/SpeexBlockDecoder.h"

#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTest>

#include <cmath>

using namespace tovrel;
using tovrel::test::SequenceDecoder;
using tovrel::test::TempFolder;
using Behaviour = VirtualAudioOutput::Behaviour;

namespace {

// Fast enough for tests, slow enough for the decoder thread's 100 ms polls to keep one block ahead.
constexpr double kSpeed = 12.0;

struct Fixture
{
    TempFolder folder;
    std::shared_ptr<VirtualAudioOutput::Record> record =
        std::make_shared<VirtualAudioOutput::Record>();
    std::unique_ptr<PlaybackSession> session;

    // What the session reported, received on this thread (the reports are queued to it).
    QList<PlaybackMessage> failures;
    int playerEnds = 0;
    QObject receiver;

    explicit Fixture(double speed = kSpeed, Behaviour behaviour = Behaviour::Plays)
    {
        resetActivityFlags();
        session = std::make_unique<PlaybackSession>(
            VirtualAudioOutput::factory(record, speed, behaviour), SequenceDecoder::factory());
        QObject::connect(session.get(), &PlaybackSession::failed, &receiver,
                         [this](const PlaybackMessage &m) { failures.append(m); });
        QObject::connect(session.get(), &PlaybackSession::playerEnded, &receiver,
                         [this] { ++playerEnds; });
    }

    QString recording(const QByteArray &header, const QByteArray &payload,
                      const QString &name = QStringLiteral("r.spx"))
    {
        return folder.write(name, header + payload);
    }

    // Waits until the player thread has let go (generous: the machine is shared).
    bool waitForEnd(int timeoutMs = 30000)
    {
        QElapsedTimer timer;
        timer.start();
        while (session->isRunning() && timer.elapsed() < timeoutMs)
            QTest::qWait(20);
        return !session->isRunning();
    }
};

} // namespace

class TestPlaybackSession : public QObject
{
    Q_OBJECT

private slots:
    void wholeRecordingPlaysItsContinuousDecode_data()
    {
        QTest::addColumn<int>("payloadLength");
        QTest::addColumn<bool>("longForm");
        QTest::newRow("empty payload") << 0 << false;
        QTest::newRow("one second") << 1000 << false;
        QTest::newRow("just under a block") << 4999 << false;
        QTest::newRow("exactly one block") << 5000 << false;
        QTest::newRow("one block and a byte") << 5001 << false;
        QTest::newRow("two blocks, empty last block") << 10000 << false;
        QTest::newRow("several blocks") << 23456 << false;
        QTest::newRow("long form header") << 12288 << true;
    }

    void wholeRecordingPlaysItsContinuousDecode()
    {
        QFETCH(int, payloadLength);
        QFETCH(bool, longForm);
        Fixture f;
        const QByteArray payload = test::somePayload(payloadLength);
        const QByteArray header =
            longForm ? test::longHeader(payloadLength) : test::shortHeader(payloadLength);
        const QString path = f.recording(header, payload);

        QVERIFY(!f.session->start(path));
        QCOMPARE(PlayStateFlag.load(), int(PlayPlaying));
        QCOMPARE(f.session->headerLength(), longForm ? 32 : 19);
        QCOMPARE(f.session->fileLength(), quint32(header.size() + payload.size()));

        QVERIFY(f.waitForEnd());
        QCOMPARE(PlayStateFlag.load(), int(PlayStopped));
        QTRY_COMPARE(f.playerEnds, 1);
        const QByteArray played = f.record->played();
        QCOMPARE(played.size(), payload.size() * 16);
        QVERIFY(played == SequenceDecoder::decodeAll(payload));
        // Pieces are 8000 bytes but for the last of each block.
        for (int length : f.record->queuedLengths())
            QVERIFY(length > 0 && length <= 8000);
    }

    // At another speed the whole recording still plays: the sound is the recording's length
    // divided by the speed (the tail the stretch held included), and the elapsed seconds end at
    // the recording's own length.
    void speedPlaysTheWholeRecording_data()
    {
        QTest::addColumn<int>("tenths");
        QTest::newRow("0.5x") << 5;
        QTest::newRow("1.3x") << 13;
        QTest::newRow("2.0x") << 20;
    }

    void speedPlaysTheWholeRecording()
    {
        QFETCH(int, tenths);
        Fixture f(kSpeed);
        f.session = std::make_unique<PlaybackSession>(VirtualAudioOutput::factory(f.record, kSpeed),
                                                      speexBlockDecoders());
        const QByteArray payload = spx::encodeSpeech(spx::syntheticSpeech(12340));
        const QString path = f.recording(test::shortHeader(quint32(payload.size())), payload);
        f.session->setSpeed(tenths);
        QVERIFY(!f.session->start(path));
        QVERIFY(f.waitForEnd());
        const double recordingSamples = double(payload.size() / 20 * 160);
        const double playedSamples = double(f.record->played().size() / 2);
        // The stretch drops or repeats whole pitch periods, so the length is right to about one
        // period (at most 123 samples); the tail it holds until the end is longer than that.
        QVERIFY2(std::abs(playedSamples - recordingSamples * 10 / tenths) <= 150,
                 qPrintable(QStringLiteral("%1 samples played of %2 at %3 tenths")
                                .arg(playedSamples)
                                .arg(recordingSamples)
                                .arg(tenths)));
        QCOMPARE(f.session->elapsedSeconds(), int(std::ceil(recordingSamples / 8000)));
        QCOMPARE(f.session->speed(), tenths); // kept for the next playback
    }

    // Back to the recording's own speed while playing: what the stretch still held plays
    // first, and the rest is the recording's own decode, sample for sample, to its end.
    void speedBackToNormalWhilePlaying()
    {
        Fixture f(kSpeed);
        f.session = std::make_unique<PlaybackSession>(VirtualAudioOutput::factory(f.record, kSpeed),
                                                      speexBlockDecoders());
        // Long enough that most of it is still to be decoded when the speed changes (the device
        // holds a few seconds).
        const QByteArray payload = spx::encodeSpeech(spx::syntheticSpeech(30000));
        const QString path = f.recording(test::shortHeader(quint32(payload.size())), payload);
        f.session->setSpeed(20);
        QVERIFY(!f.session->start(path));
        constexpr qsizetype kOneSecond = 8000 * 2; // bytes of 16-bit samples
        QTRY_VERIFY_WITH_TIMEOUT(f.record->played().size() >= kOneSecond, 10000);
        f.session->setSpeed(10);
        QVERIFY(f.waitForEnd());
        const QByteArray expected = test::referenceDecode(payload);
        const QByteArray played = f.record->played();
        QVERIFY2(played.size() > expected.size() / 2 && played.size() < expected.size(),
                 qPrintable(QString::number(played.size())));
        QVERIFY(played.right(4 * kOneSecond) == expected.right(4 * kOneSecond));
    }

    // The recordings' own decoder: what plays is the continuous decode of the whole payload,
    // and a start at a seek offset is a fresh decode from there.
    void speechPlaysAsItsContinuousDecode_data()
    {
        QTest::addColumn<quint32>("seekOffset");
        QTest::newRow("from the start") << 0u;
        QTest::newRow("from second 4") << 4000u;
    }

    void speechPlaysAsItsContinuousDecode()
    {
        QFETCH(quint32, seekOffset);
        resetActivityFlags();
        TempFolder folder;
        auto record = std::make_shared<VirtualAudioOutput::Record>();
        PlaybackSession session(VirtualAudioOutput::factory(record, kSpeed), speexBlockDecoders());
        const QByteArray payload = spx::encodeSpeech(spx::syntheticSpeech(12340));
        const QString path = folder.write(QStringLiteral("speech.spx"),
                                          test::longHeader(quint32(payload.size())) + payload);
        QVERIFY(!session.start(path, seekOffset));
        QElapsedTimer timer;
        timer.start();
        while (session.isRunning() && timer.elapsed() < 30000)
            QTest::qWait(20);
        QVERIFY(!session.isRunning());
        const QByteArray expected = test::referenceDecode(payload.mid(seekOffset));
        QCOMPARE(expected.size(), (payload.size() - qsizetype(seekOffset)) * 16);
        QVERIFY(record->played() == expected);
    }

    void truncatedRecordingPlaysWhatIsThere()
    {
        Fixture f;
        const QByteArray payload = test::somePayload(7300);
        const QString path = f.recording(test::shortHeader(20000), payload);
        QVERIFY(!f.session->start(path));
        QVERIFY(f.waitForEnd());
        QVERIFY(f.record->played() == SequenceDecoder::decodeAll(payload));
        // Once it has played out, the user is told the recording was not whole.
        QTRY_COMPARE(f.failures.size(), 1);
        QCOMPARE(f.failures[0].text,
                 QString::fromUtf8("不是完整的录音（文件不完整：缺少 12700 字节）"));
    }

    // A file that does not even hold a header is no recording: it is not played.
    void fileShorterThanAHeaderIsNotPlayed_data()
    {
        QTest::addColumn<int>("size");
        QTest::newRow("empty file") << 0;
        QTest::newRow("part of a header") << 7;
    }

    void fileShorterThanAHeaderIsNotPlayed()
    {
        QFETCH(int, size);
        Fixture f;
        const QString path = f.recording(test::shortHeader(1000).left(size), QByteArray());
        const auto refused = f.session->start(path);
        QVERIFY(refused);
        QCOMPARE(refused->text, QString::fromUtf8("不是录音文件（文件太短，没有完整的文件头）"));
        QVERIFY(!f.session->isRunning());
        QCOMPARE(PlayStateFlag.load(), int(PlayStopped));
        QVERIFY(f.record->played().isEmpty());
    }

    void startAtASeekOffsetDecodesFreshFromThere()
    {
        Fixture f;
        const QByteArray payload = test::somePayload(14000);
        const QString path = f.recording(test::shortHeader(14000), payload);
        QVERIFY(!f.session->start(path, 6000));
        QCOMPARE(f.session->seekOffset(), 6000u);
        QVERIFY(f.waitForEnd());
        QVERIFY(f.record->played() == SequenceDecoder::decodeAll(payload.mid(6000)));
    }

    void pauseHoldsTheSoundAndResumeGoesOn()
    {
        Fixture f;
        const QByteArray payload = test::somePayload(16000);
        QVERIFY(!f.session->start(f.recording(test::shortHeader(16000), payload)));
        QTRY_VERIFY_WITH_TIMEOUT(f.session->elapsedSeconds() >= 2, 20000);

        f.session->pause();
        // The device is paused within one poll of the player thread.
        QTRY_VERIFY_WITH_TIMEOUT(f.record->pauseCalls() == 1, 5000);
        const int playedAtPause = int(f.record->played().size());
        const int secondsAtPause = f.session->elapsedSeconds();
        QTest::qWait(400); // more than a whole block at this speed
        QCOMPARE(int(f.record->played().size()), playedAtPause);
        QCOMPARE(PlayStateFlag.load(), int(PlayPaused));
        QVERIFY(f.session->isRunning());
        QVERIFY(f.session->elapsedSeconds() >= secondsAtPause);

        f.session->resume();
        QVERIFY(f.waitForEnd());
        QCOMPARE(f.record->restartCalls(), 1);
        QVERIFY(f.record->played() == SequenceDecoder::decodeAll(payload));
    }

    void pauseAtOnceAfterStartAndStopWhilePaused()
    {
        Fixture f;
        QVERIFY(!f.session->start(f.recording(test::shortHeader(30000), test::somePayload(30000))));
        f.session->pause();
        QTest::qWait(150);
        f.session->stop();
        QVERIFY(!f.session->isRunning());
        QCOMPARE(PlayStateFlag.load(), int(PlayStopped));
    }

    void stopWhileTheDecoderRunsEndsBothThreads()
    {
        Fixture f(1.0);
        QVERIFY(!f.session->start(f.recording(test::shortHeader(60000), test::somePayload(60000))));
        QTest::qWait(50);
        QElapsedTimer timer;
        timer.start();
        f.session->stop();
        QVERIFY(!f.session->isRunning());
        QVERIFY(timer.elapsed() < 5000);
        QCOMPARE(PlayStateFlag.load(), int(PlayStopped));
        QVERIFY(f.record->played().size() < 60000 * 16);
    }

    void startWhilePlayingSwitchesRecording()
    {
        Fixture f;
        const QByteArray first = test::somePayload(40000, 1);
        const QByteArray second = test::somePayload(6000, 2);
        QVERIFY(!f.session->start(
            f.recording(test::shortHeader(40000), first, QStringLiteral("a.spx"))));
        QTRY_VERIFY_WITH_TIMEOUT(f.record->blocksFinished() >= 2, 20000);
        QVERIFY(!f.session->start(
            f.recording(test::shortHeader(6000), second, QStringLiteral("b.spx"))));
        const int playedOfFirst = int(f.record->played().size());
        QVERIFY(f.waitForEnd());
        QVERIFY(f.record->played().mid(playedOfFirst) == SequenceDecoder::decodeAll(second));
    }

    void recordingThatCannotBeOpened()
    {
        Fixture f;
        const auto message = f.session->start(f.folder.file(QStringLiteral("missing.spx")));
        QVERIFY(message.has_value());
        QCOMPARE(message->text, QStringLiteral("open input spx file error!"));
        QCOMPARE(message->kind, PlaybackMessage::Kind::Plain);
        QCOMPARE(PlayStateFlag.load(), int(PlayStopped));
        QVERIFY(!f.session->isRunning());
    }

    // A file that opens but cannot be read (here the memory of this process, whose first pages
    // are not mapped: every read fails) does not play as if it were empty.
    void recordingThatCannotBeRead()
    {
        Fixture f;
        const auto message = f.session->start(QStringLiteral("/proc/self/mem"));
        QVERIFY(message.has_value());
        QCOMPARE(*message, playbackmessages::cannotReadRecording());
        QCOMPARE(PlayStateFlag.load(), int(PlayStopped));
        QVERIFY(!f.session->isRunning());
        QCOMPARE(f.record->openCalls(), 0);
    }

    void recordingDeletedWhilePlaying()
    {
        Fixture f;
        const QString path = f.recording(test::shortHeader(12000), test::somePayload(12000));
        QVERIFY(!f.session->start(path));
        QVERIFY(QFile::remove(path));
        QVERIFY(f.waitForEnd());
        QCOMPARE(PlayStateFlag.load(), int(PlayStopped));
        // Either the decoder thread had the file open already (the whole recording plays) or it
        // says it cannot open it and only the first block plays.
        const qsizetype played = f.record->played().size();
        QCoreApplication::processEvents();
        if (f.failures.isEmpty()) {
            QCOMPARE(played, qsizetype(12000 * 16));
        } else {
            QCOMPARE(f.failures.first().text, QStringLiteral("Open temp.spx error"));
            QCOMPARE(played, qsizetype(80000));
        }
    }

    void deviceFaultsEndThePlaybackWithTheirMessage_data()
    {
        QTest::addColumn<int>("behaviour");
        QTest::addColumn<QString>("text");
        QTest::newRow("no device")
            << int(Behaviour::NoDevice) << QString::fromUtf8("没有音频设备！");
        QTest::newRow("device will not open")
            << int(Behaviour::OpenFails) << QStringLiteral("Open WaveOut Error");
    }

    void deviceFaultsEndThePlaybackWithTheirMessage()
    {
        QFETCH(int, behaviour);
        QFETCH(QString, text);
        Fixture f(kSpeed, Behaviour(behaviour));
        QVERIFY(!f.session->start(f.recording(test::shortHeader(9000), test::somePayload(9000))));
        QVERIFY(f.waitForEnd());
        QCOMPARE(PlayStateFlag.load(), int(PlayStopped));
        QTRY_COMPARE(f.failures.size(), 1);
        QCOMPARE(f.failures.first().text, text);
        QVERIFY(f.record->played().isEmpty());
    }

    // A device that takes sound and never finishes any: once it has held it for longer than
    // the queued sound lasts, the playback ends and says why.
    void deviceTimeoutEndsThePlayback()
    {
        Fixture f(kSpeed, Behaviour::Stalls);
        QVERIFY(!f.session->start(f.recording(test::shortHeader(20000), test::somePayload(20000))));
        QVERIFY(f.waitForEnd(30000));
        QCOMPARE(PlayStateFlag.load(), int(PlayStopped));
        QCOMPARE(f.record->queuedLengths().size(), 9);
        QCOMPARE(f.record->resetCalls(), 1);
        QTRY_COMPARE(f.failures.size(), 1);
        QCOMPARE(f.failures.first(), playbackmessages::deviceStopped());
    }

    // A device that holds seconds of sound before it reports any finished, and then reports
    // them in bursts (a sound server's large buffer): the whole recording plays, and nothing is
    // reported as a failure.
    void deviceThatHoldsSoundPlaysTheWholeRecording_data()
    {
        QTest::addColumn<int>("payloadLength");
        QTest::addColumn<quint32>("seekOffset");
        QTest::newRow("12 s from the start") << 12000 << 0u;
        QTest::newRow("from second 3 of 14") << 14000 << 3000u;
    }

    void deviceThatHoldsSoundPlaysTheWholeRecording()
    {
        QFETCH(int, payloadLength);
        QFETCH(quint32, seekOffset);
        Fixture f(2.0, Behaviour::Holds);
        const QByteArray payload = test::somePayload(payloadLength);
        QVERIFY(!f.session->start(f.recording(test::shortHeader(quint32(payloadLength)), payload),
                                  seekOffset));
        int mostSeconds = 0;
        QElapsedTimer timer;
        timer.start();
        while (f.session->isRunning() && timer.elapsed() < 30000) {
            // The count follows what the device reports finished, never more than it played.
            const int seconds = f.session->elapsedSeconds();
            const int played = int(f.record->played().size());
            QVERIFY2(seconds <= (played + 15999) / 16000,
                     qPrintable(
                         QStringLiteral("%1 s counted, %2 bytes played").arg(seconds).arg(played)));
            mostSeconds = std::max(mostSeconds, seconds);
            QTest::qWait(20);
        }
        QVERIFY(!f.session->isRunning());
        QCoreApplication::processEvents();
        QVERIFY2(f.failures.isEmpty(), qPrintable(f.failures.value(0).text));
        QVERIFY(f.record->played() == SequenceDecoder::decodeAll(payload.mid(seekOffset)));
        QVERIFY(mostSeconds > 0);
    }

    // A device that is lost part-way (its sound server gone): the playback ends at once, well
    // before a stalled device would be given up, and says why.
    void lostDeviceEndsThePlaybackWithTheMessage()
    {
        Fixture f(kSpeed, Behaviour::Dies);
        QVERIFY(!f.session->start(f.recording(test::shortHeader(20000), test::somePayload(20000))));
        QElapsedTimer timer;
        timer.start();
        QVERIFY(f.waitForEnd(30000));
        QVERIFY(timer.elapsed() < 3000);
        QCOMPARE(PlayStateFlag.load(), int(PlayStopped));
        QCOMPARE(f.record->played().size(), qsizetype(2 * 8000));
        QTRY_COMPARE(f.failures.size(), 1);
        QCOMPARE(f.failures.first(), playbackmessages::deviceStopped());
        QCOMPARE(f.playerEnds, 1);
    }

    // A 3 s recording is all queued at once and then only drains: a pause there holds the sound
    // (and the playback) until resume, and the rest then plays out.
    void pauseNearTheEndHoldsTheLastSound()
    {
        Fixture f(1.0);
        const QByteArray payload = test::somePayload(3000);
        QVERIFY(!f.session->start(f.recording(test::shortHeader(3000), payload)));
        QTest::qWait(1000);
        f.session->pause();
        QTRY_COMPARE_WITH_TIMEOUT(f.record->pauseCalls(), 1, 5000);
        const int playedAtPause = int(f.record->played().size());
        QTest::qWait(2500); // longer than the sound left
        QCOMPARE(PlayStateFlag.load(), int(PlayPaused));
        QVERIFY(f.session->isRunning());
        QCOMPARE(int(f.record->played().size()), playedAtPause);
        QVERIFY(playedAtPause < 3000 * 16);

        f.session->resume();
        QVERIFY(f.waitForEnd());
        QCOMPARE(PlayStateFlag.load(), int(PlayStopped));
        QVERIFY(f.record->played() == SequenceDecoder::decodeAll(payload));
    }

    // A stop while the last sound drains cuts it at once.
    void stopNearTheEndCutsTheSound()
    {
        Fixture f(1.0);
        QVERIFY(!f.session->start(f.recording(test::shortHeader(3000), test::somePayload(3000))));
        QTest::qWait(1000);
        f.session->stop();
        QVERIFY(!f.session->isRunning());
        QCOMPARE(PlayStateFlag.load(), int(PlayStopped));
        QVERIFY(f.record->played().size() < 3000 * 16);
        QCOMPARE(f.record->resetCalls(), 1);
    }

    // Once the recording has played out, a late pause or resume leaves the state stopped.
    void pauseAndResumeAfterTheEndKeepStopped()
    {
        Fixture f;
        QVERIFY(!f.session->start(f.recording(test::shortHeader(1000), test::somePayload(1000))));
        QVERIFY(f.waitForEnd());
        f.session->pause();
        QCOMPARE(PlayStateFlag.load(), int(PlayStopped));
        PlayStateFlag.store(PlayPaused); // as if a pause had come just before the end
        f.session->resume();
        QCOMPARE(PlayStateFlag.load(), int(PlayPlaying));
        PlayStateFlag.store(PlayStopped);
        f.session->resume();
        QCOMPARE(PlayStateFlag.load(), int(PlayStopped));
    }

    // Start, seek, pause, resume and stop in quick random order: no crash, no thread left.
    void hammeredControls()
    {
        Fixture f(50.0);
        const QString path = f.recording(test::shortHeader(26000), test::somePayload(26000));
        QRandomGenerator random(42);
        for (int i = 0; i < 60; ++i) {
            switch (random.bounded(5)) {
            case 0:
                f.session->start(path);
                break;
            case 1:
                f.session->start(path, quint32(random.bounded(26)) * 1000);
                break;
            case 2:
                f.session->pause();
                break;
            case 3:
                f.session->resume();
                break;
            default:
                f.session->stop();
                break;
            }
            QTest::qWait(random.bounded(30));
        }
        f.session->stop();
        QVERIFY(!f.session->isRunning());
        QCOMPARE(PlayStateFlag.load(), int(PlayStopped));
    }
};

QTEST_GUILESS_MAIN(TestPlaybackSession)
#include "tst_playbacksession.moc"
