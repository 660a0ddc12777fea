// Plays a recording through PortAudio into ALSA's file plugin and checks the bytes that reached
// it. The default ALSA device of a temporary HOME writes to a named pipe that this test reads at
// a steady pace, so the stream runs at about real time instead of as fast as the null device
// would take it.

#include "PlaybackFixtures.h"
#include "SpeechEncoder.h"
#include "TestFolders.h"

#include "activity/ActivityFlags.h"
#include "codec/SpeexDecoder.h"
#include "playback/PlaybackSession.h"
#include "playback/PortAudioOutput.h"
#include "playback/SpeexBlockDecoder.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTest>

#include <atomic>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace tovrel;
using tovrel::test::TempFolder;

namespace {

// Reads the pipe at about `bytesPerSecond` until the writer closes it.
class PipeReader
{
public:
    PipeReader(const QString &path, int bytesPerSecond)
    {
        m_thread = std::thread([this, path, bytesPerSecond] {
            const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
            if (fd < 0)
                return;
            m_opened.store(true);
            QElapsedTimer clock;
            clock.start();
            char chunk[800];
            for (;;) {
                // Never ahead of the pace.
                const qint64 allowed = clock.elapsed() * bytesPerSecond / 1000 + 4000;
                if (m_bytes.size() >= allowed) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(5));
                    continue;
                }
                const ssize_t got = ::read(fd, chunk, sizeof chunk);
                if (got <= 0)
                    break;
                m_bytes.append(chunk, got);
            }
            ::close(fd);
        });
    }

    ~PipeReader() { finish(); }

    // Waits for the writer to close the pipe; returns everything read.
    QByteArray finish()
    {
        if (m_thread.joinable())
            m_thread.join();
        return m_bytes;
    }

    bool opened() const { return m_opened.load(); }

private:
    std::thread m_thread;
    QByteArray m_bytes;
    std::atomic<bool> m_opened{false};
};

bool allZero(const QByteArray &bytes)
{
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return c == 0; });
}

} // namespace

class TestPortAudioFile : public QObject
{
    Q_OBJECT

private:
    TempFolder m_home;
    QString m_pipe;

private slots:
    void initTestCase()
    {
        // ALSA reads ~/.asoundrc when PortAudio first starts, so HOME is set before any of it.
        m_pipe = m_home.file(QStringLiteral("played.raw"));
        QVERIFY(::mkfifo(QFile::encodeName(m_pipe).constData(), 0600) == 0);
        m_home.write(QStringLiteral(".asoundrc"), QStringLiteral("pcm.!default {\n"
                                                                 "    type file\n"
                                                                 "    slave.pcm \"null\"\n"
                                                                 "    file \"%1\"\n"
                                                                 "    format \"raw\"\n"
                                                                 "}\n")
                                                      .arg(m_pipe)
                                                      .toUtf8());
        qputenv("HOME", QFile::encodeName(m_home.path()));
        qunsetenv("ALSA_CONFIG_PATH"); // the system file, which reads ~/.asoundrc
        // Keep other sound servers out of the way.
        qputenv("JACK_NO_START_SERVER", "1");
        qputenv("PULSE_SERVER", "none");
    }

    void playsTheContinuousDecodeIntoAlsa()
    {
        resetActivityFlags();
        TempFolder folder;
        // Speech-like sound through the recordings' own decoder, 13 s of it.
        const QByteArray payload = spx::encodeSpeech(spx::syntheticSpeech(13000));
        const QString path =
            folder.write(QStringLiteral("r.spx"), test::shortHeader(13000) + payload);

        // The pipe is read at four times real time: 64000 bytes per second.
        PipeReader reader(m_pipe, 64000);
        PlaybackSession session(PortAudioOutput::factory(), speexBlockDecoders());
        QList<PlaybackMessage> failures;
        connect(&session, &PlaybackSession::failed, this,
                [&](const PlaybackMessage &m) { failures.append(m); });

        QVERIFY(!session.start(path));
        QElapsedTimer timer;
        timer.start();
        while (session.isRunning() && timer.elapsed() < 40000)
            QTest::qWait(20);
        QVERIFY(!session.isRunning());
        QCoreApplication::processEvents();
        if (!failures.isEmpty()) {
            // Unblock the reader if the device never opened the pipe.
            if (!reader.opened()) {
                const int fd = ::open(QFile::encodeName(m_pipe).constData(), O_WRONLY);
                if (fd >= 0)
                    ::close(fd);
            }
            reader.finish();
            QSKIP(qPrintable(QStringLiteral("PortAudio could not play into ALSA's file plugin "
                                            "here: %1")
                                 .arg(failures.first().text)));
        }

        const QByteArray written = reader.finish();
        const QByteArray expected = SpeexDecoder().decode(payload);
        QCOMPARE(expected.size(), payload.size() * 16);
        const qsizetype at = written.indexOf(expected);
        QVERIFY2(at >= 0, qPrintable(QStringLiteral("%1 bytes reached the device; the decode of "
                                                    "%2 bytes is not among them in one piece")
                                         .arg(written.size())
                                         .arg(expected.size())));
        // Only silence around it: before the first block and after the last.
        QVERIFY(allZero(written.left(at)));
        QVERIFY(allZero(written.mid(at + expected.size())));
    }
};

QTEST_GUILESS_MAIN(TestPortAudioFile)
#include "tst_portaudiofile.moc"
