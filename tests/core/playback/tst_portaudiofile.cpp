// Plays a recording through PortAudio into ALSA's file plugin and checks the bytes that reached
// it. The default ALSA device of a temporary HOME writes to a named pipe that this test reads at
// a steady pace, so the stream runs at about real time instead of as fast as the null device
// would take it.

#include "PlaybackFixtures.h"
#include "SkipOutsideCi.h"
#include "SpeechEncoder.h"
#include "SpeechFixtures.h"
#include "TestFolders.h"

#include "activity/ActivityFlags.h"
#include "playback/PlaybackSession.h"
#include "playback/PortAudioOutput.h"
#include "playback/SpeexBlockDecoder.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
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

// What reached the device is the decode, every sample in order and once, with nothing but
// silence around it or between its samples: the device plays silence while a block is late on a
// busy machine, which is a pause, never a lost sample. Returns the index of the first sample of
// the decode that did not arrive as it should (the decode's length when something other than
// silence follows it), or -1 when all did.
qsizetype firstMissingSample(const QByteArray &written, const QByteArray &decode)
{
    const auto sample = [](const QByteArray &bytes, qsizetype i) {
        return qint16(quint8(bytes[2 * i]) | (quint8(bytes[2 * i + 1]) << 8));
    };
    const qsizetype writtenSamples = written.size() / 2;
    const qsizetype decodeSamples = decode.size() / 2;
    qsizetype w = 0;
    qsizetype d = 0;
    while (d < decodeSamples && w < writtenSamples) {
        if (sample(written, w) == sample(decode, d))
            ++d;
        else if (sample(written, w) != 0)
            return d;
        ++w;
    }
    if (d < decodeSamples)
        return d;
    for (; w < writtenSamples; ++w) {
        if (sample(written, w) != 0)
            return decodeSamples;
    }
    return written.size() % 2 == 0 || written.back() == 0 ? -1 : decodeSamples;
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
            TOVREL_SKIP_OUTSIDE_CI(
                qPrintable(QStringLiteral("PortAudio could not play into ALSA's file plugin "
                                          "here: %1")
                               .arg(failures.first().text)));
        }

        const QByteArray written = reader.finish();
        const QByteArray expected = test::referenceDecode(payload);
        QCOMPARE(expected.size(), payload.size() * 16);
        const qsizetype missing = firstMissingSample(written, expected);
        QVERIFY2(missing < 0, qPrintable(QStringLiteral("%1 bytes reached the device; sample %2 "
                                                        "of the decode's %3 did not")
                                             .arg(written.size())
                                             .arg(missing)
                                             .arg(expected.size() / 2)));
    }

    // tovrel play of a demo recording delivers exactly the continuous decode of its payload.
    void tovrelPlayDeliversTheDecode_data()
    {
        QTest::addColumn<int>("from");
        QTest::newRow("from the start") << 0;
        QTest::newRow("--from 3: a fresh decode from payload byte 3000") << 3;
    }

    void tovrelPlayDeliversTheDecode()
    {
        QFETCH(int, from);
        const QString demo =
            QStringLiteral(TOVREL_SOURCE_DIR "/data/demo/03150912_0001_x02087654321.spx");
        QFile file(demo);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        // The first demo recording has a short-form record: 19 bytes before the payload.
        const QByteArray payload = bytes.mid(19);
        const QByteArray expected = test::referenceDecode(payload.mid(from * 1000));
        QVERIFY(expected.size() > 0);

        PipeReader reader(m_pipe, 64000);
        QProcess play;
        play.start(QStringLiteral(TOVREL_BINARY_DIR "/src/cli/tovrel"),
                   {QStringLiteral("play"), demo, QStringLiteral("--from"), QString::number(from)});
        QVERIFY(play.waitForFinished(60000));
        const QString errors = QString::fromUtf8(play.readAllStandardError());
        if (play.exitCode() != 0 && !reader.opened()) {
            const int fd = ::open(QFile::encodeName(m_pipe).constData(), O_WRONLY);
            if (fd >= 0)
                ::close(fd);
        }
        const QByteArray written = reader.finish();
        QVERIFY2(play.exitCode() == 0, qPrintable(errors.right(400)));
        const qsizetype missing = firstMissingSample(written, expected);
        QVERIFY2(missing < 0, qPrintable(QStringLiteral("sample %1 of the demo's decode did not "
                                                        "reach the device")
                                             .arg(missing)));
    }

    void tovrelPlayFailures_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("message");
        QTest::newRow("missing file")
            << QStringLiteral("/nonexistent/x.spx") << QStringLiteral("open input spx file error!");
        QTest::newRow("bad seconds") << QStringLiteral("--from=abc")
                                     << QStringLiteral("--from takes a whole number of seconds");
    }

    void tovrelPlayFailures()
    {
        QFETCH(QString, file);
        QFETCH(QString, message);
        QProcess play;
        // The command line's own wording, checked in English.
        play.start(QStringLiteral(TOVREL_BINARY_DIR "/src/cli/tovrel"),
                   {QStringLiteral("--lang"), QStringLiteral("en"), QStringLiteral("play"), file});
        QVERIFY(play.waitForFinished(30000));
        QCOMPARE(play.exitCode(), 1);
        QVERIFY(QString::fromUtf8(play.readAllStandardError()).contains(message));
    }

    // A default device that cannot be had: the message, exit status 1, no hang.
    void tovrelPlayWithoutADevice()
    {
        TempFolder home;
        home.write(QStringLiteral(".asoundrc"),
                   QByteArrayLiteral("pcm.!default { type hw card 77 }\n"));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), home.path());
        QProcess play;
        play.setProcessEnvironment(env);
        play.start(QStringLiteral(TOVREL_BINARY_DIR "/src/cli/tovrel"),
                   {QStringLiteral("play"),
                    QStringLiteral(TOVREL_SOURCE_DIR "/data/demo/03150912_0001_x02087654321.spx")});
        QVERIFY(play.waitForFinished(30000));
        QCOMPARE(play.exitCode(), 1);
        const QString errors = QString::fromUtf8(play.readAllStandardError());
        QVERIFY2(errors.contains(QString::fromUtf8("没有音频设备！")) ||
                     errors.contains(QStringLiteral("Open WaveOut Error")),
                 qPrintable(errors.right(400)));
    }
};

QTEST_GUILESS_MAIN(TestPortAudioFile)
#include "tst_portaudiofile.moc"
