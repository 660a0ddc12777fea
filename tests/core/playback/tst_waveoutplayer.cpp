#include "VirtualAudioOutput.h"
#include "playback/WaveOutPlayer.h"

#include <QTest>

using namespace tovrel;
using Behaviour = VirtualAudioOutput::Behaviour;

namespace {

std::shared_ptr<VirtualAudioOutput::Record> newRecord()
{
    return std::make_shared<VirtualAudioOutput::Record>();
}

// A player over a virtual output that finishes blocks only when told (speed 0).
struct ManualPlayer
{
    std::shared_ptr<VirtualAudioOutput::Record> record = newRecord();
    VirtualAudioOutput *output = nullptr;
    std::unique_ptr<WaveOutPlayer> player;

    ManualPlayer()
    {
        auto out = std::make_unique<VirtualAudioOutput>(record, 0.0);
        output = out.get();
        player = std::make_unique<WaveOutPlayer>(std::move(out), 1, 8000);
    }

    void writeBlocks(int count, int length = WaveOutPlayer::kBufferBytes)
    {
        const QByteArray data(length, 'x');
        for (int i = 0; i < count; ++i)
            player->Write(data.constData(), length);
    }
};

} // namespace

class TestWaveOutPlayer : public QObject
{
    Q_OBJECT

private slots:
    void secondsPlayedRoundsUp_data()
    {
        QTest::addColumn<int>("completions");
        QTest::addColumn<int>("seconds");
        QTest::newRow("none") << 0 << 0;
        QTest::newRow("first half second counts a second") << 1 << 1;
        QTest::newRow("two") << 2 << 1;
        QTest::newRow("three") << 3 << 2;
        QTest::newRow("four") << 4 << 2;
        QTest::newRow("five") << 5 << 3;
        QTest::newRow("nine") << 9 << 5;
    }

    void secondsPlayedRoundsUp()
    {
        QFETCH(int, completions);
        QFETCH(int, seconds);
        ManualPlayer p;
        p.writeBlocks(9);
        p.output->finishBlocks(completions);
        QTRY_COMPARE(p.record->blocksFinished(), completions);
        QCOMPARE(p.player->ElapsedSeconds(), seconds);
    }

    void freeBuffersFollowTheQueue()
    {
        ManualPlayer p;
        QVERIFY(p.player->AllBuffersFree());
        QVERIFY(p.player->IsStopped());
        p.writeBlocks(8);
        QVERIFY(!p.player->NearlyFull());
        QVERIFY(!p.player->IsStopped());
        p.writeBlocks(1);
        QVERIFY(p.player->NearlyFull());
        p.output->finishBlocks(1);
        QTRY_VERIFY(!p.player->NearlyFull());
        QVERIFY(!p.player->AllBuffersFree());
        p.output->finishBlocks(8);
        QTRY_VERIFY(p.player->AllBuffersFree());
    }

    void shortWriteQueuesOnlyItsBytes()
    {
        ManualPlayer p;
        const QByteArray data("end of a recording");
        p.player->Write(data.constData(), int(data.size()));
        QCOMPARE(p.record->queuedLengths(), QList<int>{int(data.size())});
        p.output->finishBlocks(1);
        QTRY_COMPARE(p.record->played(), data);
    }

    void pauseTwicePausesOnce()
    {
        ManualPlayer p;
        p.writeBlocks(2);
        p.player->Pause();
        p.player->Pause();
        QVERIFY(p.player->IsPaused());
        QCOMPARE(p.record->pauseCalls(), 1);
    }

    void resumeWithoutPauseLeavesTheDeviceAlone()
    {
        ManualPlayer p;
        p.writeBlocks(1);
        p.player->Resume();
        QCOMPARE(p.record->restartCalls(), 0);
        QVERIFY(!p.player->IsPaused());
    }

    void writeWhilePausedResumesFirst()
    {
        ManualPlayer p;
        p.writeBlocks(1);
        p.player->Pause();
        p.writeBlocks(1);
        QCOMPARE(p.record->restartCalls(), 1);
        QVERIFY(!p.player->IsPaused());
        QCOMPARE(p.record->queuedLengths().size(), 2);
    }

    void stopRightAfterConstructionMakesNoDeviceCall()
    {
        ManualPlayer p;
        p.player->Stop();
        QCOMPARE(p.record->deviceCalls(), 0);
        QVERIFY(p.player->IsStopped());
    }

    void stopDiscardsQueuedSoundAndClearsTheSeconds()
    {
        ManualPlayer p;
        p.writeBlocks(5);
        p.output->finishBlocks(3);
        QTRY_COMPARE(p.player->ElapsedSeconds(), 2);
        p.player->Pause();
        p.player->Stop();
        QCOMPARE(p.record->restartCalls(), 1); // a paused device is restarted before the reset
        QCOMPARE(p.record->resetCalls(), 1);
        QVERIFY(p.player->AllBuffersFree());
        QCOMPARE(p.player->ElapsedSeconds(), 0);
        QVERIFY(p.player->IsStopped());
        QVERIFY(!p.player->IsPaused());
        QCOMPARE(p.record->played().size(), 3 * WaveOutPlayer::kBufferBytes);
    }

    // The ring is reused; sound still queued must never be overwritten.
    void ringReusePlaysEveryPieceInOrder()
    {
        auto record = newRecord();
        {
            WaveOutPlayer player(std::make_unique<VirtualAudioOutput>(record, 200.0), 1, 8000);
            QByteArray expected;
            for (int i = 0; i < 35; ++i) {
                QTRY_VERIFY_WITH_TIMEOUT(!player.NearlyFull(), 10000);
                const QByteArray piece(1000 + i * 100, char('A' + i % 26));
                player.Write(piece.constData(), int(piece.size()));
                expected += piece;
            }
            QTRY_VERIFY_WITH_TIMEOUT(player.AllBuffersFree(), 10000);
            QCOMPARE(record->played(), expected);
        }
        QCOMPARE(record->openCalls(), 1);
    }

    void deviceFaults_data()
    {
        QTest::addColumn<int>("behaviour");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("text");
        QTest::newRow("no device") << int(Behaviour::NoDevice) << QString::fromUtf8("警告")
                                   << QString::fromUtf8("没有音频设备！");
        QTest::newRow("device will not open")
            << int(Behaviour::OpenFails) << QStringLiteral("Error")
            << QStringLiteral("Open WaveOut Error");
    }

    void deviceFaults()
    {
        QFETCH(int, behaviour);
        QFETCH(QString, caption);
        QFETCH(QString, text);
        auto record = newRecord();
        WaveOutPlayer player(
            std::make_unique<VirtualAudioOutput>(record, 1.0, Behaviour(behaviour)), 1, 8000);
        QVERIFY(player.fault().has_value());
        QCOMPARE(player.fault()->caption, caption);
        QCOMPARE(player.fault()->text, text);
        // A player without a device takes writes without touching anything.
        const QByteArray data(8000, 'x');
        player.Write(data.constData(), int(data.size()));
        player.Pause();
        player.Stop();
        QCOMPARE(record->deviceCalls(), 0);
        QVERIFY(player.AllBuffersFree());
    }
};

QTEST_GUILESS_MAIN(TestWaveOutPlayer)
#include "tst_waveoutplayer.moc"
