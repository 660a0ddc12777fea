#include "playback/PlaybackTimes.h"

#include <QTest>

using namespace tovrel;

class TestPlaybackTimes : public QObject
{
    Q_OBJECT

private slots:
    void totalSeconds_data()
    {
        QTest::addColumn<quint64>("fileLength");
        QTest::addColumn<int>("seconds");
        QTest::addColumn<QString>("text");
        QTest::newRow("header only") << quint64(19) << 1 << QStringLiteral("00:00:01");
        QTest::newRow("1000-byte file") << quint64(1000) << 2 << QStringLiteral("00:00:02");
        QTest::newRow("a minute") << quint64(59019) << 60 << QStringLiteral("00:01:00");
        QTest::newRow("an hour") << quint64(3599032) << 3600 << QStringLiteral("01:00:00");
        QTest::newRow("mixed") << quint64(3725500) << 3726 << QStringLiteral("01:02:06");
    }

    void totalSeconds()
    {
        QFETCH(quint64, fileLength);
        QFETCH(int, seconds);
        QFETCH(QString, text);
        QCOMPARE(playbacktimes::totalSeconds(fileLength), seconds);
        QCOMPARE(playbacktimes::timeText(seconds), text);
    }

    void seekSecond_data()
    {
        QTest::addColumn<quint64>("fileLength");
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("maximum");
        QTest::addColumn<int>("headerLength");
        QTest::addColumn<int>("second");
        // F = 100019 with T = 101: position p lands on byte 100019 * p / 101.
        QTest::newRow("far left starts at second 1") << quint64(100019) << 0 << 101 << 19 << 1;
        QTest::newRow("inside the first second") << quint64(100019) << 1 << 101 << 19 << 1;
        QTest::newRow("remainder exactly 500 rounds down") << quint64(3038) << 1 << 2 << 19 << 1;
        QTest::newRow("remainder 501 rounds up") << quint64(3040) << 1 << 2 << 19 << 2;
        QTest::newRow("long form header") << quint64(10032) << 1 << 2 << 32 << 5;
        QTest::newRow("far right") << quint64(100019) << 101 << 101 << 19 << 100;
    }

    void seekSecond()
    {
        QFETCH(quint64, fileLength);
        QFETCH(int, position);
        QFETCH(int, maximum);
        QFETCH(int, headerLength);
        QFETCH(int, second);
        QCOMPARE(playbacktimes::seekSecond(fileLength, position, maximum, headerLength), second);
    }
};

QTEST_GUILESS_MAIN(TestPlaybackTimes)
#include "tst_playbacktimes.moc"
