#include "PulseSink.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QThread>

#include <csignal>

#include <sys/prctl.h>

namespace tovrel::test {
namespace {

constexpr int kServerWaitMs = 15000;

bool pulsePluginInstalled()
{
    // The pulse plugin of ALSA (libasound2-plugins), in the multiarch folder of this machine.
    QDirIterator libs(QStringLiteral("/usr/lib"), {QStringLiteral("alsa-lib")},
                      QDir::Dirs | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (libs.hasNext()) {
        if (QFile::exists(libs.next() + QStringLiteral("/libasound_module_pcm_pulse.so")))
            return true;
    }
    return false;
}

// The server and the listener end with the test program, also when it crashes or is killed.
void endWithTheTest(QProcess &process)
{
    process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
}

QString outputOf(QProcess &process)
{
    return QString::fromUtf8(process.readAllStandardError()).trimmed().right(600);
}

} // namespace

namespace {

struct Walk
{
    qsizetype heardAt = 0;    // samples of heard passed
    qsizetype expectedAt = 0; // samples of expected sounded
    int pieces = 0;
    bool wrong = false;
};

qint16 sampleAt(const QByteArray &bytes, qsizetype i)
{
    return qint16(quint16(quint8(bytes[2 * i])) | quint16(quint8(bytes[2 * i + 1]) << 8));
}

Walk walkSound(const QByteArray &heard, const QByteArray &expected)
{
    const qsizetype h = heard.size() / 2;
    const qsizetype e = expected.size() / 2;
    Walk w;
    for (;;) {
        while (w.heardAt < h && sampleAt(heard, w.heardAt) == 0)
            ++w.heardAt;
        while (w.expectedAt < e && sampleAt(expected, w.expectedAt) == 0)
            ++w.expectedAt;
        if (w.expectedAt == e || w.heardAt == h)
            return w;
        qsizetype m = 0;
        while (w.heardAt + m < h && w.expectedAt + m < e &&
               sampleAt(heard, w.heardAt + m) == sampleAt(expected, w.expectedAt + m))
            ++m;
        if (m == 0) {
            w.wrong = true;
            return w;
        }
        w.heardAt += m;
        w.expectedAt += m;
        ++w.pieces;
    }
}

} // namespace

int soundedPieces(const QByteArray &heard, const QByteArray &expected, QString *why)
{
    const Walk w = walkSound(heard, expected);
    const double second = double(w.expectedAt) / 8000.0;
    if (w.wrong) {
        *why = QStringLiteral("at %1 s of the recording something else sounded").arg(second);
        return -1;
    }
    if (w.expectedAt < expected.size() / 2) {
        *why = QStringLiteral("the sound stopped at %1 s of %2 s")
                   .arg(second)
                   .arg(double(expected.size()) / 16000.0);
        return -1;
    }
    for (qsizetype i = w.heardAt; i < heard.size() / 2; ++i) {
        if (sampleAt(heard, i) != 0) {
            *why = QStringLiteral("sound after the end of the recording");
            return -1;
        }
    }
    return w.pieces;
}

double secondsSounded(const QByteArray &heard, const QByteArray &expected)
{
    const Walk w = walkSound(heard, expected);
    return w.wrong ? -1.0 : double(w.expectedAt) / 8000.0;
}

ProgramRun tovrelPlay(const PulseSink &sink, const QStringList &args,
                      const QProcessEnvironment &extra, int timeoutMs)
{
    QProcessEnvironment env = sink.environment();
    for (const QString &name : extra.keys())
        env.insert(name, extra.value(name));
    QProcess tovrel;
    tovrel.setProcessEnvironment(env);
    tovrel.start(tovrelProgram(), QStringList{QStringLiteral("play")} + args);
    ProgramRun run;
    if (!tovrel.waitForFinished(timeoutMs)) {
        tovrel.kill();
        tovrel.waitForFinished(5000);
    } else if (tovrel.exitStatus() == QProcess::NormalExit) {
        run.exitCode = tovrel.exitCode();
    }
    run.out = QString::fromUtf8(tovrel.readAllStandardOutput());
    run.err = QString::fromUtf8(tovrel.readAllStandardError());
    return run;
}

QString PulseSink::missingTool()
{
    for (const char *tool : {"pulseaudio", "pactl", "parec"}) {
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            return QStringLiteral("%1 is not installed (scripts/setup installs it)")
                .arg(QString::fromLatin1(tool));
    }
    if (!pulsePluginInstalled())
        return QStringLiteral("ALSA's pulse plugin (libasound2-plugins) is not installed");
    return {};
}

PulseSink::PulseSink(int latencyMs) : m_latencyMs(latencyMs)
{
    m_error = missingTool();
    if (!m_error.isEmpty())
        return;
    if (!m_home.isValid()) {
        m_error = QStringLiteral("no temporary folder for the sound server");
        return;
    }
    QDir home(m_home.path());
    QFile asoundrc(home.filePath(QStringLiteral(".asoundrc")));
    if (!home.mkdir(QStringLiteral("run")) ||
        !QFile::setPermissions(home.filePath(QStringLiteral("run")),
                               QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner) ||
        !asoundrc.open(QIODevice::WriteOnly) ||
        asoundrc.write("pcm.!default { type pulse }\nctl.!default { type pulse }\n") < 0 ||
        !asoundrc.flush()) {
        m_error = QStringLiteral("cannot set up the sound server's folder %1").arg(home.path());
        return;
    }
    asoundrc.close();
    m_heardPath = home.filePath(QStringLiteral("heard.raw"));
    startServer();
}

PulseSink::~PulseSink()
{
    if (m_listener) {
        m_listener->kill();
        m_listener->waitForFinished(5000);
    }
    if (m_server) {
        m_server->terminate();
        if (!m_server->waitForFinished(5000)) {
            m_server->kill();
            m_server->waitForFinished(5000);
        }
    }
}

QProcessEnvironment PulseSink::environment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    const QString run = m_home.path() + QStringLiteral("/run");
    env.insert(QStringLiteral("HOME"), m_home.path());
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), run);
    env.insert(QStringLiteral("PULSE_SERVER"), QStringLiteral("unix:%1/pulse/native").arg(run));
    env.remove(QStringLiteral("ALSA_CONFIG_PATH")); // the system file, which reads ~/.asoundrc
    env.insert(QStringLiteral("JACK_NO_START_SERVER"), QStringLiteral("1"));
    if (m_latencyMs > 0)
        env.insert(QStringLiteral("PULSE_LATENCY_MSEC"), QString::number(m_latencyMs));
    else
        env.remove(QStringLiteral("PULSE_LATENCY_MSEC"));
    return env;
}

void PulseSink::useInThisProcess() const
{
    const QProcessEnvironment env = environment();
    for (const char *name : {"HOME", "XDG_RUNTIME_DIR", "PULSE_SERVER", "JACK_NO_START_SERVER",
                             "PULSE_LATENCY_MSEC"}) {
        const QString key = QString::fromLatin1(name);
        if (env.contains(key))
            qputenv(name, env.value(key).toUtf8());
        else
            qunsetenv(name);
    }
    qunsetenv("ALSA_CONFIG_PATH");
}

bool PulseSink::startServer()
{
    // A socket left by a server that was killed would be taken for a running one.
    QFile::remove(m_home.path() + QStringLiteral("/run/pulse/native"));
    m_server = std::make_unique<QProcess>();
    m_server->setProcessEnvironment(environment());
    m_server->setProcessChannelMode(QProcess::SeparateChannels);
    m_server->setStandardOutputFile(QProcess::nullDevice());
    endWithTheTest(*m_server);
    m_server->start(QStringLiteral("pulseaudio"),
                    {QStringLiteral("-n"), QStringLiteral("--daemonize=no"),
                     QStringLiteral("--exit-idle-time=-1"), QStringLiteral("--use-pid-file=no"),
                     QStringLiteral("--realtime=no"), QStringLiteral("--high-priority=no"),
                     QStringLiteral("--log-target=stderr"), QStringLiteral("-L"),
                     QStringLiteral("module-null-sink sink_name=rec rate=8000 channels=1 "
                                    "format=s16le"),
                     QStringLiteral("-L"),
                     QStringLiteral("module-native-protocol-unix auth-anonymous=1")});
    if (!m_server->waitForStarted(kServerWaitMs)) {
        m_error = QStringLiteral("pulseaudio does not start: %1").arg(m_server->errorString());
        return false;
    }
    return waitForServer();
}

bool PulseSink::waitForServer()
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < kServerWaitMs) {
        if (m_server->state() != QProcess::Running) {
            m_error = QStringLiteral("pulseaudio ended at start: %1").arg(outputOf(*m_server));
            return false;
        }
        QProcess info;
        info.setProcessEnvironment(environment());
        info.start(QStringLiteral("pactl"), {QStringLiteral("info")});
        if (info.waitForFinished(5000) && info.exitStatus() == QProcess::NormalExit &&
            info.exitCode() == 0 &&
            QString::fromUtf8(info.readAllStandardOutput())
                .contains(QStringLiteral("Default Sink: rec"))) {
            m_error.clear();
            return true;
        }
        QThread::msleep(100);
    }
    m_error = QStringLiteral("pulseaudio does not answer: %1").arg(outputOf(*m_server));
    return false;
}

bool PulseSink::startListening()
{
    if (!m_error.isEmpty())
        return false;
    QFile::remove(m_heardPath);
    m_listener = std::make_unique<QProcess>();
    // The monitor is read in small pieces whatever the players ask for.
    QProcessEnvironment env = environment();
    env.remove(QStringLiteral("PULSE_LATENCY_MSEC"));
    m_listener->setProcessEnvironment(env);
    m_listener->setStandardOutputFile(m_heardPath);
    endWithTheTest(*m_listener);
    m_listener->start(QStringLiteral("parec"),
                      {QStringLiteral("-d"), QStringLiteral("rec.monitor"),
                       QStringLiteral("--rate=8000"), QStringLiteral("--channels=1"),
                       QStringLiteral("--format=s16le"), QStringLiteral("--raw"),
                       QStringLiteral("--latency-msec=50")});
    if (!m_listener->waitForStarted(kServerWaitMs)) {
        m_error = QStringLiteral("parec does not start: %1").arg(m_listener->errorString());
        return false;
    }
    // Listening once the silence of the idle sink arrives: a stream the server lists may not
    // capture yet, and sound played before then would be missing at the start.
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < kServerWaitMs) {
        if (m_listener->state() != QProcess::Running) {
            m_error = QStringLiteral("parec ended: %1").arg(outputOf(*m_listener));
            return false;
        }
        if (QFileInfo(m_heardPath).size() >= 3200)
            return true;
        QThread::msleep(50);
    }
    m_error = QStringLiteral("parec does not listen to the sink's monitor");
    return false;
}

QByteArray PulseSink::stopListening()
{
    if (!m_listener)
        return {};
    // What the server has sent reaches the file before parec ends on SIGTERM.
    m_listener->terminate();
    if (!m_listener->waitForFinished(5000)) {
        m_listener->kill();
        m_listener->waitForFinished(5000);
    }
    m_listener.reset();
    QFile heard(m_heardPath);
    if (!heard.open(QIODevice::ReadOnly))
        return {};
    return heard.readAll();
}

QByteArray PulseSink::heardSoFar() const
{
    QFile heard(m_heardPath);
    if (!heard.open(QIODevice::ReadOnly))
        return {};
    return heard.readAll();
}

void PulseSink::kill()
{
    if (!m_server)
        return;
    m_server->kill();
    m_server->waitForFinished(5000);
}

bool PulseSink::restart()
{
    kill();
    return startServer();
}

} // namespace tovrel::test
